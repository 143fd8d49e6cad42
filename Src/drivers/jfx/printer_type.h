// What a JFX flatbed prints for a job: white, clear and primer ink, the white
// print order, the clear-ink curing type and the colour configuration with
// its channels, lineariser and plane codes; and the variable-dot parameter
// sets of its dot sizes.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "halftone/halftone.h"
#include "halftone/variable_dot.h"

class CVarnPrn;

// One colour configuration (0 to 17).
struct JfxColorConfigRow {
    const char* name;  // "CMYK + W1 W2"
    int32_t channels;
    int32_t dbgOutColorMode;
    LinearizeFunction linearize;
    uint32_t planeCodes[8];  // the first `channels` are used
};
// The row of a configuration, or null outside 0 to 17.
const JfxColorConfigRow* JfxColorConfig(int32_t colorConfig);

// One JFX model.
struct JfxModelRow {
    int32_t model;
    int32_t configCmyk;    // output colour mode 4
    int32_t configOther;   // any other output colour mode
    bool white;
    bool clear;
    bool primer;
};
// The row of a model, or null for a model outside 7081 to 7091.
const JfxModelRow* JfxModel(int32_t printerModel);

// 1 for the JFX200 models (7081 to 7084), 2 for the JFX500 (7085 to 7091), else 0.
int32_t JfxModelClass(int32_t printerModel);

class clsPrinterType_JFX {
public:
    // 0, or -1 when the job asks for clear ink over white-on-colour (the user
    // is told; no lineariser is set).
    int Initialize(CVarnPrn* job);

    bool m_bHasClearInk = false;
    bool m_bHasWhiteInk = false;
    bool m_bHasPrimerInk = false;
    int32_t m_CuringType = -1;       // 3, 4, or -1 for none
    int32_t m_WhitePrintOrder = -1;  // -1 without white ink, else 0 to 3
    int32_t m_NumOfChannels = 0;
    int32_t m_DbgOutColorMode = 0;
    int32_t m_ColorConfig = -1;
    int32_t m_ModelClass = 0;
    LinearizeFunction m_pfnLinearize = nullptr;
};

// The ink limit of each channel in percent: 100, or the job's pre-limit of
// that channel (at most eight); with output colour mode 6 the light cyan and
// light magenta planes of the configurations that have them take the limits
// of cyan and magenta.
std::vector<double> JfxInkLimits(const std::vector<double>& preLimits, int32_t channels, int32_t outputColorMode,
                                 int32_t colorConfig);

// The variable-dot parameter sets of the JFX dot sets. Throw TextError when
// the curves cannot be built.
std::unique_ptr<PlanarChannel_VDS_Parameters> JFX_CreateVdsParams_WF1_2Dots();
std::unique_ptr<PlanarChannel_VDS_Parameters> JFX_CreateVdsParams_WF1_3Dots();
std::unique_ptr<PlanarChannel_VDS_Parameters> JFX_CreateVdsParams_WF4_2Dots();
std::unique_ptr<PlanarChannel_VDS_Parameters> JFX_CreateVdsParams_WF4_3Dots();

// The channel halftoner of a dot size and its parameter set (null for fixed
// dots, which take a bare parameter object).
struct JfxChannelSetup {
    PlanarChannelFactory factory = nullptr;
    std::unique_ptr<PlanarChannelParameters> parameters;
};
JfxChannelSetup JfxChannelSetupForDotSize(int32_t dotSize, bool variable);
