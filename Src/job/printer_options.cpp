// The settings reader, second half: printer options, head height, special
// inks, job identity and output names.
#include <algorithm>
#include <cmath>
#include <string>

#include "base/format.h"
#include "host/job_ticket.h"
#include "host/settings_helpers.h"
#include "host/ticket.h"
#include "job/varn_prn.h"

namespace {

const char* OnOff(bool on) { return on ? "on" : "off"; }

// A job-scope int that is corrected to a fallback when negative, with the
// correction's log line.
struct NonNegativeRule {
    const char* key;
    int def;
    int fallback;
    int level;
    const char* message;
};

}  // namespace

void CVarnPrn::ReadMediaHandling() {
    m_iAdjustCmyPercent = JobInt("Output/Prn/Specific/AdjustCmyPercent", 100);
    Log(LOG_DETAIL, "\tAdjustCmyPercent = %d", m_iAdjustCmyPercent);
    JobList("Output/Prn/Specific/UserTypesTIL", m_vUserTypesTIL);

    TicketBlob blob{nullptr, 0};
    GetTicketBlob(m_pTicket, &blob, TICKET_SCOPE_JOB, m_JobID, "Output/Prn/Specific/OkiJobAccountPJL", nullptr);
    if (blob.Data && blob.Size > 0) {
        m_strJobAccountPJL.assign(static_cast<const char*>(blob.Data), static_cast<size_t>(blob.Size));
    } else {
        m_strJobAccountPJL.clear();
    }

    JobList("Output/Prn/Specific/Heaters/Celsius", m_vHeatersCelsius);
    // The switches are read one by one; one of another type refuses them
    // all, and every heater takes the printer's own setting.
    constexpr const char* kUseKey = "Output/Prn/Specific/Heaters/UseValue";
    std::vector<bool> uses(m_vHeatersCelsius.size(), false);
    TicketListMismatch mismatch;
    for (size_t i = 0; i < uses.size() && mismatch.index < 0; ++i) {
        uses[i] = GetTicketBoolAt(m_pTicket, TICKET_SCOPE_JOB, m_JobID, static_cast<int32_t>(i), kUseKey, false,
                                  &mismatch);
    }
    if (!ReportListMismatch(kUseKey, mismatch, TICKET_TYPE_INT32).empty()) uses.assign(uses.size(), false);
    std::string text;
    for (size_t i = 0; i < m_vHeatersCelsius.size(); ++i) {
        double& value = m_vHeatersCelsius[i];
        if (!uses[i]) {
            value = -1.0;
            text += " PRN";
        } else if (value == -1.0) {
            text += " Prn";
        } else if (value == 0.0) {
            text += " Off";
        } else {
            AppendFormat(text, " %g", value);
        }
    }
    Log(LOG_DETAIL, "\tHeaters celsius = [%s ]", text.c_str());
}

