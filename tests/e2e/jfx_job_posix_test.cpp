// The JFX jobs of the cross-platform check printed through the built plug-in
// by the host program and decoded back: the stream is the one the same job
// writes in this process, each played-back layer decodes as an image of its
// own with the layer's direction and curing, and its planes hold the
// halftoner's dots, in reverse line order where the layer plays backwards.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "drivers/jfx/jfx.h"
#include "image.h"
#include "job/varn_prn.h"
#include "platform/dynamic_library.h"
#include "prndump/plane_images.h"
#include "prndump/prn_records.h"
#include "support/program_run.h"
#include "support/scratch_folder.h"
#include "ticket_store.h"
#include "ticket_text.h"

namespace {

namespace fs = std::filesystem;

const fs::path kJobs = fs::path(KELMORA_SOURCE_ROOT) / ".ci" / "cross-platform";

// The stream and the halftoned lines of the in-process run.
struct HereRun {
    std::vector<prndecode::Record> records;
    std::vector<std::vector<uint8_t>> lines;  // channels x bytes per plane each
    int bytesPerPlane = 0;
    static int Write(void* self, uint32_t tag, const uint8_t* data, uint32_t size) {
        static_cast<HereRun*>(self)->records.push_back({tag, 0, std::vector<uint8_t>(data, data + size)});
        return 0;
    }
};
HereRun* g_run = nullptr;
JobHook g_writeLine = nullptr;

int KeepLineThenWrite(CVarnPrn* job) {
    g_run->bytesPerPlane = job->m_iBytesPerChannel;
    g_run->lines.emplace_back(job->m_pOutLine,
                              job->m_pOutLine + size_t(job->m_iOutChannels) * size_t(job->m_iBytesPerChannel));
    return g_writeLine(job);
}

// One played-back image as the driver's layers predict it.
struct Play {
    std::vector<int32_t> planes;
    bool backwards;
};

class JfxJob : public testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        for (const auto& file : fs::directory_iterator(kJobs / GetParam())) {
            fs::copy_file(file.path(), fs::path(folder.Path()) / file.path().filename());
        }
        platform::DynamicLibrary epl;
        ASSERT_TRUE(epl.LoadFile((fs::path(KELMORA_PLUGIN_PATH).parent_path() / "libepl.so").string()))
            << epl.Error();
        epl.KeepLoadedForProcess();
    }

    // prnhost in the job's folder, where the ticket's files and the layer spool files lie.
    std::vector<prndecode::Record> RunPrnhost() {
        const testprogram::Outcome run =
            testprogram::Run({{PRNHOST_PATH, "--plugin", KELMORA_PLUGIN_PATH, "--ticket", "ticket.txt", "--image",
                               "image.pam", "--out", "job.prn", "--ticket-out", "final.ticket"},
                              folder.Path()});
        EXPECT_EQ(run.status, 0) << run.output;
        return prndecode::ReadRecordFile(folder.File("job.prn"));
    }

    // The same job here, from the ticket prnhost ended with; the plays its layers make.
    std::vector<Play> RunHere(HereRun& run) {
        const fs::path previous = fs::current_path();
        fs::current_path(folder.Path());
        hostkit::TicketStore store(1);
        hostkit::LoadTicketFile("final.ticket", store);
        prnhost::Image image;
        std::string error;
        EXPECT_TRUE(prnhost::ReadImage("image.pam", image, error)) << error;
        std::vector<Play> plays;
        std::unique_ptr<CVarnPrn> job = CVarnPrn::Create(store.ticket(), 1, nullptr);
        g_run = &run;
        if (job && job->OpenJob(&HereRun::Write, &run) == 0 && job->OpenPage() == 0) {
            g_writeLine = job->m_pfnPrintLine;
            job->m_pfnPrintLine = KeepLineThenWrite;
            std::vector<uint8_t> line((image.RowBytes() + 31) / 32 * 32);
            for (int y = 0; y < image.height; ++y) {
                std::fill(line.begin(), line.end(), 0);
                std::copy_n(image.Row(y), image.RowBytes(), line.begin());
                EXPECT_EQ(job->WriteLine(line.data()), 0) << "line " << y;
            }
            plays = Plays(*dynamic_cast<JFXIntern*>(job->m_pDriver.get()), job->m_iPrinterModell >= 7085);
            planeCodes = dynamic_cast<JFXIntern*>(job->m_pDriver.get())->m_vPlaneCodes;
            EXPECT_EQ(job->ClosePage(), 0);
            EXPECT_EQ(job->CloseJob(), 0);
        } else {
            ADD_FAILURE() << "the job did not start";
        }
        g_run = nullptr;
        fs::current_path(previous);
        return plays;
    }

    // Embossing plays count - 1 times, JFX500 clear twice (forwards, then
    // backwards), a JFX200 clear top layer forwards; the rest once.
    static std::vector<Play> Plays(const JFXIntern& driver, bool jfx500) {
        std::vector<Play> plays;
        for (const JFXLayer& layer : driver.m_vLayers) {
            if (!layer.hasData) continue;
            if (jfx500 && layer.CuringType == 4) {
                plays.push_back({layer.PlanesToPrint, false});
                plays.push_back({layer.PlanesToPrint, true});
            } else if (!jfx500 && layer.EmbossingLayerCount >= 2) {
                for (int n = 2; n <= layer.EmbossingLayerCount; ++n) plays.push_back({layer.PlanesToPrint, layer.PrintBackwards});
            } else {
                plays.push_back({layer.PlanesToPrint, !jfx500 && layer.CuringType == 5 ? false : layer.PrintBackwards});
            }
        }
        return plays;
    }

    ScratchFolder folder;
    std::vector<uint32_t> planeCodes;
};

