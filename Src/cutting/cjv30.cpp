// The CJV30 print-and-cut line: job start and raster lines of the JV33 line,
// the cut set-up and the marks at page open, the extra feed and the cut
// records at page end.
#include "cutting/cjv30.h"

#include <exception>
#include <string>

#include "base/text_error.h"
#include "cutting/print_and_cut.h"
#include "drivers/jv33.h"
#include "drivers/jv33_shared.h"
#include "drivers/mrl/mrl_segments.h"
#include "job/varn_prn.h"

namespace {

constexpr uint8_t kMarkColour = 0;

int32_t JobDotMode(const CVarnPrn& job) {
    return CJV30_GetDotMode(job.m_iResolutionX, job.m_iResolutionY, job.m_iDotSize, job.m_iHalftoneMode,
                            job.m_iHalftoneVersion);
}

// The cut object and, when the device reads printed marks, the mark
// generator. A failure is reported and the page goes on with what was made.
void SetUpCut(CVarnPrn* job, CJV30PageHelper& page) {
    try {
        page.m_pCut = CreateMimakiCutDriver(job, job->m_iPrinterModell);
        if (page.m_pCut && page.m_pCut->PrintAndCutDeviceHandlesCutMarks()) {
            const MimakiCutmarksGeneratorParams params = printandcut::MarkParams(
                job, CJV30_PrintCutmarksLine, job->m_iImageHeight, page.m_bTwoBitsPerPixel ? 2 : 1);
            page.m_pGenerator = CreateMimakiCutmarksGenerator(params);
            page.m_pCut->SetIMimakiCutmarksGeneratorInfo(page.m_pGenerator.get());
        }
    } catch (const std::exception& e) {
        if (!page.m_pCut) page.m_strCutSetUpError = e.what();
        job->SetErrorMessage(e.what());
        job->Log(0, "CJV30_OpenPage: %s", e.what());
    }
}

// Emits the leading (after = false) or trailing marks: 0, or -1 after reporting a failure.
int EmitMarks(CVarnPrn* job, CJV30PageHelper& page, bool after, const char* step) {
    try {
        page.m_pGenerator->EmitMarks(after);
        return 0;
    } catch (const std::exception& e) {
        job->SetErrorMessage(e.what());
        job->Log(0, "%s: %s", step, e.what());
        return -1;
    }
}

// The page end: the extra feed of cutting mode 6, then "QE".
Bytes PageEnd(const CVarnPrn& job, CJV30PageHelper& page) {
    Bytes end;
    if (job.m_iCuttingMode == 6) {
        end = printandcut::FeedReserve(printandcut::FeedReserveLines(page.m_pGenerator.get(), job.m_iResolutionY),
                                       page.m_bTwoBitsPerPixel ? 2 : 1);
    }
    jv33::AppendBytes(end, MRL_IV_QE());
    return end;
}

// The cut records of a print-tag page: the cut data, then the cut job. A page
// without cut data fails unless the workaround file is present. r is the page
// end's result so far; the records go out only while it is 0.
int SendCutRecords(CVarnPrn* job, CJV30PageHelper& page, int r) {
    Bytes data;
    try {
        if (!page.m_pCut) {
            std::string reason = "No cut driver for the page";
            if (!page.m_strCutSetUpError.empty()) reason += " (" + page.m_strCutSetUpError + ")";
            throw TextError(reason);
        }
        data = CJV30_GetCutData(page);
    } catch (const std::exception& e) {
        data.clear();
        if (!printandcut::ReportMissingCutData(job, e.what())) r = -1;
    }
    Bytes cutJob = MRL_IV_QE();
    if (!data.empty()) jv33::AppendBytes(cutJob, printandcut::CutJob(page.m_pGenerator.get(), job->m_iDryTime, data));
    if (r != 0) return r;
    uint32_t written = jv33::WriteRecord(job, SPLTAG_CUT_DATA, data);
    if (written == 0) written = jv33::WriteRecord(job, SPLTAG_CUT_JOB, cutJob);
    return jv33::HookResult(written);
}

}  // namespace

CJV30PageHelper::~CJV30PageHelper() {
    // The cut object holds the generator, so it goes first.
    m_pConverter.reset();
    m_pCut.reset();
    m_pGenerator.reset();
}

CJV30PageHelper* CJV30PageHelper::Of(const CVarnPrn* job) {
    return job ? dynamic_cast<CJV30PageHelper*>(job->m_pDriver.get()) : nullptr;
}

int CJV30_OpenJob(CVarnPrn* job) {
    printandcut::NoteRefusedOptionList(job);
    if (!jv33::PassesFit(job)) return -2;
    return jv33::OpenJob(job, "CJV30", CJV30_OpenPage, CJV30_InitHalftone, JobDotMode);
}

