// The read-only view of one job through which the cutting code learns the
// job's geometry, media, cutter and layer settings and the name of its cut
// file. Units: ...Pt in PostScript points (1/72 inch), ...Mm in millimetres,
// ...Px in pixels.
//
// Every operation that reads the ticket goes through the five ticket-access
// operations (GetDouble to GetStringList), called virtually, so that a derived
// view can redirect them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class IJobInfo {
public:
    virtual ~IJobInfo() = default;

    virtual std::string GetTitle() = 0;
    // Not supported: reports an assertion and empties text.
    virtual void SetTitle(std::string& text) = 0;
    virtual double GetImageWidthPt() = 0;
    virtual double GetImageHeightPt() = 0;
    virtual int GetImageHeightPx() = 0;
    virtual int GetImageWidthPx() = 0;
    virtual double GetMediaHeightMm() = 0;
    virtual double GetMediaHeightPt() = 0;
    virtual double GetMediaWidthMm() = 0;
    virtual double GetMediaWidthPt() = 0;
    // The bottom feed; a negative one counts as 10 mm.
    virtual double GetFeedMarginPt() = 0;
    virtual std::string GetPaperSizeName() = 0;
    virtual double GetImageResolutionX() = 0;
    virtual double GetImageResolutionY() = 0;
    virtual int GetPrinterResolutionX() = 0;
    virtual int GetPrinterResolutionY() = 0;
    virtual int GetOffsetXPx() = 0;
    virtual int GetOffsetYPx() = 0;
    virtual double GetOffsetXMm() = 0;
    virtual double GetOffsetYMm() = 0;
    virtual int GetWidthPixel() = 0;
    virtual int GetHeightPixel() = 0;
    virtual int GetPageCount() = 0;
    virtual int GetFixedOne() = 0;
    virtual int GetDuplexMode() = 0;
    virtual double GetMediaMarginBottom() = 0;
    virtual double GetMediaMarginLeft() = 0;
    virtual double GetMediaMarginRight() = 0;
    virtual double GetMediaMarginTop() = 0;
    virtual double GetMediaSizeHeight() = 0;
    virtual double GetMediaSizeWidth() = 0;
    virtual int GetMediaSpecTypeID() = 0;
    virtual std::string GetMediaSpecTypeName() = 0;
    virtual std::string GetInkTypeName() = 0;
    // Appends text to the job's info messages; empties text.
    virtual bool AddInfoMessage(std::string& text) = 0;
    virtual int GetOutputUnitClass() = 0;
    virtual int GetOutputUnitIndex() = 0;
    virtual int GetOutputUnitSmall() = 0;
    virtual int GetOutputUnitOther() = 0;
    virtual int GetPrintQualityMapped() = 0;
    virtual int GetPrintQuality() = 0;
    virtual int GetUnsupportedValue() = 0;
    virtual std::string GetTrayName() = 0;
    virtual bool HasHeaterTemperatures() = 0;
    virtual int GetHeaterMode(int heater) = 0;
    virtual double GetHeaterTemperature(int heater) = 0;
    virtual int GetPrintDirection() = 0;
    virtual double GetFeedAdjust() = 0;
    virtual int GetDryerTime() = 0;
    virtual int GetMediaSpecVacuumPower() = 0;
    // The name of the job's cut file; throws TextError for an index outside
    // the list of cut files.
    virtual std::string GetAIFileName(int index) = 0;
    virtual int GetPrintTagOperation() = 0;
    virtual int GetContourCutActive() = 0;
    virtual int GetCutMode() = 0;
    virtual int PrintAndCutDeviceHandlesCutMarks() = 0;
    virtual bool GetReturnToOriginAfterPrint() = 0;
    virtual bool GetReturnToOriginAfterCut() = 0;
    virtual int GetSpotColorCount() = 0;
    virtual std::vector<std::string> GetSpotColors() = 0;
    virtual int GetWhiteMode() = 0;
    virtual int GetWhiteOrder() = 0;
    virtual int GetWhiteLevel() = 0;
    virtual int GetWhitePasses() = 0;
    virtual int GetWhiteLevel2() = 0;
    virtual int GetWhiteCoverage() = 0;
    virtual int GetWhiteOpacityMode() = 0;
    virtual int GetWhiteOpacityPasses() = 0;
    virtual int GetWhiteOpacityLevel() = 0;
    virtual int GetWhiteOpacityCoverage() = 0;
    virtual int GetWhitePrintDirection() = 0;
    virtual int GetWhiteDoubleHeads() = 0;
    virtual int GetCMYKMode() = 0;
    virtual int GetCMYKPasses() = 0;
    virtual int GetCMYKCoverage() = 0;
    virtual int GetCMYKPrintDirection() = 0;
    virtual int GetCMYKInksInSameLayer() = 0;
    virtual int GetCMYKPostCureLayer() = 0;
    virtual int GetClearMode() = 0;
    virtual int GetClearSurface() = 0;
    virtual int GetClearLevel() = 0;
    virtual int GetClearMatteMode() = 0;
    virtual int GetClearMattePasses() = 0;
    virtual int GetClearMatteCoverage() = 0;
    virtual int GetClearGlossMode() = 0;
    virtual int GetClearGlossPasses() = 0;
    virtual int GetClearGlossCoverage() = 0;
    virtual int GetClearEmbossMode() = 0;
    virtual int GetClearEmbossOnColor() = 0;
    virtual int GetClearEmbossOnWhite() = 0;
    virtual int GetClearEmbossMattePasses() = 0;
    virtual int GetClearEmbossMatteCoverage() = 0;
    virtual int GetClearEmbossGlossPasses() = 0;
    virtual int GetClearEmbossGlossCoverage() = 0;
    virtual int GetClearPrintDirection() = 0;
    virtual int GetClearDoubleHeads() = 0;
    virtual int GetMetallicMode() = 0;
    virtual int GetMetallicMixing() = 0;
    virtual int GetMetallicLevel() = 0;
    virtual int GetMetallicOrder() = 0;
    virtual int GetMetallicPasses() = 0;
    virtual int GetMetallicCoverage() = 0;
    virtual int GetMetallicPrintDirection() = 0;
    virtual bool GetPrintheadspeedUsePrinterDefaults() = 0;
    virtual int GetPrintheadspeedPrintheadspeed() = 0;
    virtual bool GetPagespacingUsePrinterDefaults() = 0;
    virtual int GetPagespacingPagespace() = 0;
    virtual bool GetCutterParametersUsePrinterDefaults() = 0;
    virtual int GetCutterParametersForce() = 0;
    virtual int GetCutterParametersVelocity() = 0;
    virtual double GetCutterParametersOffset() = 0;
    virtual int64_t GetCutterParametersRepetitions() = 0;
    // Each given flag := its key's integer is not 0; always true.
    virtual bool GetBumpMapUse(bool* white, bool* clearMatte, bool* embossMatte, bool* metallic) = 0;
    virtual bool GetFeedCalibrationUsePrinterDefaults() = 0;
    virtual double GetFeedCalibrationFeed() = 0;
    virtual bool GetHeadHeightUsePrinterDefaults() = 0;
    virtual std::string GetHeadHeightHeight() = 0;
    virtual int GetPrintOptimizedPassmask() = 0;
    virtual std::vector<double> GetInkPreLimits() = 0;
    virtual std::string GetUserName() = 0;
    virtual bool IsProductVersion40() = 0;

    // ---- ticket access (job keys) ----
    virtual double GetDouble(const std::string& key, double def) = 0;
    virtual int GetInt(const std::string& key, int def) = 0;
    virtual std::string GetString(const std::string& key) = 0;
    virtual bool SetString(const std::string& key, const std::string& value) = 0;
    virtual std::vector<std::string> GetStringList(const std::string& key) = 0;

    virtual bool IsICutWithCutMarkID() = 0;
};
