// The example jobs of the JV400 (with the RICOH Pro models) and JV5 lines,
// printed by the host program through the built plug-in from the tickets in
// examples/, decoded back, and compared with the same job run in this
// process: the same bytes, and the dots of every plane those the halftoner made.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "printed_job.h"
#include "prndump/mrl_decode.h"
#include "prndump/plane_images.h"
#include "services/spool_writer.h"

namespace {

namespace fs = std::filesystem;
using printedjob::JobRun;

const fs::path kRoot = fs::path(KELMORA_SOURCE_ROOT);
constexpr int kLines = 30;
constexpr int kWidth = 133;
constexpr int kBlankLine = 12;  // the last of the picture's blank lines

struct ExampleJob {
    const char* name;
    const char* ticket;      // in examples/
    const char* colorSpace;  // of the picture
    int pictureChannels;
    std::vector<uint8_t> pageHeader;
    std::vector<uint8_t> codes;  // printer colour code of each halftoned channel
    bool fullPlanes;             // every plane sent at full length, blank ones too
};

void PrintTo(const ExampleJob& job, std::ostream* os) { *os << job.name; }

class ExampleJobTest : public testing::TestWithParam<ExampleJob> {
protected:
    void SetUp() override {
        folder = fs::temp_directory_path() /
                 ("kelmora_q_" + std::string(GetParam().name) + "_" + std::to_string(std::random_device()()));
        fs::create_directories(folder);
        printedjob::KeepEplLoaded();
    }
    void TearDown() override { fs::remove_all(folder); }

    void WritePicture() {
        const auto image = printedjob::TestPicture(kWidth, kLines, GetParam().pictureChannels, GetParam().colorSpace);
        std::string error;
        ASSERT_TRUE(prnhost::WritePam((folder / "picture.pam").string(), image, error)) << error;
        pixels = image.pixels;
    }

    // The example ticket with its files found from the repository root.
    void WriteTicket() {
        std::string text = printedjob::ReadFile(kRoot / "examples" / GetParam().ticket);
        const std::string relative = "\"examples/";
        for (size_t at = text.find(relative); at != std::string::npos; at = text.find(relative, at + 1)) {
            text.replace(at + 1, relative.size() - 1, (kRoot / "examples").string() + "/");
        }
        std::ofstream(folder / "job.ticket") << text;
    }

