#include "printers/ink_set.h"

#include "job/varn_prn.h"

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

InkSetCode GetInkSetCode(CVarnPrn* job, int /*flag*/) {
    if (!job) return kInkSetCode422;
    switch (job->m_iWhiteMode) {
        case 1: case 2: case 3: case 5: case 9: return InkSetCodeForWhiteMode(job->m_iWhiteMode, false);
        default: return InkSetCodeForWhiteMode(job->m_iWhiteMode, job->JobHasPrinterSpotSeparation("WHITE_INK"));
    }
}
