#include "prndump/unpack_bits.h"

#include <string>

#include "prndump/decode_error.h"

namespace prndecode {

namespace {

// One packet at in[pos]; appends its bytes and returns the position after it.
size_t UnpackPacket(const uint8_t* in, size_t size, size_t pos, std::vector<uint8_t>& out) {
    const uint8_t header = in[pos++];
    if (header == 0x80) return pos;
    if (header < 0x80) {
        const size_t literal = size_t(header) + 1;
        if (literal > size - pos) {
            throw DecodeError("PackBits literal packet of " + std::to_string(literal) + " bytes is cut off after " +
                              std::to_string(size - pos));
        }
        out.insert(out.end(), in + pos, in + pos + literal);
        return pos + literal;
    }
    if (pos >= size) throw DecodeError("PackBits repeat packet lacks its data byte");
    out.insert(out.end(), size_t(257 - header), in[pos]);
    return pos + 1;
}

}  // namespace

size_t UnpackBits(const uint8_t* in, size_t size, size_t count, std::vector<uint8_t>& out) {
    const size_t start = out.size();
    size_t pos = 0;
    while (out.size() - start < count) {
        if (pos >= size) {
            throw DecodeError("PackBits data ends after " + std::to_string(out.size() - start) + " of " +
                              std::to_string(count) + " bytes");
        }
        pos = UnpackPacket(in, size, pos, out);
    }
    if (out.size() - start != count) {
        throw DecodeError("PackBits data gives " + std::to_string(out.size() - start) + " bytes where " +
                          std::to_string(count) + " were announced");
    }
    return pos;
}

std::vector<uint8_t> UnpackAllBits(const uint8_t* in, size_t size) {
    std::vector<uint8_t> out;
    size_t pos = 0;
    while (pos < size) pos = UnpackPacket(in, size, pos, out);
    return out;
}

}  // namespace prndecode
