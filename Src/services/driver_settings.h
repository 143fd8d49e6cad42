// Driver tuning from "DaVav.ini" in the installation folder. Keys that are
// missing are written back with their default and explanatory comments, so a
// fresh installation gets a self-documenting file on its first job.
#pragma once

#include <cstdint>
#include <string>

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

// Reads the INI file at path once and, when keys are missing, writes it
// whole with them added (see CIniFile::Save). A file that cannot be read is
// left alone and leaves the defaults; one that cannot be written leaves the
// values read. Both, and a wrong HalftoneThreadCount, are logged.
DriverSettings ReadIniSettings(const std::string& path, clLogFullInterface* logger);

// Where a job reads its driver settings: "DaVav.ini" in the installation
// folder; empty without an installation folder (no file is read then).
std::string DriverSettingsPath(const std::string& installFolder);

// The settings of the installation folder's "DaVav.ini". Without an
// installation folder the defaults are used, no file is written, and that is logged.
DriverSettings ReadDriverSettings(const std::string& installFolder, clLogFullInterface* logger);
