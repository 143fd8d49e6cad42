// The JV400 line: job start, planar halftoner set-up, page header, raster
// lines and the page end it shares with the JV5 line.
#include "drivers/jv400.h"

#include <algorithm>
#include <exception>

#include "drivers/jv33_shared.h"
#include "drivers/jv4.h"
#include "drivers/mrl/mrl_page_buffer.h"
#include "drivers/mrl/mrl_segments.h"
#include "drivers/picture_check.h"
#include "halftone/halftone.h"
#include "printers/ink_set.h"
#include "printers/model_predicates.h"

namespace {

constexpr size_t kMinimumLineCapacity = 16384;
constexpr size_t kLineCapacitySlack = 1024;

// What an output colour mode makes of a job, with and without white ink.
struct ImageType {
    int32_t outputColorMode;
    bool white;
    const char* name;
    int32_t channels;
    int32_t debugColourCode;
    LinearizeFunction linearize;
};
const ImageType kImageTypes[] = {
    {4, false, "CMYK", 4, 4, &CHalftone::LinearizeLine4A},
    {4, true, "CMYK+W", 6, 57, &CHalftone::LinearizeLine5C},
    {8, false, "CMYKOG", 6, 8, &CHalftone::LinearizeLine6A},
    {8, true, "CMYKOG+W", 8, 47, &CHalftone::LinearizeLine7A},
};
constexpr int32_t kWhiteChannels = 2;
constexpr int32_t kModes[] = {4, 8};  // the output colour modes of the image types

// Printer colour code of each halftoned channel.
constexpr uint8_t kColourCodesCMYK[] = {2, 1, 4, 0, 0xFE, 0xFF};
constexpr uint8_t kColourCodesCMYKOG[] = {2, 1, 4, 0, 5, 6, 0xFE, 0xFF};

// The code record of the default variable-dot sets: code 2 for the one dot size.
constexpr VdsDotCodes kDefaultDotCodes = {2};

// The pass count of "QP": the print quality below 200 (200 + N, the hi-speed
// form of N passes, gives N).
int32_t HeaderPasses(const CVarnPrn& job) { return job.m_iPrintQuality % 200; }

int32_t JobDotMode(const CVarnPrn& job) {
    return JV400_DotModeCode(job.m_iResolutionX, job.m_iResolutionY, job.m_iDotSize);
}

const ImageType* FindImageType(int32_t outputColorMode, bool white) {
    for (const ImageType& type : kImageTypes) {
        if (type.outputColorMode == outputColorMode && type.white == white) return &type;
    }
    return nullptr;
}

// Ink percentages of the linearisation curves in channel order.
std::vector<double> InkPercentages(const CVarnPrn& job) {
    std::vector<double> percent = IsPrinterModel740Or741(job.m_iPrinterModell) ? std::vector<double>{85, 80, 100, 80}
                                                                                : std::vector<double>{70, 60, 100, 60};
    if (job.m_iOutputColorMode == 8) percent.insert(percent.end(), {100, 100});
    percent.insert(percent.end(), {100, 100});
    return percent;
}

}  // namespace

const OutputColorModes JV400_OutputColorModes(kModes);

int32_t JV400_DotModeCode(int32_t x, int32_t y, int32_t dotSize) {
    if (dotSize != 1) return 1;
    if (x == 600) return 0;
    return (x == 1200 && y == 1200) ? 18 : 17;
}

int JV400_OpenJob(CVarnPrn* job) {
    if (job && !PassCountHolds(job, false, HeaderPasses(*job))) return -2;
    return jv33::OpenJob(job, "JV400", JV400_OpenPage, JV400_InitHalftone, JobDotMode);
}

std::unique_ptr<PlanarChannelParameters> JV400_CreateVdsParams(int bitsPerPixel) {
    if (bitsPerPixel != 2) return std::make_unique<PlanarChannelParameters>();
    // Small, medium and large dots, in the order they come in as the input rises.
    const std::array<std::vector<int32_t>, 3> xPos = {{
        {0, 11, 22, 34, 45, 56, 67, 79, 157, 255},
        {0, 79, 89, 98, 108, 217, 255},
        {0, 108, 123, 138, 152, 182, 196, 211, 240, 255},
    }};
    const std::array<std::vector<int32_t>, 3> yPos = {{
        {0, 27, 55, 82, 109, 137, 164, 191, 255, 255},
        {0, 0, 11, 35, 70, 255, 255},
        {0, 0, 7, 22, 42, 94, 123, 154, 221, 255},
    }};
    return PlanarChannel_VDS_Parameters::CreateFromPoints(xPos, yPos);
}

