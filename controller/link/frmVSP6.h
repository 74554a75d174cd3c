#pragma once
// The virtual serial port window: it is never shown. It owns the port that planetarium
// programs open as COM<VCommPort> (ports/COM<n> in the program folder), hands every chunk they
// write to the LX200 interpreter and writes the reply back.
#include "PlanetariumCommand.h"
#include "PseudoTerminal.h"

#include <QObject>
#include <QString>

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
  // it once after the settings are loaded; btnCreatePort calls it too.
  void cmdCreatePort();
  QString btnCreatePortCaption() const { return caption_; }
  bool portExists() const { return port_.exists(); }
  // ports/COMn in the program folder, and the terminal it points to.
  QString linkPath() const { return port_.linkPath(); }
  QString devicePath() const { return port_.slavePath(); }

  // The data event: one chunk of bytes is one command text.
  void dataReceived(const QByteArray& chunk);

 private:
  PlanetariumCommand command_;
  PseudoTerminal port_;
  QString caption_ = QStringLiteral("Create port");
};

}  // namespace orvan
