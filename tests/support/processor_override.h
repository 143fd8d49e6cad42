// The processors that the engine and the pools believe the machine has, for
// the life of one object: GetProcessorCount() answers the given count and the
// multi-threaded engine reads it again.
#pragma once

#include "halftone/mt_engine.h"
#include "services/thread_pool.h"

namespace testsupport {

struct ProcessorOverride {
    explicit ProcessorOverride(int count) {
        SetProcessorCountOverride(count);
        MTH_ResetGlobals();
    }
    ~ProcessorOverride() {
        SetProcessorCountOverride(0);
        MTH_ResetGlobals();
    }
    ProcessorOverride(const ProcessorOverride&) = delete;
    ProcessorOverride& operator=(const ProcessorOverride&) = delete;
};

}  // namespace testsupport
