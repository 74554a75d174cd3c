// The settings editor through its window: what it loads, what it writes, what the controller
// then reads, what it refuses, and the file shared with a controller writing at the same time.
#include "../../controller/shell/tests/MainWindowFixture.h"
#include "../../platform/tests/WidgetsInside.h"
#include "ControllerSettings.h"
#include "MountCatalog.h"
#include "Cp932.h"
#include "IniFile.h"
#include "Prompter.h"
#include "Shared.h"
#include "frmUtility.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvan {
namespace {

QApplication& app() {
  static int argc = 1;
  static char arg0[] = "utility_settings_tests";
  static char* argv[] = {arg0, nullptr};
  // Never destroyed: ending it among the exit handlers, after the platform's own statics,
  // crashes once the controller's window has run in it.
  static QApplication* a = new QApplication(argc, argv);
  return *a;
}

QByteArray bytes(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void put(const QString& path, const QByteArray& data) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write(data);
}

QString bin(const char* name) { return QString::fromLocal8Bit(qgetenv("ORVAN_BIN_DIR")) + u'/' + QString::fromLatin1(name); }

const QByteArray kObservatory =
    "[Location]\r\nLONGITUDE=E139:44:20\r\nLATITUDE=+35:40:00\r\nTIMEZONE=9.0\r\nHEIGHT=40\r\n"
    "[TELESCOPE]\r\nTelescope= 5\r\nCommPort=5\r\nMount=G\r\nVCommPort= 6\r\nBackLash= 0\r\n"
    "[PUBLIC]\r\nFormSizeChange= 1\r\nLoopTimer=250\r\n"
    "[DOME]\r\nController= 0\r\nENC3_PULSES= 3600\r\nDOME_RADIUS= 2.5\r\nUpDown= 1\r\nLastEnc= 1200\r\nDOME_Z_CW= 33\r\n"
    "[RELAY]\r\n$021=10\r\n$022=11\r\n$023=0*\r\n"
    "[Option]\r\nExitOption=1\r\n";

class Editor : public ::testing::Test {
 protected:
  Editor() : scoped(prompter) {
    app();
    ini = dir.path() + QStringLiteral("/OrvanMirel.ini");
    QDir(dir.path()).mkpath(QStringLiteral("ports"));
    // Port entries as the program folder holds them (the links need not lead anywhere here).
    for (int n : {3, 5, 10}) QFile::link(QStringLiteral("/dev/null"), dir.path() + QStringLiteral("/ports/COM%1").arg(n));
  }
  frmUtility& open() {
    w = std::make_unique<frmUtility>(dir.path());
    EXPECT_TRUE(w->Form_Load());
    return *w;
  }
  QTemporaryDir dir;
  QString ini;
  ScriptedPrompter prompter;
  ScopedPrompter scoped;
  std::unique_ptr<frmUtility> w;
};

TEST_F(Editor, AnEditSavedWithWriteIsWhatTheControllerReadsAndNothingElseMoves) {
  put(ini, kObservatory);
  frmUtility& u = open();
  EXPECT_EQ(u.txtLocation[0]->text(), u"35");
  EXPECT_EQ(u.cmbComm->currentText(), u"COM5");
  EXPECT_EQ(u.cmbCommPort->currentText(), u"COM5");
  EXPECT_EQ(u.cmbVCommPort->currentText(), u"COM6");
  EXPECT_EQ(u.txtLoopTimer->text(), u"250");
  EXPECT_TRUE(u.chkDomeAuto->isChecked());  // Dome_Auto absent: the dome follows
  EXPECT_TRUE(u.optController[0]->isChecked());
  EXPECT_FALSE(u.cmbQuarnport->isEnabled());

  // A new observatory in the southern hemisphere on the other side of the world.
  u.optNS[1]->setChecked(true);
  u.txtLocation[0]->setText(QStringLiteral("33"));
  u.txtLocation[1]->setText(QStringLiteral("7"));
  u.txtLocation[2]->setText(QStringLiteral("10"));
  u.optEW[1]->setChecked(true);
  u.txtLocation[3]->setText(QStringLiteral("70"));
  u.txtLocation[4]->setText(QStringLiteral("40"));
  u.txtLocation[5]->setText(QStringLiteral("0"));
  u.txtLocation[7]->setText(QStringLiteral("-4"));
  u.cmbTelescope->setCurrentIndex(6);
  u.cmbCommPort->setCurrentIndex(u.cmbCommPort->findText("COM3"));  // COM3 on the E-Vexil tab: the set-up tab shows it too
  EXPECT_EQ(u.cmbComm->currentText(), u"COM3");
  u.optController[2]->click();        // no dome controller
  u.chkLocalData[1]->setChecked(true);
  // Closing the slit on rain is set with the rain sensor, and only with it.
  EXPECT_FALSE(u.chkRainClose->isEnabled());
  u.chkSensor[1]->setChecked(true);
  EXPECT_TRUE(u.chkRainClose->isEnabled());
  u.chkRainClose->setChecked(true);
  u.btnOK_Click(1);
  EXPECT_TRUE(u.lblSaveError->isHidden());

  SharedState s;
  SetupFields f;
  f.mountList = MountCatalog::entries(false);
  for (int i = 0; i < u.cmbComm->count(); ++i) f.portList << u.cmbComm->itemText(i);
  IniRead(ini, s, f);
  EXPECT_EQ(s.site.SiteLatitude, -(33 * 3600 + 7 * 60 + 10));
  EXPECT_EQ(s.site.SiteLongitude, -(70 * 3600 + 40 * 60));
  EXPECT_EQ(s.site.TimeZoneSeconds, -4 * 3600);
  EXPECT_EQ(s.MountTypeNumber, 6);
  EXPECT_EQ(f.portList.value(f.portIndex), u"COM3");
  EXPECT_EQ(s.domeSettings.Controller, 2);
  EXPECT_EQ(s.domeSettings.CommPort, 0);
  EXPECT_EQ(ReadIni(ini, "Location", "LATITUDE"), u"-33:07:10");
  EXPECT_TRUE(bytes(ini).contains("LocalData1= 1\r\n"));  // the RST-400 driver's "exactly 1"
  EXPECT_TRUE(bytes(ini).contains("Sensor1= 1\r\n"));
  EXPECT_TRUE(bytes(ini).contains("RainClose= 1\r\n"));

  // Untouched keys keep their exact text, the controller's own keys included.
  EXPECT_EQ(ReadIni(ini, "PUBLIC", "LoopTimer"), u"250");
  EXPECT_TRUE(bytes(ini).contains("LastEnc= 1200\r\n"));
  EXPECT_EQ(ReadIni(ini, "Option", "ExitOption"), u"1");
  EXPECT_TRUE(ReadIni(ini, "DOME", "Dome_Auto").isEmpty());
  EXPECT_TRUE(bytes(ini).contains("\r\n"));

  // Write shows the file's content again; Cancel then keeps what was written.
  EXPECT_TRUE(u.optNS[1]->isChecked());
  EXPECT_EQ(u.txtLocation[1]->text(), u"07");
  u.btnOK_Click(2);
  EXPECT_EQ(ReadIni(ini, "Location", "LATITUDE"), u"-33:07:10");
}

TEST_F(Editor, WhatTheControllerWroteSinceTheLoadIsNotOverwrittenWithTheStaleCopy) {
  put(ini, kObservatory);
  frmUtility& u = open();
  // Meanwhile the controller runs: a planetarium program sets the site, the dome is aligned,
  // the controller closes in the set-up layout.
  WriteIni(ini, "Location", "LATITUDE", "+36:00:00");
  WriteIni(ini, "DOME", "LastEnc", " 2400");
  WriteIni(ini, "DOME", "DOME_Z_CW", " 77");
  WriteIni(ini, "PUBLIC", "FormSizeChange", "2");
  // The observer changes only the dome radius and the height.
  u.txtDomeParameter[1]->setText(QStringLiteral("3.2"));
  u.txtLocation[6]->setText(QStringLiteral("120"));
  u.btnOK_Click(1);
  EXPECT_TRUE(bytes(ini).contains("DOME_RADIUS= 3.2\r\n"));
  EXPECT_EQ(ReadIni(ini, "Location", "HEIGHT"), u"120");
  EXPECT_EQ(ReadIni(ini, "Location", "LATITUDE"), u"+36:00:00");
  EXPECT_EQ(ReadIni(ini, "DOME", "LastEnc"), u"2400");
  EXPECT_EQ(ReadIni(ini, "DOME", "DOME_Z_CW"), u"77");
  EXPECT_EQ(ReadIni(ini, "PUBLIC", "FormSizeChange"), u"2");
  // After Write the fields show the file, so the controller's latitude is now the loaded one.
  EXPECT_EQ(u.txtLocation[0]->text(), u"36");
}

TEST_F(Editor, InvalidEntriesWriteNothingAndSayWhyBesideTheField) {
  put(ini, kObservatory);
  frmUtility& u = open();
  const QByteArray before = bytes(ini);
  u.txtLocation[7]->setText(QStringLiteral("10"));  // a valid edit that must not be written either
  u.txtLocation[1]->setText(QStringLiteral("4x"));
  u.txtLocation[3]->setText(QStringLiteral("181"));
  u.txtLoopTimer->setText(QStringLiteral("fast"));
  u.tabs->setCurrentIndex(3);
  u.txtDomeParameter[0]->setText(QStringLiteral("0"));
  u.txtDomeParameter[1]->setText(QStringLiteral("0"));
  u.btnOK_Click(0);
  EXPECT_EQ(bytes(ini), before);
  EXPECT_FALSE(u.fieldError("txtLocation1").isEmpty());
  EXPECT_TRUE(u.fieldError("txtLocation1").contains(u"4x"));
  EXPECT_FALSE(u.fieldError("txtLocation3").isEmpty());
  EXPECT_FALSE(u.fieldError("txtLoopTimer").isEmpty());
  EXPECT_FALSE(u.fieldError("txtDomeParameter0").isEmpty());
  EXPECT_FALSE(u.fieldError("txtDomeParameter1").isEmpty());
  EXPECT_TRUE(u.fieldError("txtLocation7").isEmpty());
  EXPECT_EQ(u.tabs->currentIndex(), 0);  // the first field in error is brought forward
  EXPECT_FALSE(u.lblSaveError->isHidden());

  // Latitude beyond the pole as a whole, even with valid places.
  u.txtLocation[1]->setText(QStringLiteral("00"));
  u.txtLocation[3]->setText(QStringLiteral("139"));
  u.txtLocation[0]->setText(QStringLiteral("90"));
  u.txtLocation[2]->setText(QStringLiteral("01"));
  u.txtLoopTimer->setText(QStringLiteral("250"));
  u.btnOK_Click(1);
  EXPECT_EQ(bytes(ini), before);
  EXPECT_FALSE(u.fieldError("txtLocation0").isEmpty());

  // The planetarium's port on the mount's port.
  u.txtLocation[0]->setText(QStringLiteral("35"));
  u.cmbVCommPort->setCurrentIndex(4);  // COM5, the mount's
  u.btnOK_Click(1);
  EXPECT_EQ(bytes(ini), before);
  EXPECT_FALSE(u.fieldError("cmbVCommPort").isEmpty());
  u.cmbVCommPort->setCurrentIndex(9);

  // Without a dome controller the dome's geometry does not stop the save.
  u.txtLocation[0]->setText(QStringLiteral("35"));
  u.optController[2]->click();
  u.btnOK_Click(1);
  EXPECT_TRUE(u.lblSaveError->isHidden());
  EXPECT_EQ(ReadIni(ini, "Location", "TIMEZONE"), u"10.0");
  EXPECT_EQ(ReadIni(ini, "DOME", "Controller"), u"2");
}

TEST_F(Editor, MissingEmptyCp932AndReadOnlyFiles) {
  // Missing: everything at its default, ASCOM/Use written "False" as the controller does.
  frmUtility& u = open();
  EXPECT_EQ(ReadIni(ini, "ASCOM", "Use"), u"False");
  EXPECT_EQ(u.txtDomeLoopTimer->text(), u"200");
  EXPECT_EQ(u.cmbComm->currentIndex(), -1);
  u.txtLocation[0]->setText(QStringLiteral("35"));
  u.txtDomeParameter[0]->setText(QStringLiteral("3600"));
  u.txtDomeParameter[1]->setText(QStringLiteral("2"));
  u.optController[0]->click();
  u.btnOK_Click(1);
  EXPECT_TRUE(u.lblSaveError->isHidden()) << qPrintable(u.lblSaveError->text());
  EXPECT_EQ(ReadIni(ini, "Location", "LATITUDE"), u"+35:00:00");
  EXPECT_TRUE(bytes(ini).contains("ENC3_PULSES= 3600\n"));
  w.reset();

  // Empty: read like a missing one, written whole.
  put(ini, "");
  frmUtility& e = open();
  EXPECT_EQ(e.txtLocation[0]->text(), QString());
  e.optController[2]->click();
  e.btnOK_Click(1);
  EXPECT_EQ(ReadIni(ini, "DOME", "Controller"), u"2");
  w.reset();

  // CP932 with a Japanese program path and a corrupt line: the path survives, the file stays CP932.
  const QString exec = QStringLiteral("/home/観測/終了.sh");
  put(ini, "[Option]\r\nExec=" + cp932::encode(exec) + "\r\n\xff\xfe garbage\r\n[Location]\r\nHEIGHT=5\r\n[DOME]\r\nController=2\r\n");
  frmUtility& v = open();
  EXPECT_EQ(v.txtExec->text(), exec);
  v.txtLocation[6]->setText(QStringLiteral("6"));
  v.btnOK_Click(1);
  EXPECT_TRUE(bytes(ini).contains(cp932::encode(exec)));
  EXPECT_TRUE(bytes(ini).contains("\xff\xfe garbage"));
  EXPECT_EQ(ReadIni(ini, "Location", "HEIGHT"), u"6");
  w.reset();

  // Read-only: a clear message, the values kept.
  ::chmod(ini.toLocal8Bit().constData(), 0444);
  const QByteArray before = bytes(ini);
  frmUtility& r = open();
  r.txtLocation[6]->setText(QStringLiteral("7"));
  r.btnOK_Click(0);
  EXPECT_FALSE(r.lblSaveError->isHidden());
  EXPECT_EQ(bytes(ini), before);
  ::chmod(ini.toLocal8Bit().constData(), 0644);
}

TEST_F(Editor, AscomNeedsTheObserversConsent) {
  put(ini, kObservatory);
  frmUtility& u = open();
  prompter.push(Answer::Cancel);
  u.chkASCOM->click();
  EXPECT_FALSE(u.chkASCOM->isChecked());
  ASSERT_EQ(prompter.asked().size(), 1u);
  EXPECT_TRUE(prompter.asked()[0].text.endsWith(u"しておく必要があります。"));
  prompter.push(Answer::Ok);
  u.chkASCOM->click();
  EXPECT_TRUE(u.chkASCOM->isChecked());
}

// The controller (here a writer as fast as it can go) and the utility saving again and again:
// every key of both survives, none is torn.
TEST_F(Editor, ConcurrentWritesByBothProgramsLoseNoKey) {
  put(ini, kObservatory);
  frmUtility& u = open();
  QProcess writer;
  writer.start(bin("ini_writer"), {ini, "EncLog", "Key", "400"});
  ASSERT_TRUE(writer.waitForStarted(5000));
  int saves = 0;
  while (writer.state() != QProcess::NotRunning || saves < 20) {
    u.txtLocation[6]->setText(QString::number(100 + saves));
    u.txtDomeParameter[2]->setText(QString::number(saves % 7));
    u.btnOK_Click(1);
    ASSERT_TRUE(u.lblSaveError->isHidden()) << qPrintable(u.lblSaveError->text());
    ++saves;
    writer.waitForFinished(1);
  }
  EXPECT_EQ(writer.exitCode(), 0);
  for (int i = 0; i < 400; ++i) ASSERT_EQ(ReadIni(ini, "EncLog", QStringLiteral("Key%1").arg(i)), QString::number(i * 7)) << i;
  EXPECT_EQ(ReadIni(ini, "Location", "HEIGHT"), QString::number(100 + saves - 1));
  EXPECT_TRUE(bytes(ini).contains("LastEnc= 1200\r\n"));
}

// On a 1366 x 768 laptop the buttons at the foot are on the screen and every tab is whole
// (its page scrolls); messages wrap as sentences below their fields and squeeze no group.
TEST_F(Editor, TheUtilityFitsALaptopScreenAndItsMessagesWrapAsSentences) {
  put(ini, kObservatory);
  frmUtility& u = open();
  // Showing, and a shown message, re-lay out a group, then its page, then the scroll area,
  // each on an event of its own.
  const auto settle = [] {
    for (int i = 0; i < 10; ++i) QCoreApplication::sendPostedEvents();
  };
  u.show();
  settle();
  EXPECT_LE(u.width(), 1366);
  EXPECT_LE(u.height() + 30 + 48, 768);  // a title bar and a taskbar beside it
  for (QPushButton* b : u.btnOK) EXPECT_TRUE(u.rect().contains(QRect(b->mapTo(&u, QPoint()), b->size()))) << b->text().toStdString();
  const auto wholeEverywhere = [&] {
    for (int t = 0; t < u.tabs->count(); ++t) {
      u.tabs->setCurrentIndex(t);
      settle();
      EXPECT_EQ(test::LayoutFaultText(u), "") << "tab " << t;
    }
  };
  wholeEverywhere();

  u.txtLocation[0]->setText(QStringLiteral("95"));
  u.txtLocation[4]->setText(QStringLiteral("x"));
  u.txtOverRun->setText(QStringLiteral("-1"));
  u.txtLoopTimer->setText(QStringLiteral("70000"));
  u.txtDomeParameter[1]->setText(QStringLiteral("0"));
  u.txtDomeParameter[7]->setText(QStringLiteral("abc"));
  u.txtDomeLoopTimer->setText(QStringLiteral("-5"));
  u.btnOK_Click(1);
  wholeEverywhere();
  int shown = 0;
  for (const char* field : {"txtLocation0", "txtLocation4", "txtOverRun", "txtLoopTimer", "txtDomeParameter1",
                            "txtDomeParameter7", "txtDomeLoopTimer"}) {
    auto* message = u.findChild<QLabel*>(QStringLiteral("err_") + QString::fromLatin1(field));
    ASSERT_NE(message, nullptr) << field;
    if (message->isHidden()) continue;  // a field checked only once another is right
    ++shown;
    for (int t = 0; t < u.tabs->count(); ++t)
      if (u.tabs->widget(t)->isAncestorOf(message)) u.tabs->setCurrentIndex(t);
    settle();
    // A sentence of twenty-odd characters takes a line or two, not one line per word.
    EXPECT_LE(message->height(), 3 * message->fontMetrics().lineSpacing()) << field << " " << message->text().toStdString();
    EXPECT_GE(message->width(), message->fontMetrics().horizontalAdvance(QStringLiteral("0 以上の数値です"))) << field;
  }
  EXPECT_GE(shown, 5);
}

// The real program: a second start in the same folder is refused, the first keeps running.
TEST_F(Editor, ASecondUtilityInTheSameFolderIsRefused) {
  put(ini, kObservatory);
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("ORVAN_PROGRAM_FOLDER", dir.path());
  env.insert("QT_QPA_PLATFORM", "offscreen");
  QProcess first, second;
  first.setProcessEnvironment(env);
  second.setProcessEnvironment(env);
  first.start(bin("OrvanMirelutility"), {});
  ASSERT_TRUE(first.waitForStarted(5000));
  // The first holds the lock once it has started.
  for (int i = 0; i < 100 && !QFile::exists(dir.path() + "/OrvanMirelutility.lock"); ++i) first.waitForFinished(50);
  second.start(bin("OrvanMirelutility"), {});
  ASSERT_TRUE(second.waitForFinished(15000));  // the notice closes itself after 6 s
  EXPECT_EQ(second.exitCode(), 0);
  EXPECT_EQ(first.state(), QProcess::Running);
  first.terminate();
  EXPECT_TRUE(first.waitForFinished(5000));
  EXPECT_EQ(bytes(ini).contains("Use=False"), true);
}

}  // namespace
}  // namespace orvan

