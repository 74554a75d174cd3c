#include "frmVSP6.h"

#include "Cp932.h"
#include "IniFile.h"
#include "LinkHost.h"
#include "ProgramFolder.h"
#include "Prompter.h"
#include "Vb.h"

#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QPointer>
#include <QRegularExpression>

Q_LOGGING_CATEGORY(lcVsp, "orvan.vsp", QtWarningMsg)

namespace orvan {
namespace {

// The number of a "COM<n>" name, 0 when the name is not one.
int portNumber(const QString& name) {
  static const QRegularExpression kName(QStringLiteral("^COM([0-9]{1,3})$"));
  const QRegularExpressionMatch m = kName.match(name);
  return m.hasMatch() ? m.captured(1).toInt() : 0;
}

QString linkFor(const QString& name) { return InProgramFolder(QStringLiteral("\\ports\\") + name); }

}  // namespace

frmVSP6::frmVSP6(LinkHost& host, QObject* parent) : QObject(parent), host_(host), command_(host) {
  clock_.start();
  connect(&port_, &PseudoTerminal::received, this, &frmVSP6::dataReceived);
  // A half command of a client that went away is not the start of the next client's.
  connect(&port_, &PseudoTerminal::clientClosed, this, [this] { framer_.reset(); });
}

frmVSP6::~frmVSP6() { port_.remove(); }

QString frmVSP6::PortName(int vcommPort) { return QStringLiteral("COM") + vb::Format(vcommPort, "0"); }

QString frmVSP6::portProblem() const {
  const int n = portNumber(strPort1);
  const QString path = QDir::toNativeSeparators(linkFor(n > 0 ? strPort1 : QStringLiteral("COM0")));
  const QString without = tr("\nプラネタリウムソフト用の仮想シリアルポートを作らずに続けます");
  if (n == 0)
    return tr("仮想シリアルポートの番号(TELESCOPE/VCommPort)が設定されていません\n") + path + without;
  const QString ini = host_.IniPath();
  const auto setting = [&](const char* section, const char* key) {
    return static_cast<int>(vb::Val(ReadIni(ini, QString::fromLatin1(section), QString::fromLatin1(key))));
  };
  if (setting("TELESCOPE", "CommPort") == n)
    return tr("仮想シリアルポート ") + strPort1 +
           tr(" は望遠鏡の通信ポート(TELESCOPE/CommPort)と同じ番号です\n") + path + without;
  if (setting("DOME", "Controller") == 1 && setting("DOME", "CommPort") == n)
    return tr("仮想シリアルポート ") + strPort1 +
           tr(" はドームの通信ポート(DOME/CommPort)と同じ番号です\n") + path + without;
  // A link left by a controller that did not end cleanly is replaced without a question.
  if (PseudoTerminal::linkInUse(linkFor(strPort1)))
    return tr("仮想シリアルポート ") + strPort1 + tr(" は他の装置またはプログラムが使用中です\n") +
           path + without;
  return {};
}

void frmVSP6::cmdCreatePort() {
  if (port_.exists()) {
    port_.remove();
    caption_ = QStringLiteral("Create port");
    return;
  }
  const QString problem = portProblem();
  if (!problem.isEmpty()) {
    Prompter::current().ask(tr("仮想シリアルポート"), problem, Buttons::Ok, Icon::Critical);
    return;
  }
  framer_.reset();
  if (port_.create(linkFor(strPort1))) caption_ = QStringLiteral("Delete port");
}

void frmVSP6::dataReceived(const QByteArray& chunk) {
  for (QByteArray& unit : framer_.push(chunk, clock_.elapsed())) {
    // Only commands that arrive while an earlier one waits inside a driver are limited: a
    // client's burst read at once is answered whole.
    if (answering_ && waiting_.size() >= kMaxWaiting) {
      qCWarning(lcVsp) << "planetarium commands dropped: too many waiting";
      break;
    }
    waiting_.push_back(std::move(unit));
  }
  // A driver operation can dispatch events while it waits, and the next read arrives here
  // then: its commands wait their turn, so every reply goes out in the order of its command.
  if (answering_) return;
  answering_ = true;
  // The window can be closed while a driver waits.
  QPointer<frmVSP6> self(this);
  while (!waiting_.empty()) {
    const QByteArray unit = std::move(waiting_.front());
    waiting_.pop_front();
    const QString reply = command_.command(cp932::decode(unit));
    if (!self) return;
    if (!reply.isEmpty()) port_.send(cp932::encode(reply));
  }
  answering_ = false;
}

}  // namespace orvan
