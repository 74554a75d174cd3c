#include "ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace orvan {

namespace {
QString g_override;
}

QString ProgramFolder() {
  if (!g_override.isEmpty()) return g_override;
  // An installed program lies in a system folder nobody may write to; its launcher names the
  // observer's own folder, which holds links to the programs beside the settings.
  const QString given = qEnvironmentVariable("ORVAN_PROGRAM_FOLDER");
  if (!given.isEmpty()) return QDir(given).absolutePath();
  if (QCoreApplication::instance()) return QCoreApplication::applicationDirPath();
  return QDir::currentPath();
}

QString InProgramFolder(const QString& name) {
  QString n = name;
  n.replace(u'\\', u'/');
  while (n.startsWith(u'/')) n.remove(0, 1);
  return ProgramFolder() + u'/' + n;
}

void SetProgramFolderForTests(const QString& folder) { g_override = folder; }

bool FileExists(const QString& path) {
  const QFileInfo fi(path);
  return fi.exists() && fi.isFile();
}

}  // namespace orvan
