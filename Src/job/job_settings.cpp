// The settings reader, first half: frame and order, identity, colour,
// linearisation, geometry and medium, and every way the reading fails.
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <new>
#include <tuple>
#include <utility>

#include "base/format.h"
#include "base/input_file.h"
#include "halftone/rgb_table.h"
#include "host/job_ticket.h"
#include "base/rounding.h"
#include "host/settings_helpers.h"
#include "host/ticket.h"
#include "job/job_scaling.h"
#include "job/varn_prn.h"

namespace {

constexpr const char* kErrorList = "Process/ErrorMessage";
constexpr const char* kInfoList = "Process/InfoMessage";
constexpr const char* kResolutionXKey = "Output/Prn/Printer/ResolutionX";
constexpr const char* kResolutionYKey = "Output/Prn/Printer/ResolutionY";
constexpr const char* kMediaWidthKey = "Output/Prn/Media/Size/Width";
constexpr const char* kMediaHeightKey = "Output/Prn/Media/Size/Height";

bool FileExists(const std::string& path) {
    std::error_code ec;
    return !path.empty() && std::filesystem::exists(path, ec);
}

void DropAll(std::vector<std::string>& list, const std::string& text) {
    list.erase(std::remove(list.begin(), list.end(), text), list.end());
}

// A message list of the job, rewritten whole after the texts of an earlier
// run are dropped from it. A list with an element that is no text is not
// rewritten, so that nothing in it is lost: the texts dropped are deleted
// from it one by one, and a text added is appended unless it is there
// already (a text is never there twice).
class MessageList {
public:
    MessageList(const Ticket* ticket, uint32_t id, const char* key) : m_ticket(ticket), m_key(key) {
        TicketListMismatch mismatch;
        Ticket_GetStringArray(ticket, TICKET_SCOPE_JOB, id, key, m_texts, &mismatch);
        m_bWhole = mismatch.index < 0;
    }
    void Drop(const std::string& text) {
        DropAll(m_texts, text);
        m_dropped.push_back(text);
    }
    void Add(const std::string& text) {
        m_texts.push_back(text);
        m_added.push_back(text);
    }
    void WriteTo(uint32_t id) const {
        if (m_bWhole) {
            Ticket_SetStringArray(m_ticket, TICKET_SCOPE_JOB, id, m_key, m_texts);
            return;
        }
        for (const std::string& text : m_dropped) {
            if (std::find(m_added.begin(), m_added.end(), text) == m_added.end()) Keep(id, text, false);
        }
        for (const std::string& text : m_added) Keep(id, text, true);
    }

private:
    // Deletes every copy of text from the host's list but the first when
    // it is to stay; appends it when it is to stay and is not there.
    void Keep(uint32_t id, const std::string& text, bool stays) const {
        bool kept = false;
        for (int32_t from = 0;;) {
            const int32_t index = FindTicketTextIndex(m_ticket, TICKET_SCOPE_JOB, id, m_key, text, from);
            if (index < 0) break;
            if (stays && !kept) {
                kept = true;
                from = index + 1;
            } else {
                // A copy the host will not delete is passed over.
                from = DeleteTicketValue(m_ticket, TICKET_SCOPE_JOB, id, m_key, index) ? index : index + 1;
            }
        }
        if (stays && !kept) SetTicketStringValue(m_ticket, TICKET_SCOPE_JOB, id, m_key, text, TICKET_INDEX_APPEND);
    }

    const Ticket* m_ticket;
    const char* m_key;
    std::vector<std::string> m_texts;
    std::vector<std::string> m_dropped;
    std::vector<std::string> m_added;
    bool m_bWhole = true;
};

}  // namespace

// ---------------------------------------------------------------------------
// Ticket reads of this job

// A key that the host holds under another type than the one read counts as
// missing; the user is told which key and which types, since the job then
// runs on the key's default.
void CVarnPrn::ReportTypeMismatch(uint32_t scope, uint32_t id, const char* key, uint32_t expected) {
    const uint32_t found = GetTicketStoredType(m_pTicket, scope, id, key);
    if (found == 0 || found == expected) return;
    const std::string text = StringF("Ticket key \"%s\" is stored as %s but read as %s; ignored",
                                     EscapeControlBytes(key).c_str(), TicketTypeName(found).c_str(),
                                     TicketTypeName(expected).c_str());
    Log(LOG_WARNING, "CVarnPrn::ReadInfoFromTicket: %s", text.c_str());
    UpdateInfoMessage(true, text);
}

