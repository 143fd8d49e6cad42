#include "services/ini_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <exception>

#include "base/input_file.h"
#include "platform/files.h"
#include "platform/system.h"

namespace {

constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";
constexpr size_t kByteOrderMarkSize = sizeof kByteOrderMark - 1;

// What a text that is no 8-bit text is, for the user: a UTF-16 or UTF-32
// byte-order mark, or NUL bytes (UTF-16 without a mark); null for 8-bit text.
const char* OtherEncoding(const std::string& text) {
    const auto startsWith = [&text](const char* mark, size_t n) { return text.compare(0, n, mark, n) == 0; };
    if (startsWith("\xFF\xFE\0\0", 4)) return "UTF-32 little-endian";
    if (startsWith("\0\0\xFE\xFF", 4)) return "UTF-32 big-endian";
    if (startsWith("\xFF\xFE", 2)) return "UTF-16 little-endian";
    if (startsWith("\xFE\xFF", 2)) return "UTF-16 big-endian";
    if (text.find('\0') != std::string::npos) return "it holds NUL bytes";
    return nullptr;
}

bool IsActiveHeader(const IniEntry& e, const std::string& section) {
    return e.commentMark == ' ' && e.key.empty() && e.section == section;
}

bool IsActiveEntry(const IniEntry& e, const std::string& key, const std::string& section) {
    return e.commentMark == ' ' && !e.key.empty() && e.key == key && e.section == section;
}

// Reads a header or an entry from a trimmed line; false when it is neither.
bool ParseLine(const std::string& line, const std::string& currentSection, IniEntry* entry) {
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
        entry->section = CIniFile::Trim(line.substr(1, line.size() - 2));
        entry->key.clear();
        entry->value.clear();
        return true;
    }
    const size_t equals = line.find('=');
    if (equals == std::string::npos) return false;
    entry->key = CIniFile::Trim(line.substr(0, equals));
    if (entry->key.empty()) return false;
    entry->value = CIniFile::Trim(line.substr(equals + 1));
    entry->section = currentSection;
    return true;
}

// The line end of a file read into entries: CR LF when its first line ends
// so, else LF.
const char* LineEnd(const std::vector<IniEntry>& entries) {
    for (const IniEntry& e : entries) {
        for (const std::string* text : {&e.comments, &e.raw}) {
            const size_t end = text->find('\n');
            if (end != std::string::npos) return end > 0 && (*text)[end - 1] == '\r' ? "\r\n" : "\n";
        }
    }
    return "\n";
}

// Lines that end in LF ended as the file's lines end.
std::string WithLineEnds(const std::string& text, const char* eol) {
    if (eol[0] == '\n') return text;
    std::string out;
    for (char c : text) {
        if (c == '\n' && (out.empty() || out.back() != '\r')) out += '\r';
        out += c;
    }
    return out;
}

template <typename Match>
std::vector<IniEntry>::const_iterator FindIf(const std::vector<IniEntry>& entries, Match match) {
    return std::find_if(entries.begin(), entries.end(), match);
}

// Gives the section's header these comment lines (after its own ones when
// adding), each ending in the file's line end.
bool PutSectionComments(IniDocument& doc, const std::string& comments, const std::string& section, bool add) {
    for (IniEntry& e : doc.entries) {
        if (!IsActiveHeader(e, section)) continue;
        const char* eol = LineEnd(doc.entries);
        if (!add) e.comments.clear();
        e.comments += WithLineEnds(comments, eol);
        if (!e.comments.empty() && e.comments.back() != '\n') e.comments += eol;
        return true;
    }
    return false;
}

// Loads the file, lets change alter the document, and saves it when change
// says it altered something.
template <typename Change>
bool Update(const std::string& path, Change change) {
    IniDocument doc;
    if (!CIniFile::Load(path, doc)) return false;
    return change(doc) && CIniFile::Save(path, doc);
}

}  // namespace

std::string CIniFile::Trim(const std::string& text, const char* set, TrimSide side) {
    if (!set) return text;
    size_t first = 0;
    size_t last = text.size();
    if (side & kTrimLeft) {
        first = text.find_first_not_of(set);
        if (first == std::string::npos) return {};
    }
    if (side & kTrimRight) {
        const size_t end = text.find_last_not_of(set);
        if (end == std::string::npos) return {};
        last = end + 1;
    }
    return first < last ? text.substr(first, last - first) : std::string();
}

