// Exporters of what a model takes as media: its media sizes with margins and
// trays, its trays, its media types with their per-type settings, its
// alternative media types and its CLC media.
#include <algorithm>

#include "base/format.h"
#include "catalogue/prn_exporters.h"
#include "catalogue/prn_info_xml.h"
#include "host/ticket.h"

using namespace exportframe;

namespace {

constexpr const char* kTypeIdKey = "Output/Prn/Info/Media/Spec/TypeID";

double Millimetres(int32_t hundredths) { return hundredths / 100.0; }

// "Output/Prn/Info/Media/Spec/TypeID<type>/" followed by the tail.
std::string TypeKey(int32_t typeId, const std::string& tail) {
    return kTypeIdKey + FormatDecimal(typeId) + "/" + tail;
}

}  // namespace

int GetPrinterPaperXML(uint32_t id, const Ticket* ticket, clLogFullInterface* logger, std::set<int>& usedMediaIDs) {
    const PRINTERMODEL* m = Model(id);
    if (!m) return -1;
    std::vector<std::string> names;
    std::vector<int32_t> formTypes, ids, borderless, userDefined, editWidth, editHeight, trays;
    std::vector<double> widths, heights, top, bottom, left, right, measureLeft, measureRight;
    for (const TRAYMEDIA& entry : m->listTrayMedia) {
        auto found = g_CurrentVarnPrinter->m_mapMediaSizes.find(static_cast<int32_t>(entry.nMediaID));
        if (found == g_CurrentVarnPrinter->m_mapMediaSizes.end()) {
            if (logger) {
                logger->Log(LOG_ERROR, "GetPrinterPaperXML Error: Printer %d MediaID %d not implemented in PaperSizes",
                            static_cast<int>(id), static_cast<int>(entry.nMediaID));
            }
            continue;
        }
        const MEDIASIZE& size = found->second;
        ids.push_back(static_cast<int32_t>(entry.nMediaID));
        formTypes.push_back(static_cast<int32_t>(size.nFormType));
        names.push_back(size.strName);
        widths.push_back(Millimetres(size.nWidth));
        heights.push_back(Millimetres(size.nLength));
        top.push_back(Millimetres(entry.nMarginTop));
        bottom.push_back(Millimetres(entry.nMarginBottom));
        left.push_back(Millimetres(entry.nMarginLeft));
        right.push_back(Millimetres(entry.nMarginRight));
        borderless.push_back(static_cast<int32_t>(entry.nBorderless));
        userDefined.push_back(static_cast<int32_t>(entry.nUserDefined));
        editWidth.push_back(size.bEditWidth);
        editHeight.push_back(size.bEditHeight);
        measureLeft.push_back(Millimetres(entry.nMeasureLeft));
        measureRight.push_back(Millimetres(entry.nMeasureRight));
        trays.insert(trays.end(), entry.vecTrays.begin(), entry.vecTrays.end());
        usedMediaIDs.insert(static_cast<int>(entry.nMediaID));
    }
    SetStrings(ticket, id, "Output/Prn/Info/Media/Name", names);
    SetInts(ticket, id, "Output/Prn/Info/Media/FormType", formTypes);
    SetInts(ticket, id, "Output/Prn/Info/Media/ID", ids);
    SetDoubles(ticket, id, "Output/Prn/Info/Media/Size/Width", widths);
    SetDoubles(ticket, id, "Output/Prn/Info/Media/Size/Height", heights);
    SetDoubles(ticket, id, "Output/Prn/Info/Media/Margin/Top", top);
    SetDoubles(ticket, id, "Output/Prn/Info/Media/Margin/Bottom", bottom);
    SetDoubles(ticket, id, "Output/Prn/Info/Media/Margin/Left", left);
    SetDoubles(ticket, id, "Output/Prn/Info/Media/Margin/Right", right);
    SetInts(ticket, id, "Output/Prn/Info/Media/Borderless", borderless);
    SetInts(ticket, id, "Output/Prn/Info/Media/UserDef", userDefined);
    SetInts(ticket, id, "Output/Prn/Info/Media/EditWidth", editWidth);
    SetInts(ticket, id, "Output/Prn/Info/Media/EditHeight", editHeight);
    SetInts(ticket, id, "Output/Prn/Info/Media/UseTray", trays);
    SetInts(ticket, id, "Output/Prn/Info/Media/DefaultID", m->vecDefaultMediaIDs);
    SetDoubles(ticket, id, "Output/Prn/Info/Media/Measure/Left", measureLeft);
    SetDoubles(ticket, id, "Output/Prn/Info/Media/Measure/Right", measureRight);
    return static_cast<int>(ids.size());
}

int GetPrinterTrayXML(uint32_t id, const Ticket* ticket, clLogFullInterface* /*logger*/) {
    if (!IsValidTicketRecord(ticket)) return -1;
    const PRINTERMODEL* m = Model(id);
    if (!m) return -1;
    std::vector<std::string> names;
    std::vector<int32_t> values, borderless, roll;
    for (const TRAY& tray : m->listTrays) {
        names.push_back(tray.strName);
        values.push_back(static_cast<int32_t>(tray.nValue));
        borderless.push_back(tray.nBorderless != 0 ? 1 : 0);
        roll.push_back(tray.nRoll != 0 ? 1 : 0);
    }
    SetStrings(ticket, id, "Output/Prn/Info/Tray/Name", names);
    SetInts(ticket, id, "Output/Prn/Info/Tray/Value", values);
    SetInts(ticket, id, "Output/Prn/Info/Tray/Borderless", borderless);
    SetInts(ticket, id, "Output/Prn/Info/Tray/Roll", roll);
    SetInt(ticket, id, "Output/Prn/Info/Tray/Default", static_cast<int32_t>(m->nDefaultTray));
    return static_cast<int>(names.size());
}

