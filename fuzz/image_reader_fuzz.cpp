// prnhost's picture readers (TIFF, PNM and PAM): the headers, then every
// page's rows as a job reads them, and the whole-picture reader.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "fuzz_support.h"
#include "image.h"

namespace {
// A picture that would take longer to read than an input may take is only
// opened (its header refused or accepted), not read.
constexpr size_t kMaxPixelBytes = size_t{64} << 20;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = fuzzsupport::WriteInput("picture", data, size);
    std::string error;
    auto reader = prnhost::OpenImage(path, error);
    if (!reader) {
        if (error.empty()) std::abort();  // a refusal always says why
        return 0;
    }
    const prnhost::ImageInfo& info = reader->Info();
    if (info.width <= 0 || info.height <= 0 || info.channels <= 0 || reader->Pages() == 0) std::abort();
    if (info.RowBytes() * size_t(info.height) > kMaxPixelBytes) return 0;
    std::vector<uint8_t> row(info.RowBytes());
    // Every page, as many as the pixels' budget allows.
    bool read = true;
    const size_t pageBytes = row.size() * size_t(info.height);
    for (uint64_t page = 0; read && page < reader->Pages() && (page + 1) * pageBytes <= kMaxPixelBytes; ++page) {
        read = page == 0 || reader->NextPage(error);
        for (int y = 0; read && y < info.height; ++y) read = reader->ReadRow(row.data(), error);
        if (!read && error.empty()) std::abort();  // a failure always says why
    }
    prnhost::Image image;
    prnhost::ReadImage(path, image, error);
    return 0;
}
