// Every family's reference job under faults, with the halftoners inline.
#include "drivers/family_faults_test_support.h"

namespace {

class InlineFaults : public faults::FamilyFaults {
protected:
    InlineFaults() : FamilyFaults(1) {}
};

}  // namespace

TEST_F(InlineFaults, AWriterFailingAtAnyRecordFailsTheCallThatWroteIt) {
    for (const faults::Reference& r : faults::kReferences) CheckWriterFailingAtEveryRecord(r);
}

TEST_F(InlineFaults, AbortAtAnyCallThenCloseJobEndsTheJob) {
    for (const faults::Reference& r : faults::kReferences) CheckAbortAtEveryCall(r);
}

TEST_F(InlineFaults, ALineOfAHundredThousandPixelsPrintsWhole) {
    for (const faults::Reference& r : faults::kReferences) CheckHundredThousandPixelLine(r);
}

TEST_F(InlineFaults, AFullDiskUnderTheSpoolFilesFailsThePageAndLeavesNoFile) {
    for (const faults::Spooling& s : faults::kSpooling) CheckFullDiskAtEveryWrite(s);
}

TEST_F(InlineFaults, SpoolFilesNeverOpenANameSomeoneElseTook) {
    for (const faults::Spooling& s : faults::kSpooling) CheckNamesTakenByOthers(s);
}

#ifdef KELMORA_DBGOUT_PATH
TEST_F(InlineFaults, DebugImagesOfEveryHalftoningPathReadOnlyTheirLines) { CheckDebugImages(); }
#endif
