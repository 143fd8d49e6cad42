// Integer scale factor from a RIP resolution to a printer resolution.
#pragma once

#include <cstdint>

// Sets *factor to 1; when the printer resolution is a whole multiple n of the
// RIP resolution (within 2^-43), sets *factor to n and returns the RIP
// resolution; otherwise (also for a RIP resolution not above 0 or above the
// printer's) returns 0.0.
double GetIntegerScaleFactor(int32_t* factor, double ripDpi, double printerDpi);

// A length in millimetres in printer pixels at a resolution in dpi, before
// rounding: the page's pixels and lines, its margins.
double PrinterPixelsFromMm(double mm, double dpi);
