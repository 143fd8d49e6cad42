// The media list of all printers (scope 5, id 0), merged with the host's own
// list, and the pruning of the host's printer tickets by media type.
#include <algorithm>
#include <map>

#include "base/rounding.h"
#include "catalogue/prn_exporters.h"
#include "host/job_ticket.h"
#include "host/ticket.h"

namespace {

constexpr uint32_t kListId = 0;
constexpr const char* kListVersionKey = "Output/Prn/Info/Media/ListVersion";

// Sizes in 1/100 mm; ordered from the widest (then longest) media down, then
// by form type.
struct MediaListKey {
    int32_t nWidth;
    int32_t nHeight;
    uint32_t nFormType;
    bool operator<(const MediaListKey& o) const {
        if (nWidth != o.nWidth) return nWidth > o.nWidth;
        if (nHeight != o.nHeight) return nHeight > o.nHeight;
        return nFormType < o.nFormType;
    }
};

using MediaMerge = std::map<MediaListKey, std::map<int, std::string>>;

bool GetAt(const Ticket* ticket, const char* key, uint32_t type, void* out, int32_t index) {
    return ticket && ticket->GetValue &&
           ticket->GetValue(ticket->HostContext, TICKET_SCOPE_PRINTER_INFO, kListId, key, type, out, index) != 0;
}

// The host's entries, up to the first that cannot be read whole.
void ReadHostList(const Ticket* ticket, MediaMerge& merge) {
    for (int32_t i = 0; i >= 0; ++i) {
        double width = 0.0, height = 0.0;
        int32_t formType = 0, id = 0;
        std::string name;
        if (!GetAt(ticket, "Output/Prn/Info/Media/Size/Width", TICKET_TYPE_DOUBLE, &width, i) ||
            !GetAt(ticket, "Output/Prn/Info/Media/Size/Height", TICKET_TYPE_DOUBLE, &height, i) ||
            !GetAt(ticket, "Output/Prn/Info/Media/FormType", TICKET_TYPE_INT32, &formType, i) ||
            !Ticket_GetString(ticket, TICKET_SCOPE_PRINTER_INFO, kListId, "Output/Prn/Info/Media/Name", name, i) ||
            !GetAt(ticket, "Output/Prn/Info/Media/ID", TICKET_TYPE_INT32, &id, i)) {
            return;
        }
        const MediaListKey key{RoundToInt32(width * 100.0), RoundToInt32(height * 100.0),
                               static_cast<uint32_t>(formType)};
        merge[key][id] = name;
    }
}

}  // namespace

int GetMediaListXML(CVarnPrinter* catalogue, const Ticket* ticket, uint32_t /*oemId*/,
                    const std::set<int>& usedMediaIDs) {
    if (!catalogue) return -1;
    const auto version = static_cast<int32_t>(catalogue->m_nMediaListVersion);
    int32_t stored = 0;
    if (!GetAt(ticket, kListVersionKey, TICKET_TYPE_INT32, &stored, TICKET_INDEX_SCALAR)) stored = 0;
    if (stored > version) return -1;

    MediaMerge merge;
    if (stored == version) ReadHostList(ticket, merge);
    for (const auto& entry : catalogue->m_mapMediaSizes) {
        const MEDIASIZE& size = entry.second;
        if (size.bSizeLimit) continue;
        if (catalogue->m_bOEMMediaRestricted && usedMediaIDs.count(static_cast<int>(size.nID)) == 0) continue;
        merge[{size.nWidth, size.nLength, size.nFormType}][static_cast<int>(size.nID)] = size.strName;
    }

    std::vector<std::string> names;
    std::vector<int32_t> ids, formTypes;
    std::vector<double> widths, heights;
    for (const auto& group : merge) {
        const std::map<int, std::string>& entries = group.second;
        if (entries.empty()) continue;
        std::vector<std::map<int, std::string>::const_iterator> chosen;
        if (!catalogue->m_setOEMMediaIDs.empty()) {
            for (auto it = entries.begin(); it != entries.end(); ++it) {
                if (catalogue->m_setOEMMediaIDs.count(it->first) > 0) chosen.push_back(it);
            }
        }
        if (chosen.empty()) chosen.push_back(entries.begin());
        for (const auto& it : chosen) {
            names.push_back(it->second);
            ids.push_back(it->first);
            widths.push_back(group.first.nWidth / 100.0);
            heights.push_back(group.first.nHeight / 100.0);
            formTypes.push_back(static_cast<int32_t>(group.first.nFormType));
        }
    }
    exportframe::SetInt(ticket, kListId, kListVersionKey, version);
    exportframe::SetStrings(ticket, kListId, "Output/Prn/Info/Media/Name", names);
    exportframe::SetInts(ticket, kListId, "Output/Prn/Info/Media/ID", ids);
    exportframe::SetDoubles(ticket, kListId, "Output/Prn/Info/Media/Size/Width", widths);
    exportframe::SetDoubles(ticket, kListId, "Output/Prn/Info/Media/Size/Height", heights);
    exportframe::SetInts(ticket, kListId, "Output/Prn/Info/Media/FormType", formTypes);
    return 0;
}

void SyncPrinterTicketMediaTypes(const std::vector<uint32_t>& hostTicketIds, const Ticket* ticket) {
    if (hostTicketIds.empty() || !ticket) return;
    constexpr uint32_t kHost = TICKET_SCOPE_HOST_PRINTER;
    for (uint32_t t : hostTicketIds) {
        std::vector<std::string> names;
        std::vector<int32_t> numbers;
        int32_t type = 0;
        if (!Ticket_GetStringArray(ticket, kHost, t, "Output/Prn/Info/Manufacturer/PrnName", names) ||
            !Ticket_GetIntArray(ticket, kHost, t, "Output/Prn/Info/Manufacturer/PrnID", numbers) ||
            !GetTicketIntDirect(ticket, kHost, t, "Output/Prn/Media/Spec/TypeID", &type)) {
            continue;
        }
        // Names and numbers pair by position: lists of different lengths
        // cannot be paired, and the host's data is left as it is.
        if (names.size() != numbers.size()) continue;
        std::vector<std::string> keptNames;
        std::vector<int32_t> keptNumbers;
        for (size_t j = 0; j < numbers.size(); ++j) {
            std::vector<int32_t> types;
            Ticket_GetIntArray(ticket, TICKET_SCOPE_PRINTER_INFO, static_cast<uint32_t>(numbers[j]),
                               "Output/Prn/Info/Media/Spec/TypeID", types);
            if (std::find(types.begin(), types.end(), type) == types.end()) continue;
            keptNumbers.push_back(numbers[j]);
            keptNames.push_back(names[j]);
        }
        if (keptNumbers.size() == numbers.size() || keptNumbers.empty()) continue;
        if (Ticket_SetStringArray(ticket, kHost, t, "Output/Prn/Info/Manufacturer/PrnName", keptNames)) {
            Ticket_SetIntArray(ticket, kHost, t, "Output/Prn/Info/Manufacturer/PrnID", keptNumbers);
        }
    }
}
