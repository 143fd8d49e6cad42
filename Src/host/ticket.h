// Typed access to the host's job ticket.
//
// Every subsystem reads and writes the ticket through these functions instead
// of the raw host functions of the `Ticket` record. None of them keeps state,
// none throws on a host refusal: getters fall back to their defaults, list
// readers return false with the output untouched, list writers return false
// when the host refused an item, lookups give -1. A null `Ticket*` (or a record
// without the needed host function) is treated like a refusal and no host
// function is called. Allocation failures of strings and vectors propagate as
// std::bad_alloc.
//
// Texts that the host returns are copied at once, except by
// Ticket_GetStringItems, whose pointers are the host's and are valid only until
// the next host call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "host/host_records.h"

// Items for one list read or write: n zero-filled items plus the null-key end.
// All items carry the key and type. Get items have the indexes 0 .. n-1; set
// items -1 for the first and then 1 .. n-1. Null when n is 0, too large for
// 32-bit indexes, or the allocation failed.
std::unique_ptr<TicketArrayItem[]> MakeTicketGetItems(const char* key, uint32_t type, size_t n);
std::unique_ptr<TicketArrayItem[]> MakeTicketSetItems(const char* key, uint32_t type, size_t n);

// The element that made a list read refuse the whole list: the host holds it
// under another type than the list's, and it is no number that the list's
// type holds exactly.
struct TicketListMismatch {
    int32_t index = -1;       // -1: no element of another type was met
    uint32_t storedType = 0;  // the type the host holds the element under
};

// Scalar getters (index -1 unless an index is given).
int32_t GetTicketInt(const Ticket* ticket, uint32_t scope, uint32_t id, const char* key, int32_t def);
bool GetTicketBool(const Ticket* ticket, uint32_t scope, uint32_t id, const char* key, bool def);
// At an element index (0, 1, ...) the element is read by the rule of the
// list readers below, as Ticket_GetIntElement reads it.
bool GetTicketBoolAt(const Ticket* ticket, uint32_t scope, uint32_t id, int32_t index, const char* key,
                     bool def, TicketListMismatch* mismatch = nullptr);
double GetTicketDouble(const Ticket* ticket, uint32_t scope, uint32_t id, const char* key, double def);
// The host's answer; *out is written by the host only.
bool GetTicketDoubleAt(const Ticket* ticket, uint32_t scope, uint32_t id, const char* key, double* out,
                       int32_t index);
uint32_t GetTicketValue32(const Ticket* ticket, uint32_t scope, uint32_t id, const char* key,
                          uint32_t def);
// *out := the stored 16 bytes, else a copy of *def (zeros when def is null).
void GetTicketBlob(const Ticket* ticket, TicketBlob* out, uint32_t scope, uint32_t id, const char* key,
                   const TicketBlob* def);
// out := a copy of the host text (a null text served counts as empty), else a copy of def.
void GetTicketString(const Ticket* ticket, std::string& out, uint32_t scope, uint32_t id, const char* key,
                     const std::string& def);
// One element of a string key: true and out := its text, or false and out emptied.
bool Ticket_GetString(const Ticket* ticket, uint32_t scope, uint32_t id, const char* key, std::string& out,
                      int32_t index);
// The type the host has stored under a key (2, 3, 4, 5 or 8), or 0 when the
// host does not answer (no such key).
uint32_t GetTicketStoredType(const Ticket* ticket, uint32_t scope, uint32_t id, const char* key);
// A name for a value type in messages: "integer", "real number", "text",
// "16-byte value", "32-bit value", else "type N".
std::string TicketTypeName(uint32_t type);
// A job key (scope 3) that may be stored as an integer or as a decimal text.
// (The job object's form passes its ticket and job id.)
int32_t GetTicketIntOrString(const Ticket* ticket, uint32_t jobId, const char* key, int32_t def);
// Whether the job's "Output/Prn/Info/Color/SpotColors" list has an element.
bool TicketHasSpotColors(const Ticket* ticket, uint32_t jobId);

// List readers: one count query, one items call. True when the output holds at
// least one element afterwards. When the count cannot be read or is 0, the
// output is left exactly as it was. An element that the host refuses is asked
// for its type (one more call each): a number of the other numeric type whose
// value the list's type holds exactly is read as that value (an integer in a
// list of reals, 86.0 in a list of integers); an element of any other type or
// value refuses the whole list, which then reads as missing (false, output
// untouched, *mismatch filled when given), so that no element takes another's
// place. Elements the host refuses under the list's own type are dropped and
// the rest keep their order.
bool Ticket_GetIntArray(const Ticket* ticket, uint32_t scope, uint32_t id, const char* key,
                        std::vector<int32_t>& out, TicketListMismatch* mismatch = nullptr);