namespace orvan {
namespace {

// A new observatory set up entirely in the utility, then the real controller started on it:
// it offers the planetarium port the utility chose and writes the site back unchanged.
TEST_F(Editor, TheControllerStartsOnWhatTheUtilitySaved) {
  frmUtility& u = open();
  u.txtLocation[0]->setText(QStringLiteral("43"));
  u.txtLocation[1]->setText(QStringLiteral("3"));
  u.optEW[1]->setChecked(true);
  u.txtLocation[3]->setText(QStringLiteral("89"));
  u.txtLocation[7]->setText(QStringLiteral("-6"));
  u.cmbTelescope->setCurrentIndex(5);
  u.cmbComm->setCurrentIndex(u.cmbComm->findText("COM5"));
  u.cmbVCommPort->setCurrentIndex(8);  // COM9
  u.optController[2]->click();
  u.btnOK_Click(0);
  ASSERT_TRUE(u.lblSaveError->isHidden()) << qPrintable(u.lblSaveError->text());
  w.reset();

  // The first start opens in the set-up layout, as an install's first start does.
  WriteIni(ini, "PUBLIC", "FormSizeChange", "2");
  const QString exe = dir.filePath("OrvanMirel");
  ASSERT_TRUE(QFile::copy(bin("OrvanMirel"), exe));
  QFile::setPermissions(exe, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  QProcess controller;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "offscreen");
  env.remove("ORVAN_PROGRAM_FOLDER");
  controller.setProcessEnvironment(env);
  controller.start(exe, {});
  ASSERT_TRUE(controller.waitForStarted(10000));
  const QString vport = dir.filePath("ports/COM9");
  for (int i = 0; i < 400 && !QFileInfo(vport).isSymLink(); ++i) controller.waitForFinished(50);
  EXPECT_TRUE(QFileInfo(vport).isSymLink());
  controller.terminate();
  ASSERT_TRUE(controller.waitForFinished(15000));
  EXPECT_EQ(ReadIni(ini, "Location", "LATITUDE"), u"+43:03:00");
  EXPECT_EQ(ReadIni(ini, "Location", "LONGITUDE"), u"W089:00:00");
  EXPECT_EQ(ReadIni(ini, "TELESCOPE", "CommPort"), u"5");
  EXPECT_EQ(ReadIni(ini, "Location", "TIMEZONE"), u"-6.0");
}

}  // namespace
}  // namespace orvan

