// Jobs of the test-only printer family through the built plug-in: the
// output stream read back record by record.
#include "e2e_support.h"

#include <cmath>
#include <set>

namespace {

using e2e::Collector;
using e2e::Host;
using e2e::PatternLine;
using e2e::U32At;

constexpr const char* kTestPlugin = KELMORA_E2E_PLUGIN_PATH;

class FamilyJob : public ::testing::Test {
protected:
    void Open(int32_t model, int width, int height, const std::string& extra = std::string()) {
        ASSERT_TRUE(host.loaded);
        host.Ticket(e2e::FamilyJob(model, width, height));
        if (!extra.empty()) host.Ticket(extra);
        ASSERT_EQ(host.CreateContext(), 0);
        ASSERT_EQ(host.OpenJob(), 0) << host.JobString("Output/ErrorMessage");
    }
    // One page of the given host lines.
    void Page(const std::vector<std::vector<uint8_t>>& lines) {
        ASSERT_EQ(host.OpenPage(), 0);
        for (const auto& line : lines) ASSERT_EQ(host.WriteLine(line), 0);
        ASSERT_EQ(host.ClosePage(), 0);
    }
    static std::vector<std::vector<uint8_t>> Pattern(int width, int height) {
        std::vector<std::vector<uint8_t>> lines;
        for (int y = 0; y < height; ++y) lines.push_back(PatternLine(width, y));
        return lines;
    }
    // Page line and pixel bytes of each printed line.
    std::vector<std::pair<uint32_t, std::vector<uint8_t>>> Printed() const {
        std::vector<std::pair<uint32_t, std::vector<uint8_t>>> out;
        for (const e2e::Record& r : host.Lines()) out.emplace_back(U32At(r.data, 0), std::vector<uint8_t>(r.data.begin() + 4, r.data.end()));
        return out;
    }

