#pragma once
// The controller's view of the settings file: which keys it loads at start-up (and after the
// set-up layout), how each text becomes a number, and the few keys it writes back.
#include "State.h"

#include <QString>
#include <QStringList>
#include <array>

namespace orvan {

// The set-up layout's fields as the settings see them. The main window copies these to and
// from its widgets; keeping them here lets the conversions be tested without a window.
struct SetupFields {
  // 0-2 latitude d/m/s, 3-5 longitude d/m/s, 6 height, 7 time zone.
  std::array<QString, 8> txtLocation{};
  int optNS = 0;     // 0 north, 1 south
  int optEW = 0;     // 0 east, 1 west
  int optMount = -1; // 0 German ("G"), 1 fork ("F"), -1 neither
  QStringList mountList;
  int mountIndex = 0;
  QStringList portList;  // "COM" + number
  int portIndex = -1;    // -1: no port selected
  QString vcommName;     // "COM" + VCommPort
};

// Loads the site, mount, epoch, park and dome keys into the state and the fields, in the
// order the controller has always read them.
void IniRead(const QString& iniPath, SharedState& state, SetupFields& fields);

// Writes LONGITUDE, LATITUDE, TIMEZONE, HEIGHT, Telescope, CommPort and Mount from the fields.
// With `shown` (the fields as the layout showed them when they were read), only the keys the
// observer changed since are written: the utility may have saved the others meanwhile.
void IniWrite(const QString& iniPath, const SetupFields& fields, const SetupFields* shown = nullptr);

// The site fields of the set-up layout checked before they are written: latitude up to 90
// degrees, longitude up to 180, minutes and seconds below 60 (whole numbers), the height a
// number, the time zone -12 to +14 hours. Empty when they are fine, otherwise the message that
// names the first field in error.
QString CheckSiteFields(const SetupFields& fields);

// ASCOM/Use as a truth value; an empty key is first written "False".
bool ReadAscomUse(const QString& iniPath);
// ASCOM/Alpaca: "1" starts the Alpaca device with the controller; absent or anything else, it
// is not started (it would open the mount to every local program, or to the network).
bool ReadAlpacaUse(const QString& iniPath);

// DOME/Dome_Auto is inverted: "0" or absent = the dome follows the telescope.
bool DomeFollowsAtStart(const QString& iniPath);

// A relay pattern as the table keeps it: exactly 32 characters, cut or blank-padded.
QString RelayEntry(const QString& text);

}  // namespace orvan
