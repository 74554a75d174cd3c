// Whatever bytes a program writes to the virtual port: the interpreter must not crash, must
// keep the target inside the sky, and may write only well-formed site texts to the settings.
#include "Cp932.h"
#include "FakeLinkHost.h"
#include "FakeMountDriver.h"
#include "IniFile.h"
#include "PlanetariumCommand.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <cstdint>
#include <cstdlib>

using namespace orvan;

namespace {

QString settingsPath() {
  static const QString path = [] {
    const QString dir = QDir::tempPath() + "/orvan-link-fuzz-" + QString::number(::getpid());
    QDir().mkpath(dir);
    return dir + "/OrvanMirel.ini";
  }();
  return path;
}

void check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
  }
}

void checkSettings() {
  const QString ini = settingsPath();
  if (!QFile::exists(ini)) return;
  static const QRegularExpression lon("^[EW](0\\d\\d|1[0-7]\\d|180):[0-5]\\d:[0-5]\\d$");
  static const QRegularExpression lat("^[+-]([0-8]\\d|90):[0-5]\\d:[0-5]\\d$");
  static const QRegularExpression zone("^-?(0\\d|1[0-4])$");
  const QString l = ReadIni(ini, "LOCATION", "LONGITUDE");
  const QString b = ReadIni(ini, "LOCATION", "LATITUDE");
  const QString z = ReadIni(ini, "LOCATION", "TIMEZONE");
  check(l.isEmpty() || lon.match(l).hasMatch(), "LONGITUDE layout");
  check(b.isEmpty() || lat.match(b).hasMatch(), "LATITUDE layout");
  check(z.isEmpty() || zone.match(z).hasMatch(), "TIMEZONE layout");
  QFile::remove(ini);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static FakeMountDriver mount;
  static FakeLinkHost host(settingsPath());
  host.telescope = size % 2 ? &mount : nullptr;
  host.shared.site.MountType = "G";
  host.shared.planetarium.SkyMapEpoch = size % 3 == 0 ? 2 : 1;
  mount.calls.clear();
  PlanetariumCommand command(host);
  const QString reply =
      command.interpret(cp932::decode(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size))));

  const PlanetariumState& sky = host.shared.planetarium;
  check(sky.TargetRA >= 0 && sky.TargetRA < 86400, "TargetRA inside a day");
  check(sky.TargetDec >= -324000 && sky.TargetDec <= 324000, "TargetDec inside the sky");
  check(sky.MoveRate >= 0 && sky.MoveRate <= 3, "MoveRate 0..3");
  for (QChar c : reply) check(c.unicode() < 128 || c == QChar(0xFF9F), "reply encodable as one byte");
  for (const auto& c : mount.calls) {
    if (c.op == "cmdGoto" || c.op == "cmdSync") check(c.ra >= 0 && c.ra < 86400, "goto inside a day");
    if (c.op == "cmdMove") check(c.speed == 9 || (c.speed >= 1 && c.speed <= 3), "move speed");
  }
  checkSettings();
  return 0;
}
