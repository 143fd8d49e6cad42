// The UJF-x042 line: printer type and configurations, the halftoner set-up,
// the initialisation sequence, the layer list and the pages with their
// spool-file playback, decoded from what the host receives.
#include "drivers/ujf_x042.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "drivers/family_test_support.h"
#include "platform/system.h"
#include "support/scratch_folder.h"

namespace {

using Codes = std::vector<uint32_t>;
const std::string kJob = FamilyJobTicket(7052, 720, 600, 2, 7260080) + "Output/Prn/Specific/White/Order = 0\n";

class UJFx042Test : public FamilyTest {
protected:
    CVarnPrn& Open(int model, const std::string& extra = "") {
        writer = CapturingWriter();
        CVarnPrn& j = OpenTicket(kJob + ExampleLinearisation() + "Output/Prn/Printer/Model = " + std::to_string(model) +
                                 "\n" + extra);
        j.m_strTempFolder = folder.Path();
        // The picture has the channels the job's colour set-up reads.
        clsPrinterType type;
        if (type.Initialize(&j) == 0 && FindLinearizeInput(type.m_pfnLinearize)) {
            j.m_iComponents = FindLinearizeInput(type.m_pfnLinearize)->bytes;
        }
        return j;
    }
    // Output colour mode 6, with a linearisation file of the six-colour kind.
    std::string Mode6() {
        std::ofstream(folder.File("six.lin")) << "EPLSTANDIN 1\nkind 2\n";
        const std::string path = std::filesystem::path(folder.File("six.lin")).generic_string();  // no escapes
        return "Output/Prn/Printer/OutputColorMode = 6\nOutput/Prn/Linearization/BPLPath = \"" + path + "\"\n";
    }
    UJFx042_Intern* Driver() { return dynamic_cast<UJFx042_Intern*>(job->m_pDriver.get()); }
    std::vector<PlanarChannelFactory> Factories() {
        std::vector<PlanarChannelFactory> out;
        for (const auto& t : job->m_pHalftone->m_pPlanarHalf->Config().channelTypes) out.push_back(t.factory);
        return out;
    }
    // Opens a page, writes `lines` lines in which every plane has one dot
    // byte (line number + 1) and closes the page.
    void PrintPage(int lines) {
        ASSERT_EQ(job->m_pfnOpenPage(job.get()), 0);
        SetHalftonedLine(job->m_iOutChannels, 4);
        for (int y = 0; y < lines; ++y) {
            for (int p = 0; p < job->m_iOutChannels; ++p) Plane(p)[0] = uint8_t(y + 1);
            ASSERT_EQ(job->m_pfnPrintLine(job.get()), 0);
        }
        job->m_pfnClosePage(job.get());
    }
    // The data records after the page header, as command names, one string per record.
    std::vector<std::string> RecordShapes() {
        std::vector<std::string> out;
        for (const auto& r : writer.records) {
            std::string shape = r.tag == SPLTAG_PAGE_END ? "END:" : r.tag == SPLTAG_PAGE_HEADER ? "HDR:" : "";
            for (const auto& c : Commands(r)) shape += c.name + (c.isRaster ? std::to_string(c.colour) : "") + " ";
            out.push_back(shape);
        }
        return out;
    }
    ScratchFolder folder;
};

TEST(UJFx042Config, ModelAndOutputColourModeGiveTheConfiguration) {
    EXPECT_EQ(UJFx042_ColorConfig(7052, 4), 0);
    EXPECT_EQ(UJFx042_ColorConfig(7064, 6), 10);
    EXPECT_EQ(UJFx042_ColorConfig(7054, 6), 2);  // no CMYKcm variant
    EXPECT_EQ(UJFx042_ColorConfig(7062, 4), 9);
    EXPECT_EQ(UJFx042_ColorConfig(7069, 6), 12);
    EXPECT_EQ(UJFx042_ColorConfig(7070, 6), 8);
    EXPECT_EQ(UJFx042_ColorConfig(7071, 4), -1);
}

TEST(UJFx042Order, ConfigurationAndInksGiveTheLayers) {
    struct Case {
        int config;
        bool white, clear, primer;
        int curing, whiteOrder;
        std::vector<UJFx042PrintingOrder::Layer> layers;
        Codes codes;
    };
    const Case cases[] = {
        {0, false, false, false, -1, 1, {{{0, 1, 2, 3}, false, false}}, {2, 1, 4, 0, 254, 255}},
        {0, true, false, false, -1, 0, {{{0, 1, 2, 3, 4, 5}, true, false}}, {2, 1, 4, 0, 254, 255}},
        {1, false, true, false, 0, -1, {{{0, 1, 2, 3, 4, 5}, false, false}}, {2, 1, 4, 0, 255, 253}},
        {5, true, true, false, 1, 0, {{{0, 1, 2, 3, 4, 5}, true, false}, {{6, 7}, false, true}},
         {2, 1, 4, 0, 254, 255, 253, 252}},
        {8, true, true, true, 1, 0, {{{7}, false, false}, {{0, 1, 2, 3, 4, 5}, true, false}, {{6}, false, true}},
         {2, 1, 4, 0, 254, 255, 253, 252}},
        {7, false, true, true, 0, -1, {{{6, 7}, false, false}, {{0, 1, 2, 3, 4, 5}, false, false}},
         {2, 1, 4, 0, 255, 253, 252, 251}},
        {12, false, false, false, -1, -1, {{{0, 1, 2, 3, 4, 5}, false, false}}, {2, 1, 4, 0, 18, 17, 255, 253}},
        {15, false, true, true, 1, -1, {{{7}, false, false}, {{0, 1, 2, 3, 4, 5}, false, false}, {{6}, false, true}},
         {2, 1, 4, 0, 18, 17, 255, 253}},
    };
    for (const Case& c : cases) {
        const auto order = UJFx042_MakePrintingOrder(c.config, c.white, c.clear, c.primer, c.curing, c.whiteOrder);
        EXPECT_EQ(order.colourCodes, c.codes) << c.config;
        ASSERT_EQ(order.layers.size(), c.layers.size()) << c.config;
        for (size_t i = 0; i < c.layers.size(); ++i) {
            EXPECT_EQ(order.layers[i].planes, c.layers[i].planes) << c.config << " layer " << i;
            EXPECT_EQ(order.layers[i].backwards, c.layers[i].backwards) << c.config << " layer " << i;
            EXPECT_EQ(order.layers[i].glossy, c.layers[i].glossy) << c.config << " layer " << i;
        }
    }
    EXPECT_TRUE(UJFx042_MakePrintingOrder(16, true, true, true, 1, 0).layers.empty());
}

TEST(UJFx042Builders, PdAndQvHaveTheirLengthBytes) {
    EXPECT_EQ(MRL_IV_PD(2, 3, 2, 1), (Bytes{'P', 'D', 4, 2, 3, 2, 1}));
    EXPECT_EQ(MRL_IV_QV({1, 2, 3, 4, 5, 6, 7, 8, 9}), (Bytes{'Q', 'V', 9, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
}

TEST_F(UJFx042Test, PrinterTypeGivesChannelsDebugCodeAndLineariser) {
    Open(7054, Mode6());
    ASSERT_EQ(UJFx042_OpenJob(job.get()), 0);
    const clsPrinterType& type = *Driver()->m_pPrinterType;
    EXPECT_EQ(type.m_ColorConfig, 2);
    EXPECT_EQ(job->m_iOutChannels, 6);
    EXPECT_EQ(job->m_iHalftoneDebugLayout, 45);
    EXPECT_EQ(type.m_pfnLinearize, &CHalftone::LinearizeLine6D);
    EXPECT_TRUE(log.Has(3000, "clsPrinterType::Initialize: Image type = CMYK + W1 V1"));
    EXPECT_EQ(job->m_pfnOpenPage, &InternPageHook0);
    EXPECT_EQ(job->m_pfnCloseJob, &UJFx042_CloseJob);
    EXPECT_EQ(job->m_pHalftone->HalftoneRoutine, 118);
    EXPECT_EQ(writer.records[0].data, (Bytes{'Q', 'E', 0}));
}

TEST_F(UJFx042Test, ClearOverWhiteOnColourIsRefused) {
    Open(7063, "Output/Prn/Specific/White/Mode = 1\nOutput/Prn/Specific/White/Order = 1\n"
               "Output/Prn/Specific/Clear/Mode = 1\n");
    EXPECT_EQ(UJFx042_OpenJob(job.get()), -2);
    EXPECT_EQ(Strings("Process/InfoMessage"),
              std::vector<std::string>{"Printing Clear Ink over White-on-Color does not make any sense"});
    EXPECT_EQ(ErrorMessage(), "Internal error UJFx042_OpenJob UJFx042_InitHalftone failed");
    EXPECT_EQ(job->m_pfnOpenPage, nullptr);
    EXPECT_EQ(job->m_pfnCloseJob, nullptr);
    EXPECT_EQ(job->m_pDriver, nullptr);
    EXPECT_EQ(job->m_pHalftone, nullptr);
}

TEST_F(UJFx042Test, RowsMissingFromTheTablesAreRefusedAtJobStart) {
    Open(7052, "Output/Prn/Specific/PrintQuality = 7260081\n");
    EXPECT_EQ(UJFx042_OpenJob(job.get()), -2);
    EXPECT_EQ(ErrorMessage(), "UJFx042_OpenJob: Print mode 7260081 not in table for printer 7052");
    Open(7052, "Output/Prn/Specific/DotSize = 9\n");
    EXPECT_EQ(UJFx042_OpenJob(job.get()), -2);
    EXPECT_EQ(ErrorMessage(), "UJFx042_OpenJob: Dot size 9 not in table for printer 7052");
    EXPECT_EQ(job->m_pHalftone, nullptr);
}

TEST_F(UJFx042Test, ChannelSlotsFollowTheConfigurationAndTheBits) {
    const auto A2 = &CreatePlanarOne_SE1_VDS2, B2 = &CreatePlanarOne_SE1_VDS1, N = &CreatePlanarOne_SE1_NDS;
    using F = std::vector<PlanarChannelFactory>;
    Open(7052);  // configuration 0, variable dots
    ASSERT_EQ(UJFx042_OpenJob(job.get()), 0);
    EXPECT_EQ(Factories(), (F{A2, A2, A2, A2, B2, B2}));
    EXPECT_EQ(Driver()->m_BitsPerPixel, 2);
    Open(7059);  // configuration 5
    ASSERT_EQ(UJFx042_OpenJob(job.get()), 0);
    EXPECT_EQ(Factories(), (F{A2, A2, A2, A2, B2, B2, B2, B2}));
    Open(7069, Mode6() + "Output/Prn/Specific/DotSize = 4\n");  // configuration 12
    ASSERT_EQ(UJFx042_OpenJob(job.get()), 0);
    const auto A3 = &CreatePlanarOne_SE1_VDS3;
    EXPECT_EQ(Factories(), (F{A3, A3, A3, A3, A3, A3, B2, B2}));
    Open(7069, Mode6() + "Output/Prn/Specific/DotSize = 6\n");
    ASSERT_EQ(UJFx042_OpenJob(job.get()), 0);
    EXPECT_EQ(Factories(), (F{N, N, N, N, N, N, N, N}));
    Open(7052, "Output/Prn/Specific/DotSize = 5\n");
    ASSERT_EQ(UJFx042_OpenJob(job.get()), 0);
    EXPECT_EQ(Factories(), (F{N, N, N, N, N, N}));
    Open(7059, "Output/Prn/Specific/DotSize = 8\n");
    ASSERT_EQ(UJFx042_OpenJob(job.get()), 0);
    EXPECT_EQ(Factories(), (F{N, N, N, N, N, N, N, N}));
    EXPECT_EQ(Driver()->m_BitsPerPixel, 1);
    EXPECT_EQ(job->m_pHalftone->m_iBitsPerPixel, 1);
}

TEST_F(UJFx042Test, LightInksTakeTheColourPreLimitsOnlyInTheCmykcmConfigurations) {
    const std::string limits = Mode6() +
                               "Output/Prn/Specific/InkPreLimit/InkPreLimit1 = \"50\"\n"
                               "Output/Prn/Specific/InkPreLimit/InkPreLimit2 = \"60\"\n"
                               "Output/Prn/Specific/InkPreLimit/InkPreLimit3 = \"100\"\n"
                               "Output/Prn/Specific/InkPreLimit/InkPreLimit4 = \"100\"\n"
                               "Output/Prn/Specific/InkPreLimit/InkPreLimit5 = \"80\"\n"
                               "Output/Prn/Specific/InkPreLimit/InkPreLimit6 = \"80\"\n";
    Open(7064, limits);  // configuration 10: planes 4 and 5 are light cyan and light magenta
    ASSERT_EQ(UJFx042_OpenJob(job.get()), 0);
    EXPECT_EQ(job->m_pHalftone->Lin(4, 4095), 2048);
    EXPECT_EQ(job->m_pHalftone->Lin(5, 4095), 2457);
    Open(7054, limits);  // configuration 2: white and clear keep their own
    ASSERT_EQ(UJFx042_OpenJob(job.get()), 0);
    EXPECT_EQ(job->m_pHalftone->Lin(4, 4095), 3276);
    EXPECT_EQ(job->m_pHalftone->Lin(0, 4095), 2048);
}

TEST_F(UJFx042Test, InitialisationSequenceBytes) {
    Open(7052, "Output/Prn/Media/Spec/TypeID = 20\nOutput/Prn/Specific/DotSize = 3\n");
    ASSERT_EQ(UJFx042_OpenJob(job.get()), 0);
    job->m_dPaperFeedAdjust = 1.05;
    const Bytes expected = {'Q', '@', 0,                                                  // Q@
                            'Q', 'A', 3, 0, 255, 0,                                       // +500 held at 255
                            'Q', 'C', 11, 0xFF, 0, 255, 0xFF, 0xFF, 0xFF, 255, 0xFF, 0, 0xFF, 0,
                            'Q', 'P', 13, 0, 0x58, 0x02, 0xD0, 0x02, 8, 0, 255, 255, 255, 255, 255, 255,
                            'P', 'D', 4, 2, 5, 3, 1};
    EXPECT_EQ(Driver()->InitializationSequence(job.get()), expected);
    job->m_dPaperFeedAdjust = 1.0;
    job->m_iDotSize = 7;
    const Bytes seq = Driver()->InitializationSequence(job.get());
    EXPECT_EQ(Bytes(seq.begin() + 3, seq.begin() + 9), (Bytes{'Q', 'A', 3, 0, 0, 0}));  // sent also for 0
    EXPECT_EQ(Bytes(seq.end() - 7, seq.end()), (Bytes{'P', 'D', 4, 2, 3, 255, 255}));
}

TEST_F(UJFx042Test, OneForwardMainLayerWithoutWhite) {
    Open(7052, "Output/Prn/Specific/White/Mode = 3\nOutput/Prn/Specific/UVCuring/UsePanel = 0\n"
               "Output/Prn/Specific/UVCuring/Lamp1 = 10\nOutput/Prn/Specific/UVCuring/Lamp2 = 20\n"
               "Output/Prn/Specific/UVCuring/Lamp3 = 30\nOutput/Prn/Specific/UVCuring/Lamp4 = 40\n");
    ASSERT_EQ(UJFx042_OpenJob(job.get()), 0);
    writer.records.clear();
    PrintPage(3);
    const auto shapes = RecordShapes();
    ASSERT_EQ(shapes.size(), 6u);
    EXPECT_EQ(shapes[0], "HDR:");
    EXPECT_EQ(shapes[1], "Q@ QA QC QP PD PI QT QV ");
    EXPECT_EQ(shapes[2], "QD2 QR QD1 QR QD4 QR QD0 QR QR ");
    EXPECT_EQ(shapes[5], "END:QE ");
    const auto header = Commands(writer.records[1]);
    EXPECT_EQ(header[5].params, Bytes{1});                         // PI: the last layer with data
    EXPECT_EQ(header[6].params, (Bytes{0, 8, 0, 0, 0}));           // QT forwards, the page height
    EXPECT_EQ(header[7].params, (Bytes{1, 10, 10, 20, 20, 30, 30, 40, 40}));
    EXPECT_EQ(Commands(writer.records[2])[0].row, Bytes{1});       // file order
}

TEST_F(UJFx042Test, ColourOnWhitePlaysPlanesZeroToFiveInReverse) {
    Open(7052, "Output/Prn/Specific/White/Mode = 1\nOutput/Prn/Specific/White/Order = 0\n");
    ASSERT_EQ(UJFx042_OpenJob(job.get()), 0);
    writer.records.clear();
    PrintPage(3);
    const auto shapes = RecordShapes();
    ASSERT_EQ(shapes.size(), 6u);
    EXPECT_EQ(shapes[2], "QD2 QR QD1 QR QD4 QR QD0 QR QD254 QR QD255 QR QR ");
    EXPECT_EQ(Commands(writer.records[1])[6].params, (Bytes{1, 8, 0, 0, 0}));  // QT backwards
    EXPECT_EQ(Commands(writer.records[2])[0].row, Bytes{3});                  // last line first
    EXPECT_EQ(Commands(writer.records[4])[0].row, Bytes{1});
}

TEST_F(UJFx042Test, GlossyClearIsPlayedTwiceAndPrimerComesFirst) {
    Open(7063, "Output/Prn/Specific/White/Mode = 1\nOutput/Prn/Specific/White/Order = 0\n"
               "Output/Prn/Specific/Clear/Mode = 1\nOutput/Prn/Specific/Clear/Surface = 1\n"
               "Output/Prn/Specific/Primer/Mode = 1\n");
    ASSERT_EQ(UJFx042_OpenJob(job.get()), 0);
    writer.records.clear();
    PrintPage(2);
    const auto shapes = RecordShapes();
    // Header, primer (header, 2 lines), main, glossy pass 1, glossy pass 2, page end.
    ASSERT_EQ(shapes.size(), 14u);
    EXPECT_EQ(shapes[1], "Q@ QA QC QP PD PI QT QV ");
    EXPECT_EQ(shapes[2], "QD252 QR QR ");
    EXPECT_EQ(shapes[4], "QE Q@ QA QC QP PD PI QT QV ");
    EXPECT_EQ(shapes[5], "QD2 QR QD1 QR QD4 QR QD0 QR QD254 QR QD255 QR QR ");
    EXPECT_EQ(shapes[7], "QE Q@ QA QC QP PD PI QT QV ");
    EXPECT_EQ(shapes[8], "QD253 QR QR ");
    EXPECT_EQ(shapes[10], "QE Q@ QA QC QP PD PI QT QV ");
    EXPECT_EQ(shapes[13], "END:QE ");
    const auto pi = [&](size_t r) { return Commands(writer.records[r])[r == 1 ? 5 : 6].params[0]; };
    EXPECT_EQ(pi(1), 0);
    EXPECT_EQ(pi(4), 0);
    EXPECT_EQ(pi(7), 0);
    EXPECT_EQ(pi(10), 1);  // only the second pass of the last layer
    EXPECT_EQ(Commands(writer.records[7])[8].params, (Bytes{2, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Commands(writer.records[10])[7].params, (Bytes{1, 8, 0, 0, 0}));  // QT backwards
    EXPECT_EQ(Commands(writer.records[10])[8].params, (Bytes{0, 255, 255, 255, 255, 255, 255, 255, 255}));
    EXPECT_EQ(Commands(writer.records[11])[0].row, Bytes{2});
}

TEST_F(UJFx042Test, APageWithoutDataSendsTheEmptyHeaderAndQe) {
    Open(7052);
    ASSERT_EQ(UJFx042_OpenJob(job.get()), 0);
    writer.records.clear();
    ASSERT_EQ(job->m_pfnOpenPage(job.get()), 0);
    SetHalftonedLine(job->m_iOutChannels, 4);
    ASSERT_EQ(job->m_pfnPrintLine(job.get()), 0);
    EXPECT_EQ(job->m_pfnClosePage(job.get()), 0);
    EXPECT_EQ(RecordShapes(), (std::vector<std::string>{"HDR:", "END:QE "}));
    // A second page plays nothing of the first.
    PrintPage(1);
    writer.records.clear();
    ASSERT_EQ(job->m_pfnOpenPage(job.get()), 0);
    EXPECT_EQ(job->m_pfnClosePage(job.get()), 0);
    EXPECT_EQ(RecordShapes(), (std::vector<std::string>{"HDR:", "END:QE "}));
    EXPECT_EQ(UJFx042_CloseJob(job.get()), 0);
    EXPECT_EQ(Last().tag, SPLTAG_CLOSE_JOB);
    EXPECT_EQ(job->m_pDriver, nullptr);
}

// A failure in the first layer ends the page there: no further layer and no
// "QE", whether the host goes on refusing or would take the rest.
TEST_F(UJFx042Test, AFailedFirstPlaybackStopsThePage) {
    for (const bool onlyTheFirst : {false, true}) {
        SCOPED_TRACE(onlyTheFirst ? "only the first layer's header fails" : "every data record fails");
        Open(7063, "Output/Prn/Specific/White/Mode = 1\nOutput/Prn/Specific/White/Order = 0\n"
                   "Output/Prn/Specific/Primer/Mode = 1\n");
        ASSERT_EQ(UJFx042_OpenJob(job.get()), 0);
        ASSERT_EQ(job->m_pfnOpenPage(job.get()), 0);
        SetHalftonedLine(job->m_iOutChannels, 4);
        Plane(7)[0] = Plane(0)[0] = 1;
        ASSERT_EQ(job->m_pfnPrintLine(job.get()), 0);
        writer.records.clear();
        writer.failWith = 7;
        if (onlyTheFirst) {
            writer.failAt = writer.calls;
        } else {
            writer.failTag = SPLTAG_DATA;
        }
        EXPECT_EQ(job->m_pfnClosePage(job.get()), -7);
        EXPECT_TRUE(writer.records.empty());
        EXPECT_EQ(ErrorMessage(), std::string("UJF_ClosePage: ") + SpoolFileResultText(7));
        EXPECT_TRUE(log.Has(0, std::string("UJF_ClosePage: Error in layer 0 playback. error code: ") +
                                   SpoolFileResultText(7)));
    }
}

// A page header the host refuses fails the page start with a negative result
// (a positive one would count as success) and leaves no spool file behind.
TEST_F(UJFx042Test, ARefusedPageHeaderFailsThePageStart) {
    Open(7052);
    ASSERT_EQ(UJFx042_OpenJob(job.get()), 0);
    writer.failWith = 7;
    writer.failTag = SPLTAG_PAGE_HEADER;
    EXPECT_EQ(job->m_pfnOpenPage(job.get()), -7);
    for (const UJFx042Layer& layer : Driver()->m_vLayers) EXPECT_EQ(layer.spoolFile, nullptr);
}

TEST_F(UJFx042Test, SpoolFileAndWriterFailuresFailTheHook) {
    Open(7052);
    ASSERT_EQ(UJFx042_OpenJob(job.get()), 0);
    job->m_strTempFolder = folder.File("miss\ting");
    EXPECT_EQ(job->m_pfnOpenPage(job.get()), -1);
    const std::string own = "Mimaki_UJF_" + std::to_string(platform::CurrentProcessId()) + "_";
    EXPECT_NE(ErrorMessage().find("UJFx042_OpenPage: Spool file " + folder.File("miss\\x09ing/") + own),
              std::string::npos);
    EXPECT_EQ(ErrorMessage().substr(ErrorMessage().size() - MissingSpoolFolderReason().size()), MissingSpoolFolderReason());
    EXPECT_EQ(Driver()->m_vLayers[0].spoolFile, nullptr);
    job->m_strTempFolder = folder.Path();
    ASSERT_EQ(job->m_pfnOpenPage(job.get()), 0);
    SetHalftonedLine(job->m_iOutChannels, 4);
    Driver()->m_vLayers[0].activeWriter = nullptr;
    EXPECT_EQ(job->m_pfnPrintLine(job.get()), -1);
    EXPECT_EQ(ErrorMessage(), std::string("UJFx042_WriteLine: layer 0: ") + SpoolFileResultText(4));
}

}  // namespace

namespace {

TEST_F(UJFx042Test, DotCurvesRiseFromZeroToFull) {
    Open(7052);
    for (int dotSize : {2, 3, 4}) {
        job->m_iDotSize = dotSize;
        const auto params = UJFx042_CreateVdsParams(2, job.get());
        const auto* vds = dynamic_cast<const PlanarChannel_VDS_Parameters*>(params.get());
        ASSERT_NE(vds, nullptr);
        for (int c = 0; c < (dotSize == 4 ? 2 : 3); ++c) {
            const auto& curve = vds->levelCurves[size_t(c)];
            EXPECT_EQ(curve[0], 0) << dotSize << " curve " << c;
            EXPECT_EQ(curve[4095], 4095) << dotSize << " curve " << c;
            // Through the control levels the curve rises (the spline may swing between them).
            int previous = 0;
            for (int level : {25, 51, 77, 102, 127, 162}) {
                const int value = curve[size_t(CSpline::MapByte(level))];
                EXPECT_GE(value, previous) << dotSize << " curve " << c << " at " << level;
                previous = value;
            }
        }
    }
    EXPECT_EQ(ErrorMessage(), "");
    EXPECT_EQ(dynamic_cast<const PlanarChannel_VDS_Parameters*>(UJFx042_CreateVdsParams(1, job.get()).get()), nullptr);
}

}  // namespace
