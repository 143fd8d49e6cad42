#include "image.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

#ifdef PRNHOST_HAVE_TIFF
#include <tiffio.h>
#endif

namespace {

std::string TempPath(const std::string& name) { return ::testing::TempDir() + name; }

void WriteBytes(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

// Every page of a picture file one after the other, as a job reads them; false with the message.
bool ReadPages(const std::string& path, prnhost::Image& image, std::string& error) {
    const std::unique_ptr<prnhost::ImageReader> reader = prnhost::OpenImage(path, error);
    for (uint64_t p = 0; reader && p < reader->Pages(); ++p) {
        if (p > 0 && !reader->NextPage(error)) return false;
        for (int y = 0; y < reader->Info().height; ++y) {
            image.pixels.resize(image.pixels.size() + reader->Info().RowBytes());
            if (!reader->ReadRow(&*(image.pixels.end() - long(reader->Info().RowBytes())), error)) return false;
        }
    }
    return reader != nullptr;
}

TEST(HostImage, PamRoundTripsWithItsTupleType) {
    prnhost::Image image;
    image.width = 3;
    image.height = 2;
    image.channels = 5;
    image.colorSpace = "cmyk_white";
    for (int i = 0; i < 30; ++i) image.pixels.push_back(static_cast<uint8_t>(i * 8));
    std::string error;
    const std::string path = TempPath("round.pam");
    ASSERT_TRUE(prnhost::WritePam(path, image, error)) << error;
    prnhost::Image back;
    ASSERT_TRUE(prnhost::ReadImage(path, back, error)) << error;
    EXPECT_EQ(back.width, 3);
    EXPECT_EQ(back.height, 2);
    EXPECT_EQ(back.channels, 5);
    EXPECT_EQ(back.colorSpace, "cmyk_white");
    EXPECT_EQ(back.pixels, image.pixels);
}

// Each header form is read by its format's rules: the raster starts right
// after the one whitespace byte (a CR LF line end, or the line end of a
// comment) that follows the last number, or after the ENDHDR line.
TEST(HostImage, HeadersAreReadByTheirRules) {
    const struct {
        std::string bytes;
        std::vector<uint8_t> pixels;
    } cases[] = {
        {"P6\n# made by hand\n2 1\n255\n\x01\x02\x03\x04\x05\x06", {1, 2, 3, 4, 5, 6}},
        {"P5\n2 1\n255#comment\n\x0a\x02", {10, 2}},
        {"P5\r\n2 1\r\n255\r\n\x0a\x02", {10, 2}},
        {"P5\t2\t1\t255\t\x09\x02", {9, 2}},
        {"P5 2#c\r1 255 #\x02", {'#', 2}},  // a comment ends a number; after the maxval's whitespace, '#' is raster
        {"P7\r\nWIDTH 1\r\nHEIGHT 1\r\nDEPTH 4\r\nMAXVAL 255\r\nTUPLTYPE CMYK\r\nENDHDR\r\n\x0a\x02\x03\x04",
         {10, 2, 3, 4}},
        {"P7\n# a comment\n\nWIDTH 1\n HEIGHT\t1\nDEPTH 3\nMAXVAL 255\nTUPLTYPE RGB\nENDHDR\t\n\x0a\x02\x03",
         {10, 2, 3}},
        // A header ended by a single CR: the file's size tells an LF sample from a CR LF line end.
        {"P5 2 1 255\r\n\1", {10, 1}},
        {"P5\n2 1\n255\r\x0a\x02", {10, 2}},
        // A comment line of any length is skipped; a tuple type's blanks around it are not part of it.
        {"P7\n#" + std::string(5000, 'c') + "\nWIDTH 1\nHEIGHT 1\nDEPTH 4\nMAXVAL 255\nTUPLTYPE \t CMYK \r\nENDHDR\n\x0a\2\3\4",
         {10, 2, 3, 4}},
        // A stream (whitespace after a picture skipped; after CR LF, LF is a sample if only then the picture ends).
        {"P5\n2 1\n255\n\1\2P5 2 1 255\r\n\3\4P5 2 1 255\r\n\1P5 2 1 255 \5\6\n\r\nP7\nWIDTH 2\nHEIGHT 1\nDEPTH 1\n"
         "MAXVAL 255\nTUPLTYPE GRAYSCALE\nENDHDR\n\7\x08\n",
         {1, 2, 3, 4, 10, 1, 5, 6, 7, 8}},
    };
    for (const auto& c : cases) {
        const std::string path = TempPath("header.img");
        WriteBytes(path, c.bytes);
        prnhost::Image image;
        std::string error;
        ASSERT_TRUE(ReadPages(path, image, error)) << error << "\n" << c.bytes;
        EXPECT_EQ(image.pixels, c.pixels) << c.bytes;
    }
}

// Every bad file is refused at its header, before a row is read.
TEST(HostImage, BadFilesGiveMessagesNamingTheProblem) {
    const std::string pam = "P7\nWIDTH 1\nHEIGHT 1\nDEPTH 5\nMAXVAL 255\n";
    const std::string text = ", is not read: save the picture as a PGM (P5), a PPM (P6) or a PAM (P7) of 8-bit samples";
    struct Case {
        std::string bytes, expected;
    } cases[] = {
        {"P6\n2 1\n65535\n", "samples of maxval 65535 (16-bit) are not read: prnhost reads only 8-bit"},
        {"P5\n1 1\n15\n\1", "samples of maxval 15 (4-bit) are not read"},
        {"P1\n1 1\n1\n", "a plain PBM (P1): a bitmap written as text" + text},
        {"P4\n8 1\n\1", "a PBM (P4): a bitmap of one bit per pixel" + text},
        {"P6\n2 2\n255\n\x01\x02", "ends early"},
        {"P5\n2 2\n255\n\1\2", "the header declares 4 bytes, the file holds 2"},  // one row short
        {"P5\n2 2\n255\n\1\2\3", "the header declares 4 bytes, the file holds 3"},  // one byte short
        // Bytes after the last picture that are not one, counted from its end; a picture unlike the first.
        {"P5\n1 1\n255\n\1\n\n\1", "the 3 bytes after picture 1 are not a picture prnhost reads: not a PNM"},
        {"P5\n2 1\n255\n\1\2P5\n2 1\n255\n\3", "the 12 bytes after picture 1 are not a picture prnhost reads: raster "
                                               "data ends early: the header declares 2 bytes, the file holds 1"},
        {"P6\n1 1\n255\n\1\2\3P7\nWIDTH 1\nHEIGHT 1\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n\1\2\3\4",
         "picture 2 is 1 x 1 pixels of 4 \"rgb\" channels, 1 of them alpha, picture 1 1 x 1 pixels of 3 \"rgb\""},
        {"P52 1 255\n\1\2", "bad PNM header: no whitespace after P5"},
        {"P5\n1 9999999999\n255\n", "too large"},
        // Refused at the header, before a row is read or anything large is allocated.
        {"P7\nWIDTH 16000\nHEIGHT 16000\nDEPTH 4\nMAXVAL 255\nTUPLTYPE CMYK\nENDHDR\n" + std::string(100, 'x'),
         "the header declares 1024000000 bytes, the file holds 100"},
        {"P7\nWIDTH 1\nHEIGHT 1\nDEPTH 1\nMAXVAL 255\n", "without ENDHDR"},
        {"P7\nWIDTH x\nENDHDR\n", "bad PAM header"},
        {"GIF89a", "not a PNM"},
        {"P7\nWIDTH 1\nHEIGHT 1\nDEPTH 4\nMAXVAL 255\nTUPLTYPE GRAYSCALE\nENDHDR\n\1\2\3\4",
         "tuple type GRAYSCALE takes DEPTH 1, this PAM has DEPTH 4"},
        {"P7\nWIDTH 1\nHEIGHT 1\nDEPTH 3\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n\1\2\3", "takes DEPTH 4"},
        {"P7\nWIDTH 1\nHEIGHT 1\nDEPTH 1\nMAXVAL 255\nENDHDR x\n\1", "bad PAM header at ENDHDR"},
        {"P5\n0 5\n255\n", "has no columns"},
        // Wider than any medium prints: refused at the header, before a row is held.
        {"P5\n200000000 1\n255\n", "200000000 pixels wide, wider than any medium prints"},
        {"P5\n1048577 1\n255\n", "1048577 pixels wide"},
        // Header tokens and lines are held up to a cap, whatever the file holds.
        {"P5\n" + std::string(100000, '1') + " 1\n255\n",
         "bad PNM header: the width \"" + std::string(32, '1') + "...\" is not a number of at most 12 digits"},
        {"P7\nWIDTH " + std::string(100000, '1') + "\n", "bad PAM header: a line longer than 256 bytes"},
        {pam + "TUPLTYPE " + std::string(200, 'T') + "\nTUPLTYPE " + std::string(100, 'T') + "\nENDHDR\n",
         "TUPLTYPE lines of more than 256 bytes together"},
        // TUPLTYPE lines are joined by a space: a tuple type of several words is none prnhost knows.
        {pam + "TUPLTYPE CMYK\nTUPLTYPE EXTRA\nENDHDR\n\1\2\3\4\5", "tuple type \"CMYK EXTRA\" is not one prnhost knows"},
        {pam + "TUPLTYPE CMYK EXTRA\nENDHDR\n\1\2\3\4\5", "tuple type \"CMYK EXTRA\" is not one prnhost knows"},
        {pam + "TUPLTYPE CMYK\x1b[2J\nENDHDR\n\1\2\3\4\5", "tuple type \"CMYK\\x1B[2J\" is not one"},
        {"P7\nWIDTH 200\nWIDTH 100\nHEIGHT 1\nDEPTH 1\nMAXVAL 255\nENDHDR\n" + std::string(200, '\1'),
         "bad PAM header: WIDTH is given twice (WIDTH 200, then WIDTH 100): a PAM header says each once"},
        {pam + "HEIGHT 1\nENDHDR\n\1\2\3\4\5", "bad PAM header: HEIGHT is given twice (HEIGHT 1, then HEIGHT 1)"},
        {"P7\nWIDTH 1\nHEIGHT 1\nDEPTH 1\nMAXVAL 1\nMAXVAL 255\nENDHDR\n\1",
         "bad PAM header: MAXVAL is given twice (MAXVAL 1, then MAXVAL 255)"},
        // A later picture of a kind prnhost does not read is a picture, told by its number.
        {"P5\n2 1\n255\n\1\2P5\n2 1\n100\n\3\4", "picture 2 is not read: samples of maxval 100 (7-bit) are not read"},
    };
    for (const Case& c : cases) {
        const std::string path = TempPath("bad.img");
        WriteBytes(path, c.bytes);
        std::string error;
        EXPECT_EQ(prnhost::OpenImage(path, error), nullptr) << c.expected;
        EXPECT_EQ(error.rfind(path + ": ", 0), 0u) << error;
        EXPECT_NE(error.find(c.expected), std::string::npos) << error;
    }
#ifndef _WIN32
    // A name's control bytes are escaped (Windows takes none in a name).
    WriteBytes(TempPath("bad\x1b[2J.img"), "GIF89a");
    std::string escaped;
    EXPECT_EQ(prnhost::OpenImage(TempPath("bad\x1b[2J.img"), escaped), nullptr);
    EXPECT_NE(escaped.find(TempPath("bad\\x1B[2J.img: not a PNM")), std::string::npos) << escaped;
    std::remove(TempPath("bad\x1b[2J.img").c_str());
#endif
    prnhost::Image image;
    std::string error;
    EXPECT_FALSE(prnhost::ReadImage(TempPath("missing.pam"), image, error));
    EXPECT_NE(error.find("cannot open"), std::string::npos);
    EXPECT_NE(error.find("No such file"), std::string::npos) << error;
    EXPECT_EQ(prnhost::OpenImage(::testing::TempDir(), error), nullptr);
    EXPECT_NE(error.find("not a regular file"), std::string::npos) << error;
}

// A picture of more than 4 GB (a sparse file) is judged by its whole size:
// its header is not taken for one whose raster ends early.
TEST(HostImage, APictureOverFourGigabytesHasItsWholeSize) {
    const std::string path = TempPath("large.pgm");
    const std::string header = "P5\n1048576 4097\n255\n";
    WriteBytes(path, header);
    std::filesystem::resize_file(path, header.size() + (uint64_t{1} << 20) * 4097);
    std::string error;
    std::unique_ptr<prnhost::ImageReader> reader = prnhost::OpenImage(path, error);
    std::vector<uint8_t> row(size_t{1} << 20, 1);
    EXPECT_TRUE(reader && reader->ReadRow(row.data(), error)) << error;
    EXPECT_EQ(row, std::vector<uint8_t>(size_t{1} << 20, 0));
    reader.reset();  // Windows removes no open file
    std::filesystem::remove(path);
}

#ifdef PRNHOST_HAVE_TIFF
// A TIFF written by hand, so that any tag can be left out or set to what a writer should not: each
// directory, the offsets and counts of its strips (of more than one), the strips of the declared bytes
// (none: no strip tags, as libtiff writes a picture of no rows). A SubIFD is out of the chain.
struct TiffDirectory {
    std::map<uint16_t, uint32_t> tags;
    std::string bytes = "";
    std::vector<uint32_t> declared = {};  // of each strip
    bool subIfd = false;
    size_t nextIs = 0;  // not 0: the directory (1 the first) that this one's next-directory offset names
};

std::string HandMadeTiff(std::vector<TiffDirectory> directories, bool bigEndian = false) {
    const auto u16 = [&](uint32_t v) { return std::string{char(v >> 8 * bigEndian), char(v >> 8 * !bigEndian)}; };
    const auto u32 = [&](uint32_t v) { return bigEndian ? u16(v >> 16) + u16(v) : u16(v) + u16(v >> 16); };
    std::string file = (bigEndian ? "MM" : "II") + u16(42) + u32(0);
    size_t next = 4, subIfd = 0;  // where the next directory's offset goes: in the chain, or as a SubIFD
    std::vector<uint32_t> starts;  // each directory's offset
    for (size_t d = 0; d < directories.size(); ++d) {
        auto& [tags, bytes, declared, isSubIfd, nextIs] = directories[d];
        starts.push_back(uint32_t(file.size()));
        file.replace(isSubIfd ? subIfd : next, 4, u32(uint32_t(file.size())));
        const uint32_t n = uint32_t(declared.size());
        if (n > 0) tags[TIFFTAG_STRIPOFFSETS] = tags[TIFFTAG_STRIPBYTECOUNTS] = 0;
        if (d + 1 < directories.size() && directories[d + 1].subIfd) tags[TIFFTAG_SUBIFD] = 0;
        const uint32_t arrays = uint32_t(file.size() + 6 + 12 * tags.size()), data = arrays + (n > 1 ? 8 * n : 0);
        std::string offsets, counts;
        for (uint32_t s = 0, at = data; s < n; at += declared[s++]) offsets += u32(at), counts += u32(declared[s]);
        if (n > 0) tags[TIFFTAG_STRIPOFFSETS] = n > 1 ? arrays : data;
        if (n > 0) tags[TIFFTAG_STRIPBYTECOUNTS] = n > 1 ? arrays + 4 * n : declared[0];
        file += u16(uint32_t(tags.size()));
        for (const auto& [tag, value] : tags) {
            if (tag == TIFFTAG_SUBIFD) subIfd = file.size() + 8;
            const bool isArray = tag == TIFFTAG_STRIPOFFSETS || tag == TIFFTAG_STRIPBYTECOUNTS;
            file += u16(tag) + u16(TIFF_LONG) + u32(isArray ? n : 1) + u32(value);
        }
        if (!isSubIfd) next = file.size();
        file += u32(nextIs > 0 ? starts.at(nextIs - 1) : 0) + (n > 1 ? offsets + counts : std::string()) + bytes;
    }
    return file;
}

std::string HandMadeTiff(std::map<uint16_t, uint32_t> tags, const std::string& strip, uint32_t declared) {
    return HandMadeTiff({{std::move(tags), strip, std::vector<uint32_t>(declared > 0 ? 1 : 0, declared)}});
}

// What the TIFF reader refuses, by name, and what it reads as meant.
TEST(HostImage, TiffIsReadAsMeantOrRefusedByName) {
    const std::map<uint16_t, uint32_t> grey = {{TIFFTAG_IMAGEWIDTH, 3},    {TIFFTAG_IMAGELENGTH, 1},
                                               {TIFFTAG_BITSPERSAMPLE, 8}, {TIFFTAG_SAMPLESPERPIXEL, 1},
                                               {TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK}};
    const auto with = [&grey](std::map<uint16_t, uint32_t> changes, bool withoutPhotometric = false) {
        std::map<uint16_t, uint32_t> tags = grey;
        for (const auto& [tag, value] : changes) tags[tag] = value;
        if (withoutPhotometric) tags.erase(TIFFTAG_PHOTOMETRIC);
        return tags;
    };
    const auto oriented = [&with](uint32_t orientation) {
        return HandMadeTiff(with({{TIFFTAG_ORIENTATION, orientation}}), "\1\2\3", 3);
    };
    const auto bits = [&with](uint32_t depth) {
        return HandMadeTiff(with({{TIFFTAG_BITSPERSAMPLE, depth}}), std::string(12, '\1'), (3 * depth + 7) / 8);
    };
    const auto page = [&with](std::map<uint16_t, uint32_t> changes, const std::string& strip, bool subIfd = false) {
        return TiffDirectory{with(std::move(changes)), strip, {uint32_t(strip.size())}, subIfd};
    };
    const std::pair<const uint16_t, uint32_t> topRight = {TIFFTAG_ORIENTATION, ORIENTATION_TOPRIGHT};
    const TiffDirectory reduced = page({{TIFFTAG_SUBFILETYPE, FILETYPE_REDUCEDIMAGE}, {TIFFTAG_IMAGEWIDTH, 1}}, "\x09");
    const TiffDirectory mask = page({{TIFFTAG_SUBFILETYPE, FILETYPE_MASK | FILETYPE_PAGE}}, "\t\t\t");
    // Pages of four samples: CMYK, RGB and an extra ink, RGB and alpha; separate planes.
    const auto four = [&with](uint32_t photometric, uint32_t extra, uint32_t planar = 1) {
        auto tags = with({{TIFFTAG_SAMPLESPERPIXEL, 4}, {TIFFTAG_PHOTOMETRIC, photometric},
                          {TIFFTAG_PLANARCONFIG, planar}});
        if (photometric == PHOTOMETRIC_RGB) tags[TIFFTAG_EXTRASAMPLES] = extra;
        const uint32_t strips = planar == 1 ? 1 : 4;
        return TiffDirectory{tags, "\1\2\3\4\5\6\7\x08\t\n\v\f", std::vector<uint32_t>(strips, 12 / strips)};
    };
    const struct {
        std::string file, expected;
        std::vector<uint8_t> pixels;  // when read
    } cases[] = {
        {HandMadeTiff(grey, "\1\2\3", 3), "", {1, 2, 3}},
        {oriented(ORIENTATION_BOTRIGHT), "Orientation 3 (bottom-right: turned upside down) is not read", {}},
        // Outside 1 to 8 (libtiff would read these as 1).
        {oriented(0), "Orientation 0 (none of 1 to 8) is not read: save the picture upright (Orientation 1)", {}},
        {oriented(65535), "Orientation 65535 (none of 1 to 8) is not read", {}},
        {bits(1), "a TIFF of 1-bit samples (BitsPerSample 1) is not read: prnhost reads only 8-bit samples", {}},
        {bits(16), "a TIFF of 16-bit samples (BitsPerSample 16) is not read", {}},
        {bits(32), "a TIFF of 32-bit samples (BitsPerSample 32) is not read", {}},
        {HandMadeTiff(with({{TIFFTAG_ORIENTATION, ORIENTATION_TOPRIGHT}}), "\1\2\3", 3), "", {3, 2, 1}},
        // Mirrored pixel by pixel, each pixel's samples kept in their order.
        {HandMadeTiff({page({{TIFFTAG_SAMPLESPERPIXEL, 3}, {TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB}, topRight},
                            "\1\2\3\4\5\6\7\x08\t")}), "", {7, 8, 9, 4, 5, 6, 1, 2, 3}},
        {HandMadeTiff({page({{TIFFTAG_SAMPLESPERPIXEL, 4}, {TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_SEPARATED}, topRight},
                            "\1\2\3\4\5\6\7\x08\t\n\v\f")}), "", {9, 10, 11, 12, 5, 6, 7, 8, 1, 2, 3, 4}},
        {HandMadeTiff(with({{TIFFTAG_ORIENTATION, ORIENTATION_BOTLEFT}}), "\1\2\3", 3),
         "Orientation 4 (bottom-left: rows stored bottom to top) is not read", {}},
        {HandMadeTiff(with({{TIFFTAG_ORIENTATION, ORIENTATION_RIGHTTOP}}), "\1\2\3", 3),
         "Orientation 6 (right-top: turned a quarter) is not read", {}},
        {HandMadeTiff(with({{TIFFTAG_SAMPLESPERPIXEL, 4}}), std::string(12, '\1'), 12),
         "a grey TIFF (MinIsBlack) of 4 samples per pixel is not read", {}},
        {HandMadeTiff(with({{TIFFTAG_SAMPLESPERPIXEL, 4}}, true), std::string(12, '\1'), 12),
         "a TIFF without Photometric: cannot tell whether its 4 samples per pixel are grey, RGB or CMYK", {}},
        {HandMadeTiff(with({{TIFFTAG_SAMPLEFORMAT, SAMPLEFORMAT_INT}}), "\1\2\3", 3),
         "a TIFF of signed integer samples (SampleFormat 2) is not read", {}},
        {HandMadeTiff(with({{TIFFTAG_SAMPLEFORMAT, SAMPLEFORMAT_IEEEFP}, {TIFFTAG_BITSPERSAMPLE, 32}}),
                      std::string(12, '\0'), 12),
         "a TIFF of floating-point samples (SampleFormat 3) is not read", {}},
        {HandMadeTiff(with({{TIFFTAG_IMAGELENGTH, 0}}), "", 0), "empty image: it has no rows", {}},
        // A big-endian file's numbers are read as such.
        {HandMadeTiff({{with({{TIFFTAG_IMAGELENGTH, 0}})}}, true), "empty image: it has no rows", {}},
        {HandMadeTiff({page({{TIFFTAG_ORIENTATION, 0}}, "\1\2\3")}, true), "Orientation 0 (none of 1 to 8) is not", {}},
        {HandMadeTiff({page({topRight}, "\1\2\3")}, true), "", {3, 2, 1}},
        // One byte of the strip missing at the end of the file.
        {HandMadeTiff(with({{TIFFTAG_IMAGELENGTH, 2}}), "\1\2\3\4\5", 6),
         "raster data ends early: strip 0 runs past the end of the file", {}},
        // Two rows of 1,000 bytes a strip, the second strip 10 bytes inside the file.
        {HandMadeTiff({{with({{TIFFTAG_IMAGEWIDTH, 1000}, {TIFFTAG_IMAGELENGTH, 4}, {TIFFTAG_ROWSPERSTRIP, 2}}),
                        std::string(2010, '\1'), {2000, 2000}}}),
         "raster data ends early: strip 1 runs past the end of the file", {}},
        // A strip of 10 bytes for a row of 1,000 bytes, though the file holds enough after it: its own end bounds it.
        {HandMadeTiff({{with({{TIFFTAG_IMAGEWIDTH, 1000}, {TIFFTAG_IMAGELENGTH, 2}, {TIFFTAG_ROWSPERSTRIP, 1}}),
                        std::string(2000, '\1'), {10, 1000}}}),
         "raster data ends early: strip 0 declares 1000 bytes of rows, its 10 bytes in the file cannot hold them", {}},
        // Every page, in order: reduced-resolution and mask images, and SubIFDs, are none; each
        // page is read by the rules of a picture, and has the first one's size and colours.
        {HandMadeTiff({reduced, page({}, "\1\2\3"), page({{TIFFTAG_IMAGEWIDTH, 2}}, "\x09\x09", true), mask,
                       page({{TIFFTAG_SUBFILETYPE, FILETYPE_PAGE}, topRight}, "\4\5\6"), page({}, "\7\x08\x09")}),
         "", {1, 2, 3, 6, 5, 4, 7, 8, 9}},
        {HandMadeTiff({reduced, mask}), "no page: every image of the file is a reduced-resolution or mask image", {}},
        {HandMadeTiff({page({}, "\1\2\3"), page({{TIFFTAG_ORIENTATION, ORIENTATION_BOTRIGHT}}, "\4\5\6")}),
         "page 2: Orientation 3 (bottom-right: turned upside down) is not read", {}},
        {HandMadeTiff({page({}, "\1\2\3"), page({{TIFFTAG_IMAGEWIDTH, 2}}, "\4\5")}),
         "page 2 is 2 x 1 pixels of 1 \"grey\" channels, page 1 3 x 1 pixels of 1 \"grey\" channels: every page", {}},
        {HandMadeTiff({page({}, "\1\2\3"), reduced, {with({{TIFFTAG_IMAGELENGTH, 0}})}}),
         "directory 3: empty image: it has no rows (ImageLength 0)", {}},
        {HandMadeTiff({page({}, "\1\2\3"), page({}, "\4\5\6"), {with({}), "\7\x08\t", {3}, false, 2}}),
         "its directory 3 points back at directory 2, so its directories never end: the file is damaged; save the "
         "picture again", {}},
        // Pages alike in size and samples, unlike in alpha or in colours.
        {HandMadeTiff({four(PHOTOMETRIC_RGB, EXTRASAMPLE_UNSPECIFIED), four(PHOTOMETRIC_RGB, EXTRASAMPLE_UNASSALPHA)}),
         "page 2 is 3 x 1 pixels of 4 \"rgb\" channels, 1 of them alpha, page 1 3 x 1 pixels of 4 \"rgb\" channels: "
         "every page of a job has the first one's size and colours", {}},
        {HandMadeTiff({four(PHOTOMETRIC_SEPARATED, 0), four(PHOTOMETRIC_RGB, EXTRASAMPLE_UNSPECIFIED)}),
         "page 2 is 3 x 1 pixels of 4 \"rgb\" channels, page 1 3 x 1 pixels of 4 \"cmyk\" channels", {}},
        // Each page's own Orientation, whatever the first page's.
        {HandMadeTiff({page({{TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT}}, "\1\2\3"), page({topRight}, "\4\5\6")}), "",
         {1, 2, 3, 6, 5, 4}},
        // Separate planes, then interleaved samples.
        {HandMadeTiff({four(PHOTOMETRIC_SEPARATED, 0, PLANARCONFIG_SEPARATE), four(PHOTOMETRIC_SEPARATED, 0)}), "",
         {1, 4, 7, 10, 2, 5, 8, 11, 3, 6, 9, 12, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}},
        // Refused at the header: the row is never held.
        {HandMadeTiff(with({{TIFFTAG_IMAGEWIDTH, 200000000}, {TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE}}),
                      "x", 1),
         "200000000 pixels wide, wider than any medium prints", {}},
    };
    for (const auto& c : cases) {
        const std::string path = TempPath("case.tif");
        WriteBytes(path, c.file);
        prnhost::Image image;
        std::string error;
        EXPECT_EQ(ReadPages(path, image, error), c.expected.empty()) << c.expected << ": " << error;
        EXPECT_NE(error.find(c.expected.empty() ? "" : path + ": " + c.expected), std::string::npos) << error;
        EXPECT_EQ(image.pixels, c.pixels) << c.expected;
    }
}
TEST(HostImage, PlanarCmykTiffIsInterleaved) {
    const std::string path = TempPath("planar.tif");
    {
        TIFF* t = TIFFOpen(path.c_str(), "w");
        ASSERT_NE(t, nullptr);
        TIFFSetField(t, TIFFTAG_IMAGEWIDTH, 2);
        TIFFSetField(t, TIFFTAG_IMAGELENGTH, 1);
        TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 4);
        TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_SEPARATED);
        TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_SEPARATE);
        TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, 1);
        for (uint16_t s = 0; s < 4; ++s) {
            uint8_t row[2] = {static_cast<uint8_t>(10 + s), static_cast<uint8_t>(20 + s)};
            ASSERT_GE(TIFFWriteScanline(t, row, 0, s), 0);
        }
        TIFFClose(t);
    }
    prnhost::Image image;
    std::string error;
    ASSERT_TRUE(prnhost::ReadImage(path, image, error)) << error;
    EXPECT_EQ(image.colorSpace, "cmyk");
    EXPECT_EQ(image.pixels, (std::vector<uint8_t>{10, 11, 12, 13, 20, 21, 22, 23}));
}
#endif

}  // namespace
