// The active ANSI code page and its lead-byte ranges.
//
// On Windows these come from GetACP/GetCPInfo. Elsewhere the active code page
// is a process setting that starts single-byte (1252); tests select a
// double-byte page such as 932 with SetActiveCodePage.
#pragma once

#include <cstdint>

namespace platform {

struct CodePageInfo {
    unsigned maxCharSize = 1;
    // Up to six lead-byte ranges as (low, high) pairs, ended by a pair of zeros.
    uint8_t leadByteRanges[12] = {};
};

unsigned ActiveCodePage();

// Fills info for the code page; false for a code page this platform does not know.
bool GetCodePageInfo(unsigned codePage, CodePageInfo* info);

// Selects the active code page where the platform allows it (not on Windows,
// where the system decides). False when the code page is unknown.
bool SetActiveCodePage(unsigned codePage);

}  // namespace platform
