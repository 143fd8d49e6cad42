// Shared pieces of the halftoner tests: a job logger that keeps its lines, a
// job without a ticket, and a halftoner whose maps and tables show which map
// and which table a value went through.
#pragma once

#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <memory>
#include <string>
#include <vector>

#include "halftone/halftone.h"
#include "platform/dynamic_library.h"
#include "base/log_interface.h"
#include "job/varn_prn.h"
#include "support/recording_logger.h"

namespace httest {

// Every line at every level.
struct JobLog : testsupport::RecordingLogger {
    JobLog() { level = 4; }
};

// The halftoner takes the linearisation library already loaded, and keeps
// it loaded for the process; the test program releases it after each case
// (kept_libraries.cpp), so a case finds the library it loaded itself.
#define ASSERT_EPL_LIBRARY_IS(path)                                                                  \
    ASSERT_EQ(httest::FolderForm(platform::FindLoadedLibrary("EPL.dll")), httest::FolderForm(path)) \
        << "another linearisation library is loaded in this process"

// A library's folder in one spelling: forward slashes, and on Windows, whose
// names ignore case and which hands back backslashes, in lower case.
inline std::string FolderForm(const std::string& libraryPath) {
    std::string folder = platform::FolderOfPath(libraryPath);
    std::replace(folder.begin(), folder.end(), '\\', '/');
#if defined(_WIN32)
    for (char& c : folder) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
#endif
    return folder;
}

// A CMYK job of the model at 720 x 720 dpi, width pixels wide, whose
// halftoner takes the stand-in library's example linearisation file.
inline std::unique_ptr<CVarnPrn> ExampleJob(clLogFullInterface* log, int32_t model, int32_t width) {
    auto job = std::make_unique<CVarnPrn>(nullptr, 1, log);
    job->m_strEplPath = KELMORA_EPL_EXAMPLE;
    job->m_iPrinterModell = model;
    job->m_iOutputColorMode = 4;
    job->m_iResolutionX = 720;
    job->m_iResolutionY = 720;
    job->m_iImageWidth = width;
    job->m_iOutWidthPixel = width;
    return job;
}

// Map m sends byte b to 100 m + b; table c adds c; so a word of
// 100 m + b + c tells the map, the byte and the table it came through.
// The limiter is off.
inline void MarkMapsAndTables(CHalftone& h) {
    for (int m = 0; m < kInputMapCount; ++m) {
        for (int b = 0; b < kInputMapSize; ++b) h.m_aInputMap[m][b] = static_cast<uint16_t>(100 * m + b);
    }
    const double full[8] = {100, 100, 100, 100, 100, 100, 100, 100};
    h.BuildLinCurves(full, 8);
    for (int c = 0; c < 8; ++c) {
        for (int v = 0; v < kLinTableSize; ++v) h.m_apLinTable[c][v] = static_cast<uint16_t>(std::min(v + c, 4095));
    }
    h.m_iInkLimit = kInkLimitNone;
}

// 100 m + b + c: byte b through map m and table c.
constexpr int32_t Via(int m, int b, int c) { return 100 * m + b + c; }

}  // namespace httest
