// The records of the printer catalogue: one printer model with its lists
// (resolutions, pass modes, trays, media, options, dialog controls, ...), and
// the media sizes, ink types, option groups and dialog controls those lists
// hold. Plain value types: copying copies every list.
//
// Absent values are -1 (0xFFFFFFFF in unsigned fields) or -1.0; lengths are
// in 1/100 mm.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <map>
#include <set>
#include <string>
#include <vector>

struct PRINTMODE;
struct DOTSIZEMODE;

constexpr uint32_t kAbsent = 0xFFFFFFFFu;

// One media type of a model. The model table sets only the name and the id.
struct MEDIATYPE {
    MEDIATYPE();
    virtual ~MEDIATYPE() = default;
    MEDIATYPE(const MEDIATYPE&) = default;
    MEDIATYPE& operator=(const MEDIATYPE&) = default;

    std::string strTypeName;
    std::string strTypeDonorID;
    std::string strTypeUniqueID;
    int32_t nTypeID = -1;
    std::vector<double> vecHeaterDef;
    std::vector<uint32_t> vecSupportedRes;  // indices into the resolutions; empty: all
    std::array<std::vector<uint32_t>, 16> avecSettings;
    uint8_t bLightInSolid = 0;
    int32_t aLightInSolid[3][4];  // rows: maximum, default, minimum
    std::vector<uint32_t> vecInkTypes;
};

// One media size of the catalogue (keyed by nID).
struct MEDIASIZE {
    uint32_t nID = 0;
    int32_t nWidth = 0;   // 1/100 mm
    int32_t nLength = 0;  // 1/100 mm
    uint8_t bEditWidth = 0;
    uint8_t bEditHeight = 0;
    std::string strName;
    uint32_t nFormType = 0;  // 3 roll sizes, 5 sheet sizes
    uint8_t bSizeLimit = 0;  // the row states a minimum, maximum or custom size
};

// One ink type of the catalogue (keyed by nID).
struct INKTYPE {
    std::string strName;
    int32_t nID = 0;
    std::string strCategory;
    int32_t nCategory = 0;
};

// One choice of an option group. The record holds the step before the factor.
struct PRINTOPTIONVALUE {
    uint32_t nIndex = 0;  // choice id
    std::string strName;
    uint32_t nValue1 = 0;
    int32_t nValue2 = -1;
    int32_t nStep = -1;
    int32_t nFactor = -1;
};

// One option group of a model. nDefault of a group with choices is the
// position of its default choice.
struct PRINTOPTION {
    uint32_t nID = 0;
    std::string strName;
    uint32_t nDefault = 0;
    std::vector<PRINTOPTIONVALUE> listValues;

    // Sets name, id and default and empties the choices; the fourth number
    // is not kept.
    void Set(std::string name, uint32_t id, int32_t unused, uint32_t defaultValue);
    // Appends a choice. Factor comes before step here, unlike in the record.
    void AddValue(uint32_t id, std::string name, uint32_t value1, int32_t value2, int32_t factor, int32_t step);
};

struct CUSTOMGUISUP {
    std::string strID;
    std::string strLabel;
    std::string strValue;
};

// One printer-dialog control (kinds: dialog_controls.h).
struct CUSTOMGUI {
    uint32_t nGuiType = 0;
    std::string strID;
    std::string strLabel;
    std::string strDefault;
    std::string strTicketKey;
    std::vector<CUSTOMGUISUP> listSup;

    // Empties the items, sets kind, id, label and default, and the ticket key
    // from MakeCustomGuiKey(key, id).
    void Set(uint32_t kind, std::string id, std::string label, std::string defaultValue, std::string key);
};

// Element records of a printer model's lists.
struct RESOLUTION {
    double dResolutionX = 0.0;
    double dResolutionY = 0.0;
    // One value per pass mode of the model: the pass mode's own index when it
    // is allowed at this resolution, else -1.
    std::vector<uint32_t> vecPassModes;
    std::vector<uint32_t> vecValidColorModes;
    std::vector<uint32_t> vecValidHalftones;
    // Indices into the model's dot sizes, padded with -1 to their count.
    std::vector<uint32_t> vecValidDotSizes;
};

