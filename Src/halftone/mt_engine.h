// The multi-threaded error-diffusion engine (MTH): routines 103 to 111 run as
// a pipeline across the job's line calls. Call i converts input line i on the
// conversion worker, halftones line i - 1 with one task per channel on the
// halftone workers and hands the job line i - 2; a page of n lines takes
// n + 2 calls (answers 2001, 2001, 2002 ... 2002, 2003, 2003, 2002).
//
// One engine lives for one page. Every channel keeps its own random index and
// its own error lines, so the bytes of a page depend neither on the number of
// workers nor on the order in which they run.
//
// Process-wide, halftone workers are capped at the processor count (at most
// 12) under one mutex: an engine set up while the process already runs that
// many starts one worker, and takes more later only while others have left.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "halftone/error_diffusion.h"
#include "halftone/pixel_converters.h"

class CHalftone;
class CVarnPrn;

// Engine results; 0 is success.
enum : int32_t {
    MTH_ERR_NO_JOB = 1000,         // no job, or no status pointer on a line call
    MTH_ERR_TOO_MANY = 1001,       // more than 24 input bytes per pixel or channels
    MTH_ERR_ARGUMENT = 1002,       // geometry, scale, resolution or line pointers
    MTH_ERR_LINE_INDEX = 1003,     // a line call past the page's n + 1
    MTH_ERR_GEOMETRY = 1004,       // channels, width, bits or bytes per pixel out of range
    MTH_ERR_NO_LINES = 1005,       // converted lines or the input copy not allocated
    MTH_ERR_NO_OUTPUT = 1006,      // the output buffer not allocated
    MTH_ERR_START = 1008,          // a worker could not be started at init
    MTH_ERR_START_MORE = 1009,     // a further worker could not be started (not passed on)
    MTH_ERR_REPEATED = 1010,       // the same failure as the previous line call
};

constexpr int32_t kMthMaxChannels = 24;
constexpr int32_t kMthMaxInputBytes = 24;
constexpr int32_t kMthMaxWorkers = 12;
constexpr int32_t kMthConversionTasks = 4;

// Task states of both pools.
enum : int32_t { MTH_TASK_IDLE = 0, MTH_TASK_READY = 1, MTH_TASK_TAKEN = 2, MTH_TASK_DONE = 3 };

using MthConvertFunction = int32_t (*)(ConversionTask* task);
using MthHalftoneFunction = int (*)(HalftoneTask* task);
using MthLinesFunction = int (*)(HalftoneTask* const* tasks, int count);

// One pool of workers: its tasks, counts and stop flag are guarded by `lock`.
// Workers wait on `work`, the line call on `done`; both are broadcast. The
// counts and the flag change only under the lock; they are atomic so that a
// waiter can poll them before it blocks.
struct MthPool {
    std::mutex lock;
    std::condition_variable work;
    std::condition_variable done;
    std::atomic<bool> stop{false};
    std::atomic<int32_t> pending{0};     // tasks ready and not yet taken
    std::atomic<int32_t> unfinished{0};  // tasks queued and not yet done
    // Set by the line call (MthCrowdedAfterLine): how crowded the machine
    // looked on recent lines. Above 0 a worker takes tasks two at a time
    // where they can run side by side.
    std::atomic<int32_t> crowded{0};
    std::vector<std::thread> threads;
};

// How many lines a crowded machine is remembered for: after that many lines
// whose tasks the workers took in time, they take one at a time again.
constexpr int32_t kMthCrowdedMost = 8;

// A pool's crowded count after a line whose `count` tasks the line call
// waited for, taking them together, and ran `ranHere` of itself: one up for a
// line it ran all itself (no worker got a processor in time), one down for a
// line the workers ran all, else as it was; from 0 to kMthCrowdedMost.
int32_t MthCrowdedAfterLine(int32_t crowded, int32_t ranHere, int32_t count);

struct MTH_CONTEXT {
    MTH_CONTEXT() = default;
    ~MTH_CONTEXT();  // stops and joins any worker still running
    MTH_CONTEXT(const MTH_CONTEXT&) = delete;
    MTH_CONTEXT& operator=(const MTH_CONTEXT&) = delete;

    // ---- conversion pool ----
    int32_t m_iConvWorkers = 1;
    MthPool m_Conv;
    ConversionTask m_aConvTasks[kMthConversionTasks] = {};
    MthConvertFunction m_pfnConvert = ConvertPixelSpan;
    int32_t m_iInputBytesPerPixel = 4;
    size_t m_nInputCopyBytes = 0;  // bytes copied from each input line
    std::unique_ptr<uint8_t[]> m_pInputCopy;

    // ---- halftone pool ----
    int32_t m_iMaxWorkers = 1;
    MthPool m_Half;
    int32_t m_iTaskCount = 0;  // the channel count
    HalftoneTask m_aHalfTasks[kMthMaxChannels] = {};
    MthHalftoneFunction m_pfnHalftone = HalftoneLineVDS3;
    // Set up with the lanes where channels can run side by side: the kernel
    // for tasks the line call takes at once; null: a task at a time.
    MthLinesFunction m_pfnLines = nullptr;

