#include "drivers/mrl/qd_emitter.h"

#include <cerrno>
#include <new>

#include "base/text_error.h"
#include "drivers/mrl/mrl.h"
#include "drivers/mrl/packbits.h"
#include "services/spool_writer.h"

namespace {

// Empties the line buffer on every way out of a layer's emission.
class LineReset {
public:
    explicit LineReset(ByteBuffer& line) : m_line(line) { m_line.Resize(0); }
    ~LineReset() { m_line.Resize(0); }
    LineReset(const LineReset&) = delete;
    LineReset& operator=(const LineReset&) = delete;

private:
    ByteBuffer& m_line;
};

}  // namespace

void MRL_QD_ImageData_Emitter::SetColorCodes(const uint32_t* codes, size_t count) {
    m_vecColorCodes.assign(codes, codes + (codes ? count : 0));
}

void MRL_QD_ImageData_Emitter::SetLayerCodes(const uint32_t* codes, size_t count) {
    m_vecLayerCodes.assign(codes, codes + (codes ? count : 0));
}

void MRL_QD_ImageData_Emitter::AssignAllPlanesToLayer0() {
    if (m_LayerEmitters.empty()) return;
    std::vector<int32_t>& planes = m_LayerEmitters[0].planes;
    planes.resize(m_vecColorCodes.size());
    for (size_t p = 0; p < planes.size(); ++p) planes[p] = int32_t(p);
}

void MRL_QD_ImageData_Emitter::SetLayerPlanes(int32_t layer, const std::vector<int32_t>& planes) {
    if (layer < 0 || size_t(layer) >= m_LayerEmitters.size()) return;
    m_LayerEmitters[size_t(layer)].planes = planes;
}

void MRL_QD_ImageData_Emitter::SetLayerPlanes(int32_t layer, const int32_t* planes, size_t count) {
    SetLayerPlanes(layer, std::vector<int32_t>(planes, planes + (planes ? count : 0)));
}

void MRL_QD_ImageData_Emitter::AddLayer(ISPOOL_FILE_WRITER* writer, const char* name) {
    LayerEmitter layer;
    layer.m_pSpoolFileWriter = writer;
    layer.name = name ? name : "";
    m_LayerEmitters.push_back(std::move(layer));
}

// Every refusal is found before anything is written, so a refused line sends
// nothing to any layer.
void MRL_QD_ImageData_Emitter::CheckLine(const uint8_t* line, size_t bytesPerPlane) const {
    if (m_LayerEmitters.empty()) throw TextError("EmitImageDataLine: m_LayerEmitters.empty()");
    if (m_vecColorCodes.empty()) throw TextError("EmitImageDataLine: m_vecColorCodes.empty()");
    if (!m_cBitsPerPixel) throw TextError("EmitImageDataLine: !m_cBitsPerPixel");
    if (!line && bytesPerPlane) throw TextError("EmitImageDataLine: !pLine && numBytesPerPlane");
    for (const LayerEmitter& layer : m_LayerEmitters) {
        for (size_t i = 0; i < layer.planes.size(); ++i) {
            const int32_t plane = layer.planes[i];
            if (plane < 0) continue;
            if (size_t(plane) >= m_vecColorCodes.size()) {
                throw TextError("EmitImageDataLine: planeNdx >= m_vecColorCodes.size()");
            }
            if (!m_vecLayerCodes.empty() && i >= m_vecLayerCodes.size()) {
                throw TextError("EmitImageDataLine: i >= m_vecLayerCodes.size()");
            }
        }
    }
}

void MRL_QD_ImageData_Emitter::EmitImageDataLine(const uint8_t* line, size_t bytesPerPlane) {
    CheckLine(line, bytesPerPlane);
    for (const LayerEmitter& layer : m_LayerEmitters) ReserveLineRoom(m_line, m_packing, layer.planes.size(), bytesPerPlane);
    for (LayerEmitter& layer : m_LayerEmitters) {
        LineReset reset(m_line);
        for (size_t i = 0; i < layer.planes.size(); ++i) {
            const int32_t plane = layer.planes[i];
            if (plane < 0) continue;
            const int64_t layerCode = m_vecLayerCodes.empty() ? -1 : int64_t(m_vecLayerCodes[i]);
            EmitPlane(layer, line + size_t(plane) * bytesPerPlane, bytesPerPlane, uint8_t(m_vecColorCodes[plane]),
                      layerCode, false);
        }
        AppendQR(m_line, 1);
        FlushLineData(layer);
    }
}

