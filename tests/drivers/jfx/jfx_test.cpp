// The JFX page: layer spool files, the layer records played back at page
// end (decoded back into commands and raster rows), and the failures.
#include "drivers/jfx/jfx.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "jfx_test_support.h"
#include "platform/system.h"
#include "prndump/plane_images.h"

namespace {

using jfxtest::JfxTest;
using prndecode::Command;

// The host's write function of these tests: keeps the records like
// CapturingWriter and fails the data record number failAt (counted from 1).
struct CountingWriter {
    CapturingWriter* capture;
    int failAt = 0;
    int dataRecords = 0;
    static int Write(void* context, uint32_t tag, const uint8_t* data, uint32_t size) {
        auto* self = static_cast<CountingWriter*>(context);
        if (tag == SPLTAG_DATA && ++self->dataRecords == self->failAt) return int(eSPOOLFILE2_IO_FAILED);
        return CapturingWriter::Write(self->capture, tag, data, size);
    }
};

class JfxPageTest : public JfxTest {
protected:
    // Opens the job and its first page on a halftoned line of 16 bytes per plane.
    void Start(int model, const std::string& extra = "") {
        Open(model, extra);
        ASSERT_EQ(model <= 7084 ? JFX200_OpenJob(job.get()) : JFX500_OpenJob(job.get()), 0) << ErrorMessage();
        NewPage();
    }
    void NewPage() {
        SetHalftonedLine(job->m_iOutChannels, 16);
        ASSERT_EQ(InternPageHook0(job.get()), 0) << ErrorMessage();
    }
    // One line: each listed plane gets `value` in its first byte (and its line number in the second).
    int Line(std::initializer_list<int> planes, uint8_t value = 0xC0) {
        std::fill(line.begin(), line.end(), 0);
        for (int p : planes) {
            Plane(p)[0] = value;
            Plane(p)[1] = uint8_t(lineNumber);
        }
        ++lineNumber;
        return JFX_WriteLine(job.get());
    }
    // The records from the first layer record of the last page to its end.
    std::vector<CapturedRecord> PageEnd() const {
        size_t first = writer.records.size();
        while (first > 0 && writer.records[first - 1].tag != SPLTAG_PAGE_HEADER) --first;
        return std::vector<CapturedRecord>(writer.records.begin() + long(first), writer.records.end());
    }
    // The layer records (those with "PI") of the records given.
    static std::vector<std::vector<Command>> LayerRecords(const std::vector<CapturedRecord>& records) {
        std::vector<std::vector<Command>> layers;
        for (const auto& r : records) {
            if (r.tag != SPLTAG_DATA) continue;
            auto commands = prndecode::DecodeMrl(r.data);
            for (const auto& c : commands) {
                if (c.name == "PI") {
                    layers.push_back(commands);
                    break;
                }
            }
        }
        return layers;
    }
    static const Command& Find(const std::vector<Command>& commands, const std::string& name, int nth = 0) {
        for (const auto& c : commands) {
            if (c.name == name && nth-- == 0) return c;
        }
        static const Command none;
        ADD_FAILURE() << "no " << name;
        return none;
    }
    // The first byte of each raster row's plane data after the layer record
    // at index `layer` (counting layer records) up to the next one.
    std::vector<int> RowsAfterLayer(const std::vector<CapturedRecord>& records, size_t layer) const {
        std::vector<int> rows;
        size_t seen = 0;
        for (const auto& r : records) {
            if (r.tag != SPLTAG_DATA) continue;
            const auto commands = prndecode::DecodeMrl(r.data);
            const bool isLayer = !commands.empty() && (commands[0].name == "Q@" || commands[0].name == "QE");
            if (isLayer) {
                ++seen;
                continue;
            }
            if (seen != layer + 1) continue;
            for (const auto& c : commands) {
                if (c.isRaster) rows.push_back(c.row.size() > 1 ? c.row[1] : 0);
            }
        }
        return rows;
    }

