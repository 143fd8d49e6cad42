// Print-mode and dot-size tables: the constant data that the printer families
// look a job's print mode and dot size up in, and that the catalogue walks to
// tell the host every model's resolutions, pass modes and dot sizes.
//
// The rows live in tables/*.inc, one row per line. The print-mode rows are
// expanded from tools/print_mode_tables/blocks.txt by the script beside it.
#pragma once

#include <array>
#include <cstdint>

// One print mode. printModeId = X*100000 + Y*1000 + passes*10 + hiSpeedScan,
// where X is resolutionX / 10 below 1000 dpi and resolutionX / 100 from
// 1000 dpi on (integer division), and Y likewise. The name is "<passes> Pass",
// followed by " (Hi-Speed Scan)" on hi-speed rows. A table ends with a row
// whose every field is zero.
struct PRINTMODE {
    uint32_t printModeId;
    uint16_t resolutionX;  // dpi across the carriage scan
    uint16_t resolutionY;  // dpi along the media feed
    uint8_t passes;
    uint8_t hiSpeedScan;   // 1 for a hi-speed scan, else 0
    const char* name;
};

// One dot-size mode. A table ends with a row whose name is null.
struct DOTSIZEMODE {
    const char* name;
    uint32_t dotSizeId;
    bool variableDot;  // several drop sizes (two bits per pixel)
};

extern const PRINTMODE PrintModeTable_TS300P_4C[];
extern const PRINTMODE PrintModeTable_TS300P[];
extern const PRINTMODE PrintModeTable_Tx500_4C[];
extern const PRINTMODE PrintModeTable_TS500_4C[];
extern const PRINTMODE PrintModeTable_Tx500[];
extern const PRINTMODE PrintModeTable_TS500[];
extern const PRINTMODE PrintModeTable_UJF6042[];
extern const PRINTMODE PrintModeTable_UJF3042[];
extern const PRINTMODE PrintModeTable_JV34_4C[];
extern const PRINTMODE PrintModeTable_JV34[];
extern const PRINTMODE PrintModeTable_TS34_4C[];
extern const PRINTMODE PrintModeTable_TS34[];
extern const PRINTMODE PrintModeTable_JFX200[];
extern const PRINTMODE PrintModeTable_JFX200_Spot[];
extern const PRINTMODE PrintModeTable_JFX500[];
extern const PRINTMODE PrintModeTable_JFX500_Spot[];
extern const PRINTMODE PrintModeTable_JV300_4C[];
extern const PRINTMODE PrintModeTable_JV300[];
extern const PRINTMODE PrintModeTable_CJV300_4C[];
extern const PRINTMODE PrintModeTable_CJV300[];

extern const DOTSIZEMODE DotSizeTable_TS300P[];
extern const DOTSIZEMODE DotSizeTable_Tx500[];
extern const DOTSIZEMODE DotSizeTable_UJFx042[];
extern const DOTSIZEMODE DotSizeTable_JV34[];
extern const DOTSIZEMODE DotSizeTable_JFX[];     // JFX200 models
extern const DOTSIZEMODE DotSizeTable_JFX500[];  // JFX500 models

// First row of the table with that id, or null (also for a null table; id 0
// never matches, as the zero row ends the walk).
const PRINTMODE* FindPrintMode(const PRINTMODE* table, int32_t printModeId);

// First row of the table with that dot-size id, or null (also for a null table).
const DOTSIZEMODE* FindDotSizeEntry(const DOTSIZEMODE* table, uint32_t dotSizeId);

// The print-mode table a family looks a job of this printer model up in:
// TS300P (7071, 7072), Tx500/TS500 (7073 to 7076), JV300 (7000 to 7017) and
// CJV300 (7018 to 7051) by IsFourColorModel; UJF-x042 (7052 to 7070) always
// PrintModeTable_UJF6042; JV34 (7077, 7078) and TS34 (7079, 7080) by
// IsFourColorModel; JFX 7081, 7082 to 7084, 7085, 7086 to 7091 their own.
// Null for a model whose family has no print-mode table.
const PRINTMODE* PrintModeTableForModel(int32_t printerModel);

// The dot-size table of a printer model's family: TS300P, Tx500/TS500,
// UJF-x042, JV34/TS34, JFX200 (7081 to 7084), JFX500 (7085 to 7091); null for
// every other model.
const DOTSIZEMODE* DotSizeTableForModel(int32_t printerModel);

// Every table with its name, in a fixed order, for whoever walks them all.
struct NamedPrintModeTable {
    const char* name;
    const PRINTMODE* table;
};
struct NamedDotSizeTable {
    const char* name;
    const DOTSIZEMODE* table;
};
const std::array<NamedPrintModeTable, 20>& AllPrintModeTables();
const std::array<NamedDotSizeTable, 6>& AllDotSizeTables();
