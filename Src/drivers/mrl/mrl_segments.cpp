#include "drivers/mrl/mrl_segments.h"

#include <cmath>

#include "printers/ink_set.h"
#include "printers/model_predicates.h"
#include "base/log_interface.h"
#include "base/rounding.h"
#include "job/varn_prn.h"

uint8_t GetJobOptionValue(const std::vector<double>& values, size_t index, int32_t maximum) {
    if (index >= values.size()) return 0xFF;
    const int32_t value = RoundToInt32(values[index]);
    if (value == -1) return 0xFF;
    if (value >= 20 && value <= maximum) return uint8_t(value);
    return 0;
}

uint8_t MRL_VacuumCode(int32_t vacuumPower) {
    if (vacuumPower >= 1 && vacuumPower <= 5) return uint8_t(5 - vacuumPower);
    return 0xFF;
}

int32_t MRL_DryerTimeCode(int32_t minutes) {
    if (minutes < 0) return -1;
    const int64_t seconds = int64_t(minutes) * 60;
    return seconds > 999 ? 999 : int32_t(seconds);
}

uint8_t MRL_MediaTypeCode(int32_t mediaTypeId) {
    if (mediaTypeId >= 1 && mediaTypeId <= 4) return uint8_t(mediaTypeId);
    if (mediaTypeId == 20) return 0xFF;
    return 1;
}

uint8_t MRL_TenthsCode(double value, int32_t lo, int32_t hi) {
    // The whole tenths count is compared, so a value far out of range cannot
    // wrap into it.
    const int32_t t = ClampToInt32(std::trunc(value * 10.0));
    return (t >= lo && t <= hi) ? uint8_t(t) : 0xFF;
}

Bytes MRL_QA_Segment(const CVarnPrn* job) {
    if (!job) return {};
    const int32_t value = RoundToInt32((job->m_dPaperFeedAdjust - 1.0) * 10000.0);
    if (value == 0) return {};
    return MRL_QA(value, 255);
}

Bytes MRL_MA_FromJob(const CVarnPrn* job) {
    if (!job) return {};
    return MRL_MA_FromFeedAdjust(job->m_dPaperFeedAdjust);
}

Bytes MRL_SO_ForWhiteInk(CVarnPrn* job) {
    if (!job) return {};
    return MRL_SO_ForWhiteInk(GetInkSetClass(job->m_iPrinterModell), static_cast<int>(GetInkSetCode(job, 0)),
                              job->m_iWhiteLevel, job->m_iWhiteOrder);
}

void LogPrintingLayers(CVarnPrn* job, const char* label, const std::string& layerNames) {
    if (!job) return;
    const std::string line = "Printing layers: " + layerNames;
    job->Log(LOG_DETAIL, "%s %s", label ? label : "", line.c_str());
    job->UpdateInfoMessage(true, line);
}
