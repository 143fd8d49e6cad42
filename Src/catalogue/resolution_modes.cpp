// A model's resolutions and pass modes: from a print-mode table or from a
// written-out set.
#include <utility>
#include <vector>

#include "catalogue/resolution_tables.h"

void PRINTERMODEL::SetPrintModesFromTable(const PRINTMODE* table, const DOTSIZEPAIR& dotSizes,
                                          const INKPRELIMITROW* preLimits, double defaultX, double defaultY) {
    listResolutions.clear();
    listPassModes.clear();
    listDotSizes.clear();
    // Rebuilt too: a model that changes tables would otherwise carry its
    // predecessor's pre-limits beside its own.
    listInkPreLimits.clear();

    std::vector<std::pair<uint16_t, uint16_t>> resolutions;  // in order of first appearance
    size_t rowCount = 0;
    for (const PRINTMODE* row = table; row->printModeId != 0; ++row, ++rowCount) {
        std::pair<uint16_t, uint16_t> xy{row->resolutionX, row->resolutionY};
        bool seen = false;
        for (const auto& r : resolutions) seen = seen || r == xy;
        if (!seen) resolutions.push_back(xy);
    }
    std::vector<uint32_t> dotSizeIds;
    for (const DOTSIZEMODE* d = dotSizes.pDotSizes; d->name != nullptr; ++d) dotSizeIds.push_back(d->dotSizeId);

    for (const auto& [x, y] : resolutions) {
        std::vector<uint32_t> dotSizeIndices;
        const DOTSIZEROW* perResolution = dotSizes.pPerResolution;
        while (perResolution->nResolutionX != 0 &&
               (perResolution->nResolutionX != x || perResolution->nResolutionY != y)) {
            ++perResolution;
        }
        if (perResolution->nResolutionX != 0) {
            for (uint16_t id : perResolution->aDotSizeIds) {
                if (id == 0xFFFF) break;
                // An id the line's dot-size table lacks is left out.
                for (size_t i = 0; i < dotSizeIds.size(); ++i) {
                    if (dotSizeIds[i] == id) {
                        dotSizeIndices.push_back(static_cast<uint32_t>(i));
                        break;
                    }
                }
            }
            while (dotSizeIndices.size() < dotSizeIds.size()) dotSizeIndices.push_back(kAbsent);
        }
        std::vector<uint32_t> slots(rowCount, kAbsent);
        for (size_t i = 0; i < rowCount; ++i) {
            if (table[i].resolutionX == x && table[i].resolutionY == y) slots[i] = static_cast<uint32_t>(i);
        }
        AddResolution(x, y, slots, dotSizeIndices);
    }
    for (const DOTSIZEMODE* d = dotSizes.pDotSizes; d->name != nullptr; ++d) AddDotSize(d->name, d->dotSizeId);
    for (size_t i = 0; i < rowCount; ++i) AddPassMode(table[i].name, table[i].printModeId);

    if (preLimits) {
        for (const auto& [x, y] : resolutions) {
            const INKPRELIMITROW* row = preLimits;
            while (row->nResolutionX != 0 && (row->nResolutionX != x || row->nResolutionY != y)) ++row;
            if (row->nResolutionX == 0) continue;
            std::vector<double> limits;
            for (double limit : row->aLimits) {
                if (limit != -1.0) limits.push_back(limit);
            }
            AddPrintModeGroup(x, y, limits);
        }
    }
    dDefaultResolutionX = defaultX;
    dDefaultResolutionY = defaultY;
}

void SetPassModeSet(PRINTERMODEL& model, const PASSMODESET& set, uint32_t inkId) {
    model.listResolutions.clear();
    model.listPassModes.clear();
    size_t passModeCount = 0;
    while (set.passModes[passModeCount].name != nullptr) ++passModeCount;
    for (const PASSMODERESOLUTION* r = set.resolutions; r->nResolutionX != 0; ++r) {
        if (r->nOnlyWithInk != 0 && r->nOnlyWithInk != inkId) continue;
        std::vector<uint32_t> slots(passModeCount, kAbsent);
        for (int8_t allowed : r->aAllowed) {
            if (allowed < 0) break;
            slots.at(static_cast<size_t>(allowed)) = static_cast<uint32_t>(allowed);
        }
        model.AddResolution(r->nResolutionX, r->nResolutionY, slots, {});
    }
    model.dDefaultResolutionX = set.nDefaultX;
    model.dDefaultResolutionY = set.nDefaultY;
    for (size_t i = 0; i < passModeCount; ++i) model.AddPassMode(set.passModes[i].name, set.passModes[i].id);
}

void PRINTERMODEL::SetPassModes(PassModeLine line, PassModeVariant variant, uint32_t inkId) {
    const bool fourColor = variant == PassModeVariant::FourColor;
    switch (line) {
        case PassModeLine::JV3:
            SetPassModeSet(*this, fourColor ? kPassModes_JV3_4C : kPassModes_JV3);
            break;
        case PassModeLine::JV400:
            SetPassModeSet(*this, fourColor ? kPassModes_JV400_4C : kPassModes_JV400, inkId);
            break;
        case PassModeLine::JV5:
            SetPassModeSet(*this, fourColor ? kPassModes_JV5_4C : kPassModes_JV5);
            break;
    }
}
