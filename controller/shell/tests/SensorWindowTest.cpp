// The weather sensor window fed as the dome loop feeds it: one time-stamped line per change of
// the weather code, the indicators, the window shown for an alarm only, a log that outlives
// hiding, and a power failure on the simulated board believed on its 21st reading.
#include "Clock.h"
#include "FrmOrvanOS.h"
#include "IniFile.h"
#include "Prompter.h"
#include "SimulatedEpx30sc.h"
#include "frmSensor.h"

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace orvan;

namespace {

class SensorWindow : public ::testing::Test {
 protected:
  SensorWindow() : clock(QDate(2026, 12, 7), 22 * 3600 + 5 * 60 + 9), scoped(clock) {}
  QStringList lines() const {
    QStringList out;
    for (int i = 0; i < win.lstWeather->count(); ++i) out << win.lstWeather->item(i)->text();
    return out;
  }
  bool alarm(int i) const { return win.lblWeather[i]->property("alarm").toBool(); }

  QTemporaryDir dir;
  ManualClock clock;
  ScopedClock scoped;
  frmSensor win{dir.path() + "/OrvanMirel.ini"};
};

TEST_F(SensorWindow, EachCodeWritesOneLineAndOnlyAlarmsShowTheWindow) {
  EXPECT_EQ(win.windowTitle(), "気象センサー");
  EXPECT_TRUE(win.windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_EQ(win.Label1(), "00");
  win.Report("00");  // the clear state it starts in: no line
  win.Report("");    // nothing to report
  EXPECT_TRUE(lines().isEmpty());
  EXPECT_FALSE(win.isVisible());

  for (int i = 0; i < 5; ++i) win.Report("01");  // rain for many ticks: one line
  EXPECT_TRUE(win.isVisible());
  EXPECT_EQ(lines(), QStringList({"2026/12/07 22:05:09 降雨雪"}));
  EXPECT_TRUE(!alarm(0) && alarm(1));
  clock.advance(61);
  win.Report("11");
  EXPECT_EQ(lines().last(), "2026/12/07 22:06:10 降雨雪+停電");
  EXPECT_TRUE(alarm(0) && alarm(1));
  EXPECT_EQ(win.lstWeather->currentRow(), 1);
  win.Report("10");
  EXPECT_EQ(lines().last(), "2026/12/07 22:06:10 停電");
  EXPECT_TRUE(alarm(0) && !alarm(1));

  // Closed by the observer: hidden, and the all-clear is logged while nobody sees it.
  win.close();
  EXPECT_FALSE(win.isVisible());
  win.Report("00");
  EXPECT_FALSE(win.isVisible());
  EXPECT_EQ(lines().size(), 4);
  EXPECT_EQ(lines().last(), "2026/12/07 22:06:10 解除");
  EXPECT_TRUE(!alarm(0) && !alarm(1));
  win.Report("01");
  EXPECT_TRUE(win.isVisible());
  EXPECT_EQ(lines().size(), 5);
  // Anything but the four codes changes nothing.
  win.SetLabel1("x1");
  EXPECT_EQ(lines().size(), 5);
  EXPECT_TRUE(alarm(1));
}

// What the window does not know it does not show as clear: grey lamps until a reading comes,
// "不明" for an input that reads as no known pattern, "なし" for a sensor not fitted.
TEST_F(SensorWindow, UnknownAndNotFittedAreNeverClear) {
  const auto shown = [&](int i) { return win.lblWeather[i]->property("state").toString(); };
  EXPECT_EQ(shown(0), "?");
  EXPECT_EQ(shown(1), "?");
  EXPECT_TRUE(win.lblWeather[0]->text().contains(QStringLiteral("不明")));
  win.Report("00");
  EXPECT_EQ(shown(0), "0");  // a clear reading: now it is known
  EXPECT_TRUE(lines().isEmpty());
  win.Report("-?");
  EXPECT_EQ(lines(), QStringList({"2026/12/07 22:05:09 不明"}));
  EXPECT_EQ(shown(0), "-");
  EXPECT_TRUE(win.lblWeather[0]->text().contains(QStringLiteral("なし")));
  EXPECT_EQ(shown(1), "?");
  EXPECT_FALSE(win.isVisible());  // nothing to alarm anyone
  win.Report("-1");               // rain on the one sensor fitted
  EXPECT_EQ(lines().last(), "2026/12/07 22:05:09 降雨雪");
  EXPECT_TRUE(win.isVisible());
  EXPECT_TRUE(!alarm(0) && alarm(1));
  win.Report("-0");
  EXPECT_EQ(lines().last(), "2026/12/07 22:05:09 解除");
}

TEST_F(SensorWindow, APowerFailureOnTheBoardIsLoggedOnItsTwentyFirstReading) {
  SharedState s;
  SimulatedEpx30sc board(dir.path(), SimulatedBoardConfig{});
  FrmOrvanOS os(s, board, dir.path() + "/OrvanMirel.ini");
  ASSERT_EQ(os.DomeConnect(kTrue), kTrue);
  board.setWeatherByte(243);  // what the observer or a test writes into EPX30SC.weather
  for (int tick = 1; tick <= 20; ++tick) win.Report(os.GetSensor());
  EXPECT_TRUE(lines().isEmpty());
  EXPECT_FALSE(win.isVisible());
  win.Report(os.GetSensor());
  EXPECT_EQ(lines(), QStringList({"2026/12/07 22:05:09 停電"}));
  EXPECT_TRUE(win.isVisible());
  // A flickering input starts the count again: no line until 21 readings in a row.
  board.setWeatherByte(255);
  win.Report(os.GetSensor());
  board.setWeatherByte(252);
  win.Report(os.GetSensor());
  EXPECT_EQ(lines().mid(1), QStringList({"2026/12/07 22:05:09 解除", "2026/12/07 22:05:09 降雨雪"}));
  os.DomeConnect(kFalse);
}

}  // namespace

