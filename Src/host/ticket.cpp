#include "host/ticket.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>
#include <type_traits>

namespace {

std::string CopyHostText(const char* text) { return text ? std::string(text) : std::string(); }

bool HostGet(const Ticket* ticket, uint32_t scope, uint32_t id, const char* key, uint32_t type, void* out,
             int32_t index) {
    if (!ticket || !ticket->GetValue || !key) return false;
    return ticket->GetValue(ticket->HostContext, scope, id, key, type, out, index) != 0;
}

bool HostSet(const Ticket* ticket, uint32_t scope, uint32_t id, const char* key, uint32_t type,
             const void* value, int32_t index) {
    if (!ticket || !ticket->SetValue || !key) return false;
    return ticket->SetValue(ticket->HostContext, scope, id, key, type, value, index) != 0;
}

// The two shapes through which a list can be read.
struct ScopedHost {
    const Ticket* ticket;
    uint32_t scope;
    uint32_t id;

    bool CanReadItems() const { return ticket && ticket->GetValue && ticket->GetItems; }
    bool Get(const char* key, uint32_t type, void* out, int32_t index) const {
        return HostGet(ticket, scope, id, key, type, out, index);
    }
    void GetItems(TicketArrayItem* items) const { ticket->GetItems(ticket->HostContext, scope, id, items); }
};

struct UnscopedHost {
    const TicketEnumRecord* accessor;

