// The printer model table: 23 families, 171 models. One working record is
// carried through a family: the family's common lists are built once, and
// each model changes only what differs from the model built before it.
#include <initializer_list>
#include <string>

#include "catalogue/dialog_descriptions.h"
#include "catalogue/printer_options.h"
#include "catalogue/resolution_tables.h"
#include "catalogue/varn_printer.h"

namespace {

struct ModelName {
    int32_t id;
    const char* name;
    const char* shortName;
};

struct Heater {
    const char* name;
    uint32_t type;
    double minimum, maximum, step, defaultValue;
};

// Halftone versions of a family; 0: the family has no screening.
struct Halftones {
    uint32_t errorDiffusion;
    uint32_t screening;
};

struct Port {
    uint32_t type0, type1, specialType;
    const char* plugin;
};
constexpr Port kSerialPort = {12, 4, 4, "MimakiPort"};
constexpr Port kParallelPort = {6, 4, 4, "MimakiPort"};
constexpr Port kLegacyUsbPort = {4, 4, 4, "MimakiPort"};
constexpr Port kUsbPort = {4, 4, 4, "MimakiUsbPort"};

constexpr uint32_t kMimaki = 21;
constexpr uint32_t kRicoh = 24;

// Margins of the width-class trays, roll and cut sheet.
struct WidthClassMargins {
    TrayMargins roll, cutSheet;
};
constexpr WidthClassMargins kMarginsJV5 = {{1500, 1500, 15000, 0}, {1500, 1500, 15000, 20000}};
constexpr WidthClassMargins kMarginsJV34 = {{2500, 2500, 4000, 0}, {2500, 2500, 4000, 10000}};
constexpr WidthClassMargins kMarginsJV300 = {{1500, 1500, 12000, 0}, {1500, 1500, 12000, 15000}};
constexpr WidthClassMargins kMarginsTx500 = {{1500, 1500, 15000, 0}, {1500, 1500, 15000, 40000}};

constexpr int32_t kInherit = -1;  // a model that keeps its predecessor's value

const Heater kHeatersJV3[] = {{"Pre-Heater", 19, 20, 60, 1, 35}, {"Print Heater", 51, 20, 60, 1, 35}};
const Heater kHeatersJV5[] = {
    {"Pre-Heater", 19, 20, 60, 1, 35}, {"Print Heater", 51, 20, 60, 1, 35}, {"Drying Heater", 67, 20, 70, 1, 45}};
const Heater kHeatersJV33[] = {
    {"Pre-Heater", 19, 20, 50, 1, 35}, {"Print Heater", 51, 20, 50, 1, 35}, {"Drying Heater", 67, 20, 50, 1, 45}};
const Heater kHeatersJV34[] = {
    {"Print Heater", 19, 20, 50, 1, 35}, {"Post-Heater 1", 51, 20, 50, 1, 35}, {"Post-Heater 2", 67, 20, 50, 1, 50}};
const Heater kHeatersJV400[] = {{"Pre-Heater", 19, 20, 70, 1, 40},
                                {"Print Heater", 51, 20, 70, 1, 40},
                                {"Drying Heater", 67, 20, 70, 1, 50},
                                {"Fan Heater", 83, 0, 20, 1, 1}};
const Heater kHeatersJV400SUV[] = {
    {"Pre-Heater", 19, 20, 70, 1, 40}, {"Print Heater", 51, 20, 70, 1, 40}, {"Drying Heater", 67, 20, 70, 1, 55}};
const Heater kHeatersTS300P[] = {
    {"Post-Heater 1", 19, 20, 50, 1, 30}, {"Post-Heater 2", 51, 20, 60, 1, 30}, {"Fan Heater", 67, 60, 120, 1, 70}};
const Heater kHeatersTx500[] = {
    {"Left Heater", 51, 20, 60, 1, 0}, {"Center Heater", 67, 20, 60, 1, 0}, {"Right Heater", 83, 20, 60, 1, 0}};
const Heater kHeatersTS500[] = {
    {"Print Heater", 51, 20, 60, 1, 0}, {"Post-Heater 1", 67, 20, 60, 1, 0}, {"Post-Heater 2", 83, 20, 70, 1, 0}};
const Heater kHeatersJV300[] = {
    {"Pre-Heater", 19, 20, 60, 1, 50}, {"Print Heater", 51, 20, 60, 1, 45}, {"Drying Heater", 67, 20, 60, 1, 60}};
const Heater kHeatersCJV150[] = {
    {"Pre-Heater", 19, 20, 50, 1, 50}, {"Print Heater", 51, 20, 50, 1, 45}, {"Drying Heater", 67, 20, 50, 1, 50}};

// What a family sets up before its first model.
struct Family {
    uint32_t manufacturer;
    uint32_t printerType;
    Halftones halftones;
    std::initializer_list<const char*> dotSizes;  // empty: the print-mode table's
    std::initializer_list<uint32_t> inks;
    std::initializer_list<Heater> heaters;
    Port port;
};

constexpr std::initializer_list<const char*> kNoDotSizes = {};
constexpr std::initializer_list<const char*> kTwoDotSizes = {"Variable", "Normal"};

uint32_t ChannelsOf(const std::string& colorMode) {
    if (colorMode == "CMYKcm" || colorMode == "BMYKbm") return 6;
    if (colorMode == "CMYKOG") return 8;
    return 4;
}

void SetColorModes(PRINTERMODEL& m, std::initializer_list<const char*> modes) {
    m.listColorModes.clear();
    for (const char* mode : modes) m.AddColorMode(mode, ChannelsOf(mode), ChannelsOf(mode));
}

void SetSpotInks(PRINTERMODEL& m, std::initializer_list<const char*> inks) {
    m.vecSpotColors.clear();
    for (const char* ink : inks) m.SetSpotInks(ink);
}

void SetInks(PRINTERMODEL& m, std::initializer_list<uint32_t> inks) { m.listInks.assign(inks.begin(), inks.end()); }

void AppendGroup(PRINTERMODEL& m, OptionGroup group, int64_t defaultValue = -1) {
    AppendOptionGroup(m.listOptions, group, defaultValue);
}

// The server's spot-colour generation default: 2 with clear ink, 8 with
// primer ink, 10 with both.
uint32_t SpotColorGeneration(bool clear, bool primer) { return (clear ? 2u : 0u) + (primer ? 8u : 0u); }

// The trays of the manual flatbeds: one automatic tray.
void SetManualFlatbedTrays(PRINTERMODEL& m) {
    static const uint32_t kMedia[] = {864, 157, 125, 123, 104, 113, 124, 117, 119, 108, 110, 111, 116, 114, 112};
    m.listTrayMedia.clear();
    m.listTrays.clear();
    m.vecDefaultMediaIDs.clear();
    for (uint32_t id : kMedia) m.AddTrayMedia(id, {0}, 0, 0, 0, 0, 0, 0);
    m.AddTray("Automatic", 0, 864, 0, 0);
    m.nDefaultTray = 0;
}

void AddPrinterSettingsPages(PRINTERMODEL& m, double dryTimeMaximum, int32_t endDryMaximum) {
    AddGui_AutoCut(m.listCustomGui, 0);
    AddGui_PaperSuction(m.listCustomGui, "IDMimakiPuPaperSuctionMode_Pu2");
    AddGui_DryTimePerScan(m.listCustomGui, 0.0, 0.0, dryTimeMaximum, 0.1);
    AddGui_PrintEndDryTime(m.listCustomGui, 0, 0, endDryMaximum, 1);
    AddGui_LogicalSeek(m.listCustomGui);
}

// The JV400 line's and the RICOH Pro models' colours.
enum JV400Colors { Four, Five, Six, Seven };

class ModelTable {
public:
    explicit ModelTable(CVarnPrinter& catalogue) : m_catalogue(catalogue) {}

