#include "CommandLine.h"

#include <cstdio>

namespace orvan {

namespace {
QByteArray usageText(const ProgramUsage& u) {
  QString t = QStringLiteral("usage: ") + u.program + (u.synopsis.isEmpty() ? QString() : u' ' + u.synopsis) + u'\n';
  if (!u.description.isEmpty()) t += u'\n' + u.description + u'\n';
  t += QStringLiteral("\n  --help     this text\n  --version  the version\n");
  return t.toLocal8Bit();
}
}  // namespace

QString ProgramVersion() { return QStringLiteral(ORVAN_VERSION_TEXT); }

std::optional<int> AnswerHelpOrVersion(const QStringList& args, const ProgramUsage& usage) {
  for (const QString& a : args) {
    if (a == u"--") break;
    if (a == u"--help" || a == u"-h") {
      std::fputs(usageText(usage).constData(), stdout);
      std::fflush(stdout);
      return 0;
    }
    if (a == u"--version") {
      std::printf("%s %s\n", qPrintable(usage.program), qPrintable(ProgramVersion()));
      std::fflush(stdout);
      return 0;
    }
  }
  return std::nullopt;
}

int UsageError(const ProgramUsage& usage, const QString& problem) {
  if (!problem.isEmpty()) std::fprintf(stderr, "%s: %s\n", qPrintable(usage.program), problem.toLocal8Bit().constData());
  std::fputs(usageText(usage).constData(), stderr);
  return 2;
}

std::optional<int> TakeNoArguments(const QStringList& args, const ProgramUsage& usage) {
  if (const auto answered = AnswerHelpOrVersion(args, usage)) return answered;
  if (!args.isEmpty()) return UsageError(usage, QStringLiteral("unexpected argument: ") + args.first());
  return std::nullopt;
}

QStringList RawArguments(int argc, char** argv) {
  QStringList args;
  for (int i = 1; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
  return args;
}

}  // namespace orvan