    Collector collector;
    Host host{kTestPlugin};
};

TEST_F(FamilyJob, WritesTheFrameRecordsAroundTheFamilysOwn) {
    Open(kE2EPlain, 8, 3);
    const auto lines = Pattern(8, 3);
    Page(lines);
    Page(lines);
    EXPECT_EQ(host.CloseJob(), 0);
    const std::vector<uint32_t> page = {SPLTAG_PAGE_LINK, SPLTAG_PAGE_HEADER, SPLTAG_DATA, SPLTAG_DATA, SPLTAG_DATA,
                                        SPLTAG_PAGE_END};
    std::vector<uint32_t> expected = {SPLTAG_JOB_HEADER, SPLTAG_OPEN_JOB};
    expected.insert(expected.end(), page.begin(), page.end());
    expected.insert(expected.end(), page.begin(), page.end());
    expected.insert(expected.end(), {SPLTAG_CLOSE_JOB, SPLTAG_EOF});
    EXPECT_EQ(host.Tags(), expected);
    EXPECT_EQ(host.records[0].data, (std::vector<uint8_t>{'E', '2', 'E', 0xAC, 0x26, 0, 0}));  // model 9900
    EXPECT_EQ(U32At(host.records[9].data, 0), 2u) << "pages are counted from 1";
    const auto printed = Printed();
    ASSERT_EQ(printed.size(), 6u);
    for (size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(printed[i].first, i % 3 + 1) << "page lines restart with each page";
        EXPECT_EQ(printed[i].second, std::vector<uint8_t>(lines[i % 3].begin(), lines[i % 3].begin() + 32));
    }
    EXPECT_EQ(host.JobString("Output/Progress/Message"), "");
}

TEST_F(FamilyJob, AFamilyThatEndsTheJobItselfGetsNoCloseJobRecord) {
    Open(kE2EWithCloseJob, 8, 1);
    Page(Pattern(8, 1));
    EXPECT_EQ(host.CloseJob(), 0);
    ASSERT_GE(host.records.size(), 2u);
    const e2e::Record& last = host.records[host.records.size() - 2];
    EXPECT_EQ(std::string(last.data.begin(), last.data.end()), "family end");
    EXPECT_EQ(host.Tags().back(), SPLTAG_EOF);
    for (uint32_t tag : host.Tags()) EXPECT_NE(tag, SPLTAG_CLOSE_JOB);
}

TEST_F(FamilyJob, AFailingFamilyOpenJobStillGetsTheOpenJobRecord) {
    host.Ticket(e2e::FamilyJob(kE2EOpenJobFails, 8, 1));
    ASSERT_EQ(host.CreateContext(), 0);
    EXPECT_EQ(host.OpenJob(), -7);
    EXPECT_EQ(host.Tags(), (std::vector<uint32_t>{SPLTAG_JOB_HEADER, SPLTAG_OPEN_JOB}));
    EXPECT_EQ(host.JobString("Output/Progress/Message"), "OutputPlugIn: OpenJob failed");
    EXPECT_EQ(host.CloseJob(), 0);
    EXPECT_EQ(host.Tags(), (std::vector<uint32_t>{SPLTAG_JOB_HEADER, SPLTAG_OPEN_JOB, SPLTAG_CLOSE_JOB, SPLTAG_EOF}));
}

TEST_F(FamilyJob, FailingPageAndLineStepsReachTheHost) {
    Open(kE2EPrintFailsAtLine3, 8, 4);
    ASSERT_EQ(host.OpenPage(), 0);
    const auto lines = Pattern(8, 4);
    EXPECT_EQ(host.WriteLine(lines[0]), 0);
    EXPECT_EQ(host.WriteLine(lines[1]), 0);
    EXPECT_EQ(host.WriteLine(lines[2]), -7) << "the print step's result";
    EXPECT_EQ(host.CloseJob(), 0);

    Host thrower(kTestPlugin);
    thrower.Ticket(e2e::FamilyJob(kE2EPrintThrows, 8, 2));
    ASSERT_EQ(thrower.CreateContext(), 0);
    ASSERT_EQ(thrower.OpenJob(), 0);
    ASSERT_EQ(thrower.OpenPage(), 0);
    EXPECT_EQ(thrower.WriteLine(lines[0]), -99);
    // A host that passes no context gets the same answer, not a crash.
    EXPECT_EQ(thrower.api().WriteLine(nullptr, thrower.job, lines[1].data()), -99);
    EXPECT_EQ(thrower.CloseJob(), 0);

    Host pageless(kTestPlugin);
    pageless.Ticket(e2e::FamilyJob(kE2EOpenPageFails, 8, 2));
    ASSERT_EQ(pageless.CreateContext(), 0);
    ASSERT_EQ(pageless.OpenJob(), 0);
    EXPECT_EQ(pageless.OpenPage(), -2);
    EXPECT_EQ(pageless.Tags().back(), SPLTAG_PAGE_LINK);
    EXPECT_EQ(pageless.CloseJob(), 0);
}

TEST_F(FamilyJob, AbortThenCloseJobClosesAnOpenPageFirst) {
    Open(kE2EPlain, 8, 4, "[system]\nDebug/Level = 3\n");
    const auto lines = Pattern(8, 4);
    ASSERT_EQ(host.OpenPage(), 0);
    ASSERT_EQ(host.WriteLine(lines[0]), 0);
    EXPECT_EQ(host.api().Abort(host.context, host.job), 0);
    EXPECT_EQ(host.CloseJob(), 0);
    const std::vector<uint32_t> tags = host.Tags();
    ASSERT_GE(tags.size(), 3u);
    EXPECT_EQ(std::vector<uint32_t>(tags.end() - 3, tags.end()),
              (std::vector<uint32_t>{SPLTAG_PAGE_END, SPLTAG_CLOSE_JOB, SPLTAG_EOF}));

    // Without an open page there is no page end.
    Host idle(kTestPlugin);
    idle.Ticket(e2e::FamilyJob(kE2EPlain, 8, 4));
    ASSERT_EQ(idle.CreateContext(), 0);
    ASSERT_EQ(idle.OpenJob(), 0);
    ASSERT_EQ(idle.OpenPage(), 0);
    ASSERT_EQ(idle.ClosePage(), 0);
    EXPECT_EQ(idle.api().Abort(idle.context, idle.job), 0);
    const size_t before = idle.records.size();
    EXPECT_EQ(idle.CloseJob(), 0);
    const std::vector<uint32_t> idleTags = idle.Tags();
    EXPECT_EQ(std::vector<uint32_t>(idleTags.begin() + static_cast<ptrdiff_t>(before), idleTags.end()),
              (std::vector<uint32_t>{SPLTAG_CLOSE_JOB, SPLTAG_EOF}));
    host.Terminate();
    const std::string log = collector.StopAndRead();
    EXPECT_NE(log.find("PrnBase::CloseJob: call ClosePage form CloseJob\r\n"), std::string::npos) << log;
}

TEST_F(FamilyJob, ReportsProgressAtOneAndEveryFivePercent) {
    Open(kE2EPlain, 8, 100);
    std::vector<int32_t> seen;
    auto note = [&] {
        const int32_t p = host.JobInt("Output/Progress/Percent", -1);
        if (seen.empty() || seen.back() != p) seen.push_back(p);
    };
    host.onWrite = note;
    Page(Pattern(8, 100));
    note();
    host.onWrite = nullptr;
    std::vector<int32_t> expected = {0, 1};
    for (int p = 5; p <= 100; p += 5) expected.push_back(p);
    EXPECT_EQ(seen, expected);
}

TEST_F(FamilyJob, InterleavesPagePlanarBands) {
    // Width 10, bands of 2 lines: each band line is 4 x 16 bytes; the family
    // prints its first 40 (10 CMYK pixels).
    Open(kE2EPlain, 10, 4, "[job]\nOutput/Input/Format = 1\nOutput/Input/NumOfLines = 2\n");
    ASSERT_EQ(host.OpenPage(), 0);
    for (int band = 0; band < 2; ++band) {
        std::vector<uint8_t> call(4 * 2 * 10);
        for (int p = 0; p < 4; ++p) {
            for (int l = 0; l < 2; ++l) {
                for (int x = 0; x < 10; ++x) call[static_cast<size_t>((p * 2 + l) * 10 + x)] = static_cast<uint8_t>(100 * band + 40 * l + 4 * x + p);
            }
        }
        ASSERT_EQ(host.WriteLine(call), 0);
    }
    ASSERT_EQ(host.ClosePage(), 0);
    const auto printed = Printed();
    ASSERT_EQ(printed.size(), 4u);
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(printed[i].first, i + 1);
        ASSERT_EQ(printed[i].second.size(), 40u);
        for (size_t b = 0; b < 40; ++b) EXPECT_EQ(printed[i].second[b], 100 * (i / 2) + 40 * (i % 2) + b) << i << ":" << b;
    }
}

