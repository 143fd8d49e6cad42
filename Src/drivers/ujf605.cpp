// The UJF-605 line: job start, halftoner set-up, page header, the two layers
// of every line and the page end with the played spool file.
#include "drivers/ujf605.h"

#include <algorithm>
#include <cstdio>
#include <exception>

#include "base/format.h"
#include "base/rounding.h"
#include "base/input_file.h"
#include "base/text_error.h"
#include "drivers/mrl/mrl_segments.h"
#include "drivers/picture_check.h"
#include "halftone/halftone.h"
#include "job/varn_prn.h"
#include "printers/model_predicates.h"

namespace {

constexpr size_t kMinimumLineCapacity = 32768;
constexpr size_t kLineCapacitySlack = 1024;
constexpr int32_t kTwoBitCode = 96;
constexpr int kScreeningSlots[5] = {0, 1, 2, 3, 6};  // the fifth screening channel is white

// The delete-on-close switch in the current folder: an integer, 0 keeps the
// spool file; no file (or no number) deletes it.
bool ReadDeleteOnClose() {
    const FilePtr file = OpenFileToRead(kDeleteOnCloseSwitchFile).file;  // never a pipe: it would block
    if (!file) return true;
    int value = 1;
    const bool read = std::fscanf(file.get(), "%d", &value) == 1;
    return read ? value != 0 : true;
}

UJF_Intern* DriverOf(CVarnPrn* job) { return job ? dynamic_cast<UJF_Intern*>(job->m_pDriver.get()) : nullptr; }

// Takes the page's driver object out of the job.
std::unique_ptr<UJF_Intern> Detach(CVarnPrn* job) {
    if (!DriverOf(job)) return nullptr;
    return std::unique_ptr<UJF_Intern>(static_cast<UJF_Intern*>(job->m_pDriver.release()));
}

void Append(Bytes& out, const Bytes& more) { out.insert(out.end(), more.begin(), more.end()); }

// The failure of a step on the page's spool file (or on the host writer,
// whose failures have no reason of a file).
int SpoolFailure(CVarnPrn* job, uint32_t code, const SPOOL_FILE_TEMP* file, const char* what) {
    const clSpoolFileResultImp result =
        CreateSpoolFileResultFor(SpoolFailureReason(file), code, "%s", what);
    job->SetErrorMessageFromResult(&result);
    job->Log(0, "%s", result.GetText());
    return -1;
}

constexpr int32_t kModes[] = {4, 6};  // CMYK, CMYKcm

}  // namespace

const OutputColorModes UJF_OutputColorModes(kModes);

UJF_Intern::UJF_Intern(CVarnPrn* job) {
    m_bDeleteOnClose = ReadDeleteOnClose();
    static constexpr int32_t kWhiteWhite[8] = {2, 1, 4, 0, 18, 17, 255, 253};
    static constexpr int32_t kWhiteSpot[8] = {2, 1, 4, 0, 18, 17, 254, 255};
    const bool classic17 = job && GetInkSetClass(job->m_iPrinterModell) == 17;
    std::copy_n(classic17 ? kWhiteWhite : kWhiteSpot, 8, m_ColorCodes);
    std::copy_n(classic17 ? "CMYKcmWW" : "CMYKcmWS", 9, m_ColorSetName);
    if (job) {
        job->Log(1000, "UJF_Intern DeleteOnClose=%s", m_bDeleteOnClose ? "on" : "off");
        m_HostWriter.Set(job->m_pfnWritePrnData, job->m_pWritePrnContext);
    }
}

UJF_Intern::~UJF_Intern() { SPOOL_FILE_TEMP::Destroy(&m_pSpoolFile); }

Bytes UJF_RasterCommand(uint8_t colour, uint8_t compressed, uint8_t bitsPerPixel, size_t length) {
    return MRL_ESC_i(colour, compressed, bitsPerPixel == 2, length);
}

Bytes UJF_MP(uint8_t quality, uint8_t mediaCode) {
    return MRLFixed("MP", mrl::u8(quality), mrl::u8(1), mrl::u8(mediaCode), mrl::fill{0xFF, 6});
}

