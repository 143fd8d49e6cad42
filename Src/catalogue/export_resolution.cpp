// Exporters of how a model prints: resolutions with the pass modes, colour
// modes, halftones and dot sizes valid at each, pass modes, ink pre-limits,
// halftones, dot sizes, inks with their colour modes and valid colours, and
// spot colours (with their union over all models on id 0).
#include <set>

#include "base/format.h"
#include "catalogue/prn_exporters.h"
#include "catalogue/prn_info_xml.h"
#include "host/ticket.h"

using namespace exportframe;

namespace {

constexpr const char* kSpotColorsKey = "Output/Prn/Info/Color/SpotColors";

template <typename T>
void AppendAll(std::vector<int32_t>& to, const std::vector<T>& from) {
    to.insert(to.end(), from.begin(), from.end());
}

}  // namespace

int GetPrinterResolutionXML(uint32_t id, const Ticket* ticket) {
    const PRINTERMODEL* m = Model(id);
    if (!m) return -1;
    const size_t nameCount = ResolutionNameCount(*m);
    std::vector<std::string> names;
    std::vector<double> xs, ys;
    std::vector<int32_t> passModes, colorModes, halftones, dotSizes;
    for (size_t i = 0; i < m->listResolutions.size(); ++i) {
        const RESOLUTION& r = m->listResolutions[i];
        if (i < nameCount) {
            std::string name;
            FormatResolutionText(name, r.dResolutionX, r.dResolutionY, m->dResolutionNameFactorX,
                                 m->dResolutionNameFactorY);
            names.push_back(name);
            xs.push_back(r.dResolutionX);
            ys.push_back(r.dResolutionY);
        }
        AppendAll(passModes, r.vecPassModes);
        AppendAll(colorModes, r.vecValidColorModes);
        AppendAll(halftones, r.vecValidHalftones);
        AppendAll(dotSizes, r.vecValidDotSizes);
    }
    SetStrings(ticket, id, "Output/Prn/Info/Resolution/Name", names);
    SetDoubles(ticket, id, "Output/Prn/Info/Resolution/X", xs);
    SetDoubles(ticket, id, "Output/Prn/Info/Resolution/Y", ys);
    SetDouble(ticket, id, "Output/Prn/Info/Resolution/Default_X", m->dDefaultResolutionX);
    SetDouble(ticket, id, "Output/Prn/Info/Resolution/Default_Y", m->dDefaultResolutionY);
    SetInts(ticket, id, "Output/Prn/Info/Quality/Index", passModes);
    if (m->bQualityUseColor) SetInt(ticket, id, "Output/Prn/Info/Quality/UseColor", 1);
    if (!colorModes.empty()) SetInts(ticket, id, "Output/Prn/Info/Resolution/ValidColorModes", colorModes);
    if (!halftones.empty()) SetInts(ticket, id, "Output/Prn/Info/Resolution/ValidHalftone", halftones);
    if (!dotSizes.empty()) SetInts(ticket, id, "Output/Prn/Info/Resolution/ValidDotSizes", dotSizes);
    return static_cast<int>(names.size());
}

int GetPrinterQualityXML(uint32_t id, const Ticket* ticket) {
    const PRINTERMODEL* m = Model(id);
    if (!m) return -1;
    std::vector<std::string> names;
    std::vector<int32_t> values;
    for (const PASSMODE& mode : m->listPassModes) {
        names.push_back(mode.strName);
        values.push_back(static_cast<int32_t>(mode.nValue));
    }
    SetStrings(ticket, id, "Output/Prn/Info/Quality/Name", names);
    SetInts(ticket, id, "Output/Prn/Info/Quality/Value", values);
    // The default pass mode goes out under the key the host reads it from.
    if (m->nDefaultPassMode > 0) SetInt(ticket, id, "Process/Noise", m->nDefaultPassMode);
    return static_cast<int>(names.size());
}

int GetPrinterInkPreLimitXML(uint32_t id, const Ticket* ticket) {
    const PRINTERMODEL* m = Model(id);
    if (!m) return -1;
    int written = 0;
    for (const INKPRELIMIT& entry : m->listInkPreLimits) {
        const std::string base = "Output/Prn/Info/Resolution_" + FormatDecimal(entry.nResolutionX) + "_" +
                                 FormatDecimal(entry.nResolutionY) + "/InkPreLimit";
        for (size_t n = 0; n < entry.vecLimits.size(); ++n) {
            SetDouble(ticket, id, (base + FormatDecimal(static_cast<int64_t>(n + 1))).c_str(), entry.vecLimits[n]);
            ++written;
        }
    }
    return written;
}

int GetPrinterHalftoneXML(uint32_t id, const Ticket* ticket) {
    const PRINTERMODEL* m = Model(id);
    if (!m) return -1;
    std::vector<std::string> names;
    std::vector<int32_t> values, versions;
    for (const HALFTONE& h : m->listHalftones) {
        names.push_back(h.strName);
        values.push_back(static_cast<int32_t>(h.nValue));
        versions.push_back(static_cast<int32_t>(h.nVersion));
    }
    SetStrings(ticket, id, "Output/Prn/Info/Halftone/Name", names);
    SetInts(ticket, id, "Output/Prn/Info/Halftone/Value", values);
    SetInts(ticket, id, "Output/Prn/Info/Halftone/Version", versions);
    SetInt(ticket, id, "Output/Prn/Info/Halftone/Default", static_cast<int32_t>(m->nDefaultHalftone));
    return static_cast<int>(names.size());
}

