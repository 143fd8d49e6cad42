// The reference pages: every job of the cross-platform check, printed by the
// host program inline and through the threaded halftoning (engine or pool),
// must give the stream whose hash is pinned here. A change that alters one
// output byte of any family fails; one that means to must pin its new hash
// and say why.
#include "e2e_support.h"

#include <algorithm>
#include <filesystem>
#include <png.h>
#include <thread>

#include "prndump/plane_images.h"
#include "prndump/png_out.h"
#include "prndump/prn_records.h"

namespace {

namespace fs = std::filesystem;

const fs::path kJobs = fs::path(KELMORA_SOURCE_ROOT) / ".ci" / "cross-platform";

uint64_t Fnv1a(const std::string& bytes) {
    uint64_t hash = 1469598103934665603ull;
    for (unsigned char b : bytes) hash = (hash ^ b) * 1099511628211ull;
    return hash;
}

struct Reference {
    const char* name;
    const char* job;      // folder of .ci/cross-platform
    const char* settings;  // [job] lines on top of its ticket
    uint64_t inlineHash;  // "HalftoneThreadCount=0"
    uint64_t threadHash;  // "HalftoneThreadCount=4"
};

void PrintTo(const Reference& r, std::ostream* os) { *os << r.name; }

class ReferencePage : public testing::TestWithParam<Reference> {
protected:
    // The job in a folder of its own that is also its installation folder,
    // with the given driver settings; the hash of the stream it printed.
    uint64_t Print(int threads) {
        for (const auto& file : fs::directory_iterator(kJobs / GetParam().job)) {
            fs::copy_file(file.path(), fs::path(folder.Path()) / file.path().filename(),
                          fs::copy_options::overwrite_existing);
        }
        std::ofstream(folder.File("DaVav.ini")) << "[Special]\nHalftoneThreadCount=" << threads << "\n";
        std::ofstream(folder.File("ticket.txt"), std::ios::app)
            << "\n[job]\n" << GetParam().settings << "\n[system]\nSystem/InstallFolder = \"" << folder.Path() << "\"\n";
        const testprogram::Outcome run = testprogram::Run(
            {{PRNHOST_PATH, "--plugin", KELMORA_PLUGIN_PATH, "--ticket", "ticket.txt", "--image", "image.pam", "--out",
              "job.prn"},
             folder.Path()});
        EXPECT_EQ(run.status, 0) << run.output;
        const std::string stream = e2e::ReadText(folder.File("job.prn"));
        EXPECT_GT(stream.size(), 100u);
        return Fnv1a(stream);
    }

    ScratchFolder folder;
};

TEST_P(ReferencePage, PrintsThePinnedStreamInlineAndThreaded) {
    const uint64_t inlined = Print(0);
    EXPECT_EQ(inlined, GetParam().inlineHash) << std::hex << "inline stream: 0x" << inlined;
    // The engine only runs on a machine of two or more processors.
    if (std::thread::hardware_concurrency() < 2) GTEST_SKIP() << "one processor";
    const uint64_t threaded = Print(4);
    EXPECT_EQ(threaded, GetParam().threadHash) << std::hex << "threaded stream: 0x" << threaded;
}

// A PNG read back as 8-bit RGB rows.
prndecode::Picture ReadPng(const std::string& path) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return {};
    image.format = PNG_FORMAT_RGB;
    prndecode::Picture picture{image.width, image.height, 3, std::vector<uint8_t>(PNG_IMAGE_SIZE(image))};
    return png_image_finish_read(&image, nullptr, picture.pixels.data(), 0, nullptr) ? picture : prndecode::Picture();
}

// The preview of a page is its layers over one another in print order, each the right way
// up (played backwards: turned round) and drawn apart so; a page without layers, its image.
TEST_P(ReferencePage, PreviewsEachPageAsPrinted) {
    Print(0);
    const testprogram::Outcome run =
        testprogram::Run({{PRNDUMP_PATH, "-q", "--preview", "prev.png", "job.prn"}, folder.Path()});
    ASSERT_EQ(run.status, 0) << run.output;
    const auto images = prndecode::AssemblePages(prndecode::ReadRecordFile(folder.File("job.prn")));
    for (size_t first = 0, last = 0; first < images.size(); first = last) {
        const int page = images[first].number;
        while (last < images.size() && images[last].number == page) ++last;
        const std::string name = folder.File(page == 1 ? "prev.png" : "prev-p" + std::to_string(page) + ".png");
        if (last - first == 1 && images[first].layer < 0) {
            prndecode::WritePng(folder.File("alone.png"), prndecode::RenderPreview(images[first]));
            EXPECT_EQ(e2e::ReadText(name), e2e::ReadText(folder.File("alone.png"))) << name;
            continue;
        }
        // The light each layer lets through, multiplied (each layer's picture rounded once: one step a layer).
        const prndecode::Picture got = ReadPng(name);
        std::vector<double> light(got.pixels.size(), 1.0);
        size_t width = 0, height = 0;
        for (size_t i = first; i < last; ++i) {
            prndecode::Picture layer = prndecode::RenderPreview(images[i]);
            const auto line = [&layer](size_t y) { return layer.pixels.begin() + long(y * layer.width * 3); };
            for (size_t y = 0; images[i].header.direction == 1 && y < layer.height / 2; ++y) {
                std::swap_ranges(line(y), line(y + 1), line(layer.height - 1 - y));
            }
            const std::string apart = "prev-p" + std::to_string(page) + "-l" + std::to_string(images[i].layer) + ".png";
            EXPECT_TRUE(last - first == 1 || ReadPng(folder.File(apart)).pixels == layer.pixels) << apart;
            width = std::max(width, layer.width), height = std::max(height, layer.height);
            for (size_t at = 0; at < layer.pixels.size(); ++at) {
                const size_t y = at / (3 * layer.width), x = at % (3 * layer.width);
                if (y < got.height && x < 3 * got.width) light[3 * y * got.width + x] *= layer.pixels[at] / 255.0;
            }
        }
        ASSERT_EQ(std::pair(got.width, got.height), std::pair(width, height)) << name;
        for (size_t i = 0; i < light.size(); ++i) {
            ASSERT_NEAR(got.pixels[i], light[i] * 255.0, double(last - first) + 0.5) << name << " @" << i;
        }
    }
}