Bytes UJF_MU(uint16_t yDpi, uint32_t feedLines) {
    return MRLFixed("MU", mrl::u8(0), mrl::u16le(yDpi), mrl::u24le(feedLines));
}

Bytes UJF_MV(uint8_t p1, uint32_t lines) { return MRLFixed("MV", mrl::u8(p1), mrl::u24le(lines)); }

Bytes UJF_MZ(const std::string& text) {
    return MRLFixed("MZ", mrl::u16le(uint32_t(text.size())), mrl::text{text, text.size(), ' '});
}

int32_t UJF_ResolutionMode(int64_t p, int32_t dotSize, int32_t halftoneMode) {
    const int32_t band = p <= 90000 ? 0 : (p <= 360000 ? 1 : 2);
    if (dotSize == 1) return band == 0 ? 16 : (band == 1 ? 33 : 50);
    if (halftoneMode == 6) return band == 0 ? 18 : (band == 1 ? 34 : 50);
    return band == 0 ? 16 : (band == 1 ? kTwoBitCode : 50);
}

namespace {
// The print-quality byte of "MP" carries the passes, the quality below 200,
// flagged as hi-speed from 200 on.
int32_t QualityPasses(int32_t id) { return ((id % 200) + 200) % 200; }
bool QualityHighSpeed(int32_t id) { return id >= 200; }

int32_t JobDotMode(const CVarnPrn& job) {
    return UJF_ResolutionMode(int64_t(job.m_iResolutionX) * job.m_iResolutionY, job.m_iDotSize, job.m_iHalftoneMode);
}
}  // namespace

int UJF_OpenJob(CVarnPrn* job) {
    if (!job) return -1;
    job->Log(3000, "UJF_OpenJob...");
    const int32_t id = job->m_iPrintQuality;
    if (!PassCountHolds(job, false, QualityPasses(id), true, QualityHighSpeed(id)) || !PictureWidthFitsMW(job)) {
        return -2;
    }
    job->m_bSuppressOpenJobRecord = false;
    job->m_bSuppressCloseJobRecord = false;
    job->m_pfnOpenPage = UJF_OpenPage;

    PFN_WRITEPRNDATA_WRAPPER host(job->m_pfnWritePrnData, job->m_pWritePrnContext);
    const Bytes header = MRL_FF();
    const uint32_t written = host.Write(SPLTAG_JOB_HEADER, header.data(), header.size());
    if (written != 0) {
        job->Log(0, "UJF_OpenJob return error code %d", int(written));
        return int(written);
    }
    job->Log(2000, "UJF_OpenJob");
    const int r = UJF_InitHalftone(job, JobDotMode(*job));
    if (r != 0) {
        job->Log(0, "UJF_OpenJob UJF_InitHalftone return error code %d", r);
        return -2;
    }
    return 0;
}

int UJF_InitHalftone(CVarnPrn* job, int32_t dotMode) {
    if (!job) return -1;
    const bool screening = job->m_iHalftoneMode == 6;
    const int32_t channels = screening ? 5 : 8;
    job->Log(3000, "UJF_InitHalftone %d channels", channels);
    // Screening reads cyan, magenta, yellow, black and white; error diffusion at least the first four.
    // Both step by the host's pixel.
    if (!PictureHasChannels(job, "UJF_InitHalftone", screening ? "CMYK+W" : "CMYK",
                            PixelInput{4, screening ? 5 : 4, true})) {
        return -1;
    }
    try {
        job->m_iOutChannels = channels;
        job->m_pHalftone = std::make_unique<CHalftone>(job);
        CHalftone& half = *job->m_pHalftone;
        half.m_iScreeningParam = 0;
        if (screening) {
            half.HalftoneRoutine = HALF_ROUTINE_SCREENING;
            half.m_iBitsPerPixel = 1;
        } else {
            const bool two = dotMode == kTwoBitCode;
            half.HalftoneRoutine = two ? (channels == 8 ? 105 : 103) : (channels == 8 ? 111 : 109);
            half.m_iBitsPerPixel = two ? 2 : 1;
            half.m_iDotMode = uint32_t(dotMode);
        }
        return half.InitJob(job) == 0 ? 0 : -1;
    } catch (const std::exception& e) {
        job->Log(0, "UJF_InitHalftone: %s", e.what());
        return -1;
    }
}

