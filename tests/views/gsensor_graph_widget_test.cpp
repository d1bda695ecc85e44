// The graph painted into an image, checked pixel by pixel against the
// drawing rules.
#include "views/gsensor_graph_widget.h"

#include "../telemetry/record_text.h"

#include <gtest/gtest.h>

using namespace dravonix;

namespace {

QRgb at(const QImage& image, int x, int y) { return image.pixel(x, y) & 0xffffff; }

} // namespace

TEST(GSensorGraphWidget, EmptyGraphShowsAxesGridAndZeroValues)
{
    TelemetryTrack track;
    GSensorGraphModel model(track);
    model.reset();
    GSensorGraphWidget widget(model);
    widget.resize(646, 130);
    const QImage image = widget.render();
    EXPECT_EQ(at(image, 640, 120), 0x1C1C1Cu);       // background
    EXPECT_EQ(at(image, 300, 50), 0xA0A0A0u);        // zero line
    EXPECT_EQ(at(image, 300, 30), 0xA0A0A0u);        // grid at +1
    EXPECT_EQ(at(image, 300, 90), 0xA0A0A0u);        // grid at -2
    EXPECT_EQ(at(image, 20, 10), 0xA0A0A0u);         // the vertical axis, drawn over the cursor
    EXPECT_EQ(at(image, 300, 60), 0x1C1C1Cu);
}

TEST(GSensorGraphWidget, TracesCursorAndColours)
{
    TelemetryTrack track;
    for (int i = 0; i < 599; ++i)
        track.appendSample(i == 300 ? -128 : 256, 0, 0, '9', recordText("")); // X = 1.0, one sample at -0.5
    GSensorGraphModel model(track);
    model.reset();
    model.setCurrentSample(150);
    GSensorGraphWidget widget(model);
    widget.resize(646, 130);
    const QImage image = widget.render();
    EXPECT_EQ(at(image, 100, 30), 0xFF0000u);  // X at +1.0: 20 pixels up, red
    EXPECT_EQ(at(image, 320, 60), 0xFF0000u);  // the -0.5 sample at x = 20 + 300
    EXPECT_EQ(at(image, 400, 50), 0x8080FFu);  // Z drawn last on the zero line, over Y
    EXPECT_EQ(at(image, 170, 70), 0xFFFFFFu);  // the white cursor at sample 150
    EXPECT_EQ(at(image, 170, 95), 0x1C1C1Cu);  // the cursor ends at y = 90
}
