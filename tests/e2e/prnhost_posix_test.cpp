// The prnhost program over the built plug-in: how a user or a script runs a job.
#include "e2e_support.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <tiffio.h>

#include <algorithm>

#include "image.h"
#include "prndump/prn_records.h"
#include "support/current_folder.h"

namespace {

using e2e::Collector;
using e2e::Prnhost;

constexpr const char* kTestPlugin = KELMORA_E2E_PLUGIN_PATH;

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

using testprogram::Command;
using testprogram::Stream;
using Outcome = testprogram::Outcome;

// The arguments of a run: the parts in order.
std::vector<std::string> Cat(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

// prnhost with the arguments, in the environment given.
Command PrnhostCommand(const std::vector<std::string>& arguments, const std::vector<std::string>& environment = {}) {
    return Command{Cat({{PRNHOST_PATH}, arguments}), "", environment};
}

// The environment that loads fixtures/rename_hold.c into the program. The
// loader splits LD_PRELOAD at spaces and colons: the library goes by a link
// in folder (a temporary folder, whose path holds neither).
std::vector<std::string> PreloadRenameHold(const std::string& folder) {
    const std::string link = folder + "/librename_hold.so";
    EXPECT_EQ(link.find_first_of(" :"), std::string::npos) << link << ": the loader would split it";
    std::error_code exists;
    std::filesystem::create_symlink(RENAME_HOLD_PATH, link, exists);
    const char* asan = std::getenv("ASAN_OPTIONS");
    return {"ASAN_OPTIONS=" + std::string(asan ? asan : "") + ":verify_asan_link_order=0", "LD_PRELOAD=" + link};
}

// The names in folder that begin with prefix: an output file and its temporaries.
std::vector<std::string> FilesNamed(const std::string& folder, const std::string& prefix) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(prefix, 0) == 0) names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// A one-strip, uncompressed TIFF of 8-bit samples; alpha the type of one extra sample (0: none).
void WriteTiff(const std::string& path, uint32_t width, uint32_t height, uint16_t photometric, uint16_t samples,
               uint16_t alpha, const std::string& data) {
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    ASSERT_NE(tif, nullptr);
    for (const auto& [tag, value] : std::vector<std::pair<uint32_t, uint32_t>>{
             {TIFFTAG_IMAGEWIDTH, width}, {TIFFTAG_IMAGELENGTH, height}, {TIFFTAG_BITSPERSAMPLE, 8},
             {TIFFTAG_SAMPLESPERPIXEL, samples}, {TIFFTAG_PHOTOMETRIC, photometric}, {TIFFTAG_ROWSPERSTRIP, height}}) {
        TIFFSetField(tif, tag, value);
    }
    if (alpha) TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &alpha);
    const std::vector<uint16_t> map(256, 0);
    if (photometric == PHOTOMETRIC_PALETTE) TIFFSetField(tif, TIFFTAG_COLORMAP, map.data(), map.data(), map.data());
    TIFFWriteRawStrip(tif, 0, const_cast<char*>(data.data()), static_cast<tmsize_t>(data.size()));
    TIFFClose(tif);
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

    // A job of the pictures in order.
    static e2e::Run Job(const std::string& ticket, const std::vector<std::string>& images, const std::string& out,
                        const std::string& plugin = kTestPlugin, const std::vector<std::string>& extra = {}) {
        std::vector<std::string> arguments = {"--plugin", plugin, "--ticket", ticket};
        for (const std::string& image : images) arguments.insert(arguments.end(), {"--image", image});
        return e2e::Prnhost(Cat({arguments, {"--out", out}, extra}));
    }

    Collector collector;
};

TEST_F(PrnhostRun, RunsAJobIntoTheRecordFile) {
    const prnhost::Image image = Cmyk(5, 3);
    const std::string ticketOut = File("final.txt");
    const e2e::Run run = Job(WriteTicket("job.txt", JobTicket(kE2EPlain)), {WriteImage("cmyk.pam", image)},
                             File("job.prn"), kTestPlugin, {"--ticket-out", ticketOut, "--job-id", "17"});
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
    ASSERT_EQ(Job(WriteTicket("lines.txt", JobTicket(kE2EPlain)), {image}, File("lines.prn")).status, 0);
    const e2e::Run planar =
        Job(WriteTicket("planar.txt", JobTicket(kE2EPlain) + "Output/Input/Format = 1\nOutput/Input/NumOfLines = 2\n"),
            {image}, File("planar.prn"));
    ASSERT_EQ(planar.status, 0) << planar.output;
    EXPECT_EQ(e2e::ReadText(File("planar.prn")), e2e::ReadText(File("lines.prn")))
        << "bands of two lines print what single lines print";

    std::ofstream(File("grey.pgm"), std::ios::binary) << "P5\n2 1\n255\n" << std::string("\x00\xC0", 2);
    ASSERT_EQ(Job(WriteTicket("grey.txt", JobTicket(kE2EPlain)), {File("grey.pgm")}, File("grey.prn")).status, 0);
    const auto records = prndecode::ReadRecordFile(File("grey.prn"));
    ASSERT_GT(records.size(), 4u);
    EXPECT_EQ(records[4].data, (std::vector<uint8_t>{1, 0, 0, 0, 0, 0, 0, 255, 0, 0, 0, 0x3F}));
    // MinIsWhite: 0 is white.
    WriteTiff(File("white.tif"), 2, 1, PHOTOMETRIC_MINISWHITE, 1, 0, std::string("\x00\xC0", 2));
    ASSERT_EQ(Job(File("grey.txt"), {File("white.tif")}, File("white.prn")).status, 0);
    EXPECT_EQ(prndecode::ReadRecordFile(File("white.prn")).at(4).data,
              (std::vector<uint8_t>{1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xC0}));
}

// A job that ran to its end with an error in "Output/ErrorMessage" (here a
// print-and-cut page without its cut data) keeps its stream and says so.
TEST_F(PrnhostRun, AJobThatPrintedWithAnErrorExitsThree) {
    const std::string job = std::string(KELMORA_SOURCE_ROOT) +
                            "/.ci/cross-platform/cjv30";
    std::filesystem::create_directory(File("folder"));
    std::ofstream(File("empty.ai")).close();
    std::ofstream(File("garbage.ai")) << "garbage\n";
    std::ofstream(File("nopaths.ai")) << "%!PS-Adobe-3.0\n%%Note: AI_ParserStart\n%%Note: AI_ParserStop\n";
    for (const char* cut : {"none.ai", "empty.ai", "folder", "garbage.ai", "nopaths.ai"}) {
        const std::string ticket = WriteTicket("cut.txt", e2e::ReadText(job + "/ticket.txt") +
                                                              "\n[job]\nOutput/Prn/Linearization/BPLPath = \"" + job +
                                                              "/cmyk.lin\"\nProcess/ContourCut/ICUT/AI_FileName = \"" +
                                                              File(cut) + "\"\n");
        const e2e::Run run = Job(ticket, {job + "/image.pam"}, File("cut.prn"), KELMORA_PLUGIN_PATH);
        EXPECT_EQ(run.status, 3) << cut << "\n" << run.output;
        EXPECT_TRUE(Contains(run.output, "prnhost: error: Output/ErrorMessage: No cut data: ")) << run.output;
        EXPECT_GT(std::filesystem::file_size(File("cut.prn")), 1000u) << "the printed stream is kept";
    }
}

TEST_F(PrnhostRun, ReportsARefusedModelWithItsMessage) {
    // The library built beside prnhost serves no family yet.
    const e2e::Run run = Prnhost({"--ticket", WriteTicket("job.txt", JobTicket(7020)), "--image",
                                  WriteImage("i.pam", Cmyk(4, 2)), "--out", File("job.prn")});
    EXPECT_NE(run.status, 0);
    EXPECT_TRUE(Contains(run.output, "OpenJob failed (-2)")) << run.output;
    EXPECT_TRUE(Contains(run.output,
                         "Output/ErrorMessage: Reredir.uze: Printer model \"CJV300-160 Plus\" not supported yet"))
        << run.output;
    EXPECT_FALSE(std::filesystem::exists(File("job.prn"))) << "a failed job leaves no output";
    EXPECT_FALSE(Contains(run.output, "prnhost: log:")) << "the running collector has the log";
}

TEST_F(PrnhostRun, WritesThePrinterInformationTicket) {
    const std::string out = File("info.txt");
    const e2e::Run run =
        Prnhost({"--info", "--ticket", WriteTicket("oem.txt", "[system]\nSystem/OEMID = 3\n"), "--ticket-out", out});
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_TRUE(Contains(run.output, "0 printers")) << run.output;
    EXPECT_TRUE(Contains(e2e::ReadText(out), "System/OEMID = 3\n"));
}

