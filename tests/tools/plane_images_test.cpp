#include "prndump/plane_images.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>

#include "prndump/cut_data.h"
#include "prndump/decode_error.h"
#include "prndump/png_out.h"
#include "stream_samples.h"

namespace {

using namespace samples;
using prndecode::AssemblePages;
using prndecode::DecodeError;
using prndecode::PageImage;

std::vector<PageImage> Pages(const Bytes& file) {
    return AssemblePages(prndecode::ReadRecords(file.data(), file.size()));
}

TEST(PlaneImages, AssembleThePlanesOfAPageLineByLine) {
    const auto pages = Pages(Jv33Job());
    ASSERT_EQ(pages.size(), 1u);
    const PageImage& page = pages[0];
    EXPECT_EQ(page.number, 1);
    EXPECT_EQ(page.lines, 3u);
    ASSERT_EQ(page.planes.size(), 5u);
    EXPECT_EQ(page.WidthPixels(), 32u);

    const auto* cyan = page.Find(2);
    ASSERT_NE(cyan, nullptr);
    EXPECT_EQ(cyan->bitsPerPixel, 1);
    EXPECT_EQ(cyan->Row(0, 4), B({0xF0, 0x0F, 0, 0}));
    EXPECT_EQ(cyan->Row(1, 4), Bytes(4, 0));
    EXPECT_EQ(cyan->Dot(3, 0), 1);
    EXPECT_EQ(cyan->Dot(4, 0), 0);
    EXPECT_EQ(cyan->Dot(12, 0), 1);
    EXPECT_EQ(cyan->Dot(100, 0), 0);
    EXPECT_THROW(cyan->Row(0, 1), DecodeError);

    const auto* yellow = page.Find(4);
    ASSERT_NE(yellow, nullptr);
    EXPECT_EQ(yellow->bitsPerPixel, 2);
    for (int x = 0; x < 4; ++x) EXPECT_EQ(yellow->Dot(size_t(x), 2), x);
    EXPECT_EQ(yellow->Dot(0, 0), 0);

    // The doubled screening plane arrives as two planes with the same dots.
    ASSERT_NE(page.Find(0xFE), nullptr);
    ASSERT_NE(page.Find(0xFF), nullptr);
    EXPECT_EQ(page.Find(0xFE)->rows, page.Find(0xFF)->rows);
    EXPECT_EQ(page.Find(0), nullptr);  // black never printed
}

// A classic line of one cyan byte (ESC "i" ... CR).
Bytes ClassicCyan(int byte) { return B({0x1B, 'i', 2, 0, 1, 1, 0, 1, 0, byte, 0x0D}); }

TEST(PlaneImages, ClassicPagesSkipLinesAndSplitAtTheClosedLayer) {
    const Bytes file = Stream()
                           .Add(kPageHeader, B({0x1B, '@'}))
                           .Add(kData, ClassicCyan(0x80))                             // line 0
                           .Add(kData, Cat({B({'M', 'V', 1, 9, 0, 0}), ClassicCyan(0x40)}))  // line 9
                           .Add(kData, B({'M', 'Z', 10, 0, 'C', 'l', 'o', 's', 'e', 'L', 'a', 'y', 'e', 'r', 0x0C}))
                           .Add(kData, Cat({B({0x0A, 0x0A}), ClassicCyan(0x20)}))   // layer 1, line 2
                           .Add(kPageEnd, B({'M', 'Z', 0, 0, 0x0C}))
                           .bytes();
    const auto pages = Pages(file);
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(pages[0].layer, 0);
    EXPECT_EQ(pages[0].lines, 10u);
    EXPECT_EQ(pages[0].Find(2)->Row(9, 1), B({0x40}));
    EXPECT_EQ(pages[1].layer, 1);
    EXPECT_EQ(pages[1].number, 1);
    EXPECT_EQ(pages[1].lines, 3u);
    EXPECT_EQ(pages[1].Find(2)->Row(2, 1), B({0x20}));
}

TEST(PlaneImages, StartANewPageAtEachPageHeader) {
    const Bytes file = Stream()
                           .Add(kPageHeader, kJv33PageHeader)
                           .Add(kData, Jv33Line0())
                           .Add(kPageEnd, kQE)
                           .Add(kPageLink)
                           .Add(kPageHeader, kJv33PageHeader)
                           .Add(kData, kLineEnd)
                           .Add(kData, Jv33Line0())
                           .Add(kPageEnd, kQE)
                           .bytes();
    const auto pages = Pages(file);
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(pages[0].lines, 1u);
    EXPECT_EQ(pages[1].number, 2);
    EXPECT_EQ(pages[1].lines, 2u);
    EXPECT_EQ(pages[1].Find(2)->Row(1, 2), B({0xF0, 0x0F}));
    EXPECT_EQ(pages[1].Find(2)->Row(0, 2), B({0, 0}));
}

TEST(PlaneImages, AssembleClassicAndLayeredRecords) {
    const Bytes classicLine = B({0x1B, 'i', 0, 1, 1, 3, 0, 1, 0, 0xFE, 0x55, 0x0D, 0x0A});
    const Bytes layeredLine = Cat({B({'Q', 'D', 10, 2, 0, 1, 1, 0, 1, 0, 1, 0, 1, 0x80}), kPlaneEnd,
                                   B({'Q', 'D', 10, 2, 0, 1, 1, 0, 1, 0, 1, 0, 2, 0x40}), kPlaneEnd, kLineEnd});
    const auto pages = Pages(Stream()
                                 .Add(kPageHeader, B({0x1B, '@'}))
                                 .Add(kData, classicLine)
                                 .Add(kPageEnd, B({0x0C}))
                                 .Add(kPageHeader)
                                 .Add(kData, layeredLine)
                                 .Add(kPageEnd, kQE)
                                 .bytes());
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(pages[0].Find(0)->rows[0], B({0x55, 0x55, 0x55}));
    ASSERT_EQ(pages[1].planes.size(), 2u);
    EXPECT_EQ(pages[1].Find(2, 1)->Dot(0, 0), 1);
    EXPECT_EQ(pages[1].Find(2, 2)->Dot(1, 0), 1);
}

TEST(PlaneImages, RefuseStreamsThatBreakThePageStructure) {
    const Bytes cyanOnly = B({'Q', 'D', 7, 2, 0, 1, 1, 0, 1, 0, 0x80, 'Q', 'R', 1, 0});
    const Bytes cyan2Bit = B({'Q', 'D', 7, 2, 0, 2, 1, 0, 1, 0, 0x80, 'Q', 'R', 1, 0, 'Q', 'R', 1, 1});
    const std::vector<Bytes> broken = {
        Stream().Add(kData, Jv33Line0()).bytes(),                                          // outside a page
        Stream().Add(kPageHeader).Add(kData, cyanOnly).Add(kPageEnd, kQE).bytes(),          // line not ended
        Stream().Add(kPageHeader).Add(kData, Cat({cyanOnly, cyanOnly, kLineEnd})).Add(kPageEnd).bytes(),  // twice
        Stream().Add(kPageHeader).Add(kData, Jv33Line0()).Add(kData, cyan2Bit).Add(kPageEnd).bytes(),  // bpp change
        Stream().Add(kPageHeader).Add(kData, Jv33Line0()).bytes(),                          // no page end
        Stream().Add(kPageHeader).Add(kPageHeader).bytes(),                                 // nested page
        Stream().Add(kPageEnd).bytes(),                                                     // end without page
        Stream().Add(kPageHeader).Add(kData, B({'Q', 'D', 7})).bytes(),                     // undecodable
        Stream().Add(kPageHeader).Add(kData, B({'Q', 'D', 7, 2, 0, 3, 1, 0, 1, 0, 1, 'Q', 'R', 1, 1})).bytes(),
        Stream().Add(kPageHeader).Add(kData, LayerHeader(1, 2, 1)).Add(kData, CyanLine(1)).Add(kPageEnd, kQE).bytes(),
    };
    for (size_t i = 0; i < broken.size(); ++i) EXPECT_THROW(Pages(broken[i]), DecodeError) << "case " << i;
}

// A layer played backwards is turned round within its lines, also where a plane stops short of them.
TEST(PlaneImages, TurnOnlyALayerPlayedBackwards) {
    PageImage image;
    image.layer = 0;
    image.lines = 3;
    image.planes = {prndecode::PlaneImage{-1, 2, 1, {B({0x80})}}};  // the first line sent only
    for (const auto& [direction, dotted] : {std::pair(0, 0u), std::pair(1, 2u)}) {
        image.header.direction = direction;
        const PageImage upright = prndecode::Upright(image);
        for (size_t y = 0; y < 3; ++y) EXPECT_EQ(upright.planes[0].Dot(0, y), y == dotted) << direction << ", " << y;
    }
}

// Line skips ("MV", three bytes of count) make every plane of a page hold the
// skipped lines: the planes of a file hold 8,388,608 lines together at most,
// and a file asking for more is refused before they are made.
TEST(PlaneImages, RefuseLineSkipsBeyondWhatThePlanesOfTheFileMayHold) {
    const auto skipThenCyan = [](uint32_t lines) {
        return Cat({B({'M', 'V', 1, uint8_t(lines), uint8_t(lines >> 8), uint8_t(lines >> 16)}), ClassicCyan(0x40)});
    };
    const auto page = [&](uint32_t lines) {
        return Stream().Add(kPageHeader, B({0x1B, '@'})).Add(kData, skipThenCyan(lines)).Add(kPageEnd, B({0x0C})).bytes();
    };
    const auto pages = Pages(page(1000000));
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(pages[0].lines, 1000001u);
    EXPECT_EQ(pages[0].Find(2)->Row(1000000, 1), B({0x40}));

    try {
        Pages(page(0xFFFFFF));
        ADD_FAILURE() << "a skip of 16,777,215 lines was assembled";
    } catch (const DecodeError& e) {
        EXPECT_NE(std::string(e.what()).find("more than 8388608 lines"), std::string::npos) << e.what();
    }
    // Pages within the limit each, but not together.
    EXPECT_EQ(Pages(Cat({page(3000000), page(3000000)})).size(), 2u);
    EXPECT_THROW(Pages(Cat({page(3000000), page(3000000), page(3000000)})), DecodeError);
}

// Reads a PNG back as 8-bit RGB.
std::vector<uint8_t> ReadRgb(const std::string& path, size_t& width, size_t& height) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return {};
    image.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) return {};
    width = image.width;
    height = image.height;
    return pixels;
}

