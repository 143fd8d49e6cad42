// The JV4 line: job start, halftoner set-up, page header, raster lines, and
// the shared page ends.
#include "drivers/jv4.h"

#include <algorithm>

#include "drivers/jv33_shared.h"
#include "drivers/mrl/mrl_segments.h"
#include "job/varn_prn.h"

namespace {

bool IsVariableCode(int32_t code) { return code == 16 || code == 17; }

int32_t JobInitHalftone(CVarnPrn* job, int32_t) { return JV4_InitHalftone(job); }
int32_t NoCode(const CVarnPrn&) { return 0; }

int ClosePageWith(CVarnPrn* job, const Bytes& pageEnd) {
    if (!job) return -1;
    job->m_pDriver.reset();
    return jv33::HookResult(jv33::WriteRecord(job, SPLTAG_PAGE_END, pageEnd));
}

constexpr int32_t kModes[] = {4, 6, 8};  // CMYK, CMYKcm, CMYKOG (its own colour codes)

}  // namespace

const OutputColorModes JV4_OutputColorModes(kModes);

JV4PrintQuality JV4_DecodePrintQuality(const CVarnPrn* job) {
    JV4PrintQuality q;
    if (!job) return q;
    q.resolutionX = job->m_iResolutionX;
    q.resolutionY = job->m_iResolutionY;
    int32_t quality = job->m_iPrintQuality;
    if (quality == 19 || quality == 23) {
        q.artwork = 1;
        q.highQuality = quality == 23 ? 1 : 0;
        q.thinDot = job->m_iDotSize == 1 ? 1 : 0;
        q.passes = 16;
        return q;
    }
    if (quality >= 400) {
        quality -= 400;
        if (q.resolutionY != 720) {
            q.resolutionY = 720;
            q.yLimited = 1;
        } else {
            q.resolutionX = 1440;
            q.xDoubled = 1;
        }
    }
    q.highSpeed = quality >= 200;
    q.passes = q.highSpeed ? quality - 200 : quality;
    return q;
}

JV4PageBuffer::JV4PageBuffer(const CVarnPrn* job) {
    if (!job) return;
    m_iEndPlane = std::clamp(job->m_iOutChannels, 0, 6);
    if (job->m_iOutputColorMode == 8) {
        m_aColourCodes[4] = 5;
        m_aColourCodes[5] = 6;
    }
}

Bytes MRL_MY_FromInkType(int32_t inkType) {
    switch (inkType) {
        case 501: return MRL_MY(17);
        case 502: return MRL_MY(16);
        case 503: return MRL_MY(18);
        case 517: return MRL_MY(0);
        case 518: return MRL_MY(1);
        default: return MRL_MY(0xFF);
    }
}

Bytes MRL_MM(const JV4PrintQuality& q) { return MRL_MM(q.artwork, q.highQuality, q.thinDot); }
Bytes MRL_MM_ForArtwork(const JV4PrintQuality& q) { return q.artwork ? MRL_MM(q) : Bytes(); }
Bytes MRL_MC_UnlessArtwork(const JV4PrintQuality& q, int32_t code) { return q.artwork ? Bytes() : MRL_MC(uint8_t(code)); }

int32_t JV4_ResolutionCode(const CVarnPrn& job, const JV4PrintQuality& q) {
    const int32_t dotSize = (job.m_iHalftoneMode == 6 || q.artwork) ? 1 : job.m_iDotSize;
    const int64_t p = int64_t{q.resolutionX} * q.resolutionY;
    if (dotSize == 1) return MRL_ResolutionCode(p, 1, 0);
    if (p <= 259200) return 16;
    if (p <= 1036800) return 17;
    return 50;
}

int JV4_OpenJob(CVarnPrn* job) {
    if (!job) return -1;
    const JV4PrintQuality q = JV4_DecodePrintQuality(job);
    if (!PassCountHolds(job, false, q.passes, true, q.highSpeed) || !PictureWidthFitsMW(job)) return -2;
    return jv33::OpenJob(job, "JV4", JV4_OpenPage, JobInitHalftone, NoCode, MRL_FF());
}