TEST_F(PrnhostRun, WritesEveryOfferedPrinterAndReadsItsOwnTicketBack) {
    const std::string out = File("info.txt");
    const std::string again = File("again.txt");
    e2e::Run run = Prnhost({"--info", "--job-id", "5", "--ticket",
                            WriteTicket("oem0.txt", "[system]\nSystem/OEMID = 0\n"), "--ticket-out", out});
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

    run = Prnhost({"--info", "--job-id", "5", "--ticket", out, "--ticket-out", again});
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
    prnhost::Image ownColours = Cmyk(4, 2);
    ownColours.colorSpace = "own";
    const std::string cmyk = WriteTicket("cmyk.txt", JobTicket(kE2EPlain) + "Output/Prn/Printer/InputColorMode = 4\n");
    const std::string counted = WriteTicket("counted.txt", JobTicket(kE2EPlain) +
                                                               "Output/Prn/Printer/InputColorMode = 4\nProcess/Components = 4\n");
    WriteTiff(File("palette.tif"), 2, 2, PHOTOMETRIC_PALETTE, 1, 0, std::string(4, '\x40'));
    WriteTiff(File("ycbcr.tif"), 2, 2, PHOTOMETRIC_YCBCR, 3, 0, std::string(12, '\x40'));
    WriteTiff(File("lab.tif"), 2, 2, PHOTOMETRIC_CIELAB, 3, 0, std::string(12, '\x40'));
    WriteTiff(File("rgba.tif"), 2, 2, PHOTOMETRIC_RGB, 4, EXTRASAMPLE_UNASSALPHA, std::string(16, '\x40'));
    WriteTiff(File("rgbx.tif"), 2, 2, PHOTOMETRIC_RGB, 4, 0, std::string(16, '\x40'));
    WriteTiff(File("wide.tif"), 1048576, 1, PHOTOMETRIC_MINISBLACK, 1, 0, std::string(80000, '\x40'));
    std::ofstream(File("rgba.pam"), std::ios::binary)
        << "P7\nWIDTH 2\nHEIGHT 2\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n" << std::string(16, '\x40');
    std::filesystem::create_hard_link(image, File("link.pam"));
    const std::vector<std::string> job = {"--ticket", ticket, "--image", image};
    const std::string alpha = "the image has 4 channels, 1 of them alpha, which is not printed";
    const std::string short168 = File("short.pam");
    std::ofstream(short168, std::ios::binary)
        << "P7\nWIDTH 16000\nHEIGHT 16000\nDEPTH 4\nMAXVAL 255\nTUPLTYPE CMYK\nENDHDR\n" << std::string(106, '\x10');
    // The files a ticket names, the installation's, the linearisation library beside a plug-in, an old output.
    std::filesystem::create_directory(File("lib"));
    std::filesystem::copy_file(kTestPlugin, File("lib/kelmora.so"));
    std::filesystem::create_symlink(File("lib/kelmora.so"), File("kelmora-link.so"));
    const std::vector<std::string> keptFiles = {"job.lin",       "cut.ai",  "vc.txt", "s.spt", "DaVav.ini",
                                                "lib/libepl.so", "old.prn", "old.txt"};
    for (const std::string& name : keptFiles) std::ofstream(File(name)) << "kept\n";
    std::filesystem::create_hard_link(File("old.prn"), File("old-link.prn"));
    std::string namesText = JobTicket(kE2EPlain);
    namesText.replace(namesText.find("/nowhere/job.epl"), 16, File("job.lin"));
    const std::string names = WriteTicket(
        "names.txt", namesText + "Process/ContourCut/ICUT/AI_FileName = \"" + File("cut.ai") +
                         "\"\nCMM/VisualCorrection = \"" + File("vc.txt") +
                         "\"\nOutput/Prn/BPL/ScreeningFile = \"s.spt\"\n[system]\nSystem/InstallFolder = \"" +
                         collector.Folder().Path() + "\"\n");
    const std::string reused = WriteTicket(
        "reused.txt", JobTicket(kE2EPlain) + "Output/ErrorMessage = \"No cut data: old\"\nProcess/ErrorMessage[] = \"old\"\n");
    const std::string folderName = std::filesystem::path(collector.Folder().Path()).filename().string();
    // The files jobs read by fixed name in the current folder (this one), an
    // installation without "DaVav.ini" and with the model's own screening file.
    const CurrentFolder here(collector.Folder().Path());
    const std::vector<std::string> kept = {"QorMimakiColorCodes.txt", "UJF_EnableDeleteOnClose.txt",
                                           "WorkaroundMissingCutData.txt", "inst/Profiles/Screening/9900_720x720dpi.spt",
                                           "s.SPT", "fine.dat"};
    std::filesystem::create_directories(File("inst/Profiles/Screening"));
    for (const std::string& name : kept) std::ofstream(File(name)) << "kept\n";
    std::filesystem::create_symlink("QorMimakiColorCodes.txt", File("codes-link"));
    const std::string installed =
        WriteTicket("inst.txt", JobTicket(kE2EPlain) + "[system]\nSystem/InstallFolder = \"" + File("inst") + "\"\n");
    const std::string esc = "\x1B]0;";  // the start of a terminal command
    struct Case {
        std::vector<std::string> arguments;
        int status;
        std::string message;
        std::vector<std::pair<int, Stream>> files = {};  // what the program's descriptors lead to
        std::string folder = {};                         // where it runs, if not here
    };
    // A screening file the ticket names, whatever its name ends in.
    const auto screening = [&](const std::string& name) {
        const std::string named = namesText + "Output/Prn/BPL/ScreeningFile = \"" + name + "\"\n";
        return Case{{"--ticket", WriteTicket(name + ".txt", named), "--image", image, "--out", File(name)}, 1,
                    "--out " + File(name) + " is the job's screening file"};
    };
    const std::vector<Case> cases = {
        {{"--ticket", File("none.txt"), "--image", image, "--out", out}, 1, "cannot open the ticket file"},
        {{"--ticket", WriteTicket("bad.txt", "[job]\nOutput/Prn/Printer/Model = \n"), "--image", image, "--out", out},
         1, "line 2: "},
        {{"--ticket", ticket, "--image", File("none.pam"), "--out", out}, 1, "none.pam: cannot open"},
        {{"--ticket", ticket, "--image", WriteImage("two.pam", twoChannels), "--out", out}, 1,
         "cannot tell the colours of a 2-channel \"pair\" image"},
        {{"--ticket", WriteTicket("five.txt", JobTicket(kE2EPlain) + "Process/Components = 5\n"), "--image", image,
          "--out", out},
         1, "the image has 4 channels, the ticket's Process/Components says 5"},
        {{"--ticket", ticket, "--image", image, "--out", File("no/such/folder.prn")}, 1,
         "cannot write " + File("no/such/folder.prn") + ": No such file or directory"},
        {{"--plugin", File("none.so"), "--ticket", ticket, "--image", image, "--out", out}, 1,
         "cannot load the plug-in"},
        {{"--ticket", collector.Folder().Path(), "--image", image, "--out", out}, 1, "is not a regular file"},
        {{"--ticket", ticket, "--image", collector.Folder().Path(), "--out", out}, 1, "not a regular file"},
        {{"--ticket",
          WriteTicket("nul.txt", JobTicket(kE2EPlain) + "Input/Title = \"a" + std::string(1, '\0') + "b\"\n"),
          "--image", image, "--out", out},
         1, "line 9: a text cannot hold a NUL byte"},
        {{"--ticket", ticket, "--image", WriteImage("own.pam", ownColours), "--out", out}, 1,
         "cannot tell the colours of a 4-channel \"own\" image: set Output/Prn/Printer/InputColorMode"},
        {{"--ticket", WriteTicket("rgb.txt", JobTicket(kE2EPlain) + "Output/Prn/Printer/InputColorMode = 3\n"),
          "--image", image, "--out", out},
         1, "InputColorMode 3 (RGB) does not fit the 4-channel \"cmyk\" image (4, CMYK)"},
        {{"--ticket", ticket, "--image", short168, "--out", out}, 1,
         "raster data ends early: the header declares 1024000000 bytes"},
        // Refused before the job starts, not at its last row.
        {{"--ticket", ticket, "--image", WriteTicket("short.pgm", "P5\n2 2\n255\n\1\2\3"), "--out", out}, 1,
         "short.pgm: raster data ends early: the header declares 4 bytes, the file holds 3\n"},
        {Cat({job, {"--image", WriteTicket("trailing.pam", e2e::ReadText(image) + "\n\n\1\2\3\n"), "--out", out}}), 1,
         "trailing.pam: the 6 bytes after picture 1 are not a picture prnhost reads: not a PNM or PAM file"},
        {{"--ticket", ticket, "--image", WriteTicket("twice.pam", e2e::ReadText(image).insert(11, "WIDTH 2\n")),
          "--out", out},
         1, "twice.pam: bad PAM header: WIDTH is given twice (WIDTH 4, then WIDTH 2)"},
        {{"--ticket", ticket, "--out", out}, 2, "--image is missing"},
        {{"--ticket", ticket, "--image", image, "--out", out, "--colour"}, 2, "unknown argument --colour"},
        {{"--info", "--ticket", ticket}, 2, "--info needs --ticket-out"},
        {{"--ticket", ticket, "--image", image, "--out", out, "--job-id", "-3"}, 2, "--job-id needs a number"},
        {{"--ticket", cmyk, "--image", File("palette.tif"), "--out", out}, 1,
         "palette.tif: palette TIFF (photometric 3) is not read"},
        {{"--ticket", cmyk, "--image", File("ycbcr.tif"), "--out", out}, 1, "YCbCr TIFF (photometric 6)"},
        {{"--ticket", cmyk, "--image", File("lab.tif"), "--out", out}, 1, "CIELab TIFF (photometric 8)"},
        {{"--ticket", cmyk, "--image", File("rgba.tif"), "--out", out}, 1, alpha},
        {{"--ticket", cmyk, "--image", File("rgba.pam"), "--out", out}, 1, alpha},
        {{"--ticket", counted, "--image", File("rgba.tif"), "--out", out}, 1,
         "InputColorMode 4 (CMYK) does not fit the 4-channel \"rgb\" image (3, RGB)"},
        // Pictures alike in size and channels, unlike in alpha or in colours, are no pages of one job.
        {{"--ticket", ticket, "--image", File("rgbx.tif"), "--image", File("rgba.tif"), "--out", out}, 1,
         "rgba.tif: 2 x 2 pixels of 4 \"rgb\" channels, 1 of them alpha, the first picture 2 x 2 pixels of 4 \"rgb\""},
        {{"--ticket", ticket, "--image", WriteImage("small.pam", Cmyk(2, 2)), "--image", File("rgbx.tif"), "--out",
          out},
         1, "rgbx.tif: 2 x 2 pixels of 4 \"rgb\" channels, the first picture 2 x 2 pixels of 4 \"cmyk\" channels"},
        // Refused before its row of 1 MB is made.
        {{"--ticket", cmyk, "--image", File("wide.tif"), "--out", out}, 1,
         "wide.tif: raster data ends early: strip 0 "},
        {{"--ticket", WriteTicket("utf16.txt", std::string("\xFF\xFE[\0j\0", 6)), "--image", image, "--out", out}, 1,
         "line 1: the text begins with a UTF-16 byte-order mark"},
        {{"--ticket", WriteTicket("bom.txt", "\xEF\xBB\xBF" + JobTicket(kE2EPlain)), "--image", image, "--out", out}, 0,
         ""},
        {Cat({job, {"--out", image}}), 1,
         "--out " + image + " is the job's picture " + image + ": it would be overwritten"},
        {Cat({job, {"--out", File("link.pam")}}), 1, "is the job's picture " + image},
        {Cat({job, {"--out", ticket}}), 1, "--out " + ticket + " is the job's ticket"},
        {Cat({job, {"--out", out, "--ticket-out", collector.Folder().Path() + "/./i.pam"}}), 1, "is the job's picture"},
        {Cat({job, {"--out", out, "--ticket-out", out}}), 1, "name the same file"},
        {Cat({job, {"--out", out, "--ticket-out", File("../" + folderName + "/o.prn")}}), 1, "name the same file"},
        {Cat({job, {"--out", File("old.prn"), "--ticket-out", File("old-link.prn")}}), 1, "name the same file"},
        {Cat({job, {"--out", "/dev/null", "--ticket-out", "/dev/null"}}), 0, ""},
        {Cat({job, {"--out", "/dev/prnhost-test-no-device"}}), 1,
         "cannot write /dev/prnhost-test-no-device: No such device"},
        {Cat({job, {"--out", File(std::string(250, 'o'))}}), 0, ""},
        {{"--ticket", names, "--image", image, "--out", File("job.lin")}, 1,
         "--out " + File("job.lin") + " is the job's linearisation file"},
        {{"--ticket", names, "--image", image, "--out", out, "--ticket-out", File("cut.ai")}, 1,
         "is the job's cut file"},
        {{"--ticket", names, "--image", image, "--out", File("vc.txt")}, 1, "is the job's visual-correction file"},
        {{"--ticket", names, "--image", image, "--out", File("s.spt")}, 1, "is the job's screening file"},
        screening("s.SPT"), screening("fine.dat"),
        {{"--ticket", names, "--image", image, "--out", File("DaVav.ini")}, 1, "is the driver settings file"},
        {Cat({{"--plugin", File("lib/kelmora.so")}, job, {"--out", File("lib/libepl.so")}}), 1,
         "is the linearisation library"},
        // The plug-in by a symbolic link: the library beside the file it names.
        {Cat({{"--plugin", File("kelmora-link.so")}, job, {"--out", File("lib/libepl.so")}}), 1,
         "--out " + File("lib/libepl.so") + " is the linearisation library"},
        // The plug-in by its bare name in its own folder: the library beside it, there.
        {Cat({{"--plugin", "kelmora.so"}, job, {"--out", "libepl.so"}}), 1,
         "--out libepl.so is the linearisation library", {}, File("lib")},
        // Only this job's messages count; a page end lost fails the job, one that fails after it is an error.
        {{"--ticket", reused, "--image", image, "--out", out}, 0, ""},
        {{"--ticket", WriteTicket("lost.txt", JobTicket(kE2EPageEndLost)), "--image", image, "--out", out}, 1,
         "ClosePage failed (-7): the page's end is not in the output"},
        {{"--ticket", WriteTicket("fails.txt", JobTicket(kE2EPageEndFails)), "--image", image, "--out", out}, 3,
         "prnhost: error: ClosePage failed (-7)"},
        {Cat({job, {"--out", out, "--ticket-out", collector.Folder().Path()}}), 1, "Is a directory"},
        {{"--ticket", WriteTicket("refused.txt", JobTicket(kE2EPageEndRefused)), "--image", image, "--out", out}, 1,
         "prnhost: ClosePage: the page's end is not in the output"},
        // A file a job reads by fixed name, by any spelling, and whether it is there yet or not.
        {Cat({job, {"--out", "QorMimakiColorCodes.txt"}}), 1,
         "--out QorMimakiColorCodes.txt is the Tx500 colour-code file QorMimakiColorCodes.txt: it would be overwritten"},
        {Cat({job, {"--out", out, "--ticket-out", "codes-link"}}), 1, "is the Tx500 colour-code file"},
        {Cat({job, {"--out", "/proc/self/fd/5"}}), 1, "is the Tx500 colour-code file",
         {{5, Stream::Read("QorMimakiColorCodes.txt")}}},
        {Cat({job, {"--out", "./UJF_EnableDeleteOnClose.txt"}}), 1, "is the UJF-605 delete-on-close switch"},
        {Cat({job, {"--out", out, "--ticket-out", "/proc/self/fd/0"}}), 1, "is the UJF-605 delete-on-close switch",
         {{0, Stream::Read("UJF_EnableDeleteOnClose.txt")}}},
        {Cat({job, {"--out", out, "--ticket-out", "../" + folderName + "/WorkaroundMissingCutData.txt"}}), 1,
         "is the missing-cut-data switch"},
        {Cat({job, {"--out", File("WorkaroundMissingCutData.txt")}}), 1, "is the missing-cut-data switch"},
        {Cat({job, {"--out", "./InkJet.spt"}}), 1,
         "--out ./InkJet.spt is the default screening file InkJet.spt: jobs would read it"},
        {Cat({job, {"--out", out, "--ticket-out", "../" + folderName + "/InkJet.spt"}}), 1,
         "is the default screening file"},
        {{"--ticket", installed, "--image", image, "--out", File("inst/DaVav.ini")}, 1,
         "is the driver settings file " + File("inst") + "/DaVav.ini: jobs would read it"},
        {{"--ticket", installed, "--image", image, "--out", File("inst/Profiles/Screening/9900_720x720dpi.spt")}, 1,
         "is the job's screening file"},
        // Names from the command line are quoted with their control bytes escaped.
        {{"--ticket", ticket, "--image", File("no" + esc + ".pam"), "--out", out}, 1,
         File("no\\x1B]0;.pam") + ": cannot open"},
        {{"--ticket", File("no" + esc + ".txt"), "--image", image, "--out", out}, 1,
         "cannot open the ticket file \"" + File("no\\x1B]0;.txt") + "\""},
        {Cat({job, {"--out", File("no" + esc + "/o.prn")}}), 1,
         "cannot write " + File("no\\x1B]0;/o.prn") + ": No such"},
        {Cat({{"--plugin", File("no" + esc + ".so")}, job, {"--out", out}}), 1,
         "cannot load the plug-in " + File("no\\x1B]0;.so") + ": "},
        {Cat({job, {"--out", out, "--colour\n"}}), 2, "unknown argument --colour\\x0A\n"},
        // --info starts like a job: an earlier job's messages are not its own.
        {{"--info", "--ticket", reused, "--ticket-out", File("info.txt")}, 0, " printers"},
        {{"--info", "--ticket", ticket, "--ticket-out", "./WorkaroundMissingCutData.txt"}, 1,
         "is the missing-cut-data switch"},
        // A count line that cannot be printed fails the run, which then leaves the old file as it was.
        {{"--info", "--ticket", ticket, "--ticket-out", "old.txt"}, 1,
         "prnhost: cannot write standard output: No space left on device", {{1, Stream::FullDevice()}}},
        {{"--info", "--ticket", ticket, "--ticket-out", "old.txt"}, 1,
         "prnhost: cannot write standard output: Bad file descriptor", {{1, Stream::Closed()}}},
    };
    const std::string imageBytes = e2e::ReadText(image);
    for (const Case& c : cases) {
        const std::vector<std::string> arguments =
            c.arguments.front() == "--plugin" ? c.arguments : Cat({{"--plugin", kTestPlugin}, c.arguments});
        Command command = PrnhostCommand(arguments);
        command.folder = c.folder;
        for (const auto& [descriptor, stream] : c.files) command.With(descriptor, stream);
        const e2e::Run run = testprogram::Run(command);
        const std::string shown = testprogram::Shown(arguments);
        EXPECT_EQ(run.status, c.status) << shown << "\n" << run.output;
        EXPECT_TRUE(Contains(run.output, c.message)) << shown << "\n" << run.output;
        EXPECT_EQ(Contains(run.output, "prnhost: error:"), c.status == 3) << shown << "\n" << run.output;
        if (c.status == 0 || c.status == 3) std::filesystem::remove(out);
    }
    for (const std::string& name : keptFiles) EXPECT_EQ(e2e::ReadText(File(name)), "kept\n") << name;
    EXPECT_EQ(FilesNamed(collector.Folder().Path(), "old.txt"), std::vector<std::string>{"old.txt"});
    for (const std::string& name : kept) EXPECT_EQ(e2e::ReadText(File(name)), "kept\n") << name;
    EXPECT_FALSE(std::filesystem::exists(File("InkJet.spt")) || std::filesystem::exists(File("inst/DaVav.ini")));
    EXPECT_FALSE(std::filesystem::remove("/dev/prnhost-test-no-device")) << "a file made in /dev";
    // prnhost itself (a copy, which a fault would replace).
    std::filesystem::copy_file(PRNHOST_PATH, File("prnhost"));
    const Outcome self = testprogram::Run(
        {{File("prnhost"), "--plugin", kTestPlugin, "--ticket", ticket, "--image", image, "--out", File("prnhost")}});
    EXPECT_EQ(self.status, 1);
    EXPECT_TRUE(Contains(self.output, "is the running program")) << self.output;
    EXPECT_EQ(e2e::ReadText(image), imageBytes);
    EXPECT_TRUE(Contains(e2e::ReadText(ticket), "[job]\n")) << "the inputs are kept";
    EXPECT_FALSE(std::filesystem::exists(out));
}

