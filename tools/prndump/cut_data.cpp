#include "prndump/cut_data.h"

#include "mgl_decode.h"
#include "prndump/decode_error.h"
#include "prndump/mrl_decode.h"

namespace prndecode {

std::vector<PageCutData> ExtractCutData(const std::vector<Record>& records) {
    std::vector<PageCutData> out;
    int page = 0;
    for (const Record& record : records) {
        if (record.tag == kTagPageHeader) ++page;
        if (record.tag != kTagCutData || record.data.empty()) continue;
        PageCutData cut;
        cut.page = page;
        for (const Command& command : DecodeMrl(record.data)) {
            if (command.name == "MGL") cut.mgl = command.text;
        }
        try {
            cut.hpgl = mgl::ToHpgl(mgl::Decode(cut.mgl));
        } catch (const mgl::DecodeError& e) {
            throw DecodeError("cut data at offset " + std::to_string(record.offset) + ": " + e.what());
        }
        out.push_back(std::move(cut));
    }
    return out;
}

}  // namespace prndecode
