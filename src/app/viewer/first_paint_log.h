#pragma once
// Logs when a widget next paints, so that the time from a user's action to
// what the user sees can be measured from outside the process (the
// "dravonix.viewer" category, info level).

#include <QObject>
#include <QString>

#include <functional>

class QWidget;

namespace dravonix {

class FirstPaintLog : public QObject {
public:
    explicit FirstPaintLog(QWidget* watched);
    // The next paint of the watched widget logs "<what> painted at N ms since the epoch".
    void arm(const QString& what);
    // The same for the first paint after which `shown` is true (a new picture, say).
    void arm(const QString& what, std::function<bool()> shown);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QString what_;
    std::function<bool()> shown_;
};

} // namespace dravonix
