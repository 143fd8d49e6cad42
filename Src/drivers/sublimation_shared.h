// What the sublimation and textile lines (TS300P, Tx500/TS500) share: the
// dot-size check of the job start, the planar halftoner set-up of their BMYK
// and BMYKbm ink sets, and the page-header values they map alike.
#pragma once

#include <cstdint>

#include "halftone/planar_channel.h"
#include "printers/print_modes.h"

class CVarnPrn;

namespace sublimation {

// The printer colour codes of the channels: B, M, Y, K, then the light b and m.
inline constexpr uint32_t kColourCodes[6] = {2, 1, 4, 0, 18, 17};

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

// Vacuum power 1 to 4 as the byte 3 to 0; anything else 0xFF.
uint8_t VacuumByte(int32_t vacuumPower);
// 1 for roll media (source 9) with the cutter on, else 0.
uint8_t CutFlag(const CVarnPrn& job);

}  // namespace sublimation
