// The job cycle: OpenJob, OpenPage, WriteLine, ClosePage and CloseJob of the
// job object, with the frame records of the output stream.
#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <tuple>
#include <vector>

#include "halftone/halftone.h"
#include "plugin/job_cycle_dispatch.h"
#include "drivers/mrl/mrl.h"
#include "base/format.h"
#include "base/rounding.h"
#include "host/ticket.h"
#include "job/varn_prn.h"

namespace {

constexpr uint32_t RoundUp(uint64_t value, uint64_t multiple) {
    return static_cast<uint32_t>((value + multiple - 1) / multiple * multiple);
}

// Settings that take one of a set of values; any other value would print with
// a set-up the job did not ask for. (The output colour mode is the model's:
// see OutputColorModeServed.)
struct EnumeratedSetting {
    const char* key;
    int32_t CVarnPrn::*field;
    std::vector<int32_t> values;
};

const EnumeratedSetting kEnumeratedSettings[] = {
    // The modes a colour set-up reads; any other no family prints.
    {"Output/Prn/Printer/InputColorMode", &CVarnPrn::m_iInputColorMode, InputColorModesRead()},
};

// The largest line buffer a job may need: 2^31 - 1 bytes.
constexpr uint64_t kMaxLineBufferBytes = (uint64_t{1} << 31) - 1;
// Halftoned planes of a line (at most eight channels), and the widest dot
// code in bits.
constexpr uint64_t kMaxPlanes = 8;
constexpr uint64_t kMaxBitsPerDot = 2;
// The planes of a page-planar band: C, M, Y and K.
constexpr int32_t kPlanarBandPlanes = 4;

// A mode the model's printer has no inks for, or its family no set-up for,
// would print with another mode's inks.
bool OutputColorModeServed(CVarnPrn& job) {
    if (TakesOutputColorMode(job.m_iPrinterModell, job.m_iOutputColorMode)) return true;
    const char* key = "Output/Prn/Printer/OutputColorMode";
    const std::string list = ColorModeList(OutputColorModesOf(job.m_iPrinterModell));
    job.Log(LOG_ERROR, "CVarnPrn::OpenJob: %s = %d is not one of %s, the output colour modes of printer model %d",
            key, job.m_iOutputColorMode, list.c_str(), job.m_iPrinterModell);
    job.SetErrorMessageF("Reredir.uze: \"%s\" = %d is not one of %s, the output colour modes of printer model %d",
                         key, job.m_iOutputColorMode, list.c_str(), job.m_iPrinterModell);
    return false;
}

// Every family writes the printer's resolutions into its page header; one
// that the header's fields cannot hold would go out cut to another value while
// the lines are halftoned for the job's. One below 1 dpi would go out rounded
// up to 1 dpi, a resolution the job's pages were not laid out for.
bool ResolutionsFitPageHeader(CVarnPrn& job) {
    for (const auto& [key, asked, dpi] :
         {std::tuple{"Output/Prn/Printer/ResolutionX", job.m_dResolutionX, job.m_iResolutionX},
          std::tuple{"Output/Prn/Printer/ResolutionY", job.m_dResolutionY, job.m_iResolutionY}}) {
        if (asked >= 1.0 && MRL_ResolutionFits(dpi)) continue;
        const double served = GetTicketDouble(job.m_pTicket, TICKET_SCOPE_JOB, job.m_JobID, key, 0.0);
        const std::string value = FormatGeneral(served, 15);
        job.Log(LOG_ERROR, "CVarnPrn::OpenJob: %s = %s dpi does not fit the page header (1 to %d dpi)", key,
                value.c_str(), kMrlLargestResolution);
        job.SetErrorMessageF("Reredir.uze: \"%s\" = %s dpi does not fit the printer's page header, which holds 1 to "
                             "%d dpi", key, value.c_str(), kMrlLargestResolution);
        return false;
    }
    return true;
}

}  // namespace

void CVarnPrn::WriteFrameRecord(uint32_t tag, const char* name) {
    // The host's answer is not examined here.
    if (m_pfnWritePrnData) m_pfnWritePrnData(m_pWritePrnContext, tag, nullptr, 0);
    Log(LOG_DETAIL, "%s", name);
}