struct TRAYMEDIA {
    uint32_t nMediaID = 0;
    std::vector<uint32_t> vecTrays;  // tray ids, then -1
    int32_t nMarginLeft = 0;         // 1/100 mm
    int32_t nMarginRight = 0;
    int32_t nMarginTop = 0;
    int32_t nMarginBottom = 0;
    uint32_t nBorderless = 0;
    uint32_t nUserDefined = 0;
    int32_t nMeasureLeft = 0;  // equal to the left and right margins
    int32_t nMeasureRight = 0;
};

struct HALFTONE {
    std::string strName;
    uint32_t nValue = 0;
    uint32_t nVersion = 0;
};

struct ALTMEDIATYPE {
    std::string strName;
    uint32_t nID = 0;
};

struct HEATER {
    std::string strName;
    uint32_t nType = 0;
    double dMin = 0.0;  // degrees Celsius
    double dMax = 0.0;
    double dStep = 0.0;
    double dDefault = 0.0;
};

struct DOTSIZE {
    std::string strName;
    uint32_t nValue = 0;
};

struct CLCMEDIA {
    std::string strName;
    uint32_t nID = 0;
};

struct TRAY {
    std::string strName;
    uint32_t nValue = 0;
    uint32_t nBorderless = 0;
    uint32_t nRoll = 0;
};

struct PASSMODE {
    std::string strName;
    uint32_t nValue = 0;
};

struct COLORMODE {
    std::string strName;
    uint32_t nValue = 0;
    uint32_t nLinearizationMode = 0;
    std::vector<uint32_t> vecValidInks;
    std::vector<uint32_t> vecValidHalftones;
};

struct INKPRELIMIT {
    uint32_t nResolutionX = 0;
    uint32_t nResolutionY = 0;
    std::vector<double> vecLimits;  // percent, one per limited channel
};

struct CUSTOMGUICONDITION {
    std::string strKey;
    std::set<int32_t> setValues;
};

// A print-mode table's dot sizes: the line's dot-size table and its
// per-resolution rows.
struct DOTSIZEROW {
    uint16_t nResolutionX;  // 0 ends the table
    uint16_t nResolutionY;
    uint16_t aDotSizeIds[8];  // ended by 0xFFFF when fewer than eight
};
struct DOTSIZEPAIR {
    const DOTSIZEMODE* pDotSizes;
    const DOTSIZEROW* pPerResolution;
};
// Ink pre-limits of one resolution, -1.0 for a channel without a limit.
struct INKPRELIMITROW {
    uint16_t nResolutionX;  // 0 ends the table
    uint16_t nResolutionY;
    double aLimits[8];
};

// The printer lines whose resolutions and pass modes are fixed sets.
enum class PassModeLine { JV3, JV400, JV5 };
enum class PassModeVariant { FourColor, Other };

// One printer model.
struct PRINTERMODEL {
    PRINTERMODEL();

