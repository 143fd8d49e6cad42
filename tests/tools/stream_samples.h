// Printer output files written byte by byte for the decoder tests.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace samples {

using Bytes = std::vector<uint8_t>;

inline Bytes B(std::initializer_list<int> values) {
    Bytes out;
    for (int v : values) out.push_back(uint8_t(v));
    return out;
}

inline Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
    return out;
}

// The file image of records: u32 tag, u32 size (little-endian), data.
class Stream {
public:
    Stream& Add(uint32_t tag, const Bytes& data = {}) {
        for (uint32_t v : {tag, uint32_t(data.size())}) {
            for (int shift = 0; shift < 32; shift += 8) m_bytes.push_back(uint8_t(v >> shift));
        }
        m_bytes.insert(m_bytes.end(), data.begin(), data.end());
        return *this;
    }
    const Bytes& bytes() const { return m_bytes; }

private:
    Bytes m_bytes;
};

constexpr uint32_t kData = 0x20000000, kJobHeader = 0x30000000, kOpenJob = 0x40000000, kCloseJob = 0x50000000,
                   kPageHeader = 0x60000000, kPageEnd = 0x70000000, kPageLink = 0x90000000, kEof = 0xF0000000;

const Bytes kQE = B({'Q', 'E', 0});
const Bytes kPlaneEnd = B({'Q', 'R', 1, 0});
const Bytes kLineEnd = B({'Q', 'R', 1, 1});

// A page header as the JV33 line writes it: "QK" heaters 40, -, -; "Q@";
// "QC" cut 0, dry time 999 s, vacuum 3; "QP" dot mode 17 at 720 x 720 dpi,
// 4 passes, hi-speed, direction 1, media 2, last parameter 6.
const Bytes kJv33PageHeader = B({'Q', 'K', 7, 40, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                 'Q', '@', 0,
                                 'Q', 'C', 11, 0xFF, 0, 0xFF, 0xE7, 0x03, 0xFF, 3, 0xFF, 0, 0xFF, 0,
                                 'Q', 'P', 11, 17, 0xD0, 0x02, 0xD0, 0x02, 4, 1, 1, 2, 0xFF, 6});

// Three lines: line 0 cyan raw (F0 0F, 1 bit) and magenta packed (4 x FF);
// line 1 blank; line 2 yellow with 2-bit codes 0, 1, 2, 3 and the same byte
// as colour codes FE and FF (the screening map's doubled plane).
inline Bytes Jv33Line0() {
    return Cat({B({'Q', 'D', 7, 2, 0, 1, 2, 0, 1, 0, 0xF0, 0x0F}), kPlaneEnd,
                B({'Q', 'D', 7, 1, 1, 1, 4, 0, 1, 0, 0xFD, 0xFF}), kPlaneEnd, kLineEnd});
}
inline Bytes Jv33Line2() {
    return Cat({B({'Q', 'D', 7, 4, 0, 2, 1, 0, 1, 0, 0x1B}), kPlaneEnd,
                B({'Q', 'D', 7, 0xFE, 0, 1, 1, 0, 1, 0, 0x80}), kPlaneEnd,
                B({'Q', 'D', 7, 0xFF, 0, 1, 1, 0, 1, 0, 0x80}), kPlaneEnd, kLineEnd});
}

// A played-back layer's header ("PI" last-layer flag, "QT" direction and line count); a line of one cyan byte.
inline Bytes LayerHeader(int last, int direction, int lines) {
    return B({'P', 'I', 1, last, 'Q', 'T', 5, direction, lines, 0, 0, 0});
}
inline Bytes CyanLine(int byte) { return Cat({B({'Q', 'D', 7, 2, 0, 1, 1, 0, 1, 0, byte}), kPlaneEnd, kLineEnd}); }

// Job header, open job, page link, page header, three lines, page end, close job, end of file.
inline Bytes Jv33Job() {
    return Stream()
        .Add(kJobHeader, kQE)
        .Add(kOpenJob)
        .Add(kPageLink)
        .Add(kPageHeader, kJv33PageHeader)
        .Add(kData, Jv33Line0())
        .Add(kData, kLineEnd)
        .Add(kData, Jv33Line2())
        .Add(kPageEnd, kQE)
        .Add(kCloseJob)
        .Add(kEof)
        .bytes();
}

}  // namespace samples
