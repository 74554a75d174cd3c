#include "ReferenceStars.h"

#include "Cp932.h"

#include <QStringList>

namespace orvan {
namespace {

// Digits only, read as a number; false for anything else.
bool digits(const QString& s, double& out) {
  if (s.isEmpty()) return false;
  int dots = 0;
  for (QChar c : s) {
    if (c == u'.') ++dots;
    else if (!c.isDigit() || c.unicode() > 0x7f) return false;
  }
  if (dots > 1 || s == u".") return false;
  out = s.toDouble();
  return true;
}

}  // namespace

bool ParseStarPosition(const QString& field, double& ra, double& dec) {
  QString t = field;
  t.remove(QStringLiteral("赤経 ")).remove(QStringLiteral("赤緯 ")).remove(QStringLiteral("(J2000)")).remove(u' ');
  // Fixed places: hours 1-2, minutes 4-5, seconds 7-11, the sign 13, degrees 14-15, minutes
  // 17-18, seconds 20-23 (counted from 1); the marks between them may be anything.
  if (t.size() < 23) return false;
  double h, m, s, dd, dm, ds;
  if (!digits(t.mid(0, 2), h) || !digits(t.mid(3, 2), m) || !digits(t.mid(6, 5), s) || !digits(t.mid(13, 2), dd) ||
      !digits(t.mid(16, 2), dm) || !digits(t.mid(19, 4), ds))
    return false;
  const QChar sign = t[12];
  if (sign != u'+' && sign != u'-') return false;
  if (h >= 24 || m >= 60 || s >= 60 || dd > 90 || dm >= 60 || ds >= 60) return false;
  ra = h * 3600 + m * 60 + s;
  dec = dd * 3600 + dm * 60 + ds;
  if (dec > 324000) return false;
  if (sign == u'-') dec = -dec;
  return true;
}

ReferenceStarFile ParseReferenceStars(const QByteArray& bytes) {
  const QString text = cp932::isValidUtf8(bytes) ? QString::fromUtf8(bytes) : cp932::decode(bytes);
  ReferenceStarFile out;
  for (QString line : text.split(u'\n')) {
    if (line.endsWith(u'\r')) line.chop(1);
    if (line.startsWith(QChar(0xFEFF))) line.remove(0, 1);
    if (line.trimmed().isEmpty()) continue;
    const QStringList f = line.split(u',');
    if (f.size() < 4 || f[0].trimmed().isEmpty()) {
      ++out.skipped;
      continue;
    }
    ReferenceStar star;
    star.name = f[0];
    QString position = f[3];
    position.remove(QStringLiteral("赤経 ")).remove(QStringLiteral("赤緯 ")).remove(QStringLiteral("(J2000)")).remove(u' ');
    if (!position.isEmpty()) {
      if (!ParseStarPosition(f[3], star.ra, star.dec)) {
        ++out.skipped;
        continue;
      }
      star.hasPosition = true;
    }
    out.stars.push_back(star);
  }
  return out;
}

}  // namespace orvan
