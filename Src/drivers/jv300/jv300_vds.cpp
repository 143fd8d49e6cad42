#include "drivers/jv300/jv300_vds.h"

#include <array>
#include <vector>

#include "job/varn_prn.h"

namespace {

struct VdsCurvePoint {
    int32_t x;
    int32_t y;
};
// A curve's points end with the first one at x 255.
struct VdsCurveSet {
    const char* name;
    VdsCurvePoint curves[3][12];
};

#include "drivers/jv300/jv300_vds_tables.inc"

enum CurveSetIndex { kDotSize3, kDotSize4, kDotSize5, kDotSize6, kTwoDots };

std::unique_ptr<PlanarChannel_VDS_Parameters> FromCurveSet(CurveSetIndex index) {
    std::array<std::vector<int32_t>, 3> x, y;
    for (size_t c = 0; c < 3; ++c) {
        for (const VdsCurvePoint& p : kCurveSets[index].curves[c]) {
            x[c].push_back(p.x);
            y[c].push_back(p.y);
            if (p.x == 255) break;
        }
    }
    return PlanarChannel_VDS_Parameters::CreateFromPoints(x, y);
}

bool SupportedDotSize(int32_t dotSize) { return dotSize >= 3 && dotSize <= 6; }

void ReportUnsupported(CVarnPrn* job) {
    if (job) job->SetErrorMessageF("Unsupported DotSize : %d", job->m_iDotSize);
}

}  // namespace

std::unique_ptr<PlanarChannel_VDS_Parameters> JV300_VdsCurves_DotSize3() { return FromCurveSet(kDotSize3); }
std::unique_ptr<PlanarChannel_VDS_Parameters> JV300_VdsCurves_DotSize4() { return FromCurveSet(kDotSize4); }
std::unique_ptr<PlanarChannel_VDS_Parameters> JV300_VdsCurves_DotSize5() { return FromCurveSet(kDotSize5); }
std::unique_ptr<PlanarChannel_VDS_Parameters> JV300_VdsCurves_DotSize6() { return FromCurveSet(kDotSize6); }
std::unique_ptr<PlanarChannel_VDS_Parameters> JV300_VdsCurves_2Dots() { return FromCurveSet(kTwoDots); }

std::unique_ptr<PlanarChannelParameters> JV300_CreateVdsParams(int32_t bitsPerPixel, CVarnPrn* job) {
    if (bitsPerPixel != 2) return std::make_unique<PlanarChannelParameters>();
    const int32_t dotSize = job ? job->m_iDotSize : 0;
    if (!SupportedDotSize(dotSize)) {
        ReportUnsupported(job);
        return FromCurveSet(kDotSize5);
    }
    return FromCurveSet(CurveSetIndex(dotSize - 3));
}

const VdsDotSetDescriptor& JV300_Sb53DotSet(int32_t dotSize) {
    return kSb53DotSets[SupportedDotSize(dotSize) ? dotSize - 3 : 5 - 3];
}

const VdsWaveformRecord& JV300_Waveform5TwoDots() { return kWaveform5TwoDots; }

std::unique_ptr<PlanarChannel_VDS_Parameters> JV300_CreateVdsParamsSb53(CVarnPrn* job) {
    const int32_t dotSize = job ? job->m_iDotSize : 0;
    if (!SupportedDotSize(dotSize)) ReportUnsupported(job);
    return std::make_unique<PlanarChannel_VDS_Parameters>(JV300_Sb53DotSet(dotSize));
}
