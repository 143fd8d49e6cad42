// The job's RGB correction: the linearisation library's RGB grid turned into
// a full table of 2^24 colours, applied to each input line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "halftone/epl_interface.h"
#include "platform/dynamic_library.h"

// Three bytes for each of 256 x 256 x 256 colours, indexed by
// (r * 65536 + g * 256 + b) * 3.
constexpr size_t kEplRgbTableSize = size_t{3} << 24;

// Fills table (kEplRgbTableSize bytes, owned by the caller) from the RGB grid
// of the linearisation file. 0: the table was built; negative: the job runs
// without RGB correction: -1 no table, no usable grid (fewer than 3 or more
// than 256 nodes, a grid that does not fit the library's record, corners
// outside the grid) or a neutral grid; -2 library not found; -3 library
// without its entry; -4 interface or one of its file entries missing.
// The library is searched for by module name (already loaded, then the given
// folders) and unloaded again before returning.
int32_t LoadEplRgbTable(uint8_t* table, const std::string& eplPath, const platform::LibrarySearchFolders& folders);
int32_t LoadEplRgbTable(uint8_t* table, const std::string& eplPath);

// The library's steps: the file's record as the library fills it (left as
// prepared when the file cannot be opened). 0, or -2, -3, -4 as above.
int32_t ReadEplFileData(const std::string& eplPath, const platform::LibrarySearchFolders& folders, EplFileData& data);

// The grid of the record, checked and copied: N nodes a side, the strides of
// the three axes and the offsets of a cell's eight corners (all in values),
// and the N^3 x 3 node values.
struct EplRgbGrid {
    int n = 0;
    size_t stride[3] = {};
    size_t corner[8] = {};
    std::vector<uint16_t> nodes;
};
// 0 with the grid copied; -1 for no usable grid (fewer than 3 or more than
// 256 nodes, a grid that does not fit the record, corners outside the grid).
int32_t CopyEplRgbGrid(const EplFileData& data, EplRgbGrid& grid);

// Steps after the library has filled its record: checks the grid, copies it,
// and builds the table by tetrahedral interpolation. Same results as above.
int32_t BuildEplRgbTable(uint8_t* table, const EplFileData& data);

// Replaces the first three bytes of each of count pixels (stride bytes apart,
// at least 3) through the table. Nothing happens without a line or a table.
int32_t ApplyRgbLut(int32_t count, uint8_t* line, int32_t stride, const uint8_t* table);
