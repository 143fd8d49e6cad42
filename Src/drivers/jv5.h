// The JV5 line (models 677, 678, 681, 682, 685, 686, 689 and 690): direct
// "Q" commands written straight to the host, error diffusion or matrix
// screening, every plane of a line sent at full length. The page end is the
// JV400 line's.
#pragma once

#include <cstdint>

#include "drivers/mrl/mrl.h"

class CVarnPrn;

// Job start: job header, halftoner set-up, the OpenPage hook. 0, -1 without
// a job, -2 when the halftoner set-up fails, else the writer's failure code.
int JV5_OpenJob(CVarnPrn* job);
// Creates and starts the job's halftoner: 0, or -1.
int JV5_InitHalftone(CVarnPrn* job);

// Page hooks: 0, -1 for a missing page object or a page or line that cannot
// be described, minus the writer's code when a write fails.
int JV5_OpenPage(CVarnPrn* job);
int JV5_WriteLine(CVarnPrn* job);

// "QP" of the JV5 page header (10 parameter bytes, the last 0xFF).
Bytes MRL_QP_JV5(uint8_t dotMode, uint16_t yDpi, uint16_t xDpi, uint8_t passes, uint8_t hiSpeed, uint8_t direction,
                 uint8_t media);
// "PB" with one byte.
Bytes MRL_PB(uint8_t value);
