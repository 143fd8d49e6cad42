#include "drivers/jv300/jv300.h"

#include <algorithm>
#include <array>
#include <exception>
#include <functional>
#include <new>

#include "base/text_error.h"
#include "drivers/jv300/jv300_vds.h"
#include "drivers/jv33_shared.h"
#include "drivers/picture_check.h"
#include "halftone/channel_set.h"
#include "halftone/halftone.h"
#include "halftone/planar_half.h"
#include "host/ticket.h"
#include "job/varn_prn.h"
#include "printers/ink_set.h"
#include "printers/model_predicates.h"

namespace {

// Printer colour code of each output plane: cyan, magenta, yellow, black,
// light cyan, light magenta, then the two white planes or white and silver.
constexpr uint32_t kColourCodes[8] = {2, 1, 4, 0, 0x12, 0x11, 0xFE, 0xFF};

constexpr size_t kMinimumLineBuffer = 16384;
constexpr size_t kLineBufferSlack = 1024;

bool IsSb53Ink(int32_t inkType) { return inkType == 525 || inkType == 531; }

bool HasWhiteInk(CVarnPrn* job) {
    return HasSpecialInk(job->m_iWhiteMode,
                         job->m_iWhiteMode == 0 && job->JobHasPrinterSpotSeparation(kWhiteInkSeparation));
}

bool HasMetallicInk(CVarnPrn* job) {
    return HasSpecialInk(job->m_iMetallicMode,
                         job->m_iMetallicMode == 0 && job->JobHasPrinterSpotSeparation(kMetallicInkSeparation));
}

// Vacuum power 1 to 4 as the printer's code 3 to 0; any other value 0xFF.
uint8_t JV300_VacuumCode(int32_t power) { return (power >= 1 && power <= 4) ? uint8_t(4 - power) : 0xFF; }

std::vector<double> JobInkPreLimits(CVarnPrn* job) {
    Ticket* ticket = job->GetTicket();
    if (!ticket) return {};
    const uint32_t id = job->GetJobId();
    return ReadInkPreLimit([ticket, id](const std::string& key) {
        std::string value;
        GetTicketString(ticket, value, TICKET_SCOPE_JOB, id, key.c_str(), std::string());
        return value;
    });
}

// One row per image type of the output colour mode.
struct ImageType {
    const char* name;  // logged after "JV300_InitHalftone: Image type = "
    int level;
    LinearizeFunction linearize;
    int32_t outChannels;
    int32_t debugLayout;
    int32_t colourPlanes;
    int32_t whiteCode;   // SetChannelOrders
    int32_t silverCode;
    bool seventhIsSilver;  // plane 7 is silver, else a second white plane
    const char* name254;
    const char* name255;
};

const ImageType kImageTypes[] = {
    {"CMYK/BMYK", 3000, &CHalftone::LinearizeLine4A, 4, 4, 4, -1, -1, false, nullptr, nullptr},
    {"CMYKcm+W+Si", 3000, &CHalftone::LinearizeLine8C, 8, 64, 6, 6, 7, true, "W", "Si"},
    {"CMYKcm+W (before 150522)", 1000, &CHalftone::LinearizeLine6G, 8, 64, 6, 206, -1, false, "W1", "W2"},
    {"CMYKcm+W", 1000, &CHalftone::LinearizeLine7D, 8, 64, 6, 206, -1, false, "W1", "W2"},
    {"BMYKbm", 3000, &CHalftone::LinearizeLine6F, 6, 6, 6, -1, -1, false, nullptr, nullptr},
};

const ImageType* FindImageType(const CVarnPrn& job, bool white, bool silver) {
    if (job.m_iOutputColorMode == 4) return &kImageTypes[0];
    if (job.m_iOutputColorMode != 6) return nullptr;
    if (silver) return &kImageTypes[1];
    if (white) return &kImageTypes[job.m_iHalftoneVersion < 102 ? 2 : 3];
    return &kImageTypes[4];
}

// The channel halftoners of colour, white and silver, and the parameter
// sets they read until the halftoner's job start has copied them.
struct ChannelSetUp {
    std::unique_ptr<PlanarChannelParameters> colourParams, whiteParams, silverParams;
    PlanarChannelType colour{CreatePlanarOne_SE1_NDS, nullptr};
    PlanarChannelType white{CreatePlanarOne_SE1_NDS, nullptr};
    PlanarChannelType silver{CreatePlanarOne_SE1_NDS, nullptr};
    double limitFactor = 1.0;
};

ChannelSetUp SetUpChannels(JV300_Intern& driver, CVarnPrn* job, CHalftone& halftone, bool twoBits) {
    ChannelSetUp s;
    if (!twoBits) {
        s.colourParams = std::make_unique<PlanarChannelParameters>();
        s.whiteParams = std::make_unique<PlanarChannelParameters>();
        s.silverParams = std::make_unique<PlanarChannelParameters>();
        if (IsSb53Ink(job->m_iInkType)) driver.m_iSb53OneBit = 1;
    } else {
        const bool x1440 = job->m_iResolutionX == 1440;
        if (IsSb53Ink(job->m_iInkType)) {
            job->Log(1000, "JV300_InitHalftone: Sb53 ink");
            s.colour.factory = CreatePlanarOne_SE1_VDS3;
            s.colourParams = JV300_CreateVdsParamsSb53(job);
        } else if (x1440 && job->m_iDotSize == 5) {
            s.colour.factory = CreatePlanarOne_SE1_VDS2;
            s.colourParams = PlanarChannel_VDS_Parameters::CreateFromWaveform(JV300_Waveform5TwoDots());
            halftone.m_iPlanarParam = 2;
        } else {
            s.colour.factory = CreatePlanarOne_SE1_VDS3;
            s.colourParams = JV300_CreateVdsParams(2, job);
            if (x1440) s.limitFactor = 0.4;
        }
        if (driver.m_bHasSilver) {
            s.silver.factory = CreatePlanarOne_SE1_VDS3;
            s.silverParams = JV300_VdsCurves_2Dots();
            if (x1440) s.limitFactor = 0.4;
            halftone.m_iPlanarParam = 3;
        }
        // Plane 6 is white whenever the job has white or silver; it carries
        // no ink in a silver job without white.
        const VdsDotCodes whiteCodes{1};
        s.white.factory = CreatePlanarOne_SE1_VDS1;
        s.whiteParams = PlanarChannel_VDS_Parameters::CreateDefault(&whiteCodes);
    }
    s.colour.parameters = s.colourParams.get();
    s.white.parameters = s.whiteParams.get();
    s.silver.parameters = s.silverParams.get();
    return s;
}

// limit[i] := factor x pre-limit i for the pre-limits given (at most one per
// output plane); light cyan and light magenta follow cyan and magenta; the
// two last planes take factor x the eighth pre-limit, or factor x 100.
std::array<double, 8> InkLimits(const std::vector<double>& preLimits, int32_t outChannels, double factor) {
    std::array<double, 8> limit;
    limit.fill(100.0);
    const size_t n = std::min({preLimits.size(), size_t(std::max(outChannels, 0)), limit.size()});
    for (size_t i = 0; i < n; ++i) limit[i] = factor * preLimits[i];
    limit[4] = limit[0];
    limit[5] = limit[1];
    limit[7] = factor * (n > 7 ? preLimits[7] : 100.0);
    limit[6] = limit[7];
    return limit;
}

template <class Driver>
std::unique_ptr<JV300_Intern> Create(CVarnPrn* job) {
    return std::unique_ptr<JV300_Intern>(new (std::nothrow) Driver(job));
}

constexpr int32_t kModes[] = {4, 6};  // the output colour modes of FindImageType

}  // namespace

