#include "BridgeDatagram.h"

#include "Vb.h"

#include <QRandomGenerator>
#include <QStringList>
#include <cmath>

namespace orvan {

std::optional<double> ParseBridgeNumber(const QString& text) {
  // Blanks around the number only: a line feed or a tab is no part of a number text.
  qsizetype from = 0, to = text.size();
  while (from < to && text[from] == u' ') ++from;
  while (to > from && text[to - 1] == u' ') --to;
  const QString t = text.mid(from, to - from);
  if (t.isEmpty() || t.size() > 40) return std::nullopt;
  qsizetype i = 0;
  if (t[0] == u'-' || t[0] == u'+') ++i;
  int digits = 0, points = 0;
  for (; i < t.size(); ++i) {
    const QChar c = t[i];
    if (c >= u'0' && c <= u'9') ++digits;
    else if (c == u'.' && points == 0) ++points;
    else return std::nullopt;
  }
  if (digits == 0) return std::nullopt;
  bool ok = false;
  const double v = t.toDouble(&ok);
  if (!ok || !std::isfinite(v)) return std::nullopt;
  return v;
}

std::optional<BridgeMessage> ParseBridgeDatagram(const QByteArray& datagram) {
  if (datagram.isEmpty() || datagram.size() > kMaxBridgeDatagram) return std::nullopt;
  const QString text = QString::fromUtf8(datagram);
  // Control characters never belong in a datagram of the bridge (a name is shown as it comes).
  for (const QChar c : text)
    if (c.unicode() < 0x20 || c.unicode() == 0x7f || c == QChar::ReplacementCharacter) return std::nullopt;
  const qsizetype comma = text.indexOf(u',');
  const QString word = comma < 0 ? text : text.left(comma);
  const QString rest = comma < 0 ? QString() : text.mid(comma + 1);
  BridgeMessage m;
  if (word == u"Coodinate") {
    const QStringList f = rest.split(u',');
    if (comma < 0 || f.size() != 2) return std::nullopt;
    const auto ra = ParseBridgeNumber(f[0]);
    const auto dec = ParseBridgeNumber(f[1]);
    if (!ra || !dec || *ra < 0 || *ra >= 24 || *dec < -90 || *dec > 90) return std::nullopt;
    m.kind = BridgeMessage::Kind::Coodinate;
    m.raHours = *ra;
    m.decDeg = *dec;
    return m;
  }
  if (word == u"Name" || word == u"Error") {
    if (comma < 0) return std::nullopt;
    // The name is everything after the first comma: a name may hold commas of its own.
    m.kind = word == u"Name" ? BridgeMessage::Kind::Name : BridgeMessage::Kind::Error;
    m.text = rest;
    return m;
  }
  return std::nullopt;
}

namespace {
QByteArray Pair(const char* word, double a, double b) {
  return (QString::fromLatin1(word) + u',' + vb::Str(a) + u',' + vb::Str(b)).toUtf8();
}
}  // namespace

QByteArray GotoDatagram(double raHours, double decDeg) { return Pair("cmdGoto", raHours, decDeg); }
QByteArray SyncDatagram(double raHours, double decDeg) { return Pair("cmdSync", raHours, decDeg); }

QByteArray NewBridgeSecret() {
  static const char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  QByteArray s(kBridgeSecretBytes, '0');
  for (char& c : s) c = kDigits[QRandomGenerator::system()->bounded(36)];
  return s;
}

QByteArray SealBridgeDatagram(const QByteArray& secret, const QByteArray& text) { return secret + ' ' + text; }

std::optional<QByteArray> OpenBridgeDatagram(const QByteArray& secret, const QByteArray& datagram) {
  if (secret.size() != kBridgeSecretBytes || datagram.size() <= secret.size() || datagram[secret.size()] != ' ')
    return std::nullopt;
  // Every byte is compared, so the time taken tells a guesser nothing.
  unsigned char differ = 0;
  for (qsizetype i = 0; i < secret.size(); ++i) differ |= static_cast<unsigned char>(secret[i] ^ datagram[i]);
  if (differ != 0) return std::nullopt;
  return datagram.mid(secret.size() + 1);
}

BridgePorts BridgePortsFromEnvironment() {
  BridgePorts p;
  const QByteArray secret = qgetenv(kBridgeSecretVariable);
  if (secret.size() == kBridgeSecretBytes) p.secret = secret;
  const QStringList f = qEnvironmentVariable("ORVAN_BRIDGE_PORTS").split(u',');
  if (f.size() != 2) return p;
  bool ok1 = false, ok2 = false;
  const uint a = f[0].trimmed().toUInt(&ok1), b = f[1].trimmed().toUInt(&ok2);
  if (ok1 && ok2 && a > 0 && a < 65536 && b > 0 && b < 65536 && a != b) {
    p.controller = static_cast<quint16>(a);
    p.bridge = static_cast<quint16>(b);
  }
  return p;
}

}  // namespace orvan