    bool CanReadItems() const { return accessor && accessor->GetValue && accessor->GetItems; }
    bool Get(const char* key, uint32_t type, void* out, int32_t index) const {
        return accessor->GetValue(accessor->HostContext, key, type, out, index) != 0;
    }
    void GetItems(TicketArrayItem* items) const { accessor->GetItems(accessor->HostContext, items); }
};

std::unique_ptr<TicketArrayItem[]> MakeItems(const char* key, uint32_t type, size_t n) {
    if (n == 0 || n > static_cast<size_t>(INT32_MAX)) return nullptr;
    std::unique_ptr<TicketArrayItem[]> items(new (std::nothrow) TicketArrayItem[n + 1]());
    if (!items) return nullptr;
    for (size_t i = 0; i < n; ++i) {
        items[i].Key = key;
        items[i].Type = type;
    }
    return items;
}

// What becomes of an element that the host refused in a list read.
enum class RefusedElement { Dropped, Taken, RefusesTheList };

// A real that a 32-bit integer holds exactly: 86.0 and -0.0 are, 86.5, 3e9,
// infinities and NaN are not.
bool HoldsExactInt32(double real, int32_t* integer) {
    if (!(real >= INT32_MIN && real <= INT32_MAX)) return false;
    const auto truncated = static_cast<int32_t>(real);
    if (static_cast<double>(truncated) != real) return false;
    *integer = truncated;
    return true;
}

// Asks the host which type it holds at index. A number of the other numeric
// type is read as its value when the list's type holds it exactly (an integer
// in a list of reals, an integral real in a list of integers); any other
// element refuses the list (noted in *mismatch); an element the host will not
// describe, or holds under the list's type, is dropped.
template <typename Host, typename T>
RefusedElement ReadRefusedElement(const Host& host, const char* key, uint32_t type, int32_t index, T& value,
                                  TicketListMismatch* mismatch) {
    uint32_t stored[2] = {0, 0};  // the host writes 32 bits
    if (!host.Get(key, TICKET_TYPE_QUERY, stored, index) || stored[0] == type) return RefusedElement::Dropped;
    if constexpr (std::is_same_v<T, double>) {
        int32_t integer = 0;
        if (stored[0] == TICKET_TYPE_INT32 && host.Get(key, TICKET_TYPE_INT32, &integer, index)) {
            value = integer;
            return RefusedElement::Taken;
        }
    } else if constexpr (std::is_same_v<T, int32_t>) {
        double real = 0.0;
        int32_t integer = 0;
        if (stored[0] == TICKET_TYPE_DOUBLE && host.Get(key, TICKET_TYPE_DOUBLE, &real, index) &&
            HoldsExactInt32(real, &integer)) {
            value = integer;
            return RefusedElement::Taken;
        }
    }
    if (mismatch) *mismatch = TicketListMismatch{index, stored[0]};
    return RefusedElement::RefusesTheList;
}

// Count query, one items call; refused elements as ReadRefusedElement says.
template <typename Host, typename T>
bool ReadList(const Host& host, const char* key, uint32_t type, std::vector<T>& out, TicketListMismatch* mismatch) {
    if (!key || !host.CanReadItems()) return false;
    uint32_t count[2] = {0, 0};  // the host writes 32 bits; 8 bytes are reserved
    if (!host.Get(key, TICKET_TYPE_COUNT, count, TICKET_INDEX_SCALAR) || count[0] == 0) return false;
    const size_t n = count[0];
    std::unique_ptr<TicketArrayItem[]> items = MakeTicketGetItems(key, type, n);
    if (!items) return false;
    std::vector<T> values(n);
    for (size_t i = 0; i < n; ++i) items[i].Value = &values[i];
    host.GetItems(items.get());
    size_t kept = 0;
    for (size_t i = 0; i < n; ++i) {
        if (!items[i].Success) {
            const RefusedElement fate = ReadRefusedElement(host, key, type, items[i].Index, values[i], mismatch);
            if (fate == RefusedElement::RefusesTheList) return false;
            if (fate == RefusedElement::Dropped) continue;
        }
        if (kept != i) values[kept] = values[i];
        ++kept;
    }
    values.resize(kept);
    out = std::move(values);
    return !out.empty();
}

// One items call with the whole list; an empty list deletes the key.
template <typename ValueAt>
bool WriteList(const Ticket* ticket, uint32_t scope, uint32_t id, const char* key, uint32_t type, size_t n,
               ValueAt valueAt) {
    if (!ticket || !key) return false;
    if (n == 0) {
        if (!ticket->SetValue) return false;
        HostSet(ticket, scope, id, key, TICKET_TYPE_QUERY, nullptr, TICKET_INDEX_SCALAR);
        return true;  // whatever the host answered: the key is gone or was never there
    }
    if (!ticket->SetItems) return false;
    std::unique_ptr<TicketArrayItem[]> items = MakeTicketSetItems(key, type, n);
    if (!items) return false;
    for (size_t i = 0; i < n; ++i) items[i].Value = valueAt(i);
    ticket->SetItems(ticket->HostContext, scope, id, items.get());
    for (size_t i = 0; i < n && items[i].Key; ++i) {
        if (!items[i].Success) return false;
    }
    return true;
}

// atoi's rule (leading blanks, sign, digits; 0 without digits), clamped to 32 bits.
int32_t DecimalPrefix(const std::string& text) {
    const long long v = std::strtoll(text.c_str(), nullptr, 10);
    if (v > INT32_MAX) return INT32_MAX;
    if (v < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(v);
}

}  // namespace

std::unique_ptr<TicketArrayItem[]> MakeTicketGetItems(const char* key, uint32_t type, size_t n) {
    std::unique_ptr<TicketArrayItem[]> items = MakeItems(key, type, n);
    if (items) {
        for (size_t i = 0; i < n; ++i) items[i].Index = static_cast<int32_t>(i);
    }
    return items;
}

std::unique_ptr<TicketArrayItem[]> MakeTicketSetItems(const char* key, uint32_t type, size_t n) {
    std::unique_ptr<TicketArrayItem[]> items = MakeItems(key, type, n);
    if (items) {
        items[0].Index = TICKET_INDEX_SCALAR;
        for (size_t i = 1; i < n; ++i) items[i].Index = static_cast<int32_t>(i);
    }
    return items;
}

uint32_t GetTicketStoredType(const Ticket* ticket, uint32_t scope, uint32_t id, const char* key) {
    uint32_t type[2] = {0, 0};  // the host writes 32 bits
    return HostGet(ticket, scope, id, key, TICKET_TYPE_QUERY, type, TICKET_INDEX_SCALAR) ? type[0] : 0;
}

std::string TicketTypeName(uint32_t type) {
    switch (type) {
    case TICKET_TYPE_INT32: return "integer";
    case TICKET_TYPE_DOUBLE: return "real number";
    case TICKET_TYPE_STRING: return "text";
    case TICKET_TYPE_BLOB: return "16-byte value";
    case TICKET_TYPE_VALUE32: return "32-bit value";
    default: return "type " + std::to_string(type);
    }
}

int32_t GetTicketInt(const Ticket* ticket, uint32_t scope, uint32_t id, const char* key, int32_t def) {
    int32_t value = 0;
    return HostGet(ticket, scope, id, key, TICKET_TYPE_INT32, &value, TICKET_INDEX_SCALAR) ? value : def;
}

bool GetTicketBool(const Ticket* ticket, uint32_t scope, uint32_t id, const char* key, bool def) {
    return GetTicketBoolAt(ticket, scope, id, TICKET_INDEX_SCALAR, key, def);
}

bool GetTicketBoolAt(const Ticket* ticket, uint32_t scope, uint32_t id, int32_t index, const char* key,
                     bool def, TicketListMismatch* mismatch) {
    int32_t value = 0;
    if (index < 0) return HostGet(ticket, scope, id, key, TICKET_TYPE_INT32, &value, index) ? value != 0 : def;
    return Ticket_GetIntElement(ticket, scope, id, key, index, &value, mismatch) ? value != 0 : def;
}

double GetTicketDouble(const Ticket* ticket, uint32_t scope, uint32_t id, const char* key, double def) {
    double value = 0.0;
    return HostGet(ticket, scope, id, key, TICKET_TYPE_DOUBLE, &value, TICKET_INDEX_SCALAR) ? value : def;
}

bool GetTicketDoubleAt(const Ticket* ticket, uint32_t scope, uint32_t id, const char* key, double* out,
                       int32_t index) {
    if (!out) return false;
    return HostGet(ticket, scope, id, key, TICKET_TYPE_DOUBLE, out, index);
}

uint32_t GetTicketValue32(const Ticket* ticket, uint32_t scope, uint32_t id, const char* key,
                          uint32_t def) {
    uint32_t value = 0;
    return HostGet(ticket, scope, id, key, TICKET_TYPE_VALUE32, &value, TICKET_INDEX_SCALAR) ? value : def;
}

void GetTicketBlob(const Ticket* ticket, TicketBlob* out, uint32_t scope, uint32_t id, const char* key,
                   const TicketBlob* def) {
    if (!out) return;
    TicketBlob value = {nullptr, 0};
    if (HostGet(ticket, scope, id, key, TICKET_TYPE_BLOB, &value, TICKET_INDEX_SCALAR)) {
        *out = value;
    } else if (def) {
        *out = *def;
    } else {
        *out = TicketBlob{nullptr, 0};
    }
}

void GetTicketString(const Ticket* ticket, std::string& out, uint32_t scope, uint32_t id, const char* key,
                     const std::string& def) {
    const char* text = nullptr;
    if (HostGet(ticket, scope, id, key, TICKET_TYPE_STRING, &text, TICKET_INDEX_SCALAR)) {
        out = CopyHostText(text);
    } else {
        out = def;
    }
}

bool Ticket_GetString(const Ticket* ticket, uint32_t scope, uint32_t id, const char* key, std::string& out,
                      int32_t index) {
    const char* text = nullptr;
    if (!HostGet(ticket, scope, id, key, TICKET_TYPE_STRING, &text, index)) {
        out.clear();
        return false;
    }
    out = CopyHostText(text);
    return true;
}

int32_t GetTicketIntOrString(const Ticket* ticket, uint32_t jobId, const char* key, int32_t def) {
    uint32_t type[2] = {0, 0};
    if (HostGet(ticket, TICKET_SCOPE_JOB, jobId, key, TICKET_TYPE_QUERY, type, TICKET_INDEX_SCALAR) &&
        type[0] == TICKET_TYPE_STRING) {
        std::string text;
        GetTicketString(ticket, text, TICKET_SCOPE_JOB, jobId, key, std::string());
        return text.empty() ? def : DecimalPrefix(text);
    }
    return GetTicketInt(ticket, TICKET_SCOPE_JOB, jobId, key, def);
}

bool TicketHasSpotColors(const Ticket* ticket, uint32_t jobId) {
    std::vector<const char*> texts;
    return Ticket_GetStringItems(ticket, TICKET_SCOPE_JOB, jobId, "Output/Prn/Info/Color/SpotColors", texts);
}

bool Ticket_GetIntArray(const Ticket* ticket, uint32_t scope, uint32_t id, const char* key,
                        std::vector<int32_t>& out, TicketListMismatch* mismatch) {
    return ReadList(ScopedHost{ticket, scope, id}, key, TICKET_TYPE_INT32, out, mismatch);
}

bool Ticket_GetDoubleArray(const Ticket* ticket, uint32_t scope, uint32_t id, const char* key,
                           std::vector<double>& out, TicketListMismatch* mismatch) {
    return ReadList(ScopedHost{ticket, scope, id}, key, TICKET_TYPE_DOUBLE, out, mismatch);
}

bool Ticket_GetStringItems(const Ticket* ticket, uint32_t scope, uint32_t id, const char* key,
                           std::vector<const char*>& out, TicketListMismatch* mismatch) {
    return ReadList(ScopedHost{ticket, scope, id}, key, TICKET_TYPE_STRING, out, mismatch);
}

bool Ticket_GetStringArray(const Ticket* ticket, uint32_t scope, uint32_t id, const char* key,
                           std::vector<std::string>& out, TicketListMismatch* mismatch) {
    std::vector<const char*> texts;
    if (!Ticket_GetStringItems(ticket, scope, id, key, texts, mismatch)) return false;
    std::vector<std::string> copies;
    copies.reserve(texts.size());
    for (const char* text : texts) {
        if (text) copies.emplace_back(text);
    }
    out = std::move(copies);
    return !out.empty();
}

bool Ticket_GetIntArrayN(const Ticket* ticket, uint32_t scope, uint32_t id, const char* key, int32_t* dest,
                         size_t count, TicketListMismatch* mismatch) {
    if (!ticket || !ticket->GetItems || !key || !dest || count == 0) return false;
    std::unique_ptr<TicketArrayItem[]> items = MakeTicketGetItems(key, TICKET_TYPE_INT32, count);
    if (!items) return false;
    std::vector<int32_t> values(dest, dest + count);
    for (size_t i = 0; i < count; ++i) items[i].Value = &values[i];
    ticket->GetItems(ticket->HostContext, scope, id, items.get());
    const ScopedHost host{ticket, scope, id};
    bool whole = true;
    for (size_t i = 0; i < count; ++i) {
        if (items[i].Success) continue;
        const RefusedElement fate =
            ReadRefusedElement(host, key, TICKET_TYPE_INT32, items[i].Index, values[i], mismatch);
        if (fate == RefusedElement::RefusesTheList) return false;
        if (fate == RefusedElement::Dropped) whole = false;
    }
    std::copy(values.begin(), values.end(), dest);
    return whole;
}

bool Ticket_GetIntElement(const Ticket* ticket, uint32_t scope, uint32_t id, const char* key, int32_t index,
                          int32_t* out, TicketListMismatch* mismatch) {
    if (!out || index < 0) return false;
    int32_t value = 0;
    if (!HostGet(ticket, scope, id, key, TICKET_TYPE_INT32, &value, index) &&
        ReadRefusedElement(ScopedHost{ticket, scope, id}, key, TICKET_TYPE_INT32, index, value, mismatch) !=
            RefusedElement::Taken) {
        return false;
    }
    *out = value;
    return true;
}

bool Ticket_GetIntArrayUnscoped(const TicketEnumRecord* accessor, const char* key, std::vector<int32_t>& out) {
    return ReadList(UnscopedHost{accessor}, key, TICKET_TYPE_INT32, out, nullptr);
}

bool Ticket_SetIntArrayN(const Ticket* ticket, uint32_t scope, uint32_t id, const char* key,
                         const int32_t* source, size_t count) {
    if (count > 0 && !source) return false;
    return WriteList(ticket, scope, id, key, TICKET_TYPE_INT32, count,
                     [source](size_t i) { return const_cast<int32_t*>(source + i); });
}

bool Ticket_SetIntArray(const Ticket* ticket, uint32_t scope, uint32_t id, const char* key,
                        const std::vector<int32_t>& values) {
    return Ticket_SetIntArrayN(ticket, scope, id, key, values.data(), values.size());
}

bool Ticket_SetDoubleArray(const Ticket* ticket, uint32_t scope, uint32_t id, const char* key,
                           const std::vector<double>& values) {
    return WriteList(ticket, scope, id, key, TICKET_TYPE_DOUBLE, values.size(),
                     [&values](size_t i) { return const_cast<double*>(&values[i]); });
}

bool Ticket_SetCStringArray(const Ticket* ticket, uint32_t scope, uint32_t id, const char* key,
                            const std::vector<const char*>& values) {
    return WriteList(ticket, scope, id, key, TICKET_TYPE_STRING, values.size(),
                     [&values](size_t i) { return const_cast<char*>(values[i]); });
}

bool Ticket_SetStringArray(const Ticket* ticket, uint32_t scope, uint32_t id, const char* key,
                           const std::vector<std::string>& values) {
    std::vector<const char*> texts;
    texts.reserve(values.size());
    for (const std::string& value : values) texts.push_back(value.c_str());
    return Ticket_SetCStringArray(ticket, scope, id, key, texts);
}

int32_t FindTicketIntIndex(const Ticket* ticket, uint32_t scope, uint32_t id, const char* key, int32_t value,
                           TicketListMismatch* mismatch) {
    // Read to the end: an element of another type anywhere refuses the list,
    // for every value looked up in it.
    TicketListMismatch met;
    int32_t found = -1;
    for (int32_t index = 0; index < INT32_MAX; ++index) {
        int32_t element = 0;
        if (!Ticket_GetIntElement(ticket, scope, id, key, index, &element, &met)) break;
        if (element == value && found < 0) found = index;
    }
    if (met.index < 0) return found;
    if (mismatch) *mismatch = met;
    return -1;
}

int32_t FindTicketStringIndex(const Ticket* ticket, uint32_t scope, uint32_t id, const char* key,
                              std::string value) {
    std::string element;
    for (int32_t index = 0; index < INT32_MAX; ++index) {
        if (!Ticket_GetString(ticket, scope, id, key, element, index)) return -1;
        if (element == value) return index;
    }
    return -1;
}

int32_t FindTicketTextIndex(const Ticket* ticket, uint32_t scope, uint32_t id, const char* key,
                            const std::string& value, int32_t first) {
    std::string element;
    for (int32_t index = std::max(first, 0); index < INT32_MAX; ++index) {
        if (Ticket_GetString(ticket, scope, id, key, element, index)) {
            if (element == value) return index;
            continue;
        }
        uint32_t type[2] = {0, 0};  // the host writes 32 bits
        if (!HostGet(ticket, scope, id, key, TICKET_TYPE_QUERY, type, index)) return -1;  // past the last element
    }
    return -1;
}

bool ReadTicketStringSet(const Ticket* ticket, uint32_t scope, uint32_t id, const char* key,
                         std::set<std::string>& values, bool clear) {
    if (clear) values.clear();
    std::string element;
    for (int32_t index = 0; index < INT32_MAX; ++index) {
        if (!Ticket_GetString(ticket, scope, id, key, element, index)) break;
        values.insert(element);
    }
    return !values.empty();
}

uint64_t Ticket_GetAttribute(const Ticket* ticket, uint32_t scope, uint32_t id, uint64_t argument) {
    if (!ticket) return 0;
    uint64_t value = 0;
    if (ticket->GetAttribute &&
        ticket->GetAttribute(ticket->HostContext, scope, id, KELMORA_TICKET_ATTRIBUTE_CODE, &value) != 0) {
        return value;
    }
    if (ticket->AttributeFallback) return ticket->AttributeFallback(ticket->HostContext, scope, id, argument);
    return 0;
}

bool IsValidTicketRecord(const Ticket* ticket) {
    return ticket && ticket->Size == KELMORA_TICKET_RECORD_SIZE && ticket->Version >= 1 && ticket->HostContext &&
           ticket->GetValue && ticket->GetItems && ticket->HostFunction6 && ticket->HostFunction7 &&
           ticket->SetValue && ticket->SetItems && ticket->GetAttribute && ticket->EnumerateTickets &&
           ticket->HostFunction53 && ticket->HostFunction54;
}
