// The processor's hint for a spin-wait loop: it lets the other hardware
// thread of the core run and saves power while a thread polls a flag.
#pragma once

#if defined(_M_X64) || defined(_M_IX86) || defined(__x86_64__) || defined(__i386__)
#define KELMORA_CPU_RELAX_PAUSE 1
#include <immintrin.h>
#endif

namespace platform {

inline void CpuRelax() {
#if defined(KELMORA_CPU_RELAX_PAUSE)
    _mm_pause();
#elif defined(__aarch64__) || defined(__arm__)
    __asm__ __volatile__("yield");
#endif
}

}  // namespace platform
