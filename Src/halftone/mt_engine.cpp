#include "halftone/mt_engine.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <new>
#include <system_error>

#include "halftone/error_diffusion_lanes.h"
#include "halftone/halftone.h"
#include "job/varn_prn.h"
#include "platform/stream_copy.h"
#include "services/spin_wait.h"
#include "services/thread_pool.h"

int32_t MthCrowdedAfterLine(int32_t crowded, int32_t ranHere, int32_t count) {
    if (ranHere >= count) return std::min(crowded + 1, kMthCrowdedMost);
    if (ranHere == 0) return std::max(crowded - 1, 0);
    return crowded;
}

namespace {

// What every engine of the process shares.
struct MthGlobals {
    std::mutex lock;
    int32_t cap = 0;                // processors, at most 12; 0 until first read
    int32_t halftoneWorkers = 0;    // running in all engines
    int32_t conversionWorkers = 0;  // running in all engines
};

// Dot streams of the channel kernels; 0 for any other halftone function.
int KernelStreams(MthHalftoneFunction f) {
    return f == HalftoneLineVDS3 ? 3 : f == HalftoneLineVDS2 ? 2 : f == HalftoneLineSE1 ? 1 : 0;
}

// The kernel that runs several channels of a line at once, for the channel
// kernels that have one.
MthLinesFunction LinesKernel(MthHalftoneFunction f) {
    return f == HalftoneLineVDS3 ? HalftoneLinesVDS3 : f == HalftoneLineVDS2 ? HalftoneLinesVDS2 : nullptr;
}

// Sets up the kernels' vector-lane form where the processor has lanes, the
// kernel has two or three dot streams (one stream runs faster without) and
// the width is a multiple of 8; without it (or its memory) the kernels run on
// the error lines. Where the lanes are AVX2 or wider and the conversion makes
// levels, two channels can also run side by side in one register, each in
// the lanes it has alone and with its own random index: fewer steps for the
// same bytes, on one core.
void SetUpLanes(MTH_CONTEXT* mth, const CHalftone& halftone) {
    mth->m_pfnLines = nullptr;
    const int streams = KernelStreams(mth->m_pfnHalftone);
    const DiffusionLanes lanes = ErrorDiffusion::WidestLanes();
    if (streams < 2 || lanes == DiffusionLanes::None || mth->m_iWidth % 8 != 0 || !halftone.m_pRandomTable) return;
    for (int s = 0; s < streams; ++s)
        if (!halftone.m_aDotSizeTable.table[s]) return;
    const size_t perChannel = static_cast<size_t>(LaneLayoutFor(streams, 1).lanesPerChannel);
    const size_t channelCells = (static_cast<size_t>(mth->m_iWidth) + 2) * kChannelLanes;
    mth->m_pLaneCodes.reset(new (std::nothrow) uint16_t[(kMaxLevel + 1) * perChannel]);
    mth->m_pLaneRandom.reset(new (std::nothrow) uint8_t[kRandomTableSize + kLaneRandomPad]);
    mth->m_pLaneCells.reset(new (std::nothrow) int16_t[channelCells * static_cast<size_t>(mth->m_iChannels)]);
    if (!mth->m_pLaneCodes || !mth->m_pLaneRandom || !mth->m_pLaneCells) {
        mth->m_pLaneCodes.reset();
        mth->m_pLaneRandom.reset();
        mth->m_pLaneCells.reset();
        return;
    }
    BuildLaneLevelCodes(streams, halftone.m_aDotSizeTable.table, mth->m_pLaneCodes.get());
    std::memcpy(mth->m_pLaneRandom.get(), halftone.m_pRandomTable.get(), kRandomTableSize);
    std::memcpy(mth->m_pLaneRandom.get() + kRandomTableSize, halftone.m_pRandomTable.get(), kLaneRandomPad);
    mth->m_Lanes = ChannelLanes{lanes, mth->m_pLaneCodes.get(), mth->m_pLaneRandom.get()};
    if (lanes >= DiffusionLanes::Avx2 && mth->m_pLevelsA) mth->m_pfnLines = LinesKernel(mth->m_pfnHalftone);
    for (int32_t c = 0; c < mth->m_iChannels; ++c) {
        mth->m_aHalfTasks[c].lanes = &mth->m_Lanes;
        mth->m_aHalfTasks[c].laneCells = mth->m_pLaneCells.get() + static_cast<size_t>(c) * channelCells;
    }
}

MthGlobals& Globals() {
    static MthGlobals globals;
    return globals;
}

int32_t Cap() {
    MthGlobals& g = Globals();
    std::lock_guard<std::mutex> hold(g.lock);
    return g.cap;
}

// How long an idle worker of either pool polls for the next line's task, and
// the line call for a line's last channels or its conversion, before they
// block. Between lines the hand-off is short when the host keeps up, and a
// sleep and a wake-up on either side cost tens of microseconds each: on a
// 45,354-pixel CMYK line they were a fifth of the line. The conversion, with
// the levels it makes, takes more than half a channel's time.
constexpr std::chrono::microseconds kWorkerSpin{50};
constexpr std::chrono::microseconds kCallerSpin{300};

// The most tasks a thread takes from a pool at once: a pair, which the
// halftone kernels run side by side. Two at a time, a worker that comes free
// meanwhile still finds the line's other tasks.
constexpr int32_t kMthTakenAtOnce = 2;

// What a thread takes from a pool at once.
template <typename Task>
struct Taken {
    Task* tasks[kMthTakenAtOnce] = {};
    int32_t count = 0;
};

// Takes ready tasks under the pool's lock, up to `most`: task `preferred`
// where it is ready, then the others in order. Nothing when none is ready.
template <typename Task>
Taken<Task> TakeTasks(MthPool& pool, Task* tasks, int32_t count, int32_t most, int32_t preferred) {
    Taken<Task> taken;
    most = std::min(most, kMthTakenAtOnce);
    const auto take = [&pool, &taken](Task& task) {
        task.state = MTH_TASK_TAKEN;
        --pool.pending;
        taken.tasks[taken.count++] = &task;
    };
    if (preferred >= 0 && preferred < count && tasks[preferred].state == MTH_TASK_READY) take(tasks[preferred]);
    for (int32_t k = 0; k < count && taken.count < most; ++k) {
        if (tasks[k].state == MTH_TASK_READY) take(tasks[k]);
    }
    return taken;
}

// Marks taken tasks done under the pool's lock; true when they were the
// pool's last.
template <typename Task>
bool FinishTasks(MthPool& pool, const Taken<Task>& taken) {
    for (int32_t k = 0; k < taken.count; ++k) taken.tasks[k]->state = MTH_TASK_DONE;
    pool.unfinished -= taken.count;
    return pool.unfinished < 1;
}

// Waits until every task queued on the pool is done, or the pool stops. The
// waiting thread first runs itself every task that no worker has taken yet
// (on a busy machine a worker may not get a processor for longer than the
// task takes), then polls for up to `spin` for the tasks the workers run, and
// then blocks. Where no worker has taken any of the tasks yet (the machine
// has no processor to spare), more are left than `most`, or the machine has
// looked crowded on recent lines, the thread takes up to `most` at once:
// tasks run together can cost the processor less than one by one, though
// they take longer than one, and with fewer left on a machine with
// processors to spare a worker that comes free finishes sooner. Where tasks
// run together, the pool's crowded count follows what the thread ran itself
// (MthCrowdedAfterLine).
template <typename Task, typename Function>
void WaitForPool(MthPool& pool, Task* tasks, int32_t count, int32_t most, Function run, std::chrono::microseconds spin) {
    std::unique_lock<std::mutex> hold(pool.lock);
    const int32_t atOnce = pool.pending >= count || pool.pending > most || pool.crowded > 0 ? most : 1;
    int32_t ranHere = 0;
    while (pool.pending > 0 && !pool.stop) {
        const Taken<Task> taken = TakeTasks(pool, tasks, count, atOnce, -1);
        if (taken.count == 0) break;
        hold.unlock();
        run(taken.tasks, taken.count);
        hold.lock();
        FinishTasks(pool, taken);
        ranHere += taken.count;
    }
    hold.unlock();
    SpinWaitFor([&pool] { return pool.unfinished < 1 || pool.stop; }, spin);
    hold.lock();
    pool.done.wait(hold, [&pool] { return pool.unfinished < 1 || pool.stop; });
    if (most >= 2) pool.crowded = MthCrowdedAfterLine(pool.crowded, ranHere, count);
}

// Starts one halftone worker; false when the thread cannot be started. The
// pool's thread list has room for it (reserved at init).
bool StartHalftoneWorker(MTH_CONTEXT* mth) {
    if (mth->m_Half.threads.size() >= static_cast<size_t>(kMthMaxWorkers)) return false;
    try {
        std::thread worker(MTH_HalftoneWorker, mth);
        std::lock_guard<std::mutex> hold(mth->m_Half.lock);
        mth->m_Half.threads.push_back(std::move(worker));
        return true;
    } catch (...) {
        return false;
    }
}

// Stops a pool's workers and waits for them; returns how many there were.
int32_t StopPool(MthPool& pool) {
    std::vector<std::thread> threads;
    {
        std::lock_guard<std::mutex> hold(pool.lock);
        pool.stop = true;
        pool.pending = 0;
        pool.unfinished = 0;
        threads.swap(pool.threads);
    }
    pool.work.notify_all();
    pool.done.notify_all();
    // A worker finishes at most the task it has taken: one channel of one
    // line, or one line's conversion.
    for (std::thread& t : threads) t.join();
    return static_cast<int32_t>(threads.size());
}

// A worker's loop: takes a ready task, runs it outside the lock, marks it
// done and wakes the line call with the pool's last task; leaves when the
// pool stops (a task still waiting is not run). With a spin limit, an idle
// worker polls that long for a task before it blocks. The task it takes is
// the one it ran last where that one is ready, else the first ready one: a
// channel then stays on one core from line to line with its error cells,
// and which worker runs a task changes no byte. While the line call finds
// the machine crowded, a worker takes up to `most` at once: on a machine
// with no processor to spare, tasks run together cost less than one by one.
template <typename Task, typename Function>
void RunWorker(MthPool& pool, Task* tasks, int32_t count, Function run, std::chrono::microseconds spin,
               int32_t most = 1) {
    int32_t last = -1;
    std::unique_lock<std::mutex> hold(pool.lock);
    for (;;) {
        if (spin.count() > 0 && pool.pending < 1 && !pool.stop) {
            hold.unlock();
            SpinWaitFor([&pool] { return pool.pending > 0 || pool.stop; }, spin);
            hold.lock();
        }
        pool.work.wait(hold, [&pool] { return pool.pending > 0 || pool.stop; });
        if (pool.stop) return;
        const Taken<Task> taken = TakeTasks(pool, tasks, count, pool.crowded > 0 ? most : 1, last);
        if (taken.count == 0) {  // counts and states disagree: nothing to take
            pool.pending = 0;
            continue;
        }
        last = static_cast<int32_t>(taken.tasks[0] - tasks);
        hold.unlock();
        run(taken.tasks, taken.count);
        hold.lock();
        if (FinishTasks(pool, taken)) pool.done.notify_all();
    }
}

// A line's halftone tasks taken at once.
auto HalftoneTasks(MTH_CONTEXT* mth) {
    return [mth](HalftoneTask* const* tasks, int32_t count) {
        if (count > 1 && mth->m_pfnLines) {
            mth->m_pfnLines(tasks, count);
            return;
        }
        for (int32_t k = 0; k < count; ++k) mth->m_pfnHalftone(tasks[k]);
    };
}

// A line's conversion, on the conversion worker or the waiting line call:
// the converted values, then their levels, which the halftone tasks read
// (the swap that hands them on waits for this task). For the channel
// kernels, which read nothing but the levels, plain CMYK goes straight to
// them.
auto ConvertTask(MTH_CONTEXT* mth) {
    const bool levelsOnly = KernelStreams(mth->m_pfnHalftone) != 0;
    const auto one = [mth, levelsOnly](ConversionTask* task) {
        if (levelsOnly && mth->m_pfnConvert == ConvertPixelSpan && mth->m_pLevelsB && task->converted) {
            ConversionTask span = *task;
            span.end = std::min(task->end, mth->m_iWidth);
            if (ConvertCmykSpanToLevels(&span, mth->m_pLevelsB.get(), static_cast<size_t>(mth->m_iWidth))) return 0;
        }
        const int32_t r = mth->m_pfnConvert(task);
        if (r == 0 && mth->m_pLevelsB && task->converted) {
            const int32_t width = mth->m_iWidth;
            const int32_t end = std::min(task->end, width);
            if (end > task->start)
                SplitChannelLevels(task->converted, task->channels, end - task->start, mth->m_pLevelsB.get() + task->start,
                                   static_cast<size_t>(width));
        }
        return r;
    };
    return [one](ConversionTask* const* tasks, int32_t count) {
        for (int32_t k = 0; k < count; ++k) one(tasks[k]);
    };
}

// The line call's argument checks, in the order of their codes.
int32_t CheckLineCall(const MTH_CONTEXT* mth, const CVarnPrn* job, int32_t i, const uint8_t* input,
                      uint8_t* const* outLines) {
    const int32_t n = mth->m_iLinesPerPage;
    if (job->m_iScaleX < 1 || n < 1 || mth->m_iBytesPerChannel <= 0 || !input || (!outLines && !job->m_pOutLine))
        return MTH_ERR_ARGUMENT;
    if (i < 0 || i > n + 1) return MTH_ERR_LINE_INDEX;
    if (mth->m_iWidth < 1 || mth->m_iBitsPerPixel < 1 || mth->m_iBitsPerPixel > 8 || mth->m_iInputBytesPerPixel < 1 ||
        mth->m_iInputBytesPerPixel > kMthMaxInputBytes || mth->m_iChannels < 1 || mth->m_iChannels > kMthMaxChannels)
        return MTH_ERR_GEOMETRY;
    if (!mth->m_pConvertedA || !mth->m_pConvertedB || !mth->m_pInputCopy) return MTH_ERR_NO_LINES;
    if (!mth->m_pOut) return MTH_ERR_NO_OUTPUT;
    return 0;
}

// Hands the finished line in the engine's output buffer to the job.
void DeliverLine(MTH_CONTEXT* mth, CVarnPrn* job, CHalftone* halftone, uint8_t* const* outLines) {
    const size_t bytes = static_cast<size_t>(mth->m_iBytesPerChannel);
    if (outLines) {
        for (int32_t c = 0; c < mth->m_iChannels; ++c)
            if (outLines[c]) std::memcpy(outLines[c], mth->m_pOut.get() + c * bytes, bytes);
        return;
    }
    // The job's line is the halftoner's buffer: the two change hands.
    if (halftone) {
        if (uint8_t* line = halftone->ExchangeOutLine(job, mth->m_pOut, mth->m_nOutBytes)) {
            job->m_pOutLine = line;
            return;
        }
    }
    std::memcpy(job->m_pOutLine, mth->m_pOut.get(), mth->m_nOutBytes);
}

}  // namespace

