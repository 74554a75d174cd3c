// The main window driven as the observer drives it: the hand controller, the display modes,
// the state lamp, the layouts, mount selection, park and the mission dispatcher. What reaches
// the mount is read from a recording driver.
#include "../../../platform/tests/WidgetsInside.h"
#include "Clock.h"
#include "ControllerSettings.h"
#include "MountCatalog.h"
#include "DomeLoop.h"
#include "IniFile.h"
#include "MainWindowFixture.h"
#include "SettingsTexts.h"
#include "PortClient.h"
#include "Vb.h"
#include "Shared.h"

#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <cmath>

using namespace orvan;
using namespace orvan::test;

namespace {

// Seconds of a "12h34m56.8s" / "04h00m48s" text.
double hmsSeconds(const QString& t) {
  const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("^(\\d\\d)h(\\d\\d)m(\\d\\d(?:\\.\\d)?)s$")).match(t);
  if (!m.hasMatch()) return -1;
  return m.captured(1).toInt() * 3600 + m.captured(2).toInt() * 60 + m.captured(3).toDouble();
}

void makePort(const QTemporaryDir& dir, int n) {
  QDir(dir.path()).mkpath(QStringLiteral("ports"));
  QFile::link(QStringLiteral("/dev/null"), dir.filePath(QStringLiteral("ports/COM%1").arg(n)));
}

const QColor kYellow(255, 255, 0), kNormal(64, 64, 0);

}  // namespace

TEST_F(MainWindowTest, HandControllerSendsSpeedCodesAndStops) {
  makePort(dir, 12);
  settings(kSite + "[PUBLIC]\nFormSizeChange= 2\n" + kBoard + kNoPark);
  start();
  auto* list = find<QComboBox>("cmbComm");
  EXPECT_EQ(list->currentText(), "COM12");
  EXPECT_EQ(w->windowLayout(), 2);
  EXPECT_TRUE(obs().domeInUse());
  EXPECT_TRUE(mount().calls.isEmpty() || mount().calls == QStringList{"cmdConnect 0"});

  // The dome controller was taken out in the settings meanwhile: the dome is given up before
  // the mount connects, and the hand layout has no dome panel.
  WriteIni(ini(), "DOME", "Controller", "2");
  mount().calls.clear();
  click(find("btnDetail"));
  EXPECT_EQ(w->windowLayout(), 1);
  EXPECT_EQ(mount().calls, QStringList{"cmdConnect 1"});
  EXPECT_EQ(mount().domeInUseAtConnect, QList<bool>{false});
  EXPECT_TRUE(find("DomePanel")->isHidden());
  EXPECT_EQ(find<QPushButton>("btnDetail")->text(), ">>");
  EXPECT_EQ(find<QLabel>("lblTelescopeName")->text(), "Meade LX200GPS   (COM12)");
  EXPECT_FALSE(find("btnP")->isEnabled());  // no park position
  mount().calls.clear();

  struct Case {
    int speed;
    const char* button;
    QStringList sent;
  };
  const Case cases[] = {{0, "btnNSWE_2", {"cmdMove E 3", "cmdMove E 9"}},
                        {1, "btnNSWE_0", {"cmdMove N 2", "cmdMove N 9"}},
                        {2, "btnNSWE_3", {"cmdMove W 1", "cmdMove W 9"}},
                        {0, "btnNSWE_1", {"cmdMove S 3", "cmdMove S 9"}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.button);
    QWidget* speed = find(qPrintable(QStringLiteral("optSpeed_%1").arg(c.speed)));
    click(speed);
    EXPECT_EQ(shownColour(speed), kYellow);
    for (int other = 0; other < 3; ++other)
      if (other != c.speed) EXPECT_EQ(shownColour(find(qPrintable(QStringLiteral("optSpeed_%1").arg(other)))), kNormal);
    QWidget* b = find(c.button);
    press(b);
    EXPECT_EQ(mount().calls, c.sent.mid(0, 1));
    EXPECT_EQ(shownColour(b), kYellow);
    release(b);
    EXPECT_EQ(mount().calls, c.sent);
    EXPECT_EQ(shownColour(b), kNormal);
    mount().calls.clear();
  }
  // The stop button stops at the press; its release sends nothing.
  press(find("btnNSWE_4"));
  EXPECT_EQ(mount().calls, QStringList{"cmdStop"});
  release(find("btnNSWE_4"));
  EXPECT_EQ(mount().calls, QStringList{"cmdStop"});

  // Back to the set-up layout: the mount is stopped and let go.
  mount().calls.clear();
  click(find("btnDetail"));
  EXPECT_EQ(w->windowLayout(), 2);
  EXPECT_EQ(mount().calls, (QStringList{"cmdStop", "cmdConnect 0"}));
  EXPECT_FALSE(find("btnNSWE_2")->isEnabled() && find("btnNSWE_2")->parentWidget()->isEnabled());
}

