// Matrix screening (halftone routine 51): every 12-bit ink value is compared
// with a threshold cell of a spot-file matrix tiled over the page, one bit per
// pixel. Type-2 spot files tile one rectangular matrix per channel on a square
// grid; type-10 files tile two square matrices per channel as a Pythagorean
// tiling, which gives a rotated screen. Dot film (media types 999, 4099,
// 4104) prints every channel's screen into the black plane through the
// halftoner's built-in threshold matrix, with the edges of each dot set.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "halftone/spot_file.h"

class CHalftone;
class CVarnPrn;

// The threshold level of an ink value: round(v x 255 / 4095), and 255 for
// every v from 4080 on. A dot is set where v is not 0 and its level reaches
// the matrix cell.
const std::array<uint8_t, 4096>& ScreeningLevels();

// Media type ids printed as dot film.
bool IsDotFilmMedia(int32_t mediaTypeId);

// The logged name of the output layout (the halftoner's screening parameter).
const char* ScreeningLayoutName(int32_t screeningParam);

// Up to six input maps of 256 entries.
using InkMaps = std::array<std::array<uint16_t, 256>, 6>;

// What routine 51 keeps for a job, from its job start to its job end.
struct ScreeningState {
    std::unique_ptr<SpotData> spot;    // the spot record
    std::unique_ptr<SpotData> spotEx;  // the five-channel copy (m_pSpotDataEx)
    int32_t channels = 4;              // halftoned planes (at least 4)
    bool singleChannel = false;        // the job asked for one channel: the black plane is plane 0
    int32_t width = 0;                 // pixels per line
    size_t bytesPerPlane = 0;
    int32_t lineCounter = 0;           // type-2 line counter, the dot film's N
    std::vector<uint16_t> codes;       // the line's dot codes, plane after plane, codeRow per plane
    size_t codeRow = 0;                // the width rounded up to whole blocks of pixels
    std::vector<int32_t> values;       // dot film: the ink-value row
    std::vector<uint8_t> cells;        // the matrix cells under one line of one channel
    InkMaps inkMaps{};                 // the input maps of the line's values, within 12 bits
    std::vector<uint32_t> limitShares; // the limiter's shares by ink sum (colour | black << 16)
    int32_t sharesLimit = -1;          // the ink limit limitShares were made for
    // Dot film.
    std::vector<uint16_t> curve;       // the descending curve, 4096 entries
    std::vector<uint8_t> byteRow;      // one zero byte of margin on each side
};

// The screening routines, each (halftoner, job, phase) -> result.
int32_t Type2_CMYK(CHalftone* h, CVarnPrn* job, int32_t phase);
int32_t Type10_CMYK(CHalftone* h, CVarnPrn* job, int32_t phase);
int32_t Type10_CMYK_DotFilm(CHalftone* h, CVarnPrn* job, int32_t phase);
int32_t Type10_CMYK_Gray(CHalftone* h, CVarnPrn* job, int32_t phase);
int32_t Type10_CMYK_Gray_DotFilm(CHalftone* h, CVarnPrn* job, int32_t phase);
int32_t Type2_CMYK_Gray(CHalftone* h, CVarnPrn* job, int32_t phase);
int32_t Type10_CMYKW(CHalftone* h, CVarnPrn* job, int32_t phase);
int32_t Type2_CMYKW(CHalftone* h, CVarnPrn* job, int32_t phase);

// The five-channel converters of screening (layouts 7, 10 and 13): cyan,
// magenta, yellow, black and white bytes into five values through input maps
// 0-3 (white through map 3), the CMYK limiter and linearisation tables 0-4.
void ConvertPixel_ScreenCMYKW(CHalftone* h, const uint8_t* p, int32_t* v);
void ConvertPixel_ScreenCMYKW_FullWhite(CHalftone* h, const uint8_t* p, int32_t* v);
void ConvertPixel_ScreenCMYKW_FloodWhite(CHalftone* h, const uint8_t* p, int32_t* v);

// Layout code of five-channel screening by ink-set code: 419 gives 7, 420
// gives 10, 421 gives 13, any other 1 (the CMYK converter, white 0).
int32_t ScreeningLayoutForInkSetCode(int32_t inkSetCode);
