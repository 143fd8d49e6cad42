// The JV3 line: job start, halftoner set-up, page header and raster lines.
#include "drivers/jv3.h"

#include "drivers/jv33_shared.h"
#include "drivers/jv4.h"
#include "drivers/mrl/mrl_page_buffer.h"
#include "drivers/mrl/mrl_segments.h"
#include "printers/model_predicates.h"
#include "job/varn_prn.h"

namespace {

// Raster colour codes by index; 6 and 7 carry the fifth plane of screening.
constexpr uint8_t kJV3ColourCodes[8] = {2, 1, 4, 0, 0x12, 0x11, 0xFF, 0xFD};

bool IsVariableCode(int32_t code) { return code == 16 || code == 17; }

// The passes of "MP": the print quality's, within the printer's range, which
// `adjusted` tells when it changed them; its byte flags the hi-speed form.
struct Passes {
    int32_t count = 0;
    bool highSpeed = false;
    bool adjusted = false;
};
Passes HeaderPasses(const CVarnPrn& job) {
    const jv33::PageValues values = jv33::ReadPageValues(job);
    Passes passes{values.passes, values.hiSpeed != 0};
    passes.adjusted = ClampPassesToPrinterRange(passes.count, job.m_iResolutionY, job.m_iPrinterModell);
    return passes;
}

}  // namespace

int32_t JV3_ResolutionCode(const CVarnPrn& job) {
    return MRL_ResolutionCode(int64_t{job.m_iResolutionX} * job.m_iResolutionY, job.m_iDotSize, job.m_iHalftoneMode);
}

uint8_t JV3_VacuumCode(int32_t vacuumPower) {
    switch (vacuumPower) {
        case 1: return 1;
        case 2: return 2;
        case 3: return 0;
        default: return 0xFF;
    }
}

int JV3_OpenJob(CVarnPrn* job) {
    if (job) {
        const Passes passes = HeaderPasses(*job);
        if (!PassCountHolds(job, passes.adjusted, passes.count, true, passes.highSpeed) || !PictureWidthFitsMW(job)) {
            return -2;
        }
    }
    return jv33::OpenJob(job, "JV3", JV3_OpenPage, JV3_InitHalftone, JV3_ResolutionCode, MRL_FF());
}

int JV3_InitHalftone(CVarnPrn* job, int32_t code) {
    if (!job) return -1;
    const int32_t channels = jv33::ChannelCount(*job);
    job->Log(3000, "JV3_InitHalftone %d channels", channels);
    const bool twoDotSizes = job->m_iResolutionX == 720 && job->m_iResolutionY == 1440;
    const jv33::HalftoneSetup setup =
        job->m_iHalftoneMode == 6 ? jv33::ScreeningSetup(GetInkSetClass(job->m_iPrinterModell) != 0 ? 5 : 4)
                                  : jv33::DiffusionSetup(channels, IsVariableCode(code), twoDotSizes, code);
    return jv33::StartHalftoner(job, setup);
}

int JV3_OpenPage(CVarnPrn* job) {
    if (!job) return -1;
    MrlPageBuffer* page =
        jv33::StartPage(job, std::make_unique<MrlPageBuffer>(), "JV3_OpenPage", JV3_WriteLine, JV4_ClosePage);
    if (!jv33::CheckResolution(job, "JV3_OpenPage")) return jv33::FailPage(job);

    const jv33::PageValues values = jv33::ReadPageValues(*job);
    const Passes passes = HeaderPasses(*job);
    const uint8_t passByte = uint8_t(MRL_PassByte(passes.count, passes.highSpeed));
    if (passes.adjusted) job->Log(1000, "Number of passes adjusted to printer's range");
    const uint8_t heater0 = GetJobOptionValue(job->m_vHeatersCelsius, 0, 60);
    const uint8_t heater1 = GetJobOptionValue(job->m_vHeatersCelsius, 1, 60);
    const int32_t code = JV3_ResolutionCode(*job);

    jv33::PreparePage(*job, *page, 0);
    page->m_bTwoBitsPerPixel = IsVariableCode(code) ? 1 : 0;

    Bytes header = MRL_MK(heater0, heater1);
    jv33::AppendBytes(header, MRL_ESC_At());
    jv33::AppendBytes(header, MRL_MD(uint16_t(job->m_iResolutionY), uint16_t(job->m_iResolutionX)));
    jv33::AppendBytes(header, MRL_MP(passByte, values.direction, values.mediaCode, values.cut, 0xFFFF, values.dryTime));
    jv33::AppendBytes(header, MRL_MW(uint32_t(job->m_iImageWidth)));
    jv33::AppendBytes(header, MRL_MA_FromJob(job));
    jv33::AppendBytes(header, MRL_MC(uint8_t(code)));
    jv33::AppendBytes(header, MRL_MG(job->m_strJobName));
    jv33::AppendBytes(header, MRL_MJ(JV3_VacuumCode(job->m_iVacuumPower)));
    jv33::AppendBytes(header, MRL_SO_ForWhiteInk(job));
    return jv33::WritePageHeader(job, "JV3_OpenPage", header);
}

int JV3_WriteLine(CVarnPrn* job) {
    if (!job) return -1;
    jv33::LineRecord records[8];
    const int count = jv33::LineRecords(*job, true, kJV3ColourCodes, records);
    return jv33::WriteRecords(job, "JV3_WriteLine", records, count, RasterForm::Classic);
}
