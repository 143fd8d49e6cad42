// Reading a job's settings from complete and partial tickets, and every way
// the reading fails.
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "host/job_ticket.h"
#include "job/job_test_support.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace {

using Settings = JobTest;

TEST_F(Settings, MinimalTicketReadsWithDefaults) {
    Ticket(kMinimalJob);
    ASSERT_EQ(Read(), 0);
    EXPECT_EQ(job->m_iPrinterModell, 700);
    EXPECT_EQ(job->m_iOutputColorMode, 6);
    EXPECT_TRUE(log.Has(1000, "CVarnPrn::ReadInfoFromTicket: Output color mode not set; set to CMYKcm"));
    EXPECT_EQ(job->m_iInputColorMode, 4);
    EXPECT_EQ(job->m_iTotalInkLimit, 400);
    EXPECT_EQ(job->m_aiInkLimitPerChannel[0], 10000);
    EXPECT_EQ(job->m_iResolutionX, 720);
    EXPECT_EQ(job->m_dRipResolutionX, 720.0);  // defaults to the printer's
    EXPECT_EQ(job->m_iScaleX, 1);
    EXPECT_EQ(job->m_iMediaWidth, 10000);
    EXPECT_EQ(job->m_iInkType, 0);
    EXPECT_EQ(job->m_iMediaSource, 9);
    EXPECT_EQ(job->m_strJobName, "ZorOze");
    EXPECT_EQ(job->m_strUserName, "RizEzez");
    EXPECT_EQ(job->m_strPortName, "127.0.0.1");
    EXPECT_EQ(job->m_iPortType, 256);
    EXPECT_EQ(job->m_iClearMode, 0);
    EXPECT_EQ(job->m_iPrimerMode, 3);
    EXPECT_EQ(job->m_iPrimerLevel, 100);
    EXPECT_FALSE(job->m_bCropping);
    EXPECT_EQ(job->m_iImageWidth, 1000);
    EXPECT_TRUE(log.Has(3000, "ReadInfoFromTicket start"));
}

TEST_F(Settings, CreateRecordsWhetherTheTicketWasRead) {
    Ticket(kMinimalJob);
    auto ok = CVarnPrn::Create(store.ticket(), kJobId, &log);
    EXPECT_EQ(ok->m_bTicketRead, 1u);
    EXPECT_TRUE(ok->m_bSuppressOpenJobRecord);
    EXPECT_FALSE(ok->m_bSuppressCloseJobRecord);

    store.Erase(3, kJobId, "Output/Prn/Linearization/BPLPath");
    EXPECT_EQ(CVarnPrn::Create(store.ticket(), kJobId, &log)->m_bTicketRead, 0u);
    EXPECT_EQ(CVarnPrn::Create(nullptr, kJobId, &log)->m_bTicketRead, 0u);
}

TEST_F(Settings, MissingModelFailsFirstWithFoldersAlreadyRead) {
    Ticket(R"(
[system]
System/OEMID = 5
System/Folders/Temp = "/tmp/t"
System/Folders/ApplicationFolder = "D:\\Prog\\Host\\"
[job]
Output/Prn/Linearization/BPLPath = "x.epl"
)");
    EXPECT_EQ(Read(), -1);
    EXPECT_TRUE(log.Has(0, "CVarnPrn::ReadInfoFromTicket: Printer ID not set; this is a fatal error"));
    EXPECT_EQ(job->m_iOemID, 5);
    EXPECT_EQ(job->m_strRamDiskFolder, "/tmp/t");  // falls back to the temporary folder
    EXPECT_EQ(job->m_strPlugInFolder, "D:/Prog/Host/PlugIns/");
    EXPECT_TRUE(job->m_strEplPath.empty());
}

