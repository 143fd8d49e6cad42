#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "catalogue/varn_printer.h"
#include "catalogue_text.h"
#include "printers/print_modes.h"
#include "support/recording_logger.h"

namespace {

// One catalogue for the whole program: it is only read here.
const CVarnPrinter& Catalogue() {
    static const CVarnPrinter catalogue{CVarnPrinterParams{}};
    return catalogue;
}

const PRINTERMODEL& Model(int32_t id) { return Catalogue().m_mapPrinterModels.at(id); }

std::vector<std::string> ColorModes(int32_t id) {
    std::vector<std::string> names;
    for (const COLORMODE& c : Model(id).listColorModes) names.push_back(c.strName);
    return names;
}

std::vector<uint32_t> OptionIds(int32_t id) {
    std::vector<uint32_t> ids;
    for (const PRINTOPTION& o : Model(id).listOptions) ids.push_back(o.nID);
    return ids;
}

bool HasOption(int32_t id, uint32_t group) {
    const auto ids = OptionIds(id);
    return std::find(ids.begin(), ids.end(), group) != ids.end();
}

bool HasControl(int32_t id, const std::string& controlId) {
    for (const CUSTOMGUI& c : Model(id).listCustomGui) {
        if (c.strID == controlId) return true;
    }
    return false;
}

std::set<int32_t> ModelsWhere(bool (*predicate)(int32_t)) {
    std::set<int32_t> ids;
    for (const auto& [id, model] : Catalogue().m_mapPrinterModels) {
        if (predicate(id)) ids.insert(id);
    }
    return ids;
}

}  // namespace

TEST(ModelTable, HoldsThe171ModelsWithUniqueNames) {
    std::set<int32_t> expected;
    for (int32_t id = 654; id <= 747; ++id) expected.insert(id);
    for (int32_t id = 7000; id <= 7091; ++id) expected.insert(id);
    for (int32_t id : {679, 680, 683, 684, 687, 688, 723, 7012, 7017, 7020, 7026, 7032, 7038, 7044, 7050}) {
        expected.erase(id);
    }
    std::set<int32_t> keys;
    std::set<std::string> names, shortNames;
    for (const auto& [id, m] : Catalogue().m_mapPrinterModels) {
        keys.insert(id);
        EXPECT_EQ(m.nPrnID, static_cast<uint32_t>(id));
        EXPECT_TRUE(names.insert(m.strPrnName).second) << m.strPrnName;
        EXPECT_TRUE(shortNames.insert(m.strPrnShortname).second) << m.strPrnShortname;
    }
    EXPECT_EQ(keys.size(), 171u);
    EXPECT_EQ(keys, expected);
    EXPECT_TRUE(Catalogue().IsPrinterInitDone());
}

TEST(ModelTable, GivesEveryModelSoundResolutionsMediaTypesAndIdentity) {
    for (const auto& [id, m] : Catalogue().m_mapPrinterModels) {
        SCOPED_TRACE(id);
        ASSERT_FALSE(m.listResolutions.empty());
        ASSERT_FALSE(m.listPassModes.empty());
        for (const RESOLUTION& r : m.listResolutions) {
            ASSERT_EQ(r.vecPassModes.size(), m.listPassModes.size());
            for (size_t i = 0; i < r.vecPassModes.size(); ++i) {
                EXPECT_TRUE(r.vecPassModes[i] == kAbsent || r.vecPassModes[i] == i);
            }
            EXPECT_TRUE(r.vecValidDotSizes.empty() || r.vecValidDotSizes.size() == m.listDotSizes.size());
        }
        ASSERT_EQ(m.listMediaTypes.size(), 5u);
        const std::pair<const char*, int32_t> media[] = {
            {"Normal", 1}, {"2 Layers", 2}, {"3 Layers", 3}, {"4 Layers", 4}, {"Printer setting", 20}};
        for (size_t i = 0; i < 5; ++i) {
            EXPECT_EQ(m.listMediaTypes[i].strTypeName, media[i].first);
            EXPECT_EQ(m.listMediaTypes[i].nTypeID, media[i].second);
        }
        EXPECT_EQ(m.nDefaultHalftone, 3u);
        EXPECT_EQ(m.listHalftones.at(0).strName, "Error diffusion (SE1)");
        const bool ricoh = id >= 742 && id <= 747;
        EXPECT_EQ(m.nManufacturerID, ricoh ? 24u : 21u);
        EXPECT_EQ(m.strManufacturerName, ricoh ? "Ricoh" : "Mimaki");
        const bool printAndCut = (id >= 703 && id <= 717) || (id >= 7018 && id <= 7051);
        const uint32_t type = printAndCut ? 14 : (id >= 7052 && id <= 7063) ? 2 : (id >= 7064 && id <= 7070) ? 3 : 4;
        EXPECT_EQ(m.nPrnType, type);
        EXPECT_FALSE(m.listTrays.empty());
        EXPECT_EQ(m.vecDefaultMediaIDs.size(), m.listTrays.size());
        EXPECT_FALSE(m.listColorModes.empty());
        EXPECT_FALSE(m.listInks.empty());
        EXPECT_EQ(m.nDefaultPassMode, -1);
        EXPECT_EQ(m.nDefaultDotSize, -1);
    }
}

