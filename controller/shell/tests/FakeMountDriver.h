#pragma once
// A mount that records what the main window asks of it and reports a position set by the
// test, so the window's side of every conversation can be checked without a serial line.
#include "MountDriver.h"
#include "State.h"

#include <QStringList>

namespace orvan::test {

class FakeMountDriver final : public MountDriver {
 public:
  FakeMountDriver(SharedState& s, QObject* parent) : MountDriver(parent), s_(s) {}

  QStringList calls;  // "cmdMove E 3", "cmdStop", "cmdConnect 1", "cmdGoto <ra> <dec> EOD", ...
  // What the next cmdStatus reports (TelStatus 2..5 and TelState).
  QString ra = QStringLiteral("0"), dec = QStringLiteral("0"), az = QStringLiteral("0"), alt = QStringLiteral("0");
  int16_t state = 1;
  int statusCalls = 0;
  QList<bool> domeInUseAtConnect;  // DomeInUse each time the window connected the mount
  bool connectAnswer = true;       // what cmdConnect(true) answers (false: the port did not open)
  bool gotoAnswer = true;          // what cmdGoto answers (false: refused)
  int selectedCalls = 0;

  bool cmdConnect(bool open) override {
    calls << QStringLiteral("cmdConnect %1").arg(open ? 1 : 0);
    if (open) domeInUseAtConnect << (s_.dome.DomeInUse != 0);
    connected_ = open && connectAnswer;
    return !open || connectAnswer;
  }
  void cmdStartUP() override {}
  int16_t cmdStandBy(bool) override { return 0; }
  void SendIdo() override {}
  void SendStime() override {}
  QString SendTelescope(const QString&) override { return {}; }
  bool cmdGoto(double& r, double& d, const QString& epoch) override {
    calls << QStringLiteral("cmdGoto %1 %2 %3").arg(r, 0, 'f', 0).arg(d, 0, 'f', 0).arg(epoch);
    return gotoAnswer;
  }
  void cmdMove(const QString& direction, int16_t speed) override {
    calls << QStringLiteral("cmdMove %1 %2").arg(direction).arg(speed);
  }
  void cmdStatus() override {
    ++statusCalls;
    s_.mount.TelStatus[2] = ra;
    s_.mount.TelStatus[3] = dec;
    s_.mount.TelStatus[4] = az;
    s_.mount.TelStatus[5] = alt;
    s_.mount.TelAzimuthFromSouth = vb::Val(az);
    s_.mount.TelAltitude = vb::Val(alt);
    s_.mount.TelState = state;
  }
  void cmdStop() override { calls << QStringLiteral("cmdStop"); }
  bool syncAnswer = true;  // what cmdSync and SendZsync answer (false: refused)
  bool cmdSync(double& r, double& d, const QString& epoch) override {
    calls << QStringLiteral("cmdSync %1 %2 %3").arg(r, 0, 'f', 2).arg(d, 0, 'f', 1).arg(epoch);
    return syncAnswer;
  }
  void cmdTrucking() override {}
  bool SendZsync() override {
    calls << QStringLiteral("SendZsync");
    return syncAnswer;
  }
  bool isConnected() const override { return connected_; }
  void Selected() override { ++selectedCalls; }

 private:
  SharedState& s_;
  bool connected_ = false;
};

}  // namespace orvan::test
