// make_sample_image: writes a sample job's picture as a PAM file: a cyan ramp
// across, a magenta ramp down, a yellow disc and a black frame with a
// diagonal bar, so that every ink and its tones show in the preview.
// With more than four channels (the spot inks of the flatbeds: white, clear,
// primer) each further channel is a block of its own, in a row across the
// lower half. --white instead adds one white channel: solid under the disc
// and a ramp down the left third. Width and height may be given too.
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/format.h"
#include "image.h"
#include "output_file.h"
#include "standard_output.h"

namespace {

const char kUsage[] =
    "usage: make_sample_image [--white] [--size W H] OUT.pam [CHANNELS [WIDTH HEIGHT]]\n";

int Usage() {
    std::fprintf(stderr, "%s", kUsage);
    return 2;
}

// A whole number with nothing after it; false with a message naming what it is for.
bool ParseNumber(const char* text, const char* what, int& value) {
    char* end = nullptr;
    errno = 0;
    const long number = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || errno != 0 || number < INT_MIN || number > INT_MAX) {
        std::fprintf(stderr, "make_sample_image: bad number for %s: %s\n", what, EscapeControlBytes(text).c_str());
        return false;
    }
    value = static_cast<int>(number);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    toolfile::OpenClosedStandardFiles();
    bool white = false;
    int w = 720;
    int h = 360;
    int channels = 4;
    const char* out = nullptr;
    int positional = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            const std::string help =
                std::string(kUsage) + "Writes a photo-like test picture: CMYK, then up to four more channels.\n";
            return toolfile::PrintHelp("make_sample_image", help.c_str());
        }
        if (std::strcmp(argv[i], "--white") == 0) {
            white = true;
        } else if (std::strcmp(argv[i], "--size") == 0 && i + 2 < argc) {
            if (!ParseNumber(argv[i + 1], "W", w) || !ParseNumber(argv[i + 2], "H", h)) return Usage();
            i += 2;
        } else if (argv[i][0] != '-' && positional == 0) {
            out = argv[i];
            ++positional;
        } else if (argv[i][0] != '-' && positional == 1) {
            if (!ParseNumber(argv[i], "CHANNELS", channels)) return Usage();
            ++positional;
        } else if (argv[i][0] != '-' && positional == 2 && i + 1 < argc) {
            if (!ParseNumber(argv[i], "WIDTH", w) || !ParseNumber(argv[i + 1], "HEIGHT", h)) return Usage();
            ++i;
            positional += 2;
        } else {
            return Usage();
        }
    }
    if (white) channels = 5;
    if (!out || channels < 4 || channels > 8 || w < 16 || h < 16 || w > 20000 || h > 20000) return Usage();

    std::string error = toolfile::RefuseOverwrite({"OUT.pam", out}, {});
    if (!error.empty()) {
        std::fprintf(stderr, "make_sample_image: %s\n", EscapeControlBytes(error).c_str());
        return 1;
    }
    toolfile::RemoveTemporariesOnSignals();
    prnhost::Image image;
    image.width = w;
    image.height = h;
    image.channels = channels;
    image.colorSpace = "CMYK";
    image.pixels.resize(size_t(w) * h * size_t(channels));
    const int spots = channels - 4;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            uint8_t* p = image.pixels.data() + (size_t(y) * w + x) * size_t(channels);
            p[0] = uint8_t(255 * x / (w - 1));
            p[1] = uint8_t(255 * y / (h - 1));
            const int dx = x - w * 2 / 3;
            const int dy = y - h / 2;
            const bool disc = dx * dx + dy * dy <= (h / 3) * (h / 3);
            p[2] = disc ? 210 : 0;
            const bool frame = x < 8 || y < 8 || x >= w - 8 || y >= h - 8;
            const int band = x - 2 * y;
            p[3] = frame ? 255 : (band >= 0 && band < 24) ? 160 : 0;
            if (white) {
                p[4] = disc ? 255 : (x < w / 3) ? uint8_t(255 * y / (h - 1)) : 0;
                continue;
            }
            for (int s = 0; s < spots; ++s) {
                const bool block = y >= h / 2 && y < h * 7 / 8 && x >= w * s / spots + 4 && x < w * (s + 1) / spots - 4;
                p[4 + s] = block ? uint8_t(255 - 40 * s) : 0;
            }
        }
    }
    if (!prnhost::WritePam(out, image, error)) {
        std::fprintf(stderr, "make_sample_image: %s\n", EscapeControlBytes(error).c_str());
        return 1;
    }
    return 0;
}
