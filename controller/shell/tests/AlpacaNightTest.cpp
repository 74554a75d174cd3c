// An Alpaca client (requests over HTTP on loopback) steering the controller through the device
// program OrvanforASCOM, which reaches the controller over the application link: the telescope
// and the dome, on the simulators.
#include "NightFixture.h"

using namespace orvan;
using namespace orvan::test;

// An Alpaca client steering the controller through the device program OrvanforASCOM, which
// reaches the controller over the application link.
TEST_F(Night, AnAlpacaClientDrivesTheControllerThroughTheDeviceProgram) {
  settings(site() + "[DOME]\nController= 2\n[ASCOM]\nAlpacaPort=0\n");
  startReal(0);
  ASSERT_EQ(w->windowLayout(), 1);
  AlpacaProgram device(dir.path());
  ASSERT_TRUE(device.ready()) << device.failure();
  const auto call = [&](const char* verb, const QString& path, const QString& form = {}) { return device.call(verb, path, form); };
  const auto scope = [&](const char* verb, const QString& member, const QString& form = {}) {
    return device.member(verb, "telescope", member, form);
  };
  EXPECT_EQ(call("GET", "management/apiversions").second["Value"].toArray(), QJsonArray{1});
  EXPECT_EQ(call("GET", "management/v1/configureddevices").second["Value"][0]["DeviceType"].toString(), "Telescope");

  // Not connected yet: nothing moves, the error says why.
  EXPECT_EQ(scope("GET", "rightascension").second["ErrorNumber"].toInt(), 0x407);
  EXPECT_EQ(scope("PUT", "slewtocoordinatesasync", "RightAscension=1&Declination=2").second["ErrorNumber"].toInt(), 0x407);
  const auto connected = scope("PUT", "connected", "Connected=True&ClientTransactionID=7");
  EXPECT_EQ(connected.second["ErrorNumber"].toInt(), 0);
  EXPECT_EQ(connected.second["ClientTransactionID"].toInt(), 7);
  EXPECT_GT(connected.second["ServerTransactionID"].toInt(), 0);
  ASSERT_TRUE(scope("GET", "connected").second["Value"].toBool());

  // Bad requests: a missing parameter, not a number, below the horizon, an unknown member.
  size_t mark = received().size();
  const int lst = obs().acal().LocalSiderealTime();
  const QString ra = QString::number(lst / 3600.0, 'f', 6);
  EXPECT_EQ(scope("PUT", "slewtocoordinatesasync", "RightAscension=" + ra).first, 400);
  EXPECT_EQ(scope("PUT", "slewtocoordinatesasync", "RightAscension=" + ra + "&Declination=nan").second["ErrorNumber"].toInt(), 0x401);
  EXPECT_EQ(scope("PUT", "slewtocoordinatesasync", "RightAscension=" + ra + "&Declination=-80").second["ErrorNumber"].toInt(), 0x401);
  EXPECT_EQ(scope("PUT", "moveaxis", "Axis=0&Rate=1").second["ErrorNumber"].toInt(), 0x401);  // not a hand rate
  EXPECT_EQ(call("GET", "api/v1/telescope/0/RightAscension").first, 400);
  EXPECT_FALSE(commandsSince(mark).contains(":MS#")) << commandsSince(mark).join(' ').toStdString();
  EXPECT_FALSE(commandsSince(mark).join(' ').contains(":M")) << commandsSince(mark).join(' ').toStdString();

  // A slew near the zenith lands; the position follows.
  const auto slew = scope("PUT", "slewtocoordinatesasync", "rightascension=" + ra + "&declination=35");
  EXPECT_EQ(slew.second["ErrorNumber"].toInt(), 0) << slew.second["ErrorMessage"].toString().toStdString();
  EXPECT_TRUE(commandsSince(mark).contains(":MS#"));
  EXPECT_TRUE(waitUntil([&] { return !scope("GET", "slewing").second["Value"].toBool(); }, 30));
  Wait(1500);  // the next position report
  EXPECT_NEAR(std::remainder(scope("GET", "rightascension").second["Value"].toDouble() * 3600 - lst, 86400.0), 0, 120);
  EXPECT_NEAR(scope("GET", "declination").second["Value"].toDouble(), 35, 0.5);

  // Sync, then park: parked when the controller reports the park's end; a parked mount slews not.
  mark = received().size();
  EXPECT_EQ(scope("PUT", "synctocoordinates", "RightAscension=" + ra + "&Declination=35.1").second["ErrorNumber"].toInt(), 0);
  EXPECT_TRUE(waitUntil([&] { return commandsSince(mark).contains(":CM#"); }, 5));
  EXPECT_EQ(scope("PUT", "park").second["ErrorNumber"].toInt(), 0);
  EXPECT_TRUE(waitUntil([&] { return scope("GET", "atpark").second["Value"].toBool(); }, 60));
  EXPECT_EQ(scope("PUT", "slewtocoordinatesasync", "RightAscension=" + ra + "&Declination=35").second["ErrorNumber"].toInt(), 0x408);
  w->close();
}

