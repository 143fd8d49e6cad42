#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <string>
#include <vector>

#include "catalogue/dialog_descriptions.h"

namespace {

const std::string kDerived = "Output/Prn/Specific/CustomGui/";

// kind|id|label|default|key, then {first,second,third} per item; a key
// derived from the id shows as "~".
std::vector<std::string> Lines(const CustomGuiList& list) {
    std::vector<std::string> lines;
    for (const CUSTOMGUI& c : list) {
        std::string key = c.strTicketKey;
        if (!c.strID.empty() && key == kDerived + c.strID) key = "~";
        std::string line = std::to_string(c.nGuiType) + "|" + c.strID + "|" + c.strLabel + "|" + c.strDefault + "|" + key;
        for (const CUSTOMGUISUP& s : c.listSup) line += "{" + s.strID + "," + s.strLabel + "," + s.strValue + "}";
        lines.push_back(line);
    }
    return lines;
}

// Groups (31/32), rows (33/34) and blocks (35/36) open and close in balance.
void ExpectBalanced(const CustomGuiList& list) {
    std::vector<uint32_t> open;
    for (const CUSTOMGUI& c : list) {
        if (c.nGuiType == 31 || c.nGuiType == 33 || c.nGuiType == 35) open.push_back(c.nGuiType);
        if (c.nGuiType == 32 || c.nGuiType == 34 || c.nGuiType == 36) {
            ASSERT_FALSE(open.empty());
            EXPECT_EQ(open.back() + 1, c.nGuiType);
            open.pop_back();
        }
    }
    EXPECT_TRUE(open.empty());
}

}  // namespace

TEST(DialogControls, DeriveKeysFromTheIdOrTheRadioGroup) {
    EXPECT_EQ(MakeCustomGuiKey("", "IDMimakiLogicalSeek_EnableChk"), kDerived + "IDMimakiLogicalSeek_EnableChk");
    EXPECT_EQ(MakeCustomGuiKey("Output/Prn/Specific/LogicalSeek", "IDx"), "Output/Prn/Specific/LogicalSeek");
    EXPECT_EQ(MakeCustomGuiKey("", ""), "");
    CustomGuiList list;
    AddCustomGuiChoice(list, "a", "b", 1);  // empty list: nothing
    EXPECT_TRUE(list.empty());
    AddCustomGuiItem(list, kGuiRadioButton, "IDMimakiClearInkSurface_Rd2", "Glossy", "IDMimakiClearInkSurface_Rd", "");
    AddCustomGuiInt(list, kGuiCheckBox, "IDMimakiLogicalSeek_EnableChk", "Enable", 0, "");
    AddCustomGuiItem(list, kGuiGroupClose, "", "", "", "");
    AddCustomGuiChoice(list, "x", "y", -3);  // goes to the last control, whatever its kind
    EXPECT_EQ(list[0].strTicketKey, kDerived + "IDMimakiClearInkSurface_Rd");
    EXPECT_EQ(list[1].strTicketKey, kDerived + "IDMimakiLogicalSeek_EnableChk");
    EXPECT_EQ(list[2].strTicketKey, "");
    EXPECT_EQ(Lines(list)[2], "32||||{x,y,-3}");
    AddCustomGuiSubItem(nullptr, "a", "b", "c");
}

