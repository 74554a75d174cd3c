#pragma once
// SIGTERM and SIGINT ask the main window to close, so the shutdown sequence runs as when the
// observer closes it (the way `kill` and Ctrl+C are expected to work). A second signal ends
// the program at once, for a shutdown that hangs on a device.
#include <QObject>

class QSocketNotifier;

namespace orvan {

class SignalCloser : public QObject {
  Q_OBJECT
 public:
  explicit SignalCloser(QObject* parent = nullptr);
  ~SignalCloser() override;

 signals:
  void closeRequested(int signal);

 private:
  QSocketNotifier* notifier_ = nullptr;
};

}  // namespace orvan