bool Ticket_GetDoubleArray(const Ticket* ticket, uint32_t scope, uint32_t id, const char* key,
                           std::vector<double>& out, TicketListMismatch* mismatch = nullptr);
// Pointers to the host's texts (see above).
bool Ticket_GetStringItems(const Ticket* ticket, uint32_t scope, uint32_t id, const char* key,
                           std::vector<const char*>& out, TicketListMismatch* mismatch = nullptr);
// Copies of the texts; null texts are dropped. Untouched when the read fails.
bool Ticket_GetStringArray(const Ticket* ticket, uint32_t scope, uint32_t id, const char* key,
                           std::vector<std::string>& out, TicketListMismatch* mismatch = nullptr);
// count integers into dest (no count query); true only when every item was
// served or taken by the rule above. An element that refuses the list leaves
// dest untouched (and fills *mismatch); elements refused otherwise leave
// their place in dest as it was.
bool Ticket_GetIntArrayN(const Ticket* ticket, uint32_t scope, uint32_t id, const char* key, int32_t* dest,
                         size_t count, TicketListMismatch* mismatch = nullptr);
// One element (index 0, 1, ...) of an integer list by the same rule, for the
// readers that take one element at a time: true and *out := the element;
// false with *out untouched when the host has no such element or refuses it
// as an integer; false with *mismatch filled when the element refuses the list.
bool Ticket_GetIntElement(const Ticket* ticket, uint32_t scope, uint32_t id, const char* key, int32_t index,
                          int32_t* out, TicketListMismatch* mismatch = nullptr);
// The same as Ticket_GetIntArray through the accessor of an enumerated host ticket.
bool Ticket_GetIntArrayUnscoped(const TicketEnumRecord* accessor, const char* key, std::vector<int32_t>& out);

// List writers: one items call, the whole list in element order. True when the
// host served every item. An empty list deletes the key and gives true.
bool Ticket_SetIntArrayN(const Ticket* ticket, uint32_t scope, uint32_t id, const char* key,
                         const int32_t* source, size_t count);
bool Ticket_SetIntArray(const Ticket* ticket, uint32_t scope, uint32_t id, const char* key,
                        const std::vector<int32_t>& values);
bool Ticket_SetDoubleArray(const Ticket* ticket, uint32_t scope, uint32_t id, const char* key,
                           const std::vector<double>& values);
bool Ticket_SetCStringArray(const Ticket* ticket, uint32_t scope, uint32_t id, const char* key,
                            const std::vector<const char*>& values);
bool Ticket_SetStringArray(const Ticket* ticket, uint32_t scope, uint32_t id, const char* key,
                           const std::vector<std::string>& values);

// Lookups, one host call per element, reading elements 0, 1, 2 ... until the
// host refuses one. The index of the first equal element, or -1. The integer
// lookup reads every element of the list as Ticket_GetIntElement does: an
// element of another type anywhere in it refuses the list, so that -1 is the
// answer for every value (and *mismatch is filled).
int32_t FindTicketIntIndex(const Ticket* ticket, uint32_t scope, uint32_t id, const char* key, int32_t value,
                           TicketListMismatch* mismatch = nullptr);
int32_t FindTicketStringIndex(const Ticket* ticket, uint32_t scope, uint32_t id, const char* key,
                              std::string value);
// The index of the first text equal to value from element first on, in a list
// that may also hold elements of other types (the job's message lists, which
// the host and others add to): those are passed over, and the search ends
// where the host has no element. -1 when there is none.
int32_t FindTicketTextIndex(const Ticket* ticket, uint32_t scope, uint32_t id, const char* key,
                            const std::string& value, int32_t first = 0);
// Inserts every element of a string list into the set (emptied first when
// clear is set); whether the set is non-empty afterwards.
bool ReadTicketStringSet(const Ticket* ticket, uint32_t scope, uint32_t id, const char* key,
                         std::set<std::string>& values, bool clear);

// Attribute 102 of (scope, id); when the host refuses it, the record's optional
// fallback function with the argument; else 0.
uint64_t Ticket_GetAttribute(const Ticket* ticket, uint32_t scope, uint32_t id, uint64_t argument);

// The record test that exporters apply before they write: size 632, version at
// least 1, host context and the ten host functions at 32, 40, 48, 56, 224, 232,
// 248, 256, 424 and 432 all set.
bool IsValidTicketRecord(const Ticket* ticket);
