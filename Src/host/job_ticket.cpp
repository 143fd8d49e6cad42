#include "host/job_ticket.h"

#include "base/mbcs.h"
#include "host/ticket.h"

bool SetTicketStringValue(const Ticket* ticket, uint32_t scope, uint32_t id, const char* key,
                          const std::string& text, int32_t index) {
    if (!ticket || !ticket->SetValue) return false;
    return ticket->SetValue(ticket->HostContext, scope, id, key, TICKET_TYPE_STRING, text.c_str(), index) != 0;
}

bool DeleteTicketValue(const Ticket* ticket, uint32_t scope, uint32_t id, const char* key, int32_t index) {
    if (!ticket || !ticket->SetValue) return false;
    return ticket->SetValue(ticket->HostContext, scope, id, key, TICKET_TYPE_QUERY, nullptr, index) != 0;
}

bool GetTicketIntDirect(const Ticket* ticket, uint32_t scope, uint32_t id, const char* key, int32_t* field) {
    if (!ticket || !ticket->GetValue) return false;
    return ticket->GetValue(ticket->HostContext, scope, id, key, TICKET_TYPE_INT32, field, TICKET_INDEX_SCALAR) != 0;
}

std::string ForwardSlashes(std::string path) {
    ReplaceCharMbcs(path, '\\', '/');
    return path;
}

std::string FileNameOf(const std::string& path) {
    int slash = RFindCharMbcs(path, '/', -1);
    return slash < 0 ? path : path.substr(static_cast<size_t>(slash) + 1);
}

std::string FolderOf(const std::string& path, bool keepSlash) {
    int slash = RFindCharMbcs(path, '/', -1);
    if (slash < 0) return std::string();
    return path.substr(0, static_cast<size_t>(keepSlash ? slash + 1 : slash));
}

int32_t GetTicketIntAt(const Ticket* ticket, uint32_t scope, uint32_t id, const char* key, int32_t index,
                       int32_t def, TicketListMismatch* mismatch) {
    int32_t value = 0;
    if (index < 0) return GetTicketIntDirect(ticket, scope, id, key, &value) ? value : def;  // the scalar
    return Ticket_GetIntElement(ticket, scope, id, key, index, &value, mismatch) ? value : def;
}
