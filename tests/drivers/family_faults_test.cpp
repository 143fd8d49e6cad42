// The reference job of every family the dispatch serves, through the host
// interface, under faults: the host's writer failing at each record in turn,
// and Abort before and after every host call, each followed by CloseJob; and
// a line 100,000 pixels wide.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "family_test_support.h"
#include "plugin/host_interface.h"
#include "prndump/plane_images.h"

namespace {

// One reference job per family: two pages of four lines, 64 pixels wide.
struct Reference {
    const char* name;
    int model, xDpi, yDpi, dotSize, quality;
};
const Reference kReferences[] = {
    {"JV33", 700, 720, 720, 2, 8},
    {"JV34", 7077, 540, 720, 2, 5472041},
    {"JV3", 654, 720, 720, 2, 8},
    {"JV4", 698, 720, 720, 2, 8},
    {"JV5", 677, 540, 720, 0, 208},
    {"JV400", 728, 600, 900, 2, 8},
    {"JV300", 7000, 720, 720, 4, 7272080},
    {"TS300P", 7071, 720, 720, 2, 7272080},
    {"Tx500", 7073, 600, 600, 2, 6060081},
    {"JFX200", 7081, 600, 600, 2, 6060080},
    {"UJF605", 726, 600, 600, 2, 205},
};
constexpr int kPages = 2;
constexpr int kLines = 4;
constexpr int kWidth = 64;
constexpr int kWideLine = 100000;

// The host calls of a job in order; Abort comes before or after one of them.
enum class Call { OpenJob, OpenPage, WriteLine, ClosePage, CloseJob };

struct Step {
    Call call;
    int page = 0, line = 0;
};

std::vector<Step> Steps() {
    std::vector<Step> steps = {{Call::OpenJob}};
    for (int p = 0; p < kPages; ++p) {
        steps.push_back({Call::OpenPage, p});
        for (int l = 0; l < kLines; ++l) steps.push_back({Call::WriteLine, p, l});
        steps.push_back({Call::ClosePage, p});
    }
    return steps;
}

class FamilyFaults : public FamilyTest {
protected:
    void SetUp() override { ASSERT_EQ(PrnBase::CreateContext(&context, "faults"), 0); }
    void TearDown() override {
        if (jobContext) PrnBase::CloseJob(context, jobContext);
        PrnBase::Terminate(&context);
        FamilyTest::TearDown();
    }

    void Prepare(const Reference& r, int width = kWidth) {
        this->width = width;
        Ticket(FamilyJobTicket(r.model, r.xDpi, r.yDpi, r.dotSize, r.quality) + ExampleLinearisation() +
               "Process/OutWidthPixel = " + std::to_string(width) + "\nProcess/OutHeightPixel = " +
               std::to_string(kLines) + "\nOutput/Prn/Printer/InputColorMode = 4\nProcess/Components = 4\n" +
               // A medium wide enough for every line (5 m).
               "Output/Prn/Media/Size/Width = 5000.0\n");
        store.Erase(TICKET_SCOPE_JOB, kJobId, "Output/ErrorMessage");
        writer = CapturingWriter();
    }

    int Do(const Step& s) {
        switch (s.call) {
            case Call::OpenJob:
                return PrnBase::OpenJob(context, store.ticket(), kJobId, &jobContext, &CapturingWriter::Write, &writer);
            case Call::OpenPage:
                return PrnBase::OpenPage(context, &pageInfo, nullptr, jobContext);
            case Call::WriteLine:
                return PrnBase::WriteLine(context, jobContext, Line(width, s.page, s.line).data());
            case Call::ClosePage:
                return PrnBase::ClosePage(context, jobContext);
            case Call::CloseJob: {
                const int r = PrnBase::CloseJob(context, jobContext);
                jobContext = nullptr;
                return r;
            }
        }
        return -100;
    }

    // A CMYK line whose last pixel is full black.
    static std::vector<uint8_t> Line(int width, int page, int line) {
        std::vector<uint8_t> bytes((size_t(width) * 4 + 31) / 32 * 32);
        for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = uint8_t(i * 7 + size_t(line) * 40 + size_t(page) * 3);
        bytes[size_t(width) * 4 - 1] = 255;
        return bytes;
    }

    // Runs the job; the host stops at the first call that fails and closes
    // the job. The results of the calls made, CloseJob's last.
    std::vector<int> Run() {
        std::vector<int> results;
        failedCall = -1;
        for (const Step& s : Steps()) {
            results.push_back(Do(s));
            if (failedCall < 0 && writer.failedTag != 0) failedCall = int(results.size()) - 1;
            if (results.back() != 0) break;
        }
        results.push_back(Do({Call::CloseJob}));
        return results;
    }

