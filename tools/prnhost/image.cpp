#include "image.h"

#include <cctype>
#include <cstdio>
#include <fstream>
#include <limits>
#include <memory>
#include <sstream>

#ifdef PRNHOST_HAVE_TIFF
#include <tiffio.h>
#endif

namespace prnhost {
namespace {

// Largest image the host program accepts: one gigabyte of pixels.
constexpr uint64_t kMaxPixelBytes = 1ull << 30;

bool CheckSize(const std::string& path, uint64_t width, uint64_t height, uint64_t channels, std::string& error) {
    if (width == 0 || height == 0 || channels == 0) {
        error = path + ": empty image";
        return false;
    }
    if (width > std::numeric_limits<int>::max() || height > std::numeric_limits<int>::max() || channels > 64 ||
        width * height * channels > kMaxPixelBytes) {
        error = path + ": image too large";
        return false;
    }
    return true;
}

// Next whitespace-separated token of a PNM header, skipping comments.
bool HeaderToken(std::istream& in, std::string& token) {
    token.clear();
    int c;
    while ((c = in.get()) != EOF) {
        if (c == '#') {
            while ((c = in.get()) != EOF && c != '\n') {
            }
            continue;
        }
        if (!std::isspace(c)) break;
    }
    if (c == EOF) return false;
    token.push_back(static_cast<char>(c));
    while ((c = in.peek()) != EOF && !std::isspace(c) && c != '#') token.push_back(static_cast<char>(in.get()));
    return true;
}

bool ParseNumber(const std::string& token, uint64_t& value) {
    if (token.empty() || token.size() > 12) return false;
    value = 0;
    for (char c : token) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
        value = value * 10 + static_cast<uint64_t>(c - '0');
    }
    return true;
}

}  // namespace

bool ReadPnm(const std::string& path, Image& image, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = path + ": cannot open";
        return false;
    }
    std::string magic, token;
    HeaderToken(in, magic);
    uint64_t width = 0, height = 0, depth = 0, maxval = 0;
    std::string tupleType;
    if (magic == "P5" || magic == "P6") {
        std::string w, h, m;
        if (!HeaderToken(in, w) || !HeaderToken(in, h) || !HeaderToken(in, m) || !ParseNumber(w, width) ||
            !ParseNumber(h, height) || !ParseNumber(m, maxval)) {
            error = path + ": bad PNM header";
            return false;
        }
        depth = magic == "P5" ? 1 : 3;
        tupleType = magic == "P5" ? "grey" : "rgb";
        in.get();  // the single whitespace before the raster
    } else if (magic == "P7") {
        while (HeaderToken(in, token) && token != "ENDHDR") {
            std::string value;
            if (!HeaderToken(in, value)) break;
            uint64_t* field = token == "WIDTH" ? &width : token == "HEIGHT" ? &height : token == "DEPTH" ? &depth
                              : token == "MAXVAL"                                               ? &maxval
                                                                                                : nullptr;
            if (token == "TUPLTYPE") {
                tupleType = value;
            } else if (!field || !ParseNumber(value, *field)) {
                error = path + ": bad PAM header at " + token;
                return false;
            }
        }
        if (token != "ENDHDR") {
            error = path + ": PAM header without ENDHDR";
            return false;
        }
        in.get();  // the newline after ENDHDR
        for (char& c : tupleType) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (tupleType == "grayscale") tupleType = "grey";
        if (tupleType == "rgb_alpha") tupleType = "rgba";
    } else {
        error = path + ": not a PNM or PAM file (P5, P6 or P7)";
        return false;
    }
    if (maxval != 255) {
        error = path + ": only 8-bit samples (maxval 255) are supported";
        return false;
    }
    if (!CheckSize(path, width, height, depth, error)) return false;
    image.width = static_cast<int>(width);
    image.height = static_cast<int>(height);
    image.channels = static_cast<int>(depth);
    image.colorSpace = tupleType.empty() ? (depth == 4 ? "cmyk" : "unknown") : tupleType;
    image.pixels.assign(width * height * depth, 0);
    in.read(reinterpret_cast<char*>(image.pixels.data()), static_cast<std::streamsize>(image.pixels.size()));
    if (static_cast<uint64_t>(in.gcount()) != image.pixels.size()) {
        error = path + ": raster data ends early";
        return false;
    }
    return true;
}

