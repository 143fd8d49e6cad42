#include "halftone/error_diffusion_tables.h"

#include <ctime>
#include <new>

const int8_t kNoiseBaseLow[kNoiseLowLevels][kNoiseColumns] = {
    {0, 0, 0, 0, 0, 0, 0, 0, 0},  // 0
    {-1, 0, 0, -1, 0, 0, 0, 1, 1},  // 1
    {-2, -1, 0, -1, 0, 1, 1, 1, 2},  // 2
    {-3, -1, -1, -1, 0, 1, 1, 2, 3},  // 3
    {-4, -2, -1, -1, 0, 1, 1, 2, 4},  // 4
    {-5, -2, -1, -1, 0, 1, 2, 3, 5},  // 5
    {-6, -3, -2, -2, 0, 2, 2, 3, 6},  // 6
    {-7, -3, -2, -2, 0, 2, 2, 4, 7},  // 7
    {-8, -4, -2, -2, 0, 2, 3, 4, 8},  // 8
    {-9, -4, -3, -2, 0, 2, 3, 5, 9},  // 9
    {-10, -5, -3, -2, 0, 2, 3, 5, 10},  // 10
    {-11, -5, -3, -3, 0, 3, 4, 6, 11},  // 11
    {-12, -6, -4, -3, 0, 3, 4, 6, 12},  // 12
    {-13, -6, -4, -3, 0, 3, 5, 7, 13},  // 13
    {-14, -7, -4, -3, 0, 3, 5, 7, 14},  // 14
    {-15, -8, -5, -3, 0, 3, 6, 8, 15},  // 15
    {-16, -8, -5, -4, 0, 4, 6, 8, 16},  // 16
    {-17, -9, -5, -4, 0, 4, 7, 9, 17},  // 17
    {-18, -9, -6, -4, 0, 4, 7, 9, 18},  // 18
    {-19, -10, -6, -4, 0, 4, 8, 10, 19},  // 19
    {-20, -10, -6, -5, 0, 5, 8, 11, 20},  // 20
    {-21, -11, -7, -5, 0, 5, 9, 12, 21},  // 21
    {-22, -11, -8, -5, 0, 5, 9, 13, 22},  // 22
    {-23, -12, -9, -5, 0, 5, 10, 14, 23},  // 23
    {-24, -13, -10, -6, 0, 6, 10, 15, 24},  // 24
    {-25, -14, -11, -6, 0, 6, 11, 16, 25},  // 25
    {-26, -15, -12, -6, 0, 6, 11, 17, 26},  // 26
    {-27, -16, -13, -6, 0, 6, 12, 18, 27},  // 27
    {-28, -17, -13, -7, 0, 7, 12, 19, 28},  // 28
    {-29, -18, -14, -7, 0, 7, 13, 20, 29},  // 29
    {-30, -19, -14, -7, 0, 7, 13, 21, 30},  // 30
    {-31, -20, -15, -7, 0, 7, 14, 21, 31},  // 31
    {-32, -21, -16, -8, 0, 8, 14, 21, 32},  // 32
    {-33, -21, -16, -8, 0, 8, 15, 22, 33},  // 33
    {-34, -22, -17, -8, 0, 8, 16, 23, 34},  // 34
    {-35, -23, -17, -9, 0, 9, 17, 23, 35},  // 35
    {-36, -23, -18, -9, 0, 9, 18, 24, 36},  // 36
    {-37, -24, -18, -9, 0, 9, 19, 25, 37},  // 37
    {-38, -25, -19, -10, 0, 10, 20, 25, 38},  // 38
    {-39, -25, -19, -10, 0, 10, 20, 26, 39},  // 39
    {-40, -26, -20, -10, 0, 10, 21, 27, 40},  // 40
    {-41, -26, -20, -10, 0, 10, 21, 27, 41},  // 41
    {-42, -27, -21, -11, 0, 11, 22, 28, 42},  // 42
    {-43, -27, -21, -11, 0, 11, 22, 29, 43},  // 43
    {-44, -28, -22, -11, 0, 11, 23, 29, 44},  // 44
    {-45, -29, -22, -11, 0, 11, 23, 30, 45},  // 45
    {-46, -30, -23, -12, 0, 12, 24, 31, 46},  // 46
    {-47, -31, -23, -12, 0, 12, 24, 31, 47},  // 47
    {-48, -32, -24, -12, 0, 12, 25, 32, 48},  // 48
    {-49, -33, -24, -12, 0, 12, 25, 33, 49},  // 49
    {-50, -34, -25, -13, 0, 13, 26, 34, 50},  // 50
    {-51, -35, -25, -13, 0, 13, 26, 35, 51},  // 51
    {-52, -36, -26, -13, 0, 13, 27, 36, 52},  // 52
    {-53, -37, -26, -13, 0, 13, 27, 37, 53},  // 53
    {-54, -38, -27, -14, 0, 14, 28, 38, 54},  // 54
    {-55, -39, -27, -14, 0, 14, 28, 39, 55},  // 55
    {-56, -40, -28, -14, 0, 14, 29, 40, 56},  // 56
    {-57, -41, -28, -14, 0, 14, 29, 41, 57},  // 57
    {-58, -42, -29, -15, 0, 15, 30, 42, 58},  // 58
    {-59, -43, -29, -15, 0, 15, 30, 43, 59},  // 59
    {-60, -44, -30, -15, 0, 15, 31, 44, 60},  // 60
    {-61, -45, -30, -15, 0, 15, 31, 45, 61},  // 61
    {-62, -46, -31, -16, 0, 16, 32, 46, 62},  // 62
    {-63, -47, -31, -16, 0, 16, 32, 47, 63},  // 63
};

