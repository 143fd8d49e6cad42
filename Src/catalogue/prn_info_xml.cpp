// The printer-information export: entry, catalogue factory, driver, the
// enumeration callback and the helpers the exporters share.
#include "catalogue/prn_info_xml.h"

#include <cstdarg>
#include <mutex>

#include "base/format.h"
#include "base/mbcs.h"
#include "base/rounding.h"
#include "catalogue/prn_exporters.h"
#include "host/job_ticket.h"
#include "host/settings_helpers.h"
#include "host/ticket.h"
#include "platform/module.h"

CVarnPrinter* g_CurrentVarnPrinter = nullptr;

namespace {

constexpr uint32_t kInfoScope = TICKET_SCOPE_PRINTER_INFO;
// Kind passed to the optional host function after a model's exporters.
constexpr uint32_t kModelDoneKind = 11;
// Code of the get-attribute calls before the manufacturer arrays and each model.
constexpr uint32_t kPrepareAttributeCode = 2;

void LogTo(clLogFullInterface* logger, int level, const char* format, ...) KELMORA_PRINTF(3, 4);
void LogTo(clLogFullInterface* logger, int level, const char* format, ...) {
    if (!logger) return;
    va_list args;
    va_start(args, format);
    logger->LogV(level, format, args);
    va_end(args);
}

// Publishes the catalogue for the exporters and clears it on every way out.
class CurrentCatalogue {
public:
    explicit CurrentCatalogue(CVarnPrinter* catalogue) { g_CurrentVarnPrinter = catalogue; }
    ~CurrentCatalogue() { g_CurrentVarnPrinter = nullptr; }
    CurrentCatalogue(const CurrentCatalogue&) = delete;
    CurrentCatalogue& operator=(const CurrentCatalogue&) = delete;
};

// The get-attribute call with code 2 and the optional host function, whose
// answers the export does not use.
void PrepareTicket(const Ticket* ticket, uint32_t id) {
    if (ticket->GetAttribute) ticket->GetAttribute(ticket->HostContext, kInfoScope, id, kPrepareAttributeCode, nullptr);
    if (ticket->AttributeFallback) ticket->AttributeFallback(ticket->HostContext, kInfoScope, id, 0);
}

void RunModelExporters(CVarnPrinter* catalogue, const Ticket* ticket, uint32_t id, uint32_t oemId,
                       clLogFullInterface* logger, std::set<int>& usedMediaIDs, const PrinterCollector& collector) {
    GetPrinterManufacturerXML(id, ticket);
    GetPrinterDotSizeXML(id, ticket);
    GetPrinterCLCXML(id, ticket);
    GetPrinterPaperXML(id, ticket, logger, usedMediaIDs);
    GetPrinterTrayXML(id, ticket, logger);
    GetPrinterMediaTypeXML(id, ticket, logger, oemId);
    GetPrinterAltMediaTypeXML(id, ticket, logger, oemId);
    GetPrinterHeaterXML(id, ticket);
    GetPrinterGUIPluginsXML(id, ticket);
    GetPrinterGUIPluginsJEXML(id, ticket);
    SetXAMLDialogLayoutDescription(id, ticket, logger);
    GetPrinterPrintheadspeedXML(id, ticket);
    GetPrinterPagespacingXML(id, ticket);
    GetPrinterCutterParametersXML(id, ticket);
    GetPrinterHeadXML(id, ticket);
    static const std::vector<uint32_t> kNoHostTickets;
    auto named = collector.mapPrinterTickets.find(id);
    GetPrinterInkXML(catalogue, id, ticket, named != collector.mapPrinterTickets.end() ? named->second : kNoHostTickets);
    GetPrinterResolutionXML(id, ticket);
    GetPrinterQualityXML(id, ticket);
    GetPrinterOptionsXML(id, ticket);
    GetPrinterCustomGuiXML(id, ticket);
    GetPrinterInkPreLimitXML(id, ticket);
    GetPrinterHalftoneXML(id, ticket);
    GetPrinterPortXML(id, ticket);
    GetPrinterSpotColorsXML(catalogue, id, ticket);
    GetPrinterLinearizationXML(id, ticket);
}

// v rounded with its step (FormatResolutionText).
double RoundToStep(double v, double step) {
    if (step >= 1.0) return RoundToMultiple(v, RoundToInt32(step));
    if (step > 0.0) return RoundToFraction(v, RoundToInt32(1.0 / step));
    return v;
}

}  // namespace

