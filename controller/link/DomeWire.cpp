#include "DomeWire.h"

#include <QStringList>
#include <cmath>

namespace orvan::domewire {
namespace {

double wrap(double a) {
  a = std::fmod(a, 360.0);
  if (a < 0) a += 360.0;
  return a >= 360.0 ? 0.0 : a;
}

QString angle(const std::optional<double>& a) { return a ? QString::number(*a, 'f', 2) : QStringLiteral("-"); }

bool flag(const QString& s, bool& out) {
  if (s != u"0" && s != u"1") return false;
  out = s == u"1";
  return true;
}

bool optionalAngle(const QString& s, std::optional<double>& out) {
  if (s == u"-") {
    out.reset();
    return true;
  }
  out = ParseAzimuth(s);
  return out.has_value();
}

}  // namespace

QString Format(const Status& s) {
  return QStringLiteral("%1,%2,%3,%4,%5,%6,%7")
      .arg(s.connected ? 1 : 0)
      .arg(angle(s.azimuth))
      .arg(s.slewing ? 1 : 0)
      .arg(s.slit)
      .arg(s.following ? 1 : 0)
      .arg(angle(s.parkAzimuth))
      .arg(s.atPark ? 1 : 0);
}

std::optional<Status> Parse(const QString& text) {
  const QStringList f = text.split(u',');
  if (f.size() != 7) return std::nullopt;
  Status s;
  bool ok = false;
  const int slit = f[3].toInt(&ok);
  if (!flag(f[0], s.connected) || !optionalAngle(f[1], s.azimuth) || !flag(f[2], s.slewing) || !ok || slit < -2 ||
      slit > 2 || !flag(f[4], s.following) || !optionalAngle(f[5], s.parkAzimuth) ||
      !flag(f[6], s.atPark))
    return std::nullopt;
  s.slit = slit;
  return s;
}

std::optional<double> ParseAzimuth(const QString& text) {
  bool ok = false;
  const double a = text.trimmed().toDouble(&ok);
  if (!ok || !std::isfinite(a) || std::fabs(a) > 1e6) return std::nullopt;
  return wrap(a);
}

double FromSouth(double southAzimuth) { return wrap(southAzimuth + 180.0); }
double ToSouth(double northAzimuth) { return wrap(northAzimuth - 180.0); }

}  // namespace orvan::domewire
