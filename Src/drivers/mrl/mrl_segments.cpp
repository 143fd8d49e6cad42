#include "drivers/mrl/mrl_segments.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "printers/ink_set.h"
#include "printers/model_predicates.h"
#include "base/format.h"
#include "base/log_interface.h"
#include "base/rounding.h"
#include "job/varn_prn.h"

uint8_t GetJobOptionValue(const std::vector<double>& values, size_t index, int32_t maximum) {
    return GetJobOptionValueInRange(values, index, 20, maximum);
}

uint8_t GetJobOptionValueInRange(const std::vector<double>& values, size_t index, int32_t lo, int32_t hi) {
    if (index >= values.size()) return 0xFF;
    const int32_t value = RoundToInt32(values[index]);
    if (value == -1) return 0xFF;
    if (value >= lo && value <= hi) return uint8_t(value);
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

int32_t MRL_DryerTimeCodeInRange(int32_t minutes, int32_t minimum, int32_t cap) {
    if (minutes < minimum) return -1;
    const int64_t seconds = int64_t(minutes) * 60;
    return int32_t(std::min<int64_t>(seconds, cap) & 0xFFFF);
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

int MRL_DotModeCode(int64_t P, int dotSize, int halftoneMode) {
    if (halftoneMode == 6) dotSize = 1;
    switch (dotSize) {
        case 1:
            if (P <= 486000) return 16;
            return P <= 1036800 ? 17 : 18;
        case 2:
            return P <= 777600 ? 1 : 18;
        case 3:
            return 16;
        case 4:
            return 17;
        case 5:
            return 18;
        default:
            return P <= 1036800 ? 1 : 18;
    }
}

int32_t MRL_FeedCorrection(double factor, int32_t limit) {
    const int32_t value = RoundToInt32((factor - 1.0) * 10000.0);
    return std::clamp(value, -limit, limit);
}

uint8_t ClampToByte(int32_t value) { return uint8_t(std::clamp(value, 0, 255)); }

namespace {
// Refuses the job for a ticket value its page header cannot carry: false.
bool RefuseHeaderField(CVarnPrn* job, const std::string& message) {
    job->Log(LOG_ERROR, "OpenJob: %s", message.c_str());
    job->SetErrorMessage("Reredir.uze: " + message);
    return false;
}
}  // namespace

bool PictureWidthFitsMW(CVarnPrn* job) {
    return HeaderFieldHolds(job, "Process/OutWidthPixel", job->m_iOutWidthPixel, job->m_iImageWidth, 0xFFFFFF,
                            " printer pixels across");
}

bool PassCountHolds(CVarnPrn* job, bool raised, int32_t passes, bool flagged, bool highSpeed) {
    const int32_t largest = flagged ? 0xFF - kHighSpeedPassFlag : 0xFF;
    if (passes >= 1 && passes <= largest) return true;
    const char* key = raised ? "Output/Prn/Printer/ResolutionY" : kPrintQualityKey;
    const int32_t value = raised ? job->m_iResolutionY : job->m_iPrintQuality;
    const std::string range = (passes < 1 ? "from 1 to " : "up to ") + std::to_string(largest);
    return RefuseHeaderField(job, StringF("\"%s\" = %d gives %d passes%s, which its page header holds %s", key, value,
                                          passes, highSpeed ? " at high speed" : "", range.c_str()));
}

bool HeaderFieldHolds(CVarnPrn* job, const char* key, int64_t value, int64_t written, int64_t largest,
                      const char* unit) {
    if (written >= 0 && written <= largest) return true;
    const std::string message =
        written == value && *unit == '\0'
            ? StringF("\"%s\" = %lld does not fit the printer's page header, which holds 0 to %lld", key,
                      (long long)value, (long long)largest)
            : StringF("\"%s\" = %lld does not fit the printer's page header: it gives %lld%s where the field holds "
                      "0 to %lld", key, (long long)value, (long long)written, unit, (long long)largest);
    return RefuseHeaderField(job, message);
}

namespace {
Bytes FeedCorrectionSegment(const CVarnPrn* job, uint32_t limit) {
    if (!job) return {};
    const int32_t value = RoundToInt32((job->PrinterFeedAdjust() - 1.0) * 10000.0);
    if (value == 0) return {};
    return MRL_QA(value, limit);
}
}  // namespace

Bytes MRL_QA_Segment(const CVarnPrn* job) { return FeedCorrectionSegment(job, 255); }
Bytes MRL_QA_FeedAdjust(const CVarnPrn* job) { return FeedCorrectionSegment(job, 9999); }

Bytes MRL_QZ_FromJob(const CVarnPrn* job) {
    if (!job || !job->m_bPatternPrinting) return {};
    const uint8_t edge = uint32_t(job->m_iPatternEdge) < 3 ? uint8_t(job->m_iPatternEdge) : 0;
    const uint8_t scale = uint32_t(job->m_iPatternScale) < 5 ? uint8_t(job->m_iPatternScale) : 0;
    return MRL_QZ(1, edge, scale, 15, 0);
}

ColorCodeInkMap MakeColorCodeInkMap(const ColorCodeName* overrides) {
    ColorCodeInkMap map{{2, "C"}, {1, "M"}, {4, "Y"}, {0, "K"}, {5, "O"}, {18, "c"}, {17, "m"}, {38, "k"}};
    for (const ColorCodeName* row = overrides; row && row->name; ++row) SetColorCodeName(map, row->code, row->name);
    return map;
}

void SetColorCodeName(ColorCodeInkMap& map, uint32_t code, const char* name) {
    if (!name || !*name) {
        map.erase(code);
    } else {
        map[code] = name;
    }
}

std::string GetColorCodeName(const ColorCodeInkMap& map, uint32_t code) {
    const auto it = map.find(code);
    return it != map.end() ? it->second : StringF("%X", code);
}

Bytes MRL_MA_FromJob(const CVarnPrn* job) {
    if (!job) return {};
    return MRL_MA_FromFeedAdjust(job->PrinterFeedAdjust());
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
