#include "halftone/epl_proxy.h"

#include <cstring>

#include "base/format.h"
#include "base/log_interface.h"

int32_t ExpectedEplKind(int32_t mode) {
    switch (mode) {
        case 1: return 1;
        case 2: return 2;
        case 6: case 12: case 33: case 35: return 6;
        case 7: case 162: return 7;
        case 8: case 53: case 54: case 127: case 128: case 141: case 142: case 147: case 148: case 160: return 8;
        case 17: return 17;
        case 18: return 18;
        case 19: return 19;
        case 30: case 163: return 30;
        case 31: return 31;
        case 37: case 39: case 40: case 41: return 37;
        case 52: case 55: case 124: case 125: case 126: case 129: case 130: case 143: case 146: case 149:
        case 150: return 52;
        case 75: return 32;
        case 76: return 76;
        default: break;
    }
    if (mode >= 134 && mode <= 140) return 52;
    return 4;
}

int32_t ReportedEplKind(int32_t r) {
    switch (r) {
        case 1: case 10: return 4;
        case 2: case 5: case 7: return 6;
        case 6: case 9: return 7;
        case 8: return 8;
        case 11: return 18;
        case 12: return 17;
        case 13: return 30;
        case 14: return 31;
        case 15: return 19;
        case 16: return 37;
        case 18: return 52;
        case 23: return 1;
        case 24: return 2;
        case 26: return 32;
        default: return 0;
    }
}

void GetEplDirectory(std::string& out) {
    const std::string loaded = platform::FindLoadedLibrary("EPL.dll");
    out = loaded.empty() ? platform::DefaultLibrarySearchFolders().hostFolder : platform::FolderOfPath(loaded);
}

EPLProxy::EPLProxy(ILogger* logger, std::string directory)
    : m_pLogger(logger), m_strDirectory(std::move(directory)) {}

EPLProxy::~EPLProxy() { m_Module.KeepLoadedForProcess(); }

void EPLProxy::LogError(const std::string& text) {
    if (m_pLogger) m_pLogger->Log(LOG_ERROR, text.c_str());
}

void EPLProxy::LoadDLL() {
    m_pEPLInterface = nullptr;
    std::string directory = m_strDirectory;
    if (directory.empty()) GetEplDirectory(directory);
    if (directory.empty() || (directory.back() != '/' && directory.back() != '\\')) directory += '/';

    if (!m_Module.LoadFromFolder(directory, kEplModuleName)) {
        LogError("EPLProxy::LoadDLL('epl.dll'): Dynamic Library could not be loaded!");
        if (m_pLogger) m_pLogger->Log(LOG_DETAIL, ("\t" + m_Module.Error()).c_str());
        return;
    }
    const auto getInterface = m_Module.Function<GetEPLInterfaceFn>(EPL_INTERFACE_ENTRY);
    if (!getInterface) {
        LogError("EPLProxy::LoadDLL(): Dynamic library could be loaded, but entry point 'GetEPLInterface' could "
                 "not be found!");
        m_Module.Unload();
        return;
    }
    m_pEPLInterface = getInterface();
    if (!m_pEPLInterface) {
        LogError("EPLProxy::LoadDLL(): Dynamic library could be loaded, and entry point 'GetEPLInterface' was "
                 "found, but when calling it, NULL got returned!");
        m_Module.Unload();
    }
}

int32_t EPLProxy::BuildLuts(double gamma, int32_t inkLimit, const std::string& visualCorrectionPath,
                            const int32_t* inkLimitPerChannel, size_t channelCount,
                            int32_t clcJob, int32_t clcNonincremental, const std::string& eplPath,
                            int32_t outputColorMode, EplCurveSets& curves) {
    m_strFileFault.clear();
    LoadDLL();
    if (!m_pEPLInterface) return EPL_RESULT_NO_LIBRARY;

    const auto limitAt = [&](size_t i) -> int32_t {
        return inkLimitPerChannel && i < channelCount ? inkLimitPerChannel[i] : 10000;
    };

    EplBuildRecord record;
    std::memset(&record, 0, sizeof record);
    for (size_t i = 0; i < 4; ++i) record.inkLimitPerChannel[i] = limitAt(i);
    // Every input colour mode a set-up reads has at most six colours; the
    // record's place for further channels stays empty.
    record.inkLimitChannel4And5[0] = limitAt(4);
    record.inkLimitChannel4And5[1] = limitAt(5);
    record.inkLimitAll = inkLimit;
    record.gamma = gamma;
    record.visualCorrectionPath = visualCorrectionPath.empty() ? nullptr : visualCorrectionPath.c_str();

    std::vector<uint16_t> storage(EPL_CURVE_COUNT * EPL_CURVE_SIZE, 0);
    std::array<uint16_t*, EPL_CURVE_COUNT> pointers;
    for (size_t s = 0; s < pointers.size(); ++s) pointers[s] = storage.data() + s * EPL_CURVE_SIZE;
    record.curves = {pointers.data(), pointers.data() + pointers.size(), pointers.data() + pointers.size()};

    record.clcValue = clcJob == 0 ? 0 : (clcNonincremental > 50 ? clcNonincremental : clcJob);
    std::string clcTempPath;
    if (record.clcValue != 0) {
        const std::string folder = platform::FolderOfPath(eplPath);
        clcTempPath = (folder.empty() ? eplPath : folder) + "CLCtmp.clc";
        record.clcTempPath = clcTempPath.c_str();
    }

    if (!m_pEPLInterface->BuildLut) {
        LogError("EPLProxy::BuildLut(): m_pEPLInterface!=NULL, but m_pEPLInterface->BuildLut==NULL!");
        return EPL_RESULT_NO_BUILDLUT;
    }
    const int32_t r = m_pEPLInterface->BuildLut(eplPath.c_str(), &record);
    if (r <= 0) {
        LogError(StringF("EPLProxy::BuildLut: BuildLut failed with error %d", r));
        const auto errorText = m_Module.Function<GetEPLErrorTextFn>(EPL_ERROR_TEXT_ENTRY);
        const char* reason = errorText ? errorText() : nullptr;
        m_strFileFault = reason && *reason ? std::string(reason) : StringF("error %d", r);
        return r;
    }
    const int32_t expected = ExpectedEplKind(outputColorMode);
    const int32_t reported = ReportedEplKind(r);
    if (expected != reported) {
        LogError(StringF("EPLProxy::BuildLuts: invalid EPL linearization mode CLIN_ ( expected %d get %d)",
                         expected, reported));
        m_strFileFault = StringF("it holds linearisation kind %d, output colour mode %d needs kind %d", reported,
                                 outputColorMode, expected);
        return EPL_RESULT_KIND_MISMATCH;
    }
    for (size_t set = 0; set < curves.size(); ++set) {
        const uint16_t* first = storage.data() + set * 4 * EPL_CURVE_SIZE;
        curves[set].assign(first, first + 4 * EPL_CURVE_SIZE);
    }
    return r;
}