    void Build() {
        JV3();
        JV4();
        JV5();
        JV33();
        JV34();
        TS34();
        JV400LX();
        JV400SUV();
        RicohPro();
        CJV30();
        UJF605();
        OldFlatbeds();
        UJFx042();
        JFX200();
        JFX500();
        UJF8366();
        TS300P();
        Tx500();
        TS500();
        JV300Line(false);
        JV300Line(true);
        CJV300Line(false);
        CJV300Line(true);
    }

private:
    void Begin(const Family& f) {
        PRINTERMODEL& m = m_work;
        m.Reset();
        m.nManufacturerID = f.manufacturer;
        m.strManufacturerName = f.manufacturer == kRicoh ? "Ricoh" : "Mimaki";
        m.nPrnType = f.printerType;
        SetInks(m, f.inks);
        m.AddHalftone("Error diffusion (SE1)", 3, f.halftones.errorDiffusion);
        if (f.halftones.screening) m.AddHalftone("Screening", 6, f.halftones.screening);
        m.nDefaultHalftone = 3;
        uint32_t dotSize = 0;
        for (const char* name : f.dotSizes) m.AddDotSize(name, dotSize++);
        for (const Heater& h : f.heaters) m.AddHeater(h.name, h.type, h.minimum, h.maximum, h.step, h.defaultValue);
        m.AddMediaType("Normal", 1);
        m.AddMediaType("2 Layers", 2);
        m.AddMediaType("3 Layers", 3);
        m.AddMediaType("4 Layers", 4);
        m.AddMediaType("Printer setting", 20);
        m.aPortType[0] = f.port.type0;
        m.aPortType[1] = f.port.type1;
        m.nPortSpecialType = f.port.specialType;
        m.strPortPluginName = f.port.plugin;
    }

    // The model's identity, then its record into the catalogue.
    void Store(const ModelName& name) {
        m_work.nPrnID = static_cast<uint32_t>(name.id);
        m_work.strPrnName = name.name;
        m_work.strPrnShortname = name.shortName;
        if (name.id == 728 || name.id == 742) LogDetails();
        m_catalogue.GetModel(name.id) = m_work;
    }

    void LogDetails() {
        const PRINTERMODEL& m = m_work;
        m_catalogue.Log(3000, "ID = %d", static_cast<int>(m.nPrnID));
        m_catalogue.Log(3000, "Name = %s", m.strPrnName.c_str());
        m_catalogue.Log(3000, "ShortName =%s", m.strPrnShortname.c_str());
        m_catalogue.Log(3000, "Resolutions...");
        for (const RESOLUTION& r : m.listResolutions) {
            m_catalogue.Log(3000, "X = %d , Y = %d", DisplayDpi(r.dResolutionX), DisplayDpi(r.dResolutionY));
            for (uint32_t slot : r.vecPassModes) {
                if (slot != kAbsent) m_catalogue.Log(3000, "Pass = %d", static_cast<int>(slot));
            }
        }
        m_catalogue.Log(3000, "Print modes...");
        for (const PASSMODE& p : m.listPassModes) {
            m_catalogue.Log(3000, "Name = %s , id=(%d)", p.strName.c_str(), static_cast<int>(p.nValue));
        }
    }

    void WidthClassTrays(int32_t widthClass, const WidthClassMargins& margins) {
        if (widthClass != kInherit) {
            SetWidthClassTrays(m_work, static_cast<uint32_t>(widthClass), margins.roll, margins.cutSheet);
        }
    }

    // 1. JV3: fixed JV3 pass modes, JV3 trays and options.
    void JV3() {
        enum Colors { Eight, Seven, Six, Four, SL };
        struct Entry {
            ModelName name;
            Colors colors;
            int32_t trayClass;
            bool optionsCall;
        };
        static const Entry kModels[] = {
            {{668, "Mimaki JV3-160SP 8 colors", "MJV3160SP8"}, Eight, 2, true},
            {{672, "Mimaki JV3-250SP 8 colors", "MJV3250SP8"}, Eight, 3, false},
            {{662, "Mimaki JV3-130SPII 8 colors", "MJV3130SPII8"}, Eight, 1, false},
            {{657, "Mimaki JV3-75SPII 8 colors", "MV375SPII8"}, Eight, 0, false},
            {{667, "Mimaki JV3-160SP 7 colors", "MJV3160SP7"}, Seven, 2, true},
            {{671, "Mimaki JV3-250SP 7 colors", "MJV3250SP7"}, Seven, 3, false},
            {{661, "Mimaki JV3-130SPII 7 colors", "MJV3130SPII7"}, Seven, 1, false},
            {{656, "Mimaki JV3-75SPII 7 colors", "MV375SPII7"}, Seven, 0, false},
            {{666, "Mimaki JV3-160SP 6 colors", "MJV3160SP6"}, Six, 2, true},
            {{664, "Mimaki JV3-160S", "MJV3160S"}, Six, kInherit, false},
            {{670, "Mimaki JV3-250SP 6 colors", "MJV3250SP6"}, Six, 3, false},
            {{660, "Mimaki JV3-130SPII 6 colors", "MJV3130SPII6"}, Six, 1, false},
            {{658, "Mimaki JV3-130S", "MJV3130S"}, Six, kInherit, false},
            {{655, "Mimaki JV3-75SPII 6 colors", "MV375SPII6"}, Six, 0, false},
            {{665, "Mimaki JV3-160SP 4 colors", "MJV3160SP4"}, Four, 2, false},
            {{669, "Mimaki JV3-250SP 4 colors", "MJV3250SP4"}, Four, 3, false},
            {{659, "Mimaki JV3-130SPII 4 colors", "MJV3130SPII4"}, Four, 1, false},
            {{654, "Mimaki JV3-75SPII 4 colors", "MV375SPII4"}, Four, 0, false},
            {{663, "Mimaki JV3-130SL", "MJV3130SL"}, SL, 1, false},
        };
        Begin({kMimaki, 4, {100, 100}, kTwoDotSizes, {504, 505, 507, 508, 509, 513},
               {kHeatersJV3[0], kHeatersJV3[1]}, kSerialPort});
        for (const Entry& e : kModels) {
            PRINTERMODEL& m = m_work;
            // The 130SL prints CMYK only but takes the other variant's pass modes.
            m.SetPassModes(PassModeLine::JV3, e.colors == Four ? PassModeVariant::FourColor : PassModeVariant::Other);
            if (e.trayClass != kInherit) SetJV3Trays(m, static_cast<uint32_t>(e.trayClass));
            if (e.colors == Four || e.colors == SL) {
                SetColorModes(m, {"CMYK"});
            } else {
                SetColorModes(m, {"CMYKcm", "CMYK"});
            }
            if (e.optionsCall) AddJV3Options(m.listOptions, e.colors == Seven);
            if (e.colors == Eight) {
                SetSpotInks(m, {"PRINTER_SPOT_1_INK", "PRINTER_SPOT_2_INK"});
            } else if (e.colors == Seven) {
                SetSpotInks(m, {"WHITE_INK"});
            } else {
                SetSpotInks(m, {});
            }
            Store(e.name);
        }
    }

