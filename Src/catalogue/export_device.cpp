// Exporters of a model's identity, port, dialog plug-ins and layout text, and
// device parameters (cutter, page spacing, head speed, head heights, heaters).
#include <cstdio>
#include <memory>
#include <type_traits>

#include "catalogue/prn_exporters.h"
#include "catalogue/prn_info_xml.h"
#include "host/ticket.h"

using namespace exportframe;

namespace {

// A value of the u32 fields that hold "absent".
constexpr int32_t AsInt(uint32_t value) { return static_cast<int32_t>(value); }

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

int WriteGuiPlugins(uint32_t id, const Ticket* ticket, const char* key, bool jobEditor) {
    if (!IsValidTicketRecord(ticket)) return -1;
    const PRINTERMODEL* m = Model(id);
    if (!m) return -1;
    const std::vector<std::string>& plugins = jobEditor ? m->vecGUIPluginsJE : m->vecGUIPlugins;
    SetStrings(ticket, id, key, plugins);
    return static_cast<int>(plugins.size());
}

// The three keys of a cutter group, when its default is set.
template <typename T>
bool WriteGroup(const Ticket* ticket, uint32_t id, const char* const keys[3], T min, T max, T def, T absent) {
    if (def == absent) return false;
    if constexpr (std::is_same<T, double>::value) {
        SetDouble(ticket, id, keys[0], min);
        SetDouble(ticket, id, keys[1], max);
        SetDouble(ticket, id, keys[2], def);
    } else {
        SetInt(ticket, id, keys[0], AsInt(min));
        SetInt(ticket, id, keys[1], AsInt(max));
        SetInt(ticket, id, keys[2], AsInt(def));
    }
    return true;
}

}  // namespace

int GetPrinterListXML(uint32_t ticketId, const Ticket* ticket, uint32_t oemId) {
    if (!g_CurrentVarnPrinter) return -1;
    std::vector<uint32_t> ids;
    g_CurrentVarnPrinter->GetPrinterIdList(ids, oemId);
    std::vector<int32_t> numbers, manufacturerIds;
    std::vector<std::string> names, shortNames, manufacturers;
    for (uint32_t number : ids) {
        const PRINTERMODEL* m = Model(number);
        if (!m) continue;
        numbers.push_back(AsInt(number));
        names.push_back(m->strPrnName);
        shortNames.push_back(m->strPrnShortname);
        manufacturerIds.push_back(AsInt(m->nManufacturerID));
        manufacturers.push_back(m->strManufacturerName);
    }
    SetInts(ticket, ticketId, "Output/Prn/Info/Manufacturer/PrnID", numbers);
    SetStrings(ticket, ticketId, "Output/Prn/Info/Manufacturer/PrnName", names);
    SetStrings(ticket, ticketId, "Output/Prn/Info/Manufacturer/PrnShortname", shortNames);
    SetInts(ticket, ticketId, "Output/Prn/Info/Manufacturer/ManufacturerID", manufacturerIds);
    SetStrings(ticket, ticketId, "Output/Prn/Info/Manufacturer/ManufacturerName", manufacturers);
    return static_cast<int>(numbers.size());
}

int GetPrinterPortXML(uint32_t id, const Ticket* ticket) {
    const PRINTERMODEL* m = Model(id);
    if (!m) return -1;
    const int32_t type[2] = {m->aPortType[0] == kAbsent ? 63 : AsInt(m->aPortType[0]),
                             m->aPortType[1] == kAbsent ? 2 : AsInt(m->aPortType[1])};
    SetInts(ticket, id, "Output/Prn/Info/Port/Type", std::vector<int32_t>(type, type + 2));
    if (m->aPortIpProtocol[0] != kAbsent || m->aPortIpProtocol[1] != kAbsent) {
        SetInts(ticket, id, "Output/Prn/Info/Port/Ip/Protocol",
                std::vector<int32_t>{AsInt(m->aPortIpProtocol[0]), AsInt(m->aPortIpProtocol[1])});
    } else {
        Remove(ticket, id, "Output/Prn/Info/Port/Ip/Protocol");
    }
    if (m->nPortIpRawPort != 0) {
        SetInt(ticket, id, "Output/Prn/Info/Port/Ip/Raw/Port", AsInt(m->nPortIpRawPort));
    } else {
        Remove(ticket, id, "Output/Prn/Info/Port/Ip/Raw/Port");
    }
    if (m->nVisibilityMask != 0) {
        SetInt(ticket, id, "Output/Prn/Info/VisibilityMask", AsInt(m->nVisibilityMask));
    } else {
        Remove(ticket, id, "Output/Prn/Info/VisibilityMask");
    }
    if (!m->strPortPluginName.empty()) {
        SetString(ticket, id, "Output/Prn/Info/Port/Plugin/Name", m->strPortPluginName);
    } else {
        Remove(ticket, id, "Output/Prn/Info/Port/Plugin/Name");
    }
    if (m->nPortSpecialType != 0) {
        SetInt(ticket, id, "Output/Prn/Info/Port/Special/Type", AsInt(m->nPortSpecialType));
    } else {
        Remove(ticket, id, "Output/Prn/Info/Port/Special/Type");
    }
    return 1;
}

