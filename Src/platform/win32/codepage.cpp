#include "platform/codepage.h"

#include <windows.h>

#include <atomic>

namespace platform {
namespace {
// 0: the system's active code page; tests may select another.
std::atomic<unsigned> g_override{0};
}  // namespace

unsigned ActiveCodePage() {
    const unsigned selected = g_override.load();
    return selected ? selected : GetACP();
}

bool GetCodePageInfo(unsigned codePage, CodePageInfo* info) {
    if (!info) return false;
    *info = CodePageInfo{};
    CPINFO cp{};
    if (!GetCPInfo(codePage, &cp)) return false;
    info->maxCharSize = cp.MaxCharSize;
    for (int i = 0; i < 12 && i < MAX_LEADBYTES; ++i) info->leadByteRanges[i] = cp.LeadByte[i];
    return true;
}

bool SetActiveCodePage(unsigned codePage) {
    CPINFO cp{};
    if (!GetCPInfo(codePage, &cp)) return false;
    g_override = codePage;
    return true;
}

}  // namespace platform
