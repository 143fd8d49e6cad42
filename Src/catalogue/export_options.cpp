// Exporters of a model's identity with its compatible printers, its option
// groups (the flat layout the job reads back), its dialog controls with their
// constraint rules, and its linearisation flags.
#include <list>

#include "catalogue/prn_exporters.h"
#include "catalogue/prn_info_xml.h"
#include "host/job_ticket.h"

using namespace exportframe;

int GetPrinterManufacturerXML(uint32_t id, const Ticket* ticket) {
    const PRINTERMODEL* m = Model(id);
    if (!m) return -1;
    SetInt(ticket, id, "Output/Prn/Info/Manufacturer/PrnType", static_cast<int32_t>(m->nPrnType));
    SetString(ticket, id, "Output/Prn/Info/Manufacturer/PrnName", m->strPrnName);
    SetString(ticket, id, "Output/Prn/Info/Manufacturer/PrnShortname", m->strPrnShortname);
    SetInt(ticket, id, "Output/Prn/Info/Manufacturer/PrnID", static_cast<int32_t>(m->nPrnID));
    SetInt(ticket, id, "Output/Prn/Info/Manufacturer/ManufacturerID", static_cast<int32_t>(m->nManufacturerID));
    SetString(ticket, id, "Output/Prn/Info/Manufacturer/ManufacturerName", m->strManufacturerName);
    SetString(ticket, id, "Output/Prn/Info/Meta", m->strMeta);

    std::list<int32_t> group;
    g_CurrentVarnPrinter->GetCompatiblePrinters(static_cast<int32_t>(m->nPrnID), group);
    std::vector<int32_t> numbers;
    std::vector<std::string> names;
    for (int32_t number : group) {
        if (number == static_cast<int32_t>(m->nPrnID)) continue;
        const PRINTERMODEL* other = Model(static_cast<uint32_t>(number));
        numbers.push_back(number);
        names.push_back(other ? other->strPrnName : std::string());
    }
    SetInts(ticket, id, "Output/Prn/Info/Manufacturer/CompPrnID", numbers);
    SetStrings(ticket, id, "Output/Prn/Info/Manufacturer/CompPrnName", names);
    return 1;
}

int GetPrinterOptionsXML(uint32_t id, const Ticket* ticket) {
    const PRINTERMODEL* m = Model(id);
    if (!m) return -1;
    std::vector<std::string> names, supNames;
    std::vector<int32_t> ids, defaults, counts, supIndex, supValue1, supValue2, supStep, supFactor;
    for (const PRINTOPTION& group : m->listOptions) {
        names.push_back(group.strName);
        ids.push_back(static_cast<int32_t>(group.nID));
        defaults.push_back(static_cast<int32_t>(group.nDefault));
        counts.push_back(static_cast<int32_t>(group.listValues.size()));
        for (const PRINTOPTIONVALUE& choice : group.listValues) {
            supNames.push_back(choice.strName);
            supIndex.push_back(static_cast<int32_t>(choice.nIndex));
            supValue1.push_back(static_cast<int32_t>(choice.nValue1));
            supValue2.push_back(choice.nValue2);
            supStep.push_back(choice.nStep);
            supFactor.push_back(choice.nFactor);
        }
    }
    SetStrings(ticket, id, "Output/Prn/Info/Option/Name", names);
    SetInts(ticket, id, "Output/Prn/Info/Option/ID", ids);
    SetInts(ticket, id, "Output/Prn/Info/Option/Default", defaults);
    SetInts(ticket, id, "Output/Prn/Info/Option/NumOfSup", counts);
    SetStrings(ticket, id, "Output/Prn/Info/Option/Sup/Name", supNames);
    SetInts(ticket, id, "Output/Prn/Info/Option/Sup/Index", supIndex);
    SetInts(ticket, id, "Output/Prn/Info/Option/Sup/Value1", supValue1);
    SetInts(ticket, id, "Output/Prn/Info/Option/Sup/Value2", supValue2);
    SetInts(ticket, id, "Output/Prn/Info/Option/Sup/Step", supStep);
    SetInts(ticket, id, "Output/Prn/Info/Option/Sup/Factor", supFactor);
    return static_cast<int>(ids.size());
}