namespace exportframe {

const PRINTERMODEL* Model(uint32_t printerModel) {
    if (!g_CurrentVarnPrinter) return nullptr;
    auto found = g_CurrentVarnPrinter->m_mapPrinterModels.find(static_cast<int32_t>(printerModel));
    return found != g_CurrentVarnPrinter->m_mapPrinterModels.end() ? &found->second : nullptr;
}

size_t ResolutionNameCount(const PRINTERMODEL& m) {
    const size_t count = m.listResolutions.size();
    if (!m.bQualityUseColor || m.listColorModes.empty()) return count;
    return count / m.listColorModes.size();
}

bool SetInt(const Ticket* ticket, uint32_t id, const char* key, int32_t value) {
    return SetTicketIntAt(ticket, kInfoScope, id, key, value, TICKET_INDEX_SCALAR);
}

bool SetDouble(const Ticket* ticket, uint32_t id, const char* key, double value) {
    if (!ticket || !ticket->SetValue) return false;
    return ticket->SetValue(ticket->HostContext, kInfoScope, id, key, TICKET_TYPE_DOUBLE, &value,
                            TICKET_INDEX_SCALAR) != 0;
}

bool SetString(const Ticket* ticket, uint32_t id, const char* key, const std::string& value) {
    return SetTicketStringValue(ticket, kInfoScope, id, key, value, TICKET_INDEX_SCALAR);
}

bool Remove(const Ticket* ticket, uint32_t id, const char* key) {
    return DeleteTicketValue(ticket, kInfoScope, id, key, TICKET_INDEX_SCALAR);
}

bool SetInts(const Ticket* ticket, uint32_t id, const char* key, const std::vector<int32_t>& values) {
    return Ticket_SetIntArray(ticket, kInfoScope, id, key, values);
}

bool SetInts(const Ticket* ticket, uint32_t id, const char* key, const std::vector<uint32_t>& values) {
    // An absent u32 (0xFFFFFFFF) goes out as -1.
    return Ticket_SetIntArray(ticket, kInfoScope, id, key, std::vector<int32_t>(values.begin(), values.end()));
}

bool SetDoubles(const Ticket* ticket, uint32_t id, const char* key, const std::vector<double>& values) {
    return Ticket_SetDoubleArray(ticket, kInfoScope, id, key, values);
}

bool SetStrings(const Ticket* ticket, uint32_t id, const char* key, const std::vector<std::string>& values) {
    return Ticket_SetStringArray(ticket, kInfoScope, id, key, values);
}

}  // namespace exportframe

int GetPrnInfoXML(Ticket* ticket, uint32_t id, uint32_t oemId, clLogFullInterface* logger) {
    if (!ticket) {
        LogTo(logger, LOG_ERROR, "GetPrnInfoXML:: invalid context pointer");
        return -1;
    }
    // One catalogue pointer for the whole process: one export at a time.
    static std::mutex exportLock;
    std::lock_guard<std::mutex> hold(exportLock);
    LogTo(logger, LOG_DETAIL, "GetPrnInfoXML::Start");
    std::unique_ptr<CVarnPrinter> catalogue = CreateVarnPrinter(ticket, oemId, logger);
    return PrinterInfoToTicket(catalogue.get(), ticket, id, oemId, logger);
}

std::unique_ptr<CVarnPrinter> CreateVarnPrinter(Ticket* ticket, uint32_t oemId, clLogFullInterface* logger) {
    CVarnPrinterParams params;
    params.nOEMID = oemId;
    params.pLogger = logger;
    params.pTicket = ticket;
    // Held inverted and consulted nowhere, as the host's own drivers do.
    int32_t highRes = 1;
    params.bHighResDevice = GetTicketIntDirect(ticket, TICKET_SCOPE_SYSTEM, 0, "System/IsHighResDevice", &highRes) &&
                            highRes == 0;
    ReadTicketString(params.strPluginFolder, ticket, "System/Folders/ApplicationFolder");
    ReadTicketString(params.strTempFolder, ticket, "System/Folders/Temp");
    if (params.strPluginFolder.empty()) GetModuleFolder(params.strPluginFolder);
    params.strPluginFolder += "/PlugIns/";
    return std::make_unique<CVarnPrinter>(params);
}

