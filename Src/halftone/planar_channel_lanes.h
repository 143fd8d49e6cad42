// The three-dot-size channel halftoner's line with the three diffusions of a
// pixel side by side in 32-bit lanes (lane 0: level curve 1, lane 1: curve 0,
// lane 2: curve 2, lane 3 idle; two channels fill an AVX2 register), used
// when the processor has AVX2. Same output, error cells and random position, byte for
// byte, as the plain line of CPlanarOne_SE1.
//
// The diffusions of a pixel share the random position: a lane whose amount is
// not 0 moves it one step, and on odd pixels a lane that takes the highlight
// aid moves it one more for the lanes after it. Every lane is decided at the
// moves 0, 1 and 2 at once and the lanes then pick theirs in order, so the
// carried errors never wait for a branch on the data.
#pragma once

#include <cstddef>
#include <cstdint>

#include "halftone/error_diffusion_tables.h"

// Bytes after the random table in the lanes' copy: its first bytes again, so
// that the window read at any position runs across the wrap.
constexpr size_t kPlanarLaneRandomPad = 64;

// What the lanes need of one input value, prepared once per job.
struct alignas(16) PlanarLaneEntry {
    uint8_t pick[16];   // byte 4k: lane k's offset in the random window; the other bytes 0x80
    int16_t amount[4];  // the lane's amount (its level curve at the value)
    uint16_t aid[4];    // the highlight aid's multiply-shift factor; 0 where the amount takes no aid
    int16_t noise[4];   // weight = (random value - 4) x noise, for amounts of regular noise rows
    uint16_t irregular;  // some lane's amount is 1 to 63 (noise rows of their own)
    uint16_t advance;    // lanes with an amount: the random steps of the pixel before the aid
    uint16_t unused[2];
};

// The highlight aid's (2047 - e) / divisor of amount a as a multiply and a
// shift by 16, exact for 0 to 2047; 0 for amounts of 96 and more.
uint16_t PlanarAidFactor(int32_t amount);

// Fills the 4096 entries from the three level curves (4096 values each, 0 to 4095).
void BuildPlanarLaneTable(const uint16_t* curve0, const uint16_t* curve1, const uint16_t* curve2,
                          PlanarLaneEntry* table);

// True when this processor runs the lanes.
bool PlanarLanesSupported();

struct PlanarLaneLine {
    const uint16_t* input;  // the channel's first value in the converted line
    uint32_t channels;      // values between two pixels of the channel
    uint32_t repeat;        // output pixels per value
    uint32_t width;         // pixels
    uint8_t* output;        // the row, (width + 7) / 8 x 2 bytes, zero
    int32_t* rows;          // error rows of curves 0, 1, 2 of (width + 7) / 8 x 8 + 2 cells each
    const uint8_t* random;  // kRandomTableSize + kPlanarLaneRandomPad bytes
    const NoiseTable* noise;
    const PlanarLaneEntry* table;
};

// One line without the aspect split, in the given direction; randomIndex is
// the channel's random position, moved on.
void RunPlanarLaneLine(bool rightToLeft, const PlanarLaneLine& line, uint16_t& randomIndex);
// The lines of two channels of the same geometry at once, in the two halves
// of AVX2 registers: the same as one after the other.
void RunPlanarLanePair(bool rightToLeft, const PlanarLaneLine (&lines)[2], uint16_t& firstIndex,
                       uint16_t& secondIndex);
