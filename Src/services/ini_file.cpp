#include "services/ini_file.h"

#include <algorithm>
#include <fstream>

#include "base/input_file.h"

namespace {

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
bool PutSectionComments(const std::string& comments, const std::string& section, const std::string& path,
                        bool add) {
    std::vector<IniEntry> entries;
    if (!CIniFile::Load(path, entries)) return false;
    for (IniEntry& e : entries) {
        if (!IsActiveHeader(e, section)) continue;
        const char* eol = LineEnd(entries);
        if (!add) e.comments.clear();
        e.comments += WithLineEnds(comments, eol);
        if (!e.comments.empty() && e.comments.back() != '\n') e.comments += eol;
        return CIniFile::Save(path, entries);
    }
    return false;
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

bool CIniFile::Load(const std::string& path, std::vector<IniEntry>& entries) {
    if (!IsRegularFile(path)) return false;  // a folder or a pipe is no INI file
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    entries.clear();
    std::string section;
    std::string comments;
    std::string raw;
    while (std::getline(in, raw)) {
        const std::string line = Trim(raw);
        if (!in.eof()) raw += '\n';  // the line as it stands in the file
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
        entry.raw = raw;
        entries.push_back(std::move(entry));
    }
    if (!comments.empty()) {
        IniEntry trailing;
        trailing.commentMark = '\0';
        trailing.comments.swap(comments);
        entries.push_back(std::move(trailing));
    }
    return true;
}

bool CIniFile::Save(const std::string& path, const std::vector<IniEntry>& entries) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    const char* eol = LineEnd(entries);
    bool atLineStart = true;
    const auto put = [&](const std::string& text) {
        if (text.empty()) return;
        out << text;
        atLineStart = text.back() == '\n';
    };
    for (const IniEntry& e : entries) {
        if (!e.raw.empty()) {
            put(e.comments);
            put(e.raw);
            continue;
        }
        // A changed or added entry starts on a line of its own.
        if (!atLineStart && !(e.comments.empty() && e.commentMark == '\0')) put(eol);
        put(e.comments);
        if (e.commentMark == '\0') continue;
        std::string line(1, e.commentMark);
        line += e.key.empty() ? "[" + e.section + "]" : e.key + "=" + e.value;
        put(line + eol);
    }
    out.flush();
    return static_cast<bool>(out);
}

bool CIniFile::SectionExists(const std::string& section, const std::string& path) {
    std::vector<IniEntry> entries;
    if (!Load(path, entries)) return false;
    return FindIf(entries, [&](const IniEntry& e) { return IsActiveHeader(e, section); }) != entries.end();
}

bool CIniFile::RecordExists(const std::string& key, const std::string& section, const std::string& path) {
    std::vector<IniEntry> entries;
    if (!Load(path, entries)) return false;
    return FindIf(entries, [&](const IniEntry& e) { return IsActiveEntry(e, key, section); }) != entries.end();
}

std::string CIniFile::GetValue(const std::string& key, const std::string& section, const std::string& path) {
    std::vector<IniEntry> entries;
    if (!Load(path, entries)) return {};
    const auto it = FindIf(entries, [&](const IniEntry& e) { return IsActiveEntry(e, key, section); });
    return it != entries.end() ? it->value : std::string();
}

bool CIniFile::SetValue(const std::string& key, const std::string& value, const std::string& section,
                        const std::string& path) {
    if (key.empty()) return false;
    std::vector<IniEntry> entries;
    if (!Load(path, entries)) return false;
    for (IniEntry& e : entries) {
        if (IsActiveEntry(e, key, section)) {
            if (e.value == value) return true;
            e.value = value;
            e.raw.clear();
            return Save(path, entries);
        }
    }
    IniEntry entry;
    entry.section = section;
    entry.key = key;
    entry.value = value;
    if (FindIf(entries, [&](const IniEntry& e) { return IsActiveHeader(e, section); }) == entries.end()) {
        IniEntry header;
        header.section = section;
        // Comment lines left at the end of the file stay last.
        auto at = entries.end();
        if (!entries.empty() && entries.back().commentMark == '\0') --at;
        at = entries.insert(at, header);
        entries.insert(at + 1, entry);
        return Save(path, entries);
    }
    auto last = entries.end();
    for (auto it = entries.begin(); it != entries.end(); ++it) {
        if (it->commentMark != '\0' && it->section == section) last = it;
    }
    entries.insert(last + 1, entry);
    return Save(path, entries);
}

bool CIniFile::SetSectionComments(const std::string& comments, const std::string& section, const std::string& path) {
    return PutSectionComments(comments, section, path, false);
}

bool CIniFile::AddSectionComments(const std::string& comments, const std::string& section, const std::string& path) {
    return PutSectionComments(comments, section, path, true);
}
