// Spot files for tests and examples: the layout the plug-in reads
// (Src/halftone/spot_file.h), written from matrices given or generated.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace spotgen {

struct Channel {
    uint32_t size1 = 0;
    uint32_t size2 = 0;
    std::vector<uint8_t> a;  // type 10: matrix A (size1 x size1); type 2: the matrix (size2 rows of size1)
    std::vector<uint8_t> b;  // type 10: matrix B (size2 x size2)
};

struct SpotFile {
    bool pythagorean = true;  // type 10 ("SPT2"), else type 2
    bool block = false;       // the 1024-byte block after the header
    std::array<Channel, 5> channel;  // cyan, magenta, yellow, black, and a fifth that the plug-in skips
};

// The file's bytes: header, optional block, then the channels' matrices one
// after the other (entry 4 repeats entry 3's offset and sizes).
std::vector<uint8_t> Encode(const SpotFile& file);

// Matrices from the threshold rule of the built-in matrices
// (RecurrenceThresholds, threshold_matrix.h) as bytes (value / 16); channel
// c takes seed `seed + c`, so the four channels differ.
SpotFile Generate(bool pythagorean, bool block, uint32_t size1, uint32_t size2, uint64_t seed = 1);

// Writes the file whole (see toolfile::OutputFile); false with a message
// naming the system's reason when it cannot be written.
bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error);
bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace spotgen
