#include "host_job.h"

#include <algorithm>
#include <cstring>

#include "halftone/channel_set.h"

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

const char* ColorModeName(int32_t mode) {
    const char* name = InputColorModeName(mode);
    return name ? name : "unknown";
}

// The input colour mode a picture's colours name (possibly with extra
// channels after them); 0 when the program does not know them (a PAM tuple
// type of its own).
int32_t ColorModeOf(const ImageInfo& picture) {
    const std::string& space = picture.colorSpace;
    if (space == "rgb") return picture.channels >= 3 ? 3 : 0;
    if (space == "cmyk") return picture.channels >= 4 ? 4 : 0;  // possibly with extra channels
    if (space == "cmykog") return picture.channels >= 6 ? 6 : 0;
    if (space == "cmykrgb") return picture.channels >= 7 ? 7 : 0;
    return 0;
}

bool IsGrey(const ImageInfo& picture) { return picture.channels == 1 && picture.colorSpace == "grey"; }

}  // namespace

std::vector<std::string> TicketStrings(const hostkit::TicketStore& store, const char* key, uint32_t scope) {
    std::vector<std::string> texts;
    if (const hostkit::Elements* elements = store.Find(scope, scope == TICKET_SCOPE_JOB ? store.jobId() : 0, key)) {
        for (const hostkit::TicketValue& value : *elements) {
            if (const auto* text = std::get_if<std::string>(&value)) texts.push_back(*text);
        }
    }
    return texts;
}

ImageInfo FedInfo(const ImageInfo& picture) {
    ImageInfo fed = picture;
    if (IsGrey(picture)) {
        fed.channels = 4;
        fed.colorSpace = "cmyk";
    }
    return fed;
}

bool PrepareJobInput(const ImageInfo& image, hostkit::TicketStore& store, LineLayout& layout, std::string& error) {

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
    const bool componentsGiven = store.Find(TICKET_SCOPE_JOB, store.jobId(), kComponentsKey) != nullptr;
    if (!JobInt(store, kComponentsKey, image.channels, components, error)) return false;
    if (components != image.channels) {
        error = "the image has " + std::to_string(image.channels) + " channels, the ticket's " + kComponentsKey +
                " says " + std::to_string(components);
        return false;
    }
    // An alpha channel would reach the plug-in as an ink: only a ticket that counts it among its channels sends it.
    if (image.alphaSamples > 0 && !componentsGiven) {
        error = "the image has " + std::to_string(image.channels) + " channels, " +
                std::to_string(image.alphaSamples) + " of them alpha, which is not printed: save it without alpha, "
                "or set " + kComponentsKey + " = " + std::to_string(image.channels) +
                " in the ticket to send alpha as a channel";
        return false;
    }
    const int32_t imageMode = ColorModeOf(image);
    if (!JobInt(store, kColorModeKey, imageMode, colorMode, error)) return false;
    if (colorMode == 0) {
        error = "cannot tell the colours of a " + std::to_string(image.channels) + "-channel \"" + image.colorSpace +
                "\" image: set " + kColorModeKey + " in the ticket";
        return false;
    }
    if (imageMode != 0 && colorMode != imageMode) {
        error = std::string("the ticket's ") + kColorModeKey + " " + std::to_string(colorMode) + " (" +
                ColorModeName(colorMode) + ") does not fit the " + std::to_string(image.channels) + "-channel \"" +
                image.colorSpace + "\" image (" + std::to_string(imageMode) + ", " + ColorModeName(imageMode) + ")";
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

PageFeeder::PageFeeder(ImageReader& picture, const LineLayout& layout)
    : picture_(picture), layout_(layout), fed_(FedInfo(picture.Info())), row_(picture.Info().RowBytes()) {}

const uint8_t* PageFeeder::NextRow(std::string& error) {
    if (!picture_.ReadRow(row_.data(), error)) return nullptr;
    ++rowsRead_;
    if (!IsGrey(picture_.Info())) return row_.data();
    grey_.assign(row_.size() * 4, 0);
    for (size_t i = 0; i < row_.size(); ++i) grey_[4 * i + 3] = static_cast<uint8_t>(255 - row_[i]);
    return grey_.data();
}

bool PageFeeder::Next(std::vector<uint8_t>& out, std::string& error) {
    out.assign(layout_.callBytes, 0);
    const size_t w = static_cast<size_t>(fed_.width);
    const size_t channels = static_cast<size_t>(fed_.channels);
    if (!layout_.pagePlanar) {
        const uint8_t* row = NextRow(error);
        if (!row) return false;
        std::memcpy(out.data(), row, w * channels);
        return true;
    }
    const size_t lines = static_cast<size_t>(layout_.linesPerBand);
    for (size_t l = 0; l < lines && rowsRead_ < fed_.height; ++l) {
        const uint8_t* row = NextRow(error);
        if (!row) return false;
        for (size_t p = 0; p < 4; ++p) {
            uint8_t* plane = out.data() + (p * lines + l) * w;
            for (size_t x = 0; x < w; ++x) plane[x] = row[x * channels + p];
        }
    }
    return true;
}

}  // namespace prnhost