int CVarnPrn::ReadHeadHeight() {
    const auto model = static_cast<uint32_t>(m_iPrinterModell);
    m_dTopFeed = JobDouble("Output/Prn/Specific/TopFeed", -1.0);
    m_dBottomFeed = JobDouble("Output/Prn/Specific/BottomFeed", -1.0);
    m_dHeadHeightMinMediaAlarm =
        GetTicketDouble(m_pTicket, TICKET_SCOPE_PRINTER_INFO, model, "Output/Prn/Info/Head/HeightMMMinMediaAlarm", -1.0);
    m_dHeadHeightMin = GetTicketDouble(m_pTicket, TICKET_SCOPE_PRINTER_INFO, model, "Output/Prn/Info/Head/HeightMMMin", 0.0);
    m_dHeadHeightMax = GetTicketDouble(m_pTicket, TICKET_SCOPE_PRINTER_INFO, model, "Output/Prn/Info/Head/HeightMMMax", 0.0);
    ReadTicketList(TICKET_SCOPE_PRINTER_INFO, model, "Output/Prn/Info/Head/HeightMMInSteps",
                          m_vHeadHeightSteps);
    m_bUseHeadHeight = JobBool("Output/Prn/Specific/Head/UseValue", false);
    if (!m_bUseHeadHeight) {
        m_dHeadHeight = 0.0;
        return 0;
    }
    if (m_dHeadHeightMinMediaAlarm < 0.0) {
        Log(LOG_WARNING,
            "\tJobticket contains a head height parameter on a printer without head height support. Stop.");
        throw JobSettingsAbort(-1);
    }
    m_dHeadHeight = JobDouble("Output/Prn/Specific/Head/Height", 0.0);
    Log(LOG_DETAIL, "\tGap/Head Height = [%.4f ]", m_dHeadHeight);
    if (m_dHeadHeight < m_dHeadHeightMin || m_dHeadHeight > m_dHeadHeightMax) {
        Log(LOG_WARNING, "\tGap/Head Height out of bound for this printer = [%.4f , %.4f ]. Stop.", m_dHeadHeightMin,
            m_dHeadHeightMax);
        throw JobSettingsAbort(-1);
    }
    if (!m_vHeadHeightSteps.empty() &&
        std::find(m_vHeadHeightSteps.begin(), m_vHeadHeightSteps.end(), m_dHeadHeight) == m_vHeadHeightSteps.end()) {
        // The second value names the nearest step the printer offers.
        double nearest = m_vHeadHeightSteps.front();
        for (double step : m_vHeadHeightSteps) {
            if (std::abs(step - m_dHeadHeight) < std::abs(nearest - m_dHeadHeight)) nearest = step;
        }
        Log(LOG_WARNING, "\tGap/Head Height not available = [%.4fmm, %.4fmm ]. Stop.", m_dHeadHeight, nearest);
        throw JobSettingsAbort(-1);
    }
    if (m_bMediaThicknessSet && m_dMediaThickness > 0.0) {
        double distance = m_dHeadHeight - m_dMediaThickness * 1000000.0;
        if (m_dHeadHeightMinMediaAlarm > distance) {
            Log(LOG_WARNING, "\tGap/Head to Media distance (%.4fmm) reached minimum. Stop.", distance);
            return -6;
        }
        return 0;
    }
    Log(LOG_WARNING, "\tNo Media thickness to check Gap/Head height. Stop");
    return -7;
}

void CVarnPrn::ReadPageSettings() {
    m_iMediaSizeID = JobInt("Output/Prn/Media/Size/ID", 0);
    m_bCustomMediaSize = m_iMediaSizeID >= 10000 && m_iMediaSizeID <= 19999;
    Log(LOG_DETAIL, "\tMedia size ID = %d%s", m_iMediaSizeID, m_bCustomMediaSize ? " (custom)" : "");
    m_iPageToPrint = JobInt("Process/PageToPrint", 0);
    Log(LOG_DETAIL, "\tPage number = %d", m_iPageToPrint);
    m_iImagePosMode = JobInt("Output/Prn/ImagePos/Mode", 0);
}

