#pragma once
// A video pane: the idle picture while its engine shows nothing, else the
// engine's newest picture scaled to the pane. With the magnifier on, a
// loupe follows the pointer and shows the picture enlarged from the
// decoded frame, with an overview of where it looks.

#include "playback/libvlc_engine.h"

#include <QPixmap>
#include <QWidget>

namespace dravonix {

class VideoPane : public QWidget {
    Q_OBJECT
public:
    VideoPane(LibVlcEngine& engine, const QPixmap& idle, QWidget* parent = nullptr);
    ~VideoPane() override;
    void setHasVideo(bool on);
    bool hasVideo() const { return hasVideo_; }
    // A line of text over the idle picture, e.g. why nothing plays; empty for none.
    void setMessage(const QString& text);
    QString message() const { return message_; }
    // The picture as shown now, for tests and screenshots.
    QImage grabPicture() const;
    // Distinct pictures painted since the pane was made.
    int picturesPainted() const { return picturesPainted_; }
    // The last picture painted: its serial and the file (epoch) it came from.
    std::pair<std::uint64_t, std::uint64_t> paintedPicture() const { return {paintedSerial_, paintedEpoch_}; }

signals:
    void doubleClicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void paintMagnifier(QPainter& p, QSize picture);
    void paintMessage(QPainter& p);

    LibVlcEngine& engine_;
    QPixmap idle_;
    QImage shown_; // the picture last painted; its buffer serves the next one
    bool hasVideo_ = false;
    QPoint pointer_{-1, -1};
    std::uint64_t paintedSerial_ = 0;
    std::uint64_t shownSerial_ = 0; // the engine's picture that shown_ holds, 0: none
    std::uint64_t paintedEpoch_ = 0;
    int picturesPainted_ = 0;
    QString message_;
};

} // namespace dravonix