TEST_F(Settings, PrinterMissingFromTheLinearisationFileFailsWithOneMessage) {
    Ticket(kMinimalJob);
    Ticket(R"(
[job]
Output/Prn/Info/Manufacturer/PrnID[] = 690
Output/Prn/Info/Manufacturer/PrnID[] = 691
Process/ErrorMessage[] = "Invalid EPL; Wrong printer ID"
Process/ErrorMessage[] = "other"
Process/ErrorMessage[] = "Invalid EPL; Wrong printer ID"
)");
    EXPECT_EQ(Read(), -1);
    EXPECT_EQ(Strings("Process/ErrorMessage"),
              (std::vector<std::string>{"other", "Invalid EPL; Wrong printer ID"}));
    EXPECT_TRUE(log.Has(0, "CVarnPrn::ReadInfoFromTicket: Invalid EPL; printer ID of job != printer ID in EPL"));

    // Manufacturers 3 and 6 are not checked; a list holding the model passes.
    Ticket("[job]\nOutput/Prn/Printer/ManufacturerID = 6\n");
    EXPECT_EQ(Read(), 0);
    Ticket("[job]\nOutput/Prn/Printer/ManufacturerID = 1\nOutput/Prn/Info/Manufacturer/PrnID[] = 700\n");
    EXPECT_EQ(Read(), 0);
}

TEST_F(Settings, FailureLadderCodes) {
    struct Case {
        const char* erase;
        int code;
        const char* message;
    } cases[] = {
        {"Output/Prn/Linearization/BPLPath", -2, "CVarnPrn::ReadInfoFromTicket: EPL path not set; this is a fatal error"},
        {"Process/OutHeightPixel", -3, "CVarnPrn::ReadInfoFromTicket: Width or Height is not set; this is a fatal error"},
        {"Output/Prn/Media/Size/Width", -4,
         "CVarnPrn::ReadInfoFromTicket: Media width or height not set; this is a fatal error"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.erase);
        Ticket(kMinimalJob);
        store.Erase(3, kJobId, c.erase);
        log.lines.clear();
        EXPECT_EQ(Read(), c.code);
        EXPECT_TRUE(log.Has(0, c.message));
    }
}

TEST_F(Settings, TotalInkDefaultDependsOnOutputColorMode) {
    // Only output modes 120 to 122 print without a total-ink limit.
    for (const auto& [mode, limit] : {std::pair{119, 400}, std::pair{120, 0}, std::pair{121, 0}, std::pair{122, 0},
                                      std::pair{123, 400}, std::pair{6, 400}}) {
        Ticket(kMinimalJob);
        Ticket("[job]\nOutput/Prn/Printer/OutputColorMode = " + std::to_string(mode) + "\n");
        ASSERT_EQ(Read(), 0);
        EXPECT_EQ(job->m_iTotalInkLimit, limit) << mode;
    }
    EXPECT_TRUE(log.Has(1000, "CVarnPrn::ReadInfoFromTicket: Total ink limit not set; set to 400%"));
}

TEST_F(Settings, PartlyServedPerChannelLimitsLandWithoutLogLines) {
    Ticket(kMinimalJob);
    Ticket(R"(
[job]
Output/Prn/Printer/InputColorMode = 6
Output/Prn/Linearization/InkLimitPerChannel[] = 9000
Output/Prn/Linearization/InkLimitPerChannel[] = 8000
Output/Prn/Linearization/InkLimitPerChannel[] = 7000
Output/Prn/Linearization/InkLimitPerChannel[] = 6000
Output/Prn/Linearization/InkLimitPerChannel[] = 5000
)");
    ASSERT_EQ(Read(), 0);
    EXPECT_EQ(job->m_aiInkLimitPerChannel[4], 5000);
    EXPECT_EQ(job->m_aiInkLimitPerChannel[5], 10000);
    EXPECT_FALSE(log.Has("\tInk limit"));

    Ticket("[job]\nOutput/Prn/Linearization/InkLimitPerChannel[] = 4000\n");
    store.Append(3, kJobId, "Output/Prn/Linearization/InkLimitPerChannel", 1);
    for (int i = 0; i < 4; ++i) store.Append(3, kJobId, "Output/Prn/Linearization/InkLimitPerChannel", 10000);
    log.lines.clear();
    ASSERT_EQ(Read(), 0);
    EXPECT_TRUE(log.Has("\t\tCyan\t\t= 40.00%"));
    EXPECT_TRUE(log.Has("\t\tGreen\t= 100.00%"));
}

