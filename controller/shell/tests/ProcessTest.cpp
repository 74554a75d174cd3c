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
