// The dome loop's decisions: following with its tolerance and the horizon rule, reversals
// through stillness, the slit's timed run, the follow button, manual alignment, start-up
// alignment and the home search, and the slew hook.
#include "DomeLoopFixture.h"

#include "Clock.h"
#include "DomeDriverBinding.h"
#include "FakeSerialLink.h"
#include "ProgramEnd.h"

using namespace orvan;
using orvan::test::DomeLoopFixture;

namespace {

using DomeFollow = DomeLoopFixture;

TEST_F(DomeFollow, ErrorEqualToTheToleranceStopsSlightlyMoreStarts) {
  connectFollowing();
  domeAt(10.1);  // 2.1 ahead of the target 8.0: turn back towards decreasing azimuth
  loop.DomeLoopTimer_Timer();
  EXPECT_FLOAT_EQ(s.dome.DomeError, 2.1f);
  EXPECT_EQ(dome.relays, QStringList({"R21"}));
  EXPECT_EQ(view.rotationLamp[0], Lamp::Active);
  domeAt(10.0);  // exactly the tolerance
  loop.DomeLoopTimer_Timer();
  EXPECT_EQ(dome.relays, QStringList({"R21", "R23"}));
  EXPECT_EQ(s.dome.DomeMotion, 0);
  domeAt(5.9);  // 2.1 behind: towards increasing azimuth
  loop.DomeLoopTimer_Timer();
  EXPECT_EQ(dome.relays.last(), "R22");
  EXPECT_EQ(view.caption[0], "5.9");
  EXPECT_EQ(view.caption[1], "8.0");
}

TEST_F(DomeFollow, NothingIsCommandedForATelescopeAtOrBelowTheHorizon) {
  connectFollowing();
  domeAt(100);
  // 0 is also what a mount that has not reported yet leaves.
  for (double alt : {0.0, -12.5}) {
    s.mount.TelAltitude = alt;
    loop.DomeLoopTimer_Timer();
  }
  EXPECT_TRUE(dome.relays.isEmpty());
  s.mount.TelAltitude = 0.1;
  loop.DomeLoopTimer_Timer();
  EXPECT_EQ(dome.relays, QStringList({"R21"}));
}

TEST_F(DomeFollow, AReversalStopsWaitsForStillnessThenStartsTheOtherWay) {
  connectFollowing();
  domeAt(20);
  loop.DomeLoopTimer_Timer();  // turning towards decreasing azimuth
  ASSERT_EQ(dome.relays, QStringList({"R21"}));
  domeAt(4);                   // overshot: the next tick reverses
  runOn(2);                    // the dome coasts on for two more readings after the stop
  loop.DomeLoopTimer_Timer();
  EXPECT_EQ(dome.relays, QStringList({"R21", "R23", "R22"}));
  EXPECT_EQ(waits, std::vector<long>({1000, 1000}));
  EXPECT_EQ(s.dome.DomeMotion, 1);
}

TEST_F(DomeFollow, TicksAndRequestsDuringAReversalNeverStartASecondOne) {
  connectFollowing();
  domeAt(20);
  loop.DomeLoopTimer_Timer();
  domeAt(4);
  runOn(3);
  duringWait = [&] {
    loop.DomeLoopTimer_Timer();  // a tick while the tick waits: skipped
    loop.Mission(21);            // the other way again: becomes the direction to start
    loop.Mission(22);            // and back: the latest wish wins
  };
  loop.DomeLoopTimer_Timer();
  EXPECT_EQ(dome.relays, QStringList({"R21", "R23", "R22"}));
}

TEST_F(DomeFollow, AStopDuringAReversalCancelsIt) {
  connectFollowing();
  domeAt(20);
  loop.DomeLoopTimer_Timer();
  domeAt(4);
  runOn(1);
  duringWait = [&] {
    loop.BtnDomeLR_Click(2);  // the observer switches following off: command 23
  };
  loop.DomeLoopTimer_Timer();
  EXPECT_EQ(dome.relays, QStringList({"R21", "R23"}));
  EXPECT_EQ(s.dome.DomeMotion, 0);
}

TEST_F(DomeFollow, ADomeThatNeverStandsStillIsReportedAndLeftStopped) {
  connectFollowing();
  domeAt(20);
  loop.DomeLoopTimer_Timer();
  domeAt(4);
  runOn(1000);
  loop.DomeLoopTimer_Timer();
  EXPECT_EQ(waits.size(), static_cast<size_t>(DomeLoop::kDomeWaitChecks));
  ASSERT_EQ(prompter.asked().size(), 1u);
  EXPECT_EQ(prompter.asked()[0].text, QStringLiteral("ドームが停止しません\nドームの追尾を止めました"));
  EXPECT_FALSE(dome.relays.contains("R22"));
  EXPECT_EQ(dome.relays.last(), "R23");
  EXPECT_FALSE(s.dome.DomeAuto);
  EXPECT_EQ(view.rotationLamp[2], Lamp::Idle);
}

TEST_F(DomeFollow, SensorsAreReadOnlyWhenFitted) {
  connectFollowing();
  domeAt(8);
  loop.DomeLoopTimer_Timer();
  EXPECT_FALSE(dome.calls.contains("GetSensor"));
  s.SensorFitted[1] = true;
  dome.sensor = "01";
  loop.DomeLoopTimer_Timer();
  // The power-failure input has no sensor on it: shown as not fitted, whatever it reads.
  EXPECT_EQ(view.weather, QStringList({"-1"}));
}

// The weather an input cannot tell is not "clear", and an input with no sensor never acts:
// with RainClose = 1 a floating rain input used to close the slit of an observer who had
// declared no rain sensor.
TEST_F(DomeFollow, ASensorNotFittedNeverActsAndAnUnreadableOneIsUnknown) {
  WriteIni(ini, "Option", "RainClose", "1");
  connectFollowing();
  domeAt(8);
  s.SensorFitted[0] = true;
  s.dome.SlitState = 2;  // open
  for (const char* read : {"11", "01", "??", "1"}) {
    dome.sensor = read;
    loop.DomeLoopTimer_Timer();
  }
  EXPECT_EQ(view.weather, QStringList({"1-", "0-", "?-", "?-"}));
  EXPECT_FALSE(dome.relays.contains("R25"));
  EXPECT_EQ(s.dome.SlitState, 2);
  // Both fitted, inputs that read as no known pattern: unknown, and the slit stays.
  s.SensorFitted[1] = true;
  dome.sensor = "??";
  loop.DomeLoopTimer_Timer();
  EXPECT_EQ(view.weather.last(), "??");
  EXPECT_FALSE(dome.relays.contains("R25"));
  // Nothing new this tick (a power failure being confirmed): nothing reported.
  const qsizetype reports = view.weather.size();
  dome.sensor = "";
  loop.DomeLoopTimer_Timer();
  EXPECT_EQ(view.weather.size(), reports);
  // A controller without weather inputs is not asked, and its weather is unknown.
  dome.weatherInputs = false;
  dome.calls.clear();
  loop.DomeLoopTimer_Timer();
  EXPECT_FALSE(dome.calls.contains("GetSensor"));
  EXPECT_EQ(view.weather.last(), "??");
}

// Rain or snow closes the slit only when Option/RainClose is 1; otherwise it is only reported.
TEST_F(DomeFollow, RainClosesTheSlitOnlyWhenTheObserverAskedForIt) {
  for (bool rainClose : {false, true}) {
    SCOPED_TRACE(rainClose);
    WriteIni(ini, "Option", "RainClose", rainClose ? "1" : "0");
    loop.Disconnect();
    connectFollowing();
    domeAt(8);
    s.SensorFitted[1] = true;
    s.dome.SlitState = 2;  // open
    dome.sensor = "10";    // a power failure alone never closes it
    loop.DomeLoopTimer_Timer();
    dome.sensor = "01";
    loop.DomeLoopTimer_Timer();
    EXPECT_EQ(dome.relays.contains("R25"), rainClose);
    EXPECT_EQ(s.dome.SlitState, rainClose ? -1 : 2);
    // Closing already: no second command while the rain goes on, and snow with a power
    // failure is rain too.
    dome.relays.clear();
    dome.sensor = "11";
    loop.DomeLoopTimer_Timer();
    EXPECT_TRUE(dome.relays.isEmpty());
    // A telescope below the horizon skips the tick, but not the weather.
    s.dome.SlitState = 0;
    s.mount.TelAltitude = -5.0;
    const qsizetype reports = view.weather.size();
    loop.DomeLoopTimer_Timer();
    EXPECT_EQ(view.weather.size(), reports + 1);
    EXPECT_EQ(dome.relays.contains("R25"), rainClose);
    s.mount.TelAltitude = 45.0;
    s.dome.SlitState = 2;
    dome.relays.clear();
  }
}

using DomeSlit = DomeLoopFixture;

TEST_F(DomeSlit, OpeningWhileClosingStopsPausesAndOpensWithAFreshCount) {
  connectFollowing();
  loop.btnDomeSlit_MouseDown(1);
  EXPECT_EQ(s.dome.SlitState, -1);
  loop.OneSecTimer_Timer();
  EXPECT_EQ(s.dome.SlitCountdown, 3);
  loop.btnDomeSlit_MouseDown(0);
  EXPECT_EQ(dome.relays, QStringList({"R25", "R26", "R24"}));
  EXPECT_EQ(waits, std::vector<long>({1000}));
  EXPECT_EQ(s.dome.SlitState, 1);
  EXPECT_EQ(s.dome.SlitCountdown, 4);
  EXPECT_EQ(view.slitLamp[0], Lamp::Active);
  EXPECT_EQ(view.slitLamp[1], Lamp::Idle);
}

TEST_F(DomeSlit, TheTimerCompletesTheRunAndAnOpenSlitIgnoresOpen) {
  connectFollowing();
  loop.btnDomeSlit_MouseDown(0);
  // The first tick may come at once after the start: SLIT_TIMER (3) ticks are not yet
  // three seconds of the motor, the next one is.
  for (int i = 0; i < 3; ++i) loop.OneSecTimer_Timer();
  EXPECT_EQ(s.dome.SlitState, 1);
  EXPECT_EQ(dome.relays, QStringList({"R24"}));
  loop.OneSecTimer_Timer();
  EXPECT_EQ(s.dome.SlitState, 2);
  EXPECT_EQ(view.slitLamp[0], Lamp::Done);
  EXPECT_EQ(dome.relays, QStringList({"R24", "R26"}));
  loop.Mission(24);
  loop.OneSecTimer_Timer();
  EXPECT_EQ(dome.relays, QStringList({"R24", "R26"}));
  // The close button while closing stops the slit part-way.
  loop.btnDomeSlit_MouseDown(1);
  loop.btnDomeSlit_MouseDown(1);
  EXPECT_EQ(s.dome.SlitState, 0);
  EXPECT_EQ(dome.relays, QStringList({"R24", "R26", "R25", "R26"}));
  EXPECT_EQ(view.slitLamp[1], Lamp::Idle);
}

TEST_F(DomeSlit, ALaterSlitCommandDuringThePauseWins) {
  connectFollowing();
  loop.Mission(25);
  duringWait = [&] { loop.Mission(26); };  // stop pressed during the pause
  loop.Mission(24);
  EXPECT_EQ(dome.relays, QStringList({"R25", "R26", "R26"}));
  EXPECT_EQ(s.dome.SlitState, 0);
}

using DomeButtons = DomeLoopFixture;

TEST_F(DomeButtons, AShortFollowPressOnlyToggles) {
  connectFollowing();
  s.mount.AxisOfs[2] = 55;
  loop.BtnDomeLR_MouseDown(2);
  EXPECT_TRUE(loop.NagaoshiTimerEnabled());
  loop.BtnDomeLR_MouseUp(2);
  EXPECT_FALSE(loop.NagaoshiTimerEnabled());
  loop.BtnDomeLR_Click(2);
  EXPECT_FALSE(s.dome.DomeAuto);
  EXPECT_FALSE(s.dome.DomeAutoRun);
  EXPECT_EQ(view.rotationLamp[2], Lamp::Idle);
  EXPECT_TRUE(dome.relays.isEmpty());  // it was not turning: no stop to send
  EXPECT_EQ(s.mount.AxisOfs[2], 55);
  EXPECT_TRUE(ReadIni(ini, "DOME", "LastEnc").isEmpty());
}

TEST_F(DomeButtons, ALongFollowPressTakesTheDomePositionAsAlignedAndFollows) {
  connectFollowing();
  s.dome.DomeTarget = 90.0f;
  domeAt(50);  // count 500
  loop.BtnDomeLR_MouseDown(2);
  loop.NagaoshiTimer_Timer();  // 1.5 s later, still held
  EXPECT_FALSE(loop.NagaoshiTimerEnabled());
  loop.BtnDomeLR_MouseUp(2);
  loop.BtnDomeLR_Click(2);
  // 90 degrees is 900 counts: offset 900 - 500.
  EXPECT_EQ(s.mount.AxisOfs[2], 400);
  EXPECT_TRUE(iniText().contains("LastEnc= 900\n"));
  EXPECT_TRUE(iniText().contains("DOME_Z_CW= 400\n"));
  EXPECT_TRUE(s.dome.DomeAuto);
  EXPECT_TRUE(s.dome.DomeAutoRun);
  EXPECT_EQ(view.rotationLamp[2], Lamp::Active);
}

TEST_F(DomeButtons, ManualRotationAlignsOnReleaseOnlyWhileFollowing) {
  connectFollowing();
  s.dome.DomeTarget = 12.0f;
  loop.BtnDomeLR_MouseDown(1);
  EXPECT_FALSE(s.dome.DomeAutoRun);
  domeAt(30);
  loop.BtnDomeLR_MouseUp(1);
  EXPECT_EQ(dome.relays, QStringList({"R22", "R23"}));
  EXPECT_EQ(s.mount.AxisOfs[2], 120 - 300);
  EXPECT_TRUE(iniText().contains("LastEnc= 120\n"));
  EXPECT_TRUE(iniText().contains("DOME_Z_CW=-180\n"));
  EXPECT_TRUE(s.dome.DomeAutoRun);

  loop.BtnDomeLR_Click(2);  // following off
  QFile::remove(ini);
  loop.BtnDomeLR_MouseDown(0);
  domeAt(10);
  loop.BtnDomeLR_MouseUp(0);
  EXPECT_EQ(s.mount.AxisOfs[2], -180);
  EXPECT_FALSE(QFile::exists(ini));
}

TEST_F(DomeButtons, AlignmentRoundsHalfCountsToEven) {
  connectFollowing();
  s.mount.AxisRev[2] = 720;  // two counts a degree
  domeAt(0);
  s.dome.DomeTarget = 1.25f;  // 2.5 counts: the even neighbour is 2
  loop.BtnDomeLR_MouseDown(1);
  loop.BtnDomeLR_MouseUp(1);
  EXPECT_EQ(s.mount.AxisOfs[2], 2);
  s.dome.DomeTarget = 1.75f;  // 3.5 counts: 4
  loop.BtnDomeLR_MouseDown(1);
  loop.BtnDomeLR_MouseUp(1);
  EXPECT_EQ(s.mount.AxisOfs[2], 4);
}

using DomeStartUp = DomeLoopFixture;

TEST_F(DomeStartUp, WithoutASwitchTheStoredAzimuthIsRestoredAgainstTheKeptCount) {
  WriteIni(ini, "DOME", "LastEnc", " 1000");
  dome.count = 300;  // the board kept counting while the program was away
  loop.StartUp();
  EXPECT_EQ(s.mount.AxisOfs[2], 700);
  EXPECT_TRUE(dome.calls.contains("DomeSetZflag(-1)"));
  EXPECT_TRUE(view.homeFound);
  EXPECT_TRUE(view.panelsEnabled);
  EXPECT_TRUE(s.dome.DomeAuto);  // Dome_Auto absent: follow
  EXPECT_EQ(view.rotationLamp[2], Lamp::Active);
  EXPECT_TRUE(prompter.asked().empty());
}

TEST_F(DomeStartUp, HomeMemoryOfTheControllerGivesTheStoredOffset) {
  WriteIni(ini, "DOME", "DOME_Z_CW", "-250");
  WriteIni(ini, "DOME", "Dome_Auto", "1");
  dome.memoryAfterConnect = 1;
  loop.StartUp();
  EXPECT_EQ(s.mount.AxisOfs[2], -250);
  EXPECT_FALSE(s.dome.DomeAuto);  // Dome_Auto = 1: the observer starts following
}

TEST_F(DomeStartUp, ASwitchedDomeAsksAndSearchesTheHome) {
  s.domeSettings.Dome_LimitSWC = true;
  WriteIni(ini, "DOME", "DOME_Z_CW", " 1234");
  prompter.push(Answer::Ok);
  loop.StartUp();
  ASSERT_EQ(prompter.asked().size(), 1u);
  EXPECT_EQ(prompter.asked()[0].title, QStringLiteral("ドーム原点"));
  EXPECT_EQ(prompter.asked()[0].text,
            QStringLiteral("ドームの原点検出を行いますか？\nOKボタンで右回転して原点を検出します。"));
  EXPECT_EQ(prompter.asked()[0].buttons, Buttons::OkCancel);
  EXPECT_EQ(prompter.asked()[0].icon, Icon::Question);
  EXPECT_EQ(view.waitWindowClosed, 1);
  EXPECT_TRUE(view.noticeVisible);
  EXPECT_EQ(view.noticeText, QStringLiteral("\nドーム原点を検索中"));
  EXPECT_EQ(dome.relays, QStringList({"R22"}));
  EXPECT_EQ(waits, std::vector<long>({100}));
  EXPECT_TRUE(dome.calls.contains("DomeZsearch(-1)"));
  EXPECT_FALSE(view.homeFound);
  EXPECT_FALSE(s.dome.DomeAuto);  // no following before the home is known

  loop.DomeLoopTimer_Timer();  // not yet
  EXPECT_EQ(dome.relays, QStringList({"R22"}));
  dome.indexSeen = true;
  loop.DomeLoopTimer_Timer();
  EXPECT_EQ(dome.relays, QStringList({"R22", "R23"}));
  EXPECT_EQ(s.mount.AxisOfs[2], 1234);
  EXPECT_TRUE(view.homeFound);
  EXPECT_FALSE(view.noticeVisible);
  EXPECT_TRUE(s.dome.DomeAuto);
}

TEST_F(DomeStartUp, DecliningTheSearchKeepsTheStoredAlignment) {
  s.domeSettings.Dome_LimitSWC = true;
  WriteIni(ini, "DOME", "LastEnc", " 2000");
  dome.count = 1500;
  prompter.push(Answer::Cancel);
  loop.StartUp();
  EXPECT_TRUE(dome.calls.contains("DomeSetZflag(-1)"));
  EXPECT_EQ(s.mount.AxisOfs[2], 500);
  EXPECT_TRUE(view.homeFound);
  EXPECT_TRUE(dome.relays.isEmpty());
}

TEST_F(DomeStartUp, AHomeSearchThatFindsNothingGivesUp) {
  s.domeSettings.Dome_LimitSWC = true;
  prompter.push(Answer::Ok);
  loop.StartUp();
  const int ticks = static_cast<int>(DomeLoop::kHomeSearchLimitMs / loop.LoopInterval()) + 1;
  for (int i = 0; i < ticks; ++i) loop.DomeLoopTimer_Timer();
  EXPECT_EQ(dome.relays, QStringList({"R22", "R23"}));
  EXPECT_TRUE(dome.calls.contains("DomeZsearch(0)"));
  EXPECT_EQ(prompter.asked().back().text, QStringLiteral("ドームの原点が見つかりません\nドームを止めました"));
}

TEST_F(DomeStartUp, ARememberedHomeNeedsNoQuestion) {
  s.domeSettings.Dome_LimitSWC = true;
  WriteIni(ini, "DOME", "DOME_Z_CW", " 77");
  dome.zflagAfterConnect = kTrue;
  loop.StartUp();
  EXPECT_TRUE(prompter.asked().empty());
  EXPECT_EQ(s.mount.AxisOfs[2], 77);
  EXPECT_TRUE(view.homeFound);
}

TEST_F(DomeStartUp, AFailedConnectionTurnsTheDomeOffForTheRun) {
  dome.connectResult = kFalse;
  loop.StartUp();
  EXPECT_FALSE(s.dome.DomeInUse);
  EXPECT_FALSE(view.panelsEnabled);
  dome.calls.clear();
  loop.DomeLoopTimer_Timer();
  loop.BtnDomeLR_MouseDown(0);
  loop.BtnDomeLR_MouseUp(0);
  loop.Mission(24);
  loop.Disconnect();
  EXPECT_TRUE(dome.calls.isEmpty());
  EXPECT_TRUE(dome.relays.isEmpty());
}

TEST_F(DomeStartUp, ZeroPulsesPerTurnIsRefusedBeforeConnecting) {
  s.mount.AxisRev[2] = 0;
  loop.StartUp();
  ASSERT_EQ(prompter.asked().size(), 1u);
  EXPECT_EQ(prompter.asked()[0].title, QStringLiteral("ドーム設定エラー"));
  EXPECT_FALSE(s.dome.DomeInUse);
  EXPECT_FALSE(dome.calls.contains("DomeConnect(-1)"));
}

TEST_F(DomeStartUp, DisconnectKeepsTheAlignmentOfAnAlignedDomeOnly) {
  connectFollowing();
  s.mount.AxisOfs[2] = 7300;  // more than a turn: stored reduced
  domeAt(10);
  loop.Disconnect();
  EXPECT_TRUE(iniText().contains("LastEnc= 200\n"));
  EXPECT_TRUE(iniText().contains("DOME_Z_CW= 100\n"));
  EXPECT_EQ(dome.calls.last(), "DomeConnect(0)");

  // A home search that never finished leaves the stored values alone.
  QFile::remove(ini);
  s.domeSettings.Dome_LimitSWC = true;
  prompter.push(Answer::Ok);
  loop.StartUp();
  loop.Disconnect();
  EXPECT_FALSE(QFile::exists(ini));
}

using DomeSlewHook = DomeLoopFixture;

TEST_F(DomeSlewHook, GotoAimsAtTheTargetAndTheEndHandsBackToTheTelescope) {
  connectFollowing();
  s.dome.DomeTargetMode = 0;
  loop.TelSlewing(1);
  EXPECT_EQ(s.dome.DomeTargetMode, 1);
  s.dome.DomeAutoRun = false;
  loop.TelSlewing(2);
  EXPECT_EQ(s.dome.DomeTargetMode, 0);
  EXPECT_TRUE(s.dome.DomeAutoRun);
}

TEST_F(DomeSlewHook, AParkedDomeStaysHomeWhenTheParkGotoEnds) {
  connectFollowing();
  loop.TelSlewing(1);  // the mount's park goto
  s.dome.DomeTargetMode = 2;
  loop.TelSlewing(2);
  EXPECT_EQ(s.dome.DomeTargetMode, 2);
  loop.TelSlewing(0);  // the observer moves the telescope by hand
  EXPECT_EQ(s.dome.DomeTargetMode, 0);
}

// A serial controller that never answers: one question, no dome command after it but the
// stop, and the alignment the settings hold survives the run.
TEST(SerialDome, ASilentControllerNeverOverwritesTheStoredAlignment) {
  orvan::test::EnsureApplication();
  QTemporaryDir dir;
  const QString ini = dir.path() + "/OrvanMirel.ini";
  WriteIni(ini, "DOME", "LastEnc", " 1234");
  WriteIni(ini, "DOME", "DOME_Z_CW", " 500");
  SharedState s;
  s.domeSettings.Controller = 1;
  s.domeSettings.CommPort = 5;
  s.mount.AxisRev[2] = 3600;
  s.mount.TelAltitude = 30;
  s.dome.RelayTable[22] = QStringLiteral("01").leftJustified(32, u'*');
  s.dome.RelayTable[23] = QStringLiteral("00").leftJustified(32, u'*');
  ManualClock clock(QDate(2026, 12, 7), 3600);
  ScopedClock scopedClock(clock);
  ScriptedPrompter prompter;
  ScopedPrompter scoped(prompter);
  prompter.push(Answer::Ignore);
  auto link = std::make_unique<FakeSerialLink>();
  FakeSerialLink* fake = link.get();
  fake->attachClock(&clock);
  BoundDome bound = BindDomeDriver(1, s, dir.path(), ini, nullptr, QuarnHost{}, std::move(link));
  ACal2 acal(s.site, s.mount);
  orvan::test::RecordingDomeView view;
  DomeLoop loop(s, acal, view, ini);
  loop.setDriver(bound.driver.get());
  loop.setWait([](long) {});
  loop.StartUp();
  ASSERT_TRUE(loop.connected());
  for (int i = 0; i < 3; ++i) loop.DomeLoopTimer_Timer();
  loop.BtnDomeLR_MouseDown(1);
  loop.BtnDomeLR_MouseUp(1);  // a release while following would align the dome
  loop.Disconnect();
  EXPECT_EQ(prompter.asked().size(), 1u);
  EXPECT_EQ(ReadIni(ini, "DOME", "LastEnc").trimmed(), "1234");
  EXPECT_EQ(ReadIni(ini, "DOME", "DOME_Z_CW").trimmed(), "500");
  // After the question only stops went out.
  for (qsizetype i = 1; i < fake->writes.size(); ++i)
    EXPECT_EQ(fake->writes[i], "$12" + s.dome.RelayTable[23].toLatin1() + "#\r") << i;
}

// Every DOME/Controller value starts, ticks, takes button presses and shuts down safely.
TEST(DomeControllerChoice, EveryControllerValueIsSafe) {
  orvan::test::EnsureApplication();
  for (int controller : {0, 1, 2, 7}) {
    SCOPED_TRACE(controller);
    QTemporaryDir dir;
    const QString ini = dir.path() + "/OrvanMirel.ini";
    WriteIni(ini, "DOME", "ENC3_PULSES", " 3600");
    WriteIni(ini, "RELAY", "$022", "11");
    WriteIni(ini, "RELAY", "$023", "0*");
    SharedState s;
    s.domeSettings.Controller = controller;
    s.mount.AxisRev[2] = 3600;
    s.mount.TelAltitude = 30;
    ScriptedPrompter prompter;
    ScopedPrompter scoped(prompter);
    int ended = 0;
    auto previous = SetEndProgramHook([&] { ++ended; });
    BoundDome bound = BindDomeDriver(controller, s, dir.path(), ini);
    ACal2 acal(s.site, s.mount);
    orvan::test::RecordingDomeView view;
    DomeLoop loop(s, acal, view, ini);
    loop.setDriver(bound.driver.get());
    loop.setWait([](long) {});
    loop.StartUp();
    for (int i = 0; i < 3; ++i) loop.DomeLoopTimer_Timer();
    loop.BtnDomeLR_MouseDown(1);
    loop.BtnDomeLR_MouseUp(1);
    loop.btnDomeSlit_MouseDown(0);
    loop.OneSecTimer_Timer();
    loop.TelSlewing(2);
    loop.Disconnect();
    SetEndProgramHook(previous);
    EXPECT_EQ(ended, 0);
    EXPECT_EQ(bound.driver != nullptr, controller >= 0 && controller <= 2);
    EXPECT_EQ(loop.connected(), false);
    if (controller == 0) {
      EXPECT_FALSE(bound.driver->simulationNotice().isEmpty());
      EXPECT_TRUE(s.dome.DomeInUse);
    }
    if (controller == 1) {
      // No port for the serial controller: connected with nothing behind it, no question,
      // no home search, nothing followed and no alignment written.
      EXPECT_FALSE(bound.driver->hasPort());
      EXPECT_TRUE(prompter.asked().empty());
      EXPECT_TRUE(s.dome.DomeInUse);
      EXPECT_FALSE(s.dome.DomeAuto);
      EXPECT_EQ(ReadIni(ini, "DOME", "LastEnc"), QString());
    }
    if (controller == 2 || controller == 7) {
      EXPECT_TRUE(prompter.asked().empty());
    }
  }
}

}  // namespace
