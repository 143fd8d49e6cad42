// "DaVav.ini": the INI file reader, its look-ups and writer, and the driver
// settings read from it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "fuzz_support.h"
#include "services/driver_settings.h"
#include "services/ini_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = fuzzsupport::WriteInput("DaVav.ini", data, size);
    fuzzsupport::QuietLogger log;
    ReadIniSettings(path, &log);

    std::vector<IniEntry> entries;
    if (!CIniFile::Load(path, entries)) return 0;
    CIniFile::GetValue("HalftoneThreadCount", "Special", path);
    CIniFile::RecordExists("Debug", "Special", path);
    // What was written reads back the same.
    const std::string copy = fuzzsupport::Folder() + "/copy.ini";
    if (CIniFile::Save(copy, entries)) {
        std::vector<IniEntry> again;
        if (!CIniFile::Load(copy, again)) std::abort();
    }
    CIniFile::SetValue("HalftoneThreadCount", "2", "Special", path);
    return 0;
}
