#pragma once
// One simulated device family: bytes in, replies out. The runner (SimRunner) owns the line,
// the log and the fault modes; a family only knows its protocol.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>

namespace orvan::sim {

class SimDevice {
 public:
  virtual ~SimDevice() = default;
  // Everything the client wrote since the last call. A family splits it into commands and
  // calls `command` for each (for the log) and `reply` for each answer.
  virtual void receive(const QByteArray& bytes) = 0;
  // A one-line description of the device state for the control connection.
  virtual QString stateText() { return QString(); }
  // A control command of the family's own (the words after the command name's split); the
  // answer line, or the empty text when the family does not know it.
  virtual QString control(const QStringList& words) { (void)words; return QString(); }
  // The line ending every reply carries, if the protocol has one. The garbled and cut fault
  // modes keep it, so a line-based client still receives a (wrong) whole line.
  virtual QByteArray replyEnding() const { return QByteArray(); }

  std::function<void(const QByteArray&)> command;
  std::function<void(const QByteArray&)> reply;
};

}  // namespace orvan::sim
