#include "catalogue/varn_printer.h"

#include <gtest/gtest.h>

#include "support/recording_logger.h"

namespace {

CVarnPrinter EmptyCatalogue(clLogFullInterface* logger = nullptr) {
    CVarnPrinterParams params;
    params.pLogger = logger;
    return CVarnPrinter(params, CVarnPrinter::EmptyTag{});
}

}  // namespace

TEST(PrinterModelRecord, StartsWithEveryAbsentValue) {
    PRINTERMODEL model;
    EXPECT_EQ(model.aPortType[0], kAbsent);
    EXPECT_EQ(model.aPortType[1], kAbsent);
    EXPECT_EQ(model.aPortIpProtocol[0], kAbsent);
    EXPECT_EQ(model.aPortIpProtocol[1], kAbsent);
    EXPECT_EQ(model.nDefaultDotSize, -1);
    EXPECT_EQ(model.nDefaultPassMode, -1);
    for (int32_t v : {model.nPrintheadspeedMin, model.nPrintheadspeedMax, model.nPrintheadspeedDefault,
                      model.nPagespaceMin, model.nPagespaceMax, model.nPagespace}) {
        EXPECT_EQ(v, -1);
    }
    for (uint32_t v : {model.nCutterForceMin, model.nCutterForceMax, model.nCutterForceDefault,
                       model.nCutterVelocityMin, model.nCutterVelocityMax, model.nCutterVelocityDefault,
                       model.nCutterRepetitionsMin, model.nCutterRepetitionsMax, model.nCutterRepetitionsDefault}) {
        EXPECT_EQ(v, kAbsent);
    }
    for (double v : {model.dCutterOffsetMin, model.dCutterOffsetMax, model.dCutterOffsetDefault}) {
        EXPECT_EQ(v, -1.0);
    }
    EXPECT_EQ(model.dResolutionNameFactorX, 1.0);
    EXPECT_EQ(model.dResolutionNameFactorY, 1.0);
    EXPECT_EQ(model.dHeadHeightMMMin, 0.0);
    EXPECT_EQ(model.nPrnID, 0u);
    EXPECT_EQ(model.nPortIpRawPort, 0u);
}

TEST(PrinterModelRecord, ResetLeavesHeadHeightsAndValidColoursAlone) {
    PRINTERMODEL model;
    model.dHeadHeightMMMin = 1.5;
    model.vecHeadHeightMMInSteps = {2.0, 3.0};
    model.mapInkValidColors[1] = {2};
    model.strPrnName = "x";
    model.nDefaultPassMode = 5;
    model.AddHalftone("Screening", 6, 100);
    model.Reset();
    EXPECT_EQ(model.dHeadHeightMMMin, 1.5);
    EXPECT_EQ(model.vecHeadHeightMMInSteps.size(), 2u);
    EXPECT_EQ(model.mapInkValidColors.size(), 1u);
    EXPECT_TRUE(model.strPrnName.empty());
    EXPECT_EQ(model.nDefaultPassMode, -1);
    EXPECT_TRUE(model.listHalftones.empty());
}

TEST(PrinterModelRecord, DefaultMediaTypeHasNoIdAndNoLightInSolid) {
    MEDIATYPE type;
    EXPECT_EQ(type.nTypeID, -1);
    for (const auto& row : type.aLightInSolid) {
        for (int32_t v : row) EXPECT_EQ(v, -1);
    }
}

