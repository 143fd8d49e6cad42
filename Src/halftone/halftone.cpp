#include "halftone/halftone.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <new>

#include "base/format.h"
#include "halftone/epl_proxy.h"
#include "halftone/matrix_screening.h"
#include "halftone/rgb_table.h"
#include "platform/system.h"
#include "services/logger_adapter.h"
#include "job/varn_prn.h"

namespace {

// Pixels of the job's input line and their stride (the host's bytes a
// pixel), as the RGB correction and the contone debug image see them.
int32_t InputPixels(const CVarnPrn* job) {
    return job->m_iScaleX > 0 ? job->m_iOutWidthPixel / job->m_iScaleX : job->m_iOutWidthPixel;
}

size_t InputBytes(const CVarnPrn* job) {
    const int32_t pixels = InputPixels(job);
    const int32_t stride = job->LineComponents();
    return pixels > 0 && stride > 0 ? static_cast<size_t>(pixels) * static_cast<size_t>(stride) : 0;
}

bool HasRgbTable(const CVarnPrn* job) { return job->m_bEplRgbTableLoaded && job->m_pEplRgbTable; }

}  // namespace

CHalftoneBase::CHalftoneBase() : m_pLineProcessor(this) {}

void CHalftoneBase::SetLineProcessor(ILinearizeAndHalftoneAndEncodeOneRasterLine* target) {
    m_pLineProcessor = target ? target : this;
}

CHalftone::CHalftone(CVarnPrn* job) : m_pJob(job) {
    if (job) m_bUseTimeForRandom = static_cast<int32_t>(job->m_bUseTimeForRandom);
    InitDebugOutput(job);
}

CHalftone::~CHalftone() {
    m_pMTH.reset();  // its workers read the tables below
    CloseDebugImages();
    if (m_pJob && m_pOutLine && m_pJob->m_pOutLine == m_pOutLine.get()) m_pJob->m_pOutLine = nullptr;
}

void HalftoneDeleter::operator()(CHalftone* halftone) const noexcept { delete halftone; }

void CHalftone::InitDebugOutput(CVarnPrn* job) {
    if (!job || (!job->m_bWriteInputTiff && !job->m_bWriteOutputTiff)) return;

    std::string error;
    if (!m_DbgOut.Load(error)) {
        job->Log(LOG_WARNING, "CHalftone::InitDebugOutput: no debug images, \"%s\" not available (%s)",
                 kDbgOutModuleName, error.c_str());
    }

    const auto common = [job](DbgImageInfo& info) {
        info.height = static_cast<uint32_t>(std::max(job->m_iOutHeightPixel, 0));
        info.resolutionX = static_cast<float>(job->m_iResolutionX);
        info.resolutionY = static_cast<float>(job->m_iResolutionY);
        info.folder = job->m_strInstallFolder;
        info.filePath = job->m_strOutputFilePath;
    };
    if (job->m_bWriteInputTiff) {
        m_pDbgContoneInfo = std::make_unique<DbgImageInfo>();
        DbgImageInfo& info = *m_pDbgContoneInfo;
        common(info);
        info.width = static_cast<uint32_t>(std::max(InputPixels(job), 0));
        info.lineLength = static_cast<uint32_t>(std::max(job->m_iOutWidthPixel, 0));
        info.oneFilePerChannel = job->m_bWriteInputTiffSep ? 1 : 0;
        info.layoutCode = DBG_LAYOUT_PLANES;
        info.compression = DBG_COMPRESSION_DEFLATE;
        info.bitsPerSample = 8;
        info.colorCode = DbgContoneColorCode(job->m_iInputColorMode, job->m_iSpotColorCount);
    }
    m_pDbgHalftoneInfo = std::make_unique<DbgImageInfo>();
    DbgImageInfo& info = *m_pDbgHalftoneInfo;
    common(info);
    info.width = static_cast<uint32_t>(std::max(job->m_iOutWidthPixel, 0));
    info.oneFilePerChannel = job->m_bWriteOutputTiffSep ? 1 : 0;
    info.layoutCode = job->m_bWriteOutputTiff ? uint32_t{DBG_LAYOUT_PLANES} : 0u;
    info.pageNumber = job->m_iPageCount;
}

void CHalftone::CloseDebugImages() {
    m_DbgOut.Close(m_hDbgHalftoneImage);
    m_DbgOut.Close(m_hDbgContoneImage);
    m_hDbgHalftoneImage = nullptr;
    m_hDbgContoneImage = nullptr;
}

int32_t CHalftone::Run(CVarnPrn* job, int32_t phase) { return m_pLineProcessor->Process(job, phase); }

