// The client end of a log pipe: opened on the first write, kept open until the
// server goes away.
#pragma once

#include <string>
#include <utility>

#include "platform/named_pipe.h"

class CClientPipeInstance {
public:
    CClientPipeInstance() = default;
    explicit CClientPipeInstance(std::string pipePath) : m_strPipePath(std::move(pipePath)) {}
    CClientPipeInstance(const CClientPipeInstance&) = delete;
    CClientPipeInstance& operator=(const CClientPipeInstance&) = delete;

    void SetPipePath(const std::string& path) { m_strPipePath = path; }
    const std::string& GetPipePath() const { return m_strPipePath; }
    bool IsOpen() const { return m_pipe.IsOpen(); }

    // 1 when the text was written, 0 otherwise (nothing to write, no pipe
    // path, no server, or the server went away: the pipe is then closed and
    // the next write opens it again).
    int Write(const std::string& text);

private:
    platform::PipeClient m_pipe;
    std::string m_strPipePath;
};
