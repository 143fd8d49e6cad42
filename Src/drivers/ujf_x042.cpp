// The UJF-x042 line, job start: the driver object, the printer type with its
// sixteen colour configurations, the planar halftoner set-up and the
// initialisation sequence that precedes every layer.
#include "drivers/ujf_x042.h"

#include <algorithm>
#include <exception>

#include "base/text_error.h"
#include "drivers/mrl/mrl_segments.h"
#include "drivers/picture_check.h"
#include "host/ticket.h"
#include "job/varn_prn.h"
#include "printers/model_predicates.h"
#include "printers/print_modes.h"

namespace {

#include "drivers/tables/ujfx042_dot_curves.inc"

const char* TrueFalse(bool b) { return b ? "true" : "false"; }

bool IsOneOf(int32_t model, std::initializer_list<int32_t> models) {
    return std::find(models.begin(), models.end(), model) != models.end();
}

// What each colour configuration makes of the halftoner.
struct ConfigRow {
    const char* imageType;
    int32_t channels;
    int32_t dbgColorMode;
    LinearizeFunction linearize;
};
const ConfigRow kConfigs[16] = {
    {"CMYK + W1 W2", 6, 57, &CHalftone::LinearizeLine5C},
    {"CMYK + V1 V2", 6, 73, &CHalftone::LinearizeLine5B},
    {"CMYK + W1 V1", 6, 45, &CHalftone::LinearizeLine6D},
    {"CMYK + W1 P1", 6, 45, &CHalftone::LinearizeLine6D},
    {"CMYK + V1 P1", 6, 45, &CHalftone::LinearizeLine6B},
    {"CMYK + W1 W2 V1 V2", 8, 47, &CHalftone::LinearizeLine6E},
    {"CMYK + W1 W2 P1 P2", 8, 47, &CHalftone::LinearizeLine6E},
    {"CMYK + V1 V2 P1 P2", 8, 47, &CHalftone::LinearizeLine6C},
    {"CMYK + W1 W2 V1 P1", 8, 47, &CHalftone::LinearizeLine7B},
    {"CMYK + P1 P2", 6, 45, &CHalftone::LinearizeLine5A},
    {"CMYKcm + W W", 8, 64, &CHalftone::LinearizeLine7D},
    {"CMYKcm + V V", 8, 74, &CHalftone::LinearizeLine7C},
    {"CMYKcm + P1 P2", 8, 47, &CHalftone::LinearizeLine7C},
    {"CMYKcm + W V", 8, 64, &CHalftone::LinearizeLine8B},
    {"CMYKcm + W1 P1", 8, 47, &CHalftone::LinearizeLine8B},
    {"CMYKcm + V1 P1", 8, 47, &CHalftone::LinearizeLine8A},
};

// "PD" bytes 2 to 4 by dot-size id.
std::array<uint8_t, 3> DotSizeBytes(int32_t dotSize) {
    switch (dotSize) {
        case 3: return {5, 3, 1};
        case 5: return {1, 255, 255};
        case 6: return {2, 255, 255};
        case 7: return {3, 255, 255};
        case 8: return {5, 255, 255};
        default: return {3, 2, 1};
    }
}

std::unique_ptr<PlanarChannel_VDS_Parameters> FromPointSet(const uint8_t (&set)[3][8]) {
    std::array<std::vector<int32_t>, 3> x, y;
    for (size_t c = 0; c < 3; ++c) {
        x[c].assign(std::begin(kCurveLevels), std::end(kCurveLevels));
        y[c].assign(std::begin(set[c]), std::end(set[c]));
    }
    return PlanarChannel_VDS_Parameters::CreateFromPoints(x, y);
}

// Clears what a failed job start installed, so that no hook reaches a driver that is not there.
void ClearHooks(CVarnPrn* job) {
    job->m_pfnOpenPage = nullptr;
    job->m_pfnCloseJob = nullptr;
}

// CMYK, and CMYKcm where the model has a configuration for it (else CMYK's).
constexpr int32_t kModes[] = {4, 6};

}  // namespace

const OutputColorModes UJFx042_OutputColorModes(kModes);

