#include "drivers/mrl/mrl.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "drivers/mrl/packbits.h"
#include "base/format.h"
#include "base/rounding.h"

using mrl::fill;
using mrl::u16le;
using mrl::u24le;
using mrl::u32le;
using mrl::u8;

namespace {

constexpr uint8_t kCR = 0x0D;
constexpr uint8_t kLF = 0x0A;
constexpr uint8_t kFF = 0x0C;

// The unpacked byte count of a plane header is a 16-bit field: a longer plane
// cannot be described and is refused rather than sent with a wrapped count.
uint16_t PlaneCount(size_t count) {
    if (count > 0xFFFF) {
        throw TextError(StringF("Raster plane of %zu bytes exceeds the 65535 bytes of one plane record", count));
    }
    return uint16_t(count);
}

// "QD" and ESC "i" share their parameters: colour code, compression, bits
// per pixel, unpacked byte count, and one raster line.
template <class Out>
void AppendPlaneHeader(Out& out, RasterForm form, uint8_t colour, uint8_t compression, uint8_t bitsPerPixel,
                       size_t count) {
    const uint16_t n = PlaneCount(count);
    if (form == RasterForm::Q) {
        AppendMRL(out, "QD", u8(colour), u8(compression), u8(bitsPerPixel), u16le(n), u16le(1));
    } else {
        AppendMRLFixed(out, "\x1bi", u8(colour), u8(compression), u8(bitsPerPixel), u16le(n), u16le(1));
    }
}

template <class Out>
void AppendLayeredPlaneHeader(Out& out, uint8_t colour, uint8_t compression, uint8_t bitsPerPixel, size_t count,
                              size_t dataCount, uint8_t layer) {
    const uint16_t n = PlaneCount(count);
    const uint16_t data = PlaneCount(dataCount);
    AppendMRL(out, "QD", u8(colour), u8(compression), u8(bitsPerPixel), u16le(n), u16le(1), u16le(data), u8(layer));
}

}  // namespace

Bytes MRL_AppendWord(uint16_t value) {
    Bytes out;
    MRL_AppendWord(out, value);
    return out;
}
void MRL_AppendWord(Bytes& out, uint16_t value) { AppendFields(out, u16le(value)); }
void MRL_Field16(Bytes& out, uint16_t value) { AppendFields(out, u16le(value)); }
Bytes MRL_Bytes24(uint32_t value) {
    Bytes out;
    AppendFields(out, u24le(value));
    return out;
}
void MRL_AppendLE32(Bytes& out, uint32_t value) { AppendFields(out, u32le(value)); }
void MRL_Field32(Bytes& out, uint32_t value) { MRL_AppendLE32(out, value); }

Bytes MRL_IV_QE() { return MRL("QE"); }

Bytes MRL_QC(uint8_t p1, uint8_t p2, uint16_t p3, uint8_t p4, uint8_t p5) {
    return MRL("QC", u8(0xFF), u8(p1), u8(p2), u16le(p3), u8(p4), u8(p5), u8(0xFF), u8(0x00), u8(0xFF), u8(0x00));
}

Bytes MRL_QK(uint8_t p1, uint8_t p2, uint8_t p3) { return MRL("QK", u8(p1), u8(p2), u8(p3), fill{0xFF, 4}); }

Bytes MRL_IV_QK(uint8_t p1, uint8_t p2, uint8_t p3, uint8_t p4) {
    return MRL("QK", u8(p1), u8(p2), u8(p3), fill{0xFF, 4}, u8(p4));
}

Bytes MRL_QP(uint8_t p1, uint16_t yDpi, uint16_t xDpi, uint8_t p4, uint8_t p5, uint8_t p6, uint8_t p7, uint8_t p8) {
    return MRL("QP", u8(p1), u16le(yDpi), u16le(xDpi), u8(p4), u8(p5), u8(p6), u8(p7), u8(0xFF), u8(p8));
}

