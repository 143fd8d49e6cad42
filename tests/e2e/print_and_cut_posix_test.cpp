// The print-and-cut example job (examples/cjv30.ticket) through the host
// program, decoded back: the marks are the generator's rows, the image rows
// the halftoner's moved right by the marks' margin, and the cut data the cut
// file's paths placed against the marks. The job run in this process gives
// the same bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "cutting/cutmarks.h"
#include "halftone/halftone.h"
#include "image.h"
#include "job/varn_prn.h"
#include "platform/dynamic_library.h"
#include "prndump/cut_data.h"
#include "prndump/plane_images.h"
#include "prndump/prn_records.h"
#include "services/spool_writer.h"
#include "support/program_run.h"
#include "ticket_store.h"
#include "ticket_text.h"

namespace {

namespace fs = std::filesystem;

const fs::path kRoot = fs::path(KELMORA_SOURCE_ROOT);
constexpr int kPicture = 160;   // pixels of the 72 dpi picture
constexpr int kPrinted = 800;   // printer pixels at 360 dpi
constexpr uint8_t kCodes[4] = {2, 1, 4, 0};

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The mark generator of a square image of `size` pixels at dpi with two-bit
// codes, and the rows it writes before the image (the first `leading`) and after it.
struct GeneratedMarks {
    GeneratedMarks(int dpi, int size) : generator(Params(dpi, size, this)) {
        generator.EmitMarks(false);
        leading = rows.size();
        generator.EmitMarks(true);
    }
    static MimakiCutmarksGeneratorParams Params(int dpi, int size, GeneratedMarks* self) {
        MimakiCutmarksGeneratorParams params;
        params.pfnWriteRow = Keep;
        params.pContext = self;
        params.iResolutionX = params.iResolutionY = dpi;
        params.iImageWidth = params.iImageHeight = size;
        params.iBitsPerPixel = 2;
        return params;
    }
    static int Keep(void* self, const uint8_t* row, uint32_t size) {
        static_cast<GeneratedMarks*>(self)->rows.emplace_back(row, row + size);
        return 0;
    }

    std::vector<std::vector<uint8_t>> rows;
    MimakiCutmarksGenerator_Imp generator;
    size_t leading = 0;
};

std::vector<std::vector<uint8_t>>* g_planes = nullptr;
JobHook g_printLine = nullptr;
int CapturePlanes(CVarnPrn* job) {
    g_planes->emplace_back(job->m_pOutLine, job->m_pOutLine + size_t(job->m_iOutChannels) * job->m_iBytesPerChannel);
    return g_printLine(job);
}
int KeepRecord(void* self, uint32_t tag, const uint8_t* data, uint32_t size) {
    prndecode::Record record;
    record.tag = tag;
    record.data.assign(data, data + size);
    static_cast<std::vector<prndecode::Record>*>(self)->push_back(std::move(record));
    return 0;
}

// The cut file's corners and curve ends, turned a quarter turn and placed
// against the marks: (x, y) -> ((H + Lb - Wb - y) s, (x + G - Wb/2) s) for
// an image of H points.
void CheckCutGeometry(const std::string& hpgl, MimakiCutmarksGenerator_Imp& generator, double size) {
    const double s = 1016.0 / 72.0;
    const double lb = generator.GetBarLengthPt(), wb = generator.GetBarWidthPt(), g = generator.GetMarginPt();
    const auto at = [&](double x, double y) {
        return std::to_string(std::lround((size + lb - wb - y) * s)) + "," +
               std::to_string(std::lround((x + g - wb / 2) * s)) + ";";
    };
    std::istringstream text(hpgl);
    std::vector<std::string> lines;
    for (std::string l; std::getline(text, l);) lines.push_back(l);
    ASSERT_GE(lines.size(), 8u);
    EXPECT_EQ(lines[0], "IN;");
    EXPECT_EQ(lines[1], "PU" + at(10, 10));
    EXPECT_EQ(lines[2], "PD" + at(150, 10));
    EXPECT_EQ(lines[3], "PD" + at(150, 150));
    EXPECT_EQ(lines[4], "PD" + at(10, 150));
    EXPECT_EQ(lines[5], "PD" + at(10, 10));
    EXPECT_EQ(lines[6], "PU" + at(40, 80));
    // Each curve starts again at the current point; its flattened points end at its end point.
    EXPECT_EQ(lines[7], "PD" + at(40, 80));
    const std::pair<double, double> curveEnds[] = {{80, 120}, {120, 80}, {80, 40}, {40, 80}};
    size_t from = 8;
    for (const auto& end : curveEnds) {
        const auto found = std::find(lines.begin() + ptrdiff_t(from), lines.end(), "PD" + at(end.first, end.second));
        ASSERT_NE(found, lines.end()) << end.first << " " << end.second;
        from = size_t(found - lines.begin()) + 1;
    }
    EXPECT_EQ(from, lines.size());
}

// The host program's stream is the in-process stream, byte for byte.
void ExpectSameRecords(const std::vector<prndecode::Record>& here, const std::vector<prndecode::Record>& printed) {
    ASSERT_EQ(here.size(), printed.size());
    for (size_t i = 0; i < printed.size(); ++i) {
        ASSERT_EQ(here[i].tag, printed[i].tag) << "record " << i;
        ASSERT_EQ(here[i].data, printed[i].data) << "record " << i;
    }
}

class PrintAndCutJob : public testing::Test {
protected:
    void SetUp() override {
        folder = fs::temp_directory_path() / ("kelmora_e2e_cut_" + std::to_string(std::random_device()()));
        fs::create_directories(folder);
        platform::DynamicLibrary epl;
        ASSERT_TRUE(epl.LoadFile((fs::path(KELMORA_PLUGIN_PATH).parent_path() / "libepl.so").string()))
            << epl.Error();
        epl.KeepLoadedForProcess();
    }

