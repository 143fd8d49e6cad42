// What the end-to-end tests of the printer lines share: a test picture, the
// job run through the built plug-in by the host program, and the same job run
// in this process with the halftoner's planes of every line kept as the print
// step saw them.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "image.h"
#include "job/varn_prn.h"
#include "platform/dynamic_library.h"
#include "prndump/prn_records.h"
#include "services/spool_writer.h"
#include "support/program_run.h"
#include "ticket_store.h"
#include "ticket_text.h"

namespace printedjob {

namespace fs = std::filesystem;

inline std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Ramps, flat tints, a blank band (lines 10 to 12) and pixel noise in the
// four inks, and a flat tint on the right half of every further channel.
inline prnhost::Image TestPicture(int width, int height, int channels, const char* colorSpace) {
    prnhost::Image image;
    image.width = width;
    image.height = height;
    image.channels = channels;
    image.colorSpace = colorSpace;
    image.pixels.resize(size_t(width) * size_t(height) * size_t(channels));
    std::mt19937 noise(5);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            uint8_t* p = image.pixels.data() + (size_t(y) * size_t(width) + size_t(x)) * size_t(channels);
            if (y >= 10 && y < 13) continue;  // blank lines
            p[0] = uint8_t(255 * x / (width - 1));
            p[1] = y < height / 2 ? uint8_t(128) : uint8_t(noise() & 0xFF);
            p[2] = x < width / 3 ? 0 : uint8_t(255 * y / (height - 1));
            p[3] = (x + y) % 17 < 3 ? 255 : 0;
            for (int s = 4; s < channels; ++s) p[s] = x > width / 2 ? uint8_t(40 * s) : 0;
        }
    }
    return image;
}

// The in-process run finds the stand-in linearisation library where prnhost does.
inline void KeepEplLoaded() {
    platform::DynamicLibrary epl;
    ASSERT_TRUE(epl.LoadFile((fs::path(KELMORA_PLUGIN_PATH).parent_path() / "libepl.so").string())) << epl.Error();
    epl.KeepLoadedForProcess();
}

// What the job hands to the host, and the halftoner's planes of every line
// as the print step saw them.
struct JobRun {
    std::vector<prndecode::Record> records;
    std::vector<std::vector<uint8_t>> planes;  // per line: channels x bytes per plane
    int channels = 0;
    int bytesPerPlane = 0;
    int resolutionX = 0;

    static int Write(void* self, uint32_t tag, const uint8_t* data, uint32_t size) {
        prndecode::Record record;
        record.tag = tag;
        record.data.assign(data, data + size);
        static_cast<JobRun*>(self)->records.push_back(std::move(record));
        return 0;
    }
};

inline JobRun* g_run = nullptr;
inline JobHook g_printLine = nullptr;

inline int CapturePlanesThenPrint(CVarnPrn* job) {
    g_run->channels = job->m_iOutChannels;
    g_run->bytesPerPlane = job->m_iBytesPerChannel;
    g_run->planes.emplace_back(job->m_pOutLine,
                               job->m_pOutLine + size_t(job->m_iOutChannels) * size_t(job->m_iBytesPerChannel));
    return g_printLine(job);
}

// The job of folder/job.ticket and the picture through the plug-in library
// and the host program: the records of folder/job.prn; the final ticket goes
// to folder/final.ticket.
inline void RunPrnhost(const fs::path& folder, const fs::path& picture, std::vector<prndecode::Record>& printed) {
    const testprogram::Outcome run =
        testprogram::Run({{PRNHOST_PATH, "--plugin", KELMORA_PLUGIN_PATH, "--ticket", (folder / "job.ticket").string(),
                           "--image", picture.string(), "--out", (folder / "job.prn").string(), "--ticket-out",
                           (folder / "final.ticket").string()}});
    ASSERT_EQ(run.status, 0) << run.output;
    printed = prndecode::ReadRecordFile((folder / "job.prn").string());
}

// The same job in this process, from the ticket prnhost ended with: one page
// of the picture's rows of rowBytes bytes, each fed padded to 32 bytes.
inline void RunHere(const fs::path& folder, const std::vector<uint8_t>& pixels, size_t rowBytes, JobRun& run) {
    hostkit::TicketStore store(1);
    hostkit::LoadTicketFile((folder / "final.ticket").string(), store);
    std::unique_ptr<CVarnPrn> job = CVarnPrn::Create(store.ticket(), 1, nullptr);
    ASSERT_TRUE(job);
    g_run = &run;
    ASSERT_EQ(job->OpenJob(&JobRun::Write, &run), 0);
    ASSERT_EQ(job->OpenPage(), 0);
    g_printLine = job->m_pfnPrintLine;
    job->m_pfnPrintLine = CapturePlanesThenPrint;
    std::vector<uint8_t> line((rowBytes + 31) / 32 * 32);
    const size_t lines = pixels.size() / rowBytes;
    for (size_t y = 0; y < lines; ++y) {
        std::fill(line.begin(), line.end(), 0);
        std::copy_n(pixels.begin() + ptrdiff_t(y * rowBytes), rowBytes, line.begin());
        ASSERT_EQ(job->WriteLine(line.data()), 0) << "line " << y;
    }
    EXPECT_EQ(job->ClosePage(), 0);
    EXPECT_EQ(job->CloseJob(), 0);
    run.resolutionX = job->m_iResolutionX;
    g_run = nullptr;
}

// The records of a one-page job with the job object's open-job and close-job
// records: job header, open job, page link, page header, one data record per
// line, page end, close job, end of file.
inline std::vector<uint32_t> OnePageTags(int lines) {
    std::vector<uint32_t> tags = {SPLTAG_JOB_HEADER, SPLTAG_OPEN_JOB, SPLTAG_PAGE_LINK, SPLTAG_PAGE_HEADER};
    tags.insert(tags.end(), size_t(lines), SPLTAG_DATA);
    tags.insert(tags.end(), {SPLTAG_PAGE_END, SPLTAG_CLOSE_JOB, SPLTAG_EOF});
    return tags;
}
inline std::vector<uint32_t> Tags(const std::vector<prndecode::Record>& records) {
    std::vector<uint32_t> tags;
    for (const auto& r : records) tags.push_back(r.tag);
    return tags;
}

// The host program's stream is the in-process stream, byte for byte.
inline void ExpectSameRecords(const std::vector<prndecode::Record>& here,
                              const std::vector<prndecode::Record>& printed) {
    ASSERT_EQ(here.size(), printed.size());
    for (size_t i = 0; i < printed.size(); ++i) {
        EXPECT_EQ(here[i].tag, printed[i].tag) << "record " << i;
        EXPECT_EQ(here[i].data, printed[i].data) << "record " << i;
    }
}

}  // namespace printedjob
