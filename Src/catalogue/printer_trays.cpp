// Paper trays of a printer model and the media sizes each accepts.
#include <algorithm>
#include <iterator>

#include "catalogue/printer_options.h"

namespace {

struct TRAYCLASS {
    uint32_t rollFirst, rollStart, sheetFirst, sheetStart, sheetDefault;
};

#include "catalogue/tables/tray_media.inc"

constexpr uint32_t kTrayAutomatic = 0;
constexpr uint32_t kTrayCutSheet = 1;
constexpr uint32_t kTrayRoll = 9;

struct MediaTable {
    const uint32_t* ids;
    size_t count;
};
template <size_t N>
constexpr MediaTable Table(const uint32_t (&ids)[N]) {
    return {ids, N};
}

void ClearTrays(PRINTERMODEL& model) {
    model.listTrayMedia.clear();
    model.listTrays.clear();
    model.vecDefaultMediaIDs.clear();
}

void AddMedia(PRINTERMODEL& model, uint32_t mediaId, uint32_t tray, const TrayMargins& m) {
    model.AddTrayMedia(mediaId, {tray, kAbsent}, m.left, m.right, m.top, m.bottom, 0, 0);
}

// The first id, then the table's ids from the start id on (none when the
// table lacks it).
void AddMediaRun(PRINTERMODEL& model, uint32_t first, MediaTable table, uint32_t start, uint32_t tray,
                 const TrayMargins& margins) {
    AddMedia(model, first, tray, margins);
    const uint32_t* end = table.ids + table.count;
    for (const uint32_t* id = std::find(table.ids, end, start); id != end; ++id) {
        AddMedia(model, *id, tray, margins);
    }
}

void SetRollAndSheetTrays(PRINTERMODEL& model, const TRAYCLASS& c, MediaTable rolls, const TrayMargins& roll,
                          const TrayMargins& cutSheet) {
    ClearTrays(model);
    AddMediaRun(model, c.rollFirst, rolls, c.rollStart, kTrayRoll, roll);
    AddMediaRun(model, c.sheetFirst, Table(CutSheetMedia), c.sheetStart, kTrayCutSheet, cutSheet);
    model.AddTray("Roll", kTrayRoll, c.rollFirst, 1, 0);
    model.AddTray("Cut Sheet", kTrayCutSheet, c.sheetDefault, 0, 0);
    model.nDefaultTray = kTrayRoll;
}

}  // namespace

void SetCJV30Trays(PRINTERMODEL& model, uint32_t widthClass) {
    const TRAYCLASS& c = TrayClasses_CJV30[widthClass < 3 ? widthClass : 3];
    SetRollAndSheetTrays(model, c, Table(RollMedia_CJV30), {2500, 2500, 4000, 0}, {2500, 2500, 4000, 9850});
}

void SetJV3Trays(PRINTERMODEL& model, uint32_t widthClass) {
    const TRAYCLASS& c = TrayClasses_JV3[widthClass <= 3 ? widthClass : 2];
    SetRollAndSheetTrays(model, c, Table(RollMedia_JV3), {1500, 1500, 2500, 0}, {1500, 1500, 7500, 11000});
}

void SetJV4Trays(PRINTERMODEL& model, uint32_t widthClass) {
    const TRAYCLASS& c = TrayClasses_JV4[widthClass <= 2 ? widthClass : 1];
    SetRollAndSheetTrays(model, c, Table(RollMedia_JV4), {500, 500, 6500, 2700}, {500, 500, 8500, 8500});
}

void SetWidthClassTrays(PRINTERMODEL& model, uint32_t widthClass, const TrayMargins& roll,
                        const TrayMargins& cutSheet) {
    if (widthClass >= std::size(TrayClasses_WidthClass)) return;  // no such class: trays unchanged
    SetRollAndSheetTrays(model, TrayClasses_WidthClass[widthClass], Table(RollMedia_WidthClass), roll, cutSheet);
}

void SetAutomaticTray(PRINTERMODEL& model, uint32_t variant, const TrayMargins& margins, uint32_t defaultMediaId) {
    static const MediaTable kTables[] = {Table(AutomaticMedia_0), Table(AutomaticMedia_1), Table(AutomaticMedia_2),
                                         Table(AutomaticMedia_3)};
    if (variant >= std::size(kTables)) return;  // no such variant: trays unchanged
    ClearTrays(model);
    for (size_t i = 0; i < kTables[variant].count; ++i) {
        AddMedia(model, kTables[variant].ids[i], kTrayAutomatic, margins);
    }
    model.AddTray("Automatic", kTrayAutomatic, defaultMediaId, 0, 0);
    model.nDefaultTray = kTrayAutomatic;
}
