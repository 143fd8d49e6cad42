// The stand-in linearisation library: GetEPLInterface and the entries the
// plug-in calls, over the text format of lin_file.h. Nothing thrown leaves an
// entry; every failure is a negative code, and GetEPLErrorText() tells
// why the last call of this thread failed.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "halftone/epl_interface.h"
#include "lin_file.h"

#ifdef _WIN32
#define EPL_EXPORT extern "C" __declspec(dllexport)
#else
#define EPL_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace epl_standin {
namespace {

// A plain buffer, so that the library holds no per-thread object with a
// destructor and can be unloaded again.
thread_local char t_lastError[512];

int32_t Failure(int32_t code, const std::string& message) {
    const size_t n = std::min(message.size(), sizeof t_lastError - 1);
    std::memcpy(t_lastError, message.data(), n);
    t_lastError[n] = '\0';
    return code;
}

// Parses the file or records why not.
bool Load(const char* path, LinFile& out, int32_t& code) {
    ParseResult parsed = ParseLinFile(path);
    if (!parsed.file) {
        code = Failure(parsed.error, parsed.message);
        return false;
    }
    out = std::move(*parsed.file);
    return true;
}

void PutU16(EplFileData* data, size_t valueIndex, uint16_t value) {
    std::memcpy(data->bytes + EPL_RGB_GRID_OFFSET + 2 * valueIndex, &value, sizeof value);
}

// The neutral grid written when the file has none: node i carries
// trunc(255 / (N - 1) * i * 257) on each axis.
constexpr int kNeutralGridNodes = 5;

void WriteGrid(EplFileData* data, const LinFile& file) {
    const int n = file.gridNodes != 0 ? file.gridNodes : kNeutralGridNodes;
    const uint16_t blue = 3;
    const uint16_t green = static_cast<uint16_t>(3 * n);
    const uint16_t red = static_cast<uint16_t>(3 * n * n);
    const uint16_t header[EPL_RGB_GRID_HEADER_VALUES] = {
        static_cast<uint16_t>(n), red, green, blue,
        0, red, green, blue,
        static_cast<uint16_t>(red + green), static_cast<uint16_t>(red + blue),
        static_cast<uint16_t>(green + blue), static_cast<uint16_t>(red + green + blue)};
    for (size_t i = 0; i < EPL_RGB_GRID_HEADER_VALUES; ++i) PutU16(data, i, header[i]);
    size_t at = EPL_RGB_GRID_HEADER_VALUES;
    if (file.gridNodes != 0) {
        for (uint16_t v : file.grid) PutU16(data, at++, v);
        return;
    }
    const auto level = [n](int i) { return static_cast<uint16_t>(std::trunc(255.0 / (n - 1) * i * 257)); };
    for (int r = 0; r < n; ++r) {
        for (int g = 0; g < n; ++g) {
            for (int b = 0; b < n; ++b) {
                PutU16(data, at++, level(r));
                PutU16(data, at++, level(g));
                PutU16(data, at++, level(b));
            }
        }
    }
}

int32_t BuildLut(const char* path, EplBuildRecord* record) {
    try {
        if (!record) return Failure(kErrArgument, "BuildLut: no build record");
        const EplCurveList& list = record->curves;
        if (!list.first || list.last - list.first != EPL_CURVE_COUNT) {
            return Failure(kErrArgument, "BuildLut: the build record does not hold 16 curves");
        }
        for (int s = 0; s < EPL_CURVE_COUNT; ++s) {
            if (!list.first[s]) return Failure(kErrArgument, "BuildLut: curve " + std::to_string(s) + " is null");
        }
        auto file = std::make_unique<LinFile>();
        int32_t code = 0;
        if (!Load(path, *file, code)) return code;
        for (int s = 0; s < EPL_CURVE_COUNT; ++s) {
            std::memcpy(list.first[s], file->curves[s].data(), sizeof(uint16_t) * EPL_CURVE_SIZE);
        }
        return file->kind;
    } catch (const std::bad_alloc&) {
        return Failure(kErrArgument, "BuildLut: out of memory");
    } catch (...) {
        return Failure(kErrArgument, "BuildLut: unexpected failure");
    }
}

int32_t OpenFile(const char* path, int32_t* value1, int32_t* value2, int32_t* value3, int32_t* value4,
                 int32_t* value5, EplFileHandle* handle) {
    for (int32_t* value : {value1, value2, value3, value4, value5}) {
        if (value) *value = 0;
    }
    if (!handle) return Failure(kErrArgument, "OpenFile: no handle to fill");
    *handle = nullptr;
    try {
        auto file = std::make_unique<LinFile>();
        int32_t code = 0;
        if (!Load(path, *file, code)) return code;
        *handle = file.release();
        return 0;
    } catch (...) {
        return Failure(kErrArgument, "OpenFile: out of memory");
    }
}

int32_t FillFileData(EplFileData* data, EplFileHandle handle) {
    if (!data || !handle) return Failure(kErrArgument, "FillFileData: no record or no open file");
    uint32_t tag = 0;
    std::memcpy(&tag, data->bytes + EPL_FILE_DATA_TAG_OFFSET, sizeof tag);
    if (tag != EPL_FILE_DATA_TAG) return Failure(kErrArgument, "FillFileData: the record is not prepared");
    WriteGrid(data, *static_cast<const LinFile*>(handle));
    return 0;
}

void ReleaseFile(const char*, EplFileHandle handle) { delete static_cast<LinFile*>(handle); }

int32_t GetScreeningData(const char* path, EplScreeningData* data) {
    try {
        if (!data) return Failure(kErrArgument, "GetScreeningData: no record");
        // A file without screening data, or one that is not a linearisation
        // file at all (a spot file), has no channels: the plug-in then reads
        // its spot files.
        data->channelCount = 0;
        LinFile file;
        int32_t code = 0;
        if (!Load(path, file, code)) return code == kErrMalformed ? 0 : code;
        if (file.screens.empty()) return 0;
        const int count = static_cast<int>(file.screens.size());
        bool anyMatrix = false;
        for (const EplScreenChannel& c : data->channel) anyMatrix = anyMatrix || c.matrixA || c.matrixB;
        if (!anyMatrix) {
            data->channelCount = count;
            for (int c = 0; c < count; ++c) {
                const ScreenChannel& s = file.screens[static_cast<size_t>(c)];
                EplScreenChannel& out = data->channel[c];
                out.size1 = s.size1;
                out.size2 = s.size2;
                out.kind = s.tiled ? EPL_SCREEN_KIND_TILED : 0;
                out.tileSize1 = s.tiled ? s.tile1 : 0;
                out.tileSize2 = s.tiled ? s.tile2 : 0;
            }
            return 0;
        }
        for (int c = 0; c < count; ++c) {
            EplScreenChannel& out = data->channel[c];
            const ScreenChannel& s = file.screens[static_cast<size_t>(c)];
            if (!out.matrixA || !out.matrixB || std::abs(out.size1) != s.size1 || std::abs(out.size2) != s.size2) {
                return Failure(kErrArgument,
                               "GetScreeningData: channel " + std::to_string(c) + " has no room for its matrices");
            }
            std::memcpy(out.matrixA, s.matrixA.data(), s.matrixA.size());
            std::memcpy(out.matrixB, s.matrixB.data(), s.matrixB.size());
        }
        return 0;
    } catch (...) {
        return Failure(kErrArgument, "GetScreeningData: out of memory");
    }
}

EPLInterface MakeInterface() {
    EPLInterface table{};
    table.BuildLut = BuildLut;
    table.OpenFile = OpenFile;
    table.ReleaseFile = ReleaseFile;
    table.GetScreeningData = GetScreeningData;
    table.FillFileData = FillFileData;
    return table;
}

EPLInterface g_interface = MakeInterface();

}  // namespace
}  // namespace epl_standin

EPL_EXPORT EPLInterface* GetEPLInterface(void) { return &epl_standin::g_interface; }

// Why the last failing call of the calling thread failed (empty when none
// has); the plug-in puts it in its message.
EPL_EXPORT const char* GetEPLErrorText(void) { return epl_standin::t_lastError; }
