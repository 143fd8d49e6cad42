// The JFX flatbeds: job start, printing order, layer spool files, raster
// lines and the layer playback at page end.
#include "drivers/jfx/jfx.h"

#include <algorithm>
#include <exception>

#include "base/format.h"
#include "base/text_error.h"
#include "drivers/jfx/layer_mapper.h"
#include "drivers/mrl/mrl_segments.h"
#include "drivers/picture_check.h"
#include "job/varn_prn.h"
#include "printers/print_modes.h"

namespace {

constexpr size_t kMinimumLineCapacity = 16384;
constexpr size_t kLineCapacitySlack = 1024;

JFXIntern* DriverOf(const CVarnPrn* job) { return job ? dynamic_cast<JFXIntern*>(job->m_pDriver.get()) : nullptr; }

void Append(Bytes& out, const Bytes& more) { out.insert(out.end(), more.begin(), more.end()); }

// The two long "QV" commands of a curing sequence, index 0 and 1.
Bytes CuringPair(uint8_t mode, uint8_t fillValue, size_t fillCount) {
    Bytes out = MRL_QV(0, mode, fillValue, fillCount);
    Append(out, MRL_QV(1, mode, fillValue, fillCount));
    return out;
}

const char* YesNo(bool b) { return b ? "true" : "false"; }

// The configurations with a single varnish plane.
bool SingleVarnish(int32_t colorConfig) {
    return colorConfig == 4 || colorConfig == 6 || colorConfig == 10 || colorConfig == 15 || colorConfig == 17;
}

// The print-mode code of "QP" from the dot size: the fixed sizes small,
// middle and large of both lines; 1 for variable dots.
uint8_t PrintModeCode(int32_t dotSize) {
    switch (dotSize) {
        case 4: case 11: return 18;
        case 5: case 12: return 17;
        case 6: case 13: return 16;
        default: return 1;
    }
}

template <class Intern>
int OpenJobImpl(CVarnPrn* job, const char* name) {
    if (!job) return -1;
    job->Log(3000, "%s...", name);
    job->m_bSuppressOpenJobRecord = false;
    job->m_pfnCloseJob = JFX_CloseJob;
    job->m_pfnOpenPage = InternPageHook0;

    PFN_WRITEPRNDATA_WRAPPER host(job->m_pfnWritePrnData, job->m_pWritePrnContext);
    const Bytes header = MRL_IV_QE();
    const uint32_t written = host.Write(SPLTAG_JOB_HEADER, header.data(), header.size());
    if (written != 0) {
        job->Log(0, "JFX_OpenJob return error code %d", int(written));
        return int(written);
    }

    // Refused here so that no later step meets a missing table row.
    if (!FindPrintMode(PrintModeTableForModel(job->m_iPrinterModell), job->m_iPrintQuality)) {
        job->SetErrorMessageF("%s: Print mode %d not in table for printer %d", name, job->m_iPrintQuality,
                              job->m_iPrinterModell);
        job->Log(0, "%s: Print mode %d not in table for printer %d", name, job->m_iPrintQuality,
                 job->m_iPrinterModell);
        return -2;
    }
    if (!FindDotSizeEntry(DotSizeTableForModel(job->m_iPrinterModell), uint32_t(job->m_iDotSize))) {
        job->SetErrorMessageF("%s: Dot size %d not in table for printer %d", name, job->m_iDotSize,
                              job->m_iPrinterModell);
        job->Log(0, "%s: Dot size %d not in table for printer %d", name, job->m_iDotSize, job->m_iPrinterModell);
        return -2;
    }
    // "QP" carries the direction as it is given.
    if (!HeaderFieldHolds(job, "Output/Prn/Specific/PrintDirection", job->m_iPrintDirection, job->m_iPrintDirection,
                          0xFF)) {
        return -2;
    }

    auto driver = std::make_unique<Intern>(job);
    const bool started = JFX_InitHalftone(driver.get(), job);
    if (!started || !PictureHasChannels(job, name, JfxColorConfig(driver->m_pPrinterType->m_ColorConfig)->name,
                                        job->m_pHalftone->LinearizeInput())) {
        if (!started) job->SetErrorMessageF("Internal error %s InitHalftone failed", name);
        job->Log(0, "%s return error code %d", name, -2);
        job->m_pHalftone.reset();
        return -2;
    }
    job->m_pDriver = std::move(driver);
    job->Log(2000, "%s", name);
    return 0;
}

}  // namespace