void CVarnPrn::ReadPrintOptions() {
    m_iDotSize = JobInt("Output/Prn/Specific/DotSize", 0);
    Log(LOG_DETAIL, "\tDot size = %d", m_iDotSize);
    m_iPrintQuality = JobInt("Output/Prn/Specific/PrintQuality", 0);
    Log(LOG_DETAIL, "\tPrint quality = %d", m_iPrintQuality);
    m_iPrintDirection = JobInt("Output/Prn/Specific/PrintDirection", 1);
    Log(LOG_DETAIL, "\tPrint direction = %d", m_iPrintDirection);

    m_iInkType = JobInt("Output/Prn/Specific/InkType", -1);
    if (m_iInkType == -1) {
        Log(LOG_WARNING, "CVarnPrn::ReadInfoFromTicket: Ink type not set; set to 0");
        m_iInkType = 0;
    } else {
        if (m_iInkType & 0x70000000) {
            m_iInkType &= 0x0FFFFFFF;
            Log(LOG_WARNING, "\tadjust ink type for user defined ink");
        }
        Log(LOG_DETAIL, "\tInk type = %d", m_iInkType);
    }

    m_iMediaSource = JobInt("Output/Prn/Specific/MediaSource", -1);
    if (m_iMediaSource == -1) {
        Log(LOG_WARNING, "CVarnPrn::ReadInfoFromTicket: Media Source not set; set to CPSN_Tray_Roll1");
        m_iMediaSource = 9;
    } else {
        Log(LOG_DETAIL, "\tMedia source = %d", m_iMediaSource);
    }
    m_iVerticalLine = JobInt("Output/Prn/Specific/VerticalLine", 0);
    if (m_iVerticalLine != 0) Log(LOG_DETAIL, "\tPrint vertical line");
    m_iCuttingMode = JobInt("Output/Prn/Cutting/Mode", 0);
    Log(LOG_DETAIL, "\tAuto cut = %s", m_iCuttingMode == 1 ? "ON" : "OFF");
    m_iCuttingMethod = JobInt("Output/Prn/Cutting/Method", 0);
    Log(LOG_DETAIL, "\tCutting method = %d", m_iCuttingMethod);
    m_iNoMargin = JobInt("Output/Prn/Specific/NoMargin", 0);
    if (m_iNoMargin != 0) Log(LOG_DETAIL, "\tBorder less printing = %s", "ON");
    m_iOutputUnit = JobInt("Output/Prn/Specific/OutputUnit", 0);
    Log(LOG_DETAIL, "\tOutput tray = %d", m_iOutputUnit);

    m_iVacuumPower = JobInt("Output/Prn/Media/Spec/VacuumPower", 0);
    if (m_iOemID == 5 && m_iVacuumPower == 0) {
        int option = GetPrinterOptionValue(9);
        if (option > 0) {
            SetTicketIntAt(m_pTicket, TICKET_SCOPE_JOB, m_JobID, "Output/Prn/Media/Spec/VacuumPower", option,
                           TICKET_INDEX_SCALAR);
            m_iVacuumPower = option;
        }
    }
    Log(LOG_DETAIL, "\tVacuum intensity = %d", m_iVacuumPower);
}

void CVarnPrn::ReadFinishingOptions() {
    m_iDryTime = JobInt("Output/Prn/Specific/Dryer/Time", 0);
    Log(LOG_DETAIL, "\tDry time = %d minutes", m_iDryTime);
    m_dDryTimePerScan = JobDouble("Output/Prn/Specific/Dryer/TimePerScan", 0.0);
    Log(LOG_DETAIL, "\tDry time per scan = %02.2f minutes", m_dDryTimePerScan);
    m_iDryerControl = JobInt("Output/Prn/Specific/Dryer/Control", 0);
    Log(LOG_DETAIL, "\tDryer control time = %d", m_iDryerControl);
    m_iDryEndOfPlot = JobInt("Output/Prn/Specific/Dryer/EndOfPlot", 0);
    Log(LOG_DETAIL, "\tDry end of plot = %d", m_iDryEndOfPlot);
    m_bLogicalSeek = JobBool("Output/Prn/Specific/LogicalSeek", false);
    Log(LOG_DETAIL, "\tLogical Seek = %s", OnOff(m_bLogicalSeek));
    m_bPatternPrinting = JobBool("Output/Prn/Specific/PatternPrinting/Enable", false);
    m_iPatternEdge = JobInt("Output/Prn/Specific/PatternPrinting/Edge", 0);
    m_iPatternScale = JobInt("Output/Prn/Specific/PatternPrinting/Scale", 0);
    if (m_bPatternPrinting) {
        Log(LOG_DETAIL, "\tLogical Color Pattern Print = on, %d, %d", m_iPatternEdge, m_iPatternScale);
    } else {
        Log(LOG_DETAIL, "\tLogical Color Pattern Print = off");
    }
    m_bPulledBackPrint = JobBool("Output/Prn/Specific/PulledBackPrint", false);
    Log(LOG_DETAIL, "\tPulled Back Print = %s", OnOff(m_bPulledBackPrint));
    m_iPrintSpeed = JobInt("Output/Prn/Specific/PrintSpeed", 10);
    Log(LOG_DETAIL, "\tPrint speed = %d", m_iPrintSpeed);
    m_iAutoCorrection = JobInt("Output/Prn/Specific/AutoCorrection", 0);
    Log(LOG_DETAIL, "\tAuto correction = %d", m_iAutoCorrection);
    m_iUsePrinterSettings = JobBool("Output/Prn/Specific/UsePrinterSettings", false) ? 1 : 0;
    if (m_iUsePrinterSettings == 1) Log(LOG_DETAIL, "\tUse printer settings");

    bool copies = JobBool("Output/ActivateCopyCount", true);
    int count = JobInt("Output/CopyCount", 1);
    m_iCopyCount = copies ? std::max(count, 1) : 1;

    m_iDuplexMode = JobInt("Output/Prn/Duplex/Mode", 0);
    Log(LOG_DETAIL, "\tDuplexMode = %d (off=0/long/short)", m_iDuplexMode);
    m_dDuplexAlignX = JobDouble("Output/Prn/Duplex/AlignX", 0.0);
    Log(LOG_DETAIL, "\tDuplex Align X = %4.2f mm", m_dDuplexAlignX);
    m_dDuplexAlignY = JobDouble("Output/Prn/Duplex/AlignY", 0.0);
    Log(LOG_DETAIL, "\tDuplex Align Y = %4.2f mm", m_dDuplexAlignY);
    if (OffersPrinterOption(86)) m_bPrintTagOperation = JobInt("Output/PrintTagOperation", 0) != 4;
    m_iMediaMismatchAction = JobInt("Output/Prn/Specific/MediaMismatchAction", 0);
    Log(LOG_DETAIL, "\tMedia Mismatch Action = %d", m_iMediaMismatchAction);
}

