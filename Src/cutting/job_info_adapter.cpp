#include "cutting/job_info_adapter.h"

#include <algorithm>
#include <utility>

#include "base/assertion.h"
#include "base/mbcs.h"
#include "base/text_error.h"
#include "host/job_ticket.h"
#include "host/ticket.h"
#include "job/varn_prn.h"
#include "printers/model_predicates.h"

namespace {

constexpr const char* kAssertSource = "Src\\CVarnPrn2IJobInfoAdapter";
constexpr double kPtPerMm = 72.0 / 25.4;
constexpr const char* kCutFileNameKey = "Process/ContourCut/ICUT/AI_FileName";
constexpr const char* kCutFolderKey = "Input/OutputCutFilePath";
constexpr const char* kOutputFileKey = "Process/OutputFilePath";

struct PaperName {
    int id;
    const char* name;
};

// Media size ids and the paper names they stand for.
constexpr PaperName kPaperNames[] = {
    {103, "A3"},        {104, "A3"},        {105, "A3"},
    {106, "SRA3"},      {530, "SRA3"},      {108, "LEGAL"},
    {109, "LEGAL"},     {110, "LEGAL"},     {111, "LEGAL"},
    {112, "EXECUTIVE"}, {113, "A4"},        {114, "A4"},
    {118, "A4"},        {135, "A4"},        {136, "A4"},
    {139, "A4"},        {140, "A4"},        {115, "A5"},
    {116, "LETTER"},    {117, "LETTER"},    {137, "LETTER"},
    {138, "LETTER"},    {141, "LETTER"},    {142, "LETTER"},
    {119, "B4"},        {120, "B5"},        {121, "B5"},
    {143, "B5"},        {144, "B5"},        {146, "B5"},
    {124, "Tabloid"},   {145, "A6"},        {536, "Statement"},
    {538, "FanFoldGermanLegal"},            {539, "TabloidExtra"},
    {540, "ISOB5"},     {541, "Env10"},     {542, "EnvA7"},
    {543, "EnvISOB5"},  {544, "EnvC4"},     {545, "EnvC5"},
    {546, "EnvC6"},     {547, "EnvDL"},     {548, "EnvMonarch"},
    {571, "330x457"},   {572, "320x1219"},
};

// The heater element that an argument selects (9999: none).
size_t HeaterIndex(int heater) { return heater >= 0 && heater <= 2 ? static_cast<size_t>(heater) : 9999; }

}  // namespace

std::string CVarnPrn2IJobInfoAdapter::GetTitle() { return m_pJob->m_strJobName; }

void CVarnPrn2IJobInfoAdapter::SetTitle(std::string& text) {
    ReportAssertion("false", kAssertSource, 53);
    text.clear();
}

double CVarnPrn2IJobInfoAdapter::GetImageWidthPt() {
    return m_pJob->m_iImageWidth / m_pJob->m_dResolutionX * 72.0;
}
double CVarnPrn2IJobInfoAdapter::GetImageHeightPt() {
    return m_pJob->m_iImageHeight / m_pJob->m_dResolutionY * 72.0;
}
int CVarnPrn2IJobInfoAdapter::GetImageHeightPx() { return m_pJob->m_iImageHeight; }
int CVarnPrn2IJobInfoAdapter::GetImageWidthPx() { return m_pJob->m_iImageWidth; }
double CVarnPrn2IJobInfoAdapter::GetMediaHeightMm() { return m_pJob->m_iMediaHeight / 10.0; }
double CVarnPrn2IJobInfoAdapter::GetMediaHeightPt() { return m_pJob->m_iMediaHeight / 10.0 * kPtPerMm; }
double CVarnPrn2IJobInfoAdapter::GetMediaWidthMm() { return m_pJob->m_iMediaWidth / 10.0; }
double CVarnPrn2IJobInfoAdapter::GetMediaWidthPt() { return m_pJob->m_iMediaWidth / 10.0 * kPtPerMm; }

