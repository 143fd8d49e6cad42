#include "ticket_store.h"

#include <cstring>
#include <stdexcept>

namespace hostkit {

uint32_t TypeOf(const TicketValue& value) {
    static const uint32_t kTypes[] = {TICKET_TYPE_INT32, TICKET_TYPE_DOUBLE, TICKET_TYPE_STRING, TICKET_TYPE_BLOB,
                                      TICKET_TYPE_VALUE32};
    return kTypes[value.index()];
}

namespace {

// Element position of an index on a get: -1 is element 0.
bool ElementAt(const Elements& elements, int32_t index, size_t& position) {
    if (index == TICKET_INDEX_SCALAR) index = 0;
    if (index < 0 || static_cast<size_t>(index) >= elements.size()) return false;
    position = static_cast<size_t>(index);
    return true;
}

bool WriteOut(const TicketValue& value, uint32_t type, void* out) {
    if (TypeOf(value) != type) return false;
    switch (type) {
        case TICKET_TYPE_INT32: *static_cast<int32_t*>(out) = std::get<int32_t>(value); return true;
        case TICKET_TYPE_DOUBLE: *static_cast<double*>(out) = std::get<double>(value); return true;
        case TICKET_TYPE_STRING: *static_cast<const char**>(out) = std::get<std::string>(value).c_str(); return true;
        case TICKET_TYPE_BLOB: {
            const std::vector<uint8_t>& bytes = std::get<Blob>(value).bytes;
            *static_cast<TicketBlob*>(out) = TicketBlob{bytes.data(), bytes.size()};
            return true;
        }
        case TICKET_TYPE_VALUE32: *static_cast<uint32_t*>(out) = std::get<Value32>(value).value; return true;
        default: return false;
    }
}

bool ReadIn(uint32_t type, const void* in, TicketValue& value) {
    switch (type) {
        case TICKET_TYPE_INT32: value = *static_cast<const int32_t*>(in); return true;
        case TICKET_TYPE_DOUBLE: value = *static_cast<const double*>(in); return true;
        case TICKET_TYPE_STRING: value = std::string(static_cast<const char*>(in)); return true;
        case TICKET_TYPE_BLOB: {
            const TicketBlob* blob = static_cast<const TicketBlob*>(in);
            if (blob->Size > 0 && !blob->Data) return false;
            const uint8_t* data = static_cast<const uint8_t*>(blob->Data);
            value = Blob{std::vector<uint8_t>(data, data + blob->Size)};
            return true;
        }
        case TICKET_TYPE_VALUE32: value = Value32{*static_cast<const uint32_t*>(in)}; return true;
        default: return false;
    }
}

void UnusedHostFunction() {}

}  // namespace

// The host functions of the record and of the enumeration accessor. Nothing
// thrown leaves them: an allocation failure is a refusal.
struct HostFunctions {
    struct EnumContext {
        TicketStore* store;
        uint32_t id;
    };

    static TicketBool GetValue(void* context, uint32_t scope, uint32_t id, const char* key, uint32_t type,
                               void* out, int32_t index) {
        try {
            TicketStore* store = static_cast<TicketStore*>(context);
            if (store->logging_) store->calls_.push_back({HostCall::GetValue, scope, id, key ? key : "", type, {index}});
            return store->GetOne(scope, id, key, type, out, index);
        } catch (...) {
            return 0;
        }
    }

    static void GetItems(void* context, uint32_t scope, uint32_t id, TicketArrayItem* items) {
        RunItems(static_cast<TicketStore*>(context), HostCall::GetItems, scope, id, items);
    }

    static TicketBool SetValue(void* context, uint32_t scope, uint32_t id, const char* key, uint32_t type,
                               const void* value, int32_t index) {
        try {
            TicketStore* store = static_cast<TicketStore*>(context);
            if (store->logging_) store->calls_.push_back({HostCall::SetValue, scope, id, key ? key : "", type, {index}});
            return store->SetOne(scope, id, key, type, value, index);
        } catch (...) {
            return 0;
        }
    }

    static void SetItems(void* context, uint32_t scope, uint32_t id, TicketArrayItem* items) {
        RunItems(static_cast<TicketStore*>(context), HostCall::SetItems, scope, id, items);
    }

    static TicketBool GetAttribute(void* context, uint32_t scope, uint32_t id, uint32_t code, uint64_t* out) {
        try {
            TicketStore* store = static_cast<TicketStore*>(context);
            if (store->logging_) store->calls_.push_back({HostCall::GetAttribute, scope, id, "", code, {}});
            auto found = store->attributes_.find({TicketId{scope, id}, code});
            if (found == store->attributes_.end()) return 0;
            if (out) *out = found->second;
            return 1;
        } catch (...) {
            return 0;
        }
    }

