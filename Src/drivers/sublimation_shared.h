// What the sublimation and textile lines (TS300P, Tx500/TS500) share: the
// dot-size check of the job start, the planar halftoner set-up of their BMYK
// and BMYKbm ink sets, and the page-header values they map alike.
#pragma once

#include <cstdint>

#include "drivers/mrl/mrl.h"
#include "drivers/output_color_modes.h"
#include "halftone/planar_channel.h"
#include "job/varn_prn.h"
#include "printers/print_modes.h"

namespace sublimation {

// The output colour modes of the BMYK and BMYKbm set-ups: 4 and 6.
extern const OutputColorModes kOutputColorModes;

// The printer colour codes of the channels: B, M, Y, K, then the light b and m.
inline constexpr uint32_t kColourCodes[6] = {2, 1, 4, 0, 18, 17};

// The common head of the job start (logged as "<family>_OpenJob..."): both
// record-suppression flags cleared, the CloseJob and OpenPage hooks
// installed, the job header "QE" written, the dot size checked. 0 when the
// set-up may go on; else what the job start returns: the host writer's code
// (logged as "<family>_OpenJob return error code %d") or -2 for a dot size
// the model's table lacks.
int BeginJob(CVarnPrn* job, const char* family, JobHook closeJob, JobHook openPage);

// The common head of the page start: logs "<family>_OpenPage", installs the
// print-line and ClosePage hooks and looks the job's print mode up in its
// model's table. Null, with "<family>_Intern::OpenPage Print mode %d not in
// table for printer %d" (or a resolution the header cannot carry) in
// "Output/ErrorMessage", when the page cannot go on.
const PRINTMODE* BeginPage(CVarnPrn* job, const char* family, JobHook printLine, JobHook closePage);
// The line buffer a page asks for: all planes of a line and 1024 bytes, at
// least 16384 bytes.
size_t LineCapacity(const CVarnPrn& job);

// Writes the page header with the page-header tag and logs "<step>" or
// "<step> return error code %d"; 0, or minus the host writer's code.
int WritePageHeader(CVarnPrn* job, const char* step, const Bytes& header);
// Logs "<step>" and writes the page end "QE"; 0, or minus the host writer's code.
int WritePageEnd(CVarnPrn* job, const char* step);
// The CloseJob hook's work: the close-job record, then the driver object is
// deleted (logged as deletingLine). 0 without a job, else 0 or minus the
// host writer's code.
int EndJob(CVarnPrn* job, const char* deletingLine);

// The job's row in its model's dot-size table. A dot size the table lacks
// fails the job start before any set-up reads the row: null, after reporting
// "<family>_OpenJob: Dot size %d not in table for printer %d".
const DOTSIZEMODE* CheckDotSize(CVarnPrn* job, const char* family);

// Logs the job's channel set as letters:
// "<family>_InitHalftone RasterDataChannelDescription: %s".
void LogChannelSet(CVarnPrn& job, const char* family);

// The channel halftoner that every channel of the job runs.
struct PlanarSetup {
    bool variable = false;  // two bits per pixel
    PlanarChannelFactory factory = nullptr;
    const PlanarChannelParameters* parameters = nullptr;  // must live until the call returns
};

// Creates the job's halftoner (routine 118, the dot-size id as dot mode) and
// starts it: by the output colour mode 4 ("BMYK", 4 channels) or 6
// ("BMYKbm", 6 channels, blue and magenta split into a dark and a light
// share), linearisation curves from the job's ink pre-limits (the light
// channels follow blue and magenta), the planar halftoner on the job's thread
// count. False after logging "<family>_InitHalftone: ..."; the job then holds
// no halftoner.
bool StartPlanarHalftoner(CVarnPrn& job, const char* family, const PlanarSetup& setup);

// After StartPlanarHalftoner: whether the picture has the channels its colour
// set-up reads (PictureHasChannels, named "<family>_OpenJob"); a refused job
// holds no halftoner.
bool PictureFitsHalftoner(CVarnPrn& job, const char* family);

// Vacuum power 1 to 4 as the byte 3 to 0; anything else 0xFF.
uint8_t VacuumByte(int32_t vacuumPower);
// 1 for roll media (source 9) with the cutter on, else 0.
uint8_t CutFlag(const CVarnPrn& job);

}  // namespace sublimation
