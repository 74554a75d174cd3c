// The utility's devices through its window and real processes: the E-Vexil programmed over a
// pseudo-terminal against the simulator, and the dome test panel turning a simulated dome on
// the USB board and on the serial controller until the Z mark is seen.
#include "../../sim/tests/SimControl.h"
#include "DomeTestPanel.h"
#include "EVexilProgrammer.h"
#include "EventLoop.h"
#include "IniFile.h"
#include "Prompter.h"
#include "SimulatedEpx30sc.h"
#include "frmUtility.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

namespace orvan {
namespace {

using sim::test::SimControl;
using sim::test::SimState;

// Dispatches events until `done` or `ms` have passed.
bool WaitFor(const std::function<bool()>& done, int ms) {
  QElapsedTimer t;
  t.start();
  while (!done()) {
    if (t.elapsed() > ms) return false;
    Wait(20);
  }
  return true;
}

constexpr int kCom = 7;

class Devices : public ::testing::Test {
 protected:
  Devices() : scoped(prompter) {
    ini = dir.path() + QStringLiteral("/OrvanMirel.ini");
    QFile f(ini);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[TELESCOPE]\r\nTelescope= 0\r\nCommPort=7\r\n"
            "[DOME]\r\nController= 0\r\nCommPort=7\r\nENC3_PULSES= 3600\r\nDOME_RADIUS= 2\r\nUpDown= 1\r\nSLIT_TIMER= 2\r\nLoopTimer= 50\r\n"
            "[RELAY]\r\n$021=10\r\n$022=11\r\n$023=0*\r\n$024=**10\r\n$025=**01\r\n$026=**00\r\n");
  }
  ~Devices() override {
    w.reset();
    if (simProcess.state() != QProcess::NotRunning) {
      simProcess.terminate();
      simProcess.waitForFinished(5000);
    }
  }
  void startSim(const QStringList& args) {
    simProcess.start(sim::test::SimProgram(),
                     args + QStringList{"--dir", dir.path(), "--com", QString::number(kCom), "--log", dir.filePath("sim.log")});
    ASSERT_TRUE(simProcess.waitForReadyRead(5000) && simProcess.readLine().startsWith("ready "))
        << simProcess.readAllStandardError().constData();
  }
  frmUtility& open() {
    w = std::make_unique<frmUtility>(dir.path());
    EXPECT_TRUE(w->Form_Load());
    return *w;
  }
  QByteArray state(const char* key) { return SimState(dir.path(), kCom, key); }
  // The commands the simulator has received so far, without their carriage returns.
  QStringList received() {
    QFile f(dir.filePath("sim.log"));
    QStringList out;
    if (!f.open(QIODevice::ReadOnly)) return out;
    for (const QByteArray& line : f.readAll().split('\n')) {
      const QList<QByteArray> parts = line.split(' ');
      if (parts.size() >= 3 && parts[1] == "<-") out << QString::fromLatin1(parts[2]).remove(QStringLiteral("<0D>"));
    }
    return out;
  }
  // What one click sent: the commands received after it.
  QStringList sentBy(QPushButton* button) {
    const qsizetype before = received().size();
    button->click();
    return received().mid(before);
  }

