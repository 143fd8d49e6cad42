// Counts the raster lines of a stream as its records arrive, keeping nothing
// of the rows: for the very long pages whose images would not fit in memory.
// Inside a page (page header to page end record) each data record's commands
// are decoded; "QR" 1 or LF ends a line and "MV" skips its count of lines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace prndecode {

class LineCounter {
public:
    // One record of the stream. A record that does not decode stops the
    // counting; Error() then says why.
    void Record(uint32_t tag, const uint8_t* data, size_t size);

    long long Lines() const { return m_lines; }  // of all pages so far
    int Pages() const { return m_pages; }        // ended
    const std::string& Error() const { return m_error; }

private:
    bool m_inPage = false;
    long long m_lines = 0;
    int m_pages = 0;
    std::string m_error;
};

}  // namespace prndecode
