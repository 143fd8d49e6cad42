// Control strips and verification jobs, the linearisation library's printer
// options, and the lookup of a printer option's default value.
#include "base/format.h"
#include "host/job_ticket.h"
#include "host/ticket.h"
#include "job/varn_prn.h"

namespace {

constexpr const char* kOptionIdKey = "Output/Prn/Info/Option/ID";

}  // namespace

void CVarnPrn::ReadChartInfo() {
    const int verify = JobInt("Workflow/Verify/Active", 0);
    m_bVerify = verify > 0 ? 1 : 0;
    if (verify > 0) {
        auto description = [this](uint32_t id) {
            std::string text;
            GetTicketString(m_pTicket, text, TICKET_SCOPE_JOB, id, "Input/ImageDescription", std::string());
            return text;
        };
        bool firstFound = false;
        const int id1 = JobInt("Job/Identification/ControlStripID", -1);
        if (id1 != -1) {
            std::string text = description(static_cast<uint32_t>(id1));
            if (!text.empty() && (verify == 1 || verify == 3)) {
                m_vChartDescriptions.push_back(text);
                firstFound = true;
            }
            if (!text.empty()) {
                Log(LOG_DETAIL, "CVarnPrn::ReadChartInfo: Controlstrip1 (%s)", EscapeControlBytes(text).c_str());
            } else {
                Log(LOG_DETAIL, "CVarnPrn::ReadChartInfo: Controlstrip1 empty");
            }
        } else if (m_iOemID == 5) {
            std::string text = description(m_JobID);
            if (!text.empty()) {
                m_vChartDescriptions.push_back(text);
                firstFound = true;
                Log(LOG_DETAIL, "CVarnPrn::ReadChartInfo: Image Description (%s)", EscapeControlBytes(text).c_str());
            } else {
                Log(LOG_DETAIL, "CVarnPrn::ReadChartInfo: Controlstrip1 empty");
            }
        }
        bool secondAdded = false;
        const int id2 = JobInt("Job/Identification/ControlStripID2", -1);
        if (id2 != -1) {
            std::string text = description(static_cast<uint32_t>(id2));
            if (!text.empty()) {
                if (verify == 2 || verify == 3) {
                    m_vChartDescriptions.push_back(text);
                    secondAdded = true;
                }
                Log(LOG_DETAIL, "CVarnPrn::ReadChartInfo: Controlstrip2 (%s)", EscapeControlBytes(text).c_str());
            } else {
                Log(LOG_DETAIL, "CVarnPrn::ReadChartInfo: Controlstrip2 empty");
            }
        }
        // Only the second strip prints: it takes the first strip's place.
        if (!firstFound && secondAdded && m_vControlstripX.size() >= 2 && m_vControlstripY.size() >= 2) {
            m_vControlstripX[0] = m_vControlstripX[1];
            m_vControlstripY[0] = m_vControlstripY[1];
            Log(LOG_DETAIL, "CVarnPrn::ReadChartInfo: Correct offset value");
        }
        if (!firstFound) m_bVerify = 0;
    } else {
        JobList("Input/ImageDescription", m_vChartDescriptions);
    }

    const int subType = JobInt("Input/SubType", 0);
    if ((subType == 82 || subType == 83 || m_iOemID == 5 || m_iOemID == 11) && !m_vChartDescriptions.empty()) {
        Log(LOG_WARNING, "ReadChartInfo Input/ImageDescription detected, Input/SubType=%#x",
            static_cast<unsigned>(subType));
        m_bVerify = 1;
        if (m_vControlstripX.empty()) {
            Log(LOG_WARNING, "ReadChartInfo adding default X position");
            m_vControlstripX.push_back(0.0);
        }
        if (m_vControlstripY.empty()) {
            Log(LOG_WARNING, "ReadChartInfo adding default Y position");
            m_vControlstripY.push_back(0.0);
        }
    }
}

