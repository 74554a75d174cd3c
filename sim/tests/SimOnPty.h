#pragma once
// A simulator program as a child process and the test's raw end of its pseudo-terminal
// (FOLDER/ports/COM<n>), the way a client program opens the line: one fixture for the raw-byte
// tests of every family. Replies are read a byte at a time, so a reply never swallows the
// beginning of the next one.
#include "SimControl.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace orvan::sim::test {

class SimOnPty : public ::testing::Test {
 protected:
  explicit SimOnPty(int com) : com_(com) {}
  ~SimOnPty() override {
    if (fd >= 0) ::close(fd);
    sim.terminate();
    if (!sim.waitForFinished(5000)) sim.kill();
  }

  QString link() const { return dir.path() + QStringLiteral("/ports/COM") + QString::number(com_); }

  // Runs `orvan-sim FAMILY OPTIONS...` on this fixture's folder and port, waits for its
  // "ready" and opens the line.
  void startSim(const QStringList& familyAndOptions) {
    sim.start(SimProgram(), familyAndOptions + QStringList{"--dir", dir.path(), "--com", QString::number(com_)});
    ASSERT_TRUE(sim.waitForStarted(5000)) << qPrintable(sim.errorString());
    while (!sim.canReadLine()) ASSERT_TRUE(sim.waitForReadyRead(5000)) << sim.readAllStandardError().constData();
    ASSERT_TRUE(sim.readLine().startsWith("ready ")) << sim.readAllStandardError().constData();
    openLine();
  }
  // (Re)opens the line raw: no echo, no line discipline.
  void openLine() {
    if (fd >= 0) ::close(fd);
    fd = ::open(QFile::encodeName(link()).constData(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0) << link().toStdString();
    termios t{};
    tcgetattr(fd, &t);
    cfmakeraw(&t);
    tcsetattr(fd, TCSANOW, &t);
  }
  void send(const QByteArray& bytes) { ASSERT_EQ(::write(fd, bytes.constData(), bytes.size()), bytes.size()); }
  // Reads until `complete` holds for what came, or the line stays quiet for `quietMs`.
  QByteArray readUntil(const std::function<bool(const QByteArray&)>& complete, int quietMs = 5000) {
    QByteArray got;
    pollfd p{fd, POLLIN, 0};
    char c;
    while (!complete(got) && ::poll(&p, 1, quietMs) > 0 && ::read(fd, &c, 1) == 1) got += c;
    return got;
  }
  // One reply ending in `end` ('#', '\r', '\n').
  QByteArray readTo(char end, int quietMs = 5000) {
    return readUntil([end](const QByteArray& got) { return got.endsWith(end); }, quietMs);
  }

  QByteArray control(const QString& words) { return SimControl(dir.path(), com_, words); }
  QByteArray state(const QByteArray& key) { return SimState(dir.path(), com_, key); }

  // Asks `done` again every 50 ms until it holds or `ms` have passed.
  static bool until(const std::function<bool()>& done, int ms = 30000) {
    const QDeadlineTimer deadline(ms);
    while (!done()) {
      if (deadline.hasExpired()) return false;
      QThread::msleep(50);
    }
    return true;
  }

  QTemporaryDir dir;
  QProcess sim;
  int fd = -1;

 private:
  int com_;
};

}  // namespace orvan::sim::test
