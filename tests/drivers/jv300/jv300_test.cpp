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

}  // namespace
