// The image's position on the page, from the job's image-position mode.
#include <iterator>

#include "base/rounding.h"
#include "host/ticket.h"
#include "job/job_scaling.h"
#include "job/varn_prn.h"

namespace {

// Where a mode puts the image along one direction: at the start (margin 0),
// centred, or at the far end of the page.
enum class Place { Start, Centre, End };
// Which margins a mode's log line shows.
enum class Shown { None, Left, Top, Both };

struct PositionMode {
    Place horizontal;
    Place vertical;
    Shown shown;
    const char* text;
};

// Modes 0 to 8. "Center left" centres the image vertically, as its name says.
const PositionMode kModes[] = {
    {Place::Start, Place::Start, Shown::None, "\tCVarnPrn::InitImagePos = LEFT"},
    {Place::End, Place::Start, Shown::Left, "\tCVarnPrn::InitImagePos = Right\n\t\tLeft margin = %d"},
    {Place::Centre, Place::Start, Shown::Left, "\tCVarnPrn::InitImagePos = Center horizontal\n\t\tLeft margin = %d"},
    {Place::Centre, Place::Centre, Shown::Both,
     "\tCVarnPrn::InitImagePos = Center page\n\t\tLeft margin x Top margin = %dx%d"},
    {Place::Start, Place::Centre, Shown::Top, "\tCVarnPrn::InitImagePos = Center left\n\t\tTop margin = %d"},
    {Place::End, Place::Centre, Shown::Both,
     "\tCVarnPrn::InitImagePos = Center right\n\t\tLeft margin x Top margin = %dx%d"},
    {Place::Start, Place::End, Shown::Top, "\tCVarnPrn::InitImagePos = Bottom left\n\t\tTop margin = %d"},
    {Place::Centre, Place::End, Shown::Both,
     "\tCVarnPrn::InitImagePos = Bottom center\n\t\tLeft margin x Top margin = %dx%d"},
    {Place::End, Place::End, Shown::Both,
     "\tCVarnPrn::InitImagePos = Bottom right\n\t\tLeft margin x Top margin = %dx%d"},
};

int32_t PagePixels(const Ticket* ticket, uint32_t jobId, const char* key, double dpi) {
    const double mm = GetTicketDouble(ticket, TICKET_SCOPE_JOB, jobId, key, 0.0);
    return RoundToInt32(PrinterPixelsFromMm(mm, dpi));
}

// The margin that puts an image of the given size at its place on the page;
// only a page larger than the image moves it. Divisions truncate towards zero.
int32_t Margin(Place place, int64_t page, int64_t image, int64_t hardwareMargin) {
    if (place == Place::Start || page <= image) return 0;
    const int64_t margin = place == Place::End ? page - hardwareMargin - image : (page - image) / 2 - hardwareMargin;
    return ClampToInt32(static_cast<double>(margin));
}

}  // namespace

void CVarnPrn::InitImagePos() {
    const int32_t pageWidth = PagePixels(m_pTicket, m_JobID, "Output/Prn/Media/Size/Width", m_dResolutionX);
    const int32_t pageHeight = PagePixels(m_pTicket, m_JobID, "Output/Prn/Media/Size/Height", m_dResolutionY);
    Log(LOG_DETAIL, "\tPage size = %d x %d pixel", pageWidth, pageHeight);
    m_iTopMargin = 0;
    m_iLeftMargin = 0;

    if (m_iImagePosMode >= 0 && m_iImagePosMode < static_cast<int32_t>(std::size(kModes))) {
        const PositionMode& mode = kModes[m_iImagePosMode];
        m_iLeftMargin = Margin(mode.horizontal, pageWidth, m_iImageWidth, m_iHwMarginLeft);
        m_iTopMargin = Margin(mode.vertical, pageHeight, m_iImageHeight, m_iHwMarginTop);
        switch (mode.shown) {
        case Shown::None: Log(LOG_DETAIL, "%s", mode.text); break;
        case Shown::Left: Log(LOG_DETAIL, mode.text, m_iLeftMargin); break;
        case Shown::Top: Log(LOG_DETAIL, mode.text, m_iTopMargin); break;
        case Shown::Both: Log(LOG_DETAIL, mode.text, m_iLeftMargin, m_iTopMargin); break;
        }
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
