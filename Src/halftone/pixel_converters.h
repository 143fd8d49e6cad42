// Pixel converters: one input pixel (4, 5 or 6 bytes) into up to eight
// 12-bit ink values through the halftoner's input maps, its total-ink limit
// and the linearisation table of each output position. Which converter runs
// depends on the printer's ink-set class, the job's ink-set code and output
// colour mode; the choice is also a number, the channel-layout code, that the
// conversion tasks of the multi-threaded engine carry.
//
// Converted positions: 0 cyan, 1 magenta, 2 yellow, 3 black, 4 light cyan,
// 5 light magenta, 6 and 7 extra channels (6 is light black in the seven-ink
// set). A converter leaves the positions it does not produce untouched.
#pragma once

#include <cstddef>
#include <cstdint>

class CHalftone;
class CVarnPrn;

using PixelConverter = void (*)(CHalftone* halftone, const uint8_t* pixel, int32_t* converted);

void ConvertPixel_CMYK(CHalftone* h, const uint8_t* p, int32_t* v);            // layout 1 (and 4)

// ConvertPixel_CMYK with the halftoner's CMYK line tables (PrepareCmykLineTables
// made them for the line): the same values, without the linearisation
// tables' lookups for every pixel that the ink limit leaves alone.
struct CmykLineTables {
    int32_t value[4][256];  // ink, input byte: the linearised value of its input map
};
void PrepareCmykLineTables(const CHalftone* h, CmykLineTables& tables);
void ConvertPixel_CMYKPrepared(CHalftone* h, const uint8_t* p, int32_t* v);
void ConvertPixel_CMYKcm(CHalftone* h, const uint8_t* p, int32_t* v);          // 2
void ConvertPixel_CMYKcmk(CHalftone* h, const uint8_t* p, int32_t* v);         // 3
void ConvertPixel_CMYKWW(CHalftone* h, const uint8_t* p, int32_t* v);          // 5
void ConvertPixel_CMYKcmWW(CHalftone* h, const uint8_t* p, int32_t* v);        // 6
void ConvertPixel_CMYKW(CHalftone* h, const uint8_t* p, int32_t* v);           // 8
void ConvertPixel_CMYKcmW(CHalftone* h, const uint8_t* p, int32_t* v);         // 9
void ConvertPixel_CMYKFloodW(CHalftone* h, const uint8_t* p, int32_t* v);      // 11
void ConvertPixel_CMYKcmFloodW(CHalftone* h, const uint8_t* p, int32_t* v);    // 12
void ConvertPixel_CMYKFullW(CHalftone* h, const uint8_t* p, int32_t* v);       // 14
void ConvertPixel_CMYKcmFullW(CHalftone* h, const uint8_t* p, int32_t* v);     // 15
void ConvertPixel_CMYKW2(CHalftone* h, const uint8_t* p, int32_t* v);          // 16
void ConvertPixel_CMYKcmW2(CHalftone* h, const uint8_t* p, int32_t* v);        // 17
void ConvertPixel_CMYKFloodW2(CHalftone* h, const uint8_t* p, int32_t* v);     // 18
void ConvertPixel_CMYKcmFloodW2(CHalftone* h, const uint8_t* p, int32_t* v);   // 19
void ConvertPixel_CMYKFullW2(CHalftone* h, const uint8_t* p, int32_t* v);      // 20
void ConvertPixel_CMYKcmFullW2(CHalftone* h, const uint8_t* p, int32_t* v);    // 21
void ConvertPixel_CMYKcm6(CHalftone* h, const uint8_t* p, int32_t* v);         // 22
void ConvertPixel_KToMY(CHalftone* h, const uint8_t* p, int32_t* v);           // 0

// Bytes the widest converter reads from one input pixel. A converter may
// read more bytes than the input pixel holds (the next pixel's first ones).
constexpr int32_t kWidestConverterPixelBytes = 6;

// Channel-layout codes 0 to 22.
constexpr int32_t kChannelLayoutCount = 23;

// The converter of a channel-layout code; codes outside 0 to 22 give null,
// code 4 serves like 1. Codes 7, 10 and 13 are the five-channel converters of
// matrix screening.
PixelConverter PixelConverterForLayout(int32_t layout);

// The channel-layout code from the ink-set class, the ink-set code, the
// output colour mode and the halftone routine.
int32_t ChannelLayoutFor(int32_t inkSetClass, int32_t inkSetCode, int32_t outputColorMode, int32_t routine);

// The input colour mode whose colours the error-diffusion converter of an
// ink-set class and output colour mode reads first: 6 (CMYKOG, six bytes) for
// ConvertPixel_CMYKcm6, which no ink-set code selects; else 4 (CMYK).
int32_t DiffusionInputColorMode(int32_t inkSetClass, int32_t outputColorMode);

// The debug-image layout code of the eight-channel routines.
int32_t InputLayoutFor(int32_t inkSetClass, int32_t outputColorMode);

// One conversion task of the multi-threaded engine: pixels start to end
// (exclusive), counted from the left edge of the line.
struct ConversionTask {
    CHalftone* halftone;
    const uint8_t* input;        // the input pixel that pixel `start` converts
    int32_t inputBytesPerPixel;
    int32_t* converted;          // values of pixel `start`; `channels` values per pixel
    int32_t channels;
    int32_t start;
    int32_t end;
    int32_t scale;               // output pixels per input pixel
    int32_t layout;              // channel-layout code
    PixelConverter convert;      // the converter to run; null: the layout's
    void* caller;
    CVarnPrn* job;
    int32_t state;               // 0 idle, 1 ready, 2 taken, 3 done
};

// Converts the task's span: with a scale above 1 only every scale-th pixel
// converts the next input pixel, the others copy the pixel before. The
// task's converter runs where it has one, else the layout's; layout codes
// without a converter run ConvertPixel_CMYK. 0, or -1 for a task it
// cannot run (missing pointers, a scale below 1, a span that does not start
// on a multiple of the scale, more than 8 channels).
int32_t ConvertPixelSpan(ConversionTask* task);

// The common case of ConvertPixelSpan (the four-ink CMYK converter, one input
// pixel per output pixel, four channels) straight into each channel's levels:
// levels[c * levelStride + x] for pixel x from the left edge, the value
// clamped to 0..4095 as the kernels read it. False, with nothing written,
// for any other task.
bool ConvertCmykSpanToLevels(const ConversionTask* task, uint16_t* levels, size_t levelStride);
