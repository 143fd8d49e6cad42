// The Tx500/TS500 lines: job start, halftoner set-up, page header, raster
// lines, page end and job end.
#include "drivers/tx500.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <new>
#include <string>

#include "base/input_file.h"
#include "base/text_error.h"
#include "drivers/jv33_shared.h"
#include "drivers/mrl/mrl_segments.h"
#include "drivers/sublimation_shared.h"
#include "halftone/halftone.h"
#include "job/varn_prn.h"

namespace {

constexpr const char* kFamily = "Tx500";
constexpr int32_t kPlanes = 6;
constexpr int32_t kInkType536 = 536;
// The override file holds one number; what follows it is not read.
constexpr size_t kOverrideReadLimit = 4096;

const VdsDotCodes kDotCodes = {1, 3};
const VdsDotSetDescriptor kSB310 = {"SB310 WF1 2dots - 6.4pl, 21.5pl", {6.4f, 21.5f}, {40}};
const VdsDotSetDescriptor kSB300 = {"SB300 WF1 2dots - 6.6pl, 24.3pl", {6.6f, 24.3f}, {40}};

Tx500_Intern* DriverOf(const CVarnPrn* job) {
    return job ? dynamic_cast<Tx500_Intern*>(job->m_pDriver.get()) : nullptr;
}

bool IsTS500(int32_t model) { return model == 7075 || model == 7076; }

// The dot-mode code of the "QP" command from the dot-size id.
uint8_t DotCode(int32_t dotSize) {
    switch (dotSize) {
        case 2: return 1;
        case 3: return 18;
        case 4: return 17;
        case 5: return 16;
        default: return 0;
    }
}

// The first value of the text as "%llx" reads it: blanks, an optional sign,
// an optional "0x", hexadecimal digits. False when there is none.
bool ScanHex64(const std::string& text, uint64_t& value) {
    const char* begin = text.c_str();
    char* end = nullptr;
    const unsigned long long parsed = std::strtoull(begin, &end, 16);
    if (end == begin) return false;
    value = parsed;
    return true;
}

}  // namespace

Tx500_Intern::Tx500_Intern() : FamilyDriver(SecondHook::ClosePage) { ReadColorCodeOverride(this); }

int32_t Tx500_Intern::OpenPage(CVarnPrn* job) { return Tx500_OpenPage(this, job); }
int32_t Tx500_Intern::ClosePage(CVarnPrn* job) { return Tx500_ClosePage(this, job); }

const VdsDotSetDescriptor& Tx500_VariableDotSet(int32_t inkType) { return inkType == kInkType536 ? kSB310 : kSB300; }

void ReadColorCodeOverride(Tx500_Intern* driver) {
    if (!driver) return;
    // Only a regular file: a pipe under the name would block the job.
    const FilePtr file = OpenFileToRead(kColorCodeOverrideFile).file;
    if (!file) return;
    std::string text(kOverrideReadLimit, '\0');
    text.resize(std::fread(&text[0], 1, text.size(), file.get()));
    uint64_t value = 0;
    if (!ScanHex64(text, value)) return;
    for (int i = 0; i < kPlanes; ++i) driver->m_aColorCodes[i] = int32_t((value >> (8 * i)) & 0xFF);
}

int Tx500_OpenJob(CVarnPrn* job) {
    if (!job) return -1;
    const int begun = sublimation::BeginJob(job, kFamily, Tx500_CloseJob, InternPageHook0);
    if (begun != 0) return begun;

    std::unique_ptr<Tx500_Intern> driver(new (std::nothrow) Tx500_Intern());
    if (!driver || !Tx500_InitHalftone(driver.get(), job)) {
        job->SetErrorMessageF("Internal error %s Tx500_InitHalftone failed", "Tx500_OpenJob");
        return -2;
    }
    if (!sublimation::PictureFitsHalftoner(*job, kFamily)) return -2;
    job->m_pDriver = std::move(driver);
    return 0;
}

