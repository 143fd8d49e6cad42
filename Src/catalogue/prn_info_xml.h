// The printer-information export: describes the printers offered under an OEM
// id in the host's tickets.
#pragma once

#include <cstdint>

#include "host/host_records.h"
#include "base/log_interface.h"

// The number of printer-information tickets written (one per offered model),
// 0 when no model is offered, -1 for a null ticket.
int GetPrnInfoXML(Ticket* ticket, uint32_t id, uint32_t oemId, clLogFullInterface* logger);
