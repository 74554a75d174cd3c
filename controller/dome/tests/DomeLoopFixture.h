#pragma once
// A dome loop on a recording driver and view, with its waits under the test's control.
#include "ACal2.h"
#include "DomeLoop.h"
#include "FakeDomeDriver.h"
#include "IniFile.h"
#include "Prompter.h"
#include "RecordingDomeView.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <cmath>
#include <vector>

namespace orvan::test {

inline void EnsureApplication() {
  static int argc = 1;
  static char name[] = "dome_tests";
  static char* argv[] = {name, nullptr};
  if (!QCoreApplication::instance()) static QCoreApplication app(argc, argv);
}

class DomeLoopFixture : public ::testing::Test {
 protected:
  DomeLoopFixture() {
    EnsureApplication();
    s.mount.AxisRev[2] = 3600;  // ten counts a degree
    s.domeSettings.DOME_REVOLVE = 2;
    s.domeSettings.HomePosition = 8;
    s.domeSettings.SLIT_TIMER = 3;
    s.mount.TelAltitude = 45.0;
    loop.setDriver(&dome);
    loop.setWait([this](long ms) {
      waits.push_back(ms);
      if (duringWait) duringWait();
    });
  }

  // Connected, no home switch, following on, aiming at the park azimuth (8.0 degrees).
  void connectFollowing() {
    loop.StartUp();
    ASSERT_TRUE(loop.connected());
    ASSERT_TRUE(s.dome.DomeAuto);
    s.dome.DomeTargetMode = 2;
    dome.relays.clear();
    dome.calls.clear();
  }
  // Dome at `degrees` (AxisOfs is 0 after connectFollowing).
  void domeAt(double degrees) { dome.count = static_cast<int32_t>(std::lround(degrees * 10)); }
  QByteArray iniText() const {
    QFile f(ini);
    return f.open(QIODevice::ReadOnly) ? f.readAll().replace("\r\n", "\n") : QByteArray();
  }
  // After the next stop (R23) the dome still moves on each of the next `readings` encoder reads.
  void runOn(int readings) {
    dome.onGetEnc = [this, left = readings]() mutable {
      if (dome.relays.contains("R23") && left > 0) {
        --left;
        dome.count -= 3;
      }
    };
  }

  QTemporaryDir dir;
  QString ini = dir.path() + "/OrvanMirel.ini";
  SharedState s;
  ACal2 acal{s.site, s.mount};
  RecordingDomeView view;
  FakeDomeDriver dome{s};
  ScriptedPrompter prompter;
  ScopedPrompter scopedPrompter{prompter};
  DomeLoop loop{s, acal, view, ini};
  std::vector<long> waits;
  std::function<void()> duringWait;
};

}  // namespace orvan::test
