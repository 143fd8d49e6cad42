#include "services/spool_file.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <fstream>

#include "platform/system.h"
#include "platform/temp_file.h"
#ifndef _WIN32
#include <sys/stat.h>
#endif
#include "support/scratch_folder.h"
#include "support/temp_file_limits.h"

namespace {

// A disk that is full after `bytes` for as long as the guard lives, whatever
// ends its scope.
class WriteLimit {
public:
    explicit WriteLimit(int64_t bytes) { platform::SetTestWriteLimit(bytes); }
    ~WriteLimit() { platform::SetTestWriteLimit(-1); }
    WriteLimit(const WriteLimit&) = delete;
    WriteLimit& operator=(const WriteLimit&) = delete;
};

struct Record {
    uint32_t tag;
    std::string data;
    bool operator==(const Record& o) const { return tag == o.tag && data == o.data; }
};

// Keeps what it is handed; can fail with a code at a given call.
class RecordingWriter : public ISPOOL_FILE_WRITER {
public:
    uint32_t Write(uint32_t tag, const uint8_t* data, uint64_t size) override {
        records.push_back(Record{tag, data ? std::string(reinterpret_cast<const char*>(data), size) : std::string()});
        if (onWrite) onWrite();
        return records.size() == failAtCall ? failCode : 0;
    }
    std::vector<Record> records;
    size_t failAtCall = 0;
    uint32_t failCode = 0;
    std::function<void()> onWrite;
};

uint32_t Put(SPOOL_FILE_TEMP& file, uint32_t tag, const std::string& data) {
    return file.Write(tag, reinterpret_cast<const uint8_t*>(data.data()), data.size());
}

std::string U32(uint32_t v) {
    return std::string{static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
                       static_cast<char>(v >> 24)};
}

class SpoolFile : public ::testing::Test {
protected:
    // A kept spool file holding the given data records.
    std::unique_ptr<SPOOL_FILE_TEMP> MakeFile(const std::vector<std::string>& data) {
        std::unique_ptr<SPOOL_FILE_TEMP> file;
        EXPECT_EQ(SPOOL_FILE_TEMP::Create(&file, path.c_str(), false), 0u);
        for (const std::string& d : data) EXPECT_EQ(Put(*file, SPLTAG_DATA, d), 0u);
        return file;
    }

