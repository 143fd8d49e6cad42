// Runs a log collector on its own thread over the current pipe folder and
// hands back everything it wrote once stopped.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <thread>

#include "log_collector.h"
#include "platform/named_pipe.h"

class CollectorRunner {
public:
    CollectorRunner() : m_out(std::tmpfile()), m_collector(std::make_unique<LogCollector>(m_out)) {}
    ~CollectorRunner() {
        Stop();
        m_collector.reset();
        if (m_out) std::fclose(m_out);
    }
    CollectorRunner(const CollectorRunner&) = delete;
    CollectorRunner& operator=(const CollectorRunner&) = delete;

    bool Start(std::string* error) {
        if (!m_out || !m_collector->Listen(platform::PipeFolder(), error)) return false;
        m_thread = std::thread([this] { m_collector->Run(); });
        return true;
    }

    // Stops the collector (after it took in what clients sent so far) and
    // returns its output.
    std::string Stop() {
        if (m_thread.joinable()) {
            m_collector->Stop();
            m_thread.join();
        }
        std::string text;
        if (!m_out) return text;
        std::fflush(m_out);
        std::rewind(m_out);
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, m_out)) > 0) text.append(buffer, n);
        return text;
    }

    int CreatelogCount() const { return m_collector->CreatelogCount(); }

private:
    std::FILE* m_out;
    std::unique_ptr<LogCollector> m_collector;
    std::thread m_thread;
};
