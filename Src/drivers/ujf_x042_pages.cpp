// The UJF-x042 line, pages: the layer list, one spool file per layer, the
// line writer and the page end that plays the layers in print order.
#include <algorithm>

#include "base/format.h"
#include "base/text_error.h"
#include "drivers/ujf_x042.h"
#include "job/varn_prn.h"

namespace {

constexpr size_t kMinimumLineCapacity = 16384;
constexpr size_t kLineCapacitySlack = 1024;

// Plane colour codes per configuration.
const std::vector<uint32_t>& ConfigCodes(int32_t config) {
    static const std::vector<uint32_t> kW1W2{2, 1, 4, 0, 254, 255};
    static const std::vector<uint32_t> kV1V2{2, 1, 4, 0, 255, 253};
    static const std::vector<uint32_t> kEightW{2, 1, 4, 0, 254, 255, 253, 252};
    static const std::vector<uint32_t> kEightV{2, 1, 4, 0, 255, 253, 252, 251};
    static const std::vector<uint32_t> kLightW{2, 1, 4, 0, 18, 17, 254, 255};
    static const std::vector<uint32_t> kLightV{2, 1, 4, 0, 18, 17, 255, 253};
    static const std::vector<uint32_t> kNone;
    switch (config) {
        case 0: case 2: case 3: return kW1W2;
        case 1: case 4: case 9: return kV1V2;
        case 5: case 6: case 8: return kEightW;
        case 7: return kEightV;
        case 10: case 13: case 14: return kLightW;
        case 11: case 12: case 15: return kLightV;
        default: return kNone;
    }
}

std::string PlaneList(const std::vector<uint32_t>& planes, const std::vector<uint32_t>& codes) {
    std::string text = "[";
    for (uint32_t p : planes) text += StringF(" %d[0x%x]", int(p), p < codes.size() ? codes[p] : 0u);
    return text + " ]";
}

void Append(Bytes& out, const Bytes& more) { out.insert(out.end(), more.begin(), more.end()); }

UJFx042_Intern* DriverOf(CVarnPrn* job) { return dynamic_cast<UJFx042_Intern*>(FamilyDriver::Of(job)); }

}  // namespace

UJFx042PrintingOrder UJFx042_MakePrintingOrder(int32_t config, bool whiteOn, bool clearOn, bool primerOn,
                                               int32_t curingType, int32_t whiteOrder) {
    UJFx042PrintingOrder order;
    order.colourCodes = ConfigCodes(config);
    if (order.colourCodes.empty()) return order;
    std::vector<uint32_t> primer;
    std::vector<uint32_t> main{0, 1, 2, 3};
    std::vector<uint32_t> glossy;
    std::vector<uint32_t>& clearList = curingType == 0 ? main : glossy;
    const auto add = [](std::vector<uint32_t>& to, std::initializer_list<uint32_t> planes) {
        to.insert(to.end(), planes);
    };
    switch (config) {
        case 0: if (whiteOn) add(main, {4, 5}); break;
        case 1: if (clearOn) add(clearList, {4, 5}); break;
        case 2:
            if (whiteOn) add(main, {4});
            if (clearOn) add(clearList, {5});
            break;
        case 3:
            if (whiteOn) add(main, {4});
            if (primerOn) add(primer, {5});
            break;
        case 4:
            if (clearOn) add(clearList, {4});
            if (primerOn) add(primer, {5});
            break;
        case 5:
            if (whiteOn) add(main, {4, 5});
            if (clearOn) add(clearList, {6, 7});
            break;
        case 6:
            if (whiteOn) add(main, {4, 5});
            if (primerOn) add(primer, {6, 7});
            break;
        case 7:
            if (clearOn) add(clearList, {4, 5});
            if (primerOn) add(primer, {6, 7});
            break;
        case 8:
            if (whiteOn) add(main, {4, 5});
            if (clearOn) add(clearList, {6});
            if (primerOn) add(primer, {7});
            break;
        case 9: if (primerOn) add(primer, {4, 5}); break;
        case 10:
            add(main, {4, 5});
            if (whiteOn) add(main, {6, 7});
            break;
        case 11:
            add(main, {4, 5});
            if (clearOn) add(clearList, {6, 7});
            break;
        case 12:
            add(main, {4, 5});
            if (primerOn) add(primer, {6, 7});
            break;
        case 13:
            add(main, {4, 5});
            if (whiteOn) add(main, {6});
            if (clearOn) add(clearList, {7});
            break;
        case 14:
            add(main, {4, 5});
            if (whiteOn) add(main, {6});
            if (primerOn) add(primer, {7});
            break;
        case 15:
            add(main, {4, 5});
            if (clearOn) add(clearList, {6});
            if (primerOn) add(primer, {7});
            break;
        default: break;
    }
    if (!primer.empty()) order.layers.push_back({primer, false, false});
    order.layers.push_back({main, whiteOn && whiteOrder == 0, false});
    if (!glossy.empty()) order.layers.push_back({glossy, false, true});
    return order;
}

