#include "cutting/cut_driver.h"

#include "base/format.h"
#include "base/input_file.h"
#include "base/log_interface.h"
#include "base/text_error.h"
#include "cutting/ai_reader.h"
#include "cutting/job_info_adapter.h"
#include "cutting/mgl_generator.h"
#include "job/varn_prn.h"
#include "services/logger_adapter.h"

namespace {

constexpr uint8_t kCutDataStart = 0x80;
constexpr uint8_t kCutDataEnd = 0x00;

template <class Driver>
std::unique_ptr<MimakiCutDriverBase> CreateDriver(IJobInfo* jobInfo, ILogger* logger) {
    auto generator = std::make_unique<Mimaki_MGL_IIC_Generator>();
    generator->SetIJobInfo(jobInfo);
    generator->SetLogger(logger);
    auto driver = std::make_unique<Driver>();
    driver->SetIMimaki_MGL_Generator(std::move(generator));
    return driver;
}

}  // namespace

MimakiCutDriverBase::MimakiCutDriverBase() = default;
MimakiCutDriverBase::~MimakiCutDriverBase() = default;

void MimakiCutDriverBase::SetIMimaki_MGL_Generator(std::unique_ptr<IMimaki_MGL_Generator> generator) {
    m_pIMGLG = std::move(generator);
}

void MimakiCutDriverBase::SetIMimakiCutmarksGeneratorInfo(IMimakiCutmarksGeneratorInfo* info) {
    if (!m_pIMGLG) throw TextError("MimakiCutDriverBase::SetIMimakiCutmarksGeneratorInfo !m_pIMGLG");
    m_pIMGLG->SetIMimakiCutmarksGeneratorInfo(info);
}

void MimakiCutDriverBase::SetIJobInfo(IJobInfo* jobInfo) { m_pIJI = jobInfo; }
void MimakiCutDriverBase::SetILogger(ILogger* logger) { m_pLogger = logger; }

void MimakiCutDriverBase::Trace(const char* text) {
    if (m_pLogger) m_pLogger->LogTrace(text);
}

bool MimakiCutDriverBase::PrintAndCutDeviceHandlesCutMarks() {
    return m_pIJI && m_pIJI->PrintAndCutDeviceHandlesCutMarks() != 0;
}

void MimakiCutDriverBase::GetCutData(Bytes& out) {
    if (!m_pIJI) throw TextError("MimakiCutDriverBase::GetCutData !m_pIJI");
    const std::string name = m_pIJI->GetAIFileName(0);
    if (m_pLogger) {
        m_pLogger->LogTraceString("MimakiCutDriverBase::GetCutData(): C&P pIJI gibt folgenden AI Dateinamen: '" +
                                  EscapeControlBytes(name) + "'");
    }
    AdobeIllustratorFileContents contents;
    if (m_pIMGLG) {
        m_pIMGLG->SetIJobInfo(m_pIJI);
        m_pIMGLG->SetContents(&contents);
    }
    // The generator must not keep a pointer to the contents past this call.
    struct ForgetContents {
        IMimaki_MGL_Generator* generator;
        ~ForgetContents() {
            if (generator) generator->SetContents(nullptr);
        }
    } forget{m_pIMGLG.get()};

    if (name.empty()) {
        Trace("MimakiCutDriverBase::GetCutData(): C&P Es wird kein Cut-RDGL3 Code erzeugt");
        throw TextError("AI file name is missing");
    }
    Trace("MimakiCutDriverBase::GetCutData(): C&P Einlesen der AI Datei");
    InputFile file;
    file.Open(name);
    if (!file.IsOpen()) {
        throw TextError("Could not read AI file \"" + EscapeControlBytes(name) + "\": it " + file.OpenFailure());
    }
    AdobeIllustratorFileReader reader;
    reader.SetInputStream(&file);
    reader.SetContents(&contents);
    reader.Read();
    Trace("MimakiCutDriverBase::GetCutData(): C&P AI Datei eingelesen");

    Bytes trailer;
    CutTrailer(trailer);
    std::string commands;
    Emit_CutCommands(commands);
    Bytes header;
    CutHeader(header);
    out.clear();
    out.reserve(header.size() + commands.size() + trailer.size());
    out.insert(out.end(), header.begin(), header.end());
    out.insert(out.end(), commands.begin(), commands.end());
    out.insert(out.end(), trailer.begin(), trailer.end());
}

