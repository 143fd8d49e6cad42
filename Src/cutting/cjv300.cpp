// The CJV300 print-and-cut line: pulled-back layers and the print-and-cut page.
#include "cutting/cjv300.h"

#include <algorithm>
#include <cerrno>
#include <exception>
#include <iterator>
#include <new>

#include "base/format.h"
#include "base/text_error.h"
#include "cutting/print_and_cut.h"
#include "drivers/jv33_shared.h"
#include "drivers/mrl/mrl_segments.h"
#include "job/varn_prn.h"

namespace {

constexpr size_t kMinimumLineBuffer = 16384;
constexpr size_t kLineBufferSlack = 1024;

std::unique_ptr<JV300_Intern> CreateDriver(CVarnPrn* job) {
    return std::unique_ptr<JV300_Intern>(new (std::nothrow) CJV300_Intern(job));
}

void Append(Bytes& out, const Bytes& more) { out.insert(out.end(), more.begin(), more.end()); }

// A line of the page as the JV300 line prints it; a layer's spool file that
// failed under it is named with the system's reason, as the other spooling
// lines name theirs.
int CJV300_WriteLine(CVarnPrn* job) {
    const int r = JV300_WriteLine(job);
    const CJV300_Intern* driver = CJV300_Intern::Of(job);
    if (r >= 0 || !driver) return r;
    for (int k = 0; k < 2; ++k) {
        const std::string reason = SpoolFailureReason(driver->m_aLayerTemp[k].m_pSpoolFile.get());
        if (reason.empty()) continue;
        job->SetErrorMessage(
            CreateSpoolFileResultFor(reason, eSPOOLFILE2_IO_FAILED, "CJV300_WriteLine: Layer %d", k + 1).GetText());
        break;
    }
    return r;
}

}  // namespace

// ---------------------------------------------------------------------------
// Layer records

void CJV300_Intern::LayerTemp::SetFileName(const CVarnPrn* job, int index) {
    // A job without a temporary folder spools into the current directory,
    // never into the root of the file system.
    const std::string& folder = job->m_strRamDiskFolder;
    m_strNamePrefix = (folder.empty() ? std::string() : folder + "/") + StringF("CJV300_Intern_Layer_%d_", index + 1);
}

void CJV300_Intern::LayerTemp::CreateSpoolFile(uint64_t* number) {
    errno = 0;
    const uint32_t code =
        SPOOL_FILE_TEMP::CreateOwn(&m_pSpoolFile, m_strNamePrefix, ".wyx", true, number, &m_strFileName);
    if (code == 0) return;
    const int error = errno;
    // The name holds the ticket's temporary folder: escaped.
    const std::string name = EscapeControlBytes(m_strFileName);
    if (code == eSPOOLFILE2_IO_FAILED) throw CreateSpoolFileResultErrno(error, "Creating %s", name.c_str());
    throw CreateSpoolFileResult(code, "Creating %s", name.c_str());
}

// ---------------------------------------------------------------------------
// The driver object

CJV300_Intern::CJV300_Intern(CVarnPrn* job) : JV300_Intern(job) {
    for (int i = 0; i < 2; ++i) m_aLayerTemp[i].SetFileName(job, i);
}

CJV300_Intern::~CJV300_Intern() {
    ResetCutObjects();
    CloseLayerTemps();
}

CJV300_Intern* CJV300_Intern::Of(const CVarnPrn* job) { return dynamic_cast<CJV300_Intern*>(JV300_Intern::Of(job)); }

void CJV300_Intern::SetupLayerTargets() {
    CloseLayerTemps();
    m_pEmitter->AddLayer(&m_Writer, "Layer 0");
    if (m_iPulledBackMode == 0) return;
    uint64_t number = 0;  // the layers of a page share it while their names are free
    for (int32_t k = 1; k <= m_iLastPulledBackLayer + 1; ++k) {
        LayerTemp& layer = m_aLayerTemp[k - 1];
        layer.CreateSpoolFile(&number);
        m_pEmitter->AddLayer(layer.m_pSpoolFile.get(), StringF("Layer %d", int(k)).c_str());
    }
}

