// Whole nights with the simulator programs on pseudo-terminals linked as the program folder's
// COM ports: the real start wait, the hand controller, park, the set-up layout; nights with the
// simulated dome board or the serial dome controller following the telescope; a cooperating
// program and INDI's tools on the application link. The simulator's log is the record of what
// reached the mount; the board's status file is where the dome really stands.
#include "NightFixture.h"

using namespace orvan;
using namespace orvan::test;

TEST_F(EVexilNight, PositionHandMoveParkAndTheLog) {
  settings(QByteArray(site()).replace("Telescope= 5", "Telescope= 0") +
           "[TELESCOPE]\nBackLash= 1\nOverRun= 3600\n[DOME]\nController= 2\n");
  startReal(0);
  ASSERT_EQ(w->windowLayout(), 1);
  ASSERT_TRUE(obs().Telescope()->isConnected());
  EXPECT_EQ(obs().state().mount.AxisRev[0], 1296000);
  EXPECT_TRUE(waitUntil([&] { return hms(line(0)) >= 0; }, 5)) << line(0).toStdString();

  // A hand move west at the fast rate, then its end: the hour axis ran forward, tracking again.
  size_t mark = received().size();
  click(find("optSpeed_0"));
  press(find("btnNSWE_3"));
  Wait(800);
  release(find("btnNSWE_3"));
  EXPECT_TRUE(waitUntil([&] { return commandsSince(mark).contains("SP1<0D>"); }, 3));
  EXPECT_TRUE(commandsSince(mark).contains("DVRAF4<0D>")) << commandsSince(mark).join(' ').toStdString();

  // Park: two relative moves, handed to the main loop when both axes stand, then stopped.
  prompter.push(Answer::Ok);
  mark = received().size();
  click(find("btnP"));
  click(find("chkDisp_2"));
  EXPECT_TRUE(waitUntil([&] { return commandsSince(mark).filter(QRegularExpression("^DV(RA|DC)[FR]4#")).size() >= 2; }, 5));
  EXPECT_TRUE(waitUntil([&] { return obs().state().mount.TelState != 2 && !obs().blinkTimer()->isActive(); }, 40));
  Wait(600);
  EXPECT_NEAR(number(line(0)), 54.0, 0.3) << line(0).toStdString();
  EXPECT_TRUE(commandsSince(mark).last() == "SP0<0D>" || commandsSince(mark).contains("SP0<0D>"));

  // The set-up layout disconnects and logs where the axes stand.
  click(find("btnDetail"));
  EXPECT_EQ(w->windowLayout(), 2);
  EXPECT_FALSE(ReadIni(ini(), "EncLog", "EncOfs1").isEmpty());
  EXPECT_EQ(prompter.asked().size(), 1u);
  w->close();
}

