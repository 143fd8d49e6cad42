// The per-job halftoner. A printer family creates one at OpenJob, writes its
// configuration members (routine number, bits per pixel, dot mode, curves,
// line lineariser) and calls InitJob; the job object owns it from then on and
// drives it: InitPage when a page opens, ProcessLine for every raster line,
// ExitPage when the page closes and ExitJob when the job closes.
//
// Every halftoning routine has the shape (halftoner, job, phase); the core
// selects it by HalftoneRoutine and sets up what all routines share: input
// maps and linearisation curves, timing, the RGB correction of the input and
// the optional debug images.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "halftone/debug_image.h"
#include "halftone/dot_size_tables.h"
#include "halftone/error_diffusion.h"
#include "halftone/error_diffusion_tables.h"
#include "halftone/ink_limit.h"
#include "halftone/mt_engine.h"
#include "halftone/pixel_converters.h"
#include "halftone/planar_half.h"

class CVarnPrn;
struct ScreeningState;

// Halftone phases; any other value is one raster line (the core passes 1).
enum : int32_t {
    HALF_PROCESS = 1,
    HALF_OPENJOB = 2,
    HALF_OPENPAGE = 3,
    HALF_CLOSEJOB = 4,
    HALF_CLOSEPAGE = 5,
};

// Line results; a negative result is an error. The inline routines answer 0
// for a finished line.
enum : int32_t {
    HALF_LINE_PENDING = 2001,  // no finished line yet
    HALF_LINE_READY = 2002,    // a line is ready
    HALF_LINE_AGAIN = 2003,    // a line is ready and the caller runs the same line again
};

// Results of the core besides the routines' own.
enum : int32_t {
    HALF_ERR_NO_JOB = -1,          // InitJob without a job
    HALF_ERR_NO_ROUTINE = -2,      // InitJob before the family set HalftoneRoutine
    HALF_ERR_NO_CURVES = -3,       // the linearisation library built no curves
    HALF_ERR_INVALID_ROUTINE = -5, // a routine number the halftoner does not have
    HALF_ERR_EXCEPTION = -99,      // an exception inside ProcessLine
};

// Routine numbers (HalftoneRoutine).
enum : int32_t {
    HALF_ROUTINE_UNSET = -1,
    HALF_ROUTINE_SCREENING = 51,
    HALF_ROUTINE_PLANAR = 118,
};

// Input maps and linearisation tables.
constexpr int kInputMapCount = 26;
constexpr int kInputMapSize = 256;
constexpr int kLinTableSlots = 16;
constexpr int kLinTableSize = 4096;
constexpr int kLinTablesMin = 8;  // a build always has tables 0 to 7

class CHalftone;

// A line lineariser of the planar routine: (source bytes of one line, pixel
// count, step, output words) -> a value no caller uses.
using LinearizeFunction = int32_t (CHalftone::*)(const uint8_t* src, int32_t count, int32_t step, uint16_t* out);

// What a colour set-up reads of each pixel of the host's line: colours of
// one input colour mode ("Output/Prn/Printer/InputColorMode": 4 CMYK, 6
// CMYKOG), then spot channels, `bytes` in all. A set-up that steps from
// pixel to pixel by the bytes a pixel of the host's line (the job's
// LineComponents) passes over any further channels; one that steps by its
// own `bytes` reads a line of more bytes a pixel across its pixels.
struct PixelInput {
    int32_t colorMode;
    int32_t bytes;
    bool stepsByHostPixel = false;
};

// The input colour modes the colour set-ups read, ascending: those of the
// line linearisers, of the error-diffusion converters and of matrix
// screening (4 CMYK, 6 CMYKOG). OpenJob refuses any other.
const std::vector<int32_t>& InputColorModesRead();

// What a line lineariser of CHalftone reads; null for any other function.
const PixelInput* FindLinearizeInput(LinearizeFunction function);

class IHalftone {
public:
    virtual ~IHalftone() = default;
};

class ILinearizeAndHalftoneAndEncodeOneRasterLine {
public:
    virtual ~ILinearizeAndHalftoneAndEncodeOneRasterLine() = default;
    // The per-phase entry.
    virtual int32_t Process(CVarnPrn* job, int32_t phase) = 0;
};

class IVTLObject {
public:
    virtual ~IVTLObject() = default;
    virtual int32_t GetVTLType() const = 0;
    virtual bool IsVTLActive() const = 0;
};