const int8_t kNoiseBaseFlat[kNoiseColumns] = {-64, -48, -32, -16, 0, 16, 32, 48, 64};

const NoiseBand kNoiseBands[11] = {
    {0, 1},    {128, 2},  {512, 3},  {1024, 4}, {1280, 5}, {1836, 7},
    {2244, 6}, {2372, 5}, {3840, 7}, {3968, 9}, {4096, 0},
};

const int32_t kHighlightDivisor[16] = {3, 3, 4, 5, 6, 7, 8, 9, 4, 5, 6, 7, 8, 9, 10, 10};

int NoiseBase(int level, int column) {
    if (level < 0 || level >= kNoiseLevels || column < 0 || column >= kNoiseColumns) return 0;
    if (level < kNoiseLowLevels) return kNoiseBaseLow[level][column];
    if (level == kNoiseLevels - 1) return 0;
    return kNoiseBaseFlat[column];
}

int NoiseBandMultiplier(int level) {
    int multiplier = 0;
    for (const NoiseBand& band : kNoiseBands) {
        if (band.start > level) break;
        multiplier = band.multiplier;
    }
    return multiplier;
}

void BuildNoiseTable(NoiseTable& table) {
    for (int level = 0; level < kNoiseLevels; ++level) {
        const int multiplier = NoiseBandMultiplier(level);
        for (int column = 0; column < kNoiseColumns; ++column)
            table.value[level][column] = static_cast<int16_t>(NoiseBase(level, column) * multiplier);
    }
}

uint32_t RandomTableSeed(bool useTimeForRandom) {
    return useTimeForRandom ? static_cast<uint32_t>(std::time(nullptr)) : 1u;
}

void FillRandomTable(uint8_t* table, uint32_t seed) {
    RuntimeRandom random(seed);
    for (size_t i = 0; i < kRandomTableSize; ++i) table[i] = static_cast<uint8_t>(random.Next() % 9);
}

std::unique_ptr<uint8_t[]> BuildRandomTable(bool useTimeForRandom) {
    std::unique_ptr<uint8_t[]> table(new (std::nothrow) uint8_t[kRandomTableSize]);
    if (table) FillRandomTable(table.get(), RandomTableSeed(useTimeForRandom));
    return table;
}
