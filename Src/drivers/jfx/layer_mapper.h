// Which ink planes go into which printing layer of the layered flatbeds. A
// colour configuration (0 to 17) places its channels at plane indices; the
// mapper lists the plane indices of the primer, main (colour), varnish and
// second colour layers from the printer's white and clear inks, the white
// print order and two flags of the caller.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

class ILayerMapper {
public:
    virtual ~ILayerMapper() = default;
    // Each empties the list and fills it with plane indices.
    virtual void GetPrimerLayerPlanes(std::vector<int32_t>& planes) const = 0;
    virtual void GetMainLayerPlanes(std::vector<int32_t>& planes) const = 0;
    virtual void GetVarnishLayerPlanes(std::vector<int32_t>& planes) const = 0;
    virtual void GetSecondColorLayerPlanes(std::vector<int32_t>& planes) const = 0;
};

// Channel names: "C", "M", "Y", "K", "c", "m" (light cyan and magenta),
// "W1", "W2" (white), "V1", "V2" (varnish, clear ink), "P1", "P2" (primer).
class LayerMapper : public ILayerMapper {
public:
    // whitePrintOrder: -1 without white, else 0 to 3 (2 prints white only,
    // 3 prints a second colour layer).
    LayerMapper(bool hasWhite, bool hasClear, int32_t whitePrintOrder, bool varnish, bool clearInColor);

    void GetPrimerLayerPlanes(std::vector<int32_t>& planes) const override;
    void GetMainLayerPlanes(std::vector<int32_t>& planes) const override;
    void GetVarnishLayerPlanes(std::vector<int32_t>& planes) const override;
    void GetSecondColorLayerPlanes(std::vector<int32_t>& planes) const override;

    // The plane index of a channel (-1: absent); an unknown name is entered with -1.
    int32_t& ChannelIndex(const std::string& name);
    // Appends the channel's plane index when it has one; false otherwise.
    bool AddPlane(const std::string& name, std::vector<int32_t>& planes) const;

private:
    void AddColourPlanes(std::vector<int32_t>& planes) const;

    std::map<std::string, int32_t> m_Channels;
    bool m_bVarnish;
    int32_t m_iWhitePrintOrder;
    bool m_bHasWhite;
    bool m_bHasClear;
    bool m_bClearInColor;
};

constexpr int32_t kJfxColorConfigCount = 18;

// The channel names of a configuration in plane order; empty outside 0 to 17.
std::vector<std::string> LayerMapperChannels(int32_t colorConfig);

// A mapper of the configuration, or null for a configuration outside 0 to 17.
std::unique_ptr<ILayerMapper> CreateLayerMapper(int32_t colorConfig, bool hasWhite, bool hasClear,
                                                int32_t whitePrintOrder, bool varnish, bool clearInColor);