Bytes MRL_IV_PD(uint8_t a, uint8_t b, uint8_t c, uint8_t d) {
    return MRL("PD", mrl::u8(a), mrl::u8(b), mrl::u8(c), mrl::u8(d));
}

Bytes MRL_IV_QV(const std::array<uint8_t, 9>& v) {
    using mrl::u8;
    return MRL("QV", u8(v[0]), u8(v[1]), u8(v[2]), u8(v[3]), u8(v[4]), u8(v[5]), u8(v[6]), u8(v[7]), u8(v[8]));
}

int32_t UJFx042_ColorConfig(int32_t model, int32_t outputColorMode) {
    const bool cmyk = outputColorMode == 4;
    if (IsOneOf(model, {7052, 7057, 7064})) return cmyk ? 0 : 10;
    if (IsOneOf(model, {7053, 7058, 7065})) return cmyk ? 1 : 11;
    if (model == 7054) return 2;
    if (model == 7055) return 3;
    if (model == 7056) return 4;
    if (IsOneOf(model, {7059, 7066})) return cmyk ? 5 : 13;
    if (IsOneOf(model, {7060, 7067})) return cmyk ? 6 : 14;
    if (IsOneOf(model, {7061, 7068})) return cmyk ? 7 : 15;
    if (IsOneOf(model, {7062, 7069})) return cmyk ? 9 : 12;
    if (IsOneOf(model, {7063, 7070})) return 8;
    return -1;
}

// ================================ clsPrinterType ================================

int32_t clsPrinterType::Initialize(CVarnPrn* job) {
    const int32_t model = job->m_iPrinterModell;
    job->Log(3000, "clsPrinterType::Initialize\tpPrn->m_iPrinterModell: %d  JobID=%d", model, int(job->GetJobId()));

    m_bHasWhiteInk = IsOneOf(model, {7052, 7054, 7055, 7057, 7059, 7060, 7063, 7064, 7066, 7067, 7070});
    if (m_bHasWhiteInk) {
        m_WhitePrintOrder = (job->m_iWhiteMode == 3 || job->m_iWhiteOrder != 0) ? 1 : 0;
    }
    job->Log(3000, "clsPrinterType::Initialize m_bHasWhiteInk: %s", TrueFalse(m_bHasWhiteInk));
    job->Log(3000, "clsPrinterType::Initialize m_WhitePrintOrder: %d (0=COW, 1=WOC, -1=NA)", m_WhitePrintOrder);

    m_bHasClearInk = IsOneOf(model, {7053, 7054, 7056, 7058, 7059, 7061, 7063, 7065, 7066, 7068, 7070});
    if (m_bHasClearInk) {
        m_CuringType = job->m_iClearMode == 3 ? -1 : (job->m_iClearSurface != 0 ? 1 : 0);
    }
    job->Log(3000, "clsPrinterType::Initialize m_bHasClearInk: %s", TrueFalse(m_bHasClearInk));
    job->Log(3000, "clsPrinterType::Initialize m_CuringType: %d (0=matte, 1=glossy, -1=NA)", m_CuringType);

    m_bHasPrimerInk = IsOneOf(model, {7055, 7056, 7060, 7061, 7062, 7063, 7067, 7068, 7069, 7070});
    job->Log(3000, "clsPrinterType::Initialize m_bHasPrimerInk: %s", TrueFalse(m_bHasPrimerInk));

    m_ColorConfig = UJFx042_ColorConfig(model, job->m_iOutputColorMode);
    job->Log(3000, "clsPrinterType::Initialize m_ColorConfig: %d", m_ColorConfig);

    if (m_bHasWhiteInk && m_bHasClearInk && job->m_iClearMode != 3 && job->m_iWhiteMode != 3 &&
        m_WhitePrintOrder == 1) {
        job->UpdateInfoMessage(true, "Printing Clear Ink over White-on-Color does not make any sense");
        job->Log(0, "Printing Clear Ink over White-on-Color does not make any sense. Show error and return.");
        return -1;
    }

    if (m_ColorConfig < 0 || m_ColorConfig > 15) {
        job->Log(0, "clsPrinterType::Initialize: (ERROR) Image type = Unknown");
    } else {
        const ConfigRow& row = kConfigs[m_ColorConfig];
        job->Log(3000, "clsPrinterType::Initialize: Image type = %s", row.imageType);
        m_NumOfChannels = row.channels;
        m_DbgOutColorMode = row.dbgColorMode;
        m_pfnLinearize = row.linearize;
    }
    job->Log(3000, "clsPrinterType::Initialize m_NumOfChannels: %d", m_NumOfChannels);
    job->Log(3000, "clsPrinterType::Initialize m_DbgOutColorMode: %d", m_DbgOutColorMode);
    return 0;
}

