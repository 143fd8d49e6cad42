// UJF flatbed jobs printed through the built plug-in by the host program,
// decoded back layer by layer, and compared with the same job run in this
// process: the stream must be the same bytes, and the planes of every played
// layer the halftoner's planes.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "halftone/halftone.h"
#include "image.h"
#include "printed_job.h"
#include "job/varn_prn.h"
#include "platform/dynamic_library.h"
#include "prndump/plane_images.h"
#include "prndump/prn_records.h"
#include "services/spool_writer.h"
#include "support/current_folder.h"
#include "support/program_run.h"
#include "ticket_store.h"
#include "ticket_text.h"

namespace {

namespace fs = std::filesystem;

const fs::path kRoot = fs::path(KELMORA_SOURCE_ROOT);

using printedjob::CapturePlanesThenPrint;
using printedjob::g_printLine;
using printedjob::g_run;
using printedjob::JobRun;
using printedjob::ReadFile;

class UjfJob : public testing::Test {
protected:
    void SetUp() override {
        folder = fs::temp_directory_path() / ("kelmora_e2e_ujf_" + std::to_string(std::random_device()()));
        fs::create_directories(folder);
        platform::DynamicLibrary epl;
        ASSERT_TRUE(epl.LoadFile((fs::path(KELMORA_PLUGIN_PATH).parent_path() / "libepl.so").string())) << epl.Error();
        epl.KeepLoadedForProcess();
    }
    void TearDown() override { fs::remove_all(folder); }

    // The example job's ticket and picture from its cross-platform folder.
    void UseExample(const std::string& name) {
        const fs::path example = kRoot / ".ci" / "cross-platform" / name;
        fs::copy(example, folder, fs::copy_options::recursive);
        std::string error;
        ASSERT_TRUE(prnhost::ReadImage((folder / "image.pam").string(), image, error)) << error;
    }

    // The job through the plug-in library and the host program, with `pages` pages of the picture.
    void RunPrnhost(int pages) {
        testprogram::Command command({PRNHOST_PATH, "--plugin", KELMORA_PLUGIN_PATH, "--ticket", "ticket.txt"},
                                     folder.string());
        for (int i = 0; i < pages; ++i) command.arguments.insert(command.arguments.end(), {"--image", "image.pam"});
        command.arguments.insert(command.arguments.end(), {"--out", "job.prn", "--ticket-out", "final.ticket"});
        const testprogram::Outcome run = testprogram::Run(command);
        ASSERT_EQ(run.status, 0) << run.output;
        printed = prndecode::ReadRecordFile((folder / "job.prn").string());
    }

    // The same job in this process, from the ticket prnhost ended with.
    void RunHere(int pages) {
        hostkit::TicketStore store(1);
        hostkit::LoadTicketFile((folder / "final.ticket").string(), store);
        const CurrentFolder inFolder(folder);  // the ticket names its files relative to its folder
        std::unique_ptr<CVarnPrn> job = CVarnPrn::Create(store.ticket(), 1, nullptr);
        ASSERT_TRUE(job);
        g_run = &here;
        ASSERT_EQ(job->OpenJob(&JobRun::Write, &here), 0);
        std::vector<uint8_t> line((image.RowBytes() + 31) / 32 * 32);
        for (int page = 0; page < pages; ++page) {
            job->m_iLineCount = 0;  // as the host's page start does
            ASSERT_EQ(job->OpenPage(), 0);
            g_printLine = job->m_pfnPrintLine;
            job->m_pfnPrintLine = CapturePlanesThenPrint;
            for (int y = 0; y < image.height; ++y) {
                std::fill(line.begin(), line.end(), 0);
                std::copy_n(image.Row(y), image.RowBytes(), line.begin());
                ASSERT_EQ(job->WriteLine(line.data()), 0) << "line " << y;
            }
            EXPECT_EQ(job->ClosePage(), 0);
        }
        EXPECT_EQ(job->CloseJob(), 0);
        g_run = nullptr;
    }

    // The halftoner's plane p of line y of page `page` (from 0).
    std::vector<uint8_t> HalftonerRow(int page, int y, int p) const {
        const auto& line = here.planes[size_t(page * image.height + y)];
        return {line.begin() + ptrdiff_t(p) * here.bytesPerPlane, line.begin() + ptrdiff_t(p + 1) * here.bytesPerPlane};
    }

    // Every plane of a decoded layer image equals the halftoner's plane of
    // that colour code, last line first where the layer plays backwards.
    void ExpectLayer(const prndecode::PageImage& layerImage, int page, const std::vector<std::pair<int, uint8_t>>& planes) {
        size_t dots = 0;
        const int height = image.height;
        for (const auto& [p, code] : planes) {
            const prndecode::PlaneImage* plane = layerImage.Find(code);
            for (int y = 0; y < height; ++y) {
                const std::vector<uint8_t> want = HalftonerRow(page, layerImage.header.direction ? height - 1 - y : y, p);
                const std::vector<uint8_t> got =
                    plane ? plane->Row(size_t(y), want.size()) : std::vector<uint8_t>(want.size(), 0);
                ASSERT_EQ(got, want) << "page " << page << " layer " << layerImage.layer << " plane " << p << " line " << y;
                for (uint8_t b : want) dots += b != 0;
            }
        }
        EXPECT_GT(dots, 0u) << "layer " << layerImage.layer;
        EXPECT_EQ(layerImage.planes.size(), planes.size()) << "layer " << layerImage.layer;
    }

