// A small INI reader and writer. A file is read whole into an IniDocument,
// changed in memory, and written whole again; the operations that take a
// path do the three steps at once.
//
// Reading: the file is 8-bit text (ANSI or UTF-8); a UTF-8 byte-order mark
// at the start is skipped (and written back). A file that starts with a
// UTF-16 or UTF-32 byte-order mark, or holds NUL bytes, is not read at all,
// so it is never written either.
// Lines are trimmed of " \t\n\r" for parsing, and blank ones are
// kept as comment lines. "[name]"
// opens a section, "key=value" is an entry of the current section (key and
// value trimmed). A line starting with '#' or ';' that reads as a header or an
// entry once that mark is removed is a commented-out entry: it is kept and
// written back, but no lookup sees it and it opens no section. Other lines
// starting with '#' or ';', and any other line that is neither header nor
// entry, are comment lines of the next entry, written back as they stand.
//
// Writing: every line read is written back as it was read (spacing and line
// ends included) unless its entry was changed. A changed or added entry is
// written as its comments, then its mark (' ' for an active entry), then
// "[section]" or "key=value", then the file's line end (CR LF when its first
// line ends so, else LF); it always starts on a line of its own. The whole
// text replaces the file through platform::ReplaceFileContents: the file
// holds either its old text or the new one, never a part, and a file that a
// new one cannot stand in for is left as it is.
#pragma once

#include <string>
#include <vector>

#include "platform/files.h"

struct IniEntry {
    std::string comments;   // comment lines before the entry, each ending in its line end
    char commentMark = ' '; // ' ' active, '#' or ';' commented out, '\0' comment lines only (end of file)
    std::string section;
    std::string key;  // empty for a section header
    std::string value;
    std::string raw;  // the line as read, with its line end; empty for an entry changed or added
};

// A whole INI file.
struct IniDocument {
    bool byteOrderMark = false;  // the text begins with a UTF-8 byte-order mark
    std::vector<IniEntry> entries;
};

class CIniFile {
public:
    virtual ~CIniFile() = default;

    enum TrimSide { kTrimLeft = 1, kTrimRight = 2, kTrimBoth = 3 };
    enum class ReadResult { kRead, kMissing, kUnreadable };

    // Reads the file into doc: kMissing when nothing is under the name,
    // kUnreadable (with the reason, to follow the quoted name, in *reason)
    // when a folder, a FIFO, a file that cannot be opened or read, or a file
    // in another encoding than 8-bit text is. The
    // file read is *identity (exists false when missing), for
    // ReplaceIfUnchanged.
    static ReadResult Read(const std::string& path, IniDocument& doc, std::string* reason = nullptr,
                           platform::FileIdentity* identity = nullptr);
    // The same; false when the file cannot be read.
    static bool Load(const std::string& path, IniDocument& doc);
    // Replaces the file with the document's text (see above); false, with
    // the reason in *reason, when it cannot be written, and then the file is
    // left as it was.
    static bool Save(const std::string& path, const IniDocument& doc, std::string* reason = nullptr);
    // The same while the name still leads to the file read as read: 0, or
    // the code of platform::ReplaceFileContents (kReplaceChanged when it does
    // not), and then the file is left as it is. The names that interrupted
    // runs left for the file and that were removed are added to *removed;
    // what a failure leaves to be told is put in *failure.
    static int ReplaceIfUnchanged(const std::string& path, const IniDocument& doc,
                                  const platform::FileIdentity& read,
                                  std::vector<platform::RemovedLeftover>* removed = nullptr,
                                  platform::ReplaceFailure* failure = nullptr);

    static void Parse(const std::string& text, IniDocument& doc);
    static std::string Format(const IniDocument& doc);

    // In memory. The active entry, or null.
    static const IniEntry* Find(const IniDocument& doc, const std::string& key, const std::string& section);
    static bool SectionExists(const IniDocument& doc, const std::string& section);
    // Sets the value of the active entry, or adds the entry at the end of its
    // section (and the section at the end of the file when it is missing).
    static void SetValue(IniDocument& doc, const std::string& key, const std::string& value,
                         const std::string& section);
    // Gives the section's header these comment lines (after the ones it has
    // when adding); false when the section has no header.
    static bool SetSectionComments(IniDocument& doc, const std::string& comments, const std::string& section);
    static bool AddSectionComments(IniDocument& doc, const std::string& comments, const std::string& section);

    // The same on the file at path: each loads it, and a change saves it.
    static bool SectionExists(const std::string& section, const std::string& path);
    static bool RecordExists(const std::string& key, const std::string& section, const std::string& path);
    // The value, or an empty text.
    static std::string GetValue(const std::string& key, const std::string& section, const std::string& path);
    static bool SetValue(const std::string& key, const std::string& value, const std::string& section,
                         const std::string& path);
    static bool SetSectionComments(const std::string& comments, const std::string& section, const std::string& path);
    static bool AddSectionComments(const std::string& comments, const std::string& section, const std::string& path);

    static std::string Trim(const std::string& text, const char* set = " \t\n\r", TrimSide side = kTrimBoth);
};
