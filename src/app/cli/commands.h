#pragma once
// One function per subcommand: the arguments after the subcommand's name in,
// the process exit status out.

#include <QCommandLineParser>
#include <QStringList>

namespace dravonix::cli {

int runList(const QStringList& args);
int runTelemetry(const QStringList& args);
int runCard(const QStringList& args);
int runConfig(const QStringList& args);
int runTimeset(const QStringList& args);
int runRoute(const QStringList& args);
int runFormat(const QStringList& args);
int runTrips(const QStringList& args);
int runEvents(const QStringList& args);
int runClock(const QStringList& args);
int runExport(const QStringList& args);

// Writes "dravonix: <message>" to standard error; returns the failure status.
int fail(const QString& message);

// Parses a command's arguments with the options declared on `parser`. A
// single dash starts a long option ("-h", never a bundle of letters), options
// may follow the positional arguments, and "--" ends the options. False when
// an option is unknown or lacks its value.
bool parseArguments(QCommandLineParser& parser, const QStringList& args);

} // namespace dravonix::cli
