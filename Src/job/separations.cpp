// Which separations a job prints, and which printer spot inks it uses.
#include <algorithm>
#include <cctype>

#include "base/format.h"
#include "host/ticket.h"
#include "job/varn_prn.h"

namespace {

constexpr const char* kProcessNames[4] = {"CYAN", "MAGENTA", "YELLOW", "BLACK"};

void LogUpperCased(CVarnPrn& job, const char* heading, std::vector<std::string>& list) {
    job.Log(LOG_DETAIL, "%s", heading);
    for (std::string& text : list) {
        for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        job.Log(LOG_DETAIL, "\t\t%s", EscapeControlBytes(text).c_str());
    }
}

std::vector<int32_t> ModuloFour(size_t n) {
    std::vector<int32_t> ids(n);
    for (size_t i = 0; i < n; ++i) ids[i] = static_cast<int32_t>(i % 4);
    return ids;
}

bool AnyContains(const std::vector<std::string>& list, const std::string& name) {
    return std::any_of(list.begin(), list.end(),
                       [&](const std::string& text) { return text.find(name) != std::string::npos; });
}

}  // namespace

void CVarnPrn::BuildSeparationIndex() {
    m_bPrintSeparations = JobInt("Process/PrintSeparations", 0) == 1;
    if (!m_bPrintSeparations) return;
    m_bSeparationsBlack = JobInt("Workflow/SeparationsBlack", 0) != 0;

    std::vector<std::string> inputColors;
    std::vector<std::string> spotColors;
    JobList("Input/Colors", inputColors);
    JobList("Process/SeparationNames", m_vSeparationNames);
    JobList("Input/SpotColors", spotColors);
    const char* idsKey = "Process/ColorsforDotcreatorID";
    if (!JobList(idsKey, m_vDotCreatorIDs)) {
        m_vDotCreatorIDs = ModuloFour(m_vSeparationNames.size());
        Ticket_SetIntArray(m_pTicket, TICKET_SCOPE_JOB, m_JobID, idsKey, m_vDotCreatorIDs);
    }
    if (m_vSeparationNames.size() > inputColors.size() && !inputColors.empty() &&
        inputColors.size() == m_vDotCreatorIDs.size()) {
        m_vSeparationNames = inputColors;
        Ticket_SetStringArray(m_pTicket, TICKET_SCOPE_JOB, m_JobID, "Process/SeparationNames", m_vSeparationNames);
    }

    LogUpperCased(*this, "\tInput->Colors", inputColors);
    LogUpperCased(*this, "\tProcess->PrintSeparations", m_vSeparationNames);
    LogUpperCased(*this, "\tInput->Spotcolors", spotColors);

    m_vSeparationIndex.clear();
    if (m_vDotCreatorIDs.empty()) {
        for (const std::string& color : inputColors) {
            int screen = 3;
            for (int s = 0; s < 4; ++s) {
                if (color.find(kProcessNames[s]) != std::string::npos) {
                    screen = s;
                    break;
                }
            }
            m_vSeparationIndex.push_back(screen);
        }
    } else {
        Log(LOG_DETAIL, "Process->PrintSeparations 2.6 mode");
        if (m_vDotCreatorIDs.size() < m_vSeparationNames.size()) {
            Ticket_SetIntArray(m_pTicket, TICKET_SCOPE_JOB, m_JobID, idsKey, {});
            m_vDotCreatorIDs = ModuloFour(m_vSeparationNames.size());
        }
        size_t name = 0;
        for (size_t c = 0; c < inputColors.size() && name < m_vSeparationNames.size(); ++c) {
            if (inputColors[c] != m_vSeparationNames[name]) continue;
            m_vSeparationIndex.push_back(m_vDotCreatorIDs[name]);
            Log(LOG_DETAIL, "%s->%d", EscapeControlBytes(m_vSeparationNames[name]).c_str(), m_vDotCreatorIDs[name]);
            ++name;
        }
    }
    if (m_vSeparationIndex.empty()) {
        m_vSeparationIndex = {0, 1, 2, 3};
        for (size_t i = 4; i < m_vSeparationNames.size(); ++i) m_vSeparationIndex.push_back(3);
    }
    Log(LOG_DETAIL, "\tSeparation Index");
    for (int index : m_vSeparationIndex) Log(LOG_DETAIL, "\t\t%d", index);
}

bool CVarnPrn::JobHasPrinterSpotSeparation(const std::string& name) {
    const char* kSeparations = "Process/PrinterSpotSeparations";
    const char* kDefinitions = "Input/ValidSpotColorDefinition";
    if (JobInt("Output/Prn/Specific/White/GenerationPerformedByKernel", -1) > 0 && name == "WHITE_INK") {
        int mode = JobInt("Output/Prn/Specific/White/Mode", -1);
        if (mode == 3) {
            Log(LOG_WARNING, "CVarnPrn::JobHasPrinterSpotSeparation KERNEL White Mode OFF");
            return false;
        }
        Log(LOG_WARNING, "CVarnPrn::JobHasPrinterSpotSeparation KERNEL White Mode = %d", mode);
        return true;
    }
    std::vector<int32_t> children;
    if (JobInt("Input/FileType", 0) == 4096 &&
        JobList("General/ChildIDs", children)) {
        Log(LOG_WARNING, "CVarnPrn::JobHasPrinterSpotSeparation: White in Nesting with parent ID %d",
            static_cast<int>(m_JobID));
        for (int32_t child : children) {
            auto id = static_cast<uint32_t>(child);
            if (FindTicketStringIndex(m_pTicket, TICKET_SCOPE_JOB, id, kSeparations, name) >= 0) return true;
            std::vector<std::string> definitions;
            ReadTicketList(TICKET_SCOPE_JOB, id, kDefinitions, definitions);
            if (AnyContains(definitions, name)) return true;
        }
        return false;
    }
    Log(LOG_WARNING, "CVarnPrn::JobHasPrinterSpotSeparation: White in simple/tiled Job with ID %d",
        static_cast<int>(m_JobID));
    if (FindTicketStringIndex(m_pTicket, TICKET_SCOPE_JOB, m_JobID, kSeparations, name) >= 0) return true;
    auto parent = static_cast<uint32_t>(JobInt("General/ParentID", -1));
    if (FindTicketStringIndex(m_pTicket, TICKET_SCOPE_JOB, parent, kSeparations, name) >= 0) return true;
    std::vector<std::string> definitions;
    JobList(kDefinitions, definitions);
    return AnyContains(definitions, name);
}
