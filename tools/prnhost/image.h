// Raster images the host program feeds to the plug-in: 8-bit TIFF (grey,
// RGB, CMYK, CMYK with extra channels) and PNM/PAM.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace prnhost {

struct Image {
    int width = 0;
    int height = 0;
    int channels = 0;              // samples per pixel, interleaved
    std::string colorSpace;        // "grey", "rgb", "cmyk" (TIFF separated), or the PAM tuple type
    std::vector<uint8_t> pixels;   // height rows of width * channels bytes

    const uint8_t* Row(int y) const { return pixels.data() + static_cast<size_t>(y) * width * channels; }
};

// Reads the image; false with a message naming the file and the problem.
bool ReadImage(const std::string& path, Image& image, std::string& error);

bool ReadPnm(const std::string& path, Image& image, std::string& error);
bool WritePam(const std::string& path, const Image& image, std::string& error);
#ifdef PRNHOST_HAVE_TIFF
bool ReadTiff(const std::string& path, Image& image, std::string& error);
#endif

}  // namespace prnhost
