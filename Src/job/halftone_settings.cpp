// The halftoning mode and version the linearisation library chose, and the
// screening file that a matrix-screening mode needs.
#include <fstream>

#include "base/format.h"
#include "base/input_file.h"
#include "host/job_ticket.h"
#include "host/settings_helpers.h"
#include "host/ticket.h"
#include "job/varn_prn.h"

namespace {

bool InRange(int v, int lo, int hi) { return v >= lo && v <= hi; }

// The screening file a printer model uses when the ticket names none (or
// the mode takes the model's own).
std::string ModelScreeningFile(int model, double dpiX, double dpiY, int resX, int resY) {
    const bool at1200 = dpiX == 1200.0 && dpiY == 1200.0;
    if (model == 572) return at1200 ? "OKIC9500_1200x1200.spt" : "Laser.spt";
    if (model == 588 || model == 589) return at1200 ? "OKIC841_1200x1200.spt" : "Laser.spt";
    if (InRange(model, 595, 608) || model == 2502 || model == 2503 || model == 2505) {
        return at1200 ? "OKIC9x1_1200x1200.spt" : "Laser.spt";
    }
    if (model == 573 || InRange(model, 575, 587) || InRange(model, 590, 594) || model == 2500 || model == 2501 ||
        InRange(model, 3001, 3005)) {
        return "Laser.spt";
    }
    std::string name;
    FormatString(name, "%d_%dx%ddpi.spt", model, resX, resY);
    return name;
}

}  // namespace

bool CVarnPrn::ReadHalftoneSettings() {
    GetTicketIntDirect(m_pTicket, TICKET_SCOPE_JOB, m_JobID, "Output/Prn/BPL/HalftoneMode", &m_iHalftoneMode);
    m_iHalftoneVersion = JobInt("Output/Prn/BPL/HalftoneVersion", 1);
    Log(LOG_DETAIL, "\tHalftoning mode\t= %d", m_iHalftoneMode);
    Log(LOG_DETAIL, "\tHalftoning version\t= %d", m_iHalftoneVersion);
    std::string name = JobString("Output/Prn/BPL/ScreeningFile");
    if (!UsesScreeningFile(m_iHalftoneMode, m_iPrinterModell)) return true;

    const std::array<std::string, 2> folders =
        ScreeningFolders(m_strEplPath, SystemString("System/Folders/SPT"), m_strInstallFolder);
    const std::string& libraryFolder = folders[0];
    const std::string& screeningFolder = folders[1];

    if (name.empty() || m_iHalftoneMode == 7) {
        name = ModelScreeningFile(m_iPrinterModell, m_dResolutionX, m_dResolutionY, m_iResolutionX, m_iResolutionY);
    }
    if (name.empty()) {
        m_strScreeningFile.clear();
        Log(LOG_ERROR, "FATAL ERROR: No screening file specified");
        return false;
    }
    // The first folder that holds a file of the name; something else under
    // the name (a folder, a FIFO, a file that cannot be opened) is named with
    // its fault rather than as not found.
    std::string fault;
    for (const std::string& folder : folders) {
        m_strScreeningFile = folder + name;
        const OpenedFile opened = OpenFileToRead(m_strScreeningFile);
        if (opened) {
            Log(LOG_DETAIL, "\tScreening file\t= %s", EscapeControlBytes(m_strScreeningFile).c_str());
            return true;
        }
        if (fault.empty() && !opened.Missing()) {
            fault = "\"" + EscapeControlBytes(m_strScreeningFile) + "\" " + opened.Reason();
        }
    }
    m_strScreeningFile = name;
    if (fault.empty()) {
        Log(LOG_ERROR, "FATAL ERROR: Screening file \"%s\" not found", EscapeControlBytes(name).c_str());
        fault = "\"" + EscapeControlBytes(name) + "\" not found in \"" + EscapeControlBytes(libraryFolder) +
                "\" or \"" + EscapeControlBytes(screeningFolder) + "\"";
    } else {
        Log(LOG_ERROR, "FATAL ERROR: Screening file %s", fault.c_str());
    }
    SetErrorMessage("Reredir.uze: Screening file " + fault);
    return false;
}