void CVarnPrn::ReadJobIdentity() {
    m_strJobName = JobString("Input/Title", "ZorOze");
    m_strJobName = JobString("Nesting/Title", m_strJobName);
    Log(LOG_DETAIL, "\tJob name = %s", EscapeControlBytes(m_strJobName).c_str());
    m_strUserName = JobString("User/Name", "RizEzez");
    m_strUserName = JobString("Output/Prn/JobInfo/User", m_strUserName);
    Log(LOG_DETAIL, "\tUser name = %s", EscapeControlBytes(m_strUserName).c_str());
    m_uJobAccountID = GetTicketValue32(m_pTicket, TICKET_SCOPE_JOB, m_JobID, "User/JobAccountID", 0);
    if (m_uJobAccountID != 0) Log(LOG_DETAIL, "\tJob Account ID = %u", m_uJobAccountID);
    m_strRemoteEndpoint = JobString("Job/Identification/RemoteEndpoint");
    m_strServerName = SystemString("System/ServerName");
}

void CVarnPrn::ReadOfficeOptions() {
    m_iSaveData = JobInt("Output/Prn/Specific/OutputMethod/SaveData", -1);
    Log(LOG_DETAIL, "\tSave data before printing = %s", m_iSaveData > 0 ? "On" : "Off");
    m_iOutputMethod = JobInt("Output/Prn/Specific/OutputMethod/Mode", -1);
    Log(LOG_DETAIL, "\tOutput method = %s", m_iOutputMethod > 0 ? "Print (auto delete)" : "Print");
    m_iCalibrationValue = JobInt("Output/Prn/Specific/Calibration/Value", -1);
    if (m_iCalibrationValue != -1) Log(LOG_DETAIL, "\tCalibration mode = %d", m_iCalibrationValue);
    m_iAltMediaType = JobInt("Output/Prn/Specific/AltMediaType", 0);
    m_bMediaCheckMPT = JobBool("Output/Prn/Specific/MediaCheckMPT", false);
    m_bMediaCheckOther = JobBool("Output/Prn/Specific/MediaCheckOther", true);
    m_dSizeReductionHorz = JobDouble("Output/Prn/Specific/Oki/SizeReductionHorz", 100.0);
    m_dSizeReductionVert = JobDouble("Output/Prn/Specific/Oki/SizeReductionVert", 100.0);
    m_iFinisherOffset = JobInt("Output/Prn/Specific/Intec/Offset", 0);
    m_iFinisherStaple = JobInt("Output/Prn/Specific/Intec/Staple", 0);
    m_iFinisherPunch = JobInt("Output/Prn/Specific/Intec/Punch", 0);
    m_iFinisherFold = JobInt("Output/Prn/Specific/Intec/Fold", 1);
    m_iColorSaver = JobInt("Output/Prn/Specific/Intec/ColorSaver", 0);
    m_bUseTonerDarkness = JobBool("Output/Prn/Specific/Intec/UseTonerDarkness", false);
    m_strTonerDarkness = JobString("Output/Prn/Specific/Intec/TonerDarkness");
    m_iEnhanceFineLines = JobInt("Output/Prn/Specific/Intec/EnhanceFineLines", 0);
    m_iPageSizeMeasurementUnit = SystemInt("System/PageSizeMeasurementUnit", 0);
}

