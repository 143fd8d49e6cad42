// JV33 and JV34 jobs whose pages run through the multi-threaded
// error-diffusion engine: the stream does not depend on the number of
// workers, and every line of every page reaches the printer.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "drivers/family_test_support.h"
#include "halftone/mt_engine.h"
#include "services/spool_writer.h"
#include "support/processor_override.h"

namespace {

constexpr int kWidth = 61;

using Processors = testsupport::ProcessorOverride;

class EngineJob : public FamilyTest {
protected:
    // One page of `lines` host lines through the job with the given
    // processors (0: the engine switched off in the driver settings).
    std::vector<CapturedRecord> Print(const std::string& settings, int lines, int processors, int sent = -1) {
        writer = CapturingWriter();
        log.lines.clear();
        CVarnPrn& j = OpenTicket(FamilyJobTicket(700, 720, 720, 2, 8) + ExampleLinearisation() +
                                 "Process/OutWidthPixel = " + std::to_string(kWidth) + "\n" +
                                 "Process/OutHeightPixel = " + std::to_string(lines) + "\n" + settings);
        j.m_bTicketRead = 1;  // read by OpenTicket
        j.m_iHalftoneThreadCount = processors == 0 ? 0 : -1;
        Processors cap(processors == 0 ? 4 : processors);
        EXPECT_EQ(j.OpenJob(&CapturingWriter::Write, &writer), 0);
        j.m_iLineCount = 0;  // as the host's page start does
        EXPECT_EQ(j.OpenPage(), 0);
        // The host's line: the job's width over the horizontal scale.
        const int pixels = j.m_iOutWidthPixel / (j.m_iScaleX > 0 ? j.m_iScaleX : 1);
        std::vector<uint8_t> hostLine((size_t(pixels) * 4 + 31) / 32 * 32, 0);
        for (int y = 0; y < (sent < 0 ? lines : sent); ++y) {
            for (int x = 0; x < pixels; ++x)
                for (int c = 0; c < 4; ++c) hostLine[size_t(x) * 4 + c] = uint8_t((x * 37 + y * 11 + c * 64) % 256);
            EXPECT_EQ(j.WriteLine(hostLine.data()), 0) << "line " << y;
        }
        EXPECT_EQ(j.ClosePage(), 0);
        EXPECT_EQ(j.CloseJob(), 0);
        return writer.records;
    }
    static size_t DataRecords(const std::vector<CapturedRecord>& records) {
        size_t n = 0;
        for (const auto& r : records) n += r.tag == SPLTAG_DATA;
        return n;
    }
    bool UsedEngine(const char* routine) const {
        return log.Has(3000, std::string(routine) + ":HALF_OPENPAGE: using Multi Threaded Halftoning (MTH)");
    }
};

bool SameRecords(const std::vector<CapturedRecord>& a, const std::vector<CapturedRecord>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].tag != b[i].tag || a[i].data != b[i].data) return false;
    return true;
}

}  // namespace

TEST_F(EngineJob, StreamsDoNotDependOnTheWorkerCount) {
    struct Case {
        const char* settings;
        const char* routine;
    };
    const Case cases[] = {
        {"", "MimakiSE1VDS3_CMYK"},
        {"Output/Prn/Printer/Model = 693\nOutput/Prn/Specific/DotSize = 1\n"
         "Output/Prn/Specific/White/Mode = 1\nOutput/Prn/Specific/White/Order = 0\n",
         "MimakiSE1_CMYKcm12"},
        {"Output/Prn/Printer/Model = 7077\nOutput/Prn/Printer/ResolutionY = 1080.0\n"
         "Output/Prn/Specific/PrintQuality = 7210120\n",
         "MimakiSE1VDS2_CMYK"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.routine);
        const auto two = Print(c.settings, 9, 2);
        EXPECT_TRUE(UsedEngine(c.routine)) << "routine of the job";
        const auto twelve = Print(c.settings, 9, 12);
        EXPECT_TRUE(SameRecords(two, twelve));
        EXPECT_EQ(DataRecords(two), 9u);
        const auto inlined = Print(c.settings, 9, 0);
        EXPECT_FALSE(UsedEngine(c.routine));
        EXPECT_EQ(DataRecords(inlined), 9u);
        EXPECT_EQ(inlined.size(), two.size());
    }
}