int GetPrinterCustomGuiXML(uint32_t id, const Ticket* ticket) {
    const PRINTERMODEL* m = Model(id);
    if (!m) return -1;
    std::vector<int32_t> kinds, counts;
    std::vector<std::string> ids, labels, defaults, keys, supIds, supLabels, supValues;
    for (const CUSTOMGUI& control : m->listCustomGui) {
        kinds.push_back(static_cast<int32_t>(control.nGuiType));
        counts.push_back(static_cast<int32_t>(control.listSup.size()));
        ids.push_back(control.strID);
        labels.push_back(control.strLabel);
        defaults.push_back(control.strDefault);
        keys.push_back(control.strTicketKey);
        for (const CUSTOMGUISUP& item : control.listSup) {
            supIds.push_back(item.strID);
            supLabels.push_back(item.strLabel);
            supValues.push_back(item.strValue);
        }
    }
    SetInts(ticket, id, "Output/Prn/Info/CustomGui/GuiType", kinds);
    SetInts(ticket, id, "Output/Prn/Info/CustomGui/NumOfSup", counts);
    SetStrings(ticket, id, "Output/Prn/Info/CustomGui/ID", ids);
    SetStrings(ticket, id, "Output/Prn/Info/CustomGui/Label", labels);
    SetStrings(ticket, id, "Output/Prn/Info/CustomGui/Default", defaults);
    SetStrings(ticket, id, "Output/Prn/Info/CustomGui/TicketKey", keys);
    SetStrings(ticket, id, "Output/Prn/Info/CustomGui/Sup/ID", supIds);
    SetStrings(ticket, id, "Output/Prn/Info/CustomGui/Sup/Label", supLabels);
    SetStrings(ticket, id, "Output/Prn/Info/CustomGui/Sup/Value", supValues);

    // The rule ids are appended one by one: start from an empty list so that
    // a repeated export does not pile them up.
    if (!m->mapCustomGuiConstraintRules.empty()) Remove(ticket, id, "Output/Prn/Info/CustomGuiConstraints/Rule/ID");
    for (const auto& rule : m->mapCustomGuiConstraintRules) {
        SetTicketStringValue(ticket, TICKET_SCOPE_PRINTER_INFO, id, "Output/Prn/Info/CustomGuiConstraints/Rule/ID",
                             rule.first, TICKET_INDEX_APPEND);
        std::vector<int32_t> num, values;
        std::vector<std::string> conditionKeys;
        for (const CUSTOMGUICONDITION& condition : rule.second) {
            num.push_back(static_cast<int32_t>(condition.setValues.size()));
            values.insert(values.end(), condition.setValues.begin(), condition.setValues.end());
            conditionKeys.push_back(condition.strKey);
        }
        SetInts(ticket, id, ("Output/Prn/Info/CustomGuiConstraints/Rule/Num/" + rule.first).c_str(), num);
        SetInts(ticket, id, ("Output/Prn/Info/CustomGuiConstraints/Rule/Value/" + rule.first).c_str(), values);
        SetStrings(ticket, id, ("Output/Prn/Info/CustomGuiConstraints/Rule/Key/" + rule.first).c_str(), conditionKeys);
    }
    SetStrings(ticket, id, "Output/Prn/Info/CustomGuiConstraints/GUID", m->vecCustomGuiConstraintsGUID);
    for (const auto& filter : m->mapCustomGuiConstraintFilters) {
        SetStrings(ticket, id, ("Output/Prn/Info/CustomGuiConstraints/Filter/" + filter.first).c_str(), filter.second);
    }
    return static_cast<int>(kinds.size());
}

int GetPrinterLinearizationXML(uint32_t id, const Ticket* ticket) {
    const PRINTERMODEL* m = Model(id);
    if (!m) return -1;
    SetInt(ticket, id, "Output/Prn/Info/Linearization/SkipInklimit", m->bSkipInklimit ? 1 : 0);
    SetInt(ticket, id, "Output/Prn/Info/Linearization/SkipLinearization", m->bSkipLinearization ? 1 : 0);
    SetInt(ticket, id, "Output/Prn/Info/Linearization/SkipTIL", m->bSkipTIL ? 1 : 0);
    return 3;
}