std::string CVarnPrn::ReportListMismatch(const char* key, const TicketListMismatch& mismatch, uint32_t expected) {
    if (mismatch.index < 0) return std::string();
    std::string text =
        StringF("Ticket key \"%s\" element %d is stored as %s but read as %s; the list is ignored",
                EscapeControlBytes(key).c_str(), mismatch.index, TicketTypeName(mismatch.storedType).c_str(),
                TicketTypeName(expected).c_str());
    Log(LOG_WARNING, "CVarnPrn::ReadInfoFromTicket: %s", text.c_str());
    UpdateInfoMessage(true, text);
    return text;
}

bool CVarnPrn::ReadTicketList(uint32_t scope, uint32_t id, const char* key, std::vector<int32_t>& out) {
    TicketListMismatch mismatch;
    const bool read = Ticket_GetIntArray(m_pTicket, scope, id, key, out, &mismatch);
    ReportListMismatch(key, mismatch, TICKET_TYPE_INT32);
    return read;
}

bool CVarnPrn::ReadTicketList(uint32_t scope, uint32_t id, const char* key, std::vector<double>& out) {
    TicketListMismatch mismatch;
    const bool read = Ticket_GetDoubleArray(m_pTicket, scope, id, key, out, &mismatch);
    ReportListMismatch(key, mismatch, TICKET_TYPE_DOUBLE);
    return read;
}

bool CVarnPrn::ReadTicketList(uint32_t scope, uint32_t id, const char* key, std::vector<std::string>& out) {
    TicketListMismatch mismatch;
    const bool read = Ticket_GetStringArray(m_pTicket, scope, id, key, out, &mismatch);
    ReportListMismatch(key, mismatch, TICKET_TYPE_STRING);
    return read;
}

int CVarnPrn::JobInt(const char* key, int def) {
    int32_t value = 0;
    if (GetTicketIntDirect(m_pTicket, TICKET_SCOPE_JOB, m_JobID, key, &value)) return value;
    ReportTypeMismatch(TICKET_SCOPE_JOB, m_JobID, key, TICKET_TYPE_INT32);
    return def;
}

bool CVarnPrn::JobBool(const char* key, bool def) {
    int32_t value = 0;
    if (GetTicketIntDirect(m_pTicket, TICKET_SCOPE_JOB, m_JobID, key, &value)) return value != 0;
    ReportTypeMismatch(TICKET_SCOPE_JOB, m_JobID, key, TICKET_TYPE_INT32);
    return def;
}

double CVarnPrn::JobDouble(const char* key, double def) {
    double value = 0.0;
    if (GetTicketDoubleAt(m_pTicket, TICKET_SCOPE_JOB, m_JobID, key, &value, TICKET_INDEX_SCALAR)) return value;
    ReportTypeMismatch(TICKET_SCOPE_JOB, m_JobID, key, TICKET_TYPE_DOUBLE);
    return def;
}

std::string CVarnPrn::JobString(const char* key, const std::string& def) {
    std::string value;
    if (Ticket_GetString(m_pTicket, TICKET_SCOPE_JOB, m_JobID, key, value, TICKET_INDEX_SCALAR)) return value;
    ReportTypeMismatch(TICKET_SCOPE_JOB, m_JobID, key, TICKET_TYPE_STRING);
    return def;
}

int CVarnPrn::SystemInt(const char* key, int def) {
    int32_t value = 0;
    if (GetTicketIntDirect(m_pTicket, TICKET_SCOPE_SYSTEM, 0, key, &value)) return value;
    ReportTypeMismatch(TICKET_SCOPE_SYSTEM, 0, key, TICKET_TYPE_INT32);
    return def;
}

