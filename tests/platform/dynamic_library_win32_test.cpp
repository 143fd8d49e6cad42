// Module names and library files on Windows.
#include "platform/dynamic_library.h"

#include <gtest/gtest.h>

#include "platform/temp_folder.h"

using namespace platform;

TEST(LibraryFileName, ModuleNamesAreFileNames) {
    EXPECT_EQ(LibraryFileName("epl.dll"), "epl.dll");
    EXPECT_EQ(LibraryFileName("EPL.DLL"), "EPL.DLL");
    EXPECT_EQ(LibraryFileName("C:\\x/y\\DbgOut.dll"), "DbgOut.dll");
}

TEST(DynamicLibrary, WildcardsMatchNoLibrary) {
    TempFolder folder;
    folder.CopyIn(KELMORA_EPL_PATH, "epl.dll");
    EXPECT_EQ(FindLibraryInFolder(folder.Path(), "*.dll"), "");
    EXPECT_EQ(FindLibraryInFolder(folder.Path(), "ep?.dll"), "");
    DynamicLibrary library;
    EXPECT_FALSE(library.LoadFromFolder(folder.Path(), "e*"));
}

TEST(DynamicLibrary, AFileThatIsNoLibraryFailsWithTheSystemsReason) {
    TempFolder folder;
    const std::string fake = folder.Write("epl.dll", "not a library");
    DynamicLibrary library;
    EXPECT_FALSE(library.LoadFile(fake));
    EXPECT_NE(library.Error().find("(error "), std::string::npos) << library.Error();
    EXPECT_FALSE(library.IsLoaded());
}