// ---------------------------------------------------------------- job

int JFX200_OpenJobImpl(CVarnPrn* job, const char* name) { return OpenJobImpl<JFX200Intern>(job, name); }
int JFX500_OpenJobImpl(CVarnPrn* job, const char* name) { return OpenJobImpl<JFX500Intern>(job, name); }
int JFX200_OpenJob(CVarnPrn* job) { return JFX200_OpenJobImpl(job, "JFX_OpenJob"); }
int JFX500_OpenJob(CVarnPrn* job) { return JFX500_OpenJobImpl(job, "JFX_OpenJob"); }

int JFX_CloseJob(CVarnPrn* job) {
    if (!job) return 0;
    PFN_WRITEPRNDATA_WRAPPER host(job->m_pfnWritePrnData, job->m_pWritePrnContext);
    const uint32_t written = host.Write(SPLTAG_CLOSE_JOB, nullptr, 0);
    job->Log(3000, "WritePrnData::SPLTAG_CLOSE_JOB");
    if (DriverOf(job)) {
        job->Log(3000, "JFX_CloseJob deleting JFXIntern");
        job->m_pDriver.reset();
    }
    return int(written);
}

// ---------------------------------------------------------------- driver object

JFXIntern::JFXIntern(CVarnPrn* job)
    : FamilyDriver(SecondHook::ClosePage), m_HostWriter(job->m_pfnWritePrnData, job->m_pWritePrnContext) {}

JFXIntern::~JFXIntern() { ResetLayerSpools(); }

int32_t JFXIntern::OpenPage(CVarnPrn* job) { return JFX_OpenPage(this, job); }

uint8_t JFXIntern::SelectMode(bool variableDot) {
    m_BitsPerPixel = variableDot ? 2 : 1;
    return m_BitsPerPixel;
}

bool JFXIntern::SetPrinterType(CVarnPrn* job) {
    auto type = std::make_unique<clsPrinterType_JFX>();
    if (type->Initialize(job) != 0 || !type->m_pfnLinearize) {
        job->Log(0, "JFXIntern::SetPrinterType: clsPrinterType_JFX initialization failed. Returning false");
        return false;
    }
    m_pPrinterType = std::move(type);
    SetPrintingOrder(job);
    return true;
}

void JFXIntern::InitPlaneMasks() {
    const int32_t config = m_pPrinterType ? m_pPrinterType->m_ColorConfig : 0;
    const JfxColorConfigRow* row = JfxColorConfig(config >= 1 && config <= 17 ? config : 0);
    m_vPlaneCodes.assign(row->planeCodes, row->planeCodes + row->channels);
}

JFXIntern::PlaneLists JFXIntern::MapPlanes(CVarnPrn* job, bool varnish, bool clearInColor) {
    m_vLayers.clear();
    InitPlaneMasks();
    PlaneLists planes;
    const clsPrinterType_JFX& type = *m_pPrinterType;
    const auto mapper = CreateLayerMapper(type.m_ColorConfig, job->m_iWhiteMode != 3, job->m_iClearMode != 3,
                                          type.m_WhitePrintOrder, varnish, clearInColor);
    if (!mapper) return planes;
    mapper->GetPrimerLayerPlanes(planes.primer);
    mapper->GetMainLayerPlanes(planes.main);
    mapper->GetSecondColorLayerPlanes(planes.second);
    mapper->GetVarnishLayerPlanes(planes.varnish);
    return planes;
}

JFXLayer* JFXIntern::AddLayer(const std::vector<int32_t>& planes) {
    if (planes.empty()) return nullptr;
    m_vLayers.emplace_back();
    m_vLayers.back().PlanesToPrint = planes;
    return &m_vLayers.back();
}

