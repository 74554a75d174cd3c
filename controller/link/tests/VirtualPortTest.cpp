// The virtual port through a real pseudo-terminal: what a client writes reaches the
// interpreter as whole commands however the reads split it, every reply comes back byte for
// byte and in order; the port survives clients that come and go, including one that takes
// exclusive mode, its link goes with the window, and a port number that cannot be the
// planetarium port is named to the observer instead of being made.
#include "frmVSP6.h"

#include "FakeLinkHost.h"
#include "FakeMountDriver.h"
#include "IniFile.h"
#include "PortClient.h"
#include "ProgramFolder.h"
#include "Prompter.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

using orvan::test::FakeMountDriver;

namespace orvan {
namespace {

QCoreApplication& app() {
  static int argc = 1;
  static char name[] = "link_tests";
  static char* argv[] = {name, nullptr};
  static QCoreApplication instance(argc, argv);
  return instance;
}

// Runs the event loop until `done` holds; a hang guard, not a timing check.
template <class F>
bool pumpUntil(F done) {
  QDeadlineTimer guard(5000);
  while (!done()) {
    if (guard.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  return true;
}

class VirtualPortTest : public ::testing::Test {
 protected:
  VirtualPortTest() : host(dir.filePath("OrvanMirel.ini")) {
    app();
    SetProgramFolderForTests(dir.path());
    host.telescope = &mount;
    host.shared.site.MountType = "G";
    host.shared.mount.TelRA = 45296;
    host.shared.mount.TelDec = -18620;
    vsp = std::make_unique<frmVSP6>(host);
    vsp->strPort1 = frmVSP6::PortName(5);
    Prompter::install(&prompter);
  }
  ~VirtualPortTest() override {
    Prompter::install(nullptr);
    SetProgramFolderForTests({});
  }

  int openClient() {
    const int fd = ::open(QFile::encodeName(dir.filePath("ports/COM5")).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd >= 0) {
      termios t{};
      tcgetattr(fd, &t);
      cfmakeraw(&t);
      tcsetattr(fd, TCSANOW, &t);
    }
    return fd;
  }
  // Writes one command and collects the reply up to its '#' (or one byte for 0x06).
  QByteArray ask(int fd, const QByteArray& cmd) {
    EXPECT_EQ(::write(fd, cmd.constData(), size_t(cmd.size())), cmd.size());
    QByteArray reply;
    pumpUntil([&] {
      char buf[64];
      const ssize_t n = ::read(fd, buf, sizeof buf);
      if (n > 0) reply.append(buf, n);
      return reply.endsWith('#') || (cmd == "\x06" && !reply.isEmpty());
    });
    return reply;
  }

  QTemporaryDir dir;
  ScriptedPrompter prompter;
  FakeMountDriver mount;
  FakeLinkHost host;
  std::unique_ptr<frmVSP6> vsp;
};

TEST_F(VirtualPortTest, CreateAndDeleteTheNamedPort) {
  EXPECT_EQ(vsp->strPort1, "COM5");
  EXPECT_EQ(vsp->btnCreatePortCaption(), "Create port");
  vsp->cmdCreatePort();
  ASSERT_TRUE(vsp->portExists());
  EXPECT_EQ(vsp->btnCreatePortCaption(), "Delete port");
  const QFileInfo link(dir.filePath("ports/COM5"));
  EXPECT_TRUE(link.isSymLink());
  EXPECT_TRUE(link.symLinkTarget().startsWith("/dev/pts/"));
  vsp->cmdCreatePort();  // the button again: deletes
  EXPECT_FALSE(vsp->portExists());
  EXPECT_EQ(vsp->btnCreatePortCaption(), "Create port");
  EXPECT_FALSE(QFileInfo(dir.filePath("ports/COM5")).isSymLink());
  vsp->cmdCreatePort();
  ASSERT_TRUE(vsp->portExists());
  vsp.reset();  // the program ends
  EXPECT_FALSE(QFileInfo(dir.filePath("ports/COM5")).isSymLink());
}

TEST_F(VirtualPortTest, NamesThatAreNotAPortNumberCreateNothing) {
  for (const char* bad : {"COM", "COM-3", "COM../../etc", "COM5/x", "LPT1", ""}) {
    vsp->strPort1 = bad;
    vsp->cmdCreatePort();
    EXPECT_FALSE(vsp->portExists()) << bad;
  }
  EXPECT_FALSE(QDir(dir.filePath("ports")).exists() &&
               !QDir(dir.filePath("ports")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System).isEmpty());
}

TEST_F(VirtualPortTest, StaleLinkIsReplacedLiveOneIsLeftAlone) {
  QDir().mkpath(dir.filePath("ports"));
  ASSERT_TRUE(QFile::link("/dev/pts/99999", dir.filePath("ports/COM5")));  // left by a crash
  vsp->cmdCreatePort();
  EXPECT_TRUE(vsp->portExists());
  vsp.reset();

  QFile other(dir.filePath("device"));
  ASSERT_TRUE(other.open(QIODevice::WriteOnly));
  other.close();
  ASSERT_TRUE(QFile::link(dir.filePath("device"), dir.filePath("ports/COM5")));
  frmVSP6 second(host);
  second.strPort1 = "COM5";
  second.cmdCreatePort();
  EXPECT_FALSE(second.portExists());
  EXPECT_EQ(QFileInfo(dir.filePath("ports/COM5")).symLinkTarget(), dir.filePath("device"));
}

TEST_F(VirtualPortTest, RepliesGoBackByteForByte) {
  vsp->cmdCreatePort();
  const int fd = openClient();
  ASSERT_GE(fd, 0);
  EXPECT_EQ(ask(fd, "#:GR#"), "12:34:56#");
  EXPECT_EQ(ask(fd, ":GD#"), QByteArray("-05\xDF" "10:20#"));  // the degree mark is one byte
  EXPECT_EQ(ask(fd, "\x06"), "P");
  EXPECT_EQ(ask(fd, QByteArray(":Sd-16\xDF" "45:09#")), "1");  // Stellarium's degree byte
  EXPECT_EQ(host.shared.planetarium.TargetDec, -60309);

  // A command without a reply writes nothing: the next reply is all the client reads.
  ASSERT_EQ(::write(fd, ":Mn#", 4), 4);
  ASSERT_TRUE(pumpUntil([&] { return !mount.made.empty(); }));
  EXPECT_EQ(ask(fd, ":GR#"), "12:34:56#");
  ::close(fd);
}

TEST_F(VirtualPortTest, CommandsAreAnsweredWholeAndInOrderHoweverTheReadsFall) {
  vsp->cmdCreatePort();
  PortClient client(dir.filePath("ports/COM5"));
  ASSERT_TRUE(client.isOpen());
  // One command over two writes, the controller reading between them.
  ASSERT_TRUE(client.write(":Sr08:1"));
  ASSERT_TRUE(PortClient::pump([&] { return vsp->hasUnfinishedCommand(); }));
  EXPECT_EQ(client.take(), "");  // nothing is answered for half a command
  ASSERT_TRUE(client.write("0:00#"));
  EXPECT_EQ(client.readBytes(1), "1");
  EXPECT_EQ(host.shared.planetarium.TargetRA, 8 * 3600 + 10 * 60);

  // A byte at a time, the degree byte among them.
  for (const char c : QByteArray(":Sd-16\xDF" "45:09#")) {
    ASSERT_TRUE(client.write(QByteArray(1, c)));
    PortClient::pump([&] { return vsp->hasUnfinishedCommand() || c == '#'; });
  }
  EXPECT_EQ(client.readBytes(1), "1");
  EXPECT_EQ(host.shared.planetarium.TargetDec, -60309);

  // Several commands in one write: every reply, in the order of the commands.
  ASSERT_TRUE(client.write(":GR#:GD#"));
  EXPECT_EQ(client.read(2), QByteArray("12:34:56#-05\xDF" "10:20#"));
  ASSERT_TRUE(client.write("#:Q#:Sr06:46:22#"));  // Stellarium: the stop's '#', then the set's "1"
  EXPECT_EQ(client.readBytes(2), "#1");
  EXPECT_EQ(host.shared.planetarium.TargetRA, 24382);
  ASSERT_TRUE(client.write("\x06:GVD#"));
  EXPECT_TRUE(client.read(1).startsWith("P"));
  EXPECT_EQ(mount.ops(), QStringList({"cmdMove"}));  // only the stop moved anything
}

TEST_F(VirtualPortTest, TimeZoneOfHalfAnHourIsKept) {
  vsp->cmdCreatePort();
  PortClient client(dir.filePath("ports/COM5"));
  ASSERT_TRUE(client.write(":SG+05.5#"));
  EXPECT_EQ(client.readBytes(1), "1");
  EXPECT_EQ(ReadIni(host.IniPath(), "LOCATION", "TIMEZONE"), "-5.5");
  EXPECT_EQ(host.iniReads, 1);
}

TEST_F(VirtualPortTest, PortThatCannotBeThePlanetariumPortIsNamedToTheObserver) {
  const QString ini = host.IniPath();
  const auto refused = [&](const char* name, const char* why) {
    prompter.clear();
    vsp->strPort1 = name;
    vsp->cmdCreatePort();
    EXPECT_FALSE(vsp->portExists()) << why;
    ASSERT_EQ(prompter.asked().size(), 1u) << why;
    const auto& box = prompter.asked()[0];
    EXPECT_EQ(box.icon, Icon::Critical) << why;
    EXPECT_FALSE(box.title.isEmpty()) << why;
    EXPECT_TRUE(box.text.contains(dir.filePath(QString("ports/") + name))) << why << ": " << box.text.toStdString();
  };
  refused("COM0", "no VCommPort in the settings");
  EXPECT_FALSE(QFileInfo(dir.filePath("ports/COM0")).isSymLink());

  WriteIni(ini, "TELESCOPE", "CommPort", "5");
  refused("COM5", "the mount's own port");
  WriteIni(ini, "TELESCOPE", "CommPort", "3");

  WriteIni(ini, "DOME", "Controller", "1");
  WriteIni(ini, "DOME", "CommPort", "5");
  refused("COM5", "the serial dome's port");
  WriteIni(ini, "DOME", "Controller", "0");  // the USB board: its CommPort means nothing

  QDir().mkpath(dir.filePath("ports"));
  ASSERT_TRUE(QFile::link("/dev/null", dir.filePath("ports/COM6")));
  refused("COM6", "someone else's live link");
  EXPECT_EQ(QFileInfo(dir.filePath("ports/COM6")).symLinkTarget(), "/dev/null");

  prompter.clear();
  vsp->strPort1 = "COM5";
  vsp->cmdCreatePort();
  EXPECT_TRUE(vsp->portExists());
  EXPECT_TRUE(prompter.asked().empty());
}

TEST_F(VirtualPortTest, ClientsComeAndGo) {
  vsp->cmdCreatePort();
  for (int round = 0; round < 3; ++round) {
    const int fd = openClient();
    ASSERT_GE(fd, 0) << round;
    EXPECT_EQ(ask(fd, ":GR#"), "12:34:56#") << round;
    // A client that leaves without reading its reply does not hand it to the next one.
    ASSERT_EQ(::write(fd, ":GD#", 4), 4);
    pumpUntil([&] {
      pollfd p{fd, POLLIN, 0};
      return ::poll(&p, 1, 0) > 0;
    });
    ::close(fd);
    QCoreApplication::processEvents();  // the controller notices the client leave
  }
  const int fd = openClient();
  ASSERT_GE(fd, 0);
  EXPECT_EQ(ask(fd, ":GR#"), "12:34:56#");
  ::close(fd);
}

// Runs the client program as another process; as root it runs as nobody, since root is
// never refused by exclusive mode.
class ClientProcess {
 public:
  static QString program() { return qEnvironmentVariable("ORVAN_BIN_DIR") + "/vsp_client"; }
  static bool canRun(QString& why) {
    if (!QFileInfo(program()).isExecutable()) {
      why = "vsp_client not built (ORVAN_BIN_DIR=" + qEnvironmentVariable("ORVAN_BIN_DIR") + ")";
      return false;
    }
    if (geteuid() == 0 && QStandardPaths::findExecutable("setpriv").isEmpty()) {
      why = "running as root and setpriv is missing: cannot test as an ordinary user";
      return false;
    }
    return true;
  }
  // Exit code of the client; its reply (hex) in `out`.
  static int run(const QString& port, const QString& text, bool exclusive, QByteArray& out) {
    QStringList args = {port, text};
    if (exclusive) args << "--excl";
    QString prog = program();
    if (geteuid() == 0) {
      args = QStringList{"--reuid=65534", "--regid=65534", "--clear-groups", prog} + args;
      prog = QStandardPaths::findExecutable("setpriv");
    }
    QProcess p;
    p.start(prog, args);
    pumpUntil([&] { return p.state() == QProcess::NotRunning; });
    out = p.readAllStandardOutput().trimmed();
    if (p.exitStatus() != QProcess::NormalExit) return -1;
    return p.exitCode();
  }
};

TEST_F(VirtualPortTest, ExclusiveClientDoesNotLockOutTheNext) {
  QString why;
  if (!ClientProcess::canRun(why)) GTEST_SKIP() << why.toStdString();
  vsp->cmdCreatePort();
  ASSERT_TRUE(vsp->portExists());
  // Let the ordinary user reach the port: the folder, ports/ and the terminal itself.
  for (const QString& d : {dir.path(), dir.filePath("ports")}) ::chmod(QFile::encodeName(d).constData(), 0755);
  ::chmod(QFile::encodeName(vsp->devicePath()).constData(), 0666);
  const QString port = dir.filePath("ports/COM5");
  QByteArray out;
  ASSERT_EQ(ClientProcess::run(port, ":GR#", true, out), 0) << "the first client could not use the port";
  EXPECT_EQ(out, QByteArray("12:34:56#").toHex());
  ASSERT_EQ(ClientProcess::run(port, "\\x06", true, out), 0) << "exclusive mode outlived the client";
  EXPECT_EQ(out, QByteArray("P").toHex());
  ASSERT_EQ(ClientProcess::run(port, ":GD#", false, out), 0);
  EXPECT_EQ(out, QByteArray("-05\xDF" "10:20#").toHex());
}

}  // namespace
}  // namespace orvan

namespace orvan {
namespace {

// A client writing well-formed commands as fast as it can, reading meanwhile: every query is
// answered once, in order, and the target set is the last one sent.
TEST_F(VirtualPortTest, AFloodOfValidCommandsIsAnsweredInOrder) {
  vsp->cmdCreatePort();
  const int fd = openClient();
  ASSERT_GE(fd, 0);
  QByteArray burst;
  for (int i = 0; i < 50; ++i) burst += ":GR#:GD#:Sr01:02:03#:Sd+04*05:06#";
  const int rounds = 20;
  QByteArray replies;
  int written = 0;
  qsizetype pending = 0;  // bytes of the current burst already written
  const bool done = pumpUntil([&] {
    if (written < rounds) {
      // A full pty takes part of a burst now and the rest later.
      const qsizetype left = burst.size() - pending;
      const ssize_t n = ::write(fd, burst.constData() + pending, size_t(left));
      if (n > 0) pending += n;
      if (pending == burst.size()) {
        pending = 0;
        ++written;
      }
    }
    char buf[4096];
    ssize_t n;
    while ((n = ::read(fd, buf, sizeof buf)) > 0) replies.append(buf, n);
    return written == rounds && replies.size() >= rounds * 50 * (9 + 10 + 2);
  });
  ASSERT_TRUE(done) << written << " bursts written, " << replies.size() << " reply bytes: " << replies.left(80).toStdString();
  // Per group: the right ascension (9 bytes), the declination (10), "1" and "1".
  const QByteArray group = "12:34:56#-05\xDF" "10:20#11";
  EXPECT_EQ(replies.size(), rounds * 50 * group.size());
  EXPECT_EQ(replies.count(group), rounds * 50);
  EXPECT_EQ(host.shared.planetarium.TargetRA, 3723);
  EXPECT_TRUE(mount.made.empty());
  ::close(fd);
}

}  // namespace
}  // namespace orvan
