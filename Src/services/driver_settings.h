// Driver tuning from "DaVav.ini" in the installation folder. Keys that are
// missing are written back with their default and explanatory comments, so a
// fresh installation gets a self-documenting file on its first job.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class clLogFullInterface;

constexpr const char* kDriverIniName = "DaVav.ini";

struct DriverSettings {
    int32_t m_bWriteInputTiff = 0;
    int32_t m_bWriteInputTiffSep = 0;
    int32_t m_bWriteOutputTiff = 0;
    int32_t m_bWriteOutputTiffSep = 0;
    int32_t m_iHalftoneThreadCount = -1;  // -1 by processor count, 0 off, 2..8 as given
    // Also 0 on the job that writes the missing key, like every later job.
    int32_t m_bUseTimeForRandom = 0;
    int32_t m_bAutoCleaning = 0;
    int32_t m_bUseNewTIL = 0;
};

// Reads the INI file at path and, when keys are missing, writes it whole
// with them added (see CIniFile::ReplaceIfUnchanged). A file that changed
// since it was read (a user saved it meanwhile) is read again and the keys it
// still lacks added to that, a few times at most. A file that cannot be read,
// or that is no 8-bit text (UTF-16, say), is left alone and leaves the
// defaults; one that cannot be written, or that
// a new file cannot stand in for (see platform::FileReplacement), is left as
// it is with the values read and the defaults of the keys it lacks. Each,
// and a wrong HalftoneThreadCount, is logged.
DriverSettings ReadIniSettings(const std::string& path, clLogFullInterface* logger);

// Where a job reads its driver settings: "DaVav.ini" in the installation
// folder; empty without an installation folder (no file is read then).
std::string DriverSettingsPath(const std::string& installFolder);

// One key of the file: where it stands, the field it fills, how its value
// reads, the value written when it is missing (null: not written) and the
// comment lines written with it.
struct DriverIniKey {
    enum Kind { kFlag, kThreadCount };
    const char* section;
    const char* key;
    int32_t DriverSettings::*field;
    Kind kind;
    const char* writtenWhenMissing;
    const char* comments;
};

// ReadIniSettings over another list of keys (the tests' own).
DriverSettings ReadIniSettings(const std::string& path, clLogFullInterface* logger,
                               const std::vector<DriverIniKey>& keys);

// The settings of the installation folder's "DaVav.ini". Without an
// installation folder the defaults are used, no file is written, and that is logged.
DriverSettings ReadDriverSettings(const std::string& installFolder, clLogFullInterface* logger);
