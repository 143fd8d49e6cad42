// Channel halftoners of the planar halftoner: each error-diffuses one colour
// channel of a raster line, reading its 12-bit values out of the
// pixel-interleaved converted line and writing its row of packed dot codes.
//
// All kinds run the same serpentine diffusion (lines alternate direction,
// every page starts left to right; a pixel passes half its error on along
// the line and the rest to the next line, with a perturbation from the
// random table and a highlight aid for light tints):
//   NDS   one bit per pixel, one dot size;
//   VDS1  two bits per pixel, one dot size written as dot code 0;
//   VDS2  two dot sizes from level curves 0 and 1 (codes 0 and 1); a pixel
//         whose large dot fired takes no small dot;
//   VDS3  three dot sizes from level curves 0, 1, 2 with the codes 1, 2, 3.
// A channel halftoner is run by one task at a time and needs no lock.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "base/byte_buffer.h"
#include "halftone/error_diffusion_tables.h"
#include "halftone/planar_channel_lanes.h"
#include "halftone/variable_dot.h"

class CPlanarHalf;

// One channel's share of a line: where its values are, where its row goes.
class CPlanarLineRequest {
public:
    virtual ~CPlanarLineRequest() = default;
    // Called by the channel halftoner when it has finished the line.
    virtual void Done(bool ok) { status = ok ? 1 : 0; }

    const uint16_t* input = nullptr;  // the channel's first value in the converted line
    uint8_t* output = nullptr;        // the channel's row of the output line
    uint64_t outputSize = 0;          // bytes
    uint8_t status = 0;               // 1 finished well, 0 not finished or failed
};

class CPlanarOneChannel {
public:
    explicit CPlanarOneChannel(CPlanarHalf* owner) : m_pOwner(owner) {}
    virtual ~CPlanarOneChannel() = default;
    CPlanarOneChannel(const CPlanarOneChannel&) = delete;
    CPlanarOneChannel& operator=(const CPlanarOneChannel&) = delete;

    // channels: values between two pixels of this channel; repeat: output
    // pixels per value; aspect: x resolution above y; channelNumber: start
    // of the channel's position in its random table.
    virtual int InitJob(uint32_t channels, uint32_t width, uint32_t repeat, bool aspect,
                        const uint16_t* channelNumber) = 0;
    virtual int ExitJob() { return 0; }
    virtual int InitPage() = 0;
    virtual int ExitPage() { return 0; }
    // Halftones one line and reports through request.Done before returning;
    // the output size on success, 0 on failure.
    virtual uint64_t ProcessLine(CPlanarLineRequest& request) = 0;

protected:
    CPlanarHalf* m_pOwner;
};

// The serpentine diffusion shared by the four kinds.
class CPlanarOne_SE1 : public CPlanarOneChannel {
public:
    enum Kind { kNDS, kVDS1, kVDS2, kVDS3 };

    int InitJob(uint32_t channels, uint32_t width, uint32_t repeat, bool aspect,
                const uint16_t* channelNumber) override;
    int InitPage() override;
    uint64_t ProcessLine(CPlanarLineRequest& request) override;

    // The channel's random table (65536 entries, 0 to 8) and its position.
    uint8_t* RandomTable() { return m_pRandomTable.get(); }
    uint16_t RandomIndex() const { return m_randomIndex; }
    // Error row r (width rounded up to 8, plus a margin cell at each end).
    const int32_t* ErrorRow(int r) const;
    // VDS3 lines run in SIMD lanes where the processor has them (same
    // bytes); off runs the plain line.
    void UseLanes(bool on);
    // Halftones the lines of two VDS3 channels of the same geometry and
    // direction together (the same as one after the other, faster on one
    // thread) and reports both through their requests; false, with nothing
    // done, when the two cannot run together.
    static bool ProcessLinePair(CPlanarOneChannel& first, CPlanarLineRequest& firstRequest, CPlanarOneChannel& second,
                                CPlanarLineRequest& secondRequest);

protected:
    CPlanarOne_SE1(CPlanarHalf* owner, Kind kind, const PlanarChannelParameters* parameters, const char* name);

private:
    bool RunsLanes() const { return m_kind == kVDS3 && m_useLanes && !m_aspect; }
    // The lanes' view of a line, the random table's copied start renewed.
    PlanarLaneLine LaneLine(const CPlanarLineRequest& request);
    template <Kind kKind, int kDir, bool kAspect>
    void Line(const uint16_t* input, uint8_t* output);