MTH_CONTEXT::~MTH_CONTEXT() {
    if (m_bStarted) MTH_Exit(this);
}

void MTH_InitGlobals() {
    MthGlobals& g = Globals();
    std::lock_guard<std::mutex> hold(g.lock);
    if (g.cap == 0) g.cap = std::clamp(GetProcessorCount(), 1, kMthMaxWorkers);
}

void MTH_ResetGlobals() {
    MthGlobals& g = Globals();
    std::lock_guard<std::mutex> hold(g.lock);
    g.cap = 0;
}

int32_t MTH_ProcessorCap() { return Cap(); }

int32_t MTH_RunningHalftoneWorkers() {
    MthGlobals& g = Globals();
    std::lock_guard<std::mutex> hold(g.lock);
    return g.halftoneWorkers;
}

int32_t MTH_RunningConversionWorkers() {
    MthGlobals& g = Globals();
    std::lock_guard<std::mutex> hold(g.lock);
    return g.conversionWorkers;
}

std::unique_ptr<MTH_CONTEXT> MTH_Create() {
    MTH_InitGlobals();
    return std::unique_ptr<MTH_CONTEXT>(new (std::nothrow) MTH_CONTEXT);
}

int32_t MTH_Init(MTH_CONTEXT* mth, CVarnPrn* job, CHalftone* halftone, void* caller, int32_t width,
                 int32_t bitsPerPixel, int32_t serpentine, uint16_t randomIndex, int32_t inputBytesPerPixel,
                 int32_t channels, int32_t maxWorkers, int32_t streams, int32_t bytesPerChannel,
                 int32_t linesPerPage) {
    if (!mth || !job) return MTH_ERR_NO_JOB;
    if (mth->m_bStarted) MTH_Exit(mth);
    mth->m_iSerpentine = serpentine;
    mth->m_iLastError = 0;
    mth->m_iWidth = width;
    mth->m_iBitsPerPixel = bitsPerPixel;
    mth->m_iInputBytesPerPixel = inputBytesPerPixel > 0 ? inputBytesPerPixel : 4;
    mth->m_iChannels = channels > 0 ? channels : job->m_iOutChannels;
    mth->m_iStreams = streams > 0 ? streams : 3;
    if (bytesPerChannel <= 0) {
        bytesPerChannel = job->m_iBytesPerChannel;
        if (bytesPerChannel == 0) bytesPerChannel = (job->m_iImageWidth + 7) / 8 * bitsPerPixel;
    }
    mth->m_iBytesPerChannel = bytesPerChannel;
    mth->m_iLinesPerPage = linesPerPage > 0 ? linesPerPage : job->m_iImageHeight;
    mth->m_iScaleX = job->m_iScaleX;

    // The order of the checks decides the code.
    if (bytesPerChannel == 0 || job->m_iResolutionX < 1 || job->m_iResolutionY < 1) return MTH_ERR_ARGUMENT;
    if (job->m_iScaleX < 1 || job->m_iScaleX > 4) return MTH_ERR_ARGUMENT;
    if (mth->m_iChannels < 1) return MTH_ERR_GEOMETRY;
    if (width < 1 || bitsPerPixel < 1 || bitsPerPixel > 8) return MTH_ERR_ARGUMENT;
    if (mth->m_iInputBytesPerPixel > kMthMaxInputBytes || mth->m_iChannels > kMthMaxChannels)
        return MTH_ERR_TOO_MANY;
    // The kernels write width x bits per pixel of every channel's line.
    if (static_cast<int64_t>(bytesPerChannel) * 8 < static_cast<int64_t>(width) * bitsPerPixel)
        return MTH_ERR_ARGUMENT;

    const int32_t cap = Cap();
    mth->m_iConvWorkers = 1;
    mth->m_iMaxWorkers = std::min(mth->m_iChannels, maxWorkers > 0 ? std::min(maxWorkers, kMthMaxWorkers) : cap);
    mth->m_iMaxWorkers = std::max(mth->m_iMaxWorkers, 1);

    // Both pools fresh; from here on MTH_Exit cleans up.
    for (MthPool* pool : {&mth->m_Conv, &mth->m_Half}) {
        pool->stop = false;
        pool->pending = 0;
        pool->unfinished = 0;
        pool->crowded = 0;
    }
    mth->m_bStarted = true;
    mth->m_iTaskCount = mth->m_iChannels;
    // Room for every worker up front: a started thread is never dropped.
    try {
        mth->m_Half.threads.reserve(kMthMaxWorkers);
        mth->m_Conv.threads.reserve(1);
    } catch (...) {
        MTH_Exit(mth);
        return MTH_ERR_START;
    }

    const size_t w = static_cast<size_t>(width);
    const size_t ch = static_cast<size_t>(mth->m_iChannels);
    mth->m_nConvertedValues = w * ch;
    mth->m_pConvertedA.reset(new (std::nothrow) int32_t[mth->m_nConvertedValues]());
    mth->m_pConvertedB.reset(new (std::nothrow) int32_t[mth->m_nConvertedValues]());
    mth->m_nOutBytes = static_cast<size_t>(bytesPerChannel) * ch;
    mth->m_pOut.reset(new (std::nothrow) uint8_t[mth->m_nOutBytes]());
    // The input copy holds every input pixel of the padded width, and past
    // it the bytes a converter wider than the pixel looks at, all zero.
    const size_t scale = static_cast<size_t>(job->m_iScaleX);
    mth->m_nInputCopyBytes = (w + scale - 1) / scale * static_cast<size_t>(mth->m_iInputBytesPerPixel);
    mth->m_pInputCopy.reset(new (std::nothrow) uint8_t[mth->m_nInputCopyBytes + kWidestConverterPixelBytes]());
    // Without room for the levels the tasks read the converted lines.
    mth->m_pLevelsA.reset(new (std::nothrow) uint16_t[mth->m_nConvertedValues]());
    mth->m_pLevelsB.reset(new (std::nothrow) uint16_t[mth->m_nConvertedValues]());
    if (!mth->m_pLevelsA || !mth->m_pLevelsB) {
        mth->m_pLevelsA.reset();
        mth->m_pLevelsB.reset();
    }
    int32_t r = 0;
    if (!mth->m_pConvertedA || !mth->m_pConvertedB || !mth->m_pInputCopy) r = MTH_ERR_NO_LINES;
    else if (!mth->m_pOut) r = MTH_ERR_NO_OUTPUT;

    const bool thirdSplit = job->m_iResolutionX > job->m_iResolutionY;
    for (int32_t c = 0; c < kMthMaxChannels; ++c) {
        HalftoneTask& t = mth->m_aHalfTasks[c];
        t = HalftoneTask{};
        if (c >= mth->m_iChannels || r != 0) continue;
        t.converted = mth->m_pConvertedA.get() + c;
        t.stride = mth->m_iChannels;
        t.width = width;
        t.thirdSplit = thirdSplit ? 1 : 0;
        t.out = mth->m_pOut.get() + static_cast<size_t>(c) * static_cast<size_t>(bytesPerChannel);
        t.direction = 1;
        t.randomIndex = randomIndex;
        if (halftone) {
            t.noise = halftone->m_pNoiseTable.get();
            t.random = halftone->m_pRandomTable.get();
            for (int s = 0; s < 3; ++s) t.dotSizeTable[s] = halftone->m_aDotSizeTable.table[s];
        }
        t.channel = c;
        t.halftone = halftone;
        t.caller = caller;
        t.job = job;
    }
    if (r == 0 && halftone) SetUpLanes(mth, *halftone);

    if (r == 0) {
        MthGlobals& g = Globals();
        std::lock_guard<std::mutex> hold(g.lock);
        const int32_t now = g.halftoneWorkers < g.cap ? mth->m_iMaxWorkers : 1;
        for (int32_t k = 0; k < now; ++k) {
            if (!StartHalftoneWorker(mth)) {
                r = MTH_ERR_START;
                break;
            }
            ++g.halftoneWorkers;
        }
    }

    for (ConversionTask& t : mth->m_aConvTasks) {
        t = ConversionTask{};
        t.halftone = halftone;
        t.inputBytesPerPixel = mth->m_iInputBytesPerPixel;
        t.channels = mth->m_iChannels;
        t.scale = job->m_iScaleX;
        t.layout = 1;
        // The converter the inline path would run on this page.
        t.convert = halftone ? halftone->m_pfnPixelConverter : nullptr;
        t.caller = caller;
        t.job = job;
    }
    if (r == 0) {
        try {
            std::thread worker(MTH_ConvertWorker, mth);
            {
                std::lock_guard<std::mutex> hold(mth->m_Conv.lock);
                mth->m_Conv.threads.push_back(std::move(worker));
            }
            MthGlobals& g = Globals();
            std::lock_guard<std::mutex> hold(g.lock);
            ++g.conversionWorkers;
        } catch (...) {
            r = MTH_ERR_START;
        }
    }
    if (r != 0) MTH_Exit(mth);
    return r;
}

