#pragma once
// What the controller does with the dome's messages on the application link (DomeWire.h):
// the device programs that offer the dome to INDI and Alpaca clients read its state, turn it
// to an azimuth, stop it, switch following and run the slit through here, with the same
// limits and stops as the dome panel's buttons. Every request is answered with the state as
// it stands after the request, so a client reads its own change back at once.
#include <QString>
#include <cstdint>
#include <functional>

namespace orvan {

class DomeLoop;
struct SharedState;

class DomeLinkRequests {
 public:
  using Reply = std::function<void(int16_t code, const QString& text)>;
  // `loop` gives the dome loop, null while there is none.
  DomeLinkRequests(SharedState& state, std::function<DomeLoop*()> loop, Reply reply);

  // False when the message is not one of the dome's (or not readable): nothing is done.
  bool message(int16_t code, const QString& text);

 private:
  QString status() const;

  SharedState& s_;
  std::function<DomeLoop*()> loop_;
  Reply reply_;
};

}  // namespace orvan
