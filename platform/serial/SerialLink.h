#pragma once
// One serial port as the drivers see it: the properties of a serial-port control (settings
// text, port number, input length, handshaking, DTR, RTS, end-of-file detection, receive
// threshold), open and close, write, read all, discard, bytes waiting, and the last event
// code with an event notification. QtSerialLink talks to a real port; FakeSerialLink is a
// scripted stand-in for unit tests.
#include <QByteArray>
#include <QObject>
#include <QString>

namespace orvan {

// Event codes of the port, numbered as the drivers and their messages know them.
namespace comm {
constexpr int kEvSend = 1;
constexpr int kEvReceive = 2;
constexpr int kEvCTS = 3;
constexpr int kEvDSR = 4;
constexpr int kEvCD = 5;
constexpr int kEvRing = 6;
constexpr int kEvEOF = 7;
constexpr int kEventBreak = 1001;
constexpr int kEventCTSTO = 1002;
constexpr int kEventDSRTO = 1003;
constexpr int kEventFrame = 1004;
constexpr int kEventOverrun = 1006;
constexpr int kEventCDTO = 1007;
constexpr int kEventRxOver = 1008;
constexpr int kEventRxParity = 1009;
constexpr int kEventTxFull = 1010;
constexpr int kEventDCB = 1011;
// The device went away (unplugged adapter, closed pseudo-terminal, read or write failure).
// Not one of the classic numbers: messages show it as "other communication error".
constexpr int kEventDeviceLost = 1099;

// Error numbers of a failed open, shown in the open-error title.
constexpr int kErrPortInvalid = 8002;    // no such port
constexpr int kErrPortInUse = 8005;      // already open, in use or no permission
constexpr int kErrPortNotAvailable = 8010;
}  // namespace comm

enum class Handshaking { None = 0, XonXoff = 1, RtsCts = 2, Both = 3 };
enum class InputMode { Text = 0, Binary = 1 };

// The parts of a settings text such as "9600,n,8,1" or "19200,e,8,1".
struct SerialSettings {
  int baud = 9600;
  QChar parity = u'n';  // n, e, o, m, s
  int dataBits = 8;
  double stopBits = 1;  // 1, 1.5, 2
};
// Parses a settings text; false (and `out` unchanged) when it is not one.
bool ParseSerialSettings(const QString& text, SerialSettings& out);

class SerialLink : public QObject {
  Q_OBJECT
 public:
  using QObject::QObject;
  ~SerialLink() override = default;

  // Properties. They are kept while the port is closed and applied when it opens.
  bool setSettings(const QString& text);  // false for a malformed text (the old one stays)
  QString settings() const { return settingsText_; }
  const SerialSettings& parsedSettings() const { return settings_; }
  void setCommPort(int number) { commPort_ = number; }
  int commPort() const { return commPort_; }
  void setInputLen(int n) { inputLen_ = n < 0 ? 0 : n; }
  int inputLen() const { return inputLen_; }
  void setDTREnable(bool on) { dtr_ = on; applyLines(); }
  bool dtrEnable() const { return dtr_; }
  void setRTSEnable(bool on) { rts_ = on; applyLines(); }
  bool rtsEnable() const { return rts_; }
  void setEOFEnable(bool on) { eofEnable_ = on; }
  bool eofEnable() const { return eofEnable_; }
  void setHandshaking(Handshaking h) { handshaking_ = h; }
  Handshaking handshaking() const { return handshaking_; }
  void setInputMode(InputMode m) { inputMode_ = m; }
  InputMode inputMode() const { return inputMode_; }
  // Bytes waiting that raise a receive event (2); 0 = no receive events.
  void setRThreshold(int n) { rThreshold_ = n < 0 ? 0 : n; }
  int rThreshold() const { return rThreshold_; }
  // Bytes left in the send buffer below which a send event (1) is raised; 0 = none.
  void setSThreshold(int n) { sThreshold_ = n < 0 ? 0 : n; }
  int sThreshold() const { return sThreshold_; }

  // Opens the port `commPort()`. False when it cannot be opened; openError() then holds the
  // error number (comm::kErr...).
  virtual bool open() = 0;
  virtual void close() = 0;
  virtual bool isOpen() const = 0;
  int openError() const { return openError_; }
  // The device the last open tried (a ports/ link followed); empty when there was none.
  QString openDevice() const { return openDevice_; }

  // Writes everything (waits for the bytes to leave, without dispatching events).
  // False when the port is closed or the write failed.
  virtual bool write(const QByteArray& bytes) = 0;
  // Everything received so far (at most inputLen() bytes when that is not 0).
  virtual QByteArray readAll() = 0;
  // Bytes received and not yet read.
  virtual int bytesWaiting() = 0;
  // Throws away what has been received and not read.
  virtual void discardInput() = 0;
  // Waits up to `ms` for input without dispatching events; true when bytes are waiting.
  // On a closed port it sleeps briefly and returns false, so a polling caller never spins.
  virtual bool waitForInput(int ms) = 0;

  // The last event code raised (0 before any event).
  int lastEventCode() const { return lastEvent_; }

 signals:
  // Every event: communication events 1..7 and error events 1001.. (comm::).
  void commEvent(int code);

 protected:
  void raiseEvent(int code);
  // Takes what a read hands out of the receive buffer: all of it, or the first inputLen()
  // bytes when an input length is set.
  QByteArray takeInput(QByteArray& buffer) const;
  virtual void applyLines() {}
  int openError_ = 0;
  QString openDevice_;

 private:
  QString settingsText_ = QStringLiteral("9600,n,8,1");
  SerialSettings settings_;
  int commPort_ = 1;
  int inputLen_ = 0;
  bool dtr_ = false;
  bool rts_ = false;
  bool eofEnable_ = false;
  Handshaking handshaking_ = Handshaking::None;
  InputMode inputMode_ = InputMode::Text;
  int rThreshold_ = 0;
  int sThreshold_ = 0;
  int lastEvent_ = 0;
};

}  // namespace orvan
