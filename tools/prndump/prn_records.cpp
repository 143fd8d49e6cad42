#include "prndump/prn_records.h"

#include <cstdio>
#include <fstream>
#include <iterator>

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
        case kTagCutPageSetup:
            return true;
        default:
            return false;
    }
}

std::vector<Record> ReadRecords(const uint8_t* bytes, size_t size) {
    std::vector<Record> records;
    size_t pos = 0;
    while (pos < size) {
        if (size - pos < 8) {
            throw DecodeError(At(pos) + "the header needs 8 bytes, " + std::to_string(size - pos) + " left");
        }
        Record record;
        record.offset = pos;
        record.tag = ReadLE32(bytes + pos);
        const uint32_t length = ReadLE32(bytes + pos + 4);
        pos += 8;
        if (length > size - pos) {
            throw DecodeError(At(record.offset) + "size " + std::to_string(length) + " runs past the end of the file (" +
                              std::to_string(size - pos) + " bytes left)");
        }
        record.data.assign(bytes + pos, bytes + pos + length);
        pos += length;
        records.push_back(std::move(record));
    }
    return records;
}

std::vector<Record> ReadRecordFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw DecodeError("cannot open \"" + path + "\"");
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) throw DecodeError("cannot read \"" + path + "\"");
    return ReadRecords(bytes.data(), bytes.size());
}

}  // namespace prndecode
