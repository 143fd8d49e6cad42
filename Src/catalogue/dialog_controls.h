// Printer-dialog controls: the control kinds and the adders every dialog
// description is written through.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "catalogue/catalogue_records.h"

using CustomGuiList = std::vector<CUSTOMGUI>;

// CUSTOMGUI::nGuiType.
enum CustomGuiKind : uint32_t {
    kGuiStaticText = 1,
    kGuiCheckBox = 2,
    kGuiRadioButton = 3,
    kGuiPopup = 4,
    kGuiIntSpin = 6,
    kGuiDecimalSpin = 7,
    kGuiRadioButtonOther = 9,  // keyed like a radio button; unused here
    kGuiDecimalOther = 13,     // formatted like 7; unused here
    kGuiSectionHeader = 24,
    kGuiSpacer = 30,
    kGuiGroupOpen = 31,
    kGuiGroupClose = 32,
    kGuiRowOpen = 33,
    kGuiRowClose = 34,
    kGuiBlockOpen = 35,
    kGuiBlockClose = 36,
    kGuiDependency = 43,
    kGuiDecimalThird = 52,  // formatted like 7; unused here
};

// The key when given; else "Output/Prn/Specific/CustomGui/" and the id; else empty.
std::string MakeCustomGuiKey(const std::string& key, const std::string& id);

// Appends an item {first, second, third}; nothing for a null control.
void AddCustomGuiSubItem(CUSTOMGUI* control, std::string first, std::string second, std::string third);
// Appends a control. Radio buttons take the key formed from their default
// (the radio group's name) when no key is given.
void AddCustomGuiItem(CustomGuiList& list, uint32_t kind, std::string id, std::string label,
                      std::string defaultValue, std::string key);
// The default written as "%d".
void AddCustomGuiInt(CustomGuiList& list, uint32_t kind, std::string id, std::string label, int32_t defaultValue,
                     std::string key);
// A spin box: the step (0 standing for 0.1 or 1) as its default, one item
// {minimum, maximum, value}. Decimal kinds write "%.4lf", the others truncate
// to "%d".
void AddCustomGuiNumber(CustomGuiList& list, uint32_t kind, std::string id, std::string label, double value,
                        double minimum, double maximum, double step, std::string key);
// Appends a choice {id, label, value} to the last control; nothing on an empty list.
void AddCustomGuiChoice(CustomGuiList& list, std::string id, std::string label, int32_t value);