    std::string strPrnName;
    std::string strPrnShortname;
    uint32_t nPrnID;
    uint32_t nManufacturerID;
    std::string strManufacturerName;
    std::string strMeta;
    uint32_t nPrnType;
    std::vector<uint32_t> vecOEMIDs;
    std::vector<RESOLUTION> listResolutions;
    std::vector<TRAYMEDIA> listTrayMedia;
    std::vector<HALFTONE> listHalftones;
    std::vector<MEDIATYPE> listMediaTypes;
    std::vector<ALTMEDIATYPE> listAltMediaTypes;
    std::vector<HEATER> listHeaters;
    std::vector<std::string> vecGUIPlugins;
    std::vector<std::string> vecGUIPluginsJE;
    std::string strXAMLDialogLayoutDescription;
    double dHeadHeightMMMin;
    double dHeadHeightMMMax;
    double dHeadHeightMMMinMediaAlarm;
    std::vector<double> vecHeadHeightMMInSteps;
    std::vector<DOTSIZE> listDotSizes;
    std::vector<CLCMEDIA> listCLCMedia;
    std::vector<TRAY> listTrays;
    std::vector<PASSMODE> listPassModes;
    std::vector<COLORMODE> listColorModes;
    std::vector<std::string> vecSpotColors;
    std::vector<uint32_t> listInks;
    std::vector<INKPRELIMIT> listInkPreLimits;
    std::map<uint32_t, std::vector<uint32_t>> mapInkValidColors;
    std::vector<PRINTOPTION> listOptions;
    std::vector<CUSTOMGUI> listCustomGui;
    std::vector<std::string> vecCustomGuiConstraintsGUID;
    std::map<std::string, std::vector<CUSTOMGUICONDITION>> mapCustomGuiConstraintRules;
    std::map<std::string, std::vector<std::string>> mapCustomGuiConstraintFilters;
    uint32_t aPortType[2];
    uint32_t aPortIpProtocol[2];
    uint32_t nPortIpRawPort;
    std::string strPortPluginName;
    uint32_t nPortSpecialType;
    uint32_t nVisibilityMask;
    double dDefaultResolutionX;
    double dDefaultResolutionY;
    uint8_t bMediaTypeDonorIDs;
    uint8_t bMediaTypeSubKeys;
    uint8_t bQualityUseColor;
    double dResolutionNameFactorX;
    double dResolutionNameFactorY;
    uint32_t nDefaultTray;
    std::vector<uint32_t> vecDefaultMediaIDs;
    uint32_t nDefaultHalftone;
    int32_t nDefaultDotSize;
    int32_t nDefaultPassMode;
    uint8_t bSkipInklimit;
    uint8_t bSkipLinearization;
    uint8_t bSkipTIL;
    int32_t nPrintheadspeedMin, nPrintheadspeedMax, nPrintheadspeedDefault;
    int32_t nPagespaceMin, nPagespaceMax, nPagespace;
    uint32_t nCutterForceMin, nCutterForceMax, nCutterForceDefault;
    uint32_t nCutterVelocityMin, nCutterVelocityMax, nCutterVelocityDefault;
    double dCutterOffsetMin, dCutterOffsetMax, dCutterOffsetDefault;
    uint32_t nCutterRepetitionsMin, nCutterRepetitionsMax, nCutterRepetitionsDefault;

    // Every field back to its starting value, except the head heights and
    // mapInkValidColors, which it leaves alone.
    void Reset();

    void AddHalftone(std::string name, uint32_t value, uint32_t version);
    void AddDotSize(std::string name, uint32_t value);
    // Both numbers are the mode's channel count in this catalogue.
    void AddColorMode(std::string name, uint32_t value, uint32_t linearizationMode);
    void AddHeater(std::string name, uint32_t type, double minimum, double maximum, double step, double defaultValue);
    void AddMediaType(std::string name, uint32_t id);
    void SetSpotInks(std::string name);  // appends one spot-ink name
    void AddPassMode(std::string name, uint32_t id);
    void AddResolution(int32_t x, int32_t y, const std::vector<uint32_t>& slots,
                       const std::vector<uint32_t>& dotSizeIndices);
    // The slot values up to the first -2 (a -1 stays a value).
    void AddResolutionV(int32_t x, int32_t y, std::initializer_list<int32_t> slotsEndedByMinus2);
    // Appends nothing for an empty list.
    void AddPrintModeGroup(uint32_t x, uint32_t y, const std::vector<double>& limits);
    void AddTrayMedia(uint32_t mediaId, const std::vector<uint32_t>& trays, uint32_t left, uint32_t right,
                      uint32_t top, uint32_t bottom, uint8_t borderless, uint32_t userDefined);
    // The tray to listTrays, its default media id to vecDefaultMediaIDs.
    void AddTray(std::string name, uint32_t id, uint32_t defaultMediaId, uint8_t roll, uint8_t borderless);

    // Resolutions, dot sizes, pass modes and ink pre-limits from a print-mode
    // table (resolution_modes.cpp).
    void SetPrintModesFromTable(const PRINTMODE* table, const DOTSIZEPAIR& dotSizes,
                                const INKPRELIMITROW* preLimits, double defaultX, double defaultY);
    // Resolutions and pass modes of a line's fixed set; the ink id matters to
    // the JV400 line only.
    void SetPassModes(PassModeLine line, PassModeVariant variant, uint32_t inkId = 0);
};

// A resolution value as shown: (value + 0.5) truncated.
int32_t DisplayDpi(double dpi);
