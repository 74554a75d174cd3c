// The RST-400 homing window against a scripted HUBO-i: the home states it shows, the offset
// it stores, and its close box.
#include "ACal2.h"
#include "FakeSerialLink.h"
#include "IniFile.h"
#include "Prompter.h"
#include "RecordingMountHost.h"
#include "frmRST400.h"
#include "frmRST400Homing.h"

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace orvan;

namespace {

class Homing : public ::testing::Test {
 protected:
  Homing() : scoped(prompter), cal(state.site, state.mount) {
    ini = dir.path() + "/OrvanMirel.ini";
    state.site.SiteLatitude = 128400;
    state.site.SiteLatitudeRadians = 128400 / (3600 * 180 / ACal2::kPi);
    state.site.SiteLongitude = 503060;
    state.site.TimeZoneSeconds = 32400;
    state.site.MountType = "G";
    auto l = std::make_unique<FakeSerialLink>();
    fake = l.get();
    fake->open();
    fake->setResponder([this](const QByteArray& w) {
      if (w == ":GH#\r") return gh;
      if (w == ":GA#\r") return ga;
      if (w == ":GZ#\r") return gz;
      if (w == ":GR#\r") return QByteArray(":GR05:30:00.0#");
      if (w == ":GD#\r") return QByteArray(":GD+35*40:00.0#");
      return QByteArray();
    });
    driver = std::make_unique<frmRST400>(state, host, cal, ini, std::move(l));
    driver->slewWatchTimer().stop();
    driver->driverState().Connected = true;
    window = std::make_unique<frmRST400Homing>(*driver, host, state);
  }
  QString caption() const { return window->lblHOME->text(); }
  QString style() const { return window->lblHOME->styleSheet(); }

  QTemporaryDir dir;
  QString ini;
  ScriptedPrompter prompter;
  ScopedPrompter scoped;
  SharedState state;
  RecordingMountHost host;
  ACal2 cal;
  FakeSerialLink* fake = nullptr;
  std::unique_ptr<frmRST400> driver;
  std::unique_ptr<frmRST400Homing> window;
  QByteArray gh = ":GH0#", ga = ":GA+35*40:00.0#", gz = ":GZ000*00:00.0#";
};

TEST_F(Homing, EachHomeStateAsTheObserverSeesIt) {
  window->SetShown(true);
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(caption(), QString::fromUtf8("未検出"));
  EXPECT_TRUE(style().contains("color: rgb(255,0,0)")) << style().toStdString();
  // Searching: blue while seeking, yellow while approaching (read from the first ":", so
  // characters before it do not matter), red and blinking for "not found" with the watch on.
  window->HOMEtimer.start();
  gh = ":GH?#";
  window->GetHomeStatus();
  EXPECT_EQ(caption(), QString::fromUtf8("検出中"));
  EXPECT_TRUE(style().contains("background: rgb(0,0,255)")) << style().toStdString();
  gh = "xy:GH<#";
  window->GetHomeStatus();
  EXPECT_TRUE(style().contains("background: rgb(255,255,0)")) << style().toStdString();
  gh = ":GH0#";
  window->GetHomeStatus();
  EXPECT_TRUE(style().contains("background: rgb(255,0,0)")) << style().toStdString();
  // A reply without ":" darkens the label and changes nothing else.
  gh = "GHO#";
  window->GetHomeStatus();
  EXPECT_EQ(caption(), QString::fromUtf8("検出中"));
  EXPECT_TRUE(style().contains("background: rgb(0,0,0); color: rgb(0,0,0)")) << style().toStdString();
  EXPECT_TRUE(window->HOMEtimer.isActive());
  // Found: the watch stops, the offset is stored, the main loop runs, the lamp is light red.
  gh = ":GHO#";
  host.mainLoopOn = false;
  window->GetHomeStatus();
  EXPECT_EQ(caption(), QString::fromUtf8("検出済み"));
  EXPECT_FALSE(window->HOMEtimer.isActive());
  EXPECT_TRUE(host.mainLoopOn);
  EXPECT_EQ(host.lamp, 8421631);
  EXPECT_EQ(ReadIni(ini, "HUBO", "EncOfs1").toInt(), state.mount.AxisPos[0] - 324000);
  EXPECT_EQ(ReadIni(ini, "HUBO", "EncOfs2").toInt(), state.mount.AxisPos[1]);
  EXPECT_EQ(state.mount.AxisOfs[1], state.mount.AxisPos[1]);
  // The list keeps the changes with their times.
  EXPECT_GE(window->List1->count(), 3);
}

TEST_F(Homing, NoOffsetFromTheControllersNoPositionOrAGarbledOne) {
  window->SetShown(true);
  gh = ":GHO#";
  WriteIni(ini, "HUBO", "EncOfs1", "-1234");
  for (auto [a, z] : {std::pair{":GA+00*00:00.0#", ":GZ270*00:00.0#"}, std::pair{":GA+3x*40:00.0#", ":GZ000*00:00.0#"},
                      std::pair{":GA+35*40:00.0#", ":GZ000*00:00#"}}) {
    ga = a;
    gz = z;
    window->HOMEtimer.start();
    window->GetHomeStatus();
    EXPECT_EQ(ReadIni(ini, "HUBO", "EncOfs1"), "-1234") << a << " " << z;
  }
}

TEST_F(Homing, TheSearchButtonAndTheCloseBox) {
  window->SetShown(true);
  fake->writes.clear();
  window->btnHOME_Click();
  EXPECT_FALSE(host.mainLoopOn);
  EXPECT_EQ(host.positionLabels, (QStringList{"", ""}));
  EXPECT_EQ(host.lamp, 0);
  EXPECT_TRUE(window->HOMEtimer.isActive());
  QByteArrayList w = fake->writes;
  EXPECT_EQ(w.mid(w.size() - 2), (QByteArrayList{":Ch#\r", ":CtL#\r"}));
  // The close box keeps the window; the program's unload closes it and stops the watch.
  window->close();
  EXPECT_TRUE(window->isVisible());
  window->move(300, 200);
  window->Unload();
  EXPECT_FALSE(window->isVisible());
  EXPECT_FALSE(window->HOMEtimer.isActive());
  EXPECT_EQ(ReadIni(ini, "frmRST400Homing", "Left").trimmed(), "4500");
}

}  // namespace
