// Typed ticket access against the host kit's store.
#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "base/format.h"
#include "host/job_ticket.h"
#include "host/ticket.h"
#include "ticket_store.h"
#include "ticket_text.h"

namespace {

using hostkit::Elements;
using hostkit::HostCall;
using hostkit::TicketStore;

constexpr uint32_t kJob = 42;

struct TicketTest : ::testing::Test {
    TicketTest() { store.LogCalls(); }
    TicketStore store{kJob};
    const Ticket* t = store.ticket();

    void Load(const char* text) { hostkit::ReadTicketText(text, store); }
    size_t Calls(HostCall function) const {
        size_t n = 0;
        for (const auto& call : store.calls()) n += call.function == function;
        return n;
    }
};

TEST_F(TicketTest, NullTicketGivesDefaultsAndTouchesNoOutput) {
    const Ticket* none = nullptr;
    std::string s = "keep";
    std::vector<int32_t> ints = {1};
    std::vector<std::string> strings = {"keep"};
    std::set<std::string> set;
    int32_t dest[2] = {5, 6};
    double d = 3.5;
    EXPECT_EQ(GetTicketInt(none, 3, kJob, "K", 17), 17);
    EXPECT_TRUE(GetTicketBool(none, 3, kJob, "K", true));
    EXPECT_EQ(GetTicketDouble(none, 3, kJob, "K", 2.5), 2.5);
    EXPECT_FALSE(GetTicketDoubleAt(none, 3, kJob, "K", &d, 0));
    EXPECT_EQ(GetTicketValue32(none, 3, kJob, "K", 9u), 9u);
    GetTicketString(none, s, 3, kJob, "K", "def");
    EXPECT_EQ(s, "def");
    EXPECT_EQ(GetTicketIntOrString(none, kJob, "K", 4), 4);
    EXPECT_FALSE(Ticket_GetIntArray(none, 3, kJob, "K", ints));
    EXPECT_FALSE(Ticket_GetStringArray(none, 3, kJob, "K", strings));
    EXPECT_FALSE(Ticket_GetIntArrayN(none, 3, kJob, "K", dest, 2));
    EXPECT_FALSE(Ticket_GetIntArrayUnscoped(nullptr, "K", ints));
    EXPECT_FALSE(Ticket_SetIntArray(none, 3, kJob, "K", {1}));
    EXPECT_FALSE(Ticket_SetStringArray(none, 3, kJob, "K", {}));
    EXPECT_EQ(FindTicketStringIndex(none, 3, kJob, "K", "a"), -1);
    EXPECT_FALSE(ReadTicketStringSet(none, 3, kJob, "K", set, true));
    EXPECT_EQ(Ticket_GetAttribute(none, 5, 0, 0), 0u);
    EXPECT_EQ(d, 3.5);
    EXPECT_EQ(ints, std::vector<int32_t>{1});
    EXPECT_EQ(strings, std::vector<std::string>{"keep"});
    EXPECT_EQ(dest[0], 5);
}

TEST_F(TicketTest, ScalarGettersReadTheirTypeOrFallBack) {
    Load("[system]\nSystem/OEMID = 5\n"
         "[job]\nModel = 700\nFlag = 2\nOff = 0\nRes = 720.5\nTitle = \"Poster\"\nEmpty = \"\"\n"
         "Flags[] = 0\nFlags[] = 1\nHeights[] = 1.5\nHeights[] = 2.5\n");
    EXPECT_EQ(GetTicketInt(t, 0, 0, "System/OEMID", -1), 5);
    EXPECT_EQ(GetTicketInt(t, 3, kJob, "Model", -1), 700);
    EXPECT_EQ(GetTicketInt(t, 3, kJob, "Missing", -1), -1);
    EXPECT_EQ(GetTicketInt(t, 3, kJob, "Res", -1), -1);    // a double is not an integer
    EXPECT_EQ(GetTicketInt(t, 3, kJob + 1, "Model", -1), -1);
    EXPECT_TRUE(GetTicketBool(t, 3, kJob, "Flag", false));
    EXPECT_FALSE(GetTicketBool(t, 3, kJob, "Off", true));
    EXPECT_TRUE(GetTicketBool(t, 3, kJob, "Missing", true));
    EXPECT_FALSE(GetTicketBoolAt(t, 3, kJob, 0, "Flags", true));
    EXPECT_TRUE(GetTicketBoolAt(t, 3, kJob, 1, "Flags", false));
    EXPECT_TRUE(GetTicketBoolAt(t, 3, kJob, 2, "Flags", true));
    EXPECT_EQ(GetTicketDouble(t, 3, kJob, "Res", 0.0), 720.5);
    EXPECT_EQ(GetTicketDouble(t, 3, kJob, "Model", 1.25), 1.25);
    double d = -1;
    EXPECT_TRUE(GetTicketDoubleAt(t, 3, kJob, "Heights", &d, 1));
    EXPECT_EQ(d, 2.5);
    EXPECT_FALSE(GetTicketDoubleAt(t, 3, kJob, "Heights", &d, 2));
    EXPECT_EQ(d, 2.5);

    std::string s;
    GetTicketString(t, s, 3, kJob, "Title", "def");
    EXPECT_EQ(s, "Poster");
    GetTicketString(t, s, 3, kJob, "Empty", "def");
    EXPECT_EQ(s, "");
    GetTicketString(t, s, 3, kJob, "Missing", "def");
    EXPECT_EQ(s, "def");
}

TEST_F(TicketTest, Value32AndBlobValues) {
    const uint8_t bytes[] = {1, 0, 2};
    store.Set(3, kJob, "User/JobAccountID", hostkit::Value32{0x80000001u});
    store.Set(3, kJob, "Blob", hostkit::Blob{{bytes, bytes + 3}});
    EXPECT_EQ(GetTicketValue32(t, 3, kJob, "User/JobAccountID", 0), 0x80000001u);
    EXPECT_EQ(GetTicketValue32(t, 3, kJob, "Missing", 7), 7u);
    TicketBlob out{nullptr, 0};
    GetTicketBlob(t, &out, 3, kJob, "Blob", nullptr);
    ASSERT_EQ(out.Size, 3u);
    EXPECT_EQ(std::memcmp(out.Data, bytes, 3), 0);
    const TicketBlob def{"abc", 3};
    GetTicketBlob(t, &out, 3, kJob, "Missing", &def);
    EXPECT_EQ(out.Data, def.Data);
    EXPECT_EQ(out.Size, 3u);
    GetTicketBlob(t, &out, 3, kJob, "Missing", nullptr);
    EXPECT_EQ(out.Size, 0u);
}

TEST_F(TicketTest, StringElementReadEmptiesTheOutputOnRefusal) {
    Load("[job]\nNames[] = \"a\"\nNames[] = \"\"\n");
    std::string s = "old";
    EXPECT_TRUE(Ticket_GetString(t, 3, kJob, "Names", s, 0));
    EXPECT_EQ(s, "a");
    EXPECT_TRUE(Ticket_GetString(t, 3, kJob, "Names", s, 1));
    EXPECT_EQ(s, "");
    s = "old";
    EXPECT_FALSE(Ticket_GetString(t, 3, kJob, "Names", s, 2));
    EXPECT_EQ(s, "");
}

TEST_F(TicketTest, IntOrStringReadsDecimalTextsAndIntegers) {
    Load("[job]\nA = \"12\"\nB = \"\"\nC = \"abc\"\nD = 34\nE = \" -7x\"\nF = \"99999999999\"\nG = 1.5\n");
    EXPECT_EQ(GetTicketIntOrString(t, kJob, "A", -1), 12);
    EXPECT_EQ(GetTicketIntOrString(t, kJob, "B", -1), -1);
    EXPECT_EQ(GetTicketIntOrString(t, kJob, "C", -1), 0);
    EXPECT_EQ(GetTicketIntOrString(t, kJob, "D", -1), 34);
    EXPECT_EQ(GetTicketIntOrString(t, kJob, "E", -1), -7);
    EXPECT_EQ(GetTicketIntOrString(t, kJob, "F", -1), INT32_MAX);  // clamped, not wrapped
    EXPECT_EQ(GetTicketIntOrString(t, kJob, "G", -1), -1);
    EXPECT_EQ(GetTicketIntOrString(t, kJob, "Missing", -1), -1);
}

TEST_F(TicketTest, ListReadsLeaveTheOutputAloneWhenTheListIsMissing) {
    store.AddTicket(3, kJob);
    std::vector<int32_t> ints = {9, 8};
    std::vector<double> doubles = {1.5};
    std::vector<std::string> strings = {"keep"};
    EXPECT_FALSE(Ticket_GetIntArray(t, 3, kJob, "Missing", ints));
    EXPECT_FALSE(Ticket_GetDoubleArray(t, 3, kJob, "Missing", doubles));
    EXPECT_FALSE(Ticket_GetStringArray(t, 3, kJob, "Missing", strings));
    EXPECT_EQ(ints, (std::vector<int32_t>{9, 8}));
    EXPECT_EQ(doubles, std::vector<double>{1.5});
    EXPECT_EQ(strings, std::vector<std::string>{"keep"});
    store.Refuse("Counted");
    store.Set(3, kJob, "Counted", 1);
    EXPECT_FALSE(Ticket_GetIntArray(t, 3, kJob, "Counted", ints));
    EXPECT_EQ(ints, (std::vector<int32_t>{9, 8}));
}

TEST_F(TicketTest, ListReadsDropRefusedElementsAndKeepTheOrder) {
    Load("[job]\nL[] = 10\nL[] = 20\nL[] = 30\nL[] = 40\nL[] = 50\n"
         "D[] = 0.5\nD[] = 1.5\nS[] = \"x\"\nS[] = \"y\"\nS[] = \"z\"\n");
    store.Refuse("L", 2);
    store.Refuse("S", 0);
    store.ClearCalls();
    std::vector<int32_t> ints = {1, 2, 3, 4, 5, 6, 7};
    EXPECT_TRUE(Ticket_GetIntArray(t, 3, kJob, "L", ints));
    EXPECT_EQ(ints, (std::vector<int32_t>{10, 20, 40, 50}));
    // Count query, one items call, and the refused element asked for its type.
    EXPECT_EQ(store.calls().size(), 3u);
    EXPECT_EQ(store.calls()[1].indexes, (std::vector<int32_t>{0, 1, 2, 3, 4}));

    std::vector<double> doubles;
    EXPECT_TRUE(Ticket_GetDoubleArray(t, 3, kJob, "D", doubles));
    EXPECT_EQ(doubles, (std::vector<double>{0.5, 1.5}));
    std::vector<std::string> strings;
    EXPECT_TRUE(Ticket_GetStringArray(t, 3, kJob, "S", strings));
    EXPECT_EQ(strings, (std::vector<std::string>{"y", "z"}));

    store.Refuse("L", 0);
    store.Refuse("L", 1);
    store.Refuse("L", 3);
    store.Refuse("L", 4);
    EXPECT_FALSE(Ticket_GetIntArray(t, 3, kJob, "L", ints));  // nothing served
    EXPECT_TRUE(ints.empty());
}

// One rule for every list, whichever reader takes it: a number of the other
// numeric type that the list's type holds exactly is read as that value; any
// other element refuses the whole list, which reads as missing (the output as
// it was: -9 or "-"), and is named with its index and type.
TEST_F(TicketTest, ListElementsOfAnotherTypeNeverShiftTheOthers) {
    enum class Reader { Ints, Reals, Texts, Lookup86, Switches, IntsN, ElementsOr1 };  // IntsN: into places of -9
    const std::string x = "x";
    const struct {
        Reader reader;
        Elements elements;
        std::string read;  // what the reader gives
        int32_t index;     // the element that refuses the list, -1 for none
        uint32_t stored;
    } cases[] = {
        {Reader::Reals, {40.0, 35, 20.5}, "40 35 20.5", -1, 0},
        {Reader::Ints, {86.0, 7, -0.0}, "86 7 0", -1, 0},
        {Reader::Ints, {1, 2.5}, "-9", 1, TICKET_TYPE_DOUBLE},
        {Reader::Ints, {3e9, 1}, "-9", 0, TICKET_TYPE_DOUBLE},
        {Reader::Reals, {x, 1.5}, "-9", 0, TICKET_TYPE_STRING},
        {Reader::Reals, {1.5, x}, "-9", 1, TICKET_TYPE_STRING},
        {Reader::Texts, {x, 7}, "-", 1, TICKET_TYPE_INT32},
        {Reader::Texts, {7.0, x}, "-", 0, TICKET_TYPE_DOUBLE},
        {Reader::Lookup86, {7, 86.0}, "1", -1, 0},
        {Reader::Lookup86, {std::string("86"), 86}, "-1", 0, TICKET_TYPE_STRING},
        {Reader::Lookup86, {86, x}, "-1", 1, TICKET_TYPE_STRING},  // after the value too
        {Reader::Switches, {1, 1.0, 0.0}, "1 1 0", -1, 0},
        {Reader::Switches, {0.5, 1}, "0 1", 0, TICKET_TYPE_DOUBLE},
        {Reader::IntsN, {9000, 8000.0, 7000, 6000}, "9000 8000 7000 6000", -1, 0},
        {Reader::IntsN, {9000, 80.5}, "-9 -9", 1, TICKET_TYPE_DOUBLE},
        {Reader::ElementsOr1, {0, 3.0}, "0 3", -1, 0},
    };
    for (size_t row = 0; row < std::size(cases); ++row) {
        const auto& c = cases[row];
        SCOPED_TRACE(row);
        store.SetElements(3, kJob, "L", c.elements);
        TicketListMismatch mismatch;
        std::vector<int32_t> ints = {-9};
        std::vector<double> reals = {-9.0};
        std::vector<std::string> texts = {"-"};
        std::string read;
        const auto add = [&read](const std::string& v) { read += (read.empty() ? "" : " ") + v; };
        switch (c.reader) {
        case Reader::Ints:
            Ticket_GetIntArray(t, 3, kJob, "L", ints, &mismatch);
            for (int32_t v : ints) add(std::to_string(v));
            break;
        case Reader::Reals:
            Ticket_GetDoubleArray(t, 3, kJob, "L", reals, &mismatch);
            for (double v : reals) add(StringF("%g", v));
            break;
        case Reader::Texts:
            Ticket_GetStringArray(t, 3, kJob, "L", texts, &mismatch);
            for (const std::string& v : texts) add(v);
            break;
        case Reader::Lookup86: add(std::to_string(FindTicketIntIndex(t, 3, kJob, "L", 86, &mismatch))); break;
        case Reader::Switches:
            for (size_t i = 0; i < c.elements.size(); ++i) {
                add(GetTicketBoolAt(t, 3, kJob, int32_t(i), "L", false, &mismatch) ? "1" : "0");
            }
            break;
        case Reader::IntsN:
            ints.assign(c.elements.size(), -9);
            Ticket_GetIntArrayN(t, 3, kJob, "L", ints.data(), ints.size(), &mismatch);
            for (int32_t v : ints) add(std::to_string(v));
            break;
        case Reader::ElementsOr1:
            for (size_t i = 0; i < c.elements.size(); ++i) {
                add(std::to_string(GetTicketIntAt(t, 3, kJob, "L", int32_t(i), 1, &mismatch)));
            }
            break;
        }
        EXPECT_EQ(read, c.read);
        EXPECT_EQ(mismatch.index, c.index);
        EXPECT_EQ(mismatch.storedType, c.stored);
    }
}

// A host that serves the element 1 of every string list as a null text.
void GetItemsWithNullText(void* context, uint32_t scope, uint32_t id, TicketArrayItem* items) {
    TicketStore* store = static_cast<TicketStore*>(context);
    store->ticket()->GetItems(context, scope, id, items);
    if (items[0].Key && items[1].Key && items[1].Type == TICKET_TYPE_STRING) {
        *static_cast<const char**>(items[1].Value) = nullptr;
    }
}

TEST_F(TicketTest, StringListLosesElementsServedAsNullText) {
    Load("[job]\nS[] = \"a\"\nS[] = \"b\"\nS[] = \"c\"\n");
    Ticket copy = *store.ticket();  // a copy of the record reaches the same host
    copy.GetItems = &GetItemsWithNullText;
    std::vector<std::string> strings;
    EXPECT_TRUE(Ticket_GetStringArray(&copy, 3, kJob, "S", strings));
    EXPECT_EQ(strings, (std::vector<std::string>{"a", "c"}));
    std::vector<const char*> items;
    EXPECT_TRUE(Ticket_GetStringItems(&copy, 3, kJob, "S", items));
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[1], nullptr);
}

