#include "drivers/jfx/printer_type.h"

#include "drivers/jfx/jfx.h"
#include "job/varn_prn.h"

namespace {

const JfxColorConfigRow kColorConfigs[] = {
#include "drivers/jfx/jfx_color_configs.inc"
};

const JfxModelRow kModels[] = {
#include "drivers/jfx/jfx_models.inc"
};

const char* YesNo(bool b) { return b ? "true" : "false"; }

// The dot sets of the JFX heads: drop volumes in picolitres, 40 % transitions.
const VdsDotSetDescriptor kWf1ThreeDots{"WF1 3dots - 8.6pl, 18.0pl, 23.3pl", {8.6f, 18.0f, 23.3f}, {40, 40}};
const VdsDotSetDescriptor kWf1TwoDots{"WF1 2dots - 8.6pl, 18.0pl", {8.6f, 18.0f}, {40}};
const VdsDotSetDescriptor kWf4ThreeDots{"WF4 3dots - 3.6pl, 6.8pl, 12.5pl", {3.6f, 6.8f, 12.5f}, {40, 40}};
const VdsDotSetDescriptor kWf4TwoDots{"WF4 2dots - 3.6pl, 6.8pl", {3.6f, 6.8f}, {40}};

// The columns of the model table: CMYK and CMYKcm (which a model without
// CMYKcm prints with its CMYK configuration).
constexpr int32_t kModes[] = {4, 6};

}  // namespace

const OutputColorModes JFX_OutputColorModes(kModes);

const JfxColorConfigRow* JfxColorConfig(int32_t colorConfig) {
    if (colorConfig < 0 || size_t(colorConfig) >= sizeof kColorConfigs / sizeof kColorConfigs[0]) return nullptr;
    return &kColorConfigs[colorConfig];
}

const JfxModelRow* JfxModel(int32_t printerModel) {
    for (const JfxModelRow& row : kModels) {
        if (row.model == printerModel) return &row;
    }
    return nullptr;
}

int32_t JfxModelClass(int32_t printerModel) {
    if (printerModel >= 7081 && printerModel <= 7084) return 1;
    if (printerModel >= 7085 && printerModel <= 7091) return 2;
    return 0;
}

int clsPrinterType_JFX::Initialize(CVarnPrn* job) {
    const int32_t model = job->m_iPrinterModell;
    const JfxModelRow* row = JfxModel(model);
    job->Log(3000, "clsPrinterType_JFX::Initialize\tpPrn->m_iPrinterModell: %d  JobID=%d", model,
             int(job->GetJobId()));

    m_bHasWhiteInk = row && row->white;
    if (m_bHasWhiteInk) {
        switch (job->m_iWhiteOrder) {
            case 0: m_WhitePrintOrder = 1; break;
            case 4: m_WhitePrintOrder = 3; break;
            case 5: m_WhitePrintOrder = 2; break;
            default: m_WhitePrintOrder = 0; break;
        }
    }
    job->Log(3000, "clsPrinterType_JFX::Initialize m_bHasWhiteInk: %s", YesNo(m_bHasWhiteInk));
    job->Log(3000, "clsPrinterType_JFX::Initialize m_WhitePrintOrder: %d (0=COW, 1=WOC, -1=NA)", m_WhitePrintOrder);

    m_bHasClearInk = row && row->clear;
    if (m_bHasClearInk) {
        m_CuringType = job->m_iClearMode == 3 ? -1 : (job->m_iClearSurface != 0 ? 4 : 3);
    }
    job->Log(3000, "clsPrinterType_JFX::Initialize m_bHasClearInk: %s", YesNo(m_bHasClearInk));
    job->Log(3000, "clsPrinterType_JFX::Initialize m_CuringType: %d (0=matte, 1=glossy, -1=NA)", m_CuringType);

    m_bHasPrimerInk = row && row->primer;
    job->Log(3000, "clsPrinterType_JFX::Initialize m_bHasPrimerInk: %s", YesNo(m_bHasPrimerInk));

    m_ColorConfig = row ? (job->m_iOutputColorMode == 4 ? row->configCmyk : row->configOther) : -1;
    job->Log(3000, "clsPrinterType_JFX::Initialize m_ColorConfig: %d", m_ColorConfig);

    if (m_bHasWhiteInk && m_bHasClearInk && job->m_iClearMode != 3 && job->m_iWhiteMode != 3 &&
        m_WhitePrintOrder == 0) {
        job->UpdateInfoMessage(true, "Printing Clear Ink over White-on-Color does not make any sense");
        job->Log(0, "Printing Clear Ink over White-on-Color does not make any sense. Show error and return.");
        return -1;
    }

    if (const JfxColorConfigRow* config = JfxColorConfig(m_ColorConfig)) {
        m_NumOfChannels = config->channels;
        m_DbgOutColorMode = config->dbgOutColorMode;
        m_pfnLinearize = config->linearize;
        job->Log(3000, "clsPrinterType_JFX::Initialize: Image type = %s", config->name);
    } else {
        job->Log(0, "clsPrinterType_JFX::Initialize: (ERROR) Image type = Unknown");
    }
    job->Log(3000, "clsPrinterType_JFX::Initialize m_NumOfChannels: %d", m_NumOfChannels);
    job->Log(3000, "clsPrinterType_JFX::Initialize m_DbgOutColorMode: %d", m_DbgOutColorMode);
    m_ModelClass = JfxModelClass(model);
    return 0;
}