class CHalftoneBase : public IHalftone, public ILinearizeAndHalftoneAndEncodeOneRasterLine {
public:
    CHalftoneBase();
    ~CHalftoneBase() override = default;
    virtual void SetLineProcessor(ILinearizeAndHalftoneAndEncodeOneRasterLine* target);

    std::mutex m_Lock;  // for the routines' worker threads

protected:
    ILinearizeAndHalftoneAndEncodeOneRasterLine* m_pLineProcessor;
};

class CHalftone : public CHalftoneBase, public IVTLObject {
public:
    explicit CHalftone(CVarnPrn* job);
    ~CHalftone() override;
    CHalftone(const CHalftone&) = delete;
    CHalftone& operator=(const CHalftone&) = delete;

    // ---- phases, called by the family (InitJob) and the job object ----
    // -1 without a job, -2 when HalftoneRoutine is unset, -3 when the
    // linearisation library built no curves; else the routine's job start.
    int32_t InitJob(CVarnPrn* job);
    int32_t InitPage(CVarnPrn* job);
    // One input line from job->m_pCurrentLine, which must hold at least
    // InputLineBytes() readable bytes (zeroed after the last pixel). The
    // line is never written. -99 when anything inside throws.
    int32_t ProcessLine(CVarnPrn* job);
    int32_t ExitPage(CVarnPrn* job);
    int32_t ExitJob(CVarnPrn* job);

    // Bytes ProcessLine reads from the job's line (known after InitJob).
    size_t InputLineBytes() const { return m_nInputLineBytes; }

    // Sends the phase to the line processor (by default the halftoner itself).
    virtual int32_t Run(CVarnPrn* job, int32_t phase);
    virtual int32_t GetHalftoneType() const { return 0; }
    // The halftoner's own per-phase entry: the routine of HalftoneRoutine.
    int32_t DispatchHalftoneMode(CVarnPrn* job, int32_t phase);
    int32_t Process(CVarnPrn* job, int32_t phase) override { return DispatchHalftoneMode(job, phase); }
    int32_t GetVTLType() const override { return 0; }
    bool IsVTLActive() const override { return false; }

    // Called by the routines: start and end of one halftoned line.
    void StartLine(uint64_t bytes);
    void EndLine(CVarnPrn* job);

    // The job object switches it on per page; matrix screening reads it.
    void SetGrayAsOneBit(bool on) { m_bGrayAsOneBit = on; }

    // ---- linearisation library ----
    // Has the library build the job's input maps 0-3, 14-17, 18-21, 22-25;
    // the library's result (1 and up: its linearisation kind).
    int32_t BuildLuts(CVarnPrn* job);

    // ---- linearisation curves and input maps ----
    // n tables (at least 8, at most 16) from percentages; false, and the
    // tables untouched, for n outside 1 to 16 or no percentages.
    bool BuildLinCurves(const double* percentages, int n);
    void SelectLinCurve(CVarnPrn* job, int32_t routine);
    void InitLinCurve(CVarnPrn* job, const double* percentages, int n);
    void InitLinCurvePercent(double percent, int32_t whiteLevel, int32_t routine);
    void InitChannelMaps(CVarnPrn* job);
    // Input map 18 + k (k 0 to 7) for the white ink.
    void InitVCCWhiteMimaki(CVarnPrn* job, int k, bool flood);

    // ---- dot-size tables ----
    // 1 when the model has tables for the dot-size count (built), else 0.
    int32_t InitModelHalftoneTables(CVarnPrn* job, int dotSizeCount);

    // ---- matrix screening (routine 51) ----
    int32_t Screening(CVarnPrn* job, int32_t phase);
    // Ink limit, output line and channel count of screening: 0 or -1.
    int32_t ScreeningInitJob(CVarnPrn* job);
    void ExitHalfScreen(CVarnPrn* job);
    // The built-in threshold matrix for the job's resolution: 0, or -1 when
    // the resolution has none.
    int32_t LoadThresholdMatrix(CVarnPrn* job);

    // For the routines: a fresh zeroed output line of `bytes`, given to the
    // job (null when it cannot be had); the input line of the current call;
    // and the bytes a routine reads from the job's line.
    uint8_t* AllocateOutLine(CVarnPrn* job, size_t bytes);
    const uint8_t* InputLine() const { return m_pInputLine; }
    void ReserveInputLineBytes(size_t bytes) { m_nInputLineBytes = bytes > m_nInputLineBytes ? bytes : m_nInputLineBytes; }

