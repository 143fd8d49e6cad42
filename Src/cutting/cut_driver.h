// The cut object of a print-and-cut page and the cut drivers of the CJV30 and
// CJV300 lines: the job's cut file read and turned into MGL text, framed by
// two "GT" commands of the printer language. The framed data holds zero and
// 0x80 bytes: it is carried as bytes with their length.
#pragma once

#include <memory>
#include <string>

#include "drivers/mrl/mrl.h"

class CVarnPrn;
class IJobInfo;
class ILogger;
class IMimaki_MGL_Generator;
class IMimakiCutmarksGeneratorInfo;

class MimakiCutDriverBase {
public:
    MimakiCutDriverBase();
    virtual ~MimakiCutDriverBase();
    MimakiCutDriverBase(const MimakiCutDriverBase&) = delete;
    MimakiCutDriverBase& operator=(const MimakiCutDriverBase&) = delete;

    // The driver owns its generator; the job view and the logger are lent.
    virtual void SetIMimaki_MGL_Generator(std::unique_ptr<IMimaki_MGL_Generator> generator);
    virtual void SetIMimakiCutmarksGeneratorInfo(IMimakiCutmarksGeneratorInfo* info);
    virtual void SetIJobInfo(IJobInfo* jobInfo);
    virtual void SetILogger(ILogger* logger);
    // Header + MGL text of the job's cut file + trailer. Throws TextError when
    // no cut data can be made.
    virtual void GetCutData(Bytes& out);
    virtual bool PrintAndCutDeviceHandlesCutMarks();
    virtual void CutHeader(Bytes& out) = 0;
    virtual void CutTrailer(Bytes& out) = 0;
    virtual void Emit_CutCommands(std::string& out);

protected:
    void Trace(const char* text);

    std::unique_ptr<IMimaki_MGL_Generator> m_pIMGLG;
    IJobInfo* m_pIJI = nullptr;
    ILogger* m_pLogger = nullptr;
};

class MimakiCJV30CutDriver : public MimakiCutDriverBase {
public:
    void CutHeader(Bytes& out) override;
    void CutTrailer(Bytes& out) override;
};

class MimakiCJV300CutDriver : public MimakiCutDriverBase {
public:
    void CutHeader(Bytes& out) override;
    void CutTrailer(Bytes& out) override;
};

// The cut object of one page: owns its driver, its logger adapter and its job
// view over the job.
class CMimakiCut {
public:
    CMimakiCut(std::unique_ptr<MimakiCutDriverBase> driver, std::unique_ptr<ILogger> logger,
               std::unique_ptr<IJobInfo> jobInfo);
    virtual ~CMimakiCut();
    CMimakiCut(const CMimakiCut&) = delete;
    CMimakiCut& operator=(const CMimakiCut&) = delete;

    virtual void SetIMimakiCutmarksGeneratorInfo(IMimakiCutmarksGeneratorInfo* info);
    virtual Bytes& GetCutData(Bytes& out);
    virtual bool PrintAndCutDeviceHandlesCutMarks();

private:
    std::unique_ptr<MimakiCutDriverBase> m_pPSPD;
    std::unique_ptr<ILogger> m_pLogger;
    std::unique_ptr<IJobInfo> m_pIJI;
};

// The line factories: a driver with its MGL generator over the job view.
std::unique_ptr<MimakiCutDriverBase> CreateMimakiCJV30CutDriver(CVarnPrn* job, IJobInfo* jobInfo, ILogger* logger);
std::unique_ptr<MimakiCutDriverBase> CreateMimakiCJV300CutDriver(CVarnPrn* job, IJobInfo* jobInfo, ILogger* logger);

// The cut object for a printer model: 703 to 717 CJV30, 7018 to 7051 CJV300.
// Any other model logs an error and throws TextError "CreateMimakiCutDriver
// internal error, see Server.log". Never returns null.
std::unique_ptr<CMimakiCut> CreateMimakiCutDriver(CVarnPrn* job, int printerModel);
