#include "base/rounding.h"

#include <cmath>

namespace {
constexpr double kWholeFrom = 4503599627370495.0;  // 2^52 - 1
}

double RoundHalfAwayFromZero(double x) {
    if (x == 0.0 || std::isnan(x) || std::fabs(x) > kWholeFrom) return x;
    return x > 0 ? std::floor(x + 0.5) : -std::floor(0.5 - x);
}

int32_t ClampToInt32(double x) {
    if (std::isnan(x)) return 0;
    if (x >= 2147483647.0) return 2147483647;
    if (x <= -2147483648.0) return -2147483647 - 1;
    return static_cast<int32_t>(x);
}

int32_t RoundToInt32(double x) { return ClampToInt32(RoundHalfAwayFromZero(x)); }

int32_t CeilToInt32Eps(double x, double eps) { return ClampToInt32(std::ceil(x - std::fabs(x * eps))); }

int32_t FloorToInt32Eps(double x, double eps) { return ClampToInt32(std::floor(x + std::fabs(x * eps))); }

double RoundToMultiple(double x, int32_t n) {
    if (n < 1) return x;
    return RoundHalfAwayFromZero(x / n) * n;
}

double RoundToFraction(double x, int32_t n) {
    if (n < 1) return x;
    return RoundHalfAwayFromZero(x * n) / n;
}