TEST_F(EngineJob, ShortPagesScaledPagesAndResampledPagesPrintEveryLine) {
    for (int lines : {1, 2, 3}) {
        EXPECT_EQ(DataRecords(Print("", lines, 4)), size_t(lines)) << lines << " lines";
        EXPECT_EQ(UsedEngine("MimakiSE1VDS3_CMYK"), lines >= 3);
    }
    // The host ends a page of 9 lines early: the lines it sent are printed.
    for (int sent : {1, 2, 5, 8}) {
        EXPECT_EQ(DataRecords(Print("", 9, 4, sent)), size_t(sent)) << sent << " of 9 lines";
        EXPECT_TRUE(UsedEngine("MimakiSE1VDS3_CMYK"));
    }
    // Each host line three times: the page's last line drains the engine
    // without running its repetitions again.
    const auto scaled = Print("Output/Input/RipResolutionY = 240.0\n", 5, 4);
    EXPECT_EQ(job->m_iScaleY, 3);
    EXPECT_TRUE(UsedEngine("MimakiSE1VDS3_CMYK"));
    EXPECT_EQ(DataRecords(scaled), 15u);
    EXPECT_FALSE(log.Has(0, "MimakiSE1VDS3_CMYK:HALF_PROCESS: MTH CalculateHalftoneLine failed, error=1003"));
    // Horizontally too, with a width that is no multiple of the scale.
    EXPECT_EQ(DataRecords(Print("Output/Input/RipResolutionY = 720.0\nOutput/Input/RipResolutionX = 240.0\n", 5, 4)), 5u);
    EXPECT_EQ(job->m_iScaleX, 3);
    EXPECT_TRUE(UsedEngine("MimakiSE1VDS3_CMYK"));

    // The feed resampler does not know its line count up front: inline.
    const auto resampled = Print("Output/Input/RipResolutionX = 720.0\nOutput/Prn/Media/Spec/FeedAdjust = 1.05\n", 20, 4);
    EXPECT_FALSE(UsedEngine("MimakiSE1VDS3_CMYK"));
    EXPECT_EQ(DataRecords(resampled), 21u);
}

TEST_F(EngineJob, AJobClosedMidPageStopsItsEngine) {
    for (bool aborted : {true, false}) {
        writer = CapturingWriter();
        CVarnPrn& j = OpenTicket(FamilyJobTicket(700, 720, 720, 2, 8) + ExampleLinearisation() +
                                 "Process/OutWidthPixel = 61\nProcess/OutHeightPixel = 9\n");
        j.m_bTicketRead = 1;
        Processors cap(4);
        ASSERT_EQ(j.OpenJob(&CapturingWriter::Write, &writer), 0);
        j.m_iLineCount = 0;
        ASSERT_EQ(j.OpenPage(), 0);
        std::vector<uint8_t> hostLine(256, 200);
        for (int y = 0; y < 4; ++y) ASSERT_EQ(j.WriteLine(hostLine.data()), 0);
        EXPECT_GT(MTH_RunningHalftoneWorkers(), 0);
        // After an abort the host's CloseJob closes the page first (and the
        // lines sent are printed); without one the job ends with the page open.
        if (aborted) {
            EXPECT_EQ(j.ClosePage(), 0);
        }
        EXPECT_EQ(j.CloseJob(), 0);
        EXPECT_EQ(MTH_RunningHalftoneWorkers(), 0);
        EXPECT_EQ(MTH_RunningConversionWorkers(), 0);
        EXPECT_EQ(DataRecords(writer.records), aborted ? 4u : 2u);
        EXPECT_EQ(writer.records.back().tag, SPLTAG_EOF);
    }
}