Bytes MRL_IV_QP(uint8_t p1, uint16_t yDpi, uint16_t xDpi, uint8_t p4, uint8_t p5, uint8_t p6, uint8_t p7, uint8_t p8,
                uint8_t p9, uint8_t p10) {
    return MRL("QP", u8(p1), u16le(yDpi), u16le(xDpi), u8(p4), u8(p5), u8(p6), u8(p7), u8(p8), u8(p9), u8(p10));
}

Bytes MRL_IV_QP12(uint8_t p1, uint16_t yDpi, uint16_t xDpi, uint8_t p4, uint8_t p5, uint8_t p6, uint8_t p7,
                  uint8_t p8, uint8_t p9, uint8_t p10, uint8_t p11) {
    return MRL("QP", u8(p1), u16le(yDpi), u16le(xDpi), u8(p4), u8(p5), u8(p6), u8(p7), u8(p8), u8(p9), u8(p10),
               u8(p11));
}

Bytes MRL_QR(uint8_t flag) { return MRL("QR", u8(flag)); }
Bytes MRL_IV_QX(uint8_t p1, uint32_t p2) { return MRL("QX", u8(p1), u32le(p2)); }
Bytes MRL_IV_QT(uint8_t p1, uint32_t p2) { return MRL("QT", u8(p1), u32le(p2)); }
Bytes MRL_IV_PI(uint8_t p1) { return MRL("PI", u8(p1)); }
Bytes MRL_QV(uint8_t index, uint8_t mode, uint8_t fillValue, size_t fillCount) {
    return MRL("QV", u8(index), u8(mode), u8(0), fill{fillValue, fillCount});
}
Bytes MRL_QV_Short(uint8_t p2, uint8_t p3) { return MRL("QV", u8(3), u8(p2), u8(p3)); }
Bytes MRL_PL(uint8_t p1, uint8_t p2, uint8_t p3, uint8_t p4) { return MRL("PL", u8(p1), u8(p2), u8(p3), u8(p4)); }
Bytes MRL_IV_PH() { return MRL("PH", u8(0xFF), u8(0xFF)); }
Bytes MRL_IV_GT(uint8_t p1) { return MRL("GT", u8(p1)); }

Bytes MRL_IV_GS(uint8_t p1, uint8_t p2, uint16_t p3, uint32_t p4, uint32_t p5, bool p6, uint8_t p7) {
    return MRL("GS", u8(p1), u8(p2), u16le(p3), u32le(p4), u32le(p5), fill{uint8_t(p6 ? 0x00 : 0xFF), 3}, u8(p7));
}

Bytes MRL_IV_GR() { return MRL("GR", u8(0x01), u8(0x00), fill{0x01, 16}); }
Bytes MRL_IV_GR_Zero() { return MRL("GR", u8(0x00), u8(0x00), fill{0x01, 16}); }

Bytes MRL_QD(uint8_t colour, uint8_t compression, uint8_t bitsPerPixel, size_t count) {
    Bytes out;
    AppendPlaneHeader(out, RasterForm::Q, colour, compression, bitsPerPixel, count);
    return out;
}

Bytes MRL_QD_WithLayer(uint8_t colour, uint8_t compression, uint8_t bitsPerPixel, size_t count, size_t dataCount,
                       uint8_t layer) {
    Bytes out;
    AppendLayeredPlaneHeader(out, colour, compression, bitsPerPixel, count, dataCount, layer);
    return out;
}

Bytes MRL_QY(uint8_t flag, uint32_t value) { return MRL("QY", u8(flag), u32le(value)); }

Bytes MRL_QZ(uint8_t p1, uint8_t p2, uint8_t p3, uint8_t p4, uint8_t p5) {
    return MRL("QZ", u8(p1), u8(p2), u8(p3), u8(p4), u8(p5));
}

Bytes MRL_QA(int32_t value, uint32_t limit) {
    const uint32_t magnitude = uint32_t(std::llabs(int64_t(value)));
    return MRL("QA", u8(value < 0 ? 1 : 0), u16le(std::min({magnitude, limit, uint32_t(0xFFFF)})));
}