TEST(PlanePictures, ShowDotsAsGreyAndInksInColour) {
    const PageImage page = Pages(Jv33Job())[0];
    const std::string dir = testing::TempDir();
    const std::string planePath = dir + "/plane_c.png";
    const std::string previewPath = dir + "/preview.png";
    prndecode::WritePng(planePath, prndecode::RenderPlane(*page.Find(2), page.WidthPixels(), page.lines));
    prndecode::WritePng(previewPath, prndecode::RenderPreview(page));

    size_t width = 0;
    size_t height = 0;
    auto grey = ReadRgb(planePath, width, height);
    ASSERT_EQ(grey.size(), 32u * 3 * 3);
    EXPECT_EQ(width, 32u);
    EXPECT_EQ(height, 3u);
    EXPECT_EQ(grey[0], 0);        // dot
    EXPECT_EQ(grey[4 * 3], 255);  // no dot

    auto rgb = ReadRgb(previewPath, width, height);
    ASSERT_EQ(rgb.size(), 32u * 3 * 3);
    auto at = [&](size_t x, size_t y) { return std::vector<int>(rgb.begin() + long((y * width + x) * 3), rgb.begin() + long((y * width + x) * 3 + 3)); };
    EXPECT_EQ(at(5, 0), (std::vector<int>{230, 0, 126}));   // magenta alone
    EXPECT_EQ(at(0, 0), (std::vector<int>{0, 0, 114}));     // cyan over magenta
    EXPECT_EQ(at(0, 1), (std::vector<int>{255, 255, 255}));  // blank line
    EXPECT_EQ(at(3, 2), (std::vector<int>{255, 236, 0}));    // largest yellow dot; FE and FF are not inks
    EXPECT_EQ(at(1, 2), (std::vector<int>{255, 249, 170}));  // smallest of three yellow dot sizes

    EXPECT_THROW(prndecode::WritePng(dir + "/no/such/dir/x.png", prndecode::RenderPreview(page)), DecodeError);
    // A full disk met inside the encoder (a picture larger than a write buffer) names the system's reason.
    prndecode::Picture noise;
    noise.width = noise.height = 256;
    noise.channels = 3;
    for (uint32_t i = 0, x = 1; i < 256 * 256 * 3; ++i, x = x * 1103515245u + 12345u) noise.pixels.push_back(uint8_t(x >> 24));
    try {
        prndecode::WritePng("/dev/full", noise);
        ADD_FAILURE() << "written to /dev/full";
    } catch (const DecodeError& e) {
        EXPECT_STREQ(e.what(), "writing /dev/full failed: No space left on device");
    }
    // A page without dots still gives a picture.
    PageImage blank;
    EXPECT_NO_THROW(prndecode::WritePng(dir + "/blank.png", prndecode::RenderPreview(blank)));
    std::remove(planePath.c_str());
    std::remove(previewPath.c_str());
    std::remove((dir + "/blank.png").c_str());
}

}  // namespace

