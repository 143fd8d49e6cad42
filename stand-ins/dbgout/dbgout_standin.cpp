// The debug-image stand-in: writes the contone input lines and the halftoned
// lines of a page as 8-bit TIFF files (README.md beside this file).
#include <tiffio.h>

#include <algorithm>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "halftone/debug_image.h"

#define DBGOUT_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

struct TiffCloser {
    void operator()(TIFF* t) const { TIFFClose(t); }
};
using TiffFile = std::unique_ptr<TIFF, TiffCloser>;

// Channels of a contone image by its colour code; 0 for a code it does not know.
uint32_t ContoneChannels(uint32_t code) {
    if (code > DBG_COLOR_SPOT_BASE && code <= DBG_COLOR_SPOT_BASE + 8) return 4 + code - DBG_COLOR_SPOT_BASE;
    switch (code) {
        case DBG_COLOR_RGB: return 3;
        case DBG_COLOR_CMYK: return 4;
        case DBG_COLOR_CMYKOG: return 6;
        case DBG_COLOR_CMYKRGB: case DBG_COLOR_CMYKRGB_75: return 7;
        default: return 0;
    }
}

std::string BaseName(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) name.resize(dot);
    return name.empty() ? "debug" : name;
}

std::string Folder(const DbgImageInfo& info) {
    std::string folder = info.folder;
    if (folder.empty()) {
        const size_t slash = info.filePath.find_last_of("/\\");
        folder = slash == std::string::npos ? "." : info.filePath.substr(0, slash);
    }
    if (folder.back() != '/' && folder.back() != '\\') folder += '/';
    return folder;
}

class Image {
public:
    // False when the record describes nothing this library can write.
    bool Open(const DbgImageInfo& info) {
        m_info = info;
        m_halftone = info.bitsPerSample == 1 || info.bitsPerSample == 2;
        if (info.width == 0 || info.height == 0 || info.width > (1u << 20)) return false;
        if (m_halftone) {
            if (info.layoutCode == 0 || info.lineLength < (info.width * info.bitsPerSample + 7) / 8) return false;
            m_channels = info.layoutCode == DBG_LAYOUT_PLANES ? 4 : 8;
        } else {
            if (info.bitsPerSample != 8) return false;
            m_channels = ContoneChannels(info.colorCode);
            if (m_channels == 0) return false;
        }
        const bool separate = info.oneFilePerChannel != 0;
        const std::string stem = Folder(info) + BaseName(info.filePath) + "_p" + std::to_string(info.pageNumber) +
                                 (m_halftone ? "_halftone" : "_contone");
        for (uint32_t c = 0; c < (separate ? m_channels : 1); ++c) {
            const std::string path = separate ? stem + "_" + std::to_string(c) + ".tif" : stem + ".tif";
            TiffFile file(TIFFOpen(path.c_str(), "w"));
            if (!file || !Describe(file.get(), separate ? 1 : m_channels)) return false;
            m_files.push_back(std::move(file));
        }
        m_samples.assign(static_cast<size_t>(info.width) * m_channels, 0);
        m_row.assign(static_cast<size_t>(info.width) * m_channels, 0);
        return true;
    }

    // Lines past the record's height are dropped.
    bool Write(const uint8_t* line) {
        if (m_rows >= m_info.height) return false;
        Unpack(line);
        return WriteRow();
    }