int UJF_OpenPage(CVarnPrn* job) {
    if (!job) return -1;
    job->m_pDriver = std::make_unique<UJF_Intern>(job);
    UJF_Intern& d = *DriverOf(job);
    job->Log(3000, "UJF_OpenPage");
    job->m_pfnPrintLine = UJF_WriteLine;
    job->m_pfnClosePage = UJF_ClosePage;

    const int32_t id = job->m_iPrintQuality;
    const uint8_t quality = uint8_t(MRL_PassByte(QualityPasses(id), QualityHighSpeed(id)));
    const uint8_t media = MRL_MediaTypeCode(job->m_iMediaTypeID);
    const int32_t code = JobDotMode(*job);
    d.m_BitsPerPixel = code == kTwoBitCode ? 2 : 1;

    const size_t planes = size_t(std::max(job->m_iOutChannels, 0));
    const size_t bytesPerPlane = size_t(std::max(job->m_iBytesPerChannel, 0));
    for (UJF_LayerBuffer& layer : d.m_Layers) {
        layer.pending.Reserve(std::max(planes * bytesPerPlane + kLineCapacitySlack, kMinimumLineCapacity));
    }

    std::string prefix = job->m_strTempFolder;
    if (!prefix.empty() && prefix.back() != '/') prefix += '/';
    uint64_t number = 0;
    std::string path;
    const uint32_t created =
        SPOOL_FILE_TEMP::CreateOwn(&d.m_pSpoolFile, prefix + "Mimaki_UJF_", ".tmp", d.m_bDeleteOnClose, &number, &path);
    if (created != 0) {
        const int r = SpoolFailure(job, created, d.m_pSpoolFile.get(),
                                   StringF("UJF_OpenPage: Spool file %s", EscapeControlBytes(path).c_str()).c_str());
        Detach(job);  // a page that did not open is never closed
        return r;
    }
    d.m_Layers[0].writer = &d.m_HostWriter;
    d.m_Layers[1].writer = d.m_pSpoolFile.get();

    Bytes header = MRL_ESC_At();
    Append(header, MRL_MD(uint16_t(job->m_iResolutionY), uint16_t(job->m_iResolutionX)));
    Append(header, UJF_MP(quality, media));
    Append(header, MRL_MW(uint32_t(std::max(job->m_iImageWidth, 0))));
    if (code < kTwoBitCode) Append(header, MRL_MC(uint8_t(code)));
    Append(header, MRL_MG(job->m_strJobName));

    const uint32_t written = d.m_HostWriter.Write(SPLTAG_PAGE_HEADER, header.data(), header.size());
    if (written != 0) {
        job->Log(0, "UJF_OpenPage return error code %d", int(written));
        Detach(job);
        return -int(written);
    }
    job->Log(2000, "UJF_OpenPage");
    return 0;
}

