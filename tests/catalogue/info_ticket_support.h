// Reading an exported printer-information ticket back from the host kit's
// store, and a small catalogue of hand-made models published for the
// exporters.
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "catalogue/prn_info_xml.h"
#include "catalogue/varn_printer.h"
#include "ticket_store.h"

namespace infotest {

constexpr uint32_t kInfo = TICKET_SCOPE_PRINTER_INFO;

template <typename T>
std::vector<T> Read(const hostkit::TicketStore& store, uint32_t id, const std::string& key, uint32_t scope = kInfo) {
    std::vector<T> out;
    if (const hostkit::Elements* elements = store.Find(scope, id, key)) {
        for (const hostkit::TicketValue& v : *elements) out.push_back(std::get<T>(v));
    }
    return out;
}
inline std::vector<int32_t> Ints(const hostkit::TicketStore& s, uint32_t id, const std::string& key) {
    return Read<int32_t>(s, id, key);
}
inline std::vector<double> Doubles(const hostkit::TicketStore& s, uint32_t id, const std::string& key) {
    return Read<double>(s, id, key);
}
inline std::vector<std::string> Strings(const hostkit::TicketStore& s, uint32_t id, const std::string& key) {
    return Read<std::string>(s, id, key);
}
inline bool Has(const hostkit::TicketStore& s, uint32_t id, const std::string& key) {
    return s.Find(kInfo, id, key) != nullptr;
}

// An empty catalogue to put models into; published as the current one while
// it lives.
class StubCatalogue {
public:
    StubCatalogue() : catalogue(CVarnPrinterParams{}, CVarnPrinter::EmptyTag{}) { g_CurrentVarnPrinter = &catalogue; }
    ~StubCatalogue() { g_CurrentVarnPrinter = nullptr; }
    StubCatalogue(const StubCatalogue&) = delete;
    StubCatalogue& operator=(const StubCatalogue&) = delete;

    // A model offered under OEM id 0.
    PRINTERMODEL& Offer(uint32_t number) {
        PRINTERMODEL& m = catalogue.GetModel(static_cast<int32_t>(number));
        m.nPrnID = number;
        m.strPrnName = "Model " + std::to_string(number);
        catalogue.m_listPrinters.push_back({{0}, number});
        return m;
    }

    CVarnPrinter catalogue;
};

}  // namespace infotest