void CVarnPrn::ReadMetaEplOptions() {
    auto read = [this](const char* key, int def) { return GetTicketIntOrString(m_pTicket, m_JobID, key, def); };
    m_iMetaFeedAfterPrint = read("Output/Prn/Specific/MetaEPL/FeedAfterPrint", 1);
    m_iMetaCarriageMovement = read("Output/Prn/Specific/MetaEPL/CarriageMovement", 1);
    m_iMetaBlower = read("Output/Prn/Specific/MetaEPL/Blower", 2);
    m_iMetaTensionCheck = read("Output/Prn/Specific/MetaEPL/RollPaperTensionCheck", 1);
    m_iMetaTension = read("Output/Prn/Specific/MetaEPL/RollPaperTension", 0);
    m_iMetaFeedSpeed = read("Output/Prn/Specific/MetaEPL/PaperFeedSpeed", 1);
    m_iMetaJamDetection = read("Output/Prn/Specific/MetaEPL/MediaJamDetection", 0);
    m_iMetaTopMargin = read("Output/Prn/Specific/MetaEPL/MediaTopMargin", 0);
    m_iMetaBottomMargin = read("Output/Prn/Specific/MetaEPL/MediaBottomMargin", 0);
    m_iMetaSaveMedia = read("Output/Prn/Specific/MetaEPL/SaveMedia", 0);
    m_iMetaMirror = read("Output/Prn/Specific/MetaEPL/Mirror", 0);
    m_iHddDeleteData = read("Output/Prn/Specific/HDD/DeleteData", 0);
    m_iHddPrintAndSave = read("Output/Prn/Specific/HDD/PrintAndSave", 0);
    m_iHddInstalled = read("Output/Prn/Specific/HDD/Installed", 0);
    m_iMetaFineMode = read("Output/Prn/Specific/MetaEPL/FineMode", 0);
    m_iMetaDryTime = read("Output/Prn/Specific/MetaEPL/DryTime", 0);

    Log(LOG_DETAIL, "\tFeed after print = %d", m_iMetaFeedAfterPrint);
    Log(LOG_DETAIL, "\tCarriage Movement = %d", m_iMetaCarriageMovement);
    Log(LOG_DETAIL, "\tBlower = %d", m_iMetaBlower);
    Log(LOG_DETAIL, "\tTension check = %d", m_iMetaTensionCheck);
    Log(LOG_DETAIL, "\tTension = %d", m_iMetaTension);
    Log(LOG_DETAIL, "\tFeed speed = %d", m_iMetaFeedSpeed);
    Log(LOG_DETAIL, "\tMedia jam detection = %d", m_iMetaJamDetection);
    Log(LOG_DETAIL, "\tMedia top margin = %d", m_iMetaTopMargin);
    Log(LOG_DETAIL, "\tMedia bottom margin = %d", m_iMetaBottomMargin);
    Log(LOG_DETAIL, "\tSave media = %s", m_iMetaSaveMedia != 0 ? "On" : "Off");
    Log(LOG_DETAIL, "\tMirror = %s", m_iMetaMirror != 0 ? "On" : "Off");
}

bool CVarnPrn::OffersPrinterOption(int optionId) {
    TicketListMismatch mismatch;
    const auto model = static_cast<uint32_t>(m_iPrinterModell);
    const int32_t index =
        FindTicketIntIndex(m_pTicket, TICKET_SCOPE_PRINTER_INFO, model, kOptionIdKey, optionId, &mismatch);
    // Told once, however often the list is looked into.
    if (mismatch.index >= 0 && m_strOptionListMismatch.empty()) {
        m_strOptionListMismatch = ReportListMismatch(kOptionIdKey, mismatch, TICKET_TYPE_INT32);
    }
    return index >= 0;
}

int CVarnPrn::GetPrinterOptionValue(int optionId) {
    const auto model = static_cast<uint32_t>(m_iPrinterModell);
    std::vector<int32_t> ids;
    std::vector<int32_t> counts;
    ReadTicketList(TICKET_SCOPE_PRINTER_INFO, model, kOptionIdKey, ids);
    ReadTicketList(TICKET_SCOPE_PRINTER_INFO, model, "Output/Prn/Info/Option/NumOfSup", counts);
    int64_t base = 0;
    for (size_t group = 0; group < ids.size(); ++group) {
        if (ids[group] != optionId) {
            if (group < counts.size()) base += counts[group];
            continue;
        }
        // The catalogue writes one default per group, in the order of the ids.
        constexpr const char* kDefaultKey = "Output/Prn/Info/Option/Default";
        constexpr const char* kValueKey = "Output/Prn/Info/Option/Sup/Value1";
        TicketListMismatch mismatch;
        const int32_t d = GetTicketIntAt(m_pTicket, TICKET_SCOPE_PRINTER_INFO, model, kDefaultKey,
                                         static_cast<int32_t>(group), 0, &mismatch);
        if (!ReportListMismatch(kDefaultKey, mismatch, TICKET_TYPE_INT32).empty()) return 0;
        const int64_t element = base + d;
        if (element < 0 || element > INT32_MAX) return 0;
        const int32_t value = GetTicketIntAt(m_pTicket, TICKET_SCOPE_PRINTER_INFO, model, kValueKey,
                                             static_cast<int32_t>(element), 0, &mismatch);
        ReportListMismatch(kValueKey, mismatch, TICKET_TYPE_INT32);
        return value;
    }
    return 0;
}