    int lineNumber = 0;
};

TEST_F(JfxPageTest, CmykPageIsOneLayerPlayedBehindItsSequence) {
    Start(7081);
    ASSERT_EQ(Driver()->m_vLayers.size(), 1u);
    EXPECT_EQ(Driver()->m_vLayers[0].PlanesToPrint, (std::vector<int32_t>{0, 1, 2, 3}));
    EXPECT_EQ(Driver()->m_vPlaneCodes, (std::vector<uint32_t>{2, 1, 4, 0}));
    ASSERT_EQ(writer.records.size(), 2u);  // job header, page header
    EXPECT_EQ(writer.records[0].tag, SPLTAG_JOB_HEADER);
    EXPECT_EQ(Last().tag, SPLTAG_PAGE_HEADER);
    EXPECT_TRUE(Last().data.empty());

    EXPECT_EQ(Line({0, 3}), 0);
    EXPECT_EQ(Line({2}), 0);
    EXPECT_EQ(writer.records.size(), 2u);  // lines go to the spool file
    EXPECT_EQ(InternPageHook1(job.get()), 0);
    const auto records = PageEnd();
    ASSERT_EQ(records.size(), 4u);
    const std::vector<std::string> names = Names(records[0]);
    EXPECT_EQ(names, (std::vector<std::string>{"Q@", "QA", "QC", "QP", "PI", "QT", "QV", "QV"}));
    const auto layer = Commands(records[0]);
    EXPECT_EQ(Find(layer, "PI").Value("p1"), 1u);
    EXPECT_EQ(Find(layer, "QT").Value("p1"), 0u);
    EXPECT_EQ(Find(layer, "QT").Value("p2"), uint32_t(job->m_iImageHeight));
    EXPECT_EQ(Find(layer, "QV", 1).Value("mode"), 0xFFu);
    EXPECT_EQ(Find(layer, "QV", 1).lengthByte, 67);
    const auto first = Commands(records[1]);
    ASSERT_EQ(first.size(), 5u);  // C and K with their "QR" 0, then "QR" 1
    EXPECT_EQ(first[0].colour, 2);
    EXPECT_EQ(first[0].bitsPerPixel, 2);
    EXPECT_EQ(first[2].colour, 0);
    EXPECT_EQ(Commands(records[2])[0].colour, 4);
    EXPECT_EQ(records[3].tag, SPLTAG_PAGE_END);
    EXPECT_EQ(records[3].data, MRL_IV_QE());
    EXPECT_TRUE(log.Has(3000, "JFXIntern::ClosePage: Success"));
    EXPECT_EQ(Driver()->m_vLayers[0].spool, nullptr);
}

TEST_F(JfxPageTest, LayerSequenceHasTheBytesWorkedOutByHand) {
    Start(7082, "Output/Prn/Specific/LogicalSeek = 1\n"
                "Output/Prn/Specific/PrintDirection = 2\nOutput/Prn/Specific/DotSize = 5\n"
                "Output/Prn/Specific/White/Order = 0\n");
    job->m_iMediaTypeID = 20;
    job->m_dPaperFeedAdjust = 0.9995;
    const std::vector<uint8_t> expected = {
        'Q', '@', 0,                                                                    //
        'Q', 'A', 3,  1,    5,    0,                                                    // -5
        'Q', 'C', 11, 0xFF, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0xFF, 0x00,  //
        'Q', 'P', 13, 17,   0x58, 0x02, 0x58, 0x02, 16, 0, 2, 0xFF, 1, 1, 0xFF, 0xFF};  // middle dot, 600 x 600, 16 pass
    EXPECT_EQ(Driver()->InitializationSequence(job.get()), expected);
    job->m_iPrinterModell = 7092;
    EXPECT_TRUE(Driver()->InitializationSequence(job.get()).empty());
    EXPECT_TRUE(log.Has(0, "JFXIntern::InitializationSequence. Invalid Print Quality: 6060160. Exiting..."));
}

TEST_F(JfxPageTest, CuringSequencesHaveTheirLongAndShortForms) {
    Open(7081);
    const JFX200Intern jfx200(job.get());
    const Bytes primer = jfx200.MakeCuringSequence(8);
    ASSERT_EQ(primer.size(), 70u + 70u + 6u);
    EXPECT_EQ(Bytes(primer.begin(), primer.begin() + 6), (Bytes{'Q', 'V', 67, 0, 0xFF, 0}));
    EXPECT_EQ(Bytes(primer.begin() + 70, primer.begin() + 76), (Bytes{'Q', 'V', 67, 1, 0xFF, 0}));
    EXPECT_EQ(Bytes(primer.end() - 6, primer.end()), (Bytes{'Q', 'V', 3, 3, 1, 0}));
    EXPECT_EQ(std::count(primer.begin(), primer.end() - 6, 0), 64 + 64 + 2 + 1);  // fills, third bytes, index 0
    EXPECT_EQ(jfx200.MakeCuringSequence(0).size(), 140u);  // no short form
    EXPECT_EQ(jfx200.MakeCuringSequence(4).back(), 3);

    const JFX500Intern jfx500(job.get());
    const Bytes curing = jfx500.MakeCuringSequence(2);
    ASSERT_EQ(curing.size(), 2u * 134u);
    EXPECT_EQ(Bytes(curing.begin(), curing.begin() + 7), (Bytes{'Q', 'V', 131, 0, 0, 0, 0x74}));
    EXPECT_EQ(std::count(curing.begin(), curing.end(), 0x74), 256);
    EXPECT_EQ(jfx500.MakeCuringSequence(1)[4], 1);
    EXPECT_EQ(jfx500.MakeCuringSequence(0)[4], 0xFF);
}

// 7091 with a glossy clear surface: primer (plane 5), main (CMYK), varnish (plane 4).
TEST_F(JfxPageTest, BlankMiddleLayerIsLeftOutAndTheLastLayerCarriesTheFlag) {
    Start(7091, "Output/Prn/Specific/Clear/Surface = 1\n");
    ASSERT_EQ(Driver()->m_vLayers.size(), 3u);
    EXPECT_EQ(Driver()->m_vLayers[0].PlanesToPrint, (std::vector<int32_t>{5}));
    EXPECT_EQ(Driver()->m_vLayers[2].PlanesToPrint, (std::vector<int32_t>{4}));
    EXPECT_EQ(Line({4, 5}), 0);
    EXPECT_EQ(InternPageHook1(job.get()), 0);
    auto layers = LayerRecords(PageEnd());
    ASSERT_EQ(layers.size(), 3u);  // primer, clear jetting, clear curing
    EXPECT_EQ(layers[0][0].name, "Q@");
    EXPECT_EQ(layers[1][0].name, "QE");
    EXPECT_EQ(layers[2][0].name, "QE");
    EXPECT_EQ(Find(layers[0], "PI").Value("p1"), 0u);
    EXPECT_EQ(Find(layers[1], "PI").Value("p1"), 0u);
    EXPECT_EQ(Find(layers[2], "PI").Value("p1"), 1u);
    EXPECT_TRUE(log.Has(3000, "JFX_ClosePage: Layer 1 has no data"));

    // Page 2: only the main layer has data; the others had data on page 1.
    NewPage();
    EXPECT_EQ(Line({0}), 0);
    EXPECT_EQ(InternPageHook1(job.get()), 0);
    layers = LayerRecords(PageEnd());
    ASSERT_EQ(layers.size(), 1u);
    EXPECT_EQ(layers[0][0].name, "Q@");
    EXPECT_EQ(Find(layers[0], "PI").Value("p1"), 1u);
    EXPECT_EQ(PageEnd().back().tag, SPLTAG_PAGE_END);
}

TEST_F(JfxPageTest, BackwardsLayerIsPlayedLastLineFirst) {
    Start(7082, "Output/Prn/Specific/White/Mode = 1\nOutput/Prn/Specific/White/Order = 0\n");
    ASSERT_EQ(Driver()->m_vLayers.size(), 1u);
    EXPECT_TRUE(Driver()->m_vLayers[0].PrintBackwards);
    EXPECT_EQ(Driver()->m_vLayers[0].CuringType, 7);
    EXPECT_TRUE(log.Has(3000, "SetPrintingOrder: m_vLayers[0].PlanesToPrint[]: [ 0[0x2] 1[0x1] 2[0x4] 3[0x0] 4[0xff] 5[0xfe] ]"));
    EXPECT_TRUE(log.Has(3000, "SetPrintingOrder: m_vLayers[0].PrintBackwards: true"));
    for (int i = 0; i < 3; ++i) EXPECT_EQ(Line({4}), 0);
    EXPECT_EQ(InternPageHook1(job.get()), 0);
    const auto records = PageEnd();
    const auto layer = LayerRecords(records).at(0);
    EXPECT_EQ(Find(layer, "QT").Value("p1"), 1u);
    EXPECT_EQ(Find(layer, "QV", 2).Value("p2"), 2u);  // curing 7: "QV" 3, 2, 1
    EXPECT_EQ(RowsAfterLayer(records, 0), (std::vector<int>{2, 1, 0}));
    EXPECT_EQ(Commands(records[1])[0].colour, 0xFF);
}

TEST_F(JfxPageTest, Jfx500ClearLayerIsJettedThenCured) {
    Start(7089, "Output/Prn/Specific/Clear/Surface = 1\n");
    ASSERT_EQ(Driver()->m_vLayers.size(), 2u);
    EXPECT_EQ(Driver()->m_vLayers[1].CuringType, 4);
    for (int i = 0; i < 2; ++i) EXPECT_EQ(Line({0, 4}), 0);
    EXPECT_EQ(InternPageHook1(job.get()), 0);
    const auto records = PageEnd();
    const auto layers = LayerRecords(records);
    ASSERT_EQ(layers.size(), 3u);
    EXPECT_EQ(Find(layers[0], "PI").Value("p1"), 0u);
    EXPECT_EQ(Find(layers[1], "QT").Value("p1"), 0u);
    EXPECT_EQ(Find(layers[1], "QV").lengthByte, 131);
    EXPECT_EQ(Find(layers[1], "QV").Value("mode"), 1u);
    EXPECT_EQ(Find(layers[1], "QV", 1).Value("fill"), 0u);
    EXPECT_EQ(Find(layers[2], "QT").Value("p1"), 1u);
    EXPECT_EQ(Find(layers[2], "QV").Value("fill"), 0x74u);
    EXPECT_EQ(Find(layers[2], "QV", 1).Value("index"), 1u);
    EXPECT_EQ(Find(layers[2], "PI").Value("p1"), 1u);
    EXPECT_EQ(RowsAfterLayer(records, 1), (std::vector<int>{0, 1}));
    EXPECT_EQ(RowsAfterLayer(records, 2), (std::vector<int>{1, 0}));

    // The decoder draws each played layer as an image of its own.
    std::vector<prndecode::Record> stream;
    for (const auto& r : writer.records) stream.push_back({r.tag, 0, r.data});
    const auto images = prndecode::AssemblePages(stream);
    ASSERT_EQ(images.size(), 3u);
    EXPECT_EQ(images[0].layer, 0);
    EXPECT_EQ(images[0].planes.size(), 1u);  // cyan
    EXPECT_EQ(images[1].header.direction, 0);
    EXPECT_EQ(images[2].header.direction, 1);
    EXPECT_EQ(images[2].header.lastLayer, 1);
    EXPECT_EQ(images[2].header.curing, "QV 131 0 0 0 fill 116; QV 131 1 0 0 fill 116");
    for (const auto& image : images) {
        EXPECT_EQ(image.number, 1);
        EXPECT_EQ(image.lines, 2u);
    }
    ASSERT_NE(images[2].Find(0xFF), nullptr);
    EXPECT_EQ(images[2].Find(0xFF)->Row(0, 16), std::vector<uint8_t>(Plane(4), Plane(4) + 16));  // last line first
}

TEST_F(JfxPageTest, Jfx200EmbossingPlaysTheVarnishOnceLessThanItsPasses) {
    Start(7083, "Output/Prn/Specific/White/Order = 0\nOutput/Prn/Specific/Clear/Emboss/Mode = 1\n"
                "Output/Prn/Specific/Clear/Emboss/MattePasses = 4\n");
    ASSERT_EQ(Driver()->m_vLayers.size(), 2u);
    EXPECT_EQ(Driver()->m_vLayers[1].EmbossingLayerCount, 4);
    EXPECT_EQ(Line({6}), 0);
    EXPECT_EQ(InternPageHook1(job.get()), 0);
    const auto layers = LayerRecords(PageEnd());
    ASSERT_EQ(layers.size(), 4u);  // main (clear in colour), then 3 embossing plays
    const uint32_t curing[3] = {5, 5, 4};  // sequences 6, 6 and the layer's 3
    for (int n = 0; n < 3; ++n) {
        EXPECT_EQ(Find(layers[size_t(n) + 1], "QV", 2).Value("p3"), curing[n]) << n;
        EXPECT_EQ(Find(layers[size_t(n) + 1], "PI").Value("p1"), n == 2 ? 1u : 0u);
    }
    EXPECT_TRUE(log.Has(3000, "JFX_ClosePage: Layer 1: clear embossing layer no: 4"));

    // Matte passes below 2 are raised to 2: one play.
    Start(7083, "Output/Prn/Specific/Clear/Emboss/MattePasses = 1\n");
    EXPECT_EQ(job->m_iClearEmbossMattePasses, 2);
    EXPECT_EQ(Driver()->m_vLayers[1].EmbossingLayerCount, 2);
}

TEST_F(JfxPageTest, FailedPlaybackStopsThePageAndIsReported) {
    Open(7091, "Output/Prn/Specific/Clear/Surface = 1\n");
    CountingWriter counting{&writer, 3};  // the main layer's record
    job->m_pfnWritePrnData = &CountingWriter::Write;
    job->m_pWritePrnContext = &counting;
    ASSERT_EQ(JFX500_OpenJob(job.get()), 0);
    NewPage();
    EXPECT_EQ(Line({0, 4, 5}), 0);
    EXPECT_EQ(InternPageHook1(job.get()), -int(eSPOOLFILE2_IO_FAILED));
    const auto records = PageEnd();
    EXPECT_EQ(LayerRecords(records).size(), 1u);  // the primer only
    EXPECT_NE(records.back().tag, SPLTAG_PAGE_END);
    EXPECT_EQ(ErrorMessage(), "JFX_ClosePage: Spool file IO failed");
    for (const JFXLayer& layer : Driver()->m_vLayers) EXPECT_EQ(layer.spool, nullptr);
}

TEST_F(JfxPageTest, SpoolFilesAreNamedInTheTemporaryFolder) {
    Start(7091, "Output/Prn/Specific/Clear/Surface = 1\n");
    JFXIntern& d = *Driver();
    EXPECT_EQ(JFXIntern::SpoolNamePrefix("/tmp/x"), "/tmp/x/Mimaki_JFX_");
    EXPECT_EQ(JFXIntern::SpoolNamePrefix(""), "Mimaki_JFX_");
    EXPECT_EQ(InternPageHook1(job.get()), 0);

    d.m_bDeleteOnClose = false;
    NewPage();
    // The layers of a page share the process's id and a number; the files are kept.
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(scratch.Path())) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    const std::string stem = names.empty() ? "" : names[0].substr(0, names[0].size() - 5);
    EXPECT_EQ(names, (std::vector<std::string>{stem + "0.tmp", stem + "1.tmp", stem + "2.tmp"}));
    EXPECT_EQ(stem.rfind("Mimaki_JFX_" + std::to_string(platform::CurrentProcessId()) + "_", 0), 0u) << stem;
    EXPECT_EQ(InternPageHook1(job.get()), 0);
}

