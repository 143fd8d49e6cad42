// The plug-in module's and the host executable's files.
#include "platform/module.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;

TEST(ModuleFiles, HostExecutableIsThisTestProgram) {
    const std::string exe = platform::HostExecutablePath();
    ASSERT_FALSE(exe.empty());
    EXPECT_TRUE(fs::path(exe).is_absolute()) << exe;
    EXPECT_TRUE(fs::is_regular_file(exe)) << exe;
    EXPECT_EQ(fs::path(exe).stem(), "test_platform");
    const std::string folder = platform::HostExecutableFolder();
    EXPECT_TRUE(fs::is_directory(folder)) << folder;
    EXPECT_EQ(fs::path(exe).parent_path(), fs::path(folder));
}

TEST(ModuleFiles, CodeLinkedIntoTheExecutableReportsTheExecutable) {
    // The tests link the plug-in's code statically, so its module is the program itself.
    EXPECT_EQ(platform::PluginModuleFileName(), platform::HostExecutablePath());
    EXPECT_EQ(platform::PluginModuleFolder(), platform::HostExecutableFolder());
}

}  // namespace
