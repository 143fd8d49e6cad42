// logcollector: receives the plug-in's log lines and writes them to standard
// output or a file. The pipe folder is KELMORA_PIPE_DIR, or the platform's
// default pipe folder.
//
//   logcollector [-o FILE]
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

#include "base/format.h"
#include "log_collector.h"
#include "output_file.h"
#include "platform/named_pipe.h"
#include "platform/system.h"
#include "standard_output.h"

namespace {

LogCollector* g_collector = nullptr;

// The output as messages name it, and whether a write to it failed.
std::string g_outputName = "standard output";
bool g_writeFailed = false;

// Says once, on standard error, that log bytes did not reach the output,
// and ends the run in failure: a collector that loses every line would only
// keep the lines from a collector that could write them.
void WriteFailed(int reason) {
    if (g_writeFailed) return;
    g_writeFailed = true;
    std::fprintf(stderr, "logcollector: cannot write %s: %s\n", g_outputName.c_str(),
                 platform::ErrorText(reason).c_str());
    if (g_collector) g_collector->Stop();
}

void OnSignal(int) {
    if (g_collector) g_collector->Stop();
}

constexpr const char* kUsage =
    "usage: logcollector [-o FILE]\n"
    "Serves the plug-in's log pipe in the pipe folder (KELMORA_PIPE_DIR, or the\n"
    "temporary folder's kelmora-pipes-<user id>) and writes every log line it\n"
    "receives to standard output, or to FILE, until SIGINT or SIGTERM.\n";

int Usage() {
    std::fputs(kUsage, stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    // A closed standard output gets a file that takes no writes, so that no
    // pipe of the collector takes its number and the log fails as it would.
    toolfile::OpenClosedStandardFiles();
    const char* outputPath = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            return toolfile::PrintHelp("logcollector", kUsage);
        }
        if (std::strcmp(argv[i], "-o") == 0 && i + 1 < argc) {
            outputPath = argv[++i];
        } else {
            return Usage();
        }
    }
    std::FILE* out = stdout;
    if (outputPath) {
        out = std::fopen(outputPath, "wb");
        if (!out) {
            const int reason = errno;
            std::fprintf(stderr, "logcollector: cannot write %s: %s\n", EscapeControlBytes(outputPath).c_str(),
                         platform::ErrorText(reason).c_str());
            return 1;
        }
        g_outputName = EscapeControlBytes(outputPath);
    }
    int status = 0;
    {
        LogCollector collector(out, WriteFailed);
        std::string error;
        const std::string folder = platform::PipeFolder();
        if (!collector.Listen(folder, &error)) {
            std::fprintf(stderr, "logcollector: %s\n", error.c_str());
            status = 1;
        } else {
            g_collector = &collector;
            std::signal(SIGPIPE, SIG_IGN);
            std::signal(SIGINT, OnSignal);
            std::signal(SIGTERM, OnSignal);
            std::fprintf(stderr, "logcollector: listening in %s\n", EscapeControlBytes(folder).c_str());
            collector.Run();
            std::signal(SIGINT, SIG_DFL);
            std::signal(SIGTERM, SIG_DFL);
            g_collector = nullptr;
        }
    }
    errno = 0;
    if (out != stdout ? std::fclose(out) != 0 : std::fflush(out) != 0) WriteFailed(errno != 0 ? errno : EIO);
    return g_writeFailed ? 1 : status;
}
