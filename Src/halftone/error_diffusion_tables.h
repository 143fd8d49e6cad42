// Constant data of error diffusion: the noise base table with its level bands,
// the highlight divisors, and the random table built from the C runtime's
// generator. The error-diffusion routines and the planar channel halftoners
// use the same data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

constexpr int kNoiseLevels = 4096;  // one row per 12-bit level
constexpr int kNoiseColumns = 9;    // one value per random value 0 to 8
constexpr size_t kRandomTableSize = 65536;

// Noise base table, rows 0 to 63; rows 64 to 4094 all hold kNoiseBaseFlat and
// row 4095 is zero.
constexpr int kNoiseLowLevels = 64;
extern const int8_t kNoiseBaseLow[kNoiseLowLevels][kNoiseColumns];
extern const int8_t kNoiseBaseFlat[kNoiseColumns];
// The base value of level (0 to 4095) and column (0 to 8).
int NoiseBase(int level, int column);

// Level bands of the noise table: a band starts at `start` and runs to the
// next band's start; the list ends with a start of 4096.
struct NoiseBand {
    int16_t start;
    int16_t multiplier;
};
extern const NoiseBand kNoiseBands[11];
int NoiseBandMultiplier(int level);

// Divisor of the highlight aid, indexed by level / 16.
extern const int32_t kHighlightDivisor[16];
constexpr int32_t kHighlightLevels = 96;  // the highlight aid works below this level

// The noise table: base value times the band multiplier of the row's level.
struct NoiseTable {
    int16_t value[kNoiseLevels][kNoiseColumns];
};
void BuildNoiseTable(NoiseTable& table);

// The C runtime's srand/rand, reproduced so that tables are the same on every
// platform: x = 214013 * x + 2531011 (mod 2^32), rand() = bits 16 to 30 of x.
class RuntimeRandom {
public:
    explicit RuntimeRandom(uint32_t seed = 1) : m_state(seed) {}
    void Seed(uint32_t seed) { m_state = seed; }
    int Next() {
        m_state = m_state * 214013u + 2531011u;
        return static_cast<int>((m_state >> 16) & 0x7FFFu);
    }

private:
    uint32_t m_state;
};

// Seed of a random table: the current time in seconds when asked, else 1.
uint32_t RandomTableSeed(bool useTimeForRandom);
// Fills kRandomTableSize bytes, in order, with rand() mod 9 after srand(seed).
void FillRandomTable(uint8_t* table, uint32_t seed);
// A new filled random table, or null when memory runs out.
std::unique_ptr<uint8_t[]> BuildRandomTable(bool useTimeForRandom);