const OutputColorModes JV300_OutputColorModes(kModes);

int JV300_OpenJobWith(CVarnPrn* job, const char* name, std::unique_ptr<JV300_Intern> (*create)(CVarnPrn*)) {
    if (!job) return -1;
    job->Log(3000, "%s...", name);
    job->m_bSuppressOpenJobRecord = false;
    job->m_bSuppressCloseJobRecord = false;
    job->m_pfnCloseJob = JV300_CloseJob;
    job->m_pfnOpenPage = InternPageHook1;

    const uint32_t written = jv33::WriteRecord(job, SPLTAG_JOB_HEADER, MRL_IV_QE());
    if (written != 0) {
        job->Log(0, "JV300_OpenJob return error code %d", int(written));
        return int(written);
    }
    std::unique_ptr<JV300_Intern> driver = create(job);
    if (!driver || !driver->m_pEmitter) {
        job->SetErrorMessageF("Internal error %s !pEmitter", name);
    } else if (!JV300_InitHalftone(driver.get(), job)) {
        job->SetErrorMessageF("Internal error %s JV300_InitHalftone failed", name);
    } else if (!PictureHasChannels(job, name, driver->m_pImageType, job->m_pHalftone->LinearizeInput())) {
        job->m_pHalftone.reset();
    } else {
        job->m_pDriver = std::move(driver);
        job->Log(2000, "%s", name);
        return 0;
    }
    job->Log(0, "%s return error code %d", name, -2);
    return -2;
}

