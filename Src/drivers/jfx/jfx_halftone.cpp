// The JFX halftoner set-up: printer type and layers, then the planar
// halftoner (routine 118) with the dot size's channel halftoner.
#include <exception>

#include "drivers/jfx/jfx.h"
#include "host/ticket.h"
#include "job/varn_prn.h"
#include "printers/model_predicates.h"
#include "printers/print_modes.h"

namespace {

std::vector<double> JobInkPreLimits(CVarnPrn* job) {
    Ticket* ticket = job->GetTicket();
    if (!ticket) return ReadInkPreLimit(JobStringReader());
    return ReadInkPreLimit([job, ticket](const std::string& key) {
        std::string value;
        GetTicketString(ticket, value, TICKET_SCOPE_JOB, job->GetJobId(), key.c_str(), std::string());
        return value;
    });
}

}  // namespace

bool JFX_InitHalftone(JFXIntern* driver, CVarnPrn* job) {
    if (!driver || !job) return false;
    if (!driver->SetPrinterType(job)) {
        job->Log(0, "InitHalftone: Printer type = unknown. Returning false.");
        return false;
    }
    const clsPrinterType_JFX& type = *driver->m_pPrinterType;
    job->m_iOutChannels = type.m_NumOfChannels;
    job->m_iHalftoneDebugLayout = type.m_DbgOutColorMode;
    job->m_pHalftone = std::make_unique<CHalftone>(job);
    CHalftone& halftone = *job->m_pHalftone;

    const DOTSIZEMODE* dot = FindDotSizeEntry(type.m_ModelClass == 2 ? DotSizeTable_JFX500 : DotSizeTable_JFX,
                                              uint32_t(job->m_iDotSize));
    if (!dot) {
        job->Log(0, "InitHalftone: Dot size %d not in table for printer %d", job->m_iDotSize, job->m_iPrinterModell);
        return false;
    }
    const bool variable = dot->variableDot;
    halftone.m_iBitsPerPixel = variable ? 2 : 1;
    halftone.HalftoneRoutine = HALF_ROUTINE_PLANAR;
    halftone.m_iDotMode = uint32_t(job->m_iDotSize);

    JfxChannelSetup channel;
    try {
        channel = JfxChannelSetupForDotSize(job->m_iDotSize, variable);
    } catch (const std::exception& e) {
        job->Log(0, "InitHalftone: %s", e.what());
        return false;
    }
    if (!channel.factory || !channel.parameters) {
        job->Log(0, "InitHalftone: no dot set for dot size %d", job->m_iDotSize);
        return false;
    }
    driver->SelectMode(variable);

    const JfxColorConfigRow* config = JfxColorConfig(type.m_ColorConfig);
    if (!config) {
        job->Log(0, "InitHalftone: Unsupported color configuration. Returning false.");
        return false;
    }
    PlanarHalfConfig planar;
    planar.job = job;
    planar.threadCount = job->m_iHalftoneThreadCount;
    planar.channelTypes.assign(size_t(config->channels), PlanarChannelType{channel.factory, channel.parameters.get()});

    const std::vector<double> limits =
        JfxInkLimits(JobInkPreLimits(job), config->channels, job->m_iOutputColorMode, type.m_ColorConfig);
    halftone.BuildLinCurves(limits.data(), config->channels);
    halftone.SetLinearizeFunction(type.m_pfnLinearize);
    halftone.m_pPlanarHalf = CPlanarHalf::Create(planar);
    if (!halftone.m_pPlanarHalf || halftone.InitJob(job) != 0) {
        job->Log(0, "InitHalftone: half->OpenJob failed");
        return false;
    }
    if (type.m_bHasWhiteInk) halftone.InitChannelMaps(job);
    return true;
}