bool WritePam(const std::string& path, const Image& image, std::string& error) {
    std::ofstream out(path, std::ios::binary);
    if (!out) {
        error = path + ": cannot create";
        return false;
    }
    out << "P7\nWIDTH " << image.width << "\nHEIGHT " << image.height << "\nDEPTH " << image.channels
        << "\nMAXVAL 255\nTUPLTYPE " << (image.colorSpace.empty() ? "unknown" : image.colorSpace) << "\nENDHDR\n";
    out.write(reinterpret_cast<const char*>(image.pixels.data()), static_cast<std::streamsize>(image.pixels.size()));
    if (!out) {
        error = path + ": write failed";
        return false;
    }
    return true;
}

#ifdef PRNHOST_HAVE_TIFF
namespace {
struct TiffCloser {
    void operator()(TIFF* t) const { TIFFClose(t); }
};
}  // namespace

bool ReadTiff(const std::string& path, Image& image, std::string& error) {
    TIFFSetErrorHandler(nullptr);
    TIFFSetWarningHandler(nullptr);
    std::unique_ptr<TIFF, TiffCloser> tif(TIFFOpen(path.c_str(), "r"));
    if (!tif) {
        error = path + ": cannot open as TIFF";
        return false;
    }
    uint32_t width = 0, height = 0;
    uint16_t bits = 0, samples = 1, planar = PLANARCONFIG_CONTIG, photometric = PHOTOMETRIC_MINISBLACK;
    TIFFGetField(tif.get(), TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tif.get(), TIFFTAG_IMAGELENGTH, &height);
    TIFFGetFieldDefaulted(tif.get(), TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tif.get(), TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(tif.get(), TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetField(tif.get(), TIFFTAG_PHOTOMETRIC, &photometric);
    if (bits != 8) {
        error = path + ": only 8-bit samples are supported";
        return false;
    }
    if (!CheckSize(path, width, height, samples, error)) return false;
    image.width = static_cast<int>(width);
    image.height = static_cast<int>(height);
    image.channels = samples;
    image.colorSpace = photometric == PHOTOMETRIC_RGB ? "rgb" : photometric == PHOTOMETRIC_SEPARATED ? "cmyk" : "grey";
    image.pixels.assign(static_cast<size_t>(width) * height * samples, 0);
    const tmsize_t scanline = TIFFScanlineSize(tif.get());
    std::vector<uint8_t> row(static_cast<size_t>(scanline > 0 ? scanline : 0));
    const size_t rowBytes = static_cast<size_t>(width) * samples;
    if (planar == PLANARCONFIG_CONTIG) {
        if (row.size() < rowBytes) {
            error = path + ": unexpected scanline size";
            return false;
        }
        for (uint32_t y = 0; y < height; ++y) {
            if (TIFFReadScanline(tif.get(), row.data(), y, 0) < 0) {
                error = path + ": cannot read row " + std::to_string(y);
                return false;
            }
            std::copy(row.begin(), row.begin() + static_cast<std::ptrdiff_t>(rowBytes), image.pixels.begin() + static_cast<std::ptrdiff_t>(y * rowBytes));
        }
    } else {
        if (row.size() < width) {
            error = path + ": unexpected scanline size";
            return false;
        }
        for (uint16_t s = 0; s < samples; ++s) {
            for (uint32_t y = 0; y < height; ++y) {
                if (TIFFReadScanline(tif.get(), row.data(), y, s) < 0) {
                    error = path + ": cannot read row " + std::to_string(y);
                    return false;
                }
                uint8_t* dst = image.pixels.data() + y * rowBytes + s;
                for (uint32_t x = 0; x < width; ++x) dst[static_cast<size_t>(x) * samples] = row[x];
            }
        }
    }
    return true;
}
#endif

bool ReadImage(const std::string& path, Image& image, std::string& error) {
    std::ifstream probe(path, std::ios::binary);
    if (!probe) {
        error = path + ": cannot open";
        return false;
    }
    char head[2] = {};
    probe.read(head, 2);
    if ((head[0] == 'I' && head[1] == 'I') || (head[0] == 'M' && head[1] == 'M')) {
#ifdef PRNHOST_HAVE_TIFF
        return ReadTiff(path, image, error);
#else
        error = path + ": TIFF support was not built (libtiff missing)";
        return false;
#endif
    }
    return ReadPnm(path, image, error);
}

}  // namespace prnhost
