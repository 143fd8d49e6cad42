// The per-model exporters, read back from the host kit's store: models of the
// real catalogue from different families, and hand-made models for the rules
// that the catalogue does not exercise.
#include "catalogue/prn_exporters.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "info_ticket_support.h"
#include "support/recording_logger.h"
#include "support/scratch_folder.h"
#include "ticket_text.h"

namespace {

using namespace infotest;
using V = std::vector<int32_t>;
using S = std::vector<std::string>;

class CatalogueExport : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        store_ = new hostkit::TicketStore;
        ASSERT_EQ(GetPrnInfoXML(store_->ticket(), 1, 0, nullptr), 156);
    }
    static void TearDownTestSuite() {
        delete store_;
        store_ = nullptr;
    }
    static const hostkit::TicketStore& store() { return *store_; }

private:
    static hostkit::TicketStore* store_;
};
hostkit::TicketStore* CatalogueExport::store_ = nullptr;

TEST_F(CatalogueExport, RollPrinterWithHalftonesHeatersResolutionsAndInks) {
    const auto& s = store();
    EXPECT_EQ(Strings(s, 665, "Output/Prn/Info/Halftone/Name"), (S{"Error diffusion (SE1)", "Screening"}));
    EXPECT_EQ(Ints(s, 665, "Output/Prn/Info/Halftone/Version"), (V{100, 100}));
    EXPECT_EQ(Ints(s, 665, "Output/Prn/Info/DotSize/Value"), (V{0, 1}));
    EXPECT_FALSE(Has(s, 665, "Output/Prn/Info/DotSize/Default"));
    EXPECT_EQ(Strings(s, 665, "Output/Prn/Info/Heater/Name"), (S{"Pre-Heater", "Print Heater"}));
    EXPECT_EQ(Doubles(s, 665, "Output/Prn/Info/Heater/CelsiusMax"), (std::vector<double>{60.0, 60.0}));
    EXPECT_EQ(Strings(s, 665, "Output/Prn/Info/Resolution/Name"),
              (S{"360 x 360", "360 x 540", "360 x 720", "720 x 720", "720 x 1440", "1440 x 1440"}));
    EXPECT_EQ(Doubles(s, 665, "Output/Prn/Info/Resolution/Default_Y"), std::vector<double>{540.0});
    const V index = Ints(s, 665, "Output/Prn/Info/Quality/Index");
    ASSERT_EQ(index.size(), 72u);
    EXPECT_EQ(V(index.begin(), index.begin() + 3), (V{0, -1, 2}));
    EXPECT_EQ(Ints(s, 665, "Output/Prn/Info/Quality/Value").front(), 202);
    EXPECT_FALSE(Has(s, 665, "Process/Noise"));
    EXPECT_FALSE(Has(s, 665, "Output/Prn/Info/Resolution/ValidDotSizes"));
    EXPECT_EQ(Ints(s, 665, "Output/Prn/Info/Ink/Value"), (V{504, 505, 507, 508, 509, 513}));
    EXPECT_EQ(Strings(s, 665, "Output/Prn/Info/Color/Name"), S{"CMYK"});
    EXPECT_EQ(Ints(s, 665, "Output/Prn/Info/Color/LinMode"), V{4});
    EXPECT_EQ(Ints(s, 665, "Output/Prn/Info/Color/ValidInk"), (V{504, 505, 507, 508, 509, 513}));
    EXPECT_EQ(Ints(s, 665, "Output/Prn/Info/Port/Type"), (V{12, 4}));
    EXPECT_EQ(Strings(s, 665, "Output/Prn/Info/Port/Plugin/Name"), S{"MimakiPort"});
    EXPECT_FALSE(Has(s, 665, "Output/Prn/Info/Port/Ip/Protocol"));
    EXPECT_FALSE(Has(s, 665, "Output/Prn/Info/Port/Ip/Raw/Port"));
    EXPECT_EQ(Doubles(s, 665, "Output/Prn/Info/Media/Margin/Top").front(), 25.0);
    EXPECT_EQ(Ints(s, 665, "Output/Prn/Info/Media/UseTray").size(), 2 * Ints(s, 665, "Output/Prn/Info/Media/ID").size());
}

