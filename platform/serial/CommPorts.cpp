#include "CommPorts.h"

#include "PortAccess.h"
#include "Vb.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSerialPortInfo>
#include <map>

namespace orvan {

QString CommPortLinkPath(const QString& folder, int number) {
  return folder + QStringLiteral("/ports/COM") + QString::number(number);
}

int DetectedDeviceNumber(const QString& systemLocation) {
  static const QRegularExpression re(QStringLiteral("^/dev/(ttyS|ttyUSB|ttyACM|ttyAMA)(\\d{1,2})$"));
  const auto m = re.match(systemLocation);
  if (!m.hasMatch()) return 0;
  const int k = m.captured(2).toInt();
  const QString kind = m.captured(1);
  const int base = kind == u"ttyS" ? 1 : kind == u"ttyUSB" ? 101 : kind == u"ttyACM" ? 201 : 301;
  return base + k;
}

int CommPortNumber(const QString& entry) {
  const double v = vb::Val(vb::Mid(entry, 4));
  return v >= 1 && v < 1e6 ? static_cast<int>(v) : 0;
}

namespace {
std::map<int, CommPortEntry> collect(const QString& folder) {
  std::map<int, CommPortEntry> out;
  for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
    const int n = DetectedDeviceNumber(info.systemLocation());
    if (n > 0) out[n] = {n, info.systemLocation(), false};
  }
  const QDir dir(folder + QStringLiteral("/ports"));
  static const QRegularExpression re(QStringLiteral("^COM([1-9]\\d{0,5})$"), QRegularExpression::CaseInsensitiveOption);
  const auto names = dir.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
  for (const QString& name : names) {
    const auto m = re.match(name);
    if (!m.hasMatch()) continue;
    const int n = m.captured(1).toInt();
    out[n] = {n, dir.filePath(name), true};
  }
  return out;
}
}  // namespace

QString ResolveCommPort(int number, const QString& folder) {
  const QString link = CommPortLinkPath(folder, number);
  const QFileInfo fi(link);
  if (fi.exists() || fi.isSymLink()) return link;
  for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
    if (DetectedDeviceNumber(info.systemLocation()) == number) return info.systemLocation();
  return link;
}

QList<CommPortEntry> ListCommPorts(const QString& folder) {
  QList<CommPortEntry> list;
  for (auto& [n, e] : collect(folder)) {
    e.denied = CheckPortAccess(e.path) == PortAccess::Denied;
    list.append(e);
  }
  return list;
}

}  // namespace orvan
