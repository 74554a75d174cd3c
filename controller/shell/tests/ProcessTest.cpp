// The controller as a real program: copied into a program folder of its own, started offscreen,
// a second instance refused, closed with SIGTERM as a service manager or Ctrl+C would, ended
// from the link, killed and started again, and beside the other programs of the observatory.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>
#include <climits>
#include <cmath>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <functional>
#include <netinet/in.h>
#include <pty.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

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

// `extraEnv` holds "NAME=value" entries.
void startOffscreen(QProcess& p, const QString& program, const QStringList& extraEnv = {}) {
  auto env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "offscreen");
  for (const QString& e : extraEnv) env.insert(e.section('=', 0, 0), e.section('=', 1));
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

// ---- the controller among other processes -----------------------------------------------------

namespace {

const QByteArray kSite = "[Location]\nLONGITUDE=E139:44:20\nLATITUDE=+35:40:00\nTIMEZONE=9.0\n";

void writeIni(const QTemporaryDir& dir, const QByteArray& text) {
  QFile ini(dir.filePath("OrvanMirel.ini"));
  ASSERT_TRUE(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
  ini.write(text);
}

// A planetarium program's round trip on the virtual port: one command, its reply.
QByteArray askPort(const QString& path, const QByteArray& command) {
  const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return {};
  termios t{};
  tcgetattr(fd, &t);
  cfmakeraw(&t);
  tcsetattr(fd, TCSANOW, &t);
  QByteArray reply;
  if (::write(fd, command.constData(), size_t(command.size())) == command.size()) {
    waitFor([&] {
      char buf[256];
      const ssize_t n = ::read(fd, buf, sizeof buf);
      if (n > 0) reply.append(buf, n);
      return reply.contains('#');
    }, 10000);
  }
  ::close(fd);
  return reply;
}

// The processes whose parent is `parent`, by program name.
QStringList childrenOf(qint64 parent) {
  QStringList names;
  for (const QString& pid : QDir("/proc").entryList(QDir::Dirs)) {
    const QByteArray stat = slurp("/proc/" + pid + "/stat");
    const int close = stat.lastIndexOf(')');
    if (close < 0) continue;
    const QList<QByteArray> f = stat.mid(close + 2).split(' ');
    if (f.size() > 1 && f[1].toLongLong() == parent && f[0] != "Z")
      names << QString::fromLatin1(stat.mid(stat.indexOf('(') + 1, close - stat.indexOf('(') - 1)) + ':' + pid;
  }
  return names;
}

bool alive(const QString& pid) {
  const QByteArray stat = slurp("/proc/" + pid + "/stat");
  return !stat.isEmpty() && stat.mid(stat.lastIndexOf(')') + 2, 1) != "Z";
}

int runLink(const QTemporaryDir& dir, const QStringList& args, QByteArray* out = nullptr, QByteArray* err = nullptr) {
  QProcess p;
  p.start(QString::fromLocal8Bit(qgetenv("ORVAN_BIN_DIR")) + "/orvan-link", QStringList{"--folder", dir.path()} + args);
  if (!p.waitForFinished(120000)) return -1;
  if (out) *out = p.readAllStandardOutput();
  if (err) *err = p.readAllStandardError();
  return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

// A free UDP port of the loopback, for the bridge's datagrams of this test alone.
int freeUdpPort() {
  const int s = ::socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t n = sizeof a;
  const bool ok = ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
                  ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &n) == 0;
  ::close(s);
  return ok ? ntohs(a.sin_port) : 0;
}

// Started with every question it asks traced on its output (standard error merged in).
void startTraced(QProcess& p, const QString& program, const QStringList& extraEnv = {}) {
  p.setProcessChannelMode(QProcess::MergedChannels);
  startOffscreen(p, program, QStringList{"QT_LOGGING_RULES=orvan.prompter.info=true"} + extraEnv);
}

}  // namespace

// The shutdown mission from the link ends the program as closing the window does: status 0,
// the layout written, the link, the planetarium port and the lock gone.
TEST(ControllerProcess, TheShutdownMissionEndsTheProgramCleanly) {
  QTemporaryDir dir;
  const QString exe = install(dir);
  writeIni(dir, kSite + kPlanetariumPort + "[PUBLIC]\nFormSizeChange= 2\n");
  QProcess controller;
  startOffscreen(controller, exe);
  ASSERT_TRUE(waitFor([&] { return QFile::exists(dir.filePath("OrvanMirel.link")); }, 40000));
  ASSERT_TRUE(QFileInfo(dir.filePath("ports/COM9")).isSymLink());
  EXPECT_EQ(runLink(dir, {"mission", "98"}), 0);
  ASSERT_TRUE(controller.waitForFinished(30000));
  EXPECT_EQ(controller.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(controller.exitCode(), 0);
  EXPECT_FALSE(QFile::exists(dir.filePath("OrvanMirel.link")));
  EXPECT_FALSE(QFileInfo(dir.filePath("ports/COM9")).isSymLink());
  EXPECT_FALSE(QFile::exists(dir.filePath("OrvanMirel.lock")));
  EXPECT_TRUE(slurp(dir.filePath("OrvanMirel.ini")).contains("FormSizeChange= 2"));
}

// After SIGKILL the link and the planetarium port's link stay behind, and the terminal's number
// may be given to another program meanwhile. The next start clears them without a question and
// answers the planetarium; only a port that is really in use (a simulator's) is asked about, and
// SIGTERM ends the program while that question is open, in the same order as a close.
TEST(ControllerProcess, AKilledControllerLeavesNothingThatStopsTheNextStart) {
  QTemporaryDir dir;
  const QString exe = install(dir);
  writeIni(dir, kSite + kPlanetariumPort + "[PUBLIC]\nFormSizeChange= 2\n");
  {
    QProcess killed;
    startOffscreen(killed, exe);
    ASSERT_TRUE(waitFor([&] { return QFile::exists(dir.filePath("OrvanMirel.link")); }, 40000));
    ::kill(static_cast<pid_t>(killed.processId()), SIGKILL);
    ASSERT_TRUE(killed.waitForFinished(10000));
  }
  ASSERT_TRUE(QFile::exists(dir.filePath("OrvanMirel.link")));
  ASSERT_TRUE(QFileInfo(dir.filePath("ports/COM9")).isSymLink());
  // The dead controller's terminal number now belongs to somebody else: a terminal younger
  // than the link.
  int master = -1, slave = -1;
  char name[PATH_MAX] = {};
  ASSERT_EQ(::openpty(&master, &slave, name, nullptr, nullptr), 0);
  const QByteArray com9 = QFile::encodeName(dir.filePath("ports/COM9"));
  ASSERT_EQ(::unlink(com9.constData()), 0);
  ASSERT_EQ(::symlink(name, com9.constData()), 0);
  const timespec anHourAgo[2] = {{::time(nullptr) - 3600, 0}, {::time(nullptr) - 3600, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, com9.constData(), anHourAgo, AT_SYMLINK_NOFOLLOW), 0);

  QProcess next;
  startTraced(next, exe);
  ASSERT_TRUE(waitFor([&] { return QFileInfo(dir.filePath("ports/COM9")).symLinkTarget() != QString::fromLocal8Bit(name); }, 40000));
  const QByteArray reply = askPort(dir.filePath("ports/COM9"), ":GR#");
  EXPECT_TRUE(reply.endsWith('#')) << reply.constData();
  ::kill(static_cast<pid_t>(next.processId()), SIGTERM);
  ASSERT_TRUE(next.waitForFinished(30000));
  EXPECT_EQ(next.exitCode(), 0);
  const QByteArray said = next.readAll();
  EXPECT_FALSE(said.contains("asking:")) << said.constData();
  ::close(slave);
  ::close(master);

  // A simulator holds COM9 now: that port is in use, and the start asks about it.
  QProcess sim;
  sim.start(QString::fromLocal8Bit(qgetenv("ORVAN_BIN_DIR")) + "/orvan-sim", {"lx200", "--dir", dir.path(), "--com", "9"});
  ASSERT_TRUE(waitFor([&] { return sim.canReadLine() || sim.waitForReadyRead(100); }, 10000));
  const QString simTerminal = QFileInfo(dir.filePath("ports/COM9")).symLinkTarget();
  QProcess asked;
  startTraced(asked, exe);
  QByteArray err;
  ASSERT_TRUE(waitFor([&] {
    asked.waitForReadyRead(100);
    return (err += asked.readAll()).contains("asking:");
  }, 40000)) << err.constData();
  EXPECT_TRUE(QString::fromUtf8(err).contains(QString::fromUtf8("使用中"))) << err.constData();
  ::kill(static_cast<pid_t>(asked.processId()), SIGTERM);
  ASSERT_TRUE(asked.waitForFinished(30000));
  EXPECT_EQ(asked.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(asked.exitCode(), 0);
  EXPECT_TRUE(slurp(dir.filePath("OrvanMirel.ini")).contains("FormSizeChange= 2"));
  EXPECT_FALSE(QFile::exists(dir.filePath("OrvanMirel.lock")));
  EXPECT_FALSE(QFile::exists(dir.filePath("OrvanMirel.link")));
  EXPECT_EQ(QFileInfo(dir.filePath("ports/COM9")).symLinkTarget(), simTerminal);  // the simulator's, untouched
  sim.terminate();
  sim.waitForFinished(5000);
}

// Killed, the controller takes its helpers along: the bridge program and the Alpaca device end
// instead of steering the telescope for whoever reaches them.
TEST(ControllerProcess, TheHelperProgramsEndWithAKilledController) {
  const QString bin = QString::fromLocal8Bit(qgetenv("ORVAN_BIN_DIR"));
  if (!QFile::exists(bin + "/ascomconnect") || !QFile::exists(bin + "/OrvanforASCOM"))
    GTEST_SKIP() << "ascomconnect or OrvanforASCOM is not built";
  QTemporaryDir dir;
  const QString exe = install(dir);
  for (const char* helper : {"ascomconnect", "OrvanforASCOM"}) ASSERT_TRUE(QFile::copy(bin + '/' + helper, dir.filePath(helper)));
  // The bridge is the mount (the eighth entry); no INDI server answers, which it says and retries.
  writeIni(dir, kSite + "[TELESCOPE]\nVCommPort= 9\nTelescope= 7\n[ASCOM]\nUse=True\nAlpaca=1\nAlpacaPort=0\nIndiPort=1\n"
                        "ChooserDialog=0\n");
  QProcess controller;
  startTraced(controller, exe, {QStringLiteral("ORVAN_BRIDGE_PORTS=%1,%2").arg(freeUdpPort()).arg(freeUdpPort())});
  QStringList helpers;
  ASSERT_TRUE(waitFor([&] {
    helpers = childrenOf(controller.processId());
    return helpers.filter("ascomconnect").size() == 1 && helpers.filter("OrvanforASCOM").size() == 1;
  }, 40000)) << helpers.join(' ').toStdString() << controller.readAll().constData();
  ::kill(static_cast<pid_t>(controller.processId()), SIGKILL);
  ASSERT_TRUE(controller.waitForFinished(10000));
  for (const QString& h : helpers)
    EXPECT_TRUE(waitFor([&] { return !alive(h.section(':', 1)); }, 10000)) << h.toStdString();
}

// Every program answers --help and --version on standard output with status 0, and a wrong
// argument with its usage on standard error and status 2.
TEST(ControllerProcess, EveryProgramAnswersHelpVersionAndWrongArguments) {
  const QString bin = QString::fromLocal8Bit(qgetenv("ORVAN_BIN_DIR"));
  QStringList programs = {"OrvanMirel", "OrvanMirelutility", "orvan-sim", "orvan-link", "ascomconnect", "OrvanforASCOM"};
  const auto run = [](const QString& program, const QStringList& args, QByteArray& out, QByteArray& err) {
    QProcess p;
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    p.setProcessEnvironment(env);
    p.start(program, args);
    if (!p.waitForFinished(30000)) return -1;
    out = p.readAllStandardOutput();
    err = p.readAllStandardError();
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
  };
  for (const QString& name : programs) {
    SCOPED_TRACE(name.toStdString());
    if (!QFile::exists(bin + '/' + name)) continue;  // built only with its libraries
    QByteArray out, err;
    EXPECT_EQ(run(bin + '/' + name, {"--help"}, out, err), 0);
    EXPECT_TRUE(out.toLower().contains("usage")) << out.constData();
    EXPECT_EQ(run(bin + '/' + name, {"--version"}, out, err), 0);
    EXPECT_TRUE(out.contains(name.toUtf8() + ' ')) << out.constData();
    EXPECT_EQ(run(bin + '/' + name, {"--no-such-option"}, out, err), 2);
    EXPECT_TRUE(out.isEmpty()) << out.constData();
    EXPECT_TRUE(err.toLower().contains("usage")) << err.constData();
  }
  // The link's commands are checked before any controller is looked for.
  QByteArray out, err;
  for (const QStringList& wrong : {QStringList{"sync", "abc", "def"}, {"sync", "90000", "0"}, {"sync", "100"}, {"observe", "maybe"},
                                   {"goto", "M31"}, {"stop", "now"}, {"teleport"}}) {
    EXPECT_EQ(run(bin + "/orvan-link", QStringList{"--folder", "/nonexistent"} + wrong, out, err), 2) << wrong.join(' ').toStdString();
    EXPECT_TRUE(err.contains("usage")) << err.constData();
  }
}

// Two scripts and a planetarium on the link of a controller driving a simulated LX200: each goto's
// end goes to the script that asked, syncing on the position the link reported moves nothing, and
// a park with nothing to park is refused at once.
TEST(ControllerProcess, LinkClientsHearTheirOwnGotosAndSyncInTheFrameOfThePosition) {
  QTemporaryDir dir;
  const QString exe = install(dir);
  const QString bin = QString::fromLocal8Bit(qgetenv("ORVAN_BIN_DIR"));
  // The planetarium port speaks the equinox of date; the link stays J2000 whatever it says.
  writeIni(dir, kSite + "[TELESCOPE]\nTelescope= 5\nCommPort=3\nVCommPort= 9\nMount=G\n[PUBLIC]\nFormSizeChange= 1\n"
                        "LoopTimer= 250\n[SkyMap]\nEPOCH=EOD\n[DOME]\nController= 2\n[PARK]\nAZ=-1\nAlt=-1\n");
  QProcess mount;
  mount.start(bin + "/orvan-sim", {"lx200gps", "--dir", dir.path(), "--com", "3", "--slew-rate", "3", "--log", dir.filePath("mount.log")});
  ASSERT_TRUE(mount.waitForStarted(5000));
  ASSERT_TRUE(waitFor([&] { return mount.canReadLine() || mount.waitForReadyRead(100); }, 10000));
  QProcess controller;
  startOffscreen(controller, exe);
  ASSERT_TRUE(waitFor([&] { return QFile::exists(dir.filePath("OrvanMirel.link")); }, 40000));

  QByteArray out, err;
  EXPECT_EQ(runLink(dir, {"--timeout", "60", "park"}, &out, &err), 2);
  EXPECT_TRUE(err.contains("nothing to park")) << err.constData();

  // A goto near the pole, then another script's elsewhere while the first still runs.
  QProcess first, second;
  first.start(bin + "/orvan-link", {"--folder", dir.path(), "goto", "(00:00:00 +80:00:00)", "A"});
  const auto gotos = [&] { return slurp(dir.filePath("mount.log")).count(":MS#"); };
  ASSERT_TRUE(waitFor([&] { return gotos() >= 1; }, 20000));
  second.start(bin + "/orvan-link", {"--folder", dir.path(), "goto", "(01:00:00 +70:00:00)", "B"});
  ASSERT_TRUE(first.waitForFinished(60000));
  EXPECT_EQ(first.exitCode(), 2);
  EXPECT_EQ(first.readAllStandardOutput().trimmed(), "NG");
  ASSERT_TRUE(second.waitForFinished(120000));
  EXPECT_EQ(second.exitCode(), 0);
  EXPECT_EQ(second.readAllStandardOutput().trimmed(), "OK");

  // Sync on the numbers position just printed: the position stays where it was.
  const auto position = [&] {
    QByteArray p;
    EXPECT_EQ(runLink(dir, {"position"}, &p), 0);
    const QList<QByteArray> f = p.trimmed().split(',');
    return f.size() == 2 ? std::make_pair(f[0].toDouble(), f[1].toDouble()) : std::make_pair(-1.0, -1.0);
  };
  QThread::msleep(1500);  // the controller's reading after the slew
  const auto before = position();
  ASSERT_GE(before.first, 0);
  const int syncs = slurp(dir.filePath("mount.log")).count(":CM#");
  EXPECT_EQ(runLink(dir, {"sync", QString::number(before.first, 'f', 1), QString::number(before.second, 'f', 0)}), 0);
  ASSERT_TRUE(waitFor([&] { return slurp(dir.filePath("mount.log")).count(":CM#") > syncs; }, 10000));
  QThread::msleep(1500);  // a reading after the sync
  const auto after = position();
  EXPECT_NEAR(std::remainder(after.first - before.first, 86400.0), 0, 2);  // seconds of time
  EXPECT_NEAR(after.second, before.second, 15);                            // arcseconds

  ::kill(static_cast<pid_t>(controller.processId()), SIGTERM);
  EXPECT_TRUE(controller.waitForFinished(30000));
  mount.terminate();
  mount.waitForFinished(5000);
}