TEST_F(MainWindowTest, PositionInEveryDisplayModeAndTheStateLamp) {
  ManualClock clock(QDate(2000, 1, 1), 21 * 3600);  // 12:00 UT
  ScopedClock scoped(clock);
  settings(kNoDome + kNoPark);
  start();
  FakeMountDriver& m = mount();
  auto* up = find<QLabel>("lblRaDec_0");
  auto* down = find<QLabel>("lblRaDec_1");
  auto* frame = find<QGroupBox>("Frame1");

  // ALT/AZ: the mount counts the azimuth from the south, the display from the north.
  click(find("chkDisp_2"));
  EXPECT_EQ(frame->title(), "ALT/AZ");
  m.alt = "45.5";
  const std::pair<const char*, const char*> azimuths[] = {
      {"90", "AZ  270.00°"}, {"200", "AZ  20.00°"}, {"180", "AZ  0.00°"}, {"0", "AZ  180.00°"}, {"179.99", "AZ  359.99°"}};
  for (const auto& [fromSouth, shown] : azimuths) {
    m.az = fromSouth;
    obs().LoopTimer_Timer();
    EXPECT_EQ(down->text(), QString::fromUtf8(shown)) << fromSouth;
  }
  EXPECT_EQ(up->text(), QString::fromUtf8("ALT  45.50°"));

  // Apparent place as the mount reports it.
  click(find("chkDisp_1"));
  EXPECT_EQ(frame->title(), QString::fromUtf8("RA/DEC (視位置)"));
  m.ra = "45296.75";
  m.dec = "-1";
  obs().LoopTimer_Timer();
  EXPECT_EQ(up->text(), "12h34m56.8s");
  EXPECT_EQ(down->text(), QString::fromUtf8("-00゜00' 01\""));
  // J2000: at the epoch itself the two places agree; on the equator near 12h the equinox of
  // date moves 3.075 s of time a year, so 26 years later the J2000 place is 80 s back.
  click(find("chkDisp_0"));
  obs().LoopTimer_Timer();
  EXPECT_NEAR(hmsSeconds(up->text()), 45296.75, 1.0) << up->text().toStdString();
  clock.set(QDate(2026, 1, 1), 21 * 3600);
  obs().LoopTimer_Timer();
  EXPECT_NEAR(45296.75 - hmsSeconds(up->text()), 80.0, 3.0) << up->text().toStdString();
  clock.set(QDate(2000, 1, 1), 21 * 3600);

  // Clock and sidereal time even when the mount answers nothing. GMST at 12:00 UT on
  // 2000-01-01 is 18h41m50.5s; 139°44'20" east adds 9h18m57.3s.
  m.ra = m.dec = m.az = m.alt = QString();
  click(find("chkDisp_3"));
  EXPECT_EQ(frame->title(), "JST/LST");
  obs().LoopTimer_Timer();
  EXPECT_EQ(up->text(), "21:00:00");
  EXPECT_NEAR(hmsSeconds(down->text()), 4 * 3600 + 47.9, 1.0) << down->text().toStdString();

  // The lamp: tracking, slewing, stand-by.
  m.state = 1;
  obs().LoopTimer_Timer();
  EXPECT_EQ(shownColour(find("Picture1")), QColor(192, 255, 255));
  m.state = 2;
  obs().LoopTimer_Timer();
  EXPECT_EQ(shownColour(find("Picture1")), QColor(255, 255, 128));
  m.state = 0;
  obs().LoopTimer_Timer();
  EXPECT_EQ(shownColour(find("Picture1")), QColor(255, 128, 128));

  // A goto whose end the driver reports through SlewEndPhase: tracking again, the lamp says
  // so, the cooperating program hears "OK" once.
  m.state = 2;
  obs().LoopTimer_Timer();
  obs().state().mount.SlewEndPhase = 1;
  obs().LoopTimer_Timer();
  EXPECT_EQ(obs().state().mount.TelState, 1);
  EXPECT_EQ(obs().state().mount.SlewEndPhase, 0);
  EXPECT_EQ(shownColour(find("Picture1")), QColor(192, 255, 255));
  ASSERT_EQ(linkSent.size(), 1u);
  EXPECT_EQ(linkSent[0], std::make_pair(2, QString("OK")));

  // A goto that ended while a stop was requested (the park goto): stop, then the status word
  // with the mission-call position set.
  m.calls.clear();
  obs().state().mount.SlewEndPhase = 2;
  obs().state().mount.StopRequest = kTrue;
  obs().LoopTimer_Timer();
  EXPECT_EQ(m.calls, QStringList{"cmdStop"});
  EXPECT_EQ(obs().state().mount.StopRequest, kFalse);
  EXPECT_EQ(obs().state().mount.InMissionCall, kFalse);
  ASSERT_EQ(linkSent.size(), 2u);
  EXPECT_EQ(linkSent[1], std::make_pair(99, QString("0000010100")));
}