TEST_F(Settings, AntialiasingDoublesResolutionForThe3001Group) {
    Ticket(kMinimalJob);
    Ticket("[job]\nOutput/Prn/Printer/Model = 3001\nOutput/Prn/Specific/Antialiasing = 1\n");
    ASSERT_EQ(Read(), 0);
    EXPECT_EQ(job->m_dResolutionX, 1440.0);
    EXPECT_EQ(job->m_iResolutionY, 1440);
    EXPECT_TRUE(log.Has("\tResolution = 1440 x 1440 dpi"));
}

TEST_F(Settings, MediaSizeInTenthsOfAMillimetre) {
    Ticket(kMinimalJob);
    Ticket("[job]\nOutput/Prn/Media/Size/Width = 1625.06\n");
    ASSERT_EQ(Read(), 0);
    EXPECT_EQ(job->m_iMediaWidth, 16251);
    Ticket("[job]\nOutput/Prn/Media/Size/Width = 1625.04\n");
    ASSERT_EQ(Read(), 0);
    EXPECT_EQ(job->m_iMediaWidth, 16250);
}

TEST_F(Settings, NestingFooterWithoutAlignmentStartsAtOffsetZero) {
    Ticket(kMinimalJob);
    Ticket(R"(
[job]
Input/FileType = 4096
Process/JobOffsetX = 200
Footer/State = 1
Footer/Nesting/UseFooter = 1
Process/FooterHeight = 30
)");
    ASSERT_EQ(Read(), 0);
    EXPECT_EQ(job->m_iJobOffsetX, 0);
    EXPECT_EQ(job->m_iOutHeightPixel, 530);
    Ticket("[job]\nFooter/Nesting/Alignment = 1\n");
    ASSERT_EQ(Read(), 0);
    EXPECT_EQ(job->m_iJobOffsetX, 200);
}

// A footer that takes the height past the 32-bit range: the sum is held at
// the range's end (never wrapped to the other sign) and the reader goes on,
// through scaling, feed, margins and crop, without a signed overflow.
TEST_F(Settings, FooterHeightBeyondTheRangeIsHeldAtItsEnd) {
    struct Case {
        const char* footer;
        const char* height;
        int32_t result;
    };
    for (const Case& c : {Case{"2147483647", "500", INT32_MAX}, Case{"-2147483648", "-500", INT32_MIN}}) {
        Ticket(kMinimalJob);
        Ticket(std::string("[job]\nProcess/FooterHeight = ") + c.footer + "\nProcess/OutHeightPixel = " + c.height +
               "\nOutput/Input/RipResolutionY = 360.0\nOutput/Prn/Media/Spec/FeedAdjust = 1.05\n"
               "Output/Prn/Media/Margin/Top = -5.0\nProcess/OutWidthPixel = -2147483648\n");
        ASSERT_EQ(Read(), 0) << c.footer;
        EXPECT_EQ(job->m_iOutHeightPixel, c.result) << c.footer;
        EXPECT_TRUE(log.HasPrefix(std::string("CVarnPrn::ReadInfoFromTicket: Process/FooterHeight ") + c.footer))
            << c.footer;
    }
    // The tall page is cropped to the medium and reported.
    for (const char* key : {"Output/Input/RipResolutionY", "Output/Prn/Media/Spec/FeedAdjust",
                            "Output/Prn/Media/Margin/Top"}) {
        store.Erase(3, kJobId, key);
    }
    Ticket(kMinimalJob);
    Ticket("[job]\nProcess/FooterHeight = 2147483647\n");
    ASSERT_EQ(Read(), 0);
    EXPECT_EQ(job->m_iImageHeight, job->m_iPrintableHeight);
    EXPECT_EQ(Strings("Process/InfoMessage"), std::vector<std::string>{"Image cropped by output device"});
}

