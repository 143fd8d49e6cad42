// What a temporary file holds while open (shared by temp_file.cpp and each
// platform's Create; not part of the platform interface).
#pragma once

#include <cstdio>
#include <memory>

#include "platform/temp_file.h"

namespace platform {

struct TempFile::Stream {
    std::FILE* file = nullptr;
    std::unique_ptr<char[]> buffer;  // the stream's buffer, when one was asked for
    bool full = false;  // a write was cut short by the tests' write limit
    int readError = 0;  // the system's error number of the last read cut short by one
};

}  // namespace platform