bool Tx500_InitHalftone(Tx500_Intern* driver, CVarnPrn* job) {
    if (!job || !driver) return false;
    sublimation::LogChannelSet(*job, kFamily);
    for (int c = 0; c < kPlanes; ++c) {
        job->Log(3000, "CMYKLcLm_ColorCode[plane %d] = 0x%x", c, unsigned(driver->m_aColorCodes[c]));
    }
    const DOTSIZEMODE* row = FindDotSizeEntry(DotSizeTable_Tx500, uint32_t(job->m_iDotSize));
    if (!row) return false;  // refused by the job start already
    driver->m_bVariableDot = row->variableDot;

    try {
        // The channel halftoners copy the curves in the halftoner's job start.
        std::unique_ptr<PlanarChannelParameters> parameters;
        sublimation::PlanarSetup setup;
        setup.variable = row->variableDot;
        if (setup.variable) {
            setup.factory = CreatePlanarOne_SE1_VDS2;
            parameters = std::make_unique<PlanarChannel_VDS_Parameters>(Tx500_VariableDotSet(job->m_iInkType),
                                                                        &kDotCodes);
        } else {
            setup.factory = CreatePlanarOne_SE1_NDS;
            parameters = std::make_unique<PlanarChannelParameters>();
        }
        setup.parameters = parameters.get();
        return sublimation::StartPlanarHalftoner(*job, kFamily, setup);
    } catch (const std::exception& e) {
        job->Log(0, "Tx500_InitHalftone: %s", e.what());
        job->m_pHalftone.reset();
        return false;
    }
}

int Tx500_OpenPage(Tx500_Intern* driver, CVarnPrn* job) {
    if (!driver || !job) return -1;
    const PRINTMODE* mode = sublimation::BeginPage(job, kFamily, Tx500_WriteLine, InternPageHook1);
    if (!mode) return -1;

    driver->m_Line.Reserve(sublimation::LineCapacity(*job));

    const std::vector<double>& heaters = job->m_vHeatersCelsius;
    Bytes header = MRL_IV_QK(GetJobOptionValueInRange(heaters, 0, 20, 60), GetJobOptionValueInRange(heaters, 1, 20, 60),
                             GetJobOptionValueInRange(heaters, 2, 20, IsTS500(job->m_iPrinterModell) ? 70 : 60), 0xFF);
    jv33::AppendBytes(header, MRL_Q_At());
    jv33::AppendBytes(header, MRL_QA_FeedAdjust(job));
    jv33::AppendBytes(header, MRL_QC(sublimation::CutFlag(*job), MRL_TenthsCode(job->m_dDryTimePerScan, 0, 99),
                                     0xFFFF, 0xFF, sublimation::VacuumByte(job->m_iVacuumPower)));
    jv33::AppendBytes(header, MRL_IV_QP12(DotCode(job->m_iDotSize), uint16_t(job->m_iResolutionY),
                                          uint16_t(job->m_iResolutionX), mode->passes, mode->hiSpeedScan,
                                          job->m_iPrintDirection != 0 ? 1 : 0, MRL_MediaTypeCode(job->m_iMediaTypeID),
                                          job->m_bLogicalSeek ? 1 : 0, 1, 0, 0));
    return sublimation::WritePageHeader(job, "Tx500_OpenPage", header);
}

int Tx500_ClosePage(Tx500_Intern* driver, CVarnPrn* job) {
    if (!driver || !job) return -1;
    return sublimation::WritePageEnd(job, "Tx500_ClosePage");
}

int Tx500_WriteLine(CVarnPrn* job) {
    Tx500_Intern* driver = DriverOf(job);
    if (!driver) return -1;
    driver->m_Line.Resize(0);
    const int32_t planes = job->m_iOutChannels;
    const size_t bytesPerPlane = size_t(std::max(job->m_iBytesPerChannel, 0));
    if (planes < 0 || planes > kPlanes || (planes > 0 && !job->m_pOutLine)) {
        job->SetErrorMessageF("Tx500_WriteLine: no halftoned line of %d planes", planes);
        return -1;
    }
    ReserveLineRoom(driver->m_Line, driver->m_Packing, size_t(planes), bytesPerPlane);
    try {
        for (int32_t c = 0; c < planes; ++c) {
            const uint8_t* data = job->m_pOutLine + size_t(c) * bytesPerPlane;
            AppendPlaneRecord(driver->m_Line, driver->m_Packing, RasterForm::Q, uint8_t(driver->m_aColorCodes[c]),
                              driver->m_bVariableDot, data, TrimmedPlaneLength(data, bytesPerPlane));
        }
    } catch (const TextError& e) {
        job->SetErrorMessageF("Tx500_WriteLine: %s", e.what());
        job->Log(0, "Tx500_WriteLine: %s", e.what());
        return -1;
    }
    AppendLineEnd(driver->m_Line, RasterForm::Q);
    const uint32_t written = jv33::WriteRecord(job, SPLTAG_DATA, driver->m_Line.data(), driver->m_Line.size());
    if (written != 0) {
        job->SetErrorMessageF("Tx500_WriteLine return error code %d", int(written));
        job->Log(0, "Tx500_WriteLine return error code %d", int(written));
    }
    return jv33::HookResult(written);
}

int Tx500_CloseJob(CVarnPrn* job) { return sublimation::EndJob(job, "Tx500_CloseJob deleting Tx500_Intern"); }
