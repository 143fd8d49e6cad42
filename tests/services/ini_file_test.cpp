#include "services/ini_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#ifndef _WIN32
#include <sys/stat.h>
#else
#include <windows.h>
#endif

#include "platform/files.h"
#include "platform/system.h"
#include "platform/temp_file.h"
#include "services/driver_settings.h"
#include "recording_logger.h"
#include "support/scratch_folder.h"

namespace {

const char kFreshIni[] =
    "; set WriteInputTiff=1 creates a TIF from the input data\n"
    "; set WriteInputTiffSep=1 creates separated TIFF's from the input data\n"
    ";     WriteInputTiffSep=0 creates one composite TIF\n"
    "; set WriteOutputTiff=1 creates a TIF from the output data\n"
    "; set WriteOutputTiffSep=1 creates separated TIFF's from the output data\n"
    ";     WriteOutputTiffSep=0 creates one composite TIF\n"
    "; set HalftoneThreadCount=-1 enables parallel halftoning, by processor count (default)\n"
    ";     HalftoneThreadCount=0 disables parallel halftoning\n"
    ";     HalftoneThreadCount=2..8 enables parallel halftoning, as specified\n"
    "; set UseTimeForRandom=1 to disable time for random data creation\n"
    "; set AutoCleaning = 1 to enable AutoCleaning\n"
    " [DebugTif]\n"
    " WriteInputTiff=0\n"
    " WriteInputTiffSep=0\n"
    " WriteOutputTiff=0\n"
    " WriteOutputTiffSep=0\n"
    " [Special]\n"
    " HalftoneThreadCount=-1\n"
    " UseTimeForRandom=0\n"
    " AutoCleaning=0\n";

#ifdef _WIN32
// The replace call failing after it moved the old file aside, and another file taking the name meanwhile.
unsigned long MovedAsideAndTaken(const std::string& replaced, const std::string&, const std::string& backup) {
    MoveFileExA(replaced.c_str(), backup.c_str(), MOVEFILE_REPLACE_EXISTING);
    WriteWholeFile(replaced, "theirs");
    return ERROR_UNABLE_TO_MOVE_REPLACEMENT_2;
}
#endif

const std::string kAllKeys =
    "[DebugTif]\nWriteInputTiff=0\nWriteInputTiffSep=0\nWriteOutputTiff=0\nWriteOutputTiffSep=0\n"
    "[Special]\nUseTimeForRandom=0\nAutoCleaning=0\nUseNewTIL=0\n";

class DriverIni : public ::testing::Test {
protected:
    DriverSettings ReadWithThreadCount(const std::string& value) {
        WriteWholeFile(path, kAllKeys + "HalftoneThreadCount=" + value + "\n");
        log.lines.clear();
        return ReadDriverSettings(folder.Path(), &log);
    }

