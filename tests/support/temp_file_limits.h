// A full or a damaged disk under every temporary file of the process, for the
// life of one object: writes (reads) fail after the given number of bytes.
#pragma once

#include <cstdint>

#include "platform/temp_file.h"

namespace testsupport {

template <void (*Set)(int64_t)>
struct TempFileLimit {
    explicit TempFileLimit(int64_t bytes) { Set(bytes); }
    ~TempFileLimit() { Set(-1); }
    TempFileLimit(const TempFileLimit&) = delete;
    TempFileLimit& operator=(const TempFileLimit&) = delete;
};
using WriteLimit = TempFileLimit<platform::SetTestWriteLimit>;
using ReadLimit = TempFileLimit<platform::SetTestReadLimit>;

}  // namespace testsupport
