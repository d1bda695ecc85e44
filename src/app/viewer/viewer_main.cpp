// dravonix-viewer [FOLDER]: the viewer. One copy runs at a time; a second
// start exits at once.

#include "app/viewer/main_window.h"
#include "app/viewer/quit_on_signal.h"
#include "views/scene_graph_choice.h"
#include "app/viewer/viewer_application.h"

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
    dravonix::ViewerApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Dravonix"));
    dravonix::chooseSceneGraph();
    QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (runtime.isEmpty())
        runtime = QDir::tempPath();
    // QLockFile notices a lock whose process is gone and takes it over.
    QLockFile instance(QDir(runtime).filePath(QStringLiteral("dravonix-viewer.lock")));
    instance.setStaleLockTime(0);
    if (!instance.tryLock(0))
        return 0;

    dravonix::MainWindow window;
    window.show();
    dravonix::quitOnTerminationSignals(&window, [] { QApplication::quit(); });
    // The application has taken its own options out of argv; the folder is
    // passed on as the file system's bytes, whatever they are.
    if (argc > 1)
        window.openNativeFolder(QByteArray(argv[1]));
    return QApplication::exec();
}
