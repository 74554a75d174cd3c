// The RST-400 driver's switches, texts, replies and refusals against a scripted HUBO-i.
#include "DriverFixture.h"
#include "Rst400HomingView.h"
#include "frmRST400.h"

#include <cmath>

using namespace orvan;
using namespace orvan::testing;

namespace {

// What the driver's homing window would be told.
class View : public Rst400HomingView {
 public:
  void SetShown(bool s) override { shown = s; }
  void Unload() override { ++unloads; }
  void MarkSent(int step) override { sent.push_back(step); }
  bool shown = false;
  int unloads = 0;
  std::vector<int> sent;
};

class RST400 : public DriverFixture {
 protected:
  RST400() : drv(state, host, cal, ini, makeLink()) {
    drv.slewWatchTimer().stop();
    drv.setHomingView(&view);
    fake->open();
    fake->setResponder([this](const QByteArray& w) { return reply(w); });
    drv.driverState().Connected = true;
    state.mount.TelState = 1;
  }
  // A controller that holds the target it was sent, as its read-back shows.
  QByteArray reply(const QByteArray& w) {
    if (w.startsWith(":Sr")) heldRa = w.mid(3, 10);
    if (w.startsWith(":Sd")) heldDec = w.mid(3, 11);
    if (w == ":Gr#\r") return ":Gr" + heldRa + "#";
    if (w == ":Gd#\r") return ":Gd" + heldDec + "#";
    if (w == ":GR#\r") return gr;
    if (w == ":GD#\r") return gd;
    return {};
  }
  QStringList sent() {
    QStringList out = written();
    for (QString& s : out) s.chop(1);  // the carriage return
    return out;
  }
  QByteArray heldRa = "00:00:00.0", heldDec = "+00*00:00.0";
  QByteArray gr = ":GR05:30:00.0#", gd = ":GD+20*15:00.0#";
  View view;
  frmRST400 drv;
};

TEST_F(RST400, StartUpSendsWhatItsSwitchesAsk) {
  // Only the date and time; the sidereal time needs the site switch too.
  setIni("HUBO", "LocalData0", " 1");
  setIni("HUBO", "LocalData2", " 1");
  drv.cmdStartUP();
  EXPECT_EQ(sent(), (QStringList{":SPH#", ":SPE#", ":SL21:03:04#", ":SC07:12:26#"}));
  EXPECT_EQ(view.sent, std::vector<int>{0});
  EXPECT_TRUE(view.shown);
  EXPECT_EQ(state.mount.TelState, 1);
  // A switch is on only when it reads exactly 1: junk, 2 or 1.5 leave it off.
  fake->writes.clear();
  view.sent.clear();
  setIni("HUBO", "LocalData0", "yes");
  setIni("HUBO", "LocalData1", " 1.5");
  drv.cmdStartUP();
  EXPECT_EQ(sent(), (QStringList{":SPH#", ":SPE#"}));
  // Site and sidereal time, for a western, southern site.
  fake->writes.clear();
  setIni("HUBO", "LocalData0", "0");
  setIni("HUBO", "LocalData1", "1");
  setIni("LOCATION", "LONGITUDE", "W070:40:59");
  setIni("LOCATION", "LATITUDE", "-33:52:10");
  setIni("LOCATION", "TIMEZONE", "-5.0");
  drv.cmdStartUP();
  const QStringList s = sent();
  ASSERT_EQ(s.size(), 6);
  EXPECT_EQ(s.mid(2, 3), (QStringList{":Sg070*40.20#", ":St-33*52:10.0#", ":SG+05.0#"}));
  EXPECT_TRUE(s[5].startsWith(":SS")) << qPrintable(s[5]);
  EXPECT_EQ(view.sent, (std::vector<int>{1, 2}));
}

TEST_F(RST400, SiteAndTargetTexts) {
  EXPECT_EQ(drv.SiteLongitudeCommand(), QStringLiteral(":Sg220*15.20#"));
  EXPECT_EQ(drv.SiteLatitudeCommand(), QStringLiteral(":St+35*40:00.0#"));
  EXPECT_EQ(frmRST400::TargetRaCommand(45296), QStringLiteral(":Sr12:34:56.0#"));
  EXPECT_EQ(frmRST400::TargetDecCommand(-36045), QStringLiteral(":Sd-10*00:45.0#"));
  EXPECT_EQ(frmRST400::TargetDecCommand(-0.2), QStringLiteral(":Sd-00*00:00.0#"));
  EXPECT_EQ(frmRST400::TargetRaCommand(86399.6), QStringLiteral(":Sr00:00:00.0#"));
}

TEST_F(RST400, PositionRepliesAreReadOnlyWhenWhole) {
  drv.cmdStatus();
  EXPECT_EQ(state.mount.TelRA, 19800);
  EXPECT_EQ(state.mount.TelDec, 72900);
  gr = ":GR05:31:00.5#";
  gd = ":GD-20*15:07.5#";
  drv.cmdStatus();
  EXPECT_EQ(state.mount.TelRA, 19860.5);
  EXPECT_EQ(state.mount.TelDec, -72907.5);
  // 13 characters, the right length with letters in it, minutes out of range: kept.
  for (auto [r, d] : {std::pair{":GR06:00:00.#", ":GD+30*00:00.#"}, std::pair{":GR0a:00:00.0#", ":GD+3x*00:00.0#"},
                      std::pair{":GR06:60:00.0#", ":GD+30*61:00.0#"}}) {
    gr = r;
    gd = d;
    drv.cmdStatus();
    EXPECT_EQ(state.mount.TelRA, 19860.5) << r;
    EXPECT_EQ(state.mount.TelDec, -72907.5) << d;
  }
  // Another model label: nothing is asked.
  fake->writes.clear();
  drv.setModelText(QStringLiteral("LX200"));
  drv.cmdStatus();
  EXPECT_TRUE(fake->writes.isEmpty());
  EXPECT_TRUE(prompter.asked().empty());
}

TEST_F(RST400, GotoSyncAndTheTargetReadBack) {
  double ra = 0, dec = 0;
  cal.HorizontalToEquatorial(0, 70, ra, dec);
  ra = std::nearbyint(ra);
  dec = std::nearbyint(dec);
  const double r0 = ra, d0 = dec;
  ASSERT_TRUE(drv.cmdGoto(ra, dec, QStringLiteral("EOD")));
  QStringList s = sent();
  // The target is checked before tracking goes off for the slew.
  ASSERT_EQ(s.size(), 6);
  EXPECT_EQ(s.mid(2), (QStringList{":Gr#", ":Gd#", ":CtL#", ":MS#"}));
  EXPECT_EQ(state.mount.TelState, 2);
  EXPECT_EQ(host.telSlewings, std::vector<int>{1});

  // Sync sends the position first, then ":CM#"; no horizon test, no tracking command.
  fake->writes.clear();
  ra = std::fmod(r0 + 43200, 86400);  // below the horizon
  dec = -d0;
  EXPECT_TRUE(drv.cmdSync(ra, dec, QStringLiteral("EOD")));
  s = sent();
  EXPECT_EQ(s, (QStringList{frmRST400::TargetRaCommand(ra), frmRST400::TargetDecCommand(dec), ":Gr#", ":Gd#", ":CM#"}));
  EXPECT_EQ(state.mount.TelState, 1);

  // A controller that kept the target before: no slew, no sync, the mount's state unchanged.
  fake->setResponder([this](const QByteArray& w) {
    if (w == ":Gr#\r") return QByteArray(":Gr01:00:00.0#");
    if (w == ":Gd#\r") return QByteArray(":Gd+05*00:00.0#");
    return QByteArray();
  });
  fake->writes.clear();
  host.telSlewings.clear();
  ra = r0;
  dec = d0;
  EXPECT_FALSE(drv.cmdGoto(ra, dec, QStringLiteral("EOD")));
  EXPECT_EQ(drv.lastRefusal(), QStringLiteral("Target Not Set"));
  EXPECT_FALSE(drv.cmdSync(ra, dec, QStringLiteral("EOD")));
  EXPECT_FALSE(sent().contains(QStringLiteral(":MS#")));
  EXPECT_FALSE(sent().contains(QStringLiteral(":CM#")));
  EXPECT_FALSE(sent().contains(QStringLiteral(":CtL#")));  // tracking left as it was
  EXPECT_TRUE(host.telSlewings.empty());
}

TEST_F(RST400, TheWatchEndsASlewAtTenInclusive) {
  MountState& m = state.mount;
  m.TelState = 2;
  drv.driverState().GotoActive = true;
  drv.driverState().PrevRA = 1000;
  drv.driverState().PrevDec = 2000;
  m.TelRA = 1010.5;
  m.TelDec = 2000;
  drv.driverState().FreshReading = true;
  drv.SlewWatchTick();
  EXPECT_EQ(m.TelState, 2);
  m.TelRA = 1020.5;
  m.TelDec = 1990;
  drv.driverState().FreshReading = true;
  drv.SlewWatchTick();
  EXPECT_EQ(m.TelState, 1);
  EXPECT_TRUE(drv.driverState().SlewDone);
}

TEST_F(RST400, ConnectingTakesTheHomingOffsetsAndJunkReadsAsNone) {
  drv.driverState().Connected = false;
  fake->close();
  setIni("HUBO", "EncOfs1", "-323900");
  setIni("HUBO", "EncOfs2", "9e99");
  ASSERT_TRUE(drv.cmdConnect(true));
  EXPECT_EQ(state.mount.AxisOfs[0], -323900);
  EXPECT_EQ(state.mount.AxisOfs[1], 0);
  EXPECT_EQ(fake->settings(), QStringLiteral("115200,n,8,1"));
  // Another mount chosen: the homing window goes.
  drv.Deselected();
  EXPECT_FALSE(view.shown);
  drv.UnloadHomingWindow();
  EXPECT_EQ(view.unloads, 1);
}

}  // namespace
