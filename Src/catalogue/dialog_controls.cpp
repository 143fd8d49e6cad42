// Printer-dialog control adders.
#include "catalogue/dialog_controls.h"

#include <cmath>
#include <limits>
#include <utility>

#include "base/format.h"

namespace {

bool IsDecimalKind(uint32_t kind) {
    return kind == kGuiDecimalSpin || kind == kGuiDecimalOther || kind == kGuiDecimalThird;
}

// Truncated toward zero, clamped to the int range first (NaN gives 0).
int32_t TruncateToInt(double value) {
    if (std::isnan(value)) return 0;
    if (value <= static_cast<double>(std::numeric_limits<int32_t>::min())) return std::numeric_limits<int32_t>::min();
    if (value >= static_cast<double>(std::numeric_limits<int32_t>::max())) return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(value);
}

}  // namespace

std::string MakeCustomGuiKey(const std::string& key, const std::string& id) {
    if (!key.empty()) return key;
    if (!id.empty()) return "Output/Prn/Specific/CustomGui/" + id;
    return std::string();
}

void CUSTOMGUI::Set(uint32_t kind, std::string id, std::string label, std::string defaultValue, std::string key) {
    listSup.clear();
    nGuiType = kind;
    strTicketKey = MakeCustomGuiKey(key, id);
    strID = std::move(id);
    strLabel = std::move(label);
    strDefault = std::move(defaultValue);
}

void AddCustomGuiSubItem(CUSTOMGUI* control, std::string first, std::string second, std::string third) {
    if (!control) return;
    control->listSup.push_back({std::move(first), std::move(second), std::move(third)});
}

void AddCustomGuiItem(CustomGuiList& list, uint32_t kind, std::string id, std::string label,
                      std::string defaultValue, std::string key) {
    CUSTOMGUI control;
    control.Set(kind, std::move(id), std::move(label), defaultValue, key);
    if (kind == kGuiRadioButton || kind == kGuiRadioButtonOther) {
        control.strTicketKey = MakeCustomGuiKey(key, defaultValue);
    }
    list.push_back(std::move(control));
}

void AddCustomGuiInt(CustomGuiList& list, uint32_t kind, std::string id, std::string label, int32_t defaultValue,
                     std::string key) {
    AddCustomGuiItem(list, kind, std::move(id), std::move(label), FormatDecimal(defaultValue), std::move(key));
}

void AddCustomGuiNumber(CustomGuiList& list, uint32_t kind, std::string id, std::string label, double value,
                        double minimum, double maximum, double step, std::string key) {
    std::string valueText, minimumText, maximumText, stepText;
    if (IsDecimalKind(kind)) {
        valueText = FormatFixed(value, 4);
        minimumText = FormatFixed(minimum, 4);
        maximumText = FormatFixed(maximum, 4);
        stepText = FormatFixed(step == 0.0 ? 0.1 : step, 4);
    } else {
        valueText = FormatDecimal(TruncateToInt(value));
        minimumText = FormatDecimal(TruncateToInt(minimum));
        maximumText = FormatDecimal(TruncateToInt(maximum));
        const int32_t wholeStep = TruncateToInt(step);
        stepText = FormatDecimal(wholeStep == 0 ? 1 : wholeStep);
    }
    CUSTOMGUI control;
    control.Set(kind, std::move(id), std::move(label), std::move(stepText), std::move(key));
    AddCustomGuiSubItem(&control, std::move(minimumText), std::move(maximumText), std::move(valueText));
    list.push_back(std::move(control));
}

void AddCustomGuiChoice(CustomGuiList& list, std::string id, std::string label, int32_t value) {
    if (list.empty()) return;
    AddCustomGuiSubItem(&list.back(), std::move(id), std::move(label), FormatDecimal(value));
}
