// Shared helpers of the cutting tests: a job over an in-memory ticket with
// its job view, and a logger that keeps what the cut code logs.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/log_interface.h"
#include "cutting/job_info_adapter.h"
#include "halftone/recording_logger.h"
#include "job/varn_prn.h"
#include "support/recording_logger.h"
#include "ticket_store.h"

// The ILogger of the cut code's tests keeps every text with its level.
using RecordingCutLogger = RecordingLogger;

class CutJobTest : public ::testing::Test {
protected:
    static constexpr uint32_t kJobId = 1;

    CutJobTest() : store(kJobId), job(store.ticket(), kJobId, &log), view(&job) {}

    void Set(const std::string& key, hostkit::TicketValue value) { store.Set(TICKET_SCOPE_JOB, kJobId, key, value); }

    // An image of widthPt x heightPt points at 720 dpi.
    void Image(double widthPt, double heightPt) {
        job.m_dResolutionX = job.m_dResolutionY = 720.0;
        job.m_iResolutionX = job.m_iResolutionY = 720;
        job.m_iImageWidth = static_cast<int32_t>(widthPt * 10);
        job.m_iImageHeight = static_cast<int32_t>(heightPt * 10);
    }

    hostkit::TicketStore store;
    testsupport::RecordingLogger log;
    CVarnPrn job;
    CVarnPrn2IJobInfoAdapter view;
};
