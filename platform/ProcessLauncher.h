#pragma once
// Starting other programs: the configuration utility, the follow-up program of Option/Exec.
#include <QString>
#include <QStringList>
#include <vector>

namespace orvan {

class ProcessLauncher {
 public:
  virtual ~ProcessLauncher() = default;
  // Starts the program as a separate process the caller does not wait for.
  virtual bool startDetached(const QString& program, const QStringList& args) = 0;

  static ProcessLauncher& current();
  static void install(ProcessLauncher* p);  // nullptr restores the real launcher
};

class RealProcessLauncher final : public ProcessLauncher {
 public:
  bool startDetached(const QString& program, const QStringList& args) override;
};

// Records what would have been started (unit tests).
class RecordingLauncher final : public ProcessLauncher {
 public:
  struct Started {
    QString program;
    QStringList args;
  };
  bool startDetached(const QString& program, const QStringList& args) override {
    started.push_back({program, args});
    return true;
  }
  std::vector<Started> started;
};

// Splits a command line at blanks, keeping "double quoted" words together.
QStringList SplitCommandLine(const QString& line);

}  // namespace orvan
