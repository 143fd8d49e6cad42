#include "prndump/line_counter.h"

#include "prndump/decode_error.h"
#include "prndump/mrl_decode.h"
#include "prndump/prn_records.h"

namespace prndecode {

void LineCounter::Record(uint32_t tag, const uint8_t* data, size_t size) {
    if (!m_error.empty()) return;
    if (tag == kTagPageHeader) {
        if (m_inPage) m_error = "page header inside a page";
        m_inPage = true;
        return;
    }
    if (tag == kTagPageEnd) {
        if (!m_inPage) m_error = "page end without a page";
        m_inPage = false;
        ++m_pages;
        return;
    }
    if (tag != kTagData || !m_inPage) return;
    try {
        for (const Command& command : DecodeMrl(data, size)) {
            if (command.IsLineEnd()) ++m_lines;
            if (command.name == "MV" && command.params.size() == 4) m_lines += command.Value("count");
        }
    } catch (const DecodeError& e) {
        m_error = std::string("line ") + std::to_string(m_lines) + ": " + e.what();
    }
}

}  // namespace prndecode