void CVarnPrn::SetProgressFromLine(int32_t line) {
    m_iProgressPercent = m_iOutHeightPixel > 0 ? ClampToInt32(line * 100.0 / m_iOutHeightPixel + 0.5) : 0;
}

// ---------------------------------------------------------------------------
// Job

int CVarnPrn::OpenJob(pfnWritePrnData write, WritePrnContext context) {
    if (!m_pTicket) return -1;
    if (!m_bTicketRead) return -2;
    const int r = OpenJobForFamily(write, context);
    // A refused job prints nothing, cropped or not: no crop notice stays.
    if (r != 0) UpdateInfoMessage(false, kImageCroppedInfo);
    return r;
}

int CVarnPrn::OpenJobForFamily(pfnWritePrnData write, WritePrnContext context) {
    Log(LOG_DETAIL, "CVarnPrn::OpenJob...");
    m_pfnWritePrnData = write;
    m_pWritePrnContext = context;
    if (!EnumeratedSettingsValid() || !PlanarBandsFitPixels() || !PageHoldsLines()) return -2;
    InitImagePos();
    if (!LineBuffersFit()) return -2;

    const PrinterFamilyRow* family = FindPrinterFamily(m_iPrinterModell);
    if (!family || !family->openJob) {
        Log(LOG_ERROR, "CVarnPrn::OpenJob: Unsupported Printer Model (%d)! ***", m_iPrinterModell);
        SetErrorMessageF("Reredir.uze: Printer model \"%s\" not supported yet (model number %d)",
                         EscapeControlBytes(m_strModelName).c_str(), m_iPrinterModell);
        return -2;
    }
    if (!OutputColorModeServed(*this) || !ResolutionsFitPageHeader(*this)) return -2;
    if (family->traceFormat) Log(LOG_DETAIL, family->traceFormat, m_iPrinterModell);
    const int r = family->openJob(this);

    if (!m_bSuppressOpenJobRecord) WriteFrameRecord(SPLTAG_OPEN_JOB, "WritePrnData::SPLTAG_OPEN_JOB");
    if (r != 0) {
        // The linearisation file's fault is the cause, not the family's set-up that met it.
        if (!m_strLinearisationFault.empty()) SetErrorMessage(m_strLinearisationFault);
        Log(LOG_ERROR, "CVarnPrn::OpenJob: failed");
    } else {
        Log(LOG_INFO, "CVarnPrn::OpenJob: success");
    }
    return r;
}

bool CVarnPrn::EnumeratedSettingsValid() {
    for (const EnumeratedSetting& s : kEnumeratedSettings) {
        const int32_t value = this->*s.field;
        if (std::find(s.values.begin(), s.values.end(), value) != s.values.end()) continue;
        std::string allowed = "one of ";
        for (int32_t v : s.values) allowed += std::to_string(v) + (v == s.values.back() ? "" : ", ");
        Log(LOG_ERROR, "CVarnPrn::OpenJob: %s = %d is not %s", s.key, value, allowed.c_str());
        SetErrorMessageF("Reredir.uze: \"%s\" = %d is not %s", s.key, value, allowed.c_str());
        return false;
    }
    return true;
}

bool CVarnPrn::PlanarBandsFitPixels() {
    if (m_iInputFormat != 1 || LineComponents() == kPlanarBandPlanes) return true;
    Log(LOG_ERROR, "CVarnPrn::OpenJob: page-planar input carries %d channels a pixel, the job's lines %d",
        kPlanarBandPlanes, LineComponents());
    SetErrorMessageF("Reredir.uze: \"Output/Input/Format\" = 1 (page planar) carries %d channels a pixel, "
                     "the job has %d", kPlanarBandPlanes, LineComponents());
    return false;
}

