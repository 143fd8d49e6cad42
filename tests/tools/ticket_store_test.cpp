// The host kit's ticket store, driven through the raw host functions of its
// record exactly as a plug-in would call them.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "ticket_store.h"

extern "C" {
size_t HostRecordsC_TicketSize(void);
size_t HostRecordsC_EnumerateOffset(void);
size_t HostRecordsC_FallbackOffset(void);
size_t HostRecordsC_ItemSize(void);
size_t HostRecordsC_ItemSuccessOffset(void);
size_t HostRecordsC_EnumRecordGetItemsOffset(void);
}

namespace {

using hostkit::Blob;
using hostkit::HostCall;
using hostkit::TicketStore;
using hostkit::Value32;

constexpr uint32_t kJob = 42;

struct Host {
    TicketStore store{kJob};
    Ticket* t = store.ticket();

    bool Set(uint32_t scope, uint32_t id, const char* key, uint32_t type, const void* value, int32_t index) {
        return t->SetValue(t->HostContext, scope, id, key, type, value, index) != 0;
    }
    bool Get(uint32_t scope, uint32_t id, const char* key, uint32_t type, void* out, int32_t index) {
        return t->GetValue(t->HostContext, scope, id, key, type, out, index) != 0;
    }
    bool SetInt(const char* key, int32_t v, int32_t index = -1) { return Set(3, kJob, key, 2, &v, index); }
    bool GetInt(const char* key, int32_t& v, int32_t index = -1) { return Get(3, kJob, key, 2, &v, index); }
    std::vector<int32_t> Ints(const char* key) {
        std::vector<int32_t> out;
        for (int32_t i = 0, v = 0; GetInt(key, v, i); ++i) out.push_back(v);
        return out;
    }
    uint32_t Count(const char* key) {
        uint32_t count[2] = {0, 0};
        return Get(3, kJob, key, 6, count, -1) ? count[0] : 0;
    }
};

TEST(HostRecords, CAndCppSeeTheSameLayout) {
    EXPECT_EQ(HostRecordsC_TicketSize(), sizeof(Ticket));
    EXPECT_EQ(HostRecordsC_EnumerateOffset(), offsetof(Ticket, EnumerateTickets));
    EXPECT_EQ(HostRecordsC_FallbackOffset(), offsetof(Ticket, AttributeFallback));
    EXPECT_EQ(HostRecordsC_ItemSize(), sizeof(TicketArrayItem));
    EXPECT_EQ(HostRecordsC_ItemSuccessOffset(), offsetof(TicketArrayItem, Success));
    EXPECT_EQ(HostRecordsC_EnumRecordGetItemsOffset(), offsetof(TicketEnumRecord, GetItems));
}

TEST(TicketStore, StoresAndServesEveryValueType) {
    Host h;
    int32_t i = -7;
    double d = 0.1;
    const char* text = "Poster";
    const uint8_t bytes[] = {0, 0x80, 0xff};
    TicketBlob blob{bytes, sizeof bytes};
    uint32_t u = 0xfeedbeef;
    ASSERT_TRUE(h.Set(3, kJob, "I", 2, &i, -1));
    ASSERT_TRUE(h.Set(3, kJob, "D", 3, &d, -1));
    ASSERT_TRUE(h.Set(3, kJob, "S", 4, text, -1));
    ASSERT_TRUE(h.Set(3, kJob, "B", 5, &blob, -1));
    ASSERT_TRUE(h.Set(3, kJob, "U", 8, &u, -1));

    int32_t gi = 0;
    double gd = 0;
    const char* gs = nullptr;
    TicketBlob gb{nullptr, 0};
    uint32_t gu = 0;
    EXPECT_TRUE(h.Get(3, kJob, "I", 2, &gi, -1));
    EXPECT_TRUE(h.Get(3, kJob, "D", 3, &gd, -1));
    EXPECT_TRUE(h.Get(3, kJob, "S", 4, &gs, -1));
    EXPECT_TRUE(h.Get(3, kJob, "B", 5, &gb, -1));
    EXPECT_TRUE(h.Get(3, kJob, "U", 8, &gu, -1));
    EXPECT_EQ(gi, -7);
    EXPECT_EQ(gd, 0.1);
    EXPECT_STREQ(gs, "Poster");
    ASSERT_EQ(gb.Size, 3u);
    EXPECT_EQ(std::memcmp(gb.Data, bytes, 3), 0);
    EXPECT_EQ(gu, 0xfeedbeefu);

    // type 0 answers the stored type; a different type is refused, not converted
    uint32_t type = 0;
    EXPECT_TRUE(h.Get(3, kJob, "S", 0, &type, -1));
    EXPECT_EQ(type, 4u);
    EXPECT_FALSE(h.Get(3, kJob, "I", 3, &gd, -1));
    EXPECT_FALSE(h.Get(3, kJob, "D", 2, &gi, -1));
    EXPECT_EQ(h.Count("I"), 1u);
}

TEST(TicketStore, RefusesBadArgumentsAndForeignScopes) {
    Host h;
    int32_t v = 1;
    EXPECT_FALSE(h.Set(3, kJob, nullptr, 2, &v, -1));
    EXPECT_FALSE(h.Set(3, kJob, "K", 2, nullptr, -1));
    EXPECT_FALSE(h.Set(3, kJob, "K", 4, nullptr, -1));
    EXPECT_FALSE(h.Set(3, kJob, "K", 6, &v, -1));
    EXPECT_FALSE(h.Set(3, kJob, "K", 9, &v, -1));
    TicketBlob broken{nullptr, 4};
    EXPECT_FALSE(h.Set(3, kJob, "K", 5, &broken, -1));
    EXPECT_FALSE(h.Set(0, 1, "System/X", 2, &v, -1));    // system ticket has id 0
    EXPECT_FALSE(h.Set(3, kJob + 1, "K", 2, &v, -1));   // another job
    EXPECT_FALSE(h.Set(7, 0, "K", 2, &v, -1));          // unknown scope
    EXPECT_FALSE(h.Set(10, 5, "K", 2, &v, -1));         // host printers are not created through the record
    EXPECT_TRUE(h.Set(0, 0, "System/X", 2, &v, -1));
    EXPECT_TRUE(h.Set(5, 700, "K", 2, &v, -1));
    EXPECT_FALSE(h.Get(3, kJob, "K", 2, nullptr, -1));
    EXPECT_FALSE(h.Get(3, kJob, "Missing", 2, &v, -1));
}

TEST(TicketStore, ElementIndexesAppendReplaceAndDelete) {
    Host h;
    EXPECT_TRUE(h.SetInt("L", 1, -2));  // append creates the key
    EXPECT_TRUE(h.SetInt("L", 2, -2));
    EXPECT_TRUE(h.SetInt("L", 3, 2));   // index == count appends
    EXPECT_FALSE(h.SetInt("L", 9, 5));  // a gap is refused
    EXPECT_TRUE(h.SetInt("L", 20, 1));  // replace element 1
    EXPECT_EQ(h.Ints("L"), (std::vector<int32_t>{1, 20, 3}));
    EXPECT_EQ(h.Count("L"), 3u);
    int32_t first = 0;
    EXPECT_TRUE(h.GetInt("L", first, -1));  // -1 reads element 0
    EXPECT_EQ(first, 1);

    EXPECT_TRUE(h.Set(3, kJob, "L", 0, nullptr, 1));  // delete one element
    EXPECT_EQ(h.Ints("L"), (std::vector<int32_t>{1, 3}));
    EXPECT_FALSE(h.Set(3, kJob, "L", 0, nullptr, 2));
    EXPECT_TRUE(h.SetInt("L", 5, -1));  // -1 replaces the whole list
    EXPECT_EQ(h.Ints("L"), (std::vector<int32_t>{5}));
    EXPECT_TRUE(h.Set(3, kJob, "L", 0, nullptr, 0));  // the last element takes the key with it
    EXPECT_EQ(h.store.Find(3, kJob, "L"), nullptr);
    EXPECT_FALSE(h.Set(3, kJob, "L", 0, nullptr, -1));
}

TEST(TicketStore, ItemCallsServeEachItemAndReplaceWholeLists) {
    Host h;
    h.store.SetElements(3, kJob, "L", {1, 2, 3, 4, 5});
    int32_t values[3] = {10, 20, 30};
    TicketArrayItem items[4] = {};
    for (int i = 0; i < 3; ++i) items[i] = TicketArrayItem{"L", 2, 0, &values[i], i == 0 ? -1 : i, 0, {}};
    h.t->SetItems(h.t->HostContext, 3, kJob, items);
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(items[i].Success) << i;
    EXPECT_EQ(h.Ints("L"), (std::vector<int32_t>{10, 20, 30}));

    h.store.Refuse("L", 1);
    int32_t out[3] = {};
    TicketArrayItem gets[4] = {};
    for (int i = 0; i < 3; ++i) gets[i] = TicketArrayItem{"L", 2, 0, &out[i], i, 0, {}};
    h.t->GetItems(h.t->HostContext, 3, kJob, gets);
    EXPECT_TRUE(gets[0].Success);
    EXPECT_FALSE(gets[1].Success);
    EXPECT_TRUE(gets[2].Success);
    EXPECT_EQ(out[0], 10);
    EXPECT_EQ(out[2], 30);
    // an element refusal leaves the count query served; a whole-key refusal does not
    EXPECT_EQ(h.Count("L"), 3u);
    h.store.Refuse("L");
    EXPECT_EQ(h.Count("L"), 0u);
    int32_t v = 1;
    EXPECT_FALSE(h.SetInt("L", v));
    h.store.ClearRefusals();
    h.store.LogCalls();
    EXPECT_TRUE(h.SetInt("L", v));

    ASSERT_EQ(h.store.calls().size(), 1u) << "calls are logged only once a test starts the log";
    const auto& last = h.store.calls().back();
    EXPECT_EQ(last.function, HostCall::SetValue);
    EXPECT_EQ(last.key, "L");
}

TEST(TicketStore, EnumeratesHostPrinterTicketsUntilTheCallbackStops) {
    TicketStore store;
    store.Set(10, 3, "Output/Prn/Info/Manufacturer/ManufacturerID", 21);
    store.Set(10, 8, "Output/Prn/Info/Manufacturer/ManufacturerID", 24);
    store.AddTicket(10, 9);
    store.Set(5, 700, "Other", 1);

    struct Seen {
        std::vector<uint32_t> ids;
        std::vector<int32_t> makers;
        size_t stopAfter = 99;
    } seen;
    auto callback = [](void* context, void*, uint32_t id, const TicketEnumRecord* accessor) -> TicketBool {
        Seen* s = static_cast<Seen*>(context);
        s->ids.push_back(id);
        int32_t maker = -1;
        if (accessor->GetValue(accessor->HostContext, "Output/Prn/Info/Manufacturer/ManufacturerID", 2, &maker, -1)) {
            s->makers.push_back(maker);
        }
        return s->ids.size() < s->stopAfter;
    };
    Ticket* t = store.ticket();
    t->EnumerateTickets(t->HostContext, callback, &seen, 10);
    EXPECT_EQ(seen.ids, (std::vector<uint32_t>{3, 8, 9}));
    EXPECT_EQ(seen.makers, (std::vector<int32_t>{21, 24}));

    seen = Seen{};
    seen.stopAfter = 1;
    t->EnumerateTickets(t->HostContext, callback, &seen, 10);
    EXPECT_EQ(seen.ids, (std::vector<uint32_t>{3}));

    seen = Seen{};
    t->EnumerateTickets(t->HostContext, callback, &seen, 11);  // no tickets of other kinds
    EXPECT_TRUE(seen.ids.empty());
}

TEST(TicketStore, EqualityComparesEveryTicketKeyAndElement) {
    TicketStore a, b;
    a.Set(0, 0, "K", 1);
    b.Set(0, 0, "K", 1);
    EXPECT_TRUE(a == b);
    b.Append(0, 0, "K", 2);
    EXPECT_FALSE(a == b);
    b.Set(0, 0, "K", 1.0);  // same number, other type
    EXPECT_FALSE(a == b);
    b.Set(0, 0, "K", 1);
    b.AddTicket(5, 1);  // an empty ticket still counts
    EXPECT_FALSE(a == b);
    EXPECT_THROW(a.Set(3, 99, "K", 1), std::invalid_argument);
    EXPECT_THROW(a.Set(7, 0, "K", Blob{}), std::invalid_argument);
    a.Set(5, 1, "V", Value32{3});
    EXPECT_EQ(hostkit::TypeOf(a.Find(5, 1, "V")->front()), 8u);
}

}  // namespace