std::vector<double> JfxInkLimits(const std::vector<double>& preLimits, int32_t channels, int32_t outputColorMode,
                                 int32_t colorConfig) {
    std::vector<double> limits(size_t(channels > 0 ? channels : 0), 100.0);
    for (size_t c = 0; c < limits.size() && c < 8 && c < preLimits.size(); ++c) limits[c] = preLimits[c];
    const bool lightPlanes = colorConfig == 1 || (colorConfig >= 12 && colorConfig <= 17);
    if (outputColorMode == 6 && lightPlanes && limits.size() >= 6) {
        limits[4] = limits[0];
        limits[5] = limits[1];
    }
    return limits;
}

std::unique_ptr<PlanarChannel_VDS_Parameters> JFX_CreateVdsParams_WF1_2Dots() {
    return std::make_unique<PlanarChannel_VDS_Parameters>(kWf1TwoDots);
}
std::unique_ptr<PlanarChannel_VDS_Parameters> JFX_CreateVdsParams_WF1_3Dots() {
    return std::make_unique<PlanarChannel_VDS_Parameters>(kWf1ThreeDots);
}
std::unique_ptr<PlanarChannel_VDS_Parameters> JFX_CreateVdsParams_WF4_2Dots() {
    return std::make_unique<PlanarChannel_VDS_Parameters>(kWf4TwoDots);
}
std::unique_ptr<PlanarChannel_VDS_Parameters> JFX_CreateVdsParams_WF4_3Dots() {
    return std::make_unique<PlanarChannel_VDS_Parameters>(kWf4ThreeDots);
}

JfxChannelSetup JfxChannelSetupForDotSize(int32_t dotSize, bool variable) {
    JfxChannelSetup setup;
    if (!variable) {
        setup.factory = CreatePlanarOne_SE1_NDS;
        setup.parameters = std::make_unique<PlanarChannelParameters>();
        return setup;
    }
    switch (dotSize) {
        case 2:
        case 7:
            setup.factory = CreatePlanarOne_SE1_VDS3;
            setup.parameters = JFX_CreateVdsParams_WF1_3Dots();
            break;
        case 3:
        case 8:
            setup.factory = CreatePlanarOne_SE1_VDS2;
            setup.parameters = JFX_CreateVdsParams_WF1_2Dots();
            break;
        case 9:
            setup.factory = CreatePlanarOne_SE1_VDS3;
            setup.parameters = JFX_CreateVdsParams_WF4_3Dots();
            break;
        case 10:
            setup.factory = CreatePlanarOne_SE1_VDS2;
            setup.parameters = JFX_CreateVdsParams_WF4_2Dots();
            break;
        default:
            break;  // no variable dot set: the caller refuses the set-up
    }
    return setup;
}
