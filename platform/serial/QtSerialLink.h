#pragma once
// A SerialLink on a real port (QSerialPort). "COM" + number is resolved through the ports/
// folder of the program folder (CommPorts.h).
//
// Two Qt behaviours are handled here once for every driver:
// - when the device vanishes, QSerialPort keeps reporting read errors in a tight loop; any
//   error other than a time-out is recorded as an event and the port is closed;
// - DTR and RTS cannot be set on a pseudo-terminal; that refusal is not an error.
#include "SerialLink.h"

#include <QSerialPort>

namespace orvan {

class QtSerialLink final : public SerialLink {
  Q_OBJECT
 public:
  // `folder` holds ports/; empty = the program folder.
  explicit QtSerialLink(const QString& folder = QString(), QObject* parent = nullptr);
  ~QtSerialLink() override;

  bool open() override;
  void close() override;
  bool isOpen() const override;
  bool write(const QByteArray& bytes) override;
  QByteArray readAll() override;
  int bytesWaiting() override;
  void discardInput() override;
  bool waitForInput(int ms) override;

  // The path the last open used.
  QString portPath() const { return path_; }

 protected:
  void applyLines() override;

 private:
  void onError(QSerialPort::SerialPortError error);
  void onReadyRead();
  // Moves what the port has received into inbuf_ and raises the receive events.
  void pump();
  // Appends received bytes to inbuf_ and raises the receive events.
  void take(const char* data, qsizetype size);
  // Reads what the device holds, waiting up to `ms` for the first byte; false when nothing came.
  bool readDevice(int ms);
  void failAndClose(int code);

  QString folder_;
  QString path_;
  QSerialPort port_;
  QByteArray inbuf_;
  bool failed_ = false;   // an error closed the port; no more events until the next open
  bool inPump_ = false;
};

}  // namespace orvan
