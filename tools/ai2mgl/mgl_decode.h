// A decoder of MGL cut text, written apart from the generator: the framed cut
// data ("GT" 1 0x80, text, "GT" 1 0x00) back to its text, the text to its
// commands, and the pen moves as an HP-GL text that any plotter renderer draws.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace mgl {

class DecodeError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One command: its name ("IN", "PU", "!PG", ...) and its integer parameters.
struct Command {
    std::string name;
    std::vector<long long> params;
    bool operator==(const Command& other) const { return name == other.name && params == other.params; }
};

// The text between the two "GT" commands; DecodeError when the frame is wrong.
std::string Unframe(const std::vector<uint8_t>& data);

// Commands of the text: an optional '!', two letters, integer parameters
// separated by ',', then ';'. Line ends between commands are skipped.
std::vector<Command> Decode(const std::string& text);

// HP-GL of the commands: every command except those whose name starts with
// 'Z', 'J' or '!', one per line.
std::string ToHpgl(const std::vector<Command>& commands);

}  // namespace mgl
