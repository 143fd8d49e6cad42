#include "halftone/planar_half.h"

#include <algorithm>
#include <exception>
#include <new>

#include "job/varn_prn.h"
#include "platform/system.h"

namespace {

// The widest lineariser writes eight values per pixel.
constexpr size_t kMaxConvertedValues = 8;

}  // namespace

// ================================ LapTimer ================================

void LapTimer::Restart() {
    m_frequency = platform::PerformanceFrequency();
    m_last = m_frequency > 0 ? platform::PerformanceCounter() : 0;
    std::fill(std::begin(m_laps), std::end(m_laps), int64_t{0});
}

void LapTimer::Lap(int k) {
    if (m_frequency <= 0 || k < 0 || k >= kLaps) return;
    const int64_t now = platform::PerformanceCounter();
    m_laps[k] += now - m_last;
    m_last = now;
}

double LapTimer::Seconds(int k) const {
    if (m_frequency <= 0 || k < 0 || k >= kLaps) return 0.0;
    return static_cast<double>(m_laps[k]) / static_cast<double>(m_frequency);
}

// ============================ CPlanarHalf::Request ============================

void CPlanarHalf::Request::Done(bool ok) {
    status = ok ? 1 : 0;
    timer.Lap(0);
    event.Set();  // the last touch of the request by the worker
}

void CPlanarHalf::Request::Run(void* argument) {
    auto* request = static_cast<Request*>(argument);
    request->status = 0;
    if (!request->halftoner) {
        request->Done(false);
        return;
    }
    request->timer.Lap(1);
    try {
        request->halftoner->ProcessLine(*request);  // reports through Done
    } catch (...) {
        request->Done(false);
    }
}

// ================================ CPlanarHalf ================================

