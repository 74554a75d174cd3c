#pragma once
// An observatory view that remembers what the window would show, in order, so the Observatory
// runs headless: no widget, no window, the observer's choices set by the test.
#include "../../dome/tests/RecordingDomeView.h"
#include "ObservatoryView.h"

#include <QStringList>
#include <functional>

namespace orvan::test {

class RecordingObservatoryView final : public ObservatoryView {
 public:
  // What the window was asked, one line a call ("showLayout 1 0", "setTopmost", ...).
  QStringList log;
  int layout = -1;
  QString telescopeName, telescopeToolTip;
  QString upper, lower;
  int lamp = -1;
  QString pierSide;
  QString bridgeTelescope;
  bool bridgeError = false;
  bool parkEnabled = false;
  bool parkBlink = false;
  int speed = -1;
  bool directionEnabled = true;
  std::array<bool, 3> rates{true, true, true};
  bool bridgeChooser = false;
  bool closed = false;
  // The set-up column as the observer left it: the lists and their selections.
  SetupFields shown;
  QStringList mountList, portList;
  int mountIndex = -1, portIndex = -1;
  RecordingDomeView dome;
  QStringList syncTargets;
  // Called while the title shows, the way a signal arriving during the start wait would be.
  std::function<void()> duringTitle;

  // Chooses a mount-list entry as the observer does in the list.
  void choose(const QString& entry) { mountIndex = static_cast<int>(mountList.indexOf(entry)); }
  bool logged(const QString& line) const { return log.contains(line); }
  // Where a call first stands in the log; -1 when it never came.
  int at(const QString& line) const { return static_cast<int>(log.indexOf(line)); }

  void setTopmost() override { log << QStringLiteral("setTopmost"); }
  void restorePosition() override { log << QStringLiteral("restorePosition"); }
  void savePosition() override { log << QStringLiteral("savePosition"); }
  void showAlreadyRunning(const QString& title) override { log << QStringLiteral("showAlreadyRunning ") + title; }
  void showTitle(const QString&) override {
    log << QStringLiteral("showTitle");
    if (duringTitle) duringTitle();
  }
  void closeTitle() override { log << QStringLiteral("closeTitle"); }
  void showStartupWait(bool on) override { log << QStringLiteral("showStartupWait %1").arg(on); }
  void closeWindow() override {
    log << QStringLiteral("closeWindow");
    closed = true;
  }
  void closeWindowLater() override { log << QStringLiteral("closeWindowLater"); }
  void unloadAllWindows() override { log << QStringLiteral("unloadAllWindows"); }
  void beep() override { log << QStringLiteral("beep"); }
  void showLayout(int l, bool domePanel) override {
    log << QStringLiteral("showLayout %1 %2").arg(l).arg(domePanel);
    layout = l;
    if (l == 2) parkEnabled = false;
  }
  void setTelescopeName(const QString& text, const QString& toolTip) override {
    telescopeName = text;
    if (!toolTip.isNull()) telescopeToolTip = toolTip;
  }
  void setPositionLabels(const QString& u, const QString& l) override {
    upper = u;
    lower = l;
  }
  void setStateLamp(int bgr) override { lamp = bgr; }
  void setPierSide(const QString& text) override { pierSide = text; }
  void setBridgeTelescope(const QString& text, bool error) override {
    bridgeTelescope = text;
    bridgeError = error;
  }
  void setParkEnabled(bool on) override { parkEnabled = on; }
  void setParkBlink(bool on) override { parkBlink = on; }
  void showSpeed(int index) override { speed = index; }
  void setDirectionButtonsEnabled(bool on) override { directionEnabled = on; }
  void showHandRates(const std::array<bool, 3>& offered) override { rates = offered; }
  void showBridgeChooser(bool bridge) override { bridgeChooser = bridge; }
  SetupFields readFields(const SetupFields& base) const override {
    SetupFields f = base;
    f.txtLocation = shown.txtLocation;
    f.optNS = shown.optNS;
    f.optEW = shown.optEW;
    f.optMount = shown.optMount;
    f.mountIndex = mountIndex;
    f.portIndex = portIndex;
    return f;
  }
  void showFields(const SetupFields& f) override {
    log << QStringLiteral("showFields");
    shown = f;
    if (mountList.size() != f.mountList.size()) mountList = f.mountList;
    mountIndex = f.mountIndex;
    portList = f.portList;
    portIndex = f.portIndex;
  }
  void showMountList(const QStringList& entries) override {
    log << QStringLiteral("showMountList");
    mountList = entries;
    mountIndex = entries.isEmpty() ? -1 : 0;
  }
  void showPortList(const QStringList& ports) override {
    log << QStringLiteral("showPortList");
    portList = ports;
    portIndex = -1;
  }
  QString selectedMountEntry() const override { return mountList.value(mountIndex); }
  QString selectedCommPort() const override { return portList.value(portIndex); }
  DomeView& domeView() override { return dome; }
  void attachDomeLoop(DomeLoop&, const QString&) override { log << QStringLiteral("attachDomeLoop"); }
  void makeHomingWindow(MountDriver&) override { log << QStringLiteral("makeHomingWindow"); }
  void prepareSync(const QString& name, double, double) override { syncTargets << name; }
};

}  // namespace orvan::test
