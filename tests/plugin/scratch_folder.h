// A private folder for one test, removed with everything in it afterwards;
// optionally also the pipe folder (KELMORA_PIPE_DIR) while it lives.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

class ScratchFolder {
public:
    explicit ScratchFolder(bool asPipeFolder = false) : m_asPipeFolder(asPipeFolder) {
        std::string pattern = (std::filesystem::temp_directory_path() / "kelmora-test-XXXXXX").string();
        if (mkdtemp(&pattern[0])) m_path = pattern;
        if (m_asPipeFolder) {
            const char* old = std::getenv("KELMORA_PIPE_DIR");
            m_hadPipeFolder = old != nullptr;
            if (old) m_oldPipeFolder = old;
            setenv("KELMORA_PIPE_DIR", m_path.c_str(), 1);
        }
    }
    ~ScratchFolder() {
        if (m_asPipeFolder) {
            if (m_hadPipeFolder) {
                setenv("KELMORA_PIPE_DIR", m_oldPipeFolder.c_str(), 1);
            } else {
                unsetenv("KELMORA_PIPE_DIR");
            }
        }
        std::error_code ignored;
        if (!m_path.empty()) std::filesystem::remove_all(m_path, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& Path() const { return m_path; }
    std::string File(const std::string& name) const { return m_path + "/" + name; }

private:
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
