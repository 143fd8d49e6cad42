// The pipe client against a named pipe server of the test's own.
#include "platform/named_pipe.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>

namespace {

using platform::PipeClient;
using platform::PipeStatus;

// One inbound pipe instance with a small buffer; closed on destruction.
class PipeServer {
public:
    PipeServer() {
        static std::atomic<int> counter{0};
        m_path = "\\\\.\\pipe\\kelmora-test-" + std::to_string(GetCurrentProcessId()) + "-" +
                 std::to_string(counter++);
        m_pipe = CreateNamedPipeA(m_path.c_str(), PIPE_ACCESS_INBOUND, PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT,
                                  1, 0, 4096, 0, nullptr);
    }
    ~PipeServer() { Close(); }
    PipeServer(const PipeServer&) = delete;
    PipeServer& operator=(const PipeServer&) = delete;

    bool IsOpen() const { return m_pipe != INVALID_HANDLE_VALUE; }
    const std::string& Path() const { return m_path; }

    bool Accept() { return ConnectNamedPipe(m_pipe, nullptr) || GetLastError() == ERROR_PIPE_CONNECTED; }

    // Reads until count bytes came or the client went away.
    std::string Read(size_t count) {
        std::string text;
        char buffer[8192];
        while (text.size() < count) {
            DWORD n = 0;
            const DWORD want = static_cast<DWORD>(std::min(sizeof buffer, count - text.size()));
            if (!ReadFile(m_pipe, buffer, want, &n, nullptr) || n == 0) break;
            text.append(buffer, n);
        }
        return text;
    }

    void Close() {
        if (m_pipe != INVALID_HANDLE_VALUE) CloseHandle(m_pipe);
        m_pipe = INVALID_HANDLE_VALUE;
    }

private:
    std::string m_path;
    HANDLE m_pipe = INVALID_HANDLE_VALUE;
};

TEST(NamedPipeServer, TakesWhatTheClientWrites) {
    PipeServer server;
    ASSERT_TRUE(server.IsOpen());
    EXPECT_TRUE(PipeClient::Wait(server.Path(), 100));
    PipeClient client;
    ASSERT_EQ(PipeClient::Open(server.Path(), &client), PipeStatus::Ok);
    ASSERT_TRUE(server.Accept());
    EXPECT_EQ(client.Write("createlog,Server", 16), PipeStatus::Ok);
    EXPECT_EQ(server.Read(16), "createlog,Server");

    // Far more than the pipe holds: the writer goes on as the server reads.
    std::string big(1 << 20, '\0');
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7 + i / 4096);
    std::string received;
    std::thread reader([&] { received = server.Read(big.size()); });
    EXPECT_EQ(client.Write(big.data(), big.size()), PipeStatus::Ok);
    reader.join();
    EXPECT_TRUE(received == big);
}

TEST(NamedPipeServer, ASecondClientFindsThePipeBusy) {
    PipeServer server;
    ASSERT_TRUE(server.IsOpen());
    PipeClient first;
    ASSERT_EQ(PipeClient::Open(server.Path(), &first), PipeStatus::Ok);
    // The pipe exists, though no instance is free.
    EXPECT_TRUE(PipeClient::Wait(server.Path(), 10));
    PipeClient second;
    EXPECT_EQ(PipeClient::Open(server.Path(), &second), PipeStatus::Busy);
    EXPECT_FALSE(second.IsOpen());
}

TEST(NamedPipeServer, AServerThatLeftGivesABrokenPipe) {
    PipeServer server;
    ASSERT_TRUE(server.IsOpen());
    PipeClient client;
    ASSERT_EQ(PipeClient::Open(server.Path(), &client), PipeStatus::Ok);
    ASSERT_TRUE(server.Accept());
    server.Close();
    EXPECT_EQ(client.Write("line\r\n", 6), PipeStatus::Broken);
}

TEST(NamedPipeServer, AWriterGivesUpOnAServerThatStoppedReading) {
    PipeServer server;
    ASSERT_TRUE(server.IsOpen());
    PipeClient client;
    ASSERT_EQ(PipeClient::Open(server.Path(), &client), PipeStatus::Ok);
    ASSERT_TRUE(server.Accept());
    // The server reads nothing: the write cannot finish and must not hang.
    const std::string big(1 << 20, 'x');
    EXPECT_EQ(client.Write(big.data(), big.size()), PipeStatus::Failed);
}

}  // namespace