int GetPrinterMediaTypeXML(uint32_t id, const Ticket* ticket, clLogFullInterface* /*logger*/, uint32_t oemId) {
    if (!IsValidTicketRecord(ticket)) return -1;
    const PRINTERMODEL* m = Model(id);
    if (!m) return -1;
    const std::vector<MEDIATYPE>& types = m->listMediaTypes;
    if (types.empty()) return 0;

    // One row per media type, one value per heater.
    std::vector<double> heaterRows;
    const bool anyHeaterDefaults =
        std::any_of(types.begin(), types.end(), [](const MEDIATYPE& t) { return !t.vecHeaterDef.empty(); });
    if (anyHeaterDefaults) {
        for (const MEDIATYPE& type : types) {
            for (size_t h = 0; h < m->listHeaters.size(); ++h) {
                heaterRows.push_back(h < type.vecHeaterDef.size() ? type.vecHeaterDef[h] : m->listHeaters[h].dDefault);
            }
        }
    }
    std::vector<std::string> names, donorIds, uniqueIds;
    std::vector<int32_t> typeIds;
    for (const MEDIATYPE& type : types) {
        names.push_back(type.strTypeName);
        typeIds.push_back(type.nTypeID);
        if (m->bMediaTypeDonorIDs) {
            donorIds.push_back(type.strTypeDonorID);
            uniqueIds.push_back(type.strTypeUniqueID);
        }
    }
    SetStrings(ticket, id, "Output/Prn/Info/Media/Spec/TypeName", names);
    SetInts(ticket, id, kTypeIdKey, typeIds);
    SetDoubles(ticket, id, "Output/Prn/Info/Media/Spec/HeaterDef", heaterRows);
    if (m->bMediaTypeDonorIDs) {
        SetStrings(ticket, id, "Output/Prn/Info/Media/Spec/TypeDonorID", donorIds);
        SetStrings(ticket, id, "Output/Prn/Info/Media/Spec/TypeUniqueID", uniqueIds);
    }

    const bool anySupportedRes =
        std::any_of(types.begin(), types.end(), [](const MEDIATYPE& t) { return !t.vecSupportedRes.empty(); });
    if (anySupportedRes) {
        const size_t row = ResolutionNameCount(*m);
        std::vector<int32_t> supported(row * types.size(), -1);
        for (size_t t = 0; t < types.size(); ++t) {
            const std::vector<uint32_t>& own = types[t].vecSupportedRes;
            for (size_t i = 0; i < row; ++i) {
                if (own.empty()) {
                    supported[t * row + i] = static_cast<int32_t>(i);
                } else if (i < own.size()) {
                    // A longer list is cut at the row's end: it never reaches the next row.
                    supported[t * row + i] = static_cast<int32_t>(own[i]);
                }
            }
        }
        SetInts(ticket, id, "Output/Prn/Info/Media/Spec/SupportedRes", supported);
    }

    if (m->bMediaTypeSubKeys) {
        for (const MEDIATYPE& type : types) {
            for (size_t k = 0; k < type.avecSettings.size(); ++k) {
                if (type.avecSettings[k].empty()) continue;
                const std::string tail = (oemId == 11 ? "Mediatype" : "") + FormatDecimal(static_cast<int64_t>(k));
                SetInts(ticket, id, TypeKey(type.nTypeID, tail).c_str(), type.avecSettings[k]);
            }
            if (!type.vecInkTypes.empty()) SetInts(ticket, id, TypeKey(type.nTypeID, "InkType").c_str(), type.vecInkTypes);
        }
    }
    for (const MEDIATYPE& type : types) {
        if (!type.bLightInSolid) continue;
        static const char* const kRows[3] = {"Max", "Default", "Min"};
        for (int r = 0; r < 3; ++r) {
            SetInts(ticket, id, TypeKey(type.nTypeID, std::string("LightInSolid/") + kRows[r]).c_str(),
                    std::vector<int32_t>(type.aLightInSolid[r], type.aLightInSolid[r] + 4));
        }
    }
    return static_cast<int>(types.size());
}

int GetPrinterAltMediaTypeXML(uint32_t id, const Ticket* ticket, clLogFullInterface* /*logger*/, uint32_t /*oemId*/) {
    if (!IsValidTicketRecord(ticket)) return -1;
    const PRINTERMODEL* m = Model(id);
    if (!m) return -1;
    if (m->listMediaTypes.empty()) return 0;
    std::vector<int32_t> ids;
    std::vector<std::string> names;
    for (const ALTMEDIATYPE& alt : m->listAltMediaTypes) {
        ids.push_back(static_cast<int32_t>(alt.nID));
        names.push_back(alt.strName);
    }
    SetInts(ticket, id, "Output/Prn/Info/AltMediaType", ids);
    SetStrings(ticket, id, "Output/Prn/Info/AltMediaTypeName", names);
    return static_cast<int>(ids.size());
}

int GetPrinterCLCXML(uint32_t id, const Ticket* ticket) {
    const PRINTERMODEL* m = Model(id);
    if (!m) return -1;
    if (m->listCLCMedia.empty()) return 0;
    std::vector<std::string> names;
    std::vector<int32_t> ids;
    for (const CLCMEDIA& media : m->listCLCMedia) {
        names.push_back(media.strName);
        ids.push_back(static_cast<int32_t>(media.nID));
    }
    SetStrings(ticket, id, "Output/Prn/Info/CLC/MediaName", names);
    SetInts(ticket, id, "Output/Prn/Info/CLC/MediaID", ids);
    return static_cast<int>(ids.size());
}
