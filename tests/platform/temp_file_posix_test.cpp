// Temporary files and symbolic links.
#include "platform/temp_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/scratch_folder.h"

namespace {

TEST(TempFile, RefusesASymbolicLinkInPlaceOfTheFile) {
    ScratchFolder folder;
    const std::string target = folder.File("target");
    WriteWholeFile(target, "precious");
    std::filesystem::create_symlink(target, folder.File("link.tmp"));
    platform::TempFile file;
    EXPECT_NE(file.Create(folder.File("link.tmp"), false, 0), 0);
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(ReadWholeFile(target), "precious");
}

}  // namespace
