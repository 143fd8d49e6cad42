#include "standard_output.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <string>

#include "platform/system.h"

namespace toolfile {
namespace {

int g_firstFailure = 0;  // the reason of the first write that failed

void NoteFailure(bool failed, int reason) {
    if (failed && g_firstFailure == 0) g_firstFailure = reason;
}

}  // namespace

void PrintStandardOutput(const char* format, ...) {
    va_list args;
    va_start(args, format);
    errno = 0;
    const int written = std::vfprintf(stdout, format, args);
    NoteFailure(written < 0, errno);
    va_end(args);
}

int FinishStandardOutput(const char* program, int status) {
    errno = 0;
    const bool flushed = std::fflush(stdout) == 0;
    NoteFailure(!flushed, errno);
    if (flushed && !std::ferror(stdout)) return status;
    const std::string reason = g_firstFailure != 0 ? platform::ErrorText(g_firstFailure) : "a write failed";
    std::fprintf(stderr, "%s: cannot write standard output: %s\n", program, reason.c_str());
    return 1;
}

int PrintHelp(const char* program, const char* text) {
    PrintStandardOutput("%s", text);
    return FinishStandardOutput(program, 0);
}

}  // namespace toolfile
