// The TS300P line: job start, halftoner set-up, page header, raster lines
// through the emitter, page end and job end.
#include "drivers/ts300p.h"

#include <algorithm>
#include <exception>
#include <new>
#include <string>

#include "drivers/jv33_shared.h"
#include "drivers/sublimation_shared.h"
#include "halftone/halftone.h"
#include "job/varn_prn.h"
#include "printers/print_modes.h"

namespace {

constexpr const char* kFamily = "TS300P";
constexpr int32_t kVariableDotSize = 2;

const VdsDotSetDescriptor kWF1_3Dots = {"SB410 WF1 3dots - 5.6pl, 13.0pl, 25.0pl", {5.6f, 13.0f, 25.0f}, {40, 40}};
const VdsDotSetDescriptor kWF2_2Dots = {"SB410 WF2 2dots - 4.7pl, 11.2pl", {4.7f, 11.2f}, {40}};
const VdsDotSetDescriptor kWF2_3Dots = {"SB410 WF2 3dots - 4.7pl, 11.2pl, 17.8pl", {4.7f, 11.2f, 17.8f}, {40, 40}};

TS300P_Intern* DriverOf(const CVarnPrn* job) {
    return job ? dynamic_cast<TS300P_Intern*>(job->m_pDriver.get()) : nullptr;
}

// The dot code of the "QP" command from the dot-size id.
uint8_t DotCode(int32_t dotSize) {
    switch (dotSize) {
        case 2:
        case 3: return 1;
        case 4: return 18;
        case 5: return 17;
        case 6: return 16;
        default: return 0;
    }
}

}  // namespace

TS300P_Intern::TS300P_Intern(const CVarnPrn& job)
    : FamilyDriver(SecondHook::OpenPage),
      m_HostWriter(job.m_pfnWritePrnData, job.m_pWritePrnContext),
      m_mapColorCodeNames(MakeColorCodeInkMap(nullptr)),
      m_pEmitter(Create_MRL_V_QD_ImageData_Emitter()) {
    if (m_pEmitter) m_pEmitter->AddLayer(&m_HostWriter, "Layer 0");
}

int32_t TS300P_Intern::OpenPage(CVarnPrn* job) { return TS300P_OpenPage(this, job); }
int32_t TS300P_Intern::ClosePage(CVarnPrn* job) { return TS300P_ClosePage(this, job); }

const VdsDotSetDescriptor& TS300P_VariableDotSet(const CVarnPrn& job) {
    if (job.m_iDotSize == kVariableDotSize && job.m_iResolutionY >= 1080) return kWF2_2Dots;
    return job.m_iResolutionX < 720 ? kWF1_3Dots : kWF2_3Dots;
}

Bytes MRL_QP_TS300P(uint8_t p1, uint16_t yDpi, uint16_t xDpi, uint8_t p4, uint8_t p5, uint8_t p6, uint8_t p7,
                    uint8_t p8, uint8_t p9, uint8_t p10, uint8_t p11, uint8_t p12, uint8_t p13, uint8_t p14,
                    uint16_t p15) {
    using namespace mrl;
    return MRL("QP", u8(p1), u16le(yDpi), u16le(xDpi), u8(p4), u8(p5), u8(p6), u8(p7), u8(p8), u8(p9), u8(p10),
               u8(p11), u8(p12), u8(p13), u8(p14), u16le(p15));
}

int TS300P_OpenJob(CVarnPrn* job) {
    if (!job) return -1;
    const int begun = sublimation::BeginJob(job, kFamily, TS300P_CloseJob, InternPageHook1);
    if (begun != 0) return begun;

    std::unique_ptr<TS300P_Intern> driver(new (std::nothrow) TS300P_Intern(*job));
    if (!driver || !driver->m_pEmitter) {
        job->SetErrorMessageF("Internal error %s !pEmitter", "TS300P_OpenJob");
        return -2;
    }
    if (!TS300P_InitHalftone(driver.get(), job)) {
        job->SetErrorMessageF("Internal error %s TS300P_InitHalftone failed", "TS300P_OpenJob");
        return -2;
    }
    if (!sublimation::PictureFitsHalftoner(*job, kFamily)) return -2;
    job->m_pDriver = std::move(driver);
    return 0;
}