std::string CVarnPrn::SystemString(const char* key) {
    std::string value;
    if (Ticket_GetString(m_pTicket, TICKET_SCOPE_SYSTEM, 0, key, value, TICKET_INDEX_SCALAR)) return value;
    ReportTypeMismatch(TICKET_SCOPE_SYSTEM, 0, key, TICKET_TYPE_STRING);
    return {};
}

void CVarnPrn::ReplaceListMessage(const char* key, const std::string& text) {
    MessageList list(m_pTicket, m_JobID, key);
    list.Drop(text);
    list.Add(text);
    list.WriteTo(m_JobID);
}

void CVarnPrn::InitPluginFolder() {
    GetSystemFolderPath(m_strPlugInFolder, m_pTicket, "System/Folders/ApplicationFolder");
    m_strPlugInFolder += "/PlugIns/";
}

// ---------------------------------------------------------------------------
// The reader

int CVarnPrn::ReadInfoFromTicket() {
    // A refused job prints nothing, cropped or not: no crop notice stays.
    int r = 0;
    try {
        r = ReadSettingsInOrder();
    } catch (const JobSettingsAbort&) {
        UpdateInfoMessage(false, kImageCroppedInfo);
        throw;
    }
    if (r < 0) UpdateInfoMessage(false, kImageCroppedInfo);
    return r;
}

int CVarnPrn::ReadSettingsInOrder() {
    m_iLogLevel = SystemInt("Debug/Level", 1);
    int prnLevel = SystemInt("Debug/Prn", 1);
    if (prnLevel > m_iLogLevel) m_iLogLevel = prnLevel;
    if (m_pLogger) m_pLogger->SetLevel(m_iLogLevel);
    Log(LOG_DETAIL, "ReadInfoFromTicket start");

    ReadFoldersAndIni();
    if (int r = ReadPrinterIdentity(); r < 0) return r;
    ReadFilesToDelete();
    if (int r = CheckLinearisationPrinter(); r < 0) return r;
    ReadInputColorsAndInkLimits();
    if (int r = ReadMediaNameAndLinearisation(); r < 0) return r;
    ReadVisualCorrectionSettings();
    ReadResolutions();
    if (int r = CheckResolutions(); r < 0) return r;
    if (int r = ReadOutputGeometry(); r < 0) return r;
    ApplyFooterRules();
    ReadPaperFeedAndGeometry();
    if (int r = CheckCrop(); r < 0) return r;
    if (int r = ReadMediaSize(); r < 0) return r;
    if (int r = CheckMediumFitsResolutions(); r < 0) return r;
    if (int r = CheckScaleFitsThePage(); r < 0) return r;

    ReadMediaHandling();
    if (int r = ReadHeadHeight(); r < 0) return r;
    ReadPageSettings();
    if (!ReadHalftoneSettings()) return -2;
    ReadPrintOptions();
    ReadFinishingOptions();
    ReadJobIdentity();
    ReadOfficeOptions();
    ReadSpecialInks();
    BuildSeparationIndex();
    ReadClcSettings();
    ReadOutputNames();
    ReadSpotColorsAndStrips();
    ReadChartInfo();
    ReadLastOptions();
    ReadDeviceTag();
    return 0;
}

void CVarnPrn::ReadFoldersAndIni() {
    m_strInstallFolder = SystemString("System/InstallFolder");
    m_strApplicationFolder = SystemString("System/Folders/ApplicationFolder");
    m_strTempFolder = SystemString("System/Folders/Temp");
    m_strRamDiskFolder = SystemString("System/Folders/RamDisk");
    if (m_strRamDiskFolder.empty()) m_strRamDiskFolder = m_strTempFolder;
    m_strPrintFolder = SystemString("System/Folders/Print");
    InitPluginFolder();
    ReadIniSettings(m_strInstallFolder);
}

int CVarnPrn::ReadPrinterIdentity() {
    m_iOemID = SystemInt("System/OEMID", 0);
    m_iPrinterModell = JobInt("Output/Prn/Printer/Model", -1);
    if (m_iPrinterModell == -1) {
        Log(LOG_ERROR, "CVarnPrn::ReadInfoFromTicket: Printer ID not set; this is a fatal error");
        return -1;
    }
    m_strModelName = JobString("Output/Prn/Printer/ModelName");
    m_strOutputColorModeName = JobString("Output/Prn/Printer/OutputColorModeName");
    m_iOutputColorMode = JobInt("Output/Prn/Printer/OutputColorMode", -1);
    if (m_iOutputColorMode == -1) {
        Log(LOG_WARNING, "CVarnPrn::ReadInfoFromTicket: Output color mode not set; set to CMYKcm");
        m_iOutputColorMode = 6;
    }
    return 0;
}

