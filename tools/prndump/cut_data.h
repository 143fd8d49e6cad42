// The contour-cut data that the print-and-cut lines send after each page
// (record 0xd0000012): its MGL text, and the pen moves as HP-GL, as ai2mgl
// writes them.
#pragma once

#include <string>
#include <vector>

#include "prndump/prn_records.h"

namespace prndecode {

struct PageCutData {
    int page = 0;      // 1 for the first page
    std::string mgl;   // the text between the two "GT" commands
    std::string hpgl;  // its commands without the 'Z', 'J' and '!' ones
};

// One entry per non-empty cut-data record, numbered by the page headers
// before it; throws DecodeError for a record whose frame or text is broken.
std::vector<PageCutData> ExtractCutData(const std::vector<Record>& records);

}  // namespace prndecode
