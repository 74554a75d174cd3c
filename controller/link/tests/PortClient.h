#pragma once
// A planetarium program's end of the virtual port, inside the test's process: it opens
// ports/COM<n> raw, writes, and reads the replies while the controller's event loop runs.
#include <QByteArray>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QString>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace orvan {

class PortClient {
 public:
  // Runs the event loop until `done` holds; a hang guard, not a timing check.
  template <class F>
  static bool pump(F done, int ms = 5000) {
    QDeadlineTimer guard(ms);
    while (!done()) {
      if (guard.hasExpired()) return false;
      QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
  }

  explicit PortClient(const QString& path) {
    fd_ = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd_ < 0) return;
    termios t{};
    tcgetattr(fd_, &t);
    cfmakeraw(&t);
    tcsetattr(fd_, TCSANOW, &t);
  }
  ~PortClient() {
    if (fd_ >= 0) ::close(fd_);
  }
  PortClient(const PortClient&) = delete;
  PortClient& operator=(const PortClient&) = delete;

  bool isOpen() const { return fd_ >= 0; }

  // Writes all of `bytes`, reading replies meanwhile (a client that does not read would
  // block the controller's replies).
  bool write(const QByteArray& bytes) {
    qsizetype done = 0;
    return pump([&] {
      const ssize_t n = ::write(fd_, bytes.constData() + done, size_t(bytes.size() - done));
      if (n > 0) done += n;
      drainInto(pending_);
      return done == bytes.size();
    });
  }
  // What has arrived once `hashes` replies ended by '#' are in (or the guard gave up).
  QByteArray read(int hashes) {
    pump([&] {
      drainInto(pending_);
      return pending_.count('#') >= hashes;
    });
    return take();
  }
  // What has arrived once there are at least `bytes` bytes (replies without a '#').
  QByteArray readBytes(int bytes) {
    pump([&] {
      drainInto(pending_);
      return pending_.size() >= bytes;
    });
    return take();
  }
  // Whatever has arrived now.
  QByteArray take() {
    drainInto(pending_);
    QByteArray out;
    out.swap(pending_);
    return out;
  }

 private:
  void drainInto(QByteArray& out) {
    char buf[512];
    for (;;) {
      const ssize_t n = ::read(fd_, buf, sizeof buf);
      if (n <= 0) break;
      out.append(buf, n);
    }
  }

  int fd_ = -1;
  QByteArray pending_;
};

}  // namespace orvan
