// Routines 103 to 111: serpentine error diffusion with one, two or three dot
// sizes on four or eight channels, run inline on the caller's thread or,
// page by page, through the multi-threaded engine. The kernels live in
// error_diffusion, the engine in mt_engine; this is their job, page and line
// frame.
#include <algorithm>
#include <new>

#include "halftone/halftone.h"
#include "halftone/mt_engine.h"
#include "halftone/pixel_converters.h"
#include "services/thread_pool.h"
#include "job/varn_prn.h"

int32_t CHalftone::RunDiffusion(CVarnPrn* job, int32_t phase, const DiffusionRoutine& routine) {
    if (!job) return HALF_ERR_NO_JOB;
    switch (phase) {
        case HALF_OPENJOB: return DiffusionInitJob(job, routine);
        case HALF_OPENPAGE: return DiffusionInitPage(job, routine);
        case HALF_CLOSEJOB:
            job->Log(LOG_DETAIL, "%s: exit job", routine.name);
            return 0;
        case HALF_CLOSEPAGE:
            job->Log(LOG_DETAIL, "%s: exit page", routine.name);
            m_pMTH.reset();  // stops its workers
            return 0;
        default: return DiffusionLine(job, routine);
    }
}

int32_t CHalftone::DiffusionInitJob(CVarnPrn* job, const DiffusionRoutine& routine) {
    job->Log(LOG_DETAIL, "%s: init job", routine.name);
    m_iBitsPerPixel = routine.bitsPerPixel;
    // 400 % and more switch the limiter off; a percentage out of range never
    // overflows the conversion.
    m_iInkLimit = static_cast<int32_t>(std::clamp(job->m_iTotalInkLimit, 0, 400) * 40.95);

    // The eight-channel routines step by the host's pixel, the four-channel
    // ones by the four bytes they read.
    const int32_t hostPixelBytes = job->LineComponents();
    const int32_t inputBytesPerPixel = routine.channels == 8 && hostPixelBytes > 0 ? hostPixelBytes : 4;
    const int32_t r = m_Diffusion.InitJob(routine, job->m_iImageWidth, job->m_iScaleX, job->m_iResolutionX,
                                          job->m_iResolutionY, inputBytesPerPixel);
    if (r == kDiffusionBadGeometry) {
        job->Log(LOG_ERROR, "%s: init job: image width %d, scale %d, %d bytes per pixel: %s", routine.name,
                 job->m_iImageWidth, job->m_iScaleX, inputBytesPerPixel, DiffusionResultText(r));
        return r;
    }
    if (r != kDiffusionOk) return -2;  // the error lines could not be allocated

    m_nOutLineBytes = m_Diffusion.OutLineBytes();
    m_pOutLine.reset(new (std::nothrow) uint8_t[m_nOutLineBytes]());
    if (!m_pOutLine) {
        m_Diffusion.ExitJob();
        return -1;
    }
    job->m_iOutChannels = routine.channels;
    job->m_iBytesPerChannel = m_Diffusion.BytesPerChannel();
    job->m_pOutLine = m_pOutLine.get();

    m_pRandomTable = BuildRandomTable(m_bUseTimeForRandom != 0);
    m_pNoiseTable.reset(new (std::nothrow) NoiseTable);
    if (!m_pRandomTable || !m_pNoiseTable) return -2;

    // The halftone debug record gets the line's shape whether or not an
    // image is open yet: images open page by page, after this.
    if (m_pDbgHalftoneInfo) {
        m_pDbgHalftoneInfo->lineLength = static_cast<uint32_t>(job->m_iBytesPerChannel);
        m_pDbgHalftoneInfo->compression = DBG_COMPRESSION_PACKBITS;
        m_pDbgHalftoneInfo->bitsPerSample = static_cast<uint32_t>(m_iBitsPerPixel);
        m_pDbgHalftoneInfo->layoutCode =
            routine.channels == 4 ? DBG_LAYOUT_PLANES : static_cast<uint32_t>(GetInputLayout(job));
    }

    const uint16_t* dotSizeTables[3] = {nullptr, nullptr, nullptr};
    if (routine.streams > 1) {
        // A model without dot-size tables for this count cannot run the routine.
        if (InitModelHalftoneTables(job, routine.streams) == 0 || m_aDotSizeTable.count < routine.streams) {
            job->Log(LOG_ERROR, "%s: init job: printer model %d has no dot-size tables for %d dot sizes",
                     routine.name, job->m_iPrinterModell, routine.streams);
            return kDiffusionMissingTables;
        }
        std::copy_n(m_aDotSizeTable.table, 3, dotSizeTables);
    }
    BuildNoiseTable(*m_pNoiseTable);
    SelectLinCurve(job, routine.number);
    if (m_Diffusion.SetTables(m_pNoiseTable.get(), m_pRandomTable.get(), dotSizeTables) != kDiffusionOk) {
        return kDiffusionMissingTables;
    }
    m_pfnPixelConverter = PixelConverterForLayout(routine.converterLayout);
    // A converter wider than the input pixel (five or six bytes on four-byte
    // pixels) reads past the last pixel: the line it reads holds those bytes
    // too, zeroed, so the look-ahead never leaves the job's line.
    const size_t reach = static_cast<size_t>(std::max(kWidestConverterPixelBytes - inputBytesPerPixel, 0));
    m_nInputLineBytes = std::max(m_nInputLineBytes, m_Diffusion.InputBytesNeeded() + reach);
    return 0;
}