    void ExpectSameStream() {
        ASSERT_EQ(here.records.size(), printed.size());
        for (size_t i = 0; i < printed.size(); ++i) {
            EXPECT_EQ(here.records[i].tag, printed[i].tag) << "record " << i;
            EXPECT_EQ(here.records[i].data, printed[i].data) << "record " << i;
        }
    }

    fs::path folder;
    prnhost::Image image;
    std::vector<prndecode::Record> printed;
    JobRun here;
};

// Primer, white printed colour on white, glossy clear: four played layers.
TEST_F(UjfJob, X042PlaysPrimerMainAndGlossyClearInTheirOrder) {
    UseExample("ujf-x042");
    RunPrnhost(1);
    RunHere(1);
    if (HasFatalFailure()) return;
    ExpectSameStream();

    const size_t n = size_t(image.height);
    std::vector<uint32_t> expected = {SPLTAG_JOB_HEADER, SPLTAG_OPEN_JOB, SPLTAG_PAGE_LINK, SPLTAG_PAGE_HEADER};
    for (int layer = 0; layer < 4; ++layer) expected.insert(expected.end(), n + 1, SPLTAG_DATA);
    expected.insert(expected.end(), {SPLTAG_PAGE_END, SPLTAG_CLOSE_JOB, SPLTAG_EOF});
    std::vector<uint32_t> tags;
    for (const auto& r : printed) tags.push_back(r.tag);
    ASSERT_EQ(tags, expected);
    EXPECT_TRUE(printed[3].data.empty());
    EXPECT_EQ(printed[printed.size() - 3].data, (std::vector<uint8_t>{'Q', 'E', 0}));

    const auto images = prndecode::AssemblePages(printed);
    ASSERT_EQ(images.size(), 4u);
    const std::vector<bool> backwards = {false, true, false, true};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(images[i].layer, int(i));
        EXPECT_EQ(images[i].header.direction, backwards[i] ? 1 : 0);
        EXPECT_EQ(images[i].header.lastLayer, i == 3 ? 1 : 0);
        EXPECT_EQ(images[i].lines, n);
    }
    ExpectLayer(images[0], 0, {{7, 252}});
    ExpectLayer(images[1], 0, {{0, 2}, {1, 1}, {2, 4}, {3, 0}, {4, 254}, {5, 255}});
    ExpectLayer(images[2], 0, {{6, 253}});
    ExpectLayer(images[3], 0, {{6, 253}});
}

// Tags of the records, with every run of data records as one entry 'D' and its count.
std::string TagShape(const std::vector<prndecode::Record>& records) {
    std::string shape;
    size_t run = 0;
    for (const auto& r : records) {
        if (r.tag == SPLTAG_DATA) {
            ++run;
            continue;
        }
        if (run) shape += "D" + std::to_string(run) + " ";
        run = 0;
        shape += std::to_string(r.tag >> 28) + " ";
    }
    return shape;
}

// White order 0 without white: every line waits in the spool file; two pages, each with its own.
TEST_F(UjfJob, Ujf605SpoolsTheColoursAndPlaysThemAtEveryPageEnd) {
    UseExample("ujf-605-spooled");
    RunPrnhost(2);
    RunHere(2);
    if (HasFatalFailure()) return;
    ExpectSameStream();
    // Job header, open job; per page: page link, header, 30 lines with ink, page end; close job, end of file.
    EXPECT_EQ(TagShape(printed), "3 4 9 6 D30 7 9 6 D30 7 5 15 ");
    EXPECT_EQ(printed[0].data, std::vector<uint8_t>{0x0C});
    const auto images = prndecode::AssemblePages(printed);
    ASSERT_EQ(images.size(), 2u);
    for (int page = 0; page < 2; ++page) {
        EXPECT_EQ(images[size_t(page)].layer, -1);
        ExpectLayer(images[size_t(page)], page, {{0, 2}, {1, 1}, {2, 4}, {3, 0}});
    }
}

// White on colour: the colours go out at once, the white follows "CloseLayer" from the spool file.
TEST_F(UjfJob, Ujf605ClosesTheFirstLayerAndPlaysTheWhite) {
    UseExample("ujf-605-two-layers");
    RunPrnhost(1);
    RunHere(1);
    if (HasFatalFailure()) return;
    ExpectSameStream();
    EXPECT_EQ(TagShape(printed), "3 4 9 6 D61 7 5 15 ");  // 30 lines, "CloseLayer", 30 lines
    const auto images = prndecode::AssemblePages(printed);
    ASSERT_EQ(images.size(), 2u);
    EXPECT_EQ(images[0].layer, 0);
    EXPECT_EQ(images[1].layer, 1);
    ExpectLayer(images[0], 0, {{0, 2}, {1, 1}, {2, 4}, {3, 0}});
    ExpectLayer(images[1], 0, {{6, 255}, {7, 253}});
}

}  // namespace
