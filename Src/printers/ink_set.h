// Ink-set codes: what a job's white mode makes of its inks. The codes are
// also the choice ids of the "Print mode" option that the catalogue exports.
#pragma once

#include <cstdint>

enum InkSetCode : int32_t {
    kInkSetCode419 = 419,  // white ink from the job's spot separation
    kInkSetCode420 = 420,  // white mode 1
    kInkSetCode421 = 421,  // white mode 2
    kInkSetCode422 = 422,  // no white ink (white mode 3, or no separation)
    kInkSetCode460 = 460,  // white mode 5
    kInkSetCode464 = 464,  // white mode 9
};

// The ink-set code of a job from its white mode ("Output/Prn/Specific/White/Mode")
// and whether the job prints a "WHITE_INK" printer spot separation, which
// decides for every mode other than 1, 2, 3, 5 and 9.
InkSetCode InkSetCodeForWhiteMode(int32_t whiteMode, bool jobHasWhiteInkSeparation);

class CVarnPrn;
// The job's ink-set code from its white mode and its "WHITE_INK" printer spot
// separation (looked at only when the white mode leaves the choice to it);
// 422 without a job. The flag has no effect.
InkSetCode GetInkSetCode(CVarnPrn* job, int flag);
