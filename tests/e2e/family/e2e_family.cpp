// A printer family that exists only in the test build of the plug-in
// (kelmora_e2e): it writes what the job cycle hands it, so the end-to-end
// tests can read the cycle back from the output stream. It installs itself
// for the model numbers 9900 to 9909 when the library is loaded; each number
// selects one behaviour.
//
// Records: job header "E2E" + u32 model; page header u32 page number; one
// data record per printed line: u32 page line, then the line's bytes (the
// image width in input pixels from the crop offset on); page end u32 lines
// printed.
#include <cstring>
#include <stdexcept>
#include <vector>

#include "e2e_family.h"
#include "plugin/job_cycle_dispatch.h"
#include "services/spool_writer.h"
#include "job/varn_prn.h"
#include "platform/system.h"

namespace {

std::vector<uint8_t> U32(uint32_t value) {
    return {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value >> 16),
            static_cast<uint8_t>(value >> 24)};
}

int Write(CVarnPrn* job, uint32_t tag, const std::vector<uint8_t>& data) {
    return job->m_pfnWritePrnData(job->m_pWritePrnContext, tag, data.data(), static_cast<uint32_t>(data.size()));
}

int E2E_PrintLine(CVarnPrn* job) {
    const int32_t model = job->m_iPrinterModell;
    if (model == kE2EPrintFailsAtLine3 && job->m_iPageLine == 3) return -7;
    if (model == kE2EPrintThrows) throw std::runtime_error("print step failed");
    if (model == kE2ESlowLines) platform::SleepMs(10);
    const int32_t scaleX = job->m_iScaleX > 0 ? job->m_iScaleX : 1;
    const size_t bytesPerPixel = static_cast<size_t>(job->m_iInputFormat == 1 ? 4 : job->LineComponents());
    const size_t bytes = static_cast<size_t>(job->m_iImageWidth / scaleX) * bytesPerPixel;
    std::vector<uint8_t> data = U32(static_cast<uint32_t>(job->m_iPageLine));
    data.insert(data.end(), job->m_pCurrentLine, job->m_pCurrentLine + bytes);
    return Write(job, SPLTAG_DATA, data) == 0 ? 0 : -1;
}

int E2E_ClosePage(CVarnPrn* job) {
    if (job->m_iPrinterModell == kE2EPageEndLost) return -7;
    if (job->m_iPrinterModell == kE2EPageEndRefused) {
        job->m_pfnWritePrnData(job->m_pWritePrnContext, SPLTAG_PAGE_END, nullptr, 4);
        return 0;
    }
    const int r = Write(job, SPLTAG_PAGE_END, U32(static_cast<uint32_t>(job->m_iLineCount)));
    return job->m_iPrinterModell == kE2EPageEndFails ? -7 : r;
}

int E2E_OpenPage(CVarnPrn* job) {
    job->Log(3000, "E2E_OpenPage");
    if (job->m_iPrinterModell == kE2EOpenPageFails) return -5;
    job->m_pfnPrintLine = E2E_PrintLine;
    job->m_pfnClosePage = E2E_ClosePage;
    return Write(job, SPLTAG_PAGE_HEADER, U32(job->m_iPageCount));
}

int E2E_CloseJob(CVarnPrn* job) {
    static const uint8_t kText[] = "family end";
    job->m_pfnWritePrnData(job->m_pWritePrnContext, SPLTAG_DATA, kText, sizeof kText - 1);
    return 0;
}

int E2E_OpenJob(CVarnPrn* job) {
    if (!job) return -1;
    job->Log(3000, "E2E_OpenJob...");
    job->m_bSuppressOpenJobRecord = false;
    job->m_pfnOpenPage = E2E_OpenPage;
    const int32_t model = job->m_iPrinterModell;
    if (model == kE2EWithCloseJob) job->m_pfnCloseJob = E2E_CloseJob;
    std::vector<uint8_t> header = {'E', '2', 'E'};
    const std::vector<uint8_t> number = U32(static_cast<uint32_t>(model));
    header.insert(header.end(), number.begin(), number.end());
    Write(job, SPLTAG_JOB_HEADER, header);
    if (model == kE2EOpenJobFails) {
        job->Log(0, "E2E_OpenJob return error code %d", -7);
        return -7;
    }
    job->Log(2000, "E2E_OpenJob");
    return 0;
}

}  // namespace

void InstallE2EFamily() {
    SetTestPrinterFamily(kE2EFirstModel, kE2ELastModel, "CVarnPrn::OpenJob: Printer Model E2E(%d)", E2E_OpenJob);
}

#ifdef KELMORA_E2E_LIBRARY
namespace {
// The test library installs its family as soon as it is loaded.
const bool g_Installed = (InstallE2EFamily(), true);
}  // namespace
#endif
