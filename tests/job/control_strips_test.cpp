// Control strips and verification jobs.
#include "job/job_test_support.h"

namespace {

// The store holds one job only, so both control strips are the job itself
// (id 1) and share its image description.
class ControlStrips : public JobTest {
protected:
    void SetUp() override {
        Ticket(kMinimalJob);
        Ticket(R"(
[job]
Input/ImageDescription = "chart"
Process/ControlstripX[] = 10.0
Process/ControlstripX[] = 20.0
Process/ControlstripY[] = 30.0
Process/ControlstripY[] = 40.0
)");
    }
};

TEST_F(ControlStrips, VerifyModeChoosesWhichStripsCount) {
    const struct {
        int verify;
        bool first;
        bool second;
        size_t descriptions;
        uint32_t verifyFlag;
    } cases[] = {
        {1, true, true, 1, 1},   // only the first strip
        {3, true, true, 2, 1},   // both
        {2, false, true, 1, 0},  // a second strip alone is no verification job
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.verify);
        store.Set(3, kJobId, "Workflow/Verify/Active", c.verify);
        if (c.first) store.Set(3, kJobId, "Job/Identification/ControlStripID", 1);
        else store.Erase(3, kJobId, "Job/Identification/ControlStripID");
        if (c.second) store.Set(3, kJobId, "Job/Identification/ControlStripID2", 1);
        ASSERT_EQ(Read(), 0);
        EXPECT_EQ(job->m_vChartDescriptions.size(), c.descriptions);
        EXPECT_EQ(job->m_bVerify, c.verifyFlag);
    }
    EXPECT_TRUE(log.Has("CVarnPrn::ReadChartInfo: Controlstrip2 (chart)"));
}

TEST_F(ControlStrips, SecondStripAloneTakesTheFirstPosition) {
    Ticket("[job]\nWorkflow/Verify/Active = 2\nJob/Identification/ControlStripID2 = 1\n");
    ASSERT_EQ(Read(), 0);
    EXPECT_EQ(job->m_vControlstripX, (std::vector<double>{20.0, 20.0}));
    EXPECT_EQ(job->m_vControlstripY, (std::vector<double>{40.0, 40.0}));
    EXPECT_TRUE(log.Has("CVarnPrn::ReadChartInfo: Correct offset value"));
}

TEST_F(ControlStrips, ImageDescriptionOfAChartSubTypeMakesAVerificationJob) {
    store.Erase(3, kJobId, "Input/ImageDescription");
    store.Erase(3, kJobId, "Process/ControlstripX");
    store.Erase(3, kJobId, "Process/ControlstripY");
    Ticket("[job]\nInput/SubType = 82\nInput/ImageDescription[] = \"strip\"\n");
    ASSERT_EQ(Read(), 0);
    EXPECT_EQ(job->m_bVerify, 1u);
    EXPECT_EQ(job->m_vChartDescriptions, std::vector<std::string>{"strip"});
    EXPECT_EQ(job->m_vControlstripX, std::vector<double>{0.0});
    EXPECT_EQ(job->m_vControlstripY, std::vector<double>{0.0});
    EXPECT_TRUE(log.Has(1000, "ReadChartInfo Input/ImageDescription detected, Input/SubType=0x52"));
}

}  // namespace