// ================================ UJFx042_Intern ================================

UJFx042_Intern::UJFx042_Intern(CVarnPrn* job) : FamilyDriver(SecondHook::ClosePage), m_pJob(job) {
    if (job) m_HostWriter.Set(job->m_pfnWritePrnData, job->m_pWritePrnContext);
}

UJFx042_Intern::~UJFx042_Intern() = default;

uint8_t UJFx042_Intern::SelectMode(bool variable) {
    m_BitsPerPixel = variable ? 2 : 1;
    return m_BitsPerPixel;
}

bool UJFx042_Intern::SetPrinterType(CVarnPrn* job) {
    m_pPrinterType = std::make_unique<clsPrinterType>();
    m_pPrinterType->Initialize(job);
    if (!m_pPrinterType->m_pfnLinearize) {
        job->Log(0, "UJFx042_Intern::SetPrinterType: clsPrinterType initialization failed. Returning false");
        return false;
    }
    m_pPrinterType->SetPrintingOrder(this, job);
    return true;
}

Bytes UJFx042_Intern::InitializationSequence(CVarnPrn* job) const {
    Bytes out = MRL_Q_At();
    const auto append = [&out](const Bytes& b) { out.insert(out.end(), b.begin(), b.end()); };
    append(MRL_QA(MRL_FeedCorrection(job->PrinterFeedAdjust(), 255), 255));
    append(MRL_QC(0, 255, 0xFFFF, 0xFF, 255));
    // The job start has refused print modes that the table lacks.
    const PRINTMODE* mode = FindPrintMode(PrintModeTableForModel(job->m_iPrinterModell), job->m_iPrintQuality);
    append(MRL_IV_QP12(0, uint16_t(job->m_iResolutionY), uint16_t(job->m_iResolutionX), mode ? mode->passes : 0xFF,
                       mode ? mode->hiSpeedScan : 0xFF, 255, MRL_MediaTypeCode(job->m_iMediaTypeID), 255, 255, 255,
                       255));
    const int32_t bits = job->m_pHalftone ? job->m_pHalftone->m_iBitsPerPixel : m_BitsPerPixel;
    const std::array<uint8_t, 3> pd = DotSizeBytes(job->m_iDotSize);
    append(MRL_IV_PD(uint8_t(bits), pd[0], pd[1], pd[2]));
    return out;
}

Bytes UJFx042_Intern::MakeCuringSequence(CVarnPrn* job) const {
    if (job->m_iUvCuringUsePanel == 1) return MRL_IV_QV({255, 255, 255, 255, 255, 255, 255, 255, 255});
    const auto& lamp = job->m_aiUvLampLevel;
    const auto l = [&lamp](size_t i) { return uint8_t(lamp[i]); };
    return MRL_IV_QV({uint8_t(job->m_iUvGlossyEffect != 0 ? 2 : 1), l(0), l(0), l(1), l(1), l(2), l(2), l(3), l(3)});
}

// ================================ job start ================================

std::unique_ptr<PlanarChannelParameters> UJFx042_CreateVdsParams(int bitsPerPixel, CVarnPrn* job) {
    if (bitsPerPixel != 2) return std::make_unique<PlanarChannelParameters>();
    switch (job->m_iDotSize) {
        case 2: return FromPointSet(kPointSet_7_14_21);
        case 3: return FromPointSet(kPointSet_7_21_35);
        case 4: return PlanarChannel_VDS_Parameters::CreateFromWaveform(kWaveform_2dots_7_14);
        default:
            job->SetErrorMessageF("Unsupported DotSize : %d", job->m_iDotSize);
            return FromPointSet(kPointSet_7_14_21);
    }
}