void MRL_QD_ImageData_Emitter::EmitCutmarksImageDataLine(const uint8_t* line, size_t bytes) {
    if (m_iCutmarksLayerIndex < 0 || size_t(m_iCutmarksLayerIndex) >= m_LayerEmitters.size()) {
        throw TextError(
            "EmitCutmarksImageDataLine: m_iCutmarksLayerIndex < 0 || m_iCutmarksLayerIndex >= "
            "m_LayerEmitters.size()");
    }
    if (!line && bytes) throw TextError("EmitCutmarksImageDataLine: !pLine && size");
    LayerEmitter& layer = m_LayerEmitters[size_t(m_iCutmarksLayerIndex)];
    LineReset reset(m_line);
    EmitPlane(layer, line, bytes, 0, m_vecLayerCodes.empty() ? -1 : 2, true);
    AppendQR(m_line, 1);
    FlushLineData(layer);
}

void MRL_QD_ImageData_Emitter::EmitPlane(LayerEmitter& layer, const uint8_t* data, size_t n, uint8_t colour,
                                         int64_t layerCode, bool cutmark) {
    bool packed = false;
    if (m_bCompression) {
        n = TrimmedPlaneLength(data, n);
        packed = n > 0 && PackBitsCompressLine(m_packing, data, n);
    }
    if (n == 0) return;
    if (!cutmark && m_lineWidth != 0) AppendQY(m_line, uint32_t(m_cBitsPerPixel) * m_lineWidth);
    const size_t dataCount = packed ? m_packing.size() : n;
    if (layerCode < 0) {
        AppendQD(m_line, colour, packed ? 1 : 0, m_cBitsPerPixel, n);
    } else {
        AppendQDWithLayer(m_line, colour, packed ? 1 : 0, m_cBitsPerPixel, n, dataCount, uint8_t(layerCode));
    }
    m_line.Append(packed ? m_packing.data() : data, dataCount);
    if (!cutmark) AppendQR(m_line, 0);
    // Codes from 3 on have no set of their own.
    const size_t set = layerCode < 0 ? 0 : size_t(layerCode);
    if (set < kLayerCodeSets) layer.colourCodes[set].set(colour);
}

void MRL_QD_ImageData_Emitter::FlushLineData(LayerEmitter& layer) {
    if (!layer.m_pSpoolFileWriter) {
        throw TextError(m_flavour == Flavour::IV
                            ? "MRL_IV_QD_ImageData_Emitter_Imp::LayerEmitter::FlushLineData: !m_pSpoolFileWriter"
                            : "MRL_V_QD_ImageData_Emitter_Imp::LayerEmitter::FlushLineData: !m_pSpoolFileWriter");
    }
    if (m_line.empty()) return;
    errno = 0;
    const uint32_t result = layer.m_pSpoolFileWriter->Write(SPLTAG_DATA, m_line.data(), m_line.size());
    const int error = errno;
    if (result == eSPOOLFILE2_IO_FAILED) throw CreateSpoolFileResultErrno(error, "Writing %s", layer.name.c_str());
    if (result != eSPOOLFILE2_OK) throw CreateSpoolFileResult(result, "Writing %s", layer.name.c_str());
    m_line.Resize(0);
}

namespace {

std::set<uint32_t> Codes(const std::bitset<256>& written) {
    std::set<uint32_t> codes;
    for (uint32_t c = 0; c < written.size(); ++c) {
        if (written[c]) codes.insert(c);
    }
    return codes;
}

}  // namespace

std::set<uint32_t> MRL_QD_ImageData_Emitter::GetPlaneMapOfLayer0(uint32_t layerCode) const {
    if (m_LayerEmitters.empty() || layerCode >= kLayerCodeSets) return {};
    return Codes(m_LayerEmitters[0].colourCodes[layerCode]);
}

std::set<uint32_t> MRL_QD_ImageData_Emitter::GetFirstPlaneMapOfLayer(int32_t layer) const {
    if (layer < 0 || size_t(layer) >= m_LayerEmitters.size()) return {};
    return Codes(m_LayerEmitters[size_t(layer)].colourCodes[0]);
}

std::unique_ptr<MRL_IV_QD_ImageData_Emitter> Create_MRL_IV_QD_ImageData_Emitter() {
    return std::unique_ptr<MRL_IV_QD_ImageData_Emitter>(
        new (std::nothrow) MRL_QD_ImageData_Emitter(MRL_QD_ImageData_Emitter::Flavour::IV));
}

std::unique_ptr<MRL_V_QD_ImageData_Emitter> Create_MRL_V_QD_ImageData_Emitter() {
    return std::unique_ptr<MRL_V_QD_ImageData_Emitter>(
        new (std::nothrow) MRL_QD_ImageData_Emitter(MRL_QD_ImageData_Emitter::Flavour::V));
}
