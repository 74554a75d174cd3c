#pragma once
// How every program of the observatory answers its command line, as Unix programs do: --help
// prints the usage on standard output and ends with 0, --version the program's name and
// version, and an argument the program does not take prints the usage on standard error and
// ends with 2. Checked before a display is opened, so both work on a bare console.
#include <QString>
#include <QStringList>
#include <optional>

namespace orvan {

struct ProgramUsage {
  QString program;      // "orvan-link"
  QString synopsis;     // what follows the program's name on the usage line
  QString description;  // a few lines under it (may be empty)
};

// The version all programs of this build share ("1.0.1").
QString ProgramVersion();

// --help or --version anywhere among `args` (the command line without the program's name) is
// answered here: the exit status to end with. std::nullopt otherwise.
std::optional<int> AnswerHelpOrVersion(const QStringList& args, const ProgramUsage& usage);

// The usage on standard error after `problem` (when given); returns 2, the status to end with.
int UsageError(const ProgramUsage& usage, const QString& problem = {});

// For programs that take no arguments of their own: --help and --version answered, anything
// else refused. std::nullopt: go on.
std::optional<int> TakeNoArguments(const QStringList& args, const ProgramUsage& usage);

// The command line as the process got it, without the program's name (before any
// application object exists).
QStringList RawArguments(int argc, char** argv);

}  // namespace orvan
