#include "drivers/mrl/qd_emitter.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "base/text_error.h"
#include "drivers/mrl/mrl.h"
#include "prndump/mrl_decode.h"
#include "services/spool_writer.h"

namespace {

using prndecode::Command;
using prndecode::DecodeMrl;

// A record sink that keeps what it is given, or fails with a result.
class RecordingSink : public ISPOOL_FILE_WRITER {
public:
    uint32_t Write(uint32_t tag, const uint8_t* data, uint64_t size) override {
        if (failWith != 0) {
            errno = ENOSPC;
            return failWith;
        }
        tags.push_back(tag);
        records.emplace_back(data, data + size);
        return 0;
    }
    std::vector<uint32_t> tags;
    std::vector<Bytes> records;
    uint32_t failWith = 0;
};

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

// An emitter set up as the families do: colour codes, one bit, packing on.
std::unique_ptr<MRL_IV_QD_ImageData_Emitter> Emitter(std::vector<uint32_t> colours, uint32_t width) {
    auto e = Create_MRL_IV_QD_ImageData_Emitter();
    e->SetColorCodes(colours);
    e->SetTwoBitsPerPixel(false);
    e->SetLineWidth(width);
    e->ReserveLineBuffer(16384);
    return e;
}

TEST(QdEmitter, WritesTwoPlanesOfALineAsOneRecord) {
    RecordingSink sink;
    auto e = Emitter({2, 1}, 64);
    e->AddLayer(&sink, "live");
    e->AssignAllPlanesToLayer0();
    // Plane 0 packs (a run), plane 1 does not (no run) and has blank bytes to trim.
    std::vector<uint8_t> line(16, 0);
    std::memset(line.data(), 0xAA, 8);
    line[8] = 1;
    line[9] = 2;
    line[10] = 3;
    e->EmitImageDataLine(line.data(), 8);

    ASSERT_EQ(sink.records.size(), 1u);
    EXPECT_EQ(sink.tags[0], SPLTAG_DATA);
    EXPECT_EQ(sink.records[0], Cat({MRL_QY(1, 64), MRL_QD(2, 1, 1, 8), Bytes{0xF9, 0xAA}, MRL_QR(0),
                                    MRL_QY(1, 64), MRL_QD(1, 0, 1, 3), Bytes{1, 2, 3}, MRL_QR(0), MRL_QR(1)}));
    EXPECT_EQ(e->GetPlaneMapOfLayer0(0), (std::set<uint32_t>{1, 2}));
}

TEST(QdEmitter, BlankPlanesCostNothingUnlessPackingIsOff) {
    RecordingSink sink;
    auto e = Emitter({2, 1}, 64);
    e->AddLayer(&sink, "live");
    e->AssignAllPlanesToLayer0();
    const std::vector<uint8_t> blank(16, 0);
    e->EmitImageDataLine(blank.data(), 8);
    ASSERT_EQ(sink.records.size(), 1u);
    EXPECT_EQ(sink.records[0], (Bytes{'Q', 'R', 1, 1}));

    e->SetCompression(false);
    e->SetLineWidth(0);  // no "QY" at all
    e->EmitImageDataLine(blank.data(), 8);
    const auto commands = DecodeMrl(sink.records[1]);
    ASSERT_EQ(commands.size(), 5u);
    for (int p = 0; p < 2; ++p) {
        EXPECT_EQ(commands[2 * p].name, "QD");
        EXPECT_EQ(commands[2 * p].compression, 0);
        EXPECT_EQ(commands[2 * p].row, Bytes(8, 0));
    }
    EXPECT_TRUE(commands[4].IsLineEnd());
}

TEST(QdEmitter, LayerCodedRecordsCarryCountsAndSkippedPlanesKeepTheirPosition) {
    RecordingSink colour, white;
    auto e = Emitter({2, 1, 4, 0, 0x30}, 32);
    e->SetTwoBitsPerPixel(true);
    e->SetLayerCodes({0, 1, 2});
    e->AddLayer(&colour, "colour");
    e->AddLayer(&white, "white");
    e->SetLayerPlanes(0, {0, -1, 2});  // position 1 is skipped, position 2 keeps layer code 2
    e->SetLayerPlanes(1, {4});
    e->SetLayerPlanes(5, {1});  // no such layer: nothing changes
    std::vector<uint8_t> line(5 * 4, 0x55);
    e->EmitImageDataLine(line.data(), 4);

    const auto c = DecodeMrl(colour.records.at(0));
    ASSERT_EQ(c.size(), 7u);  // QY QD QR, QY QD QR, QR 1
    EXPECT_EQ(c[1].colour, 2);
    EXPECT_EQ(c[1].layer, 0);
    EXPECT_EQ(c[4].colour, 4);
    EXPECT_EQ(c[4].layer, 2);
    EXPECT_EQ(c[0].Value("value"), 2u * 32u);  // bits per pixel x width
    EXPECT_EQ(c[1].count, 4);                  // unpacked
    EXPECT_EQ(c[1].Value("size"), c[1].dataSize);
    EXPECT_EQ(c[1].row, Bytes(4, 0x55));
    const auto w = DecodeMrl(white.records.at(0));
    ASSERT_EQ(w.size(), 4u);
    EXPECT_EQ(w[1].colour, 0x30);
    EXPECT_EQ(w[1].layer, 0);
    EXPECT_EQ(e->GetPlaneMapOfLayer0(2), (std::set<uint32_t>{4}));
    EXPECT_EQ(e->GetFirstPlaneMapOfLayer(1), (std::set<uint32_t>{0x30}));
    EXPECT_TRUE(e->GetPlaneMapOfLayer0(3).empty());
    EXPECT_TRUE(e->GetFirstPlaneMapOfLayer(2).empty());
}

TEST(QdEmitter, LayerCodesFromThreeOnAreSentButKeepNoColourSet) {
    RecordingSink sink;
    auto e = Emitter({2, 1}, 32);
    e->SetLayerCodes({7, 1});
    e->AddLayer(&sink, "only");
    e->SetLayerPlanes(0, {0, 1});
    std::vector<uint8_t> line(2 * 4, 0x55);
    e->EmitImageDataLine(line.data(), 4);
    e->EmitImageDataLine(line.data(), 4);
    const auto c = DecodeMrl(sink.records.at(1));
    ASSERT_GE(c.size(), 2u);
    EXPECT_EQ(c[1].layer, 7);
    for (uint32_t code = 0; code < 3; ++code) {
        EXPECT_EQ(e->GetPlaneMapOfLayer0(code), (code == 1 ? std::set<uint32_t>{1} : std::set<uint32_t>{})) << code;
    }
}

TEST(QdEmitter, RefusesBrokenSetUpsBeforeWritingAnything) {
    const std::vector<uint8_t> line(8, 0xFF);
    RecordingSink first, second;
    auto e = Emitter({2, 1}, 8);
    EXPECT_THROW(e->EmitImageDataLine(line.data(), 4), TextError);  // no layer
    e->AddLayer(&first, "first");
    e->AddLayer(&second, "second");
    e->SetLayerPlanes(0, {0, 1});
    e->SetLayerPlanes(1, {2});  // only two colour codes
    try {
        e->EmitImageDataLine(line.data(), 4);
        FAIL() << "a plane without a colour code was emitted";
    } catch (const TextError& error) {
        EXPECT_STREQ(error.what(), "EmitImageDataLine: planeNdx >= m_vecColorCodes.size()");
    }
    EXPECT_TRUE(first.records.empty()) << "the first layer was written before the refusal";

    e->SetLayerPlanes(1, {1});
    e->SetLayerCodes({0});  // the first layer's second position has no code
    EXPECT_THROW(e->EmitImageDataLine(line.data(), 4), TextError);
    EXPECT_TRUE(first.records.empty());
    EXPECT_THROW(e->EmitImageDataLine(nullptr, 4), TextError);

    auto noBits = Create_MRL_V_QD_ImageData_Emitter();
    noBits->SetColorCodes({2});
    noBits->AddLayer(&first, "first");
    noBits->AssignAllPlanesToLayer0();
    EXPECT_THROW(noBits->EmitImageDataLine(line.data(), 4), TextError);  // bits per pixel never set
}

TEST(QdEmitter, AFailedWriteNamesTheLayerAndLeavesTheNextLineClean) {
    RecordingSink sink;
    auto e = Emitter({2}, 8);
    e->AddLayer(&sink, "Mimaki layer 1");
    e->AssignAllPlanesToLayer0();
    const std::vector<uint8_t> first(4, 0x11), second(4, 0x22);
    sink.failWith = eSPOOLFILE2_IO_FAILED;
    try {
        e->EmitImageDataLine(first.data(), 4);
        FAIL() << "the failed write went unreported";
    } catch (const clSpoolFileResult& result) {
        EXPECT_EQ(result.GetCode(), eSPOOLFILE2_IO_FAILED);
        EXPECT_EQ(std::string(result.GetText()), std::string("Writing Mimaki layer 1: ") + std::strerror(ENOSPC));
    }
    sink.failWith = 0;
    e->EmitImageDataLine(second.data(), 4);
    ASSERT_EQ(sink.records.size(), 1u);
    const auto commands = DecodeMrl(sink.records[0]);
    ASSERT_EQ(commands.size(), 4u);  // one plane, no remains of the failed line
    EXPECT_EQ(commands[1].row, second);

    sink.failWith = eSPOOLFILE2_FAILED;
    try {
        e->EmitImageDataLine(first.data(), 4);
        FAIL();
    } catch (const clSpoolFileResult& result) {
        EXPECT_EQ(std::string(result.GetText()), std::string("Writing Mimaki layer 1: ") + SpoolFileResultText(4));
    }
}

TEST(QdEmitter, FlavoursNameThemselvesWhenALayerHasNoWriter) {
    const std::vector<uint8_t> line(4, 1);
    for (bool v : {false, true}) {
        auto e = v ? Create_MRL_V_QD_ImageData_Emitter() : Create_MRL_IV_QD_ImageData_Emitter();
        e->SetColorCodes({2});
        e->SetTwoBitsPerPixel(false);
        e->AddLayer(nullptr, nullptr);
        e->AssignAllPlanesToLayer0();
        try {
            e->EmitImageDataLine(line.data(), 4);
            FAIL();
        } catch (const TextError& error) {
            EXPECT_EQ(std::string(error.what()),
                      std::string(v ? "MRL_V" : "MRL_IV") +
                          "_QD_ImageData_Emitter_Imp::LayerEmitter::FlushLineData: !m_pSpoolFileWriter");
        }
    }
}

TEST(QdEmitter, CutMarkRowsGoToTheFirstLayerWithoutPlaneFraming) {
    RecordingSink sink;
    auto e = Emitter({2, 1}, 64);
    e->AddLayer(&sink, "live");
    const std::vector<uint8_t> row = {0xFF, 0xFF, 0xFF, 0xFF, 0, 0};
    e->EmitCutmarksImageDataLine(row.data(), row.size());
    EXPECT_EQ(sink.records.at(0), Cat({MRL_QD(0, 1, 1, 4), Bytes{0xFD, 0xFF}, MRL_QR(1)}));
    e->SetLayerCodes({0, 1});
    e->EmitCutmarksImageDataLine(row.data(), row.size());
    const auto c = DecodeMrl(sink.records.at(1));
    ASSERT_EQ(c.size(), 2u);
    EXPECT_EQ(c[0].layer, 2);
    e->ClearLayers();
    EXPECT_THROW(e->EmitCutmarksImageDataLine(row.data(), row.size()), TextError);
}

}  // namespace
