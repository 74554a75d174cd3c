// Writes `count` keys "<prefix>N" into one section of a settings file, as fast as it can:
// the other half of the cross-process concurrency test.
#include "IniFile.h"

#include <QCoreApplication>
#include <QString>

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc < 5) return 2;
  const QString path = QString::fromLocal8Bit(argv[1]);
  const QString section = QString::fromLocal8Bit(argv[2]);
  const QString prefix = QString::fromLocal8Bit(argv[3]);
  const int count = QString::fromLocal8Bit(argv[4]).toInt();
  int failed = 0;
  for (int i = 0; i < count; ++i)
    if (!orvan::WriteIni(path, section, prefix + QString::number(i), QString::number(i * 7))) ++failed;
  return failed == 0 ? 0 : 1;
}
