#include "app/cli/commands.h"

namespace dravonix::cli {

bool parseArguments(QCommandLineParser& parser, const QStringList& args)
{
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    // The parser takes the program's name first, as in argv.
    return parser.parse(QStringList{QStringLiteral("dravonix")} + args);
}

} // namespace dravonix::cli