int GetPrinterDotSizeXML(uint32_t id, const Ticket* ticket) {
    const PRINTERMODEL* m = Model(id);
    if (!m) return -1;
    if (m->listDotSizes.empty()) return 0;
    std::vector<std::string> names;
    std::vector<int32_t> values;
    for (const DOTSIZE& d : m->listDotSizes) {
        names.push_back(d.strName);
        values.push_back(static_cast<int32_t>(d.nValue));
    }
    SetStrings(ticket, id, "Output/Prn/Info/DotSize/Name", names);
    SetInts(ticket, id, "Output/Prn/Info/DotSize/Value", values);
    if (m->nDefaultDotSize >= 0) SetInt(ticket, id, "Output/Prn/Info/DotSize/Default", m->nDefaultDotSize);
    return static_cast<int>(names.size());
}

int GetPrinterInkXML(CVarnPrinter* catalogue, uint32_t id, const Ticket* ticket,
                     const std::vector<uint32_t>& hostTicketIds) {
    const PRINTERMODEL* m = Model(id);
    if (!catalogue || !m) return -1;
    catalogue->m_vecInkNames.clear();
    catalogue->m_vecInkIDs.clear();
    if (m->listInks.empty()) return 0;
    for (uint32_t ink : m->listInks) {
        auto found = catalogue->m_mapInkTypes.find(static_cast<int32_t>(ink));
        catalogue->m_vecInkNames.push_back(found != catalogue->m_mapInkTypes.end() ? found->second.strName
                                                                                   : std::string());
        catalogue->m_vecInkIDs.push_back(ink);
    }
    // The ink type chosen in the host's own tickets of this model is looked
    // up, and changes nothing that is written.
    for (uint32_t hostTicket : hostTicketIds) {
        std::string chosen;
        GetTicketString(ticket, chosen, TICKET_SCOPE_HOST_PRINTER, hostTicket, "Output/Prn/Specific/InkTypeName",
                        std::string());
        if (chosen.empty()) continue;
        const int32_t type =
            GetTicketInt(ticket, TICKET_SCOPE_HOST_PRINTER, hostTicket, "Output/Prn/Specific/InkType", -1);
        if (type != -1) static_cast<void>(FindString(catalogue->m_vecInkNames, chosen));
    }
    SetStrings(ticket, id, "Output/Prn/Info/Ink/Name", catalogue->m_vecInkNames);
    SetInts(ticket, id, "Output/Prn/Info/Ink/Value", catalogue->m_vecInkIDs);
    GetPrinterColorXML(catalogue, id, ticket);
    GetPrinterInkValidColorXML(catalogue, id, ticket);
    return static_cast<int>(catalogue->m_vecInkIDs.size());
}

int GetPrinterColorXML(CVarnPrinter* catalogue, uint32_t id, const Ticket* ticket) {
    const PRINTERMODEL* m = Model(id);
    if (!catalogue || !m) return -1;
    const size_t inkCount = catalogue->m_vecInkNames.size();
    std::vector<std::string> names;
    std::vector<int32_t> values, linModes, validInks, validHalftones;
    for (const COLORMODE& mode : m->listColorModes) {
        if (mode.strName.empty()) continue;
        names.push_back(mode.strName);
        values.push_back(static_cast<int32_t>(mode.nValue));
        linModes.push_back(static_cast<int32_t>(mode.nLinearizationMode));
        // Every mode gives one valid ink per ink of the model.
        AppendAll(validInks, mode.vecValidInks.size() == inkCount ? mode.vecValidInks : catalogue->m_vecInkIDs);
        AppendAll(validHalftones, mode.vecValidHalftones);
    }
    SetStrings(ticket, id, "Output/Prn/Info/Color/Name", names);
    SetInts(ticket, id, "Output/Prn/Info/Color/LinMode", linModes);
    SetInts(ticket, id, "Output/Prn/Info/Color/Value", values);
    if (!validInks.empty()) SetInts(ticket, id, "Output/Prn/Info/Color/ValidInk", validInks);
    if (!validHalftones.empty()) SetInts(ticket, id, "Output/Prn/Info/Color/ValidHalftoneModes", validHalftones);
    return static_cast<int>(names.size());
}

int GetPrinterInkValidColorXML(CVarnPrinter* catalogue, uint32_t id, const Ticket* ticket) {
    const PRINTERMODEL* m = Model(id);
    if (!catalogue || !m) return -1;
    for (const auto& entry : m->mapInkValidColors) {
        const std::string key = "Output/Prn/Info/Ink/ValidColor" + FormatDecimal(static_cast<int32_t>(entry.first));
        SetInts(ticket, id, key.c_str(), entry.second);
    }
    return static_cast<int>(m->mapInkValidColors.size());
}

int GetPrinterSpotColorsXML(CVarnPrinter* catalogue, uint32_t id, const Ticket* ticket) {
    const PRINTERMODEL* m = Model(id);
    if (!catalogue || !m) return -1;
    if (m->vecSpotColors.empty()) return 0;
    SetStrings(ticket, id, kSpotColorsKey, m->vecSpotColors);
    std::set<std::string> all(m->vecSpotColors.begin(), m->vecSpotColors.end());
    ReadTicketStringSet(ticket, TICKET_SCOPE_PRINTER_INFO, 0, kSpotColorsKey, all, false);
    SetStrings(ticket, 0, kSpotColorsKey, std::vector<std::string>(all.begin(), all.end()));
    return static_cast<int>(m->vecSpotColors.size());
}