    ScratchFolder folder;
    std::string path = folder.File("DaVav.ini");
    RecordingLogger log;
};

TEST_F(DriverIni, AFreshFileGetsEveryDefaultWithItsComments) {
    const DriverSettings s = ReadDriverSettings(folder.Path(), &log);
    EXPECT_EQ(ReadWholeFile(path), kFreshIni);
    EXPECT_EQ(s.m_bWriteInputTiff + s.m_bWriteInputTiffSep + s.m_bWriteOutputTiff + s.m_bWriteOutputTiffSep, 0);
    EXPECT_EQ(s.m_iHalftoneThreadCount, -1);
    EXPECT_EQ(s.m_bUseTimeForRandom, 0);
    EXPECT_EQ(s.m_bAutoCleaning, 0);
    EXPECT_EQ(s.m_bUseNewTIL, 0);
    EXPECT_TRUE(log.lines.empty());

    // A complete file is read as it is and not written again (a write would
    // fail on the full disk, and say so).
    platform::SetTestWriteLimit(0);
    ReadDriverSettings(folder.Path(), &log);
    platform::SetTestWriteLimit(-1);
    EXPECT_EQ(ReadWholeFile(path), kFreshIni);
    EXPECT_TRUE(log.lines.empty());
}

TEST_F(DriverIni, SwitchesAreOnOnlyForExactlyOne) {
    WriteWholeFile(path,
                   "[DebugTif]\nWriteInputTiff=yes\nWriteInputTiffSep=01\nWriteOutputTiff = 1\n"
                   "#WriteOutputTiffSep=1\n[Special]\nHalftoneThreadCount=2\nUseTimeForRandom=1\n"
                   "AutoCleaning=1\nUseNewTIL=1\n");
    const DriverSettings s = ReadDriverSettings(folder.Path(), &log);
    EXPECT_EQ(s.m_bWriteInputTiff, 0);
    EXPECT_EQ(s.m_bWriteInputTiffSep, 0);
    EXPECT_EQ(s.m_bWriteOutputTiff, 1);
    EXPECT_EQ(s.m_bWriteOutputTiffSep, 0);  // commented out, so missing: written as 0
    EXPECT_EQ(s.m_iHalftoneThreadCount, 2);
    EXPECT_EQ(s.m_bUseTimeForRandom, 1);
    EXPECT_EQ(s.m_bAutoCleaning, 1);
    EXPECT_EQ(s.m_bUseNewTIL, 1);
    EXPECT_EQ(CIniFile::GetValue("WriteOutputTiffSep", "DebugTif", path), "0");
    EXPECT_NE(ReadWholeFile(path).find("#WriteOutputTiffSep=1\n"), std::string::npos);
}

TEST_F(DriverIni, ThreadCountTakesTheLeadingIntegerWithinMinusOneToEight) {
    for (const auto& [value, expected] : std::vector<std::pair<std::string, int>>{
             {"0x4", 4}, {"010", 8}, {"8", 8}, {"0", 0}, {"-1", -1}, {"3 threads", 3}}) {
        EXPECT_EQ(ReadWithThreadCount(value).m_iHalftoneThreadCount, expected) << value;
        EXPECT_TRUE(log.lines.empty()) << value;
    }
    for (const std::string value : {"9", "-2", "abc", "", "99999999999999999999"}) {
        EXPECT_EQ(ReadWithThreadCount(value).m_iHalftoneThreadCount, -1) << value;
        EXPECT_EQ(log.lines, (std::vector<RecordingLogger::Line>{{0, "HalftoneThreadCount wrong entry"}}))
            << value;
    }
}

TEST_F(DriverIni, WithoutInstallFolderDefaultsAreUsedAndNoFileIsWritten) {
    // From the test's folder, where a file named for the empty folder would land.
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(folder.Path());
    const DriverSettings s = ReadDriverSettings("", &log);
    std::filesystem::current_path(before);
    EXPECT_EQ(s.m_iHalftoneThreadCount, -1);
    EXPECT_TRUE(std::filesystem::is_empty(folder.Path()));
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_EQ(log.lines[0].text, "ReadIniSettings: no install folder, default settings used");
}

TEST_F(DriverIni, AnUnwritableFolderLeavesTheDefaults) {
    const DriverSettings s = ReadDriverSettings(folder.File("missing"), &log);
    EXPECT_EQ(s.m_iHalftoneThreadCount, -1);
    EXPECT_EQ(s.m_bWriteInputTiff, 0);
    EXPECT_EQ(log.lines, (std::vector<RecordingLogger::Line>{
                             {1000, "ReadIniSettings: cannot write \"" + folder.File("missing/DaVav.ini") +
                                        "\" (No such file or directory); its missing keys are not added"}}));
}

// The disk fills while the missing keys are written: the user's file stays as
// it was, byte for byte, the job goes on with the values it read, and no
// temporary file is left behind.
TEST_F(DriverIni, AFullDiskLeavesTheUsersFileAsItWas) {
    const std::string user = kAllKeys + "HalftoneThreadCount=0\n; the user's last line\n";
    for (const int64_t limit : {0, 10, 150}) {
        WriteWholeFile(path, std::string(user).erase(user.find("AutoCleaning=0\n"), 15));
        const std::string before = ReadWholeFile(path);
        log.lines.clear();
        platform::SetTestWriteLimit(limit);
        const DriverSettings s = ReadDriverSettings(folder.Path(), &log);
        platform::SetTestWriteLimit(-1);
        EXPECT_EQ(ReadWholeFile(path), before) << limit;
        EXPECT_EQ(s.m_iHalftoneThreadCount, 0) << limit;
        EXPECT_EQ(log.lines, (std::vector<RecordingLogger::Line>{
                                 {1000, "ReadIniSettings: cannot write \"" + path +
                                            "\" (No space left on device); its missing keys are not added"}}))
            << limit;
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 1) << limit;
    }
}

