// Rounding to whole numbers. "Clamped" results saturate at the 32-bit range;
// a NaN clamps to 0.
#pragma once

#include <cstdint>

// The nearest whole number, halves away from zero; magnitudes above 2^52 - 1
// (already whole) are returned unchanged.
double RoundHalfAwayFromZero(double x);
int32_t RoundToInt32(double x);
// ceil(x - |x * eps|), clamped.
int32_t CeilToInt32Eps(double x, double eps);
// floor(x + |x * eps|), clamped.
int32_t FloorToInt32Eps(double x, double eps);
// RoundHalfAwayFromZero(x / n) * n; x for n below 1.
double RoundToMultiple(double x, int32_t n);
// RoundHalfAwayFromZero(x * n) / n; x for n below 1.
double RoundToFraction(double x, int32_t n);
// A double clamped to the 32-bit range (NaN gives 0), then truncated.
int32_t ClampToInt32(double x);