bool UJFx042_InitHalftone(UJFx042_Intern* driver, CVarnPrn* job) {
    double percentages[8] = {100.0, 100.0, 100.0, 100.0, 100.0, 100.0, 100.0, 100.0};
    if (!driver->SetPrinterType(job)) {
        job->Log(0, "UJFx042_InitHalftone: Printer type = unknown. Returning false.");
        return false;
    }
    const clsPrinterType& type = *driver->m_pPrinterType;
    const int32_t channels = type.m_NumOfChannels;
    job->m_iOutChannels = channels;
    job->m_iHalftoneDebugLayout = type.m_DbgOutColorMode;
    job->m_pHalftone = std::make_unique<CHalftone>(job);
    CHalftone& half = *job->m_pHalftone;

    const DOTSIZEMODE* row = FindDotSizeEntry(DotSizeTable_UJFx042, uint32_t(job->m_iDotSize));
    const bool variable = row && row->variableDot;
    half.m_iBitsPerPixel = variable ? 2 : 1;
    half.HalftoneRoutine = HALF_ROUTINE_PLANAR;
    half.m_iDotMode = uint32_t(job->m_iDotSize);
    half.m_iPlanarParam = 0;
    half.m_iScreeningParam = 0;
    half.m_iClearLevel = job->m_iClearLevel;
    half.m_iClearMode = job->m_iClearMode;
    half.m_iPrimerLevel = job->m_iPrimerLevel;
    half.m_iPrimerMode = job->m_iPrimerMode;

    // Kind A serves the colour channels, kind B the special inks.
    PlanarChannelType kindA{};
    PlanarChannelType kindB{};
    std::unique_ptr<PlanarChannelParameters> paramsA;
    std::unique_ptr<PlanarChannelParameters> paramsB;
    try {
        if (variable) {
            kindA.factory = job->m_iDotSize == 4 ? CreatePlanarOne_SE1_VDS3 : CreatePlanarOne_SE1_VDS2;
            paramsA = UJFx042_CreateVdsParams(2, job);
            kindB.factory = CreatePlanarOne_SE1_VDS1;
            paramsB = PlanarChannel_VDS_Parameters::CreateDefault();
        } else {
            kindA.factory = CreatePlanarOne_SE1_NDS;
            kindB.factory = CreatePlanarOne_SE1_NDS;
            paramsA = std::make_unique<PlanarChannelParameters>();
            paramsB = std::make_unique<PlanarChannelParameters>();
        }
    } catch (const std::exception& e) {
        job->Log(0, "UJFx042_InitHalftone: %s", e.what());
        job->SetErrorMessageF("UJFx042_InitHalftone: %s", e.what());
        return false;
    }
    kindA.parameters = paramsA.get();
    kindB.parameters = paramsB.get();
    driver->SelectMode(variable);

    const PlanarChannelType none{};
    std::array<PlanarChannelType, 8> slots{kindA, kindA, kindA, kindA, none, none, none, none};
    const int32_t config = type.m_ColorConfig;
    if (config <= 4 || config == 9) {
        slots[4] = slots[5] = kindB;
    } else if (config <= 8) {
        slots[4] = slots[5] = slots[6] = slots[7] = kindB;
    } else if (config <= 15) {
        slots[4] = slots[5] = kindA;
        slots[6] = slots[7] = kindB;
    } else {
        job->Log(0, "UJFx042_InitHalftone: Unsupported color configuration. Returning false.");
        return false;
    }
    PlanarHalfConfig planar;
    planar.job = job;
    planar.threadCount = job->m_iHalftoneThreadCount;
    planar.channelTypes.assign(slots.begin(), slots.begin() + std::min<int32_t>(channels, 8));

    const std::vector<double> limits = ReadInkPreLimit([job](const std::string& key) {
        std::string value;
        GetTicketString(job->GetTicket(), value, TICKET_SCOPE_JOB, job->GetJobId(), key.c_str(), std::string());
        return value;
    });
    const size_t taken = std::min({size_t(channels), limits.size(), size_t(8)});
    std::copy_n(limits.begin(), taken, percentages);
    // The light inks take the limits of cyan and magenta; elsewhere planes 4
    // and 5 are special inks with their own limits.
    if (job->m_iOutputColorMode == 6 && config >= 10) {
        percentages[4] = percentages[0];
        percentages[5] = percentages[1];
    }
    half.BuildLinCurves(percentages, channels);
    half.SetLinearizeFunction(type.m_pfnLinearize);
    half.m_pPlanarHalf = CPlanarHalf::Create(planar);
    if (!half.m_pPlanarHalf || half.InitJob(job) != 0) {
        job->Log(0, "UJFx042_InitHalftone: half->OpenJob failed");
        return false;
    }
    if (type.m_bHasWhiteInk) half.InitChannelMaps(job);
    return true;  // the parameter sets go; the channel halftoners hold their own copies
}

