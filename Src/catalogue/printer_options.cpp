// Option groups of a printer model: the vocabulary and the line builders.
#include "catalogue/printer_options.h"

#include <algorithm>
#include <iterator>

namespace {

struct OPTIONCHOICE {
    uint32_t id;
    const char* name;
    uint32_t value1;
};
struct OPTIONGROUPDEF {
    uint32_t id;
    const char* name;
    uint32_t defaultValue;
    const OPTIONCHOICE* choices;
    size_t choiceCount;
};

#include "catalogue/tables/option_groups.inc"
static_assert(std::size(kOptionGroups) == static_cast<size_t>(OptionGroup::SpotColorGenerationInServer) + 1,
              "one vocabulary row per option group");

void Append(OptionList& options, std::initializer_list<OptionGroup> groups) {
    for (OptionGroup group : groups) AppendOptionGroup(options, group);
}

// What a line builder appends to an empty list, what it keeps of a list it
// took over, and its white groups.
struct LineOptions {
    std::initializer_list<OptionGroup> groups;
    std::set<uint32_t> keep;
    void (*addWhite)(OptionList&);
};

void BuildLineOptions(OptionList& options, const LineOptions& line, bool withWhite, bool withMetallic) {
    if (options.empty()) {
        Append(options, line.groups);
        if (withWhite) line.addWhite(options);
        if (withMetallic) AddMetallicPrintModeOptions(options, 10);
        return;
    }
    std::set<uint32_t> keep = line.keep;
    if (withWhite) keep.insert({kOptionPrintMode, kOptionPrintingOrder, kOptionWhiteInkCoverage,
                                kOptionControlStripWithWhite});
    if (withMetallic) keep.insert({kOptionPrintModeMetallic, kOptionMetallicInkCoverage,
                                   kOptionSpotColorGenerationInServer});
    const KeptOptions kept = KeepOptionsById(options, keep);
    if (withWhite && !kept.whiteSeen) line.addWhite(options);
    if (withMetallic && !kept.metallicSeen) AddMetallicPrintModeOptions(options, 10);
}

void WhiteCoverage10(OptionList& options) { AddWhitePrintModeOptions(options, 10, false); }
void WhiteCoverage7Extra(OptionList& options) { AddWhitePrintModeOptions(options, 7, true); }
void WhiteCoverage7(OptionList& options) { AddWhitePrintModeOptions(options, 7, false); }

}  // namespace

void AppendOptionGroup(OptionList& options, OptionGroup group, int64_t defaultValue) {
    const OPTIONGROUPDEF& def = kOptionGroups[static_cast<size_t>(group)];
    PRINTOPTION option;
    option.Set(def.name, def.id, 0, defaultValue >= 0 ? static_cast<uint32_t>(defaultValue) : def.defaultValue);
    for (size_t i = 0; i < def.choiceCount; ++i) {
        option.AddValue(def.choices[i].id, def.choices[i].name, def.choices[i].value1, -1, -1, -1);
    }
    if (group == OptionGroup::AutoCutDryingTime) option.AddValue(19, "AutoCut Drying time", 0, 16, 1, 1);
    options.push_back(std::move(option));
}

void AddWhitePrintModeOptions(OptionList& options, uint32_t coverageDefault, bool extraOrders) {
    AppendOptionGroup(options, OptionGroup::PrintMode);
    AppendOptionGroup(options, extraOrders ? OptionGroup::PrintingOrderExtra : OptionGroup::PrintingOrder);
    AppendOptionGroup(options, OptionGroup::WhiteInkCoverage, coverageDefault);
    AppendOptionGroup(options, OptionGroup::ControlStripWithWhite);
}

void AddWhitePrintModeOptionsLevels(OptionList& options) {
    Append(options, {OptionGroup::PrintMode, OptionGroup::PrintingOrder, OptionGroup::WhiteInkCoverageLevels,
                     OptionGroup::ControlStripWithWhite});
}

void AddMetallicPrintModeOptions(OptionList& options, uint32_t coverageDefault) {
    AppendOptionGroup(options, OptionGroup::PrintModeMetallic);
    AppendOptionGroup(options, OptionGroup::MetallicInkCoverage, coverageDefault);
    AppendOptionGroup(options, OptionGroup::SpotColorGenerationInServer, 4);
}

