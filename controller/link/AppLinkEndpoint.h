#pragma once
// What the controller does with each message of a cooperating program: mission requests
// (code 2, handed to the mission dispatcher; mission 150 is a goto by target text), the
// position query (89, answered with 91) and the sync request (90); for the device programs the
// mount state (127, answered with 128) and a sync that is answered (129, answered with 130).
// It owns no transport: the link server feeds it whole messages and carries what it sends.
//
// Only a message that reads exactly as one of these acts; everything else is dropped without
// an answer. The refusals the link reports are "NG" for a mission-150 goto and the 130 answer.
//
// Positions on the link are J2000 both ways: the sync request takes the frame the position
// answer gives, whatever the planetarium port's SkyMap/EPOCH, so syncing on a position just
// read moves nothing.
#include "HandRates.h"
#include "PlanetariumCommand.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <utility>

namespace orvan {

class ACal2;
class LinkHost;

class AppLinkEndpoint {
 public:

  struct Hooks {
    // The link's send operation (code, text).
    std::function<void(int16_t code, const QString& text)> send;
    // A mission-150 goto was accepted: the sync dialog, loaded without being shown, gets the
    // target as its last row (J2000 seconds of time and arcseconds).
    std::function<void(const QString& name, double ra, double dec)> prepareSync;
    // The second event: code 90 with "Utility".
    std::function<void()> utilityAnswered;
    // An answer for the program whose message is being handled alone (the position, the
    // refusal of its goto); without it the answer goes out as any message.
    std::function<void(int16_t code, const QString& text)> reply;
    // A mission-150 goto is about to be given to the driver, and it was accepted: its end is
    // told to the program that asked.
    std::function<void()> gotoBegins;
    std::function<void()> gotoStarted;
    // The hand rates of the bound mount family, for the mount state's answer.
    std::function<HandRates()> handRates;
    // Any other code (the dome's messages): true when it was one and was handled.
    std::function<bool(int16_t code, const QString& text)> other;
  };

  AppLinkEndpoint(LinkHost& host, ACal2& cal, Hooks hooks);

  // The message event. False when the message was dropped as not one of the link's.
  bool message(int16_t code, const QString& text);
  // The second event (the answer to the utility query).
  void answer(int16_t code, const QString& text);
  // A mission request: 0-50 and 51-99 go to the dispatcher, 150 is a goto.
  bool GetMission(int16_t kind, const QString& text);

 private:
  bool gotoTarget(const QString& target);
  // A sync's position ("ra,dec", J2000 seconds of time and arcseconds); nullopt when unreadable.
  std::optional<std::pair<double, double>> syncTarget(const QString& text) const;
  bool sync(const QString& text);
  // The device programs' sync: the same, answered "OK" or "NG,<reason>".
  bool syncAnswered(const QString& text);
  void reply(int16_t code, const QString& text);
  QString mountState() const;

  LinkHost& host_;
  ACal2& cal_;
  Hooks hooks_;
  PlanetariumCommand assist_;
};

}  // namespace orvan
