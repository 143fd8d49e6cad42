#include "platform/dynamic_library.h"

#include <gtest/gtest.h>

#include <cctype>
#include <utility>

#include "platform/module.h"
#include "platform/temp_folder.h"

using namespace platform;

namespace {

const std::string kStandIn = KELMORA_EPL_PATH;
// This platform's file name of "epl.dll".
const std::string kFileName = LibraryFileName("epl.dll");

std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace

TEST(LibraryFileName, FolderOfAPathKeepsItsSeparator) {
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
    EXPECT_FALSE(library.LoadFile(folder.Path() + kFileName));
    EXPECT_FALSE(library.Error().empty());
    EXPECT_FALSE(library.LoadFile(""));
    EXPECT_FALSE(library.LoadFromFolder(folder.Path(), "epl.dll"));
    EXPECT_NE(library.Error().find(kFileName), std::string::npos) << library.Error();
    EXPECT_FALSE(library.Load("epl.dll", {folder.Path(), folder.Path()}));
    EXPECT_FALSE(library.IsLoaded());
}

TEST(DynamicLibrary, MatchesModuleNamesWithoutRegardToCase) {
    TempFolder folder;
    const std::string upper = Upper(kFileName);
    folder.CopyIn(kStandIn, upper);
    EXPECT_EQ(FindLibraryInFolder(folder.Path(), "epl.dll"), folder.Path() + upper);
    EXPECT_EQ(FindLibraryInFolder(folder.Path(), "Epl.DLL"), folder.Path() + upper);

    DynamicLibrary library;
    ASSERT_TRUE(library.LoadFromFolder(folder.Path(), "EpL.dll")) << library.Error();
    EXPECT_NE(library.Symbol("GetEPLInterface"), nullptr);
}

TEST(DynamicLibrary, SearchesThePluginFolderThenTheHostFolder) {
    TempFolder plugin, host, empty;
    const std::string inPlugin = plugin.CopyIn(kStandIn, kFileName);
    const std::string inHost = host.CopyIn(kStandIn, kFileName);

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
    const std::string first = loaded.CopyIn(kStandIn, Upper(kFileName));
    plugin.CopyIn(kStandIn, kFileName);

    DynamicLibrary holder;
    ASSERT_TRUE(holder.LoadFile(first)) << holder.Error();
    EXPECT_EQ(FindLoadedLibrary("EPL.dll"), first);

    DynamicLibrary library;
    ASSERT_TRUE(library.Load("epl.dll", {plugin.Path(), ""})) << library.Error();
    EXPECT_EQ(library.Path(), first);

    // A folder in the name limits the search to that folder.
    DynamicLibrary fromFolder;
    ASSERT_TRUE(fromFolder.Load(plugin.Path() + "epl.dll", {})) << fromFolder.Error();
    EXPECT_EQ(fromFolder.Path(), plugin.Path() + kFileName);
}

// A library whose handle was given up stays loaded (the halftoner gives its
// linearisation library up at every job's end, which must not fail); a
// program that loads libraries of one name from several folders unloads them
// all by that name.
TEST(DynamicLibrary, KeptLibrariesStayUntilUnloadedByName) {
    static_assert(noexcept(std::declval<DynamicLibrary&>().KeepLoadedForProcess()), "runs from destructors");
    TempFolder one, two;
    const std::string inOne = one.CopyIn(kStandIn, kFileName);
    const std::string inTwo = two.CopyIn(kStandIn, Upper(kFileName));
    for (const std::string* path : {&inOne, &inOne, &inTwo}) {
        DynamicLibrary library;
        ASSERT_TRUE(library.LoadFile(*path)) << library.Error();
        library.KeepLoadedForProcess();
        EXPECT_FALSE(library.IsLoaded());
    }
    EXPECT_FALSE(FindLoadedLibrary("epl.dll").empty());
    EXPECT_TRUE(UnloadLibraryEverywhere("epl.dll"));
    EXPECT_EQ(FindLoadedLibrary("epl.dll"), "");
}

TEST(DynamicLibrary, DefaultFoldersNameThisProgramsFolder) {
    const LibrarySearchFolders folders = DefaultLibrarySearchFolders();
    ASSERT_FALSE(folders.hostFolder.empty());
    EXPECT_EQ(folders.hostFolder, FolderOfPath(HostExecutablePath()));
    // The tests link the plug-in's code statically, so it lives in the same file.
    EXPECT_EQ(folders.pluginFolder, folders.hostFolder);
}
