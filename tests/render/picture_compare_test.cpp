#include "tools/render/picture_compare.h"

#include <gtest/gtest.h>

#include <QImage>

namespace {

QImage Filled(int w, int h, QRgb colour) {
    QImage image(w, h, QImage::Format_RGB888);
    image.fill(colour);
    return image;
}

TEST(PictureCompare, CountsPixelsWithAChannelBeyondTheTolerance) {
    const QImage reference = Filled(10, 20, qRgb(100, 100, 100));
    QImage picture = reference;
    EXPECT_EQ(ComparePictures(picture, reference).differing, 0);

    picture.setPixel(0, 0, qRgb(100 + kChannelTolerance, 100, 100));  // at the tolerance: equal
    picture.setPixel(1, 0, qRgb(100, 100 - kChannelTolerance - 1, 100));
    picture.setPixel(2, 0, qRgb(100, 100, 255));
    const PictureDifference d = ComparePictures(picture, reference);
    EXPECT_TRUE(d.sameSize);
    EXPECT_EQ(d.total, 200);
    EXPECT_EQ(d.differing, 2);
    EXPECT_EQ(d.largest, 155);
    EXPECT_DOUBLE_EQ(d.Percent(), 1.0);
}

TEST(PictureCompare, FormatsDoNotMatterButSizesDo) {
    const QImage a = Filled(4, 4, qRgb(1, 2, 3));
    EXPECT_EQ(ComparePictures(a.convertToFormat(QImage::Format_ARGB32), a).differing, 0);
    const PictureDifference d = ComparePictures(a, Filled(4, 5, qRgb(1, 2, 3)));
    EXPECT_FALSE(d.sameSize);
    EXPECT_DOUBLE_EQ(d.Percent(), 100.0);
    EXPECT_TRUE(DifferenceImage(a, Filled(5, 4, qRgb(1, 2, 3))).isNull());
}

TEST(PictureCompare, DifferenceImageMarksOnlyTheDifferingPixels) {
    const QImage reference = Filled(3, 1, qRgb(40, 80, 120));
    QImage picture = reference;
    picture.setPixel(1, 0, qRgb(0, 0, 0));
    const QImage diff = DifferenceImage(picture, reference);
    EXPECT_EQ(diff.pixel(1, 0), qRgb(255, 0, 255));
    EXPECT_EQ(diff.pixel(0, 0), qRgb(10, 20, 30));
    EXPECT_EQ(DifferencePath("out/run.png"), "out/run-diff.png");
}

}  // namespace