void MimakiCutDriverBase::Emit_CutCommands(std::string& out) {
    out.clear();
    Trace("MimakiCutDriverBase::Emit_CutCommands(): Beginn");
    if (m_pIMGLG) {
        m_pIMGLG->GenerateInto(out);
    } else {
        Trace("MimakiCutDriverBase::Emit_CutCommands(): m_pIMGLG == NULL !!!!");
    }
    Trace("MimakiCutDriverBase::Emit_CutCommands(): Ende");
}

// Both lines frame the cut data with the same "GT" commands.
void MimakiCJV30CutDriver::CutHeader(Bytes& out) { out = MRL_IV_GT(kCutDataStart); }
void MimakiCJV30CutDriver::CutTrailer(Bytes& out) { out = MRL_IV_GT(kCutDataEnd); }
void MimakiCJV300CutDriver::CutHeader(Bytes& out) { out = MRL_IV_GT(kCutDataStart); }
void MimakiCJV300CutDriver::CutTrailer(Bytes& out) { out = MRL_IV_GT(kCutDataEnd); }

CMimakiCut::CMimakiCut(std::unique_ptr<MimakiCutDriverBase> driver, std::unique_ptr<ILogger> logger,
                       std::unique_ptr<IJobInfo> jobInfo)
    : m_pPSPD(std::move(driver)), m_pLogger(std::move(logger)), m_pIJI(std::move(jobInfo)) {}

// The driver goes first: it may hold pointers to the logger and the job view.
CMimakiCut::~CMimakiCut() { m_pPSPD.reset(); }

void CMimakiCut::SetIMimakiCutmarksGeneratorInfo(IMimakiCutmarksGeneratorInfo* info) {
    if (!m_pPSPD) throw TextError("CMimakiCut::SetIMimakiCutmarksGeneratorInfo: Fatal !m_pPSPD");
    m_pPSPD->SetIMimakiCutmarksGeneratorInfo(info);
}

Bytes& CMimakiCut::GetCutData(Bytes& out) {
    if (!m_pPSPD) throw TextError("CMimakiCut::GetCutData: Fatal !m_pPSPD");
    m_pPSPD->GetCutData(out);
    return out;
}

bool CMimakiCut::PrintAndCutDeviceHandlesCutMarks() {
    if (!m_pIJI) throw TextError("CMimakiCut::GetCutData: Fatal !m_pIJI");
    return m_pIJI->PrintAndCutDeviceHandlesCutMarks() != 0;
}

std::unique_ptr<MimakiCutDriverBase> CreateMimakiCJV30CutDriver(CVarnPrn*, IJobInfo* jobInfo, ILogger* logger) {
    return CreateDriver<MimakiCJV30CutDriver>(jobInfo, logger);
}

std::unique_ptr<MimakiCutDriverBase> CreateMimakiCJV300CutDriver(CVarnPrn*, IJobInfo* jobInfo, ILogger* logger) {
    return CreateDriver<MimakiCJV300CutDriver>(jobInfo, logger);
}

std::unique_ptr<CMimakiCut> CreateMimakiCutDriver(CVarnPrn* job, int printerModel) {
    if (!job) throw TextError("CreateMimakiCutDriver internal error, see Server.log");
    auto logger = std::make_unique<CVarnPrn2ILoggerAdapter>(job);
    auto jobInfo = std::make_unique<CVarnPrn2IJobInfoAdapter>(job);

    using Factory = std::unique_ptr<MimakiCutDriverBase> (*)(CVarnPrn*, IJobInfo*, ILogger*);
    Factory factory = nullptr;
    if (printerModel >= 703 && printerModel <= 717) {
        factory = CreateMimakiCJV30CutDriver;
    } else if (printerModel >= 7018 && printerModel <= 7051) {
        factory = CreateMimakiCJV300CutDriver;
    } else {
        job->Log(LOG_ERROR, "CreateMimakiCutDriver internal error: No cut driver for printer ID %d!", printerModel);
        throw TextError("CreateMimakiCutDriver internal error, see Server.log");
    }
    logger->LogTrace("CreateMimakiCutDriver: Calling the factory function...");
    std::unique_ptr<MimakiCutDriverBase> driver = factory(job, jobInfo.get(), logger.get());
    if (!driver) {
        static constexpr const char* kNoDriver = "CreateMimakiCutDriver: Internal error pPSPD == 0!";
        logger->LogError(kNoDriver);
        throw TextError(kNoDriver);
    }
    driver->SetILogger(logger.get());
    driver->SetIJobInfo(jobInfo.get());
    return std::make_unique<CMimakiCut>(std::move(driver), std::move(logger), std::move(jobInfo));
}
