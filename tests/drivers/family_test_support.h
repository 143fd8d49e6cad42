// Shared helpers of the printer-family tests: a job read from ticket text
// whose host writer keeps every record, a halftoned line the test fills, and
// the records decoded back into MRL commands.
#pragma once

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "drivers/mrl/mrl_page_buffer.h"
#include "halftone/halftone.h"
#include "platform/dynamic_library.h"
#include "job/job_test_support.h"
#include "services/spool_writer.h"
#include "prndump/mrl_decode.h"

struct CapturedRecord {
    uint32_t tag = 0;
    std::vector<uint8_t> data;
};

// The host's write function: keeps the records; answers failWith for the
// record tagged failTag (every record when failTag is 0) once failFrom
// records have been kept, or, with failAt set, for the record of that number
// alone (0 for the first one written).
struct CapturingWriter {
    std::vector<CapturedRecord> records;
    int failWith = 0;
    uint32_t failTag = 0;
    size_t failFrom = 0;
    int64_t failAt = -1;
    int64_t calls = 0;     // records offered, failed ones included
    bool failed = false;     // a record failed
    uint32_t failedTag = 0;  // the tag of the record that failed

    static int Write(void* context, uint32_t tag, const uint8_t* data, uint32_t size) {
        auto* self = static_cast<CapturingWriter*>(context);
        const int64_t number = self->calls++;
        const bool fails = self->failAt >= 0 ? number == self->failAt
                                             : self->failWith != 0 && (self->failTag == 0 || self->failTag == tag) &&
                                                   self->records.size() >= self->failFrom;
        if (fails) {
            self->failed = true;
            self->failedTag = tag;
            return self->failWith;
        }
        self->records.push_back({tag, std::vector<uint8_t>(data, data + size)});
        return 0;
    }
};

// The ticket of a small job: the model at x by y dpi with a dot size and a
// print quality, roll media, CMYK output, no linearisation file.
inline std::string FamilyJobTicket(int model, int xDpi, int yDpi, int dotSize, int printQuality) {
    return "[job]\n"
           "Output/Prn/Printer/Model = " + std::to_string(model) + "\n"
           "Output/Prn/Printer/ResolutionX = " + std::to_string(xDpi) + ".0\n"
           "Output/Prn/Printer/ResolutionY = " + std::to_string(yDpi) + ".0\n"
           "Output/Prn/Specific/DotSize = " + std::to_string(dotSize) + "\n"
           "Output/Prn/Specific/PrintQuality = " + std::to_string(printQuality) + "\n"
           "Output/Prn/Printer/OutputColorMode = 4\n"
           "Output/Prn/Linearization/BPLPath = \"/nowhere/job.lin\"\n"
           "Process/OutWidthPixel = 64\n"
           "Process/OutHeightPixel = 8\n"
           "Output/Prn/Media/Size/Width = 1000.0\n"
           "Output/Prn/Media/Size/Height = 2000.0\n"
           "Output/Prn/Specific/MediaSource = 9\n";
}

// Ticket lines that give a job the example linearisation file.
// How a spool-file message ends when its folder is missing and its name holds
// control bytes: Windows refuses such a name before it looks for the folder.
inline std::string MissingSpoolFolderReason() {
#ifdef _WIN32
    return std::string("\": ") + std::strerror(EINVAL) + ")";
#else
    return std::string("\": ") + std::strerror(ENOENT) + ")";
#endif
}

inline std::string ExampleLinearisation() {
    return std::string("Output/Prn/Linearization/BPLPath = \"") + KELMORA_EPL_EXAMPLE + "\"\n";
}

// The raster commands of a decoded record (pointers into commands).
inline std::vector<const prndecode::Command*> Raster(const std::vector<prndecode::Command>& commands) {
    std::vector<const prndecode::Command*> out;
    for (const auto& c : commands) {
        if (c.isRaster) out.push_back(&c);
    }
    return out;
}

// The first command of the name; throws when there is none.
inline const prndecode::Command& Find(const std::vector<prndecode::Command>& commands, const std::string& name) {
    for (const auto& c : commands) {
        if (c.name == name) return c;
    }
    throw std::runtime_error("no " + name);
}

class FamilyTest : public JobTest {
protected:
    // The host closes every page it opened.
    void TearDown() override {
        if (job) job->m_pDriver.reset();
    }

    // The halftoner finds the stand-in linearisation library among the loaded ones.
    static void SetUpTestSuite() {
        platform::DynamicLibrary epl;
        ASSERT_TRUE(epl.LoadFile(KELMORA_EPL_PATH)) << epl.Error();
        epl.KeepLoadedForProcess();
    }

    // Reads a job from the ticket text, with this fixture's writer as the host's.
    CVarnPrn& OpenTicket(const std::string& text) {
        TearDown();  // a job read again drops the last one
        Ticket(text);
        EXPECT_EQ(Read(), 0);
        job->m_pfnWritePrnData = &CapturingWriter::Write;
        job->m_pWritePrnContext = &writer;
        return *job;
    }

    // A halftoned line of `planes` planes of `bytes` bytes each, all zero;
    // the test fills it through Plane().
    void SetHalftonedLine(int planes, int bytes) {
        line.assign(size_t(planes) * size_t(bytes), 0);
        job->m_iOutChannels = planes;
        job->m_iBytesPerChannel = bytes;
        job->m_pOutLine = line.data();
    }
    uint8_t* Plane(int p) { return line.data() + size_t(p) * size_t(job->m_iBytesPerChannel); }

    const CapturedRecord& Last() const { return writer.records.back(); }
    std::vector<prndecode::Command> Commands(const CapturedRecord& record) const {
        return prndecode::DecodeMrl(record.data);
    }
    std::vector<std::string> Names(const CapturedRecord& record) const {
        std::vector<std::string> names;
        for (const auto& c : Commands(record)) names.push_back(c.name);
        return names;
    }
    std::string ErrorMessage() const {
        const auto* e = Key("Output/ErrorMessage");
        return e ? std::get<std::string>(e->front()) : std::string();
    }

    CapturingWriter writer;
    std::vector<uint8_t> line;
};