Bytes MRL_Q_At() { return MRL("Q@"); }

Bytes MRL_ESC_At() { return MRLFixed("\x1b@"); }

Bytes MRL_ESC_i(uint8_t colour, uint8_t compression, bool twoBitsPerPixel, size_t count) {
    Bytes out;
    AppendPlaneHeader(out, RasterForm::Classic, colour, compression, twoBitsPerPixel ? 2 : 1, count);
    return out;
}

Bytes MRL_CR() { return mrl::ToBytes(mrl::Compose(mrl::Framing::None, nullptr, u8(kCR))); }
Bytes MRL_LF() { return mrl::ToBytes(mrl::Compose(mrl::Framing::None, nullptr, u8(kLF))); }
Bytes MRL_FF() { return mrl::ToBytes(mrl::Compose(mrl::Framing::None, nullptr, u8(kFF))); }

Bytes MRL_MA(int32_t value) {
    const int64_t magnitude = std::llabs(int64_t(value));
    return MRLFixed("MA", u16le(0), u8(value < 0 ? 1 : 0), u8(magnitude >= 256 ? 255 : uint32_t(magnitude)));
}

Bytes MRL_MC(uint8_t p1) { return MRLFixed("MC", u8(p1)); }
Bytes MRL_MD(uint16_t p1, uint16_t p2) { return MRLFixed("MD", u16le(p1), u16le(p2)); }
Bytes MRL_MG(const std::string& name) { return MRLFixed("MG", mrl::text{name, 16, ' '}); }
Bytes MRL_MJ(uint8_t p1) { return MRLFixed("MJ", u8(p1), fill{0xFF, 4}); }
Bytes MRL_MK(uint8_t p1, uint8_t p2) { return MRLFixed("MK", u8(0xFF), u8(p1), u8(p2), u16le(0xFFFF)); }

Bytes MRL_MP(uint8_t p1, uint8_t p2, uint8_t p3, uint8_t p4, uint16_t p5, uint16_t p6) {
    return MRLFixed("MP", u8(p1), u8(p2), u8(p3), u8(p4), u16le(p5), u16le(p6), u8(0xFF));
}

Bytes MRL_MW(uint32_t p1) { return MRLFixed("MW", u24le(p1)); }
Bytes MRL_ME(uint8_t xDoubled, uint8_t yLimited) { return MRLFixed("ME", u8(xDoubled), u8(yLimited), u8(0xFF)); }
Bytes MRL_MM(uint8_t artwork, uint8_t highQuality, uint8_t thinDot) {
    return MRLFixed("MM", u8(artwork), u8(highQuality), u8(thinDot));
}
Bytes MRL_MY(uint8_t inkTypeCode) { return MRLFixed("MY", u8(inkTypeCode)); }
Bytes MRL_SO(uint8_t p1, uint8_t p2, uint8_t p3) { return MRLFixed("SO", u8(p1), u8(p2), u8(p3), fill{0xFF, 3}); }

Bytes MRL_MA_FromFeedAdjust(double feedAdjust) {
    const int32_t value = RoundToInt32((feedAdjust - 1.0) * 10000.0);
    return value == 0 ? Bytes() : MRL_MA(value);
}

int MRL_ResolutionCode(int64_t P, int dotSize, int halftoneMode) {
    if (halftoneMode == 6) dotSize = 1;
    if (dotSize == 1) {
        if (P <= 194400) return 1;
        if (P <= 259200) return 33;
        if (P <= 518400) return 2;
        if (P <= 1036800) return 49;
        return 50;
    }
    if (P <= 259200) return 16;
    if (P <= 1036800) return 17;
    return 50;
}

Bytes MRL_SO_ForWhiteInk(int inkSetClass, int inkSetCode, int32_t whiteLevel, int32_t whiteOrder) {
    if (inkSetClass != 17) return Bytes();
    switch (inkSetCode) {
        case 419:
        case 420:
        case 421:
        case 460:
        case 464:
            break;
        default:
            return Bytes();
    }
    const uint8_t level = uint32_t(whiteLevel) <= 2 ? uint8_t(whiteLevel) : 255;
    const uint8_t order = uint32_t(whiteOrder) <= 1 ? uint8_t(whiteOrder) : 255;
    return MRL_SO(1, level, order);
}

