#pragma once
// A push button drawn from a strip of equal frames: normal, hot and pressed
// for buttons (three frames; a checked button shows pressed), selected and
// not selected for tabs (two).

#include <QAbstractButton>
#include <QPixmap>

namespace dravonix {

class SkinButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit SkinButton(QWidget* parent = nullptr);
    // The strip's frames are laid side by side; the button takes one frame's size.
    void setStrip(const QPixmap& strip, int frames);
    // Tabs: frame 0 when selected, 1 otherwise.
    void setSelected(bool selected);
    bool selected() const { return selected_; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    int frameIndex() const;

    QPixmap strip_;
    int frames_ = 3;
    bool hot_ = false;
    bool selected_ = false;
};

} // namespace dravonix
