// The controller started with each dome controller setting: the board, the serial controller
// without a port, no dome, and a value nobody defined. None may crash, touch a missing driver
// or keep the observer waiting at shutdown.
#include "DomeLoop.h"
#include "IniFile.h"
#include "MainWindowFixture.h"
#include "Shared.h"
#include "frmSensor.h"

#include <QListWidget>
#include <QPushButton>

using namespace orvan;
using namespace orvan::test;

namespace {

struct Expect {
  const char* controller;
  bool domeInUse;          // after the hand layout has connected
  bool domeConnected;
  size_t messages;         // boxes the observer had to answer
  bool aligned;            // a known home, so an alignment to keep
};

class DomeController : public MainWindowTest, public ::testing::WithParamInterface<Expect> {};

}  // namespace

TEST_P(DomeController, StartsFollowsTheLayoutsAndShutsDown) {
  const Expect e = GetParam();
  settings(QByteArray("[Location]\nLONGITUDE=E139:44:20\nLATITUDE=+35:40:00\nTIMEZONE=9.0\n"
                      "[TELESCOPE]\nTelescope= 5\nVCommPort= 9\n[PUBLIC]\nFormSizeChange= 1\nLoopTimer= 50\n"
                      "[DOME]\nLoopTimer= 50\nENC3_PULSES= 3600\nUpDown= 1\nSLIT_TIMER= 1\nHomePosition= 0\nController=") +
           e.controller + "\n[Option]\nSensor1= 1\n[RELAY]\n$021=10\n$022=11\n$023=0*\n$024=**10\n$025=**01\n$026=**00\n[PARK]\nAZ=-1\n");
  start();
  EXPECT_EQ(w->windowLayout(), 1);
  EXPECT_EQ(obs().domeInUse(), e.domeInUse);
  EXPECT_EQ(obs().domeLoop()->connected(), e.domeConnected);
  EXPECT_EQ(prompter.asked().size(), e.messages);
  EXPECT_EQ(w->findChild<QWidget*>(QStringLiteral("DomePanel"))->isVisibleTo(w.get()), e.domeInUse);
  // Dome park only where there is a dome.
  EXPECT_EQ(obs().parkMode(), e.domeInUse ? 2 : 0);
  EXPECT_EQ(obs().domeLoopTimer()->isActive(), e.domeInUse);

  // A few loop ticks, then the dome commands: they turn and stop the dome and run the slit
  // when a dome is connected, and change nothing when none is.
  // Rain on the simulated board reaches the weather window; a serial controller has no sensors.
  writeFile(dir.filePath("EPX30SC.weather"), "252\n");
  Wait(300);
  const bool rainLogged = w->sensorWindow() && w->sensorWindow()->lstWeather->count() == 1 &&
                          w->sensorWindow()->lstWeather->item(0)->text().endsWith(" 降雨雪");
  EXPECT_EQ(rainLogged, e.controller == std::string("0"));
  EXPECT_EQ(w->sensorWindow() && w->sensorWindow()->isVisible(), e.controller == std::string("0"));
  obs().Mission(57, "off");  // following would turn the dome on its own
  const DomeState& d = obs().state().dome;
  const bool on = e.domeConnected;
  const auto after = [&](int code) {
    obs().Mission(static_cast<int16_t>(code));
    return std::make_pair(int(d.DomeMotion), int(d.SlitState));
  };
  using P = std::pair<int, int>;
  EXPECT_EQ(after(21), P(on ? -1 : 0, 0));
  EXPECT_EQ(after(22), P(on ? 1 : 0, 0));  // a reversal: stops, waits for the dome, turns back
  EXPECT_EQ(after(23), P(0, 0));
  EXPECT_EQ(after(24), P(0, on ? 1 : 0));
  EXPECT_EQ(after(26), P(0, 0));
  EXPECT_EQ(after(25), P(0, on ? -1 : 0));
  EXPECT_EQ(after(26), P(0, 0));
  EXPECT_EQ(after(58), P(0, on ? 1 : 0));  // the cooperating program's slit commands
  EXPECT_EQ(after(60), P(0, 0));
  // A slit run ends on the second one-second tick (SLIT_TIMER is 1 s here): open.
  after(58);
  obs().OneSecTimer_Timer();
  EXPECT_EQ(d.SlitState, on ? 1 : 0);
  obs().OneSecTimer_Timer();
  EXPECT_EQ(d.SlitState, on ? 2 : 0);
  // A goto aims the dome at the goto target; its end hands the dome back to following.
  obs().TelSlewing(1);
  EXPECT_EQ(d.DomeTargetMode, e.domeInUse ? 1 : 0);
  obs().TelSlewing(2);
  EXPECT_EQ(d.DomeTargetMode, 0);
  Wait(200);

  click(find("btnDetail"));
  EXPECT_EQ(w->windowLayout(), 2);
  EXPECT_FALSE(obs().domeLoop()->connected());
  EXPECT_FALSE(obs().domeLoopTimer()->isActive());
  w->close();
  EXPECT_FALSE(w->isVisible());
  EXPECT_EQ(mount().calls.last(), "cmdConnect 0");
  // Only a dome that ran keeps an alignment for the next start.
  EXPECT_EQ(!ReadIni(ini(), "DOME", "LastEnc").isEmpty(), e.aligned);
}

INSTANTIATE_TEST_SUITE_P(EachSetting, DomeController,
                         ::testing::Values(Expect{"0", true, true, 0, true}, Expect{"1", true, true, 0, false},
                                           Expect{"2", false, false, 0, false}, Expect{"7", false, false, 0, false},
                                           Expect{"-1", false, false, 0, false}),
                         [](const auto& info) { return "Controller" + std::to_string(info.index); });

