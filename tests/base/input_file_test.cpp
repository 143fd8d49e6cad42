#include "base/input_file.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "base/assertion.h"
#include "base/log_interface.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace {

class RecordingLogger : public ILogger {
public:
    void Log(int level, const char* text) override { lines.push_back(std::to_string(level) + ":" + text); }
    int GetLevel() override { return 4; }
    void SetLevel(int) override {}
    bool IsEnabled(int) override { return true; }
    clLogFullInterface* GetLogger() override { return nullptr; }
    void LogError(const char* text) override { Log(0, text); }
    void LogWarning(const char* text) override { Log(1000, text); }
    void LogInfo(const char* text) override { Log(2000, text); }
    void LogTraceString(std::string text) override { LogTrace(text.c_str()); }
    void LogTrace(const char* text) override { Log(3000, text); }
    void LogDebug(const char* text) override { Log(4000, text); }
    std::vector<std::string> lines;
};

std::string WriteTemp(const std::string& name, const std::string& bytes) {
    const std::string path = ::testing::TempDir() + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

TEST(LineReader, SplitsAtCrAndLfSoCrLfYieldsAnEmptyLine) {
    InputFile file;
    file.Open(WriteTemp("lines.txt", "one\r\ntwo\nthree"));
    ASSERT_TRUE(file.IsOpen());
    LineReader reader(&file);
    std::vector<std::string> lines;
    std::string line;
    while (reader.HasMore()) {
        reader.ReadLine(line);
        lines.push_back(line);
    }
    EXPECT_EQ(lines, (std::vector<std::string>{"one", "", "two", "three"}));
}

TEST(InputFile, ClosedFileReadsNothingAndGivesBlanks) {
    InputFile file;
    file.Open(::testing::TempDir() + "does-not-exist");
    EXPECT_FALSE(file.IsOpen());
    EXPECT_FALSE(file.IsEof());
    uint8_t c = 0;
    file.GetChar(&c);
    EXPECT_EQ(c, ' ');
    uint8_t buf[4];
    EXPECT_EQ(file.Read(buf, 4), 0u);
}

// Folders, pipes and missing paths are never opened as files: reading a
// folder fails with EISDIR (an exception from a stream), and a pipe without a
// writer blocks the job.
TEST(InputFile, OnlyRegularFilesAreOpenedOrRead) {
    const std::string folder = ::testing::TempDir() + "input_file_folder";
    std::filesystem::create_directories(folder);
    const std::string missing = ::testing::TempDir() + "does-not-exist";
    const std::string noFile = "cannot be opened (" + std::string(std::strerror(ENOENT)) + ")";
    // Each path with what OpenFileToRead says of it.
    std::vector<std::pair<std::string, std::string>> paths{
        {folder, "is not a regular file"}, {missing, noFile}, {"", noFile}};
#ifndef _WIN32
    const std::string fifo = ::testing::TempDir() + "input_file_fifo";
    std::remove(fifo.c_str());
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    paths.push_back({fifo, "is not a regular file"});
#endif
    for (const auto& [path, reason] : paths) {
        const OpenedFile opened = OpenFileToRead(path);
        EXPECT_FALSE(opened) << path;
        EXPECT_EQ(opened.Reason(), reason) << path;
        EXPECT_EQ(opened.Missing(), reason == noFile) << path;
        InputFile file;
        file.Open(path);
        EXPECT_FALSE(file.IsOpen()) << path;
        EXPECT_FALSE(IsReadableFile(path)) << path;
        std::vector<char> bytes{'x'};
        EXPECT_FALSE(ReadFileBytes(path, bytes)) << path;
        EXPECT_TRUE(bytes.empty()) << path;
    }
    const std::string text = WriteTemp("bytes.bin", std::string("a\0b\r\n", 5));
    std::vector<char> bytes;
    EXPECT_TRUE(IsReadableFile(text));
    EXPECT_EQ(OpenFileToRead(text).Reason(), "");
    ASSERT_TRUE(ReadFileBytes(text, bytes));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), std::string("a\0b\r\n", 5));
}

TEST(Assertion, ShortReadIsReportedToTheInstalledLoggerOnly) {
    InputFile file;
    file.Open(WriteTemp("short.bin", "ab"));
    uint8_t buf[8];
    EXPECT_EQ(file.Read(buf, 8), 2u);  // no logger: dropped, caller goes on

    RecordingLogger logger;
    SetAssertionLogger(&logger);
    InputFile again;
    again.Open(WriteTemp("short.bin", "ab"));
    EXPECT_EQ(again.Read(buf, 8), 2u);
    ReportAssertion("false", "Src\\InputFile", 12);
    SetAssertionLogger(nullptr);
    EXPECT_EQ(logger.lines, (std::vector<std::string>{"0:Src\\InputFile(66): assert(nBytesRead==nBytes) failed!",
                                                       "0:Src\\InputFile(12): assert(false) failed!"}));
}

}  // namespace

TEST(LineReader, BoundedReadKeepsTheStartAndStepsOverTheRest) {
    const std::string path = WriteTemp("bounded.txt", "abcdef\nxy\n");
    InputFile file;
    file.Open(path);
    LineReader reader(&file);
    std::string line;
    EXPECT_EQ(reader.ReadLine(line, 3), 6u);
    EXPECT_EQ(line, "abc");
    EXPECT_EQ(reader.ReadLine(line, 3), 2u);
    EXPECT_EQ(line, "xy");
    EXPECT_FALSE(reader.HasMore());
    std::remove(path.c_str());
}
