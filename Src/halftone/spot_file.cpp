#include "halftone/spot_file.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "base/format.h"
#include "base/input_file.h"
#include "halftone/epl_interface.h"
#include "halftone/epl_proxy.h"
#include "job/varn_prn.h"
#include "platform/dynamic_library.h"

namespace {

bool ReadU32(std::FILE* file, uint32_t& out) {
    uint8_t b[4];
    if (std::fread(b, 1, 4, file) != 4) return false;
    out = uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
    return true;
}

// Bytes from the start of the file to its end, or -1 when unknown.
int64_t FileLength(std::FILE* file) {
    if (std::fseek(file, 0, SEEK_END) != 0) return -1;
    const long length = std::ftell(file);
    return length < 0 ? -1 : int64_t(length);
}

// Bytes of one channel's matrices in a file of the type.
uint64_t MatrixBytes(bool pythagorean, uint32_t size1, uint32_t size2) {
    return pythagorean ? uint64_t(size1) * size1 + uint64_t(size2) * size2 : uint64_t(size1) * size2;
}

// The library's signed sizes as magnitudes (the most negative value, which
// has none, as the largest).
int32_t Magnitude(int32_t v) { return v >= 0 ? v : v == INT32_MIN ? INT32_MAX : -v; }

bool ReadBytes(std::FILE* file, std::vector<uint8_t>& out, size_t n) {
    out.assign(n, 0);
    return n == 0 || std::fread(out.data(), 1, n, file) == n;
}

}  // namespace

int32_t ReadSpotHeader(SpotFileHeader& header, std::FILE* file) {
    if (!file || std::fread(header.magic, 1, sizeof header.magic, file) != sizeof header.magic) return -1;
    if (!ReadU32(file, header.value1) || !ReadU32(file, header.value2)) return -1;
    for (SpotFileHeader::Entry& e : header.entry) {
        if (!ReadU32(file, e.offset) || !ReadU32(file, e.size1) || !ReadU32(file, e.size2) || !ReadU32(file, e.value4))
            return -1;
    }
    return 0;
}

int32_t ReadSpotFile(CHalftone*, CVarnPrn* job, const char* path, SpotData& record, std::string* fault) {
    // The path may come from the ticket: its control bytes are escaped.
    const auto log = [job](const char* format, const char* arg) {
        if (job) job->Log(LOG_ERROR, format, EscapeControlBytes(arg).c_str());
    };
    // What is wrong with the file, for the user; the same for every short read.
    const auto failed = [fault](int32_t result, const std::string& why) {
        if (fault) *fault = why;
        return result;
    };
    if (!path) {
        log("%s", "Invalid pointer to spot file path");
        return failed(SPOT_ERR_NO_PATH, "no spot file named");
    }
    const std::string named = "\"" + EscapeControlBytes(path) + "\"";
    // A folder or a pipe under the name is no spot file (a pipe would block the job).
    const OpenedFile opened = OpenFileToRead(path);
    const FilePtr& file = opened.file;
    if (!file) {
        log("Can't open spot file (%s)", path);
        return failed(SPOT_ERR_OPEN, named + " " + opened.Reason());
    }
    SpotFileHeader header;
    if (ReadSpotHeader(header, file.get()) != 0) {
        log("%s", "Invalid spot file header");
        return failed(SPOT_ERR_HEADER, named + " is shorter than a spot file's header");
    }
    const bool pythagorean = std::memcmp(header.magic, kSpotMagic, sizeof kSpotMagic) == 0;
    const int32_t type = pythagorean ? SPOT_TYPE_PYTHAGOREAN : SPOT_TYPE_RECTANGULAR;

    // Every size and every matrix is checked against the file before
    // anything is allocated: a damaged header cannot ask for gigabytes.
    const int64_t length = FileLength(file.get());
    for (int c = 0; c < kSpotChannels; ++c) {
        const SpotFileHeader::Entry& e = header.entry[c];
        if (e.size1 == 0 || e.size2 == 0) {
            log("%s", "Invalid spot file header");
            return failed(SPOT_ERR_HEADER, named + " has a matrix size of 0 in channel " + std::to_string(c));
        }
        if (length < 0 || uint64_t(e.offset) + MatrixBytes(pythagorean, e.size1, e.size2) > uint64_t(length)) {
            log("Spot file (%s) is shorter than its matrices", path);
            return failed(SPOT_ERR_SHORT, named + " is shorter than its matrices");
        }
    }
    try {
        record.hasBlock = header.entry[0].offset > kSpotHeaderBytes;
        if (record.hasBlock) {
            if (std::fseek(file.get(), long(kSpotHeaderBytes), SEEK_SET) != 0 ||
                std::fread(record.block.data(), 1, record.block.size(), file.get()) != record.block.size()) {
                log("Spot file (%s) is shorter than its header block", path);
                return failed(SPOT_ERR_SHORT, named + " is shorter than its header block");
            }
        }
        for (int c = 0; c < kSpotChannels; ++c) {
            const SpotFileHeader::Entry& e = header.entry[c];
            SpotChannel& ch = record.channel[c];
            bool read = std::fseek(file.get(), long(e.offset), SEEK_SET) == 0;
            if (pythagorean) {
                read = read && ReadBytes(file.get(), ch.matrixA, size_t(e.size1) * e.size1) &&
                       ReadBytes(file.get(), ch.matrixB, size_t(e.size2) * e.size2);
            } else {
                read = read && ReadBytes(file.get(), ch.matrix, size_t(e.size1) * e.size2);
            }
            if (!read) {
                log("Spot file (%s) is shorter than its matrices", path);
                return failed(SPOT_ERR_SHORT, named + " is shorter than its matrices");
            }
            ch.size1 = int32_t(e.size1);
            ch.size2 = int32_t(e.size2);
            ch.RestartTiling();
            if (!pythagorean) ch.kind = SPOT_TILE_TYPE2;
        }
    } catch (const std::bad_alloc&) {
        log("Spot file (%s): out of memory", path);
        return failed(SPOT_ERR_MEMORY, named + ": out of memory");
    }
    if (pythagorean) record.lineCounter = 0;
    return type;
}

