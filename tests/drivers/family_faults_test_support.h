// The reference job of every family the dispatch serves, through the host
// interface, under faults: the host's writer failing at each record in turn,
// Abort before and after every host call, each followed by CloseJob, a full
// disk under the spool files; and a line 100,000 pixels wide. The plain
// program runs them with the halftoners inline, the threaded one with the
// multi-threaded engine and the planar pools.
#pragma once

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "cutting/print_and_cut_test_support.h"
#include "drivers/family_test_support.h"
#include "platform/dynamic_library.h"
#include "platform/temp_file.h"
#include "plugin/host_interface.h"
#include "prndump/plane_images.h"
#include "services/spool_file.h"
#include "support/processor_override.h"
#include "support/scratch_folder.h"
#include "support/temp_file_limits.h"

namespace faults {

// One reference job per family: two pages of four lines, 64 pixels wide.
// A job may add keys of its own, a number of input components other than
// CMYK's four, and ticket sections after the job's; the print-and-cut lines
// cut a square of the test's cut file.
struct Reference {
    const char* name;
    int model, xDpi, yDpi, dotSize, quality;
    int components = 4;
    const char* keys = "";
    const char* sections = "";
    bool cut = false;
};
constexpr const char* kPrintAndCut =
    "Output/Prn/Cutting/Mode = 6\nOutput/PrintTagOperation = 1\nContourCutting/PrintAndCutDeviceHandlesCutMarks = 0\n";
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
    {"UJF605 spooled", 673, 600, 600, 2, 205, 4, "Output/Prn/Specific/White/Order = 0\n"},  // colour in the spool file
    {"UJF605 two layers", 726, 600, 600, 2, 205, 4,
     "Output/Prn/Specific/White/Mode = 1\nOutput/Prn/Specific/White/Order = 1\n"},  // white in the spool file
    {"JFX500", 7089, 600, 600, 9, 6060040, 5, "Output/Prn/Specific/Clear/Mode = 0\nOutput/Prn/Specific/Clear/Surface = 1\n"},
    {"TS500", 7075, 600, 1200, 3, 6012080},
    {"UJFx042", 7063, 720, 600, 2, 7260080, 7,
     "Output/Prn/Specific/White/Mode = 1\nOutput/Prn/Specific/White/Order = 0\nOutput/Prn/Specific/Clear/Mode = 1\n"
     "Output/Prn/Specific/Clear/Surface = 1\nOutput/Prn/Specific/Primer/Mode = 1\n"},
    {"CJV30", 703, 360, 360, 2, 8, 4, kPrintAndCut, "[printer 703]\nOutput/Prn/Info/Option/ID[] = 86\n", true},
    {"CJV300", 7018, 720, 720, 3, 7272080, 4, kPrintAndCut, "[printer 7018]\nOutput/Prn/Info/Option/ID[] = 86\n", true},
    {"CJV300 pulled back", 7019, 720, 720, 3, 7272080, 5,
     "Output/Prn/Printer/OutputColorMode = 6\nOutput/Prn/Specific/White/Mode = 1\nOutput/Prn/Specific/White/Order = 4\n"
     "Output/Prn/Specific/PulledBackPrint = 1\nOutput/Prn/Linearization/BPLPath = \"" KELMORA_EPL_LIGHT_INKS "\"\n"
     "Output/Prn/Cutting/Mode = 6\nOutput/PrintTagOperation = 1\nContourCutting/PrintAndCutDeviceHandlesCutMarks = 0\n",
     "[printer 7019]\nOutput/Prn/Info/Color/SpotColors[] = \"WHITE_INK\"\nOutput/Prn/Info/Option/ID[] = 86\n", true},
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

inline std::vector<Step> Steps() {
    std::vector<Step> steps = {{Call::OpenJob}};
    for (int p = 0; p < kPages; ++p) {
        steps.push_back({Call::OpenPage, p});
        for (int l = 0; l < kLines; ++l) steps.push_back({Call::WriteLine, p, l});
        steps.push_back({Call::ClosePage, p});
    }
    return steps;
}

inline bool IsFrameRecord(uint32_t tag) {
    return tag == SPLTAG_OPEN_JOB || tag == SPLTAG_PAGE_LINK || tag == SPLTAG_CLOSE_JOB || tag == SPLTAG_EOF;
}

// The spooling families' reference jobs: each holds layers in spool files;
// the UJF-605 line also with its spool file kept after closing.
struct Spooling {
    const char* name;
    bool keepFile = false;
};
const Spooling kSpooling[] = {{"JFX200"}, {"JFX500"}, {"UJF605 spooled"}, {"UJF605 two layers"},
                              {"UJF605 spooled", true}, {"UJFx042"}, {"CJV300 pulled back"}};

inline const Reference& Named(const std::string& name) {
    for (const Reference& r : kReferences) {
        if (name == r.name) return r;
    }
    throw std::runtime_error("no reference job " + name);
}

using testsupport::WriteLimit;

class FamilyFaults : public FamilyTest {
protected:
    // processors: what the engine and the pools believe the machine has.
    explicit FamilyFaults(int processors) : m_processors(processors) {}
    void SetUp() override {
        ASSERT_EQ(PrnBase::CreateContext(&context, "faults"), 0);
        std::ofstream(folder.File("cut.ai"), std::ios::binary) << kSquareCutFile;
    }
    void TearDown() override {
        if (jobContext) PrnBase::CloseJob(context, jobContext);
        PrnBase::Terminate(&context);
        FamilyTest::TearDown();
    }

