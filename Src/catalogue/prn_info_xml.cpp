// The printer catalogue is not built yet: no model is offered, so the export
// writes nothing and reports 0 printers.
#include "catalogue/prn_info_xml.h"

int GetPrnInfoXML(Ticket* ticket, uint32_t /*id*/, uint32_t /*oemId*/, clLogFullInterface* logger) {
    if (!ticket) {
        if (logger) logger->Log(LOG_ERROR, "GetPrnInfoXML:: invalid context pointer");
        return -1;
    }
    if (logger) logger->Log(LOG_DETAIL, "GetPrnInfoXML::Start");
    return 0;
}
