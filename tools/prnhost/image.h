// Raster images the host program feeds to the plug-in: 8-bit TIFF (grey,
// RGB, CMYK, CMYK with extra channels) and PNM/PAM. A picture is read row by
// row, so that a reader's memory does not grow with the picture's height; a
// file of several pictures (a TIFF's pages, a PNM/PAM stream) page by page.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace prnhost {

struct ImageInfo {
    int width = 0;
    int height = 0;
    int channels = 0;        // samples per pixel, interleaved
    std::string colorSpace;  // "grey", "rgb", "cmyk" (TIFF separated), or the PAM tuple type (lower case)
    int alphaSamples = 0;    // of the channels, those the file marks as alpha (after the colours)

    size_t RowBytes() const { return static_cast<size_t>(width) * static_cast<size_t>(channels); }
};

// "W x H pixels of N "colours" channels", as messages describe a picture.
std::string Describe(const ImageInfo& info);
// Whether two pictures can be pages of one job, whose raster keys hold for
// every page: the same size, colours and alpha.
bool SameKind(const ImageInfo& a, const ImageInfo& b);

// A whole picture in memory (tests, the sample picture, small debug images).
struct Image : ImageInfo {
    std::vector<uint8_t> pixels;  // height rows of width * channels bytes

    const uint8_t* Row(int y) const { return pixels.data() + static_cast<size_t>(y) * RowBytes(); }
};

// An open picture file whose pages are read in order, each row by row, top
// to bottom. Every page has the first one's size and colours.
class ImageReader {
public:
    virtual ~ImageReader() = default;
    // The page's (every page's) size and colours.
    const ImageInfo& Info() const { return info_; }
    // The file's pages; at least one.
    uint64_t Pages() const { return pages_; }
    // Reads the next row of the page (Info().RowBytes() bytes); false with a
    // message naming the file and the row.
    virtual bool ReadRow(uint8_t* row, std::string& error) = 0;
    // Moves to the next page's first row (there must be one); false with a
    // message naming the file and the page.
    virtual bool NextPage(std::string& error) = 0;

protected:
    ImageInfo info_;
    uint64_t pages_ = 1;
};

// Opens a picture file and reads the headers of all its pages; null with a
// message naming the file (its control bytes escaped) and the problem. The
// opened file must be a regular file. Its pages: every directory of a TIFF
// that is a full page (not one whose NewSubfileType marks a reduced-resolution
// or a mask image; SubIFDs are not pages), and every picture of a PNM/PAM
// stream, one after the other. Whitespace after a picture is skipped, as
// netpbm's programs do; other bytes after the last picture that are not a
// whole picture are refused, naming their count, and a later picture of a
// kind it does not read by its number. A TIFF whose chain of directories
// loops back is refused naming the directory that points back. Each page is
// read by the rules for one picture, and must have the first page's size and
// colours. A PNM header is read by its rules (comments from '#' to the
// line's end, one whitespace byte after the last number: a CR followed by an
// LF is a CR LF line end when the raster fits after it and ends the file or
// the picture, else the LF is the first sample), a PAM header line by line
// (comment lines, "ENDHDR" alone on its line; a line may end in CR LF;
// TUPLTYPE lines joined by a space; WIDTH, HEIGHT, DEPTH and MAXVAL each
// said once, a repeated one refused by name). A
// PAM of a standard tuple type must have that type's depth; a tuple type of
// more than one word is refused by name. Header tokens, lines and the tuple
// type have a length cap. Plain and bitmap PNM (P1 to P4) and samples of
// other than 8 bits are refused naming what they are. A picture wider than
// 1,048,576 pixels (wider than any medium prints), a PNM or PAM file that is
// shorter than its header declares, and a TIFF whose strips cannot hold the
// rows it declares, are refused here. A MinIsWhite grey TIFF is read as grey
// (0 black) and a top-right TIFF (Orientation 2) mirrored; a TIFF of other
// colours than grey (of one sample), RGB and CMYK (palette, YCbCr, CIELab,
// ...), without Photometric, of samples other than unsigned integers, or of
// another orientation (also one outside 1 to 8) is refused by name.
std::unique_ptr<ImageReader> OpenImage(const std::string& path, std::string& error);

// Reads the whole picture, its first page (at most a gigabyte of pixels).
bool ReadImage(const std::string& path, Image& image, std::string& error);
bool WritePam(const std::string& path, const Image& image, std::string& error);
#ifdef PRNHOST_HAVE_TIFF
bool ReadTiff(const std::string& path, Image& image, std::string& error);
#endif

}  // namespace prnhost
