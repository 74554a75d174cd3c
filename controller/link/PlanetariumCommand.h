#pragma once
// The LX200 dialogue offered to planetarium programs: one received text in, the reply text out
// (empty = nothing is sent back). The virtual serial port feeds it every chunk a program
// writes; the application link asks it for "Assist". It keeps nothing between calls: what it
// remembers (target, move rate, epoch) lives in the shared state, so a second text that
// arrives while a goto waits inside the driver is interpreted safely.
#include <QString>

namespace orvan {

class LinkHost;

class PlanetariumCommand {
 public:
  explicit PlanetariumCommand(LinkHost& host) : host_(host) {}

  QString interpret(const QString& text);

 private:
  enum class Flow { Continue, Stop };

  QString siteCommand(const QString& text, bool& handled);
  Flow part(const QString& part, QString& reply);
  Flow setTargetRa(const QString& part, QString& reply);
  Flow setTargetDec(const QString& part, QString& reply);
  QString query(const QString& body) const;
  QString raNow() const;
  QString decNow() const;
  void move(const QString& direction);
  void stopMove();
  QString epochText() const;

  LinkHost& host_;
};

}  // namespace orvan
