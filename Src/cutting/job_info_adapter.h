// The job view over the job object: job fields that the job read when it was
// opened, and ticket keys read on every call through the five ticket-access
// operations. It keeps the job pointer only (not owned) and caches nothing.
#pragma once

#include "cutting/job_info.h"

class CVarnPrn;

class CVarnPrn2IJobInfoAdapter : public IJobInfo {
public:
    explicit CVarnPrn2IJobInfoAdapter(CVarnPrn* job) : m_pJob(job) {}
    ~CVarnPrn2IJobInfoAdapter() override = default;
    CVarnPrn2IJobInfoAdapter(const CVarnPrn2IJobInfoAdapter&) = delete;
    CVarnPrn2IJobInfoAdapter& operator=(const CVarnPrn2IJobInfoAdapter&) = delete;

    std::string GetTitle() override;
    void SetTitle(std::string& text) override;
    double GetImageWidthPt() override;
    double GetImageHeightPt() override;
    int GetImageHeightPx() override;
    int GetImageWidthPx() override;
    double GetMediaHeightMm() override;
    double GetMediaHeightPt() override;
    double GetMediaWidthMm() override;
    double GetMediaWidthPt() override;
    double GetFeedMarginPt() override;
    std::string GetPaperSizeName() override;
    double GetImageResolutionX() override;
    double GetImageResolutionY() override;
    int GetPrinterResolutionX() override;
    int GetPrinterResolutionY() override;
    int GetOffsetXPx() override;
    int GetOffsetYPx() override;
    double GetOffsetXMm() override;
    double GetOffsetYMm() override;
    int GetWidthPixel() override;
    int GetHeightPixel() override;
    int GetPageCount() override;
    int GetFixedOne() override;
    int GetDuplexMode() override;
    double GetMediaMarginBottom() override;
    double GetMediaMarginLeft() override;
    double GetMediaMarginRight() override;
    double GetMediaMarginTop() override;
    double GetMediaSizeHeight() override;
    double GetMediaSizeWidth() override;
    int GetMediaSpecTypeID() override;
    std::string GetMediaSpecTypeName() override;
    std::string GetInkTypeName() override;
    bool AddInfoMessage(std::string& text) override;
    int GetOutputUnitClass() override;
    int GetOutputUnitIndex() override;
    int GetOutputUnitSmall() override;
    int GetOutputUnitOther() override;
    int GetPrintQualityMapped() override;
    int GetPrintQuality() override;
    int GetUnsupportedValue() override;
    std::string GetTrayName() override;
    bool HasHeaterTemperatures() override;
    int GetHeaterMode(int heater) override;
    double GetHeaterTemperature(int heater) override;
    int GetPrintDirection() override;
    double GetFeedAdjust() override;
    int GetDryerTime() override;
    int GetMediaSpecVacuumPower() override;
    std::string GetAIFileName(int index) override;
    int GetPrintTagOperation() override;
    int GetContourCutActive() override;
    int GetCutMode() override;
    int PrintAndCutDeviceHandlesCutMarks() override;
    bool GetReturnToOriginAfterPrint() override;
    bool GetReturnToOriginAfterCut() override;
    int GetSpotColorCount() override;
    std::vector<std::string> GetSpotColors() override;
    int GetWhiteMode() override;
    int GetWhiteOrder() override;
    int GetWhiteLevel() override;
    int GetWhitePasses() override;
    int GetWhiteLevel2() override;
    int GetWhiteCoverage() override;
    int GetWhiteOpacityMode() override;
    int GetWhiteOpacityPasses() override;
    int GetWhiteOpacityLevel() override;
    int GetWhiteOpacityCoverage() override;
    int GetWhitePrintDirection() override;
    int GetWhiteDoubleHeads() override;
    int GetCMYKMode() override;
    int GetCMYKPasses() override;
    int GetCMYKCoverage() override;
    int GetCMYKPrintDirection() override;
    int GetCMYKInksInSameLayer() override;
    int GetCMYKPostCureLayer() override;
    int GetClearMode() override;
    int GetClearSurface() override;
    int GetClearLevel() override;
    int GetClearMatteMode() override;
    int GetClearMattePasses() override;
    int GetClearMatteCoverage() override;
    int GetClearGlossMode() override;
    int GetClearGlossPasses() override;
    int GetClearGlossCoverage() override;
    int GetClearEmbossMode() override;
    int GetClearEmbossOnColor() override;
    int GetClearEmbossOnWhite() override;
    int GetClearEmbossMattePasses() override;
    int GetClearEmbossMatteCoverage() override;
    int GetClearEmbossGlossPasses() override;
    int GetClearEmbossGlossCoverage() override;
    int GetClearPrintDirection() override;
    int GetClearDoubleHeads() override;
    int GetMetallicMode() override;
    int GetMetallicMixing() override;
    int GetMetallicLevel() override;
    int GetMetallicOrder() override;
    int GetMetallicPasses() override;
    int GetMetallicCoverage() override;
    int GetMetallicPrintDirection() override;
    bool GetPrintheadspeedUsePrinterDefaults() override;
    int GetPrintheadspeedPrintheadspeed() override;
    bool GetPagespacingUsePrinterDefaults() override;
    int GetPagespacingPagespace() override;
    bool GetCutterParametersUsePrinterDefaults() override;
    int GetCutterParametersForce() override;
    int GetCutterParametersVelocity() override;
    double GetCutterParametersOffset() override;
    int64_t GetCutterParametersRepetitions() override;
    bool GetBumpMapUse(bool* white, bool* clearMatte, bool* embossMatte, bool* metallic) override;
    bool GetFeedCalibrationUsePrinterDefaults() override;
    double GetFeedCalibrationFeed() override;
    bool GetHeadHeightUsePrinterDefaults() override;
    std::string GetHeadHeightHeight() override;
    int GetPrintOptimizedPassmask() override;
    std::vector<double> GetInkPreLimits() override;
    std::string GetUserName() override;
    bool IsProductVersion40() override;
    double GetDouble(const std::string& key, double def) override;
    int GetInt(const std::string& key, int def) override;
    std::string GetString(const std::string& key) override;
    bool SetString(const std::string& key, const std::string& value) override;
    std::vector<std::string> GetStringList(const std::string& key) override;
    bool IsICutWithCutMarkID() override;

private:
    CVarnPrn* m_pJob;
};
