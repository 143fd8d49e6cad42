#include "halftone/channel_set.h"

#include <algorithm>
#include <array>

#include "base/text_error.h"
#include "job/varn_prn.h"

namespace {

struct Letter {
    uint32_t code;
    char letter;
};

// Codes that render as a letter and parse back from it.
constexpr std::array<Letter, 25> kLetters = {{
    {10, 'C'},  {11, 'M'},  {12, 'Y'},  {13, 'K'},  {14, 'O'},  {15, 'R'},
    {16, 'G'},  {17, 'B'},  {18, 'v'},  {30, 'c'},  {31, 'm'},  {32, 'y'},
    {33, 'k'},  {34, 'o'},  {35, 'r'},  {36, 'g'},  {37, 'b'},  {100, 'W'},
    {101, 'V'}, {102, 'T'}, {103, 'w'}, {110, '1'}, {111, '2'}, {112, '3'},
    {113, '4'},
}};
// "P" parses into the primer code, which has no letter of its own.
constexpr char kPrimerLetter = 'P';

struct SpotColor {
    const char* name;
    uint32_t code;
};
constexpr std::array<SpotColor, 4> kSpotColors = {{
    {"WHITE_INK", kChannelWhite},
    {"WHITE_INK2", kChannelWhite2},
    {"CLEAR_INK", kChannelClear},
    {"METALLIC_INK", kChannelMetallic},
}};

}  // namespace

ChannelCodeString ParseChannelLetters(const std::string& text) {
    ChannelCodeString codes;
    codes.reserve(text.size());
    for (char c : text) {
        const auto it = std::find_if(kLetters.begin(), kLetters.end(), [c](const Letter& l) { return l.letter == c; });
        if (it != kLetters.end()) {
            codes.push_back(it->code);
        } else {
            codes.push_back(c == kPrimerLetter ? kChannelPrimer : kChannelUnknown);
        }
    }
    return codes;
}

std::string ChannelCodesToString(const ChannelCodeString& codes) {
    std::string text;
    text.reserve(codes.size());
    for (char32_t code : codes) {
        const auto it = std::find_if(kLetters.begin(), kLetters.end(), [code](const Letter& l) { return l.code == code; });
        text.push_back(it == kLetters.end() ? 'N' : it->letter);
    }
    return text;
}

size_t CountChannelCode(const ChannelCodeString& codes, uint32_t code) {
    return static_cast<size_t>(std::count(codes.begin(), codes.end(), static_cast<char32_t>(code)));
}

uint32_t SpotColorChannelCode(const std::string& name) {
    for (const SpotColor& spot : kSpotColors) {
        if (name == spot.name) return spot.code;
    }
    return kChannelUnknown;
}

const char* InputColorModeName(int32_t mode) {
    switch (mode) {
        case 3: return "RGB";
        case 4: return "CMYK";
        case 6: return "CMYKOG";
        case 7: return "CMYKRGB";
        default: return nullptr;
    }
}

ChannelCodeString GetChannelSetName(int32_t processColorCount,
                                    const std::vector<std::string>& printerSpotColors) {
    if (processColorCount > kMaxProcessColors) {
        throw TextError("GetChannelSetName: process colour count " + std::to_string(processColorCount) +
                        " out of range");
    }
    const char* name = InputColorModeName(processColorCount);
    const std::string process = name ? name : std::string(static_cast<size_t>(std::max(processColorCount, 0)), '?');
    ChannelCodeString codes = ParseChannelLetters(process);
    for (const std::string& spot : printerSpotColors) codes.push_back(SpotColorChannelCode(spot));
    return codes;
}

ChannelCodeString GetChannelSet(const CVarnPrn& job) {
    std::vector<std::string> spotColors;
    job.GetPrinterSpotColors(spotColors);
    return GetChannelSetName(std::min(job.m_iInputColorMode, kMaxProcessColors), spotColors);
}
