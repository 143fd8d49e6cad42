// Hardware margins, printable area and cropping of the job's image.
#include <algorithm>
#include <cstdlib>

#include "base/format.h"
#include "base/rounding.h"
#include "host/ticket.h"
#include "job/job_scaling.h"
#include "job/varn_prn.h"

namespace {

int32_t PixelsFromMm(double mm, double dpi) { return RoundToInt32(PrinterPixelsFromMm(mm, dpi)); }

// Raises a crop to the next multiple of the scale factor.
int32_t RoundUpToScale(int32_t crop, int32_t scale) {
    if (scale < 1) scale = 1;
    return ClampToInt32(static_cast<double>((static_cast<int64_t>(crop) - 1 + scale) / scale * scale));
}

}  // namespace

void CVarnPrn::InitMargins() {
    auto readMm = [this](const char* key) { return JobDouble(key, 0.0); };
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

    // Sizes from absurd resolutions or margins reach the ends of the 32-bit
    // range: the crops are worked out wide and held within it.
    const int64_t image[2] = {m_iImageWidth, m_iImageHeight};
    const int64_t printable[2] = {m_iPrintableWidth, m_iPrintableHeight};
    int64_t cropStart[2] = {0, 0};  // left, top
    int64_t cropEnd[2] = {0, 0};    // right, bottom
    if (pageEqualsImage) {
        // Centre the crop on the hardware margins.
        Log(LOG_DETAIL, "\tPage size is equal image size");
        const int64_t overhang[2] = {image[0] - printable[0], int64_t{pageHeight} - printable[1]};
        const int64_t hardwareMargin[2] = {m_iHwMarginLeft, m_iHwMarginTop};
        for (int a = 0; a < 2; ++a) {
            if (printable[a] >= image[a]) continue;
            cropStart[a] = std::min(overhang[a], hardwareMargin[a]);
            cropEnd[a] = image[a] - cropStart[a] - printable[a];
        }
    } else {
        for (int a = 0; a < 2; ++a) {
            if (printable[a] < image[a]) cropEnd[a] = image[a] - printable[a];
        }
    }
    // An image smaller than the page but larger than the printable area can
    // take more at the top (or left) than it has to lose: no crop is negative,
    // so the image size below is exactly the lines and columns printed.
    const auto held = [](int64_t crop) { return ClampToInt32(static_cast<double>(std::max<int64_t>(crop, 0))); };
    m_iCropLeft = held(cropStart[0]);
    m_iCropTop = held(cropStart[1]);
    m_iCropRight = held(cropEnd[0]);
    m_iCropBottom = held(cropEnd[1]);

    m_iCropLeft = RoundUpToScale(m_iCropLeft, m_iScaleX);
    m_iCropRight = RoundUpToScale(m_iCropRight, m_iScaleX);
    m_iCropTop = RoundUpToScale(m_iCropTop, m_iScaleY);
    m_iCropBottom = RoundUpToScale(m_iCropBottom, m_iScaleY);
    m_iImageWidth = ClampToInt32(static_cast<double>(
        std::max<int64_t>(int64_t{m_iOutWidthPixel} - m_iCropLeft - m_iCropRight, 0)));
    m_iImageHeight = ClampToInt32(static_cast<double>(
        std::max<int64_t>(int64_t{m_iOutHeightPixel} - m_iCropTop - m_iCropBottom, 0)));
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

bool CVarnPrn::PageHoldsLines() {
    if (!m_bCropping || (m_iImageWidth > 0 && m_iImageHeight > 0)) return true;
    // Every line (or column) of the image would be cropped: the page would print nothing.
    const bool lines = m_iImageHeight <= 0;
    const char* key = lines ? "Output/Prn/Media/Size/Height" : "Output/Prn/Media/Size/Width";
    const std::string message = StringF(
        "Reredir.uze: \"%s\" = %s mm less the margins (%s %s mm, %s %s mm) holds no printer %s at %s dpi", key,
        FormatGeneral(JobDouble(key, 0.0), 6).c_str(), lines ? "top" : "left",
        FormatGeneral(lines ? m_dMarginTop : m_dMarginLeft, 6).c_str(), lines ? "bottom" : "right",
        FormatGeneral(lines ? m_dMarginBottom : m_dMarginRight, 6).c_str(), lines ? "line" : "pixel",
        FormatGeneral(lines ? m_dResolutionY : m_dResolutionX, 6).c_str());
    Log(LOG_ERROR, "CVarnPrn::OpenJob: %s", message.c_str());
    SetErrorMessage(message);
    return false;
}
