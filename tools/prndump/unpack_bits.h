// PackBits unpacking, written from the packet format alone: a header byte h
// from 0 to 127 is followed by h + 1 literal bytes; h from 0x81 to 0xFF
// (-127 to -1) by one byte that repeats 1 - h times; 0x80 is skipped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace prndecode {

// Unpacks packets from in[0, size) until exactly `count` bytes came out and
// appends them to out; returns the number of packed bytes consumed. Throws
// DecodeError when the input ends first or a packet overshoots the count.
size_t UnpackBits(const uint8_t* in, size_t size, size_t count, std::vector<uint8_t>& out);

// Unpacks every packet of in[0, size); throws DecodeError for a truncated packet.
std::vector<uint8_t> UnpackAllBits(const uint8_t* in, size_t size);

}  // namespace prndecode
