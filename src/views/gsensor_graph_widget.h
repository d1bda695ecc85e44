#pragma once
// The G-sensor graph under the large pane: three acceleration traces of the
// whole recording (or a window of a trip, with its events marked), the
// cursor and the current values, painted off-screen.

#include "views/gsensor_graph_model.h"

#include <QFont>
#include <QWidget>

namespace dravonix {

class GSensorGraphWidget : public QWidget {
    Q_OBJECT
public:
    GSensorGraphWidget(GSensorGraphModel& model, QWidget* parent = nullptr);
    void setValueFont(const QFont& font) { valueFont_ = font; }
    // Paints the whole graph into an image of the widget's size.
    QImage render() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    GSensorGraphModel& model_;
    QFont valueFont_;
};

} // namespace dravonix