int CJV30_InitHalftone(CVarnPrn* job, int32_t dotMode) { return jv33::InitHalftone(job, dotMode, "CJV30"); }

int CJV30_OpenPage(CVarnPrn* job) {
    if (!job) return -1;
    CJV30PageHelper* page =
        jv33::StartPage(job, std::make_unique<CJV30PageHelper>(), "CJV30_OpenPage", CJV30_WriteLine, CJV30_ClosePage);
    if (!jv33::CheckResolution(job, "CJV30_OpenPage")) return jv33::FailPage(job);

    const jv33::PageSetup setup = jv33::SetUpPage(job, *page);
    const jv33::PageValues& v = setup.values;
    const uint8_t cutFlag = (job->m_iCuttingMode == 6 || job->m_iCuttingMode == 7) ? 1 : 0;
    SetUpCut(job, *page);
    page->m_bPrintTag = job->m_bPrintTagOperation ? 1 : 0;

    Bytes header = MRL_IV_GR_Zero();
    jv33::AppendBytes(header, jv33::PageHeader(job, setup, MRL_QC(cutFlag, 0xFF, v.dryTime, 0xFF, v.vacuum)));
    uint32_t written = jv33::WriteRecord(job, SPLTAG_PAGE_HEADER, header);
    if (written == 0 && page->m_bPrintTag) {
        // The host's copy of the set-up: no cut flag and no dry time.
        Bytes copy = MRL_IV_GR_Zero();
        jv33::AppendBytes(copy, jv33::PageHeader(job, setup, MRL_QC(0, 0xFF, 0xFFFF, 0xFF, v.vacuum)));
        written = jv33::WriteRecord(job, SPLTAG_CUT_PAGE_OPEN, nullptr, 0);
        if (written == 0) written = jv33::WriteRecord(job, SPLTAG_CUT_PAGE_SETUP, copy);
    }
    int r = jv33::HookResult(written);
    if (r == 0 && page->m_pGenerator) {
        r = EmitMarks(job, *page, false, "CJV30_OpenPage");
        if (r == 0) page->m_iMargin = page->m_pGenerator->GetMarginPx();
    }
    if (r != 0) {
        job->Log(0, "CJV30_OpenPage return error code %d", r);
        MrlPageBuffer::Detach(job);  // a failed page never reaches ClosePage
        return r;
    }
    job->Log(2000, "CJV30_OpenPage");
    return 0;
}

int CJV30_WriteLine(CVarnPrn* job) {
    const CJV30PageHelper* page = CJV30PageHelper::Of(job);
    if (!page) return -1;
    const uint32_t shift = uint32_t(page->m_iMargin) * (page->m_bTwoBitsPerPixel ? 2u : 1u);
    return jv33::WriteLine(job, "CJV30_WriteLine", true, shift);
}

int CJV30_PrintCutmarksLine(void* context, const uint8_t* row, uint32_t size) {
    auto* job = static_cast<CVarnPrn*>(context);
    CJV30PageHelper* page = CJV30PageHelper::Of(job);
    if (!page) return -1;
    page->m_Output.Resize(0);
    // Mark rows keep their dot codes: code 3 is already the largest dot, and
    // the variable-dot converter would erase it.
    const size_t n = row ? TrimmedPlaneLength(row, size) : 0;
    try {
        AppendPlaneData(page->m_Output, page->m_Packing, RasterForm::Q, kMarkColour, page->m_bTwoBitsPerPixel != 0,
                        row, n);
    } catch (const TextError& e) {
        job->Log(0, "CJV30_PrintCutmarksLine: %s", e.what());
        return -1;
    }
    AppendLineEnd(page->m_Output, RasterForm::Q);
    return int(jv33::WriteRecord(job, SPLTAG_DATA, page->m_Output.data(), page->m_Output.size()));
}

Bytes CJV30_GetCutData(CJV30PageHelper& page) {
    Bytes data;
    if (page.m_pCut) page.m_pCut->GetCutData(data);
    return data;
}

int CJV30_ClosePage(CVarnPrn* job) {
    CJV30PageHelper* page = CJV30PageHelper::Of(job);
    if (!page) return -1;
    int r = 0;
    if (page->m_bPrintTag && page->m_pGenerator) r = EmitMarks(job, *page, true, "CJV30_ClosePage");
    const Bytes end = PageEnd(*job, *page);
    if (r == 0) r = jv33::HookResult(jv33::WriteRecord(job, SPLTAG_PAGE_END, end));
    if (page->m_bPrintTag) r = SendCutRecords(job, *page, r);
    job->m_pDriver.reset();
    return r;
}
