// The ticket text form: reading, writing, round trips and errors.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <climits>
#include <cstdio>
#include <string>

#include "base/text_error.h"
#include "ticket_text.h"

namespace {

using hostkit::Blob;
using hostkit::Elements;
using hostkit::ReadTicketText;
using hostkit::TicketStore;
using hostkit::Value32;
using hostkit::WriteTicketText;

std::string ErrorOf(const std::string& text) {
    TicketStore store;
    try {
        ReadTicketText(text, store);
    } catch (const TextError& e) {
        return e.what();
    }
    return "no error";
}

TEST(TicketText, ReadsSectionsTypesListsAndComments) {
    TicketStore store(42);
    ReadTicketText(
        "# a job\n"
        "[system]\n"
        "System/OEMID = 5   # trailing comment\n"
        "\n"
        "[job]\r\n"
        "  Output/Prn/Printer/Model=700\n"
        "Output/Prn/Printer/ResolutionX = 720.0\n"
        "Scale = 1e2\n"
        "Input/Title = \"A \\\"B\\\" # not a comment\\n\\x41\\101\\t\"\n"
        "Process/InfoMessage[] = \"one\"\n"
        "Process/InfoMessage [] = \"two\"\n"
        "[printer 700]\n"
        "Output/Prn/Info/Option/ID[] = -3\n"
        "[host-printer 4294967295]\n",
        store);
    EXPECT_EQ(*store.Find(0, 0, "System/OEMID"), Elements{5});
    EXPECT_EQ(*store.Find(3, 42, "Output/Prn/Printer/Model"), Elements{700});
    EXPECT_EQ(*store.Find(3, 42, "Output/Prn/Printer/ResolutionX"), Elements{720.0});
    EXPECT_EQ(*store.Find(3, 42, "Scale"), Elements{100.0});
    EXPECT_EQ(*store.Find(3, 42, "Input/Title"), Elements{std::string("A \"B\" # not a comment\nAA\t")});
    EXPECT_EQ(*store.Find(3, 42, "Process/InfoMessage"), (Elements{std::string("one"), std::string("two")}));
    EXPECT_EQ(*store.Find(5, 700, "Output/Prn/Info/Option/ID"), Elements{-3});
    EXPECT_EQ(store.tickets().count(hostkit::TicketId{10, 4294967295u}), 1u);
}

TEST(TicketText, AScalarLineReplacesAndAListLineAppends) {
    TicketStore store;
    store.Set(3, 1, "Untouched", 9);
    store.SetElements(3, 1, "K", {1, 2});
    ReadTicketText("[job]\nK[] = 3\nK[] = 4\nJ = 1\nJ = 2\n", store);
    EXPECT_EQ(*store.Find(3, 1, "K"), (Elements{3, 4}));  // the text's key replaces the store's
    EXPECT_EQ(*store.Find(3, 1, "J"), Elements{2});
    EXPECT_EQ(*store.Find(3, 1, "Untouched"), Elements{9});
}

TEST(TicketText, WritingAndReadingBackGivesTheSameStore) {
    TicketStore store(7);
    store.Set(0, 0, "System/Folders/Temp", std::string("C:\\Temp\\"));
    store.Set(3, 7, "Min", INT32_MIN);
    store.Set(3, 7, "Max", INT32_MAX);
    store.SetElements(3, 7, "Doubles", {0.1, -0.0, 1e-300, DBL_MAX, 1.0 / 3.0, 5.0, -2.5e17, DBL_TRUE_MIN});
    std::string bytes;
    for (int c = 1; c < 256; ++c) bytes += static_cast<char>(c);
    store.Set(3, 7, "Bytes", bytes);
    store.Set(3, 7, "Empty", std::string());
    store.SetElements(3, 7, "Mixed", {1, 2.0, std::string("three")});
    store.SetElements(5, 700, "Output/Prn/Info/Color/SpotColors", {std::string("WHITE_INK"), std::string("CLEAR")});
    store.AddTicket(5, 0);
    store.Set(10, 3, "Output/Prn/Info/Manufacturer/PrnID", 700);

    const std::string text = WriteTicketText(store);
    TicketStore back(7);
    ReadTicketText(text, back);
    EXPECT_TRUE(back == store) << text;
    EXPECT_EQ(WriteTicketText(back), text);
    EXPECT_NE(text.find("Doubles[] = 0.1\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Doubles[] = 5.0\n"), std::string::npos) << text;
}

TEST(TicketText, WritingRefusesWhatTheTextCannotHold) {
    TicketStore blob, value32, infinite, badKey, nul;
    blob.Set(3, 1, "B", Blob{{1, 2}});
    value32.Set(3, 1, "User/JobAccountID", Value32{5});
    infinite.Set(3, 1, "D", HUGE_VAL);
    badKey.Set(3, 1, "two words", 1);
    nul.Set(3, 1, "S", std::string("a\0b", 3));
    for (TicketStore* store : {&blob, &value32, &infinite, &badKey, &nul}) {
        EXPECT_THROW(WriteTicketText(*store), TextError);
    }
}

TEST(TicketText, BadTextNamesTheLine) {
    EXPECT_EQ(ErrorOf("[job]\nA = 1\nTitle = \"open\n"), "line 3: unterminated quote");
    EXPECT_EQ(ErrorOf("[job]\nTitle = \"ends in backslash\\"), "line 2: unterminated quote");
    EXPECT_EQ(ErrorOf("[job]\n[printers 5]\n"), "line 2: unknown section [printers 5]");
    EXPECT_EQ(ErrorOf("[job 3]\n"), "line 1: unknown section [job 3]");
    EXPECT_EQ(ErrorOf("\n\n[system]\nno equals sign\n"), "line 4: expected 'key = value'");
    EXPECT_EQ(ErrorOf("A = 1\n"), "line 1: key \"A\" outside a section");
    EXPECT_EQ(ErrorOf("\xEF\xBB\xBF[job]\nA = 1\n"), "no error") << "a UTF-8 byte-order mark is skipped";
    for (const char* utf16 : {"\xFF\xFE[\0j\0", "\xFE\xFF\0[\0j"}) {
        EXPECT_EQ(ErrorOf(std::string(utf16, 6)), "line 1: the text begins with a UTF-16 byte-order mark: save it as UTF-8");
    }
    // The ticket's control bytes reach the message escaped.
    EXPECT_EQ(ErrorOf("[job]\nA\x1b[2J\x7f B = 1\n"), "line 2: invalid key \"A\\x1B[2J\\x7F B\"");

    const char* const bad[] = {
        "[printer]\n",        "[printer -1]\n",        "[printer 4294967296]\n", "[job\n",
        "[job] x\n",          "[job]\nA =\n",          "[job]\n = 1\n",          "[job]\nA = 2147483648\n",
        "[job]\nA = 1e999\n", "[job]\nA = abc\n",      "[job]\nA = 0x10\n",      "[job]\nA = \"x\" y\n",
        "[job]\nA = \"\\q\"\n", "[job]\nA = \"\\0\"\n", "[job]\nA = \"\\777\"\n", "[job]\nA = \"\\xg\"\n",
        "[job]\nA B = 1\n",   "[job]\nA = 1.\n.5\n",
    };
    for (const char* text : bad) {
        const std::string error = ErrorOf(text);
        EXPECT_EQ(error.rfind("line ", 0), 0u) << text << " -> " << error;
    }
}

TEST(TicketText, AFailedReadLeavesTheStoreUnchanged) {
    TicketStore store;
    store.Set(3, 1, "K", 1);
    EXPECT_THROW(ReadTicketText("[job]\nK = 2\nNew = 3\n[nowhere]\n", store), TextError);
    EXPECT_EQ(*store.Find(3, 1, "K"), Elements{1});
    EXPECT_EQ(store.Find(3, 1, "New"), nullptr);
}

TEST(TicketText, FilesRoundTripAndErrorsNameThePath) {
    const std::string path = ::testing::TempDir() + "hostkit_ticket_text_test.ticket";
    TicketStore store;
    store.Set(5, 700, "Output/Prn/Info/Meta", std::string("meta"));
    hostkit::SaveTicketFile(path, store);
    TicketStore back;
    hostkit::LoadTicketFile(path, back);
    EXPECT_TRUE(back == store);

    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fputs("[job]\nbroken\n", f);
    std::fclose(f);
    try {
        hostkit::LoadTicketFile(path, back);
        ADD_FAILURE() << "no error";
    } catch (const TextError& e) {
        EXPECT_EQ(std::string(e.what()), path + ": line 2: expected 'key = value'");
    }
    std::remove(path.c_str());
    EXPECT_THROW(hostkit::LoadTicketFile(path, back), TextError);
}

}  // namespace
