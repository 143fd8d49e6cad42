// The plug-in module's and the host executable's files.
#include "platform/module.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

namespace {

bool IsRegularFile(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsFolder(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

TEST(ModuleFiles, HostExecutableIsThisTestProgram) {
    const std::string exe = platform::HostExecutablePath();
    ASSERT_FALSE(exe.empty());
    EXPECT_EQ(exe.front(), '/');
    EXPECT_TRUE(IsRegularFile(exe)) << exe;
    EXPECT_EQ(exe.substr(exe.rfind('/') + 1), "test_platform");
    const std::string folder = platform::HostExecutableFolder();
    EXPECT_TRUE(IsFolder(folder)) << folder;
    EXPECT_EQ(folder + "/test_platform", exe);
}

TEST(ModuleFiles, CodeLinkedIntoTheExecutableReportsTheExecutable) {
    // The tests link the plug-in's code statically, so its module is the program itself.
    EXPECT_EQ(platform::PluginModuleFileName(), platform::HostExecutablePath());
    EXPECT_EQ(platform::PluginModuleFolder(), platform::HostExecutableFolder());
}

}  // namespace
