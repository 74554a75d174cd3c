// The controller as a real program: copied into a program folder of its own, started offscreen,
// a second instance refused, closed with SIGTERM as a service manager or Ctrl+C would.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>
#include <csignal>
#include <functional>

namespace {

const QByteArray kPlanetariumPort = "[TELESCOPE]\nVCommPort= 9\n";

QByteArray slurp(const QString& p) {
  QFile f(p);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// An install is one flat folder: the program finds its settings beside itself.
QString install(const QTemporaryDir& dir) {
  const QString src = QString::fromLocal8Bit(qgetenv("ORVAN_BIN_DIR")) + "/OrvanMirel";
  const QString dst = dir.filePath("OrvanMirel");
  EXPECT_TRUE(QFile::copy(src, dst)) << src.toStdString();
  QFile::setPermissions(dst, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  return dst;
}

bool waitFor(const std::function<bool()>& cond, int ms) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < ms) {
    if (cond()) return true;
    QThread::msleep(50);
  }
  return cond();
}

void startOffscreen(QProcess& p, const QString& program) {
  auto env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "offscreen");
  p.setProcessEnvironment(env);
  p.setProgram(program);
  p.start();
  ASSERT_TRUE(p.waitForStarted(10000));
}

}  // namespace

TEST(ControllerProcess, SecondInstanceIsRefusedAndSigtermShutsDownCleanly) {
  QTemporaryDir dir;
  const QString exe = install(dir);
  // A planetarium port number, or the start-up stops at the message that there is none.
  {
    QFile ini(dir.filePath("OrvanMirel.ini"));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write(kPlanetariumPort);
  }
  QProcess first;
  startOffscreen(first, exe);
  // Up once the start wait has passed and it has written what a first start writes.
  ASSERT_TRUE(waitFor([&] { return slurp(dir.filePath("OrvanMirel.ini")).contains("Use=False"); }, 30000));

  QProcess second;
  startOffscreen(second, exe);
  // Its notice closes itself after six seconds and the program ends.
  ASSERT_TRUE(second.waitForFinished(30000));
  EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(second.exitCode(), 0);
  EXPECT_EQ(first.state(), QProcess::Running);
  EXPECT_EQ(slurp(dir.filePath("OrvanMirel.ini")), kPlanetariumPort + "[ASCOM]\nUse=False\n");  // the second never read or wrote

  // Wait until the first has finished its start-up sequence before closing it.
  QThread::msleep(1500);
  ::kill(static_cast<pid_t>(first.processId()), SIGTERM);
  ASSERT_TRUE(first.waitForFinished(30000));
  EXPECT_EQ(first.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(first.exitCode(), 0);
  EXPECT_EQ(slurp(dir.filePath("OrvanMirel.ini")), kPlanetariumPort + "[ASCOM]\nUse=False\n[PUBLIC]\nFormSizeChange= 1\n");
  // The lock is gone with its owner: a new start is not refused.
  EXPECT_FALSE(QFile::exists(dir.filePath("OrvanMirel.lock")));
}

// Asked to end while the title shows (a service manager stopping it, Ctrl+C): the program ends
// at once instead of carrying on hidden with the ports and the lock, and writes nothing of a
// run that never began.
TEST(ControllerProcess, SignalsDuringTheStartWaitEndIt) {
  for (const int at : {1000, 3000}) {
    SCOPED_TRACE(at);
    QTemporaryDir dir;
    const QString exe = install(dir);
    QFile ini(dir.filePath("OrvanMirel.ini"));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[PUBLIC]\nFormSizeChange= 1\n[TELESCOPE]\nVCommPort= 9\n");
    ini.close();
    QProcess p;
    startOffscreen(p, exe);
    QThread::msleep(at);
    ASSERT_EQ(p.state(), QProcess::Running);
    ::kill(static_cast<pid_t>(p.processId()), at == 1000 ? SIGTERM : SIGINT);
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_EQ(slurp(dir.filePath("OrvanMirel.ini")),
              "[PUBLIC]\nFormSizeChange= 1\n[TELESCOPE]\nVCommPort= 9\n[ASCOM]\nUse=False\n");
    EXPECT_FALSE(QFile::exists(dir.filePath("OrvanMirel.lock")));
    EXPECT_FALSE(QFileInfo(dir.filePath("ports/COM9")).isSymLink());
  }
}

// Killed (SIGKILL) while the dome turns: the board's relays stay on, as a real latched relay
// would turn the dome until someone comes. The next start switches them off before anything
// else, even when it opens in the set-up layout and never connects the dome.
TEST(ControllerProcess, KilledWhileTheDomeTurnsTheNextStartStopsIt) {
  QTemporaryDir dir;
  const QString exe = install(dir);
  const QString bin = QString::fromLocal8Bit(qgetenv("ORVAN_BIN_DIR"));
  QDir().mkpath(dir.filePath("boards"));
  ASSERT_TRUE(QFile::copy(bin + "/boards/libepx30sc-sim.so", dir.filePath("boards/libepx30sc-sim.so")));
  const QByteArray settings =
      "[Location]\nLONGITUDE=E139:44:20\nLATITUDE=+35:40:00\nTIMEZONE=9.0\n"
      "[TELESCOPE]\nTelescope= 5\nCommPort=3\nVCommPort= 9\nMount=G\n[PUBLIC]\nFormSizeChange= 1\nLoopTimer= 250\n"
      "[DOME]\nController= 0\nENC3_PULSES= 3600\nUpDown= 1\nSLIT_TIMER= 2\nDOME_REVOLVE= 2.5\nHomePosition=-1\n"
      "[RELAY]\n$021=10\n$022=11\n$023=0*\n$024=**10\n$025=**01\n$026=**00\n";
  {
    QFile ini(dir.filePath("OrvanMirel.ini"));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write(settings);
  }
  QProcess mount;
  mount.start(bin + "/orvan-sim", {"lx200gps", "--dir", dir.path(), "--com", "3"});
  ASSERT_TRUE(mount.waitForStarted(5000));
  ASSERT_TRUE(waitFor([&] { return mount.canReadLine() || mount.waitForReadyRead(100); }, 10000));

  QProcess controller;
  startOffscreen(controller, exe);
  const QString status = dir.filePath("EPX30SC.status");
  const auto outputs = [&] {
    const QByteArray s = slurp(status);
    const int at = s.indexOf("outputs=");
    return at < 0 ? QByteArray() : s.mid(at + 8, 16);
  };
  // Up in the hand layout with the dome connected; the link is the last thing the start opens.
  ASSERT_TRUE(waitFor([&] { return QFile::exists(dir.filePath("OrvanMirel.link")); }, 40000));
  ASSERT_TRUE(waitFor([&] { return slurp(status).contains("open=1"); }, 10000));
  const auto link = [&](const QStringList& args) {
    return QProcess::execute(bin + "/orvan-link", QStringList{"--folder", dir.path()} + args);
  };
  ASSERT_EQ(link({"mission", "57", "off"}), 0);
  ASSERT_EQ(link({"mission", "22"}), 0);
  ASSERT_TRUE(waitFor([&] { return outputs().contains('1'); }, 5000)) << slurp(status).constData();
  const QByteArray turning = outputs();

  ::kill(static_cast<pid_t>(controller.processId()), SIGKILL);
  ASSERT_TRUE(controller.waitForFinished(10000));
  // The dead controller's lock on the mount's terminal ("LCK..pts_N") stays behind; owned by
  // root it would keep an ordinary user's test from opening a terminal of the same number.
  const QString tty = QFileInfo(dir.filePath("ports/COM3")).symLinkTarget().mid(5).replace('/', '_');
  for (const char* locks : {"/var/lock/", "/run/lock/", "/tmp/"}) QFile::remove(locks + QStringLiteral("LCK..") + tty);
  QThread::msleep(300);
  EXPECT_EQ(outputs(), turning);  // nobody switched them off

  // The next start, in the set-up layout: the relays go off during the title already.
  {
    QFile ini(dir.filePath("OrvanMirel.ini"));
    QByteArray text = slurp(dir.filePath("OrvanMirel.ini"));
    text.replace("FormSizeChange= 1", "FormSizeChange= 2");
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ini.write(text);
  }
  QProcess again;
  startOffscreen(again, exe);
  EXPECT_TRUE(waitFor([&] { return outputs() == QByteArray(16, '0'); }, 3000)) << slurp(status).constData();
  ::kill(static_cast<pid_t>(again.processId()), SIGTERM);
  EXPECT_TRUE(again.waitForFinished(20000));
  mount.terminate();
  mount.waitForFinished(5000);
}
