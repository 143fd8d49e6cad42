// The stand-in linearisation library's file reader, and the plug-in's RGB
// table from what the library reads: LoadEplRgbTable checks the grid the
// library filled in, copies it and builds the table.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "fuzz_support.h"
#include "halftone/rgb_table.h"
#include "lin_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzsupport::PreloadEpl();
    const std::string path = fuzzsupport::WriteInput("job.lin", data, size);
    const epl_standin::ParseResult parsed = epl_standin::ParseLinFile(path.c_str());
    if (!parsed.file) return 0;
    if (parsed.file->gridNodes == 0) return 0;
    // Only a file with a grid has more to give; the table is 48 MB.
    static const std::unique_ptr<uint8_t[]> table(new uint8_t[kEplRgbTableSize]);
    LoadEplRgbTable(table.get(), path);
    return 0;
}
