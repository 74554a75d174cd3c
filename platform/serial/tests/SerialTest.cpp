#include "Clock.h"
#include "CommPorts.h"
#include "EventLoop.h"
#include "FakeSerialLink.h"
#include "QtSerialLink.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

using namespace orvan;

namespace {
int argc = 1;
char arg0[] = "serial_tests";
char* argv[] = {arg0, nullptr};
QCoreApplication& app() {
  static QCoreApplication a(argc, argv);
  return a;
}

// A pseudo-terminal standing in for a device: the test holds the master side.
struct Pty {
  int master = -1, slave = -1;
  QString slavePath;
  Pty() {
    char name[256] = {};
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0) return;
    termios t{};
    tcgetattr(master, &t);
    cfmakeraw(&t);
    tcsetattr(master, TCSANOW, &t);
    slavePath = QString::fromLocal8Bit(name);
  }
  ~Pty() { closeAll(); }
  void closeAll() {
    if (master >= 0) ::close(master);
    if (slave >= 0) ::close(slave);
    master = slave = -1;
  }
  QByteArray readSome() {
    QByteArray out;
    for (int i = 0; i < 100; ++i) {
      char buf[256];
      fcntl(master, F_SETFL, O_NONBLOCK);
      const ssize_t n = ::read(master, buf, sizeof buf);
      if (n > 0) out.append(buf, n);
      else if (!out.isEmpty()) break;
      else usleep(10000);
    }
    return out;
  }
};

QString makePortsLink(const QString& folder, int n, const QString& target) {
  QDir(folder).mkpath(QStringLiteral("ports"));
  const QString link = CommPortLinkPath(folder, n);
  QFile::link(target, link);
  return link;
}
}  // namespace

TEST(SerialSettings, ReadsTheSettingsTextsOfEveryFamily) {
  SerialSettings s;
  ASSERT_TRUE(ParseSerialSettings(QStringLiteral("9600,n,8,1"), s));
  EXPECT_EQ(s.baud, 9600);
  EXPECT_EQ(s.parity, u'n');
  ASSERT_TRUE(ParseSerialSettings(QStringLiteral("19200,e,8,1"), s));
  EXPECT_EQ(s.baud, 19200);
  EXPECT_EQ(s.parity, u'e');
  ASSERT_TRUE(ParseSerialSettings(QStringLiteral("115200,N,8,2"), s));
  EXPECT_EQ(s.stopBits, 2);
  for (const char* bad : {"", "9600", "9600,x,8,1", "fast,n,8,1", "9600,n,9,1", "9600,n,8,3", "9600,n,8,1,1"})
    EXPECT_FALSE(ParseSerialSettings(QString::fromLatin1(bad), s)) << bad;
  FakeSerialLink link;
  EXPECT_FALSE(link.setSettings(QStringLiteral("garbage")));
  EXPECT_EQ(link.settings(), QStringLiteral("9600,n,8,1"));
}

TEST(PortNames, NumbersFromTheListEntryAndTheDevice) {
  EXPECT_EQ(CommPortNumber(QStringLiteral("COM12")), 12);
  EXPECT_EQ(CommPortNumber(QStringLiteral("COM3 ")), 3);
  EXPECT_EQ(CommPortNumber(QStringLiteral("COM")), 0);
  EXPECT_EQ(CommPortNumber(QString()), 0);
  EXPECT_EQ(DetectedDeviceNumber(QStringLiteral("/dev/ttyS0")), 1);
  EXPECT_EQ(DetectedDeviceNumber(QStringLiteral("/dev/ttyUSB0")), 101);
  EXPECT_EQ(DetectedDeviceNumber(QStringLiteral("/dev/ttyACM2")), 203);
  EXPECT_EQ(DetectedDeviceNumber(QStringLiteral("/dev/pts/3")), 0);
}

TEST(PortNames, TheFolderEntryWinsAndIsListed) {
  app();
  QTemporaryDir dir;
  makePortsLink(dir.path(), 101, QStringLiteral("/dev/null"));
  makePortsLink(dir.path(), 7, QStringLiteral("/dev/null"));
  EXPECT_EQ(ResolveCommPort(101, dir.path()), dir.path() + QStringLiteral("/ports/COM101"));
  // No entry and no such device: the entry path, which then fails to open.
  EXPECT_EQ(ResolveCommPort(250, dir.path()), dir.path() + QStringLiteral("/ports/COM250"));
  const auto list = ListCommPorts(dir.path());
  QList<int> linked;
  for (const auto& e : list)
    if (e.linked) linked << e.number;
  EXPECT_EQ(linked, (QList<int>{7, 101}));
}

