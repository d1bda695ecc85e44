#pragma once
// The viewer's command line: [--verbose] [FOLDER], with --help and --version
// answered as text. The words are argv's, program name first, each byte that
// is not UTF-8 carried as in the command-line companion, so the folder comes
// back as the file system's exact bytes.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace dravonix {

struct ViewerCommandLine {
    enum class Action { Run, Help, Version, Error };
    Action action = Action::Run;
    QString text; // the help, the version line, or what was wrong
    std::optional<QByteArray> folder;
    bool verbose = false;
};

// Qt's own options (-platform, -style, ...) are taken and left alone. Help
// and version win over everything else on the line.
ViewerCommandLine parseViewerCommandLine(const QStringList& words);

QStringList viewerWordsFromArgv(int argc, const char* const* argv);

} // namespace dravonix