int GetPrinterGUIPluginsXML(uint32_t id, const Ticket* ticket) {
    return WriteGuiPlugins(id, ticket, "Output/Prn/GUIPlugins/FeatureRectanglePluginID", false);
}

int GetPrinterGUIPluginsJEXML(uint32_t id, const Ticket* ticket) {
    return WriteGuiPlugins(id, ticket, "Output/Prn/GUIPluginsJE/FeatureRectanglePluginID", true);
}

int SetXAMLDialogLayoutDescription(uint32_t id, const Ticket* ticket, clLogFullInterface* logger) {
    if (!IsValidTicketRecord(ticket)) return -1;
    const PRINTERMODEL* m = Model(id);
    if (!m) return -1;
    const std::string& text = m->strXAMLDialogLayoutDescription;
    if (text.empty()) return 0;
    const TicketBlob blob{text.data(), text.size()};
    ticket->SetValue(ticket->HostContext, TICKET_SCOPE_PRINTER_INFO, id,
                     "Output/Prn/GUIPlugins/XAMLDialogLayoutDescription", TICKET_TYPE_BLOB, &blob, TICKET_INDEX_SCALAR);

    int32_t extract = 0;
    if (!ticket->GetValue(ticket->HostContext, TICKET_SCOPE_SYSTEM, 0, "Debug/Extract/XAMLDialogLayoutDescription",
                          TICKET_TYPE_INT32, &extract, TICKET_INDEX_SCALAR) ||
        extract == 0) {
        return 1;
    }
    char name[128];
    std::snprintf(name, sizeof name, "XAMLDialogLayoutDescription_%d.xml", AsInt(id));
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(name, "wb"));
    if (!file) {
        if (logger) logger->Log(LOG_ERROR, "%s: Unable to create", name);
        return 1;
    }
    std::fwrite(text.data(), 1, text.size(), file.get());
    file.reset();
    if (logger) logger->Log(LOG_WARNING, "%s: %u bytes", name, static_cast<unsigned>(text.size()));
    return 1;
}

int GetPrinterCutterParametersXML(uint32_t id, const Ticket* ticket) {
    if (!IsValidTicketRecord(ticket)) return -1;
    const PRINTERMODEL* m = Model(id);
    if (!m) return -1;
    static const char* const kForce[3] = {"Output/Prn/Info/CutterParameters/ForceMin",
                                          "Output/Prn/Info/CutterParameters/ForceMax",
                                          "Output/Prn/Info/CutterParameters/ForceDefault"};
    static const char* const kVelocity[3] = {"Output/Prn/Info/CutterParameters/VelocityMin",
                                             "Output/Prn/Info/CutterParameters/VelocityMax",
                                             "Output/Prn/Info/CutterParameters/VelocityDefault"};
    static const char* const kOffset[3] = {"Output/Prn/Info/CutterParameters/OffsetMin",
                                           "Output/Prn/Info/CutterParameters/OffsetMax",
                                           "Output/Prn/Info/CutterParameters/OffsetDefault"};
    static const char* const kRepetitions[3] = {"Output/Prn/Info/CutterParameters/RepetitionsMin",
                                                "Output/Prn/Info/CutterParameters/RepetitionsMax",
                                                "Output/Prn/Info/CutterParameters/RepetitionsDefault"};
    int groups = 0;
    groups += WriteGroup(ticket, id, kForce, m->nCutterForceMin, m->nCutterForceMax, m->nCutterForceDefault, kAbsent);
    groups += WriteGroup(ticket, id, kVelocity, m->nCutterVelocityMin, m->nCutterVelocityMax,
                         m->nCutterVelocityDefault, kAbsent);
    groups += WriteGroup(ticket, id, kOffset, m->dCutterOffsetMin, m->dCutterOffsetMax, m->dCutterOffsetDefault, -1.0);
    groups += WriteGroup(ticket, id, kRepetitions, m->nCutterRepetitionsMin, m->nCutterRepetitionsMax,
                         m->nCutterRepetitionsDefault, kAbsent);
    return groups;
}

