// Jobs of the direct-output lines (JV33, JV34, JV3, JV4, TS300P, Tx500/TS500,
// JV300) printed through the built plug-in by the host program, decoded back,
// and compared with the same job run in this process: the stream must be the
// same bytes, and its dots those the halftoner made (through the page's
// dot-code converter where the page uses one; plane by plane and layer code
// where the stream sorts planes into layers).
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "halftone/bit_converters.h"
#include "halftone/halftone.h"
#include "image.h"
#include "platform/dynamic_library.h"
#include "services/spool_writer.h"
#include "job/varn_prn.h"
#include "prndump/plane_images.h"
#include "prndump/prn_records.h"
#include "printed_job.h"
#include "ticket_store.h"
#include "ticket_text.h"

namespace {

namespace fs = std::filesystem;

const fs::path kRoot = fs::path(KELMORA_SOURCE_ROOT);
using Codes = std::array<uint8_t, 8>;
constexpr Codes kQColourCodes = {2, 1, 4, 0, 0x12, 0x11, 0xFE, 0xFF};
constexpr Codes kClassicColourCodes = {2, 1, 4, 0, 0x12, 0x11, 0xFF, 0xFD};
const std::vector<uint8_t> kQE = {'Q', 'E', 0};
const std::vector<uint8_t> kQBlank = {'Q', 'R', 1, 1};
const std::vector<uint8_t> kFormFeed = {0x0C};

using printedjob::JobRun;
using printedjob::ReadFile;

struct Variant {
    const char* name;
    const char* settings;  // on top of the sample ticket
    std::vector<uint8_t> pageHeader;
    int channels;
    bool converter;
    int imageChannels;
    // The line's framing: job header and page end, a blank line, the colour
    // code of each halftoned channel, the channels sent (bit c for channel c).
    std::vector<uint8_t> jobHeader = kQE;
    std::vector<uint8_t> blankLine = kQBlank;
    Codes codes = kQColourCodes;
    unsigned sent = 0xFF;
    const char* ticket = "examples/jv33.ticket";  // from the repository's root
    const char* linearisation = "examples/cmyk.lin";
    // Where each halftoned plane goes in the stream: (plane, layer code) in
    // any order; empty: every plane once, without layer codes.
    std::vector<std::pair<int, int>> planeLayers = {};
};

void PrintTo(const Variant& v, std::ostream* os) { *os << v.name; }

// A variant's job in a folder of its own: its picture, ticket and runs.
class JobFolder : public testing::Test {
protected:
    explicit JobFolder(const Variant& job) : variant(job) {}

    void SetUp() override {
        folder = fs::temp_directory_path() /
                 ("kelmora_e2e_" + std::string(variant.name) + "_" + std::to_string(std::random_device()()));
        fs::create_directories(folder);
        printedjob::KeepEplLoaded();
    }
    void TearDown() override { fs::remove_all(folder); }

    // A CMYK picture (with spot channels after the four inks where the
    // variant asks for them) with ramps, flat tints, a blank band and pixel
    // noise; its width is no multiple of a byte's pixels.
    void WriteImage(int width, int height) {
        const auto image = printedjob::TestPicture(width, height, variant.imageChannels, "CMYK");
        std::string error;
        ASSERT_TRUE(prnhost::WritePam((folder / "image.pam").string(), image, error)) << error;
        pixels = image.pixels;
        imageWidth = width;
    }

    void WriteTicket() {
        std::ofstream out(folder / "job.ticket");
        out << ReadFile(kRoot / variant.ticket) << "\n[job]\n" << variant.settings
            << "Output/Prn/Linearization/BPLPath = \"" << (kRoot / variant.linearisation).string() << "\"\n";
    }

    // The job through the plug-in library and the host program.
    void RunPrnhost() { printedjob::RunPrnhost(folder, folder / "image.pam", printed); }
    // The same job in this process, from the ticket prnhost ended with.
    void RunHere() {
        printedjob::RunHere(folder, pixels, size_t(imageWidth) * size_t(variant.imageChannels), here);
    }

