// A private folder for one test, removed with everything in it afterwards;
// optionally also the pipe folder (KELMORA_PIPE_DIR) while it lives.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/temp_folder.h"

class ScratchFolder {
public:
    explicit ScratchFolder(bool asPipeFolder = false)
        : m_path(MakeTempFolder("kelmora-test-")), m_asPipeFolder(asPipeFolder) {
        if (m_asPipeFolder) {
            const char* old = std::getenv("KELMORA_PIPE_DIR");
            m_hadPipeFolder = old != nullptr;
            if (old) m_oldPipeFolder = old;
            SetPipeFolder(m_path.c_str());
        }
    }
    ~ScratchFolder() {
        if (m_asPipeFolder) SetPipeFolder(m_hadPipeFolder ? m_oldPipeFolder.c_str() : nullptr);
        std::error_code ignored;
        if (!m_path.empty()) std::filesystem::remove_all(m_path, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& Path() const { return m_path; }
    std::string File(const std::string& name) const { return m_path + "/" + name; }

private:
    // Sets KELMORA_PIPE_DIR, or removes it for null.
    static void SetPipeFolder(const char* folder) {
#ifdef _WIN32
        _putenv_s("KELMORA_PIPE_DIR", folder ? folder : "");
#else
        if (folder) {
            setenv("KELMORA_PIPE_DIR", folder, 1);
        } else {
            unsetenv("KELMORA_PIPE_DIR");
        }
#endif
    }

    std::string m_path;
    bool m_asPipeFolder;
    bool m_hadPipeFolder = false;
    std::string m_oldPipeFolder;
};

inline std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteWholeFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}
