// The groups of compatible printers.
#include <algorithm>

#include "catalogue/varn_printer.h"

void CVarnPrinter::InitCompatiblePrinters() {}

int32_t CVarnPrinter::GetCompatiblePrinters(int32_t printerModel, std::list<int32_t>& out) const {
    for (const std::list<int32_t>& group : m_listCompatiblePrinters) {
        if (std::find(group.begin(), group.end(), printerModel) != group.end()) {
            out = group;
            return 1;
        }
    }
    return 0;
}
