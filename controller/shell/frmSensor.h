#pragma once
// The weather sensor window "気象センサー": always on top, one indicator per sensor (power
// failure, rain and snow) and a time-stamped log of every change of the weather code. It only
// reports. Closing it hides it; the log lives as long as the program.
#include "WindowPosition.h"

#include <QString>
#include <QWidget>
#include <array>

class QLabel;
class QListWidget;

namespace orvan {

class frmSensor : public QWidget {
  Q_OBJECT
 public:
  // Restores the window's place from the settings (section frmSensor, Left and Top in twips).
  explicit frmSensor(const QString& iniPath, QWidget* parent = nullptr);

  // One reading of the weather, a character a sensor ("0" clear, "1" alarm, "?" unknown, "-"
  // not fitted): an alarm shows the window, the rest is noted quietly, anything else (the
  // empty text) changes nothing.
  void Report(const QString& code);
  // Label1: the code last noted. Setting a different one writes a log line.
  QString Label1() const { return label1_; }
  void SetLabel1(const QString& code);

  QListWidget* lstWeather = nullptr;
  std::array<QLabel*, 2> lblWeather{};

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  // The indicators for a code.
  void paint(const QString& code);

  QString iniPath_;
  WindowPosition position_{*this, iniPath_};
  QString label1_;
  QString painted_;  // the code the indicators show
};

}  // namespace orvan
