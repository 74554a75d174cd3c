#pragma once
// Shared set-up of the driver tests: a settings file in a temporary program folder, the
// process-wide state, a recording main window, a scripted observer and a scripted port whose
// polling moves a manual clock.
#include "ACal2.h"
#include "Clock.h"
#include "FakeSerialLink.h"
#include "IniFile.h"
#include "Prompter.h"
#include "RecordingMountHost.h"
#include "State.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <functional>
#include <memory>

namespace orvan::testing {

// Records whether the mission call happens inside the driver's InMissionCall window.
class Host : public RecordingMountHost {
 public:
  explicit Host(MountState& m) : m_(m) {}
  void Mission(int16_t code, const QString& text) override {
    inMissionCallSeen = m_.InMissionCall;
    RecordingMountHost::Mission(code, text);
  }
  // Runs when the driver ends the program, to look at the driver at that moment.
  void UnloadMainWindow() override {
    if (onUnload) onUnload();
    RecordingMountHost::UnloadMainWindow();
  }
  Flag inMissionCallSeen = kFalse;
  std::function<void()> onUnload;

 private:
  MountState& m_;
};

class DriverFixture : public ::testing::Test {
 protected:
  DriverFixture()
      : clock(QDate(2026, 7, 12), 21 * 3600 + 3 * 60 + 4), scopedClock(clock), scopedPrompter(prompter),
        host(state.mount), cal(state.site, state.mount) {
    ini = dir.path() + QStringLiteral("/OrvanMirel.ini");
    // Tokyo-ish site, German mount.
    state.site.SiteLatitude = 35 * 3600 + 40 * 60;
    state.site.SiteLatitudeRadians = state.site.SiteLatitude / (648000.0 / ACal2::kPi);
    state.site.SiteLongitude = 139 * 3600 + 44 * 60 + 20;
    state.site.TimeZoneSeconds = 9 * 3600;
    state.site.MountType = QStringLiteral("G");
    setIni("LOCATION", "LONGITUDE", "E139:44:20");
    setIni("LOCATION", "LATITUDE", "+35:40:00");
    setIni("LOCATION", "TIMEZONE", "9.0");
  }
  void setIni(const char* section, const char* key, const char* value) {
    WriteIni(ini, QString::fromLatin1(section), QString::fromLatin1(key), QString::fromUtf8(value));
  }
  QString readIni(const char* section, const char* key) {
    return ReadIni(ini, QString::fromLatin1(section), QString::fromLatin1(key));
  }
  // A fresh scripted port tied to the manual clock; the driver takes ownership.
  std::unique_ptr<FakeSerialLink> makeLink() {
    auto l = std::make_unique<FakeSerialLink>();
    l->attachClock(&clock);
    fake = l.get();
    return l;
  }
  QStringList written() const {
    QStringList out;
    for (const QByteArray& w : fake->writes) out << QString::fromLatin1(w);
    return out;
  }

  QTemporaryDir dir;
  QString ini;
  ManualClock clock;
  ScopedClock scopedClock;
  ScriptedPrompter prompter;
  ScopedPrompter scopedPrompter;
  SharedState state;
  Host host;
  ACal2 cal;
  FakeSerialLink* fake = nullptr;
};

}  // namespace orvan::testing
