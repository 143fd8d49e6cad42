// make_sample_image: writes a sample job's CMYK picture as a PAM file: a
// cyan ramp across, a magenta ramp down, a yellow disc and a black frame with
// a diagonal bar, so that every ink and its tones show in the preview.
// --white adds a fifth channel, white ink: solid under the disc and a ramp
// down the left third. --size W H sets the picture's size (720 x 360).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "image.h"

namespace {

int Usage() {
    std::fprintf(stderr, "usage: make_sample_image [--white] [--size W H] OUT.pam\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    bool white = false;
    int w = 720;
    int h = 360;
    const char* out = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--white") == 0) {
            white = true;
        } else if (std::strcmp(argv[i], "--size") == 0 && i + 2 < argc) {
            w = std::atoi(argv[++i]);
            h = std::atoi(argv[++i]);
        } else if (!out && argv[i][0] != '-') {
            out = argv[i];
        } else {
            return Usage();
        }
    }
    if (!out || w < 16 || h < 16 || w > 20000 || h > 20000) return Usage();

    prnhost::Image image;
    image.width = w;
    image.height = h;
    image.channels = white ? 5 : 4;
    image.colorSpace = "CMYK";
    image.pixels.resize(size_t(w) * h * size_t(image.channels));
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            uint8_t* p = image.pixels.data() + (size_t(y) * w + x) * size_t(image.channels);
            p[0] = uint8_t(255 * x / (w - 1));
            p[1] = uint8_t(255 * y / (h - 1));
            const int dx = x - w * 2 / 3;
            const int dy = y - h / 2;
            const bool disc = dx * dx + dy * dy <= (h / 3) * (h / 3);
            p[2] = disc ? 210 : 0;
            const bool frame = x < 8 || y < 8 || x >= w - 8 || y >= h - 8;
            const int band = x - 2 * y;
            p[3] = frame ? 255 : (band >= 0 && band < 24) ? 160 : 0;
            if (white) p[4] = disc ? 255 : (x < w / 3) ? uint8_t(255 * y / (h - 1)) : 0;
        }
    }
    std::string error;
    if (!prnhost::WritePam(out, image, error)) {
        std::fprintf(stderr, "make_sample_image: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