    // 2. JV4: the written-out JV4 pass modes, inline options, JV4 trays.
    void JV4() {
        struct Entry {
            ModelName name;
            uint32_t trayClass;
        };
        static const Entry kModels[] = {{{698, "Mimaki JV4-160", "MJV4160"}, 1},
                                        {{699, "Mimaki JV4-180", "MJV4180"}, 2},
                                        {{697, "Mimaki JV4-130", "MJV4130"}, 0}};
        Begin({kMimaki, 4, {100, 100}, kTwoDotSizes, {502, 501, 503, 516, 517, 518}, {}, kParallelPort});
        SetPassModeSet(m_work, kPassModes_JV4);
        SetColorModes(m_work, {"CMYKcm", "CMYKOG", "CMYK"});
        AppendGroup(m_work, OptionGroup::CuttingPlain);
        AppendGroup(m_work, OptionGroup::PrintDirection);
        AppendGroup(m_work, OptionGroup::AutoCutDryingTime);
        AppendGroup(m_work, OptionGroup::PaperFeedAdjustment);
        for (const Entry& e : kModels) {
            SetJV4Trays(m_work, e.trayClass);
            Store(e.name);
        }
    }

    // 3. JV5: fixed JV5 pass modes, width-class trays.
    void JV5() {
        struct Entry {
            ModelName name;
            bool fourColor;
            int32_t trayClass;
        };
        static const Entry kModels[] = {
            {{682, "Mimaki JV5-160S 6 colors", "MJV5160S6"}, false, 5},
            {{678, "Mimaki JV5-130S 6 colors", "MJV5130S6"}, false, 4},
            {{686, "Mimaki JV5-260S 6 colors", "MJV5260S6"}, false, 9},
            {{690, "Mimaki JV5-320S 6 colors", "MJV5320S6"}, false, 11},
            {{681, "Mimaki JV5-160S 4 colors", "MJV5160S4"}, true, 5},
            {{677, "Mimaki JV5-130S 4 colors", "MJV5130S4"}, true, 4},
            {{685, "Mimaki JV5-260S 4 colors", "MJV5260S4"}, true, 9},
            {{689, "Mimaki JV5-320S 4 colors", "MJV5320S4"}, true, 11},
        };
        Begin({kMimaki, 4, {100, 100},
               {"Variable", "Normal", "Variable Fine", "Normal Large", "Normal Middle", "Normal Small"},
               {506, 521, 509, 502, 522, 503, 519, 520, 525, 526},
               {kHeatersJV5[0], kHeatersJV5[1], kHeatersJV5[2]}, kUsbPort});
        AddJV5Options(m_work.listOptions);
        for (const Entry& e : kModels) {
            PRINTERMODEL& m = m_work;
            m.SetPassModes(PassModeLine::JV5, e.fourColor ? PassModeVariant::FourColor : PassModeVariant::Other);
            WidthClassTrays(e.trayClass, kMarginsJV5);
            if (e.fourColor) {
                SetColorModes(m, {"CMYK"});
            } else {
                SetColorModes(m, {"CMYKcm", "CMYK"});
            }
            Store(e.name);
        }
    }

    // 4. JV33: fixed JV5 pass modes, width-class trays, JV33 options.
    void JV33() {
        enum Colors { Six, Seven, Four };
        struct Entry {
            ModelName name;
            Colors colors;
            int32_t trayClass;
            bool optionsCall;
        };
        static const Entry kModels[] = {
            {{695, "Mimaki JV33-160 6 colors", "MJV331606"}, Six, 5, true},
            {{692, "Mimaki JV33-130 6 colors", "MJV331306"}, Six, 4, false},
            {{701, "Mimaki JV33-260 6 colors", "MJV332606"}, Six, 9, false},
            {{696, "Mimaki JV33-160 7 colors", "MJV331607"}, Seven, 5, true},
            {{693, "Mimaki JV33-130 7 colors", "MJV331307"}, Seven, 4, false},
            {{702, "Mimaki JV33-260 7 colors", "MJV332607"}, Seven, 9, false},
            {{694, "Mimaki JV33-160 4 colors", "MJV331604"}, Four, 5, true},
            {{691, "Mimaki JV33-130 4 colors", "MJV331304"}, Four, 4, false},
            {{700, "Mimaki JV33-260 4 colors", "MJV332604"}, Four, 9, false},
        };
        Begin({kMimaki, 4, {101, 100}, kTwoDotSizes, {515, 509, 502, 522, 503, 519, 520, 525},
               {kHeatersJV33[0], kHeatersJV33[1], kHeatersJV33[2]}, kUsbPort});
        for (const Entry& e : kModels) {
            PRINTERMODEL& m = m_work;
            m.SetPassModes(PassModeLine::JV5, e.colors == Four ? PassModeVariant::FourColor : PassModeVariant::Other);
            WidthClassTrays(e.trayClass, kMarginsJV5);
            if (e.colors == Four) {
                SetColorModes(m, {"CMYK"});
            } else {
                SetColorModes(m, {"CMYKcm", "CMYK"});
            }
            if (e.optionsCall) AddJV33Options(m.listOptions, e.colors == Seven);
            if (e.colors == Seven) {
                SetSpotInks(m, {"WHITE_INK"});
            } else {
                SetSpotInks(m, {});
            }
            Store(e.name);
        }
    }

