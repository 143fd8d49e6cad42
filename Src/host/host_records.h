/*
 * The host's binary records: the job ticket record `Ticket`, the list item
 * `TicketArrayItem` and the per-ticket accessor `TicketEnumRecord` that the
 * host hands to an enumeration callback, with the host function types.
 *
 * The host owns every record; the plug-in only reads them and calls through
 * their function pointers. The layout is the host's (64-bit pointers) and is
 * pinned below by a static assertion on every offset and size. This header is
 * plain C11 as well as C++ so that a host written in either language can use it.
 */
#ifndef KELMORA_PLUGIN_HOST_RECORDS_H
#define KELMORA_PLUGIN_HOST_RECORDS_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
#define KELMORA_STATIC_ASSERT(cond, msg) static_assert(cond, msg)
extern "C" {
#else
#define KELMORA_STATIC_ASSERT(cond, msg) _Static_assert(cond, msg)
#endif

/* Host answers are 8-bit: only the low byte counts. */
typedef uint8_t TicketBool;

/* Scopes of the ticket (first argument after the host context). */
enum TicketScope {
    TICKET_SCOPE_SYSTEM = 0,       /* keys beginning with "System/", id 0 */
    TICKET_SCOPE_JOB = 3,          /* job keys, id = job id */
    TICKET_SCOPE_PRINTER_INFO = 5, /* printer-information keys, id = printer-model number */
    TICKET_SCOPE_HOST_PRINTER = 10 /* the host's own printer tickets, id = host ticket id */
};

/* Enumeration kind of the host's own printer tickets. */
#define TICKET_KIND_HOST_PRINTERS 10u

/* Value types, and what the value pointer refers to. */
enum TicketValueType {
    TICKET_TYPE_QUERY = 0,  /* get: the stored type (u32); set: delete the key or element */
    TICKET_TYPE_INT32 = 2,  /* int32_t (also used for flags) */
    TICKET_TYPE_DOUBLE = 3, /* double */
    TICKET_TYPE_STRING = 4, /* get: a char* slot receiving host-owned text; set: the text itself */
    TICKET_TYPE_BLOB = 5,   /* TicketBlob (16 bytes) */
    TICKET_TYPE_COUNT = 6,  /* get only: number of elements of a list (u32) */
    TICKET_TYPE_VALUE32 = 8 /* a further 32-bit value (u32) */
};

/* Element indexes. */
#define TICKET_INDEX_SCALAR (-1) /* the scalar value, or the whole key */
#define TICKET_INDEX_APPEND (-2) /* on a set: append an element */

/* The 16-byte value of type 5. */
typedef struct TicketBlob {
    const void* Data;
    uint64_t Size;
} TicketBlob;

/*
 * One item of a list read or write. An array of n items has room for n + 1
 * items; the extra item's null key ends it.
 */
typedef struct TicketArrayItem {
    const char* Key;    /* null ends the array */
    uint32_t Type;      /* value type */
    uint32_t Reserved0; /* zero */
    void* Value;        /* get: slot to fill; set: pointer to the value (type 4: the text) */
    int32_t Index;      /* element index */
    uint8_t Success;    /* set non-zero by the host for each item it served */
    uint8_t Reserved1[3];
} TicketArrayItem;

/* Host functions of the job-shaped ticket. */
typedef TicketBool (*TicketGetValueFn)(void* context, uint32_t scope, uint32_t id, const char* key,
                                       uint32_t type, void* out, int32_t index);
typedef void (*TicketGetItemsFn)(void* context, uint32_t scope, uint32_t id, TicketArrayItem* items);
typedef TicketBool (*TicketSetValueFn)(void* context, uint32_t scope, uint32_t id, const char* key,
                                       uint32_t type, const void* value, int32_t index);
typedef void (*TicketSetItemsFn)(void* context, uint32_t scope, uint32_t id, TicketArrayItem* items);
typedef TicketBool (*TicketGetAttributeFn)(void* context, uint32_t scope, uint32_t id, uint32_t code,
                                           uint64_t* out);
typedef uint64_t (*TicketAttributeFallbackFn)(void* context, uint32_t scope, uint32_t id,
                                              uint64_t argument);
/* Host functions of the record that the plug-in never calls. */
typedef void (*TicketHostFn)(void);

/* Scope-less accessor of one host ticket, handed to an enumeration callback. */
typedef TicketBool (*TicketEnumGetValueFn)(void* context, const char* key, uint32_t type, void* out,
                                           int32_t index);
typedef void (*TicketEnumGetItemsFn)(void* context, TicketArrayItem* items);

typedef struct TicketEnumRecord {
    void* Reserved[2];
    void* HostContext;             /* first argument of both functions */
    TicketEnumGetValueFn GetValue; /* read one value */
    TicketEnumGetItemsFn GetItems; /* read several values; success per item */
} TicketEnumRecord;

/*
 * Called once per host ticket of the enumerated kind; a false answer stops the
 * enumeration. The second argument is the host's own and carries nothing here.
 */
typedef TicketBool (*TicketEnumCallback)(void* callbackContext, void* hostArgument,
                                         uint32_t hostTicketId, const TicketEnumRecord* accessor);
typedef void (*TicketEnumerateFn)(void* context, TicketEnumCallback callback, void* callbackContext,
                                  uint32_t kind);

/* The host's job ticket record, 632 bytes. */
typedef struct Ticket {
    uint64_t Size;    /* 632 */
    int32_t Version;  /* at least 1 */
    uint32_t Reserved0;
    void* HostContext; /* first argument of every host function */
    void* Reserved1;
    TicketGetValueFn GetValue;
    TicketGetItemsFn GetItems;
    TicketHostFn HostFunction6;
    TicketHostFn HostFunction7;
    void* Reserved2[20];
    TicketSetValueFn SetValue;
    TicketSetItemsFn SetItems;
    void* Reserved3;
    TicketGetAttributeFn GetAttribute;
    TicketEnumerateFn EnumerateTickets;
    void* Reserved4[20];
    TicketHostFn HostFunction53;
    TicketHostFn HostFunction54;
    void* Reserved5[2];
    TicketAttributeFallbackFn AttributeFallback; /* optional: null when the host has none */
    void* Reserved6[21];
} Ticket;

#define KELMORA_TICKET_RECORD_SIZE 632u
#define KELMORA_TICKET_ATTRIBUTE_CODE 102u

KELMORA_STATIC_ASSERT(sizeof(void*) == 8, "the host records are 64-bit layouts");

KELMORA_STATIC_ASSERT(sizeof(TicketBool) == 1, "host answers are 8-bit");
KELMORA_STATIC_ASSERT(sizeof(TicketBlob) == 16, "TicketBlob is 16 bytes");
KELMORA_STATIC_ASSERT(offsetof(TicketBlob, Data) == 0, "TicketBlob.Data at 0");
KELMORA_STATIC_ASSERT(offsetof(TicketBlob, Size) == 8, "TicketBlob.Size at 8");

KELMORA_STATIC_ASSERT(sizeof(TicketArrayItem) == 32, "TicketArrayItem is 32 bytes");
KELMORA_STATIC_ASSERT(offsetof(TicketArrayItem, Key) == 0, "TicketArrayItem.Key at 0");
KELMORA_STATIC_ASSERT(offsetof(TicketArrayItem, Type) == 8, "TicketArrayItem.Type at 8");
KELMORA_STATIC_ASSERT(offsetof(TicketArrayItem, Reserved0) == 12, "TicketArrayItem.Reserved0 at 12");
KELMORA_STATIC_ASSERT(offsetof(TicketArrayItem, Value) == 16, "TicketArrayItem.Value at 16");
KELMORA_STATIC_ASSERT(offsetof(TicketArrayItem, Index) == 24, "TicketArrayItem.Index at 24");
KELMORA_STATIC_ASSERT(offsetof(TicketArrayItem, Success) == 28, "TicketArrayItem.Success at 28");
KELMORA_STATIC_ASSERT(offsetof(TicketArrayItem, Reserved1) == 29, "TicketArrayItem.Reserved1 at 29");

KELMORA_STATIC_ASSERT(sizeof(TicketEnumRecord) == 40, "TicketEnumRecord is 40 bytes");
KELMORA_STATIC_ASSERT(offsetof(TicketEnumRecord, HostContext) == 16, "TicketEnumRecord.HostContext at 16");
KELMORA_STATIC_ASSERT(offsetof(TicketEnumRecord, GetValue) == 24, "TicketEnumRecord.GetValue at 24");
KELMORA_STATIC_ASSERT(offsetof(TicketEnumRecord, GetItems) == 32, "TicketEnumRecord.GetItems at 32");

KELMORA_STATIC_ASSERT(sizeof(Ticket) == 632, "Ticket is 632 bytes");
KELMORA_STATIC_ASSERT(offsetof(Ticket, Size) == 0, "Ticket.Size at 0");
KELMORA_STATIC_ASSERT(offsetof(Ticket, Version) == 8, "Ticket.Version at 8");
KELMORA_STATIC_ASSERT(offsetof(Ticket, HostContext) == 16, "Ticket.HostContext at 16");
KELMORA_STATIC_ASSERT(offsetof(Ticket, GetValue) == 32, "Ticket.GetValue at 32");
KELMORA_STATIC_ASSERT(offsetof(Ticket, GetItems) == 40, "Ticket.GetItems at 40");
KELMORA_STATIC_ASSERT(offsetof(Ticket, HostFunction6) == 48, "Ticket.HostFunction6 at 48");
KELMORA_STATIC_ASSERT(offsetof(Ticket, HostFunction7) == 56, "Ticket.HostFunction7 at 56");
KELMORA_STATIC_ASSERT(offsetof(Ticket, SetValue) == 224, "Ticket.SetValue at 224");
KELMORA_STATIC_ASSERT(offsetof(Ticket, SetItems) == 232, "Ticket.SetItems at 232");
KELMORA_STATIC_ASSERT(offsetof(Ticket, GetAttribute) == 248, "Ticket.GetAttribute at 248");
KELMORA_STATIC_ASSERT(offsetof(Ticket, EnumerateTickets) == 256, "Ticket.EnumerateTickets at 256");
KELMORA_STATIC_ASSERT(offsetof(Ticket, HostFunction53) == 424, "Ticket.HostFunction53 at 424");
KELMORA_STATIC_ASSERT(offsetof(Ticket, HostFunction54) == 432, "Ticket.HostFunction54 at 432");
KELMORA_STATIC_ASSERT(offsetof(Ticket, AttributeFallback) == 456, "Ticket.AttributeFallback at 456");

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* KELMORA_PLUGIN_HOST_RECORDS_H */