TEST_F(PrnhostRun, PrintsOnePagePerPictureInOneJob) {
    prnhost::Image second = Cmyk(5, 3);
    for (uint8_t& byte : second.pixels) byte = static_cast<uint8_t>(255 - byte);
    const std::string ticket = WriteTicket("job.txt", JobTicket(kE2EPlain));
    const e2e::Run run =
        Job(ticket, {WriteImage("one.pam", Cmyk(5, 3)), WriteImage("two.pam", second)}, File("job.prn"));
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

    const e2e::Run unlike = Job(ticket, {File("one.pam"), WriteImage("wide.pam", Cmyk(6, 3))}, File("x.prn"));
    EXPECT_EQ(unlike.status, 1);
    EXPECT_TRUE(Contains(unlike.output, "wide.pam: 6 x 3 pixels of 4 \"cmyk\" channels, the first picture 5 x 3"))
        << unlike.output;

    // A file's pages (a TIFF as `convert` writes it, with one-pixel thumbnails; a PAM stream) print as a file each.
    const auto tiffPages = [&](const std::string& name, const std::vector<prnhost::Image>& images, uint16_t planar) {
        TIFF* tif = TIFFOpen(File(name).c_str(), "w");
        const uint32_t planes = planar == PLANARCONFIG_SEPARATE ? 4 : 1;
        for (size_t i = 0; i < images.size() * 2 - 1; ++i) {
            const prnhost::Image page = i % 2 ? Cmyk(1, 1) : images[i / 2];
            for (const auto& [tag, value] : std::vector<std::pair<uint32_t, uint32_t>>{
                     {TIFFTAG_SUBFILETYPE, i % 2 ? FILETYPE_REDUCEDIMAGE : FILETYPE_PAGE},
                     {TIFFTAG_IMAGEWIDTH, page.width}, {TIFFTAG_IMAGELENGTH, page.height}, {TIFFTAG_BITSPERSAMPLE, 8},
                     {TIFFTAG_SAMPLESPERPIXEL, 4}, {TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_SEPARATED},
                     {TIFFTAG_PLANARCONFIG, planar}, {TIFFTAG_ROWSPERSTRIP, page.height}}) {
                TIFFSetField(tif, tag, value);
            }
            for (uint32_t plane = 0; plane < planes; ++plane) {
                std::vector<uint8_t> strip;
                for (size_t at = plane; at < page.pixels.size(); at += planes) strip.push_back(page.pixels[at]);
                TIFFWriteEncodedStrip(tif, plane, strip.data(), static_cast<tmsize_t>(strip.size()));
            }
            TIFFWriteDirectory(tif);
        }
        TIFFClose(tif);
        return File(name);
    };
    const std::string one = File("one.pam"), two = File("two.pam");
    const std::vector<std::string> both = {one, two};
    const std::string tiff = tiffPages("pages.tif", {Cmyk(5, 3), second}, PLANARCONFIG_CONTIG);
    std::ofstream(File("stream.pam"), std::ios::binary) << e2e::ReadText(one) << "\n" << e2e::ReadText(two) << "\n";
    for (const auto& [pictures, alone] : std::vector<std::pair<std::vector<std::string>, std::vector<std::string>>>{
             {{tiff}, both},
             {{tiffPages("planes.tif", {second, Cmyk(5, 3), second}, PLANARCONFIG_SEPARATE)}, Cat({{two}, both})},
             {{File("stream.pam")}, both},
             {{one, File("stream.pam"), tiff}, Cat({{one}, both, both})}}) {
        SCOPED_TRACE(testprogram::Shown(pictures));
        ASSERT_EQ(Job(ticket, alone, File("alone.prn")).status, 0);
        const e2e::Run printed = Job(ticket, pictures, File("pages.prn"));
        EXPECT_EQ(printed.status, 0) << printed.output;
        EXPECT_TRUE(e2e::ReadText(File("pages.prn")) == e2e::ReadText(File("alone.prn")));
    }
}

