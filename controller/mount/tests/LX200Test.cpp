// The LX200 driver's texts, replies and state, against a scripted port.
#include "DriverFixture.h"
#include "Cp932.h"
#include "Vb.h"
#include "frmLX200.h"

#include <algorithm>
#include <cmath>

using namespace orvan;
using namespace orvan::testing;

namespace {

class LX200 : public DriverFixture {
 protected:
  LX200() : drv(state, host, cal, ini, makeLink()) {
    drv.slewWatchTimer().stop();
    fake->open();
    fake->setResponder(mountReplies);
    drv.driverState().Connected = true;
    state.mount.TelState = 1;
  }
  // Set commands are valid, a slew is possible.
  static QByteArray mountReplies(const QByteArray& w) { return w == ":MS#" ? QByteArrayLiteral("0") : QByteArrayLiteral("1"); }
  // A target in the zenith now: above the horizon whatever the date.
  void zenith(double& ra, double& dec) { cal.HorizontalToEquatorial(0, 90, ra, dec); }
  frmLX200 drv;
};

TEST_F(LX200, StartUpSendsSiteZoneAndClock) {
  drv.cmdStartUP();
  EXPECT_EQ(written(), (QStringList{":Sg220*15:40#", ":St+35*40:00#", ":SG-09.0#", ":SL21:03:04#"}));
  EXPECT_EQ(state.mount.TelState, 1);
}

TEST_F(LX200, StartUpTextsForOtherSites) {
  setIni("LOCATION", "LONGITUDE", "W070:40:00");
  setIni("LOCATION", "LATITUDE", "-33:52:10");
  setIni("LOCATION", "TIMEZONE", "-5.0");
  EXPECT_EQ(drv.LongitudeCommand(), QStringLiteral(":Sg070*40:00#"));
  EXPECT_EQ(drv.LatitudeCommand(), QStringLiteral(":St-33*52:10#"));
  // West of Greenwich the mount adds five hours for UT: one sign, never "+-05.0".
  EXPECT_EQ(drv.TimeZoneCommand(), QStringLiteral(":SG+05.0#"));
  setIni("LOCATION", "LONGITUDE", "E000:00:00");
  EXPECT_EQ(drv.LongitudeCommand(), QStringLiteral(":Sg000*00:00#"));
  setIni("LOCATION", "LONGITUDE", "");
  EXPECT_EQ(drv.TimeZoneCommand(), QString());
}

TEST_F(LX200, CoordinateTextsByModel) {
  double dec = -36045;  // -10°00'45"
  EXPECT_EQ(drv.RaText(45296), QStringLiteral("12:34.9"));
  EXPECT_EQ(drv.DecText(dec), QStringLiteral("-10*01"));
  EXPECT_EQ(dec, -36075);
  dec = 36030;  // exactly half a minute is not rounded up
  EXPECT_EQ(drv.DecText(dec), QStringLiteral("+10*00"));
  EXPECT_EQ(dec, 36030);
  dec = -0.2;
  EXPECT_EQ(drv.DecText(dec), QStringLiteral("-00*00"));
  drv.setModelText(QStringLiteral("LX200GPS"));
  dec = -36045;
  EXPECT_EQ(drv.RaText(45296), QStringLiteral("12:34:56"));
  EXPECT_EQ(drv.RaText(86400.2), QStringLiteral("00:00:00"));
  EXPECT_EQ(drv.DecText(dec), QStringLiteral("-10*00:45"));
  EXPECT_EQ(dec, -36045);
}

TEST_F(LX200, ParsesStatusRepliesByModel) {
  EXPECT_EQ(drv.ParseRa(QStringLiteral("12:34.5#")), 45270);
  EXPECT_EQ(drv.ParseRa(QStringLiteral("23:59.9#")), 86394);
  EXPECT_EQ(drv.ParseDec(QStringLiteral("-05*30#")), -19800);
  EXPECT_EQ(drv.ParseDec(QStringLiteral("+89*59#")), 89 * 3600 + 59 * 60);
  EXPECT_EQ(drv.ParseDec(QStringLiteral("+90*00#")), 324000);
  EXPECT_EQ(drv.ParseDec(cp932::decode(QByteArray("-00\xdf" "30#"))), -1800);
  // Garbled, cut off, out of range, or in the other model's layout: no position.
  for (const char* bad : {"", "#", "12#", "12:3", "12:34.5", "@$%&?!#", "24:00.0#", "12:60.0#", "12:34:56#",
                          "12:34,5#", " 2:34.5#", "12:34.5##", "1a:34.5#"})
    EXPECT_FALSE(drv.ParseRa(QString::fromLatin1(bad))) << bad;
  for (const char* bad : {"", "+05*3", "05*30#", "+91*00#", "+90*01#", "+05*60#", "+05#30#", "+0530##", "-05*30:15#",
                          "+5*30#", "@$%&?!#"})
    EXPECT_FALSE(drv.ParseDec(QString::fromLatin1(bad))) << bad;

  drv.setModelText(QStringLiteral("LX200GPS"));
  EXPECT_EQ(drv.ParseRa(QStringLiteral("12:34:56#")), 45296);
  // The mount's degree sign is the byte 0xDF, one character in the Japanese code page; the
  // minutes and seconds may part with ':' or '\''.
  EXPECT_EQ(drv.ParseDec(cp932::decode(QByteArray("-05\xdf" "30:15#"))), -(5 * 3600 + 30 * 60 + 15));
  EXPECT_EQ(drv.ParseDec(cp932::decode(QByteArray("+05\xdf" "30'15#"))), 5 * 3600 + 30 * 60 + 15);
  EXPECT_EQ(drv.ParseDec(QStringLiteral("+20*15:00#")), 72900);
  for (const char* bad : {"12:34.5#", "12:34:5#", "12:34:60#", "24:00:00#", "12:3", "@$%&?!~@$", "12-34-56#"})
    EXPECT_FALSE(drv.ParseRa(QString::fromLatin1(bad))) << bad;
  for (const char* bad : {"+20*15#", "+20*15:0#", "+20*15:60#", "+90*00:01#", "+20*15:00", "+20*15#00#", "+2"})
    EXPECT_FALSE(drv.ParseDec(QString::fromLatin1(bad))) << bad;

  // Through cmdStatus, with the replies on the port.
  QByteArray ra = "05:30:00#", dec = "+20*15:00#";
  fake->setResponder([&](const QByteArray& w) { return w == ":GR#" ? ra : dec; });
  drv.cmdStatus();
  EXPECT_EQ(state.mount.TelRA, 19800);
  EXPECT_EQ(state.mount.TelDec, 72900);
  EXPECT_EQ(state.mount.TelStatus[2], QStringLiteral("19800"));
  EXPECT_EQ(state.mount.TelStatus[3], QStringLiteral("72900"));
  // A garbled or cut-off reply keeps the last good position, axis by axis.
  for (const auto& [r, d] : {std::pair{"@$%&?!~@$", "@$%&?!~@$#"}, std::pair{"05:3", "+20*1"}}) {
    ra = r;
    dec = d;
    drv.cmdStatus();
    EXPECT_EQ(state.mount.TelRA, 19800) << r;
    EXPECT_EQ(state.mount.TelDec, 72900) << d;
  }
  ra = "06:00:00#";
  dec = "+2";
  drv.cmdStatus();
  EXPECT_EQ(state.mount.TelRA, 21600);
  EXPECT_EQ(state.mount.TelDec, 72900);
  // Without a reply the position stays as it was.
  fake->setResponder(nullptr);
  prompter.push(Answer::Ignore);
  drv.cmdStatus();
  EXPECT_EQ(state.mount.TelRA, 21600);
  EXPECT_EQ(state.mount.TelDec, 72900);
  // An unknown model keeps the values and asks the mount nothing.
  drv.setModelText(QStringLiteral("LX200X"));
  const int writes = fake->writes.size();
  drv.cmdStatus();
  EXPECT_EQ(fake->writes.size(), writes);
}

TEST_F(LX200, MovesCrossEastAndWest) {
  drv.cmdMove(QStringLiteral("E"), 2);
  EXPECT_EQ(written(), (QStringList{":Q#", ":RM#", ":Mw#"}));
  EXPECT_EQ(state.mount.TelState, 2);
  fake->writes.clear();
  host.telSlewings.clear();
  drv.cmdMove(QStringLiteral("E"), 9);
  EXPECT_EQ(written(), (QStringList{":Qw#", ":Q#"}));
  EXPECT_EQ(host.telSlewings, std::vector<int>{0});
  EXPECT_EQ(state.mount.TelState, 1);
  fake->writes.clear();
  drv.cmdMove(QStringLiteral("W"), 1);
  drv.cmdMove(QStringLiteral("N"), 3);
  drv.cmdMove(QStringLiteral("S"), 0);  // no rate command
  drv.cmdMove(QString(), 9);
  EXPECT_EQ(written(), (QStringList{":Q#", ":RC#", ":Me#", ":Q#", ":RS#", ":Mn#", ":Q#", ":Ms#", ":Q#"}));
  fake->writes.clear();
  drv.cmdTrucking();
  EXPECT_EQ(written(), QStringList{":Q#"});
  EXPECT_EQ(state.mount.TelState, 1);
}

TEST_F(LX200, StopEndsMotionAndTheStopRequest) {
  state.mount.TelState = 2;
  state.mount.StopRequest = kTrue;
  drv.cmdStop();
  EXPECT_EQ(written(), QStringList{":Q#"});
  EXPECT_EQ(state.mount.TelState, 1);
  EXPECT_EQ(state.mount.StopRequest, kFalse);
  state.mount.TelState = 0;  // the LX200 has no stand-by: it stays as it is
  drv.cmdStop();
  EXPECT_EQ(state.mount.TelState, 0);
}

TEST_F(LX200, GotoSendsTheTargetAndStartsTheSlew) {
  drv.setModelText(QStringLiteral("LX200GPS"));
  double ra = 0, dec = 0;
  zenith(ra, dec);
  const double ra0 = ra, dec0 = dec;
  ASSERT_TRUE(drv.cmdGoto(ra, dec, QStringLiteral("EOD")));
  const long long s = static_cast<long long>(std::nearbyint(ra0));
  const long long d = static_cast<long long>(std::nearbyint(std::fabs(dec0)));
  const QString raText = vb::TimeText(s);
  const QString decText = QStringLiteral("+%1*%2:%3").arg(d / 3600, 2, 10, QChar(u'0')).arg(d % 3600 / 60, 2, 10, QChar(u'0')).arg(d % 60, 2, 10, QChar(u'0'));
  EXPECT_EQ(written(), (QStringList{":Q#", ":Q#", ":Sr" + raText + "#", ":Sd" + decText + "#", ":MS#"}));
  EXPECT_EQ(state.mount.TelState, 2);
  EXPECT_EQ(state.mount.GotoRA, ra0);
  EXPECT_EQ(state.mount.GotoDec, dec0);
  EXPECT_EQ(host.telSlewings.back(), 1);
  EXPECT_FALSE(drv.driverState().SlewDone);
}

TEST_F(LX200, AGotoOrSyncBelowTheHorizonChangesNothing) {
  state.mount.GotoRA = 111;
  state.mount.GotoDec = 222;
  double ra = 3600, dec = -80 * 3600.0;  // never above the horizon at +35°
  EXPECT_FALSE(drv.cmdGoto(ra, dec, QStringLiteral("EOD")));
  EXPECT_FALSE(drv.cmdSync(ra, dec, QStringLiteral("EOD")));
  EXPECT_TRUE(fake->writes.isEmpty());
  EXPECT_EQ(state.mount.TelState, 1);
  EXPECT_EQ(state.mount.GotoRA, 111);
  EXPECT_EQ(state.mount.GotoDec, 222);
  EXPECT_TRUE(host.telSlewings.empty());
}

TEST_F(LX200, GotoReadsTheBacklashSettings) {
  double ra = 0, dec = 0;
  setIni("TELESCOPE", "BackLash", " 1");
  setIni("TELESCOPE", "OverRun", " 5");
  setIni("TELESCOPE", "DelayTime", " 7");
  zenith(ra, dec);
  ASSERT_TRUE(drv.cmdGoto(ra, dec, QStringLiteral("EOD")));
  EXPECT_TRUE(drv.driverState().UseBacklash);
  EXPECT_EQ(drv.driverState().OverRun, 5);
  EXPECT_EQ(drv.driverState().DelayTime, 0);
  setIni("TELESCOPE", "OverRun", " 0");
  zenith(ra, dec);
  ASSERT_TRUE(drv.cmdGoto(ra, dec, QStringLiteral("EOD")));
  EXPECT_EQ(drv.driverState().DelayTime, 7);
  setIni("TELESCOPE", "BackLash", " 2");
  setIni("TELESCOPE", "OverRun", " 5");
  zenith(ra, dec);
  ASSERT_TRUE(drv.cmdGoto(ra, dec, QStringLiteral("EOD")));
  EXPECT_FALSE(drv.driverState().UseBacklash);
  EXPECT_EQ(drv.driverState().OverRun, 0);
  EXPECT_EQ(drv.driverState().DelayTime, 0);
}

TEST_F(LX200, SyncTellsTheMountExactlyThePosition) {
  drv.setModelText(QStringLiteral("LX200GPS"));
  // Whichever side the hour axis stands on, the mount is told the position itself, and a
  // sync leaves the approach delay of the goto as it was.
  for (const int32_t axis0 : {600000, 0, -600000}) {
    SCOPED_TRACE(axis0);
    double ra = 0, dec = 0;
    zenith(ra, dec);
    state.mount.AxisPos[0] = axis0;
    fake->writes.clear();
    const double ra0 = ra, dec0 = dec;
    ASSERT_TRUE(drv.cmdSync(ra, dec, QStringLiteral("EOD")));
    EXPECT_EQ(ra, ra0);
    EXPECT_EQ(dec, dec0);
    EXPECT_FALSE(drv.driverState().ApproachDelay);
    const QStringList w = written();
    ASSERT_EQ(w.size(), 5);
    EXPECT_EQ(w[2], ":Sr" + vb::TimeText(static_cast<long long>(std::nearbyint(ra0))) + "#");
    EXPECT_EQ(w[4], QStringLiteral(":CM#"));
    EXPECT_EQ(state.mount.TelState, 1);
  }
}

TEST_F(LX200, AGotoOrSyncWithoutAMountIsRefusedAndChangesNothing) {
  MountState& m = state.mount;
  m.GotoRA = 111;
  m.GotoDec = 222;
  const auto nothingHappened = [&] {
    EXPECT_TRUE(fake->writes.isEmpty());
    EXPECT_EQ(m.TelState, 1);
    EXPECT_EQ(m.GotoRA, 111);
    EXPECT_EQ(m.GotoDec, 222);
    EXPECT_TRUE(host.telSlewings.empty());
    EXPECT_EQ(drv.lastRefusal(), QString());
  };
  double ra = 0, dec = 0;
  // Not connected.
  drv.driverState().Connected = false;
  zenith(ra, dec);
  EXPECT_FALSE(drv.cmdGoto(ra, dec, QStringLiteral("EOD")));
  EXPECT_FALSE(drv.cmdSync(ra, dec, QStringLiteral("EOD")));
  nothingHappened();
  // Connected, but the port has gone.
  drv.driverState().Connected = true;
  fake->close();
  EXPECT_FALSE(drv.cmdGoto(ra, dec, QStringLiteral("EOD")));
  EXPECT_FALSE(drv.cmdSync(ra, dec, QStringLiteral("EOD")));
  nothingHappened();
  // Communication given up after a time-out.
  fake->open();
  drv.driverState().LastTimeoutAnswer = 5;
  EXPECT_FALSE(drv.cmdGoto(ra, dec, QStringLiteral("EOD")));
  EXPECT_FALSE(drv.cmdSync(ra, dec, QStringLiteral("EOD")));
  nothingHappened();
}

TEST_F(LX200, AGotoTheMountRefusesIsReportedWithItsWords) {
  MountState& m = state.mount;
  m.GotoRA = 111;
  m.GotoDec = 222;
  QByteArray msReply = "1Object Below Horizon#";
  fake->setResponder([&](const QByteArray& w) {
    if (w == ":MS#") return msReply;
    if (w == ":GR#") return QByteArrayLiteral("05:30.0#");
    if (w == ":GD#") return QByteArrayLiteral("+20*15#");
    return QByteArrayLiteral("1");
  });
  double ra = 0, dec = 0;
  zenith(ra, dec);
  EXPECT_FALSE(drv.cmdGoto(ra, dec, QStringLiteral("EOD")));
  EXPECT_EQ(drv.lastRefusal(), QStringLiteral("Object Below Horizon"));
  EXPECT_EQ(written().last(), QStringLiteral(":MS#"));
  EXPECT_NE(m.TelState, 2);
  EXPECT_EQ(m.GotoRA, 111);
  EXPECT_EQ(m.GotoDec, 222);
  EXPECT_EQ(std::count(host.telSlewings.begin(), host.telSlewings.end(), 1), 0);
  // No completion comes later either.
  for (int i = 0; i < 3; ++i) {
    drv.cmdStatus();
    drv.SlewWatchTick();
  }
  drv.cmdStatus();
  EXPECT_EQ(host.linkOks, 0);
  EXPECT_EQ(std::count(host.telSlewings.begin(), host.telSlewings.end(), 2), 0);

  // "2" (above the upper limit) refuses too.
  msReply = "2Object Above Higher#";
  EXPECT_FALSE(drv.cmdGoto(ra, dec, QStringLiteral("EOD")));
  EXPECT_EQ(drv.lastRefusal(), QStringLiteral("Object Above Higher"));
  // The next goto the mount accepts clears the words.
  msReply = "0";
  EXPECT_TRUE(drv.cmdGoto(ra, dec, QStringLiteral("EOD")));
  EXPECT_EQ(drv.lastRefusal(), QString());
  EXPECT_EQ(m.TelState, 2);
  EXPECT_EQ(host.telSlewings.back(), 1);

  // Coordinates the mount calls invalid: no slew to the target before, no sync on it.
  m.GotoRA = 111;
  fake->setResponder([](const QByteArray& w) { return w.startsWith(":Sd") ? QByteArrayLiteral("0") : mountReplies(w); });
  fake->writes.clear();
  EXPECT_FALSE(drv.cmdGoto(ra, dec, QStringLiteral("EOD")));
  EXPECT_FALSE(drv.cmdSync(ra, dec, QStringLiteral("EOD")));
  EXPECT_FALSE(written().contains(QStringLiteral(":MS#")));
  EXPECT_FALSE(written().contains(QStringLiteral(":CM#")));
  EXPECT_EQ(m.GotoRA, 111);
}

TEST_F(LX200, ZenithSyncUsesTheZenithOfNow) {
  drv.setModelText(QStringLiteral("LX200GPS"));
  ASSERT_TRUE(drv.SendZsync());
  const QStringList w = written();
  ASSERT_EQ(w.size(), 5);
  // The zenith's declination is the site latitude.
  EXPECT_EQ(w[3], QStringLiteral(":Sd+35*40:00#"));
  EXPECT_EQ(w[4], QStringLiteral(":CM#"));
}

TEST_F(LX200, SlewWatchEndsBelowSixtyOnly) {
  MountState& m = state.mount;
  double ra = 0, dec = 0;
  zenith(ra, dec);
  ASSERT_TRUE(drv.cmdGoto(ra, dec, QStringLiteral("EOD")));
  // Each step stands for a new reading of the position.
  const auto read = [&](double dRa, double dDec) {
    m.TelRA += dRa;
    m.TelDec += dDec;
    drv.driverState().FreshReading = true;
    drv.SlewWatchTick();
  };
  m.TelRA = 1000;
  m.TelDec = 1000;
  // The first tick of a slew only takes a reading.
  read(0, 0);
  EXPECT_EQ(m.TelState, 2);
  read(60, 59.9);
  EXPECT_EQ(m.TelState, 2);
  read(59.9, 60);
  EXPECT_EQ(m.TelState, 2);
  read(-59.9, -59.9);
  EXPECT_EQ(m.TelState, 1);
  EXPECT_TRUE(drv.driverState().SlewDone);
}

TEST_F(LX200, SlewWatchJudgesOnlyFreshReadings) {
  MountState& m = state.mount;
  QByteArray ra = "05:30:00#";
  fake->setResponder([&](const QByteArray& w) {
    return w == ":GR#" ? ra : w == ":GD#" ? QByteArrayLiteral("+20*15:00#") : mountReplies(w);
  });
  drv.setModelText(QStringLiteral("LX200GPS"));
  double tRa = 0, tDec = 0;
  zenith(tRa, tDec);
  ASSERT_TRUE(drv.cmdGoto(tRa, tDec, QStringLiteral("EOD")));
  // A main loop slower than the watch: several ticks between two readings.
  drv.cmdStatus();
  for (int i = 0; i < 3; ++i) drv.SlewWatchTick();
  EXPECT_EQ(m.TelState, 2);
  EXPECT_EQ(drv.driverState().PrevRA, 19800);
  // The mount moved on; a reading that does not parse is no reading: it neither ends the slew
  // nor moves the watch's last position.
  ra = "05:40:00#";
  drv.cmdStatus();
  drv.SlewWatchTick();
  EXPECT_EQ(m.TelState, 2);
  ra = "@$%&?!~@$";
  drv.cmdStatus();
  drv.SlewWatchTick();
  drv.SlewWatchTick();
  EXPECT_EQ(m.TelState, 2);
  EXPECT_EQ(drv.driverState().PrevRA, 20400);
  // Two fresh readings at the same place: settled.
  ra = "05:40:00#";
  drv.cmdStatus();
  drv.SlewWatchTick();
  EXPECT_EQ(m.TelState, 1);
  EXPECT_TRUE(drv.driverState().SlewDone);
}

TEST_F(LX200, StatusCompletesTheGoto) {
  fake->setResponder([](const QByteArray& w) {
    return w == ":GR#" ? QByteArrayLiteral("05:30.0#") : w == ":GD#" ? QByteArrayLiteral("+20*15#") : mountReplies(w);
  });
  double ra = 0, dec = 0;
  zenith(ra, dec);
  ASSERT_TRUE(drv.cmdGoto(ra, dec, QStringLiteral("EOD")));
  drv.driverState().SlewDone = true;
  state.mount.TelState = 1;
  host.telSlewings.clear();
  drv.cmdStatus();
  EXPECT_EQ(host.linkOks, 1);
  EXPECT_EQ(host.telSlewings, std::vector<int>{2});
  EXPECT_FALSE(drv.driverState().SlewDone);
  drv.cmdStatus();
  EXPECT_EQ(host.linkOks, 1);
  // A goto that ends while a stop was requested: stop, then the status mission.
  ASSERT_TRUE(drv.cmdGoto(ra, dec, QStringLiteral("EOD")));
  drv.driverState().SlewDone = true;
  state.mount.StopRequest = kTrue;
  fake->writes.clear();
  drv.cmdStatus();
  EXPECT_EQ(written(), (QStringList{":GR#", ":GD#", ":Q#"}));
  EXPECT_EQ(host.missions, std::vector<int>{99});
  EXPECT_EQ(host.inMissionCallSeen, kTrue);
  EXPECT_EQ(state.mount.InMissionCall, kFalse);
  EXPECT_EQ(state.mount.StopRequest, kFalse);
  EXPECT_EQ(host.linkOks, 1);
}

TEST_F(LX200, StatusFoldsTheDisplayedAxisAtHalfATurn) {
  fake->setResponder([](const QByteArray& w) {
    return w == ":GR#" ? QByteArrayLiteral("05:30.0#") : QByteArrayLiteral("+20*15#");
  });
  drv.cmdStatus();
  MountState& m = state.mount;
  const int32_t pos0 = m.AxisPos[0];
  m.AxisOfs[0] = 648000 - pos0;
  m.AxisOfs[1] = 648001 - m.AxisPos[1];
  const int32_t pos1 = m.AxisPos[1];
  drv.cmdStatus();
  ASSERT_EQ(m.AxisPos[0], pos0);
  ASSERT_EQ(m.AxisPos[1], pos1);
  EXPECT_EQ(m.AxisDisp[0], 648000);
  EXPECT_EQ(m.AxisDisp[1], 648001 - 1296000);
  // Altitude and azimuth texts, and the horizon flag.
  EXPECT_FALSE(m.TelStatus[4].isEmpty());
  EXPECT_TRUE(m.TelStatus[5].contains(u'.'));
  EXPECT_EQ(m.TelStatus[15], vb::Val(m.TelStatus[5]) < 0 ? QStringLiteral("1") : QStringLiteral("0"));
}

}  // namespace