TEST_F(Settings, CropIsReportedOnlyBeyondOnePixel) {
    // 100 mm at 254 dpi is exactly 1000 pixels of printable width.
    Ticket(R"(
[job]
Output/Prn/Printer/Model = 700
Output/Prn/Linearization/BPLPath = "x.epl"
Output/Prn/Printer/ResolutionX = 254.0
Output/Prn/Printer/ResolutionY = 254.0
Process/OutWidthPixel = 1001
Process/OutHeightPixel = 100
Output/Prn/Media/Size/Width = 100.0
Output/Prn/Media/Size/Height = 500.0
Process/InfoMessage[] = "Image cropped by output device"
)");
    ASSERT_EQ(Read(), 0);
    EXPECT_TRUE(job->m_bCropping);
    EXPECT_EQ(Key("Process/InfoMessage"), nullptr);  // an old crop message disappears

    Ticket("[job]\nProcess/OutWidthPixel = 1002\n");
    ASSERT_EQ(Read(), 0);
    EXPECT_EQ(Strings("Process/InfoMessage"), std::vector<std::string>{"Image cropped by output device"});

    // A list that holds an element of another type keeps it, and the
    // message once, each where it stood, however often the ticket is used.
    const std::string text = "Image cropped by output device";
    const std::pair<hostkit::Elements, hostkit::Elements> lists[] = {
        {{7}, {7, text}}, {{text, 7}, {text, 7}}, {{text, 7, text}, {text, 7}}};
    for (const auto& [before, after] : lists) {
        store.SetElements(3, kJobId, "Process/InfoMessage", before);
        for (int run = 0; run < 2; ++run) {
            ASSERT_EQ(Read(), 0);
            EXPECT_EQ(*Key("Process/InfoMessage"), after) << run;
        }
    }
    Ticket("[job]\nProcess/OutWidthPixel = 1001\n");
    ASSERT_EQ(Read(), 0);
    EXPECT_EQ(*Key("Process/InfoMessage"), hostkit::Elements{7});
}

TEST_F(Settings, StopOnCropFailsAndWritesTheErrorForTheChildToo) {
    Ticket(kMinimalJob);
    Ticket(R"(
[job]
Process/OutWidthPixel = 40000
Workflow/Processing/StopOnCrop = 1
StepRepeat/Active = 1
General/ChildIDs = 9
)");
    store.LogCalls();
    EXPECT_EQ(Read(), -5);
    EXPECT_EQ(Strings("Process/ErrorMessage"), std::vector<std::string>{"Job is larger than print medium size"});
    EXPECT_EQ(Key("Process/InfoMessage"), nullptr);
    bool childWrite = false;
    for (const auto& call : store.calls()) {
        if (call.function == hostkit::HostCall::SetItems && call.id == 9 && call.key == "Process/ErrorMessage") {
            childWrite = true;
        }
    }
    EXPECT_TRUE(childWrite);
    EXPECT_TRUE(log.Has(0, "CVarnPrn::ReadInfoFromTicket: Image cropped and StopOnCrop flag set, aborting..."));
}

TEST_F(Settings, FilesToDeleteKeepsOnlyExistingFiles) {
    const std::string existing = TempPath(".tmp");
    std::ofstream(existing) << "x";
    Ticket(kMinimalJob);
    Ticket("[job]\nOutput/FilesToDelete[] = \"/nonexistent/a.tmp\"\n");
    store.Append(3, kJobId, "Output/FilesToDelete", existing);
    ASSERT_EQ(Read(), 0);
    EXPECT_EQ(Strings("Output/FilesToDelete"), std::vector<std::string>{existing});
    EXPECT_EQ(job->m_setFilesToDelete.count(existing), 1u);

    // All present: the key is not written.
    store.LogCalls();
    ASSERT_EQ(Read(), 0);
    for (const auto& call : store.calls()) {
        bool write = call.function == hostkit::HostCall::SetItems || call.function == hostkit::HostCall::SetValue;
        EXPECT_FALSE(write && call.key == "Output/FilesToDelete");
    }
    std::remove(existing.c_str());
}

TEST_F(Settings, UnreadableVisualCorrectionFileIsReportedAndTheJobGoesOn) {
    Ticket(kMinimalJob);
    Ticket(R"(
[job]
CMM/UseVisualCorrection = 1
CMM/VisualCorrection = "C:\\curves\\missing.vcf"
Process/ErrorMessage[] = "Printer linearization cannot be processed"
)");
    ASSERT_EQ(Read(), 0);
    EXPECT_EQ(Strings("Process/ErrorMessage"),
              std::vector<std::string>{"Printer linearization cannot be processed (missing.vcf)"});
    EXPECT_TRUE(job->m_strVisualCorrectionPath.empty());
    EXPECT_FALSE(job->m_bVisualCorrectionLoaded);

    // A second run does not pile up the same message.
    ASSERT_EQ(Read(), 0);
    EXPECT_EQ(Strings("Process/ErrorMessage").size(), 1u);
}

