// What the TS300P and Tx500/TS500 lines share: the refusals of the job start.
#include "drivers/sublimation_shared.h"

#include <gtest/gtest.h>

#include "drivers/family_test_support.h"
#include "drivers/ts300p.h"
#include "drivers/tx500.h"

namespace {

using SublimationJobStart = FamilyTest;

TEST_F(SublimationJobStart, SetUpFailuresFailTheJobStartAndKeepNothing) {
    struct Family {
        int (*openJob)(CVarnPrn*);
        int model;
        int missingDotSize;  // not in the family's dot-size table
        const char* name;
    };
    for (const Family& f : {Family{TS300P_OpenJob, 7071, 7, "TS300P"}, Family{Tx500_OpenJob, 7073, 4, "Tx500"}}) {
        SCOPED_TRACE(f.name);
        const std::string ticket = FamilyJobTicket(f.model, 360, 360, 2, 0) + ExampleLinearisation();
        const std::string family = f.name;
        OpenTicket(ticket + "Output/Prn/Specific/DotSize = " + std::to_string(f.missingDotSize) + "\n");
        EXPECT_EQ(f.openJob(job.get()), -2);
        EXPECT_EQ(ErrorMessage(), family + "_OpenJob: Dot size " + std::to_string(f.missingDotSize) +
                                      " not in table for printer " + std::to_string(f.model));
        EXPECT_EQ(job->m_pDriver, nullptr);
        EXPECT_EQ(job->m_pHalftone, nullptr);

        OpenTicket(ticket + "Output/Prn/Printer/OutputColorMode = 5\n");
        EXPECT_EQ(f.openJob(job.get()), -2);
        EXPECT_EQ(ErrorMessage(), "Internal error " + family + "_OpenJob " + family + "_InitHalftone failed");
        EXPECT_TRUE(log.Has(0, family + "_InitHalftone: Image type = unknown (5)"));
        EXPECT_EQ(job->m_pDriver, nullptr);
        EXPECT_EQ(job->m_pHalftone, nullptr);

        writer.failWith = 9;  // the job header
        EXPECT_EQ(f.openJob(job.get()), 9);
        EXPECT_TRUE(log.Has(0, family + "_OpenJob return error code 9"));
        writer.failWith = 0;
        EXPECT_EQ(f.openJob(nullptr), -1);
    }
}

}  // namespace
