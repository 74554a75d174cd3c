#pragma once
// A simulated RST-400 mount with its HUBO-i controller. The controller speaks an extended
// Meade command language: every command ends with a carriage return (a '#' before it is
// welcome), set and motion commands are taken silently, and queries answer with the command's
// own three characters followed by the value and '#' (":GR12:34:56.7#"). It adds tracking
// on/off (":CtA#", ":CtL#") and a home search (":Ch#", watched with ":GH#").
#include "MountModel.h"
#include "SimDevice.h"

#include <QElapsedTimer>

namespace orvan::sim {

class Rst400Device final : public SimDevice {
 public:
  // `homeSeconds`: how long a home search runs before it reports the home position found.
  Rst400Device(MountModel::Config config, double homeSeconds);

  void receive(const QByteArray& bytes) override;
  QString stateText() override;

  MountModel& model() { return model_; }

  // The home search as ":GH#" reports it: not found, seeking the sensor, approaching it, found.
  enum class Home { NotFound, Seeking, Approaching, Found };
  Home home();

 private:
  void execute(const QByteArray& cmd);  // without ':' and the line ending
  QByteArray answer(const QByteArray& cmd);
  void set(const QByteArray& cmd);
  void startHomeSearch();

  MountModel model_;
  qint64 homeMs_;
  Home home_ = Home::NotFound;
  QElapsedTimer homeClock_;
  double homeFromRa_ = 0, homeFromDec_ = 0;  // where the search started
  QByteArray presets_;  // which of the start-up presets ":SPH#", ":SPE#" arrived ("HE")
  int rejected_ = 0;    // set commands with unreadable values
  QByteArray pending_;
};

}  // namespace orvan::sim
