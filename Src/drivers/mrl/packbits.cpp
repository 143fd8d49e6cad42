#include "drivers/mrl/packbits.h"

#include "base/byte_buffer.h"

size_t PackBitsEncode(uint8_t* out, const uint8_t* in, size_t n) {
    if (!out || !in) return 0;
    size_t o = 0;
    size_t i = 0;
    while (i < n) {
        const size_t header = o++;
        const uint8_t c = in[i];
        out[o++] = c;
        if (i + 1 < n && in[i + 1] == c) {
            size_t count = 2;
            while (count < 128 && i + count < n && in[i + count] == c) ++count;
            out[header] = uint8_t(257 - count);
            i += count;
            continue;
        }
        size_t length = 1;
        ++i;
        while (i < n && length < 128) {
            const uint8_t d = in[i];
            if (d == out[o - 1] && n - i >= 2 && in[i + 1] == d) {
                // Three equal bytes: the last literal byte starts a repeat packet.
                --o;
                --length;
                --i;
                break;
            }
            out[o++] = d;
            ++length;
            ++i;
        }
        out[header] = uint8_t(length - 1);
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
