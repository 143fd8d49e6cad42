// MRL commands decoded from the data of one record. Three framings: two
// letters with a length byte and that many parameter bytes (the "Q", "P" and
// "G" commands), two letters with a fixed parameter layout (the "M" commands
// and "SO"; "MZ" with a 16-bit text length), and the control codes ESC "@",
// ESC "i", CR, LF and FF. A raster command ("QD", ESC "i") is followed by its
// plane data, PackBits-packed or raw, which is unpacked here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace prndecode {

struct Field {
    std::string name;
    uint32_t value = 0;
    int width = 1;  // bytes on the wire
};

struct Command {
    size_t offset = 0;      // within the record's data
    std::string name;       // "QP", "MA", "ESC i", "CR", ...
    int lengthByte = -1;    // of a length-prefixed command, else -1
    std::vector<uint8_t> params;  // the parameter bytes as sent
    std::vector<Field> fields;    // the named parameters
    std::string text;             // the 16 characters of "MG", the text of "MZ"
    std::vector<std::string> issues;  // fixed bytes that differ from the form, unknown forms

    // Raster commands only.
    bool isRaster = false;
    uint8_t colour = 0;
    uint8_t compression = 0;
    uint8_t bitsPerPixel = 0;
    int layer = -1;           // the layer code of the layered "QD" form
    uint16_t count = 0;       // unpacked byte count
    size_t dataSize = 0;      // bytes of plane data that followed the command
    std::vector<uint8_t> row; // the unpacked plane data

    // The named parameter; throws DecodeError when the command has none of that name.
    uint32_t Value(const std::string& fieldName) const;
    bool IsLineEnd() const;   // "QR" 1 or LF
    bool IsPlaneEnd() const;  // "QR" 0 or CR
};

// Decodes a whole record; throws DecodeError (with the offset) for a command
// it cannot frame, truncated parameters or plane data.
std::vector<Command> DecodeMrl(const uint8_t* bytes, size_t size);
inline std::vector<Command> DecodeMrl(const std::vector<uint8_t>& bytes) { return DecodeMrl(bytes.data(), bytes.size()); }

// One line of text: name, length, fields, raster summary, issues.
std::string FormatCommand(const Command& command);

// Ink of a printer colour code: "C", "M", "Y", "K", "LC", "LM", "LK", "O",
// "G", else the code in upper-case hexadecimal.
std::string InkName(uint8_t colour);

}  // namespace prndecode
