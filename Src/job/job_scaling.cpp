// Integer scale factors from the RIP's resolution to the printer's, and the
// paper-feed factor, as the settings reader fixes them.
#include <cmath>

#include "job/job_scaling.h"
#include "base/rounding.h"
#include "host/ticket.h"
#include "job/varn_prn.h"

double GetIntegerScaleFactor(int32_t* factor, double ripDpi, double printerDpi) {
    *factor = 1;
    if (!(ripDpi > 0.0) || ripDpi > printerDpi) return 0.0;
    constexpr double kEps = 1.0 / 8796093022208.0;  // 2^-43
    double q = printerDpi / ripDpi;
    int32_t n = FloorToInt32Eps(q, kEps);
    if (std::fabs(n - q) <= std::fabs(q) * kEps) {
        *factor = n;
        return ripDpi;
    }
    return 0.0;
}

double PrinterPixelsFromMm(double mm, double dpi) { return mm * dpi * 10.0 / 254.0; }

void CVarnPrn::SetupScaling() {
    m_dRipResolutionX = GetIntegerScaleFactor(&m_iScaleX, m_dRipResolutionX, m_dResolutionX);
    m_dRipResolutionY = GetIntegerScaleFactor(&m_iScaleY, m_dRipResolutionY, m_dResolutionY);
    if (m_iScaleX != 1) {
        m_iOutWidthPixel = ClampToInt32(static_cast<double>(m_iOutWidthPixel) * m_iScaleX);
        Log(LOG_DETAIL, "CVarnPrn::SetupScaling: change image width to %d", m_iOutWidthPixel);
    }
    if (m_iScaleY != 1) {
        m_iOutHeightPixel = ClampToInt32(static_cast<double>(m_iOutHeightPixel) * m_iScaleY);
        Log(LOG_DETAIL, "CVarnPrn::SetupScaling: change image height to %d", m_iOutHeightPixel);
    }
}

void CVarnPrn::ClipPaperFeedAdjust() {
    double& f = m_dPaperFeedAdjust;
    if (std::fabs(f - 1.0) <= 9e-7) {
        m_bPaperFeedResample = 0;
        if (f != 1.0) {
            Log(LOG_WARNING, "Paper feed adjust clipped %.16f => %.1f", f, 1.0);
            f = 1.0;
        }
        return;
    }
    m_bPaperFeedResample = 1;
    double clipped = f > 1.1 ? 1.1 : f < 0.9 ? 0.9 : f;
    if (clipped != f) {
        Log(LOG_WARNING, "Paper feed adjust clipped %.4f => %.1f", f, clipped);
        f = clipped;
    }
    if (OffersPrinterOption(11)) {
        m_bPaperFeedResample = 0;  // the printer adjusts the feed itself
        return;
    }
    int32_t oldHeight = m_iOutHeightPixel;
    m_iOutHeightPixel = RoundToInt32(m_iOutHeightPixel * f);
    if (oldHeight != 0) f = static_cast<double>(m_iOutHeightPixel) / oldHeight;
}