TEST(DialogControls, WriteSpinBoxesInTheCFormWhateverTheLocale) {
    std::string previous = std::setlocale(LC_NUMERIC, nullptr);
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8"}) {
        if (std::setlocale(LC_NUMERIC, name)) break;
    }
    CustomGuiList list;
    AddCustomGuiNumber(list, kGuiDecimalSpin, "IDs", "", 0, 0, 19.9, 0.1, "k");
    AddCustomGuiNumber(list, kGuiIntSpin, "IDi", "", 2.9, 2, 8, 0, "k");
    AddCustomGuiNumber(list, kGuiDecimalSpin, "IDz", "", 1, 0, 1, 0.0, "k");
    AddCustomGuiNumber(list, kGuiIntSpin, "IDc", "", 1e12, -1e12, -2.5, 3.9, "k");
    AddCustomGuiNumber(list, kGuiIntSpin, "IDn", "", std::nan(""), 0, 5, 1, "k");  // NaN is written as 0
    std::setlocale(LC_NUMERIC, previous.c_str());
    EXPECT_EQ(Lines(list), (std::vector<std::string>{"7|IDs||0.1000|k{0.0000,19.9000,0.0000}",
                                                     "6|IDi||1|k{2,8,2}",
                                                     "7|IDz||0.1000|k{0.0000,1.0000,1.0000}",
                                                     "6|IDc||3|k{-2147483648,-2,2147483647}",
                                                     "6|IDn||1|k{0,5,0}"}));
}

TEST(DialogDescriptions, ClearInkWithEmbossWritesItsWholeSequence) {
    CustomGuiList list;
    AddGui_ClearInk(list, true);
    ExpectBalanced(list);
    const std::vector<std::string> expected = {
        "24|IDMimakiClearInk_Hdr|Clear Ink Printing|IDMimakiClearInk_Grp|~",
        "31|IDMimakiClearInk_Grp|||~",
        "33||||",
        "4|IDMimakiPuClearInkMode_Pu|Print mode|IDMimakiPuClearInkMode_Pu5|Output/Prn/Specific/Clear/Mode"
        "{IDMimakiPuClearInkMode_Pu1,Spot color CLEAR_INK,0}{IDMimakiPuClearInkMode_Pu2,Inked image,1}"
        "{IDMimakiPuClearInkMode_Pu3,Inked image inverse,6}{IDMimakiPuClearInkMode_Pu4,Bounding box,2}"
        "{IDMimakiPuClearInkMode_Pu5,Off,3}",
        "34||||",
        "32||||",
        "31|IDMimakiClearInk_OuterGrp|||~",
        "31|IDMimakiClearInkSurface_Grp|||~",
        "43|IDMimakiClearInkSurface_RadioGrp|IDMimakiClearInkSurface_Rd1|1|~",
        "3|IDMimakiClearInkSurface_Rd1|Matte|IDMimakiClearInkSurface_Rd|Output/Prn/Specific/Clear/Surface"
        "{IDMimakiClearInkSurface_Rd1,,0}",
        "43|IDMimakiClearInkSurface_RadioGrp|IDMimakiClearInkSurface_Rd2|0|~",
        "3|IDMimakiClearInkSurface_Rd2|Glossy|IDMimakiClearInkSurface_Rd|Output/Prn/Specific/Clear/Surface"
        "{IDMimakiClearInkSurface_Rd1,,1}",
        "32||||",
        "31|IDMimakiSpinClearInkCoverage_Grp|||~",
        "33||||",
        "6|IDMimakiSpinClearInkCoverage|Clear ink coverage|1|Output/Prn/Specific/Clear/Level{1,100,100}",
        "34||||",
        "32||||",
        "31|IDMimakiEmboss_Grp|||~",
        "33||||",
        "2|IDMimakiEmboss_Chk|Embossed|0|Output/Prn/Specific/Clear/Emboss/Mode",
        "30|25|10||~",
        "31|IDMimakiEmbossLayers_Grp|||~",
        "1|IDMimakiSpinLayers_lbl|Layers||~",
        "30|10|10||~",
        "6|IDMimakiSpinLayers||1|Output/Prn/Specific/Clear/Emboss/MattePasses{2,8,2}",
        "32||||",
        "34||||",
        "32||||",
        "43|IDMimakiEmbossLayers_Grp|IDMimakiEmboss_Chk|0|~",
        "32||||",
        "43|IDMimakiClearInk_OuterGrp|IDMimakiPuClearInkMode_Pu|3|~",
    };
    EXPECT_EQ(Lines(list), expected);

    CustomGuiList plain;
    AddGui_ClearInk(plain, false);
    EXPECT_EQ(plain.size(), 20u);
    EXPECT_EQ(Lines(plain)[17], "32||||");  // coverage group closed, then the outer group
    EXPECT_EQ(Lines(plain)[19], expected.back());
}

