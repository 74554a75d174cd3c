#pragma once
// The mount families the controller and the utility offer, in the order of their list. A row's
// place is the number stored as TELESCOPE/Telescope, so rows are only ever added at the end.
#include "HandRates.h"

#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <vector>

class QObject;

namespace orvan {

class ACal2;
class MountDriver;
class MountHost;
struct SharedState;

// What a driver is made with.
struct MountDriverContext {
  SharedState& state;
  MountHost& host;
  ACal2& cal;
  const QString& iniPath;
  QObject* parent;
};

struct MountFamily {
  int number;         // TELESCOPE/Telescope
  QString entry;      // the list entry ("Meade LX200")
  QString modelLabel; // given to the driver's model label; empty for none
  // Entries that share one driver (the Temma models, the two LX200s) share this key.
  QString driverKey;
  std::function<MountDriver*(const MountDriverContext&)> makeDriver;
  // The hand controller's rates this family offers; none: no hand motion.
  HandRates handRates;
  // A goto that dips below the horizon is sent round by the pole.
  bool horizonDetour = false;
  // The family has a homing window that comes with the hand layout.
  bool homing = false;
  // Reached through the telescope bridge: the bridge's chooser replaces the port and mount type.
  bool bridge = false;
};

class MountCatalog {
 public:
  static const std::vector<MountFamily>& rows();
  // The row of a list entry; nullptr for an entry no family has.
  static const MountFamily* find(const QString& entry);
  // The row reached through the telescope bridge.
  static const MountFamily& bridgeRow();
  // The list entries in stored order; the bridge's row only when it is offered.
  static QStringList entries(bool withBridge);
};

}  // namespace orvan