TEST_F(CatalogueExport, UsbPrinterWithPreLimitsAndNoCompatibles) {
    const auto& s = store();
    EXPECT_EQ(Ints(s, 7071, "Output/Prn/Info/Port/Type"), (V{6, 2}));
    EXPECT_EQ(Ints(s, 7071, "Output/Prn/Info/Port/Ip/Protocol"), (V{1, 1}));
    EXPECT_EQ(Ints(s, 7071, "Output/Prn/Info/Port/Ip/Raw/Port"), V{11110});
    EXPECT_EQ(Ints(s, 7071, "Output/Prn/Info/VisibilityMask"), V{1});
    EXPECT_EQ(Strings(s, 7071, "Output/Prn/Info/Port/Plugin/Name"), S{"MimakiUsbPort"});
    EXPECT_EQ(Ints(s, 7071, "Output/Prn/Info/Port/Special/Type"), V{6});
    EXPECT_EQ(Doubles(s, 7071, "Output/Prn/Info/Resolution_720_1080/InkPreLimit4"), std::vector<double>{90.0});
    EXPECT_FALSE(Has(s, 7071, "Output/Prn/Info/Resolution_720_1080/InkPreLimit5"));
    EXPECT_EQ(Ints(s, 7071, "Output/Prn/Info/Resolution/ValidDotSizes").size(), 20u);
    for (uint32_t alone : {7071u, 7072u, 7081u, 7085u}) {
        EXPECT_FALSE(Has(s, alone, "Output/Prn/Info/Manufacturer/CompPrnID")) << alone;
        EXPECT_FALSE(Has(s, alone, "Output/Prn/Info/Manufacturer/CompPrnName")) << alone;
    }
    EXPECT_EQ(Ints(s, 7077, "Output/Prn/Info/Manufacturer/CompPrnID"), V{7079});
    EXPECT_EQ(Strings(s, 7077, "Output/Prn/Info/Manufacturer/CompPrnName"),
              Strings(s, 7079, "Output/Prn/Info/Manufacturer/PrnName"));
    EXPECT_EQ(Ints(s, 7081, "Output/Prn/Info/CustomGui/GuiType").size(), 6u);
    EXPECT_EQ(Strings(s, 7081, "Output/Prn/Info/CustomGui/TicketKey").size(), 6u);
    EXPECT_FALSE(Has(s, 7081, "Output/Prn/Info/CustomGui/Sup/ID"));
}

TEST(MediaTypeExport, RowsStayWithinTheirLengthAndDivideOnlyByColourModes) {
    StubCatalogue stub;
    PRINTERMODEL& m = stub.Offer(700);
    for (int i = 0; i < 4; ++i) m.AddResolution(360 * (i + 1), 360, {}, {});
    m.AddHeater("a", 1, 20, 60, 1, 40);
    m.AddHeater("b", 1, 20, 60, 1, 45);
    m.AddHeater("c", 1, 20, 60, 1, 50);
    m.AddMediaType("one", 1);
    m.AddMediaType("two", 2);
    m.AddMediaType("three", 3);
    m.listMediaTypes[0].vecSupportedRes = {1, 3};
    m.listMediaTypes[0].vecHeaterDef = {35};
    m.listMediaTypes[2].vecSupportedRes = {3, 2, 1, 0, 3, 2};  // longer than a row
    hostkit::TicketStore store;
    GetPrinterMediaTypeXML(700, store.ticket(), nullptr, 0);
    EXPECT_EQ(Ints(store, 700, "Output/Prn/Info/Media/Spec/SupportedRes"), (V{1, 3, -1, -1, 0, 1, 2, 3, 3, 2, 1, 0}));
    EXPECT_EQ(Doubles(store, 700, "Output/Prn/Info/Media/Spec/HeaterDef"),
              (std::vector<double>{35, 45, 50, 40, 45, 50, 40, 45, 50}));

    // Qualities by colour without a colour mode: every resolution counts.
    m.bQualityUseColor = 1;
    GetPrinterMediaTypeXML(700, store.ticket(), nullptr, 0);
    GetPrinterResolutionXML(700, store.ticket());
    EXPECT_EQ(Ints(store, 700, "Output/Prn/Info/Media/Spec/SupportedRes").size(), 12u);
    EXPECT_EQ(Strings(store, 700, "Output/Prn/Info/Resolution/Name").size(), 4u);
    EXPECT_EQ(Ints(store, 700, "Output/Prn/Info/Quality/UseColor"), V{1});
    m.AddColorMode("CMYK", 4, 4);
    m.AddColorMode("CMYKcm", 6, 6);
    GetPrinterResolutionXML(700, store.ticket());
    EXPECT_EQ(Strings(store, 700, "Output/Prn/Info/Resolution/Name"), (S{"360 x 360", "720 x 360"}));
}