OverPlotting MRL_IV_PL_OverPlottingForLevel(int level) {
    OverPlotting result;
    switch (level) {
        case 1: result.mode = 0; break;
        case 2: result.mode = 1; break;
        case 3: result.mode = -2; break;
        default: return result;
    }
    result.overPlottingMode = level;
    result.command = MRL_PL(1, 2, uint8_t(result.mode), 0xFF);
    return result;
}

size_t TrimmedPlaneLength(const uint8_t* plane, size_t bytes) {
    if (!plane) return 0;
    // Blank words from the end, then the bytes of the last one that is not.
    while (bytes >= 32) {
        uint64_t w[4];
        std::memcpy(w, plane + bytes - 32, sizeof w);
        if ((w[0] | w[1] | w[2] | w[3]) != 0) break;
        bytes -= 32;
    }
    while (bytes >= 8) {
        uint64_t w;
        std::memcpy(&w, plane + bytes - 8, sizeof w);
        if (w != 0) break;
        bytes -= 8;
    }
    while (bytes > 0 && plane[bytes - 1] == 0) --bytes;
    return bytes;
}

void ReserveLineRoom(ByteBuffer& out, ByteBuffer& scratch, size_t planes, size_t bytesPerPlane) {
    constexpr size_t kCommandRoom = 64;  // a plane's commands around its data, a line end
    const size_t packed = PackBitsMaxSize(bytesPerPlane) + 32;  // as PackBitsCompressLine grows it
    scratch.Reserve(packed);
    out.Reserve(planes * (packed + kCommandRoom) + kCommandRoom);
}

void AppendPlaneData(ByteBuffer& out, ByteBuffer& scratch, RasterForm form, uint8_t colour, bool twoBitsPerPixel,
                     const uint8_t* data, size_t n) {
    if (n == 0 || !data) return;
    PlaneCount(n);
    const bool packed = PackBitsCompressLine(scratch, data, n);
    AppendPlaneHeader(out, form, colour, packed ? 1 : 0, twoBitsPerPixel ? 2 : 1, n);
    out.Append(packed ? scratch.data() : data, packed ? scratch.size() : n);
}

void AppendPlaneRecord(ByteBuffer& out, ByteBuffer& scratch, RasterForm form, uint8_t colour, bool twoBitsPerPixel,
                       const uint8_t* data, size_t n) {
    if (n == 0 || !data) return;
    AppendPlaneData(out, scratch, form, colour, twoBitsPerPixel, data, n);
    if (form == RasterForm::Q) {
        AppendMRL(out, "QR", u8(0));
    } else {
        AppendFields(out, u8(kCR));
    }
}

void AppendLineEnd(ByteBuffer& out, RasterForm form) {
    if (form == RasterForm::Q) {
        AppendMRL(out, "QR", u8(1));
    } else {
        AppendFields(out, u8(kLF));
    }
}

void AppendQY(ByteBuffer& out, uint32_t value) { AppendMRL(out, "QY", u8(1), u32le(value)); }

void AppendQD(ByteBuffer& out, uint8_t colour, uint8_t compression, uint8_t bitsPerPixel, size_t count) {
    AppendPlaneHeader(out, RasterForm::Q, colour, compression, bitsPerPixel, count);
}

void AppendQDWithLayer(ByteBuffer& out, uint8_t colour, uint8_t compression, uint8_t bitsPerPixel, size_t count,
                       size_t dataCount, uint8_t layer) {
    AppendLayeredPlaneHeader(out, colour, compression, bitsPerPixel, count, dataCount, layer);
}

void AppendQR(ByteBuffer& out, uint8_t flag) { AppendMRL(out, "QR", u8(flag)); }
