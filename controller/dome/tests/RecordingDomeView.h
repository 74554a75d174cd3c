#pragma once
// A dome view that remembers what the window would show.
#include "DomeView.h"

#include <QStringList>
#include <array>
#include <map>

namespace orvan::test {

class RecordingDomeView final : public DomeView {
 public:
  std::array<QString, 2> caption;
  std::array<Lamp, 3> rotationLamp{Lamp::Idle, Lamp::Idle, Lamp::Idle};
  std::array<Lamp, 2> slitLamp{Lamp::Idle, Lamp::Idle};
  bool homeFound = false;
  bool noticeVisible = false;
  QString noticeText;
  bool panelsEnabled = false;
  int waitWindowClosed = 0;
  DomeShape shape{100, 200, 1800, 1800};
  std::map<int, LineEnds> referenceLines;
  std::map<int, LineEnds> marks;
  QStringList weather;

  void setDomeAzimuthCaption(int index, const QString& c) override { caption.at(index) = c; }
  void setRotationLamp(int index, Lamp lamp) override { rotationLamp.at(index) = lamp; }
  void setSlitLamp(int index, Lamp lamp) override { slitLamp.at(index) = lamp; }
  void showHomeFound(bool found) override { homeFound = found; }
  void showHomeSearchNotice(bool visible, const QString& text) override {
    noticeVisible = visible;
    noticeText = text;
  }
  void setDomePanelsEnabled(bool enabled) override { panelsEnabled = enabled; }
  void closeStartupWaitWindow() override { ++waitWindowClosed; }
  DomeShape domeShape() const override { return shape; }
  void placeReferenceLine(int index, const LineEnds& line) override { referenceLines[index] = line; }
  void placeDomeMark(int index, const LineEnds& line) override { marks[index] = line; }
  void reportWeather(const QString& code) override { weather << code; }
};

}  // namespace orvan::test
