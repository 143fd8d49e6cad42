#include "image.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <sstream>

#ifdef PRNHOST_HAVE_TIFF
#include <tiffio.h>
#endif

namespace prnhost {
namespace {

// Largest row the host program reads, and the largest picture it reads whole:
// one gigabyte of pixels.
constexpr uint64_t kMaxPixelBytes = 1ull << 30;

bool CheckSize(const std::string& path, uint64_t width, uint64_t height, uint64_t channels, std::string& error) {
    if (width == 0 || height == 0 || channels == 0) {
        error = path + ": empty image";
        return false;
    }
    if (width > std::numeric_limits<int>::max() || height > std::numeric_limits<int>::max() || channels > 64 ||
        width * channels > kMaxPixelBytes) {
        error = path + ": image too large";
        return false;
    }
    return true;
}

bool IsRegularFile(const std::string& path, std::string& error) {
    std::error_code failed;
    const std::filesystem::file_status status = std::filesystem::status(path, failed);
    if (failed || !std::filesystem::exists(status)) {
        error = path + ": cannot open" + (failed ? ": " + failed.message() : std::string());
        return false;
    }
    if (!std::filesystem::is_regular_file(status)) {
        error = path + ": not a regular file";
        return false;
    }
    return true;
}

void SetInfo(ImageInfo& info, uint64_t width, uint64_t height, uint64_t channels, std::string colorSpace) {
    info.width = static_cast<int>(width);
    info.height = static_cast<int>(height);
    info.channels = static_cast<int>(channels);
    info.colorSpace = std::move(colorSpace);
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

// Reads every row of an open picture into memory.
bool ReadImage(ImageReader& reader, Image& image, std::string& error) {
    const ImageInfo& info = reader.Info();
    if (static_cast<uint64_t>(info.height) * info.RowBytes() > kMaxPixelBytes) {
        error = "image too large to read whole";
        return false;
    }
    static_cast<ImageInfo&>(image) = info;
    image.pixels.assign(static_cast<size_t>(info.height) * info.RowBytes(), 0);
    for (int y = 0; y < info.height; ++y) {
        if (!reader.ReadRow(image.pixels.data() + static_cast<size_t>(y) * info.RowBytes(), error)) return false;
    }
    return true;
}

class PnmReader : public ImageReader {
public:
    // Reads the header; false with a message.
    bool Open(const std::string& path, std::string& error) {
        path_ = path;
        in_.open(path, std::ios::binary);
        if (!in_) {
            error = path + ": cannot open";
            return false;
        }
        std::string magic, token;
        HeaderToken(in_, magic);
        uint64_t width = 0, height = 0, depth = 0, maxval = 0;
        std::string tupleType;
        if (magic == "P5" || magic == "P6") {
            std::string w, h, m;
            if (!HeaderToken(in_, w) || !HeaderToken(in_, h) || !HeaderToken(in_, m) || !ParseNumber(w, width) ||
                !ParseNumber(h, height) || !ParseNumber(m, maxval)) {
                error = path + ": bad PNM header";
                return false;
            }
            depth = magic == "P5" ? 1 : 3;
            tupleType = magic == "P5" ? "grey" : "rgb";
            in_.get();  // the single whitespace before the raster
        } else if (magic == "P7") {
            while (HeaderToken(in_, token) && token != "ENDHDR") {
                std::string value;
                if (!HeaderToken(in_, value)) break;
                uint64_t* field = token == "WIDTH"    ? &width
                                  : token == "HEIGHT" ? &height
                                  : token == "DEPTH"  ? &depth
                                  : token == "MAXVAL" ? &maxval
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
            in_.get();  // the newline after ENDHDR
            for (char& c : tupleType) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            // GRAYSCALE_ALPHA and RGB_ALPHA: the colours, then one alpha channel.
            if (tupleType == "grayscale_alpha" || tupleType == "rgb_alpha") {
                info_.alphaSamples = 1;
                tupleType.resize(tupleType.size() - 6);
            }
            if (tupleType == "grayscale") tupleType = "grey";
        } else {
            error = path + ": not a PNM or PAM file (P5, P6 or P7)";
            return false;
        }
        if (maxval != 255) {
            error = path + ": only 8-bit samples (maxval 255) are supported";
            return false;
        }
        if (!CheckSize(path, width, height, depth, error)) return false;
        SetInfo(info_, width, height, depth, tupleType.empty() ? "unknown" : tupleType);
        // The raster must be all there before a job starts on it.
        const std::streamoff start = in_.tellg();
        std::error_code failed;
        const uintmax_t size = std::filesystem::file_size(path, failed);
        const uint64_t declared = height * info_.RowBytes();
        if (start < 0 || failed || size < static_cast<uintmax_t>(start) ||
            size - static_cast<uintmax_t>(start) < declared) {
            const uintmax_t held = failed || start < 0 || size < static_cast<uintmax_t>(start)
                                       ? 0
                                       : size - static_cast<uintmax_t>(start);
            error = path + ": raster data ends early: the header declares " + std::to_string(declared) +
                    " bytes, the file holds " + std::to_string(held);
            return false;
        }
        return true;
    }

    bool ReadRow(uint8_t* row, std::string& error) override {
        const size_t bytes = info_.RowBytes();
        in_.read(reinterpret_cast<char*>(row), static_cast<std::streamsize>(bytes));
        if (static_cast<size_t>(in_.gcount()) != bytes) {
            error = path_ + ": raster data ends early, at row " + std::to_string(row_ + 1);
            return false;
        }
        ++row_;
        return true;
    }

private:
    std::string path_;
    std::ifstream in_;
    int row_ = 0;
};

}  // namespace

bool WritePam(const std::string& path, const Image& image, std::string& error) {
    const std::string header = "P7\nWIDTH " + std::to_string(image.width) + "\nHEIGHT " +
                               std::to_string(image.height) + "\nDEPTH " + std::to_string(image.channels) +
                               "\nMAXVAL 255\nTUPLTYPE " + (image.colorSpace.empty() ? "unknown" : image.colorSpace) +
                               "\nENDHDR\n";
    errno = 0;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        error = path + ": cannot create: " + std::strerror(errno ? errno : EIO);
        return false;
    }
    bool ok = std::fwrite(header.data(), 1, header.size(), file) == header.size() &&
              std::fwrite(image.pixels.data(), 1, image.pixels.size(), file) == image.pixels.size() &&
              std::fflush(file) == 0;
    const int reason = errno;
    if (std::fclose(file) != 0) ok = false;
    if (!ok) error = path + ": write failed: " + std::strerror(reason ? reason : errno ? errno : EIO);
    return ok;
}

#ifdef PRNHOST_HAVE_TIFF
namespace {
struct TiffCloser {
    void operator()(TIFF* t) const { TIFFClose(t); }
};
using TiffHandle = std::unique_ptr<TIFF, TiffCloser>;

// The photometric interpretations that are refused, by name.
constexpr struct {
    uint16_t code;
    const char* name;
} kRefusedPhotometrics[] = {
    {PHOTOMETRIC_PALETTE, "palette"}, {PHOTOMETRIC_MASK, "transparency mask"}, {PHOTOMETRIC_YCBCR, "YCbCr"},
    {PHOTOMETRIC_CIELAB, "CIELab"},   {PHOTOMETRIC_ICCLAB, "ICCLab"},          {PHOTOMETRIC_ITULAB, "ITULab"},
    {PHOTOMETRIC_CFA, "CFA"},         {PHOTOMETRIC_LOGL, "LogL"},              {PHOTOMETRIC_LOGLUV, "LogLuv"},
};

// The most bytes a codec makes of one byte of strip data: none 1, PackBits 64
// (a run of 128 from two bytes), LZW and Deflate less than 1,400; any other
// is given 4,096.
constexpr struct {
    uint16_t compression;
    uint64_t expansion;
} kMostExpansion[] = {
    {COMPRESSION_NONE, 1},     {COMPRESSION_PACKBITS, 64},         {COMPRESSION_LZW, 1400},
    {COMPRESSION_DEFLATE, 1400}, {COMPRESSION_ADOBE_DEFLATE, 1400},
};

uint64_t MostExpansion(uint16_t compression) {
    for (const auto& codec : kMostExpansion) {
        if (codec.compression == compression) return codec.expansion;
    }
    return 4096;
}

// Every strip lies inside the file and its bytes can hold the rows it
// declares, so that no buffer is sized by a header that the file does not
// back. False with a message.
bool CheckStrips(TIFF* tif, const std::string& path, uint32_t height, size_t scanline, std::string& error) {
    std::error_code failed;
    const uintmax_t fileSize = std::filesystem::file_size(path, failed);
    uint32_t rowsPerStrip = height;
    TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
    if (rowsPerStrip == 0 || rowsPerStrip > height) rowsPerStrip = height;
    uint16_t compression = COMPRESSION_NONE;
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
    const uint32_t perPlane = (height + rowsPerStrip - 1) / rowsPerStrip;
    const uint32_t strips = TIFFNumberOfStrips(tif);
    if (failed || strips == 0 || strips % perPlane != 0) {
        error = path + ": the strips do not cover the picture's " + std::to_string(height) + " rows";
        return false;
    }
    for (uint32_t s = 0; s < strips; ++s) {
        const uint64_t offset = TIFFGetStrileOffset(tif, s);
        const uint64_t bytes = TIFFGetStrileByteCount(tif, s);
        const uint64_t first = static_cast<uint64_t>(s % perPlane) * rowsPerStrip;
        const uint64_t declared = std::min<uint64_t>(rowsPerStrip, height - first) * scanline;
        if (offset > fileSize || bytes > fileSize - offset) {
            error = path + ": raster data ends early: strip " + std::to_string(s) + " runs past the end of the file";
            return false;
        }
        if (declared / MostExpansion(compression) > bytes) {
            error = path + ": raster data ends early: strip " + std::to_string(s) + " declares " +
                    std::to_string(declared) + " bytes of rows, its " + std::to_string(bytes) +
                    " bytes in the file cannot hold them";
            return false;
        }
    }
    return true;
}

// Opens without mapping the file: a mapped file's pages would count as the
// program's memory as the rows are read.
TiffHandle OpenTiff(const std::string& path) {
    TIFFSetErrorHandler(nullptr);
    TIFFSetWarningHandler(nullptr);
    return TiffHandle(TIFFOpen(path.c_str(), "rm"));
}

// Rows through libtiff's scanline reads, in order. Separate planes are read
// through one handle per plane, so that each reads its strips in order.
class TiffReader : public ImageReader {
public:
    bool Open(const std::string& path, std::string& error) {
        path_ = path;
        TiffHandle tif = OpenTiff(path);
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
        uint16_t extras = 0;
        const uint16_t* extraTypes = nullptr;
        TIFFGetFieldDefaulted(tif.get(), TIFFTAG_EXTRASAMPLES, &extras, &extraTypes);
        if (photometric != PHOTOMETRIC_MINISBLACK && photometric != PHOTOMETRIC_MINISWHITE &&
            photometric != PHOTOMETRIC_RGB && photometric != PHOTOMETRIC_SEPARATED) {
            const char* name = "unknown";
            for (const auto& refused : kRefusedPhotometrics) {
                if (refused.code == photometric) name = refused.name;
            }
            error = path + ": " + name + " TIFF (photometric " + std::to_string(photometric) +
                    ") is not read: save the picture as grey, RGB or CMYK";
            return false;
        }
        if (bits != 8) {
            error = path + ": only 8-bit samples are supported";
            return false;
        }
        if (TIFFIsTiled(tif.get())) {
            error = path + ": tiled TIFF is not supported";
            return false;
        }
        if (!CheckSize(path, width, height, samples, error)) return false;
        SetInfo(info_, width, height, samples,
             photometric == PHOTOMETRIC_RGB         ? "rgb"
             : photometric == PHOTOMETRIC_SEPARATED ? "cmyk"
                                                    : "grey");
        for (uint16_t e = 0; extraTypes && e < extras; ++e) {
            if (extraTypes[e] == EXTRASAMPLE_ASSOCALPHA || extraTypes[e] == EXTRASAMPLE_UNASSALPHA) {
                ++info_.alphaSamples;
            }
        }
        // MinIsWhite grey is read as grey of 0 black, as every other picture's.
        whiteIsZero_ = photometric == PHOTOMETRIC_MINISWHITE;
        const tmsize_t scanline = TIFFScanlineSize(tif.get());
        const size_t need = planar == PLANARCONFIG_CONTIG ? info_.RowBytes() : width;
        if (scanline <= 0 || static_cast<size_t>(scanline) < need) {
            error = path + ": unexpected scanline size";
            return false;
        }
        if (!CheckStrips(tif.get(), path, height, static_cast<size_t>(scanline), error)) return false;
        scanlineBytes_ = static_cast<size_t>(scanline);  // allocated by the first row read
        planes_.push_back(std::move(tif));
        if (planar != PLANARCONFIG_CONTIG) {
            separate_ = true;
            for (uint16_t s = 1; s < samples; ++s) {
                planes_.push_back(OpenTiff(path));
                if (!planes_.back()) {
                    error = path + ": cannot open as TIFF";
                    return false;
                }
            }
        }
        return true;
    }