void JFXIntern::LogLayers(CVarnPrn* job) const {
    job->Log(3000, "clsPrinterType_JFX::SetPrintingOrder: m_LayerCount: %d", int(m_vLayers.size()));
    for (size_t i = 0; i < m_vLayers.size(); ++i) {
        const JFXLayer& layer = m_vLayers[i];
        std::string planes = "[";
        for (int32_t p : layer.PlanesToPrint) {
            const uint32_t code = size_t(p) < m_vPlaneCodes.size() ? m_vPlaneCodes[size_t(p)] : 0;
            AppendFormat(planes, " %d[0x%x]", p, code);
        }
        planes += " ]";
        job->Log(3000, "SetPrintingOrder: m_vLayers[%d].PlanesToPrint[]: %s", int(i), planes.c_str());
        job->Log(3000, "SetPrintingOrder: m_vLayers[%d].PrintBackwards: %s", int(i), YesNo(layer.PrintBackwards));
        job->Log(3000, "SetPrintingOrder: m_vLayers[%d].CuringType: %d", int(i), layer.CuringType);
        job->Log(3000, "SetPrintingOrder: m_vLayers[%d].EmbossingLayerCount: %d", int(i), layer.EmbossingLayerCount);
    }
}

Bytes JFXIntern::InitializationSequence(CVarnPrn* job) const {
    const PRINTMODE* mode = JfxModelClass(job->m_iPrinterModell) != 0
                                ? FindPrintMode(PrintModeTableForModel(job->m_iPrinterModell), job->m_iPrintQuality)
                                : nullptr;
    if (!mode) {
        job->Log(0, "JFXIntern::InitializationSequence. Invalid Print Quality: %d. Exiting...", job->m_iPrintQuality);
        return {};
    }
    Bytes out = MRL_Q_At();
    Append(out, MRL_QA(MRL_FeedCorrection(job->PrinterFeedAdjust(), 255), 255));
    Append(out, MRL_QC(0, 0xFF, 0xFFFF, 0xFF, 0xFF));
    const uint8_t dotFlag = (job->m_iDotSize == 9 || job->m_iDotSize == 10) ? 4 : 1;
    Append(out, MRL_IV_QP12(PrintModeCode(job->m_iDotSize), uint16_t(job->m_iResolutionY),
                            uint16_t(job->m_iResolutionX), mode->passes, mode->hiSpeedScan,
                            uint8_t(job->m_iPrintDirection), MRL_MediaTypeCode(job->m_iMediaTypeID),
                            job->m_bLogicalSeek ? 1 : 0, dotFlag, 0xFF, 0xFF));
    return out;
}

std::string JFXIntern::SpoolNamePrefix(const std::string& tempFolder) {
    std::string base = tempFolder;
    if (!base.empty() && base.back() != '/') base += '/';
    return base + "Mimaki_JFX_";
}

uint32_t JFXIntern::CreateTemp(CVarnPrn* job, const std::string& prefix, std::string* failedPath) {
    uint32_t first = 0;
    uint64_t number = 0;  // the layers of a page share it while their names are free
    for (size_t i = 0; i < m_vLayers.size(); ++i) {
        JFXLayer& layer = m_vLayers[i];
        SPOOL_FILE_TEMP::Destroy(&layer.spool);
        layer.writer = nullptr;
        std::string path;
        const uint32_t code = SPOOL_FILE_TEMP::CreateOwn(&layer.spool, prefix, StringF("_%d.tmp", int(i)),
                                                         m_bDeleteOnClose, &number, &path);
        if (code == 0) {
            layer.writer = layer.spool.get();
            job->Log(3000, "JFXIntern::CreateTemp SpoolfileTemp created successfully: (%s), %s",
                     EscapeControlBytes(path).c_str(), SpoolFileResultText(code));
        } else {
            job->Log(3000, "JFXIntern::CreateTemp Failed to Create SpoolfileTemp: (%s), %s",
                     EscapeControlBytes(path).c_str(), SpoolFileResultText(code));
            if (first == 0) {
                first = code;
                if (failedPath) *failedPath = path;
            }
        }
    }
    return first;
}

std::string JFXIntern::SpoolFailure() const {
    return FirstSpoolFailure(m_vLayers, [](const JFXLayer& layer) { return layer.spool.get(); });
}

void JFXIntern::ResetLayerSpools() {
    for (JFXLayer& layer : m_vLayers) {
        layer.writer = nullptr;
        SPOOL_FILE_TEMP::Destroy(&layer.spool);
    }
}

// ---------------------------------------------------------------- page