// ---------------------------------------------------------------------------
// Channel orders

void SetChannelOrderFromCode(std::vector<int32_t>& list, int32_t code) {
    list.clear();
    if (code < 0) return;
    if (code < 200) {
        list.push_back(code);
    } else {
        list = {code - 200, code - 199};
    }
}

void SetIdentityChannelOrder(std::vector<int32_t>& list, int32_t n) {
    list.clear();
    for (int32_t i = 0; i < n; ++i) list.push_back(i);
}

// ---------------------------------------------------------------------------
// The driver object

JV300_Intern::JV300_Intern(CVarnPrn* job)
    : FamilyDriver(SecondHook::OpenPage),
      m_Writer(job->m_pfnWritePrnData, job->m_pWritePrnContext),
      m_mapChannelNames(MakeColorCodeInkMap(nullptr)),
      m_pEmitter(Create_MRL_IV_QD_ImageData_Emitter()) {
    if (m_pEmitter) m_pEmitter->AddLayer(&m_Writer, "Layer 0");
}

JV300_Intern* JV300_Intern::Of(const CVarnPrn* job) { return dynamic_cast<JV300_Intern*>(FamilyDriver::Of(job)); }

void JV300_Intern::SetChannelOrders(int32_t all, int32_t whiteCode, int32_t silverCode) {
    if (all > 0) {
        SetIdentityChannelOrder(m_vAllPlanes, all);
        SetChannelOrderFromCode(m_vWhitePlanes, whiteCode);
        SetChannelOrderFromCode(m_vSilverPlanes, silverCode);
    } else {
        m_vAllPlanes.clear();
        m_vWhitePlanes.clear();
        m_vSilverPlanes.clear();
    }
}

int32_t JV300_Intern::GetOverPlottingMode(CVarnPrn* job) const {
    if (!job) return 0;
    const bool special = (m_bHasWhite && HasWhiteInk(job)) || (m_bHasSilver && HasMetallicInk(job));
    if (!special) return 0;
    switch (job->m_iWhiteOrder) {
        case 1: return 2;
        case 4: return 3;
        case 5: return 4;
        default: return 1;
    }
}

const std::vector<int32_t>& JV300_Intern::ExtraPlanes(CVarnPrn* job) const {
    return (m_bHasWhite && HasWhiteInk(job)) ? m_vWhitePlanes : m_vSilverPlanes;
}

void JV300_Intern::ConfigureEmitterLayers(CVarnPrn* job, int32_t mode) {
    const std::vector<int32_t>& extra = ExtraPlanes(job);
    if (mode == 3) {
        std::vector<int32_t> planes = m_vAllPlanes;
        std::vector<uint32_t> codes(m_vAllPlanes.size(), 0);
        planes.insert(planes.end(), extra.begin(), extra.end());
        codes.insert(codes.end(), extra.size(), 1);
        planes.insert(planes.end(), m_vAllPlanes.begin(), m_vAllPlanes.end());
        codes.insert(codes.end(), m_vAllPlanes.size(), 2);
        m_pEmitter->SetLayerPlanes(0, planes);
        m_pEmitter->SetLayerCodes(codes);
    } else if (mode == 4) {
        m_pEmitter->SetLayerPlanes(0, extra);
    } else {
        m_pEmitter->AssignAllPlanesToLayer0();
    }
}

std::string JV300_Intern::FormatChannelSet(const std::set<uint32_t>& codes) const {
    if (codes.empty()) return "{}";
    std::string text = "{";
    for (uint32_t code : codes) text += " " + GetColorCodeName(m_mapChannelNames, code);
    return text + " }";
}

