#include "platform/temp_file.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "support/scratch_folder.h"

namespace {

TEST(TempFile, ReadsBackWhatItWroteAndGoesAwayOnCloseUnlessKept) {
    ScratchFolder folder;
    for (const bool deleteOnClose : {true, false}) {
        const std::string path = folder.File(deleteOnClose ? "gone.tmp" : "kept.tmp");
        WriteWholeFile(path, "old contents that are replaced");
        platform::TempFile file;
        ASSERT_EQ(file.Create(path, deleteOnClose, 16), 0);
        EXPECT_EQ(file.Write("0123456789abcdefXYZ", 19), 19u);
        EXPECT_EQ(file.Tell(), 19);
        ASSERT_TRUE(file.Seek(16));
        char back[8] = {};
        EXPECT_EQ(file.Read(back, sizeof back), 3u);
        EXPECT_STREQ(back, "XYZ");
        EXPECT_EQ(file.ReadError(), 0);  // the end of the file, no failure
        EXPECT_FALSE(file.Seek(-1));
        file.Close();
        EXPECT_FALSE(file.IsOpen());
        EXPECT_EQ(std::filesystem::exists(path), !deleteOnClose);
        if (!deleteOnClose) {
            EXPECT_EQ(ReadWholeFile(path), "0123456789abcdefXYZ");
        }
    }
}

TEST(TempFile, RefusesMissingFolders) {
    ScratchFolder folder;
    platform::TempFile file;
    EXPECT_EQ(file.Create(folder.File("none/x.tmp"), true, 0), ENOENT);
    EXPECT_EQ(file.Create("", true, 0), ENOENT);
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(file.Write("x", 1), 0u);
    EXPECT_EQ(file.Tell(), -1);
}

}  // namespace

TEST(TempFile, TestWriteLimitFailsWritesAndFlushAsAFullDisk) {
    ScratchFolder folder;
    platform::TempFile file;
    ASSERT_EQ(file.Create(folder.File("full.tmp"), false, 64), 0);
    platform::SetTestWriteLimit(5);
    EXPECT_EQ(file.Write("abc", 3), 3u);
    EXPECT_TRUE(file.Flush());
    errno = 0;
    EXPECT_EQ(file.Write("defg", 4), 2u);  // two bytes left
    EXPECT_EQ(errno, ENOSPC);
    EXPECT_EQ(file.Write("h", 1), 0u);
    EXPECT_FALSE(file.Flush());
    EXPECT_EQ(errno, ENOSPC);
    platform::SetTestWriteLimit(-1);
    file.Close();
    EXPECT_EQ(ReadWholeFile(folder.File("full.tmp")), "abcde");
}

