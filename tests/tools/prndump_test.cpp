// The prndump command line over sample files.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "stream_samples.h"
#include "support/program_run.h"

namespace {

using namespace samples;

using Outcome = testprogram::Outcome;

Outcome Prndump(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), PRNDUMP_PATH);
    return testprogram::Run({arguments});
}

std::string WriteFile(const std::string& name, const Bytes& bytes) {
    const std::string path = testing::TempDir() + "/" + name;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return path;
}

bool Exists(const std::string& path) { return std::ifstream(path).good(); }

TEST(Prndump, ListsRecordsAndCommandsAndDrawsThePage) {
    const std::string file = WriteFile("job.prn", Jv33Job());
    const std::string dir = testing::TempDir();
    const Outcome run = Prndump({"--preview", dir + "/job.png", "--planes", dir + "/job", file});
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("SPLTAG_PAGE_HEADER, 41 bytes"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("QP[11] p1=17 yres=720 xres=720"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("QD[7] colour=1(M) compression=1"), std::string::npos) << run.output;
    for (const char* name : {"/job.png", "/job-p1-C.png", "/job-p1-M.png", "/job-p1-Y.png", "/job-p1-FE.png"}) {
        EXPECT_TRUE(Exists(dir + name)) << name;
        std::remove((dir + name).c_str());
    }
    std::remove((dir + "/job-p1-FF.png").c_str());
    std::remove(file.c_str());

    // Two layered pages, the first played backwards: each page's preview holds its own layers.
    const std::string two = WriteFile("two.prn", Stream().Add(kPageHeader).Add(kData, LayerHeader(1, 1, 2))
        .Add(kData, Cat({CyanLine(0x80), kLineEnd})).Add(kPageEnd, kQE).Add(kPageHeader)
        .Add(kData, LayerHeader(1, 0, 1)).Add(kData, CyanLine(0xFF)).Add(kPageEnd, kQE).Add(kEof).bytes());
    const Outcome shown = Prndump({"--layers", "--preview", dir + "/two.png", two});
    EXPECT_EQ(shown.status, 0) << shown.output;
    EXPECT_NE(shown.output.find("wrote " + dir + "/two-p2.png (8 x 1)"), std::string::npos) << shown.output;
    EXPECT_NE(shown.output.find("page 1 layer 0: 2 lines (header: 2), backwards,"), std::string::npos) << shown.output;
    for (const std::string& name : {two, dir + "/two.png", dir + "/two-p2.png"}) std::remove(name.c_str());
}

TEST(Prndump, ReportsBrokenFilesAndArguments) {
    Bytes truncated = Jv33Job();
    truncated.resize(truncated.size() - 3);
    const std::string file = WriteFile("broken.prn", truncated);
    Outcome run = Prndump({file});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find("prndump: record at offset"), std::string::npos) << run.output;

    // A record whose commands do not decode is listed with the error; the listing goes on.
    const std::string bad = WriteFile("bad.prn", Stream().Add(kData, B({'Q', 'E', 0, 0x99})).Add(kEof).bytes());
    run = Prndump({bad});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find("unknown command byte 0x99"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("SPLTAG_EOF"), std::string::npos) << run.output;

    // Cut data asked of a file that holds none.
    const std::string plain = WriteFile("plain.prn", Jv33Job());
    run = Prndump({"--cut", testing::TempDir() + "/cut", plain});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find("prndump: --cut: \"" + plain + "\" holds no cut data"), std::string::npos) << run.output;
    std::remove(plain.c_str());

    EXPECT_EQ(Prndump({}).status, 2);
    EXPECT_EQ(Prndump({"--bogus", file}).status, 2);
    EXPECT_EQ(Prndump({testing::TempDir() + "/missing.prn"}).status, 1);
    std::remove(file.c_str());
    std::remove(bad.c_str());
}

}  // namespace