void CJV300_Intern::CloseLayerTemps() {
    if (m_pEmitter) m_pEmitter->ClearLayers();
    for (LayerTemp& layer : m_aLayerTemp) SPOOL_FILE_TEMP::Destroy(&layer.m_pSpoolFile);
}

void CJV300_Intern::ResetCutObjects() {
    // The cut object holds the generator, so it goes first.
    m_pCut.reset();
    m_pCutmarks.reset();
    m_bPrintAndCut = 0;
}

Bytes CJV300_Intern::GetCutData() {
    Bytes data;
    if (m_pCut) m_pCut->GetCutData(data);
    return data;
}

void CJV300_Intern::SetUpPulledBackMode(CVarnPrn* job) {
    const int32_t mode = GetOverPlottingMode(job);
    m_iPulledBackMode = 0;
    m_iLastPulledBackLayer = 0;
    if (!m_bPulledBack) return;
    m_iPulledBackMode = (mode < 0 || mode > 3) ? 0 : mode;
    if (mode == 3) m_iLastPulledBackLayer = 1;
}

void CJV300_Intern::AssignLayerPlanes(CVarnPrn* job, int32_t overPlottingMode) {
    const std::vector<int32_t>& extra = ExtraPlanes(job);
    switch (m_iPulledBackMode) {
        case 1:
            m_pEmitter->SetLayerPlanes(0, extra);
            m_pEmitter->SetLayerPlanes(1, m_vAllPlanes);
            break;
        case 2:
            m_pEmitter->SetLayerPlanes(0, m_vAllPlanes);
            m_pEmitter->SetLayerPlanes(1, extra);
            break;
        case 3:
            m_pEmitter->SetLayerPlanes(0, m_vAllPlanes);
            m_pEmitter->SetLayerPlanes(1, extra);
            m_pEmitter->SetLayerPlanes(2, m_vAllPlanes);
            break;
        default:
            ConfigureEmitterLayers(job, overPlottingMode);
            break;
    }
}

CJV300_Intern::Headers CJV300_Intern::BuildHeaders(CVarnPrn* job, const JV300_PageValues& v) {
    const uint8_t cut = (job->m_iCuttingMode == 6 || job->m_iCuttingMode == 7) ? 1 : 0;
    const auto header = [&](uint8_t cutFlag, uint16_t dryTime) {
        Bytes h = MRL_IV_GR_Zero();
        Append(h, PageSetUpCommands(job, v, cutFlag, dryTime));
        Append(h, MRL_QZ_FromJob(job));
        Append(h, MRL_IV_PL_OverPlotting_DependingOnJob(this, job, m_iPulledBackMode != 0));
        return h;
    };
    return {header(cut, v.dryTime), header(0, v.dryTime), header(0, 0xFFFF)};
}

void CJV300_Intern::BuildInitSequences(CVarnPrn* job, const Bytes& last, const Bytes& others) {
    for (int32_t k = 0; k <= m_iLastPulledBackLayer; ++k) {
        Bytes& sequence = m_aLayerTemp[k].m_strInitSequence;
        sequence = MRL_IV_QE();
        Append(sequence, MRL_IV_PH());
        Append(sequence, k == m_iLastPulledBackLayer ? last : others);
        job->Log(3000, "CJV300_OpenPage Layer %d done", int(k + 1));
    }
}

bool CJV300_Intern::SetUpCut(CVarnPrn* job) {
    try {
        m_pCut = CreateMimakiCutDriver(job, job->m_iPrinterModell);
        if (m_pCut && m_pCut->PrintAndCutDeviceHandlesCutMarks()) {
            const MimakiCutmarksGeneratorParams params = printandcut::MarkParams(
                job, JV300_Print, job->m_iOutHeightPixel, m_pEmitter->GetBitsPerPixel());
            m_pCutmarks = CreateMimakiCutmarksGenerator(params);
            m_pCut->SetIMimakiCutmarksGeneratorInfo(m_pCutmarks.get());
            job->Log(3000, "CJV300_OpenPage MimakiCutmarksGenerator created");
        }
        return true;
    } catch (const std::exception& e) {
        job->SetErrorMessage(e.what());
        return false;
    }
}