  QTemporaryDir dir;
  QString ini;
  ScriptedPrompter prompter;
  ScopedPrompter scoped;
  QProcess simProcess;
  std::unique_ptr<frmUtility> w;
};

TEST_F(Devices, EVexilParametersAreReadAndTheThreeWritesReachTheController) {
  startSim({"evexil"});
  frmUtility& u = open();
  EXPECT_EQ(u.cmbCommPort->currentText(), u"COM7");
  EXPECT_FALSE(u.FrameVexil[0]->isEnabled());
  u.btnConnect->click();
  ASSERT_EQ(u.btnConnect->text(), u"Disconnect");
  EXPECT_TRUE(u.FrameVexil[2]->isEnabled());
  EXPECT_EQ(u.txtEncMax[0]->text(), u"1296000");
  EXPECT_EQ(u.txtSlowDown[0]->text(), u"2048");  // "PA=08,08": units of 256
  EXPECT_EQ(u.txtSlowDown[3]->text(), u"512");
  EXPECT_EQ(u.lblVersion->text(), u"VR=E-Vexil SIM 2.10");
  EXPECT_EQ(u.txtRate->text(), u"1296000");

  // The observer knows each "送信" by the frame it sits in.
  const auto sendIn = [&](int frame) {
    const auto buttons = u.FrameVexil[frame]->findChildren<QPushButton*>();
    return buttons.size() == 1 ? buttons[0] : nullptr;
  };
  QPushButton* sendCounts = sendIn(0);
  QPushButton* sendSlowDown = sendIn(1);
  QPushButton* sendRate = sendIn(2);
  ASSERT_TRUE(sendCounts && sendSlowDown && sendRate);

  // Cancel sends nothing.
  u.txtEncMax[0]->setText(QStringLiteral("648000"));
  prompter.push(Answer::Cancel);
  EXPECT_EQ(sentBy(sendCounts), QStringList{});
  EXPECT_EQ(state("rev1"), "1296000");

  prompter.push(Answer::Ok);
  EXPECT_EQ(sentBy(sendCounts), QStringList{"RD#0009E340#0013C680"});
  EXPECT_EQ(prompter.asked().back().title, u"周回ステップ数の設定");
  EXPECT_EQ(state("rev1"), "648000");
  EXPECT_EQ(state("rev2"), "1296000");

  for (int k = 0; k < 4; ++k) u.txtSlowDown[k]->setText(QString::number(std::array{2560, 512, 256, 1000}[k]));
  prompter.push(Answer::Ok);
  EXPECT_EQ(sentBy(sendSlowDown), (QStringList{"PA#0A#02", "SL#01#03"}));
  EXPECT_EQ(prompter.asked().back().title, u"スローダウンステップ数の設定");
  EXPECT_EQ(state("pa"), "10,2");
  EXPECT_EQ(state("sl"), "1,3");
  EXPECT_EQ(state("freq"), "1296000");

  u.optRate[1]->click();  // King rate: the whole part of 648000 x 0.9997
  EXPECT_EQ(u.txtRate->text(), u" 647805");
  prompter.push(Answer::Ok);
  EXPECT_EQ(sentBy(sendRate), QStringList{"RD&00647805"});
  EXPECT_EQ(prompter.asked().back().title, u"恒星時周波数の設定");
  EXPECT_EQ(state("freq"), "647805");
  EXPECT_EQ(state("pa"), "10,2");
  EXPECT_TRUE(u.lblVexilMessage->text().isEmpty()) << qPrintable(u.lblVexilMessage->text());

  // The controller confirms no write: whatever it answers (here not "OK"), the value it took
  // is not reported as refused. Only "?", its answer to a command it does not know, is.
  SimControl(dir.path(), kCom, "fault garbage");
  u.optRate[0]->click();
  prompter.push(Answer::Ok);
  EXPECT_EQ(sentBy(sendRate), QStringList{"RD&00648000"});
  EXPECT_EQ(state("freq"), "648000");
  EXPECT_TRUE(u.lblVexilMessage->text().isEmpty()) << qPrintable(u.lblVexilMessage->text());
  SimControl(dir.path(), kCom, "fault normal");

  // A value the controller cannot hold is refused before anything is asked or sent.
  const size_t asked = prompter.asked().size();
  u.txtEncMax[1]->setText(QStringLiteral("12x"));
  u.Command3[0]->click();
  EXPECT_EQ(prompter.asked().size(), asked);
  EXPECT_FALSE(u.lblVexilMessage->text().isEmpty());

  u.btnConnect->click();
  EXPECT_EQ(u.btnConnect->text(), u"Connect");
  EXPECT_TRUE(u.txtEncMax[0]->text().isEmpty());
  EXPECT_FALSE(u.FrameVexil[1]->isEnabled());
}

TEST_F(Devices, AnOlderEVexilWithoutSlowDownPairTwoGetsOnlyThePaPairAndRefusesTheSlPair) {
  startSim({"evexil", "--old-firmware"});
  frmUtility& u = open();
  u.btnConnect->click();
  ASSERT_EQ(u.btnConnect->text(), u"Disconnect");
  EXPECT_EQ(u.txtSlowDown[2]->text(), u"---");
  EXPECT_EQ(u.lblVersion->text(), u"不明");
  QPushButton* sendSlowDown = u.FrameVexil[1]->findChild<QPushButton*>();
  prompter.push(Answer::Ok);
  EXPECT_EQ(sentBy(sendSlowDown), QStringList{"PA#08#08"});
  EXPECT_TRUE(u.lblVexilMessage->text().isEmpty()) << qPrintable(u.lblVexilMessage->text());

  // Numbers typed over the "---": the controller answers "?" to the SL pair, and says so.
  u.txtSlowDown[2]->setText(QStringLiteral("512"));
  u.txtSlowDown[3]->setText(QStringLiteral("512"));
  prompter.push(Answer::Ok);
  EXPECT_EQ(sentBy(sendSlowDown), (QStringList{"PA#08#08", "SL#02#02"}));
  EXPECT_TRUE(u.lblVexilMessage->text().contains(u"受け付けませんでした")) << qPrintable(u.lblVexilMessage->text());
}

// The controller places its fields by position; the characters around them carry nothing.
TEST(EVexilReplies, FieldsAreReadByPositionAndAMissingOrForeignFieldIsNoNumber) {
  uint32_t a = 0, b = 0;
  EXPECT_TRUE(EVexilProgrammer::ParseRevolution(QStringLiteral("RD=0013C680,0009E340"), a, b));
  EXPECT_EQ(a, 1296000u);
  EXPECT_EQ(b, 648000u);
  EXPECT_TRUE(EVexilProgrammer::ParseRevolution(QStringLiteral("rd 0009e340 FFFFFFFF  "), a, b));
  EXPECT_EQ(a, 648000u);
  EXPECT_EQ(b, 4294967295u);
  for (const char* bad : {"RD=0013C680,0009E34", "RD=0013C680", "RD0013C680,0009E340", "RD=0013C68G,0009E340", "RD=+013C680,0009E340", ""})
    EXPECT_FALSE(EVexilProgrammer::ParseRevolution(QString::fromLatin1(bad), a, b)) << bad;

  EXPECT_TRUE(EVexilProgrammer::ParseSlowDown(QStringLiteral("PA=0A,02"), a, b));
  EXPECT_EQ(a, 2560u);
  EXPECT_EQ(b, 512u);
  EXPECT_TRUE(EVexilProgrammer::ParseSlowDown(QStringLiteral("SL ff 01"), a, b));
  EXPECT_EQ(a, 255u * 256);
  EXPECT_EQ(b, 256u);
  for (const char* bad : {"PA=0A,2", "PA=0A", "?", "PA=-1,02", "PA= A,02"})
    EXPECT_FALSE(EVexilProgrammer::ParseSlowDown(QString::fromLatin1(bad), a, b)) << bad;
}

TEST_F(Devices, AnEVexilGoneSilentOrAnsweringGarbageLeavesTheUtilityAndTheSettingsWhole) {
  startSim({"evexil"});
  frmUtility& u = open();
  u.txtLocation[6]->setText(QStringLiteral("55"));  // an unsaved edit that must survive
  const QString heightBefore = ReadIni(ini, "Location", "HEIGHT");

  SimControl(dir.path(), kCom, "fault garbage");
  u.btnConnect->click();
  EXPECT_TRUE(u.txtEncMax[0]->text().isEmpty());
  EXPECT_TRUE(u.lblVexilMessage->text().contains(u"正しくありません")) << qPrintable(u.lblVexilMessage->text());

  // Silent in the middle of a write: Retry waits again, Abort gives the controller up.
  SimControl(dir.path(), kCom, "fault normal");
  u.btnConnect->click();
  u.btnConnect->click();
  ASSERT_EQ(u.txtEncMax[0]->text(), u"1296000");
  SimControl(dir.path(), kCom, "fault silent");
  prompter.clear();
  prompter.push(Answer::Ok);
  prompter.push(Answer::Retry);
  prompter.push(Answer::Abort);
  u.Command3[0]->click();
  ASSERT_EQ(prompter.asked().size(), 3u);
  EXPECT_EQ(prompter.asked()[1].title, u"タイムアウト");
  EXPECT_EQ(u.btnConnect->text(), u"Connect");
  EXPECT_FALSE(u.lblVexilMessage->text().isEmpty());
  EXPECT_EQ(u.txtLocation[6]->text(), u"55");
  EXPECT_EQ(ReadIni(ini, "Location", "HEIGHT"), heightBefore);
  EXPECT_EQ(ReadIni(ini, "PUBLIC", "FormSizeChange"), u"2");
  // And the utility still saves the observer's edit afterwards.
  u.btnOK_Click(1);
  EXPECT_EQ(ReadIni(ini, "Location", "HEIGHT"), u"55");
}

// The test panel on the USB board's simulated dome (made quick here), then on the serial
// controller's simulator: connect, turn by hand, zero the count, see the Z mark.
void TurnUntilZMark(frmUtility& u, int direction) {
  DomeTestPanel& p = *u.domePanel();
  ASSERT_TRUE(p.isEnabled());
  p.btnCounter[0]->click();
  ASSERT_TRUE(p.PanelConnected());
  EXPECT_EQ(p.btnCounter[0]->text(), u"切断");
  EXPECT_FALSE(u.Frame6->isEnabled());  // the controller choice waits for the disconnect
  ASSERT_TRUE(WaitFor([&] { return p.lblCounter->text() == u" 0" || !p.lblCounter->text().isEmpty(); }, 2000));

  // Turn a little, zero the count there, turn on: the count runs from the new zero.
  QPushButton* turn = p.btnCounter[direction > 0 ? 3 : 2];
  emit turn->pressed();
  Wait(400);
  emit turn->released();
  Wait(400);
  p.btnCounter[1]->click();
  Wait(200);
  EXPECT_LT(std::abs(QStringView(p.lblCounter->text()).trimmed().toInt()), 40) << qPrintable(p.lblCounter->text());

  p.chkZ->click();
  ASSERT_TRUE(p.chkZ->isChecked());
  EXPECT_EQ(p.lblCounter->palette().color(QPalette::Window), QColor(128, 255, 255));
  emit turn->pressed();
  const bool seen = WaitFor([&] { return !p.chkZ->isChecked(); }, 20000);
  emit turn->released();
  ASSERT_TRUE(seen) << "the Z mark was not seen";
  EXPECT_EQ(p.lblCounter->palette().color(QPalette::Window), QColor(255, 192, 128));
  EXPECT_NE(QStringView(p.lblCounter->text()).trimmed().toInt(), 0);

  p.btnCounter[0]->click();
  EXPECT_FALSE(p.PanelConnected());
  EXPECT_TRUE(u.Frame6->isEnabled());
  EXPECT_FALSE(p.btnCounter[2]->isEnabled());
}

TEST_F(Devices, DomePanelOnTheUsbBoardSeesTheZMarkAndTheWeatherCode) {
  frmUtility& u = open();
  SimulatedEpx30sc* board = nullptr;
  u.domePanel()->setBinder([&](int controller, SharedState& s) {
    SimulatedBoardConfig c = SimulatedBoardConfig::fromSettings(ini);
    c.dome.maxSpeed = 40;
    c.dome.acceleration = 200;
    auto b = std::make_unique<SimulatedEpx30sc>(dir.path(), c);
    board = b.get();
    return BindDomeDriver(controller, s, dir.path(), ini, std::move(b));
  });
  TurnUntilZMark(u, 1);
  ASSERT_NE(board, nullptr);

  // The raw weather code: rain on input port 2.
  u.domePanel()->btnCounter[0]->click();
  board->setWeatherByte(252);
  ASSERT_TRUE(WaitFor([&] { return !u.domePanel()->Label11->text().isEmpty(); }, 3000));
  EXPECT_EQ(u.domePanel()->Label11->text().size(), 2);
  // The slit runs only while its button is held.
  emit u.domePanel()->btnOpenClose[0]->pressed();
  Wait(300);
  emit u.domePanel()->btnOpenClose[0]->released();
  board->advanceNow();
  EXPECT_GT(board->dome().slit, 0.0);
  EXPECT_LT(board->dome().slit, 1.0);
  u.close();
  board = nullptr;
}

TEST_F(Devices, DomePanelOnTheSerialControllerSeesTheZMark) {
  startSim({"quarn", "--dome-rate", "40", "--azimuth", "100"});
  frmUtility& u = open();
  u.optController[1]->click();
  EXPECT_TRUE(u.cmbQuarnport->isEnabled());
  EXPECT_EQ(u.cmbQuarnport->currentText(), u"COM7");
  TurnUntilZMark(u, 1);
  EXPECT_EQ(state("fault"), "normal");

  // The controller falls silent while connected: the driver asks, Abort leaves the utility
  // running with the controller given up, and the settings untouched but for the layout.
  DomeTestPanel& p = *u.domePanel();
  p.btnCounter[0]->click();
  ASSERT_TRUE(p.PanelConnected());
  const QString height = ReadIni(ini, "Location", "HEIGHT");
  SimControl(dir.path(), kCom, "fault silent");
  prompter.clear();
  ASSERT_TRUE(WaitFor([&] { return !prompter.asked().empty(); }, 10000));
  emit p.btnCounter[3]->pressed();
  emit p.btnCounter[3]->released();
  Wait(300);
  p.btnCounter[0]->click();
  EXPECT_FALSE(p.PanelConnected());
  EXPECT_EQ(ReadIni(ini, "Location", "HEIGHT"), height);
  EXPECT_EQ(ReadIni(ini, "DOME", "ENC3_PULSES"), u"3600");
}

// A utility killed with a motor button held leaves the relay latched on: the next connect
// stops rotation and slit before anything else, and closing the utility with the slit button
// still held stops the slit.
TEST_F(Devices, DomePanelStopsWhatAKilledProgramLeftRunningAndStopsAgainOnClose) {
  startSim({"quarn", "--outputs", "1110"});
  ASSERT_EQ(state("rotation"), "increasing");
  ASSERT_EQ(state("slitMotor"), "opening");
  frmUtility& u = open();
  u.optController[1]->click();
  DomeTestPanel& p = *u.domePanel();
  p.btnCounter[0]->click();
  ASSERT_TRUE(p.PanelConnected());
  EXPECT_EQ(state("rotation"), "stopped");
  EXPECT_EQ(state("slitMotor"), "stopped");
  // The serial controller has no weather inputs, and says so.
  ASSERT_TRUE(WaitFor([&] { return !p.Label11->text().isEmpty(); }, 3000));
  EXPECT_EQ(p.Label11->text(), QStringLiteral("気象入力なし"));

  emit p.btnOpenClose[0]->pressed();
  EXPECT_EQ(state("slitMotor"), "opening");
  u.close();
  EXPECT_EQ(state("slitMotor"), "stopped");
  EXPECT_TRUE(prompter.asked().empty());
}

TEST_F(Devices, NoDomeControllerDisablesThePanel) {
  frmUtility& u = open();
  u.optController[2]->click();
  EXPECT_FALSE(u.domePanel()->isEnabled());
  EXPECT_FALSE(u.cmbQuarnport->isEnabled());
}

}  // namespace
}  // namespace orvan
