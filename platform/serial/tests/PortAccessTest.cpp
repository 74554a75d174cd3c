// A serial device the user may not open: the port list marks it and a failed open explains
// how to get access. Tests run as root in CI, where every permission check passes, so the
// checks that need a refusal run in a child process that has given up root.
#include "CommPorts.h"
#include "PortAccess.h"
#include "QtSerialLink.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cerrno>
#include <functional>
#include <grp.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace orvan;

namespace {
// The other serial tests may have made the application object already.
void app() {
  static int argc = 1;
  static char arg0[] = "serial_tests";
  static char* argv[] = {arg0, nullptr};
  static QCoreApplication* made = QCoreApplication::instance() ? nullptr : new QCoreApplication(argc, argv);
  (void)made;
}

struct Pty {
  int master = -1, slave = -1;
  QString slavePath;
  Pty() {
    char name[256] = {};
    if (openpty(&master, &slave, name, nullptr, nullptr) == 0) slavePath = QString::fromLocal8Bit(name);
  }
  ~Pty() {
    if (master >= 0) ::close(master);
    if (slave >= 0) ::close(slave);
  }
};

// Runs CHECK as an ordinary user: in a child that drops root when the test runs as root, in
// this process otherwise. CHECK returns what went wrong, empty when all was as expected.
QString AsOrdinaryUser(const std::function<QString()>& check) {
  if (::geteuid() != 0) return check();
  int fds[2];
  if (::pipe(fds) != 0) return QStringLiteral("no pipe");
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(fds[0]);
    QByteArray out = "could not drop root";
    if (::setgroups(0, nullptr) == 0 && ::setgid(65534) == 0 && ::setuid(65534) == 0) out = check().toUtf8();
    if (!out.isEmpty() && ::write(fds[1], out.constData(), out.size()) < 0) {}
    ::_exit(0);
  }
  ::close(fds[1]);
  QByteArray got;
  char buf[512];
  for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;) got.append(buf, n);
  ::close(fds[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (!WIFEXITED(status)) return QStringLiteral("the check's process died");
  return QString::fromUtf8(got);
}

void Link(const QString& folder, int n, const QString& target) {
  QDir(folder).mkpath(QStringLiteral("ports"));
  QFile::link(target, CommPortLinkPath(folder, n));
}
}  // namespace

TEST(PortAccess, ADeviceTheUserMayNotOpenIsMarkedAndItsOpenFailureSaysWhatToDo) {
  app();
  QTemporaryDir dir;
  ::chmod(QFile::encodeName(dir.path()).constData(), 0755);  // the child must see the links
  Pty locked, usable;
  ASSERT_FALSE(locked.slavePath.isEmpty());
  ASSERT_FALSE(usable.slavePath.isEmpty());
  // The mode of an adapter outside the user's groups (crw-rw---- root:dialout, seen from outside).
  ASSERT_EQ(::chmod(QFile::encodeName(locked.slavePath).constData(), 0600), 0);
  ASSERT_EQ(::chmod(QFile::encodeName(usable.slavePath).constData(), 0666), 0);
  if (::geteuid() != 0) ASSERT_EQ(::chmod(QFile::encodeName(locked.slavePath).constData(), 0000), 0);
  Link(dir.path(), 7, locked.slavePath);
  Link(dir.path(), 8, usable.slavePath);

  const QString problems = AsOrdinaryUser([&]() -> QString {
    QString bad;
    if (CheckPortAccess(locked.slavePath) != PortAccess::Denied) bad += "locked pty not denied; ";
    if (CheckPortAccess(usable.slavePath) != PortAccess::Usable) bad += "open pty not usable; ";
    if (CheckPortAccess(dir.path() + "/ports/COM9") != PortAccess::Missing) bad += "no device not missing; ";
    for (const CommPortEntry& e : ListCommPorts(dir.path()))
      if (e.denied != (e.number == 7) && (e.number == 7 || e.number == 8)) bad += QStringLiteral("COM%1 marked wrong; ").arg(e.number);

    QtSerialLink link(dir.path());
    link.setCommPort(7);
    if (link.open()) return bad + "opened a locked device";
    const QString text = OpenFailureText(link, QStringLiteral("fallback"));
    for (const QString& part : {QStringLiteral("COM7"), locked.slavePath, QStringLiteral("権限がありません"),
                                QStringLiteral("sudo usermod -aG dialout "), QStringLiteral("ログインし直して")})
      if (!text.contains(part)) bad += "text lacks " + part + ": " + text + "; ";
    // A port that is simply absent keeps the driver's own message.
    link.setCommPort(9);
    if (link.open() || OpenFailureText(link, QStringLiteral("fallback")) != QStringLiteral("fallback")) bad += "absent port explained; ";
    link.setCommPort(8);
    if (!link.open()) bad += "usable port refused; ";
    else if (OpenFailureText(link, QStringLiteral("fallback")) != QStringLiteral("fallback")) bad += "open port explained; ";
    return bad;
  });
  EXPECT_TRUE(problems.isEmpty()) << problems.toStdString();
}

TEST(PortAccess, ErrnoAndGroupDecideTheAdvice) {
  EXPECT_EQ(PortAccessFromErrno(EACCES), PortAccess::Denied);
  // In use by another program is not a permission problem: the open's own error stays.
  EXPECT_EQ(PortAccessFromErrno(EBUSY), PortAccess::Usable);

  QTemporaryDir dir;
  const QString dev = dir.path() + QStringLiteral("/ttyUSB0");
  QFile f(dev);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.close();
  const QByteArray p = QFile::encodeName(dev);
  ::chmod(p.constData(), 0600);
  EXPECT_EQ(PortAccessGroup(dev), QStringLiteral("dialout"));  // no group may use it: the usual serial group
  // A device whose group may use it names that group (uucp on some systems).
  const gid_t gid = ::geteuid() == 0 ? (::getgrnam("uucp") ? ::getgrnam("uucp")->gr_gid : 0) : ::getegid();
  if (gid != 0 && ::chown(p.constData(), static_cast<uid_t>(-1), gid) == 0) {
    ::chmod(p.constData(), 0660);
    EXPECT_EQ(PortAccessGroup(dev), QString::fromLocal8Bit(::getgrgid(gid)->gr_name));
    EXPECT_TRUE(PortDeniedText(3, dev).contains(QStringLiteral("-aG ") + ::getgrgid(gid)->gr_name));
  }
}
