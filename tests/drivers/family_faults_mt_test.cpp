// Reference jobs under faults with the multi-threaded error-diffusion engine
// (JV33) and the planar pools (JV400, and the spooling UJF-x042 and CJV300
// lines): the host's writer failing at every record, Abort at every call and
// a full disk at every spool write, while the workers run.
#include "drivers/family_faults_test_support.h"

namespace {

class ThreadedFaults : public faults::FamilyFaults {
protected:
    ThreadedFaults() : FamilyFaults(4) {}
};

const char* const kThreaded[] = {"JV33", "JV400", "UJFx042", "CJV300 pulled back"};

}  // namespace

TEST_F(ThreadedFaults, AWriterFailingAtAnyRecordFailsTheCallThatWroteIt) {
    for (const char* name : kThreaded) CheckWriterFailingAtEveryRecord(faults::Named(name));
}

TEST_F(ThreadedFaults, AbortAtAnyCallThenCloseJobEndsTheJob) {
    for (const char* name : kThreaded) CheckAbortAtEveryCall(faults::Named(name));
}

TEST_F(ThreadedFaults, AFullDiskUnderTheSpoolFilesFailsThePageAndLeavesNoFile) {
    CheckFullDiskAtEveryWrite({"UJFx042"});
    CheckFullDiskAtEveryWrite({"CJV300 pulled back"});
}

#ifdef KELMORA_DBGOUT_PATH
TEST_F(ThreadedFaults, DebugImagesOfEveryHalftoningPathReadOnlyTheirLines) { CheckDebugImages(); }
#endif