double CVarnPrn2IJobInfoAdapter::GetFeedMarginPt() {
    const double mm = m_pJob->m_dBottomFeed < 0.0 ? 10.0 : m_pJob->m_dBottomFeed;
    return mm * kPtPerMm;
}

// The table's name, else "" (not "A4").
std::string CVarnPrn2IJobInfoAdapter::GetPaperSizeName() {
    const int id = m_pJob->m_iMediaSizeID;
    const auto* found = std::find_if(std::begin(kPaperNames), std::end(kPaperNames),
                                     [id](const PaperName& p) { return p.id == id; });
    return found != std::end(kPaperNames) ? found->name : "";
}

double CVarnPrn2IJobInfoAdapter::GetImageResolutionX() { return m_pJob->m_dResolutionX; }
double CVarnPrn2IJobInfoAdapter::GetImageResolutionY() { return m_pJob->m_dResolutionY; }
int CVarnPrn2IJobInfoAdapter::GetPrinterResolutionX() { return m_pJob->m_iResolutionX; }
int CVarnPrn2IJobInfoAdapter::GetPrinterResolutionY() { return m_pJob->m_iResolutionY; }
int CVarnPrn2IJobInfoAdapter::GetOffsetXPx() { return m_pJob->m_iOffsetX; }
int CVarnPrn2IJobInfoAdapter::GetOffsetYPx() { return m_pJob->m_iOffsetY; }
double CVarnPrn2IJobInfoAdapter::GetOffsetXMm() { return GetOffsetXPx() / GetImageResolutionX() * 25.4; }
double CVarnPrn2IJobInfoAdapter::GetOffsetYMm() { return GetOffsetYPx() / GetImageResolutionY() * 25.4; }
int CVarnPrn2IJobInfoAdapter::GetWidthPixel() { return GetInt("Process/WidthPixel", 0); }
int CVarnPrn2IJobInfoAdapter::GetHeightPixel() { return GetInt("Process/HeightPixel", 0); }

int CVarnPrn2IJobInfoAdapter::GetPageCount() {
    const int count = GetInt("Output/Prn/PageCount", 1);
    return count < 1 ? GetInt("Input/PageCount", 1) : count;
}

int CVarnPrn2IJobInfoAdapter::GetFixedOne() { return 1; }

int CVarnPrn2IJobInfoAdapter::GetDuplexMode() {
    const int mode = m_pJob->m_iDuplexMode;
    if (mode >= 0 && mode <= 2) return mode;
    ReportAssertion("false", kAssertSource, 213);
    return 0;
}

double CVarnPrn2IJobInfoAdapter::GetMediaMarginBottom() { return GetDouble("Output/Prn/Media/Margin/Bottom", 0.0); }
double CVarnPrn2IJobInfoAdapter::GetMediaMarginLeft() { return GetDouble("Output/Prn/Media/Margin/Left", 0.0); }
double CVarnPrn2IJobInfoAdapter::GetMediaMarginRight() { return GetDouble("Output/Prn/Media/Margin/Right", 0.0); }
double CVarnPrn2IJobInfoAdapter::GetMediaMarginTop() { return GetDouble("Output/Prn/Media/Margin/Top", 0.0); }
double CVarnPrn2IJobInfoAdapter::GetMediaSizeHeight() { return GetDouble("Output/Prn/Media/Size/Height", 0.0); }
double CVarnPrn2IJobInfoAdapter::GetMediaSizeWidth() { return GetDouble("Output/Prn/Media/Size/Width", 0.0); }
int CVarnPrn2IJobInfoAdapter::GetMediaSpecTypeID() { return GetInt("Output/Prn/Media/Spec/TypeID", 0); }
std::string CVarnPrn2IJobInfoAdapter::GetMediaSpecTypeName() { return GetString("Output/Prn/Media/Spec/TypeName"); }
std::string CVarnPrn2IJobInfoAdapter::GetInkTypeName() { return GetString("Output/Prn/Specific/InkTypeName"); }

