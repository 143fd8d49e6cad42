#include "drivers/ink_set.h"

InkSetCode InkSetCodeForWhiteMode(int32_t whiteMode, bool jobHasWhiteInkSeparation) {
    switch (whiteMode) {
        case 1: return kInkSetCode420;
        case 2: return kInkSetCode421;
        case 3: return kInkSetCode422;
        case 5: return kInkSetCode460;
        case 9: return kInkSetCode464;
        default: return jobHasWhiteInkSeparation ? kInkSetCode419 : kInkSetCode422;
    }
}
