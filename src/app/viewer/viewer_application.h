#pragma once
// The viewer's application object. An exception thrown while an event is
// handled (a slot, a queued call, a paint) must not unwind through Qt's
// event loop and end the program: it is logged and the loop carries on.

#include <QApplication>

namespace dravonix {

class ViewerApplication : public QApplication {
    Q_OBJECT
public:
    ViewerApplication(int& argc, char** argv) : QApplication(argc, argv) {}
    bool notify(QObject* receiver, QEvent* event) override;
};

} // namespace dravonix