// A host that answers every string read as served, with a null text.
TicketBool GetStringAsNullText(void*, uint32_t, uint32_t, const char*, uint32_t type, void* out, int32_t) {
    if (type != TICKET_TYPE_STRING) return 0;
    *static_cast<const char**>(out) = nullptr;
    return 1;
}

TEST_F(TicketTest, StringServedAsNullTextReadsAsEmpty) {
    Ticket copy = *store.ticket();
    copy.GetValue = &GetStringAsNullText;
    std::string out = "before";
    GetTicketString(&copy, out, 3, kJob, "S", "default");
    EXPECT_EQ(out, "");
    out = "before";
    EXPECT_TRUE(Ticket_GetString(&copy, 3, kJob, "S", out, TICKET_INDEX_SCALAR));
    EXPECT_EQ(out, "");
}

TEST_F(TicketTest, FixedCountReadNeedsEveryItem) {
    Load("[job]\nL[] = 1\nL[] = 2\nL[] = 3\n");
    int32_t dest[3] = {0, 0, 0};
    EXPECT_TRUE(Ticket_GetIntArrayN(t, 3, kJob, "L", dest, 3));
    EXPECT_EQ(dest[2], 3);
    int32_t more[4] = {0, 0, 0, -5};
    EXPECT_FALSE(Ticket_GetIntArrayN(t, 3, kJob, "L", more, 4));
    EXPECT_EQ(more[3], -5);
    store.ClearCalls();
    EXPECT_FALSE(Ticket_GetIntArrayN(t, 3, kJob, "L", dest, 0));
    EXPECT_FALSE(Ticket_GetIntArrayN(t, 3, kJob, "L", nullptr, 3));
    EXPECT_TRUE(store.calls().empty());
}