int UJFx042_OpenJob(CVarnPrn* job) {
    static const char* const kName = "UJFx042_OpenJob";
    if (!job) return -1;
    job->Log(3000, "%s...", kName);
    job->m_bSuppressOpenJobRecord = false;
    job->m_bSuppressCloseJobRecord = false;
    job->m_pfnCloseJob = UJFx042_CloseJob;
    job->m_pfnOpenPage = InternPageHook0;

    const Bytes header = MRL_IV_QE();
    PFN_WRITEPRNDATA_WRAPPER host(job->m_pfnWritePrnData, job->m_pWritePrnContext);
    const uint32_t written = host.Write(SPLTAG_JOB_HEADER, header.data(), header.size());
    if (written != 0) {
        job->Log(0, "UJFx042_OpenJob return error code %d", int(written));
        ClearHooks(job);
        return int(written);
    }

    // The initialisation sequence and the halftoner need both rows.
    const int32_t model = job->m_iPrinterModell;
    if (!FindPrintMode(PrintModeTableForModel(model), job->m_iPrintQuality)) {
        job->SetErrorMessageF("%s: Print mode %d not in table for printer %d", kName, job->m_iPrintQuality, model);
        job->Log(0, "%s: Print mode %d not in table for printer %d", kName, job->m_iPrintQuality, model);
        ClearHooks(job);
        return -2;
    }
    if (!FindDotSizeEntry(DotSizeTableForModel(model), uint32_t(job->m_iDotSize))) {
        job->SetErrorMessageF("%s: Dot size %d not in table for printer %d", kName, job->m_iDotSize, model);
        job->Log(0, "%s: Dot size %d not in table for printer %d", kName, job->m_iDotSize, model);
        ClearHooks(job);
        return -2;
    }
    // "QV" carries the lamps' levels as they are given, unless the panel's settings count.
    for (size_t i = 0; job->m_iUvCuringUsePanel != 1 && i < job->m_aiUvLampLevel.size(); ++i) {
        const std::string key = "Output/Prn/Specific/UVCuring/Lamp" + std::to_string(i + 1);
        if (!HeaderFieldHolds(job, key.c_str(), job->m_aiUvLampLevel[i], job->m_aiUvLampLevel[i], 0xFF)) {
            ClearHooks(job);
            return -2;
        }
    }

    auto driver = std::make_unique<UJFx042_Intern>(job);
    const bool started = UJFx042_InitHalftone(driver.get(), job);
    if (!started || !PictureHasChannels(job, kName, kConfigs[driver->m_pPrinterType->m_ColorConfig].imageType,
                                        job->m_pHalftone->LinearizeInput())) {
        if (!started) job->SetErrorMessageF("Internal error %s UJFx042_InitHalftone failed", kName);
        job->m_pHalftone.reset();
        job->m_pOutLine = nullptr;  // the halftoner's line went with it
        ClearHooks(job);
        return -2;
    }
    job->m_pDriver = std::move(driver);
    return 0;
}