int32_t CJV300_Intern::OpenPage(CVarnPrn* job) {
    if (!job || !m_pEmitter) return -1;
    job->Log(3000, "CJV300_OpenPage");
    job->m_pfnPrintLine = CJV300_WriteLine;
    job->m_pfnClosePage = InternPageHook2;
    ResetCutObjects();  // a page opened again without its end
    const PRINTMODE* row = LookUpPrintMode(job, "CJV300_Intern::OpenPage");
    if (!row) return -1;
    if (!jv33::CheckResolution(job, "CJV300_OpenPage")) return -1;
    const JV300_PageValues v = PageValues(job, *row);

    SetUpPulledBackMode(job);
    const size_t planes = size_t(std::max(job->m_iOutChannels, 0));
    const size_t bytesPerPlane = size_t(std::max(job->m_iBytesPerChannel, 0));
    m_pEmitter->ReserveLineBuffer(std::max(planes * bytesPerPlane + kLineBufferSlack, kMinimumLineBuffer));
    try {
        SetupLayerTargets();
    } catch (const clSpoolFileResult& result) {
        // The spool file's name in the text is escaped where it is made.
        job->SetErrorMessageF("CJV300_Intern::OpenPage: EmitterOpenPage: %s", result.GetText());
        CloseLayerTemps();
        return -1;
    } catch (...) {
        job->SetErrorMessage("CJV300_Intern::OpenPage: EmitterOpenPage: catch(...)");
        CloseLayerTemps();
        return -1;
    }
    AssignLayerPlanes(job, GetOverPlottingMode(job));

    int r = SetUpCut(job) ? 0 : -1;
    m_bPrintAndCut = job->m_bPrintTagOperation ? 1 : 0;
    const Headers h = BuildHeaders(job, v);
    const auto write = [&](uint32_t tag, const Bytes& data) {
        if (r == 0) r = jv33::HookResult(m_Writer.Write(tag, data.data(), data.size()));
    };
    if (m_iPulledBackMode == 0) {
        write(SPLTAG_PAGE_HEADER, h.a);
    } else {
        job->Log(3000, "CJV300_OpenPage PulledBack => Setting up page init sequences per layer");
        write(SPLTAG_PAGE_HEADER, h.b);
        BuildInitSequences(job, h.a, h.b);
    }
    if (m_bPrintAndCut) {
        write(SPLTAG_CUT_PAGE_OPEN, {});
        if (m_iPulledBackMode == 0) {
            write(SPLTAG_CUT_PAGE_SETUP, h.c);
        } else {
            job->Log(3000, "CJV300_OpenPage PulledBack => Setting up page init sequences print & cut per layer");
            write(SPLTAG_CUT_PAGE_SETUP, h.b);
            BuildInitSequences(job, h.c, h.b);
        }
    }
    if (r == 0 && m_pCutmarks) {
        try {
            m_pCutmarks->EmitMarks(false);
        } catch (const std::exception& e) {
            job->SetErrorMessage(e.what());
            r = -1;
        }
    }
    if (r == 0) {
        job->Log(2000, "CJV300_OpenPage");
    } else {
        job->Log(0, "CJV300_OpenPage return error code %d", r);
    }
    return r;
}