TEST_P(JfxJob, LayersDecodeInOrderWithTheHalftonersDots) {
    const std::vector<prndecode::Record> printed = RunPrnhost();
    HereRun here;
    const std::vector<Play> plays = RunHere(here);
    if (HasFailure()) return;

    ASSERT_EQ(here.records.size(), printed.size());
    for (size_t i = 0; i < printed.size(); ++i) {
        EXPECT_EQ(here.records[i].tag, printed[i].tag) << "record " << i;
        EXPECT_EQ(here.records[i].data, printed[i].data) << "record " << i;
    }
    const testprogram::Outcome dump =
        testprogram::Run(testprogram::Command{{PRNDUMP_PATH, "--layers", "--quiet", folder.File("job.prn")}}.With(
            2, testprogram::Stream::Kept()));
    EXPECT_EQ(dump.status, 0);
    EXPECT_NE(dump.output.find("page 1 layer 0: "), std::string::npos);

    const auto images = prndecode::AssemblePages(printed);
    ASSERT_EQ(images.size(), plays.size());
    const size_t lines = here.lines.size();
    const size_t bytes = size_t(here.bytesPerPlane);
    size_t dots = 0;
    for (size_t i = 0; i < images.size(); ++i) {
        const prndecode::PageImage& image = images[i];
        EXPECT_EQ(image.layer, int(i));
        EXPECT_EQ(image.lines, lines);
        EXPECT_EQ(image.header.lines, lines);
        EXPECT_EQ(image.header.direction, plays[i].backwards ? 1 : 0) << "image " << i;
        EXPECT_EQ(image.header.lastLayer, i + 1 == images.size() ? 1 : 0) << "image " << i;
        EXPECT_FALSE(image.header.curing.empty());
        for (int32_t p : plays[i].planes) {
            const prndecode::PlaneImage* plane = image.Find(uint8_t(planeCodes[size_t(p)]));
            for (size_t y = 0; y < lines; ++y) {
                const auto& source = here.lines[plays[i].backwards ? lines - 1 - y : y];
                const std::vector<uint8_t> want(source.begin() + long(size_t(p) * bytes),
                                                source.begin() + long(size_t(p + 1) * bytes));
                const std::vector<uint8_t> got = plane ? plane->Row(y, bytes) : std::vector<uint8_t>(bytes, 0);
                ASSERT_EQ(got, want) << "image " << i << ", plane " << p << ", line " << y;
                for (uint8_t b : want) dots += b != 0;
            }
        }
    }
    EXPECT_GT(dots, 0u);
}

INSTANTIATE_TEST_SUITE_P(Jfx, JfxJob, testing::Values("jfx200-cmyk", "jfx200-spot", "jfx500-clear"),
                         [](const testing::TestParamInfo<const char*>& row) {
                             std::string name = row.param;
                             name.erase(std::remove(name.begin(), name.end(), '-'), name.end());
                             return name;
                         });

}  // namespace
