// What a JFX job prints: configuration by model and output mode, the
// clear-over-white refusal, the dot sizes' halftoners and the ink limits.
#include "drivers/jfx/printer_type.h"

#include <gtest/gtest.h>

#include "jfx_test_support.h"
#include "printers/print_modes.h"

namespace {

using jfxtest::JfxTest;

TEST(JfxTables, ConfigurationsAndModelsAreConsistent) {
    for (int32_t c = 0; c < 18; ++c) {
        const JfxColorConfigRow* row = JfxColorConfig(c);
        ASSERT_NE(row, nullptr);
        EXPECT_TRUE(row->channels == 4 || row->channels == 6 || row->channels == 8) << c;
        EXPECT_NE(row->linearize, nullptr);
        const uint32_t cmyk[4] = {2, 1, 4, 0};
        for (int p = 0; p < 4; ++p) EXPECT_EQ(row->planeCodes[p], cmyk[p]) << c;
        for (int p = 0; p < row->channels; ++p) {
            for (int q = 0; q < p; ++q) EXPECT_NE(row->planeCodes[p], row->planeCodes[q]) << c;
        }
    }
    EXPECT_EQ(JfxColorConfig(18), nullptr);
    EXPECT_EQ(JfxColorConfig(-1), nullptr);
    for (int32_t model = 7081; model <= 7091; ++model) {
        ASSERT_NE(JfxModel(model), nullptr) << model;
        EXPECT_EQ(JfxModelClass(model), model <= 7084 ? 1 : 2);
    }
    EXPECT_EQ(JfxModel(7080), nullptr);
    EXPECT_EQ(JfxModelClass(7092), 0);
}

struct Expected {
    int model, outputMode, config, channels;
    LinearizeFunction linearize;
};

TEST_F(JfxTest, ModelAndOutputModeGiveTheConfiguration) {
    const Expected cases[] = {
        {7081, 4, 0, 4, &CHalftone::LinearizeLine4A},  {7081, 6, 1, 6, &CHalftone::LinearizeLine6F},
        {7082, 4, 2, 6, &CHalftone::LinearizeLine5C},  {7082, 6, 12, 8, &CHalftone::LinearizeLine7D},
        {7083, 4, 7, 8, &CHalftone::LinearizeLine6E},  {7083, 6, 15, 8, &CHalftone::LinearizeLine8B},
        {7084, 4, 10, 8, &CHalftone::LinearizeLine7B}, {7085, 4, 0, 4, &CHalftone::LinearizeLine4A},
        {7086, 4, 2, 6, &CHalftone::LinearizeLine5C},  {7087, 4, 4, 6, &CHalftone::LinearizeLine6D},
        {7088, 4, 5, 6, &CHalftone::LinearizeLine6D},  {7089, 4, 3, 6, &CHalftone::LinearizeLine5B},
        {7090, 4, 11, 6, &CHalftone::LinearizeLine5A}, {7091, 4, 6, 6, &CHalftone::LinearizeLine6B},
    };
    for (const Expected& e : cases) {
        // White order 0 (white on colour): the one order every model accepts.
        Open(e.model, "Output/Prn/Specific/White/Order = 0\n");
        job->m_iOutputColorMode = e.outputMode;
        clsPrinterType_JFX type;
        ASSERT_EQ(type.Initialize(job.get()), 0) << e.model;
        EXPECT_EQ(type.m_ColorConfig, e.config) << e.model;
        EXPECT_EQ(type.m_NumOfChannels, e.channels) << e.model;
        EXPECT_TRUE(type.m_pfnLinearize == e.linearize) << e.model;
        EXPECT_EQ(type.m_ModelClass, e.model <= 7084 ? 1 : 2);
    }
    EXPECT_TRUE(log.Has(3000, "clsPrinterType_JFX::Initialize: Image type = CMYKcm + W V"));
    const JfxColorConfigRow* row = JfxColorConfig(15);
    EXPECT_EQ(std::vector<uint32_t>(row->planeCodes, row->planeCodes + 8),
              (std::vector<uint32_t>{2, 1, 4, 0, 0x12, 0x11, 0xFF, 0xFD}));
}

TEST_F(JfxTest, ClearOverWhiteOnColourIsRefusedWithAMessage) {
    Open(7087, "Output/Prn/Specific/White/Order = 2\nOutput/Prn/Specific/White/Mode = 1\n"
               "Output/Prn/Specific/Clear/Mode = 0\n");
    clsPrinterType_JFX refused;
    EXPECT_EQ(refused.Initialize(job.get()), -1);
    EXPECT_EQ(refused.m_WhitePrintOrder, 0);
    EXPECT_EQ(refused.m_pfnLinearize, nullptr);
    EXPECT_EQ(Strings("Process/InfoMessage"),
              std::vector<std::string>{"Printing Clear Ink over White-on-Color does not make any sense"});
    EXPECT_EQ(JFX500_OpenJob(job.get()), -2);
    EXPECT_EQ(ErrorMessage(), "Internal error JFX_OpenJob InitHalftone failed");
    EXPECT_EQ(job->m_pDriver, nullptr);

    Open(7087, "Output/Prn/Specific/White/Order = 0\nOutput/Prn/Specific/White/Mode = 1\n");
    clsPrinterType_JFX accepted;
    EXPECT_EQ(accepted.Initialize(job.get()), 0);
    EXPECT_EQ(accepted.m_WhitePrintOrder, 1);
    EXPECT_EQ(accepted.m_CuringType, 3);

    Open(7087, "Output/Prn/Specific/White/Order = 2\nOutput/Prn/Specific/Clear/Mode = 3\n");
    clsPrinterType_JFX noClear;
    EXPECT_EQ(noClear.Initialize(job.get()), 0);
    EXPECT_EQ(noClear.m_CuringType, -1);
}

struct DotCase {
    int model, dotSize, bitsPerPixel;
    PlanarChannelFactory factory;
    uint8_t modeCode, dotFlag;
};

TEST_F(JfxTest, EachDotSizeGivesItsHalftonerAndQpCodes) {
    const DotCase cases[] = {
        {7081, 2, 2, CreatePlanarOne_SE1_VDS3, 1, 1}, {7081, 3, 2, CreatePlanarOne_SE1_VDS2, 1, 1},
        {7081, 4, 1, CreatePlanarOne_SE1_NDS, 18, 1},  {7081, 5, 1, CreatePlanarOne_SE1_NDS, 17, 1},
        {7081, 6, 1, CreatePlanarOne_SE1_NDS, 16, 1},  {7085, 7, 2, CreatePlanarOne_SE1_VDS3, 1, 1},
        {7085, 8, 2, CreatePlanarOne_SE1_VDS2, 1, 1},  {7085, 9, 2, CreatePlanarOne_SE1_VDS3, 1, 4},
        {7085, 10, 2, CreatePlanarOne_SE1_VDS2, 1, 4}, {7085, 11, 1, CreatePlanarOne_SE1_NDS, 18, 1},
        {7085, 12, 1, CreatePlanarOne_SE1_NDS, 17, 1}, {7085, 13, 1, CreatePlanarOne_SE1_NDS, 16, 1},
    };
    for (const DotCase& c : cases) {
        Open(c.model, "Output/Prn/Specific/DotSize = " + std::to_string(c.dotSize) + "\n");
        ASSERT_EQ(c.model == 7081 ? JFX200_OpenJob(job.get()) : JFX500_OpenJob(job.get()), 0) << c.dotSize;
        EXPECT_EQ(job->m_pHalftone->m_iBitsPerPixel, c.bitsPerPixel) << c.dotSize;
        EXPECT_EQ(job->m_pHalftone->HalftoneRoutine, 118);
        EXPECT_EQ(Driver()->m_BitsPerPixel, c.bitsPerPixel);
        const auto& types = job->m_pHalftone->m_pPlanarHalf->Config().channelTypes;
        ASSERT_EQ(types.size(), 4u);
        EXPECT_EQ(types[0].factory, c.factory) << c.dotSize;
        const auto qp = prndecode::DecodeMrl(Driver()->InitializationSequence(job.get())).back();
        ASSERT_EQ(qp.name, "QP");
        EXPECT_EQ(qp.params[0], c.modeCode) << c.dotSize;
        EXPECT_EQ(qp.params[10], c.dotFlag) << c.dotSize;
    }
    // The WF4 three-dot set differs from the WF1 one that dot size 7 takes.
    const auto wf1 = JFX_CreateVdsParams_WF1_3Dots();
    const auto wf4 = JFX_CreateVdsParams_WF4_3Dots();
    EXPECT_NE(wf1->levelCurves[0], wf4->levelCurves[0]);
    EXPECT_NE(JFX_CreateVdsParams_WF1_2Dots()->levelCurves[0], JFX_CreateVdsParams_WF4_2Dots()->levelCurves[0]);
}

TEST_F(JfxTest, PrintModeOrDotSizeMissingFromTheTablesIsRefusedAtJobStart) {
    Open(7085, "Output/Prn/Specific/DotSize = 2\n");
    EXPECT_EQ(JFX500_OpenJob(job.get()), -2);
    EXPECT_EQ(ErrorMessage(), "JFX_OpenJob: Dot size 2 not in table for printer 7085");
    EXPECT_EQ(job->m_pHalftone, nullptr);
    Open(7082, "Output/Prn/Specific/PrintQuality = 6060080\n");  // a 7081 mode
    EXPECT_EQ(JFX200_OpenJob(job.get()), -2);
    EXPECT_EQ(ErrorMessage(), "JFX_OpenJob: Print mode 6060080 not in table for printer 7082");
    EXPECT_EQ(job->m_pDriver, nullptr);
}

TEST(JfxInkLimits, LightPlanesTakeCyanAndMagentaOnlyWhereTheyAreLightInk) {
    const std::vector<double> three{50, 60, 70};
    const std::vector<double> six{50, 60, 70, 80, 90, 95};
    const std::vector<double> eight{11, 12, 13, 14, 15, 16, 17, 18};
    EXPECT_EQ(JfxInkLimits(three, 4, 4, 0), (std::vector<double>{50, 60, 70, 100}));
    EXPECT_EQ(JfxInkLimits(three, 6, 6, 1), (std::vector<double>{50, 60, 70, 100, 50, 60}));
    EXPECT_EQ(JfxInkLimits(six, 6, 4, 1), six);
    EXPECT_EQ(JfxInkLimits(six, 6, 6, 1), (std::vector<double>{50, 60, 70, 80, 50, 60}));
    EXPECT_EQ(JfxInkLimits(eight, 8, 6, 15), (std::vector<double>{11, 12, 13, 14, 11, 12, 17, 18}));
    // Configuration 10 (7084 in mode 6): planes 4 and 5 are white and keep their own.
    EXPECT_EQ(JfxInkLimits(eight, 8, 6, 10), eight);
    EXPECT_EQ(JfxInkLimits(eight, 4, 4, 0), (std::vector<double>{11, 12, 13, 14}));
}

}  // namespace
