// A small INI reader and writer. It keeps no state: every operation loads the
// whole file and, when it changes something, saves it whole again.
//
// Reading: lines are trimmed of " \t\n\r" for parsing, and blank ones are
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
// line ends so, else LF).
#pragma once

#include <string>
#include <vector>

struct IniEntry {
    std::string comments;   // comment lines before the entry, each ending in its line end
    char commentMark = ' '; // ' ' active, '#' or ';' commented out, '\0' comment lines only (end of file)
    std::string section;
    std::string key;  // empty for a section header
    std::string value;
    std::string raw;  // the line as read, with its line end; empty for an entry changed or added
};

class CIniFile {
public:
    virtual ~CIniFile() = default;

    enum TrimSide { kTrimLeft = 1, kTrimRight = 2, kTrimBoth = 3 };

    // False when the file cannot be opened.
    static bool Load(const std::string& path, std::vector<IniEntry>& entries);
    // Replaces the file; false when it cannot be created.
    static bool Save(const std::string& path, const std::vector<IniEntry>& entries);

    static bool SectionExists(const std::string& section, const std::string& path);
    static bool RecordExists(const std::string& key, const std::string& section, const std::string& path);
    // The value, or an empty text.
    static std::string GetValue(const std::string& key, const std::string& section, const std::string& path);
    // Sets the value of the active entry, or adds the entry at the end of its
    // section (and the section at the end of the file when it is missing).
    static bool SetValue(const std::string& key, const std::string& value, const std::string& section,
                         const std::string& path);
    // Gives the section's header these comment lines.
    static bool SetSectionComments(const std::string& comments, const std::string& section, const std::string& path);
    // Adds these comment lines just before the section's header, after the
    // comment lines it has.
    static bool AddSectionComments(const std::string& comments, const std::string& section, const std::string& path);

    static std::string Trim(const std::string& text, const char* set = " \t\n\r", TrimSide side = kTrimBoth);
};