    ScratchFolder folder;
    std::string path = folder.File("layer_1.tmp");
};

TEST_F(SpoolFile, StoresTheHeaderAndMarkedRecordsByteForByte) {
    auto file = MakeFile({"R1"});
    EXPECT_EQ(Put(*file, SPLTAG_PAGE_END, ""), 0u);
    EXPECT_EQ(Put(*file, 0x2C000000, "x"), 0u);  // bits 26 and 27 are not stored
    EXPECT_EQ(file->Rewind(), 0u);
    EXPECT_EQ(SPOOL_FILE_TEMP::Destroy(&file), 0u);

    const std::string expected = std::string("DEZAVED\0", 8) + U32(0x01020304) + U32(2) + U32(1) +
                                 std::string(12, '\0') + "rovo" + U32(0x20000002) + "R1" + "rovo" +
                                 U32(0x70000000) + "rovo" + U32(0x20000001) + "x" + "rovo" + U32(0xF0000000);
    EXPECT_EQ(ReadWholeFile(path), expected);
}

TEST_F(SpoolFile, PlaysForwardsInFileOrderAndBackwardsInReverse) {
    auto file = MakeFile({"R1", "R2", "", "R3"});
    RecordingWriter forward;
    EXPECT_EQ(file->Playback(&forward), 0u);
    const std::vector<Record> inOrder = {
        {SPLTAG_DATA, "R1"}, {SPLTAG_DATA, "R2"}, {SPLTAG_DATA, ""}, {SPLTAG_DATA, "R3"}};
    EXPECT_EQ(forward.records, inOrder);

    RecordingWriter backward;
    EXPECT_EQ(file->PlaybackReverse(&backward), 0u);
    const std::vector<Record> reversed(inOrder.rbegin(), inOrder.rend());
    EXPECT_EQ(backward.records, reversed);

    // A file plays as often as it is asked to.
    RecordingWriter again;
    EXPECT_EQ(file->Playback(&again), 0u);
    EXPECT_EQ(again.records, inOrder);
}

TEST_F(SpoolFile, ReversePlaybackTakesDataRecordsOnly) {
    auto file = MakeFile({"R1"});
    Put(*file, SPLTAG_PAGE_END, "QE");
    Put(*file, SPLTAG_DATA, "R2");
    RecordingWriter backward;
    EXPECT_EQ(file->PlaybackReverse(&backward), 3u);
    EXPECT_TRUE(backward.records.empty());
    RecordingWriter forward;
    EXPECT_EQ(file->Playback(&forward), 0u);
    EXPECT_EQ(forward.records.size(), 3u);
}

TEST_F(SpoolFile, RefusesBadRecordsWithTheirCodes) {
    auto file = MakeFile({});
    const uint8_t byte = 0;
    EXPECT_EQ(file->Write(SPLTAG_DATA, &byte, 0x4000000), 8u);
    EXPECT_EQ(file->Write(0xd0000011, &byte, 1), 6u);
    EXPECT_EQ(file->Write(0xd0000010, nullptr, 0), 6u);
    EXPECT_EQ(file->Write(SPLTAG_DATA, nullptr, 10), 5u);
    EXPECT_EQ(file->Write(SPLTAG_DATA, nullptr, 0), 0u);
    EXPECT_EQ(file->Playback(nullptr), 5u);
    EXPECT_EQ(file->PlaybackReverse(nullptr), 5u);

    // Once read, the file takes no more records and stays as it was.
    RecordingWriter first;
    EXPECT_EQ(file->Playback(&first), 0u);
    EXPECT_EQ(Put(*file, SPLTAG_DATA, "late"), 20u);
    RecordingWriter second;
    EXPECT_EQ(file->Playback(&second), 0u);
    EXPECT_EQ(second.records, (std::vector<Record>{{SPLTAG_DATA, ""}}));
}

TEST_F(SpoolFile, CreateAndDestroyCheckTheirArguments) {
    std::unique_ptr<SPOOL_FILE_TEMP> file;
    EXPECT_EQ(SPOOL_FILE_TEMP::Create(nullptr, path.c_str(), true), 5u);
    EXPECT_EQ(SPOOL_FILE_TEMP::Create(&file, nullptr, true), 5u);
    EXPECT_EQ(SPOOL_FILE_TEMP::Create(&file, path.c_str(), true), 0u);
    EXPECT_EQ(SPOOL_FILE_TEMP::Create(&file, path.c_str(), true), 5u);  // already holds one
    EXPECT_EQ(SPOOL_FILE_TEMP::Destroy(nullptr), 5u);
    EXPECT_EQ(SPOOL_FILE_TEMP::Destroy(&file), 0u);
    EXPECT_EQ(file, nullptr);
    EXPECT_EQ(SPOOL_FILE_TEMP::Destroy(&file), 1u);
}

TEST_F(SpoolFile, DeleteOnCloseRemovesTheFileAndKeepLeavesIt) {
    std::unique_ptr<SPOOL_FILE_TEMP> file;
    ASSERT_EQ(SPOOL_FILE_TEMP::Create(&file, path.c_str(), true), 0u);
    Put(*file, SPLTAG_DATA, "R1");
    SPOOL_FILE_TEMP::Destroy(&file);
    EXPECT_FALSE(std::filesystem::exists(path));

    file = MakeFile({"R1"});
    SPOOL_FILE_TEMP::Destroy(&file);
    EXPECT_TRUE(std::filesystem::exists(path));
}

TEST_F(SpoolFile, AFileThatCannotBeCreatedFailsEveryStepWithIoCode) {
    std::unique_ptr<SPOOL_FILE_TEMP> file;
    const std::string missing = folder.File("no/such/folder.tmp");
    EXPECT_EQ(SPOOL_FILE_TEMP::Create(&file, missing.c_str(), true), 3u);
    ASSERT_NE(file, nullptr);
    RecordingWriter consumer;
    EXPECT_EQ(Put(*file, SPLTAG_DATA, "R1"), 3u);
    EXPECT_EQ(file->Rewind(), 3u);
    EXPECT_EQ(file->Playback(&consumer), 3u);
    EXPECT_EQ(file->PlaybackReverse(&consumer), 3u);
    const uint8_t* data;
    uint64_t length;
    int64_t position;
    uint32_t tag;
    EXPECT_EQ(file->ReadNext(&data, &length, &position, &tag), 20u);
}

// Every way the file fails names the step, the file and the system's reason.
TEST_F(SpoolFile, AFailureNamesTheStepTheFileAndTheSystemsReason) {
    std::ofstream(folder.File("plain")) << "x";
    const std::string readOnly = folder.File("read-only");
    std::filesystem::create_directory(readOnly);
    std::filesystem::permissions(readOnly, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    const bool canWriteReadOnly = std::ofstream(readOnly + "/probe").good();  // as root
    std::filesystem::remove(readOnly + "/probe");
    struct Case {
        std::string path;
        int64_t diskBytes;  // bytes before the disk is full, -1 for no limit
        std::string reason;
    };
    const auto create = [](const std::string& name, int error) {
        return "cannot create \"" + name + "\": " + std::strerror(error);
    };
    std::vector<Case> cases = {
        {folder.File("missing/x.tmp"), -1, create(folder.File("missing/x.tmp"), ENOENT)},
#ifdef _WIN32
        // Windows says a file under the folder's name is missing, and takes no
        // control bytes in a name.
        {folder.File("plain/x.tmp"), -1, create(folder.File("plain/x.tmp"), ENOENT)},
        {folder.File("full.tmp"), 40, "cannot write \"" + folder.File("full.tmp") + "\": " + std::strerror(ENOSPC)},
#else
        {folder.File("plain/x.tmp"), -1, create(folder.File("plain/x.tmp"), ENOTDIR)},
        {folder.File("full\x1b[2J.tmp"), 40,
         "cannot write \"" + folder.File("full\\x1B[2J.tmp") + "\": " + std::strerror(ENOSPC)},
#endif
    };
    if (!canWriteReadOnly) cases.push_back({readOnly + "/x.tmp", -1, create(readOnly + "/x.tmp", EACCES)});
#ifndef _WIN32
    ASSERT_EQ(mkfifo(folder.File("fifo").c_str(), 0600), 0);
    cases.push_back({folder.File("fifo/x.tmp"), -1, create(folder.File("fifo/x.tmp"), ENOTDIR)});
#endif
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const WriteLimit limit(c.diskBytes);
        std::unique_ptr<SPOOL_FILE_TEMP> file;
        const uint32_t created = SPOOL_FILE_TEMP::Create(&file, c.path.c_str(), true);
        ASSERT_NE(file, nullptr);
        if (created == 0) {
            EXPECT_EQ(file->FailureReason(), "");
            EXPECT_EQ(Put(*file, SPLTAG_DATA, std::string(100, 'x')), 3u);
        }
        EXPECT_EQ(file->FailureReason(), c.reason);
        EXPECT_STREQ(CreateSpoolFileResultFor(file->FailureReason(), 3, "Step").GetText(),
                     ("Step: Spool file IO failed (" + c.reason + ")").c_str());
    }
    EXPECT_STREQ(CreateSpoolFileResultFor("", 4, "Step").GetText(), "Step: Spool file failed");
    std::filesystem::permissions(readOnly, std::filesystem::perms::owner_all);
}

// An own spool file is created only where no file is: a name that is taken
// (by anyone's file, another job's of the same number too) gives way to the
// next number, and what holds it stays as it was.
TEST_F(SpoolFile, OwnFilesTakeTheNextNameWhereAFileIs) {
    const std::string prefix = folder.File("L_");
    std::unique_ptr<SPOOL_FILE_TEMP> theirs;
    uint64_t number = 0;
    std::string name;
    ASSERT_EQ(SPOOL_FILE_TEMP::CreateOwn(&theirs, prefix, ".tmp", false, &number, &name), 0u);
    EXPECT_EQ(name, prefix + std::to_string(platform::CurrentProcessId()) + "_" + std::to_string(number) + ".tmp");
    ASSERT_EQ(Put(*theirs, SPLTAG_DATA, "theirs"), 0u);
    WriteWholeFile(SPOOL_FILE_TEMP::OwnName(prefix, number + 1000, ".tmp"), "someone else's");
    for (const uint64_t taken : {number, number + 1000}) {
        std::unique_ptr<SPOOL_FILE_TEMP> file;
        uint64_t tried = taken;
        ASSERT_EQ(SPOOL_FILE_TEMP::CreateOwn(&file, prefix, ".tmp", true, &tried, &name), 0u) << name;
        EXPECT_TRUE(tried != taken && Put(*file, SPLTAG_DATA, "mine") == 0u) << tried;
    }
    RecordingWriter consumer;
    EXPECT_EQ(theirs->Playback(&consumer), 0u);
    EXPECT_EQ(consumer.records, (std::vector<Record>{{SPLTAG_DATA, "theirs"}}));
    EXPECT_EQ(ReadWholeFile(SPOOL_FILE_TEMP::OwnName(prefix, number + 1000, ".tmp")), "someone else's");
}

// A read that fails after k bytes, for every k of a small layer: the play
// fails with the I/O code and names the read and the system's reason, never
// as a file that ended early.
TEST_F(SpoolFile, AReadErrorFailsThePlayWithTheSystemsReason) {
    const std::vector<std::string> data = {"first record", "", std::string(300, 'x')};
    const std::string reason = "cannot read \"" + path + "\": " + std::strerror(EIO);
    size_t total = 0;
    for (size_t k = 0; k == 0 || k <= total; ++k) {
        auto file = MakeFile(data);
        ASSERT_EQ(file->Rewind(), 0u);
        total = size_t(std::filesystem::file_size(path));
        testsupport::ReadLimit limit{int64_t(k)};
        RecordingWriter played;
        EXPECT_EQ(file->Playback(&played), k < total ? 3u : 0u) << k;
        EXPECT_EQ(file->FailureReason(), k < total ? reason : "") << k;
    }
}

TEST_F(SpoolFile, RewindingTwiceWritesOneEndRecord) {
    auto file = MakeFile({"R1"});
    EXPECT_EQ(file->Rewind(), 0u);
    EXPECT_EQ(file->Rewind(), 0u);
    SPOOL_FILE_TEMP::Destroy(&file);
    EXPECT_EQ(std::filesystem::file_size(path), 32u + 10u + 8u);
}

TEST_F(SpoolFile, ConsumerFailureEndsEitherPlaybackWithItsCode) {
    auto file = MakeFile({"R1", "R2", "R3"});
    RecordingWriter forward;
    forward.failAtCall = 2;
    forward.failCode = 1;  // not mistaken for the end of the file
    EXPECT_EQ(file->Playback(&forward), 1u);
    EXPECT_EQ(forward.records.size(), 2u);
    RecordingWriter backward;
    backward.failAtCall = 1;
    backward.failCode = 64;
    EXPECT_EQ(file->PlaybackReverse(&backward), 64u);
    EXPECT_EQ(backward.records, (std::vector<Record>{{SPLTAG_DATA, "R3"}}));
}

TEST_F(SpoolFile, ReversePlaybackStopsAtAPayloadItCannotRead) {
#ifdef _WIN32
    GTEST_SKIP() << "the test changes the file behind the spool file, which Windows opens without sharing";
#endif
    // Records larger than the stream's buffer, so that every payload is read from the file.
    const std::string r1(40000, '1'), r2(40000, '2'), r3(40000, '3');
    auto file = MakeFile({r1, r2, r3});
    RecordingWriter backward;
    // Once R3 is out, the file loses the end of R2.
    backward.onWrite = [&] {
        if (backward.records.size() == 1) std::filesystem::resize_file(path, 32 + 40008 + 8 + 100);
    };
    EXPECT_EQ(file->PlaybackReverse(&backward), 16u);
    ASSERT_EQ(backward.records.size(), 1u);
    EXPECT_TRUE(backward.records[0] == (Record{SPLTAG_DATA, r3}));
}

TEST_F(SpoolFile, ReaderRefusesDamagedRecords) {
#ifdef _WIN32
    GTEST_SKIP() << "the test changes the file behind the spool file, which Windows opens without sharing";
#endif
    auto file = MakeFile({"R1", "R2"});
    ASSERT_EQ(file->Rewind(), 0u);
    auto patch = [&](std::streamoff at, const std::string& bytes) {
        std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(at);
        f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    };
    RecordingWriter consumer;
    patch(42, "ROVO");  // the second record's mark
    EXPECT_EQ(file->Playback(&consumer), 12u);
    EXPECT_EQ(consumer.records.size(), 1u);

    patch(42, "rovo" + U32(0xD0000002));
    consumer.records.clear();
    EXPECT_EQ(file->Playback(&consumer), 6u);
    EXPECT_EQ(consumer.records.size(), 1u);

    patch(46, U32(0x20000002));
    std::filesystem::resize_file(path, 32 + 10 + 8 + 1);  // R2 cut short
    EXPECT_EQ(file->PlaybackReverse(&consumer), 16u);
}

TEST(SpoolFileResult, CodesHaveTheirTexts) {
    EXPECT_STREQ(SpoolFileResultText(0), "Spool file OK");
    EXPECT_STREQ(SpoolFileResultText(3), "Spool file IO failed");
    EXPECT_STREQ(SpoolFileResultText(16), "Spool file unexpected eof");
    EXPECT_STREQ(SpoolFileResultText(20), "Spool file illegal method call");
    EXPECT_STREQ(SpoolFileResultText(21), "Spool file Unknown");
    EXPECT_STREQ(SpoolFileResultText(64), "Spool file unknown");
    EXPECT_STREQ(SpoolFileResultText(0xFFFFFFFF), "Spool file Unknown");
}

TEST(SpoolFileResult, ThrownResultsCarryTheirCodeAndText) {
    try {
        throw CreateSpoolFileResult(8, "Writing %s", "Layer 1");
    } catch (const clSpoolFileResult& r) {
        EXPECT_EQ(r.GetCode(), 8u);
        EXPECT_STREQ(r.GetText(), "Writing Layer 1: Spool file illegal size");
    }
    try {
        throw CreateSpoolFileResultErrno(ENOENT, "Creating %s", "/tmp/x%d");
    } catch (const clSpoolFileResult& r) {
        EXPECT_EQ(r.GetCode(), 3u);
        EXPECT_STREQ(r.GetText(), "Creating /tmp/x%d: No such file or directory");
    }
    // A host writer that failed without setting an error number.
    EXPECT_STREQ(CreateSpoolFileResultErrno(0, "Writing %s", "Layer 0").GetText(), "Writing Layer 0: Unknown IO error");
}

struct HostCall {
    void* context;
    uint32_t tag;
    std::string data;
};

HostCall g_lastHostCall;
int g_hostResult;

int HostWrite(void* context, uint32_t tag, const uint8_t* data, uint32_t size) {
    g_lastHostCall = HostCall{context, tag, std::string(reinterpret_cast<const char*>(data), size)};
    return g_hostResult;
}

TEST(HostWriter, PassesRecordsOnAndCapsTheHostsResult) {
    int context = 0;
    PFN_WRITEPRNDATA_WRAPPER writer(HostWrite, &context);
    const std::string data = "QE";
    const auto* bytes = reinterpret_cast<const uint8_t*>(data.data());
    for (const auto& [host, code] : std::vector<std::pair<int, uint32_t>>{{0, 0}, {7, 7}, {63, 63}, {64, 64},
                                                                          {1000, 64}, {-1, 64}}) {
        g_hostResult = host;
        EXPECT_EQ(writer.Write(SPLTAG_PAGE_END, bytes, 2), code) << host;
    }
    EXPECT_EQ(g_lastHostCall.context, &context);
    EXPECT_EQ(g_lastHostCall.tag, SPLTAG_PAGE_END);
    EXPECT_EQ(g_lastHostCall.data, "QE");

    EXPECT_EQ(writer.Write(SPLTAG_DATA, bytes, 0x100000000ull), 8u);
    EXPECT_EQ(PFN_WRITEPRNDATA_WRAPPER(nullptr, &context).Write(SPLTAG_DATA, bytes, 2), 4u);
    EXPECT_EQ(PFN_WRITEPRNDATA_WRAPPER(HostWrite, nullptr).Write(SPLTAG_DATA, bytes, 2), 4u);
}

}  // namespace