// Both programs on one folder, in one process: the controller runs in its set-up layout while
// the observer saves in the utility, then connects from the controller.
namespace orvan {
namespace {

class BothPrograms : public test::MainWindowTest {
 protected:
  void SetUp() override {
    app();
    MainWindowTest::SetUp();
  }
};

TEST_F(BothPrograms, WhatTheUtilitySavedWhileTheControllerRanIsNotUndoneByTheController) {
  settings(kObservatory);
  WriteIni(ini(), "PUBLIC", "FormSizeChange", " 2");
  WriteIni(ini(), "DOME", "Controller", "2");
  WriteIni(ini(), "TELESCOPE", "Telescope", " 4");  // Meade LX200: a recording mount
  start();
  ASSERT_EQ(w->windowLayout(), 2);

  // The utility saves a new height and mount type; the controller still shows what it read.
  frmUtility u(dir.path());
  ASSERT_TRUE(u.Form_Load());
  u.txtLocation[6]->setText(QStringLiteral("77"));
  u.optMount[1]->setChecked(true);
  u.btnOK_Click(1);
  ASSERT_EQ(ReadIni(ini(), "Location", "HEIGHT"), u"77");
  ASSERT_EQ(ReadIni(ini(), "TELESCOPE", "Mount"), u"F");

  // In the controller the observer corrects only the latitude, then connects.
  w->findChild<QLineEdit*>(QStringLiteral("txtLocation_1"))->setText(QStringLiteral("41"));
  test::click(w->findChild<QWidget*>(QStringLiteral("btnDetail")));
  ASSERT_EQ(w->windowLayout(), 1);
  EXPECT_EQ(ReadIni(ini(), "Location", "LATITUDE"), u"+35:41:00");
  EXPECT_EQ(ReadIni(ini(), "Location", "HEIGHT"), u"77");
  EXPECT_EQ(ReadIni(ini(), "TELESCOPE", "Mount"), u"F");
  EXPECT_EQ(ReadIni(ini(), "Location", "LONGITUDE"), u"E139:44:20");
  // And the controller now works on the file as both programs left it.
  EXPECT_EQ(obs().fields().txtLocation[6], u"77");
  EXPECT_EQ(obs().fields().optMount, 1);

  // The utility saves again while the controller runs; closing the controller keeps it.
  u.txtLocation[6]->setText(QStringLiteral("90"));
  u.btnOK_Click(1);
  closeWindow();
  EXPECT_EQ(ReadIni(ini(), "Location", "HEIGHT"), u"90");
  EXPECT_EQ(ReadIni(ini(), "Location", "LATITUDE"), u"+35:41:00");
}

}  // namespace
}  // namespace orvan
