// Whatever bytes a program writes to the virtual port, however the reads split them: the
// framer and the interpreter must not crash, every split must give the same commands, the
// target stays inside the sky, and only well-formed site texts reach the settings.
#include "CommandFramer.h"
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

using orvan::test::FakeMountDriver;

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
  static const QRegularExpression zone("^-?((0\\d|1[0-4])|([0-9]|1[0-3])\\.(25|5|75))$");
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
  mount.made.clear();
  // The first byte chooses where the reads split the rest; each read comes a tenth of a
  // second after the one before, so a pause of more than a second sometimes falls between.
  if (size == 0) return 0;
  const uint8_t splits = data[0];
  const QByteArray bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
  CommandFramer framer, whole;
  std::vector<QByteArray> units;
  qsizetype at = 0;
  qint64 now = 0;
  for (int i = 0; at < bytes.size(); ++i) {
    const qsizetype n = 1 + ((splits >> (i % 8)) & 0x7) * (1 + i % 5);
    for (QByteArray& u : framer.push(bytes.mid(at, n), now)) units.push_back(std::move(u));
    at += n;
    now += (splits & 0x80) ? 100 : 1;
  }
  // Without pauses the split does not matter.
  if (!(splits & 0x80)) check(units == whole.push(bytes, 0), "same commands whatever the split");
  for (const QByteArray& u : units) {
    check(u == QByteArray(1, CommandFramer::kAlignmentQuery) || (u.endsWith('#') && u.count('#') == 1),
          "a unit is one command");
    check(u.size() <= CommandFramer::kMaxCommand, "a unit is no longer than a command");
  }

  PlanetariumCommand command(host);
  QString reply;
  for (const QByteArray& u : units) reply += command.command(cp932::decode(u));

  const PlanetariumState& sky = host.shared.planetarium;
  check(sky.TargetRA >= 0 && sky.TargetRA < 86400, "TargetRA inside a day");
  check(sky.TargetDec >= -324000 && sky.TargetDec <= 324000, "TargetDec inside the sky");
  check(sky.MoveRate >= 0 && sky.MoveRate <= 3, "MoveRate 0..3");
  for (QChar c : reply) check(c.unicode() < 128 || c == QChar(0xFF9F), "reply encodable as one byte");
  for (const auto& c : mount.made) {
    if (c.op == "cmdGoto" || c.op == "cmdSync") check(c.ra >= 0 && c.ra < 86400, "goto inside a day");
    if (c.op == "cmdMove") check(c.speed == 9 || (c.speed >= 1 && c.speed <= 3), "move speed");
    if (c.op == "cmdMove") check(c.speed == 9 || !c.text.isEmpty(), "a move has a direction");
  }
  checkSettings();
  return 0;
}
