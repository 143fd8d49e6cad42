// The offer list: the models offered to the host, in offer order, each with
// the OEM ids it is offered under; and the filter by OEM id.
#include <algorithm>

#include "catalogue/varn_printer.h"

namespace {

enum OfferOEMs : uint8_t { kOEM0, kOEM0And11 };

struct OFFERROW {
    uint32_t nPrnID;
    OfferOEMs oems;
};

constexpr OFFERROW kOfferList[] = {
#include "catalogue/tables/offer_list.inc"
};

}  // namespace

void CVarnPrinter::AddPrinterToList(uint32_t printerModel, std::initializer_list<uint32_t> oemIds) {
    PRINTERMODEL& model = GetModel(static_cast<int32_t>(printerModel));
    for (uint32_t oemId : oemIds) model.vecOEMIDs.push_back(oemId);
    PRINTERLISTITEM item;
    item.vecOEMIDs = model.vecOEMIDs;
    item.nPrnID = printerModel;
    m_listPrinters.push_back(std::move(item));
}

void CVarnPrinter::InitPrinterList() {
    for (const OFFERROW& row : kOfferList) {
        if (row.oems == kOEM0And11) {
            AddPrinterToList(row.nPrnID, {0, 11});
        } else {
            AddPrinterToList(row.nPrnID, {0});
        }
    }
}

int32_t CVarnPrinter::GetPrinterIdList(std::vector<uint32_t>& ids, uint32_t oemId) const {
    for (const PRINTERLISTITEM& item : m_listPrinters) {
        if (oemId == kEveryOEM ||
            std::find(item.vecOEMIDs.begin(), item.vecOEMIDs.end(), oemId) != item.vecOEMIDs.end()) {
            ids.push_back(item.nPrnID);
        }
    }
    return static_cast<int32_t>(ids.size());
}
