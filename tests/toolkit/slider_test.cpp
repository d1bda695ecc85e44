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
