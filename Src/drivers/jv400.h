// The JV400 line (models 728 to 747, the RICOH Pro models 746 and 747 among
// them): direct "Q" commands written straight to the host, planar error
// diffusion (routine 118) with variable dots. Also the page start the JV5
// line shares with it.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "drivers/mrl/mrl.h"
#include "drivers/output_color_modes.h"
#include "halftone/planar_half.h"
#include "job/varn_prn.h"

// The dot-mode code of a JV400 job: dot size 1 gives 0 at 600 dpi across,
// 18 at 1200 x 1200 dpi and 17 otherwise; any other dot size 1 (variable
// dots, two bits per pixel).
int32_t JV400_DotModeCode(int32_t xDpi, int32_t yDpi, int32_t dotSize);

// Job start: job header, halftoner set-up, the OpenPage hook. 0, -1 without
// a job, -2 when the halftoner set-up fails, else the writer's failure code.
// The output colour modes of the JV400 line's image types: CMYK, CMYKOG.
extern const OutputColorModes JV400_OutputColorModes;
int JV400_OpenJob(CVarnPrn* job);
// Creates and starts the job's planar halftoner: 0, or -1.
int JV400_InitHalftone(CVarnPrn* job, int32_t dotMode);

// The three-dot-size parameter set from the line's point lists for two bits
// per pixel; a bare parameter object for any other value.
std::unique_ptr<PlanarChannelParameters> JV400_CreateVdsParams(int bitsPerPixel);

// The channel halftoners of a job: one entry per channel (colours, then the
// two white channels), and the parameter sets they point to, which must live
// until the halftoner's job start has returned.
struct JV400ChannelSetup {
    std::vector<PlanarChannelType> types;
    std::vector<std::unique_ptr<PlanarChannelParameters>> parameters;
};
JV400ChannelSetup JV400_ChannelSetup(int32_t colourChannels, int32_t whiteChannels, int32_t dotMode, int32_t xDpi,
                                     int32_t yDpi);

// Page hooks: 0, -1 for a missing page object or a page or line that cannot
// be described, minus the writer's code when a write fails. The page end is
// JV400_ClosePage (drivers/jv4.h), shared with the JV5 line.
int JV400_OpenPage(CVarnPrn* job);
int JV400_WriteLine(CVarnPrn* job);

// "QP" of the JV400 page header (12 parameter bytes).
Bytes MRL_QP_JV400(uint8_t dotMode, uint16_t yDpi, uint16_t xDpi, uint8_t passes, uint8_t hiSpeed, uint8_t direction,
                   uint8_t media, uint8_t resolutionClass, uint8_t last);
// "PL" 1, 2, white order (0, 1, else 0xFF), 0xFF for a white-ink model whose
// job prints white; nothing otherwise.
Bytes MRL_III_PL_OverPlotting(CVarnPrn* job);
// Vacuum power 1 to 4 as the code 3 to 0; anything else 0xFF.
uint8_t JV400_VacuumCode(int32_t vacuumPower);

namespace jv400 {

// A fresh page object with the "<step>" log line, the print-line hook and
// the page end JV400_ClosePage; its line buffer holds channels x bytes per
// plane + 1024 bytes, at least 16384, and its records carry two bits per
// pixel when dotMode is 1.
void StartPage(CVarnPrn* job, const char* step, JobHook printLine, int32_t dotMode);

}  // namespace jv400
