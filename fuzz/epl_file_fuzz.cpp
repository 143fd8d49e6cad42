// The stand-in linearisation library's file reader, directly and through the
// library as the plug-in calls it, and the plug-in's checked copy of the RGB
// grid the library filled in. (Building the full table of 2^24 colours from a
// grid takes longer than an input may; the copy's checks are what keep the
// interpolation inside the grid.)
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
    if (!parsed.file || parsed.file->gridNodes == 0) return 0;

    auto record = std::make_unique<EplFileData>();
    if (ReadEplFileData(path, platform::DefaultLibrarySearchFolders(), *record) != 0) std::abort();
    EplRgbGrid grid;
    if (CopyEplRgbGrid(*record, grid) == 0) {
        // The copy holds every node, and the last cell's far corner lies in it.
        if (grid.nodes.size() != size_t(3) * size_t(grid.n) * size_t(grid.n) * size_t(grid.n)) std::abort();
        size_t far = 0;
        for (size_t c : grid.corner) far = c > far ? c : far;
        far += size_t(grid.n - 2) * (grid.stride[0] + grid.stride[1] + grid.stride[2]) + 2;
        if (far >= grid.nodes.size()) std::abort();
    }
    return 0;
}