std::string JV300_Intern::DescribeRasterChannels(int32_t layer) const {
    if (!m_pEmitter) return FormatChannelSet({});
    if (layer != 0 || m_iOverPlottingMode < 1 || m_iOverPlottingMode > 3) {
        return FormatChannelSet(m_pEmitter->GetFirstPlaneMapOfLayer(layer));
    }
    std::vector<std::set<uint32_t>> groups;
    if (m_pEmitter->HasLayerCodes()) {
        for (uint32_t i = 0; i < 3; ++i) groups.push_back(m_pEmitter->GetPlaneMapOfLayer0(i));
    } else {
        // Colour below 240, white and silver from 240 on; mode 1 prints white first.
        groups.resize(2);
        for (uint32_t code : m_pEmitter->GetPlaneMapOfLayer0(0)) groups[code < 240 ? 0 : 1].insert(code);
        if (m_iOverPlottingMode == 1) std::swap(groups[0], groups[1]);
    }
    std::string text;
    for (const std::set<uint32_t>& group : groups) {
        if (!text.empty()) text += " / ";
        text += FormatChannelSet(group);
    }
    return text;
}

JV300_PageValues JV300_Intern::PageValues(CVarnPrn* job, const PRINTMODE& row) const {
    JV300_PageValues v;
    v.passes = row.passes;
    v.hiSpeed = row.hiSpeedScan;
    const int32_t x = job->m_iResolutionX;
    const int32_t y = job->m_iResolutionY;
    const int32_t dotSize = job->m_iDotSize;
    if (dotSize >= 3 && dotSize <= 6) {
        v.dotCode = 1;
        v.dotClass = uint8_t(dotSize);
    } else if (dotSize == 128) {
        v.dotCode = y < 1440 ? 0x10 : (x == 1440 ? 0x12 : 0x11);
        if (m_iSb53OneBit == 1) {
            v.dotClass = y <= 360 ? 4 : (x == 540 && y == 720) ? 3 : 5;
        } else {
            v.dotClass = x < 720 ? 4 : (y < 1080 ? 6 : 5);
        }
    }
    for (size_t i = 0; i < 3; ++i) v.heaters[i] = GetJobOptionValueInRange(job->m_vHeatersCelsius, i, 20, 60);
    v.vacuum = JV300_VacuumCode(job->m_iVacuumPower);
    v.dryTime = uint16_t(MRL_DryerTimeCodeInRange(job->m_iDryTime, 0, 999));
    v.dryTimePerScan = MRL_TenthsCode(job->m_dDryTimePerScan, 0, 99);
    v.feedAdjust = MRL_FeedCorrection(job->PrinterFeedAdjust(), 9999);
    v.mediaType = MRL_MediaTypeCode(job->m_iMediaTypeID);
    v.cut = (job->m_iMediaSource == 9 && job->m_iCuttingMode != 0) ? 1 : 0;
    if (m_bHasWhite && GetInkSetCode(job, 1) != kInkSetCode422 && v.dotClass != 3) {
        job->SetErrorMessage("Jobs with white channel must use WF3 dotsize");
    }
    return v;
}

Bytes JV300_Intern::PageSetUpCommands(CVarnPrn* job, const JV300_PageValues& v, uint8_t cut,
                                      uint16_t dryTime) const {
    Bytes header = MRL_IV_QK(v.heaters[0], v.heaters[1], v.heaters[2], 0xFF);
    jv33::AppendBytes(header, MRL_Q_At());
    jv33::AppendBytes(header, MRL_QA(v.feedAdjust, 9999));
    jv33::AppendBytes(header, MRL_QC(cut, v.dryTimePerScan, dryTime, 0xFF, v.vacuum));
    jv33::AppendBytes(header, MRL_IV_QP(v.dotCode, uint16_t(job->m_iResolutionY), uint16_t(job->m_iResolutionX),
                                        v.passes, v.hiSpeed, job->m_iPrintDirection != 0 ? 1 : 0, v.mediaType,
                                        job->m_bLogicalSeek ? 1 : 0, v.dotClass, 0));
    return header;
}

const PRINTMODE* JV300_Intern::LookUpPrintMode(CVarnPrn* job, const char* step) const {
    const PRINTMODE* row = FindPrintMode(PrintModeTableForModel(job->m_iPrinterModell), job->m_iPrintQuality);
    if (!row) {
        job->SetErrorMessageF("%s Print mode %d not in table for printer %d", step, job->m_iPrintQuality,
                              job->m_iPrinterModell);
    }
    return row;
}