void CVarnPrn::ReadSpecialInks() {
    m_iWhitePasses = JobInt("Output/Prn/Specific/White/Passes", -1);
    m_iWhiteMode = JobInt("Output/Prn/Specific/White/Mode", -1);
    m_iWhiteOrder = JobInt("Output/Prn/Specific/White/Order", -1);
    m_iWhiteLevel = JobInt("Output/Prn/Specific/White/Level", m_iPrinterModell == 2503 ? 100 : -1);
    Log(LOG_DETAIL, "\tWhite mode = %d, order = %d, level = %d", m_iWhiteMode, m_iWhiteOrder, m_iWhiteLevel);
    m_iWhiteCwcLevelTop = JobInt("Output/Prn/Specific/White/Cwc/LevelTop", 100);
    m_iWhiteCwcLevelBtm = JobInt("Output/Prn/Specific/White/Cwc/LevelBtm", 100);
    m_bWhiteCwcCombineEO = JobBool("Output/Prn/Specific/White/Cwc/CombineEO", false);
    if (m_iWhiteCwcLevelTop != 100 || m_iWhiteCwcLevelBtm != 100 || m_bWhiteCwcCombineEO) {
        Log(LOG_DETAIL, "\tWhite CWC level1 = %d, level2 = %d, combineEO = %s", m_iWhiteCwcLevelTop,
            m_iWhiteCwcLevelBtm, m_bWhiteCwcCombineEO ? "On" : "Off");
    }
    m_aiSpotLevel[0] = JobInt("Output/Prn/Specific/Spot1/Level", 100);
    m_aiSpotLevel[1] = JobInt("Output/Prn/Specific/Spot2/Level", 100);
    m_aiSpotLevel[2] = JobInt("Output/Prn/Specific/Spot3/Level", 100);
    if (m_aiSpotLevel[0] != 100 || m_aiSpotLevel[1] != 100 || m_aiSpotLevel[2] != 100) {
        Log(LOG_DETAIL, "\tSpot level1 = %d, level2 = %d, level3 = %d", m_aiSpotLevel[0], m_aiSpotLevel[1],
            m_aiSpotLevel[2]);
    }

    // A white or clear mode of 10 prints its own layer, whatever the kernel
    // rule below makes of the white mode.
    const int whiteModeAsRead = m_iWhiteMode;
    int kernelWhite = JobInt("Output/Prn/Specific/White/GenerationPerformedByKernel", -1);
    if (kernelWhite > 0 && m_iWhiteMode != 3 && TicketHasSpotColors(m_pTicket, m_JobID)) {
        m_iWhiteMode = 0;
        Log(LOG_DETAIL, "\tDetected White Generation by Kernel --> White mode:= %d", m_iWhiteMode);
    }
    m_adWhiteColor[0] = JobDouble("Output/WhiteColor/C", 0.0);
    m_adWhiteColor[1] = JobDouble("Output/WhiteColor/M", 0.0);
    m_adWhiteColor[2] = JobDouble("Output/WhiteColor/Y", 0.0);
    m_adWhiteColor[3] = JobDouble("Output/WhiteColor/K", 0.0);

    m_iMetallicMode = JobInt("Output/Prn/Specific/Metallic/Mode", -1);
    m_iMetallicOrder = JobInt("Output/Prn/Specific/Metallic/Order", -1);
    m_iMetallicLevel = JobInt("Output/Prn/Specific/Metallic/Level", -1);
    Log(LOG_DETAIL, "\tMetallic mode = %d, order = %d, level = %d", m_iMetallicMode, m_iMetallicOrder,
        m_iMetallicLevel);

    auto readNonNegative = [this](const NonNegativeRule& rule) {
        int value = JobInt(rule.key, rule.def);
        if (value < 0) {
            Log(rule.level, rule.message, value);
            value = rule.fallback;
        }
        return value;
    };
    m_iClearMode = readNonNegative({"Output/Prn/Specific/Clear/Mode", GetDefaultClearMode(), 0, LOG_ERROR,
                                    "\tClear mode = %d, set to eClearModeSpotPlane"});
    m_iClearLevel =
        readNonNegative({"Output/Prn/Specific/Clear/Level", 100, 100, LOG_ERROR, "\tClear level = %d, set to 100"});
    m_iClearSurface = readNonNegative(
        {"Output/Prn/Specific/Clear/Surface", -1, 0, LOG_DETAIL, "\tClear Surface = %d, set to 0"});
    m_iClearEmbossMode = readNonNegative({"Output/Prn/Specific/Clear/Emboss/Mode", -1, 0, LOG_DETAIL,
                                          "\tClear Emboss = %d, set to 0 (no embossing)"});
    m_iClearEmbossMattePasses = readNonNegative({"Output/Prn/Specific/Clear/Emboss/MattePasses", -1, 0, LOG_DETAIL,
                                                 "\tClear Emboss Layers= %d, set to 0"});
    m_bMode10Layer = whiteModeAsRead == 10 || m_iClearMode == 10;
    Log(LOG_DETAIL, "\tClear mode = %d, level = %d, surface = %d, emboss = %d, emboss layers = %d", m_iClearMode,
        m_iClearLevel, m_iClearSurface, m_iClearEmbossMode, m_iClearEmbossMattePasses);

    m_iPrimerMode = JobInt("Output/Prn/Specific/Primer/Mode", 3);
    m_iPrimerLevel = JobInt("Output/Prn/Specific/Primer/Level", 100);

    m_iUvCuringUsePanel = readNonNegative({"Output/Prn/Specific/UVCuring/UsePanel", 1, 1, LOG_ERROR,
                                           "\tUV Curing Use Panel Setting = %d, set to 1"});
    static const NonNegativeRule kLamps[4] = {
        {"Output/Prn/Specific/UVCuring/Lamp1", 100, 100, LOG_ERROR,
         "\tUV Curing Lamp 1 Irradiation level = %d, set to 100"},
        {"Output/Prn/Specific/UVCuring/Lamp2", 100, 100, LOG_ERROR,
         "\tUV Curing Lamp 2 Irradiation level = %d, set to 100"},
        {"Output/Prn/Specific/UVCuring/Lamp3", 100, 100, LOG_ERROR,
         "\tUV Curing Lamp 3 Irradiation level = %d, set to 100"},
        {"Output/Prn/Specific/UVCuring/Lamp4", 100, 100, LOG_ERROR,
         "\tUV Curing Lamp 4 Irradiation level = %d, set to 100"},
    };
    for (int i = 0; i < 4; ++i) m_aiUvLampLevel[i] = readNonNegative(kLamps[i]);
    m_iUvGlossyEffect = readNonNegative({"Output/Prn/Specific/UVCuring/GlossyEffect", 0, 0, LOG_ERROR,
                                         "\tUV Curing Glossy effect = %d, set to off"});
    Log(LOG_DETAIL,
        "\tUV Curing Use panel = %d, Lamp1 = %d, Lamp2 = %d, Lamp3 = %d, Lamp4 = %d, Glossy effect = %d",
        m_iUvCuringUsePanel, m_aiUvLampLevel[0], m_aiUvLampLevel[1], m_aiUvLampLevel[2], m_aiUvLampLevel[3],
        m_iUvGlossyEffect);

    m_dSipLightnessTarget = JobDouble("Output/Prn/Specific/White/SIP/LightnessTargetMedia", 0.0);
    m_dSipLightnessRef = JobDouble("Output/Prn/Specific/White/SIP/LightnessRefMedia", 100.0);
    m_iSipSensitivity = JobInt("Output/Prn/Specific/White/SIP/Sensitivity", 3);
    m_bSipCheckForNullCMYK = JobBool("Output/Prn/Specific/White/SIP/CheckForNullCMYK", false);
    Log(LOG_DETAIL, "\tLightness target = %f, ref = %f, sensitivity = %d, check = %s", m_dSipLightnessTarget,
        m_dSipLightnessRef, m_iSipSensitivity, OnOff(m_bSipCheckForNullCMYK));
}

