// Spot files: the threshold matrices of matrix screening, read from a file
// (or, when the linearisation library has them, from that library).
//
// File layout (unsigned 32-bit integers, least significant byte first):
//   0        magic: "SPT2" makes a type-10 file, anything else a type-2 file
//   4, 8     two header values (read, not used)
//   12 + 16i channel entry i (i = 0..4): data offset, size 1, size 2, a fourth
//            value (read, not used); entries 0-3 are cyan, magenta, yellow, black
//   92       a 1024-byte block, present when entry 0's data offset exceeds 92
// At a channel's data offset a type-10 file holds size1 x size1 bytes (matrix
// A) followed by size2 x size2 bytes (matrix B); a type-2 file one matrix of
// size2 rows of size1 bytes. Every byte is a threshold 0 to 255.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

class CHalftone;
class CVarnPrn;

// Spot types.
enum : int32_t {
    SPOT_TYPE_NONE = -1,
    SPOT_TYPE_RECTANGULAR = 2,  // one matrix per channel on a square grid
    SPOT_TYPE_PYTHAGOREAN = 10, // two square matrices per channel, a rotated screen
};

// Results of the readers besides the spot types.
enum : int32_t {
    SPOT_ERR_NO_PATH = -1,   // ReadSpotFile: no path; ReadEplScreening: -1 and below are the library's
    SPOT_ERR_OPEN = -2,      // cannot open (ReadEplScreening: no library)
    SPOT_ERR_HEADER = -3,    // bad header (ReadEplScreening: no entry)
    SPOT_ERR_MEMORY = -4,    // out of memory (ReadEplScreening: the filling call failed)
    SPOT_ERR_SHORT = -5,     // short read, or matrices past the end of the file
    SPOT_ERR_UNUSABLE = -6,  // ReadEplScreening: screening data that cannot screen
};

inline constexpr char kSpotMagic[4] = {'S', 'P', 'T', '2'};
inline constexpr const char* kDefaultSpotFile = "InkJet.spt";
inline constexpr int kSpotFileChannels = 5;  // entries in the header
inline constexpr int kSpotChannels = 4;      // entries read: cyan, magenta, yellow, black
inline constexpr uint32_t kSpotHeaderBytes = 92;
inline constexpr size_t kSpotBlockBytes = 1024;

struct SpotFileHeader {
    uint8_t magic[4] = {};
    uint32_t value1 = 0;
    uint32_t value2 = 0;
    struct Entry {
        uint32_t offset = 0;
        uint32_t size1 = 0;
        uint32_t size2 = 0;
        uint32_t value4 = 0;
    } entry[kSpotFileChannels];
};

// Tile kinds of the type-10 tiling.
enum : uint8_t { SPOT_TILE_B = 0, SPOT_TILE_A = 1, SPOT_TILE_TYPE2 = 255 };

// One channel of the spot record.
struct SpotChannel {
    int32_t size1 = 0;  // type 10: side of matrix A; type 2: width
    int32_t size2 = 0;  // type 10: side of matrix B; type 2: height
    int32_t t1 = 0;     // type 10: tile sides (the sizes, or the library's tile sizes)
    int32_t t2 = 0;
    std::vector<uint8_t> matrix;   // type 2: size2 rows of size1 thresholds
    std::vector<uint8_t> matrixA;  // type 10: size1 x size1
    std::vector<uint8_t> matrixB;  // type 10: size2 x size2
    // Type-10 tiling state: rows done in the current tile, the tile's x and y
    // origin, the x phase at the line start and the tile kind.
    int32_t rows = 0;
    int32_t originX = 0;
    int32_t originY = 0;
    int32_t phase = 0;
    uint8_t kind = SPOT_TILE_A;

    void RestartTiling() {
        rows = originX = originY = phase = 0;
        kind = SPOT_TILE_A;
    }
};

// The spot record: four channels (five in the copy for five-channel screening).
struct SpotData {
    int32_t type = SPOT_TYPE_NONE;
    SpotChannel channel[kSpotFileChannels];
    bool hasBlock = false;
    std::array<uint8_t, kSpotBlockBytes> block{};
    int32_t lineCounter = 0;  // the type-10 screening line counter
};

// Reads the 92-byte header: 0, or -1 on a short read.
int32_t ReadSpotHeader(SpotFileHeader& header, std::FILE* file);

// Reads a spot file into the record: 10 or 2, or SPOT_ERR_*. Each failure is
// logged through the job (which may be null) and, when fault is given, told
// there for the user, naming the file ("\"name\" is not a regular file").
// Channel sizes of 0 are refused as a bad header, and matrices that reach
// past the end of the file as a short read, before anything is allocated.
int32_t ReadSpotFile(CHalftone* halftone, CVarnPrn* job, const char* path, SpotData& record,
                     std::string* fault = nullptr);

// The linearisation library's screening data for the job's screening file:
// 10, -2 when there is no library (also when its table has no screening
// function, or it reports no channels), -3 without its entry, -4 when the
// filling call fails, -6 (with the job's error message naming the fault) for
// data that cannot screen (fewer than four channels, a size of 0, tiles
// larger than their matrices), or the library's own negative result.
int32_t ReadEplScreening(CHalftone* halftone, CVarnPrn* job, SpotData& record);

// Loads the screening matrices for the job: the library's, else the job's
// screening file, else "InkJet.spt" in the current folder. The spot type (10
// or 2) with the record filled, or a negative error; fault, when given, then
// tells what is wrong with the job's screening file (empty when the library
// failed).
int32_t ReadSpots(CHalftone* halftone, CVarnPrn* job, std::unique_ptr<SpotData>& record,
                  std::string* fault = nullptr);

// The five-channel copy: channels 0-3 as they are, channel 4 (white) a copy of
// channel 3 (sizes, matrices and tiling state).
std::unique_ptr<SpotData> CopySpotDataEx(const SpotData& record);