    // Rows the page did not deliver are written blank, so every image has
    // the record's height.
    bool Close() {
        std::fill(m_samples.begin(), m_samples.end(), 0);
        bool ok = true;
        while (m_rows < m_info.height) ok = WriteRow() && ok;
        m_files.clear();
        return ok;
    }

private:
    bool Describe(TIFF* t, uint32_t samples) {
        bool ok = TIFFSetField(t, TIFFTAG_IMAGEWIDTH, m_info.width) && TIFFSetField(t, TIFFTAG_IMAGELENGTH, m_info.height) &&
                  TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8) && TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, samples) &&
                  TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) &&
                  TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(t, 0));
        const uint16_t photometric = samples == 1 ? PHOTOMETRIC_MINISWHITE
                                     : samples == 3 && !m_halftone ? PHOTOMETRIC_RGB
                                                                   : PHOTOMETRIC_SEPARATED;
        ok = ok && TIFFSetField(t, TIFFTAG_PHOTOMETRIC, photometric);
        if (photometric == PHOTOMETRIC_SEPARATED && samples != 4) {
            ok = ok && TIFFSetField(t, TIFFTAG_INKSET, INKSET_MULTIINK) && TIFFSetField(t, TIFFTAG_NUMBEROFINKS, samples);
        }
        if (m_info.resolutionX > 0 && m_info.resolutionY > 0) {
            ok = ok && TIFFSetField(t, TIFFTAG_XRESOLUTION, m_info.resolutionX) &&
                 TIFFSetField(t, TIFFTAG_YRESOLUTION, m_info.resolutionY) &&
                 TIFFSetField(t, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
        }
        uint16_t compression = COMPRESSION_NONE;
        if (m_info.compression == DBG_COMPRESSION_PACKBITS) compression = COMPRESSION_PACKBITS;
        if (m_info.compression == DBG_COMPRESSION_DEFLATE) compression = COMPRESSION_ADOBE_DEFLATE;
        if (compression != COMPRESSION_NONE && TIFFIsCODECConfigured(compression)) {
            TIFFSetField(t, TIFFTAG_COMPRESSION, compression);
        }
        return ok;
    }

    // The line into pixel-interleaved 8-bit samples: contone lines are that
    // already; halftoned lines are channel rows of packed dot codes, leftmost
    // pixel in the highest bits, each code scaled to 0..255.
    void Unpack(const uint8_t* line) {
        const uint32_t w = m_info.width;
        if (!m_halftone) {
            std::copy(line, line + m_samples.size(), m_samples.begin());
            return;
        }
        const uint32_t bits = m_info.bitsPerSample;
        const uint32_t perByte = 8 / bits;
        const uint32_t maxCode = (1u << bits) - 1;
        for (uint32_t c = 0; c < m_channels; ++c) {
            const uint8_t* row = line + static_cast<size_t>(c) * m_info.lineLength;
            for (uint32_t x = 0; x < w; ++x) {
                const uint32_t shift = 8 - bits * (x % perByte + 1);
                const uint32_t code = (row[x / perByte] >> shift) & maxCode;
                m_samples[static_cast<size_t>(x) * m_channels + c] = static_cast<uint8_t>(code * 255 / maxCode);
            }
        }
    }

    bool WriteRow() {
        bool ok = true;
        if (m_files.size() == 1) {
            ok = TIFFWriteScanline(m_files[0].get(), m_samples.data(), m_rows, 0) >= 0;
        } else {
            for (uint32_t c = 0; c < m_files.size(); ++c) {
                for (uint32_t x = 0; x < m_info.width; ++x) m_row[x] = m_samples[static_cast<size_t>(x) * m_channels + c];
                ok = TIFFWriteScanline(m_files[c].get(), m_row.data(), m_rows, 0) >= 0 && ok;
            }
        }
        ++m_rows;
        return ok;
    }

    DbgImageInfo m_info;
    bool m_halftone = false;
    uint32_t m_channels = 0;
    uint32_t m_rows = 0;
    std::vector<TiffFile> m_files;
    std::vector<uint8_t> m_samples;  // one line, pixel-interleaved
    std::vector<uint8_t> m_row;      // one channel of it
};

DbgImageHandle OpenImage(const DbgImageInfo* info) {
    if (!info) return nullptr;
    try {
        TIFFSetWarningHandler(nullptr);
        auto image = std::make_unique<Image>();
        return image->Open(*info) ? image.release() : nullptr;
    } catch (...) {
        return nullptr;
    }
}

int32_t WriteLine(DbgImageHandle handle, const uint8_t* line) {
    if (!handle || !line) return -1;
    return static_cast<Image*>(handle)->Write(line) ? 0 : -1;
}

int32_t CloseImage(DbgImageHandle handle) {
    if (!handle) return -1;
    std::unique_ptr<Image> image(static_cast<Image*>(handle));
    return image->Close() ? 0 : -1;
}

DbgInterface g_interface = {{nullptr, nullptr, nullptr, nullptr}, OpenImage, WriteLine, CloseImage};

}  // namespace

DBGOUT_EXPORT DbgInterface* GetDbgInterface() { return &g_interface; }