// A folder or a pipe under the file's name is no INI file: the defaults, and
// the job neither blocks on the pipe nor reads the folder as an empty file.
TEST_F(DriverIni, AFolderOrPipeUnderTheNameLeavesTheDefaults) {
    std::filesystem::create_directory(path);
    const RecordingLogger::Line said{1000, "ReadIniSettings: \"" + path +
                                               "\" is not a regular file; default settings used"};
    DriverSettings s = ReadDriverSettings(folder.Path(), &log);
    EXPECT_EQ(s.m_iHalftoneThreadCount, -1);
    EXPECT_TRUE(std::filesystem::is_directory(path));
    EXPECT_TRUE(std::filesystem::is_empty(path));
    EXPECT_EQ(log.lines, std::vector<RecordingLogger::Line>{said});
#ifndef _WIN32
    std::filesystem::remove(path);
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    log.lines.clear();
    s = ReadDriverSettings(folder.Path(), &log);
    EXPECT_EQ(s.m_iHalftoneThreadCount, -1);
    EXPECT_EQ(log.lines, std::vector<RecordingLogger::Line>{said});
    IniDocument doc;
    EXPECT_FALSE(CIniFile::Load(path, doc));
    EXPECT_TRUE(std::filesystem::is_fifo(path));
#endif
}

