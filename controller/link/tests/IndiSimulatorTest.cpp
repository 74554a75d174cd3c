// INDI's LX200 drivers steering the simulated LX200GPS through the controller: the planetarium
// side on the virtual port, the controller's own LX200 driver and main loop on the mount side.
#include "frmVSP6.h"

#include "IndiSession.h"
#include "PlanetariumChain.h"

#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include <cmath>

namespace orvan {
namespace {

struct Driver {
  const char* program;
  const char* device;
};

class IndiSimulatorTest : public ::testing::TestWithParam<Driver> {
 protected:
  void SetUp() override {
    QString why;
    if (!IndiSession::available(why)) GTEST_SKIP() << why.toStdString();
    chain.family = family();
    if (!chain.start(why)) GTEST_SKIP() << why.toStdString();
    indi = std::make_unique<IndiSession>(GetParam().program, GetParam().device, dir.path());
    ASSERT_TRUE(indi->ready());
    indi->set("DEVICE_AUTO_SEARCH.INDI_DISABLED=On");
    ASSERT_TRUE(indi->set("DEVICE_PORT.PORT=" + dir.filePath("ports/COM7")));
  }
  void TearDown() override {
    indi.reset();
    chain.stop();
  }
  bool connect() {
    indi->set("CONNECTION.CONNECT=On");
    return IndiSession::pumpUntil([&] { return indi->connected(); }, 60000);
  }
  // INDI shows what the mount reports (equinox of date, hours and degrees).
  // After an abort the mount may drift while INDI polls once a second: `slack` allows for it.
  bool indiShows(const double& raSeconds, const double& decArcsec, double slack = 2) {
    return IndiSession::pumpUntil(
        [&] {
          const double ra = indi->get("EQUATORIAL_EOD_COORD.RA").toDouble() * 3600;
          const double dec = indi->get("EQUATORIAL_EOD_COORD.DEC").toDouble() * 3600;
          return std::fabs(ra - raSeconds) < slack && std::fabs(dec - decArcsec) < slack * 15;
        },
        60000);
  }

  // The simulator behind the controller's driver.
  virtual const char* family() const { return "lx200gps"; }
  // Sends INDI a goto `seconds` of RA west of the meridian at `dec` arcseconds; its RA.
  int gotoWestOfMeridian(int seconds, int dec) {
    const ACal2 cal(host->shared.site, host->shared.mount);
    const int ra = (cal.LocalSiderealTime() + 86400 - seconds) % 86400;
    EXPECT_TRUE(indi->set("EQUATORIAL_EOD_COORD.RA;DEC=" + QString::number(ra / 3600.0, 'f', 8) + ";" +
                          QString::number(dec / 3600.0, 'f', 8)));
    return ra;
  }