    // The JV34 and TS34 lines: print-mode tables, the printer-settings pages.
    struct TableEntry {
        ModelName name;
        const PRINTMODE* table;
        std::initializer_list<const char*> colorModes;
        int32_t trayClass;
    };
    void JV34Line(std::initializer_list<uint32_t> inks, const DOTSIZEPAIR& dotSizes, const INKPRELIMITROW* preLimits,
                  std::initializer_list<TableEntry> models) {
        Begin({kMimaki, 4, {101, 0}, kNoDotSizes, inks, {kHeatersJV34[0], kHeatersJV34[1], kHeatersJV34[2]},
               kUsbPort});
        AppendGroup(m_work, OptionGroup::PrintDirection);
        AddPrinterSettingsPages(m_work, 19.9, 999);
        for (const TableEntry& e : models) {
            m_work.SetPrintModesFromTable(e.table, dotSizes, preLimits, 720, 720);
            WidthClassTrays(e.trayClass, kMarginsJV34);
            SetColorModes(m_work, e.colorModes);
            Store(e.name);
        }
    }

    // 5. JV34.
    void JV34() {
        JV34Line({515, 525, 537}, kDotSizes_JV34, InkPreLimits_JV34,
                 {{{7078, "Mimaki JV34-260 6 colors", "MJV342606"}, PrintModeTable_JV34, {"CMYKcm", "CMYK"}, 10},
                  {{7077, "Mimaki JV34-260 4 colors", "MJV342604"}, PrintModeTable_JV34_4C, {"CMYK"}, kInherit}});
    }

    // 6. TS34.
    void TS34() {
        JV34Line({525, 537}, kDotSizes_TS34, InkPreLimits_TS34,
                 {{{7079, "Mimaki TS34-1800A 4 colors", "MTS341800A4"}, PrintModeTable_TS34_4C, {"CMYK"}, 6},
                  {{7080, "Mimaki TS34-1800A 6 colors", "MTS341800A6"}, PrintModeTable_TS34, {"CMYK", "CMYKcm"},
                   kInherit}});
    }

    // The JV400 line and the RICOH Pro models: fixed JV400 pass modes by ink.
    struct JV400Entry {
        ModelName name;
        JV400Colors colors;
        uint32_t ink;
        int32_t trayClass;
        bool optionsCall;
    };
    void JV400Models(std::initializer_list<JV400Entry> models) {
        for (const JV400Entry& e : models) {
            PRINTERMODEL& m = m_work;
            SetInks(m, {e.ink});
            m.SetPassModes(PassModeLine::JV400, e.colors == Four ? PassModeVariant::FourColor : PassModeVariant::Other,
                           e.ink);
            WidthClassTrays(e.trayClass, kMarginsJV5);
            if (e.colors == Six || e.colors == Seven) {
                SetColorModes(m, {"CMYK", "CMYKOG"});
            } else {
                SetColorModes(m, {"CMYK"});
            }
            const bool white = e.colors == Five || e.colors == Seven;
            if (e.optionsCall) AddPrintDirectionOptions(m.listOptions, white);
            if (white) {
                SetSpotInks(m, {"WHITE_INK"});
            } else {
                SetSpotInks(m, {});
            }
            Store(e.name);
        }
    }

    // 7. JV400 LX.
    void JV400LX() {
        Begin({kMimaki, 4, {101, 0}, kTwoDotSizes, {},
               {kHeatersJV400[0], kHeatersJV400[1], kHeatersJV400[2], kHeatersJV400[3]}, kUsbPort});
        AddGui_DryTimePerScan(m_work.listCustomGui, 0.0, 0.0, 9.9, 0.1);
        JV400Models({
            {{728, "Mimaki JV400-160LX 4 colors LX100 ink", "MJV400160LX1004"}, Four, 527, 5, true},
            {{732, "Mimaki JV400-160LX 4 colors LX101 ink", "MJV400160LX1014"}, Four, 528, kInherit, false},
            {{729, "Mimaki JV400-130LX 4 colors LX100 ink", "MJV400130LX1004"}, Four, 527, 4, false},
            {{733, "Mimaki JV400-130LX 4 colors LX101 ink", "MJV400130LX1014"}, Four, 528, kInherit, false},
            {{730, "Mimaki JV400-160LX 5 colors LX100 ink", "MJV400160LX1005"}, Five, 527, 5, true},
            {{734, "Mimaki JV400-160LX 5 colors LX101 ink", "MJV400160LX1015"}, Five, 528, kInherit, false},
            {{731, "Mimaki JV400-130LX 5 colors LX100 ink", "MJV400130LX1005"}, Five, 527, 4, false},
            {{735, "Mimaki JV400-130LX 5 colors LX101 ink", "MJV400130LX1015"}, Five, 528, kInherit, false},
            {{736, "Mimaki JV400-160LX 6 colors", "MJV400160LX6"}, Six, 528, 5, true},
            {{737, "Mimaki JV400-130LX 6 colors", "MJV400130LX6"}, Six, 528, 4, false},
            {{738, "Mimaki JV400-160LX 7 colors", "MJV400160LX7"}, Seven, 528, 5, true},
            {{739, "Mimaki JV400-130LX 7 colors", "MJV400130LX7"}, Seven, 528, 4, false},
        });
    }

    // 8. JV400 SUV.
    void JV400SUV() {
        Begin({kMimaki, 4, {101, 0}, kTwoDotSizes, {},
               {kHeatersJV400SUV[0], kHeatersJV400SUV[1], kHeatersJV400SUV[2]}, kUsbPort});
        AddGui_DryTimePerScan(m_work.listCustomGui, 0.0, 0.0, 9.9, 0.1);
        JV400Models({
            {{740, "Mimaki JV400-160SUV 4 colors", "MJV400160SUV4"}, Four, 529, 5, true},
            {{741, "Mimaki JV400-130SUV 4 colors", "MJV400130SUV4"}, Four, 529, 4, false},
        });
    }

    // 9. RICOH Pro.
    void RicohPro() {
        Begin({kRicoh, 4, {101, 0}, kTwoDotSizes, {},
               {kHeatersJV400[0], kHeatersJV400[1], kHeatersJV400[2], kHeatersJV400[3]}, kUsbPort});
        AddGui_DryTimePerScan(m_work.listCustomGui, 0.0, 0.0, 9.9, 0.1);
        JV400Models({
            {{742, "RICOH Pro 4160 4 colors", "RICOH41604"}, Four, 530, 5, true},
            {{743, "RICOH Pro 4130 4 colors", "RICOH41304"}, Four, 530, 4, false},
            {{744, "RICOH Pro 4160 6 colors", "RICOH41606"}, Six, 530, 5, false},
            {{745, "RICOH Pro 4130 6 colors", "RICOH41306"}, Six, 530, 4, false},
            {{746, "RICOH Pro 4160 7 colors", "RICOH41607"}, Seven, 530, 5, true},
            {{747, "RICOH Pro 4130 7 colors", "RICOH41307"}, Seven, 530, 4, false},
        });
    }

