// The application link: its wire, what each message does to the mount, and the socket with
// several cooperating programs, some of them misbehaving.
#include "ACal2.h"
#include "AppLinkEndpoint.h"
#include "AppLinkServer.h"
#include "Clock.h"
#include "EventLoop.h"
#include "FakeLinkHost.h"
#include "FakeMountDriver.h"
#include "LinkWire.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocalSocket>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

using orvan::test::FakeMountDriver;

using namespace orvan;
using linkwire::Kind;

TEST(LinkWire, OnlyExactLinesAreMessages) {
  EXPECT_EQ(linkwire::Parse("msg 2 150,0,0,(05:34:32 +22:00:52),M1"),
            (linkwire::Line{Kind::Message, 2, "150,0,0,(05:34:32 +22:00:52),M1"}));
  EXPECT_EQ(linkwire::Parse("msg 89"), (linkwire::Line{Kind::Message, 89, ""}));
  EXPECT_EQ(linkwire::Parse("ans 90 Utility"), (linkwire::Line{Kind::Answer, 90, "Utility"}));
  EXPECT_EQ(linkwire::Parse("msg -32768 x")->code, -32768);
  EXPECT_EQ(linkwire::Parse(QString::fromUtf8("msg 2 51,on,,,ベガ").toUtf8())->text, QString::fromUtf8("51,on,,,ベガ"));
  for (const char* bad : {"", "msg", "msg ", "MSG 2 x", "msg  2 x", "msg +2 x", "msg 02 x", "msg -0 x", "msg 32768 x",
                          "msg 2x", "msg nan", "msg 1e3", "ms 2 x", "msg 2 a\tb", "msg 2 \x1b[2J"})
    EXPECT_FALSE(linkwire::Parse(bad)) << bad;
  EXPECT_FALSE(linkwire::Parse(QByteArray("msg 2 \xff\xfe")));
  EXPECT_FALSE(linkwire::Parse("msg 2 " + QByteArray(linkwire::kMaxLineBytes, 'x')));
  // What cannot travel is not sent.
  EXPECT_TRUE(linkwire::Format(Kind::Message, 2, "OK\nmsg 2 NG").isEmpty());
  EXPECT_EQ(linkwire::Format(Kind::Message, 99, "1000000100"), "msg 99 1000000100\n");
}

TEST(LinkWire, LinesCutAnywhereAndFloodsWithoutLineEnds) {
  linkwire::LineReader r;
  EXPECT_TRUE(r.push("msg 8").empty());
  EXPECT_EQ(r.push("9\r\nmsg 2 5"), std::vector<QByteArray>{"msg 89"});
  EXPECT_EQ(r.push("2\n\nans 90 Utility\n"), (std::vector<QByteArray>{"msg 2 52", "", "ans 90 Utility"}));
  // A megabyte without a line end is dropped whole, and the next line still reads.
  for (int i = 0; i < 1024; ++i) EXPECT_TRUE(r.push(QByteArray(1024, 'q')).empty());
  EXPECT_TRUE(r.push("still the flood\nmsg 89\n") == std::vector<QByteArray>{"msg 89"});
  EXPECT_EQ(r.dropped(), 1);
}

class AppLinkEndpointTest : public ::testing::Test {
 protected:
  ManualClock clock{QDate(2026, 12, 7), 22 * 3600};
  ScopedClock pin{clock};
  FakeLinkHost host;
  FakeMountDriver mount;
  ACal2 cal{host.shared.site, host.shared.mount};
  std::vector<std::pair<int16_t, QString>> sent;
  std::vector<std::tuple<QString, double, double>> syncRows;
  int utilityAnswers = 0;
  AppLinkEndpoint link{host, cal,
                       {[this](int16_t c, const QString& t) { sent.emplace_back(c, t); },
                        [this](const QString& n, double ra, double dec) { syncRows.emplace_back(n, ra, dec); },
                        [this] { ++utilityAnswers; }}};