TEST_F(Rst400Night, HomingWindowHomeSearchParkAndLayouts) {
  settings(QByteArray(site()).replace("Telescope= 5", "Telescope= 6") +
           "[HUBO]\nLocalData0= 1\nLocalData1= 1\nLocalData2= 0\n[DOME]\nController= 2\n");
  startReal(0);
  ASSERT_EQ(w->windowLayout(), 1);
  ASSERT_TRUE(obs().Telescope()->isConnected());
  ASSERT_NE(homing(), nullptr);
  EXPECT_TRUE(homing()->isVisible());
  EXPECT_TRUE(homing()->windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_EQ(homingText("lblStatus0"), QString::fromUtf8("送信済み"));
  EXPECT_EQ(homingText("lblStatus1"), QString::fromUtf8("送信済み"));
  EXPECT_EQ(homingText("lblStatus2"), QString());
  EXPECT_EQ(homingText("lblHOME"), QString::fromUtf8("未検出"));
  const QStringList start = commandsSince(0);
  EXPECT_TRUE(start.mid(0, 2) == QStringList({":SPH#<0D>", ":SPE#<0D>"})) << start.join(' ').toStdString();

  // The home search pauses the main loop and darkens the position; home found, the offset is
  // stored and the loop runs again.
  click(homing()->findChild<QWidget*>("btnHOME"));
  EXPECT_FALSE(obs().loopTimer()->isActive());
  EXPECT_TRUE(line(0).isEmpty());
  ASSERT_TRUE(waitUntil([&] { return homingText("lblHOME") == QString::fromUtf8("検出済み"); }, 15));
  EXPECT_TRUE(obs().loopTimer()->isActive());
  EXPECT_EQ(ReadIni(ini(), "HUBO", "EncOfs2").trimmed().toInt(), obs().state().mount.AxisOfs[1]);
  EXPECT_EQ(ReadIni(ini(), "HUBO", "EncOfs1").trimmed().toInt(), obs().state().mount.AxisOfs[0]);
  EXPECT_FALSE(ReadIni(ini(), "HUBO", "EncOfs1").isEmpty());
  EXPECT_TRUE(waitUntil([&] { return !line(0).isEmpty(); }, 3));

  // Park: the goto in the HUBO-i's words, ended stopped at the park place.
  prompter.push(Answer::Ok);
  size_t mark = received().size();
  click(find("btnP"));
  ASSERT_TRUE(waitUntil([&] { return commandsSince(mark).contains(":MS#<0D>"); }, 5));
  click(find("chkDisp_2"));
  EXPECT_TRUE(waitUntil([&] { return obs().state().mount.TelState != 2 && !obs().blinkTimer()->isActive(); }, 40));
  Wait(600);
  EXPECT_NEAR(number(line(0)), 54.0, 0.3) << line(0).toStdString();
  const QStringList parked = commandsSince(mark);
  EXPECT_TRUE(parked.contains(":Gr#<0D>") && parked.contains(":CtL#<0D>")) << parked.join(' ').toStdString();
  EXPECT_TRUE(parked.lastIndexOf(":Q#<0D>") > parked.lastIndexOf(":MS#<0D>")) << parked.join(' ').toStdString();

  // The mini layout hides the window, the hand layout shows it; the hand layout's stop unloads it.
  click(find("btnSize"));
  EXPECT_EQ(w->windowLayout(), 0);
  EXPECT_FALSE(homing()->isVisible());
  click(find("btnSize"));
  EXPECT_TRUE(homing()->isVisible());
  click(find("btnDetail"));
  EXPECT_EQ(w->windowLayout(), 2);
  EXPECT_FALSE(homing()->isVisible());

  // In the set-up layout: another mount chosen keeps it hidden; the RST-400 chosen again and
  // the set-up left connects, and start-up shows the window once more.
  auto* list = find<QComboBox>("cmbTelescope");
  const auto choose = [&](const QString& entry) {
    list->setCurrentIndex(list->findText(entry));
    emit list->activated(list->currentIndex());
  };
  choose("Meade LX200GPS");
  EXPECT_FALSE(homing()->isVisible());
  choose("RST-400(HUBO-i)");
  click(find("btnDetail"));
  EXPECT_EQ(w->windowLayout(), 1);
  EXPECT_TRUE(obs().Telescope()->isConnected());
  EXPECT_TRUE(homing()->isVisible());
  EXPECT_EQ(ReadIni(ini(), "TELESCOPE", "Telescope").trimmed(), "6");
  EXPECT_EQ(prompter.asked().size(), 1u);
  w->close();
}

TEST_F(Night, Lx200GpsFromStartWaitToSetUpLayout) {
  settings(site() + "[DOME]\nController= 2\n");
  const QDateTime began = QDateTime::currentDateTime();
  startReal(2000);
  ASSERT_EQ(w->windowLayout(), 1);
  ASSERT_NE(obs().Telescope(), nullptr);
  EXPECT_TRUE(obs().Telescope()->isConnected());
  const auto first = received();
  ASSERT_FALSE(first.empty());
  EXPECT_GE(began.msecsTo(first.front().first), 2000);  // nothing reached the mount during the title

  // All four modes show the position the main loop reads.
  const QRegularExpression formats[4] = {QRegularExpression("^\\d\\dh\\d\\dm\\d\\d\\.\\ds$"),
                                         QRegularExpression("^\\d\\dh\\d\\dm\\d\\d\\.\\ds$"),
                                         QRegularExpression("^ALT +-?\\d+\\.\\d\\d°$"),
                                         QRegularExpression("^\\d\\d:\\d\\d:\\d\\d$")};
  for (int mode : {0, 1, 2, 3}) {
    click(find(qPrintable(QStringLiteral("chkDisp_%1").arg(mode))));
    EXPECT_TRUE(waitUntil([&] { return formats[mode].match(line(0)).hasMatch(); }, 5)) << mode << " " << line(0).toStdString();
  }

  // Held fast on the "W" button for a second and a half: the handset's W is the mount's east
  // (":Me#"), so the tube turns toward rising stars and the right ascension grows.
  click(find("chkDisp_1"));
  Wait(600);
  const double raBefore = hms(line(0));
  ASSERT_GE(raBefore, 0) << line(0).toStdString();
  const QString shownBefore = line(0);
  size_t mark = received().size();
  click(find("optSpeed_0"));
  press(find("btnNSWE_3"));
  Wait(1500);
  release(find("btnNSWE_3"));
  // The driver may stop a running slew first (":Q#"); then the rate, the move and its end.
  // The simulator logs what it has read: give it a moment to read the last bytes.
  const QStringList held{":RS#", ":Me#", ":Qe#", ":Q#"};
  EXPECT_TRUE(waitUntil([&] { const QStringList c = commandsSince(mark); return c.mid(c.size() - 4) == held; }, 3))
      << commandsSince(mark).join(' ').toStdString();
  EXPECT_TRUE(waitUntil([&] { return line(0) != shownBefore; }, 3)) << shownBefore.toStdString();
  Wait(600);
  const double gained = std::fmod(hms(line(0)) - raBefore + 86400, 86400);
  EXPECT_GT(gained, 60) << shownBefore.toStdString() << " -> " << line(0).toStdString();
  EXPECT_LT(gained, 43200) << shownBefore.toStdString() << " -> " << line(0).toStdString();
  mark = received().size();
  press(find("btnNSWE_4"));
  release(find("btnNSWE_4"));
  EXPECT_TRUE(waitUntil([&] { return commandsSince(mark).contains(":Q#"); }, 3));

  // Park after confirmation: the lamp turns to slewing, and back to tracking at the park place.
  prompter.push(Answer::Ok);
  mark = received().size();
  click(find("btnP"));
  ASSERT_EQ(prompter.asked().size(), 1u);
  EXPECT_TRUE(obs().blinkTimer()->isActive());
  waitUntil([&] { return commandsSince(mark).contains(":MS#"); }, 3);
  const QStringList goTo = commandsSince(mark);
  EXPECT_TRUE(goTo.filter(QRegularExpression("^:Sr")).size() == 1 && goTo.filter(QRegularExpression("^:Sd")).size() == 1 &&
              goTo.contains(":MS#"))
      << goTo.join(' ').toStdString();
  EXPECT_TRUE(waitUntil([&] { return shownColour(find("Picture1")) == QColor(255, 255, 128); }, 5));
  click(find("chkDisp_2"));
  EXPECT_TRUE(waitUntil([&] { return obs().state().mount.TelState != 2 && !obs().blinkTimer()->isActive(); }, 40));
  Wait(600);
  EXPECT_NEAR(number(line(0)), 54.0, 0.3) << line(0).toStdString();
  EXPECT_NEAR(number(line(1)), 180.0, 0.5) << line(1).toStdString();  // due south, counted from north
  // The park ends stopped, as a park asked for by a cooperating program does: the mount got
  // its stop after the goto, and the status word says the mission call has ended.
  const QStringList parked = commandsSince(mark);
  EXPECT_TRUE(parked.lastIndexOf(":Q#") > parked.lastIndexOf(":MS#")) << parked.join(' ').toStdString();
  EXPECT_EQ(obs().state().mount.StopRequest, kFalse);
  ASSERT_FALSE(linkSent.empty());
  EXPECT_EQ(linkSent.back(), std::make_pair(99, QString("0000010100")));

  // Back to the set-up layout: a clean disconnect, nothing left to answer.
  click(find("btnDetail"));
  EXPECT_EQ(w->windowLayout(), 2);
  EXPECT_FALSE(obs().Telescope()->isConnected());
  EXPECT_TRUE(line(0).isEmpty());
  EXPECT_EQ(prompter.asked().size(), 1u);
  w->close();
  EXPECT_EQ(ReadIni(ini(), "PUBLIC", "FormSizeChange"), "2");
}

TEST_F(Night, AMountPortThatDoesNotOpenKeepsTheSetUpLayout) {
  // The mount's port is not there: the observer is told once, the window stays in the set-up
  // layout with "2" stored for the next start, no dome and no loop runs.
  settings(QByteArray(site()).replace("CommPort=" + QByteArray::number(kCom), "CommPort=" + QByteArray::number(kCom + 1)) +
           "[DOME]\nController= 0\nENC3_PULSES= 3600\nHomePosition=-1\n");
  startReal(0);
  EXPECT_EQ(w->windowLayout(), 2);
  ASSERT_EQ(prompter.asked().size(), 1u);
  EXPECT_EQ(prompter.asked()[0].text, QString::fromUtf8("LX200側のCOMポートがOPENできません"));
  EXPECT_TRUE(prompter.asked()[0].title.startsWith(QString::fromUtf8("COMポートオープンエラー (")));
  EXPECT_EQ(ReadIni(ini(), "PUBLIC", "FormSizeChange"), "2");
  EXPECT_FALSE(obs().loopTimer()->isActive());
  EXPECT_FALSE(obs().domeLoopTimer()->isActive());
  EXPECT_FALSE(obs().domeLoop()->connected());
  EXPECT_FALSE(obs().Telescope()->isConnected());
  // Nothing reached the simulator on the other port, and nothing was logged for the mount.
  EXPECT_TRUE(received().empty());
  EXPECT_EQ(ReadIni(ini(), "EncLog", "EncOfs1"), "");
}

TEST_F(Night, ASilentMountAtConnectIsGivenUpWithoutEndingTheProgram) {
  // The mount's port opens but nothing answers: one question; Ignore gives the mount up, the
  // window stays open in the set-up layout with "2" stored, no loop and no dome runs.
  ASSERT_EQ(QProcess::execute(sim.program(), {"ctl", "--dir", dir.path(), "--com", QString::number(kCom), "fault", "silent"}), 0);
  settings(site() + "[DOME]\nController= 0\nENC3_PULSES= 3600\nHomePosition=-1\n");
  prompter.push(Answer::Ignore);
  startReal(0);
  Wait(500);  // whatever the driver left for the event loop runs now
  ASSERT_EQ(prompter.asked().size(), 1u);
  EXPECT_EQ(prompter.asked()[0].title, QString::fromUtf8("タイムアウト"));
  EXPECT_TRUE(w->isVisible());
  EXPECT_EQ(w->windowLayout(), 2);
  EXPECT_EQ(ReadIni(ini(), "PUBLIC", "FormSizeChange"), "2");
  EXPECT_FALSE(obs().loopTimer()->isActive());
  EXPECT_FALSE(obs().domeLoop()->connected());
  EXPECT_FALSE(obs().Telescope()->isConnected());
  // Given up: a goto asked for now is refused and nothing more is written to the mount.
  const size_t before = received().size();
  double ra = 0, dec = 0;
  obs().acal().HorizontalToEquatorial(0, 60, ra, dec);
  EXPECT_FALSE(obs().Telescope()->cmdGoto(ra, dec, "EOD"));
  Wait(300);
  EXPECT_EQ(received().size(), before);
  EXPECT_EQ(ReadIni(ini(), "EncLog", "EncOfs1"), "");  // no encoder log from a mount never heard
}

TEST_F(Night, AbortAtASilentMountDuringTheStartEndsTheProgramCleanly) {
  // Abort ends the program, but only once the transaction and the start-up step have
  // returned: the start-up then shuts down as on any close and says the program must end.
  ASSERT_EQ(QProcess::execute(sim.program(), {"ctl", "--dir", dir.path(), "--com", QString::number(kCom), "fault", "silent"}), 0);
  settings(site() + "[DOME]\nController= 2\n");
  prompter.push(Answer::Abort);
  MainWindowParts p;
  w = std::make_unique<frmMain>(p);
  obs().setStartWait(0);
  EXPECT_FALSE(w->Form_Load());
  ASSERT_EQ(prompter.asked().size(), 1u);
  EXPECT_EQ(ReadIni(ini(), "PUBLIC", "FormSizeChange"), "2");
  EXPECT_FALSE(obs().Telescope()->isConnected());
  EXPECT_FALSE(obs().loopTimer()->isActive());
  // The planetarium port went with it.
  EXPECT_FALSE(QFileInfo(dir.filePath("ports/COM9")).isSymLink());
  EXPECT_EQ(ReadIni(ini(), "EncLog", "EncOfs1"), "");
}

TEST_F(Night, DomeFollowsParksAndKeepsItsAlignmentOverARestart) {
  // Outputs 0 and 1 turn the dome (left, right), 2 and 3 run the slit (open, close); "*"
  // leaves an output as it is.
  const auto pattern = [](const char* p) { return QByteArray(p).leftJustified(32, '*'); };
  const QByteArray dome =
      "[DOME]\nController= 0\nLoopTimer= 200\nENC3_PULSES= 3600\nUpDown= 1\nSLIT_TIMER= 3\nDOME_REVOLVE= 3\n"
      "HomePosition= 270\nDOME_RADIUS= 1250\nDome_Auto= 0\nDome_LimitSWC= 0\n"
      "[RELAY]\n$021=" + pattern("10") + "\n$022=" + pattern("01") + "\n$023=" + pattern("00") + "\n$024=" +
      pattern("**10") + "\n$025=" + pattern("**01") + "\n$026=" + pattern("**00") + "\n";
  settings(site() + dome);
  const QString status = dir.filePath("EPX30SC.status");
  const auto board = [&](const char* key) -> double {
    for (const QByteArray& l : readFile(status).split('\n'))
      if (l.startsWith(QByteArray(key) + '=')) return l.mid(qstrlen(key) + 1).toDouble();
    return NAN;
  };
  const auto offBy = [](double a, double b) {
    double d = std::fmod(a - b + 540.0, 360.0) - 180.0;
    return std::fabs(d);
  };
  // Without a home switch the controller counts the dome's azimuth from where it was last
  // aligned (LastEnc), not from the board's true north: the dome stands where the
  // controller's own azimuth says, and the board has stopped turning.
  const auto standsAt = [&](double az) {
    return waitUntil([&] { return board("speed") == 0 && obs().state().dome.DomeMotion == 0 && offBy(obs().state().dome.DomeAngle, az) <= 3.5; },
                     60);
  };
  startReal(0);
  ASSERT_EQ(w->windowLayout(), 1);
  ASSERT_TRUE(obs().domeLoop()->connected());
  EXPECT_TRUE(obs().state().dome.DomeAuto);
  EXPECT_TRUE(w->findChild<QWidget*>(QStringLiteral("DomePanel"))->isVisibleTo(w.get()));

  // A goto south-west: the dome turns to the telescope's azimuth (from south, through west).
  double ra = 0, dec = 0;
  obs().acal().HorizontalToEquatorial(40, 55, ra, dec);
  ASSERT_TRUE(obs().Telescope()->cmdGoto(ra, dec, "EOD"));
  EXPECT_EQ(obs().state().dome.DomeTargetMode, 1);
  EXPECT_TRUE(standsAt(40)) << obs().state().dome.DomeAngle;
  // Following the tracking telescope, the dome's error stays within DOME_REVOLVE.
  float worst = 0;
  for (int i = 0; i < 20; ++i) {
    Wait(150);
    worst = std::max(worst, std::fabs(obs().state().dome.DomeError));
  }
  EXPECT_LE(worst, 3.0f + 0.15f);
  EXPECT_EQ(obs().state().dome.DomeTargetMode, 0);  // the goto has ended

  // A hand move: once the button is released the dome turns to where the telescope now points.
  const float before = obs().state().dome.DomeTarget;
  click(find("optSpeed_0"));
  press(find("btnNSWE_3"));
  Wait(1000);
  release(find("btnNSWE_3"));
  EXPECT_TRUE(waitUntil([&] { return offBy(obs().state().dome.DomeTarget, before) > 5; }, 5)) << obs().state().dome.DomeTarget;
  EXPECT_TRUE(waitUntil(
      [&] {
        const DomeState& d = obs().state().dome;
        return board("speed") == 0 && d.DomeMotion == 0 && offBy(d.DomeAngle, d.DomeTarget) <= 3.5 &&
               offBy(d.DomeTarget, before) > 5;
      },
      60))
      << obs().state().dome.DomeAngle << " " << obs().state().dome.DomeTarget;

  // The slit opens and closes on its timer.
  click(find("btnDomeSlit_0"));
  EXPECT_TRUE(waitUntil([&] { return obs().state().dome.SlitState == 2; }, 10));
  // The motor runs at least SLIT_TIMER seconds: the slit is open (less what a busy
  // machine takes to pass the start command on).
  EXPECT_GE(board("slit"), 0.75);
  click(find("btnDomeSlit_1"));
  EXPECT_TRUE(waitUntil([&] { return obs().state().dome.SlitState == -2; }, 10));
  EXPECT_LE(board("slit"), 0.25);

  // Park: mount and dome, after the confirmation; the dome goes home.
  EXPECT_EQ(obs().parkMode(), 3);
  prompter.push(Answer::Ok);
  click(find("btnP"));
  EXPECT_TRUE(standsAt(270)) << obs().state().dome.DomeAngle;
  const double parked = obs().state().dome.DomeAngle;
  const double parkedOnBoard = board("azimuth");
  w->close();
  const int lastEnc = static_cast<int>(ReadIni(ini(), "DOME", "LastEnc").toDouble());
  // Reduced modulo the counts of a turn, sign kept: -886 and 2714 are the same place.
  EXPECT_LE(offBy(((lastEnc % 3600) + 3600) % 3600 / 10.0, parked), 0.5) << lastEnc;
  w.reset();
  resetEventLoops();

  // The board stayed powered: the next start knows where the dome stands.
  WriteIni(ini(), "DOME", "Dome_Auto", "1");
  startReal(0);
  ASSERT_TRUE(obs().domeLoop()->connected());
  Wait(600);
  EXPECT_LE(offBy(obs().state().dome.DomeAngle, parked), 1.0) << obs().state().dome.DomeAngle;
  EXPECT_LE(offBy(board("azimuth"), parkedOnBoard), 1.0);  // and the dome did not move meanwhile
}

// The serial dome controller (its simulator on a second pseudo-terminal) in place of the
// board: the dome follows a goto to the south-west, then one across the meridian to the
// south-east, and the slit opens and closes on its timer.
TEST_F(Night, SerialDomeFollowsAGotoAcrossTheMeridianAndRunsTheSlit) {
  constexpr int kDomeCom = 12;
  settings(site() + serialDome(kDomeCom, "SLIT_TIMER= 2\nDome_Auto= 0\n"));
  QProcess quarn;
  quarn.start(QString::fromLocal8Bit(qgetenv("ORVAN_BIN_DIR")) + "/orvan-sim",
              {"quarn", "--dir", dir.path(), "--com", QString::number(kDomeCom), "--dome-rate", "10", "--log",
               dir.filePath("quarn.log")});
  ASSERT_TRUE(quarn.waitForReadyRead(5000) && quarn.readLine().startsWith("ready "));
  const auto sim = [&](const char* key) { return simState(kDomeCom, key); };
  const auto offBy = [](double a, double b) { return std::fabs(std::fmod(a - b + 540.0, 360.0) - 180.0); };
  const auto standsAt = [&](double az) {
    return waitUntil([&] { return obs().state().dome.DomeMotion == 0 && offBy(obs().state().dome.DomeAngle, az) <= 3.5 && sim("speed") == "0.00"; }, 40);
  };
  startReal(0);
  ASSERT_EQ(w->windowLayout(), 1);
  ASSERT_TRUE(obs().domeLoop()->connected());
  EXPECT_TRUE(obs().state().dome.DomeAuto);
  EXPECT_EQ(sim("home"), "1");  // the home memory on output 32
  EXPECT_TRUE(obs().domeLoop()->Dome()->simulationNotice().isEmpty());

  double ra = 0, dec = 0;
  obs().acal().HorizontalToEquatorial(40, 55, ra, dec);
  ASSERT_TRUE(obs().Telescope()->cmdGoto(ra, dec, "EOD"));
  EXPECT_TRUE(standsAt(40)) << obs().state().dome.DomeAngle;
  const double southWest = sim("azimuth").toDouble();
  obs().acal().HorizontalToEquatorial(-40, 55, ra, dec);
  ASSERT_TRUE(obs().Telescope()->cmdGoto(ra, dec, "EOD"));
  EXPECT_TRUE(standsAt(320)) << obs().state().dome.DomeAngle;
  // The dome went back through the south, 80 degrees, not the long way round.
  // (Within the dome's settle band and the sky's motion meanwhile; the long way would be 280.)
  EXPECT_LE(offBy(sim("azimuth").toDouble(), southWest - 80), 10.0) << sim("azimuth").constData();

  click(find("btnDomeSlit_0"));
  EXPECT_TRUE(waitUntil([&] { return obs().state().dome.SlitState == 2; }, 10));
  EXPECT_GE(sim("slit").toDouble(), 0.75);
  click(find("btnDomeSlit_1"));
  EXPECT_TRUE(waitUntil([&] { return obs().state().dome.SlitState == -2; }, 10));
  EXPECT_LE(sim("slit").toDouble(), 0.25);
  EXPECT_EQ(sim("slitMotor"), "stopped");
  EXPECT_EQ(sim("rejected"), "0");
  const double angle = obs().state().dome.DomeAngle;
  w->close();
  const int lastEnc = static_cast<int>(ReadIni(ini(), "DOME", "LastEnc").toDouble());
  EXPECT_LE(offBy(((lastEnc % 3600) + 3600) % 3600 / 10.0, angle), 0.5) << lastEnc;
  EXPECT_TRUE(prompter.asked().empty());
  quarn.terminate();
  quarn.waitForFinished(5000);
}

// The relays of the serial dome controller are latched. A program killed with the dome
// turning and the slit opening leaves both running; the next start switches them off before
// anything else, and closing the window stops a slit that is still opening.
TEST_F(Night, SerialDomeMotorsStopAtStartAndAtClose) {
  constexpr int kDomeCom = 13;
  settings(site() + serialDome(kDomeCom, "SLIT_TIMER= 60\nDome_Auto= 1\n"));
  QProcess quarn;
  quarn.start(sim.program(), {"quarn", "--dir", dir.path(), "--com", QString::number(kDomeCom), "--outputs", "0110",
                              "--log", dir.filePath("quarn.log")});
  ASSERT_TRUE(quarn.waitForReadyRead(5000) && quarn.readLine().startsWith("ready "));
  ASSERT_EQ(simState(kDomeCom, "rotation"), "increasing");
  ASSERT_EQ(simState(kDomeCom, "slitMotor"), "opening");
  startReal(0);
  ASSERT_TRUE(obs().domeLoop()->connected());
  EXPECT_EQ(simState(kDomeCom, "rotation"), "stopped");
  EXPECT_EQ(simState(kDomeCom, "slitMotor"), "stopped");
  EXPECT_EQ(obs().state().dome.DomeMotion, 0);

  click(find("btnDomeSlit_0"));
  EXPECT_TRUE(waitUntil([&] { return simState(kDomeCom, "slitMotor") == "opening"; }, 10));
  EXPECT_EQ(obs().state().dome.SlitState, 1);
  w->close();
  EXPECT_EQ(simState(kDomeCom, "slitMotor"), "stopped");
  EXPECT_EQ(simState(kDomeCom, "rotation"), "stopped");
  EXPECT_LT(simState(kDomeCom, "slit").toDouble(), 0.5);
  EXPECT_TRUE(prompter.asked().empty());
  quarn.terminate();
  quarn.waitForFinished(5000);
}

// The simulated board's dome turns three times as fast as the demo's, with the same run-on
// in degrees: the nights pass through the same states, sooner. Set before the tests start.
const bool kFastSimulatedDome = [] { return qputenv("ORVAN_SIM_DOME_RATE", "9"); }();

// A cooperating program scripting the night through the application link with orvan-link.
TEST_F(Night, ACooperatingProgramRunsTheNightThroughTheLink) {
  settings(site() + "[DOME]\nController= 2\n");
  startReal(0);
  ASSERT_EQ(w->windowLayout(), 1);
  ASSERT_FALSE(obs().appLinkPath().isEmpty());
  // orvan-link runs beside the controller, whose event loop keeps turning meanwhile.
  const auto link = [&](const QStringList& args, int seconds = 60) {
    QProcess p;
    p.start(QString::fromLocal8Bit(qgetenv("ORVAN_BIN_DIR")) + "/orvan-link", QStringList{"--folder", dir.path()} + args);
    EXPECT_TRUE(p.waitForStarted(5000));
    waitUntil([&] { return p.state() == QProcess::NotRunning; }, seconds);
    return std::make_pair(p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()).trimmed());
  };
  EXPECT_EQ(link({"status"}), std::make_pair(0, QString("0000000100")));
  EXPECT_EQ(link({"observe", "on"}), std::make_pair(0, QString("1000000100")));

  // Mission 150 to a target near the zenith: the mount slews, then "OK".
  const int lst = obs().acal().LocalSiderealTime();
  const QString zenith = QString::asprintf("(%02d:%02d:%02d +35:00:00)", lst / 3600, lst / 60 % 60, lst % 60);
  size_t mark = received().size();
  EXPECT_EQ(link({"goto", zenith, "M1"}), std::make_pair(0, QString("OK")));
  EXPECT_TRUE(commandsSince(mark).contains(":MS#")) << commandsSince(mark).join(' ').toStdString();
  // The sync dialog, loaded unseen, offers the target.
  ASSERT_NE(w->syncDialogIfLoaded(), nullptr);
  EXPECT_FALSE(w->syncDialogIfLoaded()->isVisible());
  EXPECT_EQ(w->syncDialogIfLoaded()->SyncList->item(w->syncDialogIfLoaded()->SyncList->count() - 1)->text(), "M1");

  // The position comes back in J2000, near the target.
  const auto [code, position] = link({"position"});
  EXPECT_EQ(code, 0);
  const QStringList radec = position.split(',');
  ASSERT_EQ(radec.size(), 2) << position.toStdString();
  const double dRa = std::remainder(radec[0].toDouble() - lst, 86400.0);
  EXPECT_LT(std::abs(dRa), 120) << position.toStdString();
  EXPECT_NEAR(radec[1].toDouble(), 35 * 3600, 1800) << position.toStdString();

  // Below the horizon: "NG" and no goto.
  mark = received().size();
  const QString low = QString::asprintf("(%02d:%02d:%02d -80:00:00)", lst / 3600, lst / 60 % 60, lst % 60);
  EXPECT_EQ(link({"goto", low}), std::make_pair(2, QString("NG")));
  // A sync at the position, and garbage that moves nothing.
  EXPECT_EQ(link({"sync", QString::number(lst), "126000"}).first, 0);
  EXPECT_EQ(link({"send", "2", "150,0,0,(99:99:99 +99:99:99),X"}).first, 0);
  EXPECT_EQ(link({"send", "90", "nan,1"}).first, 0);
  EXPECT_EQ(link({"goto", "M42"}).first, 2);  // a wrong argument: refused before it is sent
  waitUntil([&] { return commandsSince(mark).contains(":CM#"); }, 5);
  const QStringList after = commandsSince(mark);
  EXPECT_FALSE(after.contains(":MS#")) << after.join(' ').toStdString();
  EXPECT_EQ(after.count(":CM#"), 1) << after.join(' ').toStdString();

  // Park: the park goto's end reports the status word with its sixth place set.
  const auto parked = link({"park"}, 90);
  EXPECT_EQ(parked.first, 0);
  EXPECT_EQ(parked.second.mid(5, 1), "1") << parked.second.toStdString();
  w->close();
}


