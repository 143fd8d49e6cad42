// Where each image-position mode puts the image on the page.
#include <gtest/gtest.h>

#include "job/job_test_support.h"

namespace {

class ImagePosition : public JobTest {
protected:
    // 254 dpi: one millimetre is ten pixels. A page of 1000 x 2000 pixels,
    // an image of 400 x 600, hardware margins of 10 (left) and 20 (top).
    CVarnPrn& Placed(int mode, int imageWidth = 400, double xDpi = 254.0, double yDpi = 254.0) {
        Ticket("[job]\nOutput/Prn/Media/Size/Width = 100.0\nOutput/Prn/Media/Size/Height = 200.0\n");
        CVarnPrn& j = NewJob();
        j.m_dResolutionX = xDpi;
        j.m_dResolutionY = yDpi;
        j.m_iImageWidth = imageWidth;
        j.m_iImageHeight = 600;
        j.m_iHwMarginLeft = 10;
        j.m_iHwMarginTop = 20;
        j.m_iImagePosMode = mode;
        j.m_iLeftMargin = j.m_iTopMargin = 77;
        j.InitImagePos();
        return j;
    }
};

TEST_F(ImagePosition, EachModePlacesTheImage) {
    struct Case {
        int mode, left, top;
    };
    // right 1000 - 10 - 400, centre (1000 - 400) / 2 - 10; bottom 2000 - 20 - 600, centre (2000 - 600) / 2 - 20.
    for (Case c : {Case{0, 0, 0}, {1, 590, 0}, {2, 290, 0}, {3, 290, 680}, {4, 0, 680}, {5, 590, 680},
                   {6, 0, 1380}, {7, 290, 1380}, {8, 590, 1380}, {9, 0, 0}, {-1, 0, 0}}) {
        CVarnPrn& j = Placed(c.mode);
        EXPECT_EQ(j.m_iLeftMargin, c.left) << "mode " << c.mode;
        EXPECT_EQ(j.m_iTopMargin, c.top) << "mode " << c.mode;
    }
    EXPECT_TRUE(log.Has("\tPage size = 1000 x 2000 pixel"));
    EXPECT_TRUE(log.Has("\tCVarnPrn::InitImagePos = Center left\n\t\tTop margin = 680"));
    EXPECT_TRUE(log.Has("\tCVarnPrn::InitImagePos = Bottom left\n\t\tTop margin = 1380"));
}

// The page's width follows the x resolution, its height the y resolution:
// 100 mm is 2835 pixels at 720 dpi and 5669 at 1440, 200 mm 5669 and 11339.
TEST_F(ImagePosition, EachAxisFollowsItsOwnResolution) {
    CVarnPrn& tall = Placed(8, 400, 720.0, 1440.0);
    EXPECT_EQ(tall.m_iLeftMargin, 2835 - 10 - 400);
    EXPECT_EQ(tall.m_iTopMargin, 11339 - 20 - 600);
    CVarnPrn& wide = Placed(3, 400, 1440.0, 720.0);
    EXPECT_EQ(wide.m_iLeftMargin, (5669 - 400) / 2 - 10);
    EXPECT_EQ(wide.m_iTopMargin, (5669 - 600) / 2 - 20);
}

TEST_F(ImagePosition, AnImageThatFillsThePageOrOverhangsTheMarginStaysAtZero) {
    EXPECT_EQ(Placed(1, 1000).m_iLeftMargin, 0) << "no room at the right";
    CVarnPrn& j = Placed(3, 990);  // centre: (1000 - 990) / 2 - 10 = -5
    EXPECT_EQ(j.m_iLeftMargin, 0);
    EXPECT_TRUE(log.Has("\tCVarnPrn::InitImagePos = Adjust left margin; set to 0"));
}

}  // namespace
