#pragma once
// What the planetarium link needs from the main window. The main window owns the active mount
// driver, the mission dispatcher, the settings load and the process-wide state; the link sees
// only this narrow view of it, so the interpreter and the virtual port run headless in tests.
#include "MissionCode.h"
#include "State.h"

#include <QString>
#include <cstdint>

namespace orvan {

class MountDriver;

class LinkHost {
 public:
  virtual ~LinkHost() = default;

  // The active mount driver. It can change between two calls (mount selection), so callers
  // fetch it again for every operation and never keep it. Null while no mount is bound.
  virtual MountDriver* Telescope() = 0;
  // The main window's command dispatcher (37 and 40 do nothing, 54 parks).
  virtual void Mission(int16_t code, const QString& text = QString()) = 0;
  void Mission(MissionCode c, const QString& text = QString()) { Mission(codeOf(c), text); }
  // Reloads the settings into the running state (site, time zone, mount type, epoch...).
  virtual void IniRead() = 0;
  virtual SharedState& state() = 0;
  // Full path of the settings file.
  virtual QString IniPath() const = 0;
};

}  // namespace orvan
