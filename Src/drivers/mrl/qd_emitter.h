// The raster-data emitter of the newer "Q" lines: turns one halftoned line,
// its planes one after the other, into "QY", "QD" (with or without a layer
// code) and "QR" records and writes them layer by layer, one data record per
// layer, to each layer's record sink (the host writer or a layer spool file).
//
// Set the colour codes, bits per pixel, compression, line width and the
// optional layer codes; add the layers and give them their planes; reserve the
// line buffer; then emit line by line. Broken contracts throw TextError and
// change nothing; a failed write throws clSpoolFileResult "Writing <layer>".
// Either way the line buffer is left empty, so the next line starts clean.
#pragma once

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "base/byte_buffer.h"

class ISPOOL_FILE_WRITER;

class MRL_QD_ImageData_Emitter {
public:
    // The two printer generations' emitters behave alike; their names appear
    // in the texts they throw.
    enum class Flavour { IV, V };

    explicit MRL_QD_ImageData_Emitter(Flavour flavour) : m_flavour(flavour) {}

    // Grows the line buffer to at least bytes (contents kept).
    void ReserveLineBuffer(size_t bytes) { m_line.Reserve(bytes); }
    // Pixels per line for "QY"; 0 sends no "QY".
    void SetLineWidth(uint32_t width) { m_lineWidth = width; }
    // Entry p: the printer colour code of plane p.
    void SetColorCodes(const std::vector<uint32_t>& codes) { m_vecColorCodes = codes; }
    void SetColorCodes(const uint32_t* codes, size_t count);
    // Entry i: the layer code of position i of a layer's plane list. When the
    // list is not empty, every "QD" carries a layer code.
    void SetLayerCodes(const std::vector<uint32_t>& codes) { m_vecLayerCodes = codes; }
    void SetLayerCodes(const uint32_t* codes, size_t count);
    // Layer 0 (when there is one) gets every plane, in order.
    void AssignAllPlanesToLayer0();
    // A layer's planes in emitting order (negative entries are skipped); an
    // index outside the layers changes nothing.
    void SetLayerPlanes(int32_t layer, const std::vector<int32_t>& planes);
    void SetLayerPlanes(int32_t layer, const int32_t* planes, size_t count);
    void SetTwoBitsPerPixel(bool two) { m_cBitsPerPixel = two ? 2 : 1; }
    // PackBits packing and trimming of trailing blank bytes.
    void SetCompression(bool on) { m_bCompression = on; }
    // A layer writing to writer (not owned); name appears in write errors.
    void AddLayer(ISPOOL_FILE_WRITER* writer, const char* name);
    void ClearLayers() { m_LayerEmitters.clear(); }

    // One line of planes, bytesPerPlane each, to every layer.
    void EmitImageDataLine(const uint8_t* line, size_t bytesPerPlane);
    // One cut-mark row to the cut-mark layer: colour 0, layer code 2 when
    // layer codes are in use, no "QY" and no end of plane.
    void EmitCutmarksImageDataLine(const uint8_t* line, size_t bytes);

    uint8_t GetBitsPerPixel() const { return m_cBitsPerPixel; }
    // The colour codes layer 0 has written with layer code i (empty for a
    // code above 2 or without layers).
    std::set<uint32_t> GetPlaneMapOfLayer0(uint32_t layerCode) const;
    // The colour codes a layer has written with layer code 0 (empty for an
    // index outside the layers).
    std::set<uint32_t> GetFirstPlaneMapOfLayer(int32_t layer) const;
    bool HasLayerCodes() const { return !m_vecLayerCodes.empty(); }

private:
    static constexpr size_t kLayerCodeSets = 3;

    struct LayerEmitter {
        ISPOOL_FILE_WRITER* m_pSpoolFileWriter = nullptr;
        std::string name;
        std::vector<int32_t> planes;
        std::bitset<256> colourCodes[kLayerCodeSets];  // by layer code: the colour codes written
    };

    void CheckLine(const uint8_t* line, size_t bytesPerPlane) const;
    // layerCode < 0: a "QD" without layer code.
    void EmitPlane(LayerEmitter& layer, const uint8_t* data, size_t n, uint8_t colour, int64_t layerCode,
                   bool cutmark);
    void FlushLineData(LayerEmitter& layer);

    Flavour m_flavour;
    ByteBuffer m_line;
    ByteBuffer m_packing;
    std::vector<uint32_t> m_vecColorCodes;
    std::vector<uint32_t> m_vecLayerCodes;
    uint32_t m_lineWidth = 0;
    int32_t m_iCutmarksLayerIndex = 0;
    uint8_t m_cBitsPerPixel = 0;
    bool m_bCompression = true;
    std::vector<LayerEmitter> m_LayerEmitters;
};

using MRL_IV_QD_ImageData_Emitter = MRL_QD_ImageData_Emitter;
using MRL_V_QD_ImageData_Emitter = MRL_QD_ImageData_Emitter;

std::unique_ptr<MRL_IV_QD_ImageData_Emitter> Create_MRL_IV_QD_ImageData_Emitter();
std::unique_ptr<MRL_V_QD_ImageData_Emitter> Create_MRL_V_QD_ImageData_Emitter();