TEST(ModelTable, GivesThePortDataOfEachFamily) {
    for (const auto& [id, m] : Catalogue().m_mapPrinterModels) {
        SCOPED_TRACE(id);
        const bool ts300p = id == 7071 || id == 7072;
        const bool jv3 = id >= 654 && id <= 672 && id != 673 && id != 674 && id != 675 && id != 676;
        const bool jv4 = id >= 697 && id <= 699;
        const bool ujf605 = (id >= 673 && id <= 676) || id == 726 || id == 727;
        EXPECT_EQ(m.aPortType[0], ts300p ? 6u : jv3 ? 12u : jv4 ? 6u : 4u);
        EXPECT_EQ(m.aPortType[1], ts300p ? 2u : 4u);
        EXPECT_EQ(m.nPortSpecialType, ts300p ? 6u : 4u);
        EXPECT_EQ(m.strPortPluginName, jv3 || jv4 || ujf605 ? "MimakiPort" : "MimakiUsbPort");
        EXPECT_EQ(m.aPortIpProtocol[0], ts300p ? 1u : kAbsent);
        EXPECT_EQ(m.aPortIpProtocol[1], ts300p ? 1u : kAbsent);
        EXPECT_EQ(m.nPortIpRawPort, ts300p ? 11110u : 0u);
        EXPECT_EQ(m.nVisibilityMask, ts300p ? 1u : 0u);
    }
}

TEST(ModelTable, TakesThePassModesOfTableModelsFromTheirPrintModeTable) {
    int tableModels = 0;
    for (const auto& [id, m] : Catalogue().m_mapPrinterModels) {
        const PRINTMODE* table = PrintModeTableForModel(id);
        if (id >= 7052 && id <= 7063) table = PrintModeTable_UJF3042;
        if (id == 7075) table = PrintModeTable_TS500_4C;
        if (id == 7076) table = PrintModeTable_TS500;
        if (!table) {
            for (const PASSMODE& p : m.listPassModes) EXPECT_LT(p.nValue, 1000u) << id;
            continue;
        }
        ++tableModels;
        size_t rows = 0;
        for (; table[rows].printModeId != 0; ++rows) {
            ASSERT_LT(rows, m.listPassModes.size()) << id;
            EXPECT_EQ(m.listPassModes[rows].nValue, table[rows].printModeId) << id;
            EXPECT_EQ(m.listPassModes[rows].strName, table[rows].name) << id;
        }
        EXPECT_EQ(rows, m.listPassModes.size()) << id;
        EXPECT_EQ(m.listDotSizes.size(), m.listResolutions[0].vecValidDotSizes.size()) << id;
    }
    EXPECT_EQ(tableModels, 2 + 2 + 19 + 4 + 7 + 2 + 2 + 2 + 16 + 28);
}

