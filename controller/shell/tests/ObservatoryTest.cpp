// The observatory without its window: start-up and shutdown order, mount selection from the
// catalog, park, the horizon detour and the mission dispatcher, driven as the window and the
// links drive them and read back from a recording view and a recording mount. The test runs
// on a core application: a widget made anywhere in the observatory would abort it.
#include "IniFile.h"
#include "MountCatalog.h"
#include "ProgramFolderFixture.h"
#include "RecordingObservatoryView.h"
#include "SettingsTexts.h"
#include "Shared.h"

#include <QCoreApplication>
#include <memory>

using namespace orvan;
using namespace orvan::test;

namespace {

class ObservatoryTest : public ProgramFolderTest {
 protected:
  RecordingObservatoryView view;
  std::vector<QString> bridgeCmds;
  std::unique_ptr<Observatory> obs;

  void TearDown() override {
    obs.reset();
    ProgramFolderTest::TearDown();
  }
  MainWindowParts parts() {
    MainWindowParts p = recordingParts([this]() -> SharedState& { return obs->state(); });
    p.ascomSendCmd = [this](const QString& cmd) { bridgeCmds.push_back(cmd); };
    return p;
  }
  bool start() {
    obs = std::make_unique<Observatory>(view, parts());
    obs->setStartWait(0);
    return obs->Form_Load();
  }
};

TEST_F(ObservatoryTest, StartsInOrderAndEndsSavingTheLayoutBeforeLettingGo) {
  settings(kSite + "[PUBLIC]\nFormSizeChange= 1\nLoopTimer= 500\n[DOME]\nController= 2\n" + kNoPark);
  ASSERT_TRUE(start());
  // Topmost, the position, the list, the title's wait, then the ports and the settings, and
  // the stored layout last: the mount connects with everything read.
  const QStringList order{"setTopmost", "restorePosition", "showMountList", "showTitle", "showPortList",
                          "showFields", "attachDomeLoop", "showLayout 1 0"};
  int last = -1;
  for (const QString& step : order) {
    const int at = view.at(step);
    EXPECT_GT(at, last) << step.toStdString() << " in " << view.log.join(", ").toStdString();
    last = at;
  }
  EXPECT_EQ(view.mountList, MountCatalog::entries(false));
  EXPECT_EQ(view.selectedMountEntry(), QStringLiteral("Meade LX200GPS"));
  EXPECT_EQ(mount().calls, QStringList{"cmdConnect 1"});
  EXPECT_EQ(mount().modelText(), QStringLiteral("LX200GPS"));
  EXPECT_TRUE(obs->loopTimer()->isActive());
  EXPECT_EQ(obs->loopTimer()->interval(), 500);
  EXPECT_FALSE(obs->domeInUse());
  EXPECT_EQ(view.speed, 2);
  // The startup wait window came and went around the connection.
  EXPECT_LT(view.at("showStartupWait 1"), view.at("showStartupWait 0"));

  // A second controller on the same folder says so and touches nothing.
  RecordingObservatoryView secondView;
  {
    Observatory second(secondView, parts());
    second.setStartWait(0);
    EXPECT_FALSE(second.Form_Load());
  }
  EXPECT_EQ(secondView.log, (QStringList{"setTopmost", "showAlreadyRunning OrvanMirel"}));

  // The mini layout is stored as the hand layout; the mount lets go before the position is
  // saved and the windows go.
  obs->FormSizeChange(10);
  WriteIni(ini(), "PUBLIC", "FormSizeChange", "7");
  view.log.clear();
  EXPECT_TRUE(obs->CloseRequested());
  EXPECT_EQ(ReadIni(ini(), "PUBLIC", "FormSizeChange").trimmed(), "1");
  EXPECT_TRUE(mount().calls.contains("cmdConnect 0"));
  EXPECT_FALSE(obs->loopTimer()->isActive());
  EXPECT_EQ(view.log, (QStringList{"savePosition", "unloadAllWindows"}));
}

TEST_F(ObservatoryTest, ACloseDuringTheStartWaitEndsItBeforeAnySettingIsRead) {
  settings(kSite + "[PUBLIC]\nFormSizeChange= 1\n[DOME]\nController= 2\n");
  obs = std::make_unique<Observatory>(view, parts());
  obs->setStartWait(60000);
  // The close is kept while the start runs; the start then ends at once.
  bool accepted = true;
  view.duringTitle = [&] { accepted = obs->CloseRequested(); };
  EXPECT_FALSE(obs->Form_Load());
  EXPECT_FALSE(accepted);
  EXPECT_TRUE(view.logged("closeTitle"));
  EXPECT_FALSE(view.logged("showPortList"));
  EXPECT_FALSE(view.logged("showFields"));
  EXPECT_TRUE(fakes.empty());
  EXPECT_EQ(ReadIni(ini(), "PUBLIC", "FormSizeChange").trimmed(), "1");
}

TEST_F(ObservatoryTest, MountSelectionFollowsTheCatalog) {
  fakeEntries << QStringLiteral("Temma2M") << QStringLiteral("TemmaPC/PC Jr.") << QStringLiteral("ASCOM");
  settings(kNoDome + kNoPark + "[ASCOM]\nUse=True\n");
  QFile bridge(dir.filePath(QStringLiteral("ascomconnect")));
  ASSERT_TRUE(bridge.open(QIODevice::WriteOnly));
  bridge.close();
  ASSERT_TRUE(start());
  EXPECT_EQ(view.mountList, MountCatalog::entries(true));
  EXPECT_EQ(view.layout, 2);

  // The Temma models share one driver; each names its model and offers no middle rate.
  view.choose(QStringLiteral("Temma2M"));
  obs->cmbTelescope_Click();
  view.choose(QStringLiteral("TemmaPC/PC Jr."));
  obs->cmbTelescope_Click();
  ASSERT_EQ(fakes.size(), 2u);  // the LX200GPS of the settings, one Temma
  EXPECT_EQ(obs->Telescope(), fakes[1]);
  EXPECT_EQ(fakes[1]->modelText(), QStringLiteral("TemmaPC"));
  EXPECT_EQ(view.rates, (std::array<bool, 3>{true, false, true}));
  EXPECT_TRUE(view.directionEnabled);
  EXPECT_FALSE(view.bridgeChooser);

  // The bridge: its chooser in the place of the port, no hand motion, and its name asked for.
  view.choose(QStringLiteral("ASCOM"));
  obs->cmbTelescope_Click();
  EXPECT_TRUE(view.bridgeChooser);
  EXPECT_FALSE(view.directionEnabled);
  EXPECT_EQ(view.rates, (std::array<bool, 3>{false, false, false}));
  EXPECT_EQ(bridgeCmds, std::vector<QString>{QStringLiteral("cmdName")});
  // Unnamed, it does not leave the set-up layout.
  obs->btnDetail_Click();
  EXPECT_EQ(obs->windowLayout(), 2);

  // A family without a driver in this build binds nothing, says so, and only asks when the
  // observer chose it.
  view.choose(QStringLiteral("E-Vexil"));
  obs->cmbTelescope_Click(false);
  EXPECT_EQ(obs->Telescope(), nullptr);
  EXPECT_TRUE(prompter.asked().empty());
  obs->cmbTelescope_Click(true);
  ASSERT_EQ(prompter.asked().size(), 1u);
  EXPECT_EQ(prompter.asked()[0].text, NoDriverNote(QStringLiteral("E-Vexil")));
  EXPECT_EQ(view.telescopeName, NoDriverNote(QStringLiteral("E-Vexil")));
  EXPECT_FALSE(view.directionEnabled);
  EXPECT_FALSE(view.bridgeChooser);
  // Entering the hand layout without a driver sends nothing anywhere and stays in set-up.
  obs->btnDetail_Click();
  EXPECT_EQ(obs->windowLayout(), 2);
  EXPECT_EQ(ReadIni(ini(), "TELESCOPE", "Telescope").trimmed(), "0");
  for (FakeMountDriver* f : fakes) EXPECT_FALSE(f->calls.contains("cmdConnect 1"));
}

TEST_F(ObservatoryTest, ParkAsksMovesBlinksAndGivesBackARefusedGoto) {
  settings(kNoDome + "[PARK]\nAZ=0\nAlt=54\n");
  ASSERT_TRUE(start());
  FakeMountDriver& m = mount();
  // Nothing known to park before the first connection: the asking program hears NG at once.
  obs->Mission(54);
  ASSERT_FALSE(linkSent.empty());
  EXPECT_EQ(linkSent.back(), std::make_pair(2, QString("NG")));
  obs->btnDetail_Click();
  ASSERT_EQ(obs->windowLayout(), 1);
  EXPECT_EQ(obs->parkMode(), 1);
  EXPECT_TRUE(view.parkEnabled);

  // Refused: no stop left asked for, the earlier target back.
  MountState& s = obs->state().mount;
  s.GotoRA = 1234;
  s.GotoDec = 5678;
  s.GotoEpoch = QStringLiteral("J2000");
  m.gotoAnswer = false;
  prompter.push(Answer::Ok);
  obs->btnP_Click();
  EXPECT_FALSE(obs->blinkTimer()->isActive());
  EXPECT_EQ(s.StopRequest, kFalse);
  EXPECT_EQ(s.GotoRA, 1234);
  EXPECT_EQ(s.GotoDec, 5678);
  EXPECT_EQ(s.GotoEpoch, QStringLiteral("J2000"));

  // Taken: it blinks until the observer presses again, which stops the mount.
  m.gotoAnswer = true;
  m.calls.clear();
  prompter.push(Answer::Ok);
  obs->btnP_Click();
  EXPECT_TRUE(obs->blinkTimer()->isActive());
  EXPECT_EQ(s.StopRequest, kTrue);
  ASSERT_EQ(m.calls.size(), 1);
  EXPECT_TRUE(m.calls[0].endsWith(" EOD"));
  obs->BlinkTimer_Timer();
  EXPECT_TRUE(view.parkBlink);
  obs->btnP_Click();
  EXPECT_FALSE(view.parkBlink);
  EXPECT_FALSE(obs->blinkTimer()->isActive());
  EXPECT_EQ(m.calls.last(), "cmdStop");
  EXPECT_EQ(prompter.asked().size(), 2u);
}

TEST_F(ObservatoryTest, MissionCodes) {
  settings(kNoDome + "[PARK]\nAZ=0\nAlt=54\n");
  ASSERT_TRUE(start());
  FakeMountDriver& m = mount();
  // Park mode is not known before the first connection: 54 does nothing.
  obs->state().mount.StopRequest = kFalse;
  obs->Mission(54);
  EXPECT_EQ(obs->state().mount.StopRequest, kFalse);
  EXPECT_FALSE(m.calls.join(',').contains("cmdGoto"));

  // Observation start from the set-up layout connects and reports.
  obs->Mission(51, "on");
  EXPECT_EQ(obs->windowLayout(), 1);
  EXPECT_TRUE(m.calls.contains("cmdConnect 1"));
  ASSERT_FALSE(linkSent.empty());
  EXPECT_EQ(linkSent.back(), std::make_pair(99, QString("1000000100")));
  EXPECT_EQ(obs->parkMode(), 1);

  obs->state().mount.InMissionCall = kTrue;
  obs->Mission(99);
  EXPECT_EQ(linkSent.back(), std::make_pair(99, QString("1000010100")));
  obs->state().mount.InMissionCall = kFalse;

  // Following on and off; anything else leaves it.
  obs->Mission(57, "on");
  EXPECT_TRUE(obs->state().dome.DomeAutoRun);
  obs->Mission(57, "ON");
  obs->Mission(57, "");
  EXPECT_TRUE(obs->state().dome.DomeAutoRun);
  obs->Mission(57, "off");
  EXPECT_FALSE(obs->state().dome.DomeAutoRun);

  m.calls.clear();
  obs->Mission(52);
  obs->Mission(56);
  EXPECT_EQ(m.calls, (QStringList{"cmdStop", "cmdStop"}));

  // Codes without an action, with texts that would mean something elsewhere.
  m.calls.clear();
  const size_t sent = linkSent.size();
  for (int code : {0, 1, 20, 27, 37, 40, 50, 53, 55, 61, 68, 69, 70, 97, 100, 255, -1, 32767}) {
    obs->Mission(static_cast<int16_t>(code), "on");
    obs->Mission(static_cast<int16_t>(code), "off");
  }
  obs->Mission(51, "maybe");
  EXPECT_TRUE(m.calls.isEmpty()) << m.calls.join(',').toStdString();
  EXPECT_EQ(linkSent.size(), sent);
  EXPECT_EQ(obs->windowLayout(), 1);
  EXPECT_EQ(obs->state().planetarium.ObservationOn, kTrue);

  // Observation end parks by the park mode.
  obs->Mission(51, "off");
  EXPECT_EQ(obs->state().planetarium.ObservationOn, kFalse);
  EXPECT_EQ(obs->state().mount.StopRequest, kTrue);
  ASSERT_EQ(m.calls.size(), 1);
  EXPECT_TRUE(m.calls[0].startsWith("cmdGoto ")) << m.calls[0].toStdString();
  EXPECT_EQ(obs->state().mount.GotoEpoch, "EOD");

  // 98 ends the program.
  m.calls.clear();
  obs->Mission(98);
  EXPECT_TRUE(view.closed);
  EXPECT_TRUE(m.calls.contains("cmdConnect 0"));
  EXPECT_FALSE(obs->loopTimer()->isActive());
}

TEST_F(ObservatoryTest, ASlewThatDipsBelowTheHorizonGoesRoundByThePoleOnlyForAFamilyThatNeedsIt) {
  fakeEntries << QStringLiteral("E-Vexil");
  settings(QByteArray(kNoDome).replace("Telescope= 5", "Telescope= 0") + kNoPark);
  ASSERT_TRUE(start());
  MountState& s = obs->state().mount;
  FakeMountDriver& m = mount();
  s.GotoRA = 3600;
  s.GotoDec = -72000;
  m.state = 2;
  m.alt = "-1.5";
  m.calls.clear();
  obs->LoopTimer_Timer();
  EXPECT_EQ(m.calls.filter("cmdGoto"), QStringList{"cmdGoto 3600 320400 EOD"});
  // The driver took the detour as its goto; low still, nothing more; above 20 degrees the
  // interrupted goto resumes, not the detour's.
  s.GotoDec = 320400;
  m.alt = "19.9";
  obs->LoopTimer_Timer();
  m.alt = "-3";
  obs->LoopTimer_Timer();
  EXPECT_EQ(m.calls.filter("cmdGoto").size(), 1);
  m.alt = "20.5";
  obs->LoopTimer_Timer();
  EXPECT_EQ(m.calls.filter("cmdGoto").last(), "cmdGoto 3600 -72000 EOD");
  // Another family never detours.
  view.choose(QStringLiteral("Meade LX200GPS"));
  obs->cmbTelescope_Click();
  ASSERT_EQ(fakes.size(), 2u);
  ASSERT_EQ(obs->Telescope(), fakes.back());
  FakeMountDriver& lx = *fakes.back();
  lx.state = 2;
  lx.alt = "-5";
  lx.calls.clear();
  obs->LoopTimer_Timer();
  EXPECT_TRUE(lx.calls.filter("cmdGoto").isEmpty());
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