// Neither read nor written: a link that leads nowhere (its file on a share not mounted), a file in another encoding
// than 8-bit text (the log says how to save it). An ended run's leftover backup of the file is removed, and logged.
TEST_F(DriverIni, OddFilesAreLeftAsTheyAreAndAnEndedRunsLeftoverRemoved) {
    uint32_t ended = 999996;  // the id of no process now
    while (platform::ProcessRunning(ended)) ended += 4;
    const std::string leftover = path + ".kelmora-" + std::to_string(ended) + "-0.old";
    const auto preferred = [](const std::string& name) { return std::filesystem::path(name).make_preferred().string(); };
    const auto keptSaid = [&](const std::string& kept, uint32_t process) {  // DaVav.ini missing, its old text kept
        return RecordingLogger::Line{0, "ReadIniSettings: \"" + path + "\" is missing, and \"" + kept +
            "\" beside it holds its old text, kept there by an interrupted run (process " + std::to_string(process) +
            "); default settings used and no file written: rename \"" + kept + "\" to \"" + path +
            "\" for its settings to count, or remove it"};
    };
    const std::string pid = std::to_string(platform::CurrentProcessId());
#ifndef _WIN32
    const std::string keptHere = path + ".kelmora-lock-" + pid + "-0.old";
#else
    const std::string keptHere = path + ".kelmora-" + pid + "-0.old";  // no marks here
#endif
    const auto utf16 = [](const std::string& text, bool bigEndian, std::string out = "") {
        for (char c : text) out += bigEndian ? std::string{'\0', c} : std::string{c, '\0'};
        return out;
    };
    const std::string user = "[Special]\r\nHalftoneThreadCount=2\r\n";
    struct Case {  // and the files in the folder afterwards, the thread count read
        const char* what; std::function<void()> prepare; RecordingLogger::Line said; std::string after;
        long files = 1; int threads = -1;
    };
    const auto encoded = [&](const char* what, const std::string& bytes) {  // no prepare: bytes are written
        return Case{what, nullptr, {1000, "ReadIniSettings: \"" + path + "\" is in another encoding (" + what +
                                              ") and must be saved as plain text (ANSI or UTF-8) for its settings "
                                              "to count; default settings used"}, bytes};
    };
    // The log lines below name their type: braced bare, GCC 12 at -O3 takes them for uninitialised.
    const Case cases[] = {
#ifndef _WIN32
        {"a link that leads nowhere", [&] { std::filesystem::create_symlink(folder.File("share/DaVav.ini"), path); },
         RecordingLogger::Line{1000, "ReadIniSettings: cannot write \"" + path +
                                         "\" (No such file or directory); its missing keys are not added"}, ""},
#endif
        {"a backup that an ended run left",
         [&] { WriteWholeFile(path, kAllKeys), std::filesystem::create_hard_link(path, leftover); },
         RecordingLogger::Line{2000, "ReadIniSettings: removed \"" + preferred(leftover) + "\", a second name of \"" +
                                         path + "\" that an interrupted run (process " + std::to_string(ended) +
                                         ") left"},
         "; set HalftoneThreadCount=-1 enables parallel halftoning, by processor count (default)\n"
         ";     HalftoneThreadCount=0 disables parallel halftoning\n"
         ";     HalftoneThreadCount=2..8 enables parallel halftoning, as specified\n" +
             kAllKeys + " HalftoneThreadCount=-1\n"},
        // Its old text kept by an ended run and no file under the name: said, and nothing written over it.
        {"the old text an ended run kept", [&] { WriteWholeFile(leftover, kAllKeys); }, keptSaid(leftover, ended), ""},
        // So is the old text that a replacement of this process kept, once it ended (its take-back failed; on
        // Windows the replace call's move back).
        {"the old text this process kept", [&] {
#ifndef _WIN32
             WriteWholeFile(path, user);
             {
                 platform::FileReplacement r;
                 ASSERT_EQ(r.Begin(path) || r.Finish() || r.KeepReplaced() || r.Publish(), 0);
                 std::filesystem::remove(path), std::filesystem::create_directory(path);
                 EXPECT_NE(r.TakeBack(), 0);
             }
#else
             WriteWholeFile(path, user), platform::SetTestReplaceCall(MovedAsideAndTaken);
             ReadDriverSettings(folder.Path(), nullptr), platform::SetTestReplaceCall(nullptr);
#endif
             std::filesystem::remove(path);
         }, keptSaid(keptHere, platform::CurrentProcessId()), ""},
        // An ended run's temporary holds no old text: the file is written as for a first job.
        {"an ended run's temporary",
         [&] { WriteWholeFile(path + ".kelmora-" + std::to_string(ended) + "-0.tmp", kAllKeys); },
         RecordingLogger::Line{}, kFreshIni, 2},
        // A second name that a run may still hold: named, and nothing written.
        {"a second name a run may still hold", [&] {
             WriteWholeFile(path, kAllKeys), std::filesystem::create_hard_link(path, leftover);
             platform::SetTestProcessOfAnotherUser(true);
         }, RecordingLogger::Line{1000, "ReadIniSettings: \"" + path + "\" is left as it is (\"" + preferred(leftover) +
             "\" is a second name of it that process " + std::to_string(ended) + " may still be writing; if no run is "
             "under way, remove \"" + preferred(leftover) + "\"); the keys it lacks take their defaults: "
             "HalftoneThreadCount"}, kAllKeys, 2},
#ifdef _WIN32
        // The replace call moved the old file aside and it could not be moved back: the log says where it is.
        {"the old file kept aside",
         [&] { WriteWholeFile(path, user), platform::SetTestReplaceCall(MovedAsideAndTaken); },
         RecordingLogger::Line{0, "ReadIniSettings: cannot write \"" + path +
                "\" (another program holds it open; the old \"" + path + "\" is kept as \"" +
                preferred(keptHere) + "\"); its missing keys are not added"}, "theirs", 2, 2},
#endif
        encoded("UTF-16 little-endian", "\xFF\xFE" + utf16(user, false)),
        encoded("UTF-16 big-endian", "\xFE\xFF" + utf16(user, true)),
        encoded("UTF-32 little-endian", std::string("\xFF\xFE\0\0", 4) + utf16(utf16(user, false), false)),
        encoded("UTF-32 big-endian", std::string("\0\0\xFE\xFF", 4) + utf16(utf16(user, true), true)),
        encoded("it holds NUL bytes", utf16(user, false)),
        encoded("it holds NUL bytes", user + std::string(1, '\0')),
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (const auto& entry : std::filesystem::directory_iterator(folder.Path())) std::filesystem::remove(entry);
        if (c.prepare) c.prepare(); else WriteWholeFile(path, c.after);
        // What would change a key of a file in another encoding is refused too.
        EXPECT_TRUE(c.prepare || !CIniFile::SetValue("AutoCleaning", "1", "Special", path));
        log.lines.clear();
        EXPECT_EQ(ReadDriverSettings(folder.Path(), &log).m_iHalftoneThreadCount, c.threads);
        platform::SetTestReplaceCall(nullptr), platform::SetTestProcessOfAnotherUser(false);
        EXPECT_EQ(log.lines, c.said.text.empty() ? std::vector<RecordingLogger::Line>{}
                                                 : std::vector<RecordingLogger::Line>{c.said});
        EXPECT_EQ(std::filesystem::is_regular_file(path) ? ReadWholeFile(path) : "", c.after);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), c.files);
    }
}