int32_t CHalftone::DiffusionInitPage(CVarnPrn* job, const DiffusionRoutine& routine) {
    job->Log(LOG_DETAIL, "%s: init page", routine.name);
    m_Diffusion.InitPage();
    if (routine.channels == 8) SelectPixelConverter(job);
    if (routine.number == 105) {
        job->Log(LOG_DETAIL, "%s:HALF_OPENPAGE: check MTH", routine.name);
    } else {
        job->Log(LOG_DETAIL, "%s: HALF_OPENPAGE check MTH", routine.name);
    }
    m_pMTH.reset();
    // The engine runs when the driver's settings allow it and the machine
    // has processors to spare. A page it would run needs the number of its
    // line calls up front and at least three of them (a line comes out two
    // calls late): pages through the feed resampler and shorter ones run
    // inline.
    if (job->m_iHalftoneThreadCount == 0 || GetProcessorCount() < 2) return 0;
    if (job->m_bPaperFeedResample || job->m_iImageHeight < 3) return 0;

    std::unique_ptr<MTH_CONTEXT> mth = MTH_Create();
    int32_t r = MTH_ERR_NO_LINES;
    if (mth) {
        mth->m_pfnConvert = ConvertPixelSpan;
        mth->m_pfnHalftone = routine.streams == 3 ? HalftoneLineVDS3
                             : routine.streams == 2 ? HalftoneLineVDS2
                                                    : HalftoneLineSE1;
        const int32_t inputBytesPerPixel = m_Diffusion.InputBytesPerPixel();
        r = MTH_Init(mth.get(), job, this, nullptr, m_Diffusion.PaddedWidth(), m_iBitsPerPixel, 1,
                     m_Diffusion.m_nRandomIndex, routine.channels == 8 ? inputBytesPerPixel : 0,
                     routine.channels == 8 ? 8 : 0, 0, 3, 0, 0);
    }
    if (r != 0) {
        job->Log(LOG_DETAIL, "%s:HALF_OPENPAGE: init MTH failed, error=%d; using normal halftoning instead",
                 routine.name, r);
        return 0;
    }
    MTH_SetTaskFlag(mth.get(), routine.channels == 8 ? GetChannelLayout(job) : 1);
    m_pMTH = std::move(mth);
    job->Log(LOG_DETAIL, "%s:HALF_OPENPAGE: using Multi Threaded Halftoning (MTH)", routine.name);
    return 0;
}

bool CHalftone::HoldsLines(const CVarnPrn* job) { return job && MTH_EndPageAfter(m_pMTH.get(), job->m_iLineCount); }

int32_t CHalftone::DiffusionLine(CVarnPrn* job, const DiffusionRoutine& routine) {
    if (m_pMTH) {
        StartLine(4 * static_cast<uint64_t>(m_Diffusion.PaddedWidth()));
        int32_t status = HALF_LINE_PENDING;
        const int32_t r = CalculateHalftoneLine(m_pMTH.get(), job, this, m_Diffusion.ErrorLines(), job->m_iLineCount,
                                                &status, &m_Diffusion.m_bReverseLine, m_pInputLine);
        if (r != 0 && r != MTH_ERR_REPEATED) {
            job->Log(LOG_ERROR, "%s:HALF_PROCESS: MTH CalculateHalftoneLine failed, error=%d", routine.name, r);
        }
        if (status == HALF_LINE_READY || status == HALF_LINE_AGAIN) EndLine(job);
        return status;
    }
    uint8_t* outLine = job->m_pOutLine;
    if (!m_Diffusion.Routine() || !outLine || !m_pInputLine) {
        job->Log(LOG_ERROR, "%s: line without %s", routine.name,
                 !m_Diffusion.Routine() ? "a successful job start" : (!outLine ? "an output line" : "an input line"));
        return kDiffusionBadLine;
    }
    StartLine(4 * static_cast<uint64_t>(m_Diffusion.PaddedWidth()));
    PixelConverter convert = m_pfnPixelConverter;
    if (convert == ConvertPixel_CMYK) {
        PrepareCmykLineTables(this, m_CmykLineTables);
        convert = ConvertPixel_CMYKPrepared;
    }
    const int32_t r = m_Diffusion.HalftoneLine(m_pInputLine, m_Diffusion.InputBytesNeeded(), outLine, m_nOutLineBytes,
                                               convert, this);
    if (r != kDiffusionOk) {
        job->Log(LOG_ERROR, "%s: line: %s", routine.name, DiffusionResultText(r));
        return r;
    }
    EndLine(job);
    return 0;
}