TEST(MediaTypeExport, SettingKeysNameTheTypeAndTheSuppliersForm) {
    StubCatalogue stub;
    PRINTERMODEL& m = stub.Offer(700);
    m.AddMediaType("t", 20);
    MEDIATYPE& type = m.listMediaTypes[0];
    type.avecSettings[3] = {7, 8};
    type.vecInkTypes = {401};
    type.bLightInSolid = 1;
    for (int r = 0; r < 3; ++r) {
        for (int i = 0; i < 4; ++i) type.aLightInSolid[r][i] = r * 10 + i;
    }
    hostkit::TicketStore store;
    GetPrinterMediaTypeXML(700, store.ticket(), nullptr, 11);
    EXPECT_FALSE(Has(store, 700, "Output/Prn/Info/Media/Spec/TypeID20/Mediatype3")) << "only with the sub-key flag";
    EXPECT_EQ(Ints(store, 700, "Output/Prn/Info/Media/Spec/TypeID20/LightInSolid/Min"), (V{20, 21, 22, 23}));
    m.bMediaTypeSubKeys = 1;
    GetPrinterMediaTypeXML(700, store.ticket(), nullptr, 11);
    GetPrinterMediaTypeXML(700, store.ticket(), nullptr, 0);
    EXPECT_EQ(Ints(store, 700, "Output/Prn/Info/Media/Spec/TypeID20/Mediatype3"), (V{7, 8}));
    EXPECT_EQ(Ints(store, 700, "Output/Prn/Info/Media/Spec/TypeID20/3"), (V{7, 8}));
    EXPECT_EQ(Ints(store, 700, "Output/Prn/Info/Media/Spec/TypeID20/InkType"), V{401});
    EXPECT_FALSE(Has(store, 700, "Output/Prn/Info/Media/Spec/HeaterDef"));
}

TEST(PaperExport, SkipsAMissingSizeWithOrWithoutALogger) {
    StubCatalogue stub;
    stub.catalogue.AddMediaSize(5, "A4", 21000.0, 0, 29700.0, 0, 5, 0);
    PRINTERMODEL& m = stub.Offer(700);
    m.AddTrayMedia(5, {1}, 500, 700, 300, 1200, 0, 0);
    m.AddTrayMedia(6, {1}, 0, 0, 0, 0, 0, 0);
    hostkit::TicketStore store;
    std::set<int> used;
    EXPECT_EQ(GetPrinterPaperXML(700, store.ticket(), nullptr, used), 1);
    testsupport::RecordingLogger log;
    EXPECT_EQ(GetPrinterPaperXML(700, store.ticket(), &log, used), 1);
    EXPECT_TRUE(log.Has(LOG_ERROR, "GetPrinterPaperXML Error: Printer 700 MediaID 6 not implemented in PaperSizes"));
    EXPECT_EQ(used, std::set<int>{5});
    // Each margin under its own key, measured ones as the left and right margins.
    const std::vector<std::pair<const char*, double>> margins{
        {"Margin/Left", 5.0}, {"Margin/Right", 7.0}, {"Margin/Top", 3.0},
        {"Margin/Bottom", 12.0}, {"Measure/Left", 5.0}, {"Measure/Right", 7.0}};
    for (const auto& [key, mm] : margins)
        EXPECT_EQ(Doubles(store, 700, std::string("Output/Prn/Info/Media/") + key), std::vector<double>{mm}) << key;
    EXPECT_EQ(Ints(store, 700, "Output/Prn/Info/Media/UseTray").size(), 1u);
}