const char* const kJV34 =
    "Output/Prn/Printer/Model = 7077\nOutput/Prn/Printer/ResolutionY = 1080.0\n"
    "Output/Prn/Specific/PrintQuality = 7210120\nOutput/Prn/Specific/Dryer/TimePerScan = 2.5\n";
const char* const kJV33White =
    "Output/Prn/Printer/Model = 693\nOutput/Prn/Specific/DotSize = 1\n"
    "Output/Prn/Specific/White/Mode = 1\nOutput/Prn/Specific/White/Order = 0\n";

INSTANTIATE_TEST_SUITE_P(
    EveryFamily, ReferencePage,
    testing::Values(
        Reference{"JV33", "jv33", "", 0xCEC57C01CFC8F0CBull, 0xECEA192E025DF962ull},
        Reference{"JV33WhiteFixedDots", "jv33", kJV33White, 0x2E5F2F2107FDF1C0ull, 0x8D02A987089405CFull},
        Reference{"JV34", "jv33", kJV34, 0x4D2397246AF160C3ull, 0xC4265C7F34F6111Bull},
        Reference{"JV33Screening", "jv33-screening", "", 0x114E966247D3677Dull, 0x114E966247D3677Dull},
        Reference{"JV3", "jv3", "", 0x6717E4A597D1B136ull, 0x376423D2A635195Dull},
        Reference{"JV4Artwork", "jv4-artwork", "", 0x613E7EB074A94FCFull, 0x29E7D1FDDC4B0318ull},
        Reference{"TS300P", "ts300p", "", 0x364934D6636BEA77ull, 0x364934D6636BEA77ull},
        Reference{"TS300PBmykbm", "ts300p-bmykbm", "", 0xA1FD9DEA85789CE0ull, 0xA1FD9DEA85789CE0ull},
        Reference{"Tx500", "tx500", "", 0xE8771F9AE70301D5ull, 0xE8771F9AE70301D5ull},
        Reference{"TS500", "ts500", "", 0xE8AE2C9E030869C3ull, 0xE8AE2C9E030869C3ull},
        Reference{"JFX200Cmyk", "jfx200-cmyk", "", 0xD2EAA0837CBDD06Dull, 0xD2EAA0837CBDD06Dull},
        Reference{"JFX200Spot", "jfx200-spot", "", 0x49A5CA904E2BD307ull, 0x49A5CA904E2BD307ull},
        Reference{"JFX500Clear", "jfx500-clear", "", 0xBC21D8F752CCF645ull, 0xBC21D8F752CCF645ull},
        Reference{"JV300Cmyk", "jv300-cmyk", "", 0x8A37399D52735F3Dull, 0x8A37399D52735F3Dull},
        Reference{"JV300White", "jv300-white", "", 0x9AF52B2C3FEB0572ull, 0x9AF52B2C3FEB0572ull},
        Reference{"JV400", "jv400", "", 0x3F5EB55B37C05549ull, 0x3F5EB55B37C05549ull},
        Reference{"JV400White", "jv400-white", "", 0xC94A164DE408E055ull, 0xC94A164DE408E055ull},
        Reference{"JV5", "jv5", "", 0x996CF17AADC53FE6ull, 0x524AFB7E41A43C86ull},
        Reference{"JV5Screening", "jv5-screening", "", 0xB31E339CDBB834D2ull, 0xB31E339CDBB834D2ull},
        Reference{"RicohPro", "ricoh-pro", "", 0xCDBC74CADA408068ull, 0xCDBC74CADA408068ull},
        Reference{"UJF605Spooled", "ujf-605-spooled", "", 0x7CD8EEBBA2969D31ull, 0xA74A3DF6EB9D4FA0ull},
        Reference{"UJF605TwoLayers", "ujf-605-two-layers", "", 0xB6065244D8092CFDull, 0x16D4935482A69AB5ull},
        Reference{"UJFX042", "ujf-x042", "", 0x9152DAA172EC4AB2ull, 0x9152DAA172EC4AB2ull},
        Reference{"CJV30", "cjv30", "", 0x0D857899363DC44Eull, 0x0D857899363DC44Eull},
        Reference{"CJV300", "cjv300", "", 0x0D989C983320BE1Full, 0x0D989C983320BE1Full}),
    [](const testing::TestParamInfo<Reference>& row) { return std::string(row.param.name); });

}  // namespace