int32_t CHalftone::DispatchHalftoneMode(CVarnPrn* job, int32_t phase) {
    switch (HalftoneRoutine) {
        case HALF_ROUTINE_SCREENING: return Screening(job, phase);
        case HALF_ROUTINE_PLANAR: return PlanarHalftone(job, phase);
        default: break;
    }
    if (const DiffusionRoutine* routine = FindDiffusionRoutine(HalftoneRoutine)) {
        return RunDiffusion(job, phase, *routine);
    }
    if (job) job->Log(LOG_ERROR, "CHalftone invalid halftone mode (%d)", HalftoneRoutine);
    return HALF_ERR_INVALID_ROUTINE;
}

int32_t CHalftone::BuildLuts(CVarnPrn* job) {
    if (!job) return HALF_ERR_NO_JOB;
    job->m_strLinearisationFault.clear();
    CVarnPrn2ILoggerAdapter logger(job);
    EPLProxy proxy(&logger);
    EplCurveSets curves;
    const int32_t r = proxy.BuildLuts(job->m_dGamma, job->m_iInkLimitAll, job->m_strVisualCorrectionPath,
                                      job->m_aiInkLimitPerChannel.data(),
                                      job->m_aiInkLimitPerChannel.size(), job->m_iClcJob, job->m_iClcNonincremental,
                                      job->m_strEplPath, job->m_iOutputColorMode, curves);
    if (r <= 0) {
        if (!proxy.FileFault().empty()) {
            job->m_strLinearisationFault =
                StringF("Reredir.uze: Linearization file \"%s\" cannot be used: %s",
                        EscapeControlBytes(job->m_strEplPath).c_str(), EscapeControlBytes(proxy.FileFault()).c_str());
            job->SetErrorMessage(job->m_strLinearisationFault);
        }
        return r;
    }
    static constexpr int kFirstMap[4] = {0, 14, 18, 22};
    for (size_t set = 0; set < curves.size(); ++set) {
        if (curves[set].size() < 4 * kInputMapSize) continue;
        for (int m = 0; m < 4; ++m) {
            std::copy_n(curves[set].begin() + m * kInputMapSize, kInputMapSize, m_aInputMap[kFirstMap[set] + m]);
        }
    }
    return r;
}

int32_t CHalftone::InitJob(CVarnPrn* job) {
    if (!job) return HALF_ERR_NO_JOB;
    if (HalftoneRoutine == HALF_ROUTINE_UNSET) return HALF_ERR_NO_ROUTINE;
    if (BuildLuts(job) <= 0) return HALF_ERR_NO_CURVES;

    m_nInputLineBytes = InputBytes(job);  // the routine's job start may need more
    const int32_t r = Run(job, HALF_OPENJOB);
    if (r >= 0 && HasRgbTable(job)) m_vInputLine.assign(m_nInputLineBytes, 0);
    return r;
}

int32_t CHalftone::InitPage(CVarnPrn* job) {
    if (!job) return HALF_ERR_NO_JOB;
    m_Diffusion.m_bReverseLine = 0;

    CloseDebugImages();
    if (m_DbgOut.IsLoaded() && (m_pDbgHalftoneInfo || m_pDbgContoneInfo)) {
        if (m_pDbgHalftoneInfo) m_pDbgHalftoneInfo->pageNumber = job->m_iPageCount;
        if (m_pDbgContoneInfo) m_pDbgContoneInfo->pageNumber = job->m_iPageCount;
        if (job->m_bWriteOutputTiff && m_pDbgHalftoneInfo) m_hDbgHalftoneImage = m_DbgOut.Open(*m_pDbgHalftoneInfo);
        if (job->m_bWriteInputTiff && m_pDbgContoneInfo) m_hDbgContoneImage = m_DbgOut.Open(*m_pDbgContoneInfo);
    }

    const int32_t r = Run(job, HALF_OPENPAGE);
    m_nPageBytes = 0;
    m_nPageBytesPlanar = 0;
    m_llHalftoneTicks = 0;
    m_llTimerFrequency = platform::PerformanceFrequency();
    return r;
}

const uint8_t* CHalftone::PrepareInputLine(CVarnPrn* job) {
    const uint8_t* line = job->m_pCurrentLine;
    const int32_t stride = job->LineComponents();
    if (!line || !HasRgbTable(job) || m_vInputLine.empty() || stride < 3) return line;
    // The job's line may be run more than once (vertical scaling, a repeated
    // step): correct a copy, never the line itself.
    std::memcpy(m_vInputLine.data(), line, m_vInputLine.size());
    const int32_t pixels = std::min<int64_t>(InputPixels(job), static_cast<int64_t>(m_vInputLine.size()) / stride);
    ApplyRgbLut(pixels, m_vInputLine.data(), stride, job->m_pEplRgbTable.get());
    return m_vInputLine.data();
}

int32_t CHalftone::ProcessLine(CVarnPrn* job) {
    if (!job) return HALF_ERR_NO_JOB;
    try {
        m_pInputLine = PrepareInputLine(job);
        if (m_hDbgContoneImage) m_DbgOut.Write(m_hDbgContoneImage, m_pInputLine);
        return Run(job, HALF_PROCESS);
    } catch (const std::exception& e) {
        job->Log(LOG_ERROR, "CHalftone::ProcessLine: %s", e.what());
    } catch (...) {
        job->Log(LOG_ERROR, "CHalftone::ProcessLine: unknown exception");
    }
    return HALF_ERR_EXCEPTION;
}