    // 10. CJV30 and TPC-1000: fixed JV5 pass modes, CJV30 trays and options.
    void CJV30() {
        enum Colors { Six, Seven, Four };
        struct Entry {
            ModelName name;
            Colors colors;
            int32_t trayClass;
            bool optionsCall;
            bool tpcInks;
        };
        static const Entry kModels[] = {
            {{710, "Mimaki CJV30-160 6 colors", "MCJV301606"}, Six, 3, true, false},
            {{709, "Mimaki CJV30-130 6 colors", "MCJV301306"}, Six, 2, false, false},
            {{708, "Mimaki CJV30-100 6 colors", "MCJV301006"}, Six, 1, false, false},
            {{707, "Mimaki CJV30-60 6 colors", "MCJV300606"}, Six, 0, false, false},
            {{714, "Mimaki CJV30-160 7 colors", "MCJV301607"}, Seven, 3, true, false},
            {{713, "Mimaki CJV30-130 7 colors", "MCJV301307"}, Seven, 2, false, false},
            {{712, "Mimaki CJV30-100 7 colors", "MCJV301007"}, Seven, 1, false, false},
            {{711, "Mimaki CJV30-60 7 colors", "MCJV300607"}, Seven, 0, false, false},
            {{706, "Mimaki CJV30-160 4 colors", "MCJV301604"}, Four, 3, true, false},
            {{705, "Mimaki CJV30-130 4 colors", "MCJV301304"}, Four, 2, false, false},
            {{704, "Mimaki CJV30-100 4 colors", "MCJV301004"}, Four, 1, false, false},
            {{703, "Mimaki CJV30-60 4 colors", "MCJV300604"}, Four, 0, false, false},
            {{716, "Mimaki TPC-1000 6 colors", "MTPC10006"}, Six, 1, false, true},
            {{717, "Mimaki TPC-1000 7 colors", "MTPC10007"}, Seven, kInherit, true, true},
            {{715, "Mimaki TPC-1000 4 colors", "MTPC10004"}, Four, kInherit, true, true},
        };
        Begin({kMimaki, 14, {101, 100}, kTwoDotSizes, {515, 509, 522},
               {kHeatersJV33[0], kHeatersJV33[1], kHeatersJV33[2]}, kUsbPort});
        for (const Entry& e : kModels) {
            PRINTERMODEL& m = m_work;
            if (e.tpcInks) SetInks(m, {519, 520, 525, 515, 509, 522});
            m.SetPassModes(PassModeLine::JV5, e.colors == Four ? PassModeVariant::FourColor : PassModeVariant::Other);
            if (e.trayClass != kInherit) SetCJV30Trays(m, static_cast<uint32_t>(e.trayClass));
            if (e.colors == Four) {
                SetColorModes(m, {"CMYK"});
            } else {
                SetColorModes(m, {"CMYKcm", "CMYK"});
            }
            if (e.optionsCall) AddCJV30Options(m.listOptions, e.colors == Seven);
            if (e.colors == Seven) {
                SetSpotInks(m, {"WHITE_INK"});
            } else {
                SetSpotInks(m, {});
            }
            Store(e.name);
        }
    }

    // The manual flatbeds of families 11 and 12: white ink, manual trays.
    void ManualFlatbed(const Port& port, const PASSMODESET& passModes) {
        Begin({kMimaki, 4, {100, 100}, kTwoDotSizes, {514}, {}, port});
        SetPassModeSet(m_work, passModes);
        SetManualFlatbedTrays(m_work);
        SetColorModes(m_work, {"CMYKcm", "CMYK"});
        AddWhitePrintModeOptions(m_work.listOptions, 10, false);
        AppendGroup(m_work, OptionGroup::ManualFlatbed);
        SetSpotInks(m_work, {"WHITE_INK"});
    }

    // 11. UJF-605: the R models have no manual-flatbed group.
    void UJF605() {
        struct Entry {
            ModelName name;
            bool removeManualFlatbed;
        };
        static const Entry kModels[] = {
            {{673, "Mimaki UJF-605C", "MUJF605C"}, false},
            {{674, "Mimaki UJF-605CII CMYKcmW", "MUJF605CII"}, false},
            {{726, "Mimaki UJF-605CII CMYKcmWW", "MUJF605CIIW"}, false},
            {{675, "Mimaki UJF-605R", "MUJF605R"}, true},
            {{676, "Mimaki UJF-605RII/RH CMYKcmW", "MUJF605RII"}, true},
            {{727, "Mimaki UJF-605RII/RH CMYKcmWW", "MUJF605RIIW"}, true},
        };
        ManualFlatbed(kLegacyUsbPort, kPassModes_UJF605);
        for (const Entry& e : kModels) {
            if (e.removeManualFlatbed) RemoveOptionById(m_work.listOptions, kOptionManualFlatbed);
            Store(e.name);
        }
    }

    // 12. The older manual flatbeds: identical but for their names.
    void OldFlatbeds() {
        static const ModelName kModels[] = {
            {718, "Mimaki JF-1610", "MJF1610"},          {719, "Mimaki JF-1631", "MJF1631"},
            {720, "Mimaki JFX-1631", "MJFX1631"},        {721, "Mimaki UJF-706 4 colors", "MUJF7064"},
            {722, "Mimaki UJF-706 8 colors", "MUJF7068"}, {725, "Mimaki UJV-160", "MUJV160"},
        };
        ManualFlatbed(kUsbPort, kPassModes_OldFlatbed);
        for (const ModelName& name : kModels) Store(name);
    }

