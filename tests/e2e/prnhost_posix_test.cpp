// The prnhost program over the built plug-in: how a user or a script runs a job.
#include "e2e_support.h"

#include <sys/resource.h>
#include <sys/time.h>

#include "image.h"
#include "prndump/prn_records.h"

namespace {

using e2e::Collector;
using e2e::Prnhost;

constexpr const char* kTestPlugin = KELMORA_E2E_PLUGIN_PATH;

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// A program run with what it cost: its own resource use, not its siblings'.
struct MeasuredRun {
    int status = -1;
    std::string output;
    double wallSeconds = 0;
    double cpuSeconds = 0;
    long peakKilobytes = 0;
};

MeasuredRun RunMeasured(const std::string& program, const std::vector<std::string>& arguments,
                        const std::string& folder) {
    const std::string captured = folder + "/measured.out";
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        const int out = open(captured.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (out >= 0) {
            dup2(out, STDOUT_FILENO);
            dup2(out, STDERR_FILENO);
            close(out);
        }
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    MeasuredRun run;
    int status = 0;
    rusage usage{};
    if (pid < 0 || wait4(pid, &status, 0, &usage) != pid) return run;
    run.wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    run.cpuSeconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
    run.peakKilobytes = usage.ru_maxrss;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.output = e2e::ReadText(captured);
    return run;
}

class PrnhostRun : public ::testing::Test {
protected:
    std::string File(const std::string& name) const { return collector.Folder().File(name); }

    std::string WriteTicket(const std::string& name, const std::string& text) const {
        std::ofstream(File(name)) << text;
        return File(name);
    }

    std::string WriteImage(const std::string& name, const prnhost::Image& image) const {
        std::string error;
        EXPECT_TRUE(prnhost::WritePam(File(name), image, error)) << error;
        return File(name);
    }

    static prnhost::Image Cmyk(int width, int height) {
        prnhost::Image image;
        image.width = width;
        image.height = height;
        image.channels = 4;
        image.colorSpace = "cmyk";
        for (int i = 0; i < width * height * 4; ++i) image.pixels.push_back(static_cast<uint8_t>(i * 7));
        return image;
    }

    // A job ticket of the test family without the raster keys: prnhost sets them.
    static std::string JobTicket(int32_t model) {
        return "[job]\nOutput/Prn/Printer/Model = " + std::to_string(model) +
               "\nOutput/Prn/Printer/ModelName = \"CJV300-160 Plus\"\n"
               "Output/Prn/Linearization/BPLPath = \"/nowhere/job.epl\"\n"
               "Output/Prn/Printer/ResolutionX = 720.0\nOutput/Prn/Printer/ResolutionY = 720.0\n"
               "Output/Prn/Media/Size/Width = 1000.0\nOutput/Prn/Media/Size/Height = 2000.0\n";
    }

    e2e::Run Job(const std::string& ticket, const std::string& image, const std::string& out,
                 const std::string& plugin = kTestPlugin, const std::string& extra = std::string()) const {
        return Prnhost("--plugin " + plugin + " --ticket " + ticket + " --image " + image + " --out " + out + extra,
                       collector.Folder().Path());
    }

    Collector collector;
};

TEST_F(PrnhostRun, RunsAJobIntoTheRecordFile) {
    const prnhost::Image image = Cmyk(5, 3);
    const std::string ticketOut = File("final.txt");
    const e2e::Run run = Job(WriteTicket("job.txt", JobTicket(kE2EPlain)), WriteImage("cmyk.pam", image),
                             File("job.prn"), kTestPlugin, " --ticket-out " + ticketOut + " --job-id 17");
    ASSERT_EQ(run.status, 0) << run.output;

    const std::vector<prndecode::Record> records = prndecode::ReadRecordFile(File("job.prn"));
    std::vector<uint32_t> tags;
    for (const auto& r : records) tags.push_back(r.tag);
    EXPECT_EQ(tags, (std::vector<uint32_t>{SPLTAG_JOB_HEADER, SPLTAG_OPEN_JOB, SPLTAG_PAGE_LINK, SPLTAG_PAGE_HEADER,
                                           SPLTAG_DATA, SPLTAG_DATA, SPLTAG_DATA, SPLTAG_PAGE_END, SPLTAG_CLOSE_JOB,
                                           SPLTAG_EOF}));
    for (int y = 0; y < 3; ++y) {
        const std::vector<uint8_t>& data = records[static_cast<size_t>(4 + y)].data;
        ASSERT_EQ(data.size(), 4u + 20u);
        EXPECT_EQ(std::vector<uint8_t>(data.begin() + 4, data.end()),
                  std::vector<uint8_t>(image.Row(y), image.Row(y) + 20));
    }

    const std::string final = e2e::ReadText(ticketOut);
    for (const char* line : {"Process/OutWidthPixel = 5\n", "Process/OutHeightPixel = 3\n", "Process/Components = 4\n",
                             "Output/Prn/Printer/InputColorMode = 4\n", "Output/Input/Format = 0\n",
                             "Output/Progress/Percent = 100\n"}) {
        EXPECT_TRUE(Contains(final, line)) << line << final;
    }
}

TEST_F(PrnhostRun, FeedsPagePlanarBandsAndGreyImagesAsCmyk) {
    const std::string image = WriteImage("cmyk.pam", Cmyk(6, 3));
    ASSERT_EQ(Job(WriteTicket("lines.txt", JobTicket(kE2EPlain)), image, File("lines.prn")).status, 0);
    const e2e::Run planar =
        Job(WriteTicket("planar.txt", JobTicket(kE2EPlain) + "Output/Input/Format = 1\nOutput/Input/NumOfLines = 2\n"),
            image, File("planar.prn"));
    ASSERT_EQ(planar.status, 0) << planar.output;
    EXPECT_EQ(e2e::ReadText(File("planar.prn")), e2e::ReadText(File("lines.prn")))
        << "bands of two lines print what single lines print";

    std::ofstream(File("grey.pgm"), std::ios::binary) << "P5\n2 1\n255\n" << std::string("\x00\xC0", 2);
    ASSERT_EQ(Job(WriteTicket("grey.txt", JobTicket(kE2EPlain)), File("grey.pgm"), File("grey.prn")).status, 0);
    const auto records = prndecode::ReadRecordFile(File("grey.prn"));
    ASSERT_GT(records.size(), 4u);
    EXPECT_EQ(records[4].data, (std::vector<uint8_t>{1, 0, 0, 0, 0, 0, 0, 255, 0, 0, 0, 0x3F}));
}

TEST_F(PrnhostRun, ReportsARefusedModelWithItsMessage) {
    // The library built beside prnhost serves no family yet.
    const e2e::Run run =
        Prnhost("--ticket " + WriteTicket("job.txt", JobTicket(7020)) + " --image " + WriteImage("i.pam", Cmyk(4, 2)) +
                    " --out " + File("job.prn"),
                collector.Folder().Path());
    EXPECT_NE(run.status, 0);
    EXPECT_TRUE(Contains(run.output, "OpenJob failed (-2)")) << run.output;
    EXPECT_TRUE(Contains(run.output,
                         "Output/ErrorMessage: Reredir.uze: Printer model \"CJV300-160 Plus\" not supported yet"))
        << run.output;
    std::vector<uint32_t> tags;
    for (const auto& r : prndecode::ReadRecordFile(File("job.prn"))) tags.push_back(r.tag);
    EXPECT_EQ(tags, (std::vector<uint32_t>{SPLTAG_CLOSE_JOB, SPLTAG_EOF})) << "CloseJob still ends the stream";
}

TEST_F(PrnhostRun, WritesThePrinterInformationTicket) {
    const std::string out = File("info.txt");
    const e2e::Run run = Prnhost(
        "--info --ticket " + WriteTicket("oem.txt", "[system]\nSystem/OEMID = 3\n") + " --ticket-out " + out,
        collector.Folder().Path());
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_TRUE(Contains(run.output, "0 printers")) << run.output;
    EXPECT_TRUE(Contains(e2e::ReadText(out), "System/OEMID = 3\n"));
}

TEST_F(PrnhostRun, WritesEveryOfferedPrinterAndReadsItsOwnTicketBack) {
    const std::string out = File("info.txt");
    const std::string again = File("again.txt");
    e2e::Run run = Prnhost("--info --job-id 5 --ticket " + WriteTicket("oem0.txt", "[system]\nSystem/OEMID = 0\n") +
                               " --ticket-out " + out,
                           collector.Folder().Path());
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_TRUE(Contains(run.output, "156 printers")) << run.output;
    const std::string text = e2e::ReadText(out);
    size_t models = 0;
    for (size_t at = text.find("\n[printer "); at != std::string::npos; at = text.find("\n[printer ", at + 1)) {
        const std::string number = text.substr(at + 10, text.find(']', at) - at - 10);
        if (number != "0" && number != "5") ++models;
    }
    EXPECT_EQ(models, 156u);
    EXPECT_TRUE(Contains(text, "[printer 5]\nOutput/Prn/Info/Manufacturer/ManufacturerID[] = 21\n"));

    run = Prnhost("--info --job-id 5 --ticket " + out + " --ticket-out " + again, collector.Folder().Path());
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(e2e::ReadText(again), text) << "a second export over the first one's ticket";
}

TEST_F(PrnhostRun, RefusesBadInputWithAClearMessage) {
    const std::string ticket = WriteTicket("job.txt", JobTicket(kE2EPlain));
    const std::string image = WriteImage("i.pam", Cmyk(4, 2));
    const std::string out = File("o.prn");
    prnhost::Image twoChannels = Cmyk(4, 2);
    twoChannels.channels = 2;
    twoChannels.colorSpace = "pair";
    twoChannels.pixels.resize(16);
    struct Case {
        std::string arguments;
        int status;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"--ticket " + File("none.txt") + " --image " + image + " --out " + out, 1, "cannot open the ticket file"},
        {"--ticket " + WriteTicket("bad.txt", "[job]\nOutput/Prn/Printer/Model = \n") + " --image " + image +
             " --out " + out,
         1, "line 2: "},
        {"--ticket " + ticket + " --image " + File("none.pam") + " --out " + out, 1, "none.pam: cannot open"},
        {"--ticket " + ticket + " --image " + WriteImage("two.pam", twoChannels) + " --out " + out, 1,
         "cannot tell the colours of a 2-channel \"pair\" image"},
        {"--ticket " + WriteTicket("five.txt", JobTicket(kE2EPlain) + "Process/Components = 5\n") + " --image " +
             image + " --out " + out,
         1, "the image has 4 channels, the ticket's Process/Components says 5"},
        {"--ticket " + ticket + " --image " + image + " --out " + File("no/such/folder.prn"), 1,
         "cannot write the output file"},
        {"--plugin " + File("none.so") + " --ticket " + ticket + " --image " + image + " --out " + out, 1,
         "cannot load the plug-in"},
        {"--ticket " + ticket + " --out " + out, 2, "--image is missing"},
        {"--ticket " + ticket + " --image " + image + " --out " + out + " --colour", 2, "unknown argument --colour"},
        {"--info --ticket " + ticket, 2, "--info needs --ticket-out"},
        {"--ticket " + ticket + " --image " + image + " --out " + out + " --job-id -3", 2, "--job-id needs a number"},
    };
    for (const Case& c : cases) {
        const std::string arguments = c.arguments.rfind("--plugin", 0) == 0 ? c.arguments
                                                                            : "--plugin " + std::string(kTestPlugin) +
                                                                                  " " + c.arguments;
        const e2e::Run run = Prnhost(arguments, collector.Folder().Path());
        EXPECT_EQ(run.status, c.status) << arguments << "\n" << run.output;
        EXPECT_TRUE(Contains(run.output, c.message)) << arguments << "\n" << run.output;
    }
}

TEST_F(PrnhostRun, PrintsOnePagePerPictureInOneJob) {
    prnhost::Image second = Cmyk(5, 3);
    for (uint8_t& byte : second.pixels) byte = static_cast<uint8_t>(255 - byte);
    const std::string ticket = WriteTicket("job.txt", JobTicket(kE2EPlain));
    const e2e::Run run =
        Job(ticket, WriteImage("one.pam", Cmyk(5, 3)) + " --image " + WriteImage("two.pam", second), File("job.prn"));
    ASSERT_EQ(run.status, 0) << run.output;
    const std::vector<prndecode::Record> records = prndecode::ReadRecordFile(File("job.prn"));
    std::vector<std::vector<uint8_t>> pages;  // each page's data records, one after another
    for (const auto& r : records) {
        if (r.tag == SPLTAG_PAGE_HEADER) pages.emplace_back();
        if (r.tag == SPLTAG_DATA && !pages.empty()) pages.back().insert(pages.back().end(), r.data.begin() + 4, r.data.end());
    }
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(pages[0], Cmyk(5, 3).pixels);
    EXPECT_EQ(pages[1], second.pixels);

    const e2e::Run unlike = Job(ticket, File("one.pam") + " --image " + WriteImage("wide.pam", Cmyk(6, 3)), File("x.prn"));
    EXPECT_EQ(unlike.status, 1);
    EXPECT_TRUE(Contains(unlike.output, "wide.pam: 6 x 3 pixels of 4 \"cmyk\" channels, the first picture 5 x 3"))
        << unlike.output;
}

// The picture is read as it is printed: ten times the lines cost no more memory.
TEST_F(PrnhostRun, MemoryDoesNotGrowWithThePicturesHeight) {
    const std::string ticket = WriteTicket("job.txt", JobTicket(kE2EPlain));
    const auto peak = [&](int lines) {
        const std::string picture = File("tall.pam");
        {
            std::ofstream out(picture, std::ios::binary);
            out << "P7\nWIDTH 400\nHEIGHT " << lines << "\nDEPTH 4\nMAXVAL 255\nTUPLTYPE CMYK\nENDHDR\n";
            const std::string row(1600, '\x40');
            for (int y = 0; y < lines; ++y) out << row;
        }
        const MeasuredRun run = RunMeasured(
            PRNHOST_PATH,
            {"--plugin", kTestPlugin, "--ticket", ticket, "--image", picture, "--out", File("tall.prn")},
            collector.Folder().Path());
        EXPECT_EQ(run.status, 0) << run.output;
        return run.peakKilobytes;
    };
    const long small = peak(2000);
    const long tall = peak(20000);  // 32 MB of pixels more
    EXPECT_LT(tall, small + 4096) << "peak resident kB: " << small << " for 2,000 lines, " << tall << " for 20,000";
}

// With no log collector, the job does not wait for one: the logger's
// handshake pauses are all the time it spends beyond its own work. (Polling
// for the collector costs seconds.)
TEST_F(PrnhostRun, AJobWithoutACollectorDoesNotWaitForOne) {
    const std::string ticket = WriteTicket("job.txt", JobTicket(kE2EPlain));
    const std::string picture = WriteImage("i.pam", Cmyk(64, 200));
    ScratchFolder noCollector(true);
    const MeasuredRun run = RunMeasured(
        PRNHOST_PATH, {"--plugin", kTestPlugin, "--ticket", ticket, "--image", picture, "--out", File("job.prn")},
        collector.Folder().Path());
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_LT(run.wallSeconds - run.cpuSeconds, 1.0) << run.wallSeconds << " s wall, " << run.cpuSeconds << " s CPU";
}

TEST(Programs, EachAnswersHelp) {
    ScratchFolder folder;
    std::vector<std::string> programs = {PRNHOST_PATH};
#ifdef PRNDUMP_PATH
    programs.push_back(PRNDUMP_PATH);
#endif
#ifdef LOGCOLLECTOR_PATH
    programs.push_back(LOGCOLLECTOR_PATH);
#endif
    for (const std::string& program : programs) {
        const MeasuredRun run = RunMeasured(program, {"--help"}, folder.Path());
        EXPECT_EQ(run.status, 0) << program << "\n" << run.output;
        EXPECT_EQ(run.output.rfind("usage: ", 0), 0u) << program << "\n" << run.output;
        EXPECT_EQ(program.substr(program.rfind('/') - 4, 5), "/bin/") << program << " is built into bin/";
    }
}

}  // namespace