TEST(IniFile, KeepsCommentsCommentedOutEntriesAndOddLinesWhenRewritten) {
    ScratchFolder folder;
    const std::string path = folder.File("a.ini");
    const std::string head = "; about this file\r\ntop=1\n\n  [First]  \n#old = 5\nkey = value with spaces \n";
    const std::string tail = "just some words\n[Second]\n;[Third]\nx=\n; the end\n";
    WriteWholeFile(path, head + tail);
    ASSERT_TRUE(CIniFile::SetValue("added", "7", "First", path));
    // Every line the user wrote stays as written; only the new entry is added
    // (with the line end of the file's first line).
    EXPECT_EQ(ReadWholeFile(path), head + " added=7\r\n" + tail);

    EXPECT_EQ(CIniFile::GetValue("top", "", path), "1");
    EXPECT_EQ(CIniFile::GetValue("key", "First", path), "value with spaces");
    EXPECT_FALSE(CIniFile::RecordExists("old", "First", path));
    EXPECT_TRUE(CIniFile::RecordExists("x", "Second", path));
    EXPECT_FALSE(CIniFile::SectionExists("Third", path));
    EXPECT_EQ(CIniFile::GetValue("nothing", "First", path), "");

    // A value set to what its line holds leaves the line as the user wrote it.
    IniDocument doc;
    ASSERT_TRUE(CIniFile::Load(path, doc));
    CIniFile::SetValue(doc, "key", "value with spaces", "First");
    EXPECT_EQ(CIniFile::Format(doc), head + " added=7\r\n" + tail);
}

TEST(IniFile, SetValueReplacesOrAddsAndSectionCommentsEndInALineEnd) {
    ScratchFolder folder;
    const std::string path = folder.File("b.ini");
    EXPECT_FALSE(CIniFile::SetValue("k", "v", "S", path));  // no file
    WriteWholeFile(path, "");
    ASSERT_TRUE(CIniFile::SetValue("k", "v", "S", path));
    ASSERT_TRUE(CIniFile::SetValue("k", "w", "S", path));
    ASSERT_TRUE(CIniFile::SetValue("k", "1", "T", path));
    ASSERT_TRUE(CIniFile::SetSectionComments("; T's own", "T", path));
    EXPECT_FALSE(CIniFile::SetSectionComments("; none", "U", path));
    EXPECT_EQ(ReadWholeFile(path), " [S]\n k=w\n; T's own\n [T]\n k=1\n");
}

// "DaVav.ini" written by hand: the missing key and its comment line are added,
// and every line of the user's stays as it was.
TEST_F(DriverIni, AddingAMissingKeyKeepsTheUsersLines) {
    const std::string bom = "\xEF\xBB\xBF";
    const std::string autoCleaning = "; set AutoCleaning = 1 to enable AutoCleaning\n";
    const std::string debug =
        "[DebugTif]\nWriteInputTiff=1\nWriteInputTiffSep=0\nWriteOutputTiff=0\nWriteOutputTiffSep=0\n";
    const std::string special = "[Special]\nHalftoneThreadCount=0\nUseTimeForRandom=0";
    const std::string crlfHead = "; mine\r\n\r\n";
    const std::string crlfDebug =
        "[DebugTif]\r\nWriteInputTiff = 1\r\n  WriteInputTiffSep=0 \r\nWriteOutputTiffSep=0\r\n";
    const std::string crlfSpecial = "\r\n[Special]\r\n;UseNewTIL=1\r\nHalftoneThreadCount=0\r\nUseTimeForRandom=0\r\n"
                                    "AutoCleaning=0";
    const struct {
        const char* what;
        std::string user, expected;
        bool throughLink;  // the name is a symbolic link to the user's file
    } cases[] = {
        {"CR LF line ends", crlfHead + crlfDebug + crlfSpecial,
         crlfHead + "; set WriteOutputTiff=1 creates a TIF from the output data\r\n" + crlfDebug +
             " WriteOutputTiff=0\r\n" + crlfSpecial, false},
        {"a byte-order mark", bom + debug + special + "\n",
         bom + autoCleaning + debug + special + "\n AutoCleaning=0\n", false},
        {"no final line end", debug + special, autoCleaning + debug + special + "\n AutoCleaning=0\n", false},
#ifndef _WIN32
        {"a symbolic link", debug + special, autoCleaning + debug + special + "\n AutoCleaning=0\n", true},
#endif
    };
    for (const auto& c : cases) {
        std::filesystem::remove(path);
        if (c.throughLink) std::filesystem::create_symlink("user.ini", path);
        WriteWholeFile(c.throughLink ? folder.File("user.ini") : path, c.user);
        const DriverSettings s = ReadDriverSettings(folder.Path(), &log);
        EXPECT_EQ(s.m_bWriteInputTiff, 1) << c.what;
        EXPECT_EQ(s.m_iHalftoneThreadCount, 0) << c.what;
        EXPECT_EQ(ReadWholeFile(path), c.expected) << c.what;
        EXPECT_EQ(std::filesystem::is_symlink(path), c.throughLink) << c.what;
    }
    EXPECT_TRUE(log.lines.empty());
}

