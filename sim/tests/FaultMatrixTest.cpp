// The fault matrix for every mount family against its simulator: garbled, cut, slow and
// missing replies, and a mount that vanishes in the middle of a goto and comes back. For each
// row the observer sees either the last good position or the time-out question, the driver
// returns, and nothing but the family's own questions and the observer's stop reaches the
// mount while the line misbehaves. docs/fault-matrix.md lists the rows.
#include "DriverOnSimulator.h"
#include "frmEVexil.h"
#include "frmLX200.h"
#include "frmRST400.h"
#include "frmTemma2M.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QSet>

using namespace orvan;
using namespace orvan::testing;

namespace {

// What each family needs besides its driver: the simulator's name, its settings, and the
// commands that stop it (the only motion the observer asks for while the line misbehaves).
struct Lx200Gps {
  using Driver = frmLX200;
  static constexpr const char* kSim = "lx200gps";
  static void settings(const QString&) {}
  static inline const QRegularExpression kStop{QStringLiteral("^:Q[nsew]?#$")};
};
struct Rst400 {
  using Driver = frmRST400;
  static constexpr const char* kSim = "rst400";
  static void settings(const QString& ini) {
    for (const char* k : {"LocalData0", "LocalData1", "LocalData2"}) WriteIni(ini, "HUBO", k, " 0");
  }
  // Its stop ends with tracking on again.
  static inline const QRegularExpression kStop{QStringLiteral("^(:Q[nsew]?#|:CtL#)$")};
};
struct EVexil {
  using Driver = frmEVexil;
  static constexpr const char* kSim = "evexil";
  static void settings(const QString&) {}
  static inline const QRegularExpression kStop{QStringLiteral("^SP[0-9]$")};
};
struct Temma2M {
  using Driver = frmTemma2M;
  static constexpr const char* kSim = "temma2m";
  static void settings(const QString& ini) { WriteIni(ini, "Temma", "Volt", " 12"); }
  static inline const QRegularExpression kStop{QStringLiteral("^(M@|PS)$")};
};

template <class Family>
class FaultMatrix : public DriverOnSimulator<typename Family::Driver> {
 protected:
  FaultMatrix() : DriverOnSimulator<typename Family::Driver>(Family::kSim) {}

  // Runs one status poll with the observer answering every time-out question with Ignore;
  // the seconds it took.
  double poll() {
    for (int i = 0; i < 8; ++i) this->prompter.push(Answer::Ignore);
    QElapsedTimer t;
    t.start();
    this->driver->cmdStatus();
    return t.elapsed() / 1000.0;
  }
  void fault(const char* mode) { ASSERT_EQ(this->control(QByteArray("fault ") + mode), QByteArray("ok")) << mode; }
  // Commands since `from` that are neither one of the polls seen on a good line nor a stop.
  QStringList unasked(qsizetype from) {
    QStringList out;
    for (const QString& c : this->received().mid(from))
      if (!vocabulary.contains(c) && !Family::kStop.match(c).hasMatch()) out << c;
    return out;
  }
  QSet<QString> vocabulary;
};

using Families = ::testing::Types<Lx200Gps, Rst400, EVexil, Temma2M>;
TYPED_TEST_SUITE(FaultMatrix, Families);

}  // namespace

TYPED_TEST(FaultMatrix, EveryFaultKeepsThePositionAndMovesNothingUnasked) {
  TypeParam::settings(this->ini);
  this->startSim({QStringLiteral("--slow-ms"), QStringLiteral("2500")});
  MountState& m = this->state.mount;
  ASSERT_TRUE(this->driver->cmdConnect(true));
  ASSERT_TRUE(this->prompter.asked().empty());
  // What a good line carries while the main loop polls.
  qsizetype mark = this->received().size();
  this->driver->cmdStatus();
  this->driver->cmdStatus();
  for (const QString& c : this->received().mid(mark)) this->vocabulary.insert(c);
  ASSERT_FALSE(this->vocabulary.isEmpty());
  const double ra = m.TelRA, dec = m.TelDec;
  QElapsedTimer since;
  since.start();
  // The mount never moved: the same place within what the sky turned since (a family that
  // does not track reads its right ascension growing with the sidereal time).
  const auto inPlace = [&](const char* row) {
    EXPECT_LT(this->raGap(m.TelRA, ra), 2.0 + since.elapsed() / 1000.0) << row;
    EXPECT_NEAR(m.TelDec, dec, 2) << row;
  };

  // Each row on a good connection; after it the line is mended and the observer reconnects.
  struct Row {
    const char* fault;
    Answer answer;
    bool asks;  // the row must bring the time-out question
  };
  for (const Row& row : {Row{"garbage", Answer::Ignore, false}, Row{"short", Answer::Ignore, false},
                         Row{"slow", Answer::Retry, false}, Row{"silent", Answer::Ignore, true}}) {
    mark = this->received().size();
    this->prompter.clear();
    for (int i = 0; i < 4; ++i) this->prompter.push(row.answer);
    this->fault(row.fault);
    QElapsedTimer t;
    t.start();
    this->driver->cmdStatus();
    if (row.asks) this->driver->cmdStatus();  // a family may take one silent poll as "no news"
    EXPECT_LT(t.elapsed(), 60000) << row.fault;
    if (row.asks) EXPECT_GE(this->prompter.asked().size(), 1u) << row.fault;
    inPlace(row.fault);
    EXPECT_TRUE(this->unasked(mark).isEmpty()) << row.fault << ": " << this->unasked(mark).join(' ').toStdString();
    this->fault("normal");
    // Given up on (Ignore): the observer reconnects, and the mount is talked to again.
    if (!this->prompter.asked().empty() && row.answer == Answer::Ignore) {
      ASSERT_TRUE(this->driver->cmdConnect(false));
      ASSERT_TRUE(this->driver->cmdConnect(true));
    }
    this->prompter.clear();
    this->driver->cmdStatus();
    inPlace("mended");
    EXPECT_TRUE(this->prompter.asked().empty()) << row.fault;
  }

  // A goto, and the mount vanishes under it: the question, Ignore returns; it comes back, the
  // observer reconnects and stops it, and the polls are answered again.
  double tra = 0, tdec = 0;
  this->targetAt(30, 60, tra, tdec);
  ASSERT_TRUE(this->driver->cmdGoto(tra, tdec, QStringLiteral("EOD")));
  Wait(300);
  this->fault("vanish");
  EXPECT_LT(this->poll(), 60);
  EXPECT_GE(this->prompter.asked().size(), 1u);
  this->fault("normal");
  this->prompter.clear();
  ASSERT_TRUE(this->driver->cmdConnect(false));
  ASSERT_TRUE(this->driver->cmdConnect(true));
  this->driver->cmdStop();
  mark = this->received().size();
  this->driver->cmdStatus();
  this->driver->cmdStatus();
  EXPECT_GT(this->received().size(), mark);
  EXPECT_TRUE(this->unasked(mark).isEmpty()) << this->unasked(mark).join(' ').toStdString();
  EXPECT_TRUE(this->prompter.asked().empty());
  ASSERT_TRUE(this->driver->cmdConnect(false));
}