void clsPrinterType::SetPrintingOrder(UJFx042_Intern* driver, CVarnPrn* job) {
    const UJFx042PrintingOrder order =
        UJFx042_MakePrintingOrder(m_ColorConfig, job->m_iWhiteMode != 3, job->m_iClearMode != 3,
                                  job->m_iPrimerMode != 3, m_CuringType, m_WhitePrintOrder);
    driver->m_vColorCodes = order.colourCodes;
    driver->m_vLayers.clear();
    driver->m_vLayers.resize(order.layers.size());
    job->Log(3000, "clsPrinterType::SetPrintingOrder: m_LayerCount: %d", int(order.layers.size()));
    for (size_t i = 0; i < order.layers.size(); ++i) {
        UJFx042Layer& layer = driver->m_vLayers[i];
        layer.PlanesToPrint = order.layers[i].planes;
        layer.PrintBackwards = order.layers[i].backwards;
        layer.IsClearGlossyCuring = order.layers[i].glossy;
        const int n = int(i);
        job->Log(3000, "SetPrintingOrder: m_vLayers[%d].PlanesToPrint[]: %s", n,
                 PlaneList(layer.PlanesToPrint, order.colourCodes).c_str());
        job->Log(3000, "SetPrintingOrder: m_vLayers[%d].PrintBackwards: %s", n,
                 layer.PrintBackwards ? "true" : "false");
        job->Log(3000, "SetPrintingOrder: m_vLayers[%d].IsClearGlossyCuring: %s", n,
                 layer.IsClearGlossyCuring ? "true" : "false");
    }
}

// ================================ spool files ================================

uint32_t UJFx042_Intern::CreateTemp(const std::string& prefix, std::string* failedPath, std::string* failure) {
    uint64_t number = 0;  // the layers of a page share it while their names are free
    for (size_t i = 0; i < m_vLayers.size(); ++i) {
        UJFx042Layer& layer = m_vLayers[i];
        layer.activeWriter = nullptr;
        SPOOL_FILE_TEMP::Destroy(&layer.spoolFile);
        std::string name;
        const uint32_t r = SPOOL_FILE_TEMP::CreateOwn(&layer.spoolFile, prefix, StringF("_%d.tmp", int(i)),
                                                      m_bDeleteOnClose, &number, &name);
        if (r != 0) {
            if (m_pJob) {
                m_pJob->Log(3000, "UJFx042_Intern::CreateTemp Failed to Create SpoolfileTemp: (%s), %s",
                            EscapeControlBytes(name).c_str(), SpoolFileResultText(r));
            }
            if (failedPath) *failedPath = name;
            if (failure) *failure = SpoolFailureReason(layer.spoolFile.get());
            DestroyTemp();
            return r;
        }
        if (m_pJob) {
            m_pJob->Log(3000, "UJFx042_Intern::CreateTemp SpoolfileTemp created successfully: (%s), %s",
                        EscapeControlBytes(name).c_str(), SpoolFileResultText(r));
        }
        layer.activeWriter = layer.spoolFile.get();
    }
    return 0;
}

void UJFx042_Intern::DestroyTemp() {
    for (UJFx042Layer& layer : m_vLayers) {
        layer.activeWriter = nullptr;
        SPOOL_FILE_TEMP::Destroy(&layer.spoolFile);
    }
}

// ================================ page start ================================

int32_t UJFx042_Intern::OpenPage(CVarnPrn* job) { return UJFx042_OpenPage(this, job); }