bool CVarnPrn::LineBuffersFit() {
    const auto positive = [](int64_t v) { return static_cast<uint64_t>(v > 0 ? v : 0); };
    const auto fits = [&](uint64_t width) {
        uint64_t hostLine = positive(LineComponents()) * width;
        if (m_iInputFormat == 1) {
            hostLine = std::max(hostLine, 4 * positive(m_iInputNumOfLines) * ((width + 7) / 8 * 8));
        }
        const uint64_t plane = (width * kMaxBitsPerDot + 7) / 8;
        const uint64_t planes = std::max<uint64_t>(kMaxPlanes, positive(m_iOutputColorMode));
        return hostLine <= kMaxLineBufferBytes && plane * planes <= kMaxLineBufferBytes;
    };
    // The widest line of the job: the host's, or the placed image on the page.
    const uint64_t picture = std::max(positive(m_iOutWidthPixel), positive(m_iImageWidth));
    const uint64_t width = std::max(picture, positive(int64_t{m_iImageWidth} + m_iLeftMargin));
    if (fits(width)) return true;
    Log(LOG_ERROR, "CVarnPrn::OpenJob: lines of %llu pixels need buffers of more than 2 GB",
        static_cast<unsigned long long>(width));
    if (!fits(picture)) {
        SetErrorMessageF("Reredir.uze: Image width of %llu pixels too large", static_cast<unsigned long long>(picture));
        return false;
    }
    // The picture fits; its place on the page does not. The job's pictures
    // all take this place, the first on the next page.
    const std::string mm = FormatGeneral(GetTicketDouble(m_pTicket, TICKET_SCOPE_JOB, m_JobID,
                                                         "Output/Prn/Media/Size/Width", 0.0), 15);
    SetErrorMessageF("Reredir.uze: \"Output/Prn/ImagePos/Mode\" = %d places the picture of %d pixels across %d pixels "
                     "from the left of page %d (\"Output/Prn/Media/Size/Width\" = %s mm at \"Output/Prn/Printer/"
                     "ResolutionX\" = %s dpi): its lines of %llu pixels need buffers of more than 2 GB",
                     m_iImagePosMode, m_iImageWidth, m_iLeftMargin, m_iPageCount + 1, mm.c_str(),
                     FormatGeneral(m_dResolutionX, 15).c_str(), static_cast<unsigned long long>(width));
    return false;
}

int CVarnPrn::CloseJob() {
    if (m_pHalftone) m_pHalftone->ExitJob(this);
    int r = 0;
    if (m_pfnCloseJob) {
        r = m_pfnCloseJob(this);  // ends the family's work and deletes its driver object
    } else if (!m_bSuppressCloseJobRecord) {
        WriteFrameRecord(SPLTAG_CLOSE_JOB, "WritePrnData::SPLTAG_CLOSE_JOB");
    }
    WriteFrameRecord(SPLTAG_EOF, "WritePrnData::SPLTAG_EOF");
    Log(LOG_INFO, "CVarnPrn::CloseJob: success");
    m_bJobOpen = 0;
    return r;
}

// ---------------------------------------------------------------------------
// Page

int CVarnPrn::OpenPage() {
    ++m_iPageCount;
    WriteFrameRecord(SPLTAG_PAGE_LINK, "WritePrnData::SPLTAG_PAGE_LINK");
    if (!m_pfnOpenPage) return -2;
    int r = m_pfnOpenPage(this);
    if (r < 0) return -2;

    if (m_pHalftone) {
        r = m_pHalftone->InitPage(this);
        if (JobInt("Workflow/Onebit/GrayAsMonoBit", 0) >= 1 || JobInt("Input/FileType", 0) == 11) {
            m_pHalftone->SetGrayAsOneBit(true);
        }
    }
    if (r == 0) Log(LOG_INFO, "CVarnPrn::OpenPage: Success (Page %d)", m_iPageCount);

    // A page opened again replaces (and frees) the resampler of the last one.
    m_pLineScaler.reset();
    if (m_bPaperFeedResample) {
        const int32_t scaleX = m_iScaleX > 0 ? m_iScaleX : 1;
        const int32_t scaleY = m_iScaleY > 0 ? m_iScaleY : 1;
        const int32_t width = m_iOutWidthPixel / scaleX;
        const int32_t lines = m_iOutHeightPixel / scaleY;
        const int32_t channels = LineComponents();
        // The halftoner reads whole input pixels of every line it gets.
        size_t minLineBytes = static_cast<size_t>(width > 0 ? width : 0) *
                              static_cast<size_t>(m_iInputColorMode > 0 ? m_iInputColorMode : 0);
        if (m_pHalftone) minLineBytes = std::max(minLineBytes, m_pHalftone->InputLineBytes());
        auto scaler = std::unique_ptr<LineScaler>(new (std::nothrow) LineScaler);
        if (scaler && width > 0 && lines >= 0 && channels > 0 &&
            scaler->Init(m_dPaperFeedAdjust, static_cast<uint32_t>(channels), static_cast<uint32_t>(width),
                         static_cast<uint32_t>(lines), minLineBytes, &CVarnPrn::ScaledLineCallback, this) == 0) {
            m_pLineScaler = std::move(scaler);
        } else {
            Log(LOG_ERROR, "CVarnPrn::OpenPage: paper feed resampler not set up (%d x %d pixel, %d channels)",
                width, lines, channels);
        }
    }
    m_iPageLine = 0;
    m_bPageOpen = 1;
    return r;
}