void CHalftone::StartLine(uint64_t bytes) {
    m_llLineStart = platform::PerformanceCounter();
    m_nPageBytes += bytes;
}

void CHalftone::EndLine(CVarnPrn* job) {
    m_llLineEnd = platform::PerformanceCounter();
    m_llHalftoneTicks += m_llLineEnd - m_llLineStart;
    if (m_hDbgHalftoneImage) m_DbgOut.Write(m_hDbgHalftoneImage, DebugHalftoneLine(job));
}

// The library reads four channel rows of the record's line length for layout
// code 4 and eight for any other, while a planar line holds one row per
// channel (six for some colour set-ups): a shorter line goes through a
// zero-padded copy, so that nothing past it is read.
const uint8_t* CHalftone::DebugHalftoneLine(const CVarnPrn* job) {
    const uint8_t* line = job ? job->m_pOutLine : nullptr;
    if (!line || !m_pDbgHalftoneInfo) return line;
    const size_t rows = m_pDbgHalftoneInfo->layoutCode == DBG_LAYOUT_PLANES ? 4 : 8;
    const size_t read = rows * m_pDbgHalftoneInfo->lineLength;
    const size_t held = line == m_pOutLine.get()
                            ? m_nOutLineBytes
                            : static_cast<size_t>(std::max(job->m_iOutChannels, 0)) *
                                  static_cast<size_t>(std::max(job->m_iBytesPerChannel, 0));
    if (held >= read) return line;
    m_vDbgLineBuffer.assign(read, 0);  // allocates once: every line has the same length
    std::copy_n(line, held, m_vDbgLineBuffer.begin());
    return m_vDbgLineBuffer.data();
}

int32_t CHalftone::ExitPage(CVarnPrn* job) {
    if (!job) return HALF_ERR_NO_JOB;
    CloseDebugImages();
    const int32_t r = Run(job, HALF_CLOSEPAGE);

    const double seconds =
        m_llTimerFrequency > 0 ? static_cast<double>(m_llHalftoneTicks) / static_cast<double>(m_llTimerFrequency) : 0.0;
    const uint64_t bytes = m_nPageBytesPlanar != 0 ? m_nPageBytesPlanar : m_nPageBytes;
    // A page halftoned faster than the counter ticks has no throughput figure.
    const int kilobytesPerSecond = seconds > 0.0 ? static_cast<int>(static_cast<double>(bytes) / seconds / 1024.0) : 0;
    job->Log(LOG_DETAIL, "Halftoning Time      = %4.4g sec", seconds);
    job->Log(LOG_DETAIL, "Kilobytes per Second = %d", kilobytesPerSecond);
    return r;
}

uint8_t* CHalftone::ExchangeOutLine(CVarnPrn* job, std::unique_ptr<uint8_t[]>& line, size_t bytes) {
    if (!job || !m_pOutLine || !line || bytes != m_nOutLineBytes || job->m_pOutLine != m_pOutLine.get()) return nullptr;
    m_pOutLine.swap(line);
    return m_pOutLine.get();
}

uint8_t* CHalftone::AllocateOutLine(CVarnPrn* job, size_t bytes) {
    if (job && job->m_pOutLine == m_pOutLine.get()) job->m_pOutLine = nullptr;
    m_pOutLine.reset(new (std::nothrow) uint8_t[bytes > 0 ? bytes : 1]());
    m_nOutLineBytes = m_pOutLine ? bytes : 0;
    if (job) job->m_pOutLine = m_pOutLine.get();
    return m_pOutLine.get();
}

void CHalftone::FreeJobBuffers() {
    m_pMTH.reset();
    m_pScreening.reset();
    m_pThresholdMatrix = {};
    m_pOutLine.reset();
    m_nOutLineBytes = 0;
    m_pLinTableStorage.reset();
    std::fill(std::begin(m_apLinTable), std::end(m_apLinTable), nullptr);
    m_Diffusion.ExitJob();
    m_aDotSizeTable = DotSizeTables{};
    m_pRandomTable.reset();
    m_pNoiseTable.reset();
    m_vInputLine = {};
    m_pInputLine = nullptr;
}

int32_t CHalftone::ExitJob(CVarnPrn* job) {
    CloseDebugImages();
    m_pDbgHalftoneInfo.reset();
    m_pDbgContoneInfo.reset();
    m_vDbgLineBuffer = {};
    m_DbgOut.Unload();

    const int32_t r = job ? Run(job, HALF_CLOSEJOB) : HALF_ERR_NO_JOB;
    if (job) job->m_pOutLine = nullptr;
    if (m_pJob && m_pJob->m_pOutLine == m_pOutLine.get()) m_pJob->m_pOutLine = nullptr;
    FreeJobBuffers();
    return r;
}
