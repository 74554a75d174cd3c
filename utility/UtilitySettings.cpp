#include "UtilitySettings.h"

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
  Q_DECLARE_TR_FUNCTIONS(UtilitySettings)
};
}  // namespace

const std::array<const char*, 9> kDomeParameterKeys = {
    "ENC3_PULSES",    "DOME_RADIUS",    "DOME_REVOLVE",   "HomePosition",          "SLIT_TIMER",
    "CENTER_OF_G_EW", "CENTER_OF_G_SN", "CENTER_OF_G_UD", "CENTER_OF_G_COLLMATION"};

namespace {

QString read(const QString& path, const char* section, const char* key) {
  return ReadIni(path, QString::fromLatin1(section), QString::fromLatin1(key));
}

// The stored number names exactly one port: 1 is COM1, never COM10 (as in the controller).
int portIndex(const QStringList& ports, const QString& stored) {
  const double n = Val(stored);
  if (n <= 0 || n != std::floor(n)) return -1;
  return int(ports.indexOf(QStringLiteral("COM") + QString::number(static_cast<long long>(n))));
}

QString number(const QString& text) { return QString::number(Val(text), 'g', 10); }
QString padded(const QString& text) { return vb::Str(Val(text)); }
QString padded(bool on) { return vb::Str(static_cast<long long>(on ? 1 : 0)); }

}  // namespace

void UtilityRead(const QString& path, UtilityFields& f) {
  const QString lat = read(path, "Location", "LATITUDE");
  f.txtLocation[0] = Mid(lat, 2, 2);
  f.txtLocation[1] = Mid(lat, 5, 2);
  f.txtLocation[2] = Mid(lat, 8, 2);
  f.optNS = Mid(lat, 1, 1) == u"-" ? 1 : 0;
  const QString lon = read(path, "Location", "LONGITUDE");
  f.txtLocation[3] = Mid(lon, 2, 3);
  f.txtLocation[4] = Mid(lon, 6, 2);
  f.txtLocation[5] = Mid(lon, 9, 2);
  f.optEW = Mid(lon, 1, 1) == u"W" ? 1 : 0;
  f.txtLocation[6] = Format(Val(read(path, "Location", "HEIGHT")), QStringLiteral("#0"));
  // Quarter-hour zones keep their second decimal, as in the controller.
  f.txtLocation[7] = Format(Val(read(path, "Location", "TIMEZONE")), QStringLiteral("#0.0#"));

  const int tel = static_cast<int>(vb::RoundEven(Val(read(path, "TELESCOPE", "Telescope"))));
  f.cmbTelescope = tel >= 0 && tel < 8 ? tel : 0;
  f.cmbComm = portIndex(f.portList, read(path, "TELESCOPE", "CommPort"));
  const QString mount = read(path, "TELESCOPE", "Mount");
  f.optMount = mount == u"G" ? 0 : (mount == u"F" ? 1 : -1);
  const int v = static_cast<int>(Val(read(path, "TELESCOPE", "VCommPort")));
  f.cmbVCommPort = v >= 1 && v <= kVirtualPorts ? v - 1 : -1;
  const QString epoch = read(path, "SkyMap", "EPOCH");
  f.optEPOCH = epoch == u"2000" ? 0 : 1;
  f.txtParkAzAlt[0] = Format(Val(read(path, "PARK", "AZ")), QStringLiteral("##0"));
  f.txtParkAzAlt[1] = Format(Val(read(path, "PARK", "Alt")), QStringLiteral("##0"));
  f.chkBackLash = Val(read(path, "TELESCOPE", "BackLash")) == 1;
  f.txtOverRun = read(path, "TELESCOPE", "OverRun").trimmed();
  f.txtDelayTime = read(path, "TELESCOPE", "DelayTime").trimmed();
  f.txtLoopTimer = Format(Val(read(path, "PUBLIC", "LoopTimer")), QStringLiteral("##0"));
  const QString volt = read(path, "Temma", "Volt").trimmed();
  f.optVolt = volt == u"12" ? 0 : (volt == u"24" ? 1 : -1);

  if (read(path, "ASCOM", "Use").isEmpty()) WriteIni(path, QStringLiteral("ASCOM"), QStringLiteral("Use"), QStringLiteral("False"));
  const QString use = read(path, "ASCOM", "Use");
  f.chkASCOM = use.compare(u"True", Qt::CaseInsensitive) == 0 ||
               (use.compare(u"False", Qt::CaseInsensitive) != 0 && Val(use) != 0);

  f.chkAlpaca = read(path, "ASCOM", "Alpaca").trimmed() == u"1";

  const QString controller = read(path, "DOME", "Controller");
  const double c = Val(controller);
  f.optController = (c == 0 || c == 1 || c == 2) ? static_cast<int>(c) : -1;
  f.cmbQuarnport = portIndex(f.portList, read(path, "DOME", "CommPort"));
  for (size_t k = 0; k < kDomeParameterKeys.size(); ++k)
    f.txtDomeParameter[k] = number(ReadIni(path, QStringLiteral("DOME"), QString::fromLatin1(kDomeParameterKeys[k])));
  f.chkUpDown = Val(read(path, "DOME", "UpDown")) == 1;
  f.chkZswc = Val(read(path, "DOME", "Dome_LimitSWC")) == 1;
  f.chkDomeAuto = Val(read(path, "DOME", "Dome_Auto")) == 0;
  const double domeLoop = Val(read(path, "DOME", "LoopTimer"));
  f.txtDomeLoopTimer = Format(domeLoop == 0 ? 200 : domeLoop, QStringLiteral("##0"));

  for (int n = 0; n <= 26; ++n)
    f.relay[n] = ReadIni(path, QStringLiteral("RELAY"), QStringLiteral("$") + Format(n, QStringLiteral("000")));
  for (int k = 0; k < 3; ++k)
    f.chkLocalData[k] = Val(ReadIni(path, QStringLiteral("HUBO"), QStringLiteral("LocalData%1").arg(k))) == 1;
  for (int k = 0; k < 2; ++k)
    f.chkSensor[k] = Val(ReadIni(path, QStringLiteral("Option"), QStringLiteral("Sensor%1").arg(k))) == 1;
  f.chkRainClose = Val(read(path, "Option", "RainClose")) == 1;
  f.txtExec = read(path, "Option", "Exec");
}

