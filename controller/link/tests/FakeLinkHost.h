#pragma once
// The main window as the link sees it: records missions and settings loads, holds the state
// and a settings file in a folder of the test's own.
#include "LinkHost.h"
#include "MountDriver.h"

#include <QString>
#include <functional>
#include <utility>
#include <vector>

namespace orvan {

class FakeLinkHost : public LinkHost {
 public:
  explicit FakeLinkHost(QString iniPath = {}) : ini_(std::move(iniPath)) {}

  std::vector<std::pair<int16_t, QString>> missions;
  int iniReads = 0;
  MountDriver* telescope = nullptr;
  SharedState shared;

  MountDriver* Telescope() override { return telescope; }
  // Runs inside a mission, as the controller's own waits do (the event loop turns).
  std::function<void(int16_t code)> duringMission;

  void Mission(int16_t code, const QString& text) override {
    missions.emplace_back(code, text);
    if (duringMission) duringMission(code);
  }
  void IniRead() override { ++iniReads; }
  SharedState& state() override { return shared; }
  QString IniPath() const override { return ini_; }

 private:
  QString ini_;
};

}  // namespace orvan
