// Temporary files on Windows: private to their owner while open.
#include "platform/temp_file.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>

#include "support/scratch_folder.h"

namespace {

TEST(TempFile, NobodyElseOpensTheFileWhileItIsOpen) {
    ScratchFolder folder;
    for (const bool deleteOnClose : {true, false}) {
        const std::string path = folder.File(deleteOnClose ? "gone.tmp" : "kept.tmp");
        platform::TempFile file;
        ASSERT_EQ(file.Create(path, deleteOnClose, 0), 0);
        ASSERT_EQ(file.Write("layer", 5), 5u);
        ASSERT_TRUE(file.Flush());
        const HANDLE other = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                         nullptr, OPEN_EXISTING, 0, nullptr);
        EXPECT_EQ(other, INVALID_HANDLE_VALUE);
        if (other != INVALID_HANDLE_VALUE) CloseHandle(other);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
        file.Close();
        EXPECT_EQ(std::filesystem::exists(path), !deleteOnClose);
    }
}

}  // namespace