void CVarnPrn::ReadFilesToDelete() {
    const char* key = "Output/FilesToDelete";
    bool anyMissing = false;
    std::string path;
    for (int32_t i = 0; Ticket_GetString(m_pTicket, TICKET_SCOPE_JOB, m_JobID, key, path, i); ++i) {
        if (FileExists(path)) {
            m_setFilesToDelete.insert(path);
        } else {
            anyMissing = true;
        }
    }
    if (anyMissing) {
        std::vector<std::string> kept(m_setFilesToDelete.begin(), m_setFilesToDelete.end());
        Ticket_SetStringArray(m_pTicket, TICKET_SCOPE_JOB, m_JobID, key, kept);
    }
}

int CVarnPrn::CheckLinearisationPrinter() {
    int manufacturer = JobInt("Output/Prn/Printer/ManufacturerID", -1);
    if (manufacturer == 3 || manufacturer == 6) return 0;
    std::vector<int32_t> ids;
    if (!JobList("Output/Prn/Info/Manufacturer/PrnID", ids)) {
        return 0;
    }
    if (std::find(ids.begin(), ids.end(), m_iPrinterModell) != ids.end()) return 0;
    ReplaceListMessage(kErrorList, "Invalid EPL; Wrong printer ID");
    Log(LOG_ERROR, "CVarnPrn::ReadInfoFromTicket: Invalid EPL; printer ID of job != printer ID in EPL");
    return -1;
}

void CVarnPrn::ReadInputColorsAndInkLimits() {
    m_iInputColorMode = JobInt("Output/Prn/Printer/InputColorMode", 4);
    switch (m_iInputColorMode) {
    case 3: Log(LOG_INFO, "CVarnPrn::ReadInfoFromTicket: input color = RGB"); break;
    case 4: Log(LOG_INFO, "CVarnPrn::ReadInfoFromTicket: input color = CMYK"); break;
    case 6: Log(LOG_INFO, "CVarnPrn::ReadInfoFromTicket: input color = CMYKOG"); break;
    case 7: Log(LOG_INFO, "CVarnPrn::ReadInfoFromTicket: input color = CMYKRGB"); break;
    default: break;
    }
    m_iInputFormat = JobInt("Output/Input/Format", 0);
    m_iInputNumOfLines = JobInt("Output/Input/NumOfLines", 1);

    m_iTotalInkLimit = JobInt("Output/Prn/Linearization/TotalInk", -1);
    if (m_iTotalInkLimit == -1) {
        Log(LOG_WARNING, "CVarnPrn::ReadInfoFromTicket: Total ink limit not set; set to 400%%");
        bool noLimit = m_iOutputColorMode >= 120 && m_iOutputColorMode <= 122;
        m_iTotalInkLimit = noLimit ? 0 : 400;
    } else {
        Log(LOG_DETAIL, "\tTotal ink limit = %d", m_iTotalInkLimit);
    }
    m_iInkLimitAll = JobInt("Output/Prn/Linearization/InkLimit", 100);
    Log(LOG_DETAIL, "\tInk limit all = %d", m_iInkLimitAll);
    m_dGamma = JobDouble("Output/Prn/Linearization/Gamma", 1.0);
    Log(LOG_DETAIL, "\tGamma = %4.2f", m_dGamma);

    size_t n = m_iInputColorMode == 6 ? 6 : m_iInputColorMode == 7 ? 7 : 4;
    constexpr const char* kPerChannelKey = "Output/Prn/Linearization/InkLimitPerChannel";
    TicketListMismatch mismatch;
    const bool perChannel =
        Ticket_GetIntArrayN(m_pTicket, TICKET_SCOPE_JOB, m_JobID, kPerChannelKey, m_aiInkLimitPerChannel.data(), n,
                            &mismatch);
    ReportListMismatch(kPerChannelKey, mismatch, TICKET_TYPE_INT32);
    if (perChannel) {
        const auto& v = m_aiInkLimitPerChannel;
        Log(LOG_DETAIL, "\tInk limit");
        Log(LOG_DETAIL, "\t\tCyan\t\t= %4.2f%%", v[0] / 100.0);
        Log(LOG_DETAIL, "\t\tMagenta\t= %4.2f%%", v[1] / 100.0);
        Log(LOG_DETAIL, "\t\tYellow\t= %4.2f%%", v[2] / 100.0);
        Log(LOG_DETAIL, "\t\tBlack\t= %4.2f%%", v[3] / 100.0);
        if (m_iInputColorMode == 6) {
            Log(LOG_DETAIL, "\t\tOrange\t= %4.2f%%", v[4] / 100.0);
            Log(LOG_DETAIL, "\t\tGreen\t= %4.2f%%", v[5] / 100.0);
        } else if (m_iInputColorMode == 7) {
            Log(LOG_DETAIL, "\t\tRed\t= %4.2f%%", v[4] / 100.0);
            Log(LOG_DETAIL, "\t\tGreen\t= %4.2f%%", v[5] / 100.0);
            Log(LOG_DETAIL, "\t\tBlue\t= %4.2f%%", v[6] / 100.0);
        }
    }
}

