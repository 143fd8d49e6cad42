// The UJF-605 line: dot-mode codes, the page header, the two layers with
// their owed line feeds, the played spool file and the page ends, decoded
// from what the host receives.
#include "drivers/ujf605.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "drivers/family_test_support.h"
#include "platform/system.h"
#include "spotgen/spot_writer.h"
#include "support/current_folder.h"
#include "support/scratch_folder.h"
#include "support/temp_file_limits.h"

namespace {

namespace fs = std::filesystem;
const std::string kJob = FamilyJobTicket(673, 600, 600, 2, 205) + "Input/Title = \"Flatbed\"\n";

class UJF605Test : public FamilyTest {
protected:
    CVarnPrn& Open(const std::string& extra = "") {
        writer = CapturingWriter();
        CVarnPrn& j = OpenTicket(kJob + ExampleLinearisation() + extra);
        j.m_strTempFolder = folder.Path();
        return j;
    }
    // Opens a job and a page, with an 8-plane line of 4 bytes per plane.
    void StartPage(const std::string& extra = "") {
        Open(extra);
        ASSERT_EQ(UJF_OpenJob(job.get()), 0);
        ASSERT_EQ(job->m_pfnOpenPage(job.get()), 0);
        SetHalftonedLine(job->m_iOutChannels, 4);
    }
    // One line whose listed planes hold a dot byte; the others are blank.
    void Line(std::initializer_list<int> planes, uint8_t byte = 0x40) {
        std::fill(line.begin(), line.end(), 0);
        for (int p : planes) Plane(p)[0] = byte;
        ASSERT_EQ(job->m_pfnPrintLine(job.get()), 0);
    }
    // The command names of the records from `first` on, one string per record.
    std::vector<std::string> Shapes(size_t first) {
        std::vector<std::string> out;
        for (size_t i = first; i < writer.records.size(); ++i) {
            std::string shape;
            for (const auto& c : Commands(writer.records[i])) {
                shape += c.name == "ESC i" ? "i" + std::to_string(c.colour) : c.name;
                shape += c.name == "MV" ? std::to_string(c.Value("count")) : "";
                shape += c.name == "MZ" ? "(" + c.text + ")" : "";
                shape += " ";
            }
            out.push_back(shape);
        }
        return out;
    }
    ScratchFolder folder;
};

TEST(UJF605DotMode, ResolutionAndDotSizeGiveTheCode) {
    EXPECT_EQ(UJF_ResolutionMode(1440 * 1440, 2, 0), 50);
    EXPECT_EQ(UJF_ResolutionMode(600 * 600, 2, 0), 96);
    EXPECT_EQ(UJF_ResolutionMode(360 * 360, 1, 0), 33);
    EXPECT_EQ(UJF_ResolutionMode(300 * 300, 2, 0), 16);
    EXPECT_EQ(UJF_ResolutionMode(600 * 600, 2, 6), 34);
    EXPECT_EQ(UJF_ResolutionMode(300 * 300, 3, 6), 18);
}

TEST(UJF605Builders, FixedFormCommands) {
    EXPECT_EQ(UJF_RasterCommand(2, 1, 2, 300), (Bytes{0x1B, 'i', 2, 1, 2, 0x2C, 0x01, 1, 0}));
    EXPECT_EQ(UJF_MU(600, 0x012345), (Bytes{'M', 'U', 0, 0x58, 0x02, 0x45, 0x23, 0x01}));
    EXPECT_EQ(UJF_MV(1, 9), (Bytes{'M', 'V', 1, 9, 0, 0}));
    EXPECT_EQ(UJF_MZ("Ink"), (Bytes{'M', 'Z', 3, 0, 'I', 'n', 'k'}));
}

TEST_F(UJF605Test, JobAndPageHeaderBytes) {
    StartPage();
    EXPECT_EQ(writer.records[0].tag, SPLTAG_JOB_HEADER);
    EXPECT_EQ(writer.records[0].data, Bytes{0x0C});
    EXPECT_EQ(job->m_pHalftone->HalftoneRoutine, 105);
    EXPECT_EQ(job->m_pHalftone->m_iBitsPerPixel, 2);
    // 600 x 600 dpi with variable dots: code 96, no "MC"; quality 205 gives 133.
    const Bytes expected = {0x1B, '@',                                                          //
                            'M', 'D', 0x58, 0x02, 0x58, 0x02,                                   //
                            'M', 'P', 133, 1, 1, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,            //
                            'M', 'W', 64, 0, 0,                                                 //
                            'M', 'G', 'F', 'l', 'a', 't', 'b', 'e', 'd', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '};
    EXPECT_EQ(Last().tag, SPLTAG_PAGE_HEADER);
    EXPECT_EQ(Last().data, expected);

    Open("Output/Prn/Printer/ResolutionX = 1440.0\nOutput/Prn/Printer/ResolutionY = 1440.0\n");
    ASSERT_EQ(UJF_OpenJob(job.get()), 0);
    EXPECT_EQ(job->m_pHalftone->HalftoneRoutine, 111);
    ASSERT_EQ(job->m_pfnOpenPage(job.get()), 0);
    EXPECT_EQ(Commands(Last())[4].name, "MC");
    EXPECT_EQ(Commands(Last())[4].params, Bytes{50});
    SetHalftonedLine(8, 4);
    Line({0});
    EXPECT_EQ(Commands(Last())[0].bitsPerPixel, 1);
}

// The quality byte: the print-mode id modulo 200, with the hi-speed flag 128 from 200 on.
TEST_F(UJF605Test, QualityByteSetsTheHiSpeedFlagFrom200On) {
    for (const auto& [id, quality] : std::vector<std::pair<int, uint8_t>>{{127, 127}, {201, 129}, {205, 133}}) {
        StartPage("Output/Prn/Specific/PrintQuality = " + std::to_string(id) + "\n");
        EXPECT_EQ(Find(Commands(Last()), "MP").params.at(0), quality) << id;
    }
}

TEST_F(UJF605Test, ScreeningHalftonesFiveChannelsAndSendsWhiteAsSlotSix) {
    Open("Output/Prn/Printer/Model = 726\nOutput/Prn/Specific/White/Order = 1\n");
    job->m_iHalftoneMode = 6;
    job->m_iComponents = 5;  // CMYK and white
    job->m_iWhiteMode = 1;
    job->m_strScreeningFile = folder.File("726_600x600dpi.spt");
    ASSERT_TRUE(spotgen::WriteFile(job->m_strScreeningFile, spotgen::Encode(spotgen::Generate(true, false, 8, 3))));
    ASSERT_EQ(UJF_OpenJob(job.get()), 0);
    EXPECT_TRUE(log.Has(3000, "UJF_InitHalftone 5 channels"));
    EXPECT_EQ(job->m_pHalftone->HalftoneRoutine, 51);
    EXPECT_EQ(job->m_pHalftone->m_iBitsPerPixel, 1);
    EXPECT_EQ(job->m_iOutChannels, 5);
    ASSERT_EQ(job->m_pfnOpenPage(job.get()), 0);
    EXPECT_EQ(Commands(Last())[4].name, "MC");  // code 34, one bit
    EXPECT_EQ(Commands(Last())[4].params, Bytes{34});
    // The screened white of a real line goes to layer 1 as colour code 255 (slot 6 of model 726).
    ASSERT_EQ(job->m_pHalftone->InitPage(job.get()), 0);
    std::vector<uint8_t> input(job->m_pHalftone->InputLineBytes(), 0);
    for (size_t i = 0; i + 5 <= input.size() && i < 5 * 64; i += 5) input[i + 4] = 255;
    job->m_pCurrentLine = input.data();
    ASSERT_EQ(job->m_pHalftone->ProcessLine(job.get()), 0);
    ASSERT_EQ(job->m_pfnPrintLine(job.get()), 0);
    const auto* d = dynamic_cast<UJF_Intern*>(job->m_pDriver.get());
    EXPECT_TRUE(d->m_Layers[1].usedSlot[6]);
    EXPECT_FALSE(d->m_Layers[0].used);
    const size_t before = writer.records.size();
    EXPECT_EQ(job->m_pfnClosePage(job.get()), 0);
    const auto played = Commands(writer.records[before]);
    ASSERT_EQ(played[0].name, "ESC i");
    EXPECT_EQ(played[0].colour, 255);
    const uint8_t* white = job->m_pOutLine + 4 * size_t(job->m_iBytesPerChannel);
    EXPECT_EQ(played[0].row, Bytes(white, white + played[0].row.size()));
    EXPECT_EQ(Strings("Process/InfoMessage"), std::vector<std::string>{"Used ink(s): W"});
}

TEST_F(UJF605Test, OwedLineFeedsComeBeforeTheNextRecord) {
    StartPage("Output/Prn/Specific/White/Order = 1\n");  // colours on layer 0, to the host at once
    const size_t first = writer.records.size();
    Line({}); Line({}); Line({0});                              // two blank lines at the top
    Line({}); Line({}); Line({}); Line({1});                    // three blank lines
    for (int i = 0; i < 8; ++i) Line({});                       // eight blank lines
    Line({2, 3});
    EXPECT_EQ(Shapes(first), (std::vector<std::string>{"LF LF i2 CR ", "LF LF LF LF i1 CR ", "MV9 i4 CR i0 CR "}));
}

TEST_F(UJF605Test, SlotAndWhiteOrderChooseTheLayer) {
    struct Case {
        int whiteOrder, halftoneMode, plane, layer;
    };
    const Case cases[] = {{0, 0, 0, 1}, {0, 0, 5, 1}, {0, 0, 6, 0}, {0, 0, 7, 0}, {1, 0, 0, 0}, {1, 0, 5, 0},
                          {1, 0, 6, 1}, {2, 0, 7, 1}, {0, 6, 3, 1}, {0, 6, 4, 0}, {1, 6, 4, 1}, {1, 6, 3, 0}};
    for (const Case& c : cases) {
        StartPage("Output/Prn/Specific/White/Order = " + std::to_string(c.whiteOrder) + "\n");
        job->m_iHalftoneMode = c.halftoneMode;
        if (c.halftoneMode == 6) SetHalftonedLine(5, 4);
        Line({c.plane});
        const auto* d = dynamic_cast<UJF_Intern*>(job->m_pDriver.get());
        EXPECT_TRUE(d->m_Layers[c.layer].used) << c.whiteOrder << " " << c.halftoneMode << " " << c.plane;
        EXPECT_FALSE(d->m_Layers[1 - c.layer].used) << c.whiteOrder << " " << c.halftoneMode << " " << c.plane;
        const int slot = c.halftoneMode == 6 && c.plane == 4 ? 6 : c.plane;
        EXPECT_TRUE(d->m_Layers[c.layer].usedSlot[slot]);
    }
}

TEST_F(UJF605Test, BothLayersCloseTheFirstAndPlayTheSecond) {
    StartPage("Output/Prn/Specific/White/Order = 0\nOutput/Prn/Specific/BottomFeed = 5.0\n");
    const size_t first = writer.records.size();
    Line({0, 6});
    Line({});
    Line({1});
    EXPECT_EQ(job->m_pfnClosePage(job.get()), 0);
    // Layer 0 (white) at once; "CloseLayer"; layer 1 (colours) from the spool file; the page end.
    EXPECT_EQ(Shapes(first), (std::vector<std::string>{"i254 CR ", "MZ(CloseLayer) FF ", "i2 CR ", "LF LF i1 CR ",
                                                       "MZ(ClosePage Ink(W + CM)) MU FF "}));
    EXPECT_EQ(Last().tag, SPLTAG_PAGE_END);
    // 5 mm at 600 dpi is 118 lines, then the page's 8.
    EXPECT_EQ(Commands(Last())[1].Value("feed"), 126u);
    EXPECT_EQ(Strings("Process/InfoMessage"), std::vector<std::string>{"Used ink(s): W + CM"});
    EXPECT_EQ(job->m_pDriver, nullptr);
    EXPECT_TRUE(log.Has(1000, "UJF_ClosePage Playback end"));
}

TEST_F(UJF605Test, OnlyTheSpooledLayerAndTheNegativeBottomFeed) {
    StartPage("Output/Prn/Specific/White/Order = 0\nOutput/Prn/Specific/BottomFeed = -1.0\n");
    const size_t first = writer.records.size();
    Line({3});
    EXPECT_EQ(writer.records.size(), first);  // held in the spool file
    EXPECT_EQ(job->m_pfnClosePage(job.get()), 0);
    EXPECT_EQ(Shapes(first), (std::vector<std::string>{"i0 CR ", "MZ(ClosePage Ink(K)) MU FF "}));
    EXPECT_EQ(Commands(Last())[1].Value("feed"), 236u + 8u);  // 10 mm
}

TEST_F(UJF605Test, AnEmptyPageSaysSo) {
    StartPage();
    const size_t first = writer.records.size();
    Line({});
    EXPECT_EQ(job->m_pfnClosePage(job.get()), 0);
    EXPECT_EQ(Shapes(first), (std::vector<std::string>{"MZ(ClosePage empty) FF "}));
    EXPECT_EQ(Strings("Process/InfoMessage"), std::vector<std::string>{"Page empty, no ink used"});
}

TEST_F(UJF605Test, AnEmptyTemporaryFolderKeepsTheSpoolFileInTheCurrentFolder) {
    const std::string current = folder.File("current");
    fs::create_directory(current);
    CurrentFolder here(current);
    std::ofstream("UJF_EnableDeleteOnClose.txt") << "0\n";
    StartPage();
    job->m_strTempFolder.clear();
    ASSERT_EQ(job->m_pfnOpenPage(job.get()), 0);  // a second page start, from the current folder
    EXPECT_TRUE(log.Has(1000, "UJF_Intern DeleteOnClose=off"));
    EXPECT_EQ(job->m_pfnClosePage(job.get()), 0);
    const auto spoolFiles = [](const std::string& path) {
        size_t n = 0;
        for (const auto& entry : fs::directory_iterator(path)) {
            n += entry.path().filename().string().rfind("Mimaki_UJF_", 0) == 0;
        }
        return n;
    };
    EXPECT_EQ(spoolFiles(current), 1u);        // kept for inspection
    EXPECT_EQ(spoolFiles(folder.Path()), 1u);  // the first page's, in the temporary folder
}

TEST_F(UJF605Test, FailuresOfTheSpoolFileAndTheWritersFailTheHook) {
    Open();
    ASSERT_EQ(UJF_OpenJob(job.get()), 0);
    job->m_strTempFolder = folder.File("miss\ring");
    EXPECT_EQ(job->m_pfnOpenPage(job.get()), -1);
    // Named by the process and a number, the folder's control bytes escaped.
    const std::string own = "Mimaki_UJF_" + std::to_string(platform::CurrentProcessId()) + "_";
    EXPECT_EQ(ErrorMessage().rfind("UJF_OpenPage: Spool file " + folder.File("miss\\x0Ding/") + own, 0), 0u);
    EXPECT_NE(ErrorMessage().find("Spool file IO failed (cannot create \"" + folder.File("miss\\x0Ding/")),
              std::string::npos);
    EXPECT_EQ(ErrorMessage().substr(ErrorMessage().size() - MissingSpoolFolderReason().size()), MissingSpoolFolderReason());
    EXPECT_EQ(job->m_pDriver, nullptr);

    StartPage("Output/Prn/Specific/White/Order = 0\n");
    dynamic_cast<UJF_Intern*>(job->m_pDriver.get())->m_Layers[1].writer = nullptr;
    std::fill(line.begin(), line.end(), 0);
    Plane(0)[0] = 1;
    EXPECT_EQ(job->m_pfnPrintLine(job.get()), -1);
    EXPECT_EQ(ErrorMessage(), std::string("UJF_WriteLine: layer 1: ") + SpoolFileResultText(4));

    StartPage("Output/Prn/Specific/White/Order = 1\n");
    Line({0});
    writer.failWith = 9;
    EXPECT_EQ(job->m_pfnClosePage(job.get()), -9);
    EXPECT_EQ(ErrorMessage(), std::string("UJF_ClosePage: ") + SpoolFileResultText(9));

    // A spooled layer the disk cannot give back names the read that failed.
    StartPage("Output/Prn/Specific/White/Order = 0\n");
    Line({0});
    {
        testsupport::ReadLimit damaged(40);
        EXPECT_EQ(job->m_pfnClosePage(job.get()), -int(eSPOOLFILE2_IO_FAILED));
    }
    const std::string read = "UJF_ClosePage: Spool file IO failed (cannot read \"" + folder.File("Mimaki_UJF_");
    EXPECT_EQ(ErrorMessage().rfind(read, 0), 0u) << ErrorMessage();
    const std::string reason = std::string(".tmp\": ") + std::strerror(EIO) + ")";
    EXPECT_EQ(ErrorMessage().substr(ErrorMessage().size() - reason.size()), reason);
}

}  // namespace