// One element of the job's info-message list, as every other info message of
// the job is kept (the host's list is never rewritten as one string).
bool CVarnPrn2IJobInfoAdapter::AddInfoMessage(std::string& text) {
    m_pJob->UpdateInfoMessage(true, text);
    const bool stored =
        FindTicketStringIndex(m_pJob->GetTicket(), TICKET_SCOPE_JOB, m_pJob->GetJobId(), "Process/InfoMessage",
                              text) >= 0;
    text.clear();
    return stored;
}

int CVarnPrn2IJobInfoAdapter::GetOutputUnitClass() {
    const int unit = GetInt("Output/Prn/Specific/OutputUnit", 0);
    if ((unit >= 4 && unit <= 11) || unit == 15) return 2;
    switch (unit) {
        case 2: return 4;
        case 3: return 3;
        case 14: return 1;
        case 22: return 5;
        case 23: return 6;
        case 25: return 7;
        case 26: return 8;
        default: return 0;
    }
}

int CVarnPrn2IJobInfoAdapter::GetOutputUnitIndex() {
    const int unit = GetInt("Output/Prn/Specific/OutputUnit", 0);
    if (unit >= 7 && unit <= 11) return unit - 6;
    if (unit >= 16 && unit <= 21) return unit - 10;
    return 0;
}

int CVarnPrn2IJobInfoAdapter::GetOutputUnitSmall() {
    const int unit = GetInt("Output/Prn/Specific/OutputUnit", 0);
    return unit >= 4 && unit <= 6 ? unit - 3 : 0;
}

int CVarnPrn2IJobInfoAdapter::GetOutputUnitOther() {
    GetInt("Output/Prn/Specific/OutputUnit", 0);
    return 0;
}

int CVarnPrn2IJobInfoAdapter::GetPrintQualityMapped() {
    const int quality = GetInt("Output/Prn/Specific/PrintQuality", 0);
    return quality == 1 || quality == 2 ? quality : 0;
}

int CVarnPrn2IJobInfoAdapter::GetPrintQuality() { return GetInt("Output/Prn/Specific/PrintQuality", 0); }

int CVarnPrn2IJobInfoAdapter::GetUnsupportedValue() {
    ReportAssertion("false", kAssertSource, 221);
    return 0;
}

std::string CVarnPrn2IJobInfoAdapter::GetTrayName() {
    switch (m_pJob->m_iMediaSource) {
        case 1: return "Tray1";
        case 2: return "Tray2";
        case 3: return "Tray3";
        case 4: return "Tray4_opt";
        case 5: return "Tray5";
        case 16: return "ManualFeed";
        default: return "Auto";
    }
}

bool CVarnPrn2IJobInfoAdapter::HasHeaterTemperatures() { return !m_pJob->m_vHeatersCelsius.empty(); }

int CVarnPrn2IJobInfoAdapter::GetHeaterMode(int heater) {
    const auto& heaters = m_pJob->m_vHeatersCelsius;
    const size_t index = HeaterIndex(heater);
    if (index >= heaters.size()) return 0;
    if (heaters[index] == -1.0) return 1;
    return heaters[index] == 0.0 ? 0 : 2;
}

double CVarnPrn2IJobInfoAdapter::GetHeaterTemperature(int heater) {
    const auto& heaters = m_pJob->m_vHeatersCelsius;
    const size_t index = HeaterIndex(heater);
    return index < heaters.size() ? heaters[index] : 20.0;
}

int CVarnPrn2IJobInfoAdapter::GetPrintDirection() {
    const int direction = m_pJob->m_iPrintDirection;
    return direction == 0 || direction == 2 ? direction : 1;
}