void AddCJV30Options(OptionList& options, bool withWhite) {
    BuildLineOptions(options,
                     {{OptionGroup::CuttingContourModes, OptionGroup::DeviceHandlesCutMarks,
                       OptionGroup::PrintDirection, OptionGroup::VacuumSixLevels, OptionGroup::AutoCutDryingTime,
                       OptionGroup::PrintAndContourCut, OptionGroup::PaperFeedAdjustment},
                      {3, 1, 9, 19, 57, 59, 86, 11},
                      WhiteCoverage10},
                     withWhite, false);
}

void AddJV300Options(OptionList& options, bool withWhite, bool contourCut, bool withMetallic) {
    const std::set<uint32_t> keep{3, 1, 9, 19, 57, 59, 86, 11};
    if (contourCut) {
        BuildLineOptions(options,
                         {{OptionGroup::CuttingContourModes, OptionGroup::DeviceHandlesCutMarks,
                           OptionGroup::PrintAndContourCut, OptionGroup::PrintDirection,
                           OptionGroup::VacuumStrongToWeak, OptionGroup::PaperFeedAdjustment},
                          keep,
                          WhiteCoverage7Extra},
                         withWhite, withMetallic);
    } else {
        BuildLineOptions(options,
                         {{OptionGroup::CuttingPlain, OptionGroup::PrintDirection, OptionGroup::VacuumStrongToWeak,
                           OptionGroup::PaperFeedAdjustment},
                          keep,
                          WhiteCoverage7Extra},
                         withWhite, withMetallic);
    }
}

void AddJV33Options(OptionList& options, bool withWhite) {
    BuildLineOptions(options,
                     {{OptionGroup::CuttingPlain, OptionGroup::PrintDirection, OptionGroup::VacuumSixLevels,
                       OptionGroup::AutoCutDryingTime, OptionGroup::PaperFeedAdjustment},
                      {3, 1, 9, 19, 57, 59, 11},
                      WhiteCoverage10},
                     withWhite, false);
}

void AddJV3Options(OptionList& options, bool withWhite) {
    BuildLineOptions(options,
                     {{OptionGroup::CuttingPlain, OptionGroup::PrintDirection, OptionGroup::VacuumStandardToOff,
                       OptionGroup::AutoCutDryingTime, OptionGroup::PaperFeedAdjustment},
                      {3, 1, 9, 19, 57, 59, 11},
                      AddWhitePrintModeOptionsLevels},
                     withWhite, false);
}

void AddPrintDirectionOptions(OptionList& options, bool withWhite) {
    BuildLineOptions(options,
                     {{OptionGroup::PrintDirection, OptionGroup::VacuumStrongToWeak, OptionGroup::PaperFeedAdjustment},
                      {1, 9, 57, 59, 11},
                      WhiteCoverage7},
                     withWhite, false);
}

void AddJV5Options(OptionList& options) {
    Append(options, {OptionGroup::CuttingPlain, OptionGroup::PrintDirection, OptionGroup::VacuumSixLevels,
                     OptionGroup::AutoCutDryingTime, OptionGroup::PaperFeedAdjustment});
}

KeptOptions KeepOptionsById(OptionList& options, const std::set<uint32_t>& ids) {
    KeptOptions kept;
    for (const PRINTOPTION& option : options) {
        if (option.nID == kOptionPrintMode || option.nID == kOptionPrintingOrder ||
            option.nID == kOptionWhiteInkCoverage) {
            kept.whiteSeen = true;
        }
        if (option.nID == kOptionMetallicInkCoverage || option.nID == kOptionPrintModeMetallic) {
            kept.metallicSeen = true;
        }
    }
    options.erase(std::remove_if(options.begin(), options.end(),
                                 [&](const PRINTOPTION& option) { return ids.count(option.nID) == 0; }),
                  options.end());
    return kept;
}

void RemoveOptionById(OptionList& options, uint32_t id) {
    auto found = std::find_if(options.begin(), options.end(), [&](const PRINTOPTION& o) { return o.nID == id; });
    if (found != options.end()) options.erase(found);
}