int UJFx042_OpenPage(UJFx042_Intern* driver, CVarnPrn* job) {
    if (!driver || !job) return -1;
    job->Log(3000, "UJFx042_OpenPage ...");
    job->m_pfnPrintLine = UJFx042_WriteLine;
    job->m_pfnClosePage = InternPageHook1;

    const size_t planes = size_t(std::max(job->m_iOutChannels, 0));
    const size_t bytesPerPlane = size_t(std::max(job->m_iBytesPerChannel, 0));
    for (UJFx042Layer& layer : driver->m_vLayers) {
        layer.lineBuffer.Resize(0);
        layer.lineBuffer.Reserve(std::max(planes * bytesPerPlane + kLineCapacitySlack, kMinimumLineCapacity));
        layer.hasData = false;  // a layer plays only what this page gave it
    }

    std::string prefix = job->m_strTempFolder;
    if (!prefix.empty() && prefix.back() != '/') prefix += '/';
    std::string failedPath, failure;
    const uint32_t created = driver->CreateTemp(prefix + "Mimaki_UJF_", &failedPath, &failure);
    if (created != 0) {
        job->Log(0, "UJFx042_OpenPage Spool file creation failed. Return error code %d", int(created));
        const clSpoolFileResultImp result = CreateSpoolFileResultFor(
            failure, created, "UJFx042_OpenPage: Spool file %s", EscapeControlBytes(failedPath).c_str());
        job->SetErrorMessageFromResult(&result);
        return -1;
    }
    job->Log(3000, "UJFx042_OpenPage Createtemp succeeded");

    PFN_WRITEPRNDATA_WRAPPER host(job->m_pfnWritePrnData, job->m_pWritePrnContext);
    const uint32_t written = host.Write(SPLTAG_PAGE_HEADER, nullptr, 0);
    if (written != 0) {
        job->Log(0, "UJFx042_OpenPage failed. Return error code %d", int(written));
        driver->DestroyTemp();  // the page never reaches its end
        return -int(written);
    }
    job->Log(2000, "UJFx042_OpenPage Success");
    return 0;
}

// ================================ lines ================================

int UJFx042_WriteLine(CVarnPrn* job) {
    UJFx042_Intern* driver = DriverOf(job);
    if (!driver) return -1;
    const size_t bytesPerPlane = size_t(std::max(job->m_iBytesPerChannel, 0));
    uint32_t failed = 0;
    int failedLayer = -1;
    for (size_t i = 0; i < driver->m_vLayers.size(); ++i) {
        UJFx042Layer& layer = driver->m_vLayers[i];
        if (layer.PlanesToPrint.empty()) continue;
        layer.lineBuffer.Resize(0);
        try {
            for (uint32_t p : layer.PlanesToPrint) {
                if (int64_t(p) >= job->m_iOutChannels || !job->m_pOutLine || p >= driver->m_vColorCodes.size()) {
                    throw TextError(StringF("no plane %d in a halftoned line of %d planes", int(p), job->m_iOutChannels));
                }
                const uint8_t* data = job->m_pOutLine + size_t(p) * bytesPerPlane;
                const size_t n = TrimmedPlaneLength(data, bytesPerPlane);
                if (n == 0) continue;
                AppendPlaneRecord(layer.lineBuffer, driver->m_Packing, RasterForm::Q, uint8_t(driver->m_vColorCodes[p]),
                                  driver->m_BitsPerPixel == 2, data, n);
                layer.hasData = true;
            }
        } catch (const TextError& e) {
            job->SetErrorMessageF("UJFx042_WriteLine: %s", e.what());
            job->Log(0, "UJFx042_WriteLine: %s", e.what());
            return -1;
        }
        AppendLineEnd(layer.lineBuffer, RasterForm::Q);
        const uint32_t r = layer.activeWriter
                               ? layer.activeWriter->Write(SPLTAG_DATA, layer.lineBuffer.data(), layer.lineBuffer.size())
                               : uint32_t(eSPOOLFILE2_FAILED);
        layer.lineBuffer.Resize(0);
        if (r != 0) {
            failed = r;
            failedLayer = int(i);
        }
    }
    if (failed == 0) return 0;
    const UJFx042Layer& layer = driver->m_vLayers[size_t(failedLayer)];
    const bool spooled = layer.spoolFile && layer.activeWriter == layer.spoolFile.get();
    const clSpoolFileResultImp result = CreateSpoolFileResultFor(spooled ? layer.spoolFile->FailureReason() : "",
                                                                 failed, "UJFx042_WriteLine: layer %d", failedLayer);
    job->SetErrorMessageFromResult(&result);
    job->Log(0, "%s", result.GetText());
    return -1;
}

// ================================ page end ================================