// An Alpaca client moves the mount's axes at the hand controller's rates, and every motion
// ends with its owner: a rate of 0, the client disconnecting, the client falling silent, the
// device program killed. A rate the mount does not have, and the other axis while one moves,
// are refused without moving anything.
TEST_F(Night, AnAlpacaClientMovesTheAxesAndEveryMotionEndsWithItsOwner) {
  settings(site() + "[DOME]\nController= 2\n[ASCOM]\nAlpacaPort=0\n");
  startReal(0);
  auto device = std::make_unique<AlpacaProgram>(dir.path(), 1500);
  ASSERT_TRUE(device->ready()) << device->failure();
  const auto get = [&](const QString& member, const QString& query = {}) { return device->member("GET", "telescope", member, query).second; };
  const auto put = [&](const QString& member, const QString& form = {}) { return device->member("PUT", "telescope", member, form).second; };
  const auto sent = [&](size_t from, const char* command) { return commandsSince(from).contains(command); };
  // The simulator logs what it received a moment after the controller wrote it.
  const auto moved = [&](size_t from, const char* command) { return waitUntil([&] { return sent(from, command); }, 5); };
  ASSERT_EQ(put("connected", "Connected=True")["ErrorNumber"].toInt(), 0);

  // The LX200's three rates, slowest first, each a single rate.
  EXPECT_TRUE(get("canmoveaxis", "Axis=0")["Value"].toBool());
  const QJsonArray rates = get("axisrates", "Axis=0")["Value"].toArray();
  ASSERT_EQ(rates.size(), 3);
  for (const QJsonValue r : rates) EXPECT_EQ(r["Minimum"].toDouble(), r["Maximum"].toDouble());
  EXPECT_LT(rates[0]["Maximum"].toDouble(), rates[1]["Maximum"].toDouble());
  EXPECT_EQ(get("axisrates", "Axis=1")["Value"].toArray(), rates);
  const QString fast = QString::number(rates[2]["Maximum"].toDouble(), 'g', 17);
  const QString slow = QString::number(rates[0]["Maximum"].toDouble(), 'g', 17);

  // East at the fast rate: the slew rate and ":Me#" reach the mount, the telescope slews, the
  // right ascension grows; the declination axis waits its turn.
  size_t mark = received().size();
  const double raBefore = obs().state().mount.TelRA;
  EXPECT_EQ(put("moveaxis", "Axis=0&Rate=" + fast)["ErrorNumber"].toInt(), 0);
  EXPECT_TRUE(moved(mark, ":RS#") && moved(mark, ":Me#")) << commandsSince(mark).join(' ').toStdString();
  EXPECT_TRUE(get("slewing")["Value"].toBool());
  const QJsonObject other = put("moveaxis", "Axis=1&Rate=" + fast);
  EXPECT_EQ(other["ErrorNumber"].toInt(), 0x40B);
  EXPECT_FALSE(other["ErrorMessage"].toString().isEmpty());
  EXPECT_FALSE(sent(mark, ":Mn#"));
  // (At the pole, where the mount starts, the right ascension is the mount's own, in the
  // equinox of date: every J2000 one is the same point there.)
  EXPECT_TRUE(waitUntil([&] { return std::remainder(obs().state().mount.TelRA - raBefore, 86400.0) > 180; }, 10));
  EXPECT_EQ(put("moveaxis", "Axis=0&Rate=0")["ErrorNumber"].toInt(), 0);
  EXPECT_TRUE(moved(mark, ":Qe#")) << commandsSince(mark).join(' ').toStdString();
  EXPECT_FALSE(get("slewing")["Value"].toBool(true));

  // South, then the client disconnects: the motion stops with it.
  mark = received().size();
  EXPECT_EQ(put("moveaxis", "Axis=1&Rate=-" + slow)["ErrorNumber"].toInt(), 0);
  EXPECT_TRUE(moved(mark, ":RC#") && moved(mark, ":Ms#")) << commandsSince(mark).join(' ').toStdString();
  const double decBefore = get("declination")["Value"].toDouble();
  EXPECT_TRUE(waitUntil([&] { return get("declination")["Value"].toDouble() < decBefore - 0.03; }, 10));
  EXPECT_EQ(put("connected", "Connected=False")["ErrorNumber"].toInt(), 0);
  EXPECT_TRUE(moved(mark, ":Qs#")) << commandsSince(mark).join(' ').toStdString();

  // North, then the client falls silent: the motion stops after the hold (1.5 s here).
  ASSERT_EQ(put("connected", "Connected=True")["ErrorNumber"].toInt(), 0);
  mark = received().size();
  EXPECT_EQ(put("moveaxis", "Axis=1&Rate=" + slow)["ErrorNumber"].toInt(), 0);
  EXPECT_FALSE(sent(mark, ":Qn#"));
  EXPECT_TRUE(waitUntil([&] { return sent(mark, ":Qn#"); }, 10)) << commandsSince(mark).join(' ').toStdString();

  // West, then the device program dies: the controller stops what its link moved.
  mark = received().size();
  EXPECT_EQ(put("moveaxis", "Axis=0&Rate=-" + fast)["ErrorNumber"].toInt(), 0);
  EXPECT_TRUE(moved(mark, ":Mw#"));
  device->kill();
  EXPECT_TRUE(waitUntil([&] { return sent(mark, ":Qw#"); }, 10)) << commandsSince(mark).join(' ').toStdString();
  EXPECT_EQ(obs().state().mount.TelState, 1);
  w->close();
}

