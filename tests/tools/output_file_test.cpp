// The tools' output files: written beside their names and put in place
// whole, several together or none of them.
#include "output_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <iterator>
#include <memory>
#include <vector>

#include "platform/files.h"
#include "platform/system.h"
#include "support/scratch_folder.h"

namespace {

// Sets the platform's hook before each rename for as long as it lives.
struct BeforeReplaceHook {
    explicit BeforeReplaceHook(std::function<void(const std::string&)> hook) {
        platform::SetTestBeforeReplace(std::move(hook));
    }
    ~BeforeReplaceHook() { platform::SetTestBeforeReplace(nullptr); }
};

TEST(OutputFile, PutsItsFilesInPlaceAllTogetherOrNone) {
    ScratchFolder folder;
    const std::string a = folder.File("a.prn");
    const std::string b = folder.File("b.ticket");
    const auto old = [&] { WriteWholeFile(a, "old a"); };
    // Just before b is renamed over its name, a folder takes that name.
    const auto folderAtB = [&](const std::string& name) {
        if (name == b) std::filesystem::create_directory(b);
    };
    // And one at a, in place of the new a: the old a cannot be put back.
    const auto foldersAtAAndB = [&](const std::string& name) {
        if (name != b) return;
        std::filesystem::create_directory(b);
        std::filesystem::remove(a);
        std::filesystem::create_directory(a);
    };
    const auto savedAAndFolderAtB = [&](const std::string& name) {  // or the user saves an a there: it stays
        if (name == b) WriteWholeFile(a, "user's a"), std::filesystem::create_directory(b);
    };
    const std::string savedOver = "cannot write " + b + ": Is a directory; cannot ";
    // A second name of a that a run which may still go on holds.
    const std::string held = std::filesystem::path(a + ".kelmora-1234-0.old").make_preferred().string();
    const struct {
        const char* what;
        std::function<void()> prepare;
        std::vector<std::string> names;                    // written together, each "new " + its name
        std::function<void(const std::string&)> meanwhile;  // before each rename
        std::string message;                               // part of the error; "" when all went in place
        std::string afterA;                                // a's bytes afterwards ("" none)
        long left;                                         // names in the folder afterwards
    } cases[] = {
        {"a new file", [] {}, {a}, nullptr, "", "new " + a, 1},
        {"two files, one replaced", old, {a, b}, nullptr, "", "new " + a, 2},
        // The second file cannot be put in place: the first is taken back.
        {"the old first file put back", old, {a, b}, folderAtB, "cannot write " + b + ": Is a directory", "old a", 2},
        {"the new first file removed", [] {}, {a, b}, folderAtB, "cannot write " + b + ": Is a directory", "", 1},
        // The old first file stays where the message says.
        {"the old first file kept", old, {a, b}, foldersAtAAndB,
         "cannot write " + b + ": Is a directory; cannot put the old " + a + " back: ", "", 3},
        {"the user's save of the first file kept", [] {}, {a, b}, savedAAndFolderAtB,
         savedOver + "remove the new " + a + ": another file was saved under its name meanwhile, and stays",
         "user's a", 2},
        {"the user's save kept and the old first file beside it", old, {a, b}, savedAAndFolderAtB,
         savedOver + "put the old " + a + " back: another file was saved under its name meanwhile, and stays; the old " +
             a + " is kept as ",
         "user's a", 3},
        {"a second name a run may still hold", [&] {
             old(), std::filesystem::create_hard_link(a, held), platform::SetTestProcessOfAnotherUser(true);
         }, {a}, nullptr, "cannot write " + a + ": " + held + " is a second name of it that process 1234 may still be "
         "writing; if no run is under way, remove " + held, "old a", 2},
        {"a name with control bytes, escaped", [] {}, {folder.File("no\x1b/a.prn")}, nullptr,
         "cannot write " + folder.File("no\\x1B/a.prn: "), "", 0},
#ifndef _WIN32
        {"a symbolic link: the file it leads to replaced",
         [&] {
             WriteWholeFile(folder.File("real.prn"), "old");
             std::filesystem::create_symlink("real.prn", a);
         },
         {a}, nullptr, "", "new " + a, 2},
#endif
    };
    for (const auto& c : cases) {
        for (const auto& entry : std::filesystem::directory_iterator(folder.Path())) std::filesystem::remove_all(entry);
        c.prepare();
        std::string error;
        std::vector<std::unique_ptr<toolfile::OutputFile>> files;
        std::vector<toolfile::OutputFile*> together;
        for (const std::string& name : c.names) {
            files.push_back(std::make_unique<toolfile::OutputFile>());
            if (!files.back()->Create(name, error)) break;
            const std::string bytes = "new " + name;
            EXPECT_TRUE(files.back()->Write(bytes.data(), bytes.size())) << c.what;
            together.push_back(files.back().get());
        }
        if (error.empty()) {
            const BeforeReplaceHook hook(c.meanwhile);
            toolfile::PublishTogether(together, error);
        }
        files.clear(), platform::SetTestProcessOfAnotherUser(false);
        if (c.message.empty()) {
            EXPECT_EQ(error, "") << c.what;
        } else {
            EXPECT_EQ(error.find(c.message), 0u) << c.what << ": " << error;
        }
        EXPECT_EQ(std::filesystem::is_regular_file(a) ? ReadWholeFile(a) : "", c.afterA) << c.what;
        if (const size_t kept = error.find(" is kept as "); kept != std::string::npos) {
            EXPECT_EQ(ReadWholeFile(error.substr(kept + 12)), "old a") << c.what;
        } else {
            EXPECT_EQ(error.find("cannot put the old "), std::string::npos) << c.what << ": " << error;
        }
        if (c.message.empty() && c.names.size() > 1) {
            EXPECT_EQ(ReadWholeFile(b), "new " + b) << c.what;
        }
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), c.left) << c.what;
    }
}

}  // namespace
