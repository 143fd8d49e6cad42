#include "halftone/bit_converters.h"

#include <cstddef>

void clBIT_CONVERTER::Convert(uint8_t** /*data*/, uint64_t* /*length*/) {}

clVDS2_CONVERTER::clVDS2_CONVERTER(int32_t resolutionX) {
    static constexpr uint8_t kBelow1440[4] = {0, 2, 3, 0};
    static constexpr uint8_t kFrom1440[4] = {0, 1, 3, 0};
    const uint8_t* map = resolutionX < 1440 ? kBelow1440 : kFrom1440;
    for (int b = 0; b < 256; ++b) {
        m_Table[b] = static_cast<uint8_t>((map[(b >> 6) & 3] << 6) | (map[(b >> 4) & 3] << 4) |
                                          (map[(b >> 2) & 3] << 2) | map[b & 3]);
    }
}

void clVDS2_CONVERTER::Convert(uint8_t** data, uint64_t* length) {
    if (!data || !*data || !length || *length == 0) return;
    const uint8_t* in = *data;
    const size_t n = static_cast<size_t>(*length);
    m_Output.Resize(n);
    for (size_t i = 0; i < n; ++i) m_Output[i] = m_Table[in[i]];
    *data = m_Output.data();
    *length = m_Output.size();
}