int CJV300_Intern::PlayBackLayers(CVarnPrn* job, int r, std::string& layers) {
    job->Log(3000, "CJV300_ClosePage Writing the temporary layers");
    std::vector<int32_t> empty;  // layers that got no image data
    for (int32_t i = 1; i <= m_iLastPulledBackLayer + 1; ++i) {
        LayerTemp& layer = m_aLayerTemp[i - 1];
        if (m_pEmitter->GetFirstPlaneMapOfLayer(i).empty()) empty.push_back(i);
        if (r == 0 && !layer.m_strInitSequence.empty() && layer.m_pSpoolFile) {
            const std::string name = StringF("PulledBack Layer%d", int(i));
            r = jv33::HookResult(m_Writer.Write(0, reinterpret_cast<const uint8_t*>(name.data()), name.size()));
            if (r == 0) {
                const Bytes& init = layer.m_strInitSequence;
                r = jv33::HookResult(m_Writer.Write(SPLTAG_DATA, init.data(), init.size()));
            }
            if (r == 0) {
                const uint32_t played = layer.m_pSpoolFile->Playback(&m_Writer);
                if (played != 0) {
                    job->SetErrorMessage(CreateSpoolFileResultFor(SpoolFailureReason(layer.m_pSpoolFile.get()),
                                                                  played, "CJV300_ClosePage: Layer %d", int(i))
                                             .GetText());
                    r = -int(played);
                }
            }
        }
        layers += " / " + DescribeRasterChannels(i);
    }
    // A layer whose spool file failed lost its data to the failure, not to
    // the picture: no layer of such a page is said to have none.
    const bool spoolFailed = std::any_of(std::begin(m_aLayerTemp), std::end(m_aLayerTemp), [](const LayerTemp& layer) {
        return !SpoolFailureReason(layer.m_pSpoolFile.get()).empty();
    });
    if (!spoolFailed) {
        for (const int32_t i : empty) job->UpdateInfoMessageF(true, "Layer %d has no image data", int(i));
    }
    return r;
}

int CJV300_Intern::SendCutRecords(CVarnPrn* job, int r) {
    Bytes data;
    try {
        data = GetCutData();
    } catch (const std::exception& e) {
        data.clear();
        if (!printandcut::ReportMissingCutData(job, e.what())) r = -1;
    }
    Bytes cutJob = MRL_IV_QE();
    Append(cutJob, data.empty() ? MRL_IV_GT(0) : printandcut::CutJob(m_pCutmarks.get(), job->m_iDryTime, data));
    if (r == 0) r = jv33::HookResult(m_Writer.Write(SPLTAG_CUT_DATA, data.data(), data.size()));
    if (r == 0) r = jv33::HookResult(m_Writer.Write(SPLTAG_CUT_JOB, cutJob.data(), cutJob.size()));
    return r;
}

int32_t CJV300_Intern::ClosePage(CVarnPrn* job) {
    if (!job || !m_pEmitter) return -1;
    int r = 0;
    job->Log(3000, "CJV300_ClosePage");
    if (m_bPrintAndCut && m_pCutmarks) {
        job->Log(3000, "CJV300_ClosePage generating cut marks");
        try {
            m_pCutmarks->EmitMarks(true);
        } catch (const std::exception& e) {
            job->SetErrorMessage(e.what());
            r = -1;
        }
    }
    std::string layers = DescribeRasterChannels(0);
    if (m_iPulledBackMode != 0) r = PlayBackLayers(job, r, layers);
    if (m_bHasWhite || m_bHasSilver) LogPrintingLayers(job, "CJV300_ClosePage", layers);

    Bytes end;
    if (job->m_iCuttingMode == 6) {
        const int32_t feed = printandcut::FeedReserveLines(m_pCutmarks.get(), job->m_iResolutionY);
        end = printandcut::FeedReserve(feed, m_pEmitter->GetBitsPerPixel());
        if (feed != 0) job->Log(3000, "CJV300_ClosePage Generating feed reserve %d pixel", int(feed));
    }
    Append(end, MRL_IV_QE());
    Append(end, MRL_IV_GT(0));
    if (r == 0) r = jv33::HookResult(m_Writer.Write(SPLTAG_PAGE_END, end.data(), end.size()));
    // After a failed page end step the page ends with that failure alone.
    if (m_bPrintAndCut && r == 0) r = SendCutRecords(job, r);

    ResetCutObjects();
    CloseLayerTemps();
    return r;
}

// ---------------------------------------------------------------------------
// Job steps

int JV300_Print(void* context, const uint8_t* row, uint32_t size) {
    return JV300_Emit(static_cast<CVarnPrn*>(context), [row, size](MRL_IV_QD_ImageData_Emitter& emitter) {
        emitter.EmitCutmarksImageDataLine(row, size);
    });
}

int CJV300_OpenJobImpl(CVarnPrn* job, const char* name) { return JV300_OpenJobWith(job, name, CreateDriver); }
int CJV300_OpenJob(CVarnPrn* job) {
    printandcut::NoteRefusedOptionList(job);
    return CJV300_OpenJobImpl(job, "CJV300_OpenJob");
}