// The picture is read as it is printed: ten times the lines, or ten thousand pages, cost no more memory.
TEST_F(PrnhostRun, MemoryDoesNotGrowWithThePicturesHeight) {
    const std::string ticket = WriteTicket("job.txt", JobTicket(kE2EPlain));
    const auto peak = [&](int lines, int pages = 1, int width = 400) {
        const std::string picture = File("tall.pam");
        {
            std::ofstream out(picture, std::ios::binary);
            const std::string row(4 * static_cast<size_t>(width), '\x40');
            for (int page = 0; page < pages; ++page) {
                out << "P7\nWIDTH " << width << "\nHEIGHT " << lines << "\nDEPTH 4\nMAXVAL 255\nTUPLTYPE CMYK\nENDHDR\n";
                for (int y = 0; y < lines; ++y) out << row;
            }
        }
        // In the sanitizer build: freed memory is reused at once, as in the normal build.
        const char* options = std::getenv("ASAN_OPTIONS");
        const Outcome run = testprogram::Run(PrnhostCommand(
            {"--plugin", kTestPlugin, "--ticket", ticket, "--image", picture, "--out", File("tall.prn")},
            {"ASAN_OPTIONS=" + std::string(options ? options : "") +
             ":quarantine_size_mb=0:thread_local_quarantine_size_kb=0"}));
        EXPECT_EQ(run.status, 0) << run.output;
        return run.peakKilobytes;
    };
    const long small = peak(2000);
    const long tall = peak(20000);  // 32 MB of pixels more
    EXPECT_LT(tall, small + 4096) << "peak resident kB: " << small << " for 2,000 lines, " << tall << " for 20,000";
    EXPECT_LT(peak(2000, 10), small + 4096) << "peak resident kB for ten pages of 2,000 lines, and for one";
    const long one = peak(2, 1, 8);
    EXPECT_LT(peak(2, 10000, 8), one + 1024) << "peak resident kB for 10,000 pictures of 8 x 2 pixels, and for one";
}

