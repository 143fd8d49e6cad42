// Threshold matrices of matrix screening: two built-in matrices of 12-bit
// thresholds (0 to 4095), kept packed (four values in six bytes) and unpacked
// for a job at its start.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Packed form: groups of 6 bytes, read as three little-endian words w0, w1,
// w2; the group's values are w0 & 0xFFF, w1 & 0xFFF, w2 & 0xFFF and
// (w0 >> 12) | (w1 >> 12) << 4 | (w2 >> 12) << 8.
inline constexpr size_t kThresholdGroupBytes = 6;

// Unpacks every value of the groups into out (4 per group).
void UnpackThresholdValues(const uint8_t* packed, size_t groups, uint16_t* out);
// Packs 12-bit values (bits above 11 are dropped), padding the last group with 0.
std::vector<uint8_t> PackThresholdValues(const std::vector<uint16_t>& values);

// The rule the built-in matrices are made by (seed 0): width x height
// thresholds 0 to 4095, row by row, every level equally often give or take
// one; other seeds rank the cells otherwise. At least `padded` values, the
// ones after width x height 0.
std::vector<uint16_t> RecurrenceThresholds(int width, int height, uint64_t seed, size_t padded = 0);

// The built-in matrices, packed: 257 x 257 in 16513 groups and 367 x 179 in
// 16424 groups (the values after width x height are padding).
const std::vector<uint8_t>& PackedThresholdMatrix257x257();
const std::vector<uint8_t>& PackedThresholdMatrix367x179();

struct ThresholdMatrix {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint16_t> values;  // row by row; every value of the packed groups
};

// The matrix for a job's resolution: 257 x 257 when resolutionX / resolutionY
// (integer division) is below 2, else 367 x 179. A y resolution of 0 or less
// throws TextError.
ThresholdMatrix LoadThresholdMatrix(int32_t resolutionX, int32_t resolutionY);