namespace {

TEST_F(LX200, StatusAzimuthCountsFromTheSouthAsTheMainWindowExpects) {
  // Point the mount at the sidereal time now (on the meridian) and six hours before it (due
  // east at the equator). Azimuth from the south through west: south 0, east 270.
  const int32_t lst = cal.LocalSiderealTime();
  const auto reply = [](int32_t ra) {
    return QByteArray(vb::TimeText(ra).toLatin1() + "#");
  };
  fake->setResponder([&](const QByteArray& w) {
    return w == ":GR#" ? reply(lst) : QByteArrayLiteral("+00*00:00#");
  });
  drv.setModelText(QStringLiteral("LX200GPS"));
  drv.cmdStatus();
  EXPECT_EQ(state.mount.TelStatus[4], "0.0");
  EXPECT_EQ(state.mount.TelStatus[5], "54.3");  // 90 - 35.67 at the equator on the meridian
  // The numbers beside the texts hold the same rounded values (the dome loop reads them).
  EXPECT_DOUBLE_EQ(state.mount.TelAltitude, 54.3);
  EXPECT_DOUBLE_EQ(state.mount.TelAzimuthFromSouth, 0.0);
  const int32_t east = (lst + 21600) % 86400;  // hour angle -6 h: rising in the east
  fake->setResponder([&](const QByteArray& w) {
    return w == ":GR#" ? reply(east) : QByteArrayLiteral("+00*00:00#");
  });
  drv.cmdStatus();
  EXPECT_EQ(state.mount.TelStatus[4], "270.0");
  EXPECT_EQ(state.mount.TelStatus[5], "0.0");
  EXPECT_DOUBLE_EQ(state.mount.TelAzimuthFromSouth, 270.0);
  EXPECT_DOUBLE_EQ(state.mount.TelAltitude, 0.0);
}

}  // namespace
