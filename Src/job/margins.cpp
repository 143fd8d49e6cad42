// Hardware margins, printable area and cropping of the job's image.
#include <algorithm>
#include <cstdlib>

#include "base/rounding.h"
#include "host/ticket.h"
#include "job/varn_prn.h"

namespace {

int32_t PixelsFromMm(double mm, double dpi) { return RoundToInt32(mm * dpi * 10.0 / 254.0); }

// Raises a crop to the next multiple of the scale factor.
int32_t RoundUpToScale(int32_t crop, int32_t scale) {
    if (scale < 1) scale = 1;
    return static_cast<int32_t>((static_cast<int64_t>(crop) - 1 + scale) / scale * scale);
}

}  // namespace

void CVarnPrn::InitMargins() {
    auto readMm = [this](const char* key) {
        double mm = 0.0;
        GetTicketDoubleAt(m_pTicket, TICKET_SCOPE_JOB, m_JobID, key, &mm, TICKET_INDEX_SCALAR);
        return mm;
    };
    m_dMarginLeft = readMm("Output/Prn/Media/Margin/Left");
    m_dMarginRight = readMm("Output/Prn/Media/Margin/Right");
    m_dMarginTop = readMm("Output/Prn/Media/Margin/Top");
    m_dMarginBottom = readMm("Output/Prn/Media/Margin/Bottom");
    m_iHwMarginLeft = PixelsFromMm(m_dMarginLeft, m_dResolutionX);
    m_iHwMarginRight = PixelsFromMm(m_dMarginRight, m_dResolutionX);
    m_iHwMarginTop = PixelsFromMm(m_dMarginTop, m_dResolutionY);
    m_iHwMarginBottom = PixelsFromMm(m_dMarginBottom, m_dResolutionY);
    Log(LOG_DETAIL, "\tHardware Margins (left x right x top x bottom): %d x %d x %d x %d pixel", m_iHwMarginLeft,
        m_iHwMarginRight, m_iHwMarginTop, m_iHwMarginBottom);

    double widthMm = readMm("Output/Prn/Media/Size/Width");
    double heightMm = readMm("Output/Prn/Media/Size/Height");
    const int32_t pageWidth = PixelsFromMm(widthMm, m_dResolutionX);
    const int32_t pageHeight = PixelsFromMm(heightMm, m_dResolutionY);
    Log(LOG_DETAIL, "\tPage size = %d x %d pixel", pageWidth, pageHeight);

    constexpr double kEps = 1.1368683772161603e-13;
    double printableWidthMm = widthMm - m_dMarginLeft - m_dMarginRight;
    double printableHeightMm = heightMm - m_dMarginTop - m_dMarginBottom;
    m_iPrintableWidth =
        printableWidthMm > 0.0 ? FloorToInt32Eps(printableWidthMm * m_dResolutionX * 10.0 / 254.0, kEps) : 0;
    m_iPrintableHeight =
        printableHeightMm > 0.0 ? FloorToInt32Eps(printableHeightMm * m_dResolutionY * 10.0 / 254.0, kEps) : 0;
    Log(LOG_DETAIL, "\tPrintable Page size = %d x %d pixel", m_iPrintableWidth, m_iPrintableHeight);
    Log(LOG_DETAIL, "\tImage size = %d x %d pixel", m_iOutWidthPixel, m_iOutHeightPixel);

    m_iImageWidth = m_iOutWidthPixel;
    m_iImageHeight = m_iOutHeightPixel;
    m_iCropTop = m_iCropBottom = m_iCropLeft = m_iCropRight = 0;
    if (m_iPrintableWidth >= m_iOutWidthPixel && m_iPrintableHeight >= m_iOutHeightPixel) {
        m_bCropping = 0;
        return;
    }
    m_bCropping = 1;
    Log(LOG_DETAIL, "***Cropping active");

    const int64_t dx = std::llabs(static_cast<int64_t>(m_iImageWidth) - pageWidth);
    const int64_t dy = std::llabs(static_cast<int64_t>(m_iImageHeight) - pageHeight);
    const int32_t tolerance = PixelsFromMm(0.2, std::min(m_dResolutionX, m_dResolutionY));
    bool pageEqualsImage = false;
    if (dx < tolerance || dy < tolerance) {
        pageEqualsImage = GetTicketInt(m_pTicket, TICKET_SCOPE_JOB, m_JobID, "Process/SkipPageEqualImageSize", 0) == 0;
    }

    if (pageEqualsImage) {
        // Centre the crop on the hardware margins.
        Log(LOG_DETAIL, "\tPage size is equal image size");
        if (m_iPrintableWidth < m_iImageWidth) {
            m_iCropLeft = std::min(m_iImageWidth - m_iPrintableWidth, m_iHwMarginLeft);
            m_iCropRight = m_iImageWidth - m_iCropLeft - m_iPrintableWidth;
        }
        if (m_iPrintableHeight < m_iImageHeight) {
            m_iCropTop = std::min(pageHeight - m_iPrintableHeight, m_iHwMarginTop);
            m_iCropBottom = m_iImageHeight - m_iCropTop - m_iPrintableHeight;
        }
    } else {
        if (m_iPrintableHeight < m_iImageHeight) m_iCropBottom = m_iImageHeight - m_iPrintableHeight;
        if (m_iPrintableWidth < m_iImageWidth) m_iCropRight = m_iImageWidth - m_iPrintableWidth;
    }
    // An image smaller than the page but larger than the printable area can
    // take more at the top (or left) than it has to lose: no crop is negative,
    // so the image size below is exactly the lines and columns printed.
    m_iCropTop = std::max(m_iCropTop, 0);
    m_iCropLeft = std::max(m_iCropLeft, 0);
    m_iCropBottom = std::max(m_iCropBottom, 0);
    m_iCropRight = std::max(m_iCropRight, 0);

    m_iCropLeft = RoundUpToScale(m_iCropLeft, m_iScaleX);
    m_iCropRight = RoundUpToScale(m_iCropRight, m_iScaleX);
    m_iCropTop = RoundUpToScale(m_iCropTop, m_iScaleY);
    m_iCropBottom = RoundUpToScale(m_iCropBottom, m_iScaleY);
    m_iImageWidth = std::max(m_iOutWidthPixel - m_iCropLeft - m_iCropRight, 0);
    m_iImageHeight = std::max(m_iOutHeightPixel - m_iCropTop - m_iCropBottom, 0);
    Log(LOG_DETAIL, "\tChange image size %d x %d to %d x %d pixel", m_iOutWidthPixel, m_iOutHeightPixel,
        m_iImageWidth, m_iImageHeight);

    const int32_t sx = std::max(m_iScaleX, 1);
    const int32_t sy = std::max(m_iScaleY, 1);
    if (m_iCropLeft != 0) m_iCropLeft = static_cast<int32_t>(static_cast<double>(m_iCropLeft) / sx + 0.5);
    Log(LOG_DETAIL, "\tCrop left   = %d pixel", m_iCropLeft);
    Log(LOG_DETAIL, "\tCrop right  = %d pixel", m_iCropRight / sx);
    Log(LOG_DETAIL, "\tCrop top    = %d pixel", m_iCropTop / sy);
    Log(LOG_DETAIL, "\tCrop bottom = %d pixel", m_iCropBottom / sy);
}
