// The controller as an Alpaca telescope: each member of the telescope interface answered from
// what the application link offers (the J2000 position, the mount's state and sidereal time,
// a goto by target text, sync, stop, park, hand motion at the hand controller's rates). What
// the link cannot do is answered "not implemented", never pretended; no member waits longer
// than the controller takes to answer.
#pragma once
#include "AlpacaDevice.h"

#include <QElapsedTimer>
#include <QTimer>
#include <array>
#include <optional>

namespace orvan {

class AlpacaTelescope : public alpaca::DeviceBase {
 public:
  struct Options {
    QString name = QStringLiteral("OrvanMirel");
    int alignmentMode = 2;   // 2 German equatorial, 1 fork (polar)
    // The settings file the site is read from, at every question (the utility may change it).
    QString iniPath;
    // How long a member waits for the controller's answer.
    int answerWaitMs = 3000;
    // A moveaxis motion stops when no client has asked this telescope anything for this long:
    // the client is taken as gone (Alpaca has no connection to lose).
    int handHoldMs = 15000;
  };

  AlpacaTelescope(LinkClient& link, Options options);

 protected:
  const QStringList& members() const override;
  alpaca::Reply get(const QString& member, const alpaca::Params& params) override;
  alpaca::Reply put(const QString& member, const alpaca::Params& params) override;
  void disconnecting() override;
  void requested() override { lastRequest_.start(); }

 private:
  struct MountState {
    int telState = 0;  // 0 stand-by, 1 tracking, 2 slewing or hand motion
    double siderealHours = 0;
    bool canPark = false;
    std::optional<int> sideOfPier;  // 0 east, 1 west; unset when the family does not report it
    std::array<double, 3> handRates{};  // degrees per second of speeds 1 to 3; 0 for none
  };
  std::optional<MountState> mountState();
  // Asks for the position; the goto, park or sync sent just before it has been carried out by
  // the time the answer comes, so a refusal ("NG") has come too.
  bool settle();
  alpaca::Reply slew(double raHours, double decDegrees);
  alpaca::Reply sync(double raHours, double decDegrees);
  alpaca::Reply moveAxis(int axis, double rate);
  // Asks the controller to stop the axis this device set moving; no wait for its answer.
  void stopAxis();
  void onMessage(int16_t code, const QString& text);

  Options options_;
  bool parking_ = false;
  bool atPark_ = false;
  bool refused_ = false;
  std::optional<double> targetRa_, targetDec_;  // hours, degrees
  std::optional<int> movingAxis_;  // the axis a moveaxis set moving
  QElapsedTimer lastRequest_;
  QTimer handHold_;
};

}  // namespace orvan