TEST_F(TicketTest, UnscopedListReadThroughTheEnumerationAccessor) {
    Load("[host-printer 3]\nOutput/Prn/Info/Manufacturer/PrnID[] = 700\nOutput/Prn/Info/Manufacturer/PrnID[] = 701\n"
         "[host-printer 5]\nOther = 1\n");
    struct Collected {
        std::vector<std::vector<int32_t>> lists;
        std::vector<bool> results;
    } collected;
    auto callback = [](void* context, void*, uint32_t, const TicketEnumRecord* accessor) -> TicketBool {
        Collected* c = static_cast<Collected*>(context);
        std::vector<int32_t> ids;
        c->results.push_back(Ticket_GetIntArrayUnscoped(accessor, "Output/Prn/Info/Manufacturer/PrnID", ids));
        c->lists.push_back(ids);
        return 1;
    };
    t->EnumerateTickets(t->HostContext, callback, &collected, TICKET_KIND_HOST_PRINTERS);
    ASSERT_EQ(collected.lists.size(), 2u);
    EXPECT_EQ(collected.lists[0], (std::vector<int32_t>{700, 701}));
    EXPECT_TRUE(collected.lists[1].empty());
    EXPECT_EQ(collected.results, (std::vector<bool>{true, false}));
}

TEST_F(TicketTest, ListWritesSendTheWholeListWithIndexesMinusOneThenOneTwo) {
    Load("[job]\nL[] = 9\nL[] = 9\nL[] = 9\nL[] = 9\n");
    store.ClearCalls();
    EXPECT_TRUE(Ticket_SetIntArray(t, 3, kJob, "L", {5, 6}));
    ASSERT_EQ(store.calls().size(), 1u);
    EXPECT_EQ(store.calls()[0].function, HostCall::SetItems);
    EXPECT_EQ(store.calls()[0].indexes, (std::vector<int32_t>{-1, 1}));
    EXPECT_EQ(*store.Find(3, kJob, "L"), (Elements{5, 6}));  // the longer old list is gone

    EXPECT_TRUE(Ticket_SetDoubleArray(t, 5, 700, "D", {0.25, 1e300, -2.0}));
    EXPECT_EQ(*store.Find(5, 700, "D"), (Elements{0.25, 1e300, -2.0}));
    EXPECT_TRUE(Ticket_SetStringArray(t, 5, 700, "S", {"WHITE_INK", "", "METALLIC_INK"}));
    std::vector<std::string> back;
    EXPECT_TRUE(Ticket_GetStringArray(t, 5, 700, "S", back));
    EXPECT_EQ(back, (std::vector<std::string>{"WHITE_INK", "", "METALLIC_INK"}));
    const int32_t raw[] = {1, 2, 3};
    EXPECT_TRUE(Ticket_SetIntArrayN(t, 0, 0, "N", raw, 3));
    EXPECT_EQ(*store.Find(0, 0, "N"), (Elements{1, 2, 3}));
    EXPECT_FALSE(Ticket_SetIntArrayN(t, 0, 0, "N", nullptr, 3));
}

