#include "app/viewer/viewer_command_line.h"

#include "app/cli/native_path.h"
#include "toolkit/product.h"

#include <QCommandLineParser>

namespace dravonix {
namespace {

// Qt's own options, which the application object takes out of argv: known
// here too, so that the whole line is checked before any window system is
// touched.
void addQtOptions(QCommandLineParser& parser)
{
    for (const char* name : {"platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry", "geometry",
                             "qwindowicon", "qwindowtitle", "title", "session", "display", "style", "stylesheet",
                             "qmljsdebugger", "name"}) {
        QCommandLineOption option(QString::fromLatin1(name), QString(), QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    for (const char* name : {"reverse", "widgetcount", "nograb", "dograb", "sync"}) {
        QCommandLineOption option(QString::fromLatin1(name));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
}

} // namespace

ViewerCommandLine parseViewerCommandLine(const QStringList& words)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(QStringLiteral(
        "Plays the recordings of a two-channel dash camera with their speed, G-sensor graph and map,\n"
        "and edits the camera's settings and clock on its card.\n"
        "\n"
        "Without FOLDER the viewer opens the camera's card when one is mounted, else the folder it\n"
        "listed last. When a viewer is already running, it lists FOLDER and comes to the front."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")}, QStringLiteral("Show the version."));
    const QCommandLineOption verbose(QStringLiteral("verbose"),
                                     QStringLiteral("Also show the diagnostics of the web engine, the sound library and "
                                                    "the viewer itself on the terminal."));
    parser.addOptions({help, version, verbose});
    addQtOptions(parser);
    parser.addPositionalArgument(QStringLiteral("FOLDER"), QStringLiteral("The folder to list: the card, or a copy of it."),
                                 QStringLiteral("[FOLDER]"));

    ViewerCommandLine result;
    const bool parsed = parser.parse(words);
    result.verbose = parser.isSet(verbose);
    if (parser.isSet(help)) {
        result.action = ViewerCommandLine::Action::Help;
        result.text = parser.helpText();
        return result;
    }
    if (parser.isSet(version)) {
        result.action = ViewerCommandLine::Action::Version;
        result.text = QStringLiteral("dravonix-viewer %1\n").arg(QString::fromLatin1(product::kVersion));
        return result;
    }
    const QStringList folders = parser.positionalArguments();
    if (!parsed || folders.size() > 1) {
        result.action = ViewerCommandLine::Action::Error;
        result.text = QStringLiteral("dravonix-viewer: %1\nTry \"dravonix-viewer --help\".\n")
                          .arg(parsed ? QStringLiteral("one folder at most") : parser.errorText());
        return result;
    }
    if (!folders.isEmpty() && !folders.front().isEmpty())
        result.folder = QByteArray::fromStdString(cli::bytesFromArgument(folders.front()));
    return result;
}

QStringList viewerWordsFromArgv(int argc, const char* const* argv)
{
    QStringList words;
    for (int i = 0; i < argc; ++i)
        words << cli::argumentFromBytes(argv[i]);
    return words;
}

} // namespace dravonix
