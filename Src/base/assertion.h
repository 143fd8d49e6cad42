// Reports of checks that must never fail in a correct run. A report goes, as
// an error, to the process-wide assertion logger when one is installed, and the
// caller goes on in every case.
#pragma once

class ILogger;

// Installs (or, with null, removes) the assertion logger; meant to be set once
// before any job runs.
void SetAssertionLogger(ILogger* logger);
ILogger* GetAssertionLogger();

// Logs "<file>(<line>): assert(<expression>) failed!".
void ReportAssertion(const char* expression, const char* file, int line);
