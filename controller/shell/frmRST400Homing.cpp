#include "frmRST400Homing.h"

#include "Clock.h"
#include "IniFile.h"
#include "MountHost.h"
#include "State.h"
#include "Vb.h"
#include "frmRST400.h"

#include <QCloseEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

namespace orvan {

namespace {
constexpr int kGreen = 65280, kRed = 255, kYellow = 65535, kBlue = 16711680, kWhite = 16777215, kBlack = 0;
constexpr int kLightRed = 8421631;
QRect tw(int l, int t, int w, int h) { return QRect(l / 15, t / 15, w / 15, h / 15); }

bool digitsAt(const QString& r, int from, int count) {
  for (int i = from; i < from + count; ++i)
    if (r[i] < u'0' || r[i] > u'9') return false;
  return true;
}
// Minutes "mm" at 7 and seconds "ss.s" at 10 (0-based), each in range.
std::optional<double> minutesSecondsAt(const QString& r) {
  if (!digitsAt(r, 7, 2) || !digitsAt(r, 10, 2) || r[12] != u'.' || !digitsAt(r, 13, 1)) return std::nullopt;
  const int m = r.mid(7, 2).toInt(), s = r.mid(10, 2).toInt();
  if (m > 59 || s > 59) return std::nullopt;
  return m * 60.0 + s + r.mid(13, 1).toInt() / 10.0;
}
}  // namespace

QString BgrCss(int bgr) {
  return QStringLiteral("rgb(%1,%2,%3)").arg(bgr & 0xFF).arg((bgr >> 8) & 0xFF).arg((bgr >> 16) & 0xFF);
}

frmRST400Homing::frmRST400Homing(frmRST400& driver, MountHost& host, SharedState& state, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint), driver_(driver), host_(host), state_(state),
      position_(*this, driver.iniPath()) {
  setObjectName(QStringLiteral("frmRST400Homing"));
  setWindowTitle(QStringLiteral("RST-400 HOME"));
  setFixedSize(3480 / 15, 1770 / 15 + 120);
  const char* captions[] = {QT_TR_NOOP("日付・時刻"), QT_TR_NOOP("緯度・経度"), QT_TR_NOOP("地方恒星時"), QT_TR_NOOP("HOME位置")};
  for (int i = 0; i < 4; ++i) {
    Label1[i] = new QLabel(tr(captions[i]), this);
    Label1[i]->setGeometry(tw(120, 120 + i * 330, 1200, 300));
  }
  for (int i = 0; i < 3; ++i) {
    lblStatus[i] = new QLabel(this);
    lblStatus[i]->setObjectName(QStringLiteral("lblStatus%1").arg(i));
    lblStatus[i]->setAlignment(Qt::AlignCenter);
    lblStatus[i]->setGeometry(tw(1380, 120 + i * 330, 1000, 300));
  }
  lblHOME = new QLabel(this);
  lblHOME->setObjectName(QStringLiteral("lblHOME"));
  lblHOME->setAlignment(Qt::AlignCenter);
  lblHOME->setGeometry(tw(1380, 1110, 1000, 300));
  btnHOME = new QPushButton(QStringLiteral("Homing"), this);
  btnHOME->setObjectName(QStringLiteral("btnHOME"));
  btnHOME->setGeometry(tw(2460, 1080, 900, 360));
  List1 = new QListWidget(this);
  List1->setObjectName(QStringLiteral("List1"));
  List1->setGeometry(tw(120, 1500, 2280, 1500));
  Command1 = new QPushButton(QStringLiteral("List Clear"), this);
  Command1->setObjectName(QStringLiteral("Command1"));
  Command1->setGeometry(tw(2460, 1500, 900, 360));
  connect(btnHOME, &QPushButton::clicked, this, &frmRST400Homing::btnHOME_Click);
  connect(Command1, &QPushButton::clicked, List1, &QListWidget::clear);
  HOMEtimer.setInterval(500);
  connect(&HOMEtimer, &QTimer::timeout, this, &frmRST400Homing::HOMEtimer_Timer);
  driver_.setHomingView(this);
}

frmRST400Homing::~frmRST400Homing() { driver_.setHomingView(nullptr); }

// ---- the window ------------------------------------------------------------------------------

void frmRST400Homing::Load() {
  loaded_ = true;
  HOMEtimer.stop();
  position_.Restore();
  GetHomeStatus();
}

void frmRST400Homing::SetShown(bool shown) {
  if (!shown) {
    hide();
    return;
  }
  if (!loaded_) Load();
  show();
  raise();
}

void frmRST400Homing::Unload() {
  if (!loaded_) return;
  position_.Save();
  HOMEtimer.stop();
  loaded_ = false;
  unloading_ = true;
  close();
  unloading_ = false;
  for (QLabel* l : lblStatus) {
    l->clear();
    l->setStyleSheet(QString());
  }
}

void frmRST400Homing::closeEvent(QCloseEvent* e) {
  position_.Save();
  // The close box does not end the window: it belongs to the driver while the mount is bound.
  if (!unloading_) e->ignore();
  else e->accept();
}

void frmRST400Homing::MarkSent(int step) {
  if (step < 0 || step > 2) return;
  lblStatus[step]->setText(tr("送信済み"));
  lblStatus[step]->setStyleSheet(QStringLiteral("background: %1; color: %2;").arg(BgrCss(kGreen), BgrCss(kBlack)));
}

void frmRST400Homing::Note(const QString& text) {
  List1->addItem(vb::ClockText(Clock::current().secondsSinceMidnight()) + u' ' + text);
  List1->scrollToBottom();
}

void frmRST400Homing::ShowHome(int backBgr, int foreBgr, bool visible, const QString& caption) {
  lblHOME->setStyleSheet(QStringLiteral("background: %1; color: %2;").arg(BgrCss(backBgr), BgrCss(foreBgr)));
  lblHOME->setVisible(visible);
  if (!caption.isEmpty()) lblHOME->setText(caption);
  if (!caption.isEmpty() && caption != lastCaption_) Note(caption);
  if (!caption.isEmpty()) lastCaption_ = caption;
}

// ---- the home search -------------------------------------------------------------------------

void frmRST400Homing::btnHOME_Click() {
  // Without a connection nothing would reach the controller, yet the steps would show as sent
  // and the main loop would stay paused.
  if (!driver_.isConnected()) return;
  driver_.cmdStartUP();
  host_.SetMainLoop(false);
  HOMEtimer.setInterval(500);
  HOMEtimer.start();
  driver_.SendTelescope(QStringLiteral(":Ch#"));
  host_.SetPositionLabels(QString(), QString());
  host_.SetStateLamp(kBlack);
  driver_.SendTelescope(QStringLiteral(":CtL#"));
}

void frmRST400Homing::HOMEtimer_Timer() {
  BlinkOn = !BlinkOn;
  // A tick inside another transaction's time-out question waits for the next one.
  if (driver_.busy()) return;
  GetHomeStatus();
}

void frmRST400Homing::GetHomeStatus() {
  const QString reply = driver_.SendTelescope(QStringLiteral(":GH#"));
  const qsizetype colon = reply.indexOf(u':');
  const QString state = colon < 0 ? QString() : reply.mid(colon);
  if (state == u":GHO#") {
    if (HOMEtimer.isActive()) {
      HOMEtimer.stop();
      HOMEoffset();
    }
    lblHOME->setVisible(true);
    host_.SetMainLoop(true);
    ShowHome(kGreen, kBlack, true, tr("検出済み"));
    HOMEtimer.stop();
    host_.SetStateLamp(kLightRed);
  } else if (state == u":GH0#") {
    if (!HOMEtimer.isActive())
      ShowHome(kBlack, kRed, true, tr("未検出"));
    else
      ShowHome(kRed, kWhite, BlinkOn, tr("検出中"));
  } else if (state == u":GH<#") {
    ShowHome(kYellow, kBlack, BlinkOn, tr("検出中"));
  } else if (state == u":GH?#") {
    ShowHome(kBlue, kWhite, BlinkOn, tr("検出中"));
  } else {
    // Nothing readable: the label goes dark and keeps its caption.
    lblHOME->setStyleSheet(QStringLiteral("background: %1; color: %1;").arg(BgrCss(kBlack)));
  }
}

std::optional<double> frmRST400Homing::ParseAltitude(const QString& r) {
  if (r.size() != 15 || r[14] != u'#' || (r[3] != u'+' && r[3] != u'-') || !digitsAt(r, 4, 2)) return std::nullopt;
  const std::optional<double> ms = minutesSecondsAt(r);
  if (!ms) return std::nullopt;
  const double a = r.mid(4, 2).toInt() * 3600.0 + *ms;
  if (a > 90 * 3600.0) return std::nullopt;
  return r[3] == u'-' ? -a : a;
}

std::optional<double> frmRST400Homing::ParseAzimuth(const QString& r) {
  // Three degree digits fill the sign's place: the minutes and seconds stand where the
  // altitude's do.
  if (r.size() != 15 || r[14] != u'#' || !digitsAt(r, 3, 3)) return std::nullopt;
  const std::optional<double> ms = minutesSecondsAt(r);
  if (!ms) return std::nullopt;
  const double z = r.mid(3, 3).toInt() * 3600.0 + *ms;
  if (z >= 360 * 3600.0) return std::nullopt;
  return z;
}

void frmRST400Homing::HOMEoffset() {
  const std::optional<double> A = ParseAltitude(driver_.SendTelescope(QStringLiteral(":GA#")));
  const std::optional<double> Z = ParseAzimuth(driver_.SendTelescope(QStringLiteral(":GZ#")));
  // A position the controller could not give is no home: the offset found earlier stays.
  if (!A || !Z) {
    Note(tr("HOME位置を読めません"));
    return;
  }
  if (*A == 0 && *Z == 972000) return;
  driver_.cmdStatus();
  MountState& m = state_.mount;
  m.AxisOfs[0] = m.AxisPos[0] - 324000;
  m.AxisOfs[1] = m.AxisPos[1];
  WriteIni(driver_.iniPath(), QStringLiteral("HUBO"), QStringLiteral("EncOfs1"), vb::Str(static_cast<long long>(m.AxisOfs[0])));
  WriteIni(driver_.iniPath(), QStringLiteral("HUBO"), QStringLiteral("EncOfs2"), vb::Str(static_cast<long long>(m.AxisOfs[1])));
}

}  // namespace orvan
