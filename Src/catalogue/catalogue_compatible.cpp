// The groups of compatible printers.
#include <algorithm>

#include "catalogue/varn_printer.h"

namespace {

constexpr int32_t kCompatibleGroups[] = {
#include "catalogue/tables/compatible_printers.inc"
};

}  // namespace

void CVarnPrinter::InitCompatiblePrinters() {
    std::list<int32_t> group;
    for (int32_t printerModel : kCompatibleGroups) {
        if (printerModel != 0) {
            group.push_back(printerModel);
            continue;
        }
        m_listCompatiblePrinters.push_back(group);
        group.clear();
    }
}

int32_t CVarnPrinter::GetCompatiblePrinters(int32_t printerModel, std::list<int32_t>& out) const {
    for (const std::list<int32_t>& group : m_listCompatiblePrinters) {
        if (std::find(group.begin(), group.end(), printerModel) != group.end()) {
            out = group;
            return 1;
        }
    }
    return 0;
}
