#include "playback/export_marks.h"

#include <gtest/gtest.h>

using dravonix::ExportMarks;
using dravonix::PlayedSpan;
using Range = std::pair<dravonix::CameraMs, dravonix::CameraMs>;

TEST(ExportMarks, MarksBoundTheRangeAndNeverTurnItInsideOut)
{
    const PlayedSpan trip{100'000, 400'000};
    ExportMarks marks;
    EXPECT_EQ(marks.range(trip), Range(100'000, 400'000)); // no marks: all of it

    marks.markIn(150'000);
    EXPECT_EQ(marks.range(trip), Range(150'000, 400'000));
    marks.markOut(210'000);
    EXPECT_EQ(marks.range(trip), Range(150'000, 210'000));

    // An in mark at or after the out mark drops the out mark, and the other way round.
    marks.markIn(210'000);
    EXPECT_FALSE(marks.out());
    EXPECT_EQ(marks.range(trip), Range(210'000, 400'000));
    marks.markOut(120'000);
    EXPECT_FALSE(marks.in());
    EXPECT_EQ(marks.range(trip), Range(100'000, 120'000));

    // Marks made on another recording don't apply to what plays now.
    marks.markIn(50'000);
    const PlayedSpan other{500'000, 560'000};
    EXPECT_FALSE(marks.inWithin(other));
    EXPECT_EQ(marks.range(other), Range(500'000, 560'000));

    marks.clear();
    EXPECT_FALSE(marks.in());
    EXPECT_FALSE(marks.out());
}
