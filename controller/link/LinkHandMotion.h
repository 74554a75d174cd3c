#pragma once
// Hand motion a device program asks for over the application link (an Alpaca client's
// moveaxis): one axis at a time moves at one of the hand controller's rates, as if its button
// were held. The motion belongs to the program that started it. It ends when that program
// asks, or when its link goes (the program ended or was killed); it is forgotten, without a
// stop, once anything else takes the mount over (the observer's buttons, a goto, another
// stop), so a late stop from the program cannot cut short what came after. Forgetting is the
// controller's to tell: not every family marks hand motion in TelState.
//
// In: 131 "axis,speed": axis 0 the right-ascension axis, 1 the declination axis; speed -3 to 3
// (1 slow, 2 middle, 3 fast; plus towards east or north, minus towards west or south; 0 stops
// that axis). Answered to the asking program with 132 "OK" or "NG,<reason>".
#include "HandRates.h"

#include <QString>
#include <cstdint>
#include <functional>

namespace orvan {

class MountDriver;
struct MountState;

class LinkHandMotion {
 public:
  struct Hooks {
    std::function<MountDriver*()> telescope;   // null while no mount is bound
    std::function<HandRates()> rates;          // of the bound family
    std::function<quint64()> asker;            // the link client whose message is handled
    std::function<void(int16_t code, const QString& text)> reply;
  };
  LinkHandMotion(const MountState& mount, Hooks hooks);

  // False when the message is not a readable hand-motion request: nothing is done.
  bool message(int16_t code, const QString& text);
  // A link client went away: what it moves stops.
  void clientGone(quint64 client);
  // Something else took the mount over: the motion is no longer the program's to stop.
  void forget();
  bool moving() const { return owner_ != 0; }

 private:
  QString refusal(int axis, int speed) const;
  void stop();

  const MountState& mount_;
  Hooks hooks_;
  quint64 owner_ = 0;  // the client whose motion runs; 0 for none
  int axis_ = 0;
  QString letter_;     // the hand controller's letter of the motion
};

}  // namespace orvan
