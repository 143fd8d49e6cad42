// The plug-in's side of the linearisation library: EPLProxy loads "epl.dll"
// and has it build the sixteen input curves of a job.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "halftone/epl_interface.h"
#include "platform/dynamic_library.h"

class ILogger;

// The linearisation library's module name, as the system knows it.
constexpr const char* kEplModuleName = "epl.dll";

// Four sets of four input curves (256 values each, set s holding its curves
// one after the other): input maps 0-3, 14-17, 18-21 and 22-25.
using EplCurveSets = std::array<std::vector<uint16_t>, 4>;

// Results of EPLProxy::BuildLuts besides the library's own (1 and up success,
// 0 or less the library's error).
enum : int32_t {
    EPL_RESULT_NO_LIBRARY = -3,     // library, its entry or its table missing
    EPL_RESULT_NO_BUILDLUT = -4,    // the table has no BuildLut entry
    EPL_RESULT_KIND_MISMATCH = -5,  // the library built another linearisation kind
};

// The linearisation kind that a job's output colour mode needs.
int32_t ExpectedEplKind(int32_t outputColorMode);
// The linearisation kind that a successful BuildLut result reports (0: none).
int32_t ReportedEplKind(int32_t buildLutResult);

// The folder of the library already loaded as "EPL.dll", or else of the host
// executable; with its final '/', empty when unknown.
void GetEplDirectory(std::string& out);

class EPLProxy {
public:
    // logger may be null; an empty directory means GetEplDirectory.
    explicit EPLProxy(ILogger* logger, std::string directory = {});
    // The library stays loaded for the rest of the process.
    virtual ~EPLProxy();
    EPLProxy(const EPLProxy&) = delete;
    EPLProxy& operator=(const EPLProxy&) = delete;

    // Loads the library and fills m_pEPLInterface (null on failure, logged).
    void LoadDLL();

    // Has the library build the job's curves from its linearisation file.
    // inkLimitPerChannel is the job's list (1/100 %) of its colours, at most
    // six: entries 0 to 5 go to the record, entries beyond channelCount count
    // as 10000. On success the four sets in curves hold 4 x 256 values each
    // and the library's result (its linearisation kind) is returned.
    int32_t BuildLuts(double gamma, int32_t inkLimit, const std::string& visualCorrectionPath,
                      const int32_t* inkLimitPerChannel, size_t channelCount, int32_t clcJob,
                      int32_t clcNonincremental, const std::string& eplPath, int32_t outputColorMode,
                      EplCurveSets& curves);

    const EPLInterface* Interface() const { return m_pEPLInterface; }
    // Why the last BuildLuts failed on the linearisation file: the library's
    // own reason, or its error code, or the kind that did not match; empty
    // after a success or when the library itself is missing.
    const std::string& FileFault() const { return m_strFileFault; }

private:
    void LogError(const std::string& text);

    ILogger* m_pLogger;
    std::string m_strDirectory;
    platform::DynamicLibrary m_Module;
    EPLInterface* m_pEPLInterface = nullptr;
    std::string m_strFileFault;
};