    // ---- pixel converters ----
    void SelectPixelConverter(CVarnPrn* job);
    int32_t GetChannelLayout(CVarnPrn* job) const;
    static int32_t GetInputLayout(CVarnPrn* job);

    // ---- line linearisers of the planar routine ----
    // Installs one of the line linearisers below: false, and none installed
    // (LinearizeInput null, which the families' picture check refuses), for
    // any other function.
    bool SetLinearizeFunction(LinearizeFunction function);
    int32_t Linearize(const uint8_t* src, int32_t count, int32_t step, uint16_t* out) {
        return (this->*m_pfnLinearize)(src, count, step, out);
    }
    // What the installed lineariser reads of a pixel; null while none is.
    const PixelInput* LinearizeInput() const { return FindLinearizeInput(m_pfnLinearize); }
    int32_t LinearizeNone(const uint8_t* src, int32_t count, int32_t step, uint16_t* out);
    int32_t LinearizeLine4A(const uint8_t* src, int32_t count, int32_t step, uint16_t* out);
    int32_t LinearizeLine5A(const uint8_t* src, int32_t count, int32_t step, uint16_t* out);
    int32_t LinearizeLine5B(const uint8_t* src, int32_t count, int32_t step, uint16_t* out);
    int32_t LinearizeLine5C(const uint8_t* src, int32_t count, int32_t step, uint16_t* out);
    int32_t LinearizeLine6A(const uint8_t* src, int32_t count, int32_t step, uint16_t* out);
    int32_t LinearizeLine6B(const uint8_t* src, int32_t count, int32_t step, uint16_t* out);
    int32_t LinearizeLine6C(const uint8_t* src, int32_t count, int32_t step, uint16_t* out);
    int32_t LinearizeLine6D(const uint8_t* src, int32_t count, int32_t step, uint16_t* out);
    int32_t LinearizeLine6E(const uint8_t* src, int32_t count, int32_t step, uint16_t* out);
    int32_t LinearizeLine6F(const uint8_t* src, int32_t count, int32_t step, uint16_t* out);
    int32_t LinearizeLine6G(const uint8_t* src, int32_t count, int32_t step, uint16_t* out);
    int32_t LinearizeLine7A(const uint8_t* src, int32_t count, int32_t step, uint16_t* out);
    int32_t LinearizeLine7B(const uint8_t* src, int32_t count, int32_t step, uint16_t* out);
    int32_t LinearizeLine7C(const uint8_t* src, int32_t count, int32_t step, uint16_t* out);
    int32_t LinearizeLine7D(const uint8_t* src, int32_t count, int32_t step, uint16_t* out);
    int32_t LinearizeLine8A(const uint8_t* src, int32_t count, int32_t step, uint16_t* out);
    int32_t LinearizeLine8B(const uint8_t* src, int32_t count, int32_t step, uint16_t* out);
    int32_t LinearizeLine8C(const uint8_t* src, int32_t count, int32_t step, uint16_t* out);

    // The 12-bit value of output channel c through its linearisation table;
    // values outside 0 to 4095 are taken at the nearest end.
    int32_t Lin(int c, int32_t v) const {
        return m_apLinTable[c][v < 0 ? 0 : (v > kLinTableSize - 1 ? kLinTableSize - 1 : v)];
    }

    // ================= timing =================
    int64_t m_llTimerFrequency = 0;
    int64_t m_llHalftoneTicks = 0;
    int64_t m_llLineStart = 0;
    int64_t m_llLineEnd = 0;
    uint64_t m_nPageBytes = 0;
    uint64_t m_nPageBytesPlanar = 0;

    // ================= limiter constants (never changed) =================
    static constexpr int32_t m_iLimitSumThreshold = 4095;
    static constexpr int32_t m_iLimitDivisorNoBlack = 4928;
    static constexpr int32_t m_iLimitDivisorBlack = 3776;
    static constexpr int32_t m_iLimitDivisorAll = 4096;
    static constexpr int32_t m_iLimitColorFactor = 4928;
    static constexpr int32_t m_iLimitBlackFactor = 1632;

    // ================= input maps, ink limit, linearisation =================
    uint16_t m_aInputMap[kInputMapCount][kInputMapSize] = {};
    int32_t m_iInkLimit = kInkLimitNone;
    uint16_t* m_apLinTable[kLinTableSlots] = {};
    CmykLineTables m_CmykLineTables = {};  // of ConvertPixel_CMYKPrepared, made per inline line

