// Dialog descriptions of the printer settings.
#include "catalogue/dialog_descriptions.h"

#include <initializer_list>

namespace {

struct Choice {
    const char* id;
    const char* label;
    int32_t value;
};

void Header(CustomGuiList& l, const char* id, const char* label, const char* group = "") {
    AddCustomGuiItem(l, kGuiSectionHeader, id, label, group, "");
}
void OpenGroup(CustomGuiList& l, const char* id) { AddCustomGuiItem(l, kGuiGroupOpen, id, "", "", ""); }
void CloseGroup(CustomGuiList& l) { AddCustomGuiItem(l, kGuiGroupClose, "", "", "", ""); }
void OpenRow(CustomGuiList& l) { AddCustomGuiItem(l, kGuiRowOpen, "", "", "", ""); }
void CloseRow(CustomGuiList& l) { AddCustomGuiItem(l, kGuiRowClose, "", "", "", ""); }
void Spacer(CustomGuiList& l, const char* first, const char* second) {
    AddCustomGuiItem(l, kGuiSpacer, first, second, "", "");
}
void Text(CustomGuiList& l, const char* id, const char* label) {
    AddCustomGuiItem(l, kGuiStaticText, id, label, "", "");
}
void Dependency(CustomGuiList& l, const char* target, const char* control, const char* value) {
    AddCustomGuiItem(l, kGuiDependency, target, control, value, "");
}
void CheckBox(CustomGuiList& l, const char* id, const char* label, int32_t defaultValue, const char* key) {
    AddCustomGuiInt(l, kGuiCheckBox, id, label, defaultValue, key);
}
void Popup(CustomGuiList& l, const char* id, const char* label, std::string defaultChoice, const char* key,
           std::initializer_list<Choice> choices) {
    AddCustomGuiItem(l, kGuiPopup, id, label, std::move(defaultChoice), key);
    for (const Choice& c : choices) AddCustomGuiChoice(l, c.id, c.label, c.value);
}

// Header, a group of one row holding one check box.
void CheckBoxPage(CustomGuiList& l, const char* header, const char* title, const char* group, const char* id,
                  const char* label, int32_t defaultValue, const char* key) {
    Header(l, header, title);
    OpenGroup(l, group);
    OpenRow(l);
    CheckBox(l, id, label, defaultValue, key);
    CloseRow(l);
    CloseGroup(l);
}

// Header, a group of one row: label, spacer, spin box, spacer, unit.
void SpinPage(CustomGuiList& l, uint32_t kind, const char* prefix, const char* title, double value,
              double minimum, double maximum, double step, const char* unit, const char* key) {
    const std::string p = prefix;
    Header(l, (p + "Hdr").c_str(), title);
    OpenGroup(l, (p + "_Grp").c_str());
    OpenRow(l);
    Text(l, (p + "_lbl").c_str(), title);
    Spacer(l, "10", "5");
    AddCustomGuiNumber(l, kind, p + "_spin", "", value, minimum, maximum, step, key);
    Spacer(l, "5", "5");
    Text(l, (p + "_unit").c_str(), unit);
    CloseRow(l);
    CloseGroup(l);
}

// A group of one row holding a coverage spin box from 1 to 100.
void CoverageGroup(CustomGuiList& l, const char* group, const char* id, const char* label, const char* key) {
    OpenGroup(l, group);
    OpenRow(l);
    AddCustomGuiNumber(l, kGuiIntSpin, id, label, 100, 1, 100, 1, key);
    CloseRow(l);
    CloseGroup(l);
}

// One UV lamp: label, spacer, spin box.
void Lamp(CustomGuiList& l, int lamp, int32_t lampDefault) {
    const std::string n = std::to_string(lamp);
    Text(l, ("IDMimakiSpinLamp" + n + "_lbl").c_str(), ("Lamp " + n).c_str());
    Spacer(l, "10", "10");
    AddCustomGuiNumber(l, kGuiIntSpin, "IDMimakiSpinLamp" + n, "", lampDefault, 22, 120, 1,
                       "Output/Prn/Specific/UVCuring/Lamp" + n);
}

}  // namespace

