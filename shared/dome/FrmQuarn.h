#pragma once
// The driver for the Quarn serial dome controller. The controller counts the dome encoder
// itself and switches 32 relay outputs; the driver speaks its short ASCII protocol: every
// command ends with a carriage return, every reply is read up to its carriage return and used
// from its first "$". Counts travel as 24-bit offset binary ("800000" is 0). Output 32 is the
// home memory, kept by the controller while it is powered.
//
// Port 0 (DOME/CommPort) means no controller: nothing is ever sent, connecting succeeds and
// every read keeps its last value.
#include "DomeDriver.h"
#include "SerialLink.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

namespace orvan {

// What differs between the two programs that carry the driver.
struct QuarnHost {
  // The controller negates the counter preset when ENC3_PULSES is negative; the utility keeps
  // no pulse counts and never does.
  bool negatePresetForNegativePulses = true;
  // The observer answered Abort to a time-out: the controller ends (after the exchange has
  // returned), the utility does nothing further. Empty = nothing.
  std::function<void()> abort;
};

class FrmQuarn final : public DomeDriver {
 public:
  // `link` is the port to use (null: a QtSerialLink on the program folder's ports/).
  FrmQuarn(SharedState& state, QString iniPath, QuarnHost host, std::unique_ptr<SerialLink> link,
           const QString& programFolder = QString());
  ~FrmQuarn() override;

  Flag DomeConnect(Flag connect) override;
  int32_t DomeGetEnc() override;
  Flag DomeGetZFlag() override;
  Flag DomeSetZflag(Flag flag) override;
  Flag DomeZsearch(Flag flag) override;
  QString GetSensor() override { return QString(); }  // the controller has no weather inputs
  bool hasWeatherInputs() const override { return false; }
  void SetRelay(const QString& pattern) override;
  bool hasPort() const override { return DomePort != 0; }
  bool hasCount() const override { return countRead_; }
  bool countReadLast() const override { return DomePort == 0 || countReadLast_; }

  // The driver's own operations.
  QString SendQuarn(const QString& command);
  void QuarnWait() {}
  // The 32 output states, character k = output k, or the empty text without a reply.
  QString GetRelay();
  void SetEnc(int16_t encoder, int32_t value);
  static int32_t B2D(const QString& hex6);
  static QString D2B(int32_t count);
  // Whether a reply to "$11#" carries a count, and which.
  static bool ParseCount(const QString& reply, int32_t& count);

  int16_t DomePort = 0;
  QString LastReply;
  int16_t LastAnswer = 0;  // 3 Abort, 4 Retry, 5 Ignore (0 never asked)
  int32_t CommEventCode = 0;

  static constexpr int kTimeoutSeconds = 5;

 private:
  bool givenUp() const { return LastAnswer != 0 && LastAnswer != 4; }
  bool isStopPattern(const QString& pattern) const;
  // Writes a command once without waiting for a reply (stops after the observer gave up).
  void sendBlind(const QString& command);
  void writeBlind(const QString& command);
  void dropBlindReplies(QByteArray& buffer, const QString& command);
  // Before the time-out question: nobody watches the dome while it is open.
  void stopMotorsBlind();
  // Stops asked for while an exchange was under way, sent once the line answers again.
  void sendPendingStops(bool lineAnswered);
  bool askAfterTimeout(const QString& command, float& start);

  QString iniPath_;
  QuarnHost host_;
  std::unique_ptr<SerialLink> link_;
  bool busy_ = false;
  bool abortPending_ = false;
  bool countRead_ = false;
  bool countReadLast_ = true;
  QStringList pendingStops_;
  int blindReplies_ = 0;  // replies still due to stops written without waiting
  int32_t lastRaw_ = 0;
  int32_t suspect_ = 0;
  bool haveSuspect_ = false;
};

}  // namespace orvan