bool TS300P_InitHalftone(TS300P_Intern* driver, CVarnPrn* job) {
    if (!job || !driver || !driver->m_pEmitter) return false;
    sublimation::LogChannelSet(*job, kFamily);
    const DOTSIZEMODE* row = FindDotSizeEntry(DotSizeTable_TS300P, uint32_t(job->m_iDotSize));
    if (!row) return false;  // refused by the job start already

    try {
        // The channel halftoners copy the curves in the halftoner's job start.
        std::unique_ptr<PlanarChannel_VDS_Parameters> parameters;
        PlanarChannelParameters plain;
        sublimation::PlanarSetup setup;
        if (row->variableDot) {
            const VdsDotSetDescriptor& set = TS300P_VariableDotSet(*job);
            parameters = std::make_unique<PlanarChannel_VDS_Parameters>(set);
            setup.variable = true;
            setup.factory = &set == &kWF2_2Dots ? CreatePlanarOne_SE1_VDS2 : CreatePlanarOne_SE1_VDS3;
            setup.parameters = parameters.get();
        } else {
            setup.factory = CreatePlanarOne_SE1_NDS;
            setup.parameters = &plain;
        }
        driver->m_pEmitter->SetTwoBitsPerPixel(setup.variable);
        if (!sublimation::StartPlanarHalftoner(*job, kFamily, setup)) return false;
    } catch (const std::exception& e) {
        job->Log(0, "TS300P_InitHalftone: %s", e.what());
        job->m_pHalftone.reset();
        return false;
    }

    const size_t channels = size_t(job->m_iOutChannels);
    driver->m_vecChannelOrder.resize(channels);
    for (size_t c = 0; c < channels; ++c) driver->m_vecChannelOrder[c] = uint32_t(c);
    driver->m_pEmitter->SetColorCodes(sublimation::kColourCodes, channels);
    return true;
}

int TS300P_OpenPage(TS300P_Intern* driver, CVarnPrn* job) {
    if (!driver || !job) return -1;
    const PRINTMODE* mode = sublimation::BeginPage(job, kFamily, TS300P_WriteLine, InternPageHook2);
    if (!mode) return -1;

    const std::vector<double>& heaters = job->m_vHeatersCelsius;
    const uint8_t heater0 = GetJobOptionValueInRange(heaters, 0, 20, 50);
    const uint8_t heater1 = GetJobOptionValueInRange(heaters, 1, 20, 60);
    const uint8_t heater2 = GetJobOptionValueInRange(heaters, 2, 60, 120);
    const uint8_t direction = job->m_iPrintDirection != 0 ? 1 : 0;
    const uint8_t logicalSeek = job->m_bLogicalSeek ? 1 : 0;
    const uint8_t mediaCode = MRL_MediaTypeCode(job->m_iMediaTypeID);
    const uint16_t dryerTime = uint16_t(MRL_DryerTimeCodeInRange(job->m_iDryTime, 0, 999));
    const uint8_t dryerByte = MRL_TenthsCode(job->m_dDryTimePerScan, 0, 99);
    const int32_t feed = MRL_FeedCorrection(job->PrinterFeedAdjust(), 9999);
    const uint8_t resolutionClass = job->m_iResolutionX == 720 ? 2 : 1;

    driver->m_pEmitter->ReserveLineBuffer(sublimation::LineCapacity(*job));
    driver->m_pEmitter->AssignAllPlanesToLayer0();

    Bytes header = MRL_IV_QK(0xFF, heater0, heater1, heater2);
    jv33::AppendBytes(header, MRL_Q_At());
    jv33::AppendBytes(header, MRL_QA(feed, 9999));
    jv33::AppendBytes(header, MRL_QC(sublimation::CutFlag(*job), dryerByte, dryerTime, 0xFF,
                                     sublimation::VacuumByte(job->m_iVacuumPower)));
    jv33::AppendBytes(header, MRL_QP_TS300P(DotCode(job->m_iDotSize), uint16_t(job->m_iResolutionY),
                                            uint16_t(job->m_iResolutionX), mode->passes, mode->hiSpeedScan, direction,
                                            mediaCode, logicalSeek, resolutionClass, 0, 0xFF, 0xFF, 0, 0, 0));

    return sublimation::WritePageHeader(job, "TS300P_OpenPage", header);
}

int TS300P_ClosePage(TS300P_Intern* driver, CVarnPrn* job) {
    if (!driver || !job) return -1;
    return sublimation::WritePageEnd(job, "TS300P_ClosePage");
}

int TS300P_WriteLine(CVarnPrn* job) {
    TS300P_Intern* driver = DriverOf(job);
    if (!driver) return -1;
    std::string message;
    try {
        if (!driver->m_pEmitter) throw TextError("!pEmitter");
        driver->m_pEmitter->EmitImageDataLine(job->m_pOutLine, size_t(std::max(job->m_iBytesPerChannel, 0)));
        return 0;
    } catch (const clSpoolFileResult& result) {
        message = result.GetText();
    } catch (const std::exception& e) {
        message = std::string("Internal error TS300P_Print: ") + e.what();
    } catch (...) {
        message = "Internal error TS300P_Print: catch(...)";
    }
    job->SetErrorMessage(message);
    job->Log(0, "%s", message.c_str());
    return -1;
}

int TS300P_CloseJob(CVarnPrn* job) { return sublimation::EndJob(job, "TS300P_CloseJob deleting TS300P_Intern"); }