void AddGui_AutoCut(CustomGuiList& l, int32_t checkDefault) {
    CheckBoxPage(l, "IDMimakiAutoCutHdr", "kSMPSpecialCutting", "IDMimakiAutoCut_Grp", "IDMimakiAutoCut_EnableChk",
                 "Autocut on", checkDefault, "Output/Prn/Cutting/Mode");
}

void AddGui_DryTimePerScan(CustomGuiList& l, double value, double minimum, double maximum, double step) {
    SpinPage(l, kGuiDecimalSpin, "IDMimakiDryTimePerpass", "Drying Time Per Scan", value, minimum, maximum, step,
             "kSec", "Output/Prn/Specific/Dryer/TimePerScan");
}

void AddGui_LogicalSeek(CustomGuiList& l) {
    CheckBoxPage(l, "IDMimakiLogicalSeekHdr", "Logical Seek", "IDMimakiLogicalSeek_Grp",
                 "IDMimakiLogicalSeek_EnableChk", "Enable Logical Seek", 0, "Output/Prn/Specific/LogicalSeek");
}

void AddGui_PaperSuction(CustomGuiList& l, std::string defaultChoice) {
    if (defaultChoice.empty()) defaultChoice = "IDMimakiPuPaperSuctionMode_Pu1";
    Header(l, "IDMimakiPaperSuction_Hdr", "Media", "IDMimakiPaperSuction_Grp");
    OpenGroup(l, "IDMimakiPaperSuction_Grp");
    OpenRow(l);
    Popup(l, "IDMimakiPuPaperSuctionMode_Pu", "Vacuum", std::move(defaultChoice), "Output/Prn/Media/Spec/VacuumPower",
          {{"IDMimakiPuPaperSuctionMode_Pu1", "Use printer settings", 0},
           {"IDMimakiPuPaperSuctionMode_Pu2", "Strong", 1},
           {"IDMimakiPuPaperSuctionMode_Pu3", "Standard", 2},
           {"IDMimakiPuPaperSuctionMode_Pu4", "Weak", 3},
           {"IDMimakiPuPaperSuctionMode_Pu5", "Off", 4}});
    CloseRow(l);
    CloseGroup(l);
}

void AddGui_PatternPrinting(CustomGuiList& l) {
    Dependency(l, "IDMimakiPattern_OuterGrp", "IDMimakiPattern_EnableChk", "0");
    CheckBoxPage(l, "IDMimakiPatternHdr", "Pattern Printing", "IDMimakiPattern_Grp", "IDMimakiPattern_EnableChk",
                 "Enable Pattern Printing", 0, "Output/Prn/Specific/PatternPrinting/Enable");
    OpenGroup(l, "IDMimakiPattern_OuterGrp");
    OpenGroup(l, "IDMimakiPattern_Gr1");
    OpenRow(l);
    Spacer(l, "15", "0");
    Popup(l, "IDMimakiPattern_Edge", "Pattern Location", "IDMimakiPattern_EdgePopup01",
          "Output/Prn/Specific/PatternPrinting/Edge",
          {{"IDMimakiPattern_EdgePopup01", "Both Edges", 0},
           {"IDMimakiPattern_EdgePopup02", "Right Edge", 1},
           {"IDMimakiPattern_EdgePopup03", "Left Edge", 2}});
    CloseRow(l);
    CloseGroup(l);
    OpenGroup(l, "IDMimakiPattern_Gr2");
    OpenRow(l);
    Spacer(l, "15", "0");
    Popup(l, "IDMimakiPattern_Scale", "Magnification Factor", "IDMimakiPattern_ScalePopup01",
          "Output/Prn/Specific/PatternPrinting/Scale",
          {{"IDMimakiPattern_ScalePopup01", "1 time", 0},
           {"IDMimakiPattern_ScalePopup02", "2 times", 1},
           {"IDMimakiPattern_ScalePopup03", "3 times", 2},
           {"IDMimakiPattern_ScalePopup04", "4 times", 3},
           {"IDMimakiPattern_ScalePopup05", "5 times", 4}});
    CloseRow(l);
    CloseGroup(l);
    CloseGroup(l);  // IDMimakiPattern_OuterGrp
}

