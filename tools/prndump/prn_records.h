// Records of the host program's output file: u32 tag, u32 size (both
// little-endian), then size bytes of data, repeated to the end of the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace prndecode {

enum : uint32_t {
    kTagData = 0x20000000,
    kTagJobHeader = 0x30000000,
    kTagOpenJob = 0x40000000,
    kTagCloseJob = 0x50000000,
    kTagPageHeader = 0x60000000,
    kTagPageEnd = 0x70000000,
    kTagPageLink = 0x90000000,
    kTagEof = 0xF0000000,
    kTagLayerName = 0,  // text: the name of the pulled-back layer that follows
    kTagCutPageOpen = 0xD0000010,
    kTagCutPageSetup = 0xD0000011,
    kTagCutData = 0xD0000012,
    kTagCutJob = 0xD0000013,
};

struct Record {
    uint32_t tag = 0;
    size_t offset = 0;  // of the record's header in the file
    std::vector<uint8_t> data;
};

// "SPLTAG_DATA" and its siblings, "CUT_PAGE_OPEN" and the other print-and-cut
// tags, or nullptr for a tag this decoder does not know.
const char* TagName(uint32_t tag);

// True for the records whose data is a sequence of MRL commands (the cut data
// and the cut job hold MGL text framed by two "GT" commands, decoded as one
// "MGL" command).
bool TagCarriesMrl(uint32_t tag);

// Splits a whole file image into records; throws DecodeError for a truncated
// header or a size that runs past the end.
std::vector<Record> ReadRecords(const uint8_t* bytes, size_t size);
std::vector<Record> ReadRecordFile(const std::string& path);

}  // namespace prndecode
