#include "drivers/sublimation_shared.h"

#include <algorithm>
#include <exception>
#include <memory>
#include <string>

#include "drivers/family_driver.h"
#include "drivers/jv33_shared.h"
#include "drivers/picture_check.h"
#include "halftone/channel_set.h"
#include "halftone/halftone.h"
#include "host/ticket.h"
#include "job/varn_prn.h"
#include "printers/model_predicates.h"

namespace sublimation {

namespace {

constexpr int kMaxPercentages = 8;
constexpr size_t kMinimumLineCapacity = 16384;
constexpr size_t kLineCapacitySlack = 1024;

// The light channels (4 and 5) follow blue and magenta.
void FillPercentages(const CVarnPrn& job, int channels, double (&percentages)[kMaxPercentages]) {
    std::fill(std::begin(percentages), std::end(percentages), 100.0);
    const std::vector<double> limits = ReadInkPreLimit([&job](const std::string& key) {
        std::string value;
        GetTicketString(job.GetTicket(), value, TICKET_SCOPE_JOB, job.GetJobId(), key.c_str(), std::string());
        return value;
    });
    const size_t n = std::min({limits.size(), size_t(channels), size_t(kMaxPercentages)});
    for (size_t i = 0; i < n; ++i) percentages[i] = limits[i];
    percentages[4] = percentages[0];
    percentages[5] = percentages[1];
}

constexpr int32_t kModes[] = {4, 6};  // BMYK, BMYKbm

}  // namespace

const OutputColorModes kOutputColorModes(kModes);

int BeginJob(CVarnPrn* job, const char* family, JobHook closeJob, JobHook openPage) {
    job->Log(3000, "%s_OpenJob...", family);
    job->m_bSuppressOpenJobRecord = false;
    job->m_bSuppressCloseJobRecord = false;
    job->m_pfnCloseJob = closeJob;
    job->m_pfnOpenPage = openPage;

    const uint32_t written = jv33::WriteRecord(job, SPLTAG_JOB_HEADER, MRL_IV_QE());
    if (written != 0) {
        job->Log(0, "%s_OpenJob return error code %d", family, int(written));
        return int(written);
    }
    return CheckDotSize(job, family) ? 0 : -2;
}

const PRINTMODE* BeginPage(CVarnPrn* job, const char* family, JobHook printLine, JobHook closePage) {
    job->Log(3000, "%s_OpenPage", family);
    job->m_pfnPrintLine = printLine;
    job->m_pfnClosePage = closePage;

    const PRINTMODE* mode = FindPrintMode(PrintModeTableForModel(job->m_iPrinterModell), job->m_iPrintQuality);
    if (!mode) {
        job->SetErrorMessageF("%s_Intern::OpenPage Print mode %d not in table for printer %d", family,
                              job->m_iPrintQuality, job->m_iPrinterModell);
        job->Log(0, "%s_Intern::OpenPage Print mode %d not in table for printer %d", family, job->m_iPrintQuality,
                 job->m_iPrinterModell);
        return nullptr;
    }
    const std::string step = std::string(family) + "_OpenPage";
    return jv33::CheckResolution(job, step.c_str()) ? mode : nullptr;
}

size_t LineCapacity(const CVarnPrn& job) {
    const size_t lineBytes = size_t(std::max(job.m_iOutChannels, 0)) * size_t(std::max(job.m_iBytesPerChannel, 0));
    return std::max(lineBytes + kLineCapacitySlack, kMinimumLineCapacity);
}

int WritePageHeader(CVarnPrn* job, const char* step, const Bytes& header) {
    const uint32_t written = jv33::WriteRecord(job, SPLTAG_PAGE_HEADER, header);
    if (written != 0) {
        job->Log(0, "%s return error code %d", step, int(written));
    } else {
        job->Log(2000, "%s", step);
    }
    return jv33::HookResult(written);
}

int WritePageEnd(CVarnPrn* job, const char* step) {
    job->Log(3000, "%s", step);
    return jv33::HookResult(jv33::WriteRecord(job, SPLTAG_PAGE_END, MRL_IV_QE()));
}

int EndJob(CVarnPrn* job, const char* deletingLine) {
    if (!job) return 0;
    const uint32_t written = jv33::WriteRecord(job, SPLTAG_CLOSE_JOB, nullptr, 0);
    job->Log(3000, "WritePrnData::SPLTAG_CLOSE_JOB");
    if (FamilyDriver::Of(job)) {
        job->Log(3000, "%s", deletingLine);
        job->m_pDriver.reset();
    }
    return jv33::HookResult(written);
}

const DOTSIZEMODE* CheckDotSize(CVarnPrn* job, const char* family) {
    const DOTSIZEMODE* row = FindDotSizeEntry(DotSizeTableForModel(job->m_iPrinterModell), uint32_t(job->m_iDotSize));
    if (!row) {
        job->SetErrorMessageF("%s_OpenJob: Dot size %d not in table for printer %d", family, job->m_iDotSize,
                              job->m_iPrinterModell);
        job->Log(0, "%s_OpenJob: Dot size %d not in table for printer %d", family, job->m_iDotSize,
                 job->m_iPrinterModell);
    }
    return row;
}

void LogChannelSet(CVarnPrn& job, const char* family) {
    job.Log(3000, "%s_InitHalftone RasterDataChannelDescription: %s", family,
            ChannelCodesToString(GetChannelSet(job)).c_str());
}

bool StartPlanarHalftoner(CVarnPrn& job, const char* family, const PlanarSetup& setup) {
    job.m_pHalftone = std::make_unique<CHalftone>(&job);
    CHalftone& halftone = *job.m_pHalftone;
    halftone.HalftoneRoutine = HALF_ROUTINE_PLANAR;
    halftone.m_iBitsPerPixel = setup.variable ? 2 : 1;
    halftone.m_iDotMode = uint32_t(job.m_iDotSize);
    halftone.m_iPlanarParam = 0;
    halftone.m_iScreeningParam = 0;

    int channels = 0;
    if (job.m_iOutputColorMode == 4) {
        job.Log(3000, "%s_InitHalftone: Image type = BMYK", family);
        channels = 4;
        job.m_iHalftoneDebugLayout = 4;
        halftone.SetLinearizeFunction(&CHalftone::LinearizeLine4A);
    } else if (job.m_iOutputColorMode == 6) {
        job.Log(3000, "%s_InitHalftone: Image type = BMYKbm", family);
        channels = 6;
        job.m_iHalftoneDebugLayout = 45;
        halftone.SetLinearizeFunction(&CHalftone::LinearizeLine6F);
    } else {
        job.Log(0, "%s_InitHalftone: Image type = unknown (%d)", family, job.m_iOutputColorMode);
        job.m_pHalftone.reset();
        return false;
    }
    job.m_iOutChannels = channels;

    PlanarHalfConfig config;
    config.job = &job;
    config.threadCount = job.m_iHalftoneThreadCount;
    config.channelTypes.assign(size_t(channels), PlanarChannelType{setup.factory, setup.parameters});
    for (int c = 0; c < channels; ++c) config.channelNumbers.push_back(uint16_t(c));

    double percentages[kMaxPercentages];
    FillPercentages(job, channels, percentages);
    halftone.BuildLinCurves(percentages, channels);
    halftone.m_pPlanarHalf = CPlanarHalf::Create(config);
    if (!halftone.m_pPlanarHalf || halftone.InitJob(&job) != 0) {
        job.Log(0, "%s_InitHalftone: half->OpenJob failed", family);
        job.m_pHalftone.reset();
        return false;
    }
    return true;
}

bool PictureFitsHalftoner(CVarnPrn& job, const char* family) {
    if (!job.m_pHalftone) return false;
    const std::string where = std::string(family) + "_OpenJob";
    if (PictureHasChannels(&job, where.c_str(), job.m_iOutputColorMode == 4 ? "BMYK" : "BMYKbm",
                           job.m_pHalftone->LinearizeInput())) {
        return true;
    }
    job.m_pHalftone.reset();
    return false;
}

uint8_t VacuumByte(int32_t vacuumPower) {
    if (vacuumPower >= 1 && vacuumPower <= 4) return uint8_t(4 - vacuumPower);
    return 0xFF;
}

uint8_t CutFlag(const CVarnPrn& job) { return (job.m_iMediaSource == 9 && job.m_iCuttingMode != 0) ? 1 : 0; }

}  // namespace sublimation
