#pragma once
// A MountHost that records every call: the main window's side of a mount driver, for tests
// and fuzzers that drive a driver alone.
#include "MountHost.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace orvan {

class RecordingMountHost : public MountHost {
 public:
  void FormSizeChange(int code) override { formSizeChanges.push_back(code); calls << QStringLiteral("FormSizeChange(%1)").arg(code); }
  void TelSlewing(int code) override { telSlewings.push_back(code); calls << QStringLiteral("TelSlewing(%1)").arg(code); }
  void Mission(int16_t code, const QString& text) override {
    missions.push_back(code);
    calls << QStringLiteral("Mission(%1,%2)").arg(code).arg(text);
  }
  void SendLinkOk() override { ++linkOks; calls << QStringLiteral("SendLinkOk"); }
  void SendLinkNg() override { ++linkNgs; calls << QStringLiteral("SendLinkNg"); }
  QString SelectedCommPort() const override { return commPort; }
  void UnloadMainWindow() override { ++unloads; calls << QStringLiteral("UnloadMainWindow"); }
  void Beep() override { ++beeps; }
  void SetMainLoop(bool on) override { mainLoopOn = on; calls << QStringLiteral("SetMainLoop(%1)").arg(on); }
  void SetPositionLabels(const QString& upper, const QString& lower) override { positionLabels = {upper, lower}; }
  void SetStateLamp(int bgr) override { lamp = bgr; }
  void SetPierSide(const QString& text) override { pierSide = text; }
  void SetAscomTelescope(const QString& text) override { ascomTelescope = text; }
  void ShowBridgeError(const QString& text) override { bridgeErrors << text; }
  int CurrentLayout() const override { return layout; }

  QString commPort = QStringLiteral("COM1");
  std::vector<int> formSizeChanges, telSlewings, missions;
  int linkOks = 0, linkNgs = 0, unloads = 0, beeps = 0;
  bool mainLoopOn = true;
  QStringList positionLabels{QStringLiteral("-"), QStringLiteral("-")};
  int lamp = -1, layout = 1;
  QString pierSide, ascomTelescope;
  QStringList calls, bridgeErrors;
};

}  // namespace orvan
