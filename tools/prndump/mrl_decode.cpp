#include "prndump/mrl_decode.h"

#include <cstdio>
#include <cstring>
#include <sstream>

#include "prndump/decode_error.h"
#include "prndump/unpack_bits.h"

namespace prndecode {

namespace {

// Parameter layouts, one token per field: "name" byte, "w:name" 16-bit,
// "t:name" 24-bit, "d:name" 32-bit (all least significant byte first),
// "=XX" a fixed byte, "w=XXXX" a fixed 16-bit value, "rN:name" N bytes of one
// value, "rN=XX" N fixed bytes, "s16:name" 16 characters of text.
struct Form {
    const char* letters;
    int length;  // parameter bytes
    const char* layout;
    bool raster;
};

const Form kLengthPrefixed[] = {
    {"QE", 0, "", false},
    {"Q@", 0, "", false},
    {"QC", 11, "=FF p1 p2 w:p3 p4 p5 =FF =00 =FF =00", false},
    {"QK", 7, "p1 p2 p3 =FF =FF =FF =FF", false},
    {"QK", 8, "p1 p2 p3 =FF =FF =FF =FF p4", false},
    {"QP", 10, "p1 w:yres w:xres p4 p5 p6 p7 =FF", false},
    {"QP", 11, "p1 w:yres w:xres p4 p5 p6 p7 =FF p8", false},
    {"QP", 12, "p1 w:yres w:xres p4 p5 p6 p7 p8 p9 p10", false},
    {"QP", 13, "p1 w:yres w:xres p4 p5 p6 p7 p8 p9 p10 p11", false},
    {"QP", 18, "p1 w:yres w:xres p4 p5 p6 p7 p8 p9 p10 p11 p12 p13 p14 w:p15", false},
    {"QR", 1, "flag", false},
    {"QX", 5, "p1 d:p2", false},
    {"QT", 5, "p1 d:p2", false},
    {"QA", 3, "sign w:magnitude", false},
    {"QY", 5, "flag d:value", false},
    {"QZ", 5, "p1 p2 p3 p4 p5", false},
    {"QV", 3, "=03 p2 p3", false},
    {"QV", 67, "index mode =00 r64=00", false},
    {"QV", 131, "index mode =00 r128:fill", false},
    {"QD", 7, "colour compression bpp w:count w:lines", true},
    {"QD", 10, "colour compression bpp w:count w:lines w:size layer", true},
    {"QV", 9, "mode p2 p3 p4 p5 p6 p7 p8 p9", false},
    {"PD", 4, "p1 p2 p3 p4", false},
    {"PI", 1, "p1", false},
    {"PL", 4, "p1 p2 p3 p4", false},
    {"PB", 1, "p1", false},
    {"PH", 2, "=FF =FF", false},
    {"GT", 1, "p1", false},
    {"GS", 16, "p1 p2 w:p3 d:p4 d:p5 r3:p6 p7", false},
    {"GR", 18, "p1 =00 r16=01", false},
};

const Form kFixed[] = {
    {"MA", 4, "w=0000 sign magnitude", false},
    {"MC", 1, "p1", false},
    {"MD", 4, "w:p1 w:p2", false},
    {"ME", 3, "xdoubled ylimited =FF", false},
    {"MG", 16, "s16:name", false},
    {"MJ", 5, "p1 =FF =FF =FF =FF", false},
    {"MK", 5, "=FF p1 p2 w=FFFF", false},
    {"MM", 3, "artwork quality thin", false},
    {"MP", 9, "p1 p2 p3 p4 w:p5 w:p6 =FF", false},
    {"MU", 6, "=00 w:yres t:feed", false},
    {"MV", 4, "p1 t:count", false},
    {"MW", 3, "t:p1", false},
    {"MY", 1, "ink", false},
    {"MZ", -1, "", false},  // a 16-bit text length, then the text
    {"SO", 6, "p1 p2 p3 =FF =FF =FF", false},
};

const Form kEscAt = {"ESC @", 0, "", false};
const Form kEscI = {"ESC i", 7, "colour compression bpp w:count w:lines", true};

std::string Hex(uint32_t value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%0*X", digits, value);
    return text;
}

[[noreturn]] void Fail(size_t offset, const std::string& what) {
    throw DecodeError("MRL at offset " + std::to_string(offset) + ": " + what);
}

uint32_t LittleEndian(const uint8_t* p, int width) {
    uint32_t value = 0;
    for (int i = width - 1; i >= 0; --i) value = value << 8 | p[i];
    return value;
}

// Fills the command's fields from its parameter bytes according to the layout.
void ParseLayout(const char* layout, Command& command) {
    std::istringstream tokens(layout);
    std::string token;
    size_t pos = 0;
    const std::vector<uint8_t>& p = command.params;
    while (tokens >> token) {
        int width = 1;
        std::string rest = token;
        if (token.size() > 2 && (token[0] == 'w' || token[0] == 't' || token[0] == 'd') &&
            (token[1] == ':' || token[1] == '=')) {
            width = token[0] == 'w' ? 2 : token[0] == 't' ? 3 : 4;
            rest = token.substr(1);
        }
        if ((token[0] == 'r' || token[0] == 's') && token.size() > 1 && token[1] >= '0' && token[1] <= '9') {
            const size_t mark = token.find_first_of(":=");
            const size_t n = std::stoul(token.substr(1, mark - 1));
            const uint8_t* bytes = p.data() + pos;
            if (token[0] == 's') {
                command.text.assign(reinterpret_cast<const char*>(bytes), n);
            } else {
                const bool fixed = token[mark] == '=';
                const uint8_t expected = fixed ? uint8_t(std::stoul(token.substr(mark + 1), nullptr, 16)) : bytes[0];
                for (size_t i = 0; i < n; ++i) {
                    if (bytes[i] != expected) {
                        command.issues.push_back("byte " + std::to_string(pos + i) + " is " + Hex(bytes[i], 2) +
                                                 ", expected " + Hex(expected, 2));
                        break;
                    }
                }
                if (!fixed) command.fields.push_back({token.substr(mark + 1), expected, int(n)});
            }
            pos += n;
            continue;
        }
        const uint32_t value = LittleEndian(p.data() + pos, width);
        if (rest[0] == '=') {
            const uint32_t expected = uint32_t(std::stoul(rest.substr(1), nullptr, 16));
            if (value != expected) {
                command.issues.push_back("byte " + std::to_string(pos) + " is " + Hex(value, width * 2) +
                                         ", expected " + Hex(expected, width * 2));
            }
        } else {
            command.fields.push_back({rest[0] == ':' ? rest.substr(1) : rest, value, width});
        }
        pos += size_t(width);
    }
}

// The plane data behind a raster command, from bytes[pos]; returns the position after it.
size_t TakeRasterData(const uint8_t* bytes, size_t size, size_t pos, Command& command) {
    command.isRaster = true;
    command.colour = uint8_t(command.Value("colour"));
    command.compression = uint8_t(command.Value("compression"));
    command.bitsPerPixel = uint8_t(command.Value("bpp"));
    command.count = uint16_t(command.Value("count"));
    if (command.Value("lines") != 1) command.issues.push_back("line count " + std::to_string(command.Value("lines")) + ", expected 1");
    size_t available = size - pos;
    bool sized = false;
    for (const Field& field : command.fields) {
        if (field.name == "size") {
            if (field.value > available) Fail(command.offset, "plane data of " + std::to_string(field.value) + " bytes runs past the record");
            available = field.value;
            sized = true;
        } else if (field.name == "layer") {
            command.layer = int(field.value);
        }
    }
    if (command.compression == 1) {
        try {
            command.dataSize = UnpackBits(bytes + pos, available, command.count, command.row);
        } catch (const DecodeError& e) {
            Fail(command.offset, command.name + " colour " + InkName(command.colour) + ": " + e.what());
        }
    } else if (command.compression == 0) {
        if (command.count > available) {
            Fail(command.offset, command.name + " announces " + std::to_string(command.count) + " raw bytes, " +
                                     std::to_string(available) + " follow");
        }
        command.row.assign(bytes + pos, bytes + pos + command.count);
        command.dataSize = command.count;
    } else {
        Fail(command.offset, command.name + " has unknown compression " + std::to_string(command.compression));
    }
    if (sized && command.dataSize != available) {
        command.issues.push_back("data size field " + std::to_string(available) + ", plane data used " +
                                 std::to_string(command.dataSize));
        command.dataSize = available;
    }
    return pos + command.dataSize;
}

const Form* FindForm(const Form* begin, const Form* end, const uint8_t* letters, int length) {
    for (const Form* form = begin; form != end; ++form) {
        if (form->letters[0] == char(letters[0]) && form->letters[1] == char(letters[1]) &&
            (length < 0 || form->length == length)) {
            return form;
        }
    }
    return nullptr;
}

bool IsCommandLetter(uint8_t c) { return (c >= 'A' && c <= 'Z') || c == '@'; }

}  // namespace

uint32_t Command::Value(const std::string& fieldName) const {
    for (const Field& field : fields) {
        if (field.name == fieldName) return field.value;
    }
    throw DecodeError(name + " has no parameter \"" + fieldName + "\"");
}

bool Command::IsLineEnd() const {
    return name == "LF" || (name == "QR" && !params.empty() && params[0] == 1);
}

bool Command::IsPlaneEnd() const {
    return name == "CR" || (name == "QR" && !params.empty() && params[0] == 0);
}

std::vector<Command> DecodeMrl(const uint8_t* bytes, size_t size) {
    std::vector<Command> commands;
    size_t pos = 0;
    while (pos < size) {
        Command command;
        command.offset = pos;
        const uint8_t first = bytes[pos];
        const Form* form = nullptr;
        size_t paramsAt = pos;
        size_t paramCount = 0;
        if (first == 0x0D || first == 0x0A || first == 0x0C) {
            command.name = first == 0x0D ? "CR" : first == 0x0A ? "LF" : "FF";
            commands.push_back(std::move(command));
            ++pos;
            continue;
        }
        if (first == 0x1B) {
            if (pos + 1 >= size) Fail(pos, "ESC at the end of the record");
            if (bytes[pos + 1] == '@') form = &kEscAt;
            else if (bytes[pos + 1] == 'i') form = &kEscI;
            else Fail(pos, "unknown ESC command " + Hex(bytes[pos + 1], 2));
            paramsAt = pos + 2;
            paramCount = size_t(form->length);
        } else if (pos + 1 < size && first >= 'A' && first <= 'Z' && IsCommandLetter(bytes[pos + 1])) {
            if (first == 'Q' || first == 'P' || first == 'G') {
                if (pos + 2 >= size) Fail(pos, "command without its length byte");
                command.lengthByte = bytes[pos + 2];
                form = FindForm(std::begin(kLengthPrefixed), std::end(kLengthPrefixed), bytes + pos, command.lengthByte);
                paramsAt = pos + 3;
                paramCount = size_t(command.lengthByte);
                if (!form) command.issues.push_back("unknown command form");
            } else {
                form = FindForm(std::begin(kFixed), std::end(kFixed), bytes + pos, -1);
                if (!form) Fail(pos, "unknown command \"" + std::string(reinterpret_cast<const char*>(bytes + pos), 2) + "\"");
                paramsAt = pos + 2;
                paramCount = size_t(form->length);
                if (form->length < 0) {
                    if (pos + 4 > size) Fail(pos, "MZ without its text length");
                    paramCount = 2 + LittleEndian(bytes + pos + 2, 2);
                }
            }
        } else {
            Fail(pos, "unknown command byte " + Hex(first, 2));
        }
        command.name = form ? form->letters : std::string(reinterpret_cast<const char*>(bytes + pos), 2);
        if (paramCount > size - paramsAt) {
            Fail(pos, command.name + " needs " + std::to_string(paramCount) + " parameter bytes, " +
                          std::to_string(size - paramsAt) + " left");
        }
        command.params.assign(bytes + paramsAt, bytes + paramsAt + paramCount);
        pos = paramsAt + paramCount;
        if (form && form->length < 0) {
            command.fields.push_back({"length", LittleEndian(command.params.data(), 2), 2});
            command.text.assign(command.params.begin() + 2, command.params.end());
        } else if (form) {
            ParseLayout(form->layout, command);
            if (form->raster) pos = TakeRasterData(bytes, size, pos, command);
        }
        commands.push_back(std::move(command));
    }
    return commands;
}

std::string FormatCommand(const Command& command) {
    std::string line = command.name;
    if (command.lengthByte >= 0) line += "[" + std::to_string(command.lengthByte) + "]";
    for (const Field& field : command.fields) {
        line += " " + field.name + "=" + std::to_string(field.value);
        if (field.name == "colour") line += "(" + InkName(uint8_t(field.value)) + ")";
    }
    if (!command.text.empty()) line += " \"" + command.text + "\"";
    if (command.fields.empty() && command.text.empty() && !command.params.empty()) {
        line += " bytes";
        for (uint8_t b : command.params) line += " " + Hex(b, 2).substr(2);
    }
    if (command.isRaster) {
        line += command.compression == 1 ? " + " + std::to_string(command.dataSize) + " packed bytes"
                                         : " + " + std::to_string(command.dataSize) + " raw bytes";
    }
    for (const std::string& issue : command.issues) line += "  !! " + issue;
    return line;
}

std::string InkName(uint8_t colour) {
    switch (colour) {
        case 0x02: return "C";
        case 0x01: return "M";
        case 0x04: return "Y";
        case 0x00: return "K";
        case 0x12: return "LC";
        case 0x11: return "LM";
        case 0x26: return "LK";
        case 0x05: return "O";
        case 0x06: return "G";
        default: return Hex(colour, 2).substr(2);
    }
}

}  // namespace prndecode
