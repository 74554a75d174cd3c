// INDI's LX200 drivers from Debian (what KStars uses) on the controller's virtual port: they
// connect promptly, read the position, slew, sync, abort, disconnect and connect again.
#include "frmVSP6.h"

#include "FakeLinkHost.h"
#include "FakeMountDriver.h"
#include "IndiSession.h"
#include "ProgramFolder.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include <cmath>

using orvan::test::FakeMountDriver;

namespace orvan {
namespace {

QCoreApplication& app() {
  static int argc = 1;
  static char name[] = "link_interop_tests";
  static char* argv[] = {name, nullptr};
  static QCoreApplication instance(argc, argv);
  return instance;
}

// A mount that reaches its goto target a moment after the goto, as the main loop would see it.
class SlewingMount : public FakeMountDriver {
 public:
  explicit SlewingMount(MountState& m) : m_(m) {}
  bool cmdGoto(double& ra, double& dec, const QString& epoch) override {
    FakeMountDriver::cmdGoto(ra, dec, epoch);
    m_.TelState = 2;
    const double r = ra, d = dec;
    QTimer::singleShot(1500, this, [this, r, d] {
      m_.TelRA = r;
      m_.TelDec = d;
      m_.TelState = 1;
    });
    return true;
  }

 private:
  MountState& m_;
};

struct Driver {
  const char* program;
  const char* device;
};

class IndiInteropTest : public ::testing::TestWithParam<Driver> {
 protected:
  void SetUp() override {
    QString why;
    if (!IndiSession::available(why)) GTEST_SKIP() << why.toStdString();
    if (QStandardPaths::findExecutable(GetParam().program).isEmpty())
      GTEST_SKIP() << GetParam().program << " is not installed";
    app();
    SetProgramFolderForTests(dir.path());
    host = std::make_unique<FakeLinkHost>(dir.filePath("OrvanMirel.ini"));
    mount = std::make_unique<SlewingMount>(host->shared.mount);
    host->telescope = mount.get();
    host->shared.site.MountType = "G";
    host->shared.site.SiteLatitude = 128400;
    host->shared.site.SiteLongitude = 503040;
    host->shared.site.TimeZoneSeconds = 32400;
    host->shared.mount.TelState = 1;
    host->shared.mount.TelRA = 19800;   // 5 h 30 m
    host->shared.mount.TelDec = 72900;  // +20 deg 15'
    vsp = std::make_unique<frmVSP6>(*host);
    vsp->strPort1 = "COM7";
    vsp->cmdCreatePort();
    ASSERT_TRUE(vsp->portExists());
    indi = std::make_unique<IndiSession>(GetParam().program, GetParam().device, dir.path());
    ASSERT_TRUE(indi->ready()) << "indiserver did not start";
    indi->set("DEVICE_AUTO_SEARCH.INDI_DISABLED=On");
    ASSERT_TRUE(indi->set("DEVICE_PORT.PORT=" + dir.filePath("ports/COM7")));
  }
  void TearDown() override {
    indi.reset();
    vsp.reset();
    SetProgramFolderForTests({});
  }

  // Connects and reports how long it took; the guard is far above INDI's own time-outs.
  qint64 connect() {
    QElapsedTimer t;
    t.start();
    indi->set("CONNECTION.CONNECT=On");
    EXPECT_TRUE(IndiSession::pumpUntil([&] { return indi->connected(); }, 60000));
    return t.elapsed();
  }
  bool positionIs(double hours, double degrees, int ms = 15000) {
    return IndiSession::pumpUntil(
        [&] {
          const QString ra = indi->get("EQUATORIAL_EOD_COORD.RA");
          const QString dec = indi->get("EQUATORIAL_EOD_COORD.DEC");
          return !ra.isEmpty() && std::fabs(ra.toDouble() - hours) < 1e-3 && std::fabs(dec.toDouble() - degrees) < 1e-3;
        },
        ms);
  }
  const FakeMountDriver::Call* last(const char* op) {
    for (auto it = mount->made.rbegin(); it != mount->made.rend(); ++it)
      if (it->op == op) return &*it;
    return nullptr;
  }

