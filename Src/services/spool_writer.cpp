#include "services/spool_writer.h"
#include "platform/system.h"

#include <cstdarg>
#include <cstring>
#include <limits>

namespace {

constexpr const char* kResultTexts[] = {
    "Spool file OK",
    "Spool file END OK",
    "Spool file cancelled",
    "Spool file IO failed",
    "Spool file failed",
    "Spool file illegal argument",
    "Spool file illegal tag",
    "Spool file illegal mode",
    "Spool file illegal size",
    "Spool file illegal signature",
    "Spool file illegal byteorder",
    "Spool file illegal version",
    "Spool file illegal magic",
    "Spool file illegal tag argument",
    "Spool file duplicate page number",
    "Spool file unexpected tag",
    "Spool file unexpected eof",
    "Spool file syntax error",
    "Spool file illegal file type",
    "Spool file empty",
    "Spool file illegal method call",
};

std::string FormatV(const char* format, va_list args) {
    std::string text;
    FormatStringV(text, format, args);
    return text;
}

}  // namespace

const char* SpoolFileResultText(uint32_t code) {
    if (code < sizeof kResultTexts / sizeof kResultTexts[0]) return kResultTexts[code];
    if (code == eSPOOLFILE2_UNKNOWN) return "Spool file unknown";
    return "Spool file Unknown";
}

uint32_t PFN_WRITEPRNDATA_WRAPPER::Write(uint32_t tag, const uint8_t* data, uint64_t size) {
    if (!m_pfnWrite || !m_pContext) return eSPOOLFILE2_FAILED;
    if (size > std::numeric_limits<uint32_t>::max()) return eSPOOLFILE2_ILLEGAL_SIZE;
    const int r = m_pfnWrite(m_pContext, tag, data, static_cast<uint32_t>(size));
    return (r >= 0 && r < static_cast<int>(eSPOOLFILE2_UNKNOWN)) ? static_cast<uint32_t>(r) : eSPOOLFILE2_UNKNOWN;
}

clSpoolFileResultImp CreateSpoolFileResult(uint32_t code, const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = FormatV(format, args);
    va_end(args);
    text += ": ";
    text += SpoolFileResultText(code);
    return clSpoolFileResultImp(code, std::move(text));
}

clSpoolFileResultErrno CreateSpoolFileResultErrno(int errorNumber, const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = FormatV(format, args);
    va_end(args);
    text += ": ";
    text += SystemErrorText(errorNumber);
    return clSpoolFileResultErrno(std::move(text));
}

std::string SystemErrorText(int errorNumber) {
    // Without an error number there is no system text ("Success" would be wrong).
    std::string reason = errorNumber != 0 ? platform::ErrorText(errorNumber) : "";
    while (!reason.empty() && (reason.back() == '\r' || reason.back() == '\n')) reason.pop_back();
    return reason.empty() ? "Unknown IO error" : reason;
}
