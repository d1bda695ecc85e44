#pragma once
// One function per subcommand: the arguments after the subcommand's name in,
// the process exit status out.

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

// Writes "dravonix: <message>" to standard error; returns the failure status.
int fail(const QString& message);

} // namespace dravonix::cli