  void SetUp() override {
    host.telescope = &mount;
    host.shared.site.SiteLatitude = 128400;  // +35:40
    host.shared.site.SiteLatitudeRadians = 128400 / ACal2::kArcsecPerRad;
    host.shared.site.SiteLongitude = 503040;
    host.shared.site.TimeZoneSeconds = 32400;
    mount.convertBy = 100;  // the driver takes a J2000 target to the date in place
  }
  // "(hh:mm:ss +dd:mm:ss)" for `ra` seconds of time and `decDeg` whole degrees.
  static QString target(int ra, int decDeg) {
    return QString::asprintf("(%02d:%02d:%02d %c%02d:00:00)", ra / 3600, ra / 60 % 60, ra % 60, decDeg < 0 ? '-' : '+',
                             std::abs(decDeg));
  }
  QString zenith() const { return target(cal.LocalSiderealTime(), 36); }
};

TEST_F(AppLinkEndpointTest, Mission150GoesToATargetAboveTheHorizonAndRefusesOneBelow) {
  host.shared.planetarium.SkyMapEpoch = 1;
  EXPECT_TRUE(link.message(2, "150,0,0," + zenith() + ",M1"));
  ASSERT_EQ(mount.ops(), QStringList{"cmdGoto"});
  EXPECT_EQ(mount.made[0].text, "2000");
  const double ra = mount.made[0].ra, dec = mount.made[0].dec;
  EXPECT_EQ(dec, 36 * 3600);
  EXPECT_EQ(host.shared.mount.GotoRA, ra);
  EXPECT_EQ(host.shared.mount.GotoEpoch, "2000");
  EXPECT_EQ(host.shared.planetarium.TargetName, "M1");
  // The sync dialog gets the J2000 target, not the driver's converted one; no answer yet
  // (the "OK" comes when the goto ends).
  ASSERT_EQ(syncRows.size(), 1u);
  EXPECT_EQ(syncRows[0], std::make_tuple(QString("M1"), ra, dec));
  EXPECT_TRUE(sent.empty());

  // Below the horizon, and a goto the driver does not accept: "NG", nothing else.
  EXPECT_TRUE(link.message(2, "150,0,0," + target(cal.LocalSiderealTime(), -80) + ",Low"));
  mount.gotoAnswer = false;
  EXPECT_TRUE(link.message(2, "150,0,0," + zenith()));
  EXPECT_EQ(mount.ops(), (QStringList{"cmdGoto", "cmdGoto"}));
  EXPECT_EQ(sent, (std::vector<std::pair<int16_t, QString>>{{2, "NG"}, {2, "NG"}}));
  EXPECT_EQ(syncRows.size(), 1u);
  // A request of four fields reads as five with an empty name (a "," is put at its end).
  EXPECT_EQ(host.shared.planetarium.TargetName, "");
}

TEST_F(AppLinkEndpointTest, MissionsPositionAndSync) {
  EXPECT_TRUE(link.message(2, "51,on"));
  EXPECT_TRUE(link.message(2, "54"));
  EXPECT_TRUE(link.message(2, "24,1,2"));  // 0-50 carry no text
  EXPECT_EQ(host.missions, (std::vector<std::pair<int16_t, QString>>{{51, "on"}, {54, ""}, {24, ""}}));

  host.shared.mount.TelRA = 3600;
  EXPECT_TRUE(link.message(89, ""));
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].first, 91);
  EXPECT_EQ(sent[0].second.split(',').size(), 2) << sent[0].second.toStdString();

  host.shared.planetarium.SkyMapEpoch = 1;
  EXPECT_TRUE(link.message(90, "3600,-36000"));
  host.shared.planetarium.SkyMapEpoch = 2;
  EXPECT_TRUE(link.message(90, " 7200.5 , 1800"));
  // J2000 whatever the planetarium port's epoch: the frame code 91 answers in.
  ASSERT_EQ(mount.ops(), (QStringList{"cmdSync", "cmdSync"}));
  EXPECT_EQ(mount.made[0].text, "2000");
  EXPECT_EQ(mount.made[1].text, "2000");
  EXPECT_EQ(mount.made[1].ra, 7200.5);

  link.answer(90, "Utility");
  link.answer(90, "utility");
  link.answer(91, "Utility");
  EXPECT_EQ(utilityAnswers, 1);
}