// A device program turns the serial dome through the link: following off, a turn to 90
// degrees east of north that ends standing there, a stop in the middle of a turn, the slit
// both ways, the park azimuth, following on; unreadable requests are not answered.
TEST_F(Night, TheDomeTurnsStopsAndRunsItsSlitThroughTheLink) {
  constexpr int kDomeCom = 14;
  QProcess quarn;
  startOnParkingDome(quarn, kDomeCom);
  if (HasFatalFailure()) return;
  WirePeer peer(obs().appLinkPath());
  const auto offBy = [](double a, double b) { return std::fabs(std::fmod(a - b + 540.0, 360.0) - 180.0); };

  domewire::Status st = peer.state();
  EXPECT_TRUE(st.connected);
  EXPECT_TRUE(st.following);
  ASSERT_TRUE(st.azimuth.has_value());
  ASSERT_TRUE(st.parkAzimuth.has_value());
  EXPECT_DOUBLE_EQ(*st.parkAzimuth, 200.0);  // 20 west of south

  EXPECT_FALSE(domewire::Parse(peer.ask(domewire::kFollow, "0").value_or("")).value_or(domewire::Status{}).following);
  // The answer to a turn already reports the dome as moving.
  EXPECT_TRUE(domewire::Parse(peer.ask(domewire::kTurnTo, "90").value_or("")).value_or(domewire::Status{}).slewing);
  EXPECT_TRUE(waitUntil([&] { st = peer.state(); return !st.slewing; }, 60));
  ASSERT_TRUE(st.azimuth.has_value());
  EXPECT_LE(offBy(*st.azimuth, 90), 3.5) << *st.azimuth;
  EXPECT_LE(offBy(obs().state().dome.DomeAngle, 270), 3.5);  // the controller counts from the south
  EXPECT_EQ(simState(kDomeCom, "rotation"), "stopped");
  EXPECT_FALSE(st.following);  // the turn did not hand the dome back to the telescope

  // A stop in the middle of a turn leaves the dome where it is.
  peer.ask(domewire::kTurnTo, "250");
  EXPECT_TRUE(waitUntil([&] { return simState(kDomeCom, "rotation") != "stopped"; }, 10));
  st = domewire::Parse(peer.ask(domewire::kStop, {}).value_or("")).value_or(domewire::Status{});
  EXPECT_TRUE(waitUntil([&] { return simState(kDomeCom, "rotation") == "stopped"; }, 10));
  Wait(1000);
  st = peer.state();
  EXPECT_FALSE(st.slewing);
  EXPECT_GT(offBy(*st.azimuth, 250), 20.0);

  peer.ask(domewire::kSlit, "1");
  EXPECT_TRUE(waitUntil([&] { return peer.state().slit == 2; }, 10));
  peer.ask(domewire::kSlit, "-1");
  EXPECT_TRUE(waitUntil([&] { return peer.state().slit == -2; }, 10));

  peer.ask(domewire::kPark, {});
  EXPECT_TRUE(waitUntil([&] { st = peer.state(); return !st.slewing; }, 60));
  EXPECT_LE(offBy(*st.azimuth, 200), 3.5) << *st.azimuth;

  EXPECT_TRUE(domewire::Parse(peer.ask(domewire::kFollow, "1").value_or("")).value_or(domewire::Status{}).following);
  EXPECT_TRUE(obs().state().dome.DomeAuto);
  EXPECT_FALSE(peer.ask(domewire::kTurnTo, "east").has_value());
  EXPECT_FALSE(peer.ask(domewire::kSlit, "2").has_value());
  EXPECT_EQ(simState(kDomeCom, "rejected"), "0");
  EXPECT_TRUE(prompter.asked().empty());
  w->close();
  quarn.terminate();
  quarn.waitForFinished(5000);
}