    // ================= configuration, written by the family =================
    int32_t HalftoneRoutine = HALF_ROUTINE_UNSET;
    int32_t m_iBitsPerPixel = 1;
    int32_t m_iPlanarParam = 0;
    uint32_t m_iDotMode = 0;
    int32_t m_iScreeningParam = 0;
    int32_t m_bUseTimeForRandom = 0;
    // Copied in by the UJF-x042 family.
    int32_t m_iClearLevel = 0;
    int32_t m_iClearMode = 0;
    int32_t m_iPrimerLevel = 0;
    int32_t m_iPrimerMode = 0;

    // ================= dot-size tables =================
    DotSizeTables m_aDotSizeTable;

    // ================= debug images =================
    DebugImageLibrary m_DbgOut;
    DbgImageHandle m_hDbgHalftoneImage = nullptr;
    DbgImageHandle m_hDbgContoneImage = nullptr;
    std::vector<uint8_t> m_vDbgLineBuffer;  // a halftoned line padded to the rows the library reads
    std::unique_ptr<DbgImageInfo> m_pDbgHalftoneInfo;
    std::unique_ptr<DbgImageInfo> m_pDbgContoneInfo;

    // ================= per-pixel and per-line stages =================
    PixelConverter m_pfnPixelConverter = nullptr;
    LinearizeFunction m_pfnLinearize = &CHalftone::LinearizeNone;

    // ================= planar error diffusion (routine 118) =================
    // Built by the family before InitJob; routine 118 deletes it at job end.
    std::unique_ptr<CPlanarHalf> m_pPlanarHalf;
    int32_t PlanarHalftone(CVarnPrn* job, int32_t phase);

    // ================= error diffusion (routines 103 to 111) =================
    ErrorDiffusion m_Diffusion;
    std::unique_ptr<uint8_t[]> m_pRandomTable;
    std::unique_ptr<NoiseTable> m_pNoiseTable;
    // The multi-threaded engine of the current page; null when it runs inline.
    std::unique_ptr<MTH_CONTEXT> m_pMTH;
    uint32_t m_nMTHLineCounter = 0;  // lines handed to the engine's halftone workers

    // The engine's delivery: when the job's line is this halftoner's output
    // buffer and `bytes` is its size, the buffer and `line` change hands and
    // the new output buffer is returned; else null and nothing changes.
    uint8_t* ExchangeOutLine(CVarnPrn* job, std::unique_ptr<uint8_t[]>& line, size_t bytes);
    // A page that ends before its last line: true while the engine still
    // holds a finished or queued line for a further line call (the job's
    // m_iLineCount being the next call's index).
    bool HoldsLines(const CVarnPrn* job);

    bool m_bGrayAsOneBit = false;

    // ================= matrix screening =================
    std::vector<uint16_t> m_pThresholdMatrix;  // dot film's matrix, 12-bit cells, row by row
    int32_t m_iMatrixWidth = 0;
    int32_t m_iMatrixHeight = 0;
    int32_t m_iSpotType = -1;
    std::unique_ptr<ScreeningState> m_pScreening;

private:
    void InitDebugOutput(CVarnPrn* job);
    void CloseDebugImages();
    // The job's halftoned line as the debug-image library reads it.
    const uint8_t* DebugHalftoneLine(const CVarnPrn* job);
    void FreeJobBuffers();
    // The job's input line for the routine: the job's own, or the halftoner's
    // RGB-corrected copy of it.
    const uint8_t* PrepareInputLine(CVarnPrn* job);
    int32_t RunDiffusion(CVarnPrn* job, int32_t phase, const DiffusionRoutine& routine);
    int32_t DiffusionInitJob(CVarnPrn* job, const DiffusionRoutine& routine);
    int32_t DiffusionInitPage(CVarnPrn* job, const DiffusionRoutine& routine);
    int32_t DiffusionLine(CVarnPrn* job, const DiffusionRoutine& routine);
    bool BuildUniformLinCurves(double percent);

    CVarnPrn* m_pJob;  // the job the halftoner was built for; may be null
    std::unique_ptr<uint16_t[]> m_pLinTableStorage;
    std::unique_ptr<uint8_t[]> m_pOutLine;  // the job's m_pOutLine
    size_t m_nOutLineBytes = 0;
    std::vector<uint8_t> m_vInputLine;      // RGB-corrected copy of the job's line
    size_t m_nInputLineBytes = 0;
    const uint8_t* m_pInputLine = nullptr;  // the line the routine reads
};
