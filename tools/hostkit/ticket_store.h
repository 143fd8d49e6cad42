// An in-memory ticket store behind a real `Ticket` record: the host side of the
// ticket for tests and for the host program.
//
// The store holds tickets addressed by (scope, id): the system ticket (scope 0,
// id 0), the job ticket (scope 3, the store's job id), printer-information
// tickets (scope 5, a printer-model number) and the host's own printer tickets
// (scope 10, a host ticket id; enumerated as kind 10). Every key holds a list
// of one or more typed elements; a scalar is a list of one. Other scopes, scope
// 0 with an id other than 0 and scope 3 with another job id are refused.
//
// Host semantics:
// - get: index -1 reads element 0, index i element i; the stored type must
//   equal the asked type (no conversions). Type 0 answers the stored type,
//   type 6 the element count.
// - set: index -1 replaces the whole key with one element, -2 appends, i sets
//   element i (i equal to the count appends). Type 0 deletes the key (index -1)
//   or one element (index i); deleting the last element deletes the key.
//   Set-items apply the same rule item by item, so a list written with the
//   indexes -1, 1, 2, ... replaces the whole list.
// - a null key or value pointer, or an unknown type, is refused.
// - refusals injected per key (optionally per element index) refuse every get
//   and set of that key; the count query is refused only by a whole-key refusal.
// - host calls are logged only once a test starts the log (LogCalls): a host
//   program's store serves any number of pages and keeps no record of them.
// - the host's printer tickets (scope 10) can be read and changed but not
//   created through the record.
#pragma once

#include <climits>
#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "host/host_records.h"

namespace hostkit {

struct Blob {
    std::vector<uint8_t> bytes;
    bool operator==(const Blob& other) const { return bytes == other.bytes; }
};

struct Value32 {
    uint32_t value = 0;
    bool operator==(const Value32& other) const { return value == other.value; }
};

// One element: types 2, 3, 4, 5 and 8 in this order.
using TicketValue = std::variant<int32_t, double, std::string, Blob, Value32>;
uint32_t TypeOf(const TicketValue& value);

struct TicketId {
    uint32_t scope = 0;
    uint32_t id = 0;
    bool operator<(const TicketId& other) const {
        return scope != other.scope ? scope < other.scope : id < other.id;
    }
    bool operator==(const TicketId& other) const { return scope == other.scope && id == other.id; }
};

using Elements = std::vector<TicketValue>;
using TicketKeys = std::map<std::string, Elements>;
using TicketMap = std::map<TicketId, TicketKeys>;

// Which host function a logged call went through.
enum class HostCall { GetValue, GetItems, SetValue, SetItems, GetAttribute, AttributeFallback, Enumerate };

struct LoggedCall {
    HostCall function;
    uint32_t scope = 0;  // the kind for Enumerate; the host ticket id's scope 10 for accessor calls
    uint32_t id = 0;
    std::string key;               // the first item's key for item calls
    uint32_t type = 0;             // the attribute code for GetAttribute
    std::vector<int32_t> indexes;  // one per item for item calls
};

class TicketStore {
public:
    static constexpr int32_t kAnyIndex = INT32_MIN;

    explicit TicketStore(uint32_t jobId = 1);
    TicketStore(const TicketStore&) = delete;
    TicketStore& operator=(const TicketStore&) = delete;

    // The record handed to the plug-in; its host context is this store.
    Ticket* ticket() { return &record_; }
    uint32_t jobId() const { return jobId_; }

    // Whether (scope, id) may hold a ticket in this store.
    bool Accepts(uint32_t scope, uint32_t id) const;

    // Host-side access: no refusals, nothing logged. Throw std::invalid_argument
    // for a (scope, id) that the store does not accept.
    void AddTicket(uint32_t scope, uint32_t id);
    void Set(uint32_t scope, uint32_t id, const std::string& key, TicketValue value);
    void Append(uint32_t scope, uint32_t id, const std::string& key, TicketValue value);
    void SetElements(uint32_t scope, uint32_t id, const std::string& key, Elements elements);
    bool Erase(uint32_t scope, uint32_t id, const std::string& key);
    const Elements* Find(uint32_t scope, uint32_t id, const std::string& key) const;
    const TicketMap& tickets() const { return tickets_; }
    bool operator==(const TicketStore& other) const { return tickets_ == other.tickets_; }

    // Test controls.
    void Refuse(const std::string& key, int32_t index = kAnyIndex);
    void ClearRefusals() { refusals_.clear(); }
    void SetAttribute(uint32_t scope, uint32_t id, uint32_t code, uint64_t value);
    // Installs (or, with an empty function, removes) the optional host function.
    void SetAttributeFallback(std::function<uint64_t(uint32_t scope, uint32_t id, uint64_t argument)> fallback);
    // Starts the log of host calls, empty (again, when it runs).
    void LogCalls() {
        calls_.clear();
        logging_ = true;
    }
    const std::vector<LoggedCall>& calls() const { return calls_; }
    void ClearCalls() { calls_.clear(); }

private:
    friend struct HostFunctions;

    void Require(uint32_t scope, uint32_t id) const;
    bool Refused(const std::string& key, int32_t index) const;
    bool GetOne(uint32_t scope, uint32_t id, const char* key, uint32_t type, void* out, int32_t index);
    bool SetOne(uint32_t scope, uint32_t id, const char* key, uint32_t type, const void* value, int32_t index);

    uint32_t jobId_;
    Ticket record_;
    TicketMap tickets_;
    std::map<std::string, std::set<int32_t>> refusals_;
    std::map<std::pair<TicketId, uint32_t>, uint64_t> attributes_;
    std::function<uint64_t(uint32_t, uint32_t, uint64_t)> fallback_;
    bool logging_ = false;
    std::vector<LoggedCall> calls_;
};

}  // namespace hostkit
