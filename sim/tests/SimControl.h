#pragma once
// A test's end of a running simulator's control socket, through `orvan-sim ctl`.
#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace orvan::sim::test {

// The simulator program of the build (ORVAN_BIN_DIR).
inline QString SimProgram() { return QString::fromLocal8Bit(qgetenv("ORVAN_BIN_DIR")) + QStringLiteral("/orvan-sim"); }

// Sends one control line ("fault silent", "state", ...) and returns the answer line.
inline QByteArray SimControl(const QString& folder, int com, const QString& words) {
  QProcess ctl;
  ctl.start(SimProgram(), QStringList{"ctl", "--dir", folder, "--com", QString::number(com)} + words.split(u' '));
  ctl.waitForFinished(5000);
  return ctl.readAllStandardOutput().trimmed();
}

// One value of the state line: SimState(..., "tracking") -> "1".
inline QByteArray SimState(const QString& folder, int com, const QByteArray& key) {
  for (const QByteArray& word : SimControl(folder, com, QStringLiteral("state")).split(' '))
    if (word.startsWith(key + '=')) return word.mid(key.size() + 1);
  return {};
}

}  // namespace orvan::sim::test
