#include "mgl_decode.h"

#include <cctype>

namespace mgl {

std::string Unframe(const std::vector<uint8_t>& data) {
    const uint8_t head[] = {'G', 'T', 0x01, 0x80};
    const uint8_t tail[] = {'G', 'T', 0x01, 0x00};
    if (data.size() < 8) throw DecodeError("cut data shorter than its frame");
    for (size_t i = 0; i < 4; ++i) {
        if (data[i] != head[i]) throw DecodeError("cut data does not start with GT 1 0x80");
        if (data[data.size() - 4 + i] != tail[i]) throw DecodeError("cut data does not end with GT 1 0x00");
    }
    return std::string(data.begin() + 4, data.end() - 4);
}

std::vector<Command> Decode(const std::string& text) {
    std::vector<Command> commands;
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] == '\n') {
            ++i;
            continue;
        }
        Command command;
        if (text[i] == '!') command.name += text[i++];
        for (int k = 0; k < 2; ++k) {
            if (i >= text.size() || !std::isupper(static_cast<unsigned char>(text[i]))) {
                throw DecodeError("bad command name at offset " + std::to_string(i));
            }
            command.name += text[i++];
        }
        while (i < text.size() && text[i] != ';') {
            size_t j = i;
            if (text[j] == '-') ++j;
            const size_t digits = j;
            while (j < text.size() && std::isdigit(static_cast<unsigned char>(text[j]))) ++j;
            if (j == digits || j - digits > 12) throw DecodeError("bad number at offset " + std::to_string(i));
            command.params.push_back(std::stoll(text.substr(i, j - i)));
            i = j;
            if (i < text.size() && text[i] == ',') ++i;
        }
        if (i >= text.size()) throw DecodeError("command " + command.name + " without ';'");
        ++i;
        commands.push_back(command);
    }
    return commands;
}

std::string ToHpgl(const std::vector<Command>& commands) {
    std::string out;
    for (const Command& c : commands) {
        const char first = c.name[0];
        if (first == 'Z' || first == 'J' || first == '!') continue;
        out += c.name;
        for (size_t k = 0; k < c.params.size(); ++k) {
            if (k) out += ',';
            out += std::to_string(c.params[k]);
        }
        out += ";\n";
    }
    return out;
}

}  // namespace mgl