// KStars' way to the dome: indiserver runs indi_orvanmirel_dome, INDI's tools set and read its
// properties, and the driver reaches the controller of the program folder through the link.
TEST_F(Night, AnIndiClientTurnsTheDomeRunsItsShutterParksAndSurvivesTheControllersRestart) {
  const QString driver = QString::fromLocal8Bit(qgetenv("ORVAN_BIN_DIR")) + "/indi_orvanmirel_dome";
  QString why;
  if (!IndiSession::available(why) || !QFileInfo(driver).isExecutable()) GTEST_SKIP() << why.toStdString();
  constexpr int kDomeCom = 16;
  QProcess quarn;
  // Slower than the other nights: the INDI client's stops (abort, park) come from another process
  // polling once a second, and on a loaded machine a late dome tick at 10 degrees a second could
  // carry the dome out of the park band before the stop.
  startOnParkingDome(quarn, kDomeCom, {}, "6");
  if (HasFatalFailure()) return;
  const auto offBy = [](double a, double b) { return std::fabs(std::remainder(a - b, 360.0)); };

  IndiSession indi(driver, "OrvanMirel Dome", dir.filePath("home"));
  ASSERT_TRUE(indi.ready());
  ASSERT_TRUE(indi.set("ORVAN_FOLDER.FOLDER=" + dir.path()));
  ASSERT_TRUE(indi.set("CONNECTION.CONNECT=On"));
  ASSERT_TRUE(waitUntil([&] { return indi.connected(); }, 20));
  const auto position = [&] { return indi.get("ABS_DOME_POSITION.DOME_ABSOLUTE_POSITION").toDouble(); };
  const auto standing = [&] { return indi.get("ABS_DOME_POSITION._STATE") == "Ok"; };
  // What KStars' panel shows: a turning dome, not a roll-off roof's "Open"/"Close", and one of
  // the park switches on.
  const QString motion = indi.definition("DOME_MOTION");
  EXPECT_TRUE(motion.contains("CW") && !motion.contains("\"Open\"") && !motion.contains("\"Close\""))
      << motion.toStdString();
  EXPECT_EQ(indi.get("DOME_PARK.UNPARK"), "On");

  // Following: the slaving switch is the follow button.
  EXPECT_TRUE(waitUntil([&] { return indi.get("DOME_AUTOSYNC.DOME_AUTOSYNC_ENABLE") == "On"; }, 10));
  ASSERT_TRUE(indi.set("DOME_AUTOSYNC.DOME_AUTOSYNC_DISABLE=On"));
  EXPECT_TRUE(waitUntil([&] { return !obs().state().dome.DomeAuto; }, 10));

  ASSERT_TRUE(indi.set("ABS_DOME_POSITION.DOME_ABSOLUTE_POSITION=90"));
  EXPECT_TRUE(waitUntil([&] { return standing() && offBy(position(), 90) <= 3.5; }, 60)) << position();
  EXPECT_LE(offBy(obs().state().dome.DomeAngle, 270), 3.5);  // the controller counts from the south
  EXPECT_EQ(obs().state().dome.DomeMotion, 0);

  ASSERT_TRUE(indi.set("DOME_SHUTTER.SHUTTER_OPEN=On"));
  EXPECT_TRUE(waitUntil([&] { return obs().state().dome.SlitState == 2 && indi.get("DOME_SHUTTER._STATE") == "Ok"; }, 15));
  ASSERT_TRUE(indi.set("DOME_SHUTTER.SHUTTER_CLOSE=On"));
  EXPECT_TRUE(waitUntil([&] { return obs().state().dome.SlitState == -2 && indi.get("DOME_SHUTTER._STATE") == "Ok"; }, 15));

  // Motion clockwise goes on until the client aborts it.
  ASSERT_TRUE(indi.set("DOME_MOTION.DOME_CW=On"));
  EXPECT_TRUE(waitUntil([&] { return offBy(position(), 90) > 100; }, 30)) << position();
  ASSERT_TRUE(indi.set("DOME_ABORT_MOTION.ABORT=On"));
  EXPECT_TRUE(waitUntil([&] { return standing() && obs().state().dome.DomeMotion == 0; }, 15));

  // The park closes the open slit when the observer asked for it (the Options tab), and the
  // unpark opens it.
  ASSERT_TRUE(indi.set("DOME_SHUTTER_PARK_POLICY.SHUTTER_CLOSE_ON_PARK=On"));
  ASSERT_TRUE(indi.set("DOME_SHUTTER_PARK_POLICY.SHUTTER_OPEN_ON_UNPARK=On"));
  ASSERT_TRUE(indi.set("DOME_SHUTTER.SHUTTER_OPEN=On"));
  EXPECT_TRUE(waitUntil([&] { return obs().state().dome.SlitState == 2; }, 15));
  ASSERT_TRUE(indi.set("DOME_PARK.PARK=On"));
  EXPECT_TRUE(waitUntil([&] { return indi.get("DOME_PARK._STATE") == "Ok" && indi.get("DOME_PARK.PARK") == "On"; }, 60));
  EXPECT_LE(offBy(position(), 200), 3.5) << position();
  EXPECT_TRUE(waitUntil([&] { return obs().state().dome.SlitState == -2 && indi.get("DOME_SHUTTER.SHUTTER_CLOSE") == "On"; }, 15));
  // The park outlives the client's disconnection while the dome stays there.
  ASSERT_TRUE(indi.set("CONNECTION.DISCONNECT=On"));
  ASSERT_TRUE(waitUntil([&] { return !indi.connected(); }, 20));
  ASSERT_TRUE(indi.set("CONNECTION.CONNECT=On"));
  ASSERT_TRUE(waitUntil([&] { return indi.connected(); }, 20));
  EXPECT_TRUE(waitUntil([&] { return indi.get("DOME_PARK.PARK") == "On"; }, 10));
  ASSERT_TRUE(indi.set("DOME_PARK.UNPARK=On"));
  EXPECT_TRUE(waitUntil([&] { return indi.get("DOME_PARK.UNPARK") == "On"; }, 10));
  EXPECT_TRUE(waitUntil([&] { return obs().state().dome.SlitState == 2 && indi.get("DOME_SHUTTER._STATE") == "Ok"; }, 15));
  // Parked again where it stands; then following turns it to the telescope, away from the park.
  ASSERT_TRUE(indi.set("DOME_PARK.PARK=On"));
  EXPECT_TRUE(waitUntil([&] { return indi.get("DOME_PARK._STATE") == "Ok" && indi.get("DOME_PARK.PARK") == "On"; }, 20));
  ASSERT_TRUE(indi.set("DOME_AUTOSYNC.DOME_AUTOSYNC_ENABLE=On"));
  EXPECT_TRUE(waitUntil([&] { return obs().state().dome.DomeAuto; }, 10));
  EXPECT_TRUE(waitUntil([&] { return indi.get("DOME_PARK.UNPARK") == "On"; }, 60)) << position();

  // The controller goes away: the driver stays connected and says the position is not known;
  // once the controller runs again, the driver finds it without a new connection.
  w->close();
  w.reset();
  resetEventLoops();  // the close ended the event loops, as a program run ends
  EXPECT_TRUE(waitUntil([&] { return indi.get("ABS_DOME_POSITION._STATE") == "Alert"; }, 20));
  EXPECT_TRUE(indi.connected());
  startReal(0);
  ASSERT_TRUE(obs().domeLoop()->connected());
  // (Following, the dome may be turning to the telescope meanwhile.)
  EXPECT_TRUE(waitUntil([&] { return indi.get("ABS_DOME_POSITION._STATE") != "Alert"; }, 30))
      << indi.get("ABS_DOME_POSITION._STATE").toStdString();
  // Compared while the dome stands: a dome turning after the telescope is ahead of the driver's
  // last poll.
  EXPECT_TRUE(waitUntil([&] {
    return obs().state().dome.DomeMotion == 0 && standing() &&
           offBy(position(), domewire::FromSouth(obs().state().dome.DomeAngle)) < 1;
  }, 30)) << position() << " " << domewire::FromSouth(obs().state().dome.DomeAngle);
  EXPECT_EQ(indi.get("DOME_AUTOSYNC.DOME_AUTOSYNC_ENABLE"), "On");
  EXPECT_TRUE(prompter.asked().empty());
  w->close();
  quarn.terminate();
  quarn.waitForFinished(5000);
}
