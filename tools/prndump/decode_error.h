// The one error type of the stream decoder: a text that names what was wrong
// and, where it applies, the byte offset.
#pragma once

#include <stdexcept>
#include <string>

namespace prndecode {

class DecodeError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace prndecode