TEST_F(TicketTest, EmptyListWriteDeletesTheKeyAndReportsSuccess) {
    Load("[job]\nL[] = 1\nL[] = 2\n");
    EXPECT_TRUE(Ticket_SetIntArray(t, 3, kJob, "L", {}));
    EXPECT_EQ(store.Find(3, kJob, "L"), nullptr);
    EXPECT_TRUE(Ticket_SetStringArray(t, 3, kJob, "NeverThere", {}));
    EXPECT_TRUE(Ticket_SetDoubleArray(t, 3, kJob, "NeverThere", {}));
    EXPECT_TRUE(Ticket_SetIntArrayN(t, 3, kJob, "NeverThere", nullptr, 0));
    EXPECT_EQ(store.calls().back().function, HostCall::SetValue);
    EXPECT_EQ(store.calls().back().type, 0u);
}

TEST_F(TicketTest, ListWriteFailsWhenTheHostRefusesAnItem) {
    store.Refuse("L", 2);
    EXPECT_FALSE(Ticket_SetIntArray(t, 3, kJob, "L", {1, 2, 3}));
    const std::vector<const char*> withNull = {"a", nullptr};
    EXPECT_FALSE(Ticket_SetCStringArray(t, 3, kJob, "S", withNull));
}

TEST_F(TicketTest, LookupsFindTheFirstEqualElement) {
    Load("[job]\nL[] = 7\nL[] = 3\nL[] = 3\nS[] = \"WHITE\"\nS[] = \"WHITE_INK\"\nS[] = \"WHITE_INK\"\n");
    EXPECT_EQ(FindTicketIntIndex(t, 3, kJob, "L", 3), 1);
    EXPECT_EQ(FindTicketIntIndex(t, 3, kJob, "L", 7), 0);
    EXPECT_EQ(FindTicketIntIndex(t, 3, kJob, "L", 4), -1);
    EXPECT_EQ(FindTicketIntIndex(t, 3, kJob, "Missing", 3), -1);
    EXPECT_EQ(FindTicketStringIndex(t, 3, kJob, "S", "WHITE_INK"), 1);
    EXPECT_EQ(FindTicketStringIndex(t, 3, kJob, "S", "WHITE_IN"), -1);
    store.Refuse("L", 1);  // the first refused read ends the search
    EXPECT_EQ(FindTicketIntIndex(t, 3, kJob, "L", 3), -1);
    // A message list passes over elements that are no texts.
    Load("[job]\nM[] = 7\nM[] = \"a\"\nM[] = 2.5\nM[] = \"b\"\n");
    EXPECT_EQ(FindTicketStringIndex(t, 3, kJob, "M", "b"), -1);
    EXPECT_EQ(FindTicketTextIndex(t, 3, kJob, "M", "b"), 3);
    EXPECT_EQ(FindTicketTextIndex(t, 3, kJob, "M", "a"), 1);
    EXPECT_EQ(FindTicketTextIndex(t, 3, kJob, "M", "a", 2), -1);
    EXPECT_EQ(FindTicketTextIndex(t, 3, kJob, "M", "c"), -1);
}