void MTH_SetTaskFlag(MTH_CONTEXT* mth, int32_t layout) {
    if (!mth) return;
    std::lock_guard<std::mutex> hold(mth->m_Conv.lock);
    for (ConversionTask& t : mth->m_aConvTasks) t.layout = layout;
}

int32_t CalculateHalftoneLine(MTH_CONTEXT* mth, CVarnPrn* job, CHalftone* halftone, int32_t* errorLines,
                              int32_t lineIndex, int32_t* status, uint8_t* toggle, const uint8_t* input,
                              uint8_t* const* outLines) {
    if (!mth) return MTH_ERR_NO_JOB;
    const auto fail = [mth](int32_t code) {
        const bool repeated = mth->m_iLastError == code;
        mth->m_iLastError = code;
        return repeated ? MTH_ERR_REPEATED : code;
    };
    if (!job || !status) return fail(MTH_ERR_NO_JOB);
    *status = HALF_LINE_PENDING;
    if (!input) input = job->m_pCurrentLine;
    const int32_t i = lineIndex;
    const int32_t n = mth->m_iLinesPerPage;
    if (const int32_t code = CheckLineCall(mth, job, i, input, outLines)) return fail(code);
    if (!errorLines || !mth->m_bStarted) return fail(MTH_ERR_ARGUMENT);

    // Direction of the line queued by this call.
    bool leftToRight = true;
    if (mth->m_iSerpentine == 1) {
        uint8_t* flag = toggle ? toggle : (halftone ? &halftone->m_Diffusion.m_bReverseLine : nullptr);
        if (flag) {
            leftToRight = *flag != 0;
            *flag = leftToRight ? 0 : 1;
        }
    }
    if (job->m_iHalftoneMode == 4) leftToRight = true;

    const int32_t channels = mth->m_iChannels;
    const int32_t width = mth->m_iWidth;
    const size_t cells = static_cast<size_t>(width) + 2;

    if (i > 0 && i < n + 1)
        WaitForPool(mth->m_Conv, mth->m_aConvTasks, kMthConversionTasks, 1, ConvertTask(mth), kCallerSpin);
    if (i > 1 && i < n + 2) {
        WaitForPool(mth->m_Half, mth->m_aHalfTasks, mth->m_iTaskCount, mth->m_pfnLines ? kMthTakenAtOnce : 1,
                    HalftoneTasks(mth), kCallerSpin);
        if (static_cast<int32_t>(mth->m_Half.threads.size()) < mth->m_iMaxWorkers) MTH_StartThreads(mth);
    }
    // Both pools are idle here: the converted line of the last call becomes
    // the one to halftone, and the other one takes this call's conversion.
    if (i < n + 1) {
        std::swap(mth->m_pConvertedA, mth->m_pConvertedB);
        std::swap(mth->m_pLevelsA, mth->m_pLevelsB);
    }

    if (i >= 2 && i < n + 2) DeliverLine(mth, job, halftone, outLines);

    if (i >= 1 && i < n + 1) {
        std::memset(mth->m_pOut.get(), 0, mth->m_nOutBytes);
        const int32_t pixelsPerByte = 8 / mth->m_iBitsPerPixel;
        const int32_t lastByte = (width + pixelsPerByte - 1) / pixelsPerByte - 1;
        const uint32_t lineNumber = halftone ? halftone->m_nMTHLineCounter : 0;
        {
            std::lock_guard<std::mutex> hold(mth->m_Half.lock);
            for (int32_t c = 0; c < channels; ++c) {
                HalftoneTask& t = mth->m_aHalfTasks[c];
                uint8_t* channelLine = mth->m_pOut.get() + static_cast<size_t>(c) * mth->m_iBytesPerChannel;
                int32_t* error = errorLines + static_cast<size_t>(3 * c) * cells;
                t.converted = mth->m_pConvertedA.get() + (leftToRight ? 0 : static_cast<size_t>(width - 1) * channels) + c;
                t.stride = leftToRight ? channels : -channels;
                t.width = width;
                t.direction = leftToRight ? 1 : -1;
                t.reverse = leftToRight ? 0 : 1;
                t.out = channelLine + (leftToRight ? 0 : lastByte);
                for (int s = 0; s < 3; ++s) t.errorLine[s] = error + s * cells + (leftToRight ? 1 : width);
                // The lane cells take the error lines over with the page's
                // first line and give them back with its last.
                t.laneSync = (i == 1 ? 1 : 0) | (i == n ? 2 : 0);
                t.levels = mth->m_pLevelsA ? mth->m_pLevelsA.get() + static_cast<size_t>(c) * width : nullptr;
                t.lineNumber = lineNumber;
                t.state = MTH_TASK_READY;
            }
            mth->m_Half.pending = channels;
            mth->m_Half.unfinished = channels;
        }
        if (halftone) ++halftone->m_nMTHLineCounter;
        mth->m_Half.work.notify_all();
    }

    // The next line's conversion after the channels: the halftone tasks bound
    // the line, and the copy of the input would hold them back.
    if (i < n) {
        platform::StreamCopy(mth->m_pInputCopy.get(), input, mth->m_nInputCopyBytes);
        {
            std::lock_guard<std::mutex> hold(mth->m_Conv.lock);
            ConversionTask& t = mth->m_aConvTasks[0];
            t.start = 0;
            t.end = width;
            t.scale = mth->m_iScaleX;
            t.input = mth->m_pInputCopy.get();
            t.converted = mth->m_pConvertedB.get();
            t.channels = channels;
            t.state = MTH_TASK_READY;
            mth->m_Conv.pending = 1;
            mth->m_Conv.unfinished = 1;
        }
        mth->m_Conv.work.notify_all();
    }

    // No line is finished before the third call, however short the page.
    *status = i < 2 ? HALF_LINE_PENDING : i >= n + 1 ? HALF_LINE_READY : i >= n - 1 ? HALF_LINE_AGAIN : HALF_LINE_READY;
    mth->m_iLastError = 0;
    return 0;
}