// The device programs' sync is answered, a refusal with its reason; the cooperating program's
// stays unanswered. The mount state carries the side of the pier only where the mount tells it.
TEST_F(AppLinkEndpointTest, TheDeviceProgramsHearWhetherASyncWasTakenAndTheSideOfThePier) {
  EXPECT_TRUE(link.message(129, "3600,-36000"));
  mount.syncAnswer = false;
  EXPECT_TRUE(link.message(129, "3600,-36000"));
  EXPECT_TRUE(link.message(90, "3600,-36000"));
  EXPECT_FALSE(link.message(129, "3600"));
  host.telescope = nullptr;
  EXPECT_TRUE(link.message(129, "3600,-36000"));
  EXPECT_EQ(mount.ops(), (QStringList{"cmdSync", "cmdSync", "cmdSync"}));
  ASSERT_EQ(sent.size(), 3u);
  EXPECT_EQ(sent[0], std::make_pair(int16_t(130), QString("OK")));
  EXPECT_TRUE(sent[1].second.startsWith("NG,")) << sent[1].second.toStdString();
  EXPECT_GT(sent[1].second.size(), 3);
  EXPECT_TRUE(sent[2].second.startsWith("NG,")) << sent[2].second.toStdString();
  EXPECT_NE(sent[1].second, sent[2].second);  // a lost mount is told apart from a refusal

  sent.clear();
  EXPECT_TRUE(link.message(127, ""));
  host.telescope = &mount;
  mount.pierSide = "W";
  EXPECT_TRUE(link.message(127, ""));
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0].second.section(',', 3, 3), "-");
  EXPECT_EQ(sent[1].second.section(',', 3, 3), "W");
  // No family bound: no hand rate.
  EXPECT_EQ(sent[1].second.section(',', 4), "-,-,-");
}

TEST_F(AppLinkEndpointTest, MalformedMessagesMoveNothingAndAnswerNothing) {
  for (const char* text : {"", ",", "x", "1.5", "150", "150,0,0,", "150,0,0,(25:00:00 +10:00:00),X",
                           "150,0,0,(05:34:32 +95:00:00)", "150,0,0,05:34:32 +22:00:52", "150,0,0,(5:34:32 +22:00:52)",
                           "100", "151", "-1,on", "1e2", "nan", "9999999,1"})
    EXPECT_FALSE(link.message(2, text)) << text;
  for (const char* text : {"", "3600", "3600,", ",100", "3600,100,5", "nan,0", "inf,0", "1e5,0", "86400,0",
                           "0,324001", "0x10,0", "12:00:00,+10"})
    EXPECT_FALSE(link.message(90, text)) << text;
  for (int16_t code : {0, 1, 3, 88, 91, 99, -2}) EXPECT_FALSE(link.message(code, "150,0,0," + zenith()));
  EXPECT_TRUE(mount.made.empty());
  EXPECT_TRUE(host.missions.empty());
  EXPECT_TRUE(sent.empty());
}

// The socket, with real clients: one that sends, one that never reads, a flood of garbage.
TEST(AppLinkServer, SeveralClientsASilentOneAndGarbage) {
  QTemporaryDir dir;
  FakeLinkHost host;
  FakeMountDriver mount;
  host.telescope = &mount;
  ACal2 cal(host.shared.site, host.shared.mount);
  AppLinkEndpoint endpoint(host, cal, {});
  AppLinkServer server(endpoint);
  const QString path = linkwire::SocketPath(dir.path());
  ASSERT_TRUE(server.listen(path));
  EXPECT_EQ(QFileInfo(path).permissions() & (QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther),
            QFile::Permissions());

  QLocalSocket talker, sleeper, noisy;
  for (QLocalSocket* s : {&talker, &sleeper, &noisy}) {
    s->connectToServer(path);
    ASSERT_TRUE(s->waitForConnected(2000));
  }
  for (int i = 0; i < 50 && server.clientCount() < 3; ++i) Wait(10);
  ASSERT_EQ(server.clientCount(), 3);
  // The sleeper stops reading: the kernel's buffer fills, then the server's; it is let go.
  sleeper.setReadBufferSize(1);

  QByteArray junk;
  for (int i = 0; i < 4000; ++i) junk += char((i * 7919) % 256);
  noisy.write(junk + "\nmsg 2 52\nmsg 90 1,2,3\n");
  talker.write("msg 90 100,200\n");
  const QByteArray big(900, 'z');
  for (int i = 0; i < 2000 && server.clientCount() == 3; ++i) {
    server.send(91, QString::fromLatin1(big));
    Wait(0);
  }
  EXPECT_EQ(server.clientCount(), 2);
  EXPECT_EQ(server.clientsLetGo(), 1);
  for (int i = 0; i < 100 && mount.made.size() < 2; ++i) Wait(10);
  // The stop and the well-formed sync acted; nothing else did.
  EXPECT_EQ(host.missions, (std::vector<std::pair<int16_t, QString>>{{52, ""}}));
  ASSERT_EQ(mount.ops(), QStringList{"cmdSync"});
  EXPECT_GE(server.droppedLines(), 2);
  // The talker still hears the controller.
  server.send(99, "0000000100");
  QByteArray heard;
  // One thread serves and listens here: the event loop carries the bytes both ways.
  for (int i = 0; i < 500 && !heard.contains("msg 99 0000000100\n"); ++i) {
    Wait(10);
    heard += talker.readAll();
  }
  EXPECT_EQ(talker.state(), QLocalSocket::ConnectedState);
  EXPECT_TRUE(heard.startsWith(linkwire::Greeting() + "\n"));
  EXPECT_TRUE(heard.contains("msg 99 0000000100\n"));
}