int CVarnPrn::ReadMediaNameAndLinearisation() {
    m_strMediaName = JobString("Output/Prn/Media/Name");
    m_strEplPath = JobString("Output/Prn/Linearization/BPLPath");
    if (m_strEplPath.empty()) {
        Log(LOG_ERROR, "CVarnPrn::ReadInfoFromTicket: EPL path not set; this is a fatal error");
        return -2;
    }
    Log(LOG_DETAIL, "\tEpl path = %s", EscapeControlBytes(m_strEplPath).c_str());

    if (!JobString("Output/Prn/Linearization/Printercalibration").empty()) {
        std::unique_ptr<uint8_t[]> table(new (std::nothrow) uint8_t[kEplRgbTableSize]());
        int r = table ? LoadEplRgbTable(table.get(), m_strEplPath) : -1;
        if (r == 0) {
            m_pEplRgbTable = std::move(table);
            m_bEplRgbTableLoaded = true;
        } else {
            Log(LOG_DETAIL, "\tNo RGB table from the linearisation library (%d)", r);
        }
    }
    return 0;
}

void CVarnPrn::ReadVisualCorrectionSettings() {
    if (JobInt("CMM/UseVisualCorrection", 0) != 1) {
        m_strVisualCorrectionPath.clear();
        return;
    }
    m_strVisualCorrectionPath = JobString("CMM/VisualCorrection");
    Log(LOG_DETAIL, "\tLinearisation path = %s", EscapeControlBytes(m_strVisualCorrectionPath).c_str());
    // A folder, a device or a file whose read fails counts as a file that
    // cannot be opened.
    std::vector<char> text;
    if (!ReadFileBytes(m_strVisualCorrectionPath, text)) {
        Log(LOG_DETAIL, "\tCan't open visual correction file (%s)",
            EscapeControlBytes(m_strVisualCorrectionPath).c_str());
        const std::string message = "Printer linearization cannot be processed";
        std::string withName;
        FormatString(withName, "%s (%s)", message.c_str(),
                     EscapeControlBytes(FileNameOf(ForwardSlashes(m_strVisualCorrectionPath))).c_str());
        MessageList list(m_pTicket, m_JobID, kErrorList);
        list.Drop(message);
        list.Drop(withName);  // the same message of an earlier run
        list.Add(withName);
        list.WriteTo(m_JobID);
        m_strVisualCorrectionPath.clear();
        return;
    }
    m_bVisualCorrectionLoaded = ReadVisualCorrectionText(m_VisualCorrection, text, m_strVisualCorrectionPath);
}

