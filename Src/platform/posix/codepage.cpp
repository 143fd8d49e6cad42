#include "platform/codepage.h"

#include <atomic>

namespace platform {
namespace {

std::atomic<unsigned> g_activeCodePage{1252};

struct KnownPage {
    unsigned codePage;
    uint8_t ranges[5];  // pairs, zero-terminated; at most two ranges here
};

// The double-byte pages in use on the machines this plug-in serves.
constexpr KnownPage kDoubleBytePages[] = {
    {932, {0x81, 0x9F, 0xE0, 0xFC, 0}},  // Japanese (Shift JIS)
    {936, {0x81, 0xFE, 0, 0, 0}},        // Simplified Chinese (GBK)
    {949, {0x81, 0xFE, 0, 0, 0}},        // Korean
    {950, {0x81, 0xFE, 0, 0, 0}},        // Traditional Chinese (Big5)
};

bool IsSingleBytePage(unsigned cp) {
    return cp == 437 || cp == 850 || cp == 65001 || (cp >= 874 && cp <= 874) || (cp >= 1250 && cp <= 1258) ||
           (cp >= 28591 && cp <= 28605);
}

}  // namespace

unsigned ActiveCodePage() { return g_activeCodePage.load(); }

bool GetCodePageInfo(unsigned codePage, CodePageInfo* info) {
    if (!info) return false;
    *info = CodePageInfo{};
    for (const KnownPage& page : kDoubleBytePages) {
        if (page.codePage != codePage) continue;
        info->maxCharSize = 2;
        for (int i = 0; i < 4; ++i) info->leadByteRanges[i] = page.ranges[i];
        return true;
    }
    if (!IsSingleBytePage(codePage)) return false;
    // UTF-8 reports more than one byte per character but has no lead-byte
    // ranges in the double-byte sense, as on Windows.
    info->maxCharSize = codePage == 65001 ? 4 : 1;
    return true;
}

bool SetActiveCodePage(unsigned codePage) {
    CodePageInfo info;
    if (!GetCodePageInfo(codePage, &info)) return false;
    g_activeCodePage = codePage;
    return true;
}

}  // namespace platform
