// The per-job halftoner: a printer family creates and configures one at
// OpenJob, the job object owns it and drives it page by page and line by
// line. Every halftoning routine takes (halftoner, job, phase).
#pragma once

#include <cstdint>

class CVarnPrn;

// Halftone phases; any other value is one raster line (the core passes 1).
enum : int32_t {
    HALF_PROCESS = 1,
    HALF_OPENJOB = 2,
    HALF_OPENPAGE = 3,
    HALF_CLOSEJOB = 4,
    HALF_CLOSEPAGE = 5,
};

// Line results; a negative result is an error.
enum : int32_t {
    HALF_LINE_PENDING = 2001,  // no finished line yet
    HALF_LINE_READY = 2002,    // a line is ready
    HALF_LINE_AGAIN = 2003,    // a line is ready and the caller runs the same line again
};

class IHalftone {
public:
    virtual ~IHalftone() = default;
};

class ILinearizeAndHalftoneAndEncodeOneRasterLine {
public:
    virtual ~ILinearizeAndHalftoneAndEncodeOneRasterLine() = default;
    virtual int32_t Process(CVarnPrn* job, int32_t phase) = 0;
};

class CHalftone : public IHalftone, public ILinearizeAndHalftoneAndEncodeOneRasterLine {
public:
    explicit CHalftone(CVarnPrn* job);
    ~CHalftone() override;
    CHalftone(const CHalftone&) = delete;
    CHalftone& operator=(const CHalftone&) = delete;

    int32_t InitJob(CVarnPrn* job);
    int32_t InitPage(CVarnPrn* job);
    int32_t ProcessLine(CVarnPrn* job);
    int32_t ExitPage(CVarnPrn* job);
    int32_t ExitJob(CVarnPrn* job);

    int32_t Process(CVarnPrn* job, int32_t phase) override;

    int32_t HalftoneRoutine = -1;
};