int CVarnPrn::ClosePage() {
    if (m_pLineScaler) {
        m_pLineScaler->Flush();
        m_pLineScaler->Free();
        m_pLineScaler.reset();
    }
    // A page the host ended before its last line: the lines the halftoner
    // still holds are printed before the page ends.
    while (m_pHalftone && m_pHalftone->HoldsLines(this)) {
        m_pCurrentLine = m_vHalftoneLine.data();
        const int status = m_pHalftone->ProcessLine(this);
        if (status < 0) break;
        if (status != HALF_LINE_PENDING && m_pfnPrintLine) m_pfnPrintLine(this);
        ++m_iLineCount;
    }
    int r = -3;
    if (m_pfnClosePage) {
        r = m_pfnClosePage(this);
    } else {
        Log(LOG_ERROR, "CVarnPrn::ClosePage: Invalid pointer to ClosePage function");
    }
    const int r2 = m_pHalftone ? m_pHalftone->ExitPage(this) : -3;
    if (r == 0 && r2 == 0) {
        Log(LOG_INFO, "CVarnPrn::ClosePage: success");
    } else {
        Log(LOG_ERROR, "CVarnPrn::ClosePage: error (ignored)");
    }
    m_bPageOpen = 0;
    // The family's failure (a page-end record the host did not take) is the
    // page's: reporting success would hide a page the printer never ends.
    return r < 0 && m_pfnClosePage ? r : 0;
}

// ---------------------------------------------------------------------------
// Lines

int CVarnPrn::WriteLine(const uint8_t* line) {
    if (!line) return -1;
    if (m_iInputFormat == 1) return WritePlanarBand(line);
    const int32_t scaleX = m_iScaleX > 0 ? m_iScaleX : 1;
    const int64_t bytes = static_cast<int64_t>(LineComponents()) * (m_iOutWidthPixel / scaleX);
    return LineStep(line, bytes > 0 ? RoundUp(static_cast<uint64_t>(bytes), 32) : 0);
}

int CVarnPrn::WritePlanarBand(const uint8_t* line) {
    Log(LOG_DETAIL, "CVarnPrn::WriteLine: page planar format");
    const int32_t width = m_iImageWidth;
    const int32_t lines = m_iInputNumOfLines;
    if (width <= 0 || lines <= 0) {
        Log(LOG_ERROR, "CVarnPrn::WriteLine: page planar band of %d lines of %d pixel", lines, width);
        return -2;
    }
    const size_t w = static_cast<size_t>(width);
    const size_t n = static_cast<size_t>(lines);
    const size_t planes = size_t{kPlanarBandPlanes};
    const size_t bandLine = planes * static_cast<size_t>(RoundUp(w, 8));
    // The band buffer lives for the job: every call writes the same bytes of
    // it, and the padding of each line stays zero.
    if (!m_pPlanarBuffer) {
        m_pPlanarBuffer.reset(new (std::nothrow) uint8_t[n * bandLine]());
        if (!m_pPlanarBuffer) return -2;
    }
    uint8_t* band = m_pPlanarBuffer.get();
    // The host line holds four planes one after the other, each n lines of
    // w bytes; byte x of line l of plane p goes to l * bandLine + 4x + p.
    for (size_t p = 0; p < planes; ++p) {
        for (size_t l = 0; l < n; ++l) {
            const uint8_t* source = line + (p * n + l) * w;
            uint8_t* target = band + l * bandLine + p;
            for (size_t x = 0; x < w; ++x) target[planes * x] = source[x];
        }
    }
    // The last band of a page may run past the page's end: its padding lines
    // are not printed (the feed resampler drops them by its own limit).
    int r = 0;
    for (size_t l = 0; l < n; ++l) {
        if (!m_pLineScaler && m_iPageLine >= m_iOutHeightPixel) break;
        r = LineStep(band + l * bandLine, static_cast<uint32_t>(bandLine));
    }
    return r;
}

