// Shared pieces of the error-diffusion tests: tables, converters, pages.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "halftone/error_diffusion.h"

namespace edtest {

// Three dot-size tables shaped like a printer's: the small dot fills the
// highlights and gives way, the medium and large dots take over.
struct TestDotTables {
    std::vector<uint16_t> table[3];
    const uint16_t* pointers[3];
    TestDotTables() {
        for (auto& t : table) t.resize(4096);
        for (int v = 0; v < 4096; ++v) {
            table[0][v] = static_cast<uint16_t>(v < 1400 ? v * 4095 / 1400 : 4095 - (v - 1400) * 3000 / 2695);
            table[1][v] = static_cast<uint16_t>(v < 800 ? 0 : v < 3000 ? (v - 800) * 4095 / 2200 : 4095);
            table[2][v] = static_cast<uint16_t>(v < 2000 ? 0 : (v - 2000) * 4095 / 2095);
        }
        for (int s = 0; s < 3; ++s) pointers[s] = table[s].data();
    }
};

// The noise table and the default random table, built once.
struct SharedTables {
    NoiseTable noise;
    std::unique_ptr<uint8_t[]> random = BuildRandomTable(false);
    SharedTables() { BuildNoiseTable(noise); }
};
inline const SharedTables& Tables() {
    static const SharedTables tables;
    return tables;
}

// Bytes to 12-bit values; the extra channels of the eight-channel routines
// run out of range on both ends to exercise the clamp.
inline void ScaleConverter(CHalftone*, const uint8_t* pixel, int32_t* converted) {
    for (int c = 0; c < 4; ++c) converted[c] = pixel[c] * 4095 / 255;
    converted[4] = pixel[0] * 8;
    converted[5] = 4095 - pixel[1] * 16;
    converted[6] = pixel[2] * 20 - 300;
    converted[7] = (pixel[3] ^ pixel[0]) * 16;
}

// A page of smooth gradients with texture, flat white and flat full areas.
inline std::vector<std::vector<uint8_t>> SyntheticPage(int pixels, int lines, int bytesPerPixel, uint32_t seed) {
    std::vector<std::vector<uint8_t>> page(lines, std::vector<uint8_t>(static_cast<size_t>(pixels) * bytesPerPixel));
    uint32_t state = seed;
    for (int y = 0; y < lines; ++y) {
        for (int x = 0; x < pixels; ++x) {
            for (int c = 0; c < bytesPerPixel; ++c) {
                state = state * 1664525u + 1013904223u;
                int value = (x * 255 / (pixels > 1 ? pixels - 1 : 1) + c * 60 + y * 7) % 256;
                value += static_cast<int>(state >> 29) - 4;
                if (x % 23 < 3) value = 0;
                if (y % 5 == 4 && c == 3) value = 255;
                page[y][static_cast<size_t>(x) * bytesPerPixel + c] = static_cast<uint8_t>(value < 0 ? 0 : value > 255 ? 255 : value);
            }
        }
    }
    return page;
}

inline uint64_t Fnv1a(const std::vector<uint8_t>& bytes, uint64_t hash = 1469598103934665603ull) {
    for (uint8_t b : bytes) hash = (hash ^ b) * 1099511628211ull;
    return hash;
}

}  // namespace edtest