int32_t ReadEplScreening(CHalftone*, CVarnPrn* job, SpotData& record) {
    platform::DynamicLibrary library;
    if (!library.Load(kEplModuleName)) return SPOT_ERR_OPEN;
    const auto getInterface = library.Function<GetEPLInterfaceFn>(EPL_INTERFACE_ENTRY);
    if (!getInterface) return SPOT_ERR_HEADER;
    const EPLInterface* epl = getInterface();
    // A library without screening data is no screening library.
    if (!epl || !epl->GetScreeningData) return SPOT_ERR_OPEN;

    const std::string path = job ? job->m_strScreeningFile : std::string();
    EplScreeningData data;
    std::memset(&data, 0, sizeof data);
    const int32_t first = epl->GetScreeningData(path.c_str(), &data);
    if (first < 0) {
        if (job) job->Log(LOG_ERROR, "ReadEplScreening: the library's screening data failed with %d", first);
        return first;
    }
    // No channels: the library has no screening, and the spot files serve.
    if (data.channelCount == 0) return SPOT_ERR_OPEN;
    // Data that cannot screen fails the job, naming what is wrong with it.
    const auto unusable = [job](const std::string& what) {
        if (job) {
            const std::string text = "ReadEplScreening: the library's screening data " + what;
            job->SetErrorMessage(text);
            job->Log(LOG_ERROR, "%s", text.c_str());
        }
        return SPOT_ERR_UNUSABLE;
    };
    if (data.channelCount < kSpotChannels) {
        return unusable("has " + std::to_string(data.channelCount) + " channels, " + std::to_string(kSpotChannels) +
                        " are needed");
    }
    const int channels = data.channelCount > EPL_SCREEN_MAX_CHANNELS ? EPL_SCREEN_MAX_CHANNELS : data.channelCount;
    int32_t size1[EPL_SCREEN_MAX_CHANNELS], size2[EPL_SCREEN_MAX_CHANNELS];
    int32_t tile1[EPL_SCREEN_MAX_CHANNELS], tile2[EPL_SCREEN_MAX_CHANNELS];
    for (int c = 0; c < channels; ++c) {
        const EplScreenChannel& in = data.channel[c];
        size1[c] = Magnitude(in.size1);
        size2[c] = Magnitude(in.size2);
        const bool tiled = in.kind == EPL_SCREEN_KIND_TILED;
        tile1[c] = tiled ? Magnitude(in.tileSize1) : size1[c];
        tile2[c] = tiled ? Magnitude(in.tileSize2) : size2[c];
        const std::string channel = "channel " + std::to_string(c);
        if (size1[c] == 0 || size2[c] == 0 || tile1[c] == 0 || tile2[c] == 0) {
            return unusable("has a size of 0 in " + channel + " (matrices " + std::to_string(size1[c]) + " and " +
                            std::to_string(size2[c]) + ", tiles " + std::to_string(tile1[c]) + " and " +
                            std::to_string(tile2[c]) + ")");
        }
        // A tile larger than its matrix would read cells the matrix does not have.
        if (tile1[c] > size1[c] || tile2[c] > size2[c]) {
            return unusable("has tiles larger than the matrices in " + channel + " (tiles " +
                            std::to_string(tile1[c]) + " and " + std::to_string(tile2[c]) + ", matrices " +
                            std::to_string(size1[c]) + " and " + std::to_string(size2[c]) + ")");
        }
    }
    std::vector<uint8_t> matrices[EPL_SCREEN_MAX_CHANNELS][2];
    try {
        for (int c = 0; c < channels; ++c) {
            matrices[c][0].assign(size_t(size1[c]) * size_t(size1[c]), 0);
            matrices[c][1].assign(size_t(size2[c]) * size_t(size2[c]), 0);
            data.channel[c].matrixA = matrices[c][0].data();
            data.channel[c].matrixB = matrices[c][1].data();
        }
    } catch (const std::bad_alloc&) {
        return SPOT_ERR_MEMORY;
    }
    if (epl->GetScreeningData(path.c_str(), &data) < 0) {
        if (job) job->Log(LOG_ERROR, "ReadEplScreening: the library did not fill its screening matrices");
        return SPOT_ERR_MEMORY;
    }
    for (int c = 0; c < kSpotChannels; ++c) {
        SpotChannel& ch = record.channel[c];
        ch.size1 = size1[c];
        ch.size2 = size2[c];
        ch.t1 = tile1[c];
        ch.t2 = tile2[c];
        ch.matrixA = std::move(matrices[c][0]);
        ch.matrixB = std::move(matrices[c][1]);
        ch.RestartTiling();
    }
    record.type = SPOT_TYPE_PYTHAGOREAN;
    record.lineCounter = 0;
    library.Unload();
    return SPOT_TYPE_PYTHAGOREAN;
}

