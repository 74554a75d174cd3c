// The simulated LX200's protocol, in process: commands in, replies out.
#include "SimRunner.h"
#include "lx200/Lx200Device.h"

#include <QByteArrayList>
#include <gtest/gtest.h>

using namespace orvan::sim;

namespace {

struct Harness {
  explicit Harness(bool gps) : dev(gps, MountModel::Config{}) {
    dev.command = [this](const QByteArray& c) { commands << c; };
    dev.reply = [this](const QByteArray& r) { replies << r; };
  }
  QByteArray ask(const QByteArray& bytes) {
    replies.clear();
    dev.receive(bytes);
    return replies.join();
  }
  Lx200Device dev;
  QByteArrayList commands, replies;
};

TEST(SimLx200, SetCommandsAcceptGoodTextsAndRefuseBadOnes) {
  Harness h(true);
  EXPECT_EQ(h.ask(":Sr12:34:56#"), "1");
  EXPECT_EQ(h.dev.model().targetRa(), 45296);
  EXPECT_EQ(h.ask(":Sr12:34.9#"), "1");
  EXPECT_EQ(h.dev.model().targetRa(), 12 * 3600 + 34 * 60 + 54);
  EXPECT_EQ(h.ask(":Sd-10*01#"), "1");
  EXPECT_EQ(h.dev.model().targetDec(), -36060);
  EXPECT_EQ(h.ask(":Sd -16\xdf" "45:09#"), "1");  // older clients: a blank, the mount's degree sign
  EXPECT_EQ(h.dev.model().targetDec(), -(16 * 3600 + 45 * 60 + 9));
  EXPECT_EQ(h.ask(":Sr25:00:00#"), "0");
  EXPECT_EQ(h.ask(":Sd+91*00:00#"), "0");
  EXPECT_EQ(h.ask(":Srgarbage#"), "0");
  EXPECT_EQ(h.ask(":Sg220*15:40#"), "1");
  EXPECT_NEAR(h.dev.model().westLongitude(), 220 + 15 / 60.0 + 40 / 3600.0, 1e-9);
  EXPECT_EQ(h.ask(":St+35*40:00#"), "1");
  EXPECT_NEAR(h.dev.model().latitude(), 35 + 40 / 60.0, 1e-9);
  EXPECT_EQ(h.ask(":SG-09.0#"), "1");
  EXPECT_EQ(h.dev.model().utcOffset(), -9);
  EXPECT_EQ(h.ask(":SG+-05.0#"), "0");
  EXPECT_EQ(h.ask(":SL21:03:04#"), "1");
  EXPECT_EQ(h.ask(":GL#"), "21:03:04#");
  EXPECT_EQ(h.ask(":SC07/12/26#"), "1Updating Planetary Data#                                #");
  EXPECT_EQ(h.ask(":GC#"), "07/12/26#");
  EXPECT_EQ(h.ask(":Gt#"), "+35\xdf" "40#");
}

TEST(SimLx200, PositionsInTheModelsFormats) {
  Harness gps(true);
  gps.dev.model().setPosition(45296, -(5 * 3600 + 30 * 60 + 15));
  EXPECT_EQ(gps.ask(":GR#"), "12:34:56#");
  EXPECT_EQ(gps.ask(":GD#"), "-05\xdf" "30'15#");
  // The classic model speaks tenths of a minute and whole arc minutes.
  Harness classic(false);
  classic.dev.model().setPosition(45270, -19800);
  EXPECT_EQ(classic.ask(":GR#"), "12:34.5#");
  EXPECT_EQ(classic.ask(":GD#"), "-05\xdf" "30#");
  EXPECT_EQ(classic.ask(":U#"), "");
  EXPECT_EQ(classic.ask(":GR#"), "12:34:30#");
  EXPECT_EQ(classic.ask("\x06"), "P");
}

TEST(SimLx200, FramingAcrossWritesAndNoise) {
  Harness h(true);
  // Stellarium: a leading '#', several commands in one write.
  EXPECT_EQ(h.ask("#:Q#:Sr06:46:22#"), "1");
  EXPECT_EQ(h.commands, (QByteArrayList{":Q#", ":Sr06:46:22#"}));
  // A command split over two writes is answered once it is whole.
  EXPECT_EQ(h.ask(":GR"), "");
  EXPECT_EQ(h.ask("#").size(), 9);
  // Unknown commands get no answer.
  EXPECT_EQ(h.ask(":XYZ#"), "");
  EXPECT_EQ(h.ask(QByteArray(300, 'x')), "");
}

TEST(SimLx200, RefusesATargetBelowTheHorizonAndSyncs) {
  Harness h(true);
  h.ask(":St+35*40:00#");
  h.ask(":Sr03:00:00#");
  h.ask(":Sd-80*00:00#");
  EXPECT_EQ(h.ask(":MS#"), "1Object Below Horizon#");
  EXPECT_FALSE(h.dev.model().slewing());
  EXPECT_EQ(h.ask(":D#"), "#");
  // The pole is always up in the north.
  h.ask(":Sd+89*00:00#");
  EXPECT_EQ(h.ask(":MS#"), "0");
  EXPECT_TRUE(h.dev.model().slewing());
  EXPECT_EQ(h.ask(":D#"), "\x7f#");
  EXPECT_EQ(h.ask(":Q#"), "");
  EXPECT_FALSE(h.dev.model().slewing());
  EXPECT_EQ(h.ask(":CM#"), "Coordinates     matched.        #");
  EXPECT_EQ(h.ask(":GR#"), "03:00:00#");
  EXPECT_EQ(h.ask(":GD#"), "+89\xdf" "00'00#");
}

TEST(SimLx200, HandMovesRunUntilTheirQuit) {
  Harness h(true);
  h.ask(":RM#");
  EXPECT_EQ(h.dev.model().rate(), MountModel::Rate::Find);
  h.ask(":Mw#");
  h.ask(":Mn#");
  EXPECT_TRUE(h.dev.model().moving());
  h.ask(":Qw#");
  EXPECT_TRUE(h.dev.model().moving());
  h.ask(":Qn#");
  EXPECT_FALSE(h.dev.model().moving());
  h.ask(":Ms#");
  h.ask(":Q#");
  EXPECT_FALSE(h.dev.model().moving());
}

TEST(SimFaults, GarbledAndCutReplies) {
  EXPECT_EQ(GarbageOf("12:34:56#"), "@$%&?!~@$");
  EXPECT_EQ(ShortOf("12:34:56#"), "12:3");
  EXPECT_EQ(ShortOf("1"), "1");
  Fault f;
  EXPECT_TRUE(ParseFault(QStringLiteral(" Silent "), f));
  EXPECT_EQ(f, Fault::Silent);
  EXPECT_FALSE(ParseFault(QStringLiteral("loud"), f));
}

}  // namespace