double CVarnPrn2IJobInfoAdapter::GetFeedAdjust() { return m_pJob->m_dPaperFeedAdjust; }
int CVarnPrn2IJobInfoAdapter::GetDryerTime() { return m_pJob->m_iDryTime; }
int CVarnPrn2IJobInfoAdapter::GetMediaSpecVacuumPower() { return m_pJob->m_iVacuumPower; }

std::string CVarnPrn2IJobInfoAdapter::GetAIFileName(int index) {
    if (IsProductVersion40()) {
        std::string folder = GetString(kCutFolderKey);
        if (folder.empty()) folder = GetString(kOutputFileKey);
        ReplaceCharMbcs(folder, '\\', '/');
        if (!folder.empty()) folder += "/";
        const std::string name = GetString(kCutFileNameKey);
        return name.empty() ? std::string() : folder + name;
    }
    if (!IsICutWithCutMarkID()) {
        const std::vector<std::string> names = GetStringList(kCutFileNameKey);
        if (names.empty()) return std::string();
        if (index < 0 || static_cast<size_t>(index) >= names.size()) throw TextError("invalid vector<T> subscript");
        return names[static_cast<size_t>(index)];
    }
    std::string folder = GetString(kCutFolderKey);
    if (!folder.empty()) {
        folder += "/";
    } else {
        folder = GetString(kOutputFileKey);
        ReplaceCharMbcs(folder, '\\', '/');
        const int slash = RFindCharMbcs(folder, '/', -1);
        if (slash >= 0) folder.resize(static_cast<size_t>(slash) + 1);
    }
    return folder + GetString(kCutFileNameKey);
}

int CVarnPrn2IJobInfoAdapter::GetPrintTagOperation() { return GetInt("Output/PrintTagOperation", 0); }
int CVarnPrn2IJobInfoAdapter::GetContourCutActive() { return GetInt("Workflow/ContourCut/Active", 0); }

int CVarnPrn2IJobInfoAdapter::GetCutMode() {
    const int mode = m_pJob->m_iCuttingMode;
    return mode >= 1 && mode <= 6 ? mode : 0;
}

int CVarnPrn2IJobInfoAdapter::PrintAndCutDeviceHandlesCutMarks() {
    return GetInt("ContourCutting/PrintAndCutDeviceHandlesCutMarks", 0);
}
bool CVarnPrn2IJobInfoAdapter::GetReturnToOriginAfterPrint() {
    return GetInt("Output/Prn/Specific/ReturnToOriginAfterPrint", 0) != 0;
}
bool CVarnPrn2IJobInfoAdapter::GetReturnToOriginAfterCut() {
    return GetInt("Output/Prn/Specific/ReturnToOriginAfterCut", 0) != 0;
}
int CVarnPrn2IJobInfoAdapter::GetSpotColorCount() { return static_cast<int>(GetSpotColors().size()); }
std::vector<std::string> CVarnPrn2IJobInfoAdapter::GetSpotColors() {
    return GetStringList("Output/Prn/Info/Color/SpotColors");
}

