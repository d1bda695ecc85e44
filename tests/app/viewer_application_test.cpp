// The viewer's application object keeps its event loop running when a
// handler throws. Its own main: the test needs that application, not
// QApplication.
#include "app/viewer/viewer_application.h"

#include <QMetaObject>
#include <QTimer>

#include <gtest/gtest.h>

#include <stdexcept>

using namespace dravonix;

namespace {

QStringList logged;

void keepMessage(QtMsgType, const QMessageLogContext& context, const QString& text)
{
    logged << QString::fromLatin1(context.category) + ": " + text;
}

} // namespace

TEST(ViewerApplication, AnExceptionInAHandlerIsLoggedAndTheLoopCarriesOn)
{
    logged.clear();
    const QtMessageHandler previous = qInstallMessageHandler(keepMessage);
    QObject receiver;
    bool ranAfter = false;
    QMetaObject::invokeMethod(&receiver, [] { throw std::runtime_error("a file vanished"); }, Qt::QueuedConnection);
    QMetaObject::invokeMethod(&receiver, [] { throw 42; }, Qt::QueuedConnection);
    QMetaObject::invokeMethod(&receiver, [&] { ranAfter = true; }, Qt::QueuedConnection);
    QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(7); });
    const int status = QCoreApplication::exec();
    qInstallMessageHandler(previous);

    EXPECT_EQ(status, 7);
    EXPECT_TRUE(ranAfter);
    ASSERT_EQ(logged.size(), 2) << logged.join('\n').toStdString();
    EXPECT_TRUE(logged[0].startsWith("dravonix.viewer: ")) << logged[0].toStdString();
    EXPECT_TRUE(logged[0].contains("a file vanished"));
    EXPECT_TRUE(logged[1].contains("unknown exception"));
}

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    ViewerApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
