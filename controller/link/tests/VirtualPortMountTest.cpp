// The virtual port in front of the controller's own LX200 driver and the LX200GPS simulator:
// the mount receives what the planetarium program asked for, in the directions it asked, and
// nothing at all for line noise; a goto the controller refuses reaches the program as the
// Meade refusal.
#include "frmVSP6.h"

#include "PlanetariumChain.h"
#include "PortClient.h"
#include "Vb.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include <random>

namespace orvan {
namespace {

QByteArray readFile(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class VirtualPortMountTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QString why;
    if (!chain.start(why)) GTEST_SKIP() << why.toStdString();
    client = std::make_unique<PortClient>(chain.portPath());
    ASSERT_TRUE(client->isOpen());
  }
  void TearDown() override {
    client.reset();
    chain.stop();
  }

  // The commands the simulator has read, in order ("<-" lines of its log).
  QStringList received() const {
    QStringList out;
    for (const QByteArray& line : mount->log().split('\n')) {
      const qsizetype at = line.indexOf(" <- ");
      if (at >= 0) out << QString::fromLatin1(line.mid(at + 4));
    }
    return out;
  }
  // Waits until the main loop has polled the mount twice more: the simulator reads in order,
  // so whatever the driver sent before has been read by then.
  bool settled() {
    const qsizetype polls = received().count(":GR#");
    return PortClient::pump([&] { return received().count(":GR#") >= polls + 2; }, 10000);
  }

  PlanetariumChain chain;
  QTemporaryDir& dir = chain.dir;
  std::unique_ptr<FakeLinkHost>& host = chain.host;
  std::unique_ptr<SimulatedMount>& mount = chain.mount;
  std::unique_ptr<PortClient> client;
};

TEST_F(VirtualPortMountTest, NoiseNeverReachesTheMountNorTheSettings) {
  ASSERT_TRUE(settled());
  const QByteArray settings = readFile(host->IniPath());
  ASSERT_FALSE(settings.isEmpty());
  const qsizetype from = received().size();

  std::mt19937 random(20261207);
  std::uniform_int_distribution<int> byte(0, 255);
  QByteArray replies;
  for (int write = 0; write < 10; ++write) {
    QByteArray chunk(2048, '\0');
    for (char& c : chunk) c = char(byte(random));
    ASSERT_TRUE(client->write(chunk));
    replies += client->take();
  }
  // Commands are answered in order: once the version query after the noise is answered, all
  // of the noise has been dealt with.
  ASSERT_TRUE(client->write("#:GVF#"));
  EXPECT_TRUE(PortClient::pump([&] {
    replies += client->take();
    return replies.contains("OrvanMirel|");
  }));
  EXPECT_TRUE(replies.contains('P')) << "the noise's alignment bytes were not answered: it never arrived";
  ASSERT_TRUE(settled());

  const QStringList got = received().mid(from);
  for (const QString& c : got)
    EXPECT_TRUE(c == ":GR#" || c == ":GD#") << "the mount received " << c.toStdString();
  EXPECT_EQ(readFile(host->IniPath()), settings) << "the noise changed the settings file";
}

TEST_F(VirtualPortMountTest, SkyDirectionsReachTheMountAsSent) {
  const qsizetype from = received().size();
  const auto motion = [&] {
    QStringList out;
    for (const QString& c : received().mid(from))
      if (c.startsWith(":M") || (c.startsWith(":Q") && c != ":Q#")) out << c;
    return out;
  };
  for (const char* command : {":RS#:Mw#", ":Qw#", ":Me#", ":Qe#", ":Mn#", ":Qn#"}) {
    const qsizetype before = motion().size();
    ASSERT_TRUE(client->write(command));
    EXPECT_TRUE(PortClient::pump([&] { return motion().size() > before; }, 10000)) << command;
  }
  EXPECT_EQ(motion(), QStringList({":Mw#", ":Qw#", ":Me#", ":Qe#", ":Mn#", ":Qn#"}));
}

TEST_F(VirtualPortMountTest, RefusedGotoReachesTheProgramAsTheMeadeRefusal) {
  // Twelve hours from the meridian at 60 degrees south: far below the horizon of Tokyo.
  const ACal2 cal(host->shared.site, host->shared.mount);
  const int ra = (cal.LocalSiderealTime() + 43200) % 86400;
  const qsizetype from = received().size();
  ASSERT_TRUE(client->write(":Sr" + vb::TimeText(ra).toLatin1() + "#:Sd-60*00:00#:MS#"));
  QByteArray reply;
  ASSERT_TRUE(PortClient::pump([&] {
    reply += client->take();
    return reply.endsWith('#');
  }));
  ASSERT_GE(reply.size(), 5);
  EXPECT_EQ(reply.left(2), "11") << reply.constData();  // both set commands taken
  EXPECT_EQ(reply[2], '1') << reply.constData();        // the goto refused, with words
  EXPECT_EQ(reply.count('#'), 1) << reply.constData();
  ASSERT_TRUE(settled());
  for (const QString& c : received().mid(from)) EXPECT_NE(c, ":MS#") << "the mount was sent the goto";
}

}  // namespace
}  // namespace orvan
