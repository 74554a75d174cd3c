#include "ControllerSettings.h"

#include "IniFile.h"
#include "Vb.h"

#include <cmath>

namespace orvan {

using vb::Format;
using vb::Mid;
using vb::Val;

namespace {

// A number stored "as a whole number": rounded the way an Integer assignment rounds.
int32_t whole(const QString& text) {
  const double v = vb::RoundEven(Val(text));
  if (v > 2147483647.0) return 2147483647;
  if (v < -2147483648.0) return -2147483647 - 1;
  return static_cast<int32_t>(v);
}

QString read(const QString& path, const char* section, const char* key) {
  return ReadIni(path, QString::fromLatin1(section), QString::fromLatin1(key));
}

}  // namespace

QStringList MountListEntries(bool withAscom) {
  QStringList l{QStringLiteral("E-Vexil"),        QStringLiteral("Temma2M"),
                QStringLiteral("TemmaPC/PC Jr."), QStringLiteral("Temma2/2 Jr."),
                QStringLiteral("Meade LX200"),    QStringLiteral("Meade LX200GPS"),
                QStringLiteral("RST-400(HUBO-i)")};
  if (withAscom) l << QStringLiteral("ASCOM");
  return l;
}

QString RelayEntry(const QString& text) { return text.left(32).leftJustified(32, u' '); }

void IniRead(const QString& path, SharedState& s, SetupFields& f) {
  // Latitude "+35:39:29": sign, then two digits each at fixed places.
  const QString lat = read(path, "Location", "LATITUDE");
  f.txtLocation[0] = Mid(lat, 2, 2);
  f.txtLocation[1] = Mid(lat, 5, 2);
  f.txtLocation[2] = Mid(lat, 8, 2);
  s.site.SiteLatitude = whole(f.txtLocation[0]) * 3600 + whole(f.txtLocation[1]) * 60 + whole(f.txtLocation[2]);
  f.optNS = 0;
  if (Mid(lat, 1, 1) == u"-") {
    s.site.SiteLatitude = -s.site.SiteLatitude;
    f.optNS = 1;
  }
  s.site.SiteLatitudeRadians = s.site.SiteLatitude / (3600.0 * 180.0 / 3.14159265358979);

  // Longitude "E139:44:30": hemisphere, three degree digits, two each for minutes and seconds.
  const QString lon = read(path, "Location", "LONGITUDE");
  f.txtLocation[3] = Mid(lon, 2, 3);
  f.txtLocation[4] = Mid(lon, 6, 2);
  f.txtLocation[5] = Mid(lon, 9, 2);
  s.site.SiteLongitude = whole(f.txtLocation[3]) * 3600 + whole(f.txtLocation[4]) * 60 + whole(f.txtLocation[5]);
  f.optEW = 0;
  if (Mid(lon, 1, 1) == u"W") {
    s.site.SiteLongitude = -s.site.SiteLongitude;
    f.optEW = 1;
  }

  // The time-zone seconds come from the shown text, so 5.75 is used as 5.8 hours.
  f.txtLocation[7] = Format(Val(read(path, "Location", "TIMEZONE")), QStringLiteral("#0.0"));
  s.site.TimeZoneSeconds = static_cast<int32_t>(vb::RoundEven(Val(f.txtLocation[7]) * 3600.0));
  f.txtLocation[6] = Format(Val(read(path, "Location", "Height")), QStringLiteral("#0"));

  const QString tel = read(path, "TELESCOPE", "Telescope");
  s.MountTypeNumber = whole(tel);
  f.mountIndex = s.MountTypeNumber;
  if (f.mountIndex < 0 || f.mountIndex >= f.mountList.size()) f.mountIndex = 0;

  // Every port whose text holds "COM" + the stored digits is taken: the last one wins, so 1
  // picks COM10 over COM1 when both are listed.
  const QString port = read(path, "TELESCOPE", "CommPort");
  f.portIndex = -1;
  if (!port.isEmpty())
    for (int i = 0; i < f.portList.size(); ++i)
      if (f.portList[i].contains(QStringLiteral("COM") + port)) f.portIndex = i;

  f.vcommName = QStringLiteral("COM") + Format(Val(read(path, "TELESCOPE", "VCommPort")), QStringLiteral("0"));

  s.site.MountType = read(path, "TELESCOPE", "Mount");
  f.optMount = s.site.MountType == u"G" ? 0 : (s.site.MountType == u"F" ? 1 : -1);

  s.ParkAZ[0] = whole(read(path, "PARK", "AZ"));
  s.ParkAlt[0] = whole(read(path, "PARK", "Alt"));

  s.planetarium.SkyMapEpoch = read(path, "SkyMap", "EPOCH") == u"2000" ? 2 : 1;

  DomeSettings& d = s.domeSettings;
  d.Controller = whole(read(path, "DOME", "Controller"));
  d.CommPort = whole(read(path, "DOME", "CommPort"));
  s.mount.AxisRev[2] = whole(read(path, "DOME", "ENC3_PULSES"));
  d.DOME_RADIUS = static_cast<float>(Val(read(path, "DOME", "DOME_RADIUS")));
  d.DOME_REVOLVE = static_cast<float>(Val(read(path, "DOME", "DOME_REVOLVE")));
  d.HomePosition = whole(read(path, "DOME", "HomePosition"));
  d.SLIT_TIMER = whole(read(path, "DOME", "SLIT_TIMER"));
  d.CENTER_OF_G_EW = static_cast<float>(Val(read(path, "DOME", "CENTER_OF_G_EW")));
  d.CENTER_OF_G_SN = static_cast<float>(Val(read(path, "DOME", "CENTER_OF_G_SN")));
  d.CENTER_OF_G_UD = static_cast<float>(Val(read(path, "DOME", "CENTER_OF_G_UD")));
  d.CENTER_OF_G_COLLMATION = static_cast<float>(Val(read(path, "DOME", "CENTER_OF_G_COLLMATION")));
  d.UpDown = Val(read(path, "DOME", "UpDown")) == 1;
  d.Dome_LimitSWC = Val(read(path, "DOME", "Dome_LimitSWC")) == 1;

  for (int n = 0; n <= 26; ++n)
    s.dome.RelayTable[n] = RelayEntry(ReadIni(path, QStringLiteral("RELAY"), QStringLiteral("$") + Format(n, QStringLiteral("000"))));
}

void IniWrite(const QString& path, const SetupFields& f) {
  const auto field = [&](int i, const char* pattern) { return Format(Val(f.txtLocation[i]), QString::fromLatin1(pattern)); };
  const QString loc = QStringLiteral("Location");
  WriteIni(path, loc, QStringLiteral("LONGITUDE"),
           (f.optEW == 0 ? QStringLiteral("E") : QStringLiteral("W")) + field(3, "000") + u':' + field(4, "00") + u':' + field(5, "00"));
  WriteIni(path, loc, QStringLiteral("LATITUDE"),
           (f.optNS == 0 ? QStringLiteral("+") : QStringLiteral("-")) + field(0, "00") + u':' + field(1, "00") + u':' + field(2, "00"));
  WriteIni(path, loc, QStringLiteral("TIMEZONE"), field(7, "#0.0"));
  WriteIni(path, loc, QStringLiteral("HEIGHT"), field(6, "#0"));
  const QString tel = QStringLiteral("TELESCOPE");
  WriteIni(path, tel, QStringLiteral("Telescope"), vb::Str(static_cast<long long>(f.mountIndex)));
  const QString port = f.portIndex >= 0 && f.portIndex < f.portList.size() ? f.portList[f.portIndex] : QString();
  WriteIni(path, tel, QStringLiteral("CommPort"), port.mid(3));
  WriteIni(path, tel, QStringLiteral("Mount"), f.optMount == 0 ? QStringLiteral("G") : QStringLiteral("F"));
}

bool ReadAscomUse(const QString& path) {
  if (ReadIni(path, QStringLiteral("ASCOM"), QStringLiteral("Use")).isEmpty())
    WriteIni(path, QStringLiteral("ASCOM"), QStringLiteral("Use"), QStringLiteral("False"));
  const QString v = ReadIni(path, QStringLiteral("ASCOM"), QStringLiteral("Use"));
  if (v.compare(u"True", Qt::CaseInsensitive) == 0) return true;
  if (v.compare(u"False", Qt::CaseInsensitive) == 0) return false;
  return Val(v) != 0;
}

bool DomeFollowsAtStart(const QString& path) {
  return Val(ReadIni(path, QStringLiteral("DOME"), QStringLiteral("Dome_Auto"))) == 0;
}

}  // namespace orvan
