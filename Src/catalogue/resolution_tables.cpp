// The catalogue's resolution data: rows in tables/*.inc.
#include "catalogue/resolution_tables.h"

const DOTSIZEMODE DotSizeTable_JV300Family[] = {
    {"WF5 (Min)", 5, true},       {"WF6 (Std)", 6, true}, {"WF3 (Std White)", 3, true},
    {"WF4 (Max)", 4, true},       {"Normal", 128, false}, {nullptr, 0, false}};

#include "catalogue/tables/dot_sizes_per_resolution.inc"
#include "catalogue/tables/ink_pre_limits.inc"
#include "catalogue/tables/pass_mode_sets.inc"

const DOTSIZEPAIR kDotSizes_JV34 = {DotSizeTable_JV34, DotSizesPerResolution_JV34};
const DOTSIZEPAIR kDotSizes_TS34 = {DotSizeTable_JV34, DotSizesPerResolution_TS34};
const DOTSIZEPAIR kDotSizes_UJFx042 = {DotSizeTable_UJFx042, DotSizesPerResolution_UJFx042};
const DOTSIZEPAIR kDotSizes_JFX200 = {DotSizeTable_JFX, DotSizesPerResolution_JFX200};
const DOTSIZEPAIR kDotSizes_JFX500 = {DotSizeTable_JFX500, DotSizesPerResolution_JFX500};
const DOTSIZEPAIR kDotSizes_TS300P = {DotSizeTable_TS300P, DotSizesPerResolution_TS300P};
const DOTSIZEPAIR kDotSizes_Tx500 = {DotSizeTable_Tx500, DotSizesPerResolution_Tx500};
const DOTSIZEPAIR kDotSizes_TS500 = {DotSizeTable_Tx500, DotSizesPerResolution_TS500};
const DOTSIZEPAIR kDotSizes_JV300Family = {DotSizeTable_JV300Family, DotSizesPerResolution_JV300Family};

const PASSMODESET kPassModes_JV3_4C = {PassModes_JV3, Resolutions_JV3_4C, 360, 540};
const PASSMODESET kPassModes_JV3 = {PassModes_JV3, Resolutions_JV3, 360, 540};
const PASSMODESET kPassModes_JV400_4C = {PassModes_JV400, Resolutions_JV400_4C, 900, 900};
const PASSMODESET kPassModes_JV400 = {PassModes_JV400, Resolutions_JV400, 900, 900};
const PASSMODESET kPassModes_JV5_4C = {PassModes_JV5, Resolutions_JV5_4C, 540, 1080};
const PASSMODESET kPassModes_JV5 = {PassModes_JV5, Resolutions_JV5, 540, 1080};
const PASSMODESET kPassModes_JV4 = {PassModes_JV4, Resolutions_JV4, 720, 720};
const PASSMODESET kPassModes_UJF605 = {PassModes_UJF605, Resolutions_UJF605, 1200, 1200};
const PASSMODESET kPassModes_OldFlatbed = {PassModes_UJF605, Resolutions_OldFlatbed, 600, 600};
const PASSMODESET kPassModes_UJF8366 = {PassModes_UJF8366, Resolutions_UJF8366, 2400, 2400};
