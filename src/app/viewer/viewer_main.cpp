// dravonix-viewer [--verbose] [FOLDER]: the viewer. One copy runs per user;
// a later start hands its folder to it and ends.

#include "app/viewer/app_icon.h"
#include "app/viewer/instance_handover.h"
#include "app/viewer/main_window.h"
#include "app/viewer/quiet_terminal.h"
#include "app/viewer/quit_on_signal.h"
#include "app/viewer/start_folder.h"
#include "app/viewer/viewer_application.h"
#include "app/viewer/viewer_command_line.h"
#include "app/viewer/viewer_settings.h"
#include "card/volumes_from_environment.h"
#include "toolkit/product.h"
#include "views/scene_graph_choice.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

#include <cstdio>
#include <filesystem>

#include <unistd.h>

namespace {

// Help, version and mistakes on the line need no window system at all.
int answerInText(int argc, char* argv[], const QStringList& words)
{
    QCoreApplication core(argc, argv); // names the program in the help's usage line
    const dravonix::ViewerCommandLine line = dravonix::parseViewerCommandLine(words);
    const bool error = line.action == dravonix::ViewerCommandLine::Action::Error;
    std::fputs(qUtf8Printable(line.text), error ? stderr : stdout);
    return error ? 2 : 0;
}

void bringToFront(QWidget& window)
{
    if (window.isMinimized())
        window.showNormal();
    window.show();
    window.raise();
    window.activateWindow();
}

} // namespace

int main(int argc, char* argv[])
{
    const QStringList words = dravonix::viewerWordsFromArgv(argc, argv);
    const dravonix::ViewerCommandLine line = dravonix::parseViewerCommandLine(words);
    if (line.action != dravonix::ViewerCommandLine::Action::Run)
        return answerInText(argc, argv, words);

    // The map's web engine: its sandbox refuses to run as root.
    if (::geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    dravonix::chooseTerminalMessages(line.verbose);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    dravonix::ViewerApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Dravonix"));
    QApplication::setApplicationVersion(QString::fromLatin1(dravonix::product::kVersion));
    QGuiApplication::setDesktopFileName(QString::fromLatin1(dravonix::product::kAppId));

    QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (runtime.isEmpty())
        runtime = QDir::tempPath();
    dravonix::InstanceHandover instance(runtime);
    if (!instance.becomePrimary()) {
        if (!instance.handOver(line.folder.value_or(QByteArray())))
            std::fputs("dravonix-viewer: a viewer is running already but did not answer\n", stderr);
        return 0;
    }

    dravonix::chooseSceneGraph();
    QApplication::setWindowIcon(dravonix::applicationIcon());
    dravonix::MainWindow window;
    window.show();
    dravonix::quitOnTerminationSignals(&window, [] { QApplication::quit(); });
    QObject::connect(&instance, &dravonix::InstanceHandover::handedOver, &window, [&window](const QByteArray& folder) {
        if (!folder.isEmpty())
            window.openNativeFolder(folder);
        bringToFront(window);
    });
    QObject::connect(&window, &dravonix::MainWindow::folderListed, &window,
                     [&window] { dravonix::rememberListedFolder(window.listedFolder()); });

    const auto volumes = dravonix::volumesFromEnvironment();
    const auto start = dravonix::chooseStartFolder({line.folder, volumes->removableDrives(), dravonix::rememberedListedFolder(),
                                                    [](const QByteArray& f) {
                                                        std::error_code error;
                                                        return std::filesystem::is_directory(f.toStdString(), error);
                                                    }});
    if (start)
        window.openNativeFolder(*start);
    return QApplication::exec();
}