TEST_F(JfxPageTest, UnwritableTemporaryFolderFailsThePage) {
    Open(7081);
    ASSERT_EQ(JFX200_OpenJob(job.get()), 0);
    job->m_strTempFolder = scratch.File("missing/fold\x1b[2Jer");
    SetHalftonedLine(4, 16);
    EXPECT_EQ(InternPageHook0(job.get()), -1);
    // The folder's control bytes escaped, the system's reason named.
    const std::string own = "Mimaki_JFX_" + std::to_string(platform::CurrentProcessId()) + "_";
    EXPECT_EQ(ErrorMessage().rfind("JFX_OpenPage " + scratch.File("missing/fold\\x1B[2Jer/") + own, 0), 0u)
        << ErrorMessage();
    EXPECT_NE(ErrorMessage().find(": Spool file IO failed (cannot create \"" + scratch.File("missing/fold\\x1B[2Jer/")),
              std::string::npos);
    EXPECT_EQ(ErrorMessage().substr(ErrorMessage().size() - MissingSpoolFolderReason().size()), MissingSpoolFolderReason());
    EXPECT_EQ(Last().tag, SPLTAG_JOB_HEADER);  // no page header
    EXPECT_EQ(Driver()->m_vLayers[0].spool, nullptr);
    // A line without a spool file fails with the writer's text.
    EXPECT_EQ(Line({0}), -1);
    EXPECT_EQ(ErrorMessage(), "JFX_WriteLine: Spool file failed");
}

TEST_F(JfxPageTest, CloseJobWritesItsRecordAndDropsTheDriver) {
    Start(7081);
    EXPECT_EQ(InternPageHook1(job.get()), 0);
    EXPECT_EQ(JFX_CloseJob(job.get()), 0);
    EXPECT_EQ(Last().tag, SPLTAG_CLOSE_JOB);
    EXPECT_EQ(job->m_pDriver, nullptr);
    EXPECT_EQ(JFX_WriteLine(job.get()), -1);
    EXPECT_EQ(InternPageHook1(job.get()), -1);
    EXPECT_EQ(JFX_CloseJob(nullptr), 0);
}

}  // namespace