QList<IniEntry> UtilityEntries(const UtilityFields& f) {
  QList<IniEntry> e;
  const auto add = [&e](const char* section, const char* key, const QString& value) {
    e.append(IniEntry{QString::fromLatin1(section), QString::fromLatin1(key), value});
  };
  const auto field = [&f](int i, const char* pattern) { return Format(Val(f.txtLocation[i]), QString::fromLatin1(pattern)); };
  const auto port = [&f](int index) { return index >= 0 && index < f.portList.size() ? f.portList[index].mid(3) : QString(); };

  add("Location", "LONGITUDE", (f.optEW == 0 ? QStringLiteral("E") : QStringLiteral("W")) + field(3, "000") + u':' + field(4, "00") + u':' + field(5, "00"));
  add("Location", "LATITUDE", (f.optNS == 0 ? QStringLiteral("+") : QStringLiteral("-")) + field(0, "00") + u':' + field(1, "00") + u':' + field(2, "00"));
  add("Location", "TIMEZONE", field(7, "#0.0#"));
  add("Location", "HEIGHT", field(6, "#0"));
  add("TELESCOPE", "Telescope", vb::Str(static_cast<long long>(f.cmbTelescope)));
  // One key for the set-up tab's port and the E-Vexil tab's port: the window keeps them equal.
  if (!port(f.cmbComm).isEmpty()) add("TELESCOPE", "CommPort", port(f.cmbComm));
  if (f.optMount >= 0) add("TELESCOPE", "Mount", f.optMount == 0 ? QStringLiteral("G") : QStringLiteral("F"));
  if (f.cmbVCommPort >= 0) add("TELESCOPE", "VCommPort", vb::Str(static_cast<long long>(f.cmbVCommPort + 1)));
  add("SkyMap", "EPOCH", f.optEPOCH == 0 ? QStringLiteral("2000") : QStringLiteral("EOD"));
  add("PARK", "AZ", padded(f.txtParkAzAlt[0]));
  add("PARK", "Alt", padded(f.txtParkAzAlt[1]));
  add("TELESCOPE", "BackLash", padded(f.chkBackLash));
  add("TELESCOPE", "OverRun", padded(f.txtOverRun));
  add("TELESCOPE", "DelayTime", padded(f.txtDelayTime));
  add("PUBLIC", "LoopTimer", padded(f.txtLoopTimer));
  if (f.optVolt >= 0) add("Temma", "Volt", f.optVolt == 0 ? QStringLiteral("12") : QStringLiteral("24"));
  add("ASCOM", "Use", f.chkASCOM ? QStringLiteral("True") : QStringLiteral("False"));
  add("ASCOM", "Alpaca", f.chkAlpaca ? QStringLiteral("1") : QStringLiteral("0"));
  if (f.optController == 0 || f.optController == 1) {
    add("DOME", "Controller", QString::number(f.optController));
    if (!port(f.cmbQuarnport).isEmpty()) add("DOME", "CommPort", port(f.cmbQuarnport));
  } else if (f.optController == 2) {
    add("DOME", "Controller", QStringLiteral("2"));
    add("DOME", "CommPort", QStringLiteral("0"));
  }
  for (size_t k = 0; k < kDomeParameterKeys.size(); ++k)
    e.append(IniEntry{QStringLiteral("DOME"), QString::fromLatin1(kDomeParameterKeys[k]), padded(f.txtDomeParameter[k])});
  add("DOME", "UpDown", padded(f.chkUpDown));
  add("DOME", "Dome_LimitSWC", padded(f.chkZswc));
  add("DOME", "Dome_Auto", f.chkDomeAuto ? QStringLiteral("0") : QStringLiteral("1"));
  add("DOME", "LoopTimer", padded(f.txtDomeLoopTimer));
  for (int k = 0; k < 3; ++k)
    e.append(IniEntry{QStringLiteral("HUBO"), QStringLiteral("LocalData%1").arg(k), padded(f.chkLocalData[k])});
  for (int k = 0; k < 2; ++k)
    e.append(IniEntry{QStringLiteral("Option"), QStringLiteral("Sensor%1").arg(k), padded(f.chkSensor[k])});
  add("Option", "RainClose", padded(f.chkRainClose));
  add("Option", "Exec", f.txtExec);
  return e;
}

