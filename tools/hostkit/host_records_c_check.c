/*
 * Compiles the host records header as plain C11 (no extensions) and reports
 * the layout that C sees, so a test can compare it with the C++ view.
 */
#include "host/host_records.h"

size_t HostRecordsC_TicketSize(void) { return sizeof(Ticket); }
size_t HostRecordsC_EnumerateOffset(void) { return offsetof(Ticket, EnumerateTickets); }
size_t HostRecordsC_FallbackOffset(void) { return offsetof(Ticket, AttributeFallback); }
size_t HostRecordsC_ItemSize(void) { return sizeof(TicketArrayItem); }
size_t HostRecordsC_ItemSuccessOffset(void) { return offsetof(TicketArrayItem, Success); }
size_t HostRecordsC_EnumRecordGetItemsOffset(void) { return offsetof(TicketEnumRecord, GetItems); }