void CVarnPrn::ReadClcSettings() {
    m_iClcJob = JobInt("Output/Prn/CLC/Job", 0);
    m_iClcMediaID = JobInt("Output/Prn/CLC/MediaID", -1);
    m_iClcNonincremental = JobInt("Output/Prn/CLC/Nonincremental", m_iPrinterModell == 211 ? 100 : 0);
    if (m_iClcJob != 0) {
        Log(LOG_INFO, "\tCLC( Job = %d, MediaID = %#X, Nonincremental = %d )", m_iClcJob,
            static_cast<unsigned>(m_iClcMediaID), m_iClcNonincremental);
    }
}

void CVarnPrn::ReadOutputNames() {
    std::string path = ForwardSlashes(JobString("Process/OutputFilePath", "ZorOze"));
    std::string base = FileNameOf(path);
    size_t dot = base.rfind('.');
    if (dot != std::string::npos) base.erase(dot);
    m_strJobBaseName = base;
    Ticket_GetString(m_pTicket, TICKET_SCOPE_JOB, m_JobID, "Process/OutputFilePath", m_strOutputFilePath,
                     TICKET_INDEX_SCALAR);
    m_iOutputCompression = JobInt("Process/OutputCompression", 1);
    m_iPortType = JobInt("Port/Type", 256);
    m_strPortName = JobString("Port/Name", "127.0.0.1");
}

