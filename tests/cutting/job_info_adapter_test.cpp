#include <functional>
#include <utility>

#include "base/assertion.h"
#include "base/text_error.h"
#include "cut_test_support.h"

namespace {

using Getter = std::function<double(IJobInfo&)>;

// A slot read from one ticket key on every call: its default when the key is
// absent or refused, and stored values with what the slot makes of them.
struct KeySlot {
    const char* name;
    Getter get;
    const char* key;
    double def;
    std::vector<std::pair<hostkit::TicketValue, double>> mapping;
};

template <class R>
Getter Slot(R (IJobInfo::*f)()) {
    return [f](IJobInfo& v) { return static_cast<double>((v.*f)()); };
}

#define SLOT(f) #f, Slot(&IJobInfo::f)

const std::vector<KeySlot>& KeySlots() {
    static const std::vector<KeySlot> slots = {
        {SLOT(GetWidthPixel), "Process/WidthPixel", 0, {{640, 640}}},
        {SLOT(GetHeightPixel), "Process/HeightPixel", 0, {{480, 480}}},
        {SLOT(GetMediaMarginBottom), "Output/Prn/Media/Margin/Bottom", 0.0, {{2.5, 2.5}}},
        {SLOT(GetMediaMarginLeft), "Output/Prn/Media/Margin/Left", 0.0, {{3.5, 3.5}}},
        {SLOT(GetMediaMarginRight), "Output/Prn/Media/Margin/Right", 0.0, {{4.5, 4.5}}},
        {SLOT(GetMediaMarginTop), "Output/Prn/Media/Margin/Top", 0.0, {{5.5, 5.5}}},
        {SLOT(GetMediaSizeHeight), "Output/Prn/Media/Size/Height", 0.0, {{297.0, 297.0}}},
        {SLOT(GetMediaSizeWidth), "Output/Prn/Media/Size/Width", 0.0, {{210.0, 210.0}}},
        {SLOT(GetMediaSpecTypeID), "Output/Prn/Media/Spec/TypeID", 0, {{12, 12}}},
        {SLOT(GetOutputUnitClass), "Output/Prn/Specific/OutputUnit", 0,
         {{2, 4}, {3, 3}, {4, 2}, {11, 2}, {15, 2}, {14, 1}, {22, 5}, {23, 6}, {25, 7}, {26, 8}, {12, 0}, {1, 0}}},
        {SLOT(GetOutputUnitIndex), "Output/Prn/Specific/OutputUnit", 0,
         {{7, 1}, {11, 5}, {16, 6}, {21, 11}, {6, 0}, {12, 0}, {22, 0}}},
        {SLOT(GetOutputUnitSmall), "Output/Prn/Specific/OutputUnit", 0, {{4, 1}, {5, 2}, {6, 3}, {7, 0}, {3, 0}}},
        {SLOT(GetOutputUnitOther), "Output/Prn/Specific/OutputUnit", 0, {{5, 0}}},
        {SLOT(GetPrintQualityMapped), "Output/Prn/Specific/PrintQuality", 0, {{1, 1}, {2, 2}, {3, 0}}},
        {SLOT(GetPrintQuality), "Output/Prn/Specific/PrintQuality", 0, {{5472080, 5472080}}},
        {SLOT(GetPrintTagOperation), "Output/PrintTagOperation", 0, {{4, 4}}},
        {SLOT(GetContourCutActive), "Workflow/ContourCut/Active", 0, {{1, 1}}},
        {SLOT(PrintAndCutDeviceHandlesCutMarks), "ContourCutting/PrintAndCutDeviceHandlesCutMarks", 0, {{1, 1}}},
        {SLOT(GetReturnToOriginAfterPrint), "Output/Prn/Specific/ReturnToOriginAfterPrint", 0, {{2, 1}, {0, 0}}},
        {SLOT(GetReturnToOriginAfterCut), "Output/Prn/Specific/ReturnToOriginAfterCut", 0, {{-1, 1}, {0, 0}}},
        {SLOT(GetWhiteMode), "Output/Prn/Specific/White/Mode", 0, {{3, 3}, {2, 0}, {4, 0}}},
        {SLOT(GetWhiteOrder), "Output/Prn/Specific/White/Order", 0, {{2, 2}}},
        {SLOT(GetWhitePasses), "Output/Prn/Specific/White/Passes", 1, {{4, 4}}},
        {SLOT(GetWhiteCoverage), "Output/Prn/Specific/White/Coverage", 100, {{70, 70}}},
        {SLOT(GetWhiteOpacityMode), "Output/Prn/Specific/White/OpacityMode", 3, {{3, 3}, {5, 6}, {0, 6}}},
        {SLOT(GetWhiteOpacityPasses), "Output/Prn/Specific/White/OpacityPasses", 1, {{2, 2}}},
        {SLOT(GetWhiteOpacityCoverage), "Output/Prn/Specific/White/OpacityCoverage", 5, {{9, 9}}},
        {SLOT(GetWhitePrintDirection), "Output/Prn/Specific/White/PrintDirection", 2, {{1, 1}}},
        {SLOT(GetWhiteDoubleHeads), "Output/Prn/Specific/White/DoubleHeads", 0, {{1, 1}}},
        {SLOT(GetCMYKMode), "Output/Prn/Specific/CMYK/Mode", 0, {{1, 1}}},
        {SLOT(GetCMYKPasses), "Output/Prn/Specific/CMYK/Passes", 1, {{3, 3}}},
        {SLOT(GetCMYKCoverage), "Output/Prn/Specific/CMYK/Coverage", 100, {{50, 50}}},
        {SLOT(GetCMYKPrintDirection), "Output/Prn/Specific/CMYK/PrintDirection", 2, {{0, 0}}},
        {SLOT(GetCMYKInksInSameLayer), "Output/Prn/Specific/CMYK/InksInSameLayer", 1, {{0, 0}}},
        {SLOT(GetCMYKPostCureLayer), "Output/Prn/Specific/CMYK/PostCureLayer", 0, {{1, 1}}},
        {SLOT(GetClearMode), "Output/Prn/Specific/Clear/Mode", 0, {{3, 3}}},
        {SLOT(GetClearSurface), "Output/Prn/Specific/Clear/Surface", 0, {{1, 1}}},
        {SLOT(GetClearLevel), "Output/Prn/Specific/Clear/Level", 100, {{60, 60}}},
        {SLOT(GetClearMatteMode), "Output/Prn/Specific/Clear/Matte/Mode", 0, {{2, 2}}},
        {SLOT(GetClearMattePasses), "Output/Prn/Specific/Clear/Matte/Passes", 1, {{2, 2}}},
        {SLOT(GetClearMatteCoverage), "Output/Prn/Specific/Clear/Matte/Coverage", 40, {{80, 80}}},
        {SLOT(GetClearGlossMode), "Output/Prn/Specific/Clear/Gloss/Mode", 4, {{1, 1}}},
        {SLOT(GetClearGlossPasses), "Output/Prn/Specific/Clear/Gloss/Passes", 1, {{2, 2}}},
        {SLOT(GetClearGlossCoverage), "Output/Prn/Specific/Clear/Gloss/Coverage", 40, {{90, 90}}},
        {SLOT(GetClearEmbossMode), "Output/Prn/Specific/Clear/Emboss/Mode", 3, {{1, 1}}},
        {SLOT(GetClearEmbossOnColor), "Output/Prn/Specific/Clear/Emboss/OnColor", 0, {{1, 1}}},
        {SLOT(GetClearEmbossOnWhite), "Output/Prn/Specific/Clear/Emboss/OnWhite", 0, {{1, 1}}},
        {SLOT(GetClearEmbossMattePasses), "Output/Prn/Specific/Clear/Emboss/MattePasses", 4, {{8, 8}}},
        {SLOT(GetClearEmbossMatteCoverage), "Output/Prn/Specific/Clear/Emboss/MatteCoverage", 100, {{50, 50}}},
        {SLOT(GetClearEmbossGlossPasses), "Output/Prn/Specific/Clear/Emboss/GlossPasses", 1, {{2, 2}}},
        {SLOT(GetClearEmbossGlossCoverage), "Output/Prn/Specific/Clear/Emboss/GlossCoverage", 40, {{30, 30}}},
        {SLOT(GetClearPrintDirection), "Output/Prn/Specific/Clear/PrintDirection", 2, {{1, 1}}},
        {SLOT(GetClearDoubleHeads), "Output/Prn/Specific/Clear/DoubleHeads", 0, {{1, 1}}},
        {SLOT(GetMetallicMode), "Output/Prn/Specific/Metallic/Mode", 0, {{2, 2}}},
        {SLOT(GetMetallicMixing), "Output/Prn/Specific/Metallic/Mixing", 0, {{1, 1}}},
        {SLOT(GetMetallicLevel), "Output/Prn/Specific/Metallic/Level", 40, {{70, 70}}},
        {SLOT(GetMetallicOrder), "Output/Prn/Specific/Metallic/Order", 0, {{1, 1}}},
        {SLOT(GetMetallicPasses), "Output/Prn/Specific/Metallic/Passes", 1, {{2, 2}}},
        {SLOT(GetMetallicCoverage), "Output/Prn/Specific/Metallic/Coverage", 40, {{60, 60}}},
        {SLOT(GetMetallicPrintDirection), "Output/Prn/Specific/Metallic/PrintDirection", 2, {{0, 0}}},
        {SLOT(GetPrintheadspeedUsePrinterDefaults), "Output/Prn/Specific/Printheadspeed/UsePrinterDefaults", 1,
         {{0, 0}, {2, 1}}},
        {SLOT(GetPrintheadspeedPrintheadspeed), "Output/Prn/Specific/Printheadspeed/Printheadspeed", -1, {{3, 3}}},
        {SLOT(GetPagespacingUsePrinterDefaults), "Output/Prn/Specific/Pagespacing/UsePrinterDefaults", 1,
         {{0, 0}}},
        {SLOT(GetPagespacingPagespace), "Output/Prn/Specific/Pagespacing/Pagespace", 30, {{10, 10}}},
        {SLOT(GetCutterParametersUsePrinterDefaults), "Output/Prn/Specific/CutterParameters/UsePrinterDefaults", 1,
         {{0, 0}}},
        {SLOT(GetCutterParametersForce), "Output/Prn/Specific/CutterParameters/Force", -1, {{120, 120}}},
        {SLOT(GetCutterParametersVelocity), "Output/Prn/Specific/CutterParameters/Velocity", -1, {{30, 30}}},
        {SLOT(GetCutterParametersOffset), "Output/Prn/Specific/CutterParameters/Offset", -1.0, {{0.3, 0.3}}},
        {SLOT(GetCutterParametersRepetitions), "Output/Prn/Specific/CutterParameters/Repetitions", -1,
         {{2, 2}, {-7, -7}}},
        {SLOT(GetFeedCalibrationUsePrinterDefaults), "Output/Prn/Specific/FeedCalibration/UsePrinterDefaults", 1,
         {{0, 0}}},
        {SLOT(GetFeedCalibrationFeed), "Output/Prn/Specific/FeedCalibration/Feed", -1.0, {{0.25, 0.25}}},
        {SLOT(GetHeadHeightUsePrinterDefaults), "Output/Prn/Specific/HeadHeight/UsePrinterDefaults", 1, {{0, 0}}},
        {SLOT(GetPrintOptimizedPassmask), "Output/Prn/Specific/PrintOptimizedPassmask", 0, {{1, 1}}},
    };
    return slots;
}

struct StringSlot {
    const char* name;
    std::string (IJobInfo::*get)();
    const char* key;
};

const StringSlot kStringSlots[] = {
    {"GetMediaSpecTypeName", &IJobInfo::GetMediaSpecTypeName, "Output/Prn/Media/Spec/TypeName"},
    {"GetInkTypeName", &IJobInfo::GetInkTypeName, "Output/Prn/Specific/InkTypeName"},
    {"GetHeadHeightHeight", &IJobInfo::GetHeadHeightHeight, "Output/Prn/Specific/HeadHeight/Height"},
    {"GetUserName", &IJobInfo::GetUserName, "User/Name"},
};

class JobInfoTest : public CutJobTest {};

TEST_F(JobInfoTest, TicketSlotsGiveTheirDefaultThenMapTheStoredValue) {
    for (const KeySlot& slot : KeySlots()) {
        SCOPED_TRACE(slot.name);
        store.Erase(TICKET_SCOPE_JOB, kJobId, slot.key);
        EXPECT_DOUBLE_EQ(slot.get(view), slot.def) << "absent";
        for (const auto& [stored, expected] : slot.mapping) {
            Set(slot.key, stored);
            EXPECT_DOUBLE_EQ(slot.get(view), expected);
            store.Refuse(slot.key);
            EXPECT_DOUBLE_EQ(slot.get(view), slot.def) << "refused";
            store.ClearRefusals();
        }
    }
    for (const StringSlot& slot : kStringSlots) {
        SCOPED_TRACE(slot.name);
        EXPECT_EQ((view.*slot.get)(), "");
        Set(slot.key, std::string("value"));
        EXPECT_EQ((view.*slot.get)(), "value");
    }
}

TEST_F(JobInfoTest, ConstantSlotsAndJobFields) {
    EXPECT_EQ(view.GetFixedOne(), 1);
    EXPECT_EQ(view.GetWhiteLevel(), 100);
    EXPECT_EQ(view.GetWhiteLevel2(), 100);
    EXPECT_EQ(view.GetWhiteOpacityLevel(), 100);

    job.m_strJobName = "job";
    job.m_iImageWidth = 1440;
    job.m_iImageHeight = 720;
    job.m_dResolutionX = 720.0;
    job.m_dResolutionY = 360.0;
    job.m_iOffsetX = 72;
    job.m_iOffsetY = 36;
    job.m_iMediaWidth = 12700;  // tenths of a millimetre
    EXPECT_EQ(view.GetTitle(), "job");
    EXPECT_DOUBLE_EQ(view.GetImageWidthPt(), 144.0);
    EXPECT_DOUBLE_EQ(view.GetImageHeightPt(), 144.0);
    EXPECT_DOUBLE_EQ(view.GetMediaWidthMm(), 1270.0);
    EXPECT_DOUBLE_EQ(view.GetMediaWidthPt(), 3600.0);
    EXPECT_DOUBLE_EQ(view.GetOffsetXMm(), 2.54);
    EXPECT_DOUBLE_EQ(view.GetOffsetYMm(), 2.54);

    const std::pair<int, int> directions[] = {{0, 0}, {2, 2}, {1, 1}, {3, 1}, {-1, 1}};
    for (const auto& [field, result] : directions) {
        job.m_iPrintDirection = field;
        EXPECT_EQ(view.GetPrintDirection(), result);
    }
    const std::pair<int, int> modes[] = {{0, 0}, {1, 1}, {6, 6}, {7, 0}, {-1, 0}};
    for (const auto& [field, result] : modes) {
        job.m_iCuttingMode = field;
        EXPECT_EQ(view.GetCutMode(), result);
    }
    const std::pair<int, const char*> trays[] = {{1, "Tray1"}, {4, "Tray4_opt"}, {16, "ManualFeed"}, {9, "Auto"}};
    for (const auto& [field, result] : trays) {
        job.m_iMediaSource = field;
        EXPECT_EQ(view.GetTrayName(), result);
    }
}

TEST_F(JobInfoTest, FeedMarginCountsANegativeBottomFeedAsTenMillimetres) {
    job.m_dBottomFeed = -0.5;
    EXPECT_NEAR(view.GetFeedMarginPt(), 28.35, 0.005);
    job.m_dBottomFeed = 0.0;
    EXPECT_EQ(view.GetFeedMarginPt(), 0.0);
}

TEST_F(JobInfoTest, PageCountReadsTheSecondKeyOnlyBelowOne) {
    Set("Output/Prn/PageCount", 0);
    EXPECT_EQ(view.GetPageCount(), 1);
    Set("Input/PageCount", 4);
    EXPECT_EQ(view.GetPageCount(), 4);
    Set("Output/Prn/PageCount", 3);
    EXPECT_EQ(view.GetPageCount(), 3);
}

TEST_F(JobInfoTest, PaperNameFromTheSizeId) {
    const std::pair<int, const char*> names[] = {{103, "A3"}, {530, "SRA3"}, {113, "A4"}, {142, "LETTER"},
                                                 {572, "320x1219"}, {107, ""}, {0, ""}};
    for (const auto& [id, name] : names) {
        job.m_iMediaSizeID = id;
        EXPECT_EQ(view.GetPaperSizeName(), name) << id;
    }
}

TEST_F(JobInfoTest, HeatersGiveModeAndTemperatureWithTheirDefaults) {
    EXPECT_FALSE(view.HasHeaterTemperatures());
    job.m_vHeatersCelsius = {-1.0, 35.5};
    EXPECT_TRUE(view.HasHeaterTemperatures());
    EXPECT_EQ(view.GetHeaterMode(0), 1);
    EXPECT_EQ(view.GetHeaterMode(1), 2);
    EXPECT_EQ(view.GetHeaterMode(2), 0);
    EXPECT_EQ(view.GetHeaterTemperature(1), 35.5);
    EXPECT_EQ(view.GetHeaterTemperature(2), 20.0);
    EXPECT_EQ(view.GetHeaterTemperature(7), 20.0);
    job.m_vHeatersCelsius = {0.0};
    EXPECT_EQ(view.GetHeaterMode(0), 0);
}

TEST_F(JobInfoTest, CutterMatchIsExactAndNeedsACutMarkIdOfSixToEight) {
    const struct {
        const char* maker;
        int id;
        bool match;
    } cases[] = {{"iCut", 5, false}, {"icut", 6, false}, {"iCut", 8, true}, {"iCut", 6, true},
                 {"iCut ", 7, false}, {"iCut", 9, false}};
    for (const auto& c : cases) {
        Set("ContourCutting/CutterManufacturer", std::string(c.maker));
        Set("ContourCutting/CutMarkID", c.id);
        EXPECT_EQ(view.IsICutWithCutMarkID(), c.match) << c.maker << " " << c.id;
    }
}

TEST_F(JobInfoTest, CutFileNameOfProductVersion40JoinsFolderAndName) {
    Set("Input/OutputCutFilePath", std::string("jobs\\a"));
    Set("Process/ContourCut/ICUT/AI_FileName", std::string("cut.ai"));
    EXPECT_EQ(view.GetAIFileName(0), "jobs/a/cut.ai");
    // Without a cut folder the output path is taken whole.
    Set("Input/OutputCutFilePath", std::string(""));
    Set("Process/OutputFilePath", std::string("out\\job.prn"));
    EXPECT_EQ(view.GetAIFileName(0), "out/job.prn/cut.ai");
    Set("Process/ContourCut/ICUT/AI_FileName", std::string(""));
    EXPECT_EQ(view.GetAIFileName(0), "");
}

TEST_F(JobInfoTest, CutFileNameFromTheListOrTheICutFolder) {
    Set("System/Product/MajorVersion", 5);
    EXPECT_EQ(view.GetAIFileName(3), "");
    store.SetElements(TICKET_SCOPE_JOB, kJobId, "Process/ContourCut/ICUT/AI_FileName",
                      {std::string("a.ai"), std::string("b.ai")});
    EXPECT_EQ(view.GetAIFileName(1), "b.ai");
    try {
        view.GetAIFileName(2);
        FAIL() << "no throw";
    } catch (const TextError& e) {
        EXPECT_STREQ(e.what(), "invalid vector<T> subscript");
    }
    EXPECT_THROW(view.GetAIFileName(-1), TextError);

    Set("ContourCutting/CutterManufacturer", std::string("iCut"));
    Set("ContourCutting/CutMarkID", 7);
    Set("Process/ContourCut/ICUT/AI_FileName", std::string("c.ai"));
    Set("Process/OutputFilePath", std::string("d:\\out\\job.prn"));
    EXPECT_EQ(view.GetAIFileName(0), "d:/out/c.ai");
    Set("Input/OutputCutFilePath", std::string("e:\\cuts"));
    EXPECT_EQ(view.GetAIFileName(0), "e:\\cuts/c.ai");
}

TEST_F(JobInfoTest, InkPreLimitsEndAtTheFirstValueNotAboveZero) {
    const char* values[] = {"80", "75", "", "60"};
    for (int i = 0; i < 4; ++i) {
        Set("Output/Prn/Specific/InkPreLimit/InkPreLimit" + std::to_string(i + 1), std::string(values[i]));
    }
    EXPECT_EQ(view.GetInkPreLimits(), (std::vector<double>{80.0, 75.0}));
}

TEST_F(JobInfoTest, InfoMessageIsAppendedToTheHostsList) {
    store.SetElements(TICKET_SCOPE_JOB, kJobId, "Process/InfoMessage", {std::string("host")});
    std::string text = "No cut data";
    EXPECT_TRUE(view.AddInfoMessage(text));
    EXPECT_TRUE(text.empty());
    const hostkit::Elements expected = {std::string("host"), std::string("No cut data")};
    EXPECT_EQ(*store.Find(TICKET_SCOPE_JOB, kJobId, "Process/InfoMessage"), expected);
}

TEST_F(JobInfoTest, BumpMapFlagsAndStringAccess) {
    Set("Output/Prn/Specific/PrinterInk/UseClearMatteAsBumpMap", 1);
    Set("Output/Prn/Specific/PrinterInk/UseMetallicAsBumpMap", 1);
    bool white = true, clear = false, metallic = false;
    EXPECT_TRUE(view.GetBumpMapUse(&white, &clear, nullptr, &metallic));
    EXPECT_FALSE(white);
    EXPECT_TRUE(clear);
    EXPECT_TRUE(metallic);

    EXPECT_TRUE(view.SetString("Process/Note", "x"));
    EXPECT_EQ(view.GetString("Process/Note"), "x");
    store.SetElements(TICKET_SCOPE_JOB, kJobId, "Output/Prn/Info/Color/SpotColors",
                      {std::string("White"), std::string("Clear")});
    EXPECT_EQ(view.GetSpotColorCount(), 2);
}

TEST_F(JobInfoTest, UnsupportedSlotsReportAnAssertionAndComplete) {
    RecordingCutLogger asserts;
    SetAssertionLogger(&asserts);
    std::string title = "t";
    view.SetTitle(title);
    job.m_iDuplexMode = 3;
    EXPECT_EQ(view.GetDuplexMode(), 0);
    EXPECT_EQ(view.GetUnsupportedValue(), 0);
    job.m_iDuplexMode = 2;
    EXPECT_EQ(view.GetDuplexMode(), 2);
    SetAssertionLogger(nullptr);
    EXPECT_TRUE(title.empty());
    ASSERT_EQ(asserts.lines.size(), 3u);
    EXPECT_EQ(asserts.lines[0].text, "Src\\CVarnPrn2IJobInfoAdapter(53): assert(false) failed!");
    EXPECT_EQ(asserts.lines[1].text, "Src\\CVarnPrn2IJobInfoAdapter(213): assert(false) failed!");
    EXPECT_EQ(asserts.lines[2].text, "Src\\CVarnPrn2IJobInfoAdapter(221): assert(false) failed!");
}

// A view that answers every integer key itself.
class FixedIntView : public CVarnPrn2IJobInfoAdapter {
public:
    using CVarnPrn2IJobInfoAdapter::CVarnPrn2IJobInfoAdapter;
    int GetInt(const std::string&, int) override { return 5; }
};

TEST_F(JobInfoTest, TicketReadsGoThroughTheAccessOperations) {
    FixedIntView redirected(&job);
    EXPECT_EQ(redirected.GetWhitePasses(), 5);
    EXPECT_EQ(redirected.GetWhiteOpacityMode(), 6);
    EXPECT_EQ(redirected.GetOutputUnitSmall(), 2);
    EXPECT_EQ(redirected.GetPageCount(), 5);
}

}  // namespace
