// The per-model exporters of the printer-information export, and the frame
// they share.
//
// Each exporter writes one group of a model's fields into the model's
// printer-information ticket (scope 5, id = printer-model number). It finds
// the model through g_CurrentVarnPrinter; a model that the catalogue does not
// hold (or no export in progress) writes nothing and gives -1. Scalars go out
// with the ticket's set function at index -1, lists whole through the list
// writers, an empty list removing its key. Results are counts the driver does
// not use; -1 means nothing was written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "base/log_interface.h"
#include "catalogue/varn_printer.h"
#include "host/host_records.h"

namespace exportframe {

// The model's record in the current catalogue, or null.
const PRINTERMODEL* Model(uint32_t printerModel);

// The number of resolution names, and the row length of the supported
// resolutions: the resolution count, divided by the colour-mode count when
// qualities go by colour (and there is a colour mode).
size_t ResolutionNameCount(const PRINTERMODEL& m);

// Scalar writes on scope 5, id; the host's answer.
bool SetInt(const Ticket* ticket, uint32_t id, const char* key, int32_t value);
bool SetDouble(const Ticket* ticket, uint32_t id, const char* key, double value);
bool SetString(const Ticket* ticket, uint32_t id, const char* key, const std::string& value);
bool Remove(const Ticket* ticket, uint32_t id, const char* key);

// Whole lists on scope 5, id (an empty list removes the key).
bool SetInts(const Ticket* ticket, uint32_t id, const char* key, const std::vector<int32_t>& values);
bool SetInts(const Ticket* ticket, uint32_t id, const char* key, const std::vector<uint32_t>& values);
bool SetDoubles(const Ticket* ticket, uint32_t id, const char* key, const std::vector<double>& values);
bool SetStrings(const Ticket* ticket, uint32_t id, const char* key, const std::vector<std::string>& values);

}  // namespace exportframe

// Identity, port, dialog and device parameters (export_device.cpp).
int GetPrinterListXML(uint32_t ticketId, const Ticket* ticket, uint32_t oemId);
int GetPrinterPortXML(uint32_t id, const Ticket* ticket);
int GetPrinterGUIPluginsXML(uint32_t id, const Ticket* ticket);
int GetPrinterGUIPluginsJEXML(uint32_t id, const Ticket* ticket);
int SetXAMLDialogLayoutDescription(uint32_t id, const Ticket* ticket, clLogFullInterface* logger);
int GetPrinterCutterParametersXML(uint32_t id, const Ticket* ticket);
int GetPrinterPagespacingXML(uint32_t id, const Ticket* ticket);
int GetPrinterPrintheadspeedXML(uint32_t id, const Ticket* ticket);
int GetPrinterHeadXML(uint32_t id, const Ticket* ticket);
int GetPrinterHeaterXML(uint32_t id, const Ticket* ticket);

// Manufacturer, options, dialog controls, linearisation (export_options.cpp).
int GetPrinterManufacturerXML(uint32_t id, const Ticket* ticket);
int GetPrinterOptionsXML(uint32_t id, const Ticket* ticket);
int GetPrinterCustomGuiXML(uint32_t id, const Ticket* ticket);
int GetPrinterLinearizationXML(uint32_t id, const Ticket* ticket);

// Media (export_media.cpp).
int GetPrinterPaperXML(uint32_t id, const Ticket* ticket, clLogFullInterface* logger, std::set<int>& usedMediaIDs);
int GetPrinterTrayXML(uint32_t id, const Ticket* ticket, clLogFullInterface* logger);
int GetPrinterMediaTypeXML(uint32_t id, const Ticket* ticket, clLogFullInterface* logger, uint32_t oemId);
int GetPrinterAltMediaTypeXML(uint32_t id, const Ticket* ticket, clLogFullInterface* logger, uint32_t oemId);
int GetPrinterCLCXML(uint32_t id, const Ticket* ticket);

// Resolutions, qualities and inks (export_resolution.cpp).
int GetPrinterResolutionXML(uint32_t id, const Ticket* ticket);
int GetPrinterQualityXML(uint32_t id, const Ticket* ticket);
int GetPrinterInkPreLimitXML(uint32_t id, const Ticket* ticket);
int GetPrinterHalftoneXML(uint32_t id, const Ticket* ticket);
int GetPrinterDotSizeXML(uint32_t id, const Ticket* ticket);
// hostTicketIds: the host's printer tickets that list this model.
int GetPrinterInkXML(CVarnPrinter* catalogue, uint32_t id, const Ticket* ticket,
                     const std::vector<uint32_t>& hostTicketIds);
int GetPrinterColorXML(CVarnPrinter* catalogue, uint32_t id, const Ticket* ticket);
int GetPrinterInkValidColorXML(CVarnPrinter* catalogue, uint32_t id, const Ticket* ticket);
int GetPrinterSpotColorsXML(CVarnPrinter* catalogue, uint32_t id, const Ticket* ticket);

// The media list on scope 5, id 0, and the host-ticket reconciliation
// (media_list.cpp). GetMediaListXML: 0 when written, -1 when the host's list
// is newer (nothing written).
int GetMediaListXML(CVarnPrinter* catalogue, const Ticket* ticket, uint32_t oemId, const std::set<int>& usedMediaIDs);
void SyncPrinterTicketMediaTypes(const std::vector<uint32_t>& hostTicketIds, const Ticket* ticket);