// Without a collector, prnhost runs its own: a failed job's log says why.
TEST_F(PrnhostRun, ShowsTheLogsReasonsAndTheTicketsWarnings) {
    ScratchFolder noCollector(true);
    const std::string picture = WriteImage("i.pam", Cmyk(4, 2));
    // The JV33 sample job with one thing wrong: the log's first error says what.
    const std::string root = std::string(KELMORA_SOURCE_ROOT);
    const std::string sample = e2e::ReadText(root + "/examples/jv33.ticket");
    const auto without = [&](const std::vector<std::string>& keys, const std::string& extra) {
        std::istringstream lines(sample);
        std::string text, line;
        while (std::getline(lines, line)) {
            bool drop = line.find("BPLPath") != std::string::npos;
            for (const std::string& key : keys) drop = drop || line.rfind(key + " =", 0) == 0;
            if (!drop) text += line + "\n";
        }
        return WriteTicket("jv33.txt", text + extra);
    };
    std::ofstream(File("garbage.lin")) << "garbage\n";
    // A linearisation file with no spot file beside it.
    std::filesystem::copy_file(root + "/examples/cmyk.lin", File("cmyk.lin"));
    const std::string lin = "Output/Prn/Linearization/BPLPath = \"";
    const struct {
        std::vector<std::string> keys;
        std::string extra, reason;
    } cases[] = {
        {{"Output/Prn/Printer/Model"}, lin + root + "/examples/cmyk.lin\"\n", "Printer ID not set"},
        {{"Output/Prn/Printer/ResolutionX", "Output/Prn/Printer/ResolutionY"}, lin + root + "/examples/cmyk.lin\"\n",
         "\"Output/Prn/Printer/ResolutionX\" not set"},
        {{"Output/Prn/Media/Size/Width"}, lin + root + "/examples/cmyk.lin\"\n", "Media width or height not set"},
        {{}, lin + "/nowhere/cmyk.lin\"\n", "BuildLut failed with error -2"},
        {{}, lin + File("garbage.lin") + "\"\n", "BuildLut failed with error -3"},
        {{}, lin + File("cmyk.lin") + "\"\nOutput/Prn/BPL/HalftoneMode = 6\n",
         "Screening file \"700_720x720dpi.spt\" not found"},
    };
    for (const auto& c : cases) {
        const e2e::Run failed = Job(without(c.keys, c.extra), {picture}, File("a.prn"), KELMORA_PLUGIN_PATH);
        EXPECT_EQ(failed.status, 1);
        EXPECT_TRUE(Contains(failed.output, "OpenJob failed (-2)")) << failed.output;
        const size_t error = failed.output.find("prnhost: log: 0: ");
        EXPECT_TRUE(error != std::string::npos && Contains(failed.output.substr(error), c.reason)) << failed.output;
    }

    const std::string missingCurve = WriteTicket(
        "vc.txt", JobTicket(kE2EPlain) + "CMM/UseVisualCorrection = 1\nCMM/VisualCorrection = \"/nowhere/vc.txt\"\n");
    const e2e::Run warned = Job(missingCurve, {picture}, File("b.prn"));
    EXPECT_EQ(warned.status, 3) << warned.output;
    EXPECT_TRUE(Contains(warned.output,
                         "prnhost: error: Process/ErrorMessage: Printer linearization cannot be processed (vc.txt)"))
        << warned.output;
    EXPECT_FALSE(Contains(warned.output, "PrnBase::OpenPage: success")) << "information lines only when asked";
    std::string tiny = JobTicket(kE2EPlain);
    // A medium that holds two pixels of the four across and one of the two lines.
    tiny.replace(tiny.find("Width = 1000.0"), 14, "Width = 0.1")
        .replace(tiny.find("Height = 2000.0"), 15, "Height = 0.05");
    const e2e::Run cropped = Job(WriteTicket("tiny.txt", tiny), {picture}, File("d.prn"));
    EXPECT_EQ(cropped.status, 0) << cropped.output;
    EXPECT_TRUE(Contains(cropped.output, "prnhost: warning: Process/InfoMessage: Image cropped by output device"))
        << cropped.output;

    // A UTF-16 "DaVav.ini" (Notepad's "Unicode") is left as it is; the log says so at the default level.
    std::string utf16 = "\xFF\xFE";
    for (char c : std::string("[Special]\r\nHalftoneThreadCount=2\r\n")) utf16 += std::string{c, '\0'};
    WriteWholeFile(File("DaVav.ini"), utf16);
    const std::string installed = "[system]\nSystem/InstallFolder = \"" + collector.Folder().Path() + "\"\n";
    const e2e::Run unicode = Job(WriteTicket("utf16.txt", JobTicket(kE2EPlain) + installed), {picture}, File("e.prn"));
    EXPECT_TRUE(unicode.status == 0 && Contains(unicode.output, "prnhost: log: 1000: ") &&
                Contains(unicode.output, "DaVav.ini\" is in another encoding (UTF-16 little-endian) and must be saved "
                                         "as plain text (ANSI or UTF-8) for its settings to count"))
        << unicode.output;
    EXPECT_EQ(ReadWholeFile(File("DaVav.ini")), utf16);

    const e2e::Run detailed = Job(missingCurve, {picture}, File("c.prn"), kTestPlugin, {"--log-level", "2000"});
    EXPECT_EQ(detailed.status, 3) << detailed.output;
    EXPECT_TRUE(Contains(detailed.output, "prnhost: log: 2000: ")) << detailed.output;
    EXPECT_TRUE(Contains(detailed.output, "PrnBase::OpenPage: success")) << detailed.output;
    EXPECT_TRUE(FilesNamed(noCollector.Path(), "").empty()) << "the private pipe folder is prnhost's own";
}

