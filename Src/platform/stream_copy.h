// A copy that another core reads next. On x86 the destination's whole
// 16-byte blocks are written past this core's cache (streaming stores): an
// ordinary store would first fetch each line, and a line the reader read
// last time sits in the reader's cache, which costs a round trip between
// the cores for every line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64)
#define KELMORA_STREAM_COPY_SSE2 1
#include <emmintrin.h>
#endif

namespace platform {

// Copies bytes from `from` to `to` (which do not overlap); the stores are
// complete and ordered before the stores that follow the call.
inline void StreamCopy(void* to, const void* from, size_t bytes) {
#if defined(KELMORA_STREAM_COPY_SSE2)
    auto* d = static_cast<uint8_t*>(to);
    auto* s = static_cast<const uint8_t*>(from);
    size_t head = (16 - reinterpret_cast<uintptr_t>(d) % 16) % 16;
    if (head > bytes) head = bytes;
    std::memcpy(d, s, head);
    d += head;
    s += head;
    bytes -= head;
    for (; bytes >= 16; bytes -= 16, d += 16, s += 16)
        _mm_stream_si128(reinterpret_cast<__m128i*>(d), _mm_loadu_si128(reinterpret_cast<const __m128i*>(s)));
    std::memcpy(d, s, bytes);
    _mm_sfence();
#else
    std::memcpy(to, from, bytes);
#endif
}

}  // namespace platform
