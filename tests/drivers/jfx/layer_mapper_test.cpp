// Which planes go into which printing layer of the JFX flatbeds.
#include "drivers/jfx/layer_mapper.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using Planes = std::vector<int32_t>;

struct Lists {
    Planes primer, main, varnish, second;
};

Lists Map(int32_t config, bool white, bool clear, int32_t order, bool varnish, bool clearInColor) {
    const auto mapper = CreateLayerMapper(config, white, clear, order, varnish, clearInColor);
    Lists lists;
    if (!mapper) {
        ADD_FAILURE() << "no mapper for configuration " << config;
        return lists;
    }
    lists.primer = {99};  // each operation empties its list first
    mapper->GetPrimerLayerPlanes(lists.primer);
    mapper->GetMainLayerPlanes(lists.main);
    mapper->GetVarnishLayerPlanes(lists.varnish);
    mapper->GetSecondColorLayerPlanes(lists.second);
    return lists;
}

TEST(LayerMapper, ListsThePlanesOfEachLayerByConfigurationAndOrder) {
    Lists l = Map(0, true, true, 0, true, true);
    EXPECT_EQ(l.main, (Planes{0, 1, 2, 3}));
    EXPECT_TRUE(l.primer.empty() && l.varnish.empty() && l.second.empty());

    l = Map(7, true, true, 0, false, true);
    EXPECT_EQ(l.main, (Planes{0, 1, 2, 3, 4, 5, 6, 7}));
    EXPECT_TRUE(l.varnish.empty());
    l = Map(7, true, true, 0, true, true);  // clear in both layers when both flags are set
    EXPECT_EQ(l.main, (Planes{0, 1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(l.varnish, (Planes{6, 7}));

    l = Map(7, true, true, 3, false, true);
    EXPECT_EQ(l.main, (Planes{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(l.second, (Planes{0, 1, 2, 3, 6, 7}));

    EXPECT_EQ(Map(2, true, false, 2, false, false).main, (Planes{4, 5}));  // white only
    EXPECT_EQ(Map(2, false, false, 0, false, false).main, (Planes{0, 1, 2, 3}));
    EXPECT_EQ(Map(10, true, true, 1, true, true).varnish, (Planes{6}));
    EXPECT_EQ(Map(10, true, true, 1, true, true).primer, (Planes{7}));
    EXPECT_EQ(Map(9, false, true, -1, false, false).primer, (Planes{6, 7}));

    EXPECT_EQ(CreateLayerMapper(18, true, true, 0, true, true), nullptr);
    EXPECT_EQ(CreateLayerMapper(-1, true, true, 0, true, true), nullptr);
}

TEST(LayerMapper, AddPlaneAndChannelIndexKeepAbsentChannelsOut) {
    LayerMapper mapper(true, true, 0, true, true);
    Planes planes;
    EXPECT_FALSE(mapper.AddPlane("W1", planes));
    EXPECT_FALSE(mapper.AddPlane("unknown", planes));
    mapper.ChannelIndex("W1") = 6;
    EXPECT_EQ(mapper.ChannelIndex("X"), -1);  // entered with -1
    EXPECT_TRUE(mapper.AddPlane("W1", planes));
    EXPECT_EQ(planes, (Planes{6}));
}

// No layer lists a plane that the configuration lacks, none lists a plane
// twice, and the colour planes are never lost except in white-only order 2.
TEST(LayerMapper, SweepOfConfigurationsOrdersAndFlagsStaysWithinTheConfiguration) {
    for (int32_t config = 0; config < kJfxColorConfigCount; ++config) {
        const int32_t planes = int32_t(LayerMapperChannels(config).size());
        ASSERT_GE(planes, 4);
        for (int32_t order = -1; order <= 3; ++order) {
            for (int flags = 0; flags < 16; ++flags) {
                const bool white = flags & 1, clear = flags & 2, varnish = flags & 4, inColour = flags & 8;
                const Lists l = Map(config, white, clear, order, varnish, inColour);
                for (const Planes* list : {&l.primer, &l.main, &l.varnish, &l.second}) {
                    for (int32_t p : *list) EXPECT_TRUE(p >= 0 && p < planes) << config << " " << order << " " << flags;
                    Planes sorted = *list;
                    std::sort(sorted.begin(), sorted.end());
                    EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end());
                }
                if (order != 2) {
                    EXPECT_EQ(std::count_if(l.main.begin(), l.main.end(), [](int32_t p) { return p < 4; }), 4);
                }
            }
        }
    }
}

}  // namespace
