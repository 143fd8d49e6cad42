// The JV34/TS34 line: job start, halftoner set-up, page header and raster lines.
#include "drivers/jv34.h"

#include "drivers/jv33.h"
#include "drivers/jv33_shared.h"
#include "drivers/mrl/mrl_page_buffer.h"
#include "drivers/mrl/mrl_segments.h"
#include "job/varn_prn.h"

namespace {

constexpr int32_t kFixedDotSize = 3;

int32_t JobDotMode(const CVarnPrn& job) {
    return JV34_GetDotMode(job.m_iResolutionX, job.m_iResolutionY, job.m_iDotSize, job.m_iHalftoneMode,
                           job.m_iHalftoneVersion);
}

}  // namespace

int32_t JV34_GetDotMode(int32_t x, int32_t y, int32_t dotSize, int32_t /*halftoneMode*/, int32_t halftoneVersion) {
    if (dotSize != kFixedDotSize) return 1;
    return JV33_FixedDotMode(x, y, halftoneVersion);
}

const PRINTMODE* JV34_LookupPrintMode(const CVarnPrn* job) {
    if (!job) return nullptr;
    return FindPrintMode(PrintModeTableForModel(job->m_iPrinterModell), job->m_iPrintQuality);
}

int JV34_OpenJob(CVarnPrn* job) { return jv33::OpenJob(job, "JV34", JV34_OpenPage, JV34_InitHalftone, JobDotMode); }

int JV34_InitHalftone(CVarnPrn* job, int32_t dotMode) {
    if (!job) return -1;
    const int32_t channels = jv33::ChannelCount(*job);
    job->Log(3000, "JV34_InitHalftone %d channels", channels);
    const DOTSIZEMODE* row = FindDotSizeEntry(DotSizeTableForModel(job->m_iPrinterModell), uint32_t(job->m_iDotSize));
    if (!row) {
        job->SetErrorMessageF("JV34_InitHalftone: Dot size %d not in table for printer %d", job->m_iDotSize,
                              job->m_iPrinterModell);
        job->Log(0, "JV34_InitHalftone: Dot size %d not in table for printer %d", job->m_iDotSize,
                 job->m_iPrinterModell);
        return -1;
    }
    return jv33::StartHalftoner(job, jv33::ErrorDiffusionSetup(*job, channels, row->variableDot, dotMode));
}

int JV34_OpenPage(CVarnPrn* job) {
    if (!job) return -1;
    MrlPageBuffer* page = jv33::StartPage(job, "JV34_OpenPage", JV34_WriteLine);
    const PRINTMODE* mode = JV34_LookupPrintMode(job);
    if (!mode) {
        job->SetErrorMessageF("JV34_OpenPage: Print mode %d not in table for printer %d", job->m_iPrintQuality,
                              job->m_iPrinterModell);
        return jv33::FailPage(job);
    }
    if (!jv33::CheckResolution(job, "JV34_OpenPage")) return jv33::FailPage(job);

    const jv33::PageValues values = jv33::ReadPageValues(*job);
    const uint8_t scanDry = MRL_TenthsCode(job->m_dDryTimePerScan, 0, 199);
    const int32_t dotMode = JobDotMode(*job);
    jv33::PreparePage(*job, *page, dotMode);

    Bytes header = jv33::PageHeaderHead(*job, values);
    jv33::AppendBytes(header, MRL_QC(values.cut, scanDry, values.dryTime, 0xFF, values.vacuum));
    jv33::AppendBytes(header, MRL_IV_QP12(uint8_t(dotMode), uint16_t(job->m_iResolutionY),
                                          uint16_t(job->m_iResolutionX), mode->passes, mode->hiSpeedScan,
                                          values.direction, values.mediaCode, job->m_bLogicalSeek ? 1 : 0, 0, 0,
                                          0xFF));
    jv33::AppendBytes(header, JV33_OverPrintSegment(job));
    return jv33::WritePageHeader(job, "JV34_OpenPage", header);
}

int JV34_WriteLine(CVarnPrn* job) { return jv33::WriteLine(job, "JV34_WriteLine", false); }