// The E-Vexil does not mark hand motion in the mount's state: a client's move belongs to the
// client all the same, its stop reaches the mount, and so does the stop of a client that falls
// silent.
TEST_F(EVexilNight, AnAlpacaClientsMoveOnTheEVexilEndsWithItsOwner) {
  settings(QByteArray(site()).replace("Telescope= 5", "Telescope= 0") + "[DOME]\nController= 2\n[ASCOM]\nAlpacaPort=0\n");
  startReal(0);
  ASSERT_TRUE(obs().Telescope()->isConnected());
  AlpacaProgram device(dir.path(), 1500);
  ASSERT_TRUE(device.ready()) << device.failure();
  const auto put = [&](const QString& member, const QString& form = {}) { return device.member("PUT", "telescope", member, form).second; };
  const auto sent = [&](size_t from, const char* command) {
    return waitUntil([&] { return commandsSince(from).contains(command); }, 10);
  };
  ASSERT_EQ(put("connected", "Connected=True")["ErrorNumber"].toInt(), 0);
  const QJsonArray rates = device.member("GET", "telescope", "axisrates", "Axis=1").second["Value"].toArray();
  ASSERT_EQ(rates.size(), 3);
  const QString fast = QString::number(rates[2]["Maximum"].toDouble(), 'g', 17);

  size_t mark = received().size();
  EXPECT_EQ(put("moveaxis", "Axis=1&Rate=" + fast)["ErrorNumber"].toInt(), 0);
  EXPECT_TRUE(sent(mark, "DVDCF4<0D>")) << commandsSince(mark).join(' ').toStdString();
  EXPECT_EQ(put("moveaxis", "Axis=1&Rate=0")["ErrorNumber"].toInt(), 0);
  EXPECT_TRUE(sent(mark, "SP1<0D>")) << commandsSince(mark).join(' ').toStdString();

  mark = received().size();
  EXPECT_EQ(put("moveaxis", "Axis=0&Rate=-" + fast)["ErrorNumber"].toInt(), 0);
  EXPECT_TRUE(sent(mark, "DVRAR4<0D>")) << commandsSince(mark).join(' ').toStdString();
  EXPECT_TRUE(sent(mark, "SP1<0D>")) << commandsSince(mark).join(' ').toStdString();  // the client fell silent
  w->close();
}

