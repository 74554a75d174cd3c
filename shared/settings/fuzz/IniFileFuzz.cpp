// Any bytes as a settings file: reading never fails and a write keeps every other line.
#include "IniFile.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>

namespace {
QByteArray slurp(const QString& p) {
  QFile f(p);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static QTemporaryDir dir;
  const QString path = dir.filePath("OrvanMirel.ini");
  {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
    f.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
  }
  (void)orvan::ReadIni(path, "Location", "LATITUDE");
  (void)orvan::ReadIni(path, "RELAY", "$021");
  orvan::WriteIni(path, "PUBLIC", "FormSizeChange", " 1");
  if (orvan::ReadIni(path, "PUBLIC", "FormSizeChange") != "1") std::abort();
  // Writing the same value again changes nothing: the file is stable once written.
  const QByteArray once = slurp(path);
  orvan::WriteIni(path, "PUBLIC", "FormSizeChange", " 1");
  if (slurp(path) != once) std::abort();
  return 0;
}