  QTemporaryDir dir;
  std::unique_ptr<FakeLinkHost> host;
  std::unique_ptr<SlewingMount> mount;
  std::unique_ptr<frmVSP6> vsp;
  std::unique_ptr<IndiSession> indi;
};

TEST_P(IndiInteropTest, SteersTheMount) {
  const qint64 ms = connect();
  std::printf("  %s connected in %lld ms\n", GetParam().program, static_cast<long long>(ms));
  ASSERT_TRUE(indi->connected());
  EXPECT_TRUE(positionIs(5.5, 20.25)) << "position not read";
  if (QString(GetParam().program) == "indi_lx200generic") {
    // The generic driver reads the site and the clock from the mount on connecting.
    EXPECT_NEAR(indi->get("GEOGRAPHIC_COORD.LAT").toDouble(), 35 + 40 / 60.0, 1e-6);
    EXPECT_NEAR(indi->get("GEOGRAPHIC_COORD.LONG").toDouble(), 139 + 44 / 60.0, 1e-6);  // east
    EXPECT_NEAR(indi->get("TIME_UTC.OFFSET").toDouble(), 9.0, 1e-6);
  }

  ASSERT_TRUE(indi->set("EQUATORIAL_EOD_COORD.RA;DEC=6.5;-16.5"));
  ASSERT_TRUE(IndiSession::pumpUntil([&] { return last("cmdGoto") != nullptr; }, 15000)) << "no goto";
  EXPECT_EQ(last("cmdGoto")->ra, 23400);
  EXPECT_EQ(last("cmdGoto")->dec, -59400);
  EXPECT_EQ(last("cmdGoto")->text, "EOD");
  EXPECT_TRUE(positionIs(6.5, -16.5));
  // The slew is seen to end (INDI's distance-bar or 3' test), so the coordinates settle.
  EXPECT_TRUE(IndiSession::pumpUntil([&] { return indi->get("EQUATORIAL_EOD_COORD._STATE") == "Ok"; }, 15000));

  ASSERT_TRUE(indi->set("ON_COORD_SET.SYNC=On"));
  ASSERT_TRUE(indi->set("EQUATORIAL_EOD_COORD.RA;DEC=7.25;10"));
  ASSERT_TRUE(IndiSession::pumpUntil([&] { return last("cmdSync") != nullptr; }, 15000)) << "no sync";
  EXPECT_EQ(last("cmdSync")->ra, 26100);
  EXPECT_EQ(last("cmdSync")->dec, 36000);

  mount->made.clear();
  ASSERT_TRUE(indi->set("TELESCOPE_ABORT_MOTION.ABORT=On"));
  EXPECT_TRUE(IndiSession::pumpUntil(
      [&] {
        const auto* m = last("cmdMove");
        return m && m->speed == 9;
      },
      15000))
      << "abort did not stop the mount";

  ASSERT_TRUE(indi->set("CONNECTION.DISCONNECT=On"));
  EXPECT_TRUE(IndiSession::pumpUntil([&] { return indi->get("CONNECTION.CONNECT") == "Off"; }, 15000));
  const qint64 again = connect();
  std::printf("  %s connected again in %lld ms\n", GetParam().program, static_cast<long long>(again));
  EXPECT_TRUE(indi->connected());
  EXPECT_TRUE(positionIs(6.5, -16.5));
}

// The GPS and Autostar drivers ask for the firmware's date, time and full version while they
// connect, and wait five seconds for each reply that does not come.
class IndiFirmwareQueryTest : public IndiInteropTest {};

TEST_P(IndiFirmwareQueryTest, ConnectsWithoutWaitingForUnansweredQueries) {
  // The driver reads the firmware after the connection is made and only then starts reading
  // the position: the time to the first position is what the observer waits.
  QElapsedTimer t;
  t.start();
  connect();
  ASSERT_TRUE(indi->connected());
  ASSERT_TRUE(positionIs(5.5, 20.25, 30000)) << "position not read";
  const qint64 ms = t.elapsed();
  std::printf("  %s connected and showed the position in %lld ms\n", GetParam().program, static_cast<long long>(ms));
  EXPECT_LT(ms, 8000) << "a query on connecting went unanswered";  // 15 s and more when they wait
}

INSTANTIATE_TEST_SUITE_P(Drivers, IndiFirmwareQueryTest,
                         ::testing::Values(Driver{"indi_lx200gps", "LX200 GPS"},
                                           Driver{"indi_lx200autostar", "LX200 Autostar"}),
                         [](const auto& info) { return std::string(info.param.program); });

INSTANTIATE_TEST_SUITE_P(Drivers, IndiInteropTest,
                         ::testing::Values(Driver{"indi_lx200generic", "Standard LX200"},
                                           Driver{"indi_lx200basic", "LX200 Basic"}),
                         [](const auto& info) { return std::string(info.param.program); });

}  // namespace
}  // namespace orvan