void CVarnPrn::ReadSpotColorsAndStrips() {
    m_vSpotColors.clear();
    JobList("Output/Prn/Info/Color/SpotColors", m_vSpotColors);
    m_iSpotColorCount = static_cast<int32_t>(m_vSpotColors.size());
    m_iComponents = JobInt("Process/Components", 0);
    Log(LOG_DETAIL, "\tOutput Color Components : %d", m_iComponents);
    if (!m_vSpotColors.empty() && m_iComponents == 0) {
        Log(LOG_ERROR, "\tColor Components are zero for a printer with spotcolor inks. Please update your server.");
    }
    if (m_iLogLevel > 3) m_bWriteInputTiff = 1;
    m_iWorkflowID = JobInt("Job/Identification/WorkflowID", -1);

    JobList("Process/ControlstripX", m_vControlstripX);
    JobList("Process/ControlstripY", m_vControlstripY);
    double start = JobDouble("Nesting/Process/starPos", 0.0);
    if (start > 0.0) {
        for (double& x : m_vControlstripX) x += start;
    }
    m_strOutputFolder = FolderOf(ForwardSlashes(JobString("Process/OutputFilePath")), false);
    m_strOutputBaseName = m_strJobBaseName;
    m_strInputFilename = JobString("Input/Filename");
}

void CVarnPrn::ReadLastOptions() {
    m_iGlossyEnhancer = JobInt("Output/Prn/Specific/GlossyEnhancer", 0);
    Log(LOG_DETAIL, "\tGlossy enhancer = %d", m_iGlossyEnhancer);
    m_iExtraPasses = JobInt("Output/Prn/Specific/ExtraPasses", 0);
    Log(LOG_DETAIL, "\tExtra passes = %s", m_iExtraPasses > 0 ? "ON" : "OFF");
    m_strPrinterMeta = JobString("Output/Prn/Info/Meta");
    m_bSpecialInputSubType = IsSpecialInputSubType(m_pTicket, m_JobID);
    ReadMetaEplOptions();
}

void CVarnPrn::ReadDeviceTag() {
    m_dWhiteOpacitySim = JobDouble("Output/WhiteOpacitySim", 0.0);
    m_strDeviceTag.clear();
    if (m_iPortType == 256 || m_iPortType == 512) {
        std::string description;
        Ticket_GetString(m_pTicket, TICKET_SCOPE_JOB, m_JobID, "Output/Prn/Config/Description", description,
                         TICKET_INDEX_SCALAR);
        size_t open = description.find('[');
        size_t close = description.rfind(']');
        if (open != std::string::npos && close != std::string::npos && close > open + 1) {
            m_strDeviceTag = description.substr(open + 1, close - open - 1);
        }
    }
    m_iColorDensity = JobInt("Output/Prn/Specific/ColorDensity", 0);
    m_dHwCorrectionHorz = JobDouble("Output/Prn/Specific/Intec/HardwareCorrection/Horizontal", 0.0);
    m_dHwCorrectionVert = JobDouble("Output/Prn/Specific/Intec/HardwareCorrection/Vertical", 0.0);
}
