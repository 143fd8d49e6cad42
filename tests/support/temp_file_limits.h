// A full disk or a damaged one under the temporary files, for the life of one
// object: after the given number of bytes, writes (reads) of every temporary
// file of the process fail; the limit is lifted however the test ends.
#pragma once

#include <cstdint>

#include "platform/temp_file.h"

namespace testsupport {

struct WriteLimit {
    explicit WriteLimit(int64_t bytes) { platform::SetTestWriteLimit(bytes); }
    ~WriteLimit() { platform::SetTestWriteLimit(-1); }
    WriteLimit(const WriteLimit&) = delete;
    WriteLimit& operator=(const WriteLimit&) = delete;
};

struct ReadLimit {
    explicit ReadLimit(int64_t bytes) { platform::SetTestReadLimit(bytes); }
    ~ReadLimit() { platform::SetTestReadLimit(-1); }
    ReadLimit(const ReadLimit&) = delete;
    ReadLimit& operator=(const ReadLimit&) = delete;
};

}  // namespace testsupport