TEST(ModelTable, LetsModelsInheritFromTheirPredecessor) {
    EXPECT_EQ(ColorModes(664), ColorModes(666));
    EXPECT_EQ(Model(664).vecSpotColors, Model(666).vecSpotColors);
    EXPECT_EQ(Model(664).vecDefaultMediaIDs, Model(666).vecDefaultMediaIDs);
    EXPECT_EQ(Model(664).vecDefaultMediaIDs, (std::vector<uint32_t>{852, 25}));  // width class 2
    EXPECT_EQ(ColorModes(664), (std::vector<std::string>{"CMYKcm", "CMYK"}));
    for (int32_t id : {7062, 7069}) EXPECT_EQ(ColorModes(id), (std::vector<std::string>{"CMYK", "CMYKcm"}));
    for (int32_t id : {7063, 7070}) EXPECT_EQ(ColorModes(id), (std::vector<std::string>{"CMYK"}));
    for (int32_t id : {7057, 7058, 7059, 7060, 7061, 7064, 7065, 7066, 7067, 7068}) {
        EXPECT_EQ(ColorModes(id), (std::vector<std::string>{"CMYK", "CMYKcm"})) << id;
    }
    for (int32_t id : {668, 672, 662, 657}) {
        EXPECT_EQ(Model(id).vecSpotColors, (std::vector<std::string>{"PRINTER_SPOT_1_INK", "PRINTER_SPOT_2_INK"}));
    }
    for (int32_t id : {675, 676, 727}) EXPECT_FALSE(HasOption(id, 60)) << id;
    for (int32_t id : {673, 674, 726, 718, 719, 720, 721, 722, 725}) {
        EXPECT_EQ(OptionIds(id), (std::vector<uint32_t>{54, 55, 56, 96, 60})) << id;
    }
    // 663 prints CMYK only but takes the other JV3 pass modes.
    EXPECT_EQ(ColorModes(663), (std::vector<std::string>{"CMYK"}));
    EXPECT_EQ(Model(663).listResolutions[0].vecPassModes[4], 4u);
    EXPECT_EQ(Model(663).listResolutions[0].vecPassModes[0], kAbsent);
    // JV400 with LX100 ink only has 600 x 900.
    EXPECT_EQ(Model(729).listResolutions[0].dResolutionX, 600.0);
    EXPECT_EQ(Model(733).listResolutions[0].dResolutionX, 900.0);
}

TEST(ModelTable, KeepsTheSettledOptionAndDialogChoices) {
    EXPECT_EQ(OptionIds(7083), (std::vector<uint32_t>{54, 55, 56, 96, 1, 130}));
    EXPECT_EQ(OptionIds(7084), OptionIds(7083));
    EXPECT_EQ(Model(7083).listOptions.back().nDefault, 2u);
    EXPECT_EQ(Model(7084).listOptions.back().nDefault, 10u);
    EXPECT_EQ(Model(7083).listOptions[1].listValues.size(), 4u);  // the extra orders
    EXPECT_EQ(ColorModes(7084), (std::vector<std::string>{"CMYK"}));

    // The pulled-back page comes with 7019 and 7043 and stays with the models after them.
    const std::set<int32_t> pulledBack = {7019, 7025, 7031, 7037, 7021, 7027, 7033, 7039, 7043, 7049, 7045, 7051};
    EXPECT_EQ(ModelsWhere([](int32_t id) { return HasControl(id, "IDMimakiPulledBackPrint_EnableChk"); }),
              pulledBack);
    for (int32_t id : {7011, 7016}) EXPECT_EQ(OptionIds(id), (std::vector<uint32_t>{3, 1, 9, 11, 54, 55, 56, 96}));
    for (int32_t id : {7071, 7073, 7075, 7078, 7079}) {
        bool found = false;
        for (const CUSTOMGUI& c : Model(id).listCustomGui) {
            if (c.strID == "IDMimakiPuPaperSuctionMode_Pu") {
                EXPECT_EQ(c.strDefault, "IDMimakiPuPaperSuctionMode_Pu2");
                found = true;
            }
        }
        EXPECT_TRUE(found) << id;
    }
    // "Print&Cut device handles cut marks" stays only with the models built
    // before the first white model of their line reshapes the list.
    const std::set<int32_t> withCutMarks = {710,  709,  708,  707,  7022, 7028, 7034, 7023, 7029, 7035,
                                            7018, 7024, 7030, 7036, 7040, 7046, 7041, 7047, 7042, 7048};
    EXPECT_EQ(ModelsWhere([](int32_t id) { return HasOption(id, 87); }), withCutMarks);
}