namespace {

// A print-and-cut page ("GR" first in its header): a mark row of the full
// width, then an image row moved right by "QY" 1 and 16 bits; the cut data
// after the page end comes back as MGL and HP-GL text.
TEST(PlaneImages, MoveTheImageRowsOfAPrintAndCutPagePastTheMarks) {
    const Bytes header = Cat({B({'G', 'R', 18, 0, 0}), Bytes(16, 1), kJv33PageHeader});
    const Bytes mark = Cat({B({'Q', 'D', 7, 0, 0, 1, 4, 0, 1, 0, 0xC0, 0, 0, 0x03}), kLineEnd});
    const Bytes image = Cat({B({'Q', 'Y', 5, 1, 16, 0, 0, 0, 'Q', 'D', 7, 0, 0, 1, 1, 0, 1, 0, 0x81}), kPlaneEnd,
                             B({'Q', 'D', 7, 2, 0, 1, 1, 0, 1, 0, 0xFF}), kPlaneEnd, kLineEnd});
    const Bytes cut = Cat({B({'G', 'T', 1, 0x80}), B({'I', 'N', ';', 'P', 'U', '1', ',', '2', ';', 'J', 'E', ';'}),
                           B({'G', 'T', 1, 0})});
    const Bytes file = Stream()
                           .Add(kPageHeader, header)
                           .Add(kData, mark)
                           .Add(kData, image)
                           .Add(kPageEnd, kQE)
                           .Add(0xD0000012, cut)
                           .bytes();
    const auto records = prndecode::ReadRecords(file.data(), file.size());
    const auto pages = AssemblePages(records);
    ASSERT_EQ(pages.size(), 1u);
    const auto* k = pages[0].Find(0);
    ASSERT_NE(k, nullptr);
    EXPECT_EQ(k->Row(0, 4), B({0xC0, 0, 0, 0x03}));
    EXPECT_EQ(k->Row(1, 4), B({0, 0, 0x81, 0}));
    EXPECT_EQ(pages[0].Find(2)->Row(1, 4), B({0xFF, 0, 0, 0}));  // no "QY" before it: not moved

    const auto cuts = prndecode::ExtractCutData(records);
    ASSERT_EQ(cuts.size(), 1u);
    EXPECT_EQ(cuts[0].page, 1);
    EXPECT_EQ(cuts[0].mgl, "IN;PU1,2;JE;");
    EXPECT_EQ(cuts[0].hpgl, "IN;\nPU1,2;\n");

    // On the other pages "QY" is the line width: nothing moves.
    const Bytes plain = Stream().Add(kPageHeader, kJv33PageHeader).Add(kData, image).Add(kPageEnd, kQE).bytes();
    EXPECT_EQ(Pages(plain)[0].Find(0)->Row(0, 4), B({0x81, 0, 0, 0}));
}

}  // namespace
