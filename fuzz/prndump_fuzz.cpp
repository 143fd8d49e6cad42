// prndump's decoder: the records of an output file, the MRL commands of each
// record that carries them, their text, and the pages' ink planes.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "prndump/decode_error.h"
#include "prndump/mrl_decode.h"
#include "prndump/plane_images.h"
#include "prndump/prn_records.h"
#include "prndump/unpack_bits.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<prndecode::Record> records;
    try {
        records = prndecode::ReadRecords(data, size);
    } catch (const prndecode::DecodeError&) {
        // Not a record file: the bytes as packed rows and as MRL commands.
        try {
            prndecode::UnpackAllBits(data, size);
        } catch (const prndecode::DecodeError&) {
        }
        try {
            for (const auto& command : prndecode::DecodeMrl(data, size)) prndecode::FormatCommand(command);
        } catch (const prndecode::DecodeError&) {
        }
        return 0;
    }
    for (const auto& record : records) {
        prndecode::TagName(record.tag);
        if (!prndecode::TagCarriesMrl(record.tag)) continue;
        try {
            for (const auto& command : prndecode::DecodeMrl(record.data)) prndecode::FormatCommand(command);
        } catch (const prndecode::DecodeError&) {
        }
    }
    try {
        for (const auto& page : prndecode::AssemblePages(records)) {
            for (const auto& plane : page.planes) {
                // Rows the stream skipped are empty: only sent rows are read.
                const size_t bytes = plane.BytesPerRow();
                for (size_t y = 0; y < plane.rows.size(); ++y) {
                    if (!plane.rows[y].empty()) plane.Row(y, bytes);
                }
            }
        }
    } catch (const prndecode::DecodeError&) {
    }
    return 0;
}
