// The JV300 line's job, halftoner set-up, page and line steps on jobs read
// from tickets; every record is decoded back.
#include "drivers/jv300/jv300.h"

#include <gtest/gtest.h>

#include <cstring>

#include "drivers/family_test_support.h"
#include "drivers/jv300/jv300_vds.h"
#include "halftone/planar_half.h"

namespace {

using prndecode::Command;

constexpr uint32_t kCodes[8] = {2, 1, 4, 0, 0x12, 0x11, 0xFE, 0xFF};

// 720 x 720 dpi, 8 passes, in both JV300 tables.
constexpr int kPrintQuality = 7272080;

struct JobShape {
    int model = 7001;
    int x = 720;
    int y = 720;
    int dotSize = 4;
    int inkType = 0;
    int outputMode = 4;
    bool white = false;
    bool silver = false;
    int printQuality = kPrintQuality;
    std::vector<double> preLimits;
    std::string extra;  // job keys
};

// The ticket lines of ink pre-limits (a 0 ends the list).
std::string PreLimitKeys(const std::vector<double>& values) {
    std::string text;
    for (size_t i = 0; i < 8; ++i) {
        text += "Output/Prn/Specific/InkPreLimit/InkPreLimit" + std::to_string(i + 1) + " = \"" +
                (i < values.size() ? std::to_string(values[i]) : std::string("0")) + "\"\n";
    }
    return text;
}

class JV300Test : public FamilyTest {
protected:
    CVarnPrn& Open(const JobShape& s) {
        writer = CapturingWriter();
        std::string text = FamilyJobTicket(s.model, s.x, s.y, s.dotSize, s.printQuality) +
                           "Output/Prn/Printer/OutputColorMode = " + std::to_string(s.outputMode) + "\n" +
                           "Output/Prn/Specific/InkType = " + std::to_string(s.inkType) + "\n" +
                           "Output/Prn/Linearization/BPLPath = \"" +
                           (s.outputMode == 6 ? KELMORA_EPL_LIGHT_INKS : KELMORA_EPL_EXAMPLE) + "\"\n" +
                           "Output/Prn/Specific/White/Mode = 1\nOutput/Prn/Specific/Metallic/Mode = 1\n"
                           "Output/Prn/Specific/White/Order = -1\n" + PreLimitKeys(s.preLimits) + s.extra;
        // The printer's spot colours (keys of a ticket loaded earlier stay).
        hostkit::Elements spots;
        if (s.white) spots.push_back(std::string("WHITE_INK"));
        if (s.silver) spots.push_back(std::string("METALLIC_INK"));
        store.SetElements(5, uint32_t(s.model), "Output/Prn/Info/Color/SpotColors", spots);
        return OpenTicket(text);
    }
    // A job started by JV300_OpenJob; its driver object.
    JV300_Intern& Start(const JobShape& s) {
        Open(s);
        job->m_iHalftoneThreadCount = 0;  // inline: no thread pool per job
        EXPECT_EQ(JV300_OpenJob(job.get()), 0) << ErrorMessage();
        JV300_Intern* driver = JV300_Intern::Of(job.get());
        if (!driver) throw std::runtime_error("no driver");
        return *driver;
    }
    // The page header of a started job, decoded.
    std::vector<Command> PageHeader(const JobShape& s) {
        Start(s);
        writer.records.clear();
        EXPECT_EQ(InternPageHook1(job.get()), 0) << ErrorMessage();
        EXPECT_EQ(Last().tag, SPLTAG_PAGE_HEADER);
        return Commands(Last());
    }
    // One halftoned line of every plane filled with byte through the
    // page's print hook; the line's decoded raster commands.
    std::vector<Command> PrintLine(uint8_t byte) {
        writer.records.clear();
        SetHalftonedLine(job->m_iOutChannels, 8);
        std::memset(line.data(), byte, line.size());
        EXPECT_EQ(job->m_pfnPrintLine(job.get()), 0) << ErrorMessage();
        std::vector<Command> raster;
        for (const auto& c : Commands(Last())) {
            if (c.isRaster) raster.push_back(c);
        }
        return raster;
    }
    static bool Has(const std::vector<Command>& commands, const std::string& name) {
        for (const auto& c : commands) {
            if (c.name == name) return true;
        }
        return false;
    }
    static const Command& Find(const std::vector<Command>& commands, const std::string& name) {
        for (const auto& c : commands) {
            if (c.name == name) return c;
        }
        throw std::runtime_error("no " + name);
    }
    double Limit(int plane) const { return job->m_pHalftone->m_apLinTable[plane][4095] * 100.0 / 4095; }
};

bool SameCurves(const PlanarChannelParameters* got, const PlanarChannel_VDS_Parameters& want) {
    const auto* vds = dynamic_cast<const PlanarChannel_VDS_Parameters*>(got);
    return vds && vds->levelCurves == want.levelCurves && vds->dotCodes == want.dotCodes;
}
bool Bare(const PlanarChannelParameters* got) {
    return got && !dynamic_cast<const PlanarChannel_VDS_Parameters*>(got);
}

// ---------------------------------------------------------------------------
// Halftoner set-up

TEST_F(JV300Test, HalftonerSetUpFollowsDotSizeInkResolutionChannelsAndOutputMode) {
    const VdsDotCodes whiteCodes{1};
    const auto whiteParams = PlanarChannel_VDS_Parameters::CreateDefault(&whiteCodes);
    const auto silverParams = JV300_VdsCurves_2Dots();
    const auto waveform5 = PlanarChannel_VDS_Parameters::CreateFromWaveform(JV300_Waveform5TwoDots());
    std::unique_ptr<PlanarChannel_VDS_Parameters> curveSets[7], sb53Sets[7];
    curveSets[3] = JV300_VdsCurves_DotSize3();
    curveSets[4] = JV300_VdsCurves_DotSize4();
    curveSets[5] = JV300_VdsCurves_DotSize5();
    curveSets[6] = JV300_VdsCurves_DotSize6();
    for (int d = 3; d <= 6; ++d) sb53Sets[d] = std::make_unique<PlanarChannel_VDS_Parameters>(JV300_Sb53DotSet(d));
    for (int dotSize : {128, 3, 4, 5, 6, 7}) {
        for (int ink : {0, 525}) {
            for (int x : {720, 1440}) {
                for (int channels = 0; channels < 4; ++channels) {
                    for (int mode : {4, 6}) {
                        JobShape s;
                        s.dotSize = dotSize;
                        s.inkType = ink;
                        s.x = x;
                        s.white = channels & 1;
                        s.silver = channels & 2;
                        s.outputMode = mode;
                        s.preLimits = channels & 1 ? std::vector<double>{90, 80, 70, 60, 50, 40, 30, 20}
                                                   : std::vector<double>{95, 85, 75, 65};
                        const std::string name = "dot " + std::to_string(dotSize) + " ink " + std::to_string(ink) +
                                                 " x " + std::to_string(x) + " channels " + std::to_string(channels) +
                                                 " mode " + std::to_string(mode);
                        SCOPED_TRACE(name);
                        JV300_Intern& d = Start(s);
                        const CHalftone& h = *job->m_pHalftone;
                        const bool two = dotSize != 128;
                        const bool sb53 = ink == 525;
                        const bool waveform = two && !sb53 && x == 1440 && dotSize == 5;
                        const int planes = mode == 4 ? 4 : (s.white || s.silver) ? 8 : 6;

                        EXPECT_EQ(h.HalftoneRoutine, 118);
                        EXPECT_EQ(h.m_iBitsPerPixel, two ? 2 : 1);
                        EXPECT_EQ(d.m_pEmitter->GetBitsPerPixel(), two ? 2 : 1);
                        EXPECT_EQ(h.m_iDotMode, uint32_t(dotSize));
                        EXPECT_EQ(h.m_iPlanarParam, !two ? 0 : s.silver ? 3 : waveform ? 2 : 0);
                        EXPECT_EQ(d.m_iSb53OneBit, !two && sb53 ? 1 : 0);
                        EXPECT_EQ(job->m_iOutChannels, planes);
                        EXPECT_EQ(job->m_iHalftoneDebugLayout, planes == 4 ? 4 : planes == 6 ? 6 : 64);

                        const auto& types = h.m_pPlanarHalf->Config().channelTypes;
                        ASSERT_EQ(types.size(), size_t(planes));
                        const int set = dotSize == 7 ? 5 : dotSize == 128 ? 0 : dotSize;  // 7 prints as 5
                        const PlanarChannel_VDS_Parameters* colour =
                            !two ? nullptr : sb53 ? sb53Sets[set].get() : waveform ? waveform5.get() : curveSets[set].get();
                        for (int p = 0; p < planes; ++p) {
                            SCOPED_TRACE("plane " + std::to_string(p));
                            const PlanarChannelType& t = types[size_t(p)];
                            const bool silverPlane = p == 7 && s.silver;
                            if (!two) {
                                EXPECT_EQ(t.factory, &CreatePlanarOne_SE1_NDS);
                                EXPECT_TRUE(Bare(t.parameters));
                            } else if (p < 6) {
                                EXPECT_EQ(t.factory, waveform ? &CreatePlanarOne_SE1_VDS2 : &CreatePlanarOne_SE1_VDS3);
                                EXPECT_TRUE(SameCurves(t.parameters, *colour));
                            } else if (silverPlane) {
                                EXPECT_EQ(t.factory, &CreatePlanarOne_SE1_VDS3);
                                EXPECT_TRUE(SameCurves(t.parameters, *silverParams));
                            } else {
                                EXPECT_EQ(t.factory, &CreatePlanarOne_SE1_VDS1);
                                EXPECT_TRUE(SameCurves(t.parameters, *whiteParams));
                            }
                        }
                        const double factor = two && x == 1440 && ((!sb53 && !waveform) || s.silver) ? 0.4 : 1.0;
                        // Pre-limits for the planes they reach, light cyan and light magenta
                        // as cyan and magenta, the last two planes as the eighth pre-limit
                        // or 100; the factor once on each.
                        double limit[8] = {100, 100, 100, 100, 100, 100, 100, 100};
                        const size_t n = std::min(s.preLimits.size(), size_t(planes));
                        for (size_t i = 0; i < n; ++i) limit[i] = factor * s.preLimits[i];
                        limit[4] = limit[0];
                        limit[5] = limit[1];
                        limit[6] = limit[7] = factor * (n == 8 ? s.preLimits[7] : 100);
                        for (int p = 0; p < planes; ++p) EXPECT_NEAR(Limit(p), limit[p], 0.02) << p;

                        const LinearizeFunction lin =
                            mode == 4 ? &CHalftone::LinearizeLine4A
                            : s.silver ? &CHalftone::LinearizeLine8C
                            : s.white ? &CHalftone::LinearizeLine6G  // halftone version 1
                                      : &CHalftone::LinearizeLine6F;
                        EXPECT_TRUE(job->m_pHalftone->m_pfnLinearize == lin);

                        const char* w = mode == 6 && s.silver ? "W" : mode == 6 && s.white ? "W1" : nullptr;
                        const char* si = mode == 6 && s.silver ? "Si" : mode == 6 && s.white ? "W2" : nullptr;
                        EXPECT_EQ(GetColorCodeName(d.m_mapChannelNames, 254), w ? w : "FE");
                        EXPECT_EQ(GetColorCodeName(d.m_mapChannelNames, 255), si ? si : "FF");

                        // The colour codes, by one line through every plane.
                        d.m_pEmitter->AssignAllPlanesToLayer0();
                        job->m_pfnPrintLine = JV300_WriteLine;
                        std::vector<uint32_t> codes;
                        for (const auto& c : PrintLine(0x40)) codes.push_back(c.colour);
                        EXPECT_EQ(codes, std::vector<uint32_t>(kCodes, kCodes + planes));
                    }
                }
            }
        }
    }
}

// ---------------------------------------------------------------------------
// Job start and end

TEST_F(JV300Test, JobStartWritesTheHeaderInstallsTheHooksAndKeepsTheDriver) {
    JV300_Intern& d = Start(JobShape{});
    ASSERT_EQ(writer.records.size(), 1u);
    EXPECT_EQ(Last().tag, SPLTAG_JOB_HEADER);
    EXPECT_EQ(Last().data, (std::vector<uint8_t>{'Q', 'E', 0}));
    EXPECT_FALSE(job->m_bSuppressOpenJobRecord);
    EXPECT_FALSE(job->m_bSuppressCloseJobRecord);
    EXPECT_EQ(job->m_pfnOpenPage, &InternPageHook1);
    EXPECT_EQ(job->m_pfnCloseJob, &JV300_CloseJob);
    EXPECT_FALSE(d.SupportsPulledBackPrint());
    EXPECT_TRUE(log.Has(3000, "JV300_OpenJob..."));
    EXPECT_TRUE(log.Has(3000, "JV300_InitHalftone RasterDataChannelDescription: CMYK, hasWhite=N, hasSilver=N"));
    EXPECT_TRUE(log.Has(2000, "JV300_OpenJob"));

    writer.records.clear();
    EXPECT_EQ(JV300_CloseJob(job.get()), 0);
    ASSERT_EQ(writer.records.size(), 1u);
    EXPECT_EQ(Last().tag, SPLTAG_CLOSE_JOB);
    EXPECT_TRUE(Last().data.empty());
    EXPECT_EQ(job->m_pDriver, nullptr);
    EXPECT_TRUE(log.Has(3000, "JV300_CloseJob deleting JV300_Intern"));
    EXPECT_EQ(InternPageHook1(job.get()), -1);  // no driver object
    EXPECT_EQ(InternPageHook2(job.get()), -1);
    EXPECT_EQ(JV300_WriteLine(job.get()), -1);
}

TEST_F(JV300Test, JobStartFailuresLeaveNoDriver) {
    Open(JobShape{});
    writer.failWith = 7;
    EXPECT_EQ(JV300_OpenJob(job.get()), 7);
    EXPECT_TRUE(log.Has(0, "JV300_OpenJob return error code 7"));
    EXPECT_EQ(job->m_pDriver, nullptr);

    JobShape unknown;
    unknown.outputMode = 5;
    Open(unknown);
    EXPECT_EQ(CJV300_OpenJob(job.get()), -2);
    EXPECT_TRUE(log.Has(0, "JV300_InitHalftone: Image type = unknown (5)"));
    EXPECT_EQ(ErrorMessage(), "Internal error CJV300_OpenJob JV300_InitHalftone failed");
    EXPECT_EQ(job->m_pDriver, nullptr);
}

TEST_F(JV300Test, PrintAndCutDriverPullsBackOnlyWithWhiteOrSilver) {
    JobShape s;
    s.outputMode = 6;
    s.white = true;
    s.extra = "Output/Prn/Specific/PulledBackPrint = 1\n";
    Open(s);
    ASSERT_EQ(CJV300_OpenJob(job.get()), 0) << ErrorMessage();
    auto* d = dynamic_cast<CJV300_Intern*>(JV300_Intern::Of(job.get()));
    ASSERT_NE(d, nullptr);
    EXPECT_TRUE(d->m_bPulledBack);
    s.white = false;
    Open(s);
    ASSERT_EQ(CJV300_OpenJob(job.get()), 0);
    EXPECT_FALSE(JV300_Intern::Of(job.get())->m_bPulledBack);
}

// ---------------------------------------------------------------------------
// Ink limits and parameter sets

TEST_F(JV300Test, InkFactorReachesTheLastTwoPlanesOnce) {
    JobShape s;
    s.x = 1440;
    s.outputMode = 6;
    s.silver = true;
    s.preLimits = {90, 80, 70, 60, 50, 40, 30, 20};
    Start(s);
    const double want[8] = {36, 32, 28, 24, 36, 32, 8, 8};  // 0.4 x, once
    for (int p = 0; p < 8; ++p) EXPECT_NEAR(Limit(p), want[p], 0.02) << p;
}

TEST_F(JV300Test, UnsupportedDotSizePrintsWithDotSize5AndSaysSo) {
    JobShape s;
    s.dotSize = 7;
    Open(s);
    const auto params = JV300_CreateVdsParams(2, job.get());
    EXPECT_EQ(ErrorMessage(), "Unsupported DotSize : 7");
    EXPECT_TRUE(SameCurves(params.get(), *JV300_VdsCurves_DotSize5()));

    s.inkType = 531;
    Open(s);
    const auto sb53 = JV300_CreateVdsParamsSb53(job.get());
    EXPECT_EQ(ErrorMessage(), "Unsupported DotSize : 7");
    EXPECT_EQ(sb53->levelCurves, PlanarChannel_VDS_Parameters(JV300_Sb53DotSet(5)).levelCurves);

    EXPECT_TRUE(Bare(JV300_CreateVdsParams(1, job.get()).get()));
}

// ---------------------------------------------------------------------------
// Page header

TEST_F(JV300Test, PageHeaderCarriesTheJobsSettings) {
    JobShape s;
    s.printQuality = 7272081;  // 8 passes, hi-speed
    s.extra = "Output/Prn/Cutting/Mode = 1\n";
    Start(s);
    job->m_vHeatersCelsius = {45.4, 19.4, 61};
    job->m_iVacuumPower = 1;
    job->m_iDryTime = 5;
    job->m_dDryTimePerScan = 2.5;
    job->m_dPaperFeedAdjust = 0.998;
    job->m_iMediaTypeID = 2;
    job->m_iPrintDirection = 0;
    job->m_bLogicalSeek = true;
    writer.records.clear();
    ASSERT_EQ(InternPageHook1(job.get()), 0) << ErrorMessage();
    EXPECT_EQ(Last().tag, SPLTAG_PAGE_HEADER);
    const std::vector<uint8_t> header = {
        'Q', 'K', 8,  45,   0,    0,    0xFF, 0xFF, 0xFF, 0xFF, 0xFF,              // heaters 45, 0 (low), 0 (high)
        'Q', '@', 0,                                                               //
        'Q', 'A', 3,  1,    20,   0,                                               // feed -20
        'Q', 'C', 11, 0xFF, 1,    25,   0x2C, 0x01, 0xFF, 3,    0xFF, 0, 0xFF, 0,  // cut, 2.5 min, 300 s, vacuum 1
        'Q', 'P', 12, 1,    0xD0, 0x02, 0xD0, 0x02, 8,    1,    0,    2, 1,    4, 0};
    EXPECT_EQ(Last().data, header);
    EXPECT_EQ(job->m_pfnPrintLine, &JV300_WriteLine);
    EXPECT_EQ(job->m_pfnClosePage, &InternPageHook2);
    EXPECT_TRUE(log.Has(2000, "JV300_OpenPage"));

    // The feed correction is always sent, also when there is none.
    job->m_dPaperFeedAdjust = 1.0;
    ASSERT_EQ(InternPageHook1(job.get()), 0);
    EXPECT_EQ(Find(Commands(Last()), "QA").params, (std::vector<uint8_t>{0, 0, 0}));

    // A page header the host refused fails the page (the job cycle needs a negative result).
    writer.failWith = 5;
    EXPECT_EQ(InternPageHook1(job.get()), -5);
    EXPECT_TRUE(log.Has(0, "JV300_OpenPage return error code 5"));
}

TEST_F(JV300Test, OneBitDotsSendTheirDotCodeByResolution) {
    struct Case {
        int model, x, y, printQuality, ink, dotCode, dotClass;
    };
    const Case cases[] = {
        {7001, 720, 720, 7272080, 0, 0x10, 6},       {7001, 720, 1440, 7214080, 0, 0x11, 5},
        {7001, 1440, 1440, 1414080, 0, 0x12, 5},    {7000, 360, 360, 3636010, 0, 0x10, 4},
        {7001, 720, 1080, 7210120, 0, 0x10, 5},      {7000, 360, 360, 3636010, 525, 0x10, 4},
        {7001, 540, 720, 5472080, 531, 0x10, 3},     {7001, 720, 720, 7272080, 525, 0x10, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.printQuality);
        JobShape s;
        s.model = c.model;
        s.x = c.x;
        s.y = c.y;
        s.dotSize = 128;
        s.inkType = c.ink;
        s.printQuality = c.printQuality;
        const auto header = PageHeader(s);
        const Command& qp = Find(header, "QP");
        EXPECT_EQ(qp.Value("p1"), uint32_t(c.dotCode));
        EXPECT_EQ(qp.Value("p9"), uint32_t(c.dotClass));
        for (const auto& r : PrintLine(0xFF)) EXPECT_EQ(r.bitsPerPixel, 1);
    }
}

TEST_F(JV300Test, PrintModeOfTheFourColourTableFailsOnOtherModels) {
    JobShape s;
    s.printQuality = 3636010;  // 360 x 360, 1 pass: four-colour models only
    s.model = 7000;
    PageHeader(s);
    s.model = 7001;
    Start(s);
    EXPECT_EQ(InternPageHook1(job.get()), -1);
    EXPECT_EQ(ErrorMessage(), "JV300_Intern::OpenPage Print mode 3636010 not in table for printer 7001");

    // A resolution that the 16-bit fields of "QP" cannot carry is refused.
    s.printQuality = kPrintQuality;
    Start(s);
    job->m_iResolutionY = 70000;
    EXPECT_EQ(InternPageHook1(job.get()), -1);
    EXPECT_EQ(ErrorMessage(), "JV300_OpenPage: Resolution 720 x 70000 dpi not supported");
}

TEST_F(JV300Test, SixPlaneJobWithoutWhiteOrSilverSendsTheLightInks) {
    JobShape s;
    s.outputMode = 6;
    PageHeader(s);
    EXPECT_TRUE(log.Has(3000, "JV300_InitHalftone: Image type = BMYKbm"));
    std::vector<uint32_t> codes;
    for (const auto& r : PrintLine(0x44)) codes.push_back(r.colour);
    EXPECT_EQ(codes, (std::vector<uint32_t>{2, 1, 4, 0, 0x12, 0x11}));
}

TEST_F(JV300Test, WhiteOrderSetsTheOverPlottingAndTheLayers) {
    struct Case {
        int order;
        int plMode;  // -1: no "PL"
        std::vector<int> layers;
        std::vector<uint32_t> colours;
    };
    const std::vector<uint32_t> all = {2, 1, 4, 0, 0x12, 0x11, 0xFE, 0xFF};
    const Case cases[] = {
        {0, 0, std::vector<int>(8, -1), all},
        {1, 1, std::vector<int>(8, -1), all},
        {4, 0xFE, {0, 0, 0, 0, 0, 0, 1, 1, 2, 2, 2, 2, 2, 2}, {2, 1, 4, 0, 0x12, 0x11, 0xFE, 0xFF, 2, 1, 4, 0, 0x12, 0x11}},
        {5, -1, {-1, -1}, {0xFE, 0xFF}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.order);
        JobShape s;
        s.outputMode = 6;
        s.white = true;
        s.dotSize = 3;
        s.extra = "Output/Prn/Specific/White/Order = " + std::to_string(c.order) + "\n";
        const auto header = PageHeader(s);
        EXPECT_EQ(Has(header, "PL"), c.plMode >= 0);
        if (c.plMode >= 0) {
            EXPECT_EQ(Find(header, "PL").params, (std::vector<uint8_t>{1, 2, uint8_t(c.plMode), 0xFF}));
        }
        EXPECT_EQ(ErrorMessage(), "");  // white with WF3 dots
        std::vector<int> layers;
        std::vector<uint32_t> colours;
        for (const auto& r : PrintLine(0x55)) {
            layers.push_back(r.layer);
            colours.push_back(r.colour);
            EXPECT_EQ(r.row, std::vector<uint8_t>(8, 0x55));
        }
        EXPECT_EQ(layers, c.layers);
        EXPECT_EQ(colours, c.colours);
    }
    // No white ink printed: no "PL", every plane once.
    JobShape s;
    s.outputMode = 6;
    s.white = true;
    s.dotSize = 3;
    s.extra = "Output/Prn/Specific/White/Mode = 3\nOutput/Prn/Specific/White/Order = 4\n";
    EXPECT_FALSE(Has(PageHeader(s), "PL"));
    EXPECT_EQ(PrintLine(1).size(), 8u);
}

TEST_F(JV300Test, WhiteNeedsDotSize3ButThePageGoesOn) {
    JobShape s;
    s.outputMode = 6;
    s.white = true;
    s.dotSize = 4;
    s.extra = "Output/Prn/BPL/HalftoneVersion = 102\n";
    PageHeader(s);
    EXPECT_EQ(ErrorMessage(), "Jobs with white channel must use WF3 dotsize");
    // From halftone version 102 on the white planes take the newer lineariser.
    EXPECT_TRUE(log.Has(1000, "JV300_InitHalftone: Image type = CMYKcm+W"));
    EXPECT_TRUE(job->m_pHalftone->m_pfnLinearize == &CHalftone::LinearizeLine7D);
}

TEST_F(JV300Test, PageEndLogsThePrintedLayersInPrintOrder) {
    JobShape s;
    s.outputMode = 6;
    s.white = true;
    s.dotSize = 3;
    s.extra = "Output/Prn/Specific/White/Order = 4\n";
    PageHeader(s);
    PrintLine(0x11);
    writer.records.clear();
    EXPECT_EQ(InternPageHook2(job.get()), 0);
    ASSERT_EQ(writer.records.size(), 1u);
    EXPECT_EQ(Last().tag, SPLTAG_PAGE_END);
    EXPECT_EQ(Last().data, (std::vector<uint8_t>{'Q', 'E', 0}));
    EXPECT_TRUE(log.Has(3000, "JV300_ClosePage Printing layers: { K M C Y m c } / { W1 W2 } / { K M C Y m c }"));
    EXPECT_EQ(Strings("Process/InfoMessage"),
              std::vector<std::string>{"Printing layers: { K M C Y m c } / { W1 W2 } / { K M C Y m c }"});

    // Without layer codes the white codes (240 and up) print first in mode 1.
    JV300_Intern& d = *JV300_Intern::Of(job.get());
    d.m_pEmitter->SetLayerCodes({});
    d.m_pEmitter->ClearLayers();
    d.m_pEmitter->AddLayer(&d.m_Writer, "Layer 0");
    d.m_pEmitter->AssignAllPlanesToLayer0();
    PrintLine(0x11);
    d.m_iOverPlottingMode = 1;
    EXPECT_EQ(d.DescribeRasterChannels(0), "{ W1 W2 } / { K M C Y m c }");
    d.m_iOverPlottingMode = 2;
    EXPECT_EQ(d.DescribeRasterChannels(0), "{ K M C Y m c } / { W1 W2 }");
    d.m_iOverPlottingMode = 0;
    EXPECT_EQ(d.DescribeRasterChannels(0), "{ K M C Y m c W1 W2 }");
    EXPECT_EQ(d.DescribeRasterChannels(1), "{}");
}

// ---------------------------------------------------------------------------
// Raster lines

TEST_F(JV300Test, LineFailuresBecomeTheJobsErrorAndTheNextLineIsClean) {
    PageHeader(JobShape{});
    writer.failWith = 3;
    SetHalftonedLine(4, 8);
    std::memset(line.data(), 0x21, line.size());
    EXPECT_EQ(JV300_WriteLine(job.get()), -1);
    EXPECT_EQ(ErrorMessage(), "Writing Layer 0: Unknown IO error");  // the host's code 3 sets no errno

    writer.failWith = 0;
    const auto raster = PrintLine(0x21);
    EXPECT_EQ(raster.size(), 4u);
    EXPECT_EQ(writer.records.size(), 1u);

    // A plane longer than a "QD" count can say is refused, not wrapped.
    SetHalftonedLine(4, 70000);
    line[69999] = 1;
    EXPECT_EQ(JV300_WriteLine(job.get()), -1);
    EXPECT_EQ(ErrorMessage().rfind("Internal error JV300_Print: ", 0), 0u) << ErrorMessage();
    EXPECT_EQ(PrintLine(0x21).size(), 4u);
}

}  // namespace
