// Every family refuses at OpenJob a picture with fewer channels than its
// colour set-up reads per pixel, naming both counts, and opens the job when
// the picture has them.
#include "drivers/picture_check.h"

#include <gtest/gtest.h>

#include "drivers/jfx/jfx.h"
#include "drivers/jv300/jv300.h"
#include "drivers/jv33.h"
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
         "UJF_InitHalftone: Image type CMYK"},
        {"JV33 grey", JV33_OpenJob, FamilyJobTicket(700, 720, 720, 1, 8) + "Output/Prn/BPL/HalftoneMode = 1\n", 4, 1,
         "InitHalftone: Image type CMYK"},
        {"TS300P grey", TS300P_OpenJob, FamilyJobTicket(7071, 720, 720, 2, 7272080), 4, 1,
         "TS300P_OpenJob: Image type BMYK"},
        {"JV300 grey", JV300_OpenJob, FamilyJobTicket(7000, 720, 720, 4, 7272080), 4, 1,
         "JV300_OpenJob: Image type CMYK/BMYK"},
        // Last: the rows share one ticket store, and screening would reach the rows after it.
        {"JV33 screening, white", JV33_OpenJob, jv33White, 5, 4, "InitHalftone: Image type CMYK+W"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const int channels : {c.fewer, c.needed}) {
            writer = CapturingWriter();
            OpenTicket(c.ticket + ExampleLinearisation() + "Process/Components = " + std::to_string(channels) + "\n");
            const int opened = c.openJob(job.get());
            if (channels == c.needed) {
                EXPECT_EQ(opened, 0) << c.name << ": " << ErrorMessage();
                continue;
            }
            EXPECT_EQ(opened, -2) << c.name;
            EXPECT_EQ(ErrorMessage(), std::string(c.refusal) + " needs " + std::to_string(c.needed) +
                                          " channels per pixel, the job has " + std::to_string(channels))
                << c.name;
            EXPECT_EQ(job->m_pHalftone, nullptr) << c.name;
        }
    }
}
