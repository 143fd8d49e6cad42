// Routine 118 through the halftoner, inline (the pooled runs are in
// planar_half_mt_test.cpp).
#include <gtest/gtest.h>

#include "planar_test_support.h"
#include "platform/temp_folder.h"
#include "services/thread_pool.h"

using planartest::PlanarJob;
using planartest::Types;

TEST(PlanarRoutine, OneProcessorRunsInlineWithoutAPool) {
    PlanarJob p;
    PLANAR_LOAD_EPL(p);
    SetProcessorCountOverride(1);
    ASSERT_EQ(p.Start(-1, planartest::MixedTypes()), 0);
    SetProcessorCountOverride(0);
    EXPECT_EQ(p.halftone->m_pPlanarHalf->Pool(), nullptr);
    EXPECT_EQ(p.halftone->m_pPlanarHalf->Config().channelNumbers, (std::vector<uint16_t>{0, 1, 2, 3}));
    EXPECT_FALSE(p.log.HasPrefix("PlanarHalf: Thread pool"));
    EXPECT_TRUE(p.log.Has(LOG_DETAIL, "PlanarHalf: init job"));

    const std::vector<uint8_t> page = p.Page();
    EXPECT_TRUE(std::any_of(page.begin(), page.end(), [](uint8_t b) { return b != 0; }));
    EXPECT_TRUE(p.log.HasPrefix("PlanarHalf: exit page Other="));
    EXPECT_EQ(p.halftone->m_nPageBytesPlanar, 6u * 4 * 40);
    EXPECT_EQ(p.Page(), page);  // every page starts over

    EXPECT_EQ(p.halftone->ExitJob(p.job.get()), 0);
    EXPECT_EQ(p.halftone->m_pPlanarHalf, nullptr);
    EXPECT_EQ(p.job->m_pOutLine, nullptr);
}

TEST(PlanarRoutine, EveryChannelNeedsAChannelType) {
    PlanarJob p;
    PLANAR_LOAD_EPL(p);
    EXPECT_EQ(p.Start(0, Types(CreatePlanarOne_SE1_NDS, 2), 1, 3), -1);
    EXPECT_TRUE(p.log.Has(LOG_ERROR, "PlanarHalf: Not enough channel types specified"));
    ASSERT_EQ(p.Start(0, Types(CreatePlanarOne_SE1_NDS, 4), 1, 3), 0);  // the fourth is not used
    EXPECT_EQ(p.Page().size(), 6u * 3 * 5);
    // A missing parameter set fails the job start with the channel's text.
    EXPECT_EQ(p.Start(0, Types(CreatePlanarOne_SE1_VDS2, 4, nullptr)), -1);
    EXPECT_TRUE(p.log.Has(LOG_ERROR, "PlanarHalf: init job: CPlanarOne_SE1_VDS2: missing pParameters"));
}

TEST(PlanarRoutine, WidthIsHalftonedRoundedUpToEightPixels) {
    // 37 pixels: rows of 5 bytes (10 with two bits), and pixels 37 to 39
    // are converted from the line's padding like every other pixel.
    PlanarJob p;
    PLANAR_LOAD_EPL(p);
    ASSERT_EQ(p.Start(0, Types(CreatePlanarOne_SE1_NDS, 4), 1), 0);
    EXPECT_EQ(p.job->m_iBytesPerChannel, 5);
    EXPECT_GE(p.halftone->InputLineBytes(), 40u * 4);
    const std::vector<uint8_t> blank = p.Page(6, 0, 0);
    const std::vector<uint8_t> inked = p.Page(6, 0, 255);
    int dotsBeyond = 0;
    for (size_t row = 0; row < inked.size() / 5; ++row) {
        EXPECT_EQ(blank[row * 5 + 4] & 0x07, 0) << row;
        dotsBeyond += __builtin_popcount(inked[row * 5 + 4] & 0x07);
    }
    EXPECT_GT(dotsBeyond, 24 * 3 / 2);
}

TEST(PlanarRoutine, FailingChannelFailsTheLine) {
    // One bit per pixel is too little for a variable-dot channel's row.
    PlanarJob p;
    PLANAR_LOAD_EPL(p);
    ASSERT_EQ(p.Start(0, planartest::MixedTypes(), 1), 0);
    p.Page(2, -1);
    EXPECT_TRUE(p.log.Has(LOG_ERROR, "PlanarHalf: Error in channel"));
    EXPECT_EQ(p.halftone->ExitJob(p.job.get()), 0);
}

TEST(PlanarRoutine, DescribesItsDebugImageAndNeedsItsPlanarHalftoner) {
    PlanarJob p;
    PLANAR_LOAD_EPL(p);
    TempFolder folder;  // where a loaded debug library writes the image
    p.job->m_strInstallFolder = folder.Path();
    p.job->m_bWriteOutputTiff = true;
    p.job->m_iHalftoneDebugLayout = 64;
    ASSERT_EQ(p.Start(0, planartest::MixedTypes()), 0);
    const DbgImageInfo& info = *p.halftone->m_pDbgHalftoneInfo;
    EXPECT_EQ(info.lineLength, 10u);
    EXPECT_EQ(info.compression, 32773u);
    EXPECT_EQ(info.bitsPerSample, 2u);
    EXPECT_EQ(info.layoutCode, 64u);

    p.halftone->m_pPlanarHalf.reset();
    EXPECT_EQ(p.halftone->InitPage(p.job.get()), -1);
    EXPECT_TRUE(p.log.Has(LOG_ERROR, "PlanarHalf: init page !m_pPlanarHalf"));
    EXPECT_EQ(p.halftone->ExitJob(p.job.get()), -1);
    EXPECT_TRUE(p.log.Has(LOG_ERROR, "PlanarHalf: exit job !m_pPlanarHalf"));
}
