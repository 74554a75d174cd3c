#include "QtSerialLink.h"

#include "CommPorts.h"
#include "ProgramFolder.h"
#include "SerialTrace.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QThread>

#include <cerrno>
#include <poll.h>
#include <unistd.h>

namespace orvan {

QtSerialLink::QtSerialLink(const QString& folder, QObject* parent) : SerialLink(parent), folder_(folder) {
  connect(&port_, &QSerialPort::errorOccurred, this, &QtSerialLink::onError);
  connect(&port_, &QSerialPort::readyRead, this, &QtSerialLink::onReadyRead);
}

QtSerialLink::~QtSerialLink() {
  disconnect(&port_, nullptr, this, nullptr);
  if (port_.isOpen()) port_.close();
}

bool QtSerialLink::open() {
  if (port_.isOpen()) return true;
  openError_ = 0;
  openDevice_.clear();
  const QString folder = folder_.isEmpty() ? ProgramFolder() : folder_;
  path_ = ResolveCommPort(commPort(), folder);
  // A ports/ entry is a link; open what it points at so the device lock names the device.
  const QFileInfo fi(path_);
  const QString target = fi.isSymLink() ? fi.canonicalFilePath() : path_;
  openDevice_ = target;
  if (target.isEmpty()) {
    openError_ = comm::kErrPortInvalid;
    qCDebug(lcSerial) << "COM" << commPort() << path_ << "does not lead to a device";
    return false;
  }
  port_.setPortName(target);
  const SerialSettings& s = parsedSettings();
  port_.setBaudRate(s.baud);
  port_.setDataBits(static_cast<QSerialPort::DataBits>(s.dataBits));
  switch (s.parity.unicode()) {
    case 'e': port_.setParity(QSerialPort::EvenParity); break;
    case 'o': port_.setParity(QSerialPort::OddParity); break;
    case 'm': port_.setParity(QSerialPort::MarkParity); break;
    case 's': port_.setParity(QSerialPort::SpaceParity); break;
    default: port_.setParity(QSerialPort::NoParity); break;
  }
  port_.setStopBits(s.stopBits == 2 ? QSerialPort::TwoStop : s.stopBits == 1.5 ? QSerialPort::OneAndHalfStop : QSerialPort::OneStop);
  port_.setFlowControl(handshaking() == Handshaking::RtsCts ? QSerialPort::HardwareControl
                       : handshaking() == Handshaking::XonXoff ? QSerialPort::SoftwareControl
                                                               : QSerialPort::NoFlowControl);
  failed_ = true;  // errors of the open itself are reported through openError_
  const bool ok = port_.open(QIODevice::ReadWrite);
  if (!ok) {
    switch (port_.error()) {
      case QSerialPort::DeviceNotFoundError: openError_ = comm::kErrPortInvalid; break;
      case QSerialPort::PermissionError:
      case QSerialPort::OpenError: openError_ = comm::kErrPortInUse; break;
      default: openError_ = comm::kErrPortNotAvailable; break;
    }
    qCDebug(lcSerial) << "COM" << commPort() << target << "open failed:" << port_.errorString();
    port_.clearError();
    return false;
  }
  failed_ = false;
  inbuf_.clear();
  applyLines();
  qCDebug(lcSerial) << "COM" << commPort() << "open" << target << settings();
  return true;
}

void QtSerialLink::applyLines() {
  if (!port_.isOpen()) return;
  // A pseudo-terminal has no modem lines: the refusal is expected there.
  if (!port_.setDataTerminalReady(dtrEnable()) || !port_.setRequestToSend(rtsEnable())) port_.clearError();
}

void QtSerialLink::close() {
  if (port_.isOpen()) {
    port_.close();
    qCDebug(lcSerial) << "COM" << commPort() << "closed";
  }
  inbuf_.clear();
}

bool QtSerialLink::isOpen() const { return port_.isOpen(); }

void QtSerialLink::failAndClose(int code) {
  if (failed_) return;
  failed_ = true;
  qCDebug(lcSerial) << "COM" << commPort() << "port error" << port_.errorString() << "- closing";
  raiseEvent(code);
  // Closing inside QSerialPort's own notification would pull the buffer from under it: close
  // on the next turn of the event loop, or at the next call from a polling driver.
  QMetaObject::invokeMethod(this, [this] { if (failed_ && port_.isOpen()) port_.close(); }, Qt::QueuedConnection);
}

void QtSerialLink::onError(QSerialPort::SerialPortError error) {
  switch (error) {
    case QSerialPort::NoError:
    case QSerialPort::TimeoutError: return;
    case QSerialPort::UnsupportedOperationError: port_.clearError(); return;
    default: failAndClose(comm::kEventDeviceLost); return;
  }
}

void QtSerialLink::onReadyRead() { pump(); }

void QtSerialLink::pump() {
  if (inPump_) return;
  if (failed_) {
    if (port_.isOpen()) port_.close();
    return;
  }
  if (!port_.isOpen()) return;
  // Only what the port has buffered: readAll() sizes a 16 kB block on every call, even for
  // nothing, and the main loop pumps several times a tick; on a heap with no hole of that size
  // each such block grows and shrinks the heap, costing an idle controller more than all else.
  const qint64 waiting = port_.bytesAvailable();
  if (waiting <= 0) return;
  inPump_ = true;
  const QByteArray got = port_.read(waiting);
  inPump_ = false;
  take(got.constData(), got.size());
}

void QtSerialLink::take(const char* data, qsizetype size) {
  if (size <= 0) return;
  const QByteArrayView got(data, size);
  qCDebug(lcSerial).noquote() << "COM" + QString::number(commPort()) << "<-" << TraceBytes(got.toByteArray());
  inbuf_ += got;
  if (eofEnable() && got.contains('\x1a')) raiseEvent(comm::kEvEOF);
  if (rThreshold() > 0 && inbuf_.size() >= rThreshold()) raiseEvent(comm::kEvReceive);
}

bool QtSerialLink::readDevice(int ms) {
  // A driver waiting for a reply reads the device itself: QSerialPort's own wait runs the
  // bytes through its ring buffer and a signal, which on an idle controller cost more than the
  // reply. What QSerialPort already holds is taken first, so the bytes keep their order; the
  // event loop's notifier finds the device drained.
  pump();
  if (!port_.isOpen() || failed_) return false;
  const int fd = static_cast<int>(port_.handle());
  pollfd p{fd, POLLIN, 0};
  const int ready = ::poll(&p, 1, ms);
  if (ready <= 0) return false;  // nothing yet, or a signal: the caller looks again
  char buf[4096];
  for (;;) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n > 0) {
      take(buf, n);
      if (n < static_cast<ssize_t>(sizeof buf)) return true;
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return true;
    // Readable but nothing to read (hung up), or a read error: the device is gone, the same
    // end QSerialPort gives a read error.
    qCDebug(lcSerial) << "COM" << commPort() << "read failed:" << (n == 0 ? QStringLiteral("hung up") : qt_error_string(errno));
    failAndClose(comm::kEventDeviceLost);
    return false;
  }
}