    Kind m_kind;
    int m_rows;  // error rows in use: one per dot size (VDS1 sizes two and uses one)
    std::array<std::array<uint8_t, 4>, 3> m_masks{};  // per dot size the code at each pixel of a byte
    std::vector<uint16_t> m_curves;                // VDS2, VDS3: level curves 0..rows-1, 4096 each
    std::unique_ptr<NoiseTable> m_pWeights;
    std::unique_ptr<uint8_t[]> m_pRandomTable;  // followed by kPlanarLaneRandomPad bytes for the lanes
    std::unique_ptr<PlanarLaneEntry[]> m_pLaneTable;  // VDS3: the lanes' entry of each value
    bool m_useLanes = false;
    uint32_t m_channels = 1;
    uint32_t m_width = 0;
    uint32_t m_repeat = 1;
    bool m_aspect = false;
    uint16_t m_channelNumber = 0;
    uint16_t m_randomIndex = 0;
    bool m_reverse = false;
    ByteBuffer m_errorRows;
};

class CPlanarOne_SE1_NDS : public CPlanarOne_SE1 {
public:
    explicit CPlanarOne_SE1_NDS(CPlanarHalf* owner) : CPlanarOne_SE1(owner, kNDS, nullptr, "CPlanarOne_SE1_NDS") {}
};

class CPlanarOne_SE1_VDS1 : public CPlanarOne_SE1 {
public:
    CPlanarOne_SE1_VDS1(CPlanarHalf* owner, const PlanarChannelParameters* parameters)
        : CPlanarOne_SE1(owner, kVDS1, parameters, "CPlanarOne_SE1_VDS1") {}
};

class CPlanarOne_SE1_VDS2 : public CPlanarOne_SE1 {
public:
    CPlanarOne_SE1_VDS2(CPlanarHalf* owner, const PlanarChannelParameters* parameters)
        : CPlanarOne_SE1(owner, kVDS2, parameters, "CPlanarOne_SE1_VDS2") {}
};

class CPlanarOne_SE1_VDS3 : public CPlanarOne_SE1 {
public:
    CPlanarOne_SE1_VDS3(CPlanarHalf* owner, const PlanarChannelParameters* parameters)
        : CPlanarOne_SE1(owner, kVDS3, parameters, "CPlanarOne_SE1_VDS3") {}
};

// Makes the channel halftoner of one channel. The variable-dot kinds throw
// TextError ("CPlanarOne_SE1_VDS1: missing pParameters" ...) without a
// PlanarChannel_VDS_Parameters.
using PlanarChannelFactory = std::unique_ptr<CPlanarOneChannel> (*)(CPlanarHalf* owner,
                                                                   const PlanarChannelParameters* parameters);
std::unique_ptr<CPlanarOneChannel> CreatePlanarOne_SE1_NDS(CPlanarHalf* owner, const PlanarChannelParameters*);
std::unique_ptr<CPlanarOneChannel> CreatePlanarOne_SE1_VDS1(CPlanarHalf* owner, const PlanarChannelParameters*);
std::unique_ptr<CPlanarOneChannel> CreatePlanarOne_SE1_VDS2(CPlanarHalf* owner, const PlanarChannelParameters*);
std::unique_ptr<CPlanarOneChannel> CreatePlanarOne_SE1_VDS3(CPlanarHalf* owner, const PlanarChannelParameters*);
