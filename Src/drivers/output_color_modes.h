// The output colour modes ("Output/Prn/Printer/OutputColorMode") a printer
// family serves. Each family keeps its list beside the colour set-up that
// reads the mode. OpenJob takes the modes the catalogue offers for the
// job's model, and a family's list for a model the catalogue does not list.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class OutputColorModes {
public:
    template <size_t N>
    constexpr explicit OutputColorModes(const int32_t (&modes)[N]) : m_modes(modes), m_count(N) {}

    bool Serves(int32_t mode) const;
    std::string List() const;  // "4, 6"
    std::vector<int32_t> Values() const { return std::vector<int32_t>(m_modes, m_modes + m_count); }

private:
    const int32_t* m_modes;
    size_t m_count;
};