    PLUGINCONTEXT* context = nullptr;
    JobContext* jobContext = nullptr;
    int failedCall = -1;  // the call of the last Run during which the writer failed
    uint32_t pageInfo = 1;
    int width = kWidth;
};

bool IsFrameRecord(uint32_t tag) {
    return tag == SPLTAG_OPEN_JOB || tag == SPLTAG_PAGE_LINK || tag == SPLTAG_CLOSE_JOB || tag == SPLTAG_EOF;
}

}  // namespace

// A failing record of the family's data fails the host call that wrote it
// (with the writer's code or the family's own: none of these families writes
// a message for it); the frame's own records pass unexamined. Whatever failed, CloseJob ends the
// job and writes the end of file.
TEST_F(FamilyFaults, AWriterFailingAtAnyRecordFailsTheCallThatWroteIt) {
    for (const Reference& r : kReferences) {
        Prepare(r);
        const std::vector<int> clean = Run();
        for (int result : clean) ASSERT_EQ(result, 0) << r.name;
        const int64_t records = writer.calls;
        ASSERT_GT(records, 8) << r.name;
        ASSERT_EQ(writer.records.back().tag, SPLTAG_EOF) << r.name;

        for (int64_t k = 0; k < records; ++k) {
            Prepare(r);
            writer.failAt = k;
            writer.failWith = -7;
            const std::vector<int> results = Run();
            ASSERT_NE(writer.failedTag, 0u) << r.name << " record " << k;
            const uint32_t lastTag = writer.failedTag == SPLTAG_EOF ? SPLTAG_CLOSE_JOB : SPLTAG_EOF;
            EXPECT_EQ(writer.records.back().tag, lastTag) << r.name << " record " << k;
            if (IsFrameRecord(writer.failedTag)) continue;
            // The call that met the failure is the last before CloseJob.
            ASSERT_GE(results.size(), 2u);
            EXPECT_NE(results[results.size() - 2], 0) << r.name << ": record " << k << " (tag " << std::hex
                                                      << writer.failedTag << ") failed unreported";
            EXPECT_EQ(failedCall, int(results.size()) - 2)
                << r.name << ": record " << k << " (tag " << std::hex << writer.failedTag
                << ") failed, but the call that wrote it answered 0";
        }
    }
}

// Abort before or after any call of the job, then CloseJob: an open page is
// closed first, the end of file is written, and the job is freed (the
// sanitizer build checks for leaks).
TEST_F(FamilyFaults, AbortAtAnyCallThenCloseJobEndsTheJob) {
    const std::vector<Step> steps = Steps();
    for (const Reference& r : kReferences) {
        for (size_t at = 0; at <= steps.size(); ++at) {
            for (const bool before : {true, false}) {
                if (at == 0 && before) continue;  // no job to abort before OpenJob
                Prepare(r);
                bool pageOpen = false;
                for (size_t i = 0; i < steps.size(); ++i) {
                    if (i == at && before) break;
                    ASSERT_EQ(Do(steps[i]), 0) << r.name << " step " << i;
                    if (steps[i].call == Call::OpenPage) pageOpen = true;
                    if (steps[i].call == Call::ClosePage) pageOpen = false;
                    if (i == at) break;
                }
                EXPECT_EQ(PrnBase::Abort(context, jobContext), 0);
                const size_t before_close = writer.records.size();
                EXPECT_EQ(Do({Call::CloseJob}), 0) << r.name << " abort at " << at;
                ASSERT_GT(writer.records.size(), before_close);
                EXPECT_EQ(writer.records.back().tag, SPLTAG_EOF) << r.name;
                bool pageEnded = false;
                for (size_t i = before_close; i < writer.records.size(); ++i) {
                    pageEnded = pageEnded || writer.records[i].tag == SPLTAG_PAGE_END;
                }
                if (pageOpen) {
                    EXPECT_TRUE(pageEnded) << r.name << " abort at " << at << (before ? " before" : " after");
                }
            }
        }
    }
}

// A line of 100,000 pixels prints whole on every family: the decoded pages
// reach its last pixel.
TEST_F(FamilyFaults, ALineOfAHundredThousandPixelsPrintsWhole) {
    for (const Reference& r : kReferences) {
        Prepare(r, kWideLine);
        for (int result : Run()) ASSERT_EQ(result, 0) << r.name << ": " << ErrorMessage();
        std::vector<prndecode::Record> records;
        for (const auto& c : writer.records) records.push_back({c.tag, 0, c.data});
        const auto pages = prndecode::AssemblePages(records);
        ASSERT_EQ(pages.size(), size_t(kPages)) << r.name;
        for (const auto& page : pages) {
            EXPECT_EQ(page.lines, size_t(kLines)) << r.name;
            // Trailing zero bytes are not sent: the full black of the last
            // pixel shows the line's end arrived (rounded up to a byte).
            EXPECT_GT(page.WidthPixels(), size_t(kWideLine - 8)) << r.name;
            EXPECT_LE(page.WidthPixels(), size_t(kWideLine + 8)) << r.name;
        }
    }
}
