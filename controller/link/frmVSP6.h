#pragma once
// The virtual serial port window: it is never shown. It owns the port that planetarium
// programs open as COM<VCommPort> (ports/COM<n> in the program folder), cuts what they write
// into whole commands, hands each to the LX200 interpreter and writes the replies back in
// the order the commands came.
#include "CommandFramer.h"
#include "PlanetariumCommand.h"
#include "PseudoTerminal.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <deque>

namespace orvan {

class LinkHost;

class frmVSP6 : public QObject {
  Q_OBJECT
 public:
  explicit frmVSP6(LinkHost& host, QObject* parent = nullptr);
  ~frmVSP6() override;  // the port and its link go with the window

  // "COM" + the VCommPort number, as the settings load writes it into strPort1.
  static QString PortName(int vcommPort);

  // The port name box; the settings load replaces the preset.
  QString strPort1 = QStringLiteral("COM9");

  // Deletes the port when it exists, otherwise creates it under strPort1. The start-up calls
  // it once after the settings are loaded; btnCreatePort calls it too. A port that cannot be
  // the planetarium port (see portProblem) is not created: the observer is told why, with
  // the path, and the controller goes on without it.
  void cmdCreatePort();
  // Why strPort1 cannot be the planetarium port, empty when it can: no port number set (the
  // settings give "COM0" then), the mount's own port or the serial dome's, or a port someone
  // else's live link already holds in ports/.
  QString portProblem() const;
  QString btnCreatePortCaption() const { return caption_; }
  bool portExists() const { return port_.exists(); }
  // ports/COMn in the program folder, and the terminal it points to.
  QString linkPath() const { return port_.linkPath(); }
  QString devicePath() const { return port_.slavePath(); }

  // Part of a command has arrived and waits for the rest.
  bool hasUnfinishedCommand() const { return framer_.hasTail(); }

  // The data event: the bytes of one read, which may hold part of a command or several.
  void dataReceived(const QByteArray& chunk);

 private:
  // Commands arriving while an earlier one is inside a driver operation that dispatches
  // events; beyond this many a flood is dropped rather than queued.
  static constexpr size_t kMaxWaiting = 64;

  LinkHost& host_;
  PlanetariumCommand command_;
  PseudoTerminal port_;
  CommandFramer framer_;
  QElapsedTimer clock_;
  std::deque<QByteArray> waiting_;
  bool answering_ = false;
  QString caption_ = QStringLiteral("Create port");
};

}  // namespace orvan
