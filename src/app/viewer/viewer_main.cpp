// dravonix-viewer [FOLDER]: the viewer. One copy runs at a time; a second
// start exits at once.

#include "app/viewer/main_window.h"
#include "app/viewer/quit_on_signal.h"
#include "views/scene_graph_choice.h"

#include <QApplication>
#include <QDir>
#include <QLockFile>
#include <QStandardPaths>

#include <unistd.h>

int main(int argc, char* argv[])
{
    // The map's web engine: its sandbox refuses to run as root.
    if (::geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Dravonix"));
    dravonix::chooseSceneGraph();
    QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (runtime.isEmpty())
        runtime = QDir::tempPath();
    // QLockFile notices a lock whose process is gone and takes it over.
    QLockFile instance(QDir(runtime).filePath(QStringLiteral("QM410_INSTANCE")));
    instance.setStaleLockTime(0);
    if (!instance.tryLock(0))
        return 0;

    dravonix::MainWindow window;
    window.show();
    dravonix::quitOnTerminationSignals(&window, [] { QApplication::quit(); });
    const QStringList args = QApplication::arguments();
    if (args.size() > 1)
        window.openFolder(args.at(1));
    return QApplication::exec();
}