TEST(PrinterModelRecord, AddersKeepTheirArgumentsInPlace) {
    PRINTERMODEL model;
    model.AddResolutionV(720, 1440, {3, -1, 5, -2, 7});
    model.AddResolutionV(360, 360, {-2});
    ASSERT_EQ(model.listResolutions.size(), 2u);
    EXPECT_EQ(model.listResolutions[0].vecPassModes, (std::vector<uint32_t>{3, kAbsent, 5}));
    EXPECT_TRUE(model.listResolutions[1].vecPassModes.empty());

    model.AddPrintModeGroup(720, 720, {});
    EXPECT_TRUE(model.listInkPreLimits.empty());

    PRINTOPTION option;
    option.AddValue(19, "AutoCut Drying time", 0, 16, 2, 3);  // factor 2, step 3
    EXPECT_EQ(option.listValues[0].nFactor, 2);
    EXPECT_EQ(option.listValues[0].nStep, 3);
    option.Set("Cutting", 3, 99, 1);
    EXPECT_TRUE(option.listValues.empty());
    EXPECT_EQ(option.nDefault, 1u);

    model.AddTray("Roll", 9, 811, 1, 0);
    EXPECT_EQ(model.listTrays[0].nRoll, 1u);
    EXPECT_EQ(model.listTrays[0].nBorderless, 0u);
    EXPECT_EQ(model.vecDefaultMediaIDs, (std::vector<uint32_t>{811}));
    model.AddTrayMedia(811, {9, kAbsent}, 1500, 1600, 2500, 0, 0, 0);
    EXPECT_EQ(model.listTrayMedia[0].nMeasureLeft, 1500);
    EXPECT_EQ(model.listTrayMedia[0].nMeasureRight, 1600);
}

TEST(PrinterCatalogue, LookupOfAnUnknownNumberInsertsAFreshRecord) {
    CVarnPrinter catalogue = EmptyCatalogue();
    EXPECT_FALSE(catalogue.IsPrinterInitDone());
    EXPECT_FALSE(catalogue.IsListInitDone());
    PRINTERMODEL& model = catalogue.GetModel(4711);
    EXPECT_TRUE(model.strPrnName.empty());
    EXPECT_EQ(model.nPrnID, 0u);
    EXPECT_TRUE(model.vecOEMIDs.empty());
    EXPECT_EQ(model.nDefaultDotSize, -1);
    EXPECT_EQ(catalogue.m_mapPrinterModels.size(), 1u);
    model.strPrnName = "kept";
    EXPECT_EQ(catalogue.GetModel(4711).strPrnName, "kept");
    EXPECT_EQ(catalogue.m_mapPrinterModels.size(), 1u);
    EXPECT_TRUE(catalogue.IsPrinterInitDone());
}

TEST(PrinterCatalogue, LogsThroughItsLoggerAndIsSilentWithout) {
    testsupport::RecordingLogger logger;
    CVarnPrinter catalogue = EmptyCatalogue(&logger);
    catalogue.Log(3000, "ID = %d", 728);
    EXPECT_TRUE(logger.Has(3000, "ID = 728"));
    CVarnPrinter silent = EmptyCatalogue();
    silent.Log(3000, "ID = %d", 728);  // no logger: nothing happens
}

TEST(PrinterCatalogue, FiltersOffersByOemAndAppendsToTheGivenVector) {
    CVarnPrinter catalogue = EmptyCatalogue();
    catalogue.m_listPrinters.push_back({{0, 11}, 665});
    catalogue.m_listPrinters.push_back({{0}, 697});
    std::vector<uint32_t> ids{1};
    EXPECT_EQ(catalogue.GetPrinterIdList(ids, 11), 2);
    EXPECT_EQ(ids, (std::vector<uint32_t>{1, 665}));
    ids.clear();
    EXPECT_EQ(catalogue.GetPrinterIdList(ids, kEveryOEM), 2);
    EXPECT_EQ(catalogue.GetPrinterIdList(ids, 6), 2);

    catalogue.m_listCompatiblePrinters = {{1, 715}, {715, 716}};
    std::list<int32_t> group{9};
    EXPECT_EQ(catalogue.GetCompatiblePrinters(42, group), 0);
    EXPECT_EQ(group, (std::list<int32_t>{9}));
    EXPECT_EQ(catalogue.GetCompatiblePrinters(715, group), 1);
    EXPECT_EQ(group, (std::list<int32_t>{1, 715}));
}