TEST(ModelTable, LogsTheDetailsOfTheFirstJV400AndRicohModels) {
    testsupport::RecordingLogger logger;
    CVarnPrinterParams params;
    params.pLogger = &logger;
    CVarnPrinter catalogue(params);
    std::vector<std::string> lines;
    for (const auto& l : logger.lines) {
        EXPECT_EQ(l.level, 3000);
        lines.push_back(l.text);
    }
    // 728: four heading lines, five resolutions of five passes, 24 pass modes.
    ASSERT_EQ(lines.size(), (4 + 5 * 6 + 1 + 24) + (4 + 4 * 6 + 1 + 24));
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 7),
              (std::vector<std::string>{"ID = 728", "Name = Mimaki JV400-160LX 4 colors LX100 ink",
                                        "ShortName =MJV400160LX1004", "Resolutions...", "X = 600 , Y = 900",
                                        "Pass = 6", "Pass = 8"}));
    EXPECT_EQ(lines[34], "Print modes...");
    EXPECT_EQ(lines[35], "Name = 1 Pass (Hi-Speed Scan) , id=(201)");
    EXPECT_EQ(lines[58], "Name = 64 Pass , id=(64)");
    EXPECT_EQ(lines[59], "ID = 742");
    EXPECT_EQ(lines[63], "X = 900 , Y = 900");
}

TEST(ModelTable, MatchesTheStoredTextOfOneModelPerFamily) {
    const bool update = std::getenv("KELMORA_UPDATE_GOLDEN") != nullptr;
    for (int32_t id : {668, 698, 682, 695, 7078, 7079, 728, 740, 746, 714, 673, 718, 7052, 7063, 7082, 7084, 7085,
                       7091, 724, 7071, 7073, 7075, 7000, 7011, 7021, 7045}) {
        const std::string path = std::string(CATALOGUE_GOLDEN_DIR) + "/" + std::to_string(id) + ".txt";
        const std::string text = CatalogueModelText(Model(id));
        if (update) {
            std::ofstream(path, std::ios::binary) << text;
            continue;
        }
        std::ifstream in(path, std::ios::binary);
        ASSERT_TRUE(in) << path << " missing; KELMORA_UPDATE_GOLDEN=1 writes it";
        std::stringstream stored;
        stored << in.rdbuf();
        EXPECT_EQ(text, stored.str()) << "model " << id << " differs from " << path;
    }
}

namespace {

TEST(CatalogueTables, PrintOneLinePerEntryUnderACountedHeading) {
    CVarnPrinter catalogue{CVarnPrinterParams{}};
    const struct {
        std::string text;
        std::string heading;
        size_t entries;
    } tables[] = {{CatalogueMediaText(catalogue), "media-sizes 756 version 4 restricted 0 []", 756},
                  {CatalogueInkText(catalogue), "ink-types 161", 161},
                  {CatalogueOfferText(catalogue), "offers 156", 156},
                  {CatalogueCompatibleText(catalogue), "compatible-groups 33", 33}};
    for (const auto& t : tables) {
        EXPECT_EQ(t.text.substr(0, t.text.find('\n')), t.heading);
        EXPECT_EQ(size_t(std::count(t.text.begin(), t.text.end(), '\n')), t.entries + 1) << t.heading;
    }
    EXPECT_NE(CatalogueOfferText(catalogue).find("\n  665 oem-ids [0 11]\n"), std::string::npos);
}

}  // namespace