    // 13. UJF-3042 and UJF-6042: one group per ink set, each an FX, an HG
    // and a UJF-6042 model (no FX model with primer alone or with all three).
    void UJFx042() {
        struct Group {
            bool white, clear, primer;
            ModelName fx, hg, ujf6042;  // fx.id 0: none
        };
        static const Group kGroups[] = {
            {true, false, false,
             {7052, "Mimaki UJF-3042FX White", "MUJF3042FXW"},
             {7057, "Mimaki UJF-3042HG White", "MUJF3042HGW"},
             {7064, "Mimaki UJF-6042 White", "MUJF6042W"}},
            {false, true, false,
             {7053, "Mimaki UJF-3042FX Clear", "MUJF3042FXC"},
             {7058, "Mimaki UJF-3042HG Clear", "MUJF3042HGC"},
             {7065, "Mimaki UJF-6042 Clear", "MUJF6042C"}},
            {true, true, false,
             {7054, "Mimaki UJF-3042FX White+Clear", "MUJF3042FXWC"},
             {7059, "Mimaki UJF-3042HG White+Clear", "MUJF3042HGWC"},
             {7066, "Mimaki UJF-6042 White+Clear", "MUJF6042WC"}},
            {false, false, true,
             {0, "", ""},
             {7062, "Mimaki UJF-3042HG Primer", "MUJF3042HGP"},
             {7069, "Mimaki UJF-6042 Primer", "MUJF6042P"}},
            {true, false, true,
             {7055, "Mimaki UJF-3042FX White+Primer", "MUJF3042FXWP"},
             {7060, "Mimaki UJF-3042HG White+Primer", "MUJF3042HGWP"},
             {7067, "Mimaki UJF-6042 White+Primer", "MUJF6042WP"}},
            {false, true, true,
             {7056, "Mimaki UJF-3042FX Clear+Primer", "MUJF3042FXCP"},
             {7061, "Mimaki UJF-3042HG Clear+Primer", "MUJF3042HGCP"},
             {7068, "Mimaki UJF-6042 Clear+Primer", "MUJF6042CP"}},
            {true, true, true,
             {0, "", ""},
             {7063, "Mimaki UJF-3042HG White+Clear+Primer", "MUJF3042HGWCP"},
             {7070, "Mimaki UJF-6042 White+Clear+Primer", "MUJF6042WCP"}},
        };
        Begin({kMimaki, 2, {102, 0}, kNoDotSizes, {524, 533, 523}, {}, kUsbPort});
        PRINTERMODEL& m = m_work;
        for (const Group& g : kGroups) {
            m.nPrnType = 2;
            m.SetPrintModesFromTable(PrintModeTable_UJF3042, kDotSizes_UJFx042, InkPreLimits_UJFx042, 720, 600);
            SetAutomaticTray(m, 0, {0, 0, 0, 0}, 104);
            const bool primerAlone = g.primer && !g.white && !g.clear;
            if (primerAlone) {
                SetColorModes(m, {"CMYK", "CMYKcm"});
            } else {
                SetColorModes(m, {"CMYK"});
            }
            m.vecSpotColors.clear();
            if (g.white) m.SetSpotInks("WHITE_INK");
            if (g.clear) m.SetSpotInks("CLEAR_INK");
            if (g.primer) m.SetSpotInks("PRIMER_INK");
            m.listOptions.clear();
            if (g.white) AddWhitePrintModeOptions(m.listOptions, 10, false);
            if (g.clear || g.primer) {
                AppendGroup(m, OptionGroup::SpotColorGenerationInServer, SpotColorGeneration(g.clear, g.primer));
            }
            m.listCustomGui.clear();
            if (g.clear) AddGui_ClearInk(m.listCustomGui, false);
            if (g.primer) AddGui_PrimerInk(m.listCustomGui);
            AddGui_UVCuring(m.listCustomGui, g.primer ? 120 : 100);
            if (g.fx.id != 0) {
                Store(g.fx);
                m.AddColorMode("CMYKcm", 6, 6);
            }
            Store(g.hg);
            m.nPrnType = 3;
            m.SetPrintModesFromTable(PrintModeTable_UJF6042, kDotSizes_UJFx042, InkPreLimits_UJFx042, 720, 600);
            SetAutomaticTray(m, 1, {0, 0, 0, 0}, 157);
            Store(g.ujf6042);
        }
    }

    // The JFX flatbeds' spot-ink models: options and pages by ink set.
    struct JFXEntry {
        ModelName name;
        const PRINTMODE* table;
        std::initializer_list<uint32_t> inks;
        std::initializer_list<const char*> colorModes;  // empty: kept
        bool white, clear, primer;
    };
    void JFXModels(const DOTSIZEPAIR& dotSizes, const INKPRELIMITROW* preLimits, bool embossedClear,
                   std::initializer_list<JFXEntry> models) {
        for (const JFXEntry& e : models) {
            PRINTERMODEL& m = m_work;
            m.SetPrintModesFromTable(e.table, dotSizes, preLimits, 600, 600);
            SetInks(m, e.inks);
            if (e.colorModes.size() != 0) SetColorModes(m, e.colorModes);
            m.vecSpotColors.clear();
            if (e.white) m.SetSpotInks("WHITE_INK");
            if (e.clear) m.SetSpotInks("CLEAR_INK");
            if (e.primer) m.SetSpotInks("PRIMER_INK");
            m.listOptions.clear();
            if (e.white) AddWhitePrintModeOptions(m.listOptions, 10, true);
            AppendGroup(m, OptionGroup::PrintDirection);
            if (e.clear || e.primer) {
                AppendGroup(m, OptionGroup::SpotColorGenerationInServer, SpotColorGeneration(e.clear, e.primer));
            }
            m.listCustomGui.clear();
            if (e.clear) AddGui_ClearInk(m.listCustomGui, embossedClear);
            if (e.primer) AddGui_PrimerInk(m.listCustomGui);
            AddGui_LogicalSeek(m.listCustomGui);
            Store(e.name);
        }
    }

    // 14. JFX200.
    void JFX200() {
        Begin({kMimaki, 4, {102, 0}, kNoDotSizes, {}, {}, kUsbPort});
        SetAutomaticTray(m_work, 2, {0, 0, 0, 0}, 981);
        JFXModels(kDotSizes_JFX200, InkPreLimits_JFX200, true,
                  {{{7081, "Mimaki JFX200-2513 CMYK", "MJFX2004C"}, PrintModeTable_JFX200, {524, 538, 539, 540},
                    {"CMYK"}, false, false, false},
                   {{7082, "Mimaki JFX200-2513 White", "MJFX200W"}, PrintModeTable_JFX200_Spot,
                    {524, 538, 539, 540, 541}, {"CMYK", "CMYKcm"}, true, false, false},
                   {{7083, "Mimaki JFX200-2513 White+Clear", "MJFX200WC"}, PrintModeTable_JFX200_Spot,
                    {524, 538, 540}, {"CMYK"}, true, true, false},
                   {{7084, "Mimaki JFX200-2513 White+Clear+Primer", "MJFX200WCP"}, PrintModeTable_JFX200_Spot,
                    {524, 538}, {}, true, true, true}});
    }

    // 15. JFX500.
    void JFX500() {
        Begin({kMimaki, 4, {102, 0}, kNoDotSizes, {}, {}, kUsbPort});
        SetAutomaticTray(m_work, 3, {0, 0, 0, 0}, 982);
        SetColorModes(m_work, {"CMYK"});
        const auto* spot = PrintModeTable_JFX500_Spot;
        JFXModels(kDotSizes_JFX500, InkPreLimits_JFX500, false,
                  {{{7085, "Mimaki JFX500-2131 CMYK", "MJFX5004C"}, PrintModeTable_JFX500, {524, 538, 540}, {},
                    false, false, false},
                   {{7086, "Mimaki JFX500-2131 White", "MJFX500W"}, spot, {524, 538, 540}, {}, true, false, false},
                   {{7087, "Mimaki JFX500-2131 White+Clear", "MJFX500WC"}, spot, {524}, {}, true, true, false},
                   {{7088, "Mimaki JFX500-2131 White+Primer", "MJFX500WP"}, spot, {524, 538, 540}, {}, true, false,
                    true},
                   {{7089, "Mimaki JFX500-2131 Clear", "MJFX500C"}, spot, {524}, {}, false, true, false},
                   {{7090, "Mimaki JFX500-2131 Primer", "MJFX500P"}, spot, {524, 538, 540}, {}, false, false, true},
                   {{7091, "Mimaki JFX500-2131 Clear+Primer", "MJFX500CP"}, spot, {524}, {}, false, true, true}});
    }

