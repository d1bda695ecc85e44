#include "toolkit/slider_model.h"
#include "toolkit/ui/skin_slider.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using namespace dravonix;

TEST(SliderModel, RangePositionAndPointer)
{
    SliderModel model;
    EXPECT_EQ(model.maximum(), 1);
    model.setRange(0, 0);
    model.setPosition(500);
    EXPECT_EQ(model.position(), 0); // an empty range reads 0
    model.setRange(0, 60000);
    model.setPosition(70000);
    EXPECT_EQ(model.position(), 60000);
    model.setPosition(-5);
    EXPECT_EQ(model.position(), 0);

    std::int64_t at = -1;
    ASSERT_TRUE(model.positionForPointer(300, 595, at));
    EXPECT_EQ(at, std::int64_t{294} * 60000 / 582);
    ASSERT_TRUE(model.positionForPointer(3, 595, at));
    EXPECT_EQ(at, 0);
    ASSERT_TRUE(model.positionForPointer(900, 595, at));
    EXPECT_EQ(at, 60000);
    EXPECT_FALSE(model.positionForPointer(5, 13, at)); // no room for the thumb
    model.setRange(0, 0);
    EXPECT_FALSE(model.positionForPointer(300, 595, at));
}

TEST(SkinSlider, ReportsOnlyTheRelease)
{
    SliderModel model;
    model.setRange(0, 99);
    SkinSlider slider(model);
    slider.resize(59, 13);
    QSignalSpy released(&slider, &SkinSlider::released);
    QTest::mousePress(&slider, Qt::LeftButton, {}, QPoint(10, 6));
    EXPECT_TRUE(model.held());
    EXPECT_EQ(model.position(), 4 * 99 / 46);
    QTest::mouseMove(&slider, QPoint(40, 6));
    EXPECT_TRUE(released.isEmpty());
    QTest::mouseRelease(&slider, Qt::LeftButton, {}, QPoint(52, 6));
    EXPECT_EQ(released.size(), 1);
    EXPECT_FALSE(model.held());
    EXPECT_EQ(model.position(), 99);
}

TEST(SkinSlider, MarksSitWhereTheThumbWouldBeAtTheirPositions)
{
    SliderModel model;
    model.setRange(0, 3'600'000); // an hour's trip
    SkinSlider slider(model);
    slider.resize(595, 13);
    EXPECT_EQ(model.thumbLeftAt(0, 595), 0);
    EXPECT_EQ(model.thumbLeftAt(1'800'000, 595), 291);
    EXPECT_EQ(model.thumbLeftAt(9'999'999, 595), 582); // beyond the range: at its end
    EXPECT_EQ(model.thumbLeftAt(-1, 595), 0);
    // Drawn across the groove in the marks' colour, at the thumb's middle.
    slider.setMarks({1'800'000});
    EXPECT_EQ(slider.marks().size(), 1u);
    model.setPosition(0);
    const QImage picture = slider.grab().toImage();
    EXPECT_EQ(picture.pixelColor(291 + 6, 1).red(), 0xff);
    EXPECT_NE(picture.pixelColor(200, 1), picture.pixelColor(291 + 6, 1));
}