    void Prepare(const Reference& r, int lineWidth = kWidth, const std::string& systemKeys = "") {
        width = lineWidth;
        components = r.components;
        furtherChannels = 0;
        const std::string cut = r.cut ? "Process/ContourCut/ICUT/AI_FileName = \"" + TicketPath(folder.File("cut.ai")) + "\"\n"
                                      : std::string();
        Ticket(FamilyJobTicket(r.model, r.xDpi, r.yDpi, r.dotSize, r.quality) + ExampleLinearisation() +
               "Process/OutWidthPixel = " + std::to_string(width) + "\nProcess/OutHeightPixel = " +
               std::to_string(kLines) + "\nOutput/Prn/Printer/InputColorMode = 4\nProcess/Components = " +
               std::to_string(r.components) + "\n" +
               // A medium wide enough for every line (8 m: 100,000 pixels at 360 dpi).
               "Output/Prn/Media/Size/Width = 8000.0\n" + r.keys + cut +
               // Spool files go to the test's folder.
               "[system]\nSystem/Folders/Temp = \"" + TicketPath(folder.Path()) + "\"\n" + systemKeys + r.sections);
        store.Erase(TICKET_SCOPE_JOB, kJobId, "Output/ErrorMessage");
        writer = CapturingWriter();
    }

    int Do(const Step& s) {
        switch (s.call) {
            case Call::OpenJob:
                return PrnBase::OpenJob(context, store.ticket(), kJobId, &jobContext, &CapturingWriter::Write, &writer);
            case Call::OpenPage:
                return PrnBase::OpenPage(context, &pageInfo, nullptr, jobContext);
            case Call::WriteLine: {
                std::vector<uint8_t> pixels = Line(width, components, s.page, s.line);
                if (furtherChannels > 0) pixels = WithFurtherChannels(pixels, width, components, furtherChannels);
                return PrnBase::WriteLine(context, jobContext, pixels.data());
            }
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

    // A line whose last pixel has its last component full (black, or a spot colour).
    static std::vector<uint8_t> Line(int width, int components, int page, int line) {
        std::vector<uint8_t> bytes((size_t(width) * size_t(components) + 31) / 32 * 32);
        for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = uint8_t(i * 7 + size_t(line) * 40 + size_t(page) * 3);
        bytes[size_t(width) * size_t(components) - 1] = 255;
        return bytes;
    }

    // The line with `further` channels of 0x5A after each pixel's `components`.
    static std::vector<uint8_t> WithFurtherChannels(const std::vector<uint8_t>& line, int width, int components,
                                                    int further) {
        const size_t wide = size_t(components + further);
        std::vector<uint8_t> bytes((size_t(width) * wide + 31) / 32 * 32, 0);
        for (size_t x = 0; x < size_t(width); ++x) {
            std::copy_n(line.begin() + ptrdiff_t(x * size_t(components)), components, bytes.begin() + ptrdiff_t(x * wide));
            std::fill_n(bytes.begin() + ptrdiff_t(x * wide + size_t(components)), further, uint8_t{0x5A});
        }
        return bytes;
    }

    // The files of the test's folder other than the cut file.
    std::vector<std::string> Files() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder.Path())) {
            if (entry.path().filename() != "cut.ai") names.push_back(entry.path().filename().string());
        }
        return names;
    }

    // Whether the spool file at path ends with its end record.
    static bool EndsWithEndRecord(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        return bytes.size() >= 8 && bytes.compare(bytes.size() - 8, 8, std::string("rovo\0\0\0\xF0", 8)) == 0;
    }

