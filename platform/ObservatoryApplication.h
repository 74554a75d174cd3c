#pragma once
// The QApplication of both programs, on Qt's own Unix event loop. Qt picks GLib's loop on
// Linux, whose prepare, check and dispatch rounds cost each wake-up about a sixth more, and an
// idle controller wakes about ten times a second (dome loop, main loop, the mount's replies;
// measured side by side, docs/engineering-notes.md). Nothing here needs GLib's loop: the
// programs show no GTK file, colour or font dialog.
//
// A QT_NO_GLIB the user set is left as it is. Otherwise it is set only while the application
// object picks its loop, so programs started from this one choose for themselves.
#include <QApplication>

namespace orvan {

class ObservatoryApplication : public QApplication {
 public:
  ObservatoryApplication(int& argc, char** argv);

  // True when the application runs on Qt's own loop (for the tests and the logs).
  static bool onPlainEventLoop();

 private:
  static int& chooseLoop(int& argc);
};

}  // namespace orvan
