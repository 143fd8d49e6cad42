// The library entry, string resources and module name, seen from inside a
// library built like the plug-in.
#include <gtest/gtest.h>

#include <filesystem>

#include "fixtures/entry_fixture.h"
#include "platform/dynamic_library.h"
#include "platform/resources.h"

namespace {

TEST(LibraryEntry, AttachesOnLoadAndDetachesOnUnload) {
    platform::DynamicLibrary library;
    ASSERT_TRUE(library.LoadFile(KELMORA_ENTRY_FIXTURE_PATH)) << library.Error();
    const auto getInterface = library.Function<EntryFixtureGetInterface>("GetInterface");
    ASSERT_NE(getInterface, nullptr) << library.Error();
    EntryFixture* fixture = getInterface(0);
    EXPECT_EQ(fixture->attaches, 1);
    EXPECT_NE(fixture->attachedModule, nullptr);

    // The code inside names its own file, not the program's.
    char path[4096];
    ASSERT_TRUE(fixture->moduleFileName(path, sizeof path));
    EXPECT_EQ(path, library.Path());
    EXPECT_TRUE(std::filesystem::equivalent(path, KELMORA_ENTRY_FIXTURE_PATH));

    // The library carries its own string resources.
    char text[256];
    ASSERT_TRUE(fixture->stringResource(KELMORA_IDS_DISPLAY_NAME, text, sizeof text));
    EXPECT_STREQ(text, KELMORA_DISPLAY_NAME_TEXT);
    ASSERT_TRUE(fixture->stringResource(KELMORA_IDS_SHORT_NAME, text, sizeof text));
    EXPECT_STREQ(text, "Kelmora");
    ASSERT_TRUE(fixture->stringResource(KELMORA_IDS_SHORT_NAME + 1, text, sizeof text));
    EXPECT_STREQ(text, "");

    int detaches = 0;
    fixture->onDetach = [](void* context) { ++*static_cast<int*>(context); };
    fixture->detachContext = &detaches;
    library.Unload();
    EXPECT_EQ(detaches, 1);
}

}  // namespace