    // The example job's ticket (paths made absolute) and a picture of
    // `channels` channels per pixel: CMYK ramps and noise, then a checkered
    // white channel.
    void Prepare(const char* ticket, int pictureChannels, const char* linearisation) {
        channels = pictureChannels;
        prnhost::Image image;
        image.width = image.height = kPicture;
        image.channels = channels;
        image.colorSpace = "CMYK";
        std::mt19937 noise(3);
        for (int y = 0; y < kPicture; ++y) {
            for (int x = 0; x < kPicture; ++x) {
                image.pixels.push_back(uint8_t(255 * x / (kPicture - 1)));
                image.pixels.push_back(y < kPicture / 2 ? 128 : uint8_t(noise() & 0xFF));
                image.pixels.push_back(x < kPicture / 3 ? 0 : uint8_t(255 * y / (kPicture - 1)));
                image.pixels.push_back((x + y) % 17 < 3 ? 255 : 0);
                if (channels > 4) image.pixels.push_back((x / 20 + y / 20) % 2 ? 0 : 255);
            }
        }
        std::string error;
        ASSERT_TRUE(prnhost::WritePam((folder / "image.pam").string(), image, error)) << error;
        pixels = image.pixels;
        std::ofstream(folder / "job.ticket")
            << ReadFile(kRoot / "examples" / ticket) << "\n[job]\n"
            << "Output/Prn/Linearization/BPLPath = \"" << (kRoot / linearisation).string() << "\"\n"
            << "Process/ContourCut/ICUT/AI_FileName = \"" << (kRoot / "examples" / "cjv30_cut.ai").string() << "\"\n";
    }
    void TearDown() override { fs::remove_all(folder); }

    std::vector<prndecode::Record> RunPrnhost(int pages) {
        std::vector<std::string> arguments = {PRNHOST_PATH, "--plugin", KELMORA_PLUGIN_PATH, "--ticket",
                                              (folder / "job.ticket").string()};
        for (int p = 0; p < pages; ++p) arguments.insert(arguments.end(), {"--image", (folder / "image.pam").string()});
        arguments.insert(arguments.end(), {"--out", (folder / "job.prn").string(), "--ticket-out",
                                           (folder / "final.ticket").string()});
        const testprogram::Outcome run = testprogram::Run({arguments});
        EXPECT_EQ(run.status, 0) << run.output;
        return prndecode::ReadRecordFile((folder / "job.prn").string());
    }

