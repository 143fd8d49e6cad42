// PNG pictures of decoded pages: one grey image per ink plane (no dot white,
// the largest dot code black) and a colour preview that lays the known inks
// over white paper.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "prndump/plane_images.h"

namespace prndecode {

struct Picture {
    size_t width = 0;
    size_t height = 0;
    int channels = 1;  // 1 grey, 3 RGB
    std::vector<uint8_t> pixels;  // rows top to bottom, no padding
};

// The plane as grey levels, `width` pixels by `height` lines.
Picture RenderPlane(const PlaneImage& plane, size_t width, size_t height);

// The page in colour: each ink's coverage (dot code / largest code) filters
// white light by the ink's colour. Planes of colour codes that are not inks
// (white, clear, primer and the like) are left out.
Picture RenderPreview(const PageImage& page);
// The page as printed: the inks of its images (the layers of a layered page,
// in print order, each as Upright gives it) laid over one another, as large
// as the largest.
Picture RenderPreview(const std::vector<const PageImage*>& images);

// Throws DecodeError when the file cannot be written. An empty picture is
// written as one white pixel per missing dimension.
void WritePng(const std::string& path, const Picture& picture);

}  // namespace prndecode
