// Shared pieces of the fuzz targets: the input written to a file of this
// process (the readers take paths), a logger that drops every line, and the
// stand-in linearisation library loaded for the whole process, as the
// family tests do.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

#include "base/log_interface.h"
#include "platform/dynamic_library.h"

namespace fuzzsupport {

// A folder of this process, removed at exit: in memory (/dev/shm) where
// there is one, since every input is written to a file and a disk's file
// truncation costs milliseconds; else under the temporary folder.
inline const std::string& Folder() {
    struct Scratch {
        Scratch() {
            std::error_code error;
            const std::filesystem::path base = std::filesystem::is_directory("/dev/shm", error)
                                                   ? std::filesystem::path("/dev/shm")
                                                   : std::filesystem::temp_directory_path();
            const auto folder = base / ("kelmora-fuzz-" + std::to_string(static_cast<unsigned long>(::getpid())));
            std::filesystem::create_directories(folder);
            path = folder.string();
        }
        ~Scratch() {
            std::error_code ignored;
            std::filesystem::remove_all(path, ignored);
        }
        std::string path;
    };
    static const Scratch scratch;
    return scratch.path;
}

// Writes the bytes to the named file of the folder; its path.
inline std::string WriteInput(const std::string& name, const uint8_t* data, size_t size) {
    const std::string path = Folder() + "/" + name;
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(data),
                                                                  static_cast<std::streamsize>(size));
    return path;
}

// Takes every line and keeps none; formats them all, so that a bad format
// argument is found too.
class QuietLogger : public clLogFullInterface {
public:
    void LogV(int, const char* format, va_list args) override {
        std::string text;
        FormatStringV(text, format, args);
    }
    void Log(int level, const char* format, ...) override {
        va_list args;
        va_start(args, format);
        LogV(level, format, args);
        va_end(args);
    }
    bool IsEnabled(int) override { return true; }
    int GetLevel() override { return 4; }
    void SetLevel(int) override {}
    void LogModuleV(const char*, int level, const char* format, va_list args) override { LogV(level, format, args); }
};

// The halftoner and the RGB-table reader find the stand-in library among the
// loaded ones.
inline void PreloadEpl() {
    static const bool loaded = [] {
        platform::DynamicLibrary epl;
        if (!epl.LoadFile(KELMORA_EPL_PATH)) std::abort();
        epl.KeepLoadedForProcess();
        return true;
    }();
    (void)loaded;
}

}  // namespace fuzzsupport
