#include "catalogue_text.h"

#include <cmath>

#include "base/format.h"

namespace {

// A u32 field that holds -1 for "absent" prints as -1.
std::string Num(uint32_t value) { return FormatDecimal(static_cast<int32_t>(value)); }
std::string Num(int32_t value) { return FormatDecimal(value); }
std::string Num(double value) {
    if (std::floor(value) == value && std::fabs(value) < 1e15) return FormatDecimal(static_cast<int64_t>(value));
    return FormatFixed(value, 4);
}
std::string Quote(const std::string& text) { return "\"" + text + "\""; }

template <typename T>
std::string List(const T& values) {
    std::string text;
    for (const auto& v : values) text += (text.empty() ? "" : " ") + Num(v);
    return text;
}

}  // namespace

std::string CatalogueModelText(const PRINTERMODEL& m) {
    std::string t;
    auto line = [&t](const std::string& text) { t += text + "\n"; };

    line("model " + Num(m.nPrnID) + " " + Quote(m.strPrnName) + " short " + Quote(m.strPrnShortname));
    line("manufacturer " + Num(m.nManufacturerID) + " " + Quote(m.strManufacturerName) + " type " + Num(m.nPrnType));
    line("oem-ids [" + List(m.vecOEMIDs) + "]");
    line("port type " + Num(m.aPortType[0]) + " " + Num(m.aPortType[1]) + " special " + Num(m.nPortSpecialType) +
         " plugin " + Quote(m.strPortPluginName) + " ip-protocol " + Num(m.aPortIpProtocol[0]) + " " +
         Num(m.aPortIpProtocol[1]) + " raw-port " + Num(m.nPortIpRawPort) + " visibility " + Num(m.nVisibilityMask));

    line("resolutions " + std::to_string(m.listResolutions.size()) + " default " + Num(m.dDefaultResolutionX) +
         " x " + Num(m.dDefaultResolutionY));
    for (const RESOLUTION& r : m.listResolutions) {
        std::string allowed;
        for (uint32_t slot : r.vecPassModes) {
            if (slot != kAbsent) allowed += (allowed.empty() ? "" : " ") + Num(slot);
        }
        line("  " + Num(r.dResolutionX) + " x " + Num(r.dResolutionY) + " slots " +
             std::to_string(r.vecPassModes.size()) + " [" + allowed + "] dot-sizes [" + List(r.vecValidDotSizes) +
             "]");
    }
    line("pass-modes " + std::to_string(m.listPassModes.size()) + " default " + Num(m.nDefaultPassMode));
    for (size_t i = 0; i < m.listPassModes.size(); ++i) {
        line("  " + std::to_string(i) + " " + Quote(m.listPassModes[i].strName) + " " + Num(m.listPassModes[i].nValue));
    }
    line("ink-pre-limits");
    for (const INKPRELIMIT& p : m.listInkPreLimits) {
        line("  " + Num(p.nResolutionX) + " x " + Num(p.nResolutionY) + " [" + List(p.vecLimits) + "]");
    }
    line("dot-sizes default " + Num(m.nDefaultDotSize));
    for (const DOTSIZE& d : m.listDotSizes) line("  " + Num(d.nValue) + " " + Quote(d.strName));
    line("halftones default " + Num(m.nDefaultHalftone));
    for (const HALFTONE& h : m.listHalftones) {
        line("  " + Num(h.nValue) + " " + Quote(h.strName) + " version " + Num(h.nVersion));
    }
    line("inks [" + List(m.listInks) + "]");
    line("heaters");
    for (const HEATER& h : m.listHeaters) {
        line("  " + Quote(h.strName) + " type " + Num(h.nType) + " " + Num(h.dMin) + "-" + Num(h.dMax) + " step " +
             Num(h.dStep) + " default " + Num(h.dDefault));
    }
    line("color-modes");
    for (const COLORMODE& c : m.listColorModes) {
        line("  " + Quote(c.strName) + " " + Num(c.nValue) + " " + Num(c.nLinearizationMode) + " inks [" +
             List(c.vecValidInks) + "] halftones [" + List(c.vecValidHalftones) + "]");
    }
    std::string spots;
    for (const std::string& s : m.vecSpotColors) spots += (spots.empty() ? "" : " ") + Quote(s);
    line("spot-inks [" + spots + "]");
    line("media-types");
    for (const MEDIATYPE& mt : m.listMediaTypes) line("  " + Num(mt.nTypeID) + " " + Quote(mt.strTypeName));

    line("trays default " + Num(m.nDefaultTray) + " default-media [" + List(m.vecDefaultMediaIDs) + "]");
    for (const TRAY& tr : m.listTrays) {
        line("  " + Num(tr.nValue) + " " + Quote(tr.strName) + " roll " + Num(tr.nRoll) + " borderless " +
             Num(tr.nBorderless));
    }
    line("tray-media " + std::to_string(m.listTrayMedia.size()));
    for (const TRAYMEDIA& tm : m.listTrayMedia) {
        line("  " + Num(tm.nMediaID) + " trays [" + List(tm.vecTrays) + "] margins " + Num(tm.nMarginLeft) + " " +
             Num(tm.nMarginRight) + " " + Num(tm.nMarginTop) + " " + Num(tm.nMarginBottom) + " borderless " +
             Num(tm.nBorderless) + " user " + Num(tm.nUserDefined));
    }

    line("options " + std::to_string(m.listOptions.size()));
    for (const PRINTOPTION& o : m.listOptions) {
        line("  " + Num(o.nID) + " " + Quote(o.strName) + " default " + Num(o.nDefault));
        for (const PRINTOPTIONVALUE& v : o.listValues) {
            line("    " + Num(v.nIndex) + " " + Quote(v.strName) + " " + Num(v.nValue1) + " value2 " + Num(v.nValue2) +
                 " step " + Num(v.nStep) + " factor " + Num(v.nFactor));
        }
    }
    line("controls " + std::to_string(m.listCustomGui.size()));
    for (const CUSTOMGUI& c : m.listCustomGui) {
        line("  " + Num(c.nGuiType) + " id " + Quote(c.strID) + " label " + Quote(c.strLabel) + " default " +
             Quote(c.strDefault) + " key " + Quote(c.strTicketKey));
        for (const CUSTOMGUISUP& s : c.listSup) {
            line("    item " + Quote(s.strID) + " " + Quote(s.strLabel) + " " + Quote(s.strValue));
        }
    }

    // What the model table leaves at its starting values.
    line("meta " + Quote(m.strMeta) + " gui-plugins " + std::to_string(m.vecGUIPlugins.size()) + " " +
         std::to_string(m.vecGUIPluginsJE.size()) + " layout " + Quote(m.strXAMLDialogLayoutDescription));
    line("head " + Num(m.dHeadHeightMMMin) + " " + Num(m.dHeadHeightMMMax) + " " + Num(m.dHeadHeightMMMinMediaAlarm) +
         " steps [" + List(m.vecHeadHeightMMInSteps) + "]");
    line("cutter force " + Num(m.nCutterForceMin) + " " + Num(m.nCutterForceMax) + " " + Num(m.nCutterForceDefault) +
         " velocity " + Num(m.nCutterVelocityMin) + " " + Num(m.nCutterVelocityMax) + " " +
         Num(m.nCutterVelocityDefault) + " offset " + Num(m.dCutterOffsetMin) + " " + Num(m.dCutterOffsetMax) + " " +
         Num(m.dCutterOffsetDefault) + " repetitions " + Num(m.nCutterRepetitionsMin) + " " +
         Num(m.nCutterRepetitionsMax) + " " + Num(m.nCutterRepetitionsDefault));
    line("page-space " + Num(m.nPagespaceMin) + " " + Num(m.nPagespaceMax) + " " + Num(m.nPagespace) + " head-speed " +
         Num(m.nPrintheadspeedMin) + " " + Num(m.nPrintheadspeedMax) + " " + Num(m.nPrintheadspeedDefault));
    line("clc-media " + std::to_string(m.listCLCMedia.size()) + " alt-media " +
         std::to_string(m.listAltMediaTypes.size()) + " skip " + Num(uint32_t{m.bSkipInklimit}) + " " +
         Num(uint32_t{m.bSkipLinearization}) + " " + Num(uint32_t{m.bSkipTIL}) + " flags " +
         Num(uint32_t{m.bMediaTypeDonorIDs}) + " " + Num(uint32_t{m.bMediaTypeSubKeys}) + " " +
         Num(uint32_t{m.bQualityUseColor}) + " name-factors " + Num(m.dResolutionNameFactorX) + " " +
         Num(m.dResolutionNameFactorY));
    return t;
}