    // The same job in this process, keeping the halftoner's planes of every line.
    std::vector<prndecode::Record> RunHere(std::vector<std::vector<uint8_t>>& planes) {
        std::vector<prndecode::Record> records;
        hostkit::TicketStore store(1);
        hostkit::LoadTicketFile((folder / "final.ticket").string(), store);
        std::unique_ptr<CVarnPrn> job = CVarnPrn::Create(store.ticket(), 1, nullptr);
        EXPECT_TRUE(job);
        if (!job) return records;
        g_planes = &planes;
        EXPECT_EQ(job->OpenJob(&KeepRecord, &records), 0);
        EXPECT_EQ(job->OpenPage(), 0);
        g_printLine = job->m_pfnPrintLine;
        job->m_pfnPrintLine = CapturePlanes;
        const size_t rowBytes = size_t(kPicture) * size_t(channels);
        std::vector<uint8_t> line(rowBytes + 32);
        for (int y = 0; y < kPicture; ++y) {
            std::copy_n(pixels.begin() + ptrdiff_t(y * rowBytes), rowBytes, line.begin());
            EXPECT_EQ(job->WriteLine(line.data()), 0) << "line " << y;
        }
        EXPECT_EQ(job->ClosePage(), 0);
        EXPECT_EQ(job->CloseJob(), 0);
        g_planes = nullptr;
        return records;
    }