int JFX_OpenPage(JFXIntern* driver, CVarnPrn* job) {
    if (!driver || !job) return -1;
    job->Log(3000, "JFX_OpenPage ...");
    job->m_pfnPrintLine = JFX_WriteLine;
    job->m_pfnClosePage = InternPageHook1;

    const size_t lineBytes = size_t(std::max(job->m_iOutChannels, 0)) * size_t(std::max(job->m_iBytesPerChannel, 0));
    for (JFXLayer& layer : driver->m_vLayers) {
        layer.line.Reserve(std::max(lineBytes + kLineCapacitySlack, kMinimumLineCapacity));
        layer.line.Resize(0);
        layer.hasData = false;  // each page plays only the layers that carry data on it
    }

    std::string failedPath;
    const uint32_t created = driver->CreateTemp(job, JFXIntern::SpoolNamePrefix(job->m_strTempFolder), &failedPath);
    if (created != 0) {
        job->Log(0, "JFX_OpenPage Spool file creation failed. Return error code %d", int(created));
        const clSpoolFileResultImp result = CreateSpoolFileResultFor(driver->SpoolFailure(), created, "JFX_OpenPage %s",
                                                                     EscapeControlBytes(failedPath).c_str());
        job->SetErrorMessageFromResult(&result);
        driver->ResetLayerSpools();
        return -1;
    }
    job->Log(3000, "JFX_OpenPage Createtemp succeeded");

    const uint32_t written = driver->m_HostWriter.Write(SPLTAG_PAGE_HEADER, nullptr, 0);
    if (written != 0) {
        job->Log(0, "JFX_OpenPage failed. Return error code %d", int(written));
        const clSpoolFileResultImp result = CreateSpoolFileResult(written, "JFX_OpenPage");
        job->SetErrorMessageFromResult(&result);
        driver->ResetLayerSpools();
        return -1;
    }
    job->Log(2000, "JFX_OpenPage Success");
    return 0;
}

int JFX_WriteLine(CVarnPrn* job) {
    JFXIntern* driver = DriverOf(job);
    if (!driver) return -1;
    const size_t bytesPerPlane = size_t(std::max(job->m_iBytesPerChannel, 0));
    const size_t planes = size_t(std::max(job->m_iOutChannels, 0));
    uint32_t failure = 0;
    std::string failureText;
    for (JFXLayer& layer : driver->m_vLayers) {
        if (layer.PlanesToPrint.empty()) continue;
        layer.line.Resize(0);
        ReserveLineRoom(layer.line, driver->m_Packing, layer.PlanesToPrint.size(), bytesPerPlane);
        try {
            for (int32_t p : layer.PlanesToPrint) {
                if (size_t(p) >= planes || size_t(p) >= driver->m_vPlaneCodes.size() || !job->m_pOutLine) {
                    throw TextError(StringF("plane %d is not in the halftoned line of %d planes", int(p),
                                            int(planes)));
                }
                const uint8_t* data = job->m_pOutLine + size_t(p) * bytesPerPlane;
                const size_t n = TrimmedPlaneLength(data, bytesPerPlane);
                if (n != 0) layer.hasData = true;
                AppendPlaneRecord(layer.line, driver->m_Packing, RasterForm::Q,
                                  uint8_t(driver->m_vPlaneCodes[size_t(p)]), driver->m_BitsPerPixel == 2, data, n);
            }
        } catch (const TextError& e) {
            layer.line.Resize(0);
            job->SetErrorMessageF("JFX_WriteLine: %s", e.what());
            job->Log(0, "JFX_WriteLine: %s", e.what());
            return -1;
        }
        AppendLineEnd(layer.line, RasterForm::Q);
        const uint32_t code = layer.writer ? layer.writer->Write(SPLTAG_DATA, layer.line.data(), layer.line.size())
                                           : uint32_t(eSPOOLFILE2_FAILED);
        layer.line.Resize(0);
        if (code != 0 && failure == 0) {
            failure = code;
            const std::string reason = SpoolFailureReason(layer.spool.get());
            failureText = CreateSpoolFileResultFor(reason, code, "JFX_WriteLine").GetText();
        }
    }
    if (failure == 0) return 0;
    job->SetErrorMessage(failureText);
    job->Log(0, "%s", failureText.c_str());
    return -1;
}

int32_t JFXIntern::LastLayerWithData() const {
    int32_t last = -1;
    for (size_t i = 0; i < m_vLayers.size(); ++i) {
        if (m_vLayers[i].hasData && m_vLayers[i].spool) last = int32_t(i);
    }
    return last;
}

