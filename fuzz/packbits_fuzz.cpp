// PackBits: every row packs within its bound and unpacks (by the stream
// decoder's own unpacker) to the same bytes, no header is 0x80, and the
// scratch-buffer form agrees.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "base/byte_buffer.h"
#include "drivers/mrl/packbits.h"
#include "prndump/unpack_bits.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> packed(PackBitsMaxSize(size) + 1, 0xA5);
    const size_t n = PackBitsEncode(packed.data(), data, size);
    if (n > PackBitsMaxSize(size) || packed[PackBitsMaxSize(size)] != 0xA5) std::abort();
    std::vector<uint8_t> unpacked;
    if (prndecode::UnpackBits(packed.data(), n, size, unpacked) != n) std::abort();
    if (unpacked.size() != size || (size && std::memcmp(unpacked.data(), data, size) != 0)) std::abort();
    // 0x80 is never written as a packet header.
    for (size_t i = 0; i < n; i += packed[i] < 0x80 ? size_t(packed[i]) + 2 : 2) {
        if (packed[i] == 0x80) std::abort();
    }

    ByteBuffer buffer;
    const bool shorter = PackBitsCompressLine(buffer, data, size);
    if (shorter != (n < size)) std::abort();
    if (shorter && (buffer.size() != n || std::memcmp(buffer.data(), packed.data(), n) != 0)) std::abort();
    return 0;
}