TEST(DialogDescriptions, UVCuringWritesItsWholeSequence) {
    CustomGuiList list;
    AddGui_UVCuring(list, 120);
    ExpectBalanced(list);
    std::vector<std::string> expected = {
        "24|IDMimakiUVCuring_Hdr|Curing|IDMimakiUVCuring_Grp|~",
        "31|IDMimakiUVCuring_Grp|||~",
        "33||||",
        "2|IDMimakiUVCuring_PanelChk|kUsePrinterSettings|1|Output/Prn/Specific/UVCuring/UsePanel",
        "34||||",
        "31|IDMimakiSpinUVCuring_Grp|||~",
        "35||||",
    };
    for (int row = 0; row < 2; ++row) {
        expected.push_back("33||||");
        for (int lamp = 2 * row + 1; lamp <= 2 * row + 2; ++lamp) {
            const std::string n = std::to_string(lamp);
            expected.push_back("1|IDMimakiSpinLamp" + n + "_lbl|Lamp " + n + "||~");
            expected.push_back("30|10|10||~");
            expected.push_back("6|IDMimakiSpinLamp" + n + "||1|Output/Prn/Specific/UVCuring/Lamp" + n + "{22,120,120}");
            if (lamp % 2 == 1) expected.push_back("30|25|10||~");
        }
        expected.push_back("34||||");
    }
    for (const char* line : {"36||||", "33||||",
                             "2|IDMimakiUVCuring_Enablegloss|Glossy Effect|0|Output/Prn/Specific/UVCuring/GlossyEffect",
                             "34||||", "32||||", "32||||",
                             "43|IDMimakiSpinUVCuring_Grp|IDMimakiUVCuring_PanelChk|1|~"}) {
        expected.push_back(line);
    }
    EXPECT_EQ(list.size(), 32u);
    EXPECT_EQ(Lines(list), expected);
}

TEST(DialogDescriptions, EveryBuilderBalancesItsGroupsAndRows) {
    CustomGuiList list;
    AddGui_AutoCut(list, 0);
    EXPECT_EQ(Lines(list)[0], "24|IDMimakiAutoCutHdr|kSMPSpecialCutting||~");
    EXPECT_EQ(Lines(list)[3], "2|IDMimakiAutoCut_EnableChk|Autocut on|0|Output/Prn/Cutting/Mode");
    AddGui_DryTimePerScan(list, 0.0, 0.0, 9.9, 0.1);
    EXPECT_EQ(Lines(list).at(6 + 5), "7|IDMimakiDryTimePerpass_spin||0.1000|Output/Prn/Specific/Dryer/TimePerScan"
                                     "{0.0000,9.9000,0.0000}");
    AddGui_LogicalSeek(list);
    const size_t suction = list.size();
    AddGui_PaperSuction(list, "");
    EXPECT_EQ(list[suction + 3].strDefault, "IDMimakiPuPaperSuctionMode_Pu1");
    EXPECT_EQ(list[suction + 3].listSup.size(), 5u);
    const size_t pattern = list.size();
    AddGui_PatternPrinting(list);
    EXPECT_EQ(list[pattern].nGuiType, 43u);  // the dependency stands before the header
    EXPECT_EQ(list[pattern + 1].nGuiType, 24u);
    const size_t endDry = list.size();
    AddGui_PrintEndDryTime(list, 0, 0, 120, 1);
    EXPECT_EQ(Lines(list).at(endDry + 5), "6|IDMimakiPrintEndDryTime_spin||1|Output/Prn/Specific/Dryer/Time{0,120,0}");
    AddGui_PulledBackPrint(list);
    AddGui_PrimerInk(list);
    EXPECT_EQ(list.back().strLabel, "IDMimakiPuPrimerInkMode_Pu");
    ExpectBalanced(list);
}