    // 16. UJF-8366.
    void UJF8366() {
        Begin({kMimaki, 4, {100, 100}, kTwoDotSizes, {514}, {}, kUsbPort});
        SetPassModeSet(m_work, kPassModes_UJF8366);
        SetManualFlatbedTrays(m_work);
        SetColorModes(m_work, {"CMYK"});
        AppendGroup(m_work, OptionGroup::ManualFlatbed);
        Store({724, "Mimaki UJF-8366", "MUJF8366"});
    }

    // The sublimation and textile lines TS300P, Tx500 and TS500.
    void TableModels(const DOTSIZEPAIR& dotSizes, const INKPRELIMITROW* preLimits, double defaultDpi,
                     const WidthClassMargins& margins, std::initializer_list<TableEntry> models) {
        for (const TableEntry& e : models) {
            m_work.SetPrintModesFromTable(e.table, dotSizes, preLimits, defaultDpi, defaultDpi);
            WidthClassTrays(e.trayClass, margins);
            SetColorModes(m_work, e.colorModes);
            Store(e.name);
        }
    }

    // 17. TS300P: the one model line on the network.
    void TS300P() {
        Begin({kMimaki, 4, {102, 0}, kNoDotSizes, {534}, {kHeatersTS300P[0], kHeatersTS300P[1], kHeatersTS300P[2]},
               {6, 2, 6, "MimakiUsbPort"}});
        m_work.aPortIpProtocol[0] = 1;
        m_work.aPortIpProtocol[1] = 1;
        m_work.nPortIpRawPort = 11110;
        m_work.nVisibilityMask = 1;
        AppendGroup(m_work, OptionGroup::PrintDirection);
        AddPrinterSettingsPages(m_work, 9.9, 120);
        TableModels(kDotSizes_TS300P, InkPreLimits_TS300P, 720, kMarginsJV300,
                    {{{7071, "Mimaki TS300P-1800 BMYK", "MTS300PSB4"}, PrintModeTable_TS300P_4C, {"BMYK"}, 7},
                     {{7072, "Mimaki TS300P-1800 BMYKbm", "MTS300PSB6"}, PrintModeTable_TS300P, {"BMYKbm"},
                      kInherit}});
    }

    // The Tx500 and TS500 pages: vacuum, drying time per scan, logical seek.
    void Tx500Pages() {
        AddGui_PaperSuction(m_work.listCustomGui, "IDMimakiPuPaperSuctionMode_Pu2");
        AddGui_DryTimePerScan(m_work.listCustomGui, 0.0, 0.0, 9.9, 0.1);
        AddGui_LogicalSeek(m_work.listCustomGui);
    }

    // 18. Tx500.
    void Tx500() {
        Begin({kMimaki, 4, {102, 0}, kNoDotSizes, {535}, {kHeatersTx500[0], kHeatersTx500[1], kHeatersTx500[2]},
               kUsbPort});
        AppendGroup(m_work, OptionGroup::PrintDirection);
        Tx500Pages();
        TableModels(kDotSizes_Tx500, InkPreLimits_Tx500, 600, kMarginsTx500,
                    {{{7073, "Mimaki Tx500-1800DS BMYK", "MTx500SB4"}, PrintModeTable_Tx500_4C, {"BMYK"}, 6},
                     {{7074, "Mimaki Tx500-1800DS BMYKbm", "MTx500SB6"}, PrintModeTable_Tx500, {"BMYKbm"},
                      kInherit}});
    }

    // 19. TS500.
    void TS500() {
        Begin({kMimaki, 4, {102, 0}, kNoDotSizes, {535, 536}, {kHeatersTS500[0], kHeatersTS500[1], kHeatersTS500[2]},
               kUsbPort});
        AppendGroup(m_work, OptionGroup::PrintDirection);
        AddGui_AutoCut(m_work.listCustomGui, 0);
        Tx500Pages();
        TableModels(kDotSizes_TS500, InkPreLimits_TS500, 600, kMarginsTx500,
                    {{{7075, "Mimaki TS500-1800 BMYK", "MTS500SB4"}, PrintModeTable_TS500_4C, {"BMYK"}, 6},
                     {{7076, "Mimaki TS500-1800 BMYKbm", "MTS500SB6"}, PrintModeTable_TS500, {"BMYKbm"},
                      kInherit}});
    }

    // The JV150/JV300 and CJV150/CJV300 models: the ink set is the last word
    // of the name.
    enum InkSet { SB4, SB6, SS4, SS6, SS7, SSS };
    struct JV300Entry {
        ModelName name;
        InkSet inkSet;
        int32_t trayClass;
        bool optionsCall;
    };
    void JV300Models(bool contourCut, std::initializer_list<JV300Entry> models) {
        for (const JV300Entry& e : models) {
            PRINTERMODEL& m = m_work;
            const bool fourColor = e.inkSet == SB4 || e.inkSet == SS4;
            const PRINTMODE* table = contourCut ? (fourColor ? PrintModeTable_CJV300_4C : PrintModeTable_CJV300)
                                                : (fourColor ? PrintModeTable_JV300_4C : PrintModeTable_JV300);
            m.SetPrintModesFromTable(table, kDotSizes_JV300Family, InkPreLimits_JV300Family, 720, 720);
            WidthClassTrays(e.trayClass, kMarginsJV300);
            switch (e.inkSet) {
                case SB4:
                case SB6:
                    SetInks(m, {525, 531});
                    break;
                case SS4:
                    SetInks(m, {515, 532, 509});
                    break;
                default:
                    SetInks(m, {515, 509});
                    break;
            }
            static const char* const kColorModes[] = {"BMYK", "BMYKbm", "CMYK", "CMYKcm", "CMYKcm", "CMYKcm"};
            SetColorModes(m, {kColorModes[e.inkSet]});
            const bool white = e.inkSet == SS7 || e.inkSet == SSS;
            const bool metallic = e.inkSet == SSS;
            if (e.optionsCall) {
                AddJV300Options(m.listOptions, white, contourCut, metallic);
                if (white && !metallic && contourCut) AddGui_PulledBackPrint(m.listCustomGui);
            }
            if (metallic) {
                SetSpotInks(m, {"WHITE_INK", "METALLIC_INK"});
            } else if (white) {
                SetSpotInks(m, {"WHITE_INK"});
            } else {
                SetSpotInks(m, {});
            }
            Store(e.name);
        }
    }

    void JV300Pages() {
        AddGui_DryTimePerScan(m_work.listCustomGui, 0.0, 0.0, 9.9, 0.1);
        AddGui_PrintEndDryTime(m_work.listCustomGui, 0, 0, 120, 1);
        AddGui_LogicalSeek(m_work.listCustomGui);
    }