    // ---- line geometry ----
    int32_t m_iWidth = 0;  // pixels, the padded width
    int32_t m_iBitsPerPixel = 1;
    int32_t m_iStreams = 3;
    int32_t m_iLinesPerPage = 0;
    int32_t m_iSerpentine = 0;
    int32_t m_iChannels = 4;
    int32_t m_iBytesPerChannel = 0;
    int32_t m_iScaleX = 1;

    size_t m_nConvertedValues = 0;  // width x channels
    std::unique_ptr<int32_t[]> m_pConvertedA;  // read by the halftone tasks
    std::unique_ptr<int32_t[]> m_pConvertedB;  // written by the conversion
    size_t m_nOutBytes = 0;
    std::unique_ptr<uint8_t[]> m_pOut;  // channel lines one after another

    // The kernels' vector-lane form (null where it does not run): the lane
    // codes, the padded random table and every channel's lane cells.
    ChannelLanes m_Lanes = {};
    std::unique_ptr<uint16_t[]> m_pLaneCodes;
    std::unique_ptr<uint8_t[]> m_pLaneRandom;
    std::unique_ptr<int16_t[]> m_pLaneCells;
    // Every channel's levels of a converted line, made by the conversion
    // worker and read by the halftone tasks in place of the converted values
    // (SplitChannelLevels, channel after channel): swapped with the
    // converted lines. Null: the tasks read the converted lines.
    std::unique_ptr<uint16_t[]> m_pLevelsA;
    std::unique_ptr<uint16_t[]> m_pLevelsB;

    int32_t m_iLastError = 0;
    bool m_bStarted = false;  // pools set up by MTH_Init, to be stopped by MTH_Exit
};

// Reads the processor count once per process (until MTH_ResetGlobals).
void MTH_InitGlobals();
// Tests only: the next engine reads the processor count again.
void MTH_ResetGlobals();
// The process-wide cap and the halftone and conversion workers running now.
int32_t MTH_ProcessorCap();
int32_t MTH_RunningHalftoneWorkers();
int32_t MTH_RunningConversionWorkers();

// A new engine with its defaults, or null when memory runs out.
std::unique_ptr<MTH_CONTEXT> MTH_Create();

// Sets the engine up for a page and starts its workers. Values of 0 or less
// take the defaults: input bytes per pixel 4, channels the job's
// m_iOutChannels, maximum workers the processor cap, dot streams 3, bytes per
// output channel line the job's m_iBytesPerChannel, lines per page the job's
// m_iImageHeight. The halftoner gives the tables and the pixel converter.
// 0, or an error code (the engine is then stopped).
int32_t MTH_Init(MTH_CONTEXT* mth, CVarnPrn* job, CHalftone* halftone, void* caller, int32_t width,
                 int32_t bitsPerPixel, int32_t serpentine, uint16_t randomIndex, int32_t inputBytesPerPixel,
                 int32_t channels, int32_t maxWorkers, int32_t streams, int32_t bytesPerChannel,
                 int32_t linesPerPage);

// Writes the channel-layout code into every conversion task.
void MTH_SetTaskFlag(MTH_CONTEXT* mth, int32_t layout);

// Line call i (0 to n + 1): status 2001, 2002 or 2003. errorLines holds
// 3 x channels lines of width + 2 cells (line 3c + s for stream s of channel
// c). toggle: the serpentine toggle (else the halftoner's). input: the input
// line (else the job's m_pCurrentLine); it holds ceil(width / scale) pixels.
// outLines: one pointer per channel to copy a finished line to; without them
// the finished line becomes the job's m_pOutLine. 0 or an error code.
int32_t CalculateHalftoneLine(MTH_CONTEXT* mth, CVarnPrn* job, CHalftone* halftone, int32_t* errorLines,
                              int32_t lineIndex, int32_t* status, uint8_t* toggle = nullptr,
                              const uint8_t* input = nullptr, uint8_t* const* outLines = nullptr);

// Ends the page after `linesFed` input lines when it has more: the line calls
// that follow (indices linesFed and linesFed + 1) hand out what the engine
// still holds. False when the engine holds no line for a further call.
bool MTH_EndPageAfter(MTH_CONTEXT* mth, int32_t linesFed);

// Starts further halftone workers while the process is below its cap; 0 or 1009.
int32_t MTH_StartThreads(MTH_CONTEXT* mth);

// The worker loops.
void MTH_HalftoneWorker(MTH_CONTEXT* mth);
void MTH_ConvertWorker(MTH_CONTEXT* mth);

// Stops the pools and waits for every worker to leave; frees the lines. 0.
int32_t MTH_Exit(MTH_CONTEXT* mth);
// Releases what MTH_Exit left (the task slots are part of the context).
void MTH_FreeBuffers(MTH_CONTEXT* mth);
