// "DaVav.ini": the INI file reader, its look-ups and writer, and the driver
// settings read from it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz_support.h"
#include "services/driver_settings.h"
#include "services/ini_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = fuzzsupport::WriteInput("DaVav.ini", data, size);
    fuzzsupport::QuietLogger log;
    ReadIniSettings(path, &log);

    IniDocument doc;
    if (!CIniFile::Load(path, doc)) return 0;
    CIniFile::GetValue("HalftoneThreadCount", "Special", path);
    CIniFile::RecordExists("Debug", "Special", path);
    // Every byte read is written back as it was.
    const std::string text(reinterpret_cast<const char*>(data), size);
    IniDocument parsed;
    CIniFile::Parse(text, parsed);
    if (CIniFile::Format(parsed) != text) std::abort();
    // What was written reads back the same.
    const std::string copy = fuzzsupport::Folder() + "/copy.ini";
    if (CIniFile::Save(copy, doc)) {
        IniDocument again;
        if (!CIniFile::Load(copy, again)) std::abort();
    }
    CIniFile::SetValue("HalftoneThreadCount", "2", "Special", path);
    return 0;
}
