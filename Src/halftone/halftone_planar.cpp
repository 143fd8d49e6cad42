// Routine 118: planar error diffusion on the family's CPlanarHalf. The
// halftoner sets up the output line and the debug-image description, converts
// each line with the family's lineariser and hands it to the channel
// halftoners, on the thread pool or inline.
#include <algorithm>
#include <limits>
#include <new>

#include "halftone/halftone.h"
#include "job/varn_prn.h"

namespace {

// The widest lineariser reads eight bytes per pixel at most.
constexpr size_t kMaxInputBytesPerPixel = 8;
constexpr int32_t kMaxPlanarChannels = kLinTableSlots;

}  // namespace

int32_t CHalftone::PlanarHalftone(CVarnPrn* job, int32_t phase) {
    if (!job) return HALF_ERR_NO_JOB;
    switch (phase) {
        case HALF_OPENJOB: {
            job->Log(LOG_DETAIL, "PlanarHalf: init job");
            m_iInkLimit = static_cast<int32_t>(std::clamp(job->m_iTotalInkLimit, 0, 400) * 40.95);
            const int32_t width = job->m_iImageWidth;
            const int32_t channels = job->m_iOutChannels;
            const int64_t bytesPerChannel = (static_cast<int64_t>(width) + 7) / 8 * m_iBitsPerPixel;
            if (width < 1 || channels < 1 || channels > kMaxPlanarChannels || job->m_iScaleX < 1 ||
                (m_iBitsPerPixel != 1 && m_iBitsPerPixel != 2) ||
                bytesPerChannel * channels > std::numeric_limits<int32_t>::max()) {
                job->Log(LOG_ERROR, "PlanarHalf: init job: invalid line (width %d, %d channels, scale %d, %d bits per pixel)",
                         width, channels, job->m_iScaleX, m_iBitsPerPixel);
                return -1;
            }
            job->m_iBytesPerChannel = static_cast<int32_t>(bytesPerChannel);
            m_nOutLineBytes = static_cast<size_t>(bytesPerChannel) * static_cast<size_t>(channels);
            m_pOutLine.reset(new (std::nothrow) uint8_t[m_nOutLineBytes]());
            job->m_pOutLine = m_pOutLine.get();
            if (!m_pOutLine) return -1;
            if (m_pDbgHalftoneInfo) {
                m_pDbgHalftoneInfo->lineLength = static_cast<uint32_t>(bytesPerChannel);
                m_pDbgHalftoneInfo->compression = DBG_COMPRESSION_PACKBITS;
                m_pDbgHalftoneInfo->bitsPerSample = static_cast<uint32_t>(m_iBitsPerPixel);
                m_pDbgHalftoneInfo->layoutCode = static_cast<uint32_t>(
                    job->m_iHalftoneDebugLayout != 0 ? job->m_iHalftoneDebugLayout : job->m_iInputColorMode);
            }
            // The lineariser reads the padded width's pixels: the job's line holds them, zeroed.
            const size_t padded = (static_cast<size_t>(width) + 7) / 8 * 8;
            const size_t values = (padded + static_cast<size_t>(job->m_iScaleX) - 1) / static_cast<size_t>(job->m_iScaleX);
            m_nInputLineBytes = std::max(m_nInputLineBytes, values * kMaxInputBytesPerPixel);
            if (!m_pPlanarHalf) {
                job->Log(LOG_ERROR, "PlanarHalf: init job !m_pPlanarHalf");
                return -1;
            }
            return m_pPlanarHalf->InitJob() ? 0 : -1;
        }
        case HALF_OPENPAGE:
            if (!m_pPlanarHalf) {
                job->Log(LOG_ERROR, "PlanarHalf: init page !m_pPlanarHalf");
                return -1;
            }
            job->Log(LOG_DETAIL, "PlanarHalf: init page");
            return m_pPlanarHalf->InitPage() ? 0 : -1;
        case HALF_CLOSEJOB: {
            if (!m_pPlanarHalf) {
                job->Log(LOG_ERROR, "PlanarHalf: exit job !m_pPlanarHalf");
                return -1;
            }
            job->Log(LOG_DETAIL, "PlanarHalf: exit job");
            std::unique_ptr<CPlanarHalf> planar = std::move(m_pPlanarHalf);
            const bool ok = planar->ExitJob();
            planar.reset();
            return ok ? 0 : -1;
        }
        case HALF_CLOSEPAGE: {
            job->Log(LOG_DETAIL, "PlanarHalf: exit page");
            if (!m_pPlanarHalf) {
                job->Log(LOG_ERROR, "PlanarHalf: exit page !m_pPlanarHalf");
                return -1;
            }
            LapTimer& timer = m_pPlanarHalf->LineTimer();
            timer.Lap(0);
            if (!m_pPlanarHalf->ExitPage()) return -1;
            job->Log(LOG_INFO, "PlanarHalf: exit page Other=%4.4g, Lin=%4.4g, Process=%4.4g, WaitGet=%4.4g, Thread=%4.4g",
                     timer.Seconds(0), timer.Seconds(1), timer.Seconds(2), timer.Seconds(3),
                     m_pPlanarHalf->ThreadSeconds());
            return 0;
        }
        default: break;
    }

    // One line.
    if (!m_pPlanarHalf || !m_pInputLine || m_pPlanarHalf->PaddedWidth() == 0) {
        job->Log(LOG_ERROR, "PlanarHalf: line without a successful init job");
        return -1;
    }
    const uint32_t padded = m_pPlanarHalf->PaddedWidth();
    LapTimer& timer = m_pPlanarHalf->LineTimer();
    StartLine(0);
    m_nPageBytesPlanar += 4 * static_cast<uint64_t>(padded);
    timer.Lap(0);
    Linearize(m_pInputLine, static_cast<int32_t>(padded), job->m_iScaleX, m_pPlanarHalf->ConvBuffer());
    timer.Lap(1);
    if (!m_pPlanarHalf->Process()) {
        job->Log(LOG_ERROR, "PlanarHalf: Process() failed");
        return -1;
    }
    const int r = m_pPlanarHalf->WaitForChannels();
    if (r == 2) {
        job->Log(LOG_ERROR, "PlanarHalf: Error in channel");
        return -1;
    }
    timer.Lap(3);
    if (r == 1) EndLine(job);
    return 0;
}