bool MTH_EndPageAfter(MTH_CONTEXT* mth, int32_t linesFed) {
    if (!mth || !mth->m_bStarted || linesFed < 1 || linesFed >= mth->m_iLinesPerPage + 2) return false;
    if (linesFed < mth->m_iLinesPerPage) mth->m_iLinesPerPage = linesFed;
    return true;
}

int32_t MTH_StartThreads(MTH_CONTEXT* mth) {
    if (!mth) return 0;
    MthGlobals& g = Globals();
    std::lock_guard<std::mutex> hold(g.lock);
    int32_t r = 0;
    const int32_t target = std::min(mth->m_iMaxWorkers, std::min(g.cap, mth->m_iChannels));
    while (g.halftoneWorkers < g.cap && static_cast<int32_t>(mth->m_Half.threads.size()) < target) {
        if (!StartHalftoneWorker(mth)) {
            r = MTH_ERR_START_MORE;
            break;
        }
        ++g.halftoneWorkers;
    }
    return r;
}

void MTH_HalftoneWorker(MTH_CONTEXT* mth) {
    RunWorker(mth->m_Half, mth->m_aHalfTasks, mth->m_iTaskCount, HalftoneTasks(mth), kWorkerSpin,
              mth->m_pfnLines ? kMthTakenAtOnce : 1);
}