TEST_F(TicketTest, StringSetCollapsesEqualTextsAndClearsOnlyWhenAsked) {
    Load("[system]\nMods[] = \"b\"\nMods[] = \"a\"\nMods[] = \"b\"\n");
    std::set<std::string> values = {"old"};
    EXPECT_TRUE(ReadTicketStringSet(t, 0, 0, "Mods", values, false));
    EXPECT_EQ(values, (std::set<std::string>{"a", "b", "old"}));
    EXPECT_TRUE(ReadTicketStringSet(t, 0, 0, "Mods", values, true));
    EXPECT_EQ(values, (std::set<std::string>{"a", "b"}));
    EXPECT_FALSE(ReadTicketStringSet(t, 0, 0, "Missing", values, true));
    EXPECT_TRUE(values.empty());
}

TEST_F(TicketTest, AttributeFallsBackToTheOptionalHostFunction) {
    store.SetAttribute(5, 0, 102, 11);
    EXPECT_EQ(Ticket_GetAttribute(t, 5, 0, 99), 11u);
    EXPECT_EQ(Ticket_GetAttribute(t, 5, 1, 99), 0u);  // refused, no fallback
    std::vector<uint64_t> seen;
    store.SetAttributeFallback([&seen](uint32_t scope, uint32_t id, uint64_t argument) {
        seen = {scope, id, argument};
        return uint64_t{123};
    });
    EXPECT_EQ(Ticket_GetAttribute(t, 5, 1, 99), 123u);
    EXPECT_EQ(seen, (std::vector<uint64_t>{5, 1, 99}));
    EXPECT_EQ(Ticket_GetAttribute(t, 5, 0, 99), 11u);
}

