// The catalogue records: starting values and the list adders of a printer model.
#include "catalogue/catalogue_records.h"

#include <utility>

MEDIATYPE::MEDIATYPE() {
    for (auto& row : aLightInSolid) {
        for (int32_t& value : row) value = -1;
    }
}

void PRINTOPTION::Set(std::string name, uint32_t id, int32_t /*unused*/, uint32_t defaultValue) {
    listValues.clear();
    strName = std::move(name);
    nID = id;
    nDefault = defaultValue;
}

void PRINTOPTION::AddValue(uint32_t id, std::string name, uint32_t value1, int32_t value2, int32_t factor,
                           int32_t step) {
    listValues.push_back({id, std::move(name), value1, value2, step, factor});
}

PRINTERMODEL::PRINTERMODEL()
    : dHeadHeightMMMin(0.0), dHeadHeightMMMax(0.0), dHeadHeightMMMinMediaAlarm(0.0) {
    Reset();
}

void PRINTERMODEL::Reset() {
    strPrnName.clear();
    strPrnShortname.clear();
    nPrnID = 0;
    nManufacturerID = 0;
    strManufacturerName.clear();
    strMeta.clear();
    nPrnType = 0;
    vecOEMIDs.clear();
    listResolutions.clear();
    listTrayMedia.clear();
    listHalftones.clear();
    listMediaTypes.clear();
    listAltMediaTypes.clear();
    listHeaters.clear();
    vecGUIPlugins.clear();
    vecGUIPluginsJE.clear();
    strXAMLDialogLayoutDescription.clear();
    listDotSizes.clear();
    listCLCMedia.clear();
    listTrays.clear();
    listPassModes.clear();
    listColorModes.clear();
    vecSpotColors.clear();
    listInks.clear();
    listInkPreLimits.clear();
    listOptions.clear();
    listCustomGui.clear();
    vecCustomGuiConstraintsGUID.clear();
    mapCustomGuiConstraintRules.clear();
    mapCustomGuiConstraintFilters.clear();
    aPortType[0] = aPortType[1] = kAbsent;
    aPortIpProtocol[0] = aPortIpProtocol[1] = kAbsent;
    nPortIpRawPort = 0;
    strPortPluginName.clear();
    nPortSpecialType = 0;
    nVisibilityMask = 0;
    dDefaultResolutionX = 0.0;
    dDefaultResolutionY = 0.0;
    bMediaTypeDonorIDs = 0;
    bMediaTypeSubKeys = 0;
    bQualityUseColor = 0;
    dResolutionNameFactorX = 1.0;
    dResolutionNameFactorY = 1.0;
    nDefaultTray = 0;
    vecDefaultMediaIDs.clear();
    nDefaultHalftone = 0;
    nDefaultDotSize = -1;
    nDefaultPassMode = -1;
    bSkipInklimit = 0;
    bSkipLinearization = 0;
    bSkipTIL = 0;
    nPrintheadspeedMin = nPrintheadspeedMax = nPrintheadspeedDefault = -1;
    nPagespaceMin = nPagespaceMax = nPagespace = -1;
    nCutterForceMin = nCutterForceMax = nCutterForceDefault = kAbsent;
    nCutterVelocityMin = nCutterVelocityMax = nCutterVelocityDefault = kAbsent;
    dCutterOffsetMin = dCutterOffsetMax = dCutterOffsetDefault = -1.0;
    nCutterRepetitionsMin = nCutterRepetitionsMax = nCutterRepetitionsDefault = kAbsent;
}

void PRINTERMODEL::AddHalftone(std::string name, uint32_t value, uint32_t version) {
    listHalftones.push_back({std::move(name), value, version});
}

void PRINTERMODEL::AddDotSize(std::string name, uint32_t value) {
    listDotSizes.push_back({std::move(name), value});
}

void PRINTERMODEL::AddColorMode(std::string name, uint32_t value, uint32_t linearizationMode) {
    COLORMODE mode;
    mode.strName = std::move(name);
    mode.nValue = value;
    mode.nLinearizationMode = linearizationMode;
    listColorModes.push_back(std::move(mode));
}

void PRINTERMODEL::AddHeater(std::string name, uint32_t type, double minimum, double maximum, double step,
                             double defaultValue) {
    listHeaters.push_back({std::move(name), type, minimum, maximum, step, defaultValue});
}

void PRINTERMODEL::AddMediaType(std::string name, uint32_t id) {
    MEDIATYPE type;
    type.strTypeName = std::move(name);
    type.nTypeID = static_cast<int32_t>(id);
    listMediaTypes.push_back(std::move(type));
}

void PRINTERMODEL::SetSpotInks(std::string name) { vecSpotColors.push_back(std::move(name)); }

void PRINTERMODEL::AddPassMode(std::string name, uint32_t id) { listPassModes.push_back({std::move(name), id}); }

void PRINTERMODEL::AddResolution(int32_t x, int32_t y, const std::vector<uint32_t>& slots,
                                 const std::vector<uint32_t>& dotSizeIndices) {
    RESOLUTION resolution;
    resolution.dResolutionX = x;
    resolution.dResolutionY = y;
    resolution.vecPassModes = slots;
    resolution.vecValidDotSizes = dotSizeIndices;
    listResolutions.push_back(std::move(resolution));
}

void PRINTERMODEL::AddResolutionV(int32_t x, int32_t y, std::initializer_list<int32_t> slotsEndedByMinus2) {
    std::vector<uint32_t> slots;
    for (int32_t value : slotsEndedByMinus2) {
        if (value == -2) break;
        slots.push_back(static_cast<uint32_t>(value));
    }
    AddResolution(x, y, slots, {});
}

void PRINTERMODEL::AddPrintModeGroup(uint32_t x, uint32_t y, const std::vector<double>& limits) {
    if (limits.empty()) return;
    listInkPreLimits.push_back({x, y, limits});
}

void PRINTERMODEL::AddTrayMedia(uint32_t mediaId, const std::vector<uint32_t>& trays, uint32_t left,
                                uint32_t right, uint32_t top, uint32_t bottom, uint8_t borderless,
                                uint32_t userDefined) {
    TRAYMEDIA media;
    media.nMediaID = mediaId;
    media.vecTrays = trays;
    media.nMarginLeft = static_cast<int32_t>(left);
    media.nMarginRight = static_cast<int32_t>(right);
    media.nMarginTop = static_cast<int32_t>(top);
    media.nMarginBottom = static_cast<int32_t>(bottom);
    media.nBorderless = borderless;
    media.nUserDefined = userDefined;
    media.nMeasureLeft = media.nMarginLeft;
    media.nMeasureRight = media.nMarginRight;
    listTrayMedia.push_back(std::move(media));
}

void PRINTERMODEL::AddTray(std::string name, uint32_t id, uint32_t defaultMediaId, uint8_t roll,
                           uint8_t borderless) {
    listTrays.push_back({std::move(name), id, borderless, roll});
    vecDefaultMediaIDs.push_back(defaultMediaId);
}

int32_t DisplayDpi(double dpi) { return static_cast<int32_t>(dpi + 0.5); }
