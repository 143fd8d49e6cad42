// Ink-plane images of each page, assembled from the raster commands of the
// page's data records: every "QD" or ESC "i" puts one row of dot codes into
// the plane of its colour code (and layer code, where the layered "QD" form
// carries one), and "QR" 1 or LF moves on to the next line ("MV" skips its
// count of lines). A page runs from its page header record to its page end
// record; the last line of a classic (ESC "i") page or layer needs no line
// feed. On the print-and-cut pages (page header beginning with "GR") the mark
// rows are rows of the K plane, and "QY" 1 moves the next row right by its
// value in bits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "prndump/prn_records.h"

namespace prndecode {

struct PlaneImage {
    int layer = -1;        // -1 for the forms without a layer code
    uint8_t colour = 0;
    int bitsPerPixel = 0;  // 1 or 2 (0 for a plane that never carried dots)
    std::vector<std::vector<uint8_t>> rows;  // one per line; trailing zero bytes are not sent

    size_t BytesPerRow() const;  // of the longest row
    size_t WidthPixels() const;
    // Dot code of pixel x in line y (0 outside the data sent); the leftmost
    // pixel of a byte lies in its highest bits.
    int Dot(size_t x, size_t y) const;
    // Line y as `bytes` bytes, zero-padded; throws DecodeError when the line is longer.
    std::vector<uint8_t> Row(size_t y, size_t bytes) const;
};

// The header of a layer that a layered flatbed page plays back: the data
// record holding "PI" (last-layer flag), "QT" (direction and line count)
// and the "QV" curing commands.
struct LayerHeader {
    int lastLayer = 0;
    int direction = 0;       // the "QT" flag: 0 forwards, 1 backwards (no other value is read)
    uint32_t lines = 0;      // the line count the header announces
    std::string curing;      // the "QV" commands, one "QV <length> <params>" each, "; " between

    // The layer is played back last line first.
    bool Backwards() const { return direction == 1; }
};

// One image per page, or on a layered page one per played-back layer: each
// layer header record starts a new image of the same page, and so do the
// classic page's "MZ" "CloseLayer" (a layer without header) and each
// "PulledBack Layer<N>" record (tag 0) of the print-and-cut line.
struct PageImage {
    int number = 0;     // 1 for the first page
    int layer = -1;     // played-back layer of the page (0 for the first), -1 on a page without layers
    LayerHeader header; // of a played-back layer
    size_t lines = 0;   // raster lines ended on the page (in the layer)
    std::vector<PlaneImage> planes;  // in order of first appearance

    const PlaneImage* Find(uint8_t colour, int layer = -1) const;
    size_t WidthPixels() const;  // of the widest plane
};

// The image in the picture's orientation: a layer played backwards sends the
// picture's lines from the last to the first, and here its lines are turned
// round; any other image is returned as it is.
PageImage Upright(PageImage image);

// Throws DecodeError for raster data outside a page, a line not ended before
// the page end, a plane sent twice in one line or changing its bits per
// pixel, a page without its end, a layer header whose direction flag is
// neither 0 nor 1, and for undecodable MRL.
std::vector<PageImage> AssemblePages(const std::vector<Record>& records);

}  // namespace prndecode
