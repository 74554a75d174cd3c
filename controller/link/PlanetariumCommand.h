#pragma once
// The LX200 dialogue offered to planetarium programs: one whole command in, its reply out
// (empty = nothing is sent back). The virtual serial port frames what a program writes into
// commands and hands each one here; the application link asks for "Assist".
//
// A command acts only when it is exactly one the controller knows: ':', its letters, its
// argument, '#'. Anything else (line noise, a half command, an unknown one) is dropped
// without a reply and never moves the mount or writes a setting. What the dialogue remembers
// (target, move rate, epoch) lives in the shared state; the only thing kept here is whether
// the last set command of each coordinate was refused, so a goto never runs on a half-set
// target.
#include <QString>

namespace orvan {

class LinkHost;

// The hand controller's letter ("N", "S", "E", "W") that moves the mount towards a direction on
// the sky ('n', 's', 'e', 'w'); empty for any other.
QString HandsetLetter(QChar skyDirection);

class PlanetariumCommand {
 public:
  explicit PlanetariumCommand(LinkHost& host) : host_(host) {}

  // One framed command (":GR#", ":Sr05:30:00#", the byte 0x06, Stellarium's lone "#"...).
  QString command(const QString& unit);
  // A whole text: "Assist" for the application link, otherwise the commands it holds one
  // after another, each answered, the replies joined in order.
  QString interpret(const QString& text);

 private:
  QString alignment() const;
  QString withoutArgument(const QString& name);
  QString withArgument(const QString& name, const QString& arg);
  QString query(const QString& name) const;
  QString gotoTarget();
  QString syncTarget();
  QString assist() const;
  QString raNow() const;
  QString decNow() const;
  void move(QChar skyDirection);
  void stopMove(QChar skyDirection);
  QString epochText() const;

  LinkHost& host_;
  bool raRefused_ = false;
  bool decRefused_ = false;
};

}  // namespace orvan
