// The controller's dome as an Alpaca dome: azimuth, slit, following (slaved), turning to an
// azimuth, park at the dome's park azimuth, all through the dome's messages of the application
// link. Every member asks the controller for the state as it stands, so a client reads its own
// change back at once. The slit has no end switches: "open" and "closed" are the controller's
// judgement after its slit timer.
#pragma once
#include "AlpacaDevice.h"
#include "DomeWire.h"

#include <optional>

namespace orvan {

class AlpacaDome : public alpaca::DeviceBase {
 public:
  explicit AlpacaDome(LinkClient& link, int answerWaitMs = 3000);

 protected:
  const QStringList& members() const override;
  alpaca::Reply get(const QString& member, const alpaca::Params& params) override;
  alpaca::Reply put(const QString& member, const alpaca::Params& params) override;

 private:
  // Sends a dome request and reads the state it is answered with.
  std::optional<domewire::Status> request(int16_t code, const QString& text = QString());
  alpaca::Reply command(int16_t code, const QString& text = QString());

  int answerWaitMs_;
};

}  // namespace orvan