int32_t JV300_Intern::OpenPage(CVarnPrn* job) {
    if (!job) return -1;
    job->Log(3000, "JV300_OpenPage");
    job->m_pfnPrintLine = JV300_WriteLine;
    job->m_pfnClosePage = InternPageHook2;
    const PRINTMODE* row = LookUpPrintMode(job, "JV300_Intern::OpenPage");
    if (!row) return -1;
    if (!jv33::CheckResolution(job, "JV300_OpenPage")) return -1;
    const JV300_PageValues v = PageValues(job, *row);

    const size_t planes = size_t(std::max(job->m_iOutChannels, 0));
    const size_t bytesPerPlane = size_t(std::max(job->m_iBytesPerChannel, 0));
    m_pEmitter->ReserveLineBuffer(std::max(planes * bytesPerPlane + kLineBufferSlack, kMinimumLineBuffer));
    ConfigureEmitterLayers(job, GetOverPlottingMode(job));

    Bytes header = PageSetUpCommands(job, v, v.cut, v.dryTime);
    jv33::AppendBytes(header, MRL_IV_PL_OverPlotting_DependingOnJob(this, job, false));

    const uint32_t written = m_Writer.Write(SPLTAG_PAGE_HEADER, header.data(), header.size());
    if (written != 0) {
        job->Log(0, "JV300_OpenPage return error code %d", int(written));
    } else {
        job->Log(2000, "JV300_OpenPage");
    }
    return jv33::HookResult(written);
}

int32_t JV300_Intern::ClosePage(CVarnPrn* job) {
    if (!job) return -1;
    job->Log(3000, "JV300_ClosePage");
    if (m_bHasWhite || m_bHasSilver) LogPrintingLayers(job, "JV300_ClosePage", DescribeRasterChannels(0));
    const Bytes end = MRL_IV_QE();
    return jv33::HookResult(m_Writer.Write(SPLTAG_PAGE_END, end.data(), end.size()));
}

Bytes MRL_IV_PL_OverPlotting_DependingOnJob(JV300_Intern* driver, CVarnPrn* job, bool inhibit) {
    if (!driver || !job) return {};
    driver->m_iOverPlottingMode = 0;
    if (inhibit) {
        job->Log(3000, "MRL_IV_PL_OverPlotting_DependingOnJob bInhibit");
        return {};
    }
    OverPlotting pl = MRL_IV_PL_OverPlottingForLevel(driver->GetOverPlottingMode(job));
    if (pl.command.empty()) {
        job->Log(3000, "MRL_IV_PL_OverPlotting_DependingOnJob NONE");
        return {};
    }
    driver->m_iOverPlottingMode = pl.overPlottingMode;
    job->Log(3000, "MRL_IV_PL_OverPlotting_DependingOnJob level=%d mode=%d", 2, pl.mode);
    return pl.command;
}

// ---------------------------------------------------------------------------
// Halftoner set-up

