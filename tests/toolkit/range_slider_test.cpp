#include "toolkit/range_slider_model.h"
#include "toolkit/ui/range_slider.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using namespace dravonix;

TEST(RangeSliderModel, PointerMapsToTheNearestStep)
{
    // 111 pixels wide: 100 usable, a pixel per percent, the centre of 0 at x = 5.
    const int w = 111;
    EXPECT_EQ(RangeSliderModel::valueForPointer(5, w), 0);
    EXPECT_EQ(RangeSliderModel::valueForPointer(7, w), 0);   // 2 rounds down
    EXPECT_EQ(RangeSliderModel::valueForPointer(8, w), 5);   // 3 rounds up
    EXPECT_EQ(RangeSliderModel::valueForPointer(77, w), 70);
    EXPECT_EQ(RangeSliderModel::valueForPointer(78, w), 75); // 72.5 rounds up
    EXPECT_EQ(RangeSliderModel::valueForPointer(-40, w), 0);
    EXPECT_EQ(RangeSliderModel::valueForPointer(900, w), 100);
    EXPECT_EQ(RangeSliderModel::centreForValue(70, w), 75);
    EXPECT_EQ(RangeSliderModel::centreForValue(100, w), 105);
    // A slider too narrow for its thumb still gives a value in the range.
    EXPECT_EQ(RangeSliderModel::valueForPointer(3, 5), 0);
    for (int x = -5; x < 400; ++x) {
        const int v = RangeSliderModel::valueForPointer(x, 380);
        EXPECT_EQ(v % 5, 0);
        EXPECT_GE(v, 0);
        EXPECT_LE(v, 100);
    }
}

TEST(RangeSliderModel, ThumbsKeepTheirOrder)
{
    RangeSliderModel model;
    model.setPositions(72, 40); // a record out of order: the second can't sit before the first
    EXPECT_EQ(model.first(), 72);
    EXPECT_EQ(model.second(), 72);
    model.setPositions(-3, 180);
    EXPECT_EQ(model.first(), 0);
    EXPECT_EQ(model.second(), 100);
    model.setPositions(70, 90);
    EXPECT_FALSE(model.moveThumb(RangeSliderModel::First, 70));
    EXPECT_TRUE(model.moveThumb(RangeSliderModel::First, 95));
    EXPECT_EQ(model.first(), 90); // stopped at the second thumb
    EXPECT_FALSE(model.moveThumb(RangeSliderModel::Second, 10)); // held by the first
    EXPECT_EQ(model.second(), 90);
    EXPECT_TRUE(model.moveThumb(RangeSliderModel::First, 0));
    EXPECT_TRUE(model.moveThumb(RangeSliderModel::Second, 10));
    EXPECT_EQ(model.second(), 10);

    // Where both sit on one spot, a press takes the thumb that can move toward it.
    model.setPositions(50, 50);
    const int at = RangeSliderModel::centreForValue(50, 111);
    EXPECT_EQ(model.thumbForPress(at - 10, 111), RangeSliderModel::First);
    EXPECT_EQ(model.thumbForPress(at + 10, 111), RangeSliderModel::Second);
    model.setPositions(20, 80);
    EXPECT_EQ(model.thumbForPress(RangeSliderModel::centreForValue(45, 111), 111), RangeSliderModel::First);
    EXPECT_EQ(model.thumbForPress(RangeSliderModel::centreForValue(55, 111), 111), RangeSliderModel::Second);
}

TEST(RangeSlider, ReportsMovesWhileDraggingAndTheReleaseApart)
{
    RangeSlider slider;
    slider.resize(111, 27);
    slider.setPositions(70, 90);
    QSignalSpy moved(&slider, &RangeSlider::moved);
    QSignalSpy released(&slider, &RangeSlider::released);
    const auto x = [](int value) { return RangeSliderModel::centreForValue(value, 111); };

    QTest::mousePress(&slider, Qt::LeftButton, {}, QPoint(x(90), 13));
    EXPECT_EQ(moved.size(), 0); // taken where it is: no move
    QTest::mouseMove(&slider, QPoint(x(85), 13));
    QTest::mouseMove(&slider, QPoint(x(85) + 1, 13)); // the same step again: no report
    EXPECT_EQ(moved.size(), 1);
    EXPECT_EQ(slider.second(), 85);
    QTest::mouseMove(&slider, QPoint(x(20), 13)); // can't pass the first thumb
    EXPECT_EQ(slider.second(), 70);
    EXPECT_EQ(moved.size(), 2);
    EXPECT_EQ(released.size(), 0);
    QTest::mouseRelease(&slider, Qt::LeftButton, {}, QPoint(x(75), 13));
    EXPECT_EQ(slider.second(), 75);
    EXPECT_EQ(released.size(), 1);
    EXPECT_EQ(slider.first(), 70);

    // Keys move the thumb last taken to the next step and count as a release.
    slider.setPositions(72, 80);
    slider.setFocus();
    QTest::mouseClick(&slider, Qt::LeftButton, {}, QPoint(x(70), 13));
    EXPECT_EQ(slider.first(), 70);
    QTest::keyClick(&slider, Qt::Key_Left);
    EXPECT_EQ(slider.first(), 65);
    QTest::keyClick(&slider, Qt::Key_End);
    EXPECT_EQ(slider.first(), 80);
    EXPECT_EQ(released.size(), 4);
}