    fs::path folder;
    std::vector<uint8_t> pixels;
    std::vector<prndecode::Record> printed;
    JobRun here;
};

TEST_P(ExampleJobTest, PrintsTheRecordSequenceAndTheHalftonersDots) {
    const ExampleJob& example = GetParam();
    WritePicture();
    WriteTicket();
    printedjob::RunPrnhost(folder, folder / "picture.pam", printed);
    printedjob::RunHere(folder, pixels, size_t(kWidth) * size_t(example.pictureChannels), here);
    if (HasFatalFailure()) return;

    ASSERT_EQ(printedjob::Tags(printed), printedjob::OnePageTags(kLines));
    const std::vector<uint8_t> qe = {'Q', 'E', 0};
    EXPECT_EQ(printed[0].data, qe);
    EXPECT_EQ(printed[3].data, example.pageHeader);
    EXPECT_EQ(printed[4 + kLines].data, qe);
    const auto blank = prndecode::DecodeMrl(printed[4 + kBlankLine].data);
    if (example.fullPlanes) {
        ASSERT_EQ(blank.size(), example.codes.size() * 2 + 1);
        EXPECT_EQ(blank[0].row, std::vector<uint8_t>(size_t(here.bytesPerPlane), 0));
    } else {
        EXPECT_EQ(printed[4 + kBlankLine].data, (std::vector<uint8_t>{'Q', 'R', 1, 1}));
    }

    printedjob::ExpectSameRecords(here.records, printed);
    if (HasFatalFailure()) return;

    // Its planes are the halftoner's.
    const auto pages = prndecode::AssemblePages(printed);
    ASSERT_EQ(pages.size(), 1u);
    ASSERT_EQ(here.planes.size(), size_t(kLines));
    const size_t bytes = size_t(here.bytesPerPlane);
    ASSERT_EQ(here.planes[0].size(), example.codes.size() * bytes);
    size_t dots = 0;
    for (size_t c = 0; c < example.codes.size(); ++c) {
        const prndecode::PlaneImage* plane = pages[0].Find(example.codes[c]);
        ASSERT_NE(plane, nullptr) << "channel " << c;
        for (size_t y = 0; y < size_t(kLines); ++y) {
            const std::vector<uint8_t> want(here.planes[y].begin() + ptrdiff_t(c * bytes),
                                            here.planes[y].begin() + ptrdiff_t((c + 1) * bytes));
            ASSERT_EQ(plane->Row(y, bytes), want) << "channel " << c << ", line " << y;
            for (uint8_t b : want) dots += b != 0;
        }
    }
    EXPECT_GT(dots, 0u);
}

// examples/jv400.ticket: model 728, 600 x 900 dpi, variable dots (code 1),
// 8 passes, heaters 40, 45, 50 and 10, 2.5 s per scan, vacuum 2 (code 2).
const std::vector<uint8_t> kJV400Header = {
    'Q', 'K', 8,  40,   45, 50, 0xFF, 0xFF, 0xFF, 0xFF, 10,                             //
    'Q', '@', 0,                                                                      //
    'Q', 'C', 11, 0xFF, 0,  25, 0xFF, 0xFF, 0xFF, 2,    0xFF, 0, 0xFF, 0,             //
    'Q', 'P', 12, 1,    0x84, 0x03, 0x58, 0x02, 8, 0, 1, 2, 0xFF, 0, 0};               // class 0
// examples/jv400-white.ticket: model 730, 600 x 600 dpi, fixed dots (code 0),
// 6 passes hi-speed, vacuum 4 (code 0), white under the colours.
const std::vector<uint8_t> kJV400WhiteHeader = {
    'Q', 'K', 8,  0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,                     //
    'Q', '@', 0,                                                                      //
    'Q', 'C', 11, 0xFF, 0,    0,    0xFF, 0xFF, 0xFF, 0, 0xFF, 0, 0xFF, 0,            // no dryer time: 0
    'Q', 'P', 12, 0,    0x58, 0x02, 0x58, 0x02, 6, 1, 0, 1, 0xFF, 2, 0,               // class 2 (white ink)
    'P', 'L', 4,  1,    2,    0,    0xFF};
// examples/ricoh-pro.ticket: model 746, 1200 x 1200 dpi, variable dots,
// 16 passes, vacuum 1 (code 3), white over the colours.
const std::vector<uint8_t> kRicohProHeader = {
    'Q', 'K', 8,  0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,                     //
    'Q', '@', 0,                                                                      //
    'Q', 'C', 11, 0xFF, 0,    0,    0xFF, 0xFF, 0xFF, 3, 0xFF, 0, 0xFF, 0,            //
    'Q', 'P', 12, 1,    0xB0, 0x04, 0xB0, 0x04, 16, 0, 1, 1, 0xFF, 2, 0,              //
    'P', 'L', 4,  1,    2,    1,    0xFF};

// examples/jv5.ticket: model 677, 540 x 720 dpi, variable dots (code 1),
// 8 passes hi-speed, heaters 40 and 45, dryer 120 s, vacuum 3 (code 2).
const std::vector<uint8_t> kJV5Header = {
    'Q', 'K', 7,  40,   45,   0xFF, 0xFF, 0xFF, 0xFF, 0xFF,                       //
    'Q', '@', 0,                                                                  //
    'Q', 'C', 11, 0xFF, 0,    0xFF, 120,  0,    0xFF, 2, 0xFF, 0, 0xFF, 0,        //
    'Q', 'P', 10, 1,    0xD0, 0x02, 0x1C, 0x02, 8,    1, 1,    1, 0xFF,           //
    'P', 'B', 1,  1};

// examples/jv5-screening.ticket: model 678, 720 x 720 dpi, screening (code
// 17), 16 passes, media 2, vacuum 5 (code 0).
const std::vector<uint8_t> kJV5ScreeningHeader = {
    'Q', 'K', 7,  0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,                       //
    'Q', '@', 0,                                                                  //
    'Q', 'C', 11, 0xFF, 0,    0xFF, 0,    0,    0xFF, 0, 0xFF, 0, 0xFF, 0,        //
    'Q', 'P', 10, 17,   0xD0, 0x02, 0xD0, 0x02, 16,   0, 0,    2, 0xFF,           //
    'P', 'B', 1,  1};

INSTANTIATE_TEST_SUITE_P(
    JV5, ExampleJobTest,
    testing::Values(ExampleJob{"JV5", "jv5.ticket", "CMYK", 4, kJV5Header, {2, 1, 4, 0}, true},
                    ExampleJob{"JV5Screening", "jv5-screening.ticket", "CMYK", 4, kJV5ScreeningHeader,
                               {2, 1, 4, 0}, true}),
    [](const testing::TestParamInfo<ExampleJob>& row) { return std::string(row.param.name); });

INSTANTIATE_TEST_SUITE_P(
    JV400, ExampleJobTest,
    testing::Values(ExampleJob{"JV400", "jv400.ticket", "CMYK", 4, kJV400Header, {2, 1, 4, 0}, false},
                    ExampleJob{"JV400White", "jv400-white.ticket", "CMYK", 5, kJV400WhiteHeader,
                               {2, 1, 4, 0, 0xFE, 0xFF}, false},
                    ExampleJob{"RicohPro", "ricoh-pro.ticket", "CMYKOG", 7, kRicohProHeader,
                               {2, 1, 4, 0, 5, 6, 0xFE, 0xFF}, false}),
    [](const testing::TestParamInfo<ExampleJob>& row) { return std::string(row.param.name); });

}  // namespace
