// Tickets a new user gets wrong, through the host interface: the job is
// refused at OpenJob with the key and the value named, or goes on with the
// user told; and the paper feed that the job resamples is not corrected by
// the printer a second time.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <sstream>

#include "drivers/family_faults_test_support.h"
#include "spotgen/spot_writer.h"

namespace {

class BadTicket : public faults::FamilyFaults {
protected:
    BadTicket() : FamilyFaults(1) {}

    bool HasInfo(const std::string& text) const {
        const std::vector<std::string> list = Strings("Process/InfoMessage");
        return std::find(list.begin(), list.end(), text) != list.end();
    }
};

TEST_F(BadTicket, IsRefusedAtOpenJobNamingTheKeyAndValue) {
    struct Case {
        const char* reference;
        std::string keys;
        std::string error;      // "Output/ErrorMessage" begins with this
        std::string info = "";  // an element of "Process/InfoMessage", when not empty
        bool prints = false;    // a bound's own value: the job prints
    };
    const std::string P = "Output/Prn/Printer/", M = "Output/Prn/Media/Size/", I = "Output/Input/";
    const std::string R = "Reredir.uze: \"", lin = "Reredir.uze: Linearization file \"";
    const std::string typed = "\" is stored as integer but read as real number; ignored";  // a key of another type
    // Screening jobs whose screening file, beside a copy of the linearisation
    // file, is missing, a folder or damaged.
    std::filesystem::copy_file(KELMORA_EPL_EXAMPLE, folder.File("job.lin"));
    std::filesystem::create_directory(folder.File("folder.spt"));
    std::ofstream(folder.File("short.spt"), std::ios::binary) << "SPT2";
    const std::string screening = "Output/Prn/BPL/HalftoneMode = 6\nOutput/Prn/Linearization/BPLPath = \"" +
                                  TicketPath(folder.File("job.lin")) + "\"\nOutput/Prn/BPL/ScreeningFile = ";
    const std::string spt = "Reredir.uze: Screening file \"" + TicketPath(folder.Path()) + "/";
    const std::string modes = "the output colour modes of printer model ";
    const std::string cmykog = "CMYK pixels (input colour mode 4), the job's input colour mode is 6 (CMYKOG)";
    const std::string header = " dpi does not fit the printer's page header, which holds 1 to 65535 dpi";
    const std::string S = "Output/Prn/Specific/", fits = " does not fit the printer's page header: it gives ";
    // The passes a ticket value gives past the page header's bounds.
    const std::string passes = " passes, which its page header holds ";
    const std::string fast = " passes at high speed, which its page header holds ";
    const Case cases[] = {
        {"JV33", screening + "\"missing.spt\"\n",
         "Reredir.uze: Screening file \"missing.spt\" not found in \"" + TicketPath(folder.Path()) + "/\""},
        {"JV33", screening + "\"folder.spt\"\n", spt + "folder.spt\" is not a regular file"},
        {"JV33", screening + "\"short.spt\"\n", spt + "short.spt\" is shorter than a spot file's header"},
        // Input colour modes no colour set-up reads: any but CMYK and CMYKOG.
        {"JV33", P + "InputColorMode = 5\n", R + P + "InputColorMode\" = 5 is not one of 4, 6"},
        {"JV33", P + "InputColorMode = 3\n", R + P + "InputColorMode\" = 3 is not one of 4, 6"},
        {"Tx500", P + "InputColorMode = 7\n", R + P + "InputColorMode\" = 7 is not one of 4, 6"},
        // Page-planar bands carry four planes: a pixel of other channels would be read across them.
        {"JV33", "Output/Input/Format = 1\nProcess/Components = 5\n",
         "Reredir.uze: \"Output/Input/Format\" = 1 (page planar) carries 4 channels a pixel, the job has 5"},
        {"JV4", P + "InputColorMode = 6\nOutput/Input/Format = 1\nProcess/Components = 0\n",
         "Reredir.uze: \"Output/Input/Format\" = 1 (page planar) carries 4 channels a pixel, the job has 6"},
        {"JV33", P + "ResolutionX = 0.0\n", R + P + "ResolutionX\" = 0 dpi is no resolution"},
        {"JV400", P + "ResolutionY = -720.0\n", R + P + "ResolutionY\" = -720 dpi is no resolution"},
        {"JV33", P + "ResolutionX = 720\n", R + P + "ResolutionX\" not set",
         "Ticket key \"" + P + "ResolutionX" + typed},
        {"JFX200", M + "Width = 0.0\n", R + M + "Width\" = 0 mm is no media size"},
        {"UJFx042", M + "Height = 0.0\n", R + M + "Height\" = 0 mm is no media size"},
        {"JV300", M + "Height = -5.5\n", R + M + "Height\" = -5.5 mm is no media size"},
        {"JV3", M + "Height = 2000\n", R + M + "Height\" not set", "Ticket key \"" + M + "Height" + typed},
        {"JV33", I + "RipResolutionY = 4.9e-324\n",
         R + I + "RipResolutionY\" = 4.94066e-324 dpi scales each pixel by 2147483647; the page has 56693 lines"},
        {"JV33", I + "RipResolutionX = 0.0001\n",
         R + I + "RipResolutionX\" = 0.0001 dpi scales each pixel by 7200000; the page has 226772 pixels across"},
        {"JV33", P + "Model = 99999\n" + P + "ModelName = \"JV33-160\"\n",
         "Reredir.uze: Printer model \"JV33-160\" not supported yet (model number 99999)"},
        {"JV33", P + "Model = -2\n" + P + "ModelName = \"JV\\x1b[2J\\r\"\n",
         "Reredir.uze: Printer model \"JV\\x1B[2J\\x0D\" not supported yet (model number -2)"},
        {"JV33", "Output/Prn/Linearization/BPLPath = \"/nowhere/job.lin\"\n",
         lin + "/nowhere/job.lin\" cannot be used: cannot open \"/nowhere/job.lin\""},
        {"JV400", "Output/Prn/Linearization/BPLPath = \"" + TicketPath(folder.Path()) + "\"\n",
         lin + TicketPath(folder.Path()) + "\" cannot be used: \"" + TicketPath(folder.Path()) + "\" is not a file"},
        {"JV33", P + "Model = 701\n" + P + "OutputColorMode = 6\n",
         lin + KELMORA_EPL_EXAMPLE + "\" cannot be used: it holds linearisation kind 4, output colour mode 6 needs"},
        {"JV33", P + "Model = \"700\"\n", "",
         "Ticket key \"" + P + "Model\" is stored as text but read as integer; ignored"},
        // Settings checked against the printer: output colour modes its model does not offer (modes a
        // CMYK linearisation file takes; a four-colour model's family's six- and eight-ink modes), a
        // CMYKOG picture whose orange would print as black, a medium that holds no line; and the
        // linearisation file's reason over the family's own message.
        {"JV33", P + "OutputColorMode = 99\n", R + P + "OutputColorMode\" = 99 is not one of 4, " + modes + "700"},
        {"JV33", P + "OutputColorMode = 13\n", R + P + "OutputColorMode\" = 13 is not one of 4, " + modes + "700"},
        {"JV33", P + "OutputColorMode = 6\n", R + P + "OutputColorMode\" = 6 is not one of 4, " + modes + "700"},
        {"JV33", M + "Height = 0.1\n" + P + "OutputColorMode = 6\n",  // cropped, then refused
         R + P + "OutputColorMode\" = 6 is not one of 4, " + modes + "700"},
        {"JV33", P + "Model = 701\n" + P + "OutputColorMode = 120\n",
         R + P + "OutputColorMode\" = 120 is not one of 4, 6, " + modes + "701"},
        {"JV33", P + "Model = 701\n" + P + "OutputColorMode = 121\n",
         R + P + "OutputColorMode\" = 121 is not one of 4, 6, " + modes + "701"},
        {"JV33", P + "Model = 701\n" + P + "OutputColorMode = 122\n",
         R + P + "OutputColorMode\" = 122 is not one of 4, 6, " + modes + "701"},
        {"JFX200", P + "OutputColorMode = 6\n", R + P + "OutputColorMode\" = 6 is not one of 4, " + modes + "7081"},
        {"JFX200", P + "Model = 7082\n" + P + "OutputColorMode = 120\n",
         R + P + "OutputColorMode\" = 120 is not one of 4, 6, " + modes + "7082"},
        {"JV400", P + "OutputColorMode = 8\n", R + P + "OutputColorMode\" = 8 is not one of 4, " + modes + "728"},
        {"JV400", P + "Model = 736\n" + P + "OutputColorMode = 6\n",
         R + P + "OutputColorMode\" = 6 is not one of 4, 8, " + modes + "736"},
        {"JV300", P + "OutputColorMode = 6\n", R + P + "OutputColorMode\" = 6 is not one of 4, " + modes + "7000"},
        {"JV33", P + "InputColorMode = 6\n", "InitHalftone: Image type CMYK reads " + cmykog},
        {"Tx500", P + "InputColorMode = 6\n", "Tx500_OpenJob: Image type BMYK reads " + cmykog},
        {"JV33", M + "Height = 0.001\n", R + M + "Height\" = 0.001 mm less the margins (top 0 mm, bottom 0 mm) holds "
                                         "no printer line at 720 dpi"},
        {"JV300", P + "Model = 7001\n" + P + "OutputColorMode = 6\n",
         lin + KELMORA_EPL_EXAMPLE + "\" cannot be used: it holds linearisation kind 4, output colour mode 6 needs"},
        // The scale bound of each axis at its own resolution (600 x 900 dpi).
        {"JV400", I + "RipResolutionY = 4.9e-324\n",
         R + I + "RipResolutionY\" = 4.94066e-324 dpi scales each pixel by 2147483647; the page has 70866 lines"},
        {"JV400", I + "RipResolutionX = 0.0001\n",
         R + I + "RipResolutionX\" = 0.0001 dpi scales each pixel by 6000000; the page has 188976 pixels across"},
        // More than 2^31 - 1 printer lines or pixels on the medium; the largest resolution it holds prints.
        {"JFX500", P + "ResolutionY = 3000000000.0\n" + I + "RipResolutionY = 600.0\n" + M + "Height = 800.0\n",
         R + P + "ResolutionY\" = 3000000000 dpi gives the 800 mm of \"" + M + "Height\" more than 2147483647 printer"},
        {"JFX500", P + "ResolutionY = 68182606.0\n" + M + "Height = 800.0\n",
         R + P + "ResolutionY\" = 68182606 dpi gives the 800 mm of \"" + M + "Height\" more than 2147483647 printer"},
        {"JFX500", P + "ResolutionY = 65535.0\n" + M + "Height = 832319.8\n", "", "", true},
        {"JFX500", P + "ResolutionX = 6818261.0\n",
         R + P + "ResolutionX\" = 6818261 dpi gives the 8000 mm of \"" + M + "Width\" more than 2147483647 printer"},
        {"JFX500", P + "ResolutionX = 65535.0\n" + M + "Width = 832319.8\n", "", "", true},
        {"JFX200", P + "ResolutionX = 0.4\n", R + P + "ResolutionX\" = 0.4" + header},  // written as 0 dpi
        {"JV3", "Process/OutWidthPixel = 16777216\n" + M + "Width = 600000.0\n",
         R + "Process/OutWidthPixel\" = 16777216" + fits + "16777216 printer pixels across where the field holds 0"},
    };
    // Each family prints at the largest resolution its page header holds (less where a byte of passes grows with
    // the y resolution, which also gives no pass below 180 dpi) and refuses one past it, or below 1 dpi; so for the
    // other header fields a ticket value fills as it is, or the passes it "gives" (a quality of 327: 127 passes at
    // high speed), and for -1 and 0 passes.
    std::vector<Case> rows(std::begin(cases), std::end(cases));
    for (const char* family : {"JV3", "UJF605", "JV5", "JV33", "JV4", "CJV30", "JV400", "JV300", "CJV300", "UJFx042",
                               "TS300P", "Tx500", "JV34", "JFX200", "JFX500"}) {
        const bool bound = std::set<std::string>{"JV3", "JV5", "JV33", "CJV30"}.count(family) > 0;
        // JV3's pass byte carries the hi-speed flag: its top bit is no pass count.
        const std::string most = family == std::string("JV3") ? "127" : "255";
        const std::string past = most == "127" ? "23040" : "46080", limit = most == "127" ? "128" : "256";
        const std::string largestY = !bound ? "65535.0\n" : most == "127" ? "23039.0\n" : "46079.0\n";
        rows.push_back({family, P + "ResolutionX = 65535.0\n" + P + "ResolutionY = " + largestY, "", "", true});
        for (const char* axis : {"ResolutionX", "ResolutionY"})
            rows.push_back({family, P + axis + " = 65535.5\n", R + P + axis + "\" = 65535.5" + header});
        if (!bound) continue;
        const std::string Y = P + "ResolutionY";
        rows.push_back({family, Y + " = " + past + ".0\n", R + Y + "\" = " + past + " gives " + limit + passes + "up to " + most});
        rows.push_back({family, P + "ResolutionX = 1.0\n" + Y + " = 180.0\n", "", "", true});
        rows.push_back({family, Y + " = 179.0\n", R + Y + "\" = 179 gives 0" + passes + "from 1 to " + most});
        for (const char* axis : {"ResolutionX", "ResolutionY"})
            rows.push_back({family, P + axis + " = 0.5\n", R + P + axis + "\" = 0.5" + header});
    }
    // A value past the field and, when there is one, the value beside it that prints.
    struct Field { const char* family; std::string key; int bad; std::optional<int> good; std::string tail;
                   std::string keys = ""; };
    const std::string held = " does not fit the printer's page header, which holds 0 to 255", Q = "PrintQuality";
    const std::string none = " gives 0" + passes + "from 1 to 255", less = " gives -1" + passes + "from 1 to 255";
    const std::string slow = " gives 0" + fast + "from 1 to 127", over = " gives 128" + fast + "up to 127";
    // Where the pass byte carries the hi-speed flag, its top bit is no pass count at any scan.
    const std::string noneFlagged = " gives 0" + passes + "from 1 to 127", past = " gives 128" + passes + "up to 127";
    // At 540 and 900 dpi down the page the printer's range leaves the quality's passes as they are.
    const std::string Y540 = P + "ResolutionY = 540.0\n", Y900 = P + "ResolutionY = 900.0\n";
    for (const Field& f : {Field{"JV3", Q, 328, 327, over}, Field{"JV3", Q, 399, {}, " gives 199" + fast + "up to 127"},
                           Field{"JV3", Q, 128, 127, past}, Field{"JV4", Q, 328, 327, over},
                           Field{"JV4", Q, 0, 1, noneFlagged}, Field{"JV4", Q, 128, 127, past},
                           Field{"JV4", Q, 200, 201, slow}, Field{"UJF605", Q, 328, 327, over},
                           Field{"UJF605", Q, 0, 1, noneFlagged}, Field{"UJF605", Q, 128, 127, past},
                           Field{"UJF605", Q, 200, 201, slow},
                           Field{"JV400", Q, -1, {}, less}, Field{"JV400", Q, 200, 201, none},
                           Field{"JV33", Q, -1, {}, less, Y540}, Field{"JV33", Q, 0, 1, none, Y540},
                           Field{"JV5", Q, 200, 201, none, Y900}, Field{"JFX200", "PrintDirection", 256, 255, held},
                           Field{"JFX500", "PrintDirection", -1, {}, held},
                           Field{"UJFx042", "UVCuring/Lamp3", 256, 255, held, S + "UVCuring/UsePanel = 0\n"}}) {
        const std::string keys = f.keys + S + f.key + " = ", bad = std::to_string(f.bad);
        if (f.good) rows.push_back({f.family, keys + std::to_string(*f.good) + "\n", "", "", true});
        rows.push_back({f.family, keys + bad + "\n", R + S + f.key + "\" = " + bad + f.tail});
    }
    for (const Case& c : rows) {
        SCOPED_TRACE(c.reference + std::string(": ") + c.keys);
        Prepare(faults::Named(c.reference));
        Ticket("[job]\n" + c.keys);
        if (c.prints) {
            for (int result : Run()) EXPECT_EQ(result, 0) << ErrorMessage();
            EXPECT_EQ(writer.records.back().tag, SPLTAG_EOF);
            std::vector<std::pair<uint32_t, uint32_t>> headers;  // every page's "QP" or "MD", decoded back
            std::vector<uint32_t> counts;  // its passes: "QP"'s byte, or "MP"'s beside the hi-speed flag
            for (const CapturedRecord& record : writer.records) {
                if (record.data.empty() || (record.tag & 0xF0000000u) == 0xD0000000u) continue;
                for (const prndecode::Command& h : Commands(record)) {
                    if (h.name == "QP") headers.emplace_back(h.Value("xres"), h.Value("yres"));
                    if (h.name == "MD") headers.emplace_back(h.Value("p2"), h.Value("p1"));
                    if (h.name == "QP") counts.push_back(h.Value("p4"));
                    if (h.name == "MP") counts.push_back(h.Value("p1") & 0x7F);
                }
            }
            const auto dpi = [&](const char* axis) { return uint32_t(std::get<double>(Key(P + axis)->front())); };
            EXPECT_GE(headers.size(), size_t(faults::kPages));  // each carries the ticket's resolutions
            EXPECT_EQ(headers, decltype(headers)(headers.size(), {dpi("ResolutionX"), dpi("ResolutionY")}));
            EXPECT_EQ(counts.size(), headers.size());  // and at least one pass
            EXPECT_EQ(std::count(counts.begin(), counts.end(), 0u), 0);
            continue;
        }
        EXPECT_NE(Do({faults::Call::OpenJob}), 0);
        EXPECT_EQ(ErrorMessage().substr(0, c.error.size()), c.error) << ErrorMessage();
        if (!c.info.empty()) {
            EXPECT_TRUE(HasInfo(c.info)) << c.info;
        }
        EXPECT_FALSE(HasInfo("Image cropped by output device"));  // a refused job prints nothing
        Do({faults::Call::CloseJob});
        // The next case starts from the reference job again.
        std::istringstream lines(c.keys);
        for (std::string key; std::getline(lines, key);) {
            store.Erase(TICKET_SCOPE_JOB, kJobId, key.substr(0, key.find(" = ")));
        }
    }
}

// A picture with a channel more than the colour set-up reads: a set-up that
// reads its own count a pixel refuses it at OpenJob naming both counts, one
// that steps by the host's pixel passes over it, and the printer gets the
// bytes of the picture without it.
TEST_F(BadTicket, AChannelMoreThanTheSetUpReadsIsRefusedOrPassedOver) {
    ScratchFolder spots;
    ASSERT_TRUE(
        spotgen::WriteFile(spots.File("693_720x720dpi.spt"), spotgen::Encode(spotgen::Generate(true, false, 8, 3))));
    const std::string spotFolder = "System/Folders/SPT = \"" + TicketPath(spots.Path()) + "\"\n";
    std::vector<faults::Reference> jobs(std::begin(faults::kReferences), std::end(faults::kReferences));
    jobs.push_back({"JV33 white", 693, 720, 720, 1, 8});  // eight channels of error diffusion
    jobs.push_back({"JV33 white screening", 693, 720, 720, 1, 8, 5,
                    "Output/Prn/BPL/HalftoneMode = 6\nOutput/Prn/Specific/White/Mode = 1\n"});
    const std::set<std::string> passedOver = {"UJF605", "UJF605 spooled", "UJF605 two layers", "JV33 white",
                                              "JV33 white screening"};
    for (const faults::Reference& r : jobs) {
        SCOPED_TRACE(r.name);
        Prepare(r, faults::kWidth, spotFolder);
        for (int result : Run()) ASSERT_EQ(result, 0) << ErrorMessage();
        const std::vector<CapturedRecord> without = writer.records;

        Prepare(r, faults::kWidth, spotFolder);
        Ticket("[job]\nProcess/Components = " + std::to_string(r.components + 1) + "\n");
        furtherChannels = 1;
        if (!passedOver.count(r.name)) {
            EXPECT_NE(Do({faults::Call::OpenJob}), 0);
            const std::string counts = " reads " + std::to_string(r.components) + " channels per pixel, the job has " +
                                       std::to_string(r.components + 1);
            EXPECT_NE(ErrorMessage().find(counts), std::string::npos) << ErrorMessage();
            Do({faults::Call::CloseJob});
            continue;
        }
        for (int result : Run()) ASSERT_EQ(result, 0) << ErrorMessage();
        ASSERT_EQ(writer.records.size(), without.size());
        for (size_t i = 0; i < without.size(); ++i) {
            EXPECT_EQ(writer.records[i].tag, without[i].tag) << "record " << i;
            EXPECT_TRUE(writer.records[i].data == without[i].data) << "record " << i;
        }
    }
}

TEST_F(BadTicket, AKeyOfAnotherTypeCountsAsMissingAndTheJobGoesOn) {
    Prepare(faults::Named("JV33"));
    Ticket("[job]\nOutput/Prn/Specific/PrintQuality = 8.5\n");
    EXPECT_EQ(Do({faults::Call::OpenJob}), 0);
    EXPECT_TRUE(HasInfo("Ticket key \"Output/Prn/Specific/PrintQuality\" is stored as real number but read as integer; "
                        "ignored"));
}

// With the feed factor applied to the page lines by the job (no option 11),
// every "QA" and "MA" the printer gets corrects nothing; with option 11 the
// printer gets the factor instead.
TEST_F(BadTicket, ThePaperFeedIsCorrectedOnce) {
    // The magnitude of a feed command, or -1 for another command.
    const auto feed = [](const prndecode::Command& c) {
        if (c.name == "QA" && c.params.size() == 3) return c.params[1] | c.params[2] << 8;
        if (c.name == "MA" && c.params.size() == 4) return int(c.params[3]);
        return -1;
    };
    for (const faults::Reference& r : faults::kReferences) {
        SCOPED_TRACE(r.name);
        int corrected[2] = {0, 0};  // feed commands that correct something: resampled, by the printer
        for (const bool printerFeeds : {false, true}) {
            Prepare(r);
            // A page of 100 lines, so that the resampled height differs.
            Ticket("[job]\nOutput/Prn/Media/Spec/FeedAdjust = 1.1\nProcess/OutHeightPixel = 100\n" +
                   (printerFeeds ? "[printer " + std::to_string(r.model) + "]\nOutput/Prn/Info/Option/ID[] = 11\n"
                                 : std::string()));
            for (int result : Run()) ASSERT_EQ(result, 0);
            for (const CapturedRecord& record : writer.records) {
                // The printer's stream, not the print-and-cut records beside it.
                if (record.tag == 0 || (record.tag & 0xF0000000) == 0xD0000000) continue;
                for (const prndecode::Command& c : prndecode::DecodeMrl(record.data)) {
                    corrected[printerFeeds] += feed(c) > 0;
                }
            }
        }
        EXPECT_EQ(corrected[0], 0);
        // Every line but two sends a feed correction.
        const std::string name = r.name;
        if (name != "JV5" && name.rfind("UJF605", 0) != 0) {
            EXPECT_GT(corrected[1], 0);
        }
    }
}

}  // namespace
