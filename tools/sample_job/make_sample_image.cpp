// make_sample_image: writes the sample job's CMYK picture as a PAM file: a
// cyan ramp across, a magenta ramp down, a yellow disc and a black frame with
// a diagonal bar, so that every ink and its tones show in the preview.
#include <cstdio>
#include <string>

#include "image.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_sample_image OUT.pam\n");
        return 2;
    }
    prnhost::Image image;
    image.width = 720;
    image.height = 360;
    image.channels = 4;
    image.colorSpace = "CMYK";
    image.pixels.resize(size_t(image.width) * image.height * 4);
    const int w = image.width;
    const int h = image.height;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            uint8_t* p = image.pixels.data() + (size_t(y) * w + x) * 4;
            p[0] = uint8_t(255 * x / (w - 1));
            p[1] = uint8_t(255 * y / (h - 1));
            const int dx = x - w * 2 / 3;
            const int dy = y - h / 2;
            p[2] = (dx * dx + dy * dy <= (h / 3) * (h / 3)) ? 210 : 0;
            const bool frame = x < 8 || y < 8 || x >= w - 8 || y >= h - 8;
            const int band = x - 2 * y;
            p[3] = frame ? 255 : (band >= 0 && band < 24) ? 160 : 0;
        }
    }
    std::string error;
    if (!prnhost::WritePam(argv[1], image, error)) {
        std::fprintf(stderr, "make_sample_image: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
