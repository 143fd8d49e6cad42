// The printer-information export: describes the printers offered under an OEM
// id in the host's tickets. A fresh catalogue is built for each request,
// published through g_CurrentVarnPrinter while the exporters run, and deleted
// before the call returns.
#pragma once

#include <cstdint>
#include <exception>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "base/log_interface.h"
#include "catalogue/varn_printer.h"
#include "host/host_records.h"

// The catalogue of the export in progress; null outside an export.
extern CVarnPrinter* g_CurrentVarnPrinter;

// The host's own printer tickets (kind 10), as the enumeration hands them over.
struct PrinterCollector {
    // Per printer-model number: the host tickets whose
    // "Output/Prn/Info/Manufacturer/PrnID" list names it, in enumeration order.
    std::map<uint32_t, std::vector<uint32_t>> mapPrinterTickets;
    // The host tickets of the wanted manufacturer, in enumeration order.
    std::vector<uint32_t> vecManufacturerTickets;
    uint32_t nManufacturerID = 0;
    // What the callback could not keep (it answers the host, so it throws
    // nothing): rethrown once the enumeration has returned.
    std::exception_ptr error;
};

// The number of printer-information tickets written (one per offered model),
// 0 when no model is offered, -1 for a null ticket. The whole call holds a
// process-wide lock: one export at a time. Exceptions (host functions that
// throw, allocation failures) pass through, with the catalogue deleted and
// g_CurrentVarnPrinter cleared.
int GetPrnInfoXML(Ticket* ticket, uint32_t id, uint32_t oemId, clLogFullInterface* logger);

// A new catalogue for the request, from the ticket's system keys.
std::unique_ptr<CVarnPrinter> CreateVarnPrinter(Ticket* ticket, uint32_t oemId, clLogFullInterface* logger);

// Writes the manufacturer arrays, every offered model's ticket and the media
// list; the count of offered models, -1 for a null ticket.
int PrinterInfoToTicket(CVarnPrinter* catalogue, Ticket* ticket, uint32_t ticketId, uint32_t oemId,
                        clLogFullInterface* logger);

// The enumeration callback (collector, host argument, host ticket id, accessor).
TicketBool CollectPrinterIds(void* collector, void* hostArgument, uint32_t hostTicketId,
                             const TicketEnumRecord* accessor);

// Whether the list holds a string equal to s.
bool FindString(const std::vector<std::string>& list, const std::string& s);

// "x x y", each value rounded to its step first (see the .cpp).
void FormatResolutionText(std::string& out, double x, double y, double stepX, double stepY);

// The host executable's folder with '/' separators and no final '/'.
void GetModuleFolder(std::string& out);
// A system key's text with '/' separators and no final '/'.
void ReadTicketString(std::string& out, const Ticket* ticket, const char* key);
