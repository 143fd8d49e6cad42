// The JV3 line (models 654 to 672): solvent printers that take the classic
// command form, written straight to the host: a form feed as job header and
// page end, a page header of fixed-form "M" commands, ESC "i" raster records
// closed by CR and LF at the end of each line. The page end is JV4_ClosePage.
#pragma once

#include <cstdint>

class CVarnPrn;

// Job start: the form feed, the halftoner, the OpenPage hook. 0, -1 without a
// job, -2 when the halftoner set-up fails, else the writer's failure code.
int JV3_OpenJob(CVarnPrn* job);
// Halftoner set-up for the classic resolution code: 0, or -1.
int JV3_InitHalftone(CVarnPrn* job, int32_t resolutionCode);

// Page hooks: 0, or -1 for a missing page object, minus the writer's code
// when a write fails.
int JV3_OpenPage(CVarnPrn* job);
int JV3_WriteLine(CVarnPrn* job);

// The classic resolution code of the job (MRL_ResolutionCode of x dpi x y dpi).
int32_t JV3_ResolutionCode(const CVarnPrn& job);
// Vacuum power 1 and 2 as they are, 3 as 0, any other value 0xFF.
uint8_t JV3_VacuumCode(int32_t vacuumPower);