TEST_F(MainWindowTest, DoubleClicksMenusAndLayouts) {
  settings(kNoDome + kNoPark);
  start();
  auto* frame = find<QGroupBox>("Frame1");
  const QStringList titles{"RA/DEC (J2000)", QString::fromUtf8("RA/DEC (視位置)"), "ALT/AZ", "JST/LST"};
  for (int i = 1; i <= 4; ++i) {
    doubleClick(frame);
    EXPECT_EQ(frame->title(), titles[i % 4]);
  }
  EXPECT_EQ(w->displayMode(), 0);
  action("mnu_Type2")->trigger();
  EXPECT_EQ(frame->title(), "ALT/AZ");
  EXPECT_EQ(shownColour(find("chkDisp_2")), kYellow);
  EXPECT_EQ(shownColour(find("chkDisp_0")), kNormal);

  // Hand layout without connecting, then mini and back by double-clicks on the position.
  obs().FormSizeChange(11);
  EXPECT_EQ(w->windowLayout(), 1);
  doubleClick(find("lblRaDec_0"));
  EXPECT_EQ(w->windowLayout(), 0);
  EXPECT_TRUE(find("fraHand")->isHidden());
  EXPECT_EQ(LayoutFaultText(*w), "");
  // The popup offers the other size only.
  mouse(frame, QEvent::MouseButtonPress, Qt::RightButton);
  EXPECT_FALSE(action("mnu_Mini")->isEnabled());
  EXPECT_TRUE(action("mnu_Hand")->isEnabled());
  w->findChild<QMenu*>("MyPopMe")->close();
  doubleClick(find("lblRaDec_1"));
  EXPECT_EQ(w->windowLayout(), 1);
  mouse(frame, QEvent::MouseButtonPress, Qt::RightButton);
  EXPECT_TRUE(action("mnu_Mini")->isEnabled());
  EXPECT_FALSE(action("mnu_Hand")->isEnabled());
  w->findChild<QMenu*>("MyPopMe")->close();
  action("mnu_Mini")->trigger();
  EXPECT_EQ(w->windowLayout(), 0);
  click(find("btnSize"));
  EXPECT_EQ(w->windowLayout(), 1);
  // None of this touched the connection.
  EXPECT_FALSE(mount().calls.contains("cmdConnect 1"));
}

TEST_F(MainWindowTest, WithoutALoopIntervalItConnectsButNeverRefreshes) {
  settings(kSite + "[PUBLIC]\nFormSizeChange= 1\n[DOME]\nController= 2\n");
  start();
  EXPECT_EQ(w->windowLayout(), 1);
  EXPECT_TRUE(mount().calls.contains("cmdConnect 1"));
  EXPECT_FALSE(obs().loopTimer()->isActive());
  Wait(300);
  EXPECT_EQ(mount().statusCalls, 0);
  EXPECT_TRUE(find<QLabel>("lblRaDec_0")->text().isEmpty());

  // With an interval the next connection polls.
  WriteIni(ini(), "PUBLIC", "LoopTimer", "50");
  click(find("btnDetail"));
  click(find("btnDetail"));
  EXPECT_EQ(w->windowLayout(), 1);
  EXPECT_EQ(obs().loopTimer()->interval(), 50);
  Wait(300);
  EXPECT_GT(mount().statusCalls, 0);
  EXPECT_FALSE(find<QLabel>("lblRaDec_0")->text().isEmpty());
}

