#pragma once
// Runs one simulated device on a pseudo-terminal linked as FOLDER/ports/COM<n>: logs every
// command with a timestamp, applies the fault mode to the replies, and listens for control
// commands on the local socket FOLDER/ports/COM<n>.ctl (one line each):
//   fault normal|silent|garbage|short|slow|vanish   -> "ok"
//   state                                           -> the device's state line
//   anything else the family knows (SimDevice::control)
// `orvan-sim ctl --dir FOLDER --com N fault silent` sends one.
#include "PseudoTerminal.h"
#include "SimDevice.h"

#include <QFile>
#include <QObject>
#include <memory>

class QLocalServer;

namespace orvan::sim {

enum class Fault { Normal, Silent, Garbage, Short, Slow, Vanish };
bool ParseFault(const QString& text, Fault& out);
QString FaultName(Fault f);
// What a garbled or cut line makes of a reply.
QByteArray GarbageOf(const QByteArray& reply);
QByteArray ShortOf(const QByteArray& reply);

class SimRunner : public QObject {
  Q_OBJECT
 public:
  SimRunner(std::unique_ptr<SimDevice> device, const QString& folder, int com, QObject* parent = nullptr);
  ~SimRunner() override;

  // Opens the line, the log (empty path: none) and the control socket.
  bool start(const QString& logPath, QString* error);
  void setFault(Fault f);
  Fault fault() const { return fault_; }
  void setSlowDelayMs(int ms) { slowMs_ = ms; }
  PseudoTerminal& port() { return port_; }
  QString linkPath() const;

 private:
  bool plugIn();
  void onBytes(const QByteArray& bytes);
  void sendReply(const QByteArray& reply);
  void log(const char* arrow, const QByteArray& bytes);
  void onControl();

  std::unique_ptr<SimDevice> device_;
  QString folder_;
  int com_;
  PseudoTerminal port_;
  QFile log_;
  QLocalServer* control_ = nullptr;
  Fault fault_ = Fault::Normal;
  int slowMs_ = 2500;
};

}  // namespace orvan::sim