std::unique_ptr<CPlanarHalf> CPlanarHalf::Create(const PlanarHalfConfig& config) {
    try {
        return std::make_unique<CPlanarHalf>(config);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

CPlanarHalf::CPlanarHalf(const PlanarHalfConfig& config) : m_config(config) {
    if (m_config.threadCount == -1) {
        const int processors = GetProcessorCount();
        if (processors > 1) m_config.threadCount = processors;
    }
    if (m_config.threadCount > 0) {
        // Without a worker the channels run on the calling thread.
        m_pool = CreateThreadPoolQueue(m_config.threadCount, nullptr, nullptr);
        if (m_pool && m_config.job) {
            m_config.job->Log(LOG_INFO, "PlanarHalf: Thread pool of %d Threads", m_config.threadCount);
        }
    }
    if (m_config.channelNumbers.empty()) {
        for (size_t c = 0; c < m_config.channelTypes.size(); ++c) {
            m_config.channelNumbers.push_back(static_cast<uint16_t>(c));
        }
    }
}

CPlanarHalf::~CPlanarHalf() {
    if (m_pool) {
        m_pool->Finish();
        m_pool.reset();
    }
}

void CPlanarHalf::Log(int level, const char* text) const {
    if (m_config.job) m_config.job->Log(level, "%s", text);
}

bool CPlanarHalf::InitJob() {
    CVarnPrn* job = m_config.job;
    if (!job) return false;
    if (m_pending) WaitForChannels();
    m_requests.clear();

    const int32_t channels = job->m_iOutChannels;
    const int32_t width = job->m_iImageWidth;
    const int32_t repeat = job->m_iScaleX;
    const bool aspect = job->m_iResolutionX > job->m_iResolutionY;
    if (m_config.channelTypes.size() < static_cast<size_t>(std::max(channels, 0))) {
        Log(LOG_ERROR, "PlanarHalf: Not enough channel types specified");
        return false;
    }
    if (channels < 1 || width < 1 || repeat < 1 || !job->m_pOutLine || job->m_iBytesPerChannel < 1) {
        job->Log(LOG_ERROR, "PlanarHalf: init job: no line to halftone (%d channels, width %d, scale %d)", channels,
                 width, repeat);
        return false;
    }

    const size_t padded = (static_cast<size_t>(width) + 7) / 8 * 8;
    m_paddedWidth = static_cast<uint32_t>(padded);
    m_convBuffer.assign(padded * std::max(static_cast<size_t>(channels), kMaxConvertedValues), 0);
    m_pOutputLine = job->m_pOutLine;
    m_bytesPerChannel = static_cast<uint32_t>(job->m_iBytesPerChannel);

    try {
        for (int32_t c = 0; c < channels; ++c) {
            const PlanarChannelType& type = m_config.channelTypes[static_cast<size_t>(c)];
            auto request = std::make_unique<Request>();
            if (type.factory) request->halftoner = type.factory(this, type.parameters);
            if (!request->halftoner) {
                job->Log(LOG_ERROR, "PlanarHalf: init job: no channel halftoner for channel %d", c);
                m_requests.clear();
                return false;
            }
            request->input = m_convBuffer.data() + c;
            request->output = m_pOutputLine + static_cast<size_t>(c) * m_bytesPerChannel;
            request->outputSize = m_bytesPerChannel;
            const size_t uc = static_cast<size_t>(c);
            const uint16_t number =
                uc < m_config.channelNumbers.size() ? m_config.channelNumbers[uc] : static_cast<uint16_t>(c);
            request->halftoner->InitJob(static_cast<uint32_t>(channels), static_cast<uint32_t>(width),
                                        static_cast<uint32_t>(repeat), aspect, &number);
            m_requests.push_back(std::move(request));
        }
    } catch (const std::exception& e) {
        job->Log(LOG_ERROR, "PlanarHalf: init job: %s", e.what());
        m_requests.clear();
        return false;
    }
    return true;
}

bool CPlanarHalf::InitPage() {
    m_lineTimer.Restart();
    for (auto& request : m_requests) request->halftoner->InitPage();
    return true;
}

bool CPlanarHalf::ExitPage() {
    for (auto& request : m_requests) request->halftoner->ExitPage();
    return true;
}

bool CPlanarHalf::ExitJob() {
    if (m_pending) WaitForChannels();  // no channel runs while its halftoner goes
    for (auto& request : m_requests) request->halftoner->ExitJob();
    m_requests.clear();
    return true;
}

bool CPlanarHalf::Process() {
    if (m_requests.empty()) return false;
    const size_t channels = m_requests.size();
    for (size_t c = 0; c < channels; ++c) {
        Request& request = *m_requests[c];
        request.input = m_convBuffer.data() + c;
        request.output = m_pOutputLine + c * m_bytesPerChannel;
        request.status = 0;
        request.event.Reset();
        if (!m_pool && c + 1 < channels && RunPair(request, *m_requests[c + 1], c + 1)) {
            ++c;
            continue;
        }
        // A task the pool refuses runs here, so its event is set all the same.
        if (!m_pool || !m_pool->AddTaskDeferred(&request, &Request::Run)) Request::Run(&request);
    }
    m_lineTimer.Lap(2);
    if (m_pool) m_pool->ReleaseDeferred();
    m_pending = true;
    return true;
}

bool CPlanarHalf::RunPair(Request& first, Request& second, size_t secondChannel) {
    if (!first.halftoner || !second.halftoner) return false;
    second.input = m_convBuffer.data() + secondChannel;
    second.output = m_pOutputLine + secondChannel * m_bytesPerChannel;
    second.status = 0;
    second.event.Reset();
    first.timer.Lap(1);
    second.timer.Lap(1);
    return CPlanarOne_SE1::ProcessLinePair(*first.halftoner, first, *second.halftoner, second);
}

int CPlanarHalf::WaitForChannels() {
    if (!m_pending) return 0;
    m_pending = false;
    if (m_requests.empty()) return 1;
    // Channels no worker has taken yet run here rather than wait for one.
    if (m_pool) {
        while (m_pool->RunQueuedTask()) {
        }
    }
    bool failed = false;
    for (auto& request : m_requests) {
        request->event.Wait();
        failed |= request->status == 0;
    }
    return failed ? 2 : 1;
}

double CPlanarHalf::ThreadSeconds() const {
    double seconds = 0.0;
    for (const auto& request : m_requests) seconds += request->timer.Seconds(0);
    return seconds;
}
