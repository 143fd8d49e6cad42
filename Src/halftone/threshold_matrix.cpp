#include "halftone/threshold_matrix.h"

#include <algorithm>
#include <numeric>
#include <string>

#include "base/text_error.h"

namespace {

// The built-in matrices are made once per process by a fixed rule, so every
// run and every build screens alike. Each cell (x, y) gets the key
//   frac(1/2 + x * a1 + y * a2),  a1 = 1/g, a2 = 1/g^2,
// g = 1.32471795724474602596 (the plastic number), the two-dimensional
// additive recurrence whose points spread evenly with little clumping. The
// key is computed in 64-bit fixed point (wrap-around is the fraction), so it
// is exact and the same on every machine. The cells are then ranked by key
// (ties by cell index) and rank r of n cells becomes threshold r * 4096 / n:
// every level from 0 to 4095 occurs equally often, give or take one.
constexpr uint64_t kStepX = 0xC13FA9A902A6328FULL;  // 2^64 / g, truncated
constexpr uint64_t kStepY = 0x91E10DA5C79E7B1CULL;  // 2^64 / g^2, truncated
constexpr uint64_t kHalf = 0x8000000000000000ULL;

// A seed moves the start of the recurrence by seed steps of the golden ratio
// (2^64 / phi), so that each seed ranks the cells differently.
constexpr uint64_t kSeedStep = 0x9E3779B97F4A7C15ULL;

}  // namespace

std::vector<uint16_t> RecurrenceThresholds(int width, int height, uint64_t seed, size_t padded) {
    const size_t n = static_cast<size_t>(width) * static_cast<size_t>(height);
    const uint64_t start = kHalf + seed * kSeedStep;
    std::vector<uint64_t> keys(n);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            keys[static_cast<size_t>(y) * width + x] =
                start + static_cast<uint64_t>(x) * kStepX + static_cast<uint64_t>(y) * kStepY;
        }
    }
    std::vector<uint32_t> order(n);
    std::iota(order.begin(), order.end(), 0u);
    std::sort(order.begin(), order.end(), [&keys](uint32_t a, uint32_t b) {
        return keys[a] != keys[b] ? keys[a] < keys[b] : a < b;
    });
    std::vector<uint16_t> values(std::max(padded, n), 0);
    for (size_t rank = 0; rank < n; ++rank) {
        values[order[rank]] = static_cast<uint16_t>(rank * 4096 / n);
    }
    return values;
}

namespace {

std::vector<uint16_t> MakeThresholds(int width, int height, size_t padded) {
    return RecurrenceThresholds(width, height, 0, padded);
}

uint16_t Word(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

void PutWord(uint8_t* p, uint16_t w) {
    p[0] = static_cast<uint8_t>(w & 0xFF);
    p[1] = static_cast<uint8_t>(w >> 8);
}

constexpr size_t kGroups257 = 16513;
constexpr size_t kGroups367 = 16424;

}  // namespace

void UnpackThresholdValues(const uint8_t* packed, size_t groups, uint16_t* out) {
    for (size_t g = 0; g < groups; ++g, packed += kThresholdGroupBytes, out += 4) {
        const uint16_t w0 = Word(packed), w1 = Word(packed + 2), w2 = Word(packed + 4);
        out[0] = w0 & 0xFFF;
        out[1] = w1 & 0xFFF;
        out[2] = w2 & 0xFFF;
        out[3] = static_cast<uint16_t>((w0 >> 12) | ((w1 >> 12) << 4) | ((w2 >> 12) << 8));
    }
}

std::vector<uint8_t> PackThresholdValues(const std::vector<uint16_t>& values) {
    const size_t groups = (values.size() + 3) / 4;
    std::vector<uint8_t> packed(groups * kThresholdGroupBytes, 0);
    for (size_t g = 0; g < groups; ++g) {
        uint16_t v[4] = {0, 0, 0, 0};
        for (size_t i = 0; i < 4 && g * 4 + i < values.size(); ++i) v[i] = values[g * 4 + i] & 0xFFF;
        uint8_t* p = packed.data() + g * kThresholdGroupBytes;
        PutWord(p, static_cast<uint16_t>(v[0] | ((v[3] & 0xF) << 12)));
        PutWord(p + 2, static_cast<uint16_t>(v[1] | (((v[3] >> 4) & 0xF) << 12)));
        PutWord(p + 4, static_cast<uint16_t>(v[2] | (((v[3] >> 8) & 0xF) << 12)));
    }
    return packed;
}

const std::vector<uint8_t>& PackedThresholdMatrix257x257() {
    static const std::vector<uint8_t> packed = PackThresholdValues(MakeThresholds(257, 257, kGroups257 * 4));
    return packed;
}

const std::vector<uint8_t>& PackedThresholdMatrix367x179() {
    static const std::vector<uint8_t> packed = PackThresholdValues(MakeThresholds(367, 179, kGroups367 * 4));
    return packed;
}

ThresholdMatrix LoadThresholdMatrix(int32_t resolutionX, int32_t resolutionY) {
    if (resolutionY <= 0) {
        throw TextError("LoadThresholdMatrix: invalid y resolution " + std::to_string(resolutionY));
    }
    const bool square = resolutionX / resolutionY < 2;
    const std::vector<uint8_t>& packed = square ? PackedThresholdMatrix257x257() : PackedThresholdMatrix367x179();
    ThresholdMatrix matrix;
    matrix.width = square ? 257 : 367;
    matrix.height = square ? 257 : 179;
    const size_t groups = packed.size() / kThresholdGroupBytes;
    matrix.values.resize(groups * 4);
    UnpackThresholdValues(packed.data(), groups, matrix.values.data());
    return matrix;
}