    static uint64_t AttributeFallback(void* context, uint32_t scope, uint32_t id, uint64_t argument) {
        try {
            TicketStore* store = static_cast<TicketStore*>(context);
            if (store->logging_) store->calls_.push_back({HostCall::AttributeFallback, scope, id, "", 0, {}});
            return store->fallback_ ? store->fallback_(scope, id, argument) : 0;
        } catch (...) {
            return 0;
        }
    }

    // The callback is the plug-in's: what it throws is its own affair and is
    // not swallowed here.
    static void Enumerate(void* context, TicketEnumCallback callback, void* callbackContext, uint32_t kind) {
        TicketStore* store = static_cast<TicketStore*>(context);
        std::vector<uint32_t> ids;
        try {
            if (store->logging_) store->calls_.push_back({HostCall::Enumerate, kind, 0, "", 0, {}});
            if (!callback || kind != TICKET_KIND_HOST_PRINTERS) return;
            for (const auto& entry : store->tickets_) {
                if (entry.first.scope == TICKET_SCOPE_HOST_PRINTER) ids.push_back(entry.first.id);
            }
        } catch (...) {
            return;
        }
        for (uint32_t id : ids) {
            EnumContext enumContext{store, id};
            TicketEnumRecord accessor{{nullptr, nullptr}, &enumContext, &EnumGetValue, &EnumGetItems};
            if (!callback(callbackContext, nullptr, id, &accessor)) break;
        }
    }

    static TicketBool EnumGetValue(void* context, const char* key, uint32_t type, void* out, int32_t index) {
        const EnumContext* enumContext = static_cast<const EnumContext*>(context);
        return GetValue(enumContext->store, TICKET_SCOPE_HOST_PRINTER, enumContext->id, key, type, out, index);
    }

    static void EnumGetItems(void* context, TicketArrayItem* items) {
        const EnumContext* enumContext = static_cast<const EnumContext*>(context);
        GetItems(enumContext->store, TICKET_SCOPE_HOST_PRINTER, enumContext->id, items);
    }

