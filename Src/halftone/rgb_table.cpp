#include "halftone/rgb_table.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "halftone/epl_proxy.h"

namespace {

uint16_t GridValue(const EplFileData& data, size_t index) {
    uint16_t v;
    std::memcpy(&v, data.bytes + EPL_RGB_GRID_OFFSET + 2 * index, sizeof v);
    return v;
}

void PutU32(EplFileData& data, size_t offset, uint32_t value) { std::memcpy(data.bytes + offset, &value, sizeof value); }

// Node level of the neutral grid: trunc(255 / (N - 1) * i * 257).
uint16_t NeutralLevel(int nodes, int i) {
    return static_cast<uint16_t>(std::trunc(255.0 / (nodes - 1) * i * 257));
}

bool IsNeutralGrid(const std::vector<uint16_t>& nodes, int n) {
    size_t at = 0;
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
            for (int k = 0; k < n; ++k, at += 3) {
                if (nodes[at] != NeutralLevel(n, i) || nodes[at + 1] != NeutralLevel(n, j) ||
                    nodes[at + 2] != NeutralLevel(n, k)) {
                    return false;
                }
            }
        }
    }
    return true;
}

// Where one byte falls on an axis of the grid: the lower node and the
// fraction towards the next one. The top byte falls at the far end of the
// last cell (fraction 1) rather than at a cell beyond the grid.
struct AxisStep {
    size_t offset;  // stride x node index
    double fraction;
};

enum Corner { C000, C100, C010, C001, C110, C101, C011, C111 };

}  // namespace

int32_t CopyEplRgbGrid(const EplFileData& data, EplRgbGrid& grid) {
    const int n = GridValue(data, 0);
    if (n < 3 || n > 256) return -1;
    const size_t nodeValues = size_t{3} * n * n * n;
    if (EPL_RGB_GRID_HEADER_VALUES + nodeValues > EPL_RGB_GRID_CAPACITY) return -1;

    for (int axis = 0; axis < 3; ++axis) grid.stride[axis] = GridValue(data, 1 + size_t(axis));
    for (int c = 0; c < 8; ++c) grid.corner[c] = GridValue(data, 4 + size_t(c));
    // Every corner of every cell must lie inside the grid.
    const size_t lastBase = (n - 2) * (grid.stride[0] + grid.stride[1] + grid.stride[2]);
    if (lastBase + *std::max_element(grid.corner, grid.corner + 8) + 2 >= nodeValues) return -1;

    grid.nodes.resize(nodeValues);
    for (size_t i = 0; i < nodeValues; ++i) grid.nodes[i] = GridValue(data, EPL_RGB_GRID_HEADER_VALUES + i);
    grid.n = n;
    return 0;
}

