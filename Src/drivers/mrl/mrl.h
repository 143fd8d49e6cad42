// The printer command language (MRL): one command builder and the named
// builders of every command and control code.
//
// Three framings:
//   - length-prefixed ("Q", "P" and "G" commands): two letters, a length byte
//     counting the parameter bytes, then the parameters;
//   - fixed form (the classic "M" commands and "SO"): two letters and the
//     command's fixed parameter bytes, no length byte;
//   - control codes: ESC "@", ESC "i" (with fixed parameters), CR, LF, FF.
// Byte fields carry the low 8 bits of the value given; 16-, 24- and 32-bit
// fields are written least significant byte first. A parameter the sender
// leaves unspecified goes out as 0xFF (0xFFFF for 16 bits).
//
// Every command is composed by Compose() below, so a length byte or a byte
// order can only be wrong in one place.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/byte_buffer.h"
#include "base/text_error.h"

using Bytes = std::vector<uint8_t>;

namespace mrl {

// Parameter fields.
struct u8 {
    constexpr explicit u8(uint32_t v) : value(uint8_t(v)) {}
    uint8_t value;
};
struct u16le {
    constexpr explicit u16le(uint32_t v) : value(uint16_t(v)) {}
    uint16_t value;
};
struct u24le {  // the three low bytes of the value
    constexpr explicit u24le(uint32_t v) : value(v & 0xFFFFFFu) {}
    uint32_t value;
};
struct u32le {
    constexpr explicit u32le(uint32_t v) : value(v) {}
    uint32_t value;
};
struct fill {  // count copies of one byte
    uint8_t value;
    size_t count;
};
struct text {  // the first `width` characters of s, padded with `pad`
    const std::string& s;
    size_t width;
    uint8_t pad;
};

// The bytes of one command: at most two letters, a length byte and 255 parameter bytes.
class CommandBytes {
public:
    void Put(uint8_t b) {
        if (m_size == m_bytes.size()) throw TextError("MRL command longer than 255 parameter bytes");
        m_bytes[m_size++] = b;
    }
    uint8_t& operator[](size_t i) { return m_bytes[i]; }
    const uint8_t* data() const { return m_bytes.data(); }
    size_t size() const { return m_size; }

private:
    std::array<uint8_t, 258> m_bytes{};
    size_t m_size = 0;
};

inline void Put(CommandBytes& c, u8 f) { c.Put(f.value); }
inline void Put(CommandBytes& c, u16le f) {
    c.Put(uint8_t(f.value));
    c.Put(uint8_t(f.value >> 8));
}
inline void Put(CommandBytes& c, u24le f) {
    for (int shift = 0; shift < 24; shift += 8) c.Put(uint8_t(f.value >> shift));
}
inline void Put(CommandBytes& c, u32le f) {
    for (int shift = 0; shift < 32; shift += 8) c.Put(uint8_t(f.value >> shift));
}
inline void Put(CommandBytes& c, fill f) {
    for (size_t i = 0; i < f.count; ++i) c.Put(f.value);
}
inline void Put(CommandBytes& c, const text& f) {
    for (size_t i = 0; i < f.width; ++i) c.Put(i < f.s.size() ? uint8_t(f.s[i]) : f.pad);
}

enum class Framing { None, LengthPrefixed, Fixed };

// The one command builder. letters is null for bare fields (control codes,
// field appenders).
template <class... F>
CommandBytes Compose(Framing framing, const char* letters, const F&... fields) {
    CommandBytes c;
    if (framing != Framing::None) {
        c.Put(uint8_t(letters[0]));
        c.Put(uint8_t(letters[1]));
    }
    if (framing == Framing::LengthPrefixed) c.Put(0);
    (Put(c, fields), ...);
    if (framing == Framing::LengthPrefixed) c[2] = uint8_t(c.size() - 3);
    return c;
}

inline void AppendTo(Bytes& out, const CommandBytes& c) { out.insert(out.end(), c.data(), c.data() + c.size()); }
inline void AppendTo(ByteBuffer& out, const CommandBytes& c) { out.Append(c.data(), c.size()); }
inline Bytes ToBytes(const CommandBytes& c) { return Bytes(c.data(), c.data() + c.size()); }

}  // namespace mrl

// Length-prefixed command: MRL("QR", mrl::u8(1)) gives 'Q' 'R' 1 1.
template <class... F>
Bytes MRL(const char (&letters)[3], const F&... fields) {
    return mrl::ToBytes(mrl::Compose(mrl::Framing::LengthPrefixed, letters, fields...));
}
// Fixed-form command (no length byte): MRLFixed("MC", mrl::u8(3)) gives 'M' 'C' 3.
template <class... F>
Bytes MRLFixed(const char (&letters)[3], const F&... fields) {
    return mrl::ToBytes(mrl::Compose(mrl::Framing::Fixed, letters, fields...));
}
// The same, appended to a buffer (no allocation when it has room).
template <class Out, class... F>
void AppendMRL(Out& out, const char (&letters)[3], const F&... fields) {
    mrl::AppendTo(out, mrl::Compose(mrl::Framing::LengthPrefixed, letters, fields...));
}
template <class Out, class... F>
void AppendMRLFixed(Out& out, const char (&letters)[3], const F&... fields) {
    mrl::AppendTo(out, mrl::Compose(mrl::Framing::Fixed, letters, fields...));
}
template <class Out, class... F>
void AppendFields(Out& out, const F&... fields) {
    mrl::AppendTo(out, mrl::Compose(mrl::Framing::None, nullptr, fields...));
}

