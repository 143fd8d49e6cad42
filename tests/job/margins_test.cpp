// Hardware margins, printable area and the crop of an image that does not fit.
#include "job/job_test_support.h"

namespace {

// At 254 dpi one millimetre is exactly ten pixels, which keeps the numbers
// below readable.
class Margins : public JobTest {
protected:
    // A job of the given output size on a medium of the given size (mm) with
    // margins (mm) left, right, top, bottom.
    void Place(int outWidth, int outHeight, double widthMm, double heightMm, double left = 0, double right = 0,
               double top = 0, double bottom = 0, double dpi = 254.0, double yDpi = 0.0) {
        store.SetElements(3, kJobId, "Output/Prn/Printer/Model", {700});
        store.Set(3, kJobId, "Output/Prn/Linearization/BPLPath", std::string("x.epl"));
        store.Set(3, kJobId, "Output/Prn/Printer/ResolutionX", dpi);
        store.Set(3, kJobId, "Output/Prn/Printer/ResolutionY", yDpi > 0.0 ? yDpi : dpi);
        store.Set(3, kJobId, "Process/OutWidthPixel", outWidth);
        store.Set(3, kJobId, "Process/OutHeightPixel", outHeight);
        store.Set(3, kJobId, "Output/Prn/Media/Size/Width", widthMm);
        store.Set(3, kJobId, "Output/Prn/Media/Size/Height", heightMm);
        store.Set(3, kJobId, "Output/Prn/Media/Margin/Left", left);
        store.Set(3, kJobId, "Output/Prn/Media/Margin/Right", right);
        store.Set(3, kJobId, "Output/Prn/Media/Margin/Top", top);
        store.Set(3, kJobId, "Output/Prn/Media/Margin/Bottom", bottom);
    }
    CVarnPrn& Run() {
        EXPECT_EQ(Read(), 0);
        return *job;
    }
};

TEST_F(Margins, MissingMarginsGiveThePageAsPrintableArea) {
    Ticket(kMinimalJob);
    CVarnPrn& j = Run();
    EXPECT_EQ(j.m_iHwMarginLeft, 0);
    EXPECT_EQ(j.m_iPrintableWidth, 28346);  // 1000 mm at 720 dpi, rounded down
    EXPECT_TRUE(log.Has("\tPage size = 28346 x 56693 pixel"));
}

TEST_F(Margins, PrintableWidthEqualToTheImageDoesNotCrop) {
    Place(900, 100, 100.0, 500.0, 5.0, 5.0);
    EXPECT_FALSE(Run().m_bCropping);
    Place(901, 100, 100.0, 500.0, 5.0, 5.0);
    CVarnPrn& j = Run();
    EXPECT_TRUE(j.m_bCropping);
    EXPECT_EQ(j.m_iCropRight, 1);
    EXPECT_EQ(j.m_iImageWidth, 900);
    EXPECT_TRUE(log.Has("***Cropping active"));
}

TEST_F(Margins, ImageLargerThanThePageCropsRightAndBottom) {
    Place(1500, 6000, 100.0, 500.0, 5.0, 5.0, 10.0, 10.0);
    CVarnPrn& j = Run();
    EXPECT_EQ(j.m_iCropLeft, 0);
    EXPECT_EQ(j.m_iCropRight, 600);
    EXPECT_EQ(j.m_iCropTop, 0);
    EXPECT_EQ(j.m_iCropBottom, 1200);
    EXPECT_EQ(j.m_iImageWidth, j.m_iPrintableWidth);
    EXPECT_EQ(j.m_iImageHeight, j.m_iPrintableHeight);
}

TEST_F(Margins, ImageEqualToThePageCentresTheCropOnTheMargins) {
    // Page 1000 x 5000 pixels, margins 50 left and right, 100 top and bottom.
    Place(1000, 5000, 100.0, 500.0, 5.0, 5.0, 10.0, 10.0);
    CVarnPrn& j = Run();
    EXPECT_TRUE(log.Has("\tPage size is equal image size"));
    EXPECT_EQ(j.m_iCropLeft, 50);
    EXPECT_EQ(j.m_iCropRight, 50);
    EXPECT_EQ(j.m_iCropTop, 100);
    EXPECT_EQ(j.m_iCropBottom, 100);
    EXPECT_EQ(j.m_iImageWidth, 900);
    EXPECT_EQ(j.m_iImageHeight, 4800);

    // The skip key makes the same image crop only right and bottom.
    store.Set(3, kJobId, "Process/SkipPageEqualImageSize", 1);
    CVarnPrn& k = Run();
    EXPECT_EQ(k.m_iCropLeft, 0);
    EXPECT_EQ(k.m_iCropRight, 100);
    EXPECT_EQ(k.m_iCropTop, 0);
    EXPECT_EQ(k.m_iCropBottom, 200);
}

// With unequal resolutions every left and right value follows the x
// resolution and every top and bottom value the y resolution. A medium of
// 100 x 200 mm, margins 5 left, 3 right, 10 top, 2 bottom, and an image as
// large as the page, so the crop is centred on the margins.
TEST_F(Margins, EachAxisFollowsItsOwnResolution) {
    struct Case {
        double x, y;
        int32_t left, right, top, bottom;     // hardware margins
        int32_t pageWidth, pageHeight;        // the image too
        int32_t printableWidth, printableHeight;
    };
    for (const Case& c : {Case{720, 1440, 142, 85, 567, 113, 2835, 11339, 2607, 10658},
                          Case{1440, 720, 283, 170, 283, 57, 5669, 5669, 5215, 5329}}) {
        Place(c.pageWidth, c.pageHeight, 100.0, 200.0, 5.0, 3.0, 10.0, 2.0, c.x, c.y);
        CVarnPrn& j = Run();
        SCOPED_TRACE(std::to_string(int(c.x)) + " x " + std::to_string(int(c.y)));
        EXPECT_EQ(j.m_iHwMarginLeft, c.left);
        EXPECT_EQ(j.m_iHwMarginRight, c.right);
        EXPECT_EQ(j.m_iHwMarginTop, c.top);
        EXPECT_EQ(j.m_iHwMarginBottom, c.bottom);
        EXPECT_EQ(j.m_iPrintableWidth, c.printableWidth);
        EXPECT_EQ(j.m_iPrintableHeight, c.printableHeight);
        EXPECT_TRUE(log.Has("\tPage size = " + std::to_string(c.pageWidth) + " x " + std::to_string(c.pageHeight) +
                            " pixel"));
        EXPECT_TRUE(log.Has("\tPage size is equal image size"));
        EXPECT_EQ(j.m_iCropLeft, c.left);
        EXPECT_EQ(j.m_iCropRight, c.pageWidth - c.left - c.printableWidth);
        EXPECT_EQ(j.m_iCropTop, c.top);
        EXPECT_EQ(j.m_iCropBottom, c.pageHeight - c.top - c.printableHeight);
        EXPECT_EQ(j.m_iImageWidth, c.printableWidth);
        EXPECT_EQ(j.m_iImageHeight, c.printableHeight);
        log.lines.clear();
    }
}

// A resolution no printer has puts the printable size at the end of the
// 32-bit range: the crops are held within it (no signed overflow) and
// nothing of the image is left to print.
TEST_F(Margins, AbsurdResolutionCropsTheWholeImageWithoutOverflow) {
    Place(1000, 100, 100.0, 500.0, 0.0, 0.0, 0.0, 0.0, 1e300, 254.0);
    // The job is refused later (a page beyond a 32-bit count of pixels); the
    // margins are worked out first.
    EXPECT_EQ(Read(), -3);
    CVarnPrn& j = *job;
    EXPECT_GE(j.m_iCropLeft, 0);
    EXPECT_GE(j.m_iCropRight, 0);
    EXPECT_EQ(j.m_iImageWidth, 1000);  // a huge page holds the image
    // A negative resolution holds no page at all.
    Place(1000, 100, 100.0, 500.0, 0.0, 0.0, 0.0, 0.0, -1e300, 254.0);
    EXPECT_EQ(Read(), -3);
}

TEST_F(Margins, ToleranceOfTwoTenthsOfAMillimetre) {
    // At 720 dpi 0.2 mm is 6 pixels: an image 5 pixels wider than the page
    // counts as the page.
    Place(28346 + 5, 100, 1000.0, 500.0, 5.0, 5.0, 0.0, 0.0, 720.0);
    CVarnPrn& j = Run();
    EXPECT_TRUE(log.Has("\tPage size is equal image size"));
    EXPECT_EQ(j.m_iCropLeft, 142);  // the left margin in pixels
    log.lines.clear();
    Place(28346 + 6, 100, 1000.0, 500.0, 5.0, 5.0, 0.0, 0.0, 720.0);
    EXPECT_EQ(Run().m_iCropLeft, 0);
    EXPECT_FALSE(log.Has("\tPage size is equal image size"));
}

TEST_F(Margins, CropsFollowTheScaleFactor) {
    // RIP at half the printer's resolution: scale 2. Output 1003 becomes 2006.
    Place(1003, 100, 200.0, 500.0, 0.0, 0.0);
    store.Set(3, kJobId, "Output/Input/RipResolutionX", 127.0);
    CVarnPrn& j = Run();
    ASSERT_EQ(j.m_iScaleX, 2);
    EXPECT_EQ(j.m_iCropRight, 6);  // 2006 - 2000 = 6 stays 6
    EXPECT_EQ(j.m_iImageWidth, 2000);

    Place(1003, 100, 199.95, 500.0, 0.0, 0.0);  // printable 1999: a crop of 7 becomes 8
    store.Set(3, kJobId, "Output/Input/RipResolutionX", 127.0);
    CVarnPrn& k = Run();
    EXPECT_EQ(k.m_iCropRight, 8);
    EXPECT_EQ(k.m_iImageWidth, 1998);
    EXPECT_TRUE(log.Has("\tCrop right  = 4 pixel"));
}

TEST_F(Margins, LeftCropIsKeptInInputPixels) {
    // Page 1000 wide with a 7-pixel left margin at scale 2: crop left 7 -> 8 -> 4.
    Place(503, 5000, 100.0, 500.0, 0.7, 0.0);
    store.Set(3, kJobId, "Output/Input/RipResolutionX", 127.0);
    CVarnPrn& j = Run();
    ASSERT_TRUE(log.Has("\tPage size is equal image size"));
    EXPECT_EQ(j.m_iCropLeft, 4);
    EXPECT_TRUE(log.Has("\tCrop left   = 4 pixel"));
}

TEST_F(Margins, ImageBetweenPrintableAreaAndPageNeverCropsNegatively) {
    // Page 5000 high with a 200-pixel top margin; the image is 4900 high, within
    // the tolerance in width. Taking the page's overhang at the top would leave
    // a negative crop at the bottom.
    Place(1000, 4900, 100.0, 500.0, 0.0, 0.0, 20.0, 0.0);
    CVarnPrn& j = Run();
    EXPECT_EQ(j.m_iCropTop, 200);
    EXPECT_EQ(j.m_iCropBottom, 0);
    EXPECT_EQ(j.m_iImageHeight, 4700);
    EXPECT_EQ(j.m_iImageHeight + j.m_iCropTop + j.m_iCropBottom, j.m_iOutHeightPixel);
}

}  // namespace