void CVarnPrn::ReadResolutions() {
    m_dResolutionX = JobDouble(kResolutionXKey, 0.0);
    m_dResolutionY = JobDouble(kResolutionYKey, 0.0);
    int antialiasing = JobInt("Output/Prn/Specific/Antialiasing", 0);
    if (antialiasing > 0 && IsModel3001Group(m_pTicket, m_JobID)) {
        m_dResolutionX *= 2.0;
        m_dResolutionY *= 2.0;
    }
    m_iResolutionX = RoundToInt32(m_dResolutionX);
    m_iResolutionY = RoundToInt32(m_dResolutionY);
    if (m_dResolutionX == m_iResolutionX && m_dResolutionY == m_iResolutionY) {
        Log(LOG_DETAIL, "\tResolution = %d x %d dpi", m_iResolutionX, m_iResolutionY);
    } else {
        Log(LOG_DETAIL, "\tResolution = %.2f x %.2f dpi", m_dResolutionX, m_dResolutionY);
    }
}

int CVarnPrn::ReadOutputGeometry() {
    m_dRipResolutionX = JobDouble("Output/Input/RipResolutionX", m_dResolutionX);
    m_dRipResolutionY = JobDouble("Output/Input/RipResolutionY", m_dResolutionY);
    m_iJobOffsetX = JobInt("Process/JobOffsetX", 0);
    m_iJobOffsetY = JobInt("Process/JobOffsetY", 0);
    m_iOffsetX = JobInt("Process/OffsetX", 0);
    m_iOffsetY = JobInt("Process/OffsetY", 0);
    bool width = GetTicketIntDirect(m_pTicket, TICKET_SCOPE_JOB, m_JobID, "Process/OutWidthPixel", &m_iOutWidthPixel);
    bool height =
        GetTicketIntDirect(m_pTicket, TICKET_SCOPE_JOB, m_JobID, "Process/OutHeightPixel", &m_iOutHeightPixel);
    Log(LOG_DETAIL, "\tRip resolution = %.2f x %.2f dpi", m_dRipResolutionX, m_dRipResolutionY);
    if (!width) ReportTypeMismatch(TICKET_SCOPE_JOB, m_JobID, "Process/OutWidthPixel", TICKET_TYPE_INT32);
    if (!height) ReportTypeMismatch(TICKET_SCOPE_JOB, m_JobID, "Process/OutHeightPixel", TICKET_TYPE_INT32);
    if (!width || !height) {
        Log(LOG_ERROR, "CVarnPrn::ReadInfoFromTicket: Width or Height is not set; this is a fatal error");
        return -3;
    }
    return 0;
}

void CVarnPrn::ApplyFooterRules() {
    bool nesting = JobInt("Input/FileType", 0) == 4096;
    bool footer = JobInt("Footer/State", 0) != 0 &&
                  JobBool(nesting ? "Footer/Nesting/UseFooter" : "Footer/UseFooter", false);
    bool strip = JobInt(nesting ? "Footer/Nesting/ControlstripMode" : "Footer/ControlstripMode", 0) != 0;
    bool aligned = JobInt(nesting ? "Footer/Nesting/Alignment" : "Footer/Alignment", 0) != 0;
    if ((footer || strip) && !aligned) m_iJobOffsetX = 0;
    // Added wide: a height beyond the 32-bit range is held at its end.
    const int32_t footerHeight = JobInt("Process/FooterHeight", 0);
    const int64_t height = int64_t{m_iOutHeightPixel} + footerHeight;
    m_iOutHeightPixel = ClampToInt32(static_cast<double>(height));
    if (m_iOutHeightPixel != height) {
        Log(LOG_WARNING, "CVarnPrn::ReadInfoFromTicket: Process/FooterHeight %d makes the height %lld; set to %d",
            footerHeight, static_cast<long long>(height), m_iOutHeightPixel);
    }
}

void CVarnPrn::ReadPaperFeedAndGeometry() {
    m_dPaperFeedAdjust = JobDouble("Output/Prn/Media/Spec/FeedAdjust", 1.0);
    m_dFeedAdjustRequested = m_dPaperFeedAdjust;
    Log(LOG_DETAIL, "\tPaper feed adjust = %4.4f", m_dPaperFeedAdjust);
    ClipPaperFeedAdjust();
    SetupScaling();
    InitMargins();
}