int CVarnPrn2IJobInfoAdapter::GetWhiteMode() { return GetInt("Output/Prn/Specific/White/Mode", 0) == 3 ? 3 : 0; }
int CVarnPrn2IJobInfoAdapter::GetWhiteOrder() { return GetInt("Output/Prn/Specific/White/Order", 0); }
int CVarnPrn2IJobInfoAdapter::GetWhiteLevel() { return 100; }
int CVarnPrn2IJobInfoAdapter::GetWhitePasses() { return GetInt("Output/Prn/Specific/White/Passes", 1); }
int CVarnPrn2IJobInfoAdapter::GetWhiteLevel2() { return 100; }
int CVarnPrn2IJobInfoAdapter::GetWhiteCoverage() { return GetInt("Output/Prn/Specific/White/Coverage", 100); }
int CVarnPrn2IJobInfoAdapter::GetWhiteOpacityMode() {
    return GetInt("Output/Prn/Specific/White/OpacityMode", 3) == 3 ? 3 : 6;
}
int CVarnPrn2IJobInfoAdapter::GetWhiteOpacityPasses() { return GetInt("Output/Prn/Specific/White/OpacityPasses", 1); }
int CVarnPrn2IJobInfoAdapter::GetWhiteOpacityLevel() { return 100; }
int CVarnPrn2IJobInfoAdapter::GetWhiteOpacityCoverage() {
    return GetInt("Output/Prn/Specific/White/OpacityCoverage", 5);
}
int CVarnPrn2IJobInfoAdapter::GetWhitePrintDirection() { return GetInt("Output/Prn/Specific/White/PrintDirection", 2); }
int CVarnPrn2IJobInfoAdapter::GetWhiteDoubleHeads() { return GetInt("Output/Prn/Specific/White/DoubleHeads", 0); }
int CVarnPrn2IJobInfoAdapter::GetCMYKMode() { return GetInt("Output/Prn/Specific/CMYK/Mode", 0); }
int CVarnPrn2IJobInfoAdapter::GetCMYKPasses() { return GetInt("Output/Prn/Specific/CMYK/Passes", 1); }
int CVarnPrn2IJobInfoAdapter::GetCMYKCoverage() { return GetInt("Output/Prn/Specific/CMYK/Coverage", 100); }
int CVarnPrn2IJobInfoAdapter::GetCMYKPrintDirection() { return GetInt("Output/Prn/Specific/CMYK/PrintDirection", 2); }
int CVarnPrn2IJobInfoAdapter::GetCMYKInksInSameLayer() { return GetInt("Output/Prn/Specific/CMYK/InksInSameLayer", 1); }
int CVarnPrn2IJobInfoAdapter::GetCMYKPostCureLayer() { return GetInt("Output/Prn/Specific/CMYK/PostCureLayer", 0); }
int CVarnPrn2IJobInfoAdapter::GetClearMode() { return GetInt("Output/Prn/Specific/Clear/Mode", 0); }
int CVarnPrn2IJobInfoAdapter::GetClearSurface() { return GetInt("Output/Prn/Specific/Clear/Surface", 0); }
int CVarnPrn2IJobInfoAdapter::GetClearLevel() { return GetInt("Output/Prn/Specific/Clear/Level", 100); }
int CVarnPrn2IJobInfoAdapter::GetClearMatteMode() { return GetInt("Output/Prn/Specific/Clear/Matte/Mode", 0); }
int CVarnPrn2IJobInfoAdapter::GetClearMattePasses() { return GetInt("Output/Prn/Specific/Clear/Matte/Passes", 1); }
int CVarnPrn2IJobInfoAdapter::GetClearMatteCoverage() { return GetInt("Output/Prn/Specific/Clear/Matte/Coverage", 40); }
int CVarnPrn2IJobInfoAdapter::GetClearGlossMode() { return GetInt("Output/Prn/Specific/Clear/Gloss/Mode", 4); }
int CVarnPrn2IJobInfoAdapter::GetClearGlossPasses() { return GetInt("Output/Prn/Specific/Clear/Gloss/Passes", 1); }
int CVarnPrn2IJobInfoAdapter::GetClearGlossCoverage() { return GetInt("Output/Prn/Specific/Clear/Gloss/Coverage", 40); }
int CVarnPrn2IJobInfoAdapter::GetClearEmbossMode() { return GetInt("Output/Prn/Specific/Clear/Emboss/Mode", 3); }
int CVarnPrn2IJobInfoAdapter::GetClearEmbossOnColor() { return GetInt("Output/Prn/Specific/Clear/Emboss/OnColor", 0); }
int CVarnPrn2IJobInfoAdapter::GetClearEmbossOnWhite() { return GetInt("Output/Prn/Specific/Clear/Emboss/OnWhite", 0); }
int CVarnPrn2IJobInfoAdapter::GetClearEmbossMattePasses() {
    return GetInt("Output/Prn/Specific/Clear/Emboss/MattePasses", 4);
}
int CVarnPrn2IJobInfoAdapter::GetClearEmbossMatteCoverage() {
    return GetInt("Output/Prn/Specific/Clear/Emboss/MatteCoverage", 100);
}
int CVarnPrn2IJobInfoAdapter::GetClearEmbossGlossPasses() {
    return GetInt("Output/Prn/Specific/Clear/Emboss/GlossPasses", 1);
}
int CVarnPrn2IJobInfoAdapter::GetClearEmbossGlossCoverage() {
    return GetInt("Output/Prn/Specific/Clear/Emboss/GlossCoverage", 40);
}
int CVarnPrn2IJobInfoAdapter::GetClearPrintDirection() { return GetInt("Output/Prn/Specific/Clear/PrintDirection", 2); }
int CVarnPrn2IJobInfoAdapter::GetClearDoubleHeads() { return GetInt("Output/Prn/Specific/Clear/DoubleHeads", 0); }
int CVarnPrn2IJobInfoAdapter::GetMetallicMode() { return GetInt("Output/Prn/Specific/Metallic/Mode", 0); }
int CVarnPrn2IJobInfoAdapter::GetMetallicMixing() { return GetInt("Output/Prn/Specific/Metallic/Mixing", 0); }
int CVarnPrn2IJobInfoAdapter::GetMetallicLevel() { return GetInt("Output/Prn/Specific/Metallic/Level", 40); }
int CVarnPrn2IJobInfoAdapter::GetMetallicOrder() { return GetInt("Output/Prn/Specific/Metallic/Order", 0); }
int CVarnPrn2IJobInfoAdapter::GetMetallicPasses() { return GetInt("Output/Prn/Specific/Metallic/Passes", 1); }
int CVarnPrn2IJobInfoAdapter::GetMetallicCoverage() { return GetInt("Output/Prn/Specific/Metallic/Coverage", 40); }
int CVarnPrn2IJobInfoAdapter::GetMetallicPrintDirection() {
    return GetInt("Output/Prn/Specific/Metallic/PrintDirection", 2);
}
bool CVarnPrn2IJobInfoAdapter::GetPrintheadspeedUsePrinterDefaults() {
    return GetInt("Output/Prn/Specific/Printheadspeed/UsePrinterDefaults", -1) != 0;
}
int CVarnPrn2IJobInfoAdapter::GetPrintheadspeedPrintheadspeed() {
    return GetInt("Output/Prn/Specific/Printheadspeed/Printheadspeed", -1);
}
bool CVarnPrn2IJobInfoAdapter::GetPagespacingUsePrinterDefaults() {
    return GetInt("Output/Prn/Specific/Pagespacing/UsePrinterDefaults", -1) != 0;
}
int CVarnPrn2IJobInfoAdapter::GetPagespacingPagespace() { return GetInt("Output/Prn/Specific/Pagespacing/Pagespace", 30); }
bool CVarnPrn2IJobInfoAdapter::GetCutterParametersUsePrinterDefaults() {
    return GetInt("Output/Prn/Specific/CutterParameters/UsePrinterDefaults", -1) != 0;
}
int CVarnPrn2IJobInfoAdapter::GetCutterParametersForce() {
    return GetInt("Output/Prn/Specific/CutterParameters/Force", -1);
}
int CVarnPrn2IJobInfoAdapter::GetCutterParametersVelocity() {
    return GetInt("Output/Prn/Specific/CutterParameters/Velocity", -1);
}
double CVarnPrn2IJobInfoAdapter::GetCutterParametersOffset() {
    return GetDouble("Output/Prn/Specific/CutterParameters/Offset", -1.0);
}
int64_t CVarnPrn2IJobInfoAdapter::GetCutterParametersRepetitions() {
    return GetInt("Output/Prn/Specific/CutterParameters/Repetitions", -1);
}