TEST_F(MainWindowTest, MountSelectionAdaptsTheHandController) {
  settings(kNoDome + kNoPark);
  start();
  auto* list = find<QComboBox>("cmbTelescope");
  EXPECT_EQ(mount().modelText(), "LX200GPS");
  const auto choose = [&](const QString& entry) {
    list->setCurrentIndex(list->findText(entry));
    emit list->activated(list->currentIndex());
  };
  // No Temma driver in this build: the observer is told, and no other family's driver is
  // left to talk to a Temma: leaving the set-up layout connects nothing and sends nothing.
  choose("TemmaPC/PC Jr.");
  ASSERT_EQ(prompter.asked().size(), 1u);
  EXPECT_TRUE(prompter.asked()[0].text.contains("TemmaPC/PC Jr.")) << prompter.asked()[0].text.toStdString();
  EXPECT_EQ(obs().Telescope(), nullptr);
  EXPECT_FALSE(find("btnNSWE_0")->isEnabled());
  mount().calls.clear();
  click(find("btnDetail"));
  EXPECT_EQ(w->windowLayout(), 2);
  EXPECT_TRUE(mount().calls.isEmpty()) << mount().calls.join(',').toStdString();
  EXPECT_FALSE(obs().loopTimer()->isActive());
  EXPECT_TRUE(find<QLabel>("lblTelescopeName")->text().contains("TemmaPC/PC Jr."));

  // With a driver the middle speed is hidden; an LX200 brings it back.
  fakeEntries << "TemmaPC/PC Jr.";
  choose("TemmaPC/PC Jr.");
  ASSERT_EQ(fakes.size(), 2u);
  EXPECT_EQ(obs().Telescope(), fakes[1]);
  EXPECT_EQ(fakes[1]->modelText(), "TemmaPC");
  EXPECT_TRUE(find("optSpeed_1")->isHidden());
  EXPECT_FALSE(find("optSpeed_0")->isHidden());
  EXPECT_FALSE(find("optSpeed_2")->isHidden());
  const int selectedBefore = fakes[0]->selectedCalls;
  choose("Meade LX200");
  EXPECT_EQ(obs().Telescope(), fakes[0]);
  EXPECT_EQ(fakes[0]->modelText(), "LX200");
  EXPECT_EQ(fakes[0]->selectedCalls, selectedBefore + 1);  // the family puts back its own figures
  EXPECT_FALSE(find("optSpeed_1")->isHidden());
  EXPECT_EQ(prompter.asked().size(), 1u);

  // Alt+T and Alt+C reach the window from whichever field has the focus.
  ASSERT_EQ(w->windowLayout(), 2);
  QApplication::setActiveWindow(w.get());
  const auto altKey = [&](QWidget* from, int key) {
    from->setFocus();
    QKeyEvent down(QEvent::KeyPress, key, Qt::AltModifier);
    QApplication::sendEvent(from, &down);
  };
  altKey(find("txtLocation_0"), Qt::Key_T);
  EXPECT_EQ(w->focusWidget(), list);
  altKey(find("btnDetail"), Qt::Key_C);
  EXPECT_EQ(w->focusWidget(), find("cmbComm"));
  altKey(find("cmbComm"), Qt::Key_T);
  EXPECT_EQ(w->focusWidget(), list);
}

