// The planar halftoner of routine 118: every raster line is converted once
// into 12-bit values, one 16-bit value per pixel and channel,
// pixel-interleaved; then each output channel is error-diffused by its own
// channel halftoner into its row of the job's output line. With a thread
// pool the channels of a line run in parallel (queued deferred, released
// together, and the calling thread runs any channel no worker has taken yet
// before it waits); without one they run one after the other on the calling
// thread.
// Either way a line returns only when every channel is finished, and the
// bytes are the same.
//
// A family builds it from a PlanarHalfConfig and stores it in the
// halftoner's m_pPlanarHalf before CHalftone::InitJob; the parameter sets
// the config points to must live until that call has returned.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "halftone/planar_channel.h"
#include "services/manual_reset_event.h"
#include "services/thread_pool.h"

class CVarnPrn;

// Accumulated time of up to four phases, read from the performance counter.
class LapTimer {
public:
    static constexpr int kLaps = 4;
    LapTimer() { Restart(); }
    // Reads the frequency and the counter and zeroes the laps.
    void Restart();
    // Adds the time since the last lap (or restart) to lap k.
    void Lap(int k);
    // Lap k in seconds; 0 without a performance counter.
    double Seconds(int k) const;

private:
    int64_t m_frequency = 0;
    int64_t m_last = 0;
    int64_t m_laps[kLaps] = {};
};

// The channel factory and parameter set of one output channel.
struct PlanarChannelType {
    PlanarChannelFactory factory;
    const PlanarChannelParameters* parameters;  // owned by the family
};

struct PlanarHalfConfig {
    CVarnPrn* job = nullptr;
    // 0 or less: no pool; -1: the processors this process may use, when
    // more than one; 1 or more: a pool by the pool's own rule.
    int32_t threadCount = -1;
    std::vector<PlanarChannelType> channelTypes;  // entry c serves channel c
    std::vector<uint16_t> channelNumbers;         // random start of channel c; empty: 0, 1, ...
};

class CPlanarHalf {
public:
    // One channel's work on the current line.
    class Request : public CPlanarLineRequest {
    public:
        // Stores the result, takes the channel's time, then sets the event:
        // the host thread may reuse or delete the request from then on.
        void Done(bool ok) override;
        // The pool's task function (called directly without a pool).
        static void Run(void* request);

        LapTimer timer;  // lap 0: inside the channel halftoner; lap 1: up to its start
        ManualResetEvent event;
        std::unique_ptr<CPlanarOneChannel> halftoner;
    };

    // Null when it cannot be built.
    static std::unique_ptr<CPlanarHalf> Create(const PlanarHalfConfig& config);
    explicit CPlanarHalf(const PlanarHalfConfig& config);
    virtual ~CPlanarHalf();
    CPlanarHalf(const CPlanarHalf&) = delete;
    CPlanarHalf& operator=(const CPlanarHalf&) = delete;

    // Reads the line geometry and output line from the job and makes the
    // channel halftoners; false (logged) when it cannot.
    bool InitJob();
    bool InitPage();
    bool ExitPage();
    bool ExitJob();
    // Hands the converted line to the channels; false before InitJob.
    bool Process();
    // 0 nothing was pending, 1 every channel finished well, 2 a channel
    // failed. Waits for every channel in any case.
    int WaitForChannels();

    // The converted line: PaddedWidth() pixels of at least the channel count
    // values each (room for the widest lineariser).
    uint16_t* ConvBuffer() { return m_convBuffer.data(); }
    uint32_t PaddedWidth() const { return m_paddedWidth; }
    LapTimer& LineTimer() { return m_lineTimer; }
    // Time spent inside the channel halftoners, all channels together.
    double ThreadSeconds() const;
    const PlanarHalfConfig& Config() const { return m_config; }
    clTHREADPOOL_QUEUE* Pool() const { return m_pool.get(); }

private:
    void Log(int level, const char* text) const;
    // On the calling thread: the lines of two channels together where their
    // halftoners allow it (second is channel secondChannel); false, with
    // nothing run, otherwise.
    bool RunPair(Request& first, Request& second, size_t secondChannel);

    LapTimer m_lineTimer;  // laps 0 "Other", 1 "Lin", 2 "Process", 3 "WaitGet"
    std::vector<std::unique_ptr<Request>> m_requests;
    PlanarHalfConfig m_config;
    std::vector<uint16_t> m_convBuffer;
    uint8_t* m_pOutputLine = nullptr;
    uint32_t m_bytesPerChannel = 0;
    uint32_t m_paddedWidth = 0;
    bool m_pending = false;
    std::unique_ptr<clTHREADPOOL_QUEUE> m_pool;  // destroyed first: no task outlives the requests
};
