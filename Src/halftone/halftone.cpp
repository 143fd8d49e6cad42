#include "halftone/halftone.h"

#include "plugin/varn_prn.h"

CHalftone::CHalftone(CVarnPrn* /*job*/) {}

CHalftone::~CHalftone() = default;

int32_t CHalftone::InitJob(CVarnPrn* job) {
    if (!job) return -1;
    if (HalftoneRoutine == -1) return -2;
    return Process(job, HALF_OPENJOB);
}

int32_t CHalftone::InitPage(CVarnPrn* job) { return Process(job, HALF_OPENPAGE); }

int32_t CHalftone::ProcessLine(CVarnPrn* job) { return Process(job, HALF_PROCESS); }

int32_t CHalftone::ExitPage(CVarnPrn* job) { return Process(job, HALF_CLOSEPAGE); }

int32_t CHalftone::ExitJob(CVarnPrn* job) { return Process(job, HALF_CLOSEJOB); }

int32_t CHalftone::Process(CVarnPrn* /*job*/, int32_t /*phase*/) { return -5; }