void AddGui_PrintEndDryTime(CustomGuiList& l, int32_t value, int32_t minimum, int32_t maximum, int32_t step) {
    SpinPage(l, kGuiIntSpin, "IDMimakiPrintEndDryTime", "AutoCut Drying time", value, minimum, maximum, step,
             "kMinutes", "Output/Prn/Specific/Dryer/Time");
}

void AddGui_PulledBackPrint(CustomGuiList& l) {
    CheckBoxPage(l, "IDMimakiPulledBackPrintHdr", "Pulled Back Print", "IDMimakiPulledBackPrint_Grp",
                 "IDMimakiPulledBackPrint_EnableChk", "Enable Pulled Back Print", 0,
                 "Output/Prn/Specific/PulledBackPrint");
}

void AddGui_ClearInk(CustomGuiList& l, bool withEmboss) {
    Header(l, "IDMimakiClearInk_Hdr", "Clear Ink Printing", "IDMimakiClearInk_Grp");
    OpenGroup(l, "IDMimakiClearInk_Grp");
    OpenRow(l);
    Popup(l, "IDMimakiPuClearInkMode_Pu", "Print mode", "IDMimakiPuClearInkMode_Pu5", "Output/Prn/Specific/Clear/Mode",
          {{"IDMimakiPuClearInkMode_Pu1", "Spot color CLEAR_INK", 0},
           {"IDMimakiPuClearInkMode_Pu2", "Inked image", 1},
           {"IDMimakiPuClearInkMode_Pu3", "Inked image inverse", 6},
           {"IDMimakiPuClearInkMode_Pu4", "Bounding box", 2},
           {"IDMimakiPuClearInkMode_Pu5", "Off", 3}});
    CloseRow(l);
    CloseGroup(l);
    OpenGroup(l, "IDMimakiClearInk_OuterGrp");
    OpenGroup(l, "IDMimakiClearInkSurface_Grp");
    // Both buttons carry the first button's id in their item.
    Dependency(l, "IDMimakiClearInkSurface_RadioGrp", "IDMimakiClearInkSurface_Rd1", "1");
    AddCustomGuiItem(l, kGuiRadioButton, "IDMimakiClearInkSurface_Rd1", "Matte", "IDMimakiClearInkSurface_Rd",
                     "Output/Prn/Specific/Clear/Surface");
    AddCustomGuiChoice(l, "IDMimakiClearInkSurface_Rd1", "", 0);
    Dependency(l, "IDMimakiClearInkSurface_RadioGrp", "IDMimakiClearInkSurface_Rd2", "0");
    AddCustomGuiItem(l, kGuiRadioButton, "IDMimakiClearInkSurface_Rd2", "Glossy", "IDMimakiClearInkSurface_Rd",
                     "Output/Prn/Specific/Clear/Surface");
    AddCustomGuiChoice(l, "IDMimakiClearInkSurface_Rd1", "", 1);
    CloseGroup(l);  // IDMimakiClearInkSurface_Grp
    CoverageGroup(l, "IDMimakiSpinClearInkCoverage_Grp", "IDMimakiSpinClearInkCoverage", "Clear ink coverage",
                  "Output/Prn/Specific/Clear/Level");
    if (withEmboss) {
        OpenGroup(l, "IDMimakiEmboss_Grp");
        OpenRow(l);
        CheckBox(l, "IDMimakiEmboss_Chk", "Embossed", 0, "Output/Prn/Specific/Clear/Emboss/Mode");
        Spacer(l, "25", "10");
        OpenGroup(l, "IDMimakiEmbossLayers_Grp");
        Text(l, "IDMimakiSpinLayers_lbl", "Layers");
        Spacer(l, "10", "10");
        AddCustomGuiNumber(l, kGuiIntSpin, "IDMimakiSpinLayers", "", 2, 2, 8, 1,
                           "Output/Prn/Specific/Clear/Emboss/MattePasses");
        CloseGroup(l);  // IDMimakiEmbossLayers_Grp
        CloseRow(l);
        CloseGroup(l);  // IDMimakiEmboss_Grp
        Dependency(l, "IDMimakiEmbossLayers_Grp", "IDMimakiEmboss_Chk", "0");
    }
    CloseGroup(l);  // IDMimakiClearInk_OuterGrp
    Dependency(l, "IDMimakiClearInk_OuterGrp", "IDMimakiPuClearInkMode_Pu", "3");
}