    // Runs the job; the host stops at the first call that fails and closes
    // the job. The results of the calls made, CloseJob's last.
    std::vector<int> Run() {
        std::vector<int> results;
        failedCall = -1;
        for (const Step& s : Steps()) {
            results.push_back(Do(s));
            if (failedCall < 0 && writer.failed) failedCall = int(results.size()) - 1;
            if (results.back() != 0) break;
        }
        results.push_back(Do({Call::CloseJob}));
        return results;
    }

    // A failing record of the family's data fails the host call that wrote
    // it (with the writer's code or the family's own); the frame's own
    // records pass unexamined. Whatever failed, CloseJob ends the job and
    // writes the end of file.
    void CheckWriterFailingAtEveryRecord(const Reference& r) {
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
            ASSERT_TRUE(writer.failed) << r.name << " record " << k;
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

    // Abort before or after any call of the job, then CloseJob: an open page
    // is closed first, the end of file is written, and the job is freed (the
    // sanitizer build checks for leaks).
    void CheckAbortAtEveryCall(const Reference& r) {
        const std::vector<Step> steps = Steps();
        for (size_t at = 0; at <= steps.size(); ++at) {
            for (const bool before : {true, false}) {
                if (at == 0 && before) continue;  // no job to abort before OpenJob
                Prepare(r);
                bool pageOpen = false;
                for (size_t i = 0; i < steps.size(); ++i) {
                    if (i == at && before) break;
                    ASSERT_EQ(Do(steps[i]), 0) << r.name << " step " << i << ": " << ErrorMessage();
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

    // A line of 100,000 pixels prints whole: the decoded pages reach its
    // last pixel.
    void CheckHundredThousandPixelLine(const Reference& r) {
        Prepare(r, kWideLine);
        for (int result : Run()) ASSERT_EQ(result, 0) << r.name << ": " << ErrorMessage();
        std::vector<prndecode::Record> records;
        for (const auto& c : writer.records) records.push_back({c.tag, 0, c.data});
        const auto pages = prndecode::AssemblePages(records);
        // A page of several layers gives an image per layer.
        ASSERT_GE(pages.size(), size_t(kPages)) << r.name;
        ASSERT_EQ(pages.size() % kPages, 0u) << r.name;
        for (const auto& page : pages) {
            EXPECT_EQ(page.lines, size_t(kLines)) << r.name;
            // Trailing zero bytes are not sent: the full black of the last
            // pixel shows the line's end arrived (rounded up to a byte).
            EXPECT_GT(page.WidthPixels(), size_t(kWideLine - 8)) << r.name;
            EXPECT_LE(page.WidthPixels(), size_t(kWideLine + 8)) << r.name;
        }
    }

    // A disk that fills after k bytes of spool files, for every k at which
    // a write of the job's spool files starts (the write gets none of its
    // bytes; a write cut short anywhere else fails the same way): the host
    // call that meets it fails with the spool file's text of the system
    // error, no later call reports success, and once the job is closed no
    // spool file is left in the temporary folder but a kept one of a page
    // that ended well.
    void CheckFullDiskAtEveryWrite(const Spooling& spooling) {
        const std::string noSpace = std::strerror(ENOSPC);
        const std::string name = std::string(spooling.name) + (spooling.keepFile ? " (file kept)" : "");
        const Reference& r = Named(spooling.name);
        // The UJF-605 line reads whether to keep its file in the current folder.
        ScratchFolder current;
        WorkingFolder here(current.Path());
        if (spooling.keepFile) std::ofstream("UJF_EnableDeleteOnClose.txt") << "0\n";
        // Where the writes of the job's spool files start.
        std::vector<size_t> sizes;
        platform::SetTestWriteSizes(&sizes);
        Prepare(r);
        const std::vector<int> clean = Run();
        platform::SetTestWriteSizes(nullptr);
        for (int result : clean) ASSERT_EQ(result, 0) << name << ": " << ErrorMessage();
        ASSERT_FALSE(sizes.empty()) << name;
        if (spooling.keepFile) {  // kept for inspection after a good page
            ASSERT_FALSE(Files().empty()) << name;
            for (const std::string& file : Files()) std::filesystem::remove(folder.File(file));
        }
        std::vector<int64_t> starts = {0};
        for (size_t size : sizes) starts.push_back(starts.back() + int64_t(size));
        starts.pop_back();
        for (int64_t k : starts) {
            WriteLimit limit(k);
            Prepare(r);
            const std::vector<int> results = Run();
            // The page start answers -2 for any failure of the family's, a
            // line the family's -1 (-2 when the halftoner had more for it),
            // the page end the spool file's code negated.
            const Call call = Steps()[results.size() - 2].call;
            const int failed = results[results.size() - 2];
            if (call == Call::WriteLine) {
                EXPECT_TRUE(failed == -1 || failed == -2) << name << " at " << k << ": " << failed;
            } else {
                EXPECT_EQ(failed, call == Call::OpenPage ? -2 : -int(eSPOOLFILE2_IO_FAILED)) << name << " at " << k;
            }
            // The message names the spool file and the system's reason.
            const std::string message = ErrorMessage();
            EXPECT_NE(message.find(TicketPath(folder.Path()) + "/"), std::string::npos)
                << name << " at " << k << ": " << message;
            EXPECT_NE(message.find(noSpace), std::string::npos) << name << " at " << k << ": " << message;
            // A kept file stays only for a page that ended well: it ends
            // with the end record.
            for (const std::string& file : Files()) {
                EXPECT_TRUE(spooling.keepFile && EndsWithEndRecord(folder.File(file))) << name << " at " << k << ": " << file;
                std::filesystem::remove(folder.File(file));
            }
        }
    }

    // Every spool file's first name is taken, just before the job tries it,
    // by a file of someone else's (as another process with the same id and
    // count would take it): the job prints as it prints alone, in files of
    // its own, and leaves the other files as they were.
    void CheckNamesTakenByOthers(const Spooling& spooling) {
        const std::string name = std::string(spooling.name) + (spooling.keepFile ? " (file kept)" : "");
        ScratchFolder current;
        WorkingFolder here(current.Path());
        if (spooling.keepFile) std::ofstream("UJF_EnableDeleteOnClose.txt") << "0\n";
        std::vector<std::string> taken;
        bool takeNext = true;  // every other name: the one after a taken name is free
        std::function<void(const std::string&)> hook = [&](const std::string& path) {
            if (takeNext) std::ofstream(path, std::ios::binary) << "someone else's", taken.push_back(path);
            takeNext = !takeNext;
        };
        std::vector<std::vector<std::pair<uint32_t, std::vector<uint8_t>>>> runs;  // alone, then with names taken
        for (auto* names : {static_cast<decltype(hook)*>(nullptr), &hook}) {
            for (const std::string& file : Files()) std::filesystem::remove(folder.File(file));
            SetSpoolNameHookForTests(names);
            Prepare(Named(spooling.name));
            for (int result : Run()) EXPECT_EQ(result, 0) << name << ": " << ErrorMessage();
            SetSpoolNameHookForTests(nullptr);
            runs.emplace_back();
            for (const CapturedRecord& c : writer.records) runs.back().emplace_back(c.tag, c.data);
        }
        EXPECT_TRUE(runs[0] == runs[1] && !taken.empty()) << name;
        for (const std::string& path : taken) {
            EXPECT_EQ(ReadWholeFile(path), "someone else's") << name << ": " << path;
        }
    }

#ifdef KELMORA_DBGOUT_PATH
    // Each reference job, and the six-channel planar set-ups, with debug
    // images of their halftoned lines ("WriteOutputTiff=1"): every job ends
    // well with an image of each page, and (under the sanitizers) nothing past
    // a halftoned line is read.
    void CheckDebugImages() {
        platform::DynamicLibrary dbgOut;
        ASSERT_TRUE(dbgOut.LoadFile(KELMORA_DBGOUT_PATH)) << dbgOut.Error();
        std::vector<Reference> jobs(std::begin(kReferences), std::end(kReferences));
        jobs.push_back({"JFX200 white", 7082, 600, 600, 2, 6060160, 5});
        jobs.push_back({"UJFx042 white", 7052, 720, 600, 2, 7260080, 5, "Output/Prn/Specific/White/Order = 0\n"});
        for (const Reference& r : jobs) {
            ScratchFolder install;
            std::ofstream(install.File("DaVav.ini")) << "[DebugTif]\nWriteOutputTiff=1\n";
            Prepare(r, kWidth, "System/InstallFolder = \"" + TicketPath(install.Path()) + "\"\n");
            for (int result : Run()) EXPECT_EQ(result, 0) << r.name << ": " << ErrorMessage();
            for (int page = 1; page <= kPages; ++page) {
                const std::string image = "debug_p" + std::to_string(page) + "_halftone.tif";
                EXPECT_TRUE(std::filesystem::is_regular_file(install.File(image))) << r.name << ": " << image;
            }
        }
    }
#endif

    PLUGINCONTEXT* context = nullptr;
    JobContext* jobContext = nullptr;
    int failedCall = -1;  // the call of the last Run during which the writer failed
    uint32_t pageInfo = 1;
    int width = kWidth;
    int components = 4;
    int furtherChannels = 0;  // channels of every pixel after its `components` (set after Prepare)
    ScratchFolder folder;

private:
    testsupport::ProcessorOverride m_processors;
};

}  // namespace faults