// What a client written from the public Alpaca telescope interface checks: every required
// member answers (and truthfully), unknown devices and members are HTTP 400 in plain text,
// a goto from the hand controller shows as slewing, a sync reads back at once, a park with
// nothing to park is refused at once.
TEST_F(Night, AnAlpacaProbeFindsTheTelescopeMembersTheInterfaceRequires) {
  QByteArray noPark = site();
  noPark.replace("[PARK]\nAZ= 0\nAlt= 54\n", "[PARK]\nAZ= -1\nAlt= -1\n");
  settings(noPark + "[DOME]\nController= 2\n[ASCOM]\nAlpacaPort=0\n");
  startReal(0);
  AlpacaProgram device(dir.path());
  ASSERT_TRUE(device.ready()) << device.failure();
  const auto get = [&](const QString& member, const QString& query = {}) { return device.member("GET", "telescope", member, query).second; };
  const auto put = [&](const QString& member, const QString& form = {}) { return device.member("PUT", "telescope", member, form).second; };
  ASSERT_EQ(put("connected", "Connected=True")["ErrorNumber"].toInt(), 0);

  const double lst = obs().acal().LocalSiderealTime() / 3600.0;
  EXPECT_NEAR(std::remainder(get("siderealtime")["Value"].toDouble() - lst, 24.0), 0, 0.01);
  for (const char* rate : {"declinationrate", "rightascensionrate"}) {
    EXPECT_EQ(get(rate)["ErrorNumber"].toInt(), 0) << rate;
    EXPECT_EQ(get(rate)["Value"].toDouble(-1), 0.0) << rate;
  }
  EXPECT_TRUE(get("axisrates", "Axis=0")["Value"].isArray());
  EXPECT_EQ(get("axisrates", "Axis=7")["ErrorNumber"].toInt(), 0x401);
  EXPECT_TRUE(get("canmoveaxis", "Axis=1")["Value"].toBool());
  EXPECT_FALSE(get("canmoveaxis", "Axis=2")["Value"].toBool(true));
  EXPECT_EQ(get("axisrates", "Axis=2")["Value"].toArray(), QJsonArray());
  EXPECT_FALSE(get("canpark")["Value"].toBool(true));  // nothing to park in these settings
  EXPECT_TRUE(get("canslewasync")["Value"].toBool());
  EXPECT_TRUE(get("cansync")["Value"].toBool());
  EXPECT_FALSE(get("canslew")["Value"].toBool(true));
  EXPECT_FALSE(get("cansetrightascensionrate")["Value"].toBool(true));
  EXPECT_EQ(get("trackingrates")["Value"].toArray(), QJsonArray{0});
  EXPECT_EQ(get("equatorialsystem")["Value"].toInt(), 2);
  EXPECT_EQ(get("alignmentmode")["Value"].toInt(), 2);
  EXPECT_EQ(get("interfaceversion")["Value"].toInt(), 3);
  // The site as the settings keep it (E139:44:20, +35:40:00), in degrees.
  EXPECT_NEAR(get("sitelatitude")["Value"].toDouble(), 35 + 40 / 60.0, 1e-9);
  EXPECT_NEAR(get("sitelongitude")["Value"].toDouble(), 139 + 44 / 60.0 + 20 / 3600.0, 1e-9);
  EXPECT_EQ(get("siteelevation")["ErrorNumber"].toInt(), 0);
  EXPECT_EQ(put("sitelatitude", "SiteLatitude=10")["ErrorNumber"].toInt(), 0x400);  // the utility's to change

  QByteArray text;
  EXPECT_EQ(device.call("GET", "api/v1/telescope/0/warpdrive", {}, &text).first, 400);
  EXPECT_TRUE(text.startsWith("text/plain")) << text.constData();
  EXPECT_EQ(device.call("GET", "api/v1/camera/0/connected").first, 400);
  EXPECT_EQ(device.call("GET", "api/v1/telescope/1/connected").first, 400);

  // A goto the observer starts on the controller shows as slewing, and its end as not.
  double ra = 0, dec = 0;
  obs().acal().HorizontalToEquatorial(30, 60, ra, dec);
  ASSERT_TRUE(obs().Telescope()->cmdGoto(ra, dec, "EOD"));
  EXPECT_TRUE(get("slewing")["Value"].toBool());
  EXPECT_TRUE(waitUntil([&] { return !get("slewing")["Value"].toBool(true); }, 60));

  // A sync reads back at once, without waiting for the next position report.
  const double syncedRa = get("rightascension")["Value"].toDouble();
  const double syncedDec = get("declination")["Value"].toDouble() + 0.2;
  EXPECT_EQ(put("synctocoordinates", QString("RightAscension=%1&Declination=%2").arg(syncedRa, 0, 'f', 6).arg(syncedDec, 0, 'f', 6))["ErrorNumber"].toInt(), 0);
  EXPECT_NEAR(get("declination")["Value"].toDouble(), syncedDec, 0.01);
  // A sync the controller refuses (below the horizon) is an error with its reason; the
  // position stays.
  const QJsonObject low = put("synctocoordinates", QString("RightAscension=%1&Declination=-80").arg(syncedRa, 0, 'f', 6));
  EXPECT_EQ(low["ErrorNumber"].toInt(), 0x40B);
  EXPECT_FALSE(low["ErrorMessage"].toString().isEmpty());
  EXPECT_NEAR(get("declination")["Value"].toDouble(), syncedDec, 0.01);
  // The LX200 does not tell the side of the pier.
  EXPECT_EQ(get("sideofpier")["ErrorNumber"].toInt(), 0x400);

  // Nothing to park: an error now, not a park that never ends.
  const QJsonObject park = put("park");
  EXPECT_EQ(park["ErrorNumber"].toInt(), 0x40B);
  EXPECT_FALSE(park["ErrorMessage"].toString().isEmpty());
  EXPECT_FALSE(get("atpark")["Value"].toBool(true));
  w->close();
}

