// Routine 118 on the thread pool: the same bytes as inline, and no hang or
// use of a deleted channel halftoner when tasks are refused or channels fail.
#include <gtest/gtest.h>

#include "planar_test_support.h"
#include "services/thread_pool.h"

using planartest::PlanarJob;
using planartest::Types;

namespace {

std::vector<uint8_t> TwoPages(PlanarJob& p) {
    std::vector<uint8_t> out = p.Page(7);
    const std::vector<uint8_t> second = p.Page(5);
    out.insert(out.end(), second.begin(), second.end());
    return out;
}

}  // namespace

TEST(PlanarRoutinePool, PoolAndInlineGiveTheSameBytes) {
    PlanarJob p(53);
    PLANAR_LOAD_EPL(p);
    for (int bits : {1, 2}) {
        const std::vector<PlanarChannelType> types =
            bits == 1 ? Types(CreatePlanarOne_SE1_NDS, 4) : planartest::MixedTypes();
        ASSERT_EQ(p.Start(0, types, bits), 0);
        const std::vector<uint8_t> inline_ = TwoPages(p);
        EXPECT_EQ(p.halftone->ExitJob(p.job.get()), 0);

        for (int threads : {1, 4, -1}) {
            SetProcessorCountOverride(4);
            ASSERT_EQ(p.Start(threads, types, bits), 0);
            SetProcessorCountOverride(0);
            ASSERT_NE(p.halftone->m_pPlanarHalf->Pool(), nullptr);
            EXPECT_TRUE(p.log.Has(LOG_INFO, "PlanarHalf: Thread pool of " + std::to_string(threads < 0 ? 4 : threads) +
                                                " Threads"));
            EXPECT_EQ(TwoPages(p), inline_) << bits << " bits, " << threads << " threads";
            EXPECT_EQ(p.halftone->ExitJob(p.job.get()), 0);
        }
    }
}

TEST(PlanarRoutinePool, RefusedTasksRunOnTheCallingThread) {
    PlanarJob p;
    PLANAR_LOAD_EPL(p);
    ASSERT_EQ(p.Start(0, planartest::MixedTypes()), 0);
    const std::vector<uint8_t> inline_ = p.Page();
    ASSERT_EQ(p.Start(4, planartest::MixedTypes()), 0);
    p.halftone->m_pPlanarHalf->Pool()->Finish();  // a closed pool refuses every task
    EXPECT_EQ(p.Page(), inline_);
    EXPECT_EQ(p.halftone->ExitJob(p.job.get()), 0);
}

TEST(PlanarRoutinePool, FailingChannelWaitsForTheOthersBeforeTheJobEnds) {
    PlanarJob p(400);
    PLANAR_LOAD_EPL(p);
    ASSERT_EQ(p.Start(4, planartest::MixedTypes(), 1), 0);  // channels 0 to 2 fail
    p.Page(3, -1);
    EXPECT_TRUE(p.log.Has(LOG_ERROR, "PlanarHalf: Error in channel"));
    EXPECT_EQ(p.halftone->ExitJob(p.job.get()), 0);
}

TEST(PlanarRoutinePool, HundredHalftonersWithPoolsComeAndGoClean) {
    PlanarJob p(64);
    PLANAR_LOAD_EPL(p);
    for (int i = 0; i < 100; ++i) {
        ASSERT_EQ(p.Start(2 + i % 3, planartest::MixedTypes()), 0) << i;
        p.Page(3);
        if (i % 2 == 0) {
            EXPECT_EQ(p.halftone->ExitJob(p.job.get()), 0);
        }
        p.halftone.reset();  // half of them without their job end
    }
}
