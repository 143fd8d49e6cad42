#include "drivers/jfx/layer_mapper.h"

#include <sstream>

namespace {

// The channels of each colour configuration, in plane order.
const char* const kConfigChannels[kJfxColorConfigCount] = {
    "C M Y K",              // 0  clsCMYK
    "C M Y K c m",          // 1  clsCMYKcm
    "C M Y K W1 W2",        // 2  clsCMYKWW
    "C M Y K V1 V2",        // 3  clsCMYKVV
    "C M Y K W1 V1",        // 4  clsCMYKWV
    "C M Y K W1 P1",        // 5  clsCMYKWP
    "C M Y K V1 P1",        // 6  clsCMYKVP
    "C M Y K W1 W2 V1 V2",  // 7  clsCMYKWWVV
    "C M Y K W1 W2 P1 P2",  // 8  clsCMYKWWPP
    "C M Y K V1 V2 P1 P2",  // 9  clsCMYKVVPP
    "C M Y K W1 W2 V1 P1",  // 10 clsCMYKWWVP
    "C M Y K P1 P2",        // 11 clsCMYKPP
    "C M Y K c m W1 W2",    // 12 clsCMYKcmWW
    "C M Y K c m V1 V2",    // 13 clsCMYKcmVV
    "C M Y K c m P1 P2",    // 14 clsCMYKcmPP
    "C M Y K c m W1 V1",    // 15 clsCMYKcmWV
    "C M Y K c m W1 P1",    // 16 clsCMYKcmWP
    "C M Y K c m V1 P1",    // 17 clsCMYKcmVP
};

const char* const kAllChannels[] = {"C", "M", "Y", "K", "c", "m", "W1", "W2", "V1", "V2", "P1", "P2"};

}  // namespace

LayerMapper::LayerMapper(bool hasWhite, bool hasClear, int32_t whitePrintOrder, bool varnish, bool clearInColor)
    : m_bVarnish(varnish),
      m_iWhitePrintOrder(whitePrintOrder),
      m_bHasWhite(hasWhite),
      m_bHasClear(hasClear),
      m_bClearInColor(clearInColor) {
    for (const char* name : kAllChannels) m_Channels[name] = -1;
}

int32_t& LayerMapper::ChannelIndex(const std::string& name) { return m_Channels.try_emplace(name, -1).first->second; }

bool LayerMapper::AddPlane(const std::string& name, std::vector<int32_t>& planes) const {
    const auto it = m_Channels.find(name);
    if (it == m_Channels.end() || it->second == -1) return false;
    planes.push_back(it->second);
    return true;
}

void LayerMapper::AddColourPlanes(std::vector<int32_t>& planes) const {
    for (const char* name : {"C", "M", "Y", "K", "c", "m"}) AddPlane(name, planes);
}

void LayerMapper::GetPrimerLayerPlanes(std::vector<int32_t>& planes) const {
    planes.clear();
    AddPlane("P1", planes);
    AddPlane("P2", planes);
}

void LayerMapper::GetMainLayerPlanes(std::vector<int32_t>& planes) const {
    planes.clear();
    if (m_iWhitePrintOrder != 2) AddColourPlanes(planes);
    if (m_bHasWhite) {
        AddPlane("W1", planes);
        AddPlane("W2", planes);
    }
    if (m_bHasClear && m_bClearInColor && m_iWhitePrintOrder != 3) {
        AddPlane("V1", planes);
        AddPlane("V2", planes);
    }
}

void LayerMapper::GetVarnishLayerPlanes(std::vector<int32_t>& planes) const {
    planes.clear();
    if (!m_bHasClear || !m_bVarnish) return;
    AddPlane("V1", planes);
    AddPlane("V2", planes);
}

void LayerMapper::GetSecondColorLayerPlanes(std::vector<int32_t>& planes) const {
    planes.clear();
    if (m_iWhitePrintOrder != 3) return;
    AddColourPlanes(planes);
    if (m_bHasClear && m_bClearInColor) {
        AddPlane("V1", planes);
        AddPlane("V2", planes);
    }
}

std::vector<std::string> LayerMapperChannels(int32_t colorConfig) {
    std::vector<std::string> names;
    if (colorConfig < 0 || colorConfig >= kJfxColorConfigCount) return names;
    std::istringstream in(kConfigChannels[colorConfig]);
    for (std::string name; in >> name;) names.push_back(name);
    return names;
}

std::unique_ptr<ILayerMapper> CreateLayerMapper(int32_t colorConfig, bool hasWhite, bool hasClear,
                                                int32_t whitePrintOrder, bool varnish, bool clearInColor) {
    if (uint32_t(colorConfig) >= uint32_t(kJfxColorConfigCount)) return nullptr;
    auto mapper = std::make_unique<LayerMapper>(hasWhite, hasClear, whitePrintOrder, varnish, clearInColor);
    int32_t plane = 0;
    for (const std::string& name : LayerMapperChannels(colorConfig)) mapper->ChannelIndex(name) = plane++;
    return mapper;
}