int32_t BuildEplRgbTable(uint8_t* table, const EplFileData& data) {
    if (!table) return -1;
    EplRgbGrid copy;
    if (CopyEplRgbGrid(data, copy) != 0) return -1;
    const int n = copy.n;
    const std::vector<uint16_t>& nodes = copy.nodes;
    if (IsNeutralGrid(nodes, n)) return -1;
    const size_t* stride = copy.stride;
    const size_t* corner = copy.corner;

    AxisStep steps[3][256];
    for (int axis = 0; axis < 3; ++axis) {
        for (int v = 0; v < 256; ++v) {
            const double p = std::trunc(v * 257 + 0.5) * (n - 1) / 65535;
            const int i = std::min(static_cast<int>(std::trunc(p)), n - 2);
            steps[axis][v] = {stride[axis] * static_cast<size_t>(i), p - i};
        }
    }

    const uint16_t* grid = nodes.data();
    uint8_t* out = table;
    for (int r = 0; r < 256; ++r) {
        for (int g = 0; g < 256; ++g) {
            for (int b = 0; b < 256; ++b, out += 3) {
                const AxisStep& sr = steps[0][r];
                const AxisStep& sg = steps[1][g];
                const AxisStep& sb = steps[2][b];
                const uint16_t* base = grid + sr.offset + sg.offset + sb.offset;
                const double fr = sr.fraction, fg = sg.fraction, fb = sb.fraction;
                // Order the fractions fa >= fb >= fc; the path runs 000 -> a -> ab -> 111.
                double fa, fm, fc;
                Corner ca, cab;
                if (fr >= fg) {
                    if (fg >= fb) {
                        fa = fr, fm = fg, fc = fb, ca = C100, cab = C110;
                    } else if (fr >= fb) {
                        fa = fr, fm = fb, fc = fg, ca = C100, cab = C101;
                    } else {
                        fa = fb, fm = fr, fc = fg, ca = C001, cab = C101;
                    }
                } else if (fr >= fb) {
                    fa = fg, fm = fr, fc = fb, ca = C010, cab = C110;
                } else if (fg >= fb) {
                    fa = fg, fm = fb, fc = fr, ca = C010, cab = C011;
                } else {
                    fa = fb, fm = fg, fc = fr, ca = C001, cab = C011;
                }
                const uint16_t* p000 = base + corner[C000];
                const uint16_t* pa = base + corner[ca];
                const uint16_t* pab = base + corner[cab];
                const uint16_t* p111 = base + corner[C111];
                for (int ch = 0; ch < 3; ++ch) {
                    const double value = (1 - fa) * p000[ch] + (fa - fm) * pa[ch] + (fm - fc) * pab[ch] + fc * p111[ch];
                    const double byte = std::trunc(value / 257 + 0.5);
                    out[ch] = static_cast<uint8_t>(std::clamp(byte, 0.0, 255.0));
                }
            }
        }
    }
    return 0;
}

int32_t ReadEplFileData(const std::string& eplPath, const platform::LibrarySearchFolders& folders, EplFileData& data) {
    std::memset(&data, 0, sizeof(EplFileData));
    PutU32(data, EPL_FILE_DATA_TAG_OFFSET, EPL_FILE_DATA_TAG);
    PutU32(data, EPL_FILE_DATA_FILE_COUNT_OFFSET, 1);
    PutU32(data, EPL_FILE_DATA_GRID_COUNT_OFFSET, 1);

    platform::DynamicLibrary library;
    if (!library.Load(kEplModuleName, folders)) return -2;
    const auto getInterface = library.Function<GetEPLInterfaceFn>(EPL_INTERFACE_ENTRY);
    if (!getInterface) return -3;
    const EPLInterface* epl = getInterface();
    if (!epl || !epl->OpenFile || !epl->FillFileData || !epl->ReleaseFile) return -4;

    int32_t values[5] = {};
    EplFileHandle handle = nullptr;
    epl->OpenFile(eplPath.c_str(), &values[0], &values[1], &values[2], &values[3], &values[4], &handle);
    if (handle) {
        epl->FillFileData(&data, handle);
        epl->ReleaseFile(eplPath.c_str(), handle);
    }
    library.Unload();
    return 0;
}

int32_t LoadEplRgbTable(uint8_t* table, const std::string& eplPath, const platform::LibrarySearchFolders& folders) {
    if (!table) return -1;
    try {
        auto data = std::make_unique<EplFileData>();
        const int32_t read = ReadEplFileData(eplPath, folders, *data);
        if (read != 0) return read;
        return BuildEplRgbTable(table, *data);
    } catch (const std::exception&) {
        return -1;
    }
}

int32_t LoadEplRgbTable(uint8_t* table, const std::string& eplPath) {
    return LoadEplRgbTable(table, eplPath, platform::DefaultLibrarySearchFolders());
}

int32_t ApplyRgbLut(int32_t count, uint8_t* line, int32_t stride, const uint8_t* table) {
    if (!line || !table || stride < 3) return 0;
    for (int32_t i = 0; i < count; ++i, line += stride) {
        const uint8_t* entry = table + ((size_t{line[0]} << 16 | size_t{line[1]} << 8 | line[2]) * 3);
        line[0] = entry[0];
        line[1] = entry[1];
        line[2] = entry[2];
    }
    return 0;
}
