// A folder of its own under the system's temporary folder, removed with
// everything in it when the object goes.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

class TempFolder {
public:
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "kelmora-XXXXXX").string();
        if (mkdtemp(pattern.data())) m_path = pattern;
    }
    ~TempFolder() {
        std::error_code ignored;
        if (!m_path.empty()) std::filesystem::remove_all(m_path, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // The folder with its final '/'.
    std::string Path() const { return m_path.empty() ? std::string() : m_path + "/"; }

    std::string Write(const std::string& name, const std::string& text) const {
        const std::string file = Path() + name;
        std::ofstream(file, std::ios::binary) << text;
        return file;
    }

    std::string CopyIn(const std::string& from, const std::string& name) const {
        const std::string file = Path() + name;
        std::filesystem::copy_file(from, file, std::filesystem::copy_options::overwrite_existing);
        return file;
    }

private:
    std::string m_path;
};