std::string CatalogueMediaText(const CVarnPrinter& c) {
    std::string t = "media-sizes " + std::to_string(c.m_mapMediaSizes.size()) + " version " +
                    Num(c.m_nMediaListVersion) + " restricted " + Num(uint32_t{c.m_bOEMMediaRestricted}) + " [" +
                    List(c.m_setOEMMediaIDs) + "]\n";
    for (const auto& entry : c.m_mapMediaSizes) {
        const MEDIASIZE& m = entry.second;
        t += "  " + Num(m.nID) + " " + Quote(m.strName) + " " + Num(m.nWidth) + " x " + Num(m.nLength) + " form " +
             Num(m.nFormType) + " edit " + Num(uint32_t{m.bEditWidth}) + " " + Num(uint32_t{m.bEditHeight}) +
             " size-limit " + Num(uint32_t{m.bSizeLimit}) + "\n";
    }
    return t;
}

std::string CatalogueInkText(const CVarnPrinter& c) {
    std::string t = "ink-types " + std::to_string(c.m_mapInkTypes.size()) + "\n";
    for (const auto& entry : c.m_mapInkTypes) {
        const INKTYPE& i = entry.second;
        t += "  " + Num(entry.first) + " " + Quote(i.strName) + " category " + Quote(i.strCategory) + " " +
             Num(i.nCategory) + "\n";
    }
    return t;
}

std::string CatalogueOfferText(const CVarnPrinter& c) {
    std::string t = "offers " + std::to_string(c.m_listPrinters.size()) + "\n";
    for (const PRINTERLISTITEM& item : c.m_listPrinters) t += "  " + Num(item.nPrnID) + " oem-ids [" + List(item.vecOEMIDs) + "]\n";
    return t;
}

std::string CatalogueCompatibleText(const CVarnPrinter& c) {
    std::string t = "compatible-groups " + std::to_string(c.m_listCompatiblePrinters.size()) + "\n";
    for (const auto& group : c.m_listCompatiblePrinters) t += "  [" + List(group) + "]\n";
    return t;
}
