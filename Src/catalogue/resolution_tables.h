// Static data the catalogue builds resolutions and pass modes from: the
// per-resolution dot sizes and ink pre-limits handed over with a print-mode
// table, and the fixed pass-mode sets of the older lines.
#pragma once

#include <cstdint>

#include "catalogue/catalogue_records.h"
#include "printers/print_modes.h"

// Dot-size modes of the JV150, JV300, CJV150 and CJV300 entries.
extern const DOTSIZEMODE DotSizeTable_JV300Family[];

// Print-mode tables come with these pairs and pre-limit tables.
extern const DOTSIZEPAIR kDotSizes_JV34, kDotSizes_TS34, kDotSizes_UJFx042, kDotSizes_JFX200, kDotSizes_JFX500,
    kDotSizes_TS300P, kDotSizes_Tx500, kDotSizes_TS500, kDotSizes_JV300Family;
extern const INKPRELIMITROW InkPreLimits_JV34[], InkPreLimits_TS34[], InkPreLimits_UJFx042[],
    InkPreLimits_JFX200[], InkPreLimits_JFX500[], InkPreLimits_TS300P[], InkPreLimits_Tx500[],
    InkPreLimits_TS500[], InkPreLimits_JV300Family[];

// A pass-mode set written out: its pass modes (index order), the resolutions
// with the indices of the pass modes allowed at each, and the default.
struct PASSMODEROW {
    const char* name;  // null ends the list
    uint32_t id;
};
struct PASSMODERESOLUTION {
    uint16_t nResolutionX;  // 0 ends the list
    uint16_t nResolutionY;
    uint32_t nOnlyWithInk;  // 0: always; else only for a model of this ink type
    int8_t aAllowed[12];    // ended by -1 when fewer than twelve
};
struct PASSMODESET {
    const PASSMODEROW* passModes;
    const PASSMODERESOLUTION* resolutions;
    uint16_t nDefaultX;
    uint16_t nDefaultY;
};

extern const PASSMODESET kPassModes_JV3_4C, kPassModes_JV3, kPassModes_JV400_4C, kPassModes_JV400,
    kPassModes_JV5_4C, kPassModes_JV5;
// The sets the model table writes out itself.
extern const PASSMODESET kPassModes_JV4, kPassModes_UJF605, kPassModes_OldFlatbed, kPassModes_UJF8366;

// Resolutions and pass modes of a written-out set (the JV400 line's rows
// that name an ink only for a model of that ink).
void SetPassModeSet(PRINTERMODEL& model, const PASSMODESET& set, uint32_t inkId = 0);
