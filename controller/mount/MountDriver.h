#pragma once
// The operations every mount family offers. The main window, the hand controller, the
// planetarium link and the sync dialog hold one `MountDriver&` (the active `Telescope`) and
// never know which family is behind it.
//
// Units everywhere:
//   right ascension  double, seconds of time, 0 <= ra < 86400, equinox of date unless `epoch`
//                    says "2000";
//   declination      double, arcseconds, -324000..+324000, north positive;
//   epoch            "2000" (J2000, the driver converts to the equinox of date and writes the
//                    converted values back into the caller's variables) or "EOD" (used as is).
// Boolean results are true/false here; callers that keep VB-style flags use toFlag().
#include <QObject>
#include <QString>
#include <cstdint>

namespace orvan {

class MountDriver : public QObject {
  Q_OBJECT
 public:
  using QObject::QObject;
  ~MountDriver() override = default;

  // open = true: opens the port (or the bridge), initialises the mount (cmdStartUP) and loads
  // the encoder log; true when the link is up, also when it already was.
  // open = false: stops the mount, saves the encoder log, closes the link; true.
  virtual bool cmdConnect(bool open) = 0;
  // Sends site, time and the other start-up settings; TelState becomes 1.
  virtual void cmdStartUP() = 0;
  // on = true: stand-by (tracking off, TelState 0) where the mount supports it;
  // on = false: leaves stand-by (TelState 1). A no-op for families without stand-by.
  virtual int16_t cmdStandBy(bool on) = 0;
  // Site latitude / local sidereal time to the mount (Temma); no-ops elsewhere.
  virtual void SendIdo() = 0;
  virtual void SendStime() = 0;
  // One serial transaction: the reply without CR/LF, or empty (no reply expected, time-out
  // answered, or communication given up earlier).
  virtual QString SendTelescope(const QString& cmd) = 0;
  // Slews to (ra, dec); ra/dec in/out. True when the slew was started. False when it was not:
  // no mount connected or communication given up, or the target not above the horizon
  // (nothing sent, no state changed), or the mount refused it (lastRefusal() has its words);
  // a refused goto neither marks the mount slewing nor tells the main window a goto started.
  virtual bool cmdGoto(double& ra, double& dec, const QString& epoch) = 0;
  // direction "N", "S", "E", "W"; speed 1 slow, 2 middle, 3 fast starts a move, 9 stops the
  // move in `direction` and ends hand motion.
  virtual void cmdMove(const QString& direction, int16_t speed) = 0;
  // Reads the position, refreshes TelRA/TelDec/TelStatus/axis counts, completes a goto that
  // the slew watch saw end. Called by the main loop.
  virtual void cmdStatus() = 0;
  // Stops all motion and clears StopRequest.
  virtual void cmdStop() = 0;
  // Tells the mount it points at exactly (ra, dec); ra/dec in/out. False when it was not
  // done: no mount connected, below the horizon, the mount rejected the coordinates (Temma
  // also while slewing).
  virtual bool cmdSync(double& ra, double& dec, const QString& epoch) = 0;
  // (Re)starts sidereal tracking and cancels hand motion; TelState becomes 1.
  virtual void cmdTrucking() = 0;
  // Syncs on the zenith; result as cmdSync.
  virtual bool SendZsync() = 0;

  // The model label of the driver window (lblLX200Type and friends): "LX200", "LX200GPS",
  // "Temma2M", "TemmaPC", "Temma2", "RST400". Mount selection sets it.
  virtual void setModelText(const QString& text) { modelText_ = text; }
  QString modelText() const { return modelText_; }

  // True after a successful cmdConnect(true), false after cmdConnect(false).
  virtual bool isConnected() const = 0;

  // True while a transaction with the mount is in progress. What the driver asks of the main
  // window then (the set-up layout after a time-out, ending the program) waits until it is over.
  virtual bool busy() const { return false; }

  // The mount's own words for the last goto it refused (the text of an LX200 "1<text>#"
  // reply); empty when the controller itself refused it (no connection, below the horizon).
  // Callers that answer a planetarium program pass the words on.
  virtual QString lastRefusal() const { return {}; }
  // The side of the pier the tube stands on, "E" or "W", as the mount reports it; empty for a
  // family that does not report it.
  virtual QString sideOfPier() const { return {}; }

  // Mount selection binds this driver (again): the family puts back what belongs to it in
  // the shared state, such as the counts per turn of both axes, which another family bound
  // in between may have changed.
  virtual void Selected() {}
  // Another mount was chosen: a family window that belongs to this driver (the RST-400's
  // homing window) is hidden.
  virtual void Deselected() {}

  // The RST-400's homing window: shown with the hand layout, hidden with the mini layout,
  // unloaded when the hand layout's stop leaves for the set-up layout. Other families have none.
  virtual void ShowHomingWindow(bool /*visible*/) {}
  virtual void UnloadHomingWindow() {}

  // Waits while a transaction is in progress, dispatching events, before the driver sends a
  // command. True when the port is free. A transaction below the caller on the stack (a
  // handler run while its time-out question is open) can never end while the caller waits,
  // so the wait gives up after the family's time-out and the command is not sent.
  virtual bool WaitTelescope() { return !busy(); }
  // A text command to a driver that talks to an outside program (the bridge: "cmdName",
  // "cmdChoose", "cmdEnd"); other families ignore it.
  virtual void SendCmd(const QString& /*text*/) {}

 private:
  QString modelText_;
};

}  // namespace orvan