JV400ChannelSetup JV400_ChannelSetup(int32_t colourChannels, int32_t whiteChannels, int32_t dotMode, int32_t x,
                                     int32_t y) {
    JV400ChannelSetup setup;
    const auto add = [&setup](int32_t count, PlanarChannelFactory factory,
                              std::unique_ptr<PlanarChannelParameters> parameters) {
        if (count <= 0) return;
        for (int32_t i = 0; i < count; ++i) setup.types.push_back({factory, parameters.get()});
        setup.parameters.push_back(std::move(parameters));
    };
    if (dotMode != 1) {
        add(colourChannels + whiteChannels, CreatePlanarOne_SE1_NDS, std::make_unique<PlanarChannelParameters>());
        return setup;
    }
    if (x == 1200 && y == 1200) {
        add(colourChannels, CreatePlanarOne_SE1_VDS1, PlanarChannel_VDS_Parameters::CreateDefault(&kDefaultDotCodes));
    } else {
        add(colourChannels, CreatePlanarOne_SE1_VDS3, JV400_CreateVdsParams(2));
    }
    add(whiteChannels, CreatePlanarOne_SE1_VDS1, PlanarChannel_VDS_Parameters::CreateDefault(&kDefaultDotCodes));
    return setup;
}

int JV400_InitHalftone(CVarnPrn* job, int32_t dotMode) {
    if (!job) return -1;
    const bool white = JV400_PrinterHasWhite(job->m_iPrinterModell);
    const ImageType* type = FindImageType(job->m_iOutputColorMode, white);
    if (!type) {
        job->Log(0, "JV400_InitHalftone: Image type = unknown (%d)", job->m_iOutputColorMode);
        return -1;
    }
    // The lineariser reads a fixed number of bytes per pixel: a narrower
    // host line would be read across its pixels into inks the picture never had.
    if (!PictureHasChannels(job, "JV400_InitHalftone", type->name, FindLinearizeInput(type->linearize))) return -1;
    try {
        const int32_t bitsPerPixel = dotMode == 1 ? 2 : 1;
        job->m_pHalftone = std::make_unique<CHalftone>(job);
        CHalftone& halftone = *job->m_pHalftone;
        halftone.HalftoneRoutine = HALF_ROUTINE_PLANAR;
        halftone.m_iBitsPerPixel = bitsPerPixel;
        halftone.m_iDotMode = uint32_t(dotMode);
        halftone.m_iPlanarParam = 0;
        halftone.m_iScreeningParam = 0;

        job->Log(3000, "JV400_InitHalftone: Image type = %s", type->name);
        job->m_iOutChannels = type->channels;
        job->m_iHalftoneDebugLayout = type->debugColourCode;
        const int32_t whiteChannels = white ? kWhiteChannels : 0;
        // The parameter sets live until the halftoner's job start has returned.
        JV400ChannelSetup channels = JV400_ChannelSetup(type->channels - whiteChannels, whiteChannels, dotMode,
                                                        job->m_iResolutionX, job->m_iResolutionY);
        PlanarHalfConfig config;
        config.job = job;
        config.threadCount = job->m_iHalftoneThreadCount;
        config.channelTypes = channels.types;
        const std::vector<double> percent = InkPercentages(*job);
        halftone.BuildLinCurves(percent.data(), type->channels);
        halftone.SetLinearizeFunction(type->linearize);
        halftone.m_pPlanarHalf = CPlanarHalf::Create(config);
        if (!halftone.m_pPlanarHalf || halftone.InitJob(job) != 0) return -1;
        if (white) halftone.InitChannelMaps(job);
        return 0;
    } catch (const std::exception& e) {
        job->Log(0, "JV400_InitHalftone: %s", e.what());
        return -1;
    }
}

uint8_t JV400_VacuumCode(int32_t vacuumPower) {
    return (vacuumPower >= 1 && vacuumPower <= 4) ? uint8_t(4 - vacuumPower) : 0xFF;
}

Bytes MRL_QP_JV400(uint8_t dotMode, uint16_t yDpi, uint16_t xDpi, uint8_t passes, uint8_t hiSpeed, uint8_t direction,
                   uint8_t media, uint8_t resolutionClass, uint8_t last) {
    return MRL_IV_QP(dotMode, yDpi, xDpi, passes, hiSpeed, direction, media, 0xFF, resolutionClass, last);
}

