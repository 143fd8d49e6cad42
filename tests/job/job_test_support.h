// Shared helpers of the job-object tests: a logger that keeps every line, and
// a job read from a ticket written in the host kit's text form.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <memory>
#include <string>
#include <vector>

#include "base/log_interface.h"
#include "support/recording_logger.h"
#include "job/varn_prn.h"
#include "ticket_store.h"
#include "ticket_text.h"

using testsupport::LoggedLine;
using testsupport::RecordingLogger;


// A file path of its own for the running test (tests run in parallel
// processes, also from several build folders at once).
inline std::string TempPath(const std::string& suffix) {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::random_device random;
    return (std::filesystem::temp_directory_path() / ("kelmora_" + std::string(info->test_suite_name()) + "_" +
                                                       info->name() + "_" + std::to_string(random()) + suffix))
        .string();
}

// The smallest ticket a job opens with: printer model 700 at 720 dpi, an
// image of 1000 x 500 pixels on a medium of 1000 x 2000 mm.
inline const char* kMinimalJob = R"(
[job]
Output/Prn/Printer/Model = 700
Output/Prn/Linearization/BPLPath = "/nowhere/job.epl"
Output/Prn/Printer/ResolutionX = 720.0
Output/Prn/Printer/ResolutionY = 720.0
Process/OutWidthPixel = 1000
Process/OutHeightPixel = 500
Output/Prn/Media/Size/Width = 1000.0
Output/Prn/Media/Size/Height = 2000.0
)";

class JobTest : public ::testing::Test {
protected:
    static constexpr uint32_t kJobId = 1;

    JobTest() : store(kJobId) {}

    // Loads ticket text (sections and keys replace what is there).
    void Ticket(const std::string& text) { hostkit::ReadTicketText(text, store); }

    // Constructs a job over the store without reading it.
    CVarnPrn& NewJob() {
        job = std::make_unique<CVarnPrn>(store.ticket(), kJobId, &log);
        return *job;
    }

    // Constructs a job and runs the settings reader.
    int Read() { return NewJob().ReadInfoFromTicket(); }

    const hostkit::Elements* Key(const std::string& key, uint32_t scope = 3, uint32_t id = kJobId) const {
        return store.Find(scope, id, key);
    }

    std::vector<std::string> Strings(const std::string& key) const {
        std::vector<std::string> out;
        if (const auto* e = Key(key)) {
            for (const auto& v : *e) out.push_back(std::get<std::string>(v));
        }
        return out;
    }

    hostkit::TicketStore store;
    RecordingLogger log;
    std::unique_ptr<CVarnPrn> job;
};
