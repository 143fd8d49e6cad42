// The current folder for as long as a guard lives, whatever ends its scope
// (a failed assertion too): the folder before comes back afterwards, so that
// no test runs on in another test's folder.
#pragma once

#include <filesystem>
#include <system_error>

class CurrentFolder {
public:
    explicit CurrentFolder(const std::filesystem::path& path) : m_before(std::filesystem::current_path()) {
        std::filesystem::current_path(path);
    }
    ~CurrentFolder() {
        std::error_code ignored;
        std::filesystem::current_path(m_before, ignored);
    }
    CurrentFolder(const CurrentFolder&) = delete;
    CurrentFolder& operator=(const CurrentFolder&) = delete;

private:
    std::filesystem::path m_before;
};
