#include "PtyPort.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace orvan::sim {

PtyPort::PtyPort(const QString& folder, int comNumber, QObject* parent)
    : QObject(parent), folder_(folder), com_(comNumber) {
  linkPath_ = folder_ + QStringLiteral("/ports/COM") + QString::number(com_);
}

PtyPort::~PtyPort() { close(); }

bool PtyPort::open() {
  if (isOpen()) return true;
  char name[256] = {};
  if (openpty(&master_, &slave_, name, nullptr, nullptr) != 0) {
    error_ = QStringLiteral("openpty: ") + QString::fromLocal8Bit(std::strerror(errno));
    master_ = slave_ = -1;
    return false;
  }
  // A fresh pseudo-terminal is in cooked mode and would echo what the client writes.
  termios t{};
  tcgetattr(master_, &t);
  cfmakeraw(&t);
  tcsetattr(master_, TCSANOW, &t);
  fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
  slavePath_ = QString::fromLocal8Bit(name);
  QDir().mkpath(folder_ + QStringLiteral("/ports"));
  QFile::remove(linkPath_);
  if (!QFile::link(slavePath_, linkPath_)) {
    error_ = QStringLiteral("cannot link ") + linkPath_;
    close();
    return false;
  }
  notifier_ = new QSocketNotifier(master_, QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, &PtyPort::onReadable);
  return true;
}

void PtyPort::close() {
  if (notifier_) {
    notifier_->setEnabled(false);
    notifier_->deleteLater();
    notifier_ = nullptr;
  }
  if (master_ >= 0) {
    ::close(master_);
    ::close(slave_);
    master_ = slave_ = -1;
    // Only our own link goes: a later simulator may have taken the number meanwhile.
    if (QFile::symLinkTarget(linkPath_) == slavePath_ || QFileInfo(linkPath_).symLinkTarget() == slavePath_)
      QFile::remove(linkPath_);
  }
}

void PtyPort::onReadable() {
  QByteArray got;
  char buf[512];
  for (;;) {
    const ssize_t n = ::read(master_, buf, sizeof buf);
    if (n > 0) {
      got.append(buf, n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    break;
  }
  if (!got.isEmpty()) emit received(got);
}

void PtyPort::write(const QByteArray& bytes) {
  if (master_ < 0) return;
  qsizetype off = 0;
  while (off < bytes.size()) {
    const ssize_t n = ::write(master_, bytes.constData() + off, bytes.size() - off);
    if (n > 0) {
      off += n;
    } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
      usleep(1000);
    } else {
      break;
    }
  }
}

}  // namespace orvan::sim