    const Variant& variant;
    fs::path folder;
    std::vector<uint8_t> pixels;
    int imageWidth = 0;
    std::vector<prndecode::Record> printed;
    JobRun here;
};

class PrintedJob : public JobFolder, public testing::WithParamInterface<Variant> {
protected:
    PrintedJob() : JobFolder(GetParam()) {}
};

TEST_P(PrintedJob, PrintsTheRecordSequenceAndTheHalftonersDots) {
    constexpr int kLines = 40;
    WriteImage(150, kLines);
    WriteTicket();
    RunPrnhost();
    RunHere();
    if (HasFatalFailure()) return;

    ASSERT_EQ(printedjob::Tags(printed), printedjob::OnePageTags(kLines));
    EXPECT_EQ(printed[0].data, variant.jobHeader);
    EXPECT_EQ(printed[3].data, variant.pageHeader);
    EXPECT_EQ(printed[4 + kLines].data, variant.jobHeader);  // the page end
    // The last of three blank lines (the first may still fire from the error carried down).
    EXPECT_EQ(printed[16].data, variant.blankLine);

    printedjob::ExpectSameRecords(here.records, printed);
    if (HasFatalFailure()) return;

    // Its dots are the halftoner's.
    ASSERT_EQ(here.channels, variant.channels);
    ASSERT_EQ(here.planes.size(), size_t(kLines));
    const auto pages = prndecode::AssemblePages(printed);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(pages[0].lines, size_t(kLines));
    clVDS2_CONVERTER converter(here.resolutionX);
    size_t dots = 0;
    std::vector<std::pair<int, int>> planeLayers = variant.planeLayers;
    if (planeLayers.empty()) {
        for (int c = 0; c < here.channels; ++c) planeLayers.emplace_back(c, -1);
    }
    for (const auto& [c, layer] : planeLayers) {
        const prndecode::PlaneImage* plane = pages[0].Find(variant.codes[size_t(c)], layer);
        if (!(variant.sent & (1u << c))) {
            EXPECT_EQ(plane, nullptr) << "channel " << c << " is not sent";
            continue;
        }
        for (int y = 0; y < kLines; ++y) {
            std::vector<uint8_t> want(here.planes[y].begin() + ptrdiff_t(c) * here.bytesPerPlane,
                                      here.planes[y].begin() + ptrdiff_t(c + 1) * here.bytesPerPlane);
            if (variant.converter) {
                uint8_t* data = want.data();
                uint64_t n = want.size();
                converter.Convert(&data, &n);
                want.assign(data, data + n);
            }
            const std::vector<uint8_t> got =
                plane ? plane->Row(size_t(y), size_t(here.bytesPerPlane)) : std::vector<uint8_t>(want.size(), 0);
            ASSERT_EQ(got, want) << "channel " << c << ", layer " << layer << ", line " << y;
            for (uint8_t b : want) dots += b != 0;
        }
    }
    EXPECT_GT(dots, 0u);
}

// The sample ticket: model 700 at 720 x 720 dpi, variable dots, 8 passes.
const std::vector<uint8_t> kSampleHeader = {
    'Q', 'K', 7,  0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,                      //
    'Q', '@', 0,                                                                 //
    'Q', 'C', 11, 0xFF, 0,    0xFF, 0,    0,    0xFF, 2,    0xFF, 0, 0xFF, 0,    //
    'Q', 'P', 11, 1,    0xD0, 0x02, 0xD0, 0x02, 8,    0,    1,    1, 0xFF, 6};

const std::vector<uint8_t> kWhiteInkHeader = {
    'Q', 'K', 7,  0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,                      //
    'Q', '@', 0,                                                                 //
    'Q', 'C', 11, 0xFF, 0,    0xFF, 0,    0,    0xFF, 2,    0xFF, 0, 0xFF, 0,    //
    'Q', 'P', 11, 17,   0xD0, 0x02, 0xD0, 0x02, 8,    0,    1,    1, 0xFF, 6,    //
    'P', 'L', 4,  1,    2,    0,    1};

const std::vector<uint8_t> kTs34Header = {
    'Q', 'K', 7,  0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,                              //
    'Q', '@', 0,                                                                         //
    'Q', 'C', 11, 0xFF, 0,    25,   0,    0,    0xFF, 2,    0xFF, 0, 0xFF, 0,            //
    'Q', 'P', 13, 1,    0x38, 0x04, 0xD0, 0x02, 12,   0,    1,    1, 0,    0, 0, 0xFF};

// The sample ticket in halftone mode 6: fixed dots (QP 17), screened from
// examples/700_720x720dpi.spt beside the linearisation file.
const std::vector<uint8_t> kScreeningHeader = {
    'Q', 'K', 7,  0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,                      //
    'Q', '@', 0,                                                                 //
    'Q', 'C', 11, 0xFF, 0,    0xFF, 0,    0,    0xFF, 2,    0xFF, 0, 0xFF, 0,    //
    'Q', 'P', 11, 17,   0xD0, 0x02, 0xD0, 0x02, 8,    0,    1,    1, 0xFF, 6};

std::vector<uint8_t> Join(std::initializer_list<std::vector<uint8_t>> parts) {
    std::vector<uint8_t> out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}
const std::vector<uint8_t> kJobName = {'M', 'G', 'Z', 'o', 'r', 'O', 'z', 'e', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '};

// The sample ticket on a JV3 (model 654): heaters, vacuum 3 as 0, code 17.
const std::vector<uint8_t> kJV3Header = Join({
    {'M', 'K', 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
    {0x1B, '@'},
    {'M', 'D', 0xD0, 0x02, 0xD0, 0x02},
    {'M', 'P', 8, 1, 1, 0, 0xFF, 0xFF, 0, 0, 0xFF},
    {'M', 'W', 150, 0, 0},
    {'M', 'C', 17},
    kJobName,
    {'M', 'J', 0, 0xFF, 0xFF, 0xFF, 0xFF}});

// The sample ticket on a JV4 (model 698) in artwork mode with thin dots.
const std::vector<uint8_t> kJV4ArtworkHeader = Join({
    {0x1B, '@'},
    {'M', 'D', 0xD0, 0x02, 0xD0, 0x02},
    {'M', 'P', 16, 1, 1, 0, 0xFF, 0xFF, 0, 0, 0xFF},
    {'M', 'E', 0, 0, 0xFF},
    {'M', 'W', 150, 0, 0},
    {'M', 'Y', 0xFF},
    {'M', 'M', 1, 0, 1},
    kJobName});

INSTANTIATE_TEST_SUITE_P(
    Screening, PrintedJob,
    testing::Values(Variant{"JV33Screening", "Output/Prn/BPL/HalftoneMode = 6\n", kScreeningHeader, 4, false, 4}),
    [](const testing::TestParamInfo<Variant>& row) { return std::string(row.param.name); });

INSTANTIATE_TEST_SUITE_P(
    ClassicLines, PrintedJob,
    testing::Values(Variant{"JV3", "Output/Prn/Printer/Model = 654\n", kJV3Header, 4, false, 4, kFormFeed, {0x0A},
                            kClassicColourCodes},
                    Variant{"JV4Artwork",
                            "Output/Prn/Printer/Model = 698\nOutput/Prn/Specific/PrintQuality = 19\n"
                            "Output/Prn/Specific/DotSize = 1\n",
                            kJV4ArtworkHeader, 4, false, 4, kFormFeed, {0x0A}, kClassicColourCodes, 0x08}),
    [](const testing::TestParamInfo<Variant>& row) { return std::string(row.param.name); });

// The TS300P example tickets: 720 x 720 dpi, 8 passes, heaters 40, 45 and
// 100; and the six-colour model at 720 x 1080 dpi, 12 passes at high speed.
const std::vector<uint8_t> kTs300pHeader = {
    'Q', 'K', 8,  0xFF, 40,   45,   0xFF, 0xFF, 0xFF, 0xFF, 100,                  //
    'Q', '@', 0,                                                                  //
    'Q', 'A', 3,  0,    0,    0,                                                  //
    'Q', 'C', 11, 0xFF, 0,    0,    0,    0,    0xFF, 1,    0xFF, 0, 0xFF, 0,     //
    'Q', 'P', 18, 1,    0xD0, 0x02, 0xD0, 0x02, 8,    0,    1,    1, 0,    2, 0,  //
    0xFF, 0xFF, 0, 0, 0, 0};

const std::vector<uint8_t> kTs300pBmykbmHeader = {
    'Q', 'K', 8,  0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,                 //
    'Q', '@', 0,                                                                  //
    'Q', 'A', 3,  0,    0,    0,                                                  //
    'Q', 'C', 11, 0xFF, 0,    15,   120,  0,    0xFF, 3,    0xFF, 0, 0xFF, 0,     //
    'Q', 'P', 18, 1,    0x38, 0x04, 0xD0, 0x02, 12,   1,    0,    2, 0,    2, 0,  //
    0xFF, 0xFF, 0, 0, 0, 0};

// The Tx500 example ticket: 600 x 600 dpi, 8 passes at high speed, heaters
// 40, 45 and 50; the TS500 one at 600 x 1200 dpi with fixed small dots and
// its third heater at 70. A feed of 1.0 sends no "QA".
const std::vector<uint8_t> kTx500Header = {
    'Q', 'K', 8,  40,   45,   50,   0xFF, 0xFF, 0xFF, 0xFF, 0xFF,                //
    'Q', '@', 0,                                                                 //
    'Q', 'C', 11, 0xFF, 0,    30,   0xFF, 0xFF, 0xFF, 0,    0xFF, 0, 0xFF, 0,    //
    'Q', 'P', 13, 1,    0x58, 0x02, 0x58, 0x02, 8,    1,    1,    1, 0, 1, 0, 0};

const std::vector<uint8_t> kTs500Header = {
    'Q', 'K', 8,  40,   45,   70,   0xFF, 0xFF, 0xFF, 0xFF, 0xFF,                //
    'Q', '@', 0,                                                                 //
    'Q', 'C', 11, 0xFF, 0,    12,   0xFF, 0xFF, 0xFF, 1,    0xFF, 0, 0xFF, 0,    //
    'Q', 'P', 13, 18,   0xB0, 0x04, 0x58, 0x02, 8,    0,    1,    1, 0, 1, 0, 0};

const Variant kSampleJV33{"SampleJV33", "", kSampleHeader, 4, false, 4};

// The sample job alone.
class SampleJob : public JobFolder {
protected:
    SampleJob() : JobFolder(kSampleJV33) {}
};

// The engine's stream is the same on every run; "HalftoneThreadCount=0" in
// the installation folder's driver settings gives the inline stream, which
// the in-process job with the same settings prints too.
TEST_F(SampleJob, RunsRepeatAndTheDriverSettingSwitchesTheEngineOff) {
    WriteImage(150, 24);
    WriteTicket();
    RunPrnhost();
    const std::vector<prndecode::Record> engine = printed;
    RunPrnhost();
    ASSERT_EQ(printed.size(), engine.size());
    for (size_t i = 0; i < printed.size(); ++i) EXPECT_EQ(printed[i].data, engine[i].data) << "record " << i;

    std::ofstream(folder / "DaVav.ini") << "[Special]\nHalftoneThreadCount=0\n";
    std::ofstream(folder / "job.ticket", std::ios::app)
        << "[system]\nSystem/InstallFolder = \"" << folder.string() << "\"\n";
    RunPrnhost();
    RunHere();
    if (HasFatalFailure()) return;
    ASSERT_EQ(here.records.size(), printed.size());
    bool differs = false;
    for (size_t i = 0; i < printed.size(); ++i) {
        EXPECT_EQ(here.records[i].data, printed[i].data) << "record " << i;
        differs = differs || printed[i].data != engine[i].data;
    }
    EXPECT_TRUE(differs) << "every channel of an engine page has its own random sequence";
}

INSTANTIATE_TEST_SUITE_P(
    JV33AndJV34, PrintedJob,
    testing::Values(kSampleJV33,
                    Variant{"JV33WhiteInkFixedDots",
                            "Output/Prn/Printer/Model = 693\nOutput/Prn/Specific/DotSize = 1\n"
                            "Output/Prn/Specific/White/Mode = 1\nOutput/Prn/Specific/White/Order = 0\n",
                            kWhiteInkHeader, 8, false, 8},
                    // Eight ink channels from a four-channel picture: the halftoner's
                    // converters look past the last pixel, never past the host's line.
                    Variant{"JV33WhiteInkFromCmykPicture",
                            "Output/Prn/Printer/Model = 693\nOutput/Prn/Specific/DotSize = 1\n"
                            "Output/Prn/Specific/White/Mode = 1\nOutput/Prn/Specific/White/Order = 0\n",
                            kWhiteInkHeader, 8, false, 4},
                    Variant{"JV34VariableDotsAt720x1080",
                            "Output/Prn/Printer/Model = 7077\nOutput/Prn/Printer/ResolutionY = 1080.0\n"
                            "Output/Prn/Specific/PrintQuality = 7210120\nOutput/Prn/Specific/Dryer/TimePerScan = 2.5\n",
                            kTs34Header, 4, true, 4},
                    Variant{"TS300P", "", kTs300pHeader, 4, false, 4, kQE, kQBlank, kQColourCodes, 0xFF, "examples/ts300p.ticket"},
                    Variant{"TS300PBmykbm", "", kTs300pBmykbmHeader, 6, false, 4, kQE, kQBlank, kQColourCodes, 0xFF, "examples/ts300p_bmykbm.ticket",
                            "examples/bmykbm.lin"},
                    Variant{"Tx500", "", kTx500Header, 4, false, 4, kQE, kQBlank, kQColourCodes, 0xFF, "examples/tx500.ticket"},
                    Variant{"TS500FixedDots", "", kTs500Header, 4, false, 4, kQE, kQBlank, kQColourCodes, 0xFF, "examples/ts500.ticket"}),
    [](const testing::TestParamInfo<Variant>& row) { return std::string(row.param.name); });

// The JV300 jobs of the cross-platform check. A page without white ink has
// every plane once; white order 4 prints colour, white, colour.
const std::vector<uint8_t> kJv300Head = {
    'Q', 'K', 8,  0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,  //
    'Q', '@', 0,                                                   //
    'Q', 'A', 3,  0,    0,    0,                                   //
    'Q', 'C', 11, 0xFF, 0,    0,    0,    0,    0xFF, 2,    0xFF, 0, 0xFF, 0};
std::vector<uint8_t> Jv300Header(uint8_t dotClass, std::vector<uint8_t> tail) {
    std::vector<uint8_t> header = kJv300Head;
    const std::vector<uint8_t> qp = {'Q', 'P', 12, 1, 0xD0, 0x02, 0xD0, 0x02, 8, 0, 1, 1, 0, dotClass, 0};
    header.insert(header.end(), qp.begin(), qp.end());
    header.insert(header.end(), tail.begin(), tail.end());
    return header;
}
std::vector<std::pair<int, int>> ColourWhiteColour() {
    std::vector<std::pair<int, int>> out;
    for (int layer : {0, 2}) {
        for (int c = 0; c < 6; ++c) out.emplace_back(c, layer);
    }
    out.emplace_back(6, 1);
    out.emplace_back(7, 1);
    return out;
}

INSTANTIATE_TEST_SUITE_P(
    JV300, PrintedJob,
    testing::Values(Variant{"JV300Cmyk", "", Jv300Header(4, {}), 4, false, 4, kQE, kQBlank, kQColourCodes, 0xFF,
                            ".ci/cross-platform/jv300-cmyk/ticket.txt", ".ci/cross-platform/jv300-cmyk/cmyk.lin"},
                    Variant{"JV300WhiteOrder4", "", Jv300Header(3, {'P', 'L', 4, 1, 2, 0xFE, 0xFF}), 8, false, 5,
                            kQE, kQBlank, kQColourCodes, 0xFF, ".ci/cross-platform/jv300-white/ticket.txt", ".ci/cross-platform/jv300-white/cmykcm.lin",
                            ColourWhiteColour()}),
    [](const testing::TestParamInfo<Variant>& row) { return std::string(row.param.name); });

}  // namespace
