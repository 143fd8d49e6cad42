#include "services/driver_settings.h"

#include <cerrno>
#include <cstdlib>

#include "base/format.h"
#include "base/log_interface.h"
#include "platform/files.h"
#include "services/ini_file.h"

namespace {

const std::vector<DriverIniKey> kIniKeys = {
    {"DebugTif", "WriteInputTiff", &DriverSettings::m_bWriteInputTiff, DriverIniKey::kFlag, "0",
     "; set WriteInputTiff=1 creates a TIF from the input data\n"},
    {"DebugTif", "WriteInputTiffSep", &DriverSettings::m_bWriteInputTiffSep, DriverIniKey::kFlag, "0",
     "; set WriteInputTiffSep=1 creates separated TIFF's from the input data\n"
     ";     WriteInputTiffSep=0 creates one composite TIF\n"},
    {"DebugTif", "WriteOutputTiff", &DriverSettings::m_bWriteOutputTiff, DriverIniKey::kFlag, "0",
     "; set WriteOutputTiff=1 creates a TIF from the output data\n"},
    {"DebugTif", "WriteOutputTiffSep", &DriverSettings::m_bWriteOutputTiffSep, DriverIniKey::kFlag, "0",
     "; set WriteOutputTiffSep=1 creates separated TIFF's from the output data\n"
     ";     WriteOutputTiffSep=0 creates one composite TIF\n"},
    {"Special", "HalftoneThreadCount", &DriverSettings::m_iHalftoneThreadCount, DriverIniKey::kThreadCount, "-1",
     "; set HalftoneThreadCount=-1 enables parallel halftoning, by processor count (default)\n"
     ";     HalftoneThreadCount=0 disables parallel halftoning\n"
     ";     HalftoneThreadCount=2..8 enables parallel halftoning, as specified\n"},
    {"Special", "UseTimeForRandom", &DriverSettings::m_bUseTimeForRandom, DriverIniKey::kFlag, "0",
     "; set UseTimeForRandom=1 to disable time for random data creation\n"},
    {"Special", "AutoCleaning", &DriverSettings::m_bAutoCleaning, DriverIniKey::kFlag, "0",
     "; set AutoCleaning = 1 to enable AutoCleaning\n"},
    {"Special", "UseNewTIL", &DriverSettings::m_bUseNewTIL, DriverIniKey::kFlag, nullptr, ""},
};

// How many times a job reads a file that keeps changing under it before it
// leaves the file as it is.
constexpr int kReads = 3;

// The leading integer in decimal, hexadecimal or octal notation; -1 (and
// *wrong set) for no integer or one outside -1..8.
int32_t ParseThreadCount(const std::string& value, bool* wrong) {
    const char* text = value.c_str();
    char* end = nullptr;
    errno = 0;
    const long n = std::strtol(text, &end, 0);
    if (end != text && errno == 0 && n >= -1 && n <= 8) return static_cast<int32_t>(n);
    *wrong = true;
    return -1;
}

// A file's name in the log: quoted, its control bytes escaped.
std::string Quoted(const std::string& path) { return "\"" + EscapeControlBytes(path) + "\""; }

// A missing file whose old text an ended run kept beside it: logged, and
// nothing written over the user's settings (the defaults hold for this job).
bool KeptElsewhere(const std::string& path, clLogFullInterface* logger) {
    const std::vector<platform::RemovedLeftover> kept = platform::KeptByEndedRuns(path);
    if (kept.empty()) return false;
    if (logger) {
        for (const platform::RemovedLeftover& file : kept) {
            logger->Log(LOG_ERROR, "ReadIniSettings: %s is missing, and %s beside it holds its old text, kept there by "
                        "an interrupted run (process %u); default settings used and no file written: rename %s to %s "
                        "for its settings to count, or remove it", Quoted(path).c_str(), Quoted(file.path).c_str(),
                        static_cast<unsigned>(file.process), Quoted(file.path).c_str(), Quoted(path).c_str());
        }
    }
    return true;
}

}  // namespace

DriverSettings ReadIniSettings(const std::string& path, clLogFullInterface* logger) {
    return ReadIniSettings(path, logger, kIniKeys);
}

DriverSettings ReadIniSettings(const std::string& path, clLogFullInterface* logger,
                               const std::vector<DriverIniKey>& keys) {
    std::vector<platform::RemovedLeftover> removed;  // over every read
    for (int read = 1;; ++read) {
        DriverSettings settings;
        // A missing file is written with every key, and one that cannot be
        // read (a folder or a pipe under the name, a file without read
        // permission) is left as it is.
        IniDocument doc;
        std::string reason;
        platform::FileIdentity identity;
        const CIniFile::ReadResult result = CIniFile::Read(path, doc, &reason, &identity);
        if (result == CIniFile::ReadResult::kMissing && KeptElsewhere(path, logger)) return settings;
        if (result == CIniFile::ReadResult::kUnreadable) {
            if (logger) {
                logger->Log(LOG_WARNING, "ReadIniSettings: \"%s\" %s; default settings used",
                            EscapeControlBytes(path).c_str(), reason.c_str());
            }
            return settings;
        }
        std::string comments, added;
        bool wrongThreadCount = false;
        for (const DriverIniKey& k : keys) {
            if (const IniEntry* entry = CIniFile::Find(doc, k.key, k.section)) {
                const std::string& value = entry->value;
                settings.*k.field =
                    k.kind == DriverIniKey::kFlag ? (value == "1" ? 1 : 0) : ParseThreadCount(value, &wrongThreadCount);
            } else if (k.writtenWhenMissing) {  // the field keeps its default
                CIniFile::SetValue(doc, k.key, k.writtenWhenMissing, k.section);
                comments += k.comments;
                added += (added.empty() ? "" : ", ") + std::string(k.key);
            }
        }
        // Written only when a key was added: a file that holds every key is
        // never rewritten.
        int error = 0;
        platform::ReplaceFailure failure;
        if (!added.empty()) {
            if (!comments.empty()) CIniFile::AddSectionComments(doc, comments, "DebugTif");
            error = CIniFile::ReplaceIfUnchanged(path, doc, identity, &removed, &failure);
            // Saved by someone else meanwhile: their text, with what it still lacks.
            if (error == platform::kReplaceChanged && read < kReads) continue;
        }
        if (!logger) return settings;
        for (const platform::RemovedLeftover& gone : removed) {
            logger->Log(LOG_INFO, "ReadIniSettings: removed \"%s\", a second name of \"%s\" that an interrupted run "
                        "(process %u) left", EscapeControlBytes(gone.path).c_str(), EscapeControlBytes(path).c_str(),
                        static_cast<unsigned>(gone.process));
        }
        if (wrongThreadCount) logger->Log(LOG_ERROR, "HalftoneThreadCount wrong entry");
        // The old text kept under another name is the user's to move back: an error.
        const int level = failure.kept.empty() ? LOG_WARNING : LOG_ERROR;
        const std::string why = platform::ReplaceErrorText(error, path, failure, Quoted);
        if (error > 0 || !failure.kept.empty()) {
            logger->Log(level, "ReadIniSettings: cannot write \"%s\" (%s); its missing keys are not added",
                        EscapeControlBytes(path).c_str(), why.c_str());
        } else if (error < 0) {
            logger->Log(level, "ReadIniSettings: \"%s\" is left as it is (%s); the keys it lacks take their "
                        "defaults: %s", EscapeControlBytes(path).c_str(), why.c_str(), added.c_str());
        }
        return settings;
    }
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
