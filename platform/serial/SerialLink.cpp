#include "SerialLink.h"

#include "SerialTrace.h"

#include <QStringList>

Q_LOGGING_CATEGORY(lcSerial, "orvan.serial", QtWarningMsg)

namespace orvan {

QString TraceBytes(const QByteArray& bytes) {
  QString out;
  out.reserve(bytes.size());
  for (char c : bytes) {
    const auto u = static_cast<unsigned char>(c);
    if (u >= 0x20 && u < 0x7f)
      out += QChar(u);
    else
      out += QStringLiteral("<%1>").arg(u, 2, 16, QChar(u'0')).toUpper();
  }
  return out;
}

bool ParseSerialSettings(const QString& text, SerialSettings& out) {
  const QStringList parts = text.trimmed().split(u',');
  if (parts.size() != 4) return false;
  bool ok = false;
  SerialSettings s;
  s.baud = parts[0].trimmed().toInt(&ok);
  if (!ok || s.baud <= 0) return false;
  const QString p = parts[1].trimmed().toLower();
  if (p.size() != 1 || !QStringLiteral("neoms").contains(p[0])) return false;
  s.parity = p[0];
  s.dataBits = parts[2].trimmed().toInt(&ok);
  if (!ok || s.dataBits < 5 || s.dataBits > 8) return false;
  s.stopBits = parts[3].trimmed().toDouble(&ok);
  if (!ok || (s.stopBits != 1 && s.stopBits != 1.5 && s.stopBits != 2)) return false;
  out = s;
  return true;
}

bool SerialLink::setSettings(const QString& text) {
  SerialSettings s;
  if (!ParseSerialSettings(text, s)) return false;
  settings_ = s;
  settingsText_ = text;
  return true;
}

void SerialLink::raiseEvent(int code) {
  lastEvent_ = code;
  qCDebug(lcSerial) << "COM" << commPort_ << "event" << code;
  emit commEvent(code);
}

QByteArray SerialLink::takeInput(QByteArray& buffer) const {
  QByteArray out;
  if (inputLen() > 0 && buffer.size() > inputLen()) {
    out = buffer.left(inputLen());
    buffer.remove(0, inputLen());
  } else {
    out.swap(buffer);
  }
  return out;
}

}  // namespace orvan