TEST_F(MainWindowTest, ParkModesConfirmBlinkAndCancel) {
  ManualClock clock(QDate(2000, 1, 1), 21 * 3600);  // local sidereal time 04h00m48s
  ScopedClock scoped(clock);
  settings(kSite + "[PUBLIC]\nFormSizeChange= 2\n" + kBoard + "[PARK]\n");
  start();
  const QString title = QString::fromUtf8("パーク位置へ移動");
  const QString lead = QString::fromUtf8("「OK」で移動を開始します。\r");
  struct Case {
    const char *az, *alt, *home;
    int mode;
    const char* message;
  };
  const Case cases[] = {
      {"-1", "-1", "-1", 0, ""},
      {"0", "54", "-1", 1, "赤道儀を指定したパーク位置へ移動します。"},
      {"-1", "30", "0", 2, "ドームを指定したパーク位置へ移動します。"},
      {"0", "54", "90", 3, "赤道儀とドームを指定したパーク位置へ移動します。"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    WriteIni(ini(), "PARK", "AZ", c.az);
    WriteIni(ini(), "PARK", "Alt", c.alt);
    WriteIni(ini(), "DOME", "HomePosition", c.home);
    click(find("btnDetail"));
    ASSERT_EQ(w->windowLayout(), 1);
    ASSERT_TRUE(obs().domeInUse());
    EXPECT_EQ(obs().parkMode(), c.mode);
    QWidget* p = find("btnP");
    EXPECT_EQ(p->isEnabled(), c.mode != 0);
    prompter.clear();
    mount().calls.clear();
    obs().state().dome.DomeTargetMode = 0;
    if (c.mode != 0) {
      // Cancel: nothing moves.
      prompter.push(Answer::Cancel);
      click(p);
      ASSERT_EQ(prompter.asked().size(), 1u);
      EXPECT_EQ(prompter.asked()[0].title, title);
      EXPECT_EQ(prompter.asked()[0].text, lead + QString::fromUtf8(c.message));
      EXPECT_TRUE(mount().calls.isEmpty());
      EXPECT_FALSE(obs().blinkTimer()->isActive());

      prompter.push(Answer::Ok);
      click(p);
      EXPECT_TRUE(obs().blinkTimer()->isActive());
      EXPECT_EQ(obs().blinkTimer()->interval(), 700);
      const bool mountParks = c.mode != 2, domeParks = c.mode != 1;
      ASSERT_EQ(mount().calls.size(), mountParks ? 1 : 0);
      if (mountParks) {
        // Due south at 54° from 35°40' north: hour angle 0, declination -0°20'.
        const QStringList parts = mount().calls[0].split(' ');
        EXPECT_EQ(parts[0], "cmdGoto");
        EXPECT_NEAR(parts[1].toDouble(), 14447.9, 2.0);
        EXPECT_NEAR(parts[2].toDouble(), -1200, 2.0);
        EXPECT_EQ(parts[3], "EOD");
      }
      EXPECT_EQ(obs().state().dome.DomeTargetMode, domeParks ? 2 : 0);
      // The mount's park goto keeps its stop request: it ends stopped, not tracking on.
      EXPECT_EQ(obs().state().mount.StopRequest, mountParks ? kTrue : kFalse);
      // It flashes red and dark.
      obs().BlinkTimer_Timer();
      EXPECT_EQ(shownColour(p), QColor(255, 0, 0));
      obs().BlinkTimer_Timer();
      EXPECT_EQ(shownColour(p), kNormal);
      // Pressed while flashing: stops without asking.
      mount().calls.clear();
      click(p);
      EXPECT_EQ(prompter.asked().size(), 2u);
      EXPECT_EQ(mount().calls, QStringList{"cmdStop"});
      EXPECT_FALSE(obs().blinkTimer()->isActive());
      EXPECT_EQ(shownColour(p), kNormal);
    }
    click(find("btnDetail"));
    ASSERT_EQ(w->windowLayout(), 2);
  }
}

TEST_F(MainWindowTest, AMountThatDoesNotConnectLeavesEverythingInTheSetUpLayout) {
  settings(kSite + "[PUBLIC]\nFormSizeChange= 1\nLoopTimer= 500\n" + kBoard + "[PARK]\nAZ=0\nAlt=54\n");
  fakeEntries.clear();
  fakeEntries << "Meade LX200GPS";
  // The port does not open (a real driver has then told the observer why and stored the
  // set-up layout; the whole-night test shows that with the real driver).
  MainWindowParts p = parts();
  auto create = p.createMountDriver;
  p.createMountDriver = [this, create](const QString& entry, QObject* parent) {
    MountDriver* d = create(entry, parent);
    if (d) static_cast<FakeMountDriver*>(d)->connectAnswer = false;
    return d;
  };
  w = std::make_unique<frmMain>(p);
  obs().setStartWait(0);
  ASSERT_TRUE(w->Form_Load());
  w->show();
  EXPECT_EQ(w->windowLayout(), 2);
  EXPECT_EQ(mount().calls, QStringList{"cmdConnect 1"});  // and no disconnect of what never connected
  EXPECT_FALSE(obs().loopTimer()->isActive());
  EXPECT_FALSE(obs().domeLoopTimer()->isActive());
  EXPECT_FALSE(obs().oneSecTimer()->isActive());
  EXPECT_FALSE(obs().domeLoop()->connected());
  EXPECT_TRUE(readFile(ini()).contains("FormSizeChange= 1\n"));  // nothing wrote "1" over it either
  EXPECT_FALSE(find("btnP")->isEnabled());

  // Once the mount answers, the same button connects everything.
  mount().connectAnswer = true;
  click(find("btnDetail"));
  EXPECT_EQ(w->windowLayout(), 1);
  EXPECT_TRUE(obs().loopTimer()->isActive());
  EXPECT_TRUE(obs().domeLoop()->connected());
  EXPECT_EQ(ReadIni(ini(), "PUBLIC", "FormSizeChange"), "1");

  // A park goto the mount refuses neither flashes nor leaves a stop or a target behind.
  mount().gotoAnswer = false;
  obs().state().mount.GotoRA = 111;
  obs().state().mount.GotoEpoch = "2000";
  WriteIni(ini(), "DOME", "HomePosition", "-1");
  click(find("btnDetail"));
  click(find("btnDetail"));
  ASSERT_EQ(obs().parkMode(), 1);
  prompter.push(Answer::Ok);
  click(find("btnP"));
  EXPECT_FALSE(obs().blinkTimer()->isActive());
  EXPECT_EQ(obs().state().mount.StopRequest, kFalse);
  EXPECT_EQ(obs().state().mount.GotoRA, 111);
  EXPECT_EQ(obs().state().mount.GotoEpoch, "2000");
}

TEST_F(MainWindowTest, SiteFieldsAreCheckedBeforeTheyAreWritten) {
  settings(kNoDome + kNoPark);
  start();
  const QByteArray before = readFile(ini());
  auto* degrees = find<QLineEdit>("txtLocation_0");
  struct Case {
    int field;
    const char* text;
    const char* named;
  };
  const Case cases[] = {
      {0, "139", "緯度の度"}, {1, "60", "緯度の分"},  {2, "7x", "緯度の秒"},   {3, "181", "経度の度"},
      {5, "75", "経度の秒"},  {7, "15", "時差(h)"},   {7, "-12.5", "時差(h)"}, {6, "high", "標高(m)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    auto* field = find<QLineEdit>(qPrintable(QStringLiteral("txtLocation_%1").arg(c.field)));
    const QString kept = field->text();
    field->setText(QString::fromLatin1(c.text));
    prompter.clear();
    click(find("btnDetail"));
    ASSERT_EQ(prompter.asked().size(), 1u);
    EXPECT_EQ(prompter.asked()[0].title, QString::fromUtf8("観測地の入力エラー"));
    EXPECT_TRUE(prompter.asked()[0].text.startsWith(QString::fromUtf8(c.named))) << prompter.asked()[0].text.toStdString();
    EXPECT_EQ(w->windowLayout(), 2);
    EXPECT_EQ(readFile(ini()), before);
    EXPECT_TRUE(mount().calls.isEmpty());
    field->setText(kept);
  }
  // 90°00'01" is one second too far even though every field is in range.
  degrees->setText("90");
  find<QLineEdit>("txtLocation_1")->setText("0");
  find<QLineEdit>("txtLocation_2")->setText("1");
  prompter.clear();
  click(find("btnDetail"));
  ASSERT_EQ(prompter.asked().size(), 1u);
  EXPECT_EQ(readFile(ini()), before);

  // A quarter-hour zone and the South Pole are fine and read back as typed.
  find<QLineEdit>("txtLocation_2")->setText("0");
  find<QLineEdit>("txtLocation_7")->setText("5.75");
  prompter.clear();
  click(find("btnDetail"));
  EXPECT_TRUE(prompter.asked().empty()) << prompter.asked()[0].text.toStdString();
  EXPECT_EQ(w->windowLayout(), 1);
  EXPECT_EQ(ReadIni(ini(), "Location", "LATITUDE"), "+90:00:00");
  EXPECT_EQ(ReadIni(ini(), "Location", "TIMEZONE"), "5.75");
  EXPECT_EQ(obs().state().site.TimeZoneSeconds, 20700);
}

TEST_F(MainWindowTest, ANewSiteMovesTheSiderealTimeAtOnce) {
  ManualClock clock(QDate(2024, 3, 15), 21 * 3600 + 1800);
  ScopedClock scoped(clock);
  settings(kNoDome + kNoPark);
  start();
  click(find("btnDetail"));
  ASSERT_EQ(w->windowLayout(), 1);
  click(find("chkDisp_3"));
  obs().LoopTimer_Timer();
  const double tokyo = hmsSeconds(find<QLabel>("lblRaDec_1")->text());
  ASSERT_GE(tokyo, 0) << find<QLabel>("lblRaDec_1")->text().toStdString();

  // The observer moves the site 15 degrees west (one hour of sidereal time) the same evening.
  click(find("btnDetail"));
  find<QLineEdit>("txtLocation_3")->setText("124");
  click(find("btnDetail"));
  ASSERT_EQ(w->windowLayout(), 1);
  obs().LoopTimer_Timer();
  const double moved = hmsSeconds(find<QLabel>("lblRaDec_1")->text());
  EXPECT_NEAR(std::fmod(tokyo - moved + 86400, 86400), 3600, 1.5);

  // A planetarium program says the site keeps UT-5.5 (India's zone, sent the Meade way: the
  // hours to add for UT). The zone is stored whole and the sidereal time follows at once:
  // the same clock reading is 14.5 hours later in UT, 52 342.9 s more sidereal time.
  PortClient planetarium(dir.filePath("ports/COM9"));
  ASSERT_TRUE(planetarium.isOpen());
  ASSERT_TRUE(planetarium.write(":SG+05.5#"));
  EXPECT_EQ(planetarium.readBytes(1), "1");
  EXPECT_EQ(ReadIni(ini(), "Location", "TIMEZONE"), "-5.5");
  EXPECT_EQ(obs().state().site.TimeZoneSeconds, -19800);
  obs().LoopTimer_Timer();
  const double india = hmsSeconds(find<QLabel>("lblRaDec_1")->text());
  EXPECT_NEAR(std::fmod(india - moved + 86400, 86400), 52342.9, 1.5);
  ASSERT_TRUE(planetarium.write(":GS#"));
  const QByteArray gs = planetarium.read(1);
  EXPECT_EQ(gs, vb::TimeText(static_cast<long long>(india)).toLatin1() + "#");
}


namespace {
// Paint events per control, counted as the window receives them.
struct PaintCounter : QObject {
  QHash<QString, int> paints;
  PaintCounter() { qApp->installEventFilter(this); }
  ~PaintCounter() override { qApp->removeEventFilter(this); }
  bool eventFilter(QObject* o, QEvent* e) override {
    if (e->type() == QEvent::Paint) ++paints[o->objectName().isEmpty() ? o->metaObject()->className() : o->objectName()];
    return false;
  }
  int total() const {
    int n = 0;
    for (int v : paints) n += v;
    return n;
  }
  std::string names() const { return QStringList(paints.keys()).join(' ').toStdString(); }
};
}  // namespace

TEST_F(MainWindowTest, AnIdleNightRepaintsOnlyWhatChanges) {
  // Connected with the dome on the simulated board, tracking: the main loop, the dome loop and
  // the one-second tick run, and nothing the window shows changes.
  ManualClock clock(QDate(2026, 3, 1), 22 * 3600);
  ScopedClock scoped(clock);
  // A known home, so the dome follows the telescope (to the north) and is stopped each tick.
  settings(kSite + "[PUBLIC]\nFormSizeChange= 1\nLoopTimer= 500\n" + QByteArray(kBoard).replace("HomePosition=-1", "HomePosition=0") + kNoPark);
  start();
  ASSERT_EQ(w->windowLayout(), 1);
  ASSERT_TRUE(obs().domeLoop()->connected());
  mount().ra = "45296.75";
  mount().dec = "-1";
  mount().az = "180";
  mount().alt = "45";
  const auto ticks = [&](int n, double step) {
    for (int i = 0; i < n; ++i) {
      clock.advance(step);
      obs().LoopTimer_Timer();
      obs().domeLoop()->DomeLoopTimer_Timer();
      obs().OneSecTimer_Timer();
      QApplication::processEvents();
    }
  };
  ticks(4, 0);
  ASSERT_TRUE(obs().state().dome.DomeAutoRun);
  {
    PaintCounter counter;
    ticks(20, 0);
    EXPECT_EQ(counter.total(), 0) << counter.names();
  }
  // The clock shows seconds: at two ticks a second its labels, and what shows through behind
  // them, are redrawn once a second, and nothing else is.
  click(find("chkDisp_3"));
  ticks(2, 0);
  PaintCounter counter;
  ticks(20, 0.5);
  EXPECT_GT(counter.paints.value("lblRaDec_0"), 0);
  const QStringList behindTheClock{"lblRaDec_0", "lblRaDec_1", "Frame1", "frmMain"};
  for (auto it = counter.paints.cbegin(); it != counter.paints.cend(); ++it) {
    EXPECT_TRUE(behindTheClock.contains(it.key())) << it.key().toStdString();
    EXPECT_LE(it.value(), 10) << it.key().toStdString();
  }
}

// Every layout shows what it offers whole, inside the window: with and without the dome
// panel, for every mount family (the families differ in speed buttons and the ASCOM chooser).
TEST_F(MainWindowTest, EveryLayoutShowsItsControlsWholeInsideTheWindow) {
  makePort(dir, 12);
  writeFile(dir.filePath("OrvanforASCOM"), "");  // the ASCOM entry is offered when it is installed
  fakeEntries = MountCatalog::entries(true);
  for (const bool dome : {false, true}) {
    SCOPED_TRACE(dome ? "dome" : "no dome");
    settings(kSite + "[PUBLIC]\nFormSizeChange= 2\n[ASCOM]\nUse=True\n" + (dome ? kBoard : QByteArray("[DOME]\nController= 2\n")) +
             kNoPark);
    start();
    auto* list = find<QComboBox>("cmbTelescope");
    ASSERT_EQ(list->count(), 8);
    for (int m = 0; m < list->count(); ++m) {
      SCOPED_TRACE(list->itemText(m).toStdString());
      list->setCurrentIndex(m);
      emit list->activated(m);
      for (const int code : {2, 11, 10}) {
        if (code != 2) obs().FormSizeChange(code);
        SCOPED_TRACE(w->windowLayout());
        EXPECT_EQ(LayoutFaultText(*w), "");
        const bool hand = code != 10;
        for (const char* name : {"btnP", "btnZ", "btnDetail", "btnNSWE_4"}) EXPECT_EQ(find(name)->isVisibleTo(w.get()), hand) << name;
        for (const char* name : {"btnUtility", "btnDocument", "cmbTelescope"}) EXPECT_EQ(find(name)->isVisibleTo(w.get()), code == 2) << name;
        EXPECT_EQ(find("DomePanel")->isVisibleTo(w.get()), hand && dome);
        EXPECT_TRUE(find("lblTelescopeName")->isVisibleTo(w.get()));
      }
      obs().FormSizeChange(2);
    }
    closeWindow();
  }
}

// The document chooser opens from the main window, whose label colour is light on dark:
// its own label still reads against its own background.
TEST_F(MainWindowTest, TheDocumentWindowsLabelReads) {
  settings(kNoDome + kNoPark);
  QDir(dir.path()).mkpath("Document");
  writeFile(dir.filePath("Document/a.pdf"), "%PDF-1.4\n");
  writeFile(dir.filePath("Document/b.pdf"), "%PDF-1.4\n");
  start();
  click(find("btnDocument"));
  Wait(0);
  QWidget* chooser = nullptr;
  for (QWidget* t : QApplication::topLevelWidgets())
    if (t->objectName() == "frmDocument" && t->isVisible()) chooser = t;
  ASSERT_NE(chooser, nullptr);
  QLabel* label = chooser->findChild<QLabel*>();
  ASSERT_NE(label, nullptr);
  // The background is the colour covering most of the label; the text is what differs most.
  const QImage img = label->grab().toImage();
  const auto luminance = [](QRgb c) { return (0.2126 * qRed(c) + 0.7152 * qGreen(c) + 0.0722 * qBlue(c)) / 255.0; };
  const double background = luminance(shownColour(label).rgb());
  double contrast = 0;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) contrast = std::max(contrast, std::fabs(luminance(img.pixel(x, y)) - background));
  EXPECT_GT(contrast, 0.5);
  chooser->close();
}