void MTH_ConvertWorker(MTH_CONTEXT* mth) {
    RunWorker(mth->m_Conv, mth->m_aConvTasks, kMthConversionTasks, ConvertTask(mth), kWorkerSpin);
}

int32_t MTH_Exit(MTH_CONTEXT* mth) {
    if (!mth) return 0;
    const int32_t halftoneWorkers = StopPool(mth->m_Half);
    const int32_t conversionWorkers = StopPool(mth->m_Conv);
    {
        MthGlobals& g = Globals();
        std::lock_guard<std::mutex> hold(g.lock);
        g.halftoneWorkers -= halftoneWorkers;
        g.conversionWorkers -= conversionWorkers;
    }
    mth->m_bStarted = false;
    mth->m_pConvertedA.reset();
    mth->m_pConvertedB.reset();
    mth->m_pOut.reset();
    mth->m_pInputCopy.reset();
    mth->m_Lanes = ChannelLanes{};
    mth->m_pfnLines = nullptr;
    mth->m_pLaneCodes.reset();
    mth->m_pLaneRandom.reset();
    mth->m_pLaneCells.reset();
    mth->m_pLevelsA.reset();
    mth->m_pLevelsB.reset();
    return 0;
}

void MTH_FreeBuffers(MTH_CONTEXT* mth) {
    if (!mth) return;
    for (HalftoneTask& t : mth->m_aHalfTasks) t = HalftoneTask{};
    for (ConversionTask& t : mth->m_aConvTasks) t = ConversionTask{};
}
