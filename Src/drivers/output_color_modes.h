// The output colour modes ("Output/Prn/Printer/OutputColorMode") a printer
// family serves. Each family keeps its list beside the colour set-up that
// reads the mode; OpenJob refuses a job whose mode is not on its family's
// list, before the family writes anything.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class OutputColorModes {
public:
    template <size_t N>
    constexpr explicit OutputColorModes(const int32_t (&modes)[N]) : m_modes(modes), m_count(N) {}

    bool Serves(int32_t mode) const;
    std::string List() const;  // "4, 6"

private:
    const int32_t* m_modes;
    size_t m_count;
};
