// The photo-like synthetic CMYK page of the halftoning benchmarks and the
// colour tables that turn it into 12-bit ink values.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace bench {

constexpr int kWidth = 10800;  // 1.5 m at 180 dpi, 15 inches at 720 dpi
constexpr int kLines = 64;     // distinct lines, cycled

// Input maps and linearisation of a plausible CMYK set-up: 8-bit to 12-bit
// with a gamma, then a mild linearisation curve; light inks take a share of
// cyan and magenta in the highlights.
struct ColourTables {
    int32_t inputMap[256];
    int32_t lightShare[256];
    int32_t darkShare[256];
    int32_t linearise[4096];
    ColourTables() {
        for (int i = 0; i < 256; ++i) {
            inputMap[i] = static_cast<int32_t>(std::lround(4095.0 * std::pow(i / 255.0, 1.15)));
            lightShare[i] = i < 128 ? inputMap[i] * 2 : std::max(0, 4095 - (i - 128) * 30);
            darkShare[i] = i < 64 ? 0 : inputMap[i] * (i - 64) / 191;
        }
        for (int v = 0; v < 4096; ++v)
            linearise[v] = static_cast<int32_t>(std::lround(4095.0 * std::pow(v / 4095.0, 0.9)));
    }
};
inline const ColourTables& Colour() {
    static const ColourTables tables;
    return tables;
}

// A photo-like CMYK page: paper-white margins, a pale sky gradient, soft
// shapes of saturated colour, dark shadows with black, and fine texture.
inline std::vector<std::vector<uint8_t>> PhotoPage(int width, int lines) {
    std::vector<std::vector<uint8_t>> page(lines, std::vector<uint8_t>(static_cast<size_t>(width) * 4));
    uint32_t noise = 12345;
    for (int y = 0; y < lines; ++y) {
        for (int x = 0; x < width; ++x) {
            uint8_t* p = &page[y][static_cast<size_t>(x) * 4];
            const double u = static_cast<double>(x) / width;
            if (u < 0.04 || u > 0.97) {  // margins
                p[0] = p[1] = p[2] = p[3] = 0;
                continue;
            }
            const double yy = y * 37.0;  // the cycled lines sample the image's height
            const double sky = 0.25 + 0.2 * std::sin(u * 3.1 + yy * 0.0007);
            const double shape = 0.5 + 0.5 * std::sin(u * 23.0 + std::sin(yy * 0.002) * 3.0);
            const double shadow = std::max(0.0, std::sin(u * 7.0 - 1.0 + yy * 0.001));
            double c = 0.35 * sky + 0.55 * shape * (u > 0.5 ? 1.0 : 0.3);
            double m = 0.15 * sky + 0.6 * (1.0 - shape) * (u < 0.6 ? 1.0 : 0.2);
            double ye = 0.05 + 0.7 * shape * shape * (u > 0.3 ? 1.0 : 0.1);
            double k = 0.9 * shadow * shadow * shadow;
            double values[4] = {c + 0.2 * k, m + 0.2 * k, ye + 0.2 * k, k};
            for (int ch = 0; ch < 4; ++ch) {
                noise = noise * 1664525u + 1013904223u;
                const double texture = (static_cast<int>(noise >> 27) - 16) / 255.0;
                const double v = std::min(1.0, std::max(0.0, values[ch] + texture));
                p[ch] = static_cast<uint8_t>(std::lround(v * 255.0));
            }
        }
    }
    return page;
}

inline const std::vector<std::vector<uint8_t>>& Page() {
    static const auto page = PhotoPage(kWidth, kLines);
    return page;
}

}  // namespace bench
