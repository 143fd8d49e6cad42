#include "cutting/cut_driver.h"

#include <cerrno>
#include <fstream>

#include "base/text_error.h"
#include "cut_test_support.h"
#include "cutting/cutmarks.h"
#include "mgl_decode.h"
#include "platform/system.h"
#include "support/scratch_folder.h"

namespace {

class CutDriverTest : public CutJobTest {
protected:
    CutDriverTest() {
        Image(100, 100);
        job.m_dBottomFeed = 0.0;
        job.m_iCuttingMode = 1;
        Set("System/Product/MajorVersion", 5);
    }

    // A cut file in the scratch folder, named by the job.
    void CutFile(const std::string& body) {
        const std::string path = folder.File("cut.ai");
        std::ofstream(path, std::ios::binary) << body;
        store.SetElements(TICKET_SCOPE_JOB, kJobId, "Process/ContourCut/ICUT/AI_FileName", {path});
    }

    std::string Failure(CMimakiCut& cut) {
        Bytes data;
        try {
            cut.GetCutData(data);
        } catch (const TextError& e) {
            return e.what();
        }
        return "no throw";
    }

    ScratchFolder folder;
};

TEST_F(CutDriverTest, FactoryServesTheCjv30AndCjv300Ranges) {
    for (int model : {703, 717, 7018, 7051}) {
        log.lines.clear();
        EXPECT_NE(CreateMimakiCutDriver(&job, model), nullptr);
        EXPECT_TRUE(log.Has(LOG_DETAIL, "CreateMimakiCutDriver: Calling the factory function...")) << model;
    }
    for (int model : {702, 718, 7017, 7052}) {
        log.lines.clear();
        try {
            CreateMimakiCutDriver(&job, model);
            FAIL() << model;
        } catch (const TextError& e) {
            EXPECT_STREQ(e.what(), "CreateMimakiCutDriver internal error, see Server.log");
        }
        EXPECT_TRUE(log.Has(LOG_ERROR, "CreateMimakiCutDriver internal error: No cut driver for printer ID " +
                                           std::to_string(model) + "!"));
    }
}

TEST_F(CutDriverTest, CutDataIsTheMglTextFramedByTwoGtCommands) {
    CutFile("%!PS-Adobe-3.0\r\n%%Note: AI_ParserStart\r\n0 0 m\r\n100 0 l\r\n100 100 l\r\n0 100 l\r\n0 0 l\r\n"
            "%%Note: AI_ParserStop\r\n");
    for (int model : {703, 7018}) {
        auto cut = CreateMimakiCutDriver(&job, model);
        Bytes data;
        cut->GetCutData(data);
        const std::string text = "IN;\nZB1;\nJA0;\nPU1411,0;\nPD1411,1411;\nPD0,1411;\nPD0,0;\nPD1411,0;\n!PG35;\nJE;\n";
        Bytes expected = {'G', 'T', 0x01, 0x80};
        expected.insert(expected.end(), text.begin(), text.end());
        expected.insert(expected.end(), {'G', 'T', 0x01, 0x00});
        EXPECT_EQ(data, expected) << model;
        EXPECT_EQ(mgl::Unframe(data), text);
    }
    EXPECT_TRUE(log.Has(LOG_DETAIL, "MimakiCutDriverBase::GetCutData(): C&P pIJI gibt folgenden AI Dateinamen: '" +
                                        folder.File("cut.ai") + "'"));
    EXPECT_TRUE(log.Has(LOG_DETAIL, "MimakiCutDriverBase::GetCutData(): C&P Einlesen der AI Datei"));
    EXPECT_TRUE(log.Has(LOG_DETAIL, "MimakiCutDriverBase::GetCutData(): C&P AI Datei eingelesen"));
    EXPECT_TRUE(log.Has(LOG_DETAIL, "MimakiCutDriverBase::Emit_CutCommands(): Beginn"));
    EXPECT_TRUE(log.Has(LOG_DETAIL, "MimakiCutDriverBase::Emit_CutCommands(): Ende"));
}

TEST_F(CutDriverTest, MarksReachTheGeneratorThroughTheCutObject) {
    CutFile("%%Note: AI_ParserStart\n0 0 m\n10 10 l\n");
    Set("ContourCutting/PrintAndCutDeviceHandlesCutMarks", 1);
    auto cut = CreateMimakiCutDriver(&job, 7018);
    EXPECT_TRUE(cut->PrintAndCutDeviceHandlesCutMarks());
    MimakiCutmarksGeneratorParams params;
    params.pfnWriteRow = [](void*, const uint8_t*, uint32_t) { return 0; };
    params.pContext = &job;
    params.iResolutionX = params.iResolutionY = 720;
    params.iImageWidth = params.iImageHeight = 2835;
    auto marks = CreateMimakiCutmarksGenerator(params);
    marks->EmitMarks(false);
    cut->SetIMimakiCutmarksGeneratorInfo(marks.get());
    Bytes data;
    const auto commands = mgl::Decode(mgl::Unframe(cut->GetCutData(data)));
    EXPECT_EQ(commands.at(3).name, "JS");
    EXPECT_EQ(commands.at(4), (mgl::Command{"JD", {5, 5}}));
}

TEST_F(CutDriverTest, MissingOrUnreadableFilesAndEmptySectionsFail) {
    auto cut = CreateMimakiCutDriver(&job, 7018);
    EXPECT_EQ(Failure(*cut), "AI file name is missing");
    EXPECT_TRUE(log.Has(LOG_DETAIL, "MimakiCutDriverBase::GetCutData(): C&P Es wird kein Cut-RDGL3 Code erzeugt"));
    std::filesystem::create_directory(folder.File("folder.ai"));
    // The file the job names (a name alone: none there), and what it fails with.
    const struct {
        const char* name;
        const char* body;
        std::string message;
    } cases[] = {
        {"none.ai", nullptr,
         "Could not read AI file \"" + folder.File("none.ai") + "\": it cannot be opened (" +
             platform::ErrorText(ENOENT) + ")"},
        {"folder.ai", nullptr, "Could not read AI file \"" + folder.File("folder.ai") + "\": it is not a regular file"},
        {"cut.ai", "%%Note: AI_ParserStart \n0 0 m\n1 1 l\n",
         "AI file has no cut section (no line \"%%Note: AI_ParserStart\")"},
        {"cut.ai", "%PDF-1.6\r%\xE2\xE3\xCF\xD3\r\n1 0 obj\r\n",
         "AI file is PDF-based: no cut section (no line \"%%Note: AI_ParserStart\")"},
        {"cut.ai", "%%Note: AI_ParserStart\n% nothing\n%%Note: AI_ParserStop\n", "AI file is empty"},
        {"cut.ai", "%%Note: AI_ParserStart\n0 0 m\n", "AI file does not contain any cut path"},
    };
    for (const auto& c : cases) {
        if (c.body) CutFile(c.body);
        store.SetElements(TICKET_SCOPE_JOB, kJobId, "Process/ContourCut/ICUT/AI_FileName", {folder.File(c.name)});
        EXPECT_EQ(Failure(*cut), c.message) << c.name;
    }
}

TEST_F(CutDriverTest, ObjectsWithoutTheirPartsThrowTheirTexts) {
    CMimakiCut empty(nullptr, nullptr, nullptr);
    Bytes data;
    EXPECT_THROW(empty.GetCutData(data), TextError);
    try {
        empty.SetIMimakiCutmarksGeneratorInfo(nullptr);
        FAIL() << "no throw";
    } catch (const TextError& e) {
        EXPECT_STREQ(e.what(), "CMimakiCut::SetIMimakiCutmarksGeneratorInfo: Fatal !m_pPSPD");
    }
    try {
        empty.PrintAndCutDeviceHandlesCutMarks();
        FAIL() << "no throw";
    } catch (const TextError& e) {
        EXPECT_STREQ(e.what(), "CMimakiCut::GetCutData: Fatal !m_pIJI");
    }
    MimakiCJV300CutDriver bare;
    try {
        bare.SetIMimakiCutmarksGeneratorInfo(nullptr);
        FAIL() << "no throw";
    } catch (const TextError& e) {
        EXPECT_STREQ(e.what(), "MimakiCutDriverBase::SetIMimakiCutmarksGeneratorInfo !m_pIMGLG");
    }
}

}  // namespace