TEST_F(FamilyJob, RepeatsEachLineByTheVerticalScale) {
    // A RIP raster of 240 dpi on a 720 dpi printer: every line three times.
    Open(kE2EPlain, 8, 2, "[job]\nOutput/Input/RipResolutionY = 240.0\n");
    Page(Pattern(8, 2));
    const auto printed = Printed();
    ASSERT_EQ(printed.size(), 6u);
    for (size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(printed[i].first, i + 1);
        EXPECT_EQ(printed[i].second, printed[i / 3 * 3].second);
    }
    EXPECT_NE(printed[0].second, printed[3].second);
}

TEST_F(FamilyJob, CropsToThePrintableArea) {
    // An image of 100 x 60 pixels on a page of the same size with margins of
    // 14 pixels at the left and 9 at the top: the page equals the image, so
    // the crop sits on the margins: 14 columns and 9 lines, then 85 x 51
    // printed pixels.
    Open(kE2EPlain, 100, 60,
         "[job]\nOutput/Prn/Media/Size/Width = 3.5278\nOutput/Prn/Media/Size/Height = 2.1167\n"
         "Output/Prn/Media/Margin/Left = 0.5\nOutput/Prn/Media/Margin/Top = 0.3\n");
    const auto lines = Pattern(100, 60);
    Page(lines);
    const auto printed = Printed();
    ASSERT_EQ(printed.size(), 51u);
    for (size_t i = 0; i < printed.size(); ++i) {
        EXPECT_EQ(printed[i].first, i + 10);
        const auto& source = lines[i + 9];
        EXPECT_EQ(printed[i].second, std::vector<uint8_t>(source.begin() + 14 * 4, source.begin() + 99 * 4));
    }
}