    // 20. JV150 and 21. JV300.
    void JV300Line(bool jv300) {
        Begin({kMimaki, 4, {102, 0}, kNoDotSizes, {}, {kHeatersJV300[0], kHeatersJV300[1], kHeatersJV300[2]},
               kUsbPort});
        JV300Pages();
        if (!jv300) {
            JV300Models(false, {
                {{7000, "Mimaki JV150-130 Sublimation BMYK", "MJV150130SB4"}, SB4, 4, true},
                {{7004, "Mimaki JV150-160 Sublimation BMYK", "MJV150160SB4"}, SB4, 5, false},
                {{7001, "Mimaki JV150-130 Sublimation BMYKbm", "MJV150130SB6"}, SB6, 4, false},
                {{7005, "Mimaki JV150-160 Sublimation BMYKbm", "MJV150160SB6"}, SB6, 5, false},
                {{7002, "Mimaki JV150-130 Solvent CMYK", "MJV150130SS4"}, SS4, 4, false},
                {{7006, "Mimaki JV150-160 Solvent CMYK", "MJV150160SS4"}, SS4, 5, false},
                {{7003, "Mimaki JV150-130 Solvent CMYKcm", "MJV150130SS6"}, SS6, 4, true},
                {{7007, "Mimaki JV150-160 Solvent CMYKcm", "MJV150160SS6"}, SS6, 5, false},
            });
        } else {
            JV300Models(false, {
                {{7008, "Mimaki JV300-130 Sublimation BMYK", "MJV300130SB4"}, SB4, 4, true},
                {{7013, "Mimaki JV300-160 Sublimation BMYK", "MJV300160SB4"}, SB4, 5, false},
                {{7009, "Mimaki JV300-130 Sublimation BMYKbm", "MJV300130SB6"}, SB6, 4, false},
                {{7014, "Mimaki JV300-160 Sublimation BMYKbm", "MJV300160SB6"}, SB6, 5, false},
                {{7010, "Mimaki JV300-130 Solvent CMYK", "MJV300130SS4"}, SS4, 4, false},
                {{7015, "Mimaki JV300-160 Solvent CMYK", "MJV300160SS4"}, SS4, 5, false},
                {{7011, "Mimaki JV300-130 Solvent CMYKcmW", "MJV300130SS7"}, SS7, 4, true},
                {{7016, "Mimaki JV300-160 Solvent CMYKcmW", "MJV300160SS7"}, SS7, 5, false},
            });
        }
    }

    // 22. CJV150 and 23. CJV300: print and contour cut.
    void CJV300Line(bool cjv300) {
        if (!cjv300) {
            Begin({kMimaki, 14, {102, 0}, kNoDotSizes, {},
                   {kHeatersCJV150[0], kHeatersCJV150[1], kHeatersCJV150[2]}, kUsbPort});
            JV300Pages();
            AddGui_PatternPrinting(m_work.listCustomGui);
            JV300Models(true, {
                {{7022, "Mimaki CJV150-107 Sublimation BMYK", "MCJV150107SB4"}, SB4, 3, true},
                {{7028, "Mimaki CJV150-130 Sublimation BMYK", "MCJV150130SB4"}, SB4, 4, false},
                {{7034, "Mimaki CJV150-160 Sublimation BMYK", "MCJV150160SB4"}, SB4, 5, false},
                {{7023, "Mimaki CJV150-107 Sublimation BMYKbm", "MCJV150107SB6"}, SB6, 3, false},
                {{7029, "Mimaki CJV150-130 Sublimation BMYKbm", "MCJV150130SB6"}, SB6, 4, false},
                {{7035, "Mimaki CJV150-160 Sublimation BMYKbm", "MCJV150160SB6"}, SB6, 5, false},
                {{7018, "Mimaki CJV150-75 Solvent CMYK", "MCJV15075SS4"}, SS4, 1, false},
                {{7024, "Mimaki CJV150-107 Solvent CMYK", "MCJV150107SS4"}, SS4, 3, false},
                {{7030, "Mimaki CJV150-130 Solvent CMYK", "MCJV150130SS4"}, SS4, 4, false},
                {{7036, "Mimaki CJV150-160 Solvent CMYK", "MCJV150160SS4"}, SS4, 5, false},
                {{7019, "Mimaki CJV150-75 Solvent CMYKcmW", "MCJV15075SS7"}, SS7, 1, true},
                {{7025, "Mimaki CJV150-107 Solvent CMYKcmW", "MCJV150107SS7"}, SS7, 3, false},
                {{7031, "Mimaki CJV150-130 Solvent CMYKcmW", "MCJV150130SS7"}, SS7, 4, false},
                {{7037, "Mimaki CJV150-160 Solvent CMYKcmW", "MCJV150160SS7"}, SS7, 5, false},
                {{7021, "Mimaki CJV150-75 Solvent CMYKcmWS", "MCJV15075SSS"}, SSS, 1, true},
                {{7027, "Mimaki CJV150-107 Solvent CMYKcmWS", "MCJV150107SSS"}, SSS, 3, false},
                {{7033, "Mimaki CJV150-130 Solvent CMYKcmWS", "MCJV150130SSS"}, SSS, 4, false},
                {{7039, "Mimaki CJV150-160 Solvent CMYKcmWS", "MCJV150160SSS"}, SSS, 5, false},
            });
        } else {
            Begin({kMimaki, 14, {102, 0}, kNoDotSizes, {}, {kHeatersJV300[0], kHeatersJV300[1], kHeatersJV300[2]},
                   kUsbPort});
            JV300Pages();
            JV300Models(true, {
                {{7040, "Mimaki CJV300-130 Sublimation BMYK", "MCJV300130SB4"}, SB4, 4, true},
                {{7046, "Mimaki CJV300-160 Sublimation BMYK", "MCJV300160SB4"}, SB4, 5, false},
                {{7041, "Mimaki CJV300-130 Sublimation BMYKbm", "MCJV300130SB6"}, SB6, 4, false},
                {{7047, "Mimaki CJV300-160 Sublimation BMYKbm", "MCJV300160SB6"}, SB6, 5, false},
                {{7042, "Mimaki CJV300-130 Solvent CMYK", "MCJV300130SS4"}, SS4, 4, false},
                {{7048, "Mimaki CJV300-160 Solvent CMYK", "MCJV300160SS4"}, SS4, 5, false},
                {{7043, "Mimaki CJV300-130 Solvent CMYKcmW", "MCJV300130SS7"}, SS7, 4, true},
                {{7049, "Mimaki CJV300-160 Solvent CMYKcmW", "MCJV300160SS7"}, SS7, 5, false},
                {{7045, "Mimaki CJV300-130 Solvent CMYKcmWS", "MCJV300130SSS"}, SSS, 4, true},
                {{7051, "Mimaki CJV300-160 Solvent CMYKcmWS", "MCJV300160SSS"}, SSS, 5, false},
            });
        }
    }

    CVarnPrinter& m_catalogue;
    PRINTERMODEL m_work;
};

}  // namespace

void CVarnPrinter::InitPrinterModels() { ModelTable(*this).Build(); }