int CVarnPrn::CheckCrop() {
    const std::string cropped = kImageCroppedInfo;
    const std::string tooLarge = "Job is larger than print medium size";
    MessageList info(m_pTicket, m_JobID, kInfoList);
    MessageList errors(m_pTicket, m_JobID, kErrorList);
    info.Drop(cropped);
    errors.Drop(tooLarge);

    if (m_bCropping && (int64_t{m_iOutWidthPixel} - m_iPrintableWidth > 1 ||
                        int64_t{m_iOutHeightPixel} - m_iPrintableHeight > 1)) {
        if (JobInt("Workflow/Processing/StopOnCrop", 0) != 0) {
            errors.Add(tooLarge);
            errors.WriteTo(m_JobID);
            if (JobInt("StepRepeat/Active", 0) != 0) {
                errors.WriteTo(static_cast<uint32_t>(JobInt("General/ChildIDs", -1)));
            }
            Log(LOG_ERROR, "CVarnPrn::ReadInfoFromTicket: Image cropped and StopOnCrop flag set, aborting...");
            return -5;
        }
        info.Add(cropped);
        if (JobBool("StepRepeat/Active", false)) {
            info.WriteTo(static_cast<uint32_t>(JobInt("General/ChildIDs", -1)));
        }
    }
    info.WriteTo(m_JobID);
    errors.WriteTo(m_JobID);
    Log(LOG_DETAIL, "\twidth x height = %d x %d pixel", m_iOutWidthPixel, m_iOutHeightPixel);
    return 0;
}

int CVarnPrn::ReadMediaSize() {
    double widthMm = 0.0;
    double heightMm = 0.0;
    bool width = GetTicketDoubleAt(m_pTicket, TICKET_SCOPE_JOB, m_JobID, kMediaWidthKey, &widthMm, TICKET_INDEX_SCALAR);
    bool height =
        GetTicketDoubleAt(m_pTicket, TICKET_SCOPE_JOB, m_JobID, kMediaHeightKey, &heightMm, TICKET_INDEX_SCALAR);
    m_iMediaWidth = ClampToInt32(widthMm * 10.0 + 0.5);
    m_iMediaHeight = ClampToInt32(heightMm * 10.0 + 0.5);
    m_dMediaThickness = 0.0;
    m_bMediaThicknessSet = GetTicketDoubleAt(m_pTicket, TICKET_SCOPE_JOB, m_JobID, "Output/Prn/Media/MediaThickness",
                                             &m_dMediaThickness, TICKET_INDEX_SCALAR);
    m_iMediaTypeID = JobInt("Output/Prn/Media/Spec/TypeID", 0);
    Log(LOG_DETAIL, "\tMedia ID = %d", m_iMediaTypeID);
    m_strMediaTypeName = JobString("Output/Prn/Media/Spec/TypeName");
    Log(LOG_DETAIL, "\tMedia name = %s", EscapeControlBytes(m_strMediaTypeName).c_str());
    m_strMediaTypeUniqueID = JobString("Output/Prn/Media/Spec/TypeUniqueID");
    if (!m_strMediaTypeUniqueID.empty()) {
        Log(LOG_DETAIL, "\tUnique ID = %s", EscapeControlBytes(m_strMediaTypeUniqueID).c_str());
    }
    m_strMediaTypeDonorID = JobString("Output/Prn/Media/Spec/TypeDonorID");
    if (!m_strMediaTypeDonorID.empty()) {
        Log(LOG_DETAIL, "\tDonor ID = %s", EscapeControlBytes(m_strMediaTypeDonorID).c_str());
    }

    if (!width || !height) {
        if (!width) ReportTypeMismatch(TICKET_SCOPE_JOB, m_JobID, kMediaWidthKey, TICKET_TYPE_DOUBLE);
        if (!height) ReportTypeMismatch(TICKET_SCOPE_JOB, m_JobID, kMediaHeightKey, TICKET_TYPE_DOUBLE);
        Log(LOG_ERROR, "CVarnPrn::ReadInfoFromTicket: Media width or height not set; this is a fatal error");
        SetErrorMessageF("Reredir.uze: \"%s\" not set", width ? kMediaHeightKey : kMediaWidthKey);
        return -4;
    }
    Log(LOG_DETAIL, "\tMedia width x height = %4.2f x %4.2f mm", widthMm, heightMm);
    // A medium of no size holds no page.
    for (const auto& [key, mm] : {std::pair{kMediaWidthKey, widthMm}, std::pair{kMediaHeightKey, heightMm}}) {
        if (mm > 0.0 && std::isfinite(mm)) continue;
        return RefuseSetting(-4, StringF("Reredir.uze: \"%s\" = %s mm is no media size", key,
                                         FormatGeneral(mm, 6).c_str()));
    }
    return 0;
}