// Rules that no catalogued model exercises yet: an unset port type, cutter
// limits that differ from their defaults, a colour mode without a name.
TEST(DeviceExport, PortTypeCutterLimitsAndUnnamedColourModes) {
    StubCatalogue stub;
    PRINTERMODEL& m = stub.Offer(700);
    m.nCutterForceMin = 10, m.nCutterForceMax = 400, m.nCutterForceDefault = 120;
    m.nCutterVelocityMin = 1, m.nCutterVelocityMax = 60, m.nCutterVelocityDefault = 30;
    m.dCutterOffsetMin = 0.1, m.dCutterOffsetMax = 1.5, m.dCutterOffsetDefault = 0.3;
    m.nCutterRepetitionsMin = 1, m.nCutterRepetitionsMax = 9, m.nCutterRepetitionsDefault = 2;
    m.listInks = {401, 402};
    m.listColorModes = {{"CMYK", 4, 4, {401, 402}, {1}}, {"", 6, 6, {401, 402}, {2}}, {"RGB", 3, 1, {}, {3}}};
    hostkit::TicketStore store;
    GetPrinterPortXML(700, store.ticket());
    EXPECT_EQ(Ints(store, 700, "Output/Prn/Info/Port/Type"), (V{63, 2}));
    EXPECT_EQ(GetPrinterCutterParametersXML(700, store.ticket()), 4);
    const std::string cutter = "Output/Prn/Info/CutterParameters/";
    for (const auto& [name, values] : std::vector<std::pair<std::string, V>>{
             {"Force", {10, 400, 120}}, {"Velocity", {1, 60, 30}}, {"Repetitions", {1, 9, 2}}}) {
        EXPECT_EQ((V{Ints(store, 700, cutter + name + "Min").at(0), Ints(store, 700, cutter + name + "Max").at(0),
                     Ints(store, 700, cutter + name + "Default").at(0)}),
                  values)
            << name;
    }
    EXPECT_EQ((std::vector<double>{Doubles(store, 700, cutter + "OffsetMin").at(0),
                                   Doubles(store, 700, cutter + "OffsetMax").at(0),
                                   Doubles(store, 700, cutter + "OffsetDefault").at(0)}),
              (std::vector<double>{0.1, 1.5, 0.3}));
    GetPrinterInkXML(&stub.catalogue, 700, store.ticket(), {});
    EXPECT_EQ(Strings(store, 700, "Output/Prn/Info/Color/Name"), (S{"CMYK", "RGB"}));
    EXPECT_EQ(Ints(store, 700, "Output/Prn/Info/Color/Value"), (V{4, 3}));
    EXPECT_EQ(Ints(store, 700, "Output/Prn/Info/Color/LinMode"), (V{4, 1}));
    EXPECT_EQ(Ints(store, 700, "Output/Prn/Info/Color/ValidInk"), (V{401, 402, 401, 402}));
    EXPECT_EQ(Ints(store, 700, "Output/Prn/Info/Color/ValidHalftoneModes"), (V{1, 3}));
}

TEST(DialogLayoutExport, WritesTheExactBytesAndTheirDebugFile) {
    StubCatalogue stub;
    PRINTERMODEL& m = stub.Offer(700);
    const std::string text("<a>\0\xff\x80</a>", 10);
    m.strXAMLDialogLayoutDescription = text;
    ScratchFolder folder;
    const std::filesystem::path was = std::filesystem::current_path();
    std::filesystem::current_path(folder.Path());
    hostkit::TicketStore store;
    hostkit::ReadTicketText("[system]\nDebug/Extract/XAMLDialogLayoutDescription = 1\n", store);
    testsupport::RecordingLogger log;
    EXPECT_EQ(SetXAMLDialogLayoutDescription(700, store.ticket(), &log), 1);
    EXPECT_EQ(SetXAMLDialogLayoutDescription(700, store.ticket(), nullptr), 1);
    std::ifstream file("XAMLDialogLayoutDescription_700.xml", std::ios::binary);
    const std::string written((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::filesystem::current_path(was);
    EXPECT_EQ(written, text);
    EXPECT_TRUE(log.Has(LOG_WARNING, "XAMLDialogLayoutDescription_700.xml: 10 bytes"));
    const auto blob = Read<hostkit::Blob>(store, 700, "Output/Prn/GUIPlugins/XAMLDialogLayoutDescription");
    ASSERT_EQ(blob.size(), 1u);
    EXPECT_EQ(std::string(blob[0].bytes.begin(), blob[0].bytes.end()), text);

    m.strXAMLDialogLayoutDescription.clear();
    hostkit::TicketStore empty;
    EXPECT_EQ(SetXAMLDialogLayoutDescription(700, empty.ticket(), &log), 0);
    EXPECT_TRUE(empty.tickets().empty());
}

TEST(CustomGuiExport, RepeatedExportsKeepOneIdPerRule) {
    StubCatalogue stub;
    PRINTERMODEL& m = stub.Offer(700);
    m.mapCustomGuiConstraintRules["r1"] = {{"Output/Prn/Specific/A", {3, 1}}, {"Output/Prn/Specific/B", {}}};
    m.mapCustomGuiConstraintFilters["f"] = {"x"};
    hostkit::TicketStore store;
    GetPrinterCustomGuiXML(700, store.ticket());
    GetPrinterCustomGuiXML(700, store.ticket());
    EXPECT_EQ(Strings(store, 700, "Output/Prn/Info/CustomGuiConstraints/Rule/ID"), S{"r1"});
    EXPECT_EQ(Ints(store, 700, "Output/Prn/Info/CustomGuiConstraints/Rule/Num/r1"), (V{2, 0}));
    EXPECT_EQ(Ints(store, 700, "Output/Prn/Info/CustomGuiConstraints/Rule/Value/r1"), (V{1, 3}));
    EXPECT_EQ(Strings(store, 700, "Output/Prn/Info/CustomGuiConstraints/Filter/f"), S{"x"});
    EXPECT_FALSE(Has(store, 700, "Output/Prn/Info/CustomGui/GuiType"));
}

}  // namespace
