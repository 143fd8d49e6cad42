// Questions about a printer model and a job's inks that the families, the
// halftoner and the catalogue ask: the ink-set class, the four-colour
// variants, white and metallic ink, the ink pre-limits and the pass clamps.
// All of them are pure functions; none keeps state.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Ink-set class of a printer model: 17 (white ink), 2, 16 or 0.
int32_t GetInkSetClass(int32_t printerModel);

// The JV400 models that carry white ink (ink-set class 17).
bool JV400_PrinterHasWhite(int32_t printerModel);

// The four-colour variants of the model lines; they pick the four-colour
// print-mode table of a family and halve the minimum pass count.
bool IsFourColorModel(int32_t printerModel);

bool IsPrinterModel740Or741(int32_t printerModel);

// Every dot-size id but 128 prints with two bits per pixel.
bool IsMultiBitDotSize(int32_t dotSizeId);

// Whether a job prints a special ink (white or metallic) from its mode and
// whether it has the matching printer spot separation ("WHITE_INK",
// "METALLIC_INK"): a non-zero mode prints unless it is 3; mode 0 prints
// exactly when the separation is there.
bool HasSpecialInk(int32_t inkMode, bool jobHasSpotSeparation);

inline constexpr const char* kWhiteInkSeparation = "WHITE_INK";
inline constexpr const char* kMetallicInkSeparation = "METALLIC_INK";

// The ink pre-limits of a job, at most 8 values: the job-scope strings
// "Output/Prn/Specific/InkPreLimit/InkPreLimit1" to "...InkPreLimit8" read in
// turn through readJobString (which gives "" for a missing key), each parsed
// as a decimal number, up to the first that is missing, unreadable, zero or
// negative. An empty reader (a job without a ticket) gives an empty list.
using JobStringReader = std::function<std::string(const std::string& key)>;
std::vector<double> ReadInkPreLimit(const JobStringReader& readJobString);

// Pass clamps of the page set-ups: the minimum pass count is yDpi / 180 for a
// four-colour model, else yDpi / 90. Both raise passes to the minimum; the
// first lowers passes above twice the minimum except at 540 and 720 dpi, the
// second leaves 540 and 900 dpi alone and lowers passes above four times the
// minimum. Each returns whether it changed passes.
bool ClampPassesToPrinterRange(int32_t& passes, int32_t yDpi, int32_t printerModel);
bool ClampPassesToPrinterRangeEx(int32_t& passes, int32_t yDpi, int32_t printerModel);
