#pragma once
// What every serial mount family does the same way: opening the port with its retries,
// closing with the encoder log, the send-and-wait transaction with its time-out question and
// the port event handler. The goto preparation, slew watch and status post-processing are
// CommonMountDriver's, shared with the bridge. A family driver adds its protocol on top
// (frmLX200, frmRST400, ...).
#include "CommonMountDriver.h"
#include "SerialFamily.h"
#include "SerialLink.h"

#include <memory>

namespace orvan {

class SerialMountDriver : public CommonMountDriver {
  Q_OBJECT
 public:
  // `link` is the port (QtSerialLink in the program, FakeSerialLink in tests); `iniPath`
  // the settings file.
  SerialMountDriver(const SerialFamily& family, SharedState& state, MountHost& host, ACal2& cal,
                    std::unique_ptr<SerialLink> link, const QString& iniPath, QObject* parent = nullptr);
  ~SerialMountDriver() override;

  QString SendTelescope(const QString& cmd) override;
  bool WaitTelescope() override;

  SerialLink& link() { return *link_; }
  const SerialFamily& family() const { return family_; }

  // The serial event handler: records the code, beeps on end-of-file, and for families that
  // report them shows the error texts.
  void OnCommEvent(int code);

 protected:
  // Opening: returns true when the port is open (at once when it already was); on failure
  // tells the observer, switches the main window to the set-up layout and returns false.
  bool OpenPort();
  // The connection after a successful open: Connected, then the family's start steps
  // (BeforeStartUp, cmdStartUP, AfterStartUp).
  void FinishConnect();
  // cmdConnect(true) of every serial family: true at once when the port is open already,
  // else the port opened and the connection finished; false when the port would not open.
  bool Connect();
  // Before cmdStartUP: half a second for the controller (E-Vexil stops the mount instead).
  virtual void BeforeStartUp();
  // After cmdStartUP: the encoder log (Temma reads none).
  virtual void AfterStartUp() { LoadEncoderLog(); }
  // Closing: writes the encoder log (unless communication failed, for the families that may
  // skip it), closes, Connected = false.
  void ClosePort();
  // The observer gave up communication (Abort or Ignore to a time-out): nothing more is sent.
  bool CommunicationGivenUp() const { return ds_.LastTimeoutAnswer != 0 && ds_.LastTimeoutAnswer != 4; }
  // A goto or sync can reach the mount: connected, the port open, communication not given up.
  bool CanCommand() const { return ds_.Connected && link_->isOpen() && !CommunicationGivenUp(); }
  bool CanMove() const override { return CanCommand(); }

 private:
  enum class WaitOutcome { KeepWaiting, StopWaiting, ReturnEmpty };
  WaitOutcome HandleTimeout(const QString& cmd, float& start, bool& rerun);
  bool ReplyComplete(const QByteArray& reply) const;
  bool WantsHash(const QString& cmd, const QByteArray& reply) const;
  bool NoReplyExpected(const QString& cmd) const;
  bool NeverRerun(const QString& cmd) const;

  const SerialFamily& family_;
  std::unique_ptr<SerialLink> link_;
};

}  // namespace orvan