namespace {
// A server whose endpoint answers through it, as the controller wires them, and clients that
// collect what they hear.
struct LinkedServer {
  QTemporaryDir dir;
  FakeLinkHost host;
  FakeMountDriver mount;
  ACal2 cal{host.shared.site, host.shared.mount};
  std::unique_ptr<AppLinkServer> server;
  AppLinkEndpoint endpoint{host, cal,
                           {[this](int16_t c, const QString& t) { server->send(c, t); }, {}, {},
                            [this](int16_t c, const QString& t) { server->reply(c, t); },
                            [this] { server->gotoBegins(); }, [this] { server->gotoStarted(); }}};
  LinkedServer() {
    host.telescope = &mount;
    host.shared.site.SiteLatitude = 128400;
    host.shared.site.SiteLatitudeRadians = 128400 / ACal2::kArcsecPerRad;
    server = std::make_unique<AppLinkServer>(endpoint);
    EXPECT_TRUE(server->listen(linkwire::SocketPath(dir.path())));
  }
  std::unique_ptr<QLocalSocket> client() {
    auto s = std::make_unique<QLocalSocket>();
    s->connectToServer(server->path());
    EXPECT_TRUE(s->waitForConnected(2000));
    return s;
  }
  // "(hh:mm:ss +dd:00:00)" on the meridian now.
  QString meridian(int decDeg) const {
    const int ra = cal.LocalSiderealTime();
    return QString::asprintf("(%02d:%02d:%02d %c%02d:00:00)", ra / 3600, ra / 60 % 60, ra % 60, decDeg < 0 ? '-' : '+',
                             std::abs(decDeg));
  }
};

// What `s` has heard so far, greeting and all, once `until` is among it or the deadline passed.
QByteArray heardBy(QLocalSocket& s, QByteArray& so_far, const QByteArray& until, int ms = 3000) {
  QElapsedTimer t;
  t.start();
  while (!so_far.contains(until) && t.elapsed() < ms) {
    Wait(10);
    so_far += s.readAll();
  }
  return so_far;
}
}  // namespace

