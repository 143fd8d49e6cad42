#include "drivers/output_color_modes.h"

bool OutputColorModes::Serves(int32_t mode) const {
    for (size_t i = 0; i < m_count; ++i) {
        if (m_modes[i] == mode) return true;
    }
    return false;
}

std::string OutputColorModes::List() const {
    std::string text;
    for (size_t i = 0; i < m_count; ++i) text += (i == 0 ? "" : ", ") + std::to_string(m_modes[i]);
    return text;
}
