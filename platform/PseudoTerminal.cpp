#include "PseudoTerminal.h"

#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcPty, "orvan.pty", QtWarningMsg)

namespace orvan {
namespace {

void makeRaw(int fd) {
  termios t{};
  if (tcgetattr(fd, &t) != 0) return;
  cfmakeraw(&t);
  cfsetispeed(&t, B9600);
  cfsetospeed(&t, B9600);
  tcsetattr(fd, TCSANOW, &t);
}

void closeFd(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

// A link left behind by a program that did not end cleanly is replaced; a live link belongs to
// someone else (a simulator, a real device).
bool clearStaleLink(const QString& path) {
  if (PseudoTerminal::linkInUse(path)) return false;
  const QFileInfo info(path);
  return !info.isSymLink() || QFile::remove(path);
}

bool later(const timespec& a, const timespec& b) { return a.tv_sec != b.tv_sec ? a.tv_sec > b.tv_sec : a.tv_nsec > b.tv_nsec; }

}  // namespace

bool PseudoTerminal::linkInUse(const QString& linkPath) {
  const QByteArray path = QFile::encodeName(linkPath);
  struct stat link{};
  if (::lstat(path.constData(), &link) != 0) return false;
  if (!S_ISLNK(link.st_mode)) return true;
  struct stat target{};
  if (::stat(path.constData(), &target) != 0) return false;  // points nowhere
  // A terminal's number is given again once its program has gone: a terminal that came into
  // being after the link was made is not the one the link was made for.
  if (QFileInfo(linkPath).symLinkTarget().startsWith(QStringLiteral("/dev/pts/")))
    return !later(target.st_ctim, link.st_mtim);
  return true;
}

PseudoTerminal::PseudoTerminal(QObject* parent) : QObject(parent) {}

PseudoTerminal::~PseudoTerminal() { remove(); }

bool PseudoTerminal::create(const QString& linkPath) {
  if (exists()) return false;
  QDir().mkpath(QFileInfo(linkPath).absolutePath());
  if (!clearStaleLink(linkPath)) {
    qCWarning(lcPty) << "pseudo-terminal not created:" << linkPath << "is in use";
    return false;
  }
  char name[PATH_MAX] = {};
  if (openpty(&master_, &slave_, name, nullptr, nullptr) != 0) {
    qCWarning(lcPty) << "pseudo-terminal not created:" << std::strerror(errno);
    master_ = slave_ = -1;
    return false;
  }
  makeRaw(master_);
  makeRaw(slave_);  // a fresh terminal echoes, which would send replies back as commands
  fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
  fcntl(master_, F_SETFD, FD_CLOEXEC);
  fcntl(slave_, F_SETFD, FD_CLOEXEC);
  slavePath_ = QString::fromLocal8Bit(name);
  if (!QFile::link(slavePath_, linkPath)) {
    qCWarning(lcPty) << "pseudo-terminal not created: cannot link" << linkPath;
    closeFd(slave_);
    closeFd(master_);
    slavePath_.clear();
    return false;
  }
  linkPath_ = linkPath;

  readNotifier_ = new QSocketNotifier(master_, QSocketNotifier::Read, this);
  connect(readNotifier_, &QSocketNotifier::activated, this, &PseudoTerminal::readMaster);
  writeNotifier_ = new QSocketNotifier(master_, QSocketNotifier::Write, this);
  writeNotifier_->setEnabled(false);
  connect(writeNotifier_, &QSocketNotifier::activated, this, &PseudoTerminal::flushOutgoing);

  watch_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (watch_ >= 0 &&
      inotify_add_watch(watch_, name, IN_CLOSE_WRITE | IN_CLOSE_NOWRITE) >= 0) {
    closeNotifier_ = new QSocketNotifier(watch_, QSocketNotifier::Read, this);
    connect(closeNotifier_, &QSocketNotifier::activated, this, &PseudoTerminal::readCloseEvents);
  } else {
    qCWarning(lcPty) << "cannot watch the pseudo-terminal for closing clients";
    closeFd(watch_);
  }
  return true;
}

void PseudoTerminal::remove() {
  delete readNotifier_;
  readNotifier_ = nullptr;
  delete writeNotifier_;
  writeNotifier_ = nullptr;
  outgoing_.clear();
  delete closeNotifier_;
  closeNotifier_ = nullptr;
  closeFd(watch_);
  if (!linkPath_.isEmpty()) {
    // Only our own link goes: someone may have put another in its place meanwhile.
    const QFileInfo info(linkPath_);
    if (info.isSymLink() && info.symLinkTarget() == slavePath_) QFile::remove(linkPath_);
  }
  linkPath_.clear();
  slavePath_.clear();
  closeFd(slave_);
  closeFd(master_);
}

bool PseudoTerminal::send(const QByteArray& bytes) {
  if (master_ < 0) return false;
  if (outgoing_.size() + bytes.size() > kMaxOutgoing) {
    // The client has stopped reading: dropped rather than held without end.
    qCWarning(lcPty) << "pseudo-terminal reply dropped: the client reads nothing";
    return false;
  }
  outgoing_ += bytes;
  flushOutgoing();
  return true;
}

void PseudoTerminal::flushOutgoing() {
  qsizetype done = 0;
  while (done < outgoing_.size()) {
    const ssize_t n = ::write(master_, outgoing_.constData() + done, size_t(outgoing_.size() - done));
    if (n > 0) {
      done += n;
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
        qCWarning(lcPty) << "pseudo-terminal write failed:" << std::strerror(errno);
        outgoing_.clear();
        done = 0;
      }
      break;  // full: the rest goes when the client has read
    }
  }
  outgoing_.remove(0, done);
  if (writeNotifier_) writeNotifier_->setEnabled(!outgoing_.isEmpty());
}

void PseudoTerminal::readMaster() {
  // A client that closed before this one wrote must be let go first, or its clean-up would
  // flush the reply about to be written for the new client.
  if (watch_ >= 0) readCloseEvents();
  QByteArray chunk;
  char buf[4096];
  for (;;) {
    const ssize_t n = ::read(master_, buf, sizeof buf);
    if (n > 0) {
      chunk.append(buf, n);
      if (size_t(n) < sizeof buf) break;
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
        // Should not happen while the slave is held open; pause instead of spinning.
        readNotifier_->setEnabled(false);
        QTimer::singleShot(100, this, [this] {
          if (readNotifier_) readNotifier_->setEnabled(true);
        });
      }
      break;
    }
  }
  if (!chunk.isEmpty()) emit received(chunk);
}

void PseudoTerminal::readCloseEvents() {
  alignas(inotify_event) char buf[4096];
  bool closed = false;
  for (;;) {
    const ssize_t n = ::read(watch_, buf, sizeof buf);
    if (n <= 0) break;
    closed = true;
  }
  if (closed) releaseAfterClient();
}

void PseudoTerminal::releaseAfterClient() {
  if (slave_ < 0) return;
  ioctl(slave_, TIOCNXCL);      // exclusive mode ends with the client that set it
  tcflush(slave_, TCIFLUSH);    // replies it never read are not for the next client
  outgoing_.clear();
  if (writeNotifier_) writeNotifier_->setEnabled(false);
  emit clientClosed();
}

}  // namespace orvan