TEST(QtSerialLink, TalksThroughAPortsEntryToAPseudoTerminal) {
  app();
  QTemporaryDir dir;
  Pty pty;
  ASSERT_FALSE(pty.slavePath.isEmpty());
  makePortsLink(dir.path(), 5, pty.slavePath);
  QtSerialLink link(dir.path());
  link.setCommPort(5);
  ASSERT_TRUE(link.setSettings(QStringLiteral("9600,n,8,1")));
  link.setDTREnable(false);  // refused by a pty, which must not count as a fault
  ASSERT_TRUE(link.open()) << link.openError();
  EXPECT_EQ(link.lastEventCode(), 0);

  ASSERT_TRUE(link.write(QByteArrayLiteral(":GR#")));
  EXPECT_EQ(pty.readSome(), QByteArrayLiteral(":GR#"));

  ASSERT_EQ(::write(pty.master, "12:34:56#", 9), 9);
  QByteArray got;
  for (int i = 0; i < 50 && got.size() < 9; ++i) {
    link.waitForInput(100);
    got += link.readAll();
  }
  EXPECT_EQ(got, QByteArrayLiteral("12:34:56#"));

  // Discarding throws away what is waiting.
  ASSERT_EQ(::write(pty.master, "stale", 5), 5);
  for (int i = 0; i < 50 && link.bytesWaiting() < 5; ++i) link.waitForInput(100);
  link.discardInput();
  EXPECT_EQ(link.bytesWaiting(), 0);
  link.close();
  EXPECT_FALSE(link.isOpen());
}

TEST(QtSerialLink, AMissingPortFailsToOpenWithAnErrorNumber) {
  app();
  QTemporaryDir dir;
  QtSerialLink link(dir.path());
  link.setCommPort(249);
  EXPECT_FALSE(link.open());
  EXPECT_EQ(link.openError(), comm::kErrPortInvalid);
  EXPECT_FALSE(link.isOpen());
}

// A link open on a pseudo-terminal through ports/COM6, counting its events.
class OpenOnPty : public ::testing::Test {
 protected:
  void SetUp() override {
    app();
    makePortsLink(dir.path(), 6, pty.slavePath);
    link.setCommPort(6);
    ASSERT_TRUE(link.open());
    QObject::connect(&link, &SerialLink::commEvent, [this](int) { ++events; });
  }
  QTemporaryDir dir;
  Pty pty;
  QtSerialLink link{dir.path()};
  int events = 0;
};

TEST_F(OpenOnPty, AVanishedDeviceIsOneEventAndAClosedPort) {
  pty.closeAll();
  // Both a polling driver and the event loop see the loss; neither spins on it.
  link.waitForInput(200);
  Wait(300);
  EXPECT_EQ(events, 1);
  EXPECT_EQ(link.lastEventCode(), comm::kEventDeviceLost);
  EXPECT_FALSE(link.isOpen());
  EXPECT_FALSE(link.write(QByteArrayLiteral(":GR#")));
  EXPECT_FALSE(link.waitForInput(10));
}

TEST_F(OpenOnPty, AWriteThatCannotGoThroughEndsWithoutHanging) {
  // Nobody reads the other end: the line fills, and the write gives up after its second
  // without closing the port (a slow device is not a lost one).
  QElapsedTimer t;
  t.start();
  EXPECT_FALSE(link.write(QByteArray(1 << 20, 'x')));
  EXPECT_LT(t.elapsed(), 5000);
  EXPECT_TRUE(link.isOpen());
  EXPECT_EQ(events, 0);

  // The device goes while a command is written: one event, the port closed.
  pty.closeAll();
  EXPECT_FALSE(link.write(QByteArrayLiteral(":GR#")));
  Wait(100);
  EXPECT_EQ(events, 1);
  EXPECT_EQ(link.lastEventCode(), comm::kEventDeviceLost);
  EXPECT_FALSE(link.isOpen());
}

TEST(FakeSerialLink, LateRepliesArriveAsTheClockMoves) {
  ManualClock clock(QDate(2026, 7, 12), 1000.0);
  FakeSerialLink link;
  link.attachClock(&clock);
  link.failOpens(1, comm::kErrPortInUse);
  EXPECT_FALSE(link.open());
  EXPECT_EQ(link.openError(), comm::kErrPortInUse);
  ASSERT_TRUE(link.open());
  link.queueReply(QByteArrayLiteral("1"), 500);
  link.write(QByteArrayLiteral(":St+35*40:00#"));
  EXPECT_FALSE(link.waitForInput(200));
  EXPECT_FALSE(link.waitForInput(200));
  EXPECT_TRUE(link.waitForInput(200));
  EXPECT_EQ(link.readAll(), QByteArrayLiteral("1"));
  EXPECT_DOUBLE_EQ(clock.secondsSinceMidnight(), 1000.6);
  link.vanish();
  EXPECT_FALSE(link.waitForInput(10));
  EXPECT_EQ(link.lastEventCode(), comm::kEventDeviceLost);
  EXPECT_FALSE(link.write(QByteArrayLiteral("x")));
}
