// Matrix screening over two pages through the built plug-in: the type-10
// tiling runs on from page to page, so two pages of n lines print what one
// page of 2n lines prints; dot film starts its tiling again at every page.
#include "e2e_support.h"

#include <filesystem>

#include "platform/dynamic_library.h"

namespace {

namespace fs = std::filesystem;

const fs::path kRoot = fs::path(KELMORA_SOURCE_ROOT);
constexpr int kWidth = 96;
constexpr int kLines = 11;

// The sample printer (model 700 at 720 dpi) in halftone mode 6: its spot file
// is examples/700_720x720dpi.spt, beside the linearisation file.
std::string ScreeningJob(int height, int mediaType) {
    return "[job]\n"
           "Output/Prn/Printer/Model = 700\n"
           "Output/Prn/Printer/OutputColorMode = 4\n"
           "Output/Prn/Printer/InputColorMode = 4\n"
           "Process/Components = 4\n"
           "Output/Prn/Linearization/BPLPath = \"" + (kRoot / "examples" / "cmyk.lin").string() + "\"\n"
           "Output/Prn/BPL/HalftoneMode = 6\n"
           "Output/Prn/Printer/ResolutionX = 720.0\n"
           "Output/Prn/Printer/ResolutionY = 720.0\n"
           "Output/Prn/Specific/DotSize = 2\n"
           "Output/Prn/Specific/PrintQuality = 8\n"
           "Output/Prn/Media/Spec/TypeID = " + std::to_string(mediaType) + "\n"
           "Process/OutWidthPixel = " + std::to_string(kWidth) + "\n"
           "Process/OutHeightPixel = " + std::to_string(height) + "\n"
           "Output/Prn/Media/Size/Width = 1000.0\n"
           "Output/Prn/Media/Size/Height = 2000.0\n";
}

// The printed lines of a job of `pages` pages of `lines` mid-grey lines each.
std::vector<std::vector<uint8_t>> Print(int pages, int lines, int mediaType) {
    // The plug-in finds the stand-in linearisation library beside it, as prnhost's does.
    platform::DynamicLibrary epl;
    EXPECT_TRUE(epl.LoadFile((fs::path(KELMORA_PLUGIN_PATH).parent_path() / "libepl.so").string())) << epl.Error();
    epl.KeepLoadedForProcess();
    e2e::Host host(KELMORA_PLUGIN_PATH);
    host.Ticket(ScreeningJob(lines, mediaType));
    EXPECT_EQ(host.CreateContext(), 0);
    EXPECT_EQ(host.OpenJob(), 0) << host.JobString("Output/ErrorMessage");
    const std::vector<uint8_t> line(kWidth * 4, 96);
    for (int p = 0; p < pages; ++p) {
        EXPECT_EQ(host.OpenPage(), 0);
        for (int y = 0; y < lines; ++y) EXPECT_EQ(host.WriteLine(line), 0);
        EXPECT_EQ(host.ClosePage(), 0);
    }
    EXPECT_EQ(host.CloseJob(), 0);
    std::vector<std::vector<uint8_t>> printed;
    for (const e2e::Record& r : host.Lines()) printed.push_back(r.data);
    return printed;
}

}  // namespace

TEST(ScreeningPages, TheTilingRunsOnAcrossPagesAndDotFilmStartsItAgain) {
    e2e::Collector collector;  // the plug-in's logger finds its collector at once
    const auto twoPages = Print(2, kLines, 1);
    ASSERT_EQ(twoPages.size(), size_t(2 * kLines));
    EXPECT_EQ(twoPages, Print(1, 2 * kLines, 1));
    EXPECT_NE(twoPages[0], twoPages[kLines]);  // page 2 goes on where page 1 stopped

    const auto dotFilm = Print(2, kLines, 999);
    ASSERT_EQ(dotFilm.size(), size_t(2 * kLines));
    EXPECT_NE(dotFilm, Print(1, 2 * kLines, 999));
}
