// Option groups and paper trays of a printer model.
#pragma once

#include <cstdint>
#include <set>
#include <vector>

#include "catalogue/catalogue_records.h"

using OptionList = std::vector<PRINTOPTION>;

// Option-group ids.
enum OptionGroupId : uint32_t {
    kOptionPrintDirection = 1,
    kOptionCutting = 3,
    kOptionVacuum = 9,
    kOptionPaperFeedAdjustment = 11,
    kOptionAutoCutDryingTime = 19,
    kOptionPrintMode = 54,
    kOptionPrintingOrder = 55,
    kOptionWhiteInkCoverage = 56,
    kOptionManualFlatbed = 60,
    kOptionPrintAndContourCut = 86,
    kOptionDeviceHandlesCutMarks = 87,
    kOptionControlStripWithWhite = 96,
    kOptionMetallicInkCoverage = 100,
    kOptionPrintModeMetallic = 102,
    kOptionSpotColorGenerationInServer = 130,
};

// The groups of the vocabulary, each appended as a copy.
enum class OptionGroup {
    PrintDirection,
    CuttingPlain,
    CuttingContourModes,
    VacuumSixLevels,
    VacuumStrongToWeak,
    VacuumStandardToOff,
    PaperFeedAdjustment,
    AutoCutDryingTime,
    ManualFlatbed,
    PrintMode,
    PrintingOrder,
    PrintingOrderExtra,  // with "White Only" and "Color White Color"
    WhiteInkCoverage,    // percent form
    WhiteInkCoverageLevels,
    PrintAndContourCut,
    DeviceHandlesCutMarks,
    ControlStripWithWhite,
    MetallicInkCoverage,
    PrintModeMetallic,
    SpotColorGenerationInServer,
};
// The group with its own default; coverage and server spot-colour groups
// take the one given when it is not negative.
void AppendOptionGroup(OptionList& options, OptionGroup group, int64_t defaultValue = -1);

void AddWhitePrintModeOptions(OptionList& options, uint32_t coverageDefault, bool extraOrders);
void AddWhitePrintModeOptionsLevels(OptionList& options);
void AddMetallicPrintModeOptions(OptionList& options, uint32_t coverageDefault);

// Line builders: on an empty list they append their groups (and the white or
// metallic ones); on a list taken over from the model before, they keep
// their own groups and append only the white or metallic set not yet there.
void AddCJV30Options(OptionList& options, bool withWhite);
void AddJV300Options(OptionList& options, bool withWhite, bool contourCut, bool withMetallic);
void AddJV33Options(OptionList& options, bool withWhite);
void AddJV3Options(OptionList& options, bool withWhite);
void AddPrintDirectionOptions(OptionList& options, bool withWhite);
void AddJV5Options(OptionList& options);  // always appends

struct KeptOptions {
    bool whiteSeen = false;
    bool metallicSeen = false;
};
// Removes the groups whose id is not in the set; tells whether a white
// (54 to 56) or metallic (100, 102) group stood in the list before.
KeptOptions KeepOptionsById(OptionList& options, const std::set<uint32_t>& ids);
// Removes the first group with that id.
void RemoveOptionById(OptionList& options, uint32_t id);

// Tray margins: left, right, top, bottom in 1/100 mm.
struct TrayMargins {
    uint32_t left, right, top, bottom;
};

// Roll and cut-sheet trays with their media, by width class; the default
// tray becomes the roll.
void SetCJV30Trays(PRINTERMODEL& model, uint32_t widthClass);
void SetJV3Trays(PRINTERMODEL& model, uint32_t widthClass);
void SetJV4Trays(PRINTERMODEL& model, uint32_t widthClass);
void SetWidthClassTrays(PRINTERMODEL& model, uint32_t widthClass, const TrayMargins& roll,
                        const TrayMargins& cutSheet);
// The one automatic tray of a flatbed (variants 0 to 3).
void SetAutomaticTray(PRINTERMODEL& model, uint32_t variant, const TrayMargins& margins, uint32_t defaultMediaId);