uint32_t JFXIntern::PlayLayer(CVarnPrn* job, size_t index, Bytes& separator, bool lastLayer, bool backwards,
                              int32_t curingType, const PlayTexts& texts) {
    JFXLayer& layer = m_vLayers[index];
    if (texts.start) job->Log(3000, texts.start, int(index));
    Bytes record = separator;
    Append(record, InitializationSequence(job));
    Append(record, MRL_IV_PI(lastLayer ? 1 : 0));
    Append(record, MRL_IV_QT(backwards ? 1 : 0, uint32_t(job->m_iImageHeight)));
    Append(record, MakeCuringSequence(curingType));
    separator = MRL_IV_QE();

    uint32_t code = m_HostWriter.Write(SPLTAG_DATA, record.data(), record.size());
    if (code == 0) code = backwards ? layer.spool->PlaybackReverse(&m_HostWriter) : layer.spool->Playback(&m_HostWriter);
    if (code != 0) {
        std::string line = StringF(texts.failure, int(index), SpoolFileResultText(code));
        job->Log(0, "%s", line.c_str());
    } else {
        job->Log(3000, texts.success, int(index));
    }
    return code;
}

int32_t JFXIntern::ClosePage(CVarnPrn* job) {
    job->Log(3000, "JFXIntern::ClosePage ...");
    const int32_t last = LastLayerWithData();
    Bytes separator;
    uint32_t result = 0;
    for (size_t i = 0; i < m_vLayers.size() && result == 0; ++i) {
        if (m_vLayers[i].hasData && m_vLayers[i].spool) {
            result = PlayBackLayer(job, i, int32_t(i) == last, separator);
        } else {
            job->Log(3000, "JFX_ClosePage: Layer %d has no data", int(i));
        }
    }
    return FinishPage(job, result);
}

int32_t JFXIntern::FinishPage(CVarnPrn* job, uint32_t result) {
    if (result == 0) {
        const Bytes end = MRL_IV_QE();
        result = m_HostWriter.Write(SPLTAG_PAGE_END, end.data(), end.size());
        if (result == 0) job->Log(3000, "JFXIntern::ClosePage: Success");
    }
    if (result != 0) {
        const clSpoolFileResultImp failure = CreateSpoolFileResultFor(SpoolFailure(), result, "JFX_ClosePage");
        job->SetErrorMessageFromResult(&failure);
    }
    ResetLayerSpools();
    // A failure goes back negative, so that the host's ClosePage reports it.
    return result == 0 ? 0 : -int32_t(result);
}

namespace {

constexpr const char* kPlainFailure = "JFX_ClosePage: Error in layer %d playback. error code: %s";

}  // namespace

// ---------------------------------------------------------------- JFX200

void JFX200Intern::SetPrintingOrder(CVarnPrn* job) {
    const clsPrinterType_JFX& type = *m_pPrinterType;
    const int32_t config = type.m_ColorConfig;
    const bool single = SingleVarnish(config);
    const bool varnish = job->m_iClearEmbossMode == 1 || (single && type.m_CuringType == 4);
    const PlaneLists planes = MapPlanes(job, varnish, true);

    const int32_t colourCuring = type.m_CuringType == 4 ? (single ? 3 : 4) : type.m_CuringType == 3 ? 3 : -1;
    if (JFXLayer* layer = AddLayer(planes.primer)) layer->CuringType = 8;
    if (JFXLayer* layer = AddLayer(planes.main)) {
        layer->CuringType = colourCuring >= 0 ? colourCuring : (type.m_bHasWhiteInk ? 7 : 0);
        layer->PrintBackwards = job->m_iWhiteMode != 3 && type.m_WhitePrintOrder == 1;
    }
    if (JFXLayer* layer = AddLayer(planes.second)) layer->CuringType = colourCuring >= 0 ? colourCuring : 0;
    if (JFXLayer* layer = AddLayer(planes.varnish)) {
        if (job->m_iClearEmbossMode == 1) {
            job->m_iClearEmbossMattePasses = std::max(job->m_iClearEmbossMattePasses, 2);
            layer->EmbossingLayerCount = job->m_iClearEmbossMattePasses;
        }
        layer->CuringType = layer->EmbossingLayerCount < 2 ? 5 : (type.m_CuringType == 4 ? 4 : 3);
    }
    LogLayers(job);
}

