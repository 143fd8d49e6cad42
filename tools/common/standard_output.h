// What a program prints to standard output (a listing, its --help text, a
// count): a write that fails on the way (a full disk, a file-size limit)
// keeps its reason, and at the end what was printed is flushed and the exit
// status becomes a failure naming that reason, so that a listing cut short
// never ends as a success.
#pragma once

namespace toolfile {

// Prints to standard output as printf does, keeping the system's reason when
// the write fails (a large text is written at once, past the buffer, and
// fails there, not at the flush).
void PrintStandardOutput(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// status when everything printed to standard output reached it; else 1,
// after "<program>: cannot write standard output: <reason>" on standard error.
int FinishStandardOutput(const char* program, int status);

// Prints a program's help text and finishes: its exit status (0, or 1 as
// FinishStandardOutput says).
int PrintHelp(const char* program, const char* text);

}  // namespace toolfile
