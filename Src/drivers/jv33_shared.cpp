#include "drivers/jv33_shared.h"

#include <algorithm>
#include <exception>

#include "drivers/jv33.h"
#include "printers/ink_set.h"
#include "printers/model_predicates.h"
#include "drivers/mrl/mrl_page_buffer.h"
#include "drivers/mrl/mrl_segments.h"
#include "drivers/picture_check.h"
#include "halftone/halftone.h"
#include "halftone/pixel_converters.h"
#include "base/text_error.h"

namespace jv33 {

namespace {

constexpr size_t kMinimumLineCapacity = 16384;
constexpr size_t kLineCapacitySlack = 1024;

}  // namespace

uint32_t WriteRecord(CVarnPrn* job, uint32_t tag, const uint8_t* data, size_t size) {
    PFN_WRITEPRNDATA_WRAPPER writer(job->m_pfnWritePrnData, job->m_pWritePrnContext);
    return writer.Write(tag, data, size);
}

int OpenJob(CVarnPrn* job, const char* family, JobHook openPage, int (*initHalftone)(CVarnPrn*, int32_t),
            int32_t (*dotMode)(const CVarnPrn&)) {
    return OpenJob(job, family, openPage, initHalftone, dotMode, MRL_IV_QE());
}

int OpenJob(CVarnPrn* job, const char* family, JobHook openPage, int (*initHalftone)(CVarnPrn*, int32_t),
            int32_t (*dotMode)(const CVarnPrn&), const Bytes& jobHeader) {
    if (!job) return -1;
    job->Log(3000, "%s_OpenJob...", family);
    job->m_bSuppressOpenJobRecord = false;
    job->m_pfnOpenPage = openPage;

    const uint32_t written = WriteRecord(job, SPLTAG_JOB_HEADER, jobHeader);
    if (written != 0) {
        job->Log(0, "%s_OpenJob return error code %d", family, int(written));
        return int(written);
    }
    job->Log(2000, "%s_OpenJob", family);
    if (initHalftone(job, dotMode(*job)) != 0) {
        job->Log(0, "%s_OpenJob %s_InitHalftone return error code %d", family, family, -2);
        return -2;
    }
    return 0;
}

int InitHalftone(CVarnPrn* job, int32_t dotMode, const char* family) {
    if (!job) return -1;
    const int32_t channels = ChannelCount(*job);
    job->Log(3000, "%s_InitHalftone %d channels", family, channels);
    // Matrix screening: the white plane of a white-ink model is the fifth channel.
    const HalftoneSetup setup = job->m_iHalftoneMode == 6
                                    ? ScreeningSetup(GetInkSetClass(job->m_iPrinterModell) != 0 ? 5 : 4)
                                    : ErrorDiffusionSetup(*job, channels, dotMode == 1, dotMode);
    return StartHalftoner(job, setup);
}

int32_t ChannelCount(const CVarnPrn& job) {
    return (GetInkSetClass(job.m_iPrinterModell) == 0 && job.m_iOutputColorMode == 4) ? 4 : 8;
}

HalftoneSetup ErrorDiffusionSetup(const CVarnPrn& job, int32_t channels, bool variable, int32_t dotMode) {
    const bool twoDotSizes = job.m_iResolutionX >= 720 && job.m_iResolutionY >= 1080;
    return DiffusionSetup(channels, variable, twoDotSizes, dotMode);
}

HalftoneSetup DiffusionSetup(int32_t channels, bool variable, bool twoDotSizes, int32_t dotMode) {
    HalftoneSetup setup;
    setup.channels = channels;
    const bool eight = channels == 8;
    if (!variable) {
        setup.routine = eight ? 111 : 109;
    } else if (twoDotSizes) {
        setup.routine = eight ? 108 : 106;
    } else {
        setup.routine = eight ? 105 : 103;
    }
    setup.bitsPerPixel = variable ? 2 : 1;
    setup.dotMode = uint32_t(dotMode);
    return setup;
}

HalftoneSetup ScreeningSetup(int32_t channels) {
    HalftoneSetup setup;
    setup.channels = channels;
    setup.routine = 51;
    setup.bitsPerPixel = 1;
    setup.setDotMode = false;
    return setup;
}

int StartHalftoner(CVarnPrn* job, const HalftoneSetup& setup) {
    if (!job) return -1;
    // Screening reads a value per channel (white the fifth), error diffusion
    // at least cyan, magenta, yellow and black (or CMYKOG). Screening and the
    // eight-channel routines step by the host's pixel, the four-channel
    // routines by their four bytes.
    const int32_t colorMode = setup.routine == 51 ? 4
                                                  : DiffusionInputColorMode(GetInkSetClass(job->m_iPrinterModell),
                                                                            job->m_iOutputColorMode);
    const int32_t needed = setup.routine == 51 ? setup.channels : colorMode;
    const bool stepsByHostPixel = setup.routine == 51 || setup.channels == 8;
    const char* imageType = colorMode == 6 ? "CMYKOG" : needed == 5 ? "CMYK+W" : "CMYK";
    if (!PictureHasChannels(job, "InitHalftone", imageType, PixelInput{colorMode, needed, stepsByHostPixel})) {
        return -1;
    }
    try {
        job->m_iOutChannels = setup.channels;
        job->m_pHalftone = std::make_unique<CHalftone>(job);
        CHalftone& halftone = *job->m_pHalftone;
        halftone.HalftoneRoutine = setup.routine;
        halftone.m_iScreeningParam = 0;
        halftone.m_iBitsPerPixel = setup.bitsPerPixel;
        if (setup.setDotMode) halftone.m_iDotMode = setup.dotMode;
        return halftone.InitJob(job) == 0 ? 0 : -1;
    } catch (const std::exception& e) {
        job->Log(0, "Halftoner set-up failed: %s", e.what());
        return -1;
    }
}

PageValues ReadPageValues(const CVarnPrn& job) {
    PageValues values;
    values.passes = job.m_iPrintQuality % 200;
    values.hiSpeed = job.m_iPrintQuality / 200 != 0 ? 1 : 0;
    for (size_t i = 0; i < 3; ++i) values.heaters[i] = GetJobOptionValue(job.m_vHeatersCelsius, i, 50);
    values.direction = job.m_iPrintDirection != 0 ? 1 : 0;
    values.mediaCode = MRL_MediaTypeCode(job.m_iMediaTypeID);
    values.dryTime = uint16_t(MRL_DryerTimeCode(job.m_iDryTime));
    values.vacuum = MRL_VacuumCode(job.m_iVacuumPower);
    values.cut = (job.m_iMediaSource == 9 && job.m_iCuttingMode != 0) ? 1 : 0;
    return values;
}

Bytes PageHeaderHead(const CVarnPrn& job, const PageValues& values) {
    Bytes header = MRL_QK(values.heaters[0], values.heaters[1], values.heaters[2]);
    AppendBytes(header, MRL_Q_At());
    AppendBytes(header, MRL_QA_Segment(&job));
    return header;
}

PageSetup SetUpPage(CVarnPrn* job, MrlPageBuffer& page) {
    PageSetup setup;
    setup.values = ReadPageValues(*job);
    const int32_t x = job->m_iResolutionX;
    const int32_t y = job->m_iResolutionY;
    setup.dotMode = CJV30_GetDotMode(x, y, job->m_iDotSize, job->m_iHalftoneMode, job->m_iHalftoneVersion);
    setup.lastQP = (x <= 540 || (x <= 720 && y <= 720)) ? 6 : 8;
    bool adjusted = false;
    setup.values.passes = HeaderPasses(*job, &adjusted);
    if (adjusted) job->Log(1000, "Number of passes adjusted to printer's range");
    PreparePage(*job, page, setup.dotMode);
    return setup;
}

Bytes PageHeader(CVarnPrn* job, const PageSetup& setup, const Bytes& qc) {
    const PageValues& v = setup.values;
    Bytes header = PageHeaderHead(*job, v);
    AppendBytes(header, qc);
    AppendBytes(header, MRL_QP(uint8_t(setup.dotMode), uint16_t(job->m_iResolutionY), uint16_t(job->m_iResolutionX),
                               uint8_t(v.passes), v.hiSpeed, v.direction, v.mediaCode, setup.lastQP));
    AppendBytes(header, JV33_OverPrintSegment(job));
    return header;
}

void PreparePage(const CVarnPrn& job, MrlPageBuffer& page, int32_t dotMode) {
    const size_t planes = size_t(std::max(job.m_iOutChannels, 0));
    const size_t bytesPerPlane = size_t(std::max(job.m_iBytesPerChannel, 0));
    page.m_Output.Reserve(std::max(planes * bytesPerPlane + kLineCapacitySlack, kMinimumLineCapacity));
    page.m_bTwoBitsPerPixel = dotMode == 1 ? 1 : 0;
    if (dotMode == 1 && job.m_iResolutionX >= 720 && job.m_iResolutionY >= 1080) {
        page.m_pConverter = std::make_unique<clVDS2_CONVERTER>(job.m_iResolutionX);
    }
}

MrlPageBuffer* StartPage(CVarnPrn* job, const char* step, JobHook printLine) {
    return StartPage(job, std::make_unique<MrlPageBuffer>(), step, printLine, JV33_ClosePage);
}

int FailPage(CVarnPrn* job) {
    MrlPageBuffer::Detach(job);
    return -1;
}

int32_t HeaderPasses(const CVarnPrn& job, bool* adjusted) {
    int32_t passes = ReadPageValues(job).passes;
    *adjusted = ClampPassesToPrinterRangeEx(passes, job.m_iResolutionY, job.m_iPrinterModell);
    return passes;
}

bool PassesFit(CVarnPrn* job) {
    if (!job) return true;
    bool adjusted = false;
    const int32_t passes = HeaderPasses(*job, &adjusted);
    return PassCountHolds(job, adjusted, passes);
}

bool CheckResolution(CVarnPrn* job, const char* step) {
    if (MRL_ResolutionFits(job->m_iResolutionX) && MRL_ResolutionFits(job->m_iResolutionY)) return true;
    job->SetErrorMessageF("%s: Resolution %d x %d dpi not supported", step, job->m_iResolutionX,
                          job->m_iResolutionY);
    job->Log(0, "%s: Resolution %d x %d dpi not supported", step, job->m_iResolutionX, job->m_iResolutionY);
    return false;
}

int WritePageHeader(CVarnPrn* job, const char* step, const Bytes& header) {
    const uint32_t written = WriteRecord(job, SPLTAG_PAGE_HEADER, header);
    if (written != 0) {
        job->Log(0, "%s return error code %d", step, int(written));
        MrlPageBuffer::Detach(job);  // a failed page never reaches ClosePage
    } else {
        job->Log(2000, "%s", step);
    }
    return HookResult(written);
}

int LineRecords(const CVarnPrn& job, bool screeningMap, const uint8_t (&codes)[8], LineRecord (&records)[8]) {
    // Screening sends its fifth plane twice, under both screening colour codes.
    static constexpr int kScreeningCodes[6] = {0, 1, 2, 3, 6, 7};
    static constexpr int kScreeningPlanes[6] = {0, 1, 2, 3, 4, 4};
    const bool screening = screeningMap && job.m_iHalftoneMode == 6;
    const int channels = job.m_iOutChannels;
    const int count = (screening && channels == 5) ? 6 : channels;
    if (count < 0 || count > 8) return count;
    for (int i = 0; i < count; ++i) {
        records[i].plane = screening ? kScreeningPlanes[i] : i;
        records[i].colour = codes[screening ? kScreeningCodes[i] : i];
    }
    return count;
}

int WriteLine(CVarnPrn* job, const char* step, bool screeningMap, uint32_t rowShift) {
    LineRecord records[8];
    const int count = job ? LineRecords(*job, screeningMap, kColourCodes, records) : 0;
    return WriteRecords(job, step, records, count, RasterForm::Q, true, rowShift);
}

int WriteRecords(CVarnPrn* job, const char* step, const LineRecord* records, int count, RasterForm form, bool trim,
                 uint32_t rowShift) {
    MrlPageBuffer* page = MrlPageBuffer::Of(job);
    if (!page) return -1;
    page->m_Output.Resize(0);
    const size_t bytesPerPlane = size_t(std::max(job->m_iBytesPerChannel, 0));
    if (count < 0 || count > 8 || (count > 0 && !job->m_pOutLine)) {
        job->SetErrorMessageF("%s: no halftoned line of %d planes", step, job->m_iOutChannels);
        return -1;
    }

    ReserveLineRoom(page->m_Output, page->m_Packing, 8, bytesPerPlane);
    try {
        for (int i = 0; i < count; ++i) {
            uint8_t* data = job->m_pOutLine + size_t(records[i].plane) * bytesPerPlane;
            uint64_t n = trim ? TrimmedPlaneLength(data, bytesPerPlane) : bytesPerPlane;
            if (n != 0 && page->m_pConverter) page->m_pConverter->Convert(&data, &n);
            if (n != 0 && rowShift != 0) AppendQY(page->m_Output, rowShift);
            AppendPlaneRecord(page->m_Output, page->m_Packing, form, records[i].colour,
                              page->m_bTwoBitsPerPixel != 0, data, size_t(n));
        }
    } catch (const TextError& e) {
        job->SetErrorMessageF("%s: %s", step, e.what());
        job->Log(0, "%s: %s", step, e.what());
        return -1;
    }
    AppendLineEnd(page->m_Output, form);
    return HookResult(WriteRecord(job, SPLTAG_DATA, page->m_Output.data(), page->m_Output.size()));
}

}  // namespace jv33

// Four channels for CMYK, eight for CMYKcm (ChannelCount); the converters
// read the mode the same way.
constexpr int32_t kJV33LineModes[] = {4, 6};
const OutputColorModes JV33_OutputColorModes(kJV33LineModes);
