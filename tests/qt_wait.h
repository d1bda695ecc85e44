#pragma once
// Waiting for something that happens in Qt's event loop, for the tests that
// drive real players, windows and web pages.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QVariant>

template <typename Done>
bool waitFor(Done done, int milliseconds)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < milliseconds)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

#ifdef DRAVONIX_TESTS_WITH_MAP
#include "views/map_view.h"

#include <QWebEnginePage>
#include <QWebEngineView>

// The value of a script expression on the map page.
inline QVariant evaluate(dravonix::MapView& map, const QString& script)
{
    QVariant result;
    bool done = false;
    map.webView()->page()->runJavaScript(script, [&](const QVariant& v) {
        result = v;
        done = true;
    });
    waitFor([&] { return done; }, 5000);
    return result;
}
#endif
