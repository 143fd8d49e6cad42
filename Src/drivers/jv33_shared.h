// What the direct-output "Q" lines (JV33, JV34 and the print-and-cut line
// built on them) share: job start, halftoner set-up, the page set-up values,
// the line writer and the page end.
#pragma once

#include <cstdint>
#include <memory>

#include "drivers/mrl/mrl.h"
#include "services/spool_writer.h"
#include "job/varn_prn.h"

#include "drivers/mrl/mrl_page_buffer.h"

namespace jv33 {

// Printer colour code of each record of a raster line: cyan, magenta,
// yellow, black, light cyan, light magenta, then the two screening planes.
inline constexpr uint8_t kColourCodes[8] = {2, 1, 4, 0, 0x12, 0x11, 0xFE, 0xFF};

inline void AppendBytes(Bytes& out, const Bytes& more) { out.insert(out.end(), more.begin(), more.end()); }

// Writes one record through the job's host writer; the writer's code.
uint32_t WriteRecord(CVarnPrn* job, uint32_t tag, const uint8_t* data, size_t size);
inline uint32_t WriteRecord(CVarnPrn* job, uint32_t tag, const Bytes& bytes) {
    return WriteRecord(job, tag, bytes.data(), bytes.size());
}

// A writer code as the result of a page or line hook: 0 stays 0, a failure
// code becomes negative, which is how the job cycle recognises a failed hook.
inline int HookResult(uint32_t writerCode) { return writerCode == 0 ? 0 : -int(writerCode); }

// The job start of a family named `family` ("JV33"): clears the open-job
// suppression, installs openPage, writes the job header "QE" and, when that
// succeeds, runs initHalftone(job, dotMode). 0, the writer's code, or -2 when
// the halftoner set-up fails.
int OpenJob(CVarnPrn* job, const char* family, JobHook openPage, int (*initHalftone)(CVarnPrn*, int32_t),
            int32_t (*dotMode)(const CVarnPrn&));
// The same with another job header (the classic lines send a form feed).
int OpenJob(CVarnPrn* job, const char* family, JobHook openPage, int (*initHalftone)(CVarnPrn*, int32_t),
            int32_t (*dotMode)(const CVarnPrn&), const Bytes& jobHeader);

// The halftoner set-up of the JV33 line and the print-and-cut line, logged as
// "<family>_InitHalftone %d channels": matrix screening for halftone mode 6
// (a fifth channel for white-ink models), else error diffusion. 0, or -1.
int InitHalftone(CVarnPrn* job, int32_t dotMode, const char* family);

// Halftoned planes per line: 4 for CMYK output on a model of ink-set class 0, else 8.
int32_t ChannelCount(const CVarnPrn& job);

// What the halftoner is told.
struct HalftoneSetup {
    int32_t channels = 4;
    int32_t routine = -1;
    int32_t bitsPerPixel = 1;
    bool setDotMode = true;  // matrix screening keeps the halftoner's own dot mode
    uint32_t dotMode = 0;
};

// Error diffusion: three dot sizes (103/105) below 720 x 1080 dpi, two
// (106/108) from there on, one bit (109/111) for fixed dots; the 8-channel
// routines for 8 channels.
HalftoneSetup ErrorDiffusionSetup(const CVarnPrn& job, int32_t channels, bool variable, int32_t dotMode);
// The same with the choice between two and three dot sizes made by the caller.
HalftoneSetup DiffusionSetup(int32_t channels, bool variable, bool twoDotSizes, int32_t dotMode);
// Matrix screening: routine 51, one bit per pixel, the halftoner's own dot mode.
HalftoneSetup ScreeningSetup(int32_t channels);

// Creates the job's halftoner, configures it and starts its job: 0, or -1
// when the halftoner's job start fails.
int StartHalftoner(CVarnPrn* job, const HalftoneSetup& setup);

// The page set-up values that the JV33 line and the print-and-cut line derive
// from the job.
struct PageValues {
    int32_t passes = 0;
    uint8_t hiSpeed = 0;
    uint8_t heaters[3] = {0xFF, 0xFF, 0xFF};
    uint8_t direction = 0;
    uint8_t mediaCode = 1;
    uint16_t dryTime = 0xFFFF;
    uint8_t vacuum = 0xFF;
    uint8_t cut = 0;  // roll media (source 9) with the cutter on
};
// Passes and the hi-speed flag from the print quality (passes, plus 200 for
// a hi-speed scan), and the values every "Q" page header carries.
PageValues ReadPageValues(const CVarnPrn& job);

// "QK" with the heater bytes, "Q@" and the feed-correction "QA" segment: the
// head of every page header of these lines.
Bytes PageHeaderHead(const CVarnPrn& job, const PageValues& values);

// The page set-up of the JV33 line and the print-and-cut line: the header
// values, the dot mode and the last "QP" parameter, with the passes clamped to
// the printer's range and the page object fixed for the page (PreparePage).
struct PageSetup {
    PageValues values;
    int32_t dotMode = 0;
    uint8_t lastQP = 6;
};
PageSetup SetUpPage(CVarnPrn* job, MrlPageBuffer& page);
// The page header of these lines around the given "QC": "QK", "Q@", "QA",
// qc, "QP" and the over-print segment.
Bytes PageHeader(CVarnPrn* job, const PageSetup& setup, const Bytes& qc);

// Fixes the page object for the page: output capacity, bits per pixel of the
// records, and the dot-code converter of variable dots at 720 x 1080 dpi and above.
void PreparePage(const CVarnPrn& job, MrlPageBuffer& page, int32_t dotMode);

// A page object into the job, the "<step>" log line and the page hooks.
template <class Page>
Page* StartPage(CVarnPrn* job, std::unique_ptr<Page> page, const char* step, JobHook printLine, JobHook closePage) {
    Page* held = page.get();
    job->m_pDriver = std::move(page);
    job->Log(3000, "%s", step);
    job->m_pfnPrintLine = printLine;
    job->m_pfnClosePage = closePage;
    return held;
}
// A fresh page object closed by JV33_ClosePage.
MrlPageBuffer* StartPage(CVarnPrn* job, const char* step, JobHook printLine);
// A page whose header cannot be built: the page object is freed at once (the
// job cycle does not close a page that failed to open, and no raster line may
// go out without its header); -1.
int FailPage(CVarnPrn* job);

// The pass count of the "QP" page header: the print quality's, within the
// printer's range (ClampPassesToPrinterRangeEx), which `adjusted` tells
// when it changed them.
int32_t HeaderPasses(const CVarnPrn& job, bool* adjusted);
// True when the page header carries that count; false after refusing the job.
bool PassesFit(CVarnPrn* job);

// Refuses resolutions that the 16-bit fields of the page header cannot carry;
// false after reporting the error.
bool CheckResolution(CVarnPrn* job, const char* step);

// Writes the page header with the page-header tag and logs the outcome as
// "<step>" or "<step> return error code %d"; a page whose header could not be
// written loses its page object. The hook's result.
int WritePageHeader(CVarnPrn* job, const char* step, const Bytes& header);

// The line writer: one "QD" record per non-blank plane, "QR" 1, one write.
// With the screening map, a 5-channel screening page sends six records.
// A row shift that is not 0 goes out as "QY" 1 and the shift before every
// non-blank record (the print-and-cut line moves its rows right of the marks).
int WriteLine(CVarnPrn* job, const char* step, bool screeningMap, uint32_t rowShift = 0);

// One raster record of a line: the plane it sends and its colour code.
struct LineRecord {
    int plane;
    uint8_t colour;
};
// The records of a line with the colour codes of a line (by index): one per
// channel, or with the screening map (halftone mode 6, five channels) six,
// the fifth plane under codes 6 and 7. At most 8.
int LineRecords(const CVarnPrn& job, bool screeningMap, const uint8_t (&codes)[8], LineRecord (&records)[8]);
// Any line writer: the records in the raster form, the line end, one write.
// Each plane is trimmed of its trailing zero bytes (a blank one sends
// nothing) unless trim is false: then every plane goes out at full length.
int WriteRecords(CVarnPrn* job, const char* step, const LineRecord* records, int count, RasterForm form,
                 bool trim = true, uint32_t rowShift = 0);

}  // namespace jv33