    bool ReadRow(uint8_t* row, std::string& error) override {
        const uint32_t y = static_cast<uint32_t>(row_);
        if (scanline_.size() < scanlineBytes_) scanline_.resize(scanlineBytes_);
        for (size_t s = 0; s < planes_.size(); ++s) {
            if (TIFFReadScanline(planes_[s].get(), scanline_.data(), y, static_cast<uint16_t>(s)) < 0) {
                error = path_ + ": cannot read row " + std::to_string(y);
                return false;
            }
            if (!separate_) {
                std::copy(scanline_.begin(), scanline_.begin() + static_cast<std::ptrdiff_t>(info_.RowBytes()), row);
                break;
            }
            const size_t samples = static_cast<size_t>(info_.channels);
            for (size_t x = 0; x < static_cast<size_t>(info_.width); ++x) row[x * samples + s] = scanline_[x];
        }
        if (whiteIsZero_) {
            const size_t samples = static_cast<size_t>(info_.channels);
            for (size_t x = 0; x < static_cast<size_t>(info_.width); ++x) row[x * samples] ^= 0xFF;
        }
        ++row_;
        return true;
    }

private:
    std::string path_;
    std::vector<TiffHandle> planes_;
    std::vector<uint8_t> scanline_;
    size_t scanlineBytes_ = 0;
    bool separate_ = false;
    bool whiteIsZero_ = false;
    int row_ = 0;
};

}  // namespace

bool ReadTiff(const std::string& path, Image& image, std::string& error) {
    TiffReader reader;
    return reader.Open(path, error) && ReadImage(reader, image, error);
}
#endif

std::unique_ptr<ImageReader> OpenImage(const std::string& path, std::string& error) {
    if (!IsRegularFile(path, error)) return nullptr;
    std::ifstream probe(path, std::ios::binary);
    if (!probe) {
        error = path + ": cannot open";
        return nullptr;
    }
    char head[2] = {};
    probe.read(head, 2);
    if ((head[0] == 'I' && head[1] == 'I') || (head[0] == 'M' && head[1] == 'M')) {
#ifdef PRNHOST_HAVE_TIFF
        auto reader = std::make_unique<TiffReader>();
        if (!reader->Open(path, error)) return nullptr;
        return reader;
#else
        error = path + ": TIFF support was not built (libtiff missing)";
        return nullptr;
#endif
    }
    auto reader = std::make_unique<PnmReader>();
    if (!reader->Open(path, error)) return nullptr;
    return reader;
}

bool ReadImage(const std::string& path, Image& image, std::string& error) {
    const std::unique_ptr<ImageReader> reader = OpenImage(path, error);
    return reader && ReadImage(*reader, image, error);
}

}  // namespace prnhost
