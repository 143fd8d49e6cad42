#include "drivers/mrl/packbits.h"

#include <algorithm>
#include <cstring>

#include "base/byte_buffer.h"

namespace {

constexpr bool kLittleEndian = __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__;
constexpr uint64_t kLowBits = 0x0101010101010101ull;
constexpr uint64_t kHighBits = 0x8080808080808080ull;

uint64_t Load64(const uint8_t* p) {
    uint64_t w;
    std::memcpy(&w, p, sizeof w);
    return w;
}

// The index of the lowest zero byte of w (little-endian order), 8 for none.
// The mask may mark a byte above the lowest zero byte falsely, never one
// below it, so the lowest mark is exact.
unsigned FirstZeroByte(uint64_t w) {
    const uint64_t zero = (w - kLowBits) & ~w & kHighBits;
    return zero ? unsigned(__builtin_ctzll(zero)) / 8 : 8;
}

// The length of the run of c that starts at in[i], at most limit bytes
// (i + limit <= n), compared eight bytes at a time.
size_t RunLength(const uint8_t* in, size_t i, size_t limit, uint8_t c) {
    const uint64_t pattern = kLowBits * c;
    size_t count = 0;
    while (kLittleEndian && count + 8 <= limit) {
        const uint64_t differ = Load64(in + i + count) ^ pattern;
        if (differ != 0) return count + unsigned(__builtin_ctzll(differ)) / 8;
        count += 8;
    }
    while (count < limit && in[i + count] == c) ++count;
    return count;
}

// The first j in [from, to) where in[j], in[j + 1] and in[j + 2] are equal
// (every such j has j + 2 < n), or to; eight positions at a time.
size_t FirstTriple(const uint8_t* in, size_t n, size_t from, size_t to) {
    size_t j = from;
    while (kLittleEndian && j < to && j + 10 <= n) {
        const uint64_t a = Load64(in + j);
        const uint64_t b = Load64(in + j + 1);
        const uint64_t c = Load64(in + j + 2);
        const unsigned k = FirstZeroByte((a ^ b) | (b ^ c));
        if (k < 8) return j + k < to ? j + k : to;
        j += 8;
    }
    for (; j < to; ++j) {
        if (in[j] == in[j + 1] && in[j + 1] == in[j + 2]) return j;
    }
    return to;
}

}  // namespace

// A repeat packet starts where two equal bytes do; a literal packet runs up
// to 128 bytes and ends before three equal bytes in a row.
size_t PackBitsEncode(uint8_t* out, const uint8_t* in, size_t n) {
    if (!out || !in) return 0;
    size_t o = 0;
    size_t i = 0;
    while (i < n) {
        const uint8_t c = in[i];
        if (i + 1 < n && in[i + 1] == c) {
            const size_t count = 2 + RunLength(in, i + 2, std::min<size_t>(126, n - i - 2), c);
            out[o++] = uint8_t(257 - count);
            out[o++] = c;
            i += count;
            continue;
        }
        // A literal of in[i] and what follows, up to 128 bytes; it ends before
        // a triple that starts within its first 127 bytes and ends inside
        // the input.
        const size_t to = n >= 3 ? std::min(i + 127, n - 2) : 0;
        const size_t triple = FirstTriple(in, n, i + 1, to);
        const size_t length = triple < to ? triple - i : std::min<size_t>(128, n - i);
        out[o++] = uint8_t(length - 1);
        std::memcpy(out + o, in + i, length);
        o += length;
        i += length;
    }
    return o;
}

std::vector<uint8_t> PackBitsEncode(const std::vector<uint8_t>& in) {
    std::vector<uint8_t> out(PackBitsMaxSize(in.size()));
    out.resize(PackBitsEncode(out.data(), in.data(), in.size()));
    return out;
}

bool PackBitsCompressLine(ByteBuffer& buffer, const uint8_t* data, size_t n) {
    if (!data || n == 0) {
        buffer.Resize(0);
        return false;
    }
    const size_t bound = PackBitsMaxSize(n);
    if (buffer.capacity() < bound) buffer.Reserve(bound + 32);
    buffer.Resize(bound);
    const size_t packed = PackBitsEncode(buffer.data(), data, n);
    buffer.Resize(packed);
    return packed < n;
}
