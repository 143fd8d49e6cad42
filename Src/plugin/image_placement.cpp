// The image's position on the page, from the job's image-position mode.
#include "plugin/rounding.h"
#include "plugin/ticket.h"
#include "plugin/varn_prn.h"

namespace {

int32_t PagePixels(const Ticket* ticket, uint32_t jobId, const char* key, double dpi) {
    const double mm = GetTicketDouble(ticket, TICKET_SCOPE_JOB, jobId, key, 0.0);
    return RoundToInt32(mm * dpi * 10.0 / 254.0);
}

}  // namespace

void CVarnPrn::InitImagePos() {
    const int32_t pageWidth = PagePixels(m_pTicket, m_JobID, "Output/Prn/Media/Size/Width", m_dResolutionX);
    const int32_t pageHeight = PagePixels(m_pTicket, m_JobID, "Output/Prn/Media/Size/Height", m_dResolutionY);
    Log(LOG_DETAIL, "\tPage size = %d x %d pixel", pageWidth, pageHeight);
    m_iTopMargin = 0;
    m_iLeftMargin = 0;

    // Divisions truncate towards zero; each rule applies only when the page
    // is larger than the image in that direction. 64-bit sums keep extreme
    // sizes from overflowing before the result is clamped.
    const int64_t w = m_iImageWidth;
    const int64_t h = m_iImageHeight;
    const bool roomX = pageWidth > w;
    const bool roomY = pageHeight > h;
    auto right = [&] {
        if (roomX) m_iLeftMargin = ClampToInt32(static_cast<double>(pageWidth - m_iHwMarginLeft - w));
    };
    auto centreX = [&] {
        if (roomX) m_iLeftMargin = ClampToInt32(static_cast<double>((pageWidth - w) / 2 - m_iHwMarginLeft));
    };
    auto bottom = [&] {
        if (roomY) m_iTopMargin = ClampToInt32(static_cast<double>(pageHeight - m_iHwMarginTop - h));
    };
    auto centreY = [&] {
        if (roomY) m_iTopMargin = ClampToInt32(static_cast<double>((pageHeight - h) / 2 - m_iHwMarginTop));
    };

    switch (m_iImagePosMode) {
    case 0:
        Log(LOG_DETAIL, "\tCVarnPrn::InitImagePos = LEFT");
        break;
    case 1:
        right();
        Log(LOG_DETAIL, "\tCVarnPrn::InitImagePos = Right\n\t\tLeft margin = %d", m_iLeftMargin);
        break;
    case 2:
        centreX();
        Log(LOG_DETAIL, "\tCVarnPrn::InitImagePos = Center horizontal\n\t\tLeft margin = %d", m_iLeftMargin);
        break;
    case 3:
        centreX();
        centreY();
        Log(LOG_DETAIL, "\tCVarnPrn::InitImagePos = Center page\n\t\tLeft margin x Top margin = %dx%d",
            m_iLeftMargin, m_iTopMargin);
        break;
    case 4:
        // Centre left: at the left edge, centred vertically.
        centreY();
        Log(LOG_DETAIL, "\tCVarnPrn::InitImagePos = Center left\n\t\tTop margin = %d", m_iTopMargin);
        break;
    case 5:
        right();
        centreY();
        Log(LOG_DETAIL, "\tCVarnPrn::InitImagePos = Center right\n\t\tLeft margin x Top margin = %dx%d",
            m_iLeftMargin, m_iTopMargin);
        break;
    case 6:
        bottom();
        Log(LOG_DETAIL, "\tCVarnPrn::InitImagePos = Bottom left\n\t\tTop margin = %d", m_iTopMargin);
        break;
    case 7:
        centreX();
        bottom();
        Log(LOG_DETAIL, "\tCVarnPrn::InitImagePos = Bottom center\n\t\tLeft margin x Top margin = %dx%d",
            m_iLeftMargin, m_iTopMargin);
        break;
    case 8:
        right();
        bottom();
        Log(LOG_DETAIL, "\tCVarnPrn::InitImagePos = Bottom right\n\t\tLeft margin x Top margin = %dx%d",
            m_iLeftMargin, m_iTopMargin);
        break;
    default:
        break;
    }
    if (m_iLeftMargin < 0) {
        m_iLeftMargin = 0;
        Log(LOG_DETAIL, "\tCVarnPrn::InitImagePos = Adjust left margin; set to 0");
    }
    if (m_iTopMargin < 0) {
        m_iTopMargin = 0;
        Log(LOG_DETAIL, "\tCVarnPrn::InitImagePos = Adjust Top margin; set to 0");
    }
}