// Field appenders.
Bytes MRL_AppendWord(uint16_t value);                // two bytes, low byte first
void MRL_AppendWord(Bytes& out, uint16_t value);
void MRL_Field16(Bytes& out, uint16_t value);
Bytes MRL_Bytes24(uint32_t value);                   // bits 0 to 23, low byte first
void MRL_AppendLE32(Bytes& out, uint32_t value);
void MRL_Field32(Bytes& out, uint32_t value);

// The resolutions of a page header (QP, MD and MU) in dpi: 16-bit fields,
// which hold 1 to 65535; a resolution outside them has no header.
constexpr int32_t kMrlLargestResolution = 0xFFFF;
constexpr bool MRL_ResolutionFits(int32_t dpi) { return dpi >= 1 && dpi <= kMrlLargestResolution; }

// Length-prefixed commands.
Bytes MRL_IV_QE();
Bytes MRL_QC(uint8_t p1, uint8_t p2, uint16_t p3, uint8_t p4, uint8_t p5);
Bytes MRL_QK(uint8_t p1, uint8_t p2, uint8_t p3);
Bytes MRL_IV_QK(uint8_t p1, uint8_t p2, uint8_t p3, uint8_t p4);
Bytes MRL_QP(uint8_t p1, uint16_t yDpi, uint16_t xDpi, uint8_t p4, uint8_t p5, uint8_t p6, uint8_t p7, uint8_t p8);
Bytes MRL_IV_QP(uint8_t p1, uint16_t yDpi, uint16_t xDpi, uint8_t p4, uint8_t p5, uint8_t p6, uint8_t p7, uint8_t p8,
                uint8_t p9, uint8_t p10);
Bytes MRL_IV_QP12(uint8_t p1, uint16_t yDpi, uint16_t xDpi, uint8_t p4, uint8_t p5, uint8_t p6, uint8_t p7,
                  uint8_t p8, uint8_t p9, uint8_t p10, uint8_t p11);
Bytes MRL_QR(uint8_t flag);  // 0 ends a plane's data, 1 a raster line
Bytes MRL_IV_QX(uint8_t p1, uint32_t p2);
Bytes MRL_IV_QT(uint8_t p1, uint32_t p2);
Bytes MRL_IV_PI(uint8_t p1);
// UV curing of the flatbeds: the long form (index, mode, 0, then fillCount
// bytes of fillValue) and the short one (3, p2, p3).
Bytes MRL_QV(uint8_t index, uint8_t mode, uint8_t fillValue, size_t fillCount);
Bytes MRL_QV_Short(uint8_t p2, uint8_t p3);
Bytes MRL_PL(uint8_t p1, uint8_t p2, uint8_t p3, uint8_t p4);
Bytes MRL_IV_PH();
Bytes MRL_IV_GT(uint8_t p1);
// The three bytes after p5 are 0x00 when p6 is set, else 0xFF.
Bytes MRL_IV_GS(uint8_t p1, uint8_t p2, uint16_t p3, uint32_t p4, uint32_t p5, bool p6, uint8_t p7);
Bytes MRL_IV_GR();
Bytes MRL_IV_GR_Zero();
// Plane header: colour code, compression (1 PackBits, 0 raw), bits per pixel,
// unpacked byte count (throws TextError above 65535), one line. The plane data follows.
Bytes MRL_QD(uint8_t colour, uint8_t compression, uint8_t bitsPerPixel, size_t count);
// The plane header of the printers that sort planes into layers: as MRL_QD,
// then the count of data bytes that follow (packed or not) and the layer code.
Bytes MRL_QD_WithLayer(uint8_t colour, uint8_t compression, uint8_t bitsPerPixel, size_t count, size_t dataCount,
                       uint8_t layer);
// Raster-line geometry: a flag and a 32-bit value (the emitters send 1 and
// bits per pixel x line width).
Bytes MRL_QY(uint8_t flag, uint32_t value);
// Pattern printing: five parameter bytes.
Bytes MRL_QZ(uint8_t p1, uint8_t p2, uint8_t p3, uint8_t p4, uint8_t p5);
// Sign byte (1 for a negative value) and min(|value|, limit) in 16 bits.
Bytes MRL_QA(int32_t value, uint32_t limit);
Bytes MRL_Q_At();

