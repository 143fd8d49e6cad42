#include "job/varn_prn.h"

#include <exception>

#include "services/driver_settings.h"
#include "host/job_ticket.h"
#include "host/ticket.h"

namespace {
constexpr const char* kErrorMessageKey = "Output/ErrorMessage";
constexpr const char* kInfoMessageKey = "Process/InfoMessage";
}  // namespace

CVarnPrn::CVarnPrn(Ticket* ticket, uint32_t jobId, clLogFullInterface* logger)
    : m_pTicket(ticket), m_JobID(jobId), m_pLogger(logger) {}

// Members release the halftoner, the feed resampler, the buffers, strings,
// lists and visual-correction tables; the family's driver object is the
// family's to delete.
CVarnPrn::~CVarnPrn() = default;

std::unique_ptr<CVarnPrn> CVarnPrn::Create(Ticket* ticket, uint32_t jobId, clLogFullInterface* logger) {
    auto job = std::make_unique<CVarnPrn>(ticket, jobId, logger);
    if (ticket && job->ReadInfoFromTicket() >= 0) job->m_bTicketRead = 1;
    return job;
}

// ---------------------------------------------------------------------------
// Messages to the host

void CVarnPrn::SetErrorMessage(const std::string& text) {
    if (!m_pTicket) return;
    std::string current;
    GetTicketString(m_pTicket, current, TICKET_SCOPE_JOB, m_JobID, kErrorMessageKey, std::string());
    if (current == text) return;
    SetTicketStringValue(m_pTicket, TICKET_SCOPE_JOB, m_JobID, kErrorMessageKey, text, TICKET_INDEX_SCALAR);
}

void CVarnPrn::SetErrorMessageF(const char* format, ...) {
    std::string text;
    va_list args;
    va_start(args, format);
    FormatStringV(text, format, args);
    va_end(args);
    SetErrorMessage(text);
}

void CVarnPrn::SetErrorMessageFromResult(const clSpoolFileResult* result) {
    if (result) SetErrorMessage(result->GetText());
}

void CVarnPrn::UpdateInfoMessage(bool add, const std::string& text) {
    if (!m_pTicket) return;
    // The list may hold elements of other types: they are passed over.
    const int32_t index = FindTicketTextIndex(m_pTicket, TICKET_SCOPE_JOB, m_JobID, kInfoMessageKey, text);
    if (add && index < 0) {
        SetTicketStringValue(m_pTicket, TICKET_SCOPE_JOB, m_JobID, kInfoMessageKey, text, TICKET_INDEX_APPEND);
    } else if (!add && index >= 0) {
        DeleteTicketValue(m_pTicket, TICKET_SCOPE_JOB, m_JobID, kInfoMessageKey, index);
    }
}

void CVarnPrn::UpdateInfoMessageF(bool add, const char* format, ...) {
    std::string text;
    va_list args;
    va_start(args, format);
    FormatStringV(text, format, args);
    va_end(args);
    UpdateInfoMessage(add, text);
}

// ---------------------------------------------------------------------------
// Logging

void CVarnPrn::Log(int level, const char* format, ...) {
    if (!m_pLogger) return;
    va_list args;
    va_start(args, format);
    m_pLogger->LogV(level, format, args);
    va_end(args);
}

bool CVarnPrn::IsLogEnabled(int level) const { return m_pLogger && m_pLogger->IsEnabled(level); }

// ---------------------------------------------------------------------------
// Accessors

int CVarnPrn::GetPrinterSpotColors(std::vector<std::string>& out) const {
    out.clear();
    if (m_iPrinterModell >= 102) {
        Ticket_GetStringArray(m_pTicket, TICKET_SCOPE_PRINTER_INFO, static_cast<uint32_t>(m_iPrinterModell),
                              "Output/Prn/Info/Color/SpotColors", out);
    }
    return static_cast<int>(out.size());
}

bool CVarnPrn::IsCmykwModel() const {
    switch (m_iPrinterModell) {
    case 597: case 598: case 601: case 602: case 2503: case 2505:
        return true;
    default:
        return false;
    }
}

int CVarnPrn::GetDefaultClearMode() const {
    switch (m_iPrinterModell) {
    case 2505: case 7053: case 7054: case 7056: case 7058: case 7059:
    case 7061: case 7063: case 7065: case 7066: case 7068: case 7070:
        return 3;
    default:
        return 0;
    }
}

// ---------------------------------------------------------------------------
// Driver tuning

void CVarnPrn::ReadIniSettings(const std::string& installFolder) {
    DriverSettings settings;
    try {
        settings = ReadDriverSettings(installFolder, m_pLogger);
    } catch (const std::exception& e) {  // no memory for the file's lines: the defaults
        Log(LOG_WARNING, "ReadIniSettings: %s; default settings used", e.what());
        settings = DriverSettings{};
    }
    m_bWriteInputTiff = static_cast<uint32_t>(settings.m_bWriteInputTiff);
    m_bWriteInputTiffSep = static_cast<uint32_t>(settings.m_bWriteInputTiffSep);
    m_bWriteOutputTiff = static_cast<uint32_t>(settings.m_bWriteOutputTiff);
    m_bWriteOutputTiffSep = static_cast<uint32_t>(settings.m_bWriteOutputTiffSep);
    m_iHalftoneThreadCount = settings.m_iHalftoneThreadCount;
    m_bUseTimeForRandom = static_cast<uint32_t>(settings.m_bUseTimeForRandom);
    m_bAutoCleaning = static_cast<uint32_t>(settings.m_bAutoCleaning);
    m_bUseNewTIL = static_cast<uint32_t>(settings.m_bUseNewTIL);
}