    fs::path folder;
    std::vector<uint8_t> pixels;
    int channels = 4;
};

TEST_F(PrintAndCutJob, MarksImageAndCutDataComeBackFromTheStream) {
    Prepare("cjv30.ticket", 4, "examples/cmyk.lin");
    const auto printed = RunPrnhost(1);
    std::vector<std::vector<uint8_t>> planes;
    const auto here = RunHere(planes);
    ExpectSameRecords(here, printed);
    if (HasFatalFailure()) return;

    // The generator's marks for the page: 2 bits per pixel (variable dots).
    GeneratedMarks marks(360, kPrinted);
    const size_t leading = marks.leading;
    ASSERT_GT(leading, 0u);
    MimakiCutmarksGenerator_Imp& generator = marks.generator;
    const size_t marginBytes = size_t(generator.GetMarginPx()) * 2 / 8;

    const auto pages = prndecode::AssemblePages(printed);
    ASSERT_EQ(pages.size(), 1u);
    ASSERT_EQ(pages[0].lines, marks.rows.size() + kPrinted);
    const auto* black = pages[0].Find(0);
    ASSERT_NE(black, nullptr);
    const size_t rowBytes = marks.rows[0].size();
    for (size_t i = 0; i < marks.rows.size(); ++i) {
        const size_t line = i < leading ? i : i + kPrinted;
        ASSERT_EQ(black->Row(line, rowBytes), marks.rows[i]) << "mark row " << i;
    }
    ASSERT_EQ(planes.size(), size_t(kPrinted));
    const size_t bytesPerPlane = planes[0].size() / 4;
    size_t dots = 0;
    for (int c = 0; c < 4; ++c) {
        const auto* plane = pages[0].Find(kCodes[c]);
        ASSERT_NE(plane, nullptr);
        for (size_t y = 0; y < size_t(kPrinted); ++y) {
            std::vector<uint8_t> want(marginBytes, 0);
            want.insert(want.end(), planes[y].begin() + ptrdiff_t(c * bytesPerPlane),
                        planes[y].begin() + ptrdiff_t((c + 1) * bytesPerPlane));
            want.resize(rowBytes, 0);
            ASSERT_EQ(plane->Row(leading + y, rowBytes), want) << "channel " << c << ", line " << y;
            for (uint8_t b : want) dots += b != 0;
        }
    }
    EXPECT_GT(dots, 0u);

    const auto cuts = prndecode::ExtractCutData(printed);
    ASSERT_EQ(cuts.size(), 1u);
    CheckCutGeometry(cuts[0].hpgl, generator, kPrinted / 360.0 * 72.0);

    // prndump writes the same texts.
#ifdef PRNDUMP_PATH
    const testprogram::Outcome dumped =
        testprogram::Run({{PRNDUMP_PATH, "-q", "--cut", (folder / "cut").string(), (folder / "job.prn").string()}});
    ASSERT_EQ(dumped.status, 0) << dumped.output;
    EXPECT_EQ(ReadFile(folder / "cut-p1.hpgl"), cuts[0].hpgl);
    EXPECT_EQ(ReadFile(folder / "cut-p1.mgl"), cuts[0].mgl);
#endif
}

TEST_F(PrintAndCutJob, EveryPageGetsItsMarksAndCutRecords) {
    struct Case {
        const char* ticket;
        int channels;
        const char* linearisation;
        std::vector<uint32_t> page;
        size_t images;  // per page
    };
    const Case cases[] = {
        {"cjv30.ticket", 4, "examples/cmyk.lin",
         {SPLTAG_PAGE_LINK, SPLTAG_PAGE_HEADER, SPLTAG_CUT_PAGE_OPEN, SPLTAG_CUT_PAGE_SETUP, SPLTAG_DATA,
          SPLTAG_PAGE_END, SPLTAG_CUT_DATA, SPLTAG_CUT_JOB},
         1},
        {"cjv300.ticket", 5, "stand-ins/epl/examples/cmykcm.lin",
         {SPLTAG_PAGE_LINK, SPLTAG_PAGE_HEADER, SPLTAG_CUT_PAGE_OPEN, SPLTAG_CUT_PAGE_SETUP, SPLTAG_DATA, 0,
          SPLTAG_DATA, 0, SPLTAG_DATA, SPLTAG_PAGE_END, SPLTAG_CUT_DATA, SPLTAG_CUT_JOB},
         3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ticket);
        Prepare(c.ticket, c.channels, c.linearisation);
        const auto printed = RunPrnhost(2);
        std::vector<std::vector<uint32_t>> pages;
        for (const auto& r : printed) {
            if (r.tag == SPLTAG_PAGE_LINK) pages.emplace_back();
            if (pages.empty() || r.tag == SPLTAG_CLOSE_JOB || r.tag == SPLTAG_EOF) continue;
            if (r.tag != SPLTAG_DATA || pages.back().back() != SPLTAG_DATA) pages.back().push_back(r.tag);
        }
        ASSERT_EQ(pages.size(), 2u);
        EXPECT_EQ(pages[0], c.page);
        EXPECT_EQ(pages[1], c.page);
        const auto images = prndecode::AssemblePages(printed);
        ASSERT_EQ(images.size(), 2 * c.images);
        const auto& first = images[0];
        const auto& second = images[c.images];
        EXPECT_EQ(second.number, 2);
        EXPECT_EQ(first.lines, second.lines);
        const size_t bytes = first.Find(0)->BytesPerRow();
        EXPECT_EQ(first.Find(0)->Row(0, bytes), second.Find(0)->Row(0, bytes));  // the top marks
        const auto cuts = prndecode::ExtractCutData(printed);
        ASSERT_EQ(cuts.size(), 2u);
        EXPECT_EQ(cuts[1].page, 2);
        EXPECT_EQ(cuts[0].mgl, cuts[1].mgl);
    }
}

// The CJV300 job with white pulled back: colour live with the marks, then
// white and colour again from the spool files, each after its layer's name
// and init sequence; each layer an image of its own.
TEST_F(PrintAndCutJob, PulledBackLayersComeAfterTheLivePageInTheirOrder) {
    Prepare("cjv300.ticket", 5, "stand-ins/epl/examples/cmykcm.lin");
    constexpr int kLines = 1600;  // 160 pixels printed 10 x 10 at 720 dpi
    const auto printed = RunPrnhost(1);
    std::vector<std::vector<uint8_t>> planes;
    const auto here = RunHere(planes);
    ExpectSameRecords(here, printed);
    if (HasFatalFailure()) return;

    std::vector<std::string> order;
    for (const auto& r : printed) {
        std::string entry = r.tag == 0 ? std::string(r.data.begin(), r.data.end()) : prndecode::TagName(r.tag);
        if (r.tag == SPLTAG_DATA && !r.data.empty() && r.data[0] == 'Q' && r.data[1] == 'E') entry = "init";
        if (order.empty() || entry != "SPLTAG_DATA" || order.back() != entry) order.push_back(entry);
    }
    EXPECT_EQ(order, (std::vector<std::string>{"SPLTAG_JOB_HEADER", "SPLTAG_OPEN_JOB", "SPLTAG_PAGE_LINK",
                                               "SPLTAG_PAGE_HEADER", "CUT_PAGE_OPEN", "CUT_PAGE_SETUP", "SPLTAG_DATA",
                                               "PulledBack Layer1", "init", "SPLTAG_DATA", "PulledBack Layer2", "init",
                                               "SPLTAG_DATA", "SPLTAG_PAGE_END", "CUT_DATA", "CUT_JOB",
                                               "SPLTAG_CLOSE_JOB", "SPLTAG_EOF"}));

    GeneratedMarks marks(720, kLines);
    const auto images = prndecode::AssemblePages(printed);
    ASSERT_EQ(images.size(), 3u);
    for (int l = 0; l < 3; ++l) {
        EXPECT_EQ(images[size_t(l)].number, 1);
        EXPECT_EQ(images[size_t(l)].layer, l);
    }
    ASSERT_EQ(images[0].lines, marks.rows.size() + kLines);
    const size_t rowBytes = marks.rows[0].size();
    const auto* black = images[0].Find(0);
    ASSERT_NE(black, nullptr);
    for (size_t i = 0; i < marks.rows.size(); ++i) {
        const size_t line = i < marks.leading ? i : i + kLines;
        ASSERT_EQ(black->Row(line, rowBytes), marks.rows[i]) << "mark row " << i;
    }
    // Colour live and again in layer 2, the two white planes in layer 1; the
    // image rows start at the left edge of the marks.
    ASSERT_EQ(planes.size(), size_t(kLines));
    const size_t bytesPerPlane = planes[0].size() / 8;
    const size_t width = std::max(rowBytes, bytesPerPlane);
    const uint32_t codes[8] = {2, 1, 4, 0, 0x12, 0x11, 0xFE, 0xFF};
    size_t dots[3] = {0, 0, 0};
    for (int c = 0; c < 8; ++c) {
        for (int l : (c < 6 ? std::vector<int>{0, 2} : std::vector<int>{1})) {
            const size_t first = l == 0 ? marks.leading : 0;
            const auto* plane = images[size_t(l)].Find(uint8_t(codes[c]));
            ASSERT_NE(plane, nullptr) << "layer " << l << ", channel " << c;
            for (size_t y = 0; y < size_t(kLines); ++y) {
                std::vector<uint8_t> want(planes[y].begin() + ptrdiff_t(c * bytesPerPlane),
                                          planes[y].begin() + ptrdiff_t((c + 1) * bytesPerPlane));
                want.resize(width, 0);
                ASSERT_EQ(plane->Row(first + y, width), want) << "layer " << l << ", channel " << c << ", line " << y;
                for (uint8_t b : want) dots[l] += b != 0;
            }
        }
    }
    EXPECT_GT(dots[0], 0u);
    EXPECT_GT(dots[1], 0u);
    EXPECT_EQ(images[1].planes.size(), 2u);

    const auto cuts = prndecode::ExtractCutData(printed);
    ASSERT_EQ(cuts.size(), 1u);
    CheckCutGeometry(cuts[0].hpgl, marks.generator, kLines / 720.0 * 72.0);
}

}  // namespace
