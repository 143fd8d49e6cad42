// The spot-file reader on files written by spotgen's writer and on damaged
// ones, and the fall-back to "InkJet.spt".
#include "halftone/spot_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "halftone_test_support.h"
#include "spotgen/spot_writer.h"
#include "support/scratch_folder.h"

namespace {

void PutU32(std::vector<uint8_t>& bytes, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes[at + size_t(i)] = uint8_t(v >> (8 * i));
}

class SpotFileTest : public ::testing::Test {
protected:
    std::string Write(const std::vector<uint8_t>& bytes, const std::string& name = "job.spt") {
        const std::string path = folder.File(name);
        EXPECT_TRUE(spotgen::WriteFile(path, bytes));
        return path;
    }
    int32_t Read(const std::vector<uint8_t>& bytes) {
        record = SpotData();
        fault.clear();
        return ReadSpotFile(nullptr, nullptr, Write(bytes).c_str(), record, &fault);
    }

    ScratchFolder folder;
    SpotData record;
    std::string fault;  // what the last Read found wrong
};

}  // namespace

TEST_F(SpotFileTest, ReadsEachTypeWithAndWithoutTheBlock) {
    struct Case {
        bool pythagorean, block;
        uint32_t size1, size2;
    };
    for (const Case& c : {Case{true, true, 8, 3}, Case{true, false, 13, 5}, Case{false, false, 8, 4},
                          Case{false, true, 3, 7}}) {
        const spotgen::SpotFile file = spotgen::Generate(c.pythagorean, c.block, c.size1, c.size2);
        const std::vector<uint8_t> bytes = spotgen::Encode(file);
        if (c.block) {
            uint32_t offset = 0;
            std::memcpy(&offset, bytes.data() + 12, 4);
            ASSERT_EQ(offset, 1116u);  // 92 + 1024
        }
        ASSERT_EQ(Read(bytes), c.pythagorean ? SPOT_TYPE_PYTHAGOREAN : SPOT_TYPE_RECTANGULAR);
        EXPECT_EQ(record.hasBlock, c.block);
        if (c.block) {
            EXPECT_EQ(0, std::memcmp(record.block.data(), bytes.data() + 92, 1024));
        }
        for (int ch = 0; ch < kSpotChannels; ++ch) {
            const SpotChannel& got = record.channel[ch];
            EXPECT_EQ(got.size1, int32_t(c.size1));
            EXPECT_EQ(got.size2, int32_t(c.size2));
            if (c.pythagorean) {
                EXPECT_EQ(got.matrixA, file.channel[size_t(ch)].a);  // size1 squared
                EXPECT_EQ(got.matrixB, file.channel[size_t(ch)].b);  // then size2 squared
                EXPECT_EQ(got.kind, SPOT_TILE_A);
            } else {
                EXPECT_EQ(got.matrix, file.channel[size_t(ch)].a);
                EXPECT_EQ(got.kind, SPOT_TILE_TYPE2);
            }
        }
    }
}

TEST_F(SpotFileTest, HeaderFieldsAreFourBytesLeastSignificantFirst) {
    // Black's matrices moved to 0x012345, past 64 KiB: all four offset bytes count.
    const spotgen::SpotFile file = spotgen::Generate(true, false, 8, 3);
    std::vector<uint8_t> bytes = spotgen::Encode(file);
    const size_t entry = 12 + 16 * 3, from = bytes[entry] | size_t(bytes[entry + 1]) << 8, far = 0x012345;
    const size_t matrices = 8 * 8 + 3 * 3;
    bytes.resize(far + matrices, 0);
    std::copy_n(bytes.begin() + ptrdiff_t(from), matrices, bytes.begin() + ptrdiff_t(far));
    std::fill_n(bytes.begin() + ptrdiff_t(from), matrices, 0);
    PutU32(bytes, entry, uint32_t(far));
    ASSERT_EQ(Read(bytes), SPOT_TYPE_PYTHAGOREAN);
    EXPECT_EQ(record.channel[3].matrixA, file.channel[3].a);
    EXPECT_EQ(record.channel[3].matrixB, file.channel[3].b);
}

TEST_F(SpotFileTest, RefusesDamagedFilesBeforeAllocating) {
    const std::vector<uint8_t> good = spotgen::Encode(spotgen::Generate(true, false, 8, 3));
    std::vector<uint8_t> shortHeader(good.begin(), good.begin() + 91);
    std::vector<uint8_t> shortMatrix(good.begin(), good.end() - 1);
    std::vector<uint8_t> zeroSize = good;
    PutU32(zeroSize, 12 + 16 * 2 + 8, 0);  // channel 2, size 2
    std::vector<uint8_t> huge = good;
    PutU32(huge, 12 + 16 + 4, 0x7FFFFFFF);  // channel 1 asks for 2^62 bytes
    const std::string job = "\"" + folder.File("job.spt") + "\"";
    EXPECT_EQ(Read(shortHeader), SPOT_ERR_HEADER);
    EXPECT_EQ(fault, job + " is shorter than a spot file's header");
    EXPECT_EQ(Read(shortMatrix), SPOT_ERR_SHORT);
    EXPECT_EQ(fault, job + " is shorter than its matrices");
    EXPECT_EQ(Read(zeroSize), SPOT_ERR_HEADER);
    EXPECT_EQ(fault, job + " has a matrix size of 0 in channel 2");
    EXPECT_EQ(Read(huge), SPOT_ERR_SHORT);
    EXPECT_EQ(ReadSpotFile(nullptr, nullptr, nullptr, record), SPOT_ERR_NO_PATH);
    // Nothing, or no file, under the name: named as what it is.
    std::filesystem::create_directory(folder.File("folder.spt"));
    using Case = std::pair<std::string, std::string>;
    for (const auto& [name, why] : {Case{"none.spt", "cannot be opened (No such file or directory)"},
                                    Case{"folder.spt", "is not a regular file"}}) {
        EXPECT_EQ(ReadSpotFile(nullptr, nullptr, folder.File(name).c_str(), record, &fault), SPOT_ERR_OPEN);
        EXPECT_EQ(fault, "\"" + folder.File(name) + "\" " + why);
    }
}

TEST_F(SpotFileTest, FallsBackToInkJetSptInTheCurrentFolder) {
    // No linearisation library is loaded in this test: the files decide.
    ASSERT_EQ(platform::FindLoadedLibrary("EPL.dll"), "");
    struct InFolder {  // the current folder for the test, restored however it ends
        std::filesystem::path old = std::filesystem::current_path();
        explicit InFolder(const std::string& folder) { std::filesystem::current_path(folder); }
        ~InFolder() { std::filesystem::current_path(old); }
    } inFolder(folder.Path());
    httest::JobLog log;
    CVarnPrn job(nullptr, 1, &log);
    job.m_strScreeningFile = folder.File("missing.spt");
    std::unique_ptr<SpotData> spots;
    EXPECT_EQ(ReadSpots(nullptr, &job, spots), SPOT_ERR_OPEN);
    Write(spotgen::Encode(spotgen::Generate(true, false, 7, 6)), kDefaultSpotFile);
    EXPECT_EQ(ReadSpots(nullptr, &job, spots), SPOT_TYPE_PYTHAGOREAN);
    ASSERT_TRUE(spots);
    EXPECT_EQ(spots->channel[3].t1, 7);  // tiles copied from the sizes
    EXPECT_EQ(spots->channel[3].t2, 6);
    EXPECT_TRUE(log.Has(LOG_ERROR, "Can't open spot file (" + job.m_strScreeningFile + ")"));
}
