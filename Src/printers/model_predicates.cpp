#include "printers/model_predicates.h"

#include <algorithm>
#include <array>
#include "base/format.h"
#include <iterator>

namespace {

template <size_t N>
bool Contains(const std::array<int32_t, N>& sortedModels, int32_t model) {
    return std::binary_search(sortedModels.begin(), sortedModels.end(), model);
}

constexpr std::array<int32_t, 33> kInkSetClass17 = {
    656,  661,  667,  671,  693,  696,  702,  711,  712,  713,  714,
    717,  726,  727,  730,  731,  734,  735,  738,  739,  746,  747,
    7011, 7016, 7019, 7025, 7031, 7037, 7043, 7049, 7052, 7057, 7064};
constexpr std::array<int32_t, 4> kInkSetClass2 = {657, 662, 668, 672};
constexpr std::array<int32_t, 4> kInkSetClass16 = {673, 674, 675, 676};

constexpr std::array<int32_t, 50> kFourColorModels = {
    654,  659,  665,  669,  677,  681,  685,  689,  691,  694,  700,  703,  704,
    705,  706,  715,  728,  729,  732,  733,  740,  741,  742,  743,  7000, 7002,
    7004, 7006, 7008, 7010, 7013, 7015, 7018, 7022, 7024, 7028, 7030, 7034, 7036,
    7040, 7042, 7046, 7048, 7071, 7073, 7075, 7077, 7079, 7081, 7085};

constexpr int kMaxInkPreLimits = 8;
constexpr const char* kInkPreLimitKey = "Output/Prn/Specific/InkPreLimit/InkPreLimit";

// The leading number of text, as "%lf" reads it in the "C" locale; 0 when
// text does not start with a finite one.
double LeadingNumber(const std::string& text) {
    double value = 0.0;
    return ParseDouble(text.data(), text.data() + text.size(), value) ? value : 0.0;
}

int32_t MinimumPasses(int32_t yDpi, int32_t model) {
    return yDpi / (IsFourColorModel(model) ? 180 : 90);
}

}  // namespace

int32_t GetInkSetClass(int32_t model) {
    if (Contains(kInkSetClass17, model)) return 17;
    if (Contains(kInkSetClass2, model)) return 2;
    if (Contains(kInkSetClass16, model)) return 16;
    return 0;
}

bool JV400_PrinterHasWhite(int32_t model) { return GetInkSetClass(model) == 17; }

bool IsFourColorModel(int32_t model) { return Contains(kFourColorModels, model); }

bool IsPrinterModel740Or741(int32_t model) { return model == 740 || model == 741; }

bool IsMultiBitDotSize(int32_t dotSizeId) { return dotSizeId != 128; }

bool HasSpecialInk(int32_t inkMode, bool jobHasSpotSeparation) {
    if (inkMode != 0) return inkMode != 3;
    return jobHasSpotSeparation;
}

std::vector<double> ReadInkPreLimit(const JobStringReader& readJobString) {
    std::vector<double> limits;
    if (!readJobString) return limits;
    for (int i = 1; i <= kMaxInkPreLimits; ++i) {
        const double value = LeadingNumber(readJobString(kInkPreLimitKey + std::to_string(i)));
        if (!(value > 0.0)) break;
        limits.push_back(value);
    }
    return limits;
}

bool ClampPassesToPrinterRange(int32_t& passes, int32_t yDpi, int32_t model) {
    const int32_t entry = passes;
    const int32_t minimum = MinimumPasses(yDpi, model);
    if (passes < minimum) passes = minimum;
    if (yDpi != 540 && yDpi != 720 && passes > 2 * minimum) passes = 2 * minimum;
    return passes != entry;
}

bool ClampPassesToPrinterRangeEx(int32_t& passes, int32_t yDpi, int32_t model) {
    if (yDpi == 540 || yDpi == 900) return false;
    const int32_t entry = passes;
    const int32_t minimum = MinimumPasses(yDpi, model);
    if (passes < minimum) {
        passes = minimum;
    } else if (passes > 4 * minimum) {
        passes = 4 * minimum;
    }
    return passes != entry;
}
