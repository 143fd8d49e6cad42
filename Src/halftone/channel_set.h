// Channel sets: the output channels of a job, in channel order, as a string of
// 32-bit channel codes (process colours first, then one code per spot colour
// of the printer), and their one-letter rendering for log lines.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

using ChannelCodeString = std::u32string;

enum ChannelCode : uint32_t {
    kChannelCyan = 10,
    kChannelMagenta = 11,
    kChannelYellow = 12,
    kChannelBlack = 13,
    kChannelOrange = 14,
    kChannelRed = 15,
    kChannelGreen = 16,
    kChannelBlue = 17,
    // 18 "v"; 30 to 37 the lower-case letters c m y k o r g b
    kChannelWhite = 100,         // "W", spot colour "WHITE_INK"
    kChannelClear = 101,         // "V", spot colour "CLEAR_INK"
    kChannelMetallic = 102,      // "T", spot colour "METALLIC_INK"
    kChannelWhite2 = 103,        // "w", spot colour "WHITE_INK2"
    kChannelPrimer = 104,        // parsed from "P", rendered "N"
    // 110 to 113: the digits 1 to 4
    kChannelUnknown = 127,
};

// One code per character; a character without a code gives 127.
ChannelCodeString ParseChannelLetters(const std::string& text);

// One letter per code; a code without a letter gives "N".
std::string ChannelCodesToString(const ChannelCodeString& codes);

size_t CountChannelCode(const ChannelCodeString& codes, uint32_t code);

// Code of a printer spot-colour name: "WHITE_INK" 100, "WHITE_INK2" 103,
// "CLEAR_INK" 101, "METALLIC_INK" 102, any other 127.
uint32_t SpotColorChannelCode(const std::string& spotColorName);

// The process colours of an input colour mode ("Output/Prn/Printer/InputColorMode"):
// 3 "RGB", 4 "CMYK", 6 "CMYKOG", 7 "CMYKRGB"; null for any other.
const char* InputColorModeName(int32_t mode);

// The channel set of a job from its process-colour count (3 "RGB", 4 "CMYK",
// 6 "CMYKOG", 7 "CMYKRGB", any other n gives n codes 127, none when n is
// negative) and its printer's spot-colour names in list order. A count above
// kMaxProcessColors throws TextError.
inline constexpr int32_t kMaxProcessColors = 64;
ChannelCodeString GetChannelSetName(int32_t processColorCount,
                                    const std::vector<std::string>& printerSpotColors);

// The channel set of a job: its input colour mode's process colours, then
// its printer's spot colours.
class CVarnPrn;
ChannelCodeString GetChannelSet(const CVarnPrn& job);
