#include "platform/dynamic_library.h"

#include <gtest/gtest.h>

#include "platform/temp_folder.h"

using namespace platform;

namespace {

const std::string kStandIn = KELMORA_EPL_PATH;

}  // namespace

TEST(LibraryFileName, MapsWindowsModuleNamesToSharedObjects) {
    EXPECT_EQ(LibraryFileName("epl.dll"), "libepl.so");
    EXPECT_EQ(LibraryFileName("DbgOut.dll"), "libDbgOut.so");
    EXPECT_EQ(LibraryFileName("EPL.DLL"), "libEPL.so");
    EXPECT_EQ(LibraryFileName("libplain.so"), "libplain.so");
    EXPECT_EQ(FolderOfPath("/a/b/epl.dll"), "/a/b/");
    EXPECT_EQ(FolderOfPath("C:\\x\\epl.dll"), "C:\\x\\");
    EXPECT_EQ(FolderOfPath("epl.dll"), "");
}

TEST(DynamicLibrary, LoadsAFileAndFindsItsExports) {
    DynamicLibrary library;
    ASSERT_TRUE(library.LoadFile(kStandIn)) << library.Error();
    EXPECT_TRUE(library.IsLoaded());
    EXPECT_NE(library.Symbol("GetEPLInterface"), nullptr);
    EXPECT_EQ(library.Symbol("NoSuchEntry"), nullptr);
    EXPECT_FALSE(library.Error().empty());

    DynamicLibrary moved(std::move(library));
    EXPECT_FALSE(library.IsLoaded());
    EXPECT_TRUE(moved.IsLoaded());
    moved.Unload();
    EXPECT_FALSE(moved.IsLoaded());
    EXPECT_EQ(moved.Symbol("GetEPLInterface"), nullptr);
}

TEST(DynamicLibrary, MissingFileFailsWithAReason) {
    TempFolder folder;
    DynamicLibrary library;
    EXPECT_FALSE(library.LoadFile(folder.Path() + "libnothing.so"));
    EXPECT_FALSE(library.Error().empty());
    EXPECT_FALSE(library.LoadFromFolder(folder.Path(), "epl.dll"));
    EXPECT_NE(library.Error().find("libepl.so"), std::string::npos) << library.Error();
    EXPECT_FALSE(library.Load("epl.dll", {folder.Path(), folder.Path()}));
    EXPECT_FALSE(library.IsLoaded());
}

TEST(DynamicLibrary, MatchesModuleNamesWithoutRegardToCase) {
    TempFolder folder;
    folder.CopyIn(kStandIn, "libEPL.so");
    EXPECT_EQ(FindLibraryInFolder(folder.Path(), "epl.dll"), folder.Path() + "libEPL.so");
    EXPECT_EQ(FindLibraryInFolder(folder.Path(), "Epl.DLL"), folder.Path() + "libEPL.so");

    DynamicLibrary library;
    ASSERT_TRUE(library.LoadFromFolder(folder.Path(), "EpL.dll")) << library.Error();
    EXPECT_NE(library.Symbol("GetEPLInterface"), nullptr);

    // An exact match wins over one that differs in case.
    folder.CopyIn(kStandIn, "libepl.so");
    EXPECT_EQ(FindLibraryInFolder(folder.Path(), "epl.dll"), folder.Path() + "libepl.so");
}

TEST(DynamicLibrary, SearchesThePluginFolderThenTheHostFolder) {
    TempFolder plugin, host, empty;
    const std::string inPlugin = plugin.CopyIn(kStandIn, "libepl.so");
    const std::string inHost = host.CopyIn(kStandIn, "libepl.so");

    DynamicLibrary library;
    ASSERT_TRUE(library.Load("epl.dll", {empty.Path(), host.Path()})) << library.Error();
    EXPECT_EQ(library.Path(), inHost);
    library.Unload();

    if (!FindLoadedLibrary("epl.dll").empty()) GTEST_SKIP() << "the library is held loaded in this process";
    ASSERT_TRUE(library.Load("epl.dll", {plugin.Path(), host.Path()})) << library.Error();
    EXPECT_EQ(library.Path(), inPlugin);
}

TEST(DynamicLibrary, PrefersALibraryThatIsAlreadyLoaded) {
    TempFolder loaded, plugin;
    const std::string first = loaded.CopyIn(kStandIn, "libEpl.so");
    plugin.CopyIn(kStandIn, "libepl.so");

    DynamicLibrary holder;
    ASSERT_TRUE(holder.LoadFile(first)) << holder.Error();
    EXPECT_EQ(FindLoadedLibrary("EPL.dll"), first);

    DynamicLibrary library;
    ASSERT_TRUE(library.Load("epl.dll", {plugin.Path(), ""})) << library.Error();
    EXPECT_EQ(library.Path(), first);

    // A folder in the name limits the search to that folder.
    DynamicLibrary fromFolder;
    ASSERT_TRUE(fromFolder.Load(plugin.Path() + "epl.dll", {})) << fromFolder.Error();
    EXPECT_EQ(fromFolder.Path(), plugin.Path() + "libepl.so");
}

TEST(DynamicLibrary, DefaultFoldersNameThisProgramsFolder) {
    const LibrarySearchFolders folders = DefaultLibrarySearchFolders();
    ASSERT_FALSE(folders.hostFolder.empty());
    EXPECT_EQ(folders.hostFolder.back(), '/');
    EXPECT_TRUE(std::filesystem::exists(folders.hostFolder + "test_platform"));
    // The tests link the plug-in's code statically, so it lives in the same file.
    EXPECT_EQ(folders.pluginFolder, folders.hostFolder);
}