// Control codes.
Bytes MRL_ESC_At();
// Classic plane header: bits-per-pixel code 2 when twoBitsPerPixel, else 1;
// count as in MRL_QD.
Bytes MRL_ESC_i(uint8_t colour, uint8_t compression, bool twoBitsPerPixel, size_t count);
Bytes MRL_CR();
Bytes MRL_LF();
Bytes MRL_FF();

// Fixed-form commands.
Bytes MRL_MA(int32_t value);  // 0x0000, sign, |value| (255 from 256 on)
Bytes MRL_MC(uint8_t p1);
Bytes MRL_MD(uint16_t p1, uint16_t p2);
Bytes MRL_MG(const std::string& name);  // first 16 characters, blank-padded
Bytes MRL_MJ(uint8_t p1);
Bytes MRL_MK(uint8_t p1, uint8_t p2);
Bytes MRL_MP(uint8_t p1, uint8_t p2, uint8_t p3, uint8_t p4, uint16_t p5, uint16_t p6);
Bytes MRL_MW(uint32_t p1);  // three low bytes
Bytes MRL_SO(uint8_t p1, uint8_t p2, uint8_t p3);
Bytes MRL_ME(uint8_t xDoubled, uint8_t yLimited);  // the two flags and 0xFF
Bytes MRL_MM(uint8_t artwork, uint8_t highQuality, uint8_t thinDot);
Bytes MRL_MY(uint8_t inkTypeCode);

// Composite builders over the job's values.
// "MA" with round((feedAdjust - 1) x 10000), or nothing when that is 0.
Bytes MRL_MA_FromFeedAdjust(double feedAdjust);
// Halftone set-up code of the classic printers from P = x dpi x y dpi (a
// product of two 32-bit resolutions: 64 bits wide).
int MRL_ResolutionCode(int64_t P, int dotSize, int halftoneMode);
// "SO" 1, level, order for white ink on ink-set class 17 with ink-set codes
// 419, 420, 421, 460 and 464; nothing otherwise. Level outside 0 to 2 and
// order outside 0 to 1 (unsigned) go out as 0xFF.
Bytes MRL_SO_ForWhiteInk(int inkSetClass, int inkSetCode, int32_t whiteLevel, int32_t whiteOrder);
// Over-plotting of the newer lines by level (1 to 3): the driver's over-plotting
// mode, the mode sent (0, 1, -2) and "PL" 1, 2, mode, 0xFF; other levels give
// mode 0 and no command.
struct OverPlotting {
    int overPlottingMode = 0;
    int mode = 0;
    Bytes command;
};
OverPlotting MRL_IV_PL_OverPlottingForLevel(int level);

// Raster plane records.
enum class RasterForm {
    Q,        // "QD" ... "QR" 0 per plane, "QR" 1 per line
    Classic,  // ESC "i" ... CR per plane, LF per line
};
// Bytes up to and including the last non-zero one.
size_t TrimmedPlaneLength(const uint8_t* plane, size_t bytes);
// One plane of n bytes (already trimmed): nothing when n is 0; else the plane
// header with compression 1 and the packed bytes when packing is shorter,
// compression 0 and the n raw bytes otherwise, then the end-of-plane code.
// scratch is the PackBits buffer. Throws TextError when n exceeds 65535.
void AppendPlaneRecord(ByteBuffer& out, ByteBuffer& scratch, RasterForm form, uint8_t colour, bool twoBitsPerPixel,
                       const uint8_t* data, size_t n);
// The same without the end-of-plane code (the mark rows of the print-and-cut
// line end with the line alone).
void AppendPlaneData(ByteBuffer& out, ByteBuffer& scratch, RasterForm form, uint8_t colour, bool twoBitsPerPixel,
                     const uint8_t* data, size_t n);
// The end-of-line code ("QR" 1 or LF).
void AppendLineEnd(ByteBuffer& out, RasterForm form);
// Grows a line's command buffer and its PackBits scratch, once, to what a
// line of `planes` planes of bytesPerPlane bytes can need, so that no later
// line allocates (a buffer grows to the longest line written otherwise).
void ReserveLineRoom(ByteBuffer& out, ByteBuffer& scratch, size_t planes, size_t bytesPerPlane);
// The same commands appended to a buffer, for line writers that allocate
// nothing per line: "QY" 1 and a value, a "QD" header with or without its
// layer fields (counts above 65535 throw TextError), "QR" with a flag.
void AppendQY(ByteBuffer& out, uint32_t value);
void AppendQD(ByteBuffer& out, uint8_t colour, uint8_t compression, uint8_t bitsPerPixel, size_t count);
void AppendQDWithLayer(ByteBuffer& out, uint8_t colour, uint8_t compression, uint8_t bitsPerPixel, size_t count,
                       size_t dataCount, uint8_t layer);
void AppendQR(ByteBuffer& out, uint8_t flag);