// A page of one grey value per line, resampled by the feed factor.
std::vector<std::vector<uint8_t>> Ramp(int lines) {
    std::vector<std::vector<uint8_t>> out;
    for (int y = 0; y < lines; ++y) out.push_back(std::vector<uint8_t>(32, static_cast<uint8_t>(10 * y)));
    return out;
}

TEST_F(FamilyJob, ResamplesTheFeedToTheAdjustedPageLength) {
    Open(kE2EPlain, 8, 20, "[job]\nOutput/Prn/Media/Spec/FeedAdjust = 1.05\n");
    Page(Ramp(20));
    const auto printed = Printed();
    ASSERT_EQ(printed.size(), 21u);
    EXPECT_EQ(printed[0].second, std::vector<uint8_t>(32, 0));
    // Output line 1 covers 0.05 of input line 0 and 0.95 of input line 1.
    EXPECT_EQ(printed[1].second, std::vector<uint8_t>(32, static_cast<uint8_t>(std::lround(0.95 * 10))));
    EXPECT_EQ(printed[20].second, std::vector<uint8_t>(32, 190));
    for (size_t i = 0; i < printed.size(); ++i) EXPECT_EQ(printed[i].first, i + 1);
}

TEST_F(FamilyJob, ShrinksTheFeedAndFillsAShortPage) {
    Open(kE2EPlain, 8, 20, "[job]\nOutput/Prn/Media/Spec/FeedAdjust = 0.95\n");
    ASSERT_EQ(host.OpenPage(), 0);
    const auto ramp = Ramp(20);
    for (int y = 0; y < 10; ++y) ASSERT_EQ(host.WriteLine(ramp[static_cast<size_t>(y)]), 0);
    ASSERT_EQ(host.ClosePage(), 0);
    const auto printed = Printed();
    ASSERT_EQ(printed.size(), 19u) << "19 lines for 20 at 0.95, the last ones copies";
    EXPECT_EQ(printed[18].second, printed[8].second);
}

// 30 lines at a feed factor whose product with them is not whole: the page
// gets the rounded number of lines (31.5 -> 32, 28.5 -> 29) and the factor
// that matches them (32 / 30, 29 / 30), and every printed line is the
// overlap-weighted mean of the input lines it covers, up to the last one.
class FractionalFeed : public FamilyJob, public ::testing::WithParamInterface<std::pair<const char*, size_t>> {};

TEST_P(FractionalFeed, ResamplesWithTheFactorOfTheWholeLines) {
    const auto [feed, outputs] = GetParam();
    Open(kE2EPlain, 8, 30, std::string("[job]\nOutput/Prn/Media/Spec/FeedAdjust = ") + feed + "\n");
    std::vector<std::vector<uint8_t>> input;
    for (int y = 0; y < 30; ++y) input.push_back(std::vector<uint8_t>(32, static_cast<uint8_t>(8 * y)));
    Page(input);
    const auto printed = Printed();
    ASSERT_EQ(printed.size(), outputs);
    const double f = double(outputs) / 30.0;
    for (size_t j = 0; j < outputs; ++j) {
        double value = 0.0;
        for (size_t i = 0; i < input.size(); ++i) {
            const double overlap = std::min(double(j + 1), double(i + 1) * f) - std::max(double(j), double(i) * f);
            if (overlap > 0.0) value += overlap * input[i][0];
        }
        for (uint8_t v : printed[j].second) ASSERT_NEAR(v, value, 1.0) << feed << " line " << j;
    }
}

INSTANTIATE_TEST_SUITE_P(Factors, FractionalFeed,
                         ::testing::Values(std::make_pair("1.05", size_t{32}), std::make_pair("0.95", size_t{29})),
                         [](const ::testing::TestParamInfo<std::pair<const char*, size_t>>& row) {
                             std::string name = std::string("Feed") + row.param.first;
                             for (char& c : name) c = c == '.' ? '_' : c;
                             return name;
                         });

}  // namespace
