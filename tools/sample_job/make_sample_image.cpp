// make_sample_image: writes the sample job's CMYK picture as a PAM file: a
// cyan ramp across, a magenta ramp down, a yellow disc and a black frame with
// a diagonal bar, so that every ink and its tones show in the preview.
// With more than four channels (the spot inks of the flatbeds: white, clear,
// primer) each further channel is a block of its own, in a row across the
// lower half; width and height may be given too.
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <string>

#include "image.h"

int main(int argc, char** argv) {
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::printf("usage: make_sample_image OUT.pam [CHANNELS [WIDTH HEIGHT]]\n"
                    "Writes a photo-like test picture: CMYK, then up to four more channels.\n");
        return 0;
    }
    if (argc != 2 && argc != 3 && argc != 5) {
        std::fprintf(stderr, "usage: make_sample_image OUT.pam [CHANNELS [WIDTH HEIGHT]]\n");
        return 2;
    }
    prnhost::Image image;
    image.channels = argc >= 3 ? std::atoi(argv[2]) : 4;
    image.width = argc == 5 ? std::atoi(argv[3]) : 720;
    image.height = argc == 5 ? std::atoi(argv[4]) : 360;
    if (image.channels < 4 || image.channels > 8 || image.width < 16 || image.height < 16) {
        std::fprintf(stderr, "make_sample_image: 4 to 8 channels, at least 16 x 16 pixels\n");
        return 2;
    }
    image.colorSpace = "CMYK";
    const size_t channels = size_t(image.channels);
    image.pixels.resize(size_t(image.width) * image.height * channels);
    const int w = image.width;
    const int h = image.height;
    const int spots = image.channels - 4;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            uint8_t* p = image.pixels.data() + (size_t(y) * w + x) * channels;
            for (int s = 0; s < spots; ++s) {
                const bool block = y >= h / 2 && y < h * 7 / 8 && x >= w * s / spots + 4 && x < w * (s + 1) / spots - 4;
                p[4 + s] = block ? uint8_t(255 - 40 * s) : 0;
            }
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