QList<IniEntry> ChangedEntries(const QList<IniEntry>& loaded, const QList<IniEntry>& now) {
  QList<IniEntry> changed;
  for (const IniEntry& n : now) {
    bool same = false;
    for (const IniEntry& l : loaded)
      if (l.section.compare(n.section, Qt::CaseInsensitive) == 0 && l.key.compare(n.key, Qt::CaseInsensitive) == 0) {
        same = l.value == n.value;
        break;
      }
    if (!same) changed.append(n);
  }
  return changed;
}

namespace {


bool wholeText(const QString& text, double& value) { return NumberField(text, value) && value == std::floor(value); }

QString entered(const QString& text) { return Texts::tr("（入力: 「") + text + Texts::tr("」）"); }

}  // namespace

QList<FieldError> CheckUtilityFields(const UtilityFields& f) {
  QList<FieldError> errors;
  const auto fail = [&errors](const QString& field, const QString& message) { errors.append(FieldError{field, message}); };

  // Site: digits only in each place of the fixed layout, within the angle's range.
  static const char* const parts[3] = {QT_TRANSLATE_NOOP("UtilitySettings", "度"), QT_TRANSLATE_NOOP("UtilitySettings", "分"), QT_TRANSLATE_NOOP("UtilitySettings", "秒")};
  for (int row = 0; row < 2; ++row) {
    const int maxDegrees = row == 0 ? 90 : 180;
    const QString name = row == 0 ? Texts::tr("緯度") : Texts::tr("経度");
    double total = 0;
    bool rowOk = true;
    for (int k = 0; k < 3; ++k) {
      const int i = row * 3 + k;
      const QString t = f.txtLocation[i].trimmed();
      const int max = k == 0 ? maxDegrees : 59;
      bool ok = t.size() <= 3;
      for (QChar c : t) ok = ok && c >= u'0' && c <= u'9';
      const int v = ok && !t.isEmpty() ? t.toInt() : 0;
      if (!ok || v > max) {
        fail(QStringLiteral("txtLocation%1").arg(i), name + Texts::tr("の") + Texts::tr(parts[k]) +
                                                          Texts::tr("は 0 から %1 までの整数です").arg(max) + entered(f.txtLocation[i]));
        rowOk = false;
        continue;
      }
      total += v * (k == 0 ? 3600 : k == 1 ? 60 : 1);
    }
    if (rowOk && total > maxDegrees * 3600.0)
      fail(QStringLiteral("txtLocation%1").arg(row * 3), name + Texts::tr("は %1 度以内です").arg(maxDegrees));
  }
  double v = 0;
  if (!NumberField(f.txtLocation[6], v)) fail(QStringLiteral("txtLocation6"), Texts::tr("標高は数値です") + entered(f.txtLocation[6]));
  if (!NumberField(f.txtLocation[7], v) || v < -12 || v > 14)
    fail(QStringLiteral("txtLocation7"), Texts::tr("時差は -12 から 14 までの数値です") + entered(f.txtLocation[7]));

  for (int k = 0; k < 2; ++k)
    if (!NumberField(f.txtParkAzAlt[k], v) || v > 360)
      fail(QStringLiteral("txtParkAzAlt%1").arg(k), Texts::tr("度の数値です（負の値 = パーク位置なし）") + entered(f.txtParkAzAlt[k]));
  if (!NumberField(f.txtOverRun, v) || v < 0) fail(QStringLiteral("txtOverRun"), Texts::tr("0 以上の数値です") + entered(f.txtOverRun));
  if (!NumberField(f.txtDelayTime, v) || v < 0) fail(QStringLiteral("txtDelayTime"), Texts::tr("0 以上の秒数です") + entered(f.txtDelayTime));
  if (!wholeText(f.txtLoopTimer, v) || v < 0 || v > 60000)
    fail(QStringLiteral("txtLoopTimer"), Texts::tr("0 から 60000 までの整数(ms)です") + entered(f.txtLoopTimer));

  // The dome's geometry matters only when there is a dome controller.
  const bool dome = f.optController == 0 || f.optController == 1;
  const auto param = [&](int k, const QString& rule, bool whole, auto ok) {
    double x = 0;
    if (!(whole ? wholeText(f.txtDomeParameter[k], x) : NumberField(f.txtDomeParameter[k], x)) || !ok(x))
      fail(QStringLiteral("txtDomeParameter%1").arg(k), rule + entered(f.txtDomeParameter[k]));
  };
  param(0, Texts::tr("0 以外の整数です（1 周のパルス数）"), true, [&](double x) { return !dome || x != 0; });
  param(1, Texts::tr("0 より大きい数値です"), false, [&](double x) { return !dome || x > 0; });
  param(2, Texts::tr("0 以上の数値(度)です"), false, [](double x) { return x >= 0; });
  param(3, Texts::tr("整数(度)です（負の値 = パーク位置なし）"), true, [](double x) { return x < 360; });
  param(4, Texts::tr("0 以上の整数(秒)です"), true, [](double x) { return x >= 0; });
  for (int k = 5; k <= 8; ++k) param(k, Texts::tr("数値です"), false, [](double) { return true; });
  if (!wholeText(f.txtDomeLoopTimer, v) || v < 0 || v > 60000)
    fail(QStringLiteral("txtDomeLoopTimer"), Texts::tr("0 から 60000 までの整数(ms)です") + entered(f.txtDomeLoopTimer));
  // One device per port: the planetarium's port and the dome controller's are not the mount's.
  const auto number = [&f](int index) { return index >= 0 && index < f.portList.size() ? f.portList[index].mid(3).toInt() : 0; };
  const int mountPort = number(f.cmbComm);
  if (mountPort > 0 && f.cmbVCommPort + 1 == mountPort)
    fail(QStringLiteral("cmbVCommPort"), Texts::tr("赤道儀のCOMポートと同じ番号です"));
  if (mountPort > 0 && f.optController == 1 && number(f.cmbQuarnport) == mountPort)
    fail(QStringLiteral("cmbQuarnport"), Texts::tr("赤道儀のCOMポートと同じ番号です"));
  return errors;
}

}  // namespace orvan
