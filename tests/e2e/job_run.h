// What an in-process run of a job hands to the host, and the halftoner's
// planes of every line as the print step saw them: the end-to-end tests
// compare both with what prnhost wrote.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "job/varn_prn.h"
#include "prndump/prn_records.h"

namespace e2e {

// The whole file, or nothing when it cannot be read.
inline std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

struct JobRun {
    std::vector<prndecode::Record> records;
    std::vector<std::vector<uint8_t>> planes;  // per line of every page: channels x bytes per plane
    int channels = 0;
    int bytesPerPlane = 0;
    bool converted = false;

    // The host's write function over a JobRun.
    static int Write(void* self, uint32_t tag, const uint8_t* data, uint32_t size) {
        prndecode::Record record;
        record.tag = tag;
        record.data.assign(data, data + size);
        static_cast<JobRun*>(self)->records.push_back(std::move(record));
        return 0;
    }
};

// The run that CapturePlanesThenPrint fills, and the family's print step it calls.
inline JobRun* g_run = nullptr;
inline JobHook g_printLine = nullptr;

// A print-line hook in front of the family's: keeps the halftoned line, then prints it.
inline int CapturePlanesThenPrint(CVarnPrn* job) {
    g_run->channels = job->m_iOutChannels;
    g_run->bytesPerPlane = job->m_iBytesPerChannel;
    g_run->planes.emplace_back(job->m_pOutLine,
                               job->m_pOutLine + size_t(job->m_iOutChannels) * size_t(job->m_iBytesPerChannel));
    return g_printLine(job);
}

}  // namespace e2e
