// The JV33 line: job start, halftoner set-up, page header, raster lines and page end.
#include "drivers/jv33.h"

#include "printers/ink_set.h"
#include "drivers/jv33_shared.h"
#include "printers/model_predicates.h"
#include "drivers/mrl/mrl_page_buffer.h"
#include "job/varn_prn.h"

namespace {

int32_t JobDotMode(const CVarnPrn& job) {
    return CJV30_GetDotMode(job.m_iResolutionX, job.m_iResolutionY, job.m_iDotSize, job.m_iHalftoneMode,
                            job.m_iHalftoneVersion);
}

}  // namespace

int32_t JV33_FixedDotMode(int32_t x, int32_t y, int32_t halftoneVersion) {
    if (x <= 540) return y >= 901 ? 17 : 16;
    if (x > 720) return halftoneVersion < 101 ? 18 : 17;
    if (y <= 540) return 16;
    if (y <= 720) return 17;
    if (y <= 1080) return 16;
    return 17;
}

int32_t CJV30_GetDotMode(int32_t x, int32_t y, int32_t dotSize, int32_t halftoneMode, int32_t halftoneVersion) {
    const int32_t effectiveDotSize = halftoneMode == 6 ? 1 : dotSize;
    if (effectiveDotSize != 1) return 1;
    return JV33_FixedDotMode(x, y, halftoneVersion);
}

int JV33_OpenJob(CVarnPrn* job) {
    if (!jv33::PassesFit(job)) return -2;
    return jv33::OpenJob(job, "JV33", JV33_OpenPage, JV33_InitHalftone, JobDotMode);
}

int JV33_InitHalftone(CVarnPrn* job, int32_t dotMode) { return jv33::InitHalftone(job, dotMode, "JV33"); }

int JV33_OpenPage(CVarnPrn* job) {
    if (!job) return -1;
    MrlPageBuffer* page = jv33::StartPage(job, "JV33_OpenPage", JV33_WriteLine);
    if (!jv33::CheckResolution(job, "JV33_OpenPage")) return jv33::FailPage(job);

    const jv33::PageSetup setup = jv33::SetUpPage(job, *page);
    const jv33::PageValues& v = setup.values;
    const Bytes header = jv33::PageHeader(job, setup, MRL_QC(v.cut, 0xFF, v.dryTime, 0xFF, v.vacuum));
    return jv33::WritePageHeader(job, "JV33_OpenPage", header);
}

int JV33_WriteLine(CVarnPrn* job) { return jv33::WriteLine(job, "JV33_WriteLine", true); }

int JV33_ClosePage(CVarnPrn* job) {
    if (!job) return -1;
    MrlPageBuffer::Detach(job);
    return jv33::HookResult(jv33::WriteRecord(job, SPLTAG_PAGE_END, MRL_IV_QE()));
}

Bytes JV33_OverPrintSegment(CVarnPrn* job) {
    if (!job || GetInkSetClass(job->m_iPrinterModell) != 17) return {};
    if (GetInkSetCode(job, 1) == kInkSetCode422) return {};
    const uint8_t order = (job->m_iWhiteOrder == 0 || job->m_iWhiteOrder == 1) ? uint8_t(job->m_iWhiteOrder) : 0xFF;
    return MRL_PL(1, 2, order, 1);
}
