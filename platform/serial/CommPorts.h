#pragma once
// Port names. The controller speaks of "COM" + number. The folder ports/ in the program
// folder holds entries COM<n> (symbolic links to /dev/ttyUSB0, /dev/serial/by-id/..., a
// pseudo-terminal, ...). Serial devices the system reports without an entry get a fixed
// number by kind:
//   /dev/ttyS<k>   -> COM<k + 1>
//   /dev/ttyUSB<k> -> COM<k + 101>
//   /dev/ttyACM<k> -> COM<k + 201>
//   /dev/ttyAMA<k> -> COM<k + 301>
// Other devices are not numbered. An entry in ports/ always wins over a detected device.
#include <QList>
#include <QString>

namespace orvan {

struct CommPortEntry {
  int number = 0;     // n of COM<n>
  QString path;       // what to open
  bool linked = false;  // true for an entry of ports/
  bool denied = false;  // the device is there but this user may not open it (PortAccess.h)
};

// FOLDER/ports/COM<n>.
QString CommPortLinkPath(const QString& folder, int number);
// The number a detected device gets (0 when it is not numbered).
int DetectedDeviceNumber(const QString& systemLocation);
// The port number of a port-list entry: the numeric value of the text from its fourth
// character on ("COM12" -> 12, "COM" -> 0).
int CommPortNumber(const QString& entry);
// What "COM" + number opens: the ports/ entry when present, else the detected device with
// that number, else the ports/ entry path (which then fails to open).
QString ResolveCommPort(int number, const QString& folder);
// ports/ entries and numbered detected devices, ascending by number, one per number.
QList<CommPortEntry> ListCommPorts(const QString& folder);

}  // namespace orvan
