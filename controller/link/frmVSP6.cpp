#include "frmVSP6.h"

#include "Cp932.h"
#include "ProgramFolder.h"
#include "Vb.h"

#include <QPointer>
#include <QRegularExpression>

namespace orvan {

frmVSP6::frmVSP6(LinkHost& host, QObject* parent) : QObject(parent), command_(host) {
  connect(&port_, &PseudoTerminal::received, this, &frmVSP6::dataReceived);
}

frmVSP6::~frmVSP6() { port_.remove(); }

QString frmVSP6::PortName(int vcommPort) { return QStringLiteral("COM") + vb::Format(vcommPort, "0"); }

void frmVSP6::cmdCreatePort() {
  if (port_.exists()) {
    port_.remove();
    caption_ = QStringLiteral("Create port");
    return;
  }
  // The name becomes a file name in ports/: only COM and a port number are taken.
  static const QRegularExpression kName(QStringLiteral("^COM[0-9]{1,3}$"));
  if (!kName.match(strPort1).hasMatch()) return;
  if (port_.create(InProgramFolder(QStringLiteral("\\ports\\") + strPort1)))
    caption_ = QStringLiteral("Delete port");
}

void frmVSP6::dataReceived(const QByteArray& chunk) {
  // The interpreter may wait inside a driver operation, where this window can be closed.
  QPointer<frmVSP6> self(this);
  const QString reply = command_.interpret(cp932::decode(chunk));
  if (!self || reply.isEmpty()) return;
  port_.send(cp932::encode(reply));
}

}  // namespace orvan