int PrinterInfoToTicket(CVarnPrinter* catalogue, Ticket* ticket, uint32_t ticketId, uint32_t oemId,
                        clLogFullInterface* logger) {
    if (!ticket) {
        LogTo(logger, LOG_ERROR, "PrinterInfoToTicket:: invalid context pointer");
        return -1;
    }
    if (!catalogue) return 0;
    CurrentCatalogue published(catalogue);
    if (!catalogue->IsPrinterInitDone()) LogTo(logger, LOG_ERROR, "PrinterInfoToTicket:: !IsPrinterInitDone()");
    if (!catalogue->IsListInitDone()) LogTo(logger, LOG_ERROR, "PrinterInfoToTicket:: !IsListInitDone()");

    std::vector<uint32_t> ids;
    catalogue->GetPrinterIdList(ids, oemId);
    if (ids.empty()) {
        LogTo(logger, LOG_ERROR, "PrinterInfoToTicket:: No active printer driver. No printer ticket %d created",
              static_cast<int>(ticketId));
        return 0;
    }
    std::set<int> usedMediaIDs;

    PrepareTicket(ticket, ticketId);
    GetPrinterListXML(ticketId, ticket, oemId);
    Ticket_GetAttribute(ticket, kInfoScope, 0, 0);

    PrinterCollector collector;
    if (const PRINTERMODEL* first = exportframe::Model(ids.front())) collector.nManufacturerID = first->nManufacturerID;
    if (ticket->EnumerateTickets) {
        ticket->EnumerateTickets(ticket->HostContext, &CollectPrinterIds, &collector, TICKET_KIND_HOST_PRINTERS);
        if (collector.error) std::rethrow_exception(collector.error);
    }

    for (uint32_t id : ids) {
        PrepareTicket(ticket, id);
        RunModelExporters(catalogue, ticket, id, oemId, logger, usedMediaIDs, collector);
        if (ticket->AttributeFallback) ticket->AttributeFallback(ticket->HostContext, kModelDoneKind, id, 0);
    }

    GetMediaListXML(catalogue, ticket, oemId, usedMediaIDs);
    if (collector.nManufacturerID == 3 || collector.nManufacturerID == 6) {
        SyncPrinterTicketMediaTypes(collector.vecManufacturerTickets, ticket);
    }
    LogTo(logger, LOG_INFO, "GetPrnInfoXML::End");
    return static_cast<int>(ids.size());
}

TicketBool CollectPrinterIds(void* context, void* /*hostArgument*/, uint32_t hostTicketId,
                             const TicketEnumRecord* accessor) {
    auto* collector = static_cast<PrinterCollector*>(context);
    if (!collector) return 1;
    try {
        int32_t manufacturer = 0;
        if (accessor && accessor->GetValue &&
            !accessor->GetValue(accessor->HostContext, "Output/Prn/Info/Manufacturer/ManufacturerID", TICKET_TYPE_INT32,
                                &manufacturer, TICKET_INDEX_SCALAR)) {
            manufacturer = 0;
        }
        std::vector<int32_t> numbers;
        Ticket_GetIntArrayUnscoped(accessor, "Output/Prn/Info/Manufacturer/PrnID", numbers);
        if (static_cast<uint32_t>(manufacturer) == collector->nManufacturerID) {
            collector->vecManufacturerTickets.push_back(hostTicketId);
        }
        for (int32_t number : numbers) {
            collector->mapPrinterTickets[static_cast<uint32_t>(number)].push_back(hostTicketId);
        }
        return 1;
    } catch (...) {
        // Nothing may cross back into the host: keep it and stop the enumeration.
        collector->error = std::current_exception();
        return 0;
    }
}

bool FindString(const std::vector<std::string>& list, const std::string& s) {
    for (const std::string& entry : list) {
        if (entry == s) return true;
    }
    return false;
}

void FormatResolutionText(std::string& out, double x, double y, double stepX, double stepY) {
    out = FormatGeneral(RoundToStep(x, stepX), 6) + " x " + FormatGeneral(RoundToStep(y, stepY), 6);
}

void GetModuleFolder(std::string& out) {
    // The platform layer gives the long path's folder already; the separators
    // are ours to turn.
    out = platform::HostExecutableFolder();
    ReplaceCharMbcs(out, '\\', '/');
}

void ReadTicketString(std::string& out, const Ticket* ticket, const char* key) {
    GetSystemFolderPath(out, ticket, key);
}