// A user saves the file between the job's writing of the keys it lacks and
// its check that the file is still the one it read: the job reads the user's
// text again and adds to it what it still lacks; a file that keeps changing
// is left to the user, and the log says which keys take their defaults.
TEST_F(DriverIni, AUsersSaveWhileTheJobAddsItsKeysIsKept) {
    const std::string threadComments =
        "; set HalftoneThreadCount=-1 enables parallel halftoning, by processor count (default)\n"
        ";     HalftoneThreadCount=0 disables parallel halftoning\n"
        ";     HalftoneThreadCount=2..8 enables parallel halftoning, as specified\n";
    std::string saved = kAllKeys;
    saved.replace(saved.find("AutoCleaning=0"), 14, "AutoCleaning = 1");
    const struct {
        const char* what;
        std::vector<std::string> saves;  // one at each of the job's writes
        bool inPlace;                    // the user's editor writes into the file, else renames a new one over it
        std::string expected;
        int threadCount, autoCleaning;
        std::string said;
    } cases[] = {
        {"one save", {saved}, false, threadComments + saved + " HalftoneThreadCount=-1\n", -1, 1, ""},
        {"one save in place", {saved}, true, threadComments + saved + " HalftoneThreadCount=-1\n", -1, 1, ""},
        {"a save that adds the key", {saved + "HalftoneThreadCount=2\n"}, false, saved + "HalftoneThreadCount=2\n", 2,
         1, ""},
        {"a save at every write", {saved, saved + "; 2\n", saved + "; 3\n"}, false, saved + "; 3\n", -1, 1,
         "ReadIniSettings: \"" + path + "\" is left as it is (it changed while it was being replaced); the keys "
         "it lacks take their defaults: HalftoneThreadCount"},
    };
    for (const auto& c : cases) {
        WriteWholeFile(path, kAllKeys);
        size_t writes = 0;
        platform::SetTestBeforeReplace([&](const std::string& name) {
            if (writes >= c.saves.size()) return;
            const std::string& text = c.saves[writes++];
            WriteWholeFile(c.inPlace ? name : name + ".saved", text);
            if (!c.inPlace) std::filesystem::rename(name + ".saved", name);
        });
        log.lines.clear();
        const DriverSettings s = ReadDriverSettings(folder.Path(), &log);
        platform::SetTestBeforeReplace(nullptr);
        EXPECT_EQ(ReadWholeFile(path), c.expected) << c.what;
        EXPECT_EQ(s.m_iHalftoneThreadCount, c.threadCount) << c.what;
        EXPECT_EQ(s.m_bAutoCleaning, c.autoCleaning) << c.what;
        std::vector<RecordingLogger::Line> said;
        if (!c.said.empty()) said.push_back({1000, c.said});
        EXPECT_EQ(log.lines, said) << c.what;
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 1) << c.what;
    }
}

// A key added is what makes the job write, not its comment lines; comment
// lines that end in CR LF keep their line ends in a CR LF file.
TEST_F(DriverIni, KeysAreAddedWithTheirCommentLinesAsTheyStand) {
    const struct {
        const char* what;
        const char* comments;
        std::string user, expected;
    } cases[] = {
        {"no comment lines", "", "[Special]\n", "[Special]\n Extra=1\n"},
        {"CR LF comment lines", "; one\r\n; two\n", "[DebugTif]\r\n[Special]\r\n",
         "; one\r\n; two\r\n[DebugTif]\r\n[Special]\r\n Extra=1\r\n"},
    };
    for (const auto& c : cases) {
        WriteWholeFile(path, c.user);
        const DriverSettings s = ReadIniSettings(
            path, &log, {{"Special", "Extra", &DriverSettings::m_bAutoCleaning, DriverIniKey::kFlag, "1", c.comments}});
        EXPECT_EQ(ReadWholeFile(path), c.expected) << c.what;
        EXPECT_EQ(s.m_bAutoCleaning, 0) << c.what;
    }
    EXPECT_TRUE(log.lines.empty());
}

}  // namespace