CIniFile::ReadResult CIniFile::Read(const std::string& path, IniDocument& doc, std::string* reason,
                                    platform::FileIdentity* identity) {
    const auto unreadable = [reason](const std::string& why) {
        if (reason) *reason = why;
        return ReadResult::kUnreadable;
    };
    if (identity) *identity = platform::FileIdentity();
    OpenedFile opened = OpenFileToRead(path);
    if (!opened) return opened.Missing() ? ReadResult::kMissing : unreadable(opened.Reason());
    // Before the bytes: a change while they are read changes the file's time.
    if (identity) *identity = platform::IdentityOfFile(opened.file.get());
    std::string text;
    try {
        char chunk[16384];
        size_t n = 0;
        while ((n = std::fread(chunk, 1, sizeof chunk, opened.file.get())) > 0) text.append(chunk, n);
        if (std::ferror(opened.file.get())) {
            const int error = errno ? errno : EIO;
            return unreadable("cannot be read (" + platform::ErrorText(error) + ")");
        }
        // Read as 8-bit text, such a file would lose its settings, and
        // written back it would be spoilt for good.
        if (const char* encoding = OtherEncoding(text)) {
            return unreadable(std::string("is in another encoding (") + encoding +
                              ") and must be saved as plain text (ANSI or UTF-8) for its settings to count");
        }
        Parse(text, doc);
    } catch (const std::exception&) {  // no memory for the text
        return unreadable("cannot be read (out of memory)");
    }
    return ReadResult::kRead;
}

bool CIniFile::Load(const std::string& path, IniDocument& doc) { return Read(path, doc) == ReadResult::kRead; }

void CIniFile::Parse(const std::string& text, IniDocument& doc) {
    doc = IniDocument();
    size_t at = 0;
    if (text.compare(0, kByteOrderMarkSize, kByteOrderMark) == 0) {
        doc.byteOrderMark = true;
        at = kByteOrderMarkSize;
    }
    std::string section;
    std::string comments;
    while (at < text.size()) {
        const size_t newline = text.find('\n', at);
        const size_t end = newline == std::string::npos ? text.size() : newline + 1;
        std::string raw = text.substr(at, end - at);  // the line as it stands in the file
        at = end;
        const std::string line = Trim(raw);
        IniEntry entry;
        bool parsed = false;  // a blank line stays with the comment lines
        if (line.empty()) {
        } else if (line[0] == '#' || line[0] == ';') {
            parsed = line.find_first_of("[=") != std::string::npos && ParseLine(Trim(line.substr(1)), section, &entry);
            if (parsed) entry.commentMark = line[0];
        } else {
            parsed = ParseLine(line, section, &entry);
            if (parsed && entry.key.empty()) section = entry.section;
        }
        if (!parsed) {
            comments += raw;
            continue;
        }
        entry.comments.swap(comments);
        entry.raw.swap(raw);
        doc.entries.push_back(std::move(entry));
    }
    if (!comments.empty()) {
        IniEntry trailing;
        trailing.commentMark = '\0';
        trailing.comments.swap(comments);
        doc.entries.push_back(std::move(trailing));
    }
}

std::string CIniFile::Format(const IniDocument& doc) {
    std::string out = doc.byteOrderMark ? kByteOrderMark : "";
    const char* eol = LineEnd(doc.entries);
    const auto atLineStart = [&out] { return out.empty() || out.back() == '\n' || out == kByteOrderMark; };
    for (const IniEntry& e : doc.entries) {
        if (!e.raw.empty()) {
            out += e.comments;
            out += e.raw;
            continue;
        }
        // A changed or added entry starts on a line of its own.
        if (!atLineStart() && !(e.comments.empty() && e.commentMark == '\0')) out += eol;
        out += e.comments;
        if (e.commentMark == '\0') continue;
        out += e.commentMark;
        out += e.key.empty() ? "[" + e.section + "]" : e.key + "=" + e.value;
        out += eol;
    }
    return out;
}

