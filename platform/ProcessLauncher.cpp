#include "ProcessLauncher.h"

#include <QFileInfo>
#include <QProcess>

namespace orvan {

namespace {
RealProcessLauncher g_real;
ProcessLauncher* g_current = &g_real;
}  // namespace

ProcessLauncher& ProcessLauncher::current() { return *g_current; }
void ProcessLauncher::install(ProcessLauncher* p) { g_current = p ? p : &g_real; }

bool RealProcessLauncher::startDetached(const QString& program, const QStringList& args) {
  QProcess p;
  p.setProgram(program);
  p.setArguments(args);
  p.setWorkingDirectory(QFileInfo(program).absolutePath());
  p.setStandardInputFile(QProcess::nullDevice());
  return p.startDetached();
}

QStringList SplitCommandLine(const QString& line) {
  QStringList words;
  QString cur;
  bool quoted = false, any = false;
  for (QChar c : line) {
    if (c == u'"') {
      quoted = !quoted;
      any = true;
    } else if ((c == u' ' || c == u'\t') && !quoted) {
      if (any) words << cur;
      cur.clear();
      any = false;
    } else {
      cur += c;
      any = true;
    }
  }
  if (any) words << cur;
  return words;
}

}  // namespace orvan