    static void RunItems(TicketStore* store, HostCall function, uint32_t scope, uint32_t id,
                         TicketArrayItem* items) {
        if (!items) return;
        try {
            if (store->logging_) {
                LoggedCall call{function, scope, id, items[0].Key ? items[0].Key : "", items[0].Type, {}};
                for (TicketArrayItem* item = items; item->Key; ++item) call.indexes.push_back(item->Index);
                store->calls_.push_back(std::move(call));
            }
        } catch (...) {
            // the log is a test aid; serving the items matters more
        }
        for (TicketArrayItem* item = items; item->Key; ++item) {
            try {
                item->Success = function == HostCall::GetItems
                                    ? store->GetOne(scope, id, item->Key, item->Type, item->Value, item->Index)
                                    : store->SetOne(scope, id, item->Key, item->Type, item->Value, item->Index);
            } catch (...) {
                item->Success = 0;
            }
        }
    }
};

TicketStore::TicketStore(uint32_t jobId) : jobId_(jobId), record_() {
    record_.Size = KELMORA_TICKET_RECORD_SIZE;
    record_.Version = 1;
    record_.HostContext = this;
    record_.GetValue = &HostFunctions::GetValue;
    record_.GetItems = &HostFunctions::GetItems;
    record_.SetValue = &HostFunctions::SetValue;
    record_.SetItems = &HostFunctions::SetItems;
    record_.GetAttribute = &HostFunctions::GetAttribute;
    record_.EnumerateTickets = &HostFunctions::Enumerate;
    record_.HostFunction6 = &UnusedHostFunction;
    record_.HostFunction7 = &UnusedHostFunction;
    record_.HostFunction53 = &UnusedHostFunction;
    record_.HostFunction54 = &UnusedHostFunction;
    record_.AttributeFallback = nullptr;
}

bool TicketStore::Accepts(uint32_t scope, uint32_t id) const {
    switch (scope) {
        case TICKET_SCOPE_SYSTEM: return id == 0;
        case TICKET_SCOPE_JOB: return id == jobId_;
        case TICKET_SCOPE_PRINTER_INFO:
        case TICKET_SCOPE_HOST_PRINTER: return true;
        default: return false;
    }
}

void TicketStore::Require(uint32_t scope, uint32_t id) const {
    if (!Accepts(scope, id)) {
        throw std::invalid_argument("ticket store: no ticket of scope " + std::to_string(scope) + " with id " +
                                    std::to_string(id));
    }
}

void TicketStore::AddTicket(uint32_t scope, uint32_t id) {
    Require(scope, id);
    tickets_[TicketId{scope, id}];
}

void TicketStore::Set(uint32_t scope, uint32_t id, const std::string& key, TicketValue value) {
    SetElements(scope, id, key, Elements{std::move(value)});
}

void TicketStore::Append(uint32_t scope, uint32_t id, const std::string& key, TicketValue value) {
    Require(scope, id);
    tickets_[TicketId{scope, id}][key].push_back(std::move(value));
}

void TicketStore::SetElements(uint32_t scope, uint32_t id, const std::string& key, Elements elements) {
    Require(scope, id);
    TicketKeys& keys = tickets_[TicketId{scope, id}];
    if (elements.empty()) {
        keys.erase(key);
    } else {
        keys[key] = std::move(elements);
    }
}

bool TicketStore::Erase(uint32_t scope, uint32_t id, const std::string& key) {
    auto ticket = tickets_.find(TicketId{scope, id});
    return ticket != tickets_.end() && ticket->second.erase(key) > 0;
}

const Elements* TicketStore::Find(uint32_t scope, uint32_t id, const std::string& key) const {
    auto ticket = tickets_.find(TicketId{scope, id});
    if (ticket == tickets_.end()) return nullptr;
    auto found = ticket->second.find(key);
    return found == ticket->second.end() ? nullptr : &found->second;
}

void TicketStore::Refuse(const std::string& key, int32_t index) { refusals_[key].insert(index); }

void TicketStore::SetAttribute(uint32_t scope, uint32_t id, uint32_t code, uint64_t value) {
    attributes_[{TicketId{scope, id}, code}] = value;
}

void TicketStore::SetAttributeFallback(std::function<uint64_t(uint32_t, uint32_t, uint64_t)> fallback) {
    fallback_ = std::move(fallback);
    record_.AttributeFallback = fallback_ ? &HostFunctions::AttributeFallback : nullptr;
}

bool TicketStore::Refused(const std::string& key, int32_t index) const {
    auto found = refusals_.find(key);
    return found != refusals_.end() && (found->second.count(kAnyIndex) > 0 || found->second.count(index) > 0);
}

bool TicketStore::GetOne(uint32_t scope, uint32_t id, const char* key, uint32_t type, void* out, int32_t index) {
    if (!key || !out || Refused(key, index)) return false;
    const Elements* elements = Find(scope, id, key);
    if (!elements || !Accepts(scope, id)) return false;
    if (type == TICKET_TYPE_COUNT) {
        *static_cast<uint32_t*>(out) = static_cast<uint32_t>(elements->size());
        return true;
    }
    size_t position = 0;
    if (!ElementAt(*elements, index, position)) return false;
    if (type == TICKET_TYPE_QUERY) {
        *static_cast<uint32_t*>(out) = TypeOf((*elements)[position]);
        return true;
    }
    return WriteOut((*elements)[position], type, out);
}

bool TicketStore::SetOne(uint32_t scope, uint32_t id, const char* key, uint32_t type, const void* value,
                         int32_t index) {
    if (!key || Refused(key, index) || !Accepts(scope, id)) return false;
    auto ticket = tickets_.find(TicketId{scope, id});
    if (ticket == tickets_.end()) {
        if (scope == TICKET_SCOPE_HOST_PRINTER) return false;
        ticket = tickets_.emplace(TicketId{scope, id}, TicketKeys()).first;
    }
    TicketKeys& keys = ticket->second;
    auto found = keys.find(key);

    if (type == TICKET_TYPE_QUERY) {
        if (found == keys.end()) return false;
        if (index == TICKET_INDEX_SCALAR) {
            keys.erase(found);
            return true;
        }
        if (index < 0 || static_cast<size_t>(index) >= found->second.size()) return false;
        found->second.erase(found->second.begin() + index);
        if (found->second.empty()) keys.erase(found);
        return true;
    }

    TicketValue element;
    if (!value || !ReadIn(type, value, element)) return false;
    if (index == TICKET_INDEX_SCALAR) {
        keys[key] = Elements{std::move(element)};
        return true;
    }
    if (index == TICKET_INDEX_APPEND) {
        keys[key].push_back(std::move(element));
        return true;
    }
    const size_t count = found == keys.end() ? 0 : found->second.size();
    if (index < 0 || static_cast<size_t>(index) > count) return false;
    Elements& elements = keys[key];
    if (static_cast<size_t>(index) == count) {
        elements.push_back(std::move(element));
    } else {
        elements[index] = std::move(element);
    }
    return true;
}

}  // namespace hostkit