bool QtSerialLink::write(const QByteArray& bytes) {
  pump();
  if (!port_.isOpen() || failed_) return false;
  qCDebug(lcSerial).noquote() << "COM" + QString::number(commPort()) << "->" << TraceBytes(bytes);
  // Written straight to the device: QSerialPort's own write queues the bytes, arms a write
  // notifier and wakes the event loop twice more for every command, which is most of what a
  // polled mount costs an idle controller. The drivers wait for each write anyway.
  const int fd = static_cast<int>(port_.handle());
  const char* data = bytes.constData();
  qsizetype left = bytes.size();
  QDeadlineTimer deadline(1000);
  while (left > 0) {
    const ssize_t n = ::write(fd, data, static_cast<size_t>(left));
    if (n > 0) {
      data += n;
      left -= n;
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      // The device's buffer is full (flow control held, or a slow line): wait for room.
      pollfd p{fd, POLLOUT, 0};
      const qint64 ms = deadline.remainingTime();
      if (ms == 0 || ::poll(&p, 1, static_cast<int>(ms)) <= 0) return false;
      if (p.revents & (POLLERR | POLLHUP | POLLNVAL)) break;
      continue;
    }
    break;
  }
  if (left == 0) return true;
  // The device refused the bytes (unplugged, hung up): the same end as a read error.
  qCDebug(lcSerial) << "COM" << commPort() << "write failed:" << qt_error_string(errno);
  failAndClose(comm::kEventDeviceLost);
  return false;
}

QByteArray QtSerialLink::readAll() {
  readDevice(0);
  return takeInput(inbuf_);
}

int QtSerialLink::bytesWaiting() {
  readDevice(0);
  return static_cast<int>(inbuf_.size());
}

void QtSerialLink::discardInput() {
  pump();
  if (port_.isOpen() && !failed_) port_.clear(QSerialPort::Input);
  inbuf_.clear();
}

bool QtSerialLink::waitForInput(int ms) {
  pump();
  if (!inbuf_.isEmpty()) return true;
  if (!port_.isOpen() || failed_) {
    QThread::msleep(static_cast<unsigned long>(qBound(1, ms, 20)));
    return false;
  }
  readDevice(ms);
  return !inbuf_.isEmpty();
}

}  // namespace orvan