// Two programs with gotos of their own: each hears the end of its own goto, never the other's.
TEST(AppLinkServer, EachGotoIsAnsweredToTheClientThatAskedForIt) {
  LinkedServer link;
  auto a = link.client(), b = link.client();
  QByteArray heardA, heardB;
  a->write(("msg 2 150,0,0," + link.meridian(40) + ",A\n").toUtf8());
  ASSERT_TRUE(heardBy(*a, heardA, "never", 300).startsWith(linkwire::Greeting()));
  ASSERT_EQ(link.mount.ops(), QStringList{"cmdGoto"});
  // B's target is below the horizon: B alone hears "NG"; A's goto goes on.
  b->write(("msg 2 150,0,0," + link.meridian(-80) + ",B\n").toUtf8());
  EXPECT_TRUE(heardBy(*b, heardB, "msg 2 NG\n").contains("msg 2 NG\n"));
  EXPECT_FALSE(heardBy(*a, heardA, "msg 2", 300).contains("msg 2"));
  // The controller reports the end of a goto: A's.
  link.server->send(2, "OK");
  EXPECT_TRUE(heardBy(*a, heardA, "msg 2 OK\n").contains("msg 2 OK\n"));
  EXPECT_FALSE(heardBy(*b, heardB, "msg 2 OK", 300).contains("msg 2 OK"));

  // A starts again, B takes the mount elsewhere: A's target is given up ("NG"), B's end is B's.
  heardA.clear();
  heardB.clear();
  a->write(("msg 2 150,0,0," + link.meridian(40) + ",A\n").toUtf8());
  heardBy(*a, heardA, "never", 300);
  b->write(("msg 2 150,0,0," + link.meridian(30) + ",B\n").toUtf8());
  EXPECT_TRUE(heardBy(*a, heardA, "msg 2 NG\n").contains("msg 2 NG\n"));
  link.server->send(2, "OK");
  EXPECT_TRUE(heardBy(*b, heardB, "msg 2 OK\n").contains("msg 2 OK\n"));
  EXPECT_FALSE(heardA.contains("msg 2 OK"));
  // A goto nobody on the link asked for (the hand controller's) ends for everyone; a position
  // asked for is the asker's.
  link.server->send(2, "OK");
  EXPECT_TRUE(heardBy(*a, heardA, "msg 2 OK\n").contains("msg 2 OK\n"));
  b->write("msg 89\n");
  EXPECT_TRUE(heardBy(*b, heardB, "msg 91 ").contains("msg 91 "));
  EXPECT_FALSE(heardBy(*a, heardA, "msg 91", 300).contains("msg 91"));

  // The driver ends the goto a new one replaces ("NG"). Replaced by another client's, it is
  // the first client's end; replaced by the same client's new goto, that client waits on for
  // the new one's end (an Alpaca slew during a slew is no refusal).
  a->write(("msg 2 150,0,0," + link.meridian(40) + ",A\n").toUtf8());
  heardBy(*a, heardA, "never", 300);
  heardBy(*b, heardB, "never", 300);
  heardA.clear();
  heardB.clear();
  link.mount.duringGoto = [&] { link.server->send(2, "NG"); };
  b->write(("msg 2 150,0,0," + link.meridian(30) + ",B\n").toUtf8());
  EXPECT_TRUE(heardBy(*a, heardA, "msg 2 NG\n").contains("msg 2 NG\n"));
  EXPECT_EQ(heardA.count("msg 2 NG"), 1);
  b->write(("msg 2 150,0,0," + link.meridian(20) + ",B\n").toUtf8());
  EXPECT_FALSE(heardBy(*b, heardB, "msg 2", 300).contains("msg 2"));
  link.server->send(2, "OK");
  EXPECT_TRUE(heardBy(*b, heardB, "msg 2 OK\n").contains("msg 2 OK\n"));
  EXPECT_FALSE(heardB.contains("NG"));
}

// A message whose handling turns the event loop (the shutdown mission waits, drivers wait)
// while its sender goes away: the sender's socket is let go only after the handler returned.
TEST(AppLinkServer, ASenderThatLeavesDuringItsOwnMissionIsLetGoSafely) {
  LinkedServer link;
  auto a = link.client();
  auto other = link.client();
  bool gone = false;
  link.host.duringMission = [&](int16_t code) {
    if (code != 98) return;
    a->disconnectFromServer();
    a.reset();
    QElapsedTimer t;
    t.start();
    while (link.server->clientCount() > 1 && t.elapsed() < 3000) Wait(10);
    gone = link.server->clientCount() == 1;
    Wait(50);  // deferred deletions of this loop run here
  };
  a->write("msg 2 98\nmsg 2 99\n");
  QElapsedTimer t;
  t.start();
  while (link.host.missions.size() < 2 && t.elapsed() < 5000) Wait(10);
  EXPECT_TRUE(gone);
  // Both messages were carried out, and the server still serves the other client.
  EXPECT_EQ(link.host.missions, (std::vector<std::pair<int16_t, QString>>{{98, ""}, {99, ""}}));
  link.host.duringMission = nullptr;
  link.server->send(99, "0000000100");
  QByteArray heard;
  EXPECT_TRUE(heardBy(*other, heard, "msg 99 0000000100\n").contains("msg 99 0000000100\n"));
}
