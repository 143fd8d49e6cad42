// The job object's messages to the host.
#include "job/job_test_support.h"

namespace {

using JobMessages = JobTest;

size_t Writes(const hostkit::TicketStore& store, const std::string& key) {
    size_t n = 0;
    for (const auto& call : store.calls()) {
        bool write = call.function == hostkit::HostCall::SetValue || call.function == hostkit::HostCall::SetItems;
        if (write && call.key == key) ++n;
    }
    return n;
}

TEST_F(JobMessages, ErrorMessageIsWrittenOnlyWhenItChanges) {
    CVarnPrn& j = NewJob();
    j.SetErrorMessageF("Reredir.uze: Printer model \"%s\" not supported yet", "JV-X");
    ASSERT_NE(Key("Output/ErrorMessage"), nullptr);
    EXPECT_EQ(std::get<std::string>(Key("Output/ErrorMessage")->at(0)),
              "Reredir.uze: Printer model \"JV-X\" not supported yet");
    store.LogCalls();
    j.SetErrorMessage("Reredir.uze: Printer model \"JV-X\" not supported yet");
    EXPECT_EQ(Writes(store, "Output/ErrorMessage"), 0u);

    clSpoolFileResultImp result(3, "Writing layer: disk full");
    j.SetErrorMessageFromResult(&result);
    EXPECT_EQ(std::get<std::string>(Key("Output/ErrorMessage")->at(0)), "Writing layer: disk full");
    j.SetErrorMessageFromResult(nullptr);
    EXPECT_EQ(std::get<std::string>(Key("Output/ErrorMessage")->at(0)), "Writing layer: disk full");
}

TEST_F(JobMessages, InfoMessageIsAddedOnceAndRemovedByText) {
    Ticket("[job]\nProcess/InfoMessage[] = \"first\"\n");
    CVarnPrn& j = NewJob();
    j.UpdateInfoMessage(true, "Used ink(s): CMYK");
    j.UpdateInfoMessageF(true, "Used ink(s): %s", "CMYK");
    EXPECT_EQ(Strings("Process/InfoMessage"), (std::vector<std::string>{"first", "Used ink(s): CMYK"}));
    j.UpdateInfoMessage(false, "first");
    j.UpdateInfoMessage(false, "absent");
    EXPECT_EQ(Strings("Process/InfoMessage"), std::vector<std::string>{"Used ink(s): CMYK"});
    // Elements of other types that the host put in the list are passed over and kept.
    Ticket("[job]\nProcess/InfoMessage[] = 7\nProcess/InfoMessage[] = \"first\"\n");
    j.UpdateInfoMessage(true, "first");
    EXPECT_EQ(*Key("Process/InfoMessage"), (hostkit::Elements{7, std::string("first")}));
    j.UpdateInfoMessage(false, "first");
    EXPECT_EQ(*Key("Process/InfoMessage"), hostkit::Elements{7});
}

TEST_F(JobMessages, JobWithoutTicketIgnoresMessages) {
    CVarnPrn j(nullptr, 1, &log);
    j.SetErrorMessage("x");
    j.UpdateInfoMessage(true, "y");
    std::vector<std::string> spots{"old"};
    EXPECT_EQ(j.GetPrinterSpotColors(spots), 0);
    EXPECT_TRUE(spots.empty());
}

}  // namespace