int JV4_InitHalftone(CVarnPrn* job) {
    if (!job) return -1;
    const int32_t channels = job->m_iOutputColorMode == 4 ? 4 : 8;
    job->Log(3000, "JV4_InitHalftone %d channels", channels);
    const JV4PrintQuality q = JV4_DecodePrintQuality(job);
    const int32_t code = JV4_ResolutionCode(*job, q);
    const bool variable = IsVariableCode(code) && job->m_iHalftoneMode != 6 && !q.artwork;
    // This line always screens four channels.
    const jv33::HalftoneSetup setup =
        job->m_iHalftoneMode == 6 ? jv33::ScreeningSetup(4)
                                  : jv33::DiffusionSetup(channels, variable, q.xDoubled || q.yLimited, code);
    return jv33::StartHalftoner(job, setup);
}

int JV4_OpenPage(CVarnPrn* job) {
    if (!job) return -1;
    JV4PageBuffer* page =
        jv33::StartPage(job, std::make_unique<JV4PageBuffer>(job), "JV4_OpenPage", JV4_WriteLine, JV4_ClosePage);
    if (!jv33::CheckResolution(job, "JV4_OpenPage")) return jv33::FailPage(job);

    const JV4PrintQuality q = JV4_DecodePrintQuality(job);
    const jv33::PageValues values = jv33::ReadPageValues(*job);
    const int32_t code = JV4_ResolutionCode(*job, q);
    jv33::PreparePage(*job, *page, 0);
    page->m_bTwoBitsPerPixel = IsVariableCode(code) ? 1 : 0;
    if (q.artwork) {
        page->m_iFirstPlane = 3;
        page->m_iEndPlane = 4;
    }

    Bytes header = MRL_ESC_At();
    jv33::AppendBytes(header, MRL_MD(uint16_t(job->m_iResolutionY), uint16_t(job->m_iResolutionX)));
    const uint8_t passByte = uint8_t(MRL_PassByte(q.passes, q.highSpeed));  // the job start has refused one past a byte
    jv33::AppendBytes(header, MRL_MP(passByte, values.direction, values.mediaCode, values.cut, 0xFFFF, values.dryTime));
    jv33::AppendBytes(header, MRL_ME(q.xDoubled, q.yLimited));
    jv33::AppendBytes(header, MRL_MW(uint32_t(job->m_iImageWidth)));
    jv33::AppendBytes(header, MRL_MA_FromJob(job));
    jv33::AppendBytes(header, MRL_MY_FromInkType(job->m_iInkType));
    jv33::AppendBytes(header, MRL_MM_ForArtwork(q));
    jv33::AppendBytes(header, MRL_MC_UnlessArtwork(q, code));
    jv33::AppendBytes(header, MRL_MG(job->m_strJobName));

    const uint32_t written = jv33::WriteRecord(job, SPLTAG_PAGE_HEADER, header);
    if (written != 0) {
        job->Log(0, "JV4_OpenPage return error code %d", int(written));
        job->m_pDriver.reset();  // a failed page never reaches its page end
    } else if (q.artwork) {
        job->Log(1000, "JV4_OpenPage: ArtworkMode active: Quality=%s, Density=%s",
                 q.highQuality ? "High" : "Standard", q.thinDot ? "Thin" : "Standard");
    } else {
        job->Log(2000, "JV4_OpenPage");
    }
    return jv33::HookResult(written);
}

int JV4_WriteLine(CVarnPrn* job) {
    const auto* page = job ? dynamic_cast<const JV4PageBuffer*>(job->m_pDriver.get()) : nullptr;
    if (!page) return -1;
    jv33::LineRecord records[6];
    int count = 0;
    for (int32_t p = std::max(page->m_iFirstPlane, 0); p < std::min(page->m_iEndPlane, 6); ++p) {
        records[count++] = {p, uint8_t(page->m_aColourCodes[p])};
    }
    return jv33::WriteRecords(job, "JV4_WriteLine", records, count, RasterForm::Classic);
}

int JV4_ClosePage(CVarnPrn* job) { return ClosePageWith(job, MRL_FF()); }

int JV400_ClosePage(CVarnPrn* job) { return ClosePageWith(job, MRL_IV_QE()); }