int CVarnPrn::RefuseSetting(int code, const std::string& message) {
    Log(LOG_ERROR, "CVarnPrn::ReadInfoFromTicket: %s", message.c_str());
    SetErrorMessage(message);
    return code;
}

// The printer's resolutions: a missing, zero or negative one leaves no page.
int CVarnPrn::CheckResolutions() {
    for (const auto& [key, dpi] :
         {std::pair{kResolutionXKey, m_dResolutionX}, std::pair{kResolutionYKey, m_dResolutionY}}) {
        if (dpi > 0.0 && std::isfinite(dpi)) continue;
        double served = 0.0;
        if (!GetTicketDoubleAt(m_pTicket, TICKET_SCOPE_JOB, m_JobID, key, &served, TICKET_INDEX_SCALAR)) {
            return RefuseSetting(-3, StringF("Reredir.uze: \"%s\" not set", key));
        }
        return RefuseSetting(-3, StringF("Reredir.uze: \"%s\" = %s dpi is no resolution", key,
                                         FormatGeneral(served, 6).c_str()));
    }
    return 0;
}

// The page's pixels and lines at the printer's resolution are counted in 32
// bits: a medium with more has no count, and a picture scaled to it would
// halftone lines by the hundred million.
int CVarnPrn::CheckMediumFitsResolutions() {
    for (const auto& [resolutionKey, dpi, mediaKey, unit] :
         {std::tuple{kResolutionXKey, m_dResolutionX, kMediaWidthKey, "pixels across"},
          std::tuple{kResolutionYKey, m_dResolutionY, kMediaHeightKey, "lines"}}) {
        const double mm = JobDouble(mediaKey, 0.0);
        if (RoundHalfAwayFromZero(PrinterPixelsFromMm(mm, dpi)) <= INT32_MAX) continue;
        const std::string served = FormatGeneral(JobDouble(resolutionKey, 0.0), 15);
        return RefuseSetting(-3, StringF("Reredir.uze: \"%s\" = %s dpi gives the %s mm of \"%s\" more than %d "
                                         "printer %s", resolutionKey, served.c_str(), FormatGeneral(mm, 15).c_str(),
                                         mediaKey, INT32_MAX, unit));
    }
    return 0;
}

// The integer scale repeats each RIP pixel; one that is larger than the page
// (a RIP resolution near 0) would repeat a line more often than the page has
// lines.
int CVarnPrn::CheckScaleFitsThePage() {
    const int32_t pageWidth = RoundToInt32(m_iMediaWidth / 10.0 * m_dResolutionX / 25.4);
    const int32_t pageHeight = RoundToInt32(m_iMediaHeight / 10.0 * m_dResolutionY / 25.4);
    struct Axis {
        const char* key;
        double ripDpi;
        int32_t scale;
        int32_t pagePixels;
        const char* unit;
    };
    for (const Axis& a : {Axis{"Output/Input/RipResolutionX", m_dRipResolutionX, m_iScaleX, pageWidth, "pixels across"},
                          Axis{"Output/Input/RipResolutionY", m_dRipResolutionY, m_iScaleY, pageHeight, "lines"}}) {
        if (a.scale <= std::max(a.pagePixels, 1)) continue;
        return RefuseSetting(-3, StringF("Reredir.uze: \"%s\" = %s dpi scales each pixel by %d; the page has %d %s",
                                         a.key, FormatGeneral(a.ripDpi, 6).c_str(), a.scale, a.pagePixels, a.unit));
    }
    return 0;
}
