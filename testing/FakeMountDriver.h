#pragma once
// A mount driver without a mount: it records every operation it is asked for, answers as the
// test sets it, and reports the position the test gives it. The shell's tests read the
// operations as lines ("cmdGoto 3600 320400 EOD"), the link's tests read their arguments.
#include "MountDriver.h"
#include "State.h"
#include "Vb.h"

#include <QList>
#include <QStringList>
#include <functional>
#include <vector>

namespace orvan::test {

class FakeMountDriver : public MountDriver {
 public:
  struct Call {
    QString op;  // "cmdGoto", "cmdSync", "cmdMove", "cmdStop", "cmdTrucking", ...
    double ra = 0, dec = 0;
    QString text;  // epoch or direction
    int speed = 0;
  };

  // Without a state, cmdStatus reports nothing and cmdConnect notes no dome.
  FakeMountDriver() : MountDriver(nullptr) {}
  FakeMountDriver(SharedState& s, QObject* parent) : MountDriver(parent), s_(&s) {}

  // Every operation, once as a line and once with its arguments.
  QStringList calls;  // "cmdMove E 3", "cmdStop", "cmdConnect 1", "cmdGoto <ra> <dec> EOD", ...
  std::vector<Call> made;

  // What the next cmdStatus reports (TelStatus 2..5, their numbers, and TelState).
  QString ra = QStringLiteral("0"), dec = QStringLiteral("0"), az = QStringLiteral("0"), alt = QStringLiteral("0");
  int16_t state = 1;
  int statusCalls = 0;
  QList<bool> domeInUseAtConnect;  // DomeInUse each time the mount was connected
  bool connectAnswer = true;       // what cmdConnect(true) answers (false: the port did not open)
  bool gotoAnswer = true;          // what cmdGoto answers (false: refused)
  bool syncAnswer = true;          // what cmdSync and SendZsync answer (false: refused)
  QString pierSide;                // what sideOfPier answers
  int selectedCalls = 0;
  // What a driver does while it takes a goto (a real one ends the goto it replaces).
  std::function<void()> duringGoto;
  // The mount's words for a refused goto, as an LX200 driver keeps them.
  QString refusalWords;
  // The driver converts J2000 targets in place; this stands for that conversion.
  double convertBy = 0;
  // When set, a hand move sets its TelState as a driver does (2 moving, 1 after a stop).
  MountState* handState = nullptr;

  // The operations made, by name.
  QStringList ops() const {
    QStringList out;
    for (const Call& c : made) out << c.op;
    return out;
  }

  bool cmdConnect(bool open) override {
    note({QStringLiteral("cmdConnect"), 0, 0, open ? QStringLiteral("1") : QStringLiteral("0"), 0},
         QStringLiteral("cmdConnect %1").arg(open ? 1 : 0));
    if (open && s_) domeInUseAtConnect << (s_->dome.DomeInUse != 0);
    connected_ = open && connectAnswer;
    return !open || connectAnswer;
  }
  void cmdStartUP() override {}
  int16_t cmdStandBy(bool) override { return 0; }
  void SendIdo() override {}
  void SendStime() override {}
  QString SendTelescope(const QString&) override { return {}; }
  bool cmdGoto(double& r, double& d, const QString& epoch) override {
    note({QStringLiteral("cmdGoto"), r, d, epoch, 0},
         QStringLiteral("cmdGoto %1 %2 %3").arg(r, 0, 'f', 0).arg(d, 0, 'f', 0).arg(epoch));
    if (duringGoto) duringGoto();
    r += convertBy;
    d += convertBy;
    return gotoAnswer;
  }
  void cmdMove(const QString& direction, int16_t speed) override {
    note({QStringLiteral("cmdMove"), 0, 0, direction, speed}, QStringLiteral("cmdMove %1 %2").arg(direction).arg(speed));
    if (handState) handState->TelState = speed == 9 ? 1 : 2;
  }
  void cmdStatus() override {
    ++statusCalls;
    if (!s_) return;
    MountState& m = s_->mount;
    m.TelStatus[TelItem::RaText] = ra;
    m.TelStatus[TelItem::DecText] = dec;
    m.TelStatus[TelItem::AzimuthText] = az;
    m.TelStatus[TelItem::AltitudeText] = alt;
    m.TelAzimuthFromSouth = vb::Val(az);
    m.TelAltitude = vb::Val(alt);
    m.TelState = state;
  }
  void cmdStop() override { note({QStringLiteral("cmdStop"), 0, 0, {}, 0}, QStringLiteral("cmdStop")); }
  bool cmdSync(double& r, double& d, const QString& epoch) override {
    note({QStringLiteral("cmdSync"), r, d, epoch, 0},
         QStringLiteral("cmdSync %1 %2 %3").arg(r, 0, 'f', 2).arg(d, 0, 'f', 1).arg(epoch));
    r += convertBy;
    d += convertBy;
    return syncAnswer;
  }
  void cmdTrucking() override { note({QStringLiteral("cmdTrucking"), 0, 0, {}, 0}, QStringLiteral("cmdTrucking")); }
  bool SendZsync() override {
    note({QStringLiteral("SendZsync"), 0, 0, {}, 0}, QStringLiteral("SendZsync"));
    return syncAnswer;
  }
  // A fake without a state stands for a mount that is always there (the link's tests).
  bool isConnected() const override { return s_ ? connected_ : true; }
  void Selected() override { ++selectedCalls; }
  QString lastRefusal() const override { return refusalWords; }
  QString sideOfPier() const override { return pierSide; }

 private:
  void note(Call c, const QString& line) {
    made.push_back(std::move(c));
    calls << line;
  }

  SharedState* s_ = nullptr;
  bool connected_ = false;
};

}  // namespace orvan::test