int CVarnPrn::LineStep(const uint8_t* line, uint32_t size) {
    if (m_pLineScaler) return m_pLineScaler->Write(line, size);
    return WriteScaledLine(line, size, this);
}

int CVarnPrn::ScaledLineCallback(const uint8_t* line, uint32_t size, void* job) {
    return WriteScaledLine(line, size, static_cast<CVarnPrn*>(job));
}

const uint8_t* CVarnPrn::HalftoneInputLine(const uint8_t* line, uint32_t size) {
    const int32_t pixelBytes = LineComponents();
    const size_t offset = m_bCropping && m_iCropLeft > 0 && pixelBytes > 0
                              ? static_cast<size_t>(m_iCropLeft) * static_cast<size_t>(pixelBytes)
                              : 0;
    if (!m_pHalftone) return line + offset;
    const size_t available = size > offset ? size - offset : 0;
    const size_t need = std::max(m_pHalftone->InputLineBytes(), available);
    const size_t copied = available;
    if (m_vHalftoneLine.size() < need) m_vHalftoneLine.resize(need);
    if (copied) std::memcpy(m_vHalftoneLine.data(), line + offset, copied);
    std::fill(m_vHalftoneLine.begin() + static_cast<ptrdiff_t>(copied), m_vHalftoneLine.end(), 0);
    return m_vHalftoneLine.data();
}

int CVarnPrn::WriteScaledLine(const uint8_t* line, uint32_t size, CVarnPrn* job) {
    if (!job) return -1;
    CVarnPrn& j = *job;
    j.m_pCurrentLine = line;
    const int32_t repeats = j.m_iScaleY > 0 ? j.m_iScaleY : 1;
    const int64_t top = j.m_iCropTop;
    const int64_t printed = j.m_iImageHeight;
    const uint8_t* croppedLine = j.HalftoneInputLine(line, size);
    int result = 0;
    for (int32_t i = 0; i < repeats; ++i) {
        if (j.m_iPageLine == INT32_MAX) break;  // no page holds more lines; the rest are dropped
        const int32_t pageLine = ++j.m_iPageLine;
        if (j.m_bCropping && (pageLine <= top || pageLine > top + printed)) {
            j.SetProgressFromLine(pageLine);
            continue;
        }
        j.m_pCurrentLine = croppedLine;
        // The halftone-and-print step; a halftoner that hands out lines late
        // answers 2003 while it still holds finished ones, and the step runs
        // again on the same input line.
        int status = 0;
        do {
            if (j.m_pHalftone) {
                status = j.m_pHalftone->ProcessLine(job);
                if (status < 0) {
                    j.m_pCurrentLine = line;
                    j.Log(LOG_ERROR, "CVarnPrn::WriteLine: Halftoning ErrorCode = %d", status);
                    return status;
                }
            }
            if (result < 0) {
                j.m_pCurrentLine = line;
                return -2;
            }
            if (status != HALF_LINE_PENDING) {
                if (!j.m_pfnPrintLine) {
                    j.m_pCurrentLine = line;
                    j.Log(LOG_ERROR, "CVarnPrn::WriteLine: invalid pointer to print function");
                    return -3;
                }
                result = j.m_pfnPrintLine(job);
            }
            ++j.m_iLineCount;
        } while (status == HALF_LINE_AGAIN);
        j.m_pCurrentLine = line;
        j.SetProgressFromLine(pageLine);
    }
    return result;
}
