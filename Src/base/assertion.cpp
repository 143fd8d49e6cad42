#include "base/assertion.h"

#include <atomic>
#include <string>

#include "base/log_interface.h"

namespace {
std::atomic<ILogger*> g_assertionLogger{nullptr};
}

void SetAssertionLogger(ILogger* logger) { g_assertionLogger = logger; }

ILogger* GetAssertionLogger() { return g_assertionLogger; }

void ReportAssertion(const char* expression, const char* file, int line) {
    ILogger* logger = g_assertionLogger;
    if (!logger) return;
    std::string text = file ? file : "";
    text += "(" + std::to_string(line) + "): assert(";
    text += expression ? expression : "";
    text += ") failed!";
    logger->LogError(text.c_str());
}
