#include "PortAccess.h"

#include "SerialLink.h"

#include <QCoreApplication>
#include <QFile>
#include <cerrno>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvan {

PortAccess PortAccessFromErrno(int err) {
  switch (err) {
    case 0: return PortAccess::Usable;
    case EACCES:
    case EPERM:
    case EROFS: return PortAccess::Denied;
    case ENOENT:
    case ENOTDIR:
    case ELOOP: return PortAccess::Missing;
    default: return PortAccess::Usable;  // let the open say what else is wrong
  }
}

PortAccess CheckPortAccess(const QString& path) {
  if (path.isEmpty()) return PortAccess::Missing;
  const QByteArray p = QFile::encodeName(path);
  return PortAccessFromErrno(::access(p.constData(), R_OK | W_OK) == 0 ? 0 : errno);
}

QString PortAccessGroup(const QString& device) {
  struct stat st {};
  if (::stat(QFile::encodeName(device).constData(), &st) == 0 && st.st_gid != 0 &&
      (st.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP)) {
    if (const group* g = ::getgrgid(st.st_gid)) return QString::fromLocal8Bit(g->gr_name);
  }
  return QStringLiteral("dialout");
}

namespace {
// The texts of this file for the translation (the Japanese is the source).
struct Texts {
  Q_DECLARE_TR_FUNCTIONS(PortAccess)
};

QString userName() {
  if (const passwd* pw = ::getpwuid(::getuid())) return QString::fromLocal8Bit(pw->pw_name);
  const QString env = qEnvironmentVariable("USER");
  return env.isEmpty() ? QStringLiteral("$USER") : env;
}
}  // namespace

QString PortDeniedText(int number, const QString& device) {
  const QString group = PortAccessGroup(device);
  return Texts::tr("COM%1 (%2) を開く権限がありません。\n"
                        "このユーザーを %3 グループに加えてください:\n"
                        "    sudo usermod -aG %3 %4\n"
                        "その後いったんログアウトし、ログインし直してください。")
      .arg(number)
      .arg(device, group, userName());
}

QString OpenFailureText(const SerialLink& link, const QString& fallback) {
  if (link.openError() == 0 || link.openDevice().isEmpty()) return fallback;
  if (CheckPortAccess(link.openDevice()) != PortAccess::Denied) return fallback;
  return PortDeniedText(link.commPort(), link.openDevice());
}

}  // namespace orvan
