// A folder of its own under the system's temporary folder, removed with
// everything in it when the object goes.
#pragma once

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <system_error>

// Creates a new folder named prefix plus a random part under the system's
// temporary folder; empty when none could be made.
inline std::string MakeTempFolder(const std::string& prefix) {
    std::error_code error;
    const std::filesystem::path base = std::filesystem::temp_directory_path(error);
    if (error) return std::string();
    std::random_device seed;
    std::mt19937_64 random(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::filesystem::path candidate = base / (prefix + std::to_string(random() % 1000000000u));
        if (std::filesystem::create_directory(candidate, error)) return candidate.string();
    }
    return std::string();
}

class TempFolder {
public:
    TempFolder() : m_path(MakeTempFolder("kelmora-")) {}
    ~TempFolder() {
        std::error_code ignored;
        if (!m_path.empty()) std::filesystem::remove_all(m_path, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // The folder with its final separator.
    std::string Path() const {
        return m_path.empty() ? std::string() : m_path + static_cast<char>(std::filesystem::path::preferred_separator);
    }

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