// The Temma tells which side of the pier the tube is on; an Alpaca client reads it, and reads
// the change once the controller has been told the tube went over.
TEST_F(TemmaNight, AnAlpacaClientReadsTheSideOfThePierTheTemmaReports) {
  QByteArray temma = site();
  temma.replace("Telescope= 5", "Telescope= 1");
  settings(temma + "[ASCOM]\nAlpacaPort=0\n");
  startReal(0);
  AlpacaProgram device(dir.path());
  ASSERT_TRUE(device.ready()) << device.failure();
  const auto side = [&] { return device.member("GET", "telescope", "sideofpier").second; };
  ASSERT_EQ(device.member("PUT", "telescope", "connected", "Connected=True").second["ErrorNumber"].toInt(), 0);
  ASSERT_TRUE(waitUntil([&] { return side()["ErrorNumber"].toInt(-1) == 0; }, 20)) << side()["ErrorMessage"].toString().toStdString();
  EXPECT_EQ(side()["Value"].toInt(), 0);  // east, the simulator's start
  obs().Telescope()->SendTelescope("PT");
  EXPECT_TRUE(waitUntil([&] { return side()["Value"].toInt() == 1; }, 20));
  w->close();
}

// The dome as an Alpaca dome beside the telescope, on the serial dome controller's simulator.
TEST_F(Night, AnAlpacaClientTurnsTheDomeRunsItsShutterAndParksIt) {
  constexpr int kDomeCom = 15;
  QProcess quarn;
  startOnParkingDome(quarn, kDomeCom, "[ASCOM]\nAlpacaPort=0\n");
  if (HasFatalFailure()) return;
  AlpacaProgram device(dir.path());
  ASSERT_TRUE(device.ready()) << device.failure();
  const auto get = [&](const QString& member) { return device.member("GET", "dome", member).second; };
  const auto put = [&](const QString& member, const QString& form = {}) { return device.member("PUT", "dome", member, form).second; };
  const auto offBy = [](double a, double b) { return std::fabs(std::remainder(a - b, 360.0)); };

  const QJsonArray devices = device.call("GET", "management/v1/configureddevices").second["Value"].toArray();
  ASSERT_EQ(devices.size(), 2);
  EXPECT_EQ(devices[1]["DeviceType"].toString(), "Dome");
  EXPECT_EQ(get("azimuth")["ErrorNumber"].toInt(), 0x407);
  ASSERT_EQ(put("connected", "Connected=True")["ErrorNumber"].toInt(), 0);
  EXPECT_TRUE(get("canpark")["Value"].toBool());
  EXPECT_TRUE(get("canslave")["Value"].toBool());
  EXPECT_FALSE(get("canfindhome")["Value"].toBool(true));
  EXPECT_EQ(put("findhome")["ErrorNumber"].toInt(), 0x400);
  EXPECT_EQ(device.call("GET", "api/v1/dome/0/focus").first, 400);

  // Following the telescope, the dome refuses a turn; released, it turns and stands at 90.
  EXPECT_TRUE(get("slaved")["Value"].toBool());
  EXPECT_EQ(put("slewtoazimuth", "Azimuth=90")["ErrorNumber"].toInt(), 0x40B);
  EXPECT_EQ(put("slewtoazimuth", "Azimuth=400")["ErrorNumber"].toInt(), 0x401);
  EXPECT_EQ(put("slaved", "Slaved=False")["ErrorNumber"].toInt(), 0);
  EXPECT_FALSE(get("slaved")["Value"].toBool(true));
  EXPECT_FALSE(obs().state().dome.DomeAuto);  // the follow button itself
  EXPECT_EQ(put("slewtoazimuth", "Azimuth=90")["ErrorNumber"].toInt(), 0);
  EXPECT_TRUE(get("slewing")["Value"].toBool());
  EXPECT_TRUE(waitUntil([&] { return !get("slewing")["Value"].toBool(true); }, 60));
  EXPECT_LE(offBy(get("azimuth")["Value"].toDouble(), 90), 3.5);

  EXPECT_EQ(put("openshutter")["ErrorNumber"].toInt(), 0);
  EXPECT_EQ(get("shutterstatus")["Value"].toInt(), 2);  // opening
  EXPECT_TRUE(waitUntil([&] { return get("shutterstatus")["Value"].toInt() == 0; }, 10));
  EXPECT_EQ(put("closeshutter")["ErrorNumber"].toInt(), 0);
  EXPECT_TRUE(waitUntil([&] { return get("shutterstatus")["Value"].toInt() == 1; }, 10));

  EXPECT_FALSE(get("atpark")["Value"].toBool(true));
  EXPECT_EQ(put("park")["ErrorNumber"].toInt(), 0);
  EXPECT_TRUE(waitUntil([&] { return get("atpark")["Value"].toBool(); }, 60));
  EXPECT_LE(offBy(get("azimuth")["Value"].toDouble(), 200), 3.5);
  EXPECT_EQ(put("slaved", "Slaved=True")["ErrorNumber"].toInt(), 0);
  EXPECT_TRUE(obs().state().dome.DomeAuto);
  EXPECT_TRUE(prompter.asked().empty());
  w->close();
  quarn.terminate();
  quarn.waitForFinished(5000);
}