Bytes MRL_III_PL_OverPlotting(CVarnPrn* job) {
    if (!job || !JV400_PrinterHasWhite(job->m_iPrinterModell)) {
        if (job) job->Log(3000, "MRL_III_PL_OverPlotting !JV400_PrinterHasWhite");
        return {};
    }
    if (GetInkSetCode(job, 1) == kInkSetCode422) {
        job->Log(3000, "MRL_III_PL_OverPlotting NONE");
        return {};
    }
    const uint8_t level = (job->m_iWhiteOrder == 0 || job->m_iWhiteOrder == 1) ? uint8_t(job->m_iWhiteOrder) : 0xFF;
    job->Log(3000, "MRL_III_PL_OverPlotting level=%d mode=%d characteristic=%d", 2, int(level), -1);
    return MRL_PL(1, 2, level, 0xFF);
}

int JV400_OpenPage(CVarnPrn* job) {
    if (!job) return -1;
    const int32_t dotMode = JobDotMode(*job);
    jv400::StartPage(job, "JV400_OpenPage", JV400_WriteLine, dotMode);
    if (!jv33::CheckResolution(job, "JV400_OpenPage")) return jv33::FailPage(job);

    const int32_t x = job->m_iResolutionX;
    const int32_t y = job->m_iResolutionY;
    const uint8_t passes = uint8_t(HeaderPasses(*job));
    const uint8_t hiSpeed = job->m_iPrintQuality / 200 != 0 ? 1 : 0;
    const std::vector<double>& heaters = job->m_vHeatersCelsius;
    const uint8_t direction = job->m_iPrintDirection != 0 ? 1 : 0;
    const uint8_t media = MRL_MediaTypeCode(job->m_iMediaTypeID);
    const uint8_t dryer = MRL_TenthsCode(job->m_dDryTimePerScan, 0, 99);
    const uint8_t resolutionClass = (!JV400_PrinterHasWhite(job->m_iPrinterModell) && x == 600) ? 0 : 2;

    Bytes header = MRL_IV_QK(GetJobOptionValue(heaters, 0, 70), GetJobOptionValue(heaters, 1, 70),
                             GetJobOptionValue(heaters, 2, 70), GetJobOptionValueInRange(heaters, 3, 1, 20));
    jv33::AppendBytes(header, MRL_Q_At());
    jv33::AppendBytes(header, MRL_QA_FeedAdjust(job));
    jv33::AppendBytes(header, MRL_QC(0, dryer, 0xFFFF, 0xFF, JV400_VacuumCode(job->m_iVacuumPower)));
    jv33::AppendBytes(header, MRL_QP_JV400(uint8_t(dotMode), uint16_t(y), uint16_t(x), passes, hiSpeed, direction,
                                           media, resolutionClass, 0));
    jv33::AppendBytes(header, MRL_III_PL_OverPlotting(job));
    return jv33::WritePageHeader(job, "JV400_OpenPage", header);
}

int JV400_WriteLine(CVarnPrn* job) {
    if (!job) return -1;
    const uint8_t* codes = job->m_iOutputColorMode == 8 ? kColourCodesCMYKOG : kColourCodesCMYK;
    const int available = job->m_iOutputColorMode == 8 ? 8 : 6;
    jv33::LineRecord records[8];
    const int count = std::clamp(job->m_iOutChannels, 0, available);
    for (int i = 0; i < count; ++i) records[i] = {i, codes[i]};
    return jv33::WriteRecords(job, "JV400_WriteLine", records, count, RasterForm::Q);
}

namespace jv400 {

void StartPage(CVarnPrn* job, const char* step, JobHook printLine, int32_t dotMode) {
    MrlPageBuffer* page = jv33::StartPage(job, std::make_unique<MrlPageBuffer>(), step, printLine, JV400_ClosePage);
    const size_t planes = size_t(std::max(job->m_iOutChannels, 0));
    const size_t bytesPerPlane = size_t(std::max(job->m_iBytesPerChannel, 0));
    page->m_Output.Reserve(std::max(planes * bytesPerPlane + kLineCapacitySlack, kMinimumLineCapacity));
    page->m_bTwoBitsPerPixel = dotMode == 1 ? 1 : 0;
}

}  // namespace jv400
