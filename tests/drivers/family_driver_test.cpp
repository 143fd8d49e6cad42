#include "drivers/family_driver.h"

#include <gtest/gtest.h>

#include <memory>

#include "drivers/mrl/mrl_page_buffer.h"
#include "job/varn_prn.h"

namespace {

class StepDriver : public FamilyDriver {
public:
    explicit StepDriver(SecondHook second) : FamilyDriver(second) {}
    int32_t OpenPage(CVarnPrn*) override { return 10; }
    int32_t ClosePage(CVarnPrn*) override { return 20; }
};

TEST(FamilyDriverHooks, ReachTheNamedStepsAndFailWithoutADriver) {
    CVarnPrn job(nullptr, 1, nullptr);
    EXPECT_EQ(InternPageHook0(&job), -1);
    EXPECT_EQ(InternPageHook1(&job), -1);
    EXPECT_EQ(InternPageHook2(&job), -1);
    EXPECT_EQ(InternPageHook0(nullptr), -1);

    MrlPageBuffer::Attach(&job);  // a line buffer is no driver
    EXPECT_EQ(InternPageHook2(&job), -1);

    job.m_pDriver = std::make_unique<StepDriver>(FamilyDriver::SecondHook::OpenPage);
    EXPECT_EQ(MrlPageBuffer::Of(&job), nullptr);
    EXPECT_EQ(InternPageHook0(&job), 10);
    EXPECT_EQ(InternPageHook1(&job), 10);
    EXPECT_EQ(InternPageHook2(&job), 20);
    job.m_pDriver = std::make_unique<StepDriver>(FamilyDriver::SecondHook::ClosePage);
    EXPECT_EQ(InternPageHook1(&job), 20);
}

}  // namespace
