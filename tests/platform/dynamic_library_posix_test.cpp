// Windows module names on POSIX systems.
#include "platform/dynamic_library.h"

#include <gtest/gtest.h>

#include "platform/temp_folder.h"

using namespace platform;

TEST(LibraryFileName, MapsWindowsModuleNamesToSharedObjects) {
    EXPECT_EQ(LibraryFileName("epl.dll"), "libepl.so");
    EXPECT_EQ(LibraryFileName("DbgOut.dll"), "libDbgOut.so");
    EXPECT_EQ(LibraryFileName("EPL.DLL"), "libEPL.so");
    EXPECT_EQ(LibraryFileName("libplain.so"), "libplain.so");
}

TEST(DynamicLibrary, AnExactMatchWinsOverOneThatDiffersInCase) {
    TempFolder folder;
    folder.CopyIn(KELMORA_EPL_PATH, "libEPL.so");
    folder.CopyIn(KELMORA_EPL_PATH, "libepl.so");
    EXPECT_EQ(FindLibraryInFolder(folder.Path(), "epl.dll"), folder.Path() + "libepl.so");
}
