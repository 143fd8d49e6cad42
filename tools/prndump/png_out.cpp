#include "prndump/png_out.h"

#include <png.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "base/format.h"
#include "output_file.h"
#include "prndump/decode_error.h"

namespace prndecode {

namespace {

struct InkColour {
    uint8_t code;
    uint8_t rgb[3];
};

// What each ink lets through of white light at full coverage.
constexpr InkColour kInks[] = {
    {0x02, {0, 160, 230}},   {0x01, {230, 0, 126}},   {0x04, {255, 236, 0}},
    {0x00, {0, 0, 0}},       {0x12, {140, 215, 245}}, {0x11, {245, 160, 205}},
    {0x26, {140, 140, 140}}, {0x05, {255, 128, 0}},   {0x06, {0, 160, 80}},
};

const InkColour* FindInk(uint8_t code) {
    for (const InkColour& ink : kInks) {
        if (ink.code == code) return &ink;
    }
    return nullptr;
}

// libpng's bytes go through the output file, which keeps the system's reason
// for a write that failed; libpng is then stopped.
void WriteToOutput(png_structp png, png_bytep data, size_t size) {
    if (!static_cast<toolfile::OutputFile*>(png_get_io_ptr(png))->Write(data, size)) png_error(png, "write failed");
}
void FlushNothing(png_structp) {}  // the output file flushes once, when it is committed

// libpng reports failures by longjmp: nothing here may need a destructor.
bool WriteRows(toolfile::OutputFile* file, size_t width, size_t height, int channels, const uint8_t* pixels) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, file, WriteToOutput, FlushNothing);
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8,
                 channels == 3 ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (size_t y = 0; y < height; ++y) png_write_row(png, pixels + y * width * size_t(channels));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

Picture RenderPlane(const PlaneImage& plane, size_t width, size_t height) {
    Picture picture;
    picture.width = width;
    picture.height = height;
    picture.pixels.assign(width * height, 255);
    const int largest = plane.bitsPerPixel ? (1 << plane.bitsPerPixel) - 1 : 1;
    for (size_t y = 0; y < height; ++y) {
        for (size_t x = 0; x < width; ++x) {
            picture.pixels[y * width + x] = uint8_t(255 - plane.Dot(x, y) * 255 / largest);
        }
    }
    return picture;
}

Picture RenderPreview(const PageImage& page) { return RenderPreview(std::vector<const PageImage*>{&page}); }

Picture RenderPreview(const std::vector<const PageImage*>& images) {
    Picture picture;
    for (const PageImage* image : images) {
        picture.width = std::max(picture.width, image->WidthPixels());
        picture.height = std::max(picture.height, image->lines);
    }
    picture.channels = 3;
    picture.pixels.assign(picture.width * picture.height * 3, 255);
    struct Layer {
        const PlaneImage* plane;
        const InkColour* ink;
        double largest;
    };
    std::vector<Layer> layers;
    for (const PageImage* image : images) {
        for (const PlaneImage& plane : image->planes) {
            const InkColour* ink = FindInk(plane.colour);
            if (ink && plane.bitsPerPixel) layers.push_back({&plane, ink, double((1 << plane.bitsPerPixel) - 1)});
        }
    }
    for (size_t y = 0; y < picture.height; ++y) {
        for (size_t x = 0; x < picture.width; ++x) {
            double light[3] = {1.0, 1.0, 1.0};
            for (const Layer& layer : layers) {
                const int dot = layer.plane->Dot(x, y);
                if (!dot) continue;
                const double coverage = dot / layer.largest;
                for (int c = 0; c < 3; ++c) light[c] *= 1.0 - coverage * (1.0 - layer.ink->rgb[c] / 255.0);
            }
            uint8_t* pixel = &picture.pixels[(y * picture.width + x) * 3];
            for (int c = 0; c < 3; ++c) pixel[c] = uint8_t(light[c] * 255.0 + 0.5);
        }
    }
    return picture;
}

void WritePng(const std::string& path, const Picture& picture) {
    const size_t width = std::max<size_t>(picture.width, 1);
    const size_t height = std::max<size_t>(picture.height, 1);
    std::vector<uint8_t> white;
    if (picture.width == 0 || picture.height == 0) white.assign(width * height * size_t(picture.channels), 255);
    const uint8_t* pixels = white.empty() ? picture.pixels.data() : white.data();

    toolfile::OutputFile file;
    std::string error;
    if (!file.Create(path, error)) throw DecodeError(EscapeControlBytes(error));
    if (!WriteRows(&file, width, height, picture.channels, pixels)) {
        const std::string reason = file.WriteError();
        throw DecodeError(EscapeControlBytes(reason.empty() ? "writing " + path + " failed: the PNG encoder gave up"
                                                            : reason));
    }
    if (!file.Commit(error)) throw DecodeError(EscapeControlBytes(error));
}

}  // namespace prndecode