int UJF_WriteLine(CVarnPrn* job) {
    UJF_Intern* d = DriverOf(job);
    if (!d) return -1;
    const int channels = job->m_iOutChannels;
    const bool screening = job->m_iHalftoneMode == 6;
    const size_t bytesPerPlane = size_t(std::max(job->m_iBytesPerChannel, 0));
    if (channels < 0 || channels > (screening ? 5 : 8) || (channels > 0 && !job->m_pOutLine)) {
        job->SetErrorMessageF("UJF_WriteLine: no halftoned line of %d planes", channels);
        return -1;
    }
    const bool colourOnLayer1 = job->m_iWhiteOrder == 0;
    try {
        for (int c = 0; c < channels; ++c) {
            const int slot = screening ? kScreeningSlots[c] : c;
            UJF_LayerBuffer& layer = d->m_Layers[(slot >= 6) != colourOnLayer1 ? 1 : 0];
            const uint8_t* data = job->m_pOutLine + size_t(c) * bytesPerPlane;
            const size_t n = TrimmedPlaneLength(data, bytesPerPlane);
            if (n == 0) continue;
            if (layer.owedFeeds > 5) {
                AppendMRLFixed(layer.pending, "MV", mrl::u8(1), mrl::u24le(layer.owedFeeds));  // UJF_MV, unallocated
            } else {
                for (uint32_t i = 0; i < layer.owedFeeds; ++i) AppendLineEnd(layer.pending, RasterForm::Classic);
            }
            layer.owedFeeds = 0;
            AppendPlaneRecord(layer.pending, d->m_Packing, RasterForm::Classic, uint8_t(d->m_ColorCodes[slot]),
                              d->m_BitsPerPixel == 2, data, n);
            layer.used = true;
            layer.usedSlot[slot] = true;
        }
    } catch (const TextError& e) {
        job->SetErrorMessageF("UJF_WriteLine: %s", e.what());
        job->Log(0, "UJF_WriteLine: %s", e.what());
        return -1;
    }
    uint32_t results[2] = {0, 0};
    for (int i = 0; i < 2; ++i) {
        UJF_LayerBuffer& layer = d->m_Layers[i];
        ++layer.owedFeeds;
        if (layer.pending.empty()) continue;
        results[i] = layer.writer ? layer.writer->Write(SPLTAG_DATA, layer.pending.data(), layer.pending.size())
                                  : uint32_t(eSPOOLFILE2_FAILED);
        layer.pending.Resize(0);
    }
    const auto fileOf = [d](int layer) {
        return d->m_Layers[layer].writer == d->m_pSpoolFile.get() ? d->m_pSpoolFile.get() : nullptr;
    };
    if (results[1] != 0) return SpoolFailure(job, results[1], fileOf(1), "UJF_WriteLine: layer 1");
    if (results[0] != 0) return SpoolFailure(job, results[0], fileOf(0), "UJF_WriteLine: layer 0");
    return 0;
}

int UJF_ClosePage(CVarnPrn* job) {
    std::unique_ptr<UJF_Intern> d = Detach(job);
    if (!d) return -1;
    const UJF_LayerBuffer& layer0 = d->m_Layers[0];
    const UJF_LayerBuffer& layer1 = d->m_Layers[1];
    uint32_t result = 0;
    if (layer0.used && layer1.used) {
        Bytes close = UJF_MZ("CloseLayer");
        Append(close, MRL_FF());
        result = d->m_HostWriter.Write(SPLTAG_DATA, close.data(), close.size());
    }
    if (result == 0 && layer1.used && d->m_pSpoolFile) {
        job->Log(1000, "UJF_ClosePage Playback start");
        result = d->m_pSpoolFile->Playback(&d->m_HostWriter);
        job->Log(result == 0 ? 1000 : 0, "UJF_ClosePage Playback end");
    }
    if (result == 0) {
        Bytes end;
        if (!layer0.used && !layer1.used) {
            end = UJF_MZ("ClosePage empty");
            job->UpdateInfoMessage(true, "Page empty, no ink used");
        } else {
            std::string inks;
            for (int s = 0; s < 8; ++s) if (layer0.usedSlot[s]) inks += d->m_ColorSetName[s];
            if (layer0.used && layer1.used) inks += " + ";
            for (int s = 0; s < 8; ++s) if (layer1.usedSlot[s]) inks += d->m_ColorSetName[s];
            job->UpdateInfoMessage(true, "Used ink(s): " + inks);
            const double bottom = job->m_dBottomFeed < 0 ? 10.0 : job->m_dBottomFeed;
            const int64_t feed = int64_t(FloorToInt32Eps(job->m_iResolutionY * bottom * 10.0 / 254.0, 0x1p-43)) +
                                 std::max(job->m_iImageHeight, 0);
            end = UJF_MZ("ClosePage Ink(" + inks + ")");
            Append(end, UJF_MU(uint16_t(job->m_iResolutionY), uint32_t(std::clamp<int64_t>(feed, 0, 0xFFFFFF))));
        }
        Append(end, MRL_FF());
        result = d->m_HostWriter.Write(SPLTAG_PAGE_END, end.data(), end.size());
    }
    const std::string reason = SpoolFailureReason(d->m_pSpoolFile.get());
    d.reset();  // the spool file goes with it
    if (result == 0) return 0;
    const clSpoolFileResultImp failure = CreateSpoolFileResultFor(reason, result, "UJF_ClosePage");
    job->SetErrorMessageFromResult(&failure);
    return -int(result);
}
