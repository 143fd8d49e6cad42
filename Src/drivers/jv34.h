// The JV34/TS34 line (models 7077 to 7080): direct "Q" commands like the
// JV33 line, with print modes and dot sizes looked up in tables.
#pragma once

#include <cstdint>

#include "printers/print_modes.h"

class CVarnPrn;

// Job start: job header, halftoner set-up, the OpenPage hook. 0, -1 without
// a job, -2 when the halftoner set-up fails (also for a dot size that the
// model's table does not have), else the writer's failure code.
int JV34_OpenJob(CVarnPrn* job);
int JV34_InitHalftone(CVarnPrn* job, int32_t dotMode);

// Page hooks; the page end is JV33_ClosePage. OpenPage gives -1 (with the
// error message) for a print quality that is not in the model's print-mode table.
int JV34_OpenPage(CVarnPrn* job);
int JV34_WriteLine(CVarnPrn* job);

// Dot mode: 1 (variable dot) unless the dot size is 3 ("Fixed dot"); then
// the fixed-dot mode of the resolution. The halftone mode plays no part.
int32_t JV34_GetDotMode(int32_t xDpi, int32_t yDpi, int32_t dotSize, int32_t halftoneMode,
                        int32_t halftoneVersion);

// The job's print-quality row in its model's print-mode table, or null.
const PRINTMODE* JV34_LookupPrintMode(const CVarnPrn* job);
