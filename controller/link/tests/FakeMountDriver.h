#pragma once
// A mount driver that records the operations the link calls, with their arguments.
#include "MountDriver.h"

#include <QStringList>

namespace orvan {

class FakeMountDriver : public MountDriver {
 public:
  struct Call {
    QString op;  // "cmdGoto", "cmdSync", "cmdMove", "cmdStop", "cmdTrucking"
    double ra = 0, dec = 0;
    QString text;  // epoch or direction
    int speed = 0;
  };
  std::vector<Call> calls;
  bool gotoResult = true;
  // What a driver does while it takes a goto (a real one ends the goto it replaces).
  std::function<void()> duringGoto;
  bool syncResult = true;
  // The mount's words for a refused goto, as an LX200 driver keeps them.
  QString refusalWords;
  // The driver converts J2000 targets in place; this stands for that conversion.
  double convertBy = 0;

  bool cmdConnect(bool) override { return true; }
  void cmdStartUP() override {}
  int16_t cmdStandBy(bool) override { return 0; }
  void SendIdo() override {}
  void SendStime() override {}
  QString SendTelescope(const QString&) override { return {}; }
  bool cmdGoto(double& ra, double& dec, const QString& epoch) override {
    calls.push_back({"cmdGoto", ra, dec, epoch, 0});
    if (duringGoto) duringGoto();
    ra += convertBy;
    dec += convertBy;
    return gotoResult;
  }
  void cmdMove(const QString& direction, int16_t speed) override {
    calls.push_back({"cmdMove", 0, 0, direction, speed});
  }
  void cmdStatus() override {}
  void cmdStop() override { calls.push_back({"cmdStop", 0, 0, {}, 0}); }
  bool cmdSync(double& ra, double& dec, const QString& epoch) override {
    calls.push_back({"cmdSync", ra, dec, epoch, 0});
    ra += convertBy;
    dec += convertBy;
    return syncResult;
  }
  void cmdTrucking() override { calls.push_back({"cmdTrucking", 0, 0, {}, 0}); }
  bool SendZsync() override { return true; }
  bool isConnected() const override { return true; }
  QString lastRefusal() const override { return refusalWords; }

  QStringList ops() const {
    QStringList out;
    for (const Call& c : calls) out << c.op;
    return out;
  }
};

}  // namespace orvan
