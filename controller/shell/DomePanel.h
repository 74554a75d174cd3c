#pragma once
// The main window's dome panels: rotation buttons with their lamps, the dome and target
// azimuths, the home indicators, the slit buttons, and the little dome picture. The dome
// logic drives it through DomeView; the buttons go straight to the dome logic.
#include "DomeView.h"

#include <QWidget>
#include <array>

class QGroupBox;
class QLabel;
class QPushButton;
class QFrame;

namespace orvan {

class DomeLoop;

class DomeCanvas : public QWidget {
  Q_OBJECT
 public:
  explicit DomeCanvas(QWidget* parent) : QWidget(parent) {}
  DomeShape shape;                   // Shape1, twips relative to this canvas
  std::array<LineEnds, 6> Line1{};   // grey reference diameters
  std::array<LineEnds, 2> Line2{};   // dome mark, target mark

 protected:
  void paintEvent(QPaintEvent*) override;
};

class DomePanel : public QWidget, public DomeView {
  Q_OBJECT
 public:
  explicit DomePanel(QWidget* parent = nullptr);
  void attach(DomeLoop* loop);
  void setSimulationNotice(const QString& text);
  // The panel's own size: its controls sit lower where the captions need more room.
  QSize sizeHint() const override;

  // DomeView
  void setDomeAzimuthCaption(int index, const QString& caption) override;
  void setRotationLamp(int index, Lamp lamp) override;
  void setSlitLamp(int index, Lamp lamp) override;
  void showHomeFound(bool found) override;
  void showHomeSearchNotice(bool visible, const QString& text) override;
  void setDomePanelsEnabled(bool enabled) override;
  void closeStartupWaitWindow() override;
  DomeShape domeShape() const override { return canvas_->shape; }
  void placeReferenceLine(int index, const LineEnds& line) override;
  void placeDomeMark(int index, const LineEnds& line) override;
  void reportWeather(const QString& code) override;

  // Called when the dome logic asks for the start-up wait window to go.
  std::function<void()> onCloseStartupWait;
  // Receives every weather code the dome loop reads (the sensor window).
  std::function<void(const QString&)> onWeather;
  QString lastWeatherCode() const { return weather_; }

 private:
  DomeLoop* loop_ = nullptr;
  QGroupBox* Frame1_3 = nullptr;
  QGroupBox* Frame1_4 = nullptr;
  std::array<QPushButton*, 3> BtnDomeLR{};
  std::array<QFrame*, 3> picDomeLR{};
  std::array<QPushButton*, 2> btnDomeSlit{};
  std::array<QFrame*, 2> picDomeSlit{};
  std::array<QLabel*, 2> lblDomeAZ{};
  std::array<QLabel*, 2> lblHOT{};
  QLabel* Label3 = nullptr;
  QLabel* lblSimulated = nullptr;
  DomeCanvas* canvas_ = nullptr;
  QString weather_;
  // What each lamp shows now (rotation 0..2, then slit 0..1), so that a report of the same
  // state costs a comparison, not a property look-up by name.
  std::array<Lamp, 5> lampShown_{Lamp::Idle, Lamp::Idle, Lamp::Idle, Lamp::Idle, Lamp::Idle};
};

}  // namespace orvan
