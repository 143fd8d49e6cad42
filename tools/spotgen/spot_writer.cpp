#include "spotgen/spot_writer.h"

#include "halftone/threshold_matrix.h"
#include "output_file.h"

namespace spotgen {

namespace {

void PutU32(std::vector<uint8_t>& out, uint32_t v) {
    for (int shift = 0; shift < 32; shift += 8) out.push_back(uint8_t(v >> shift));
}

std::vector<uint8_t> Bytes(uint32_t width, uint32_t height, uint64_t seed) {
    const std::vector<uint16_t> values = RecurrenceThresholds(int(width), int(height), seed);
    std::vector<uint8_t> out(size_t(width) * height);
    for (size_t i = 0; i < out.size(); ++i) out[i] = uint8_t(values[i] >> 4);
    return out;
}

}  // namespace

std::vector<uint8_t> Encode(const SpotFile& file) {
    std::vector<uint8_t> out = file.pythagorean ? std::vector<uint8_t>{'S', 'P', 'T', '2'}
                                                : std::vector<uint8_t>{'S', 'P', 'T', '1'};
    PutU32(out, 1);
    PutU32(out, 0);
    uint32_t offset = 92 + (file.block ? 1024 : 0);
    for (size_t c = 0; c < file.channel.size(); ++c) {
        const Channel& ch = file.channel[c < 4 ? c : 3];
        const uint32_t at = c < 4 ? offset : offset - uint32_t(file.channel[3].a.size() + file.channel[3].b.size());
        PutU32(out, at);
        PutU32(out, ch.size1);
        PutU32(out, ch.size2);
        PutU32(out, 0);
        if (c < 4) offset += uint32_t(ch.a.size() + ch.b.size());
    }
    if (file.block) {
        for (int i = 0; i < 1024; ++i) out.push_back(uint8_t(i * 7));
    }
    for (size_t c = 0; c < 4; ++c) {
        out.insert(out.end(), file.channel[c].a.begin(), file.channel[c].a.end());
        out.insert(out.end(), file.channel[c].b.begin(), file.channel[c].b.end());
    }
    return out;
}

SpotFile Generate(bool pythagorean, bool block, uint32_t size1, uint32_t size2, uint64_t seed) {
    SpotFile file;
    file.pythagorean = pythagorean;
    file.block = block;
    for (size_t c = 0; c < 4; ++c) {
        Channel& ch = file.channel[c];
        ch.size1 = size1;
        ch.size2 = size2;
        if (pythagorean) {
            ch.a = Bytes(size1, size1, seed + c);
            ch.b = Bytes(size2, size2, seed + c);
        } else {
            ch.a = Bytes(size1, size2, seed + c);
        }
    }
    file.channel[4] = file.channel[3];
    return file;
}

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error) {
    return toolfile::WriteWholeFile(path, bytes.data(), bytes.size(), error);
}

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::string error;
    return WriteFile(path, bytes, error);
}

}  // namespace spotgen