bool CVarnPrn2IJobInfoAdapter::GetBumpMapUse(bool* white, bool* clearMatte, bool* embossMatte, bool* metallic) {
    const std::pair<bool*, const char*> flags[] = {
        {white, "Output/Prn/Specific/PrinterInk/UseWhiteAsBumpMap"},
        {clearMatte, "Output/Prn/Specific/PrinterInk/UseClearMatteAsBumpMap"},
        {embossMatte, "Output/Prn/Specific/PrinterInk/UseEmbossMatteAsBumpMap"},
        {metallic, "Output/Prn/Specific/PrinterInk/UseMetallicAsBumpMap"},
    };
    for (const auto& [flag, key] : flags) {
        if (flag) *flag = GetInt(key, 0) != 0;
    }
    return true;
}

bool CVarnPrn2IJobInfoAdapter::GetFeedCalibrationUsePrinterDefaults() {
    return GetInt("Output/Prn/Specific/FeedCalibration/UsePrinterDefaults", -1) != 0;
}
double CVarnPrn2IJobInfoAdapter::GetFeedCalibrationFeed() {
    return GetDouble("Output/Prn/Specific/FeedCalibration/Feed", -1.0);
}
bool CVarnPrn2IJobInfoAdapter::GetHeadHeightUsePrinterDefaults() {
    return GetInt("Output/Prn/Specific/HeadHeight/UsePrinterDefaults", -1) != 0;
}
std::string CVarnPrn2IJobInfoAdapter::GetHeadHeightHeight() { return GetString("Output/Prn/Specific/HeadHeight/Height"); }
int CVarnPrn2IJobInfoAdapter::GetPrintOptimizedPassmask() {
    return GetInt("Output/Prn/Specific/PrintOptimizedPassmask", 0);
}