// The output file appears only for a job that ended well, whole: a failed
// write keeps its reason, a killed job and a second run leave no mix.
TEST_F(PrnhostRun, TheOutputAppearsOnlyWhole) {
    const std::string ticket = WriteTicket("job.txt", JobTicket(kE2EPlain));
    const std::string picture = WriteImage("i.pam", Cmyk(64, 200));
    const std::vector<std::string> job = {"--plugin", kTestPlugin, "--ticket", ticket, "--image", picture,
                                          "--out", File("job.prn"), "--ticket-out", File("job.prn.ticket")};

    // A file that takes no more than `limit` bytes fails the job part-way
    // (prnhost does not die of SIGXFSZ), or, where the stream fits, the ticket
    // (a 5 x 3 picture: a stream of 167 bytes, a ticket of about 500): neither file appears.
    // Without hard links an old ticket is copied, which the limit may refuse; the old stream is never copied.
    const std::string small = WriteImage("small.pam", Cmyk(5, 3));
    const std::string oldText(2000, 'o');
    const std::vector<std::string> bothNames = {"job.prn", "job.prn.ticket"};
    const struct {
        std::string image;
        rlim_t limit;
        size_t arguments;               // 8: no --ticket-out
        bool oldFiles;                  // oldText under both names, and no hard links
        std::vector<std::string> said;  // none: the job ends well
    } limited[] = {
        {picture, 4000, 10, false, {"WriteLine failed", "job.prn failed: File too large"}},
        {small, 300, 10, false, {"job.prn.ticket failed: File too large"}},
        {small, 1000, 8, true, {}},
        {small, 1000, 10, true,
         {"cannot keep the old " + File("job.prn.ticket") + " while the outputs are put in place: File too large"}},
    };
    for (const auto& c : limited) {
        std::vector<std::string> arguments(job.begin(), job.begin() + static_cast<long>(c.arguments));
        arguments[5] = c.image;
        const std::vector<std::string> old = c.oldFiles ? bothNames : std::vector<std::string>();
        for (const std::string& name : old) std::ofstream(File(name)) << oldText;
        Command command =
            PrnhostCommand(arguments, Cat({PreloadRenameHold(collector.Folder().Path()), {"KELMORA_TEST_NO_LINKS=1"}}));
        command.setUp = [limit = c.limit] {
            const rlimit size{limit, limit};
            setrlimit(RLIMIT_FSIZE, &size);
        };
        const Outcome full = testprogram::Run(command);
        EXPECT_EQ(full.status, c.said.empty() ? 0 : 1) << full.output;
        for (const std::string& part : c.said) EXPECT_TRUE(Contains(full.output, part)) << full.output;
        EXPECT_EQ(FilesNamed(collector.Folder().Path(), "job.prn"), old) << full.output;
        EXPECT_EQ(e2e::ReadText(File("job.prn.ticket")), c.oldFiles ? oldText : "");
        EXPECT_EQ(e2e::ReadText(File("job.prn")) == oldText, c.oldFiles && !c.said.empty()) << "the old stream stays";
    }

    // Runs at once on the same outputs: one whole stream (or the old one), never a mix, each failure for a true reason.
    prnhost::Image other = Cmyk(64, 200);
    for (uint8_t& byte : other.pixels) byte ^= 0x5A;
    std::vector<std::string> second = job;
    second[5] = WriteImage("other.pam", other);
    for (const std::string& name : bothNames) std::ofstream(File(name)) << "old";
    std::vector<testprogram::Process> runs;
    for (int i = 0; i < 4; ++i) runs.emplace_back(PrnhostCommand(i % 2 ? second : job));
    int endedWell = 0;
    for (testprogram::Process& running : runs) {
        const Outcome run = running.Wait();
        endedWell += run.status == 0;
        const bool trueReason = Contains(run.output, ": it changed while it was being replaced") ||
                                Contains(run.output, " may still be writing; if no run is under way, remove " +
                                                         File("job.prn."));
        EXPECT_TRUE(run.status == 0 || (run.status == 1 && trueReason)) << run.output;
    }
    const std::string both = e2e::ReadText(File("job.prn"));
    std::vector<std::string> alone;
    for (const auto& run : {job, second}) {
        std::vector<std::string> arguments = run;
        arguments[7] = File("alone.prn");
        ASSERT_EQ(testprogram::Run(PrnhostCommand(arguments)).status, 0);
        alone.push_back(e2e::ReadText(File("alone.prn")));
    }
    EXPECT_TRUE(endedWell > 0 ? both == alone[0] || both == alone[1] : both == "old")
        << both.size() << " bytes, not one run's stream";
    EXPECT_EQ(FilesNamed(collector.Folder().Path(), "job.prn"), (std::vector<std::string>{"job.prn", "job.prn.ticket"}));

    // A FIFO is written in place, for cat to read (a writer opened and closed
    // here ends a cat that got nothing; a FIFO replaced by a file, one that waits).
    ASSERT_EQ(mkfifo(File("fifo").c_str(), 0600), 0);
    testprogram::Process cat({{"/bin/cat", File("fifo")}});
    std::vector<std::string> toFifo(job.begin(), job.begin() + 8);
    toFifo[7] = File("fifo");
    EXPECT_EQ(testprogram::Run(PrnhostCommand(toFifo)).status, 0);
    EXPECT_TRUE(std::filesystem::is_fifo(File("fifo")) || !cat.Signal(SIGKILL)) << "the node is replaced";
    close(open(File("fifo").c_str(), O_WRONLY | O_NONBLOCK));
    EXPECT_EQ(cat.Wait().output, alone[0]);

    // Standard output as the shell set it up, by its other names (a link to
    // /dev/stdout here stands for /dev/stdout, which a fault run as root would
    // replace), at the shell's offset: a log appended to keeps its file and its
    // text. A symbolic link keeps its name and its target gets the stream. A
    // long name in another folder has its temporary beside it, not in the
    // working folder (here one that is gone). Standard output closed, as a
    // daemon may start prnhost: an output that names it is refused.
    std::ofstream(File("real.prn")) << "old";
    std::filesystem::permissions(File("real.prn"), std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    std::filesystem::create_symlink(File("real.prn"), File("link.prn"));
    std::filesystem::create_symlink("/dev/stdout", File("stdout-link"));
    const std::string logged = "the log's first line\n";
    std::ofstream(File("job.log")) << logged;
    struct stat logBefore {};
    ASSERT_EQ(stat(File("job.log").c_str(), &logBefore), 0);
    std::filesystem::create_directory(File("sub"));
    const std::string longName = File("sub/" + std::string(250, 'o'));
    const auto toStdout = [this](const char* name, bool append) {
        return std::pair<int, Stream>{1, append ? Stream::Append(File(name)) : Stream::Write(File(name))};
    };
    const std::pair<int, Stream> closed = {1, Stream::Closed()};
    const std::function<void()> gone = [folder = File("gone")] {
        if (mkdir(folder.c_str(), 0700) != 0 || chdir(folder.c_str()) != 0 || rmdir(folder.c_str()) != 0) _exit(126);
    };
    // A killed run's backup as a second name of its output: removed, though a process (this one) now has its id.
    const pid_t ended = fork();
    if (ended == 0) _exit(0);
    ASSERT_EQ(waitpid(ended, nullptr, 0), ended);
    const std::string endedLeftover = "ended.prn.kelmora-lock-" + std::to_string(ended) + "-0.old";
    const std::string runningLeftover = "running.prn.kelmora-lock-" + std::to_string(getpid()) + "-0.old";
    for (const std::string& leftover : {endedLeftover, runningLeftover}) {
        std::ofstream(File(leftover)) << "old";
        std::filesystem::create_hard_link(File(leftover), File(leftover.substr(0, leftover.find(".prn") + 4)));
    }
    const struct {
        std::string name;
        std::vector<std::pair<int, Stream>> files;  // what the program's descriptors lead to
        std::function<void()> setUp;
        std::string written, before;  // the file that gets the stream, and its text before it
        int status;
        std::string message;
    } outputs[] = {
        {File("stdout-link"), {toStdout("stdout.prn", false)}, {}, File("stdout.prn"), "", 0, ""},
        {"/proc/self/fd/1", {toStdout("stdout.prn", false)}, {}, File("stdout.prn"), "", 0, ""},
        {File("stdout-link"), {toStdout("job.log", true)}, {}, File("job.log"), logged, 0, ""},
        {File("link.prn"), {toStdout("stdout.prn", false)}, {}, File("real.prn"), "", 0, ""},
        {longName, {}, gone, longName, "", 0, ""},
        // Another standard file closed leaves standard output as it is.
        {File("stdout-link"), {toStdout("stdout.prn", false), {0, Stream::Closed()}}, {}, File("stdout.prn"), "", 0,
         ""},
        {File("stdout-link"), {toStdout("stdout.prn", false), {2, Stream::Closed()}}, {}, File("stdout.prn"), "", 0,
         ""},
        {File("stdout-link"), {closed}, {}, "", "", 1,
         "cannot write " + File("stdout-link") + ": standard output is closed"},
        {"/proc/self/fd/1", {closed}, {}, "", "", 1, "cannot write /proc/self/fd/1: standard output is closed"},
        {"/dev/null", {closed}, {}, "", "", 0, ""},
        {File("ended.prn"), {}, {}, File("ended.prn"), "", 0,
         endedLeftover + ": a second name of " + File("ended.prn") + " that an interrupted run (process " +
             std::to_string(ended) + ") left"},
        {File("running.prn"), {}, {}, File("running.prn"), "", 0,
         runningLeftover + ": a second name of " + File("running.prn") + " that an interrupted run (process " +
             std::to_string(getpid()) + ") left"},
    };
    for (const auto& c : outputs) {
        toFifo[7] = c.name;
        Command command = PrnhostCommand(toFifo);
        for (const auto& [descriptor, stream] : c.files) command.With(descriptor, stream);
        command.setUp = c.setUp;
        const Outcome run = testprogram::Run(command);
        EXPECT_EQ(run.status, c.status) << c.name << "\n" << run.output;
        EXPECT_TRUE(Contains(run.output, c.message)) << c.name << "\n" << run.output;
        if (!c.written.empty()) {
            const std::string written = e2e::ReadText(c.written);
            EXPECT_TRUE(written == c.before + alone[0]) << c.name << ": " << written.size() << " bytes";
        }
    }
    EXPECT_FALSE(std::filesystem::exists(File(endedLeftover)));
    EXPECT_FALSE(std::filesystem::exists(File(runningLeftover)));
    EXPECT_TRUE(std::filesystem::is_symlink(File("link.prn")) && std::filesystem::is_symlink(File("stdout-link")));
    EXPECT_EQ(std::filesystem::status(File("real.prn")).permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write) << "the replaced file's permissions";
    struct stat logAfter {};
    ASSERT_EQ(stat(File("job.log").c_str(), &logAfter), 0);
    EXPECT_EQ(logAfter.st_ino, logBefore.st_ino) << "the log appended to is the same file";
    EXPECT_EQ(FilesNamed(File("sub"), ""), std::vector<std::string>{std::string(250, 'o')});

    // A reader that goes away: the failed write ends the job with its reason.
    std::vector<std::string> big = toFifo;
    big[5] = WriteImage("big.pam", Cmyk(64, 2000));
    big[7] = File("fifo");
    testprogram::Process head({{"/usr/bin/head", "-c", "1", File("fifo")}});
    const Outcome piped = testprogram::Run(PrnhostCommand(big));
    head.Wait();
    EXPECT_EQ(piped.status, 1);
    EXPECT_TRUE(Contains(piped.output, "failed: Broken pipe")) << piped.output;

    // A folder that takes an output's name during the job: neither output
    // appears, and a ticket put in place before the stream failed is taken back.
    const struct {
        size_t taken;  // the argument whose file changes
        std::string oldStream, reason;  // a stream under its name gets a second name
    } meanwhile[] = {{7, "", "Is a directory"}, {9, "", "Is a directory"},
                     {7, "old stream", "it has more than one name (hard links)"}};
    for (const auto& c : meanwhile) {
        std::filesystem::remove_all(File("job.prn"));
        std::ofstream(File("job.prn.ticket")) << "old";
        if (!c.oldStream.empty()) std::ofstream(File("job.prn")) << c.oldStream;
        std::vector<std::string> slow = job;
        slow[3] = WriteTicket("slow.txt", JobTicket(kE2ESlowLines));
        testprogram::Process running(PrnhostCommand(slow));
        for (int i = 0; i < 1000 && FilesNamed(collector.Folder().Path(), "job.prn.").size() < 3; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        if (!c.oldStream.empty()) {
            std::filesystem::create_hard_link(slow[c.taken], File("other-name.prn"));
        } else {
            std::filesystem::remove(slow[c.taken]);
            std::filesystem::create_directory(slow[c.taken]);
        }
        const Outcome run = running.Wait();
        EXPECT_EQ(run.status, 1) << run.output;
        EXPECT_TRUE(Contains(run.output, "cannot write " + slow[c.taken] + ": " + c.reason)) << run.output;
        EXPECT_EQ(e2e::ReadText(File("job.prn")), c.oldStream) << "what was under the name stays";
        const std::vector<std::string> left = FilesNamed(collector.Folder().Path(), "job.prn");
        if (c.taken == 7) {
            EXPECT_EQ(e2e::ReadText(File("job.prn.ticket")), "old");
            EXPECT_EQ(left, (std::vector<std::string>{"job.prn", "job.prn.ticket"}));
        } else {
            EXPECT_EQ(left, std::vector<std::string>{"job.prn.ticket"});
        }
        std::filesystem::remove_all(slow[c.taken]);
    }

    // Held between the ticket's rename and the stream's: a folder that takes
    // the stream's name then has the ticket taken back (the old one, kept as a
    // second name or, without hard links, as a copy; or none), and a signal
    // waits until both are in place: never a new ticket beside an old stream.
    const std::string marker = File("held");
    const auto held = [&](bool noLinks) {
        return Cat({PreloadRenameHold(collector.Folder().Path()),
                    {"KELMORA_TEST_HOLD_AFTER=" + File("job.prn.ticket"), "KELMORA_TEST_HOLD_MARKER=" + marker},
                    noLinks ? std::vector<std::string>{"KELMORA_TEST_NO_LINKS=1"} : std::vector<std::string>{}});
    };
    const struct {
        const char* what;
        bool oldTicket, noLinks;
        int signal;  // sent while held; 0: a folder takes the stream's name instead
        bool ticketTaken = false;  // and one the new ticket's: the old one cannot be put back
        bool userSaves = false;    // or the user saves a ticket of theirs there: it stays
    } between[] = {
        {"the old ticket put back", true, false, 0},
        {"the old ticket put back without hard links", true, true, 0},
        {"the new ticket removed", false, false, 0},
        {"a signal", true, false, SIGTERM},
        {"a signal without hard links", true, true, SIGHUP},
        {"the old ticket kept where the message says", true, false, 0, true},
        {"the user's ticket saved meanwhile stays", false, false, 0, false, true},
        {"the user's ticket stays, the old one kept where the message says", true, false, 0, false, true},
    };
    for (const auto& c : between) {
        std::filesystem::remove_all(File("job.prn"));
        std::filesystem::remove(File("job.prn.ticket"));
        if (c.oldTicket) std::ofstream(File("job.prn.ticket")) << "old";
        if (c.signal) std::ofstream(File("job.prn")) << "old stream";
        testprogram::Process running(PrnhostCommand(job, held(c.noLinks)));
        for (int i = 0; i < 2000 && !std::filesystem::exists(marker); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        ASSERT_TRUE(std::filesystem::exists(marker)) << c.what << ": never held\n" << running.Stop(SIGKILL).output;
        if (c.signal) {
            running.Signal(c.signal);
        } else {
            std::filesystem::create_directory(File("job.prn"));
        }
        if (c.ticketTaken) std::filesystem::remove(File("job.prn.ticket"));
        if (c.ticketTaken) std::filesystem::create_directory(File("job.prn.ticket"));
        if (c.userSaves) std::ofstream(File("job.prn.ticket")) << "user's";
        std::filesystem::remove(marker);
        const Outcome finished = running.Wait();
        const std::string& said = finished.output;
        const std::string ticketText = e2e::ReadText(File("job.prn.ticket"));
        if (c.signal) {
            EXPECT_EQ(finished.signal, c.signal) << c.what << "\n" << said;
            const std::string stream = e2e::ReadText(File("job.prn"));
            EXPECT_TRUE(stream == alone[0]) << c.what << ": " << stream.size() << " bytes, not the new stream";
            EXPECT_TRUE(Contains(ticketText, "Output/Progress/Percent = 100\n")) << c.what << ": " << ticketText;
        } else {
            EXPECT_EQ(finished.status, 1) << c.what << "\n" << said;
            EXPECT_TRUE(Contains(said, "cannot write " + File("job.prn") + ": Is a directory"))
                << c.what << "\n" << said;
            EXPECT_EQ(ticketText, c.userSaves ? "user's" : c.oldTicket && !c.ticketTaken ? "old" : "") << c.what;
            EXPECT_EQ(std::filesystem::exists(File("job.prn.ticket")), c.oldTicket || c.userSaves) << c.what;
            EXPECT_EQ(Contains(said, ": another file was saved under its name meanwhile, and stays"), c.userSaves)
                << c.what << "\n" << said;
        }
        // The old ticket that could not be put back is kept under the name the message gives.
        const std::string keptAs = "; the old " + File("job.prn.ticket") + " is kept as ";
        std::string kept = Contains(said, keptAs) ? said.substr(said.find(keptAs) + keptAs.size()) : "";
        kept = kept.substr(0, kept.find('\n'));
        const bool oldKept = c.ticketTaken || (c.userSaves && c.oldTicket);
        EXPECT_EQ(e2e::ReadText(kept), oldKept ? "old" : "") << c.what << "\n" << said;
        if (oldKept) std::filesystem::remove(kept);
        // Neither a temporary file nor a kept old file is left.
        EXPECT_EQ(FilesNamed(collector.Folder().Path(), "job.prn"),
                  c.oldTicket || c.userSaves ? (std::vector<std::string>{"job.prn", "job.prn.ticket"})
                                             : std::vector<std::string>{"job.prn"})
            << c.what;
    }
    std::filesystem::remove_all(File("job.prn"));

    // A signal in the middle of a job: nothing under the name, no temporary
    // and no private log folder left.
    std::filesystem::remove(File("job.prn"));
    std::filesystem::remove(File("job.prn.ticket"));
    std::vector<std::string> slowJob = job;
    slowJob[3] = WriteTicket("slow.txt", JobTicket(kE2ESlowLines));
    ScratchFolder noCollector(true);
    for (const int signal : {SIGTERM, SIGINT, SIGHUP, SIGQUIT, SIGALRM, SIGUSR1, SIGUSR2}) {
        Command command = PrnhostCommand(slowJob, {"TMPDIR=" + noCollector.Path()});
        command.setUp = [] {
            const rlimit noCore{0, 0};
            setrlimit(RLIMIT_CORE, &noCore);
        };
        testprogram::Process killed(command);
        bool started = false;
        for (int i = 0; i < 1000 && !started; ++i) {
            const std::string prefix = "job.prn.kelmora-" + std::to_string(killed.Id());
            for (const std::string& name : FilesNamed(collector.Folder().Path(), prefix)) {
                std::error_code missing;
                started = started || std::filesystem::file_size(File(name), missing) > 0;
            }
            if (!started) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        ASSERT_TRUE(started) << "the job's temporary file never grew";
        const std::vector<std::string> logs = FilesNamed(noCollector.Path(), "prnhost-log-");
        ASSERT_EQ(logs.size(), 1u) << signal << ": the private log folder while the job runs";
        EXPECT_EQ(std::filesystem::status(noCollector.File(logs[0])).permissions(), std::filesystem::perms::owner_all)
            << signal << ": the private log folder is the user's alone";
        const Outcome stopped = killed.Stop(signal);
        EXPECT_EQ(stopped.signal, signal) << stopped.output;
        EXPECT_TRUE(FilesNamed(collector.Folder().Path(), "job.prn").empty()) << signal;
        EXPECT_TRUE(FilesNamed(noCollector.Path(), "prnhost-log-").empty()) << signal << ": the private log folder stays";
    }
    // So it is at each moment of setting up the private log: its folder, each pipe under its staging name and in place.
    for (const char* moment : {"mkdir:1", "bind:1", "rename:1", "bind:2", "rename:2"}) {
        const Outcome run = testprogram::Run(PrnhostCommand(
            job, Cat({PreloadRenameHold(collector.Folder().Path()),
                      {"KELMORA_TEST_RAISE_AFTER=" + std::string(moment),
                       "KELMORA_TEST_RAISE_UNDER=" + noCollector.File("prnhost-log-"),
                       "TMPDIR=" + noCollector.Path()}})));
        EXPECT_EQ(run.status, -1) << moment << ": not ended by the signal\n" << run.output;
        EXPECT_TRUE(FilesNamed(noCollector.Path(), "").empty()) << moment << ": the private log folder stays";
        EXPECT_TRUE(FilesNamed(collector.Folder().Path(), "job.prn").empty()) << moment;
    }
}

// The tools name what is wrong, with the system's reason for a failed write.
TEST(Programs, NameWhatIsWrong) {
    ScratchFolder folder;
    const std::string programs = KELMORA_PROGRAMS;
    const auto path = [&](const std::string& name) {
        const size_t at = programs.find("/bin/" + name);  // not a folder of the same name above bin/
        return programs.substr(0, programs.find('|', at)).substr(programs.rfind('|', at) + 1);
    };
    const std::string ai = std::string(KELMORA_SOURCE_ROOT) +
                           "/.ci/cross-platform/cjv30/cut.ai";
    const auto cut = [&](const std::string& width, const std::string& dpi, const std::string& out) {
        return std::vector<std::string>{"--ai", ai, "--width", width, "--height", "160", "--dpi", dpi, "--out", out};
    };
    const auto marked = [](std::vector<std::string> arguments) {
        arguments.push_back("--marks");
        return arguments;
    };
    std::ofstream(folder.File("empty.prn")).close();
    std::ofstream(folder.File("t.txt")) << "[job]\n";
    std::filesystem::copy_file(kTestPlugin, folder.File("plugin.so"));
    // A plug-in the loader finds by its search path, and linearisation libraries beside it and plugin.so.
    std::filesystem::create_directory(folder.File("lib"));
    std::filesystem::copy_file(kTestPlugin, folder.File("lib/kelmora.so"));
    for (const char* name : {"libepl.so", "lib/libepl.so"}) std::ofstream(folder.File(name)) << "kept\n";
    std::filesystem::copy_file(ai, folder.File("cut.ai"));
    std::filesystem::create_symlink(folder.File("cut.ai"), folder.File("cut-link.ai"));
    std::ofstream(folder.File("eof.prn"), std::ios::binary) << std::string("\0\0\0\xF0\0\0\0\0", 8);  // an end record
    const struct {
        std::string program;
        std::vector<std::string> arguments;
        int status;
        std::string message;
        bool intoFullDevice = false;  // standard output on /dev/full, as on a full disk
        bool closedOutput = false;    // or closed
    } cases[] = {
        {"ai2mgl", cut("0", "72", "o.mgl"), 2, "bad value for --width: 0 (it must be 1 or more)"},
        {"ai2mgl", cut("160", "72,0", "o.mgl"), 2, "bad value for --dpi: 0 (it must be 1 or more)"},
        {"ai2mgl", cut("160", "0", "o.mgl"), 2, "bad value for --dpi: 0 (it must be 1 or more)"},
        {"ai2mgl", marked(cut("160", "720,72", "o.mgl")), 2,
         "--marks needs a --dpi of 360 or more in steps of 180 (360, 540, 720, ...): 72 is not one"},
        {"ai2mgl", marked(cut("160", "450", "o.mgl")), 2, "--marks needs a --dpi of 360 or more in steps of 180"},
        {"ai2mgl", cut("1\x1b[2J", "72", "o.mgl"), 2, "bad number for --width: 1\\x1B[2J"},
        {"ai2mgl", {"--ai", "cut.ai", "--width", "160", "--height", "160", "--dpi", "72", "--out", "o.mgl", "--hpgl",
                    "./o.mgl"}, 1, "--out o.mgl and --hpgl ./o.mgl name the same file"},
        {"catalogue_dump", {"99999999999999999999"}, 2,
         "model number 99999999999999999999 is out of range: a model is a number from -2147483648 to 2147483647"},
        {"catalogue_dump", {"7\x1b[2J"}, 2, "bad model number \"7\\x1B[2J\": a model is a whole number"},
        {"catalogue_dump", {"--oem", "11x"}, 2, "bad OEM id \"11x\": an OEM id is a number from 0 to 4294967295"},
        {"make_sample_image", {"o.pam", "4x"}, 2, "bad number for CHANNELS: 4x"},
        {"make_sample_image", {"o.pam", "4", "160", "16\x1b"}, 2, "bad number for HEIGHT: 16\\x1B"},
        {"make_sample_image", {"--size", "100", "50", "sized.pam"}, 0, ""},
        {"make_sample_image", {"sized.pam", "--size", "100", "50"}, 0, ""},
        {"prnhost", {"--plugin", ".", "--info", "--ticket", "t.txt", "--ticket-out", "o.txt"}, 1,
         "cannot load the plug-in .: it is a folder, not a library"},
        {"ai2mgl", cut("160", "72", folder.Path()), 1, "cannot write " + folder.Path() + ": Is a directory"},
        {"spotgen", {folder.Path()}, 1, "cannot write " + folder.Path() + ": Is a directory"},
        {"prndump", {"empty.prn"}, 1, "\"empty.prn\": no records"},
        {"prndump", {"/dev/zero"}, 1, "\"/dev/zero\": no records"},
        {"prndump", {"missing\x1b[2J.prn"}, 1, "cannot open \"missing\\x1B[2J.prn\""},
        // An output never replaces an input, by any name.
        {"ai2mgl", {"--ai", "cut.ai", "--width", "160", "--height", "160", "--dpi", "72", "--out", "./cut.ai"}, 1,
         "--out ./cut.ai is the input --ai cut.ai: it would be overwritten"},
        {"ai2mgl", {"--ai", "cut.ai", "--width", "160", "--height", "160", "--dpi", "72", "--out", "o.mgl", "--hpgl",
                    "cut-link.ai"}, 1, "--hpgl cut-link.ai is the input --ai cut.ai"},
        {"prndump", {"--preview", folder.File("empty.prn"), "empty.prn"}, 1, "is the input empty.prn: it would be"},
        // A bare name that is a file here is loaded as that file.
        {"prnhost", {"--plugin", "plugin.so", "--info", "--ticket", "t.txt", "--ticket-out", "o.txt"}, 0, " printers"},
        {"prnhost", {"--plugin", "plugin.so", "--ticket", "t.txt", "--image", "i.pam", "--out", "libepl.so"}, 1,
         "--out libepl.so is the linearisation library "},
        {"prnhost", {"--plugin", "kelmora.so", "--ticket", "t.txt", "--image", "i.pam", "--out", "lib/libepl.so"}, 1,
         "--out lib/libepl.so is the linearisation library "},
        {"prnhost", {"--plugin", "kelmora.so", "--ticket", "t.txt", "--image", "i.pam", "--out", "lib/kelmora.so"}, 1,
         "--out lib/kelmora.so is the plug-in "},
        {"prnhost", {"--help"}, 0, "Exit status: 0 the job ended well; 1 it failed"},
        {"prnhost", {"--help"}, 0,
         "every page\nof a TIFF, reduced-resolution and mask images aside, and every picture of a\nPNM/PAM stream"},
        // A listing cut short ends in failure with the system's reason.
        {"catalogue_dump", {"7018"}, 1, "catalogue_dump: cannot write standard output: No space left on device", true},
        {"prndump", {"eof.prn"}, 1, "prndump: cannot write standard output: No space left on device", true},
        {"prndump", {"eof.prn"}, 1, "prndump: cannot write standard output: Bad file descriptor", false, true},
        {"prnhost", {"--plugin", "plugin.so", "--info", "--ticket", "t.txt", "--ticket-out", "o.txt"}, 1,
         "prnhost: cannot write standard output: No space left on device", true},
        {"ai2mgl", {"--ai", "cut.ai", "--width", "160", "--height", "160", "--dpi", "72", "--out", "/dev/null", "--hpgl",
                    "/dev/stdout"}, 1, "writing /dev/stdout failed: No space left on device", true},
    };
    for (const auto& c : cases) {
        Command command(Cat({{path(c.program)}, c.arguments}), folder.Path(),
                        {"LD_LIBRARY_PATH=" + folder.File("lib")});
        if (c.intoFullDevice) command.With(1, Stream::FullDevice());
        if (c.closedOutput) command.With(1, Stream::Closed());
        const Outcome run = testprogram::Run(command);
        EXPECT_EQ(run.status, c.status) << c.program << " " << c.arguments.front() << "\n" << run.output;
        EXPECT_TRUE(Contains(run.output, c.message)) << c.program << "\n" << run.output;
    }
    EXPECT_EQ(e2e::ReadText(folder.File("cut.ai")), e2e::ReadText(ai));
    EXPECT_TRUE(std::filesystem::is_symlink(folder.File("cut-link.ai")));
    EXPECT_FALSE(std::filesystem::exists(folder.File("o.mgl"))) << "an output of a refused run";
}

// A layer spool file that cannot be written (a file-size limit fills it as a
// full disk would, once its buffer is flushed for the playback): the page end
// fails, and the job fails naming the spool file's reason, with no output.
TEST_F(PrnhostRun, ALayerThatCannotBePlayedBackEndsTheJobWithAnError) {
    const auto jobs = std::filesystem::path(KELMORA_SOURCE_ROOT) / ".ci/cross-platform";
    for (const char* name : {"ujf-605-spooled", "jfx200-spot", "jfx500-clear", "ujf-x042"}) {
        const std::string folder = File(name);  // the spool files go to the current folder
        std::filesystem::create_directory(folder);
        for (const auto& file : std::filesystem::directory_iterator(jobs / name)) {
            std::filesystem::copy_file(file.path(), folder + "/" + file.path().filename().string());
        }
        Command command = PrnhostCommand(
            {"--plugin", KELMORA_PLUGIN_PATH, "--ticket", "ticket.txt", "--image", "image.pam", "--out", "job.prn"});
        command.folder = folder;
        command.setUp = [] {
            signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{1024, 1024};
            setrlimit(RLIMIT_FSIZE, &limit);
        };
        const Outcome run = testprogram::Run(command);
        EXPECT_EQ(run.status, 1) << name << ": " << run.output;
        EXPECT_TRUE(Contains(run.output, "prnhost: ClosePage failed (-3): the page's end is not in the output"))
            << name << ": " << run.output;
        EXPECT_TRUE(Contains(run.output, "_ClosePage: Spool file IO failed")) << name << ": " << run.output;
        EXPECT_FALSE(std::filesystem::exists(folder + "/job.prn")) << name;
    }
}

TEST(Programs, EachAnswersHelp) {
    ScratchFolder folder;
    std::vector<std::string> programs;
    const std::string list = KELMORA_PROGRAMS;
    for (size_t start = 0; start <= list.size();) {
        const size_t bar = std::min(list.find('|', start), list.size());
        programs.push_back(list.substr(start, bar - start));
        start = bar + 1;
    }
    EXPECT_GE(programs.size(), 5u);
    for (const std::string& program : programs) {
        const Outcome run = testprogram::Run({{program, "--help"}});
        EXPECT_EQ(run.status, 0) << program << "\n" << run.output;
        EXPECT_EQ(run.output.rfind("usage: ", 0), 0u) << program << "\n" << run.output;
        EXPECT_EQ(program.substr(program.rfind('/') - 4, 5), "/bin/") << program << " is built into bin/";
        // The text that does not reach a full disk or a closed standard output fails the run.
        const std::string cannot = program.substr(program.rfind('/') + 1) + ": cannot write standard output: ";
        const Outcome full = testprogram::Run(Command{{program, "--help"}}.With(1, Stream::FullDevice()));
        EXPECT_EQ(std::pair(full.status, full.output), std::pair(1, cannot + "No space left on device\n")) << program;
        const Outcome closed = testprogram::Run(Command{{program, "--help"}}.With(1, Stream::Closed()));
        EXPECT_EQ(std::pair(closed.status, closed.output), std::pair(1, cannot + "Bad file descriptor\n")) << program;
    }
}

}  // namespace