int32_t UJFx042_Intern::ClosePage(CVarnPrn* job) {
    job->Log(3000, "UJFx042_Intern::ClosePage ...");
    const Bytes pageEnd = MRL_IV_QE();
    Bytes prefix;
    int lastDataLayer = -1;
    for (size_t i = 0; i < m_vLayers.size(); ++i) {
        if (m_vLayers[i].hasData && m_vLayers[i].spoolFile) lastDataLayer = int(i);
    }
    const uint32_t pageHeight = uint32_t(std::max(job->m_iImageHeight, 0));

    // Writes a layer header and plays the layer behind it; the first failure ends the page.
    const auto play = [&](UJFx042Layer& layer, const Bytes& header, bool reverse) -> uint32_t {
        uint32_t r = m_HostWriter.Write(SPLTAG_DATA, header.data(), header.size());
        if (r == 0) r = reverse ? layer.spoolFile->PlaybackReverse(&m_HostWriter) : layer.spoolFile->Playback(&m_HostWriter);
        return r;
    };
    uint32_t result = 0;
    for (size_t i = 0; i < m_vLayers.size() && result == 0; ++i) {
        UJFx042Layer& layer = m_vLayers[i];
        const int n = int(i);
        if (!layer.hasData || !layer.spoolFile) {
            job->Log(3000, "UJF_ClosePage: Layer %d has no data", n);
            continue;
        }
        const uint8_t last = n == lastDataLayer ? 1 : 0;
        if (!layer.IsClearGlossyCuring) {
            job->Log(3000, "UJF_ClosePage: Layer %d spool file playback start", n);
            Bytes header = prefix;
            Append(header, InitializationSequence(job));
            Append(header, MRL_IV_PI(last));
            Append(header, MRL_IV_QT(layer.PrintBackwards ? 1 : 0, pageHeight));
            Append(header, MakeCuringSequence(job));
            result = play(layer, header, layer.PrintBackwards);
            if (result != 0) {
                job->Log(0, "UJF_ClosePage: Error in layer %d playback. error code: %s", n, SpoolFileResultText(result));
            } else {
                job->Log(3000, "UJF_ClosePage: Layer %d spool file playback end: success", n);
            }
        } else {
            job->Log(3000, "UJF_ClosePage: Layer %d spool file playback (clear ink - ink jetting with no irradiation) start", n);
            Bytes header = prefix;
            Append(header, InitializationSequence(job));
            Append(header, MRL_IV_PI(0));
            Append(header, MRL_IV_QT(0, pageHeight));
            Append(header, MRL_IV_QV({2, 0, 0, 0, 0, 0, 0, 0, 0}));
            result = play(layer, header, false);
            if (result != 0) {
                job->Log(0, "UJF_ClosePage: Error in layer %d (clear without radiation) playback. error code: %s", n,
                         SpoolFileResultText(result));
                break;
            }
            job->Log(3000, "UJF_ClosePage: Layer %d (clear without radiation) spool file playback end: success", n);

            job->Log(3000, "UJF_ClosePage: Layer %d spool file playback (clear ink - only UV irradiation. no ink jetting) start", n);
            header = pageEnd;
            Append(header, InitializationSequence(job));
            Append(header, MRL_IV_PI(last));
            Append(header, MRL_IV_QT(1, pageHeight));
            if (job->m_iUvCuringUsePanel == 1) {
                Append(header, MRL_IV_QV({0, 255, 255, 255, 255, 255, 255, 255, 255}));
            } else {
                const auto& lamp = job->m_aiUvLampLevel;
                const auto l = [&lamp](size_t k) { return uint8_t(lamp[k]); };
                Append(header, MRL_IV_QV({0, l(0), l(0), l(1), l(1), l(2), l(2), l(3), l(3)}));
            }
            result = play(layer, header, true);
            if (result != 0) {
                job->Log(0, "UJF_ClosePage: Error in layer %d (clear curing) playback. error code: %s", n,
                         SpoolFileResultText(result));
            } else {
                job->Log(3000, "UJF_ClosePage: Layer %d (clear curing) spool file playback end: success", n);
            }
        }
        prefix = pageEnd;
    }
    if (result == 0) result = m_HostWriter.Write(SPLTAG_PAGE_END, pageEnd.data(), pageEnd.size());
    if (result != 0) {
        const clSpoolFileResultImp failure = CreateSpoolFileResultFor(
            FirstSpoolFailure(m_vLayers, [](const UJFx042Layer& l) { return l.spoolFile.get(); }), result,
            "UJF_ClosePage");
        job->SetErrorMessageFromResult(&failure);
    } else {
        job->Log(3000, "UJFx042_Intern::ClosePage: Success");
    }
    DestroyTemp();
    for (UJFx042Layer& layer : m_vLayers) layer.hasData = false;
    return result == 0 ? 0 : -int(result);
}

// ================================ job end ================================

int UJFx042_CloseJob(CVarnPrn* job) {
    if (!job) return 0;
    PFN_WRITEPRNDATA_WRAPPER host(job->m_pfnWritePrnData, job->m_pWritePrnContext);
    const uint32_t written = host.Write(SPLTAG_CLOSE_JOB, nullptr, 0);
    job->Log(3000, "WritePrnData::SPLTAG_CLOSE_JOB");
    if (job->m_pDriver) {
        job->Log(3000, "UJFx042_CloseJob deleting UJFx042_Intern");
        job->m_pDriver.reset();
    }
    return int(written);
}