Bytes JFX200Intern::MakeCuringSequence(int32_t curingType) const {
    uint8_t mode = 0xFF;
    bool shortForm = true;
    uint8_t p2 = 0, p3 = 0;
    switch (curingType) {
        case 3: mode = 4; p3 = 4; break;
        case 4: mode = 3; p3 = 3; break;
        case 6: mode = 5; p3 = 5; break;
        case 7: p2 = 2; p3 = 1; break;
        case 8: p2 = 1; p3 = 0; break;
        default: shortForm = false; break;
    }
    Bytes out = CuringPair(mode, 0, 64);
    if (shortForm) Append(out, MRL_QV_Short(p2, p3));
    return out;
}

uint32_t JFX200Intern::PlayBackLayer(CVarnPrn* job, size_t i, bool isLast, Bytes& separator) {
    const JFXLayer& layer = m_vLayers[i];
    if (layer.EmbossingLayerCount >= 2) {
        const PlayTexts texts{nullptr, kPlainFailure, "JFX_ClosePage: Layer %d spool file playback end: success"};
        uint32_t result = 0;
        for (int32_t n = 2; n <= layer.EmbossingLayerCount && result == 0; ++n) {
            job->Log(3000, "JFX_ClosePage: Layer %d: clear embossing layer no: %d", int(i), n);
            const bool final = n == layer.EmbossingLayerCount;
            result = PlayLayer(job, i, separator, isLast && final, layer.PrintBackwards,
                               final ? layer.CuringType : 6, texts);
        }
        return result;
    }
    if (layer.CuringType == 5) {
        const PlayTexts texts{"JFX_ClosePage: Layer %d spool file playback (clear ink - top layer) start",
                              "JFX_ClosePage: Error in layer %d (clear top layer) playback. error code: %s",
                              "JFX_ClosePage: Layer %d (clear top layer) spool file playback end: success"};
        return PlayLayer(job, i, separator, false, false, 4, texts);
    }
    const PlayTexts texts{"JFX_ClosePage: Layer %d spool file playback start (matte in case of clear)",
                          kPlainFailure, "JFX_ClosePage: Layer %d spool file playback end: success"};
    return PlayLayer(job, i, separator, isLast, layer.PrintBackwards, layer.CuringType, texts);
}

// ---------------------------------------------------------------- JFX500

void JFX500Intern::SetPrintingOrder(CVarnPrn* job) {
    const clsPrinterType_JFX& type = *m_pPrinterType;
    const PlaneLists planes = MapPlanes(job, type.m_CuringType == 4, type.m_CuringType == 3);
    AddLayer(planes.primer);
    if (JFXLayer* layer = AddLayer(planes.main)) {
        layer->PrintBackwards = job->m_iWhiteMode != 3 && type.m_WhitePrintOrder == 1;
    }
    AddLayer(planes.second);
    if (JFXLayer* layer = AddLayer(planes.varnish)) layer->CuringType = 4;
    LogLayers(job);
}

Bytes JFX500Intern::MakeCuringSequence(int32_t curingType) const {
    uint8_t mode = 0xFF;
    uint8_t fillValue = 0;
    if (curingType == 1) {
        mode = 1;
    } else if (curingType == 2) {
        mode = 0;
        fillValue = 0x74;
    }
    return CuringPair(mode, fillValue, 128);
}

uint32_t JFX500Intern::PlayBackLayer(CVarnPrn* job, size_t i, bool isLast, Bytes& separator) {
    const JFXLayer& layer = m_vLayers[i];
    if (layer.CuringType == 4) {
        const PlayTexts jetting{
            "JFX_ClosePage: Layer %d spool file playback (clear ink - ink jetting with no irradiation) start",
            "JFX_ClosePage: Error in layer %d (clear without radiation) playback. error code: %s",
            "JFX_ClosePage: Layer %d (clear without radiation) spool file playback end: success"};
        const PlayTexts curing{
            "JFX_ClosePage: Layer %d spool file playback (clear ink - only UV irradiation. no ink jetting) start",
            "JFX_ClosePage: Error in layer %d (clear curing) playback. error code: %s",
            "JFX_ClosePage: Layer %d (clear curing) spool file playback end: success"};
        const uint32_t result = PlayLayer(job, i, separator, false, false, 1, jetting);
        return result != 0 ? result : PlayLayer(job, i, separator, isLast, true, 2, curing);
    }
    const PlayTexts texts{"JFX_ClosePage: Layer %d spool file playback start", kPlainFailure,
                          "JFX_ClosePage: Layer %d spool file playback end: success"};
    return PlayLayer(job, i, separator, isLast, layer.PrintBackwards, layer.CuringType, texts);
}