bool JV300_InitHalftone(JV300_Intern* driver, CVarnPrn* job) {
    if (!driver || !job || !driver->m_pEmitter) return false;
    try {
        std::vector<std::string> spots;
        job->GetPrinterSpotColors(spots);
        const ChannelCodeString channels = GetChannelSetName(job->m_iInputColorMode, spots);
        driver->m_bHasWhite = CountChannelCode(channels, kChannelWhite) != 0;
        driver->m_bHasSilver = CountChannelCode(channels, kChannelMetallic) != 0;
        job->Log(3000, "JV300_InitHalftone RasterDataChannelDescription: %s, hasWhite=%s, hasSilver=%s",
                 ChannelCodesToString(channels).c_str(), driver->m_bHasWhite ? "Y" : "N",
                 driver->m_bHasSilver ? "Y" : "N");
        if (driver->SupportsPulledBackPrint()) {
            driver->m_bPulledBack = job->m_bPulledBackPrint && (driver->m_bHasWhite || driver->m_bHasSilver);
        }

        job->m_pHalftone = std::make_unique<CHalftone>(job);
        CHalftone& halftone = *job->m_pHalftone;
        const bool twoBits = IsMultiBitDotSize(job->m_iDotSize);
        halftone.HalftoneRoutine = 118;
        halftone.m_iBitsPerPixel = twoBits ? 2 : 1;
        halftone.m_iPlanarParam = 0;
        halftone.m_iDotMode = uint32_t(job->m_iDotSize);
        halftone.m_iScreeningParam = 0;
        driver->m_pEmitter->SetTwoBitsPerPixel(twoBits);

        ChannelSetUp set = SetUpChannels(*driver, job, halftone, twoBits);
        const ImageType* type = FindImageType(*job, driver->m_bHasWhite, driver->m_bHasSilver);
        if (!type) {
            job->Log(0, "JV300_InitHalftone: Image type = unknown (%d)", job->m_iOutputColorMode);
            return false;
        }
        job->Log(type->level, "JV300_InitHalftone: Image type = %s", type->name);
        driver->m_pImageType = type->name;
        job->m_iOutChannels = type->outChannels;
        job->m_iHalftoneDebugLayout = type->debugLayout;
        driver->SetChannelOrders(type->colourPlanes, type->whiteCode, type->silverCode);
        if (type->name254) SetColorCodeName(driver->m_mapChannelNames, 254, type->name254);
        if (type->name255) SetColorCodeName(driver->m_mapChannelNames, 255, type->name255);

        PlanarHalfConfig config;
        config.job = job;
        config.threadCount = job->m_iHalftoneThreadCount;
        for (int32_t p = 0; p < type->outChannels; ++p) {
            if (p < type->colourPlanes) {
                config.channelTypes.push_back(set.colour);
            } else if (p == 7 && type->seventhIsSilver) {
                config.channelTypes.push_back(set.silver);
            } else {
                config.channelTypes.push_back(set.white);
            }
        }
        driver->m_pEmitter->SetColorCodes(kColourCodes, size_t(type->outChannels));

        const std::array<double, 8> limits = InkLimits(JobInkPreLimits(job), type->outChannels, set.limitFactor);
        halftone.BuildLinCurves(limits.data(), type->outChannels);
        halftone.SetLinearizeFunction(type->linearize);
        halftone.m_pPlanarHalf = CPlanarHalf::Create(config);
        // The planar halftoner's set-up points to them.
        driver->m_vChannelParameters.clear();
        for (auto* params : {&set.colourParams, &set.whiteParams, &set.silverParams}) {
            if (*params) driver->m_vChannelParameters.push_back(std::move(*params));
        }
        if (halftone.m_pPlanarHalf && halftone.InitJob(job) == 0) {
            if (driver->m_bHasWhite) halftone.InitVCCWhiteMimaki(job, 0, true);
            if (driver->m_bHasSilver) halftone.InitVCCWhiteMimaki(job, 1, true);
            return true;
        }
        job->Log(0, "JV300_InitHalftone: half->OpenJob failed");
        return false;
    } catch (const std::exception& e) {
        job->Log(0, "JV300_InitHalftone: %s", e.what());
        return false;
    }
}

// ---------------------------------------------------------------------------
// Job and line steps

int JV300_OpenJobImpl(CVarnPrn* job, const char* name) { return JV300_OpenJobWith(job, name, Create<JV300_Intern>); }
int JV300_OpenJob(CVarnPrn* job) { return JV300_OpenJobImpl(job, "JV300_OpenJob"); }

int JV300_Emit(CVarnPrn* job, const std::function<void(MRL_IV_QD_ImageData_Emitter&)>& emit) {
    JV300_Intern* driver = JV300_Intern::Of(job);
    if (!driver) return -1;
    std::string text;
    try {
        if (!driver->m_pEmitter) throw TextError("!pEmitter");
        emit(*driver->m_pEmitter);
    } catch (const TextError& e) {
        text = std::string("Internal error JV300_Print: ") + e.what();
    } catch (const clSpoolFileResult& result) {
        text = result.GetText();
    } catch (...) {
        text = "Internal error JV300_Print: catch(...)";
    }
    if (text.empty()) return 0;
    job->SetErrorMessage(text);
    return -1;
}

int JV300_WriteLine(CVarnPrn* job) {
    return JV300_Emit(job, [job](MRL_IV_QD_ImageData_Emitter& emitter) {
        emitter.EmitImageDataLine(job->m_pOutLine, size_t(std::max(job->m_iBytesPerChannel, 0)));
    });
}

int JV300_CloseJob(CVarnPrn* job) {
    if (!job) return 0;
    const uint32_t written = jv33::WriteRecord(job, SPLTAG_CLOSE_JOB, nullptr, 0);
    job->Log(3000, "WritePrnData::SPLTAG_CLOSE_JOB");
    if (job->m_pDriver) {
        job->Log(3000, "JV300_CloseJob deleting JV300_Intern");
        job->m_pDriver.reset();
    }
    return int(written);
}
