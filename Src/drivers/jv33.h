// The JV33 line: roll-to-roll printers (models 691 to 696 and 700 to 702)
// that take direct "Q" commands, written straight to the host.
#pragma once

#include <cstdint>

#include "drivers/mrl/mrl.h"
#include "drivers/output_color_modes.h"

class CVarnPrn;

// Job start: job header, halftoner set-up, the OpenPage hook. 0, -1 without
// a job, -2 when the halftoner set-up fails, else the writer's failure code.
// The output colour modes of the JV33 line's colour set-up (CMYK, CMYKcm),
// which the JV34, JV3, JV5 and CJV30 lines share.
extern const OutputColorModes JV33_OutputColorModes;
int JV33_OpenJob(CVarnPrn* job);
// Creates and starts the job's halftoner for the dot mode: 0, or -1.
int JV33_InitHalftone(CVarnPrn* job, int32_t dotMode);

// Page hooks. Each gives 0, or a negative result: -1 for a missing page
// object or a line that cannot be described, minus the writer's code when a
// write fails.
int JV33_OpenPage(CVarnPrn* job);
int JV33_WriteLine(CVarnPrn* job);
int JV33_ClosePage(CVarnPrn* job);  // also the page end of the JV34 line

// Dot mode of the JV33 and print-and-cut lines: 1 (variable dot) unless the
// dot size is 1 or the halftone mode is 6 (screening); then 16, 17 or 18 by
// resolution and halftone version.
int32_t CJV30_GetDotMode(int32_t xDpi, int32_t yDpi, int32_t dotSize, int32_t halftoneMode,
                         int32_t halftoneVersion);

// The fixed-dot mode of a resolution, shared by the dot-mode rules.
int32_t JV33_FixedDotMode(int32_t xDpi, int32_t yDpi, int32_t halftoneVersion);

// The "PL" over-print segment of the page header: white ink on a model of
// ink-set class 17 sends "PL" 1, 2, white order (0, 1, else 0xFF), 1; empty otherwise.
Bytes JV33_OverPrintSegment(CVarnPrn* job);