namespace {

// Replaces the file with the document's text: 0 or the replacement's code.
int Replace(const std::string& path, const IniDocument& doc, const platform::FileIdentity* expected,
            std::vector<platform::RemovedLeftover>* removed = nullptr, platform::ReplaceFailure* failure = nullptr) {
    std::string text;
    try {
        text = CIniFile::Format(doc);
    } catch (const std::exception&) {  // no memory for the text
        return ENOMEM;
    }
    return platform::ReplaceFileContents(path, text.data(), text.size(), expected, removed, failure);
}

}  // namespace

bool CIniFile::Save(const std::string& path, const IniDocument& doc, std::string* reason) {
    const int error = Replace(path, doc, nullptr);
    if (error != 0 && reason) *reason = platform::ReplaceErrorText(error);
    return error == 0;
}

int CIniFile::ReplaceIfUnchanged(const std::string& path, const IniDocument& doc, const platform::FileIdentity& read,
                                 std::vector<platform::RemovedLeftover>* removed, platform::ReplaceFailure* failure) {
    return Replace(path, doc, &read, removed, failure);
}

const IniEntry* CIniFile::Find(const IniDocument& doc, const std::string& key, const std::string& section) {
    const auto it = FindIf(doc.entries, [&](const IniEntry& e) { return IsActiveEntry(e, key, section); });
    return it != doc.entries.end() ? &*it : nullptr;
}

bool CIniFile::SectionExists(const IniDocument& doc, const std::string& section) {
    return FindIf(doc.entries, [&](const IniEntry& e) { return IsActiveHeader(e, section); }) != doc.entries.end();
}

void CIniFile::SetValue(IniDocument& doc, const std::string& key, const std::string& value,
                        const std::string& section) {
    if (key.empty()) return;  // that would be no entry
    std::vector<IniEntry>& entries = doc.entries;
    for (IniEntry& e : entries) {
        if (IsActiveEntry(e, key, section)) {
            if (e.value == value) return;
            e.value = value;
            e.raw.clear();
            return;
        }
    }
    IniEntry entry;
    entry.section = section;
    entry.key = key;
    entry.value = value;
    if (!SectionExists(doc, section)) {
        IniEntry header;
        header.section = section;
        // Comment lines left at the end of the file stay last.
        auto at = entries.end();
        if (!entries.empty() && entries.back().commentMark == '\0') --at;
        at = entries.insert(at, header);
        entries.insert(at + 1, entry);
        return;
    }
    auto last = entries.end();
    for (auto it = entries.begin(); it != entries.end(); ++it) {
        if (it->commentMark != '\0' && it->section == section) last = it;
    }
    entries.insert(last + 1, entry);
}

bool CIniFile::SetSectionComments(IniDocument& doc, const std::string& comments, const std::string& section) {
    return PutSectionComments(doc, comments, section, false);
}

bool CIniFile::AddSectionComments(IniDocument& doc, const std::string& comments, const std::string& section) {
    return PutSectionComments(doc, comments, section, true);
}

bool CIniFile::SectionExists(const std::string& section, const std::string& path) {
    IniDocument doc;
    return Load(path, doc) && SectionExists(doc, section);
}

bool CIniFile::RecordExists(const std::string& key, const std::string& section, const std::string& path) {
    IniDocument doc;
    return Load(path, doc) && Find(doc, key, section) != nullptr;
}

std::string CIniFile::GetValue(const std::string& key, const std::string& section, const std::string& path) {
    IniDocument doc;
    const IniEntry* entry = Load(path, doc) ? Find(doc, key, section) : nullptr;
    return entry ? entry->value : std::string();
}

bool CIniFile::SetValue(const std::string& key, const std::string& value, const std::string& section,
                        const std::string& path) {
    if (key.empty()) return false;
    IniDocument doc;
    if (!Load(path, doc)) return false;
    const IniEntry* before = Find(doc, key, section);
    if (before && before->value == value) return true;  // nothing to write
    SetValue(doc, key, value, section);
    return Save(path, doc);
}

bool CIniFile::SetSectionComments(const std::string& comments, const std::string& section, const std::string& path) {
    return Update(path, [&](IniDocument& doc) { return SetSectionComments(doc, comments, section); });
}

bool CIniFile::AddSectionComments(const std::string& comments, const std::string& section, const std::string& path) {
    return Update(path, [&](IniDocument& doc) { return AddSectionComments(doc, comments, section); });
}
