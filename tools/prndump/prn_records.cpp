#include "prndump/prn_records.h"

#include <cstdio>
#include <cstring>
#include <fstream>

#include "base/format.h"
#include "prndump/decode_error.h"

namespace prndecode {

namespace {

uint32_t ReadLE32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

std::string At(size_t offset) {
    char text[48];
    std::snprintf(text, sizeof text, "record at offset %zu: ", offset);
    return text;
}

struct MemorySource {
    const uint8_t* bytes;
    size_t size;
    size_t pos = 0;
    bool Read(void* out, size_t n) {
        if (n > size - pos) return false;
        if (n) std::memcpy(out, bytes + pos, n);
        pos += n;
        return true;
    }
};

struct FileSource {
    std::ifstream in;
    bool Read(void* out, size_t n) { return n == 0 || bool(in.read(static_cast<char*>(out), std::streamsize(n))); }
};

template <class Source>
std::vector<Record> ReadAll(Source& source, size_t size, const std::string& what) {
    std::vector<Record> records;
    size_t pos = 0;
    uint8_t header[8];
    while (pos < size) {
        const size_t left = size - pos;
        if (left < 8) throw DecodeError(At(pos) + "the header needs 8 bytes, " + std::to_string(left) + " left");
        if (!source.Read(header, 8)) throw DecodeError("cannot read " + what);
        Record record;
        record.offset = pos;
        record.tag = ReadLE32(header);
        const uint32_t length = ReadLE32(header + 4);
        if (length > left - 8) {
            throw DecodeError(At(pos) + "size " + std::to_string(length) + " runs past the end of the file (" +
                              std::to_string(left - 8) + " bytes left)");
        }
        record.data.resize(length);
        if (!source.Read(record.data.data(), length)) throw DecodeError("cannot read " + what);
        pos += 8 + length;
        records.push_back(std::move(record));
    }
    return records;
}

}  // namespace

const char* TagName(uint32_t tag) {
    switch (tag) {
        case kTagData: return "SPLTAG_DATA";
        case kTagJobHeader: return "SPLTAG_JOB_HEADER";
        case kTagOpenJob: return "SPLTAG_OPEN_JOB";
        case kTagCloseJob: return "SPLTAG_CLOSE_JOB";
        case kTagPageHeader: return "SPLTAG_PAGE_HEADER";
        case kTagPageEnd: return "SPLTAG_PAGE_END";
        case kTagPageLink: return "SPLTAG_PAGE_LINK";
        case kTagEof: return "SPLTAG_EOF";
        case kTagLayerName: return "LAYER_NAME";
        case kTagCutPageOpen: return "CUT_PAGE_OPEN";
        case kTagCutPageSetup: return "CUT_PAGE_SETUP";
        case kTagCutData: return "CUT_DATA";
        case kTagCutJob: return "CUT_JOB";
        default: return nullptr;
    }
}

bool TagCarriesMrl(uint32_t tag) {
    switch (tag) {
        case kTagData:
        case kTagJobHeader:
        case kTagPageHeader:
        case kTagPageEnd:
        case kTagCutPageOpen:
        case kTagCutPageSetup:
        case kTagCutData:
        case kTagCutJob:
            return true;
        default:
            return false;
    }
}

std::vector<Record> ReadRecords(const uint8_t* bytes, size_t size) {
    MemorySource source{bytes, size};
    return ReadAll(source, size, "the data");
}

std::vector<Record> ReadRecordFile(const std::string& path) {
    // Record by record, so that a large file is not held twice.
    FileSource source{std::ifstream(path, std::ios::binary | std::ios::ate)};
    const std::string name = "\"" + EscapeControlBytes(path) + "\"";
    if (!source.in) throw DecodeError("cannot open " + name);
    const std::streamoff end = source.in.tellg();
    source.in.seekg(0);
    return ReadAll(source, size_t(end), name);
}

}  // namespace prndecode
