// Every family refuses at OpenJob a picture with fewer channels than its
// colour set-up reads per pixel, naming both counts, and opens the job when
// the picture has them. A picture with one channel more is refused the same
// way by a set-up that reads its own count a pixel, and opened by one that
// steps by the host's pixel.
#include "drivers/picture_check.h"

#include <gtest/gtest.h>

#include "cutting/cjv30.h"
#include "drivers/jfx/jfx.h"
#include "drivers/jv3.h"
#include "drivers/jv300/jv300.h"
#include "drivers/jv33.h"
#include "drivers/jv4.h"
#include "drivers/jv400.h"
#include "drivers/jv5.h"
#include "drivers/ts300p.h"
#include "drivers/tx500.h"
#include "drivers/ujf605.h"
#include "drivers/ujf_x042.h"
#include "cutting/print_and_cut_test_support.h"
#include "family_test_support.h"
#include "spotgen/spot_writer.h"
#include "support/scratch_folder.h"

namespace {

struct Case {
    const char* name;
    int (*openJob)(CVarnPrn*);
    std::string ticket;
    int needed;       // channels the set-up reads
    int fewer;        // a picture short of them
    const char* refusal;  // the message, before "needs N channels per pixel, the job has M"
    bool stepsOver = false;  // a further channel is passed over, not refused
};

class PictureCheckTest : public FamilyTest {};

}  // namespace

TEST_F(PictureCheckTest, ASetUpReadingMoreChannelsThanThePictureHasIsRefusedAtOpenJob) {
    const std::string ujf = FamilyJobTicket(7052, 720, 600, 2, 7260080) + "Output/Prn/Specific/White/Order = 0\n";
    const std::string jfxSpot = FamilyJobTicket(7084, 600, 600, 2, 6060160) + "Output/Prn/Specific/White/Mode = 1\n";
    // Screening on a white-ink JV33 reads white as the fifth channel; its spot file is the model's.
    ScratchFolder spots;
    ASSERT_TRUE(
        spotgen::WriteFile(spots.File("693_720x720dpi.spt"), spotgen::Encode(spotgen::Generate(true, false, 8, 3))));
    const std::string jv33White = "[system]\nSystem/Folders/SPT = \"" + TicketPath(spots.Path()) + "\"\n" +
                                  FamilyJobTicket(693, 720, 720, 1, 8) +
                                  "Output/Prn/BPL/HalftoneMode = 6\nOutput/Prn/Specific/White/Mode = 1\n";
    // Screening on the UJF-605 reads white as the fifth channel on every model.
    ASSERT_TRUE(
        spotgen::WriteFile(spots.File("673_600x600dpi.spt"), spotgen::Encode(spotgen::Generate(true, false, 8, 3))));
    const std::string ujf605Screening = "[system]\nSystem/Folders/SPT = \"" + TicketPath(spots.Path()) + "\"\n" +
                                        FamilyJobTicket(673, 600, 600, 2, 205) + "Output/Prn/BPL/HalftoneMode = 6\n";
    const std::string diffused = "Output/Prn/BPL/HalftoneMode = 1\n";
    const Case cases[] = {
        {"UJF-x042 white", UJFx042_OpenJob, ujf, 5, 4, "UJFx042_OpenJob: Image type CMYK + W1 W2"},
        {"UJF-x042 clear", UJFx042_OpenJob, ujf + "Output/Prn/Printer/Model = 7053\n", 5, 4,
         "UJFx042_OpenJob: Image type CMYK + V1 V2"},
        {"UJF-x042 primer", UJFx042_OpenJob, ujf + "Output/Prn/Printer/Model = 7062\n", 5, 4,
         "UJFx042_OpenJob: Image type CMYK + P1 P2"},
        {"JFX200 spot, CMYK", JFX200_OpenJob, jfxSpot, 7, 4, "JFX_OpenJob: Image type CMYK + W1 W2 V1 P1"},
        {"JFX200 spot, grey", JFX200_OpenJob, jfxSpot, 7, 1, "JFX_OpenJob: Image type CMYK + W1 W2 V1 P1"},
        {"Tx500 grey", Tx500_OpenJob, FamilyJobTicket(7073, 600, 600, 2, 6060040), 4, 1,
         "Tx500_OpenJob: Image type BMYK"},
        {"UJF-605 grey", UJF_OpenJob, FamilyJobTicket(673, 600, 600, 2, 205), 4, 1,
         "UJF_InitHalftone: Image type CMYK", true},
        {"JV33 grey", JV33_OpenJob, FamilyJobTicket(700, 720, 720, 1, 8) + diffused, 4, 1,
         "InitHalftone: Image type CMYK"},
        {"JV33 white, eight channels", JV33_OpenJob, FamilyJobTicket(693, 720, 720, 1, 8) + diffused, 4, 1,
         "InitHalftone: Image type CMYK", true},
        {"JV3 grey", JV3_OpenJob, FamilyJobTicket(654, 720, 720, 2, 8) + diffused, 4, 1,
         "InitHalftone: Image type CMYK"},
        {"JV5 grey", JV5_OpenJob, FamilyJobTicket(677, 540, 720, 0, 208) + diffused, 4, 1,
         "InitHalftone: Image type CMYK"},
        {"JV4 grey", JV4_OpenJob, FamilyJobTicket(698, 720, 720, 2, 8) + diffused, 4, 1,
         "InitHalftone: Image type CMYK"},
        {"CJV30 grey", CJV30_OpenJob, FamilyJobTicket(703, 360, 360, 2, 8) + diffused, 4, 1,
         "InitHalftone: Image type CMYK"},
        {"JV400 grey", JV400_OpenJob, FamilyJobTicket(728, 600, 900, 2, 8), 4, 1, "JV400_InitHalftone: Image type CMYK"},
        {"JFX200 CMYK, grey", JFX200_OpenJob, FamilyJobTicket(7081, 600, 600, 2, 6060080), 4, 1,
         "JFX_OpenJob: Image type CMYK"},
        {"TS300P grey", TS300P_OpenJob, FamilyJobTicket(7071, 720, 720, 2, 7272080), 4, 1,
         "TS300P_OpenJob: Image type BMYK"},
        {"JV300 grey", JV300_OpenJob, FamilyJobTicket(7000, 720, 720, 4, 7272080), 4, 1,
         "JV300_OpenJob: Image type CMYK/BMYK"},
        // Last: the rows share one ticket store, and screening would reach the rows after it.
        {"UJF-605 screening", UJF_OpenJob, ujf605Screening, 5, 4, "UJF_InitHalftone: Image type CMYK+W", true},
        {"JV33 screening, white", JV33_OpenJob, jv33White, 5, 4, "InitHalftone: Image type CMYK+W", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const int channels : {c.fewer, c.needed, c.needed + 1}) {
            writer = CapturingWriter();
            OpenTicket(c.ticket + ExampleLinearisation() + "Process/Components = " + std::to_string(channels) + "\n");
            const int opened = c.openJob(job.get());
            if (channels == c.needed || (channels > c.needed && c.stepsOver)) {
                EXPECT_EQ(opened, 0) << c.name << ", " << channels << " channels: " << ErrorMessage();
                continue;
            }
            EXPECT_EQ(opened, -2) << c.name << ", " << channels << " channels";
            EXPECT_EQ(ErrorMessage(), std::string(c.refusal) + (channels < c.needed ? " needs " : " reads ") +
                                          std::to_string(c.needed) + " channels per pixel, the job has " +
                                          std::to_string(channels))
                << c.name;
            EXPECT_EQ(job->m_pHalftone, nullptr) << c.name;
        }
    }
}
