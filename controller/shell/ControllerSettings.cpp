#include "ControllerSettings.h"

#include "IniFile.h"
#include "StoredSite.h"
#include "Vb.h"

#include <cmath>
#include <QCoreApplication>

namespace orvan {

using vb::Format;
using vb::Mid;
using vb::Val;

namespace {
// The texts of this file for the translation (the Japanese is the source).
struct Texts {
  Q_DECLARE_TR_FUNCTIONS(ControllerSettings)
};


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

QString RelayEntry(const QString& text) { return text.left(32).leftJustified(32, u' '); }

void IniRead(const QString& path, SharedState& s, SetupFields& f) {
  // Latitude "+35:39:29": sign, then two digits each at fixed places.
  const QString lat = read(path, "Location", "LATITUDE");
  f.txtLocation[0] = Mid(lat, 2, 2);
  f.txtLocation[1] = Mid(lat, 5, 2);
  f.txtLocation[2] = Mid(lat, 8, 2);
  s.site.SiteLatitude = StoredLatitudeSeconds(lat);
  f.optNS = Mid(lat, 1, 1) == u"-" ? 1 : 0;
  s.site.SiteLatitudeRadians = s.site.SiteLatitude / (3600.0 * 180.0 / 3.14159265358979);

  // Longitude "E139:44:30": hemisphere, three degree digits, two each for minutes and seconds.
  const QString lon = read(path, "Location", "LONGITUDE");
  f.txtLocation[3] = Mid(lon, 2, 3);
  f.txtLocation[4] = Mid(lon, 6, 2);
  f.txtLocation[5] = Mid(lon, 9, 2);
  s.site.SiteLongitude = StoredLongitudeSeconds(lon);
  f.optEW = Mid(lon, 1, 1) == u"W" ? 1 : 0;

  // Quarter-hour zones (Nepal 5.75, Chatham 12.75) are kept whole: the shown text carries a
  // second decimal when there is one, and the seconds come from the stored value itself.
  const double zone = Val(read(path, "Location", "TIMEZONE"));
  f.txtLocation[7] = Format(zone, QStringLiteral("#0.0#"));
  s.site.TimeZoneSeconds = static_cast<int32_t>(vb::RoundEven(zone * 3600.0));
  f.txtLocation[6] = Format(Val(read(path, "Location", "Height")), QStringLiteral("#0"));

  const QString tel = read(path, "TELESCOPE", "Telescope");
  s.MountTypeNumber = whole(tel);
  f.mountIndex = s.MountTypeNumber;
  if (f.mountIndex < 0 || f.mountIndex >= f.mountList.size()) f.mountIndex = 0;

  // The stored number names exactly one port: 3 is COM3, never COM30 or the Raspberry Pi's
  // own COM301. A number that is not listed selects nothing (the mount then cannot connect).
  const int port = whole(read(path, "TELESCOPE", "CommPort"));
  f.portIndex = port > 0 ? int(f.portList.indexOf(QStringLiteral("COM") + QString::number(port))) : -1;

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

namespace {

// The set-up layout's keys as IniWrite forms them; an empty text is a key left alone.
struct SetupKey {
  const char* section;
  const char* key;
  QString text;
};

std::array<SetupKey, 7> SetupKeys(const SetupFields& f) {
  const auto field = [&](int i, const char* pattern) { return Format(Val(f.txtLocation[i]), QString::fromLatin1(pattern)); };
  // A port that is not plugged in today is not in the list: its number stays in the file.
  const bool portChosen = f.portIndex >= 0 && f.portIndex < f.portList.size();
  return {{
      {"Location", "LONGITUDE",
       (f.optEW == 0 ? QStringLiteral("E") : QStringLiteral("W")) + field(3, "000") + u':' + field(4, "00") + u':' + field(5, "00")},
      {"Location", "LATITUDE",
       (f.optNS == 0 ? QStringLiteral("+") : QStringLiteral("-")) + field(0, "00") + u':' + field(1, "00") + u':' + field(2, "00")},
      {"Location", "TIMEZONE", field(7, "#0.0#")},
      {"Location", "HEIGHT", field(6, "#0")},
      {"TELESCOPE", "Telescope", vb::Str(static_cast<long long>(f.mountIndex))},
      {"TELESCOPE", "CommPort", portChosen ? f.portList[f.portIndex].mid(3) : QString()},
      {"TELESCOPE", "Mount", f.optMount == 0 ? QStringLiteral("G") : QStringLiteral("F")},
  }};
}

}  // namespace

void IniWrite(const QString& path, const SetupFields& f, const SetupFields* shown) {
  const auto now = SetupKeys(f);
  std::array<SetupKey, 7> before{};
  if (shown) before = SetupKeys(*shown);
  for (size_t k = 0; k < now.size(); ++k) {
    if (now[k].text.isEmpty() || (shown && now[k].text == before[k].text)) continue;
    WriteIni(path, QString::fromLatin1(now[k].section), QString::fromLatin1(now[k].key), now[k].text);
  }
}

namespace {

// A field of digits only (blank counts as 0), as the fixed settings layout stores it.
bool wholeField(const QString& text, int max, int& value) {
  const QString t = text.trimmed();
  if (t.size() > 3) return false;
  for (QChar c : t)
    if (c < u'0' || c > u'9') return false;
  value = t.isEmpty() ? 0 : t.toInt();
  return value <= max;
}


QString entered(const QString& text) {
  return QStringLiteral("\r") + Texts::tr("入力された値: 「") + text +
         Texts::tr("」");
}

// Degrees, minutes and seconds of one site row; `maxDegrees` bounds the whole angle too.
QString checkAngle(const SetupFields& f, int first, const QString& name, int maxDegrees) {
  static const char* const parts[3] = {QT_TRANSLATE_NOOP("ControllerSettings", "度"), QT_TRANSLATE_NOOP("ControllerSettings", "分"), QT_TRANSLATE_NOOP("ControllerSettings", "秒")};
  int v[3] = {0, 0, 0};
  for (int k = 0; k < 3; ++k) {
    const int max = k == 0 ? maxDegrees : 59;
    if (!wholeField(f.txtLocation[first + k], max, v[k]))
      return name + Texts::tr("の") + Texts::tr(parts[k]) + Texts::tr("は 0 から ") +
             QString::number(max) + Texts::tr(" までの整数で入力してください。") + entered(f.txtLocation[first + k]);
  }
  if (v[0] * 3600 + v[1] * 60 + v[2] > maxDegrees * 3600)
    return name + Texts::tr("は ") + QString::number(maxDegrees) + Texts::tr(" 度以内で入力してください。");
  return {};
}

}  // namespace

QString CheckSiteFields(const SetupFields& f) {
  QString wrong = checkAngle(f, 0, Texts::tr("緯度"), 90);
  if (wrong.isEmpty()) wrong = checkAngle(f, 3, Texts::tr("経度"), 180);
  if (!wrong.isEmpty()) return wrong;
  double height = 0;
  if (!NumberField(f.txtLocation[6], height))
    return Texts::tr("標高(m)は数値で入力してください。") + entered(f.txtLocation[6]);
  double zone = 0;
  if (!NumberField(f.txtLocation[7], zone) || zone < -12 || zone > 14)
    return Texts::tr("時差(h)は -12 から 14 までの数値で入力してください。") + entered(f.txtLocation[7]);
  return {};
}

bool ReadAlpacaUse(const QString& path) {
  return ReadIni(path, QStringLiteral("ASCOM"), QStringLiteral("Alpaca")).trimmed() == u"1";
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
