// PackBits run-length packing of raster rows. A packet is a header byte h and
// its data: h from 0 to 127 is followed by h + 1 literal bytes, h from 0x81
// to 0xFF by one byte repeated 1 - h (as a signed byte) times. 0x80 is never
// written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class ByteBuffer;

// Room that PackBitsEncode may need for n input bytes: n + (n + 126) / 127.
constexpr size_t PackBitsMaxSize(size_t n) { return n + (n + 126) / 127; }

// Packs n bytes into out, which holds at least PackBitsMaxSize(n) bytes, and
// returns the packed byte count (0 for n = 0). A repeat packet starts where
// the next byte equals the current one; inside a literal packet only three
// equal bytes in a row end it.
size_t PackBitsEncode(uint8_t* out, const uint8_t* in, size_t n);
std::vector<uint8_t> PackBitsEncode(const std::vector<uint8_t>& in);

// Packs n bytes into the scratch buffer (grown to PackBitsMaxSize(n) + 32 when
// its capacity is smaller) and sets its size to the packed count. True only
// when the packed form is shorter than n: send it then, else the raw bytes.
bool PackBitsCompressLine(ByteBuffer& buffer, const uint8_t* data, size_t n);
