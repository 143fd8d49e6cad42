#include "services/driver_settings.h"

#include <cerrno>
#include <cstdlib>

#include "base/format.h"
#include "base/log_interface.h"
#include "services/ini_file.h"

namespace {

enum class Kind { Flag, ThreadCount };

struct IniKey {
    const char* section;
    const char* key;
    int32_t DriverSettings::*field;
    Kind kind;
    const char* writtenWhenMissing;  // null: not written
    const char* comments;
};

const IniKey kIniKeys[] = {
    {"DebugTif", "WriteInputTiff", &DriverSettings::m_bWriteInputTiff, Kind::Flag, "0",
     "; set WriteInputTiff=1 creates a TIF from the input data\n"},
    {"DebugTif", "WriteInputTiffSep", &DriverSettings::m_bWriteInputTiffSep, Kind::Flag, "0",
     "; set WriteInputTiffSep=1 creates separated TIFF's from the input data\n"
     ";     WriteInputTiffSep=0 creates one composite TIF\n"},
    {"DebugTif", "WriteOutputTiff", &DriverSettings::m_bWriteOutputTiff, Kind::Flag, "0",
     "; set WriteOutputTiff=1 creates a TIF from the output data\n"},
    {"DebugTif", "WriteOutputTiffSep", &DriverSettings::m_bWriteOutputTiffSep, Kind::Flag, "0",
     "; set WriteOutputTiffSep=1 creates separated TIFF's from the output data\n"
     ";     WriteOutputTiffSep=0 creates one composite TIF\n"},
    {"Special", "HalftoneThreadCount", &DriverSettings::m_iHalftoneThreadCount, Kind::ThreadCount, "-1",
     "; set HalftoneThreadCount=-1 enables parallel halftoning, by processor count (default)\n"
     ";     HalftoneThreadCount=0 disables parallel halftoning\n"
     ";     HalftoneThreadCount=2..8 enables parallel halftoning, as specified\n"},
    {"Special", "UseTimeForRandom", &DriverSettings::m_bUseTimeForRandom, Kind::Flag, "0",
     "; set UseTimeForRandom=1 to disable time for random data creation\n"},
    {"Special", "AutoCleaning", &DriverSettings::m_bAutoCleaning, Kind::Flag, "0",
     "; set AutoCleaning = 1 to enable AutoCleaning\n"},
    {"Special", "UseNewTIL", &DriverSettings::m_bUseNewTIL, Kind::Flag, nullptr, ""},
};

// The leading integer in decimal, hexadecimal or octal notation; -1 (and the
// log line) for no integer or one outside -1..8.
int32_t ParseThreadCount(const std::string& value, clLogFullInterface* logger) {
    const char* text = value.c_str();
    char* end = nullptr;
    errno = 0;
    const long n = std::strtol(text, &end, 0);
    if (end != text && errno == 0 && n >= -1 && n <= 8) return static_cast<int32_t>(n);
    if (logger) logger->Log(LOG_ERROR, "HalftoneThreadCount wrong entry");
    return -1;
}

}  // namespace

DriverSettings ReadIniSettings(const std::string& path, clLogFullInterface* logger) {
    DriverSettings settings;
    // The file is read once; a missing one is written with every key, and one
    // that cannot be read (a folder or a pipe under the name, a file without
    // read permission) is left as it is.
    IniDocument doc;
    std::string reason;
    if (CIniFile::Read(path, doc, &reason) == CIniFile::ReadResult::kUnreadable) {
        if (logger) {
            logger->Log(LOG_WARNING, "ReadIniSettings: \"%s\" %s; default settings used",
                        EscapeControlBytes(path).c_str(), reason.c_str());
        }
        return settings;
    }
    std::string comments;
    for (const IniKey& k : kIniKeys) {
        if (const IniEntry* entry = CIniFile::Find(doc, k.key, k.section)) {
            const std::string& value = entry->value;
            settings.*k.field = k.kind == Kind::Flag ? (value == "1" ? 1 : 0) : ParseThreadCount(value, logger);
        } else if (k.writtenWhenMissing) {  // the field keeps its default
            CIniFile::SetValue(doc, k.key, k.writtenWhenMissing, k.section);
            comments += k.comments;
        }
    }
    // A file that holds every key is not written.
    if (comments.empty()) return settings;
    CIniFile::AddSectionComments(doc, comments, "DebugTif");
    if (!CIniFile::Save(path, doc, &reason) && logger) {
        logger->Log(LOG_WARNING, "ReadIniSettings: cannot write \"%s\" (%s); its missing keys are not added",
                    EscapeControlBytes(path).c_str(), reason.c_str());
    }
    return settings;
}

std::string DriverSettingsPath(const std::string& installFolder) {
    return installFolder.empty() ? std::string() : installFolder + "/" + kDriverIniName;
}

DriverSettings ReadDriverSettings(const std::string& installFolder, clLogFullInterface* logger) {
    const std::string path = DriverSettingsPath(installFolder);
    if (path.empty()) {
        if (logger) logger->Log(LOG_WARNING, "ReadIniSettings: no install folder, default settings used");
        return DriverSettings{};
    }
    return ReadIniSettings(path, logger);
}
