#include "host_job.h"

#include <algorithm>
#include <cstring>

namespace prnhost {
namespace {

constexpr const char* kWidthKey = "Process/OutWidthPixel";
constexpr const char* kHeightKey = "Process/OutHeightPixel";
constexpr const char* kComponentsKey = "Process/Components";
constexpr const char* kColorModeKey = "Output/Prn/Printer/InputColorMode";
constexpr const char* kFormatKey = "Output/Input/Format";
constexpr const char* kLinesKey = "Output/Input/NumOfLines";

// The ticket's integer, the image's value where the ticket has none. False
// with a message for a key of another type.
bool JobInt(hostkit::TicketStore& store, const char* key, int32_t fromImage, int32_t& value, std::string& error) {
    const uint32_t job = store.jobId();
    const hostkit::Elements* elements = store.Find(TICKET_SCOPE_JOB, job, key);
    if (!elements || elements->empty()) {
        value = fromImage;
        store.Set(TICKET_SCOPE_JOB, job, key, fromImage);
        return true;
    }
    const auto* number = std::get_if<int32_t>(&elements->front());
    if (!number) {
        error = std::string("the ticket's ") + key + " is not an integer";
        return false;
    }
    value = *number;
    return true;
}

// The input colour mode an image's colours name; 0 when they name none.
int32_t ColorModeOf(const Image& image) {
    const std::string& space = image.colorSpace;
    if (space == "rgb") return image.channels == 3 ? 3 : 0;
    if (space == "cmykog") return image.channels >= 6 ? 6 : 0;
    if (space == "cmykrgb") return image.channels >= 7 ? 7 : 0;
    if (space == "rgba") return 0;
    return image.channels >= 4 ? 4 : 0;  // CMYK, possibly with extra channels
}

void GreyToCmyk(Image& image) {
    std::vector<uint8_t> cmyk(image.pixels.size() * 4, 0);
    for (size_t i = 0; i < image.pixels.size(); ++i) cmyk[4 * i + 3] = static_cast<uint8_t>(255 - image.pixels[i]);
    image.pixels.swap(cmyk);
    image.channels = 4;
    image.colorSpace = "cmyk";
}

}  // namespace

bool PrepareJobInput(Image& image, hostkit::TicketStore& store, LineLayout& layout, std::string& error) {
    if (image.channels == 1 && image.colorSpace == "grey") GreyToCmyk(image);

    int32_t width = 0, height = 0, components = 0, colorMode = 0, format = 0, lines = 0;
    if (!JobInt(store, kWidthKey, image.width, width, error)) return false;
    if (width != image.width) {
        error = "the image is " + std::to_string(image.width) + " pixels wide, the ticket's " + kWidthKey + " says " +
                std::to_string(width);
        return false;
    }
    if (!JobInt(store, kHeightKey, image.height, height, error)) return false;
    if (height != image.height) {
        error = "the image has " + std::to_string(image.height) + " lines, the ticket's " + kHeightKey + " says " +
                std::to_string(height);
        return false;
    }
    if (!JobInt(store, kComponentsKey, image.channels, components, error)) return false;
    if (components != image.channels) {
        error = "the image has " + std::to_string(image.channels) + " channels, the ticket's " + kComponentsKey +
                " says " + std::to_string(components);
        return false;
    }
    const int32_t imageMode = ColorModeOf(image);
    if (!JobInt(store, kColorModeKey, imageMode, colorMode, error)) return false;
    if (colorMode == 0) {
        error = "cannot tell the colours of a " + std::to_string(image.channels) + "-channel \"" + image.colorSpace +
                "\" image: set " + kColorModeKey + " in the ticket";
        return false;
    }
    if (colorMode != 3 && colorMode != 4 && colorMode != 6 && colorMode != 7) {
        error = std::string("the ticket's ") + kColorModeKey + " " + std::to_string(colorMode) +
                " is none of 3 (RGB), 4 (CMYK), 6 (CMYKOG), 7 (CMYKRGB)";
        return false;
    }
    if (colorMode > image.channels) {
        error = "the image has " + std::to_string(image.channels) + " channels, fewer than the " +
                std::to_string(colorMode) + " bytes per pixel of " + kColorModeKey;
        return false;
    }
    if (!JobInt(store, kFormatKey, 0, format, error)) return false;
    if (!JobInt(store, kLinesKey, 1, lines, error)) return false;

    layout = LineLayout{};
    const size_t w = static_cast<size_t>(image.width);
    if (format == 1) {
        if (image.channels != 4) {
            error = "page-planar bands need a 4-channel image, this one has " + std::to_string(image.channels);
            return false;
        }
        if (lines < 1 || lines > image.height) {
            error = std::string("the ticket's ") + kLinesKey + " " + std::to_string(lines) +
                    " is not between 1 and the image's " + std::to_string(image.height) + " lines";
            return false;
        }
        layout.pagePlanar = true;
        layout.linesPerBand = lines;
        layout.callBytes = 4 * static_cast<size_t>(lines) * w;
        layout.calls = (image.height + lines - 1) / lines;
    } else if (format == 0) {
        layout.callBytes = (w * static_cast<size_t>(image.channels) + 31) / 32 * 32;
        layout.calls = image.height;
    } else {
        error = std::string("the ticket's ") + kFormatKey + " " + std::to_string(format) +
                " is neither 0 (lines) nor 1 (page-planar bands)";
        return false;
    }
    return true;
}

void FillCall(const Image& image, const LineLayout& layout, int n, std::vector<uint8_t>& out) {
    out.assign(layout.callBytes, 0);
    const size_t w = static_cast<size_t>(image.width);
    const size_t channels = static_cast<size_t>(image.channels);
    if (!layout.pagePlanar) {
        std::memcpy(out.data(), image.Row(n), w * channels);
        return;
    }
    const size_t lines = static_cast<size_t>(layout.linesPerBand);
    for (size_t l = 0; l < lines; ++l) {
        const int y = n * layout.linesPerBand + static_cast<int>(l);
        if (y >= image.height) break;
        const uint8_t* row = image.Row(y);
        for (size_t p = 0; p < 4; ++p) {
            uint8_t* plane = out.data() + (p * lines + l) * w;
            for (size_t x = 0; x < w; ++x) plane[x] = row[x * channels + p];
        }
    }
}

}  // namespace prnhost