// A folder or a pipe named as the file is a file that cannot be opened: the
// same message and log line as a missing one, and the job goes on (a folder
// used to throw out of the reader, a pipe to block it).
TEST_F(Settings, VisualCorrectionPathThatIsNoFileIsReportedAsUnreadable) {
    const std::string folder = TempPath(".d");
    std::filesystem::create_directory(folder);
    std::vector<std::string> paths{folder};
#ifndef _WIN32
    const std::string fifo = TempPath(".fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    paths.push_back(fifo);
#endif
    for (const std::string& path : paths) {
        Ticket(kMinimalJob);
        Ticket("[job]\nCMM/UseVisualCorrection = 1\n");
        store.Set(3, kJobId, "CMM/VisualCorrection", path);
        ASSERT_EQ(Read(), 0) << path;
        EXPECT_EQ(Strings("Process/ErrorMessage"),
                  std::vector<std::string>{"Printer linearization cannot be processed (" +
                                           FileNameOf(ForwardSlashes(path)) + ")"});
        EXPECT_TRUE(log.Has(3000, "\tCan't open visual correction file (" + path + ")")) << path;
        EXPECT_FALSE(job->m_bVisualCorrectionLoaded);
        store.Erase(3, kJobId, "Process/ErrorMessage");
        std::filesystem::remove(path);
    }
}

TEST_F(Settings, RipResolutionThatDividesThePrintersScalesTheImage) {
    Ticket(kMinimalJob);
    Ticket("[job]\nOutput/Input/RipResolutionX = 360.0\nOutput/Input/RipResolutionY = 300.0\n");
    ASSERT_EQ(Read(), 0);
    EXPECT_EQ(job->m_iScaleX, 2);
    EXPECT_EQ(job->m_iOutWidthPixel, 2000);
    EXPECT_EQ(job->m_iScaleY, 1);
    EXPECT_EQ(job->m_dRipResolutionY, 0.0);
    EXPECT_TRUE(log.Has("CVarnPrn::SetupScaling: change image width to 2000"));
}

TEST_F(Settings, AScaledImageWidthIsHeldAtTheIntRange) {
    Ticket(kMinimalJob);
    Ticket("[job]\nOutput/Input/RipResolutionX = 360.0\nProcess/OutWidthPixel = 2000000000\n");
    Read();
    EXPECT_EQ(job->m_iScaleX, 2);
    EXPECT_EQ(job->m_iOutWidthPixel, 2147483647);
}

TEST_F(Settings, PaperFeedFactorIsClippedAndAppliedToTheHeight) {
    Ticket(kMinimalJob);
    Ticket("[job]\nOutput/Prn/Media/Spec/FeedAdjust = 1.0000005\n");
    ASSERT_EQ(Read(), 0);
    EXPECT_EQ(job->m_dPaperFeedAdjust, 1.0);
    EXPECT_EQ(job->m_dFeedAdjustRequested, 1.0000005);
    EXPECT_FALSE(job->m_bPaperFeedResample);
    EXPECT_TRUE(log.HasPrefix("Paper feed adjust clipped 1.00000050"));

    Ticket("[job]\nOutput/Prn/Media/Spec/FeedAdjust = 1.2\n");
    ASSERT_EQ(Read(), 0);
    EXPECT_TRUE(job->m_bPaperFeedResample);
    EXPECT_EQ(job->m_iOutHeightPixel, 550);
    EXPECT_DOUBLE_EQ(job->m_dPaperFeedAdjust, 1.1);
    EXPECT_TRUE(log.Has("Paper feed adjust clipped 1.2000 => 1.1"));

    // A printer that adjusts the feed itself.
    Ticket("[printer 700]\nOutput/Prn/Info/Option/ID[] = 3\nOutput/Prn/Info/Option/ID[] = 11\n");
    ASSERT_EQ(Read(), 0);
    EXPECT_FALSE(job->m_bPaperFeedResample);
    EXPECT_EQ(job->m_iOutHeightPixel, 500);
}

}  // namespace