std::vector<double> CVarnPrn2IJobInfoAdapter::GetInkPreLimits() {
    return ReadInkPreLimit([this](const std::string& key) { return GetString(key); });
}

std::string CVarnPrn2IJobInfoAdapter::GetUserName() { return GetString("User/Name"); }

bool CVarnPrn2IJobInfoAdapter::IsProductVersion40() {
    return GetInt("System/Product/MajorVersion", 4) == 4 && GetInt("System/Product/MinorVersion", 0) == 0;
}

double CVarnPrn2IJobInfoAdapter::GetDouble(const std::string& key, double def) {
    return GetTicketDouble(m_pJob->GetTicket(), TICKET_SCOPE_JOB, m_pJob->GetJobId(), key.c_str(), def);
}

int CVarnPrn2IJobInfoAdapter::GetInt(const std::string& key, int def) {
    return GetTicketInt(m_pJob->GetTicket(), TICKET_SCOPE_JOB, m_pJob->GetJobId(), key.c_str(), def);
}

std::string CVarnPrn2IJobInfoAdapter::GetString(const std::string& key) {
    std::string value;
    GetTicketString(m_pJob->GetTicket(), value, TICKET_SCOPE_JOB, m_pJob->GetJobId(), key.c_str(), std::string());
    return value;
}

bool CVarnPrn2IJobInfoAdapter::SetString(const std::string& key, const std::string& value) {
    return SetTicketStringValue(m_pJob->GetTicket(), TICKET_SCOPE_JOB, m_pJob->GetJobId(), key.c_str(), value,
                                TICKET_INDEX_SCALAR);
}

std::vector<std::string> CVarnPrn2IJobInfoAdapter::GetStringList(const std::string& key) {
    std::vector<std::string> values;
    m_pJob->JobList(key.c_str(), values);
    return values;
}

bool CVarnPrn2IJobInfoAdapter::IsICutWithCutMarkID() {
    const std::string manufacturer = GetString("ContourCutting/CutterManufacturer");
    const int cutMarkId = GetInt("ContourCutting/CutMarkID", -1);
    return cutMarkId >= 6 && cutMarkId <= 8 && manufacturer == "iCut";
}
