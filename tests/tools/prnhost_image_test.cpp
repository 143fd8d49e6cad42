#include "image.h"

#include <gtest/gtest.h>

#include <fstream>

#ifdef PRNHOST_HAVE_TIFF
#include <tiffio.h>
#endif

namespace {

std::string TempPath(const std::string& name) { return ::testing::TempDir() + name; }

void WriteBytes(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

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

TEST(HostImage, PpmWithCommentsIsRgb) {
    const std::string path = TempPath("two.ppm");
    WriteBytes(path, std::string("P6\n# made by hand\n2 1\n255\n") + std::string("\x01\x02\x03\x04\x05\x06", 6));
    prnhost::Image image;
    std::string error;
    ASSERT_TRUE(prnhost::ReadImage(path, image, error)) << error;
    EXPECT_EQ(image.colorSpace, "rgb");
    EXPECT_EQ(image.pixels, (std::vector<uint8_t>{1, 2, 3, 4, 5, 6}));
}

TEST(HostImage, BadFilesGiveMessagesNamingTheProblem) {
    struct Case {
        std::string bytes, expected;
    } cases[] = {
        {"P6\n2 1\n65535\n", "only 8-bit"},
        {"P6\n2 2\n255\n\x01\x02", "ends early"},
        {"P5\n0 5\n255\n", "empty image"},
        {"P5\n9999999999 1\n255\n", "too large"},
        // Refused at the header, before a row is read or anything large is allocated.
        {"P7\nWIDTH 16000\nHEIGHT 16000\nDEPTH 4\nMAXVAL 255\nTUPLTYPE CMYK\nENDHDR\n" + std::string(100, 'x'),
         "the header declares 1024000000 bytes, the file holds 100"},
        {"P7\nWIDTH 1\nHEIGHT 1\nDEPTH 1\nMAXVAL 255\n", "without ENDHDR"},
        {"P7\nWIDTH x\nENDHDR\n", "bad PAM header"},
        {"GIF89a", "not a PNM"},
    };
    for (const Case& c : cases) {
        const std::string path = TempPath("bad.img");
        WriteBytes(path, c.bytes);
        prnhost::Image image;
        std::string error;
        EXPECT_FALSE(prnhost::ReadImage(path, image, error)) << c.expected;
        EXPECT_NE(error.find(c.expected), std::string::npos) << error;
    }
    prnhost::Image image;
    std::string error;
    EXPECT_FALSE(prnhost::ReadImage(TempPath("missing.pam"), image, error));
    EXPECT_NE(error.find("cannot open"), std::string::npos);
    EXPECT_EQ(prnhost::OpenImage(::testing::TempDir(), error), nullptr);
    EXPECT_NE(error.find("not a regular file"), std::string::npos) << error;
}

#ifdef PRNHOST_HAVE_TIFF
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
