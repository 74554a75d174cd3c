// The end of a night: park. Nothing outside the main window can ask for it yet (only its park
// button, behind a confirmation, and a cooperating program's link), so the main window runs in
// this process with its real drivers, against the LX200GPS simulator program and the
// simulated USB board in a demo observatory, and the mission is called as the link would.
// The dome's home is put in the west here, away from where the parked tube looks (north), so
// a dome that merely followed the telescope could not pass for a parked one.
#include "Night.h"

#include <gtest/gtest.h>

#include "IniFile.h"
#include "Prompter.h"
#include "ProgramFolder.h"
#include "Shared.h"
#include "frmMain.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTimer>

using namespace night;

namespace {

// Closing the main window ends the application's event loops; the next window starts afresh
// the way a new program run would.
void resetEventLoops() {
  QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
  QCoreApplication::exec();
}

// Keeps the window's timers running while the night goes on.
bool runUntil(const std::function<bool()>& cond, int ms) {
  for (int t = 0; t < ms; t += 250) {
    if (cond()) return true;
    orvan::Wait(250);
  }
  return cond();
}

}  // namespace

TEST(RehearsedNight, ParkSendsMountAndDomeToTheirParkPositionsAndARestartKnowsTheDome) {
  QTemporaryDir dir;
  const QString folder = dir.path();
  const QString laidOut = layOutDemo(folder);
  ASSERT_TRUE(laidOut.isEmpty()) << laidOut.toStdString();
  const QString ini = folder + "/OrvanMirel.ini";
  orvan::WriteIni(ini, "DOME", "HomePosition", " 90");

  MountSimulator sim(folder, kFastMount);
  ASSERT_TRUE(sim.start());
  orvan::SetProgramFolderForTests(folder);
  orvan::ScriptedPrompter prompter;
  orvan::Prompter::install(&prompter);

  {
    orvan::frmMain w;
    ASSERT_TRUE(w.Form_Load());
    w.show();
    ASSERT_EQ(w.windowLayout(), 1);  // the stored layout connected mount and dome
    ASSERT_TRUE(w.observatory().domeInUse());
    ASSERT_EQ(w.observatory().parkMode(), 3);  // both have a park position

    w.observatory().Mission(54);
    // The mount: north at 35 degrees, just below the pole at this latitude (35°40'), that is
    // declination 89°20' at hour angle 12 h.
    QHash<QString, QString> mount;
    EXPECT_TRUE(runUntil([&] {
      mount = sim.state();
      return mount.value("slewing") == "0" && std::fabs(mount.value("dec").toDouble() / 3600 - (89 + 20.0 / 60)) < 0.05;
    }, 120000)) << "mount at dec " << mount.value("dec").toDouble() / 3600;
    double ha = localSiderealHours() - mount.value("ra").toDouble() / 3600;
    ha = std::fmod(ha + 48, 24.0);
    EXPECT_NEAR(ha, 12.0, 0.05);
    double az = 0, alt = 0;
    altAzFromSouth(mount.value("ra").toDouble() / 3600, mount.value("dec").toDouble() / 3600, az, alt);
    EXPECT_NEAR(alt, 35, 0.05);

    // The dome: its home, not the telescope's azimuth.
    QHash<QString, QString> dome;
    EXPECT_TRUE(runUntil([&] {
      dome = boardStatus(folder);
      return dome.value("rotation") == "stopped" && dome.value("speed").toDouble() == 0 &&
             angleApart(dome.value("azimuth").toDouble(), 90) <= kDomeRevolve + 0.2;
    }, 120000)) << "dome at " << dome.value("azimuth").toStdString();
    // Parked, it stays there while the mount tracks on.
    runUntil([] { return false; }, 3000);
    EXPECT_LE(angleApart(boardStatus(folder).value("azimuth").toDouble(), 90), kDomeRevolve + 0.2);
    EXPECT_TRUE(prompter.asked().empty()) << prompter.asked().front().text.toStdString();
    EXPECT_TRUE(w.close());
  }
  resetEventLoops();

  // The next start knows where the dome stands. Following is switched off for this start so
  // the dome stays put and the controller's angle can be compared with the true one.
  orvan::WriteIni(ini, "DOME", "Dome_Auto", "1");
  const double standing = boardStatus(folder).value("azimuth").toDouble();
  {
    orvan::frmMain w;
    ASSERT_TRUE(w.Form_Load());
    w.show();
    runUntil([] { return false; }, 1000);
    EXPECT_LE(angleApart(w.observatory().state().dome.DomeAngle, standing), 0.3)
        << "controller says " << w.observatory().state().dome.DomeAngle << ", dome at " << standing;
    EXPECT_TRUE(w.close());
  }
  resetEventLoops();
  orvan::Prompter::install(nullptr);
  orvan::SetProgramFolderForTests({});
}

int main(int argc, char** argv) {
  // The demo observatory keeps Japan time, its site's zone: the controller takes the
  // computer's clock as the site's local time.
  UseSiteTimeZone();
  UseFastDome();
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