int GetPrinterPagespacingXML(uint32_t id, const Ticket* ticket) {
    if (!IsValidTicketRecord(ticket)) return -1;
    const PRINTERMODEL* m = Model(id);
    if (!m) return -1;
    if (m->nPagespace == -1) return 0;
    SetInt(ticket, id, "Output/Prn/Info/Pagespacing/PagespaceMin", m->nPagespaceMin);
    SetInt(ticket, id, "Output/Prn/Info/Pagespacing/PagespaceMax", m->nPagespaceMax);
    SetInt(ticket, id, "Output/Prn/Info/Pagespacing/Pagespace", m->nPagespace);
    return 1;
}

int GetPrinterPrintheadspeedXML(uint32_t id, const Ticket* ticket) {
    if (!IsValidTicketRecord(ticket)) return -1;
    const PRINTERMODEL* m = Model(id);
    if (!m) return -1;
    if (m->nPrintheadspeedDefault == -1) return 0;
    SetInt(ticket, id, "Output/Prn/Info/Printheadspeed/PrintheadspeedMin", m->nPrintheadspeedMin);
    SetInt(ticket, id, "Output/Prn/Info/Printheadspeed/PrintheadspeedMax", m->nPrintheadspeedMax);
    SetInt(ticket, id, "Output/Prn/Info/Printheadspeed/PrintheadspeedDefault", m->nPrintheadspeedDefault);
    return 1;
}

int GetPrinterHeadXML(uint32_t id, const Ticket* ticket) {
    if (!IsValidTicketRecord(ticket)) return -1;
    const PRINTERMODEL* m = Model(id);
    if (!m) return -1;
    SetDouble(ticket, id, "Output/Prn/Info/Head/HeightMMMin", m->dHeadHeightMMMin);
    SetDouble(ticket, id, "Output/Prn/Info/Head/HeightMMMax", m->dHeadHeightMMMax);
    SetDouble(ticket, id, "Output/Prn/Info/Head/HeightMMMinMediaAlarm", m->dHeadHeightMMMinMediaAlarm);
    SetDoubles(ticket, id, "Output/Prn/Info/Head/HeightMMInSteps", m->vecHeadHeightMMInSteps);
    return 1;
}

int GetPrinterHeaterXML(uint32_t id, const Ticket* ticket) {
    if (!IsValidTicketRecord(ticket)) return -1;
    const PRINTERMODEL* m = Model(id);
    if (!m) return -1;
    std::vector<std::string> names;
    std::vector<int32_t> types;
    std::vector<double> minimum, maximum, step, defaults;
    for (const HEATER& h : m->listHeaters) {
        names.push_back(h.strName);
        types.push_back(AsInt(h.nType));
        minimum.push_back(h.dMin);
        maximum.push_back(h.dMax);
        step.push_back(h.dStep);
        defaults.push_back(h.dDefault);
    }
    SetStrings(ticket, id, "Output/Prn/Info/Heater/Name", names);
    SetInts(ticket, id, "Output/Prn/Info/Heater/Type", types);
    SetDoubles(ticket, id, "Output/Prn/Info/Heater/CelsiusMin", minimum);
    SetDoubles(ticket, id, "Output/Prn/Info/Heater/CelsiusMax", maximum);
    SetDoubles(ticket, id, "Output/Prn/Info/Heater/CelsiusStep", step);
    SetDoubles(ticket, id, "Output/Prn/Info/Heater/CelsiusDefault", defaults);
    return static_cast<int>(names.size());
}
