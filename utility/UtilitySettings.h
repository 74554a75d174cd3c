#pragma once
// The utility's view of the settings file: every key it edits, as the fields of its window
// hold them, the texts each field writes back, and the checks a field must pass before
// anything is written. The window copies these to and from its widgets, so the conversions
// are tested without a window.
#include "IniFile.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <array>

namespace orvan {

struct UtilityFields {
  // Site: 0-2 latitude d/m/s, 3-5 longitude d/m/s, 6 height, 7 time zone.
  std::array<QString, 8> txtLocation{};
  int optNS = 0;  // 0 north, 1 south
  int optEW = 0;  // 0 east, 1 west
  // Mount.
  int cmbTelescope = 0;
  QStringList portList;   // "COM" + number, for every port list of the window
  int cmbComm = -1;       // index into portList; also the E-Vexil tab's port (one key)
  int optMount = -1;      // 0 "G", 1 "F", -1 neither
  bool chkBackLash = false;
  QString txtOverRun, txtDelayTime;
  QString txtLoopTimer;
  int optVolt = -1;       // 0 "12", 1 "24", -1 neither
  bool chkASCOM = false;
  bool chkAlpaca = false;  // ASCOM/Alpaca: the Alpaca device starts with the controller
  std::array<QString, 2> txtParkAzAlt{};
  int optEPOCH = 1;       // 0 "2000", 1 "EOD"
  int cmbVCommPort = -1;  // 0.. = COM1..
  // Dome.
  int optController = -1; // 0 USB board, 1 serial controller, 2 none
  int cmbQuarnport = -1;  // index into portList
  std::array<QString, 9> txtDomeParameter{};
  bool chkUpDown = false, chkZswc = false, chkDomeAuto = true;
  QString txtDomeLoopTimer;
  std::array<bool, 3> chkLocalData{};
  std::array<bool, 2> chkSensor{};
  bool chkRainClose = false;  // Option/RainClose: rain or snow closes the slit
  QString txtExec;
  std::array<QString, 27> relay{};  // RELAY $000..$026, kept for the dome test panel
};

// Entries of the planetarium port list, COM1 upwards. Beyond the first nine: COM1 to COM4 are
// usually this machine's own serial ports (ttyS0..3), and the demo observatory offers COM10.
constexpr int kVirtualPorts = 20;

// The dome parameter keys in the order of txtDomeParameter.
extern const std::array<const char*, 9> kDomeParameterKeys;

// Fills the fields from the file. `portList` must be set first. An empty ASCOM/Use is written
// "False" first, as the controller does.
void UtilityRead(const QString& iniPath, UtilityFields& f);

// The texts the fields write, in the order the utility has always written them. A list with
// nothing selected (a port that is not plugged in today, no mount type) writes nothing, so the
// number in the file stays.
QList<IniEntry> UtilityEntries(const UtilityFields& f);

// The entries of `now` whose text differs from `loaded`: what the observer changed.
QList<IniEntry> ChangedEntries(const QList<IniEntry>& loaded, const QList<IniEntry>& now);

struct FieldError {
  QString field;    // the widget's object name, "txtLocation0", "txtDomeParameter1", ...
  QString message;  // Japanese, shown beside the field
};
// Every field in error, in window order; empty when everything may be written.
QList<FieldError> CheckUtilityFields(const UtilityFields& f);

}  // namespace orvan
