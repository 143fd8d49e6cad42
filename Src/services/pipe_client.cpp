#include "services/pipe_client.h"

#include "platform/system.h"

namespace {

constexpr unsigned kWaitForPipeMs = 100;
constexpr unsigned kBusyRetryMs = 50;
// A server that stays busy this many retries (about ten seconds) counts as gone.
constexpr int kMaxBusyRetries = 200;

}  // namespace

int CClientPipeInstance::Write(const std::string& text) {
    if (text.empty() || m_strPipePath.empty()) return 0;
    try {
        if (!m_pipe.IsOpen()) {
            if (!platform::PipeClient::Wait(m_strPipePath, kWaitForPipeMs)) return 0;
            platform::PipeStatus status = platform::PipeClient::Open(m_strPipePath, &m_pipe);
            for (int busy = 0; status == platform::PipeStatus::Busy && busy < kMaxBusyRetries; ++busy) {
                platform::SleepMs(kBusyRetryMs);
                status = platform::PipeClient::Open(m_strPipePath, &m_pipe);
            }
            if (status != platform::PipeStatus::Ok) return 0;
        }
        if (m_pipe.Write(text.data(), text.size()) == platform::PipeStatus::Ok) return 1;
        // The line did not get through whole: start afresh on the next write.
        m_pipe.Close();
        return 0;
    } catch (...) {
        return 0;
    }
}