// A disk that fills after k bytes, for every k of a small layer: the write
// that meets the full disk and every one after it fail with the I/O code and
// "no space left on device", as does the rewind; what was written before
// plays back whole. A file cut short is removed though it was to be kept.
TEST_F(SpoolFile, AFullDiskFailsTheWriteThatMeetsItAndEveryLaterStep) {
    const std::vector<std::string> data = {"first record", "", "third", std::string(300, 'x')};
    size_t total = 0;
    {
        auto file = MakeFile(data);
        ASSERT_EQ(file->Rewind(), 0u);
        total = size_t(std::filesystem::file_size(path));
    }
    for (size_t k = 0; k <= total; ++k) {
        platform::SetTestWriteLimit(int64_t(k));
        std::unique_ptr<SPOOL_FILE_TEMP> file;
        const uint32_t created = SPOOL_FILE_TEMP::Create(&file, path.c_str(), false);
        size_t stored = 0;
        bool failed = created != 0;
        for (const std::string& d : data) {
            if (failed) break;
            errno = 0;
            const uint32_t r = file ? Put(*file, SPLTAG_DATA, d) : 3u;
            if (r != 0) {
                EXPECT_EQ(r, 3u) << k;
                EXPECT_EQ(errno, ENOSPC) << k;
                failed = true;
            } else {
                ++stored;
            }
        }
        if (file) {
            const uint32_t rewound = file->Rewind();
            EXPECT_EQ(rewound != 0, failed || k < total) << k;
            if (rewound == 0) {
                RecordingWriter played;
                EXPECT_EQ(file->Playback(&played), 0u) << k;
                EXPECT_EQ(played.records.size(), stored) << k;
            }
        }
        // The file is kept after closing only when it was written whole.
        file.reset();
        EXPECT_EQ(std::filesystem::exists(path), k >= total) << k;
        platform::SetTestWriteLimit(-1);
    }
}