  PlanetariumChain chain;
  QTemporaryDir& dir = chain.dir;
  std::unique_ptr<FakeLinkHost>& host = chain.host;
  std::unique_ptr<SimulatedMount>& mount = chain.mount;
  std::unique_ptr<IndiSession> indi;
};

TEST_P(IndiSimulatorTest, GotoSyncAbortReconnect) {
  ASSERT_TRUE(connect());
  const MountState& m = host->shared.mount;
  EXPECT_TRUE(indiShows(m.TelRA, m.TelDec)) << "INDI does not show the mount's position";

  // A target well above the horizon: 10 minutes east of the meridian, 40 degrees north.
  const ACal2 cal(host->shared.site, host->shared.mount);
  const int ra = (cal.LocalSiderealTime() + 86400 - 600) % 86400;
  const int dec = 40 * 3600;
  const QString hours = QString::number(ra / 3600.0, 'f', 8), degrees = QString::number(dec / 3600.0, 'f', 8);
  ASSERT_TRUE(indi->set("EQUATORIAL_EOD_COORD.RA;DEC=" + hours + ";" + degrees));
  const QByteArray raText = vb::TimeText(ra).toLatin1();
  EXPECT_TRUE(IndiSession::pumpUntil([&] { return mount->log().contains(":Sr" + raText + "#"); }, 30000))
      << "the simulator never received the target RA " << raText.constData();
  EXPECT_TRUE(mount->log().contains(":Sd+40*00:00#"));
  EXPECT_TRUE(indiShows(ra, dec)) << "the slew did not arrive";
  EXPECT_TRUE(IndiSession::pumpUntil([&] { return indi->get("EQUATORIAL_EOD_COORD._STATE") == "Ok"; }, 30000))
      << "INDI never saw the slew end";

  ASSERT_TRUE(indi->set("ON_COORD_SET.SYNC=On"));
  ASSERT_TRUE(indi->set("EQUATORIAL_EOD_COORD.RA;DEC=" + hours + ";" + QString::number(dec / 3600.0 + 0.5, 'f', 8)));
  EXPECT_TRUE(IndiSession::pumpUntil([&] { return mount->log().contains(":CM#"); }, 30000)) << "no sync";

  const qsizetype before = mount->log().count(":Q#");
  ASSERT_TRUE(indi->set("TELESCOPE_ABORT_MOTION.ABORT=On"));
  EXPECT_TRUE(IndiSession::pumpUntil([&] { return mount->log().count(":Q#") > before; }, 30000)) << "no abort";

  ASSERT_TRUE(indi->set("CONNECTION.DISCONNECT=On"));
  EXPECT_TRUE(IndiSession::pumpUntil([&] { return indi->get("CONNECTION.CONNECT") == "Off"; }, 15000));
  EXPECT_TRUE(connect());
  EXPECT_TRUE(indiShows(m.TelRA, m.TelDec, 30)) << "no position after reconnecting";
}

TEST_P(IndiSimulatorTest, SyncIsExact) {
  ASSERT_TRUE(connect());
  const ACal2 cal(host->shared.site, host->shared.mount);
  const auto sync = [&](int ra, int dec) {
    const qsizetype before = mount->log().count(":CM#");
    if (!indi->set("ON_COORD_SET.SYNC=On")) return false;
    if (!indi->set("EQUATORIAL_EOD_COORD.RA;DEC=" + QString::number(ra / 3600.0, 'f', 8) + ";" +
                   QString::number(dec / 3600.0, 'f', 8)))
      return false;
    return IndiSession::pumpUntil([&] { return mount->log().count(":CM#") > before; }, 30000);
  };
  // Two syncs, the second with the hour axis coming back from the other side of the meridian
  // (the hour axis then travels negatively): the mount reports exactly what INDI synced.
  const int lst = cal.LocalSiderealTime();
  // East of the meridian the hour angle (sidereal time minus RA) is negative.
  const int eastRa = (lst + 1200) % 86400, westRa = (lst + 86400 - 1800) % 86400;
  ASSERT_TRUE(sync(eastRa, 30 * 3600)) << "no sync";
  EXPECT_TRUE(indiShows(eastRa, 30 * 3600, 1)) << "the first sync is not where INDI put it";
  ASSERT_TRUE(sync(westRa, 20 * 3600 + 15 * 60 + 30)) << "no second sync";
  EXPECT_TRUE(indiShows(westRa, 20 * 3600 + 15 * 60 + 30, 1)) << "the second sync is not where INDI put it";
  EXPECT_TRUE(mount->log().contains(":Sr" + vb::TimeText(westRa).toLatin1() + "#"));
}

// The same planetarium program steering an RST-400: the controller speaks the HUBO-i's own
// extended language on the mount side.
class IndiRst400Test : public IndiSimulatorTest {
 protected:
  const char* family() const override { return "rst400"; }
};

TEST_P(IndiRst400Test, GotoAndSync) {
  ASSERT_TRUE(connect());
  const MountState& m = host->shared.mount;
  EXPECT_TRUE(indiShows(m.TelRA, m.TelDec)) << "INDI does not show the mount's position";
  const int dec = 25 * 3600;
  const int ra = gotoWestOfMeridian(900, dec);
  const QString hours = QString::number(ra / 3600.0, 'f', 8);
  // The target is read back before tracking goes off for the slew.
  const QByteArray goto_ = ":Sr" + vb::TimeText(ra).toLatin1() + ".0#\r:Sd+25*00:00.0#\r:Gr#\r:Gd#\r:CtL#\r:MS#";
  EXPECT_TRUE(IndiSession::pumpUntil([&] { return mount->log().contains(":MS#"); }, 30000)) << "no goto reached the mount";
  QByteArray sent;
  for (const QByteArray& line : mount->log().split('\n'))
    if (line.contains(" <- ") && !line.contains(":GR#") && !line.contains(":GD#"))
      sent += line.mid(line.indexOf(" <- ") + 4).replace("<0D>", "") + "\r";
  EXPECT_TRUE(sent.contains(goto_)) << sent.constData();
  EXPECT_TRUE(indiShows(ra, dec)) << "the slew did not arrive";

  ASSERT_TRUE(indi->set("ON_COORD_SET.SYNC=On"));
  ASSERT_TRUE(indi->set("EQUATORIAL_EOD_COORD.RA;DEC=" + hours + ";" + QString::number(dec / 3600.0 + 0.5, 'f', 8)));
  EXPECT_TRUE(IndiSession::pumpUntil([&] { return mount->log().contains(":CM#"); }, 30000)) << "no sync";
  // The mount was told the star the observer centred, not the last goto's target.
  EXPECT_TRUE(indiShows(ra, dec + 1800)) << "the sync did not take the centred star";
}

// And an E-Vexil stepping-motor mount: the goto reaches it as two relative moves, the sync
// stays on the computer.
class IndiEVexilTest : public IndiSimulatorTest {
 protected:
  const char* family() const override { return "evexil"; }
};

TEST_P(IndiEVexilTest, GotoAndSync) {
  ASSERT_TRUE(connect());
  const MountState& m = host->shared.mount;
  EXPECT_TRUE(indiShows(m.TelRA, m.TelDec, 5)) << "INDI does not show the mount's position";
  const int dec = 20 * 3600;
  const int ra = gotoWestOfMeridian(1800, dec);
  const QString hours = QString::number(ra / 3600.0, 'f', 8);
  EXPECT_TRUE(IndiSession::pumpUntil([&] { return mount->log().contains("DVDCF4#"); }, 30000)) << "no goto reached the mount";
  // The controller does not track while it positions: a goto without the backlash approach
  // lands behind the sky by the time the hour axis took.
  EXPECT_TRUE(indiShows(ra, dec, 10)) << "the slew did not arrive: " << m.TelRA << " " << m.TelDec << " for " << ra << " "
                                     << dec << "; INDI " << indi->get("EQUATORIAL_EOD_COORD.RA").toStdString() << " "
                                     << indi->get("EQUATORIAL_EOD_COORD.DEC").toStdString();

  const qsizetype lines = mount->log().count('\n');
  ASSERT_TRUE(indi->set("ON_COORD_SET.SYNC=On"));
  ASSERT_TRUE(indi->set("EQUATORIAL_EOD_COORD.RA;DEC=" + hours + ";" + QString::number(dec / 3600.0 + 0.5, 'f', 8)));
  EXPECT_TRUE(indiShows(ra, dec + 1800, 2)) << "the sync did not take the centred star";
  // Only the polls reached the controller: a sync moves nothing.
  const QByteArray after = mount->log();
  int nonPolls = 0, line = 0;
  for (const QByteArray& l : after.split('\n'))
    if (++line > lines && l.contains(" <- ") && !l.contains(" <- GP") && !l.contains(" <- ST")) ++nonPolls;
  EXPECT_EQ(nonPolls, 0);
}

// And a Temma2M: the goto is "P" with the position text.
class IndiTemmaTest : public IndiSimulatorTest {
 protected:
  const char* family() const override { return "temma2m"; }
};

TEST_P(IndiTemmaTest, Goto) {
  ASSERT_TRUE(connect());
  const MountState& m = host->shared.mount;
  EXPECT_TRUE(indiShows(m.TelRA, m.TelDec, 5)) << "INDI does not show the mount's position";
  const int dec = 20 * 3600;
  const int ra = gotoWestOfMeridian(1800, dec);
  EXPECT_TRUE(IndiSession::pumpUntil([&] { return mount->log().contains("<- P" + frmTemma2M::PositionText(ra, dec).toLatin1()); },
                                     30000))
      << "no goto reached the mount";
  EXPECT_TRUE(indiShows(ra, dec, 2)) << "the slew did not arrive";
}

INSTANTIATE_TEST_SUITE_P(Drivers, IndiTemmaTest, ::testing::Values(Driver{"indi_lx200generic", "Standard LX200"}),
                         [](const auto& info) { return std::string(info.param.program); });

INSTANTIATE_TEST_SUITE_P(Drivers, IndiEVexilTest, ::testing::Values(Driver{"indi_lx200generic", "Standard LX200"}),
                         [](const auto& info) { return std::string(info.param.program); });

INSTANTIATE_TEST_SUITE_P(Drivers, IndiRst400Test, ::testing::Values(Driver{"indi_lx200generic", "Standard LX200"}),
                         [](const auto& info) { return std::string(info.param.program); });

INSTANTIATE_TEST_SUITE_P(Drivers, IndiSimulatorTest,
                         ::testing::Values(Driver{"indi_lx200generic", "Standard LX200"},
                                           Driver{"indi_lx200basic", "LX200 Basic"}),
                         [](const auto& info) { return std::string(info.param.program); });

}  // namespace
}  // namespace orvan