void AddGui_PrimerInk(CustomGuiList& l) {
    Header(l, "IDMimakiPrimerInk_Hdr", "Primer", "IDMimakiPrimerInk_Grp");
    OpenGroup(l, "IDMimakiPrimerInk_Grp");
    OpenRow(l);
    Popup(l, "IDMimakiPuPrimerInkMode_Pu", "Print mode", "IDMimakiPuPrimerInkMode_Pu3",
          "Output/Prn/Specific/Primer/Mode",
          {{"IDMimakiPuPrimerInkMode_Pu1", "Bounding box", 2},
           {"IDMimakiPuPrimerInkMode_Pu2", "Inked image", 1},
           {"IDMimakiPuPrimerInkMode_Pu3", "Off", 3}});
    CloseRow(l);
    CloseGroup(l);
    OpenGroup(l, "IDMimakiPrimerInk_OuterGrp");
    CoverageGroup(l, "IDMimakiSpinPrimerInkCoverage_Grp", "IDMimakiSpinPrimerInkCoverage", "Ink coverage",
                  "Output/Prn/Specific/Primer/Level");
    CloseGroup(l);  // IDMimakiPrimerInk_OuterGrp
    Dependency(l, "IDMimakiPrimerInk_OuterGrp", "IDMimakiPuPrimerInkMode_Pu", "3");
}

void AddGui_UVCuring(CustomGuiList& l, int32_t lampDefault) {
    Header(l, "IDMimakiUVCuring_Hdr", "Curing", "IDMimakiUVCuring_Grp");
    OpenGroup(l, "IDMimakiUVCuring_Grp");
    OpenRow(l);
    CheckBox(l, "IDMimakiUVCuring_PanelChk", "kUsePrinterSettings", 1, "Output/Prn/Specific/UVCuring/UsePanel");
    CloseRow(l);
    OpenGroup(l, "IDMimakiSpinUVCuring_Grp");
    AddCustomGuiItem(l, kGuiBlockOpen, "", "", "", "");
    OpenRow(l);
    Lamp(l, 1, lampDefault);
    Spacer(l, "25", "10");
    Lamp(l, 2, lampDefault);
    CloseRow(l);
    OpenRow(l);
    Lamp(l, 3, lampDefault);
    Spacer(l, "25", "10");
    Lamp(l, 4, lampDefault);
    CloseRow(l);
    AddCustomGuiItem(l, kGuiBlockClose, "", "", "", "");
    OpenRow(l);
    CheckBox(l, "IDMimakiUVCuring_Enablegloss", "Glossy Effect", 0, "Output/Prn/Specific/UVCuring/GlossyEffect");
    CloseRow(l);
    CloseGroup(l);  // IDMimakiSpinUVCuring_Grp
    CloseGroup(l);  // IDMimakiUVCuring_Grp
    Dependency(l, "IDMimakiSpinUVCuring_Grp", "IDMimakiUVCuring_PanelChk", "1");
}
