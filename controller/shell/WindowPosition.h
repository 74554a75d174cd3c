#pragma once
// A window's Left and Top, in twips, under a section named after the window in the settings
// file. Absent keys read 0 (the top-left corner). Written only when the observer moved the
// window, so a run that did not move it leaves the settings file as it found it.
#include <QPoint>
#include <QString>

class QWidget;

namespace orvan {

class WindowPosition {
 public:
  // `iniPath` is read at each call: the owner may learn its settings file later.
  WindowPosition(QWidget& window, const QString& iniPath) : window_(window), iniPath_(iniPath) {}
  void Restore();
  void Save();

 private:
  QWidget& window_;
  const QString& iniPath_;
  QPoint stored_;
};

}  // namespace orvan