int32_t ReadSpots(CHalftone* halftone, CVarnPrn* job, std::unique_ptr<SpotData>& record, std::string* fault) {
    record.reset(new (std::nothrow) SpotData());
    if (!record) return SPOT_ERR_MEMORY;
    const int32_t fromLibrary = ReadEplScreening(halftone, job, *record);
    if (fromLibrary == SPOT_TYPE_PYTHAGOREAN) return fromLibrary;
    const std::string path = job ? job->m_strScreeningFile : std::string();
    if (fromLibrary != SPOT_ERR_OPEN) {  // an installed library that failed fails the job
        // Unusable data has its own message already.
        if (fault && fromLibrary != SPOT_ERR_UNUSABLE) {
            *fault = "\"" + EscapeControlBytes(path) + "\" cannot be read by the linearisation library (error " +
                     std::to_string(fromLibrary) + ")";
        }
        return fromLibrary;
    }

    *record = SpotData();
    // The job's own file's fault is the one the user can mend.
    int32_t type = ReadSpotFile(halftone, job, path.c_str(), *record, fault);
    if (type < 0) {
        *record = SpotData();
        type = ReadSpotFile(halftone, job, kDefaultSpotFile, *record);
    }
    if (type < 0) return type;
    record->type = type;
    if (type == SPOT_TYPE_PYTHAGOREAN) {
        for (int c = 0; c < kSpotChannels; ++c) {
            record->channel[c].t1 = record->channel[c].size1;
            record->channel[c].t2 = record->channel[c].size2;
        }
    }
    return type;
}

std::unique_ptr<SpotData> CopySpotDataEx(const SpotData& record) {
    auto copy = std::make_unique<SpotData>(record);
    copy->channel[4] = record.channel[3];
    return copy;
}
