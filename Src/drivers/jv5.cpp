// The JV5 line: job start, halftoner set-up, page header and raster lines.
#include "drivers/jv5.h"

#include <algorithm>

#include "drivers/jv33_shared.h"
#include "drivers/jv4.h"
#include "drivers/jv400.h"
#include "drivers/mrl/mrl_segments.h"
#include "printers/model_predicates.h"

namespace {

// The planes of a line in the order they are sent, with their colour codes
// (planes 0 to 7 carry 2, 1, 4, 0, 18, 17, 254, 255).
constexpr jv33::LineRecord kPlaneOrder[8] = {{3, 0}, {1, 1}, {0, 2}, {2, 4}, {5, 17}, {4, 18}, {7, 0xFF}, {6, 0xFE}};

int32_t JobDotMode(const CVarnPrn& job) {
    return MRL_DotModeCode(int64_t(job.m_iResolutionX) * job.m_iResolutionY, job.m_iDotSize, job.m_iHalftoneMode);
}

int InitHalftone(CVarnPrn* job, int32_t) { return JV5_InitHalftone(job); }

}  // namespace

int JV5_OpenJob(CVarnPrn* job) {
    if (!jv33::PassesFit(job)) return -2;
    return jv33::OpenJob(job, "JV5", JV5_OpenPage, InitHalftone, JobDotMode);
}

int JV5_InitHalftone(CVarnPrn* job) {
    if (!job) return -1;
    const int32_t dotMode = JobDotMode(*job);
    const int32_t channels = jv33::ChannelCount(*job);
    job->Log(3000, "JV5_InitHalftone %d channels", channels);
    jv33::HalftoneSetup setup;
    if (job->m_iHalftoneMode == 6) {
        // Matrix screening: four channels of one-bit dots; the halftoner
        // still takes the dot-mode code.
        setup = jv33::ScreeningSetup(4);
        setup.setDotMode = true;
        setup.dotMode = uint32_t(dotMode);
    } else {
        const bool variable = dotMode == 1;
        const bool fine = variable && job->m_iDotSize != 0;
        if (fine) job->Log(1000, "JV5_InitHalftone Variable Fine");
        // A variable dot size of its own takes two dot sizes; dot size 0
        // leaves it to the resolution.
        const bool twoDotSizes = fine || (job->m_iResolutionX >= 720 && job->m_iResolutionY >= 1080);
        setup = jv33::DiffusionSetup(channels, variable, twoDotSizes, dotMode);
    }
    return jv33::StartHalftoner(job, setup);
}

Bytes MRL_QP_JV5(uint8_t dotMode, uint16_t yDpi, uint16_t xDpi, uint8_t passes, uint8_t hiSpeed, uint8_t direction,
                 uint8_t media) {
    return MRL("QP", mrl::u8(dotMode), mrl::u16le(yDpi), mrl::u16le(xDpi), mrl::u8(passes), mrl::u8(hiSpeed),
               mrl::u8(direction), mrl::u8(media), mrl::u8(0xFF));
}

Bytes MRL_PB(uint8_t value) { return MRL("PB", mrl::u8(value)); }

int JV5_OpenPage(CVarnPrn* job) {
    if (!job) return -1;
    const int32_t dotMode = JobDotMode(*job);
    jv400::StartPage(job, "JV5_OpenPage", JV5_WriteLine, dotMode);
    if (!jv33::CheckResolution(job, "JV5_OpenPage")) return jv33::FailPage(job);

    jv33::PageValues values = jv33::ReadPageValues(*job);
    const int32_t maximum[3] = {60, 60, 70};
    for (size_t i = 0; i < 3; ++i) values.heaters[i] = GetJobOptionValue(job->m_vHeatersCelsius, i, maximum[i]);
    bool adjusted = false;
    values.passes = jv33::HeaderPasses(*job, &adjusted);
    if (adjusted) job->Log(1000, "Number of passes adjusted to printer's range");

    Bytes header = jv33::PageHeaderHead(*job, values);
    jv33::AppendBytes(header, MRL_QC(values.cut, 0xFF, values.dryTime, 0xFF, values.vacuum));
    jv33::AppendBytes(header, MRL_QP_JV5(uint8_t(dotMode), uint16_t(job->m_iResolutionY),
                                         uint16_t(job->m_iResolutionX), uint8_t(values.passes), values.hiSpeed,
                                         values.direction, values.mediaCode));
    jv33::AppendBytes(header, MRL_PB(1));
    return jv33::WritePageHeader(job, "JV5_OpenPage", header);
}

int JV5_WriteLine(CVarnPrn* job) {
    if (!job) return -1;
    const int count = std::clamp(job->m_iOutChannels, 0, 8);
    return jv33::WriteRecords(job, "JV5_WriteLine", kPlaneOrder, count, RasterForm::Q, false);
}