TEST_F(TicketTest, SpotColorsNeedOneElement) {
    EXPECT_FALSE(TicketHasSpotColors(t, kJob));
    Load("[job]\nOutput/Prn/Info/Color/SpotColors[] = \"WHITE_INK\"\n");
    EXPECT_TRUE(TicketHasSpotColors(t, kJob));
}

TEST_F(TicketTest, RecordTestNeedsSizeVersionContextAndTenFunctions) {
    EXPECT_TRUE(IsValidTicketRecord(t));
    Ticket copy = *t;
    copy.Version = 0;
    EXPECT_FALSE(IsValidTicketRecord(&copy));
    copy = *t;
    copy.Size = 624;
    EXPECT_FALSE(IsValidTicketRecord(&copy));
    copy = *t;
    copy.HostFunction54 = nullptr;
    EXPECT_FALSE(IsValidTicketRecord(&copy));
    copy = *t;
    copy.HostContext = nullptr;
    EXPECT_FALSE(IsValidTicketRecord(&copy));
    copy = *t;
    copy.AttributeFallback = nullptr;  // optional
    EXPECT_TRUE(IsValidTicketRecord(&copy));
}

TEST_F(TicketTest, MissingHostFunctionsCountAsRefusals) {
    Load("[job]\nK = 1\nL[] = 1\n");
    Ticket copy = *t;
    copy.GetValue = nullptr;
    copy.GetItems = nullptr;
    copy.SetItems = nullptr;
    copy.SetValue = nullptr;
    std::vector<int32_t> ints = {4};
    EXPECT_EQ(GetTicketInt(&copy, 3, kJob, "K", -1), -1);
    EXPECT_FALSE(Ticket_GetIntArray(&copy, 3, kJob, "L", ints));
    EXPECT_EQ(ints, std::vector<int32_t>{4});
    EXPECT_FALSE(Ticket_SetIntArray(&copy, 3, kJob, "L", {1}));
    EXPECT_FALSE(Ticket_SetIntArray(&copy, 3, kJob, "L", {}));
    EXPECT_EQ(*store.Find(3, kJob, "L"), Elements{1});
}

}  // namespace
