#include "base/mbcs.h"

#include <cstring>

#include "platform/codepage.h"

namespace {

MbcsLeadByteTable& Table() {
    static MbcsLeadByteTable table = BuildLeadByteTable(platform::ActiveCodePage());
    return table;
}

// Built when the library loads, not on first use.
const MbcsLeadByteTable& g_builtAtLoad = Table();

// Walks s from its start and calls f(position, byte) for every byte that
// starts a character; trail bytes are stepped over.
template <typename F>
void ForEachCharStart(const std::string& s, F f) {
    const MbcsLeadByteTable& t = Table();
    bool afterLead = false;
    for (size_t i = 0; i < s.size(); ++i) {
        const auto b = static_cast<uint8_t>(s[i]);
        if (t.isMultiByte && afterLead) {
            afterLead = false;
            continue;
        }
        if (t.isMultiByte && t.isLeadByte[b]) afterLead = true;
        f(i, b);
    }
}

// The last character start at or before pos (the end for -1) for which match(byte) holds.
template <typename Match>
int FindLastCharStart(const std::string& s, int pos, Match match) {
    if (s.empty()) return -1;
    const long limit = (pos < 0 || static_cast<size_t>(pos) >= s.size()) ? static_cast<long>(s.size()) - 1 : pos;
    int found = -1;
    ForEachCharStart(s, [&](size_t i, uint8_t b) {
        if (static_cast<long>(i) <= limit && match(b)) found = static_cast<int>(i);
    });
    return found;
}

}  // namespace

MbcsLeadByteTable BuildLeadByteTable(unsigned codePage) {
    MbcsLeadByteTable t{};
    platform::CodePageInfo info;
    if (!platform::GetCodePageInfo(codePage, &info) || info.maxCharSize == 1) return t;
    t.isMultiByte = 1;
    for (int r = 0; r < 6; ++r) {
        const uint8_t lo = info.leadByteRanges[2 * r];
        const uint8_t hi = info.leadByteRanges[2 * r + 1];
        if (lo == 0 && hi == 0) break;
        for (unsigned b = lo; b <= hi; ++b) t.isLeadByte[b] = 1;
    }
    return t;
}

const MbcsLeadByteTable& ActiveLeadByteTable() { return Table(); }

void RebuildLeadByteTable() { Table() = BuildLeadByteTable(platform::ActiveCodePage()); }

int LastCharPosMbcs(const std::string& s) {
    if (s.empty()) return -1;
    int last = -1;
    ForEachCharStart(s, [&](size_t i, uint8_t) { last = static_cast<int>(i); });
    // A string that ends in a trail byte has its last character start earlier.
    return last == static_cast<int>(s.size()) - 1 ? last : -1;
}

void ReplaceCharMbcs(std::string& s, char from, char to) {
    ForEachCharStart(s, [&](size_t i, uint8_t b) {
        if (b == static_cast<uint8_t>(from)) s[i] = to;
    });
}

int FindLastOfMbcs(const std::string& s, const char* set, int pos) {
    if (!set) return -1;
    return FindLastCharStart(s, pos, [set](uint8_t b) { return b != 0 && std::strchr(set, b) != nullptr; });
}

int RFindCharMbcs(const std::string& s, char c, int pos) {
    return FindLastCharStart(s, pos, [c](uint8_t b) { return b == static_cast<uint8_t>(c); });
}
