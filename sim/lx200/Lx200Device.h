#pragma once
// A simulated Meade LX200 ("lx200": starts in the low-precision format) or LX200GPS
// ("lx200gps": starts in the high-precision format). Speaks the command set the controller
// and the common planetarium programs use; unknown commands get no answer, as on the mount.
#include "MountModel.h"
#include "SimDevice.h"

namespace orvan::sim {

class Lx200Device final : public SimDevice {
 public:
  Lx200Device(bool gps, MountModel::Config config);

  void receive(const QByteArray& bytes) override;
  QString stateText() override;

  MountModel& model() { return model_; }
  bool highPrecision() const { return high_; }

  // The texts of :GR# and :GD# for a position, in the current format.
  QByteArray raReply(double ra) const;
  QByteArray decReply(double dec) const;

 private:
  void execute(const QByteArray& cmd);  // without ':' and '#'
  QByteArray answer(const QByteArray& cmd);

  bool gps_;
  bool high_;
  MountModel model_;
  QByteArray pending_;
};

}  // namespace orvan::sim
