// orvan-link: the cooperating program's end of the controller's application link, for
// scripting a night from the shell.
//
//   orvan-link [--folder DIR] [--timeout SECONDS] COMMAND ...
//     goto TARGET [NAME]   goto "(hh:mm:ss +dd:mm:ss)" (J2000); waits for "OK" (exit 0) or "NG" (exit 2)
//     status               asks for the status word and prints it
//     observe on|off       starts the observation (prints the status word) or ends it (parks)
//     park                 the park sequence as the park button is set; waits for its end and
//                          prints the status word that reports it
//     stop                 stops the mount
//     position             prints the mount's J2000 position ("RA,Dec")
//     sync RA DEC          syncs on RA (seconds of time) and Dec (arcseconds), J2000 as position
//                          prints it
//     mission CODE [TEXT]  any mission request
//     send CODE [TEXT]     any message
//     answer CODE [TEXT]   an answer (the utility answer is "answer 90 Utility")
//     watch                prints every message the controller sends until interrupted
//
// The controller is found in the program folder: --folder, else $ORVAN_PROGRAM_FOLDER, else the
// observer's own folder (~/.local/share/OrvanMirel) when a controller listens there, else the
// folder of this program. Exit: 0 done, 1 no controller, 2 refused ("NG") or a wrong command
// (the usage on standard error), 3 no answer within the time-out. --help and --version answer
// on standard output.
#include "CommandLine.h"
#include "LinkWire.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocalSocket>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QStringList>
#include <cstdio>
#include <functional>
#include <optional>

using namespace orvan;
using linkwire::Kind;

namespace {

void err(const QString& s) { std::fprintf(stderr, "orvan-link: %s\n", qPrintable(s)); }
void out(const QString& s) {
  std::fprintf(stdout, "%s\n", s.toUtf8().constData());
  std::fflush(stdout);
}

QString findFolder(const QString& given) {
  if (!given.isEmpty()) return given;
  const QString env = qEnvironmentVariable("ORVAN_PROGRAM_FOLDER");
  if (!env.isEmpty()) return env;
  const QString own = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/OrvanMirel");
  if (QFileInfo::exists(linkwire::SocketPath(own))) return own;
  return QCoreApplication::applicationDirPath();
}

class Link {
 public:
  bool open(const QString& folder) {
    const QString path = linkwire::SocketPath(folder);
    socket_.connectToServer(path);
    if (!socket_.waitForConnected(3000)) {
      err(QStringLiteral("no controller listens at %1 (%2)").arg(path, socket_.errorString()));
      return false;
    }
    const auto greeting = nextLine(3000);
    if (!greeting || *greeting != linkwire::Greeting()) {
      err(QStringLiteral("%1 is not a controller's link of version %2").arg(path).arg(linkwire::kVersion));
      return false;
    }
    return true;
  }
  bool send(Kind kind, int16_t code, const QString& text) {
    const QByteArray line = linkwire::Format(kind, code, text);
    if (line.isEmpty()) {
      err(QStringLiteral("the text cannot be sent (a line end, a control character or too long)"));
      return false;
    }
    socket_.write(line);
    return socket_.waitForBytesWritten(3000);
  }
  // The next message from the controller; nullopt at the time-out or when it went away.
  std::optional<linkwire::Line> next(int timeoutMs) {
    QElapsedTimer t;
    t.start();
    while (timeoutMs < 0 || t.elapsed() < timeoutMs) {
      const auto raw = nextLine(timeoutMs < 0 ? -1 : int(timeoutMs - t.elapsed()));
      if (!raw) return std::nullopt;
      const auto line = linkwire::Parse(*raw);
      if (line && line->kind != Kind::Answer) return line;
    }
    return std::nullopt;
  }

 private:
  std::optional<QByteArray> nextLine(int timeoutMs) {
    QElapsedTimer t;
    t.start();
    for (;;) {
      if (!pending_.empty()) {
        QByteArray l = pending_.front();
        pending_.erase(pending_.begin());
        return l;
      }
      const int left = timeoutMs < 0 ? -1 : int(timeoutMs - t.elapsed());
      if (timeoutMs >= 0 && left <= 0) return std::nullopt;
      if (socket_.state() != QLocalSocket::ConnectedState && socket_.bytesAvailable() == 0) return std::nullopt;
      if (socket_.bytesAvailable() == 0 && !socket_.waitForReadyRead(left)) {
        if (socket_.state() != QLocalSocket::ConnectedState && socket_.bytesAvailable() == 0) return std::nullopt;
        if (timeoutMs >= 0) continue;
      }
      for (QByteArray& l : reader_.push(socket_.readAll())) pending_.push_back(std::move(l));
    }
  }

  QLocalSocket socket_;
  linkwire::LineReader reader_;
  std::vector<QByteArray> pending_;
};

// Waits for a message with `code` (and, when given, one of `texts`); prints it.
std::optional<linkwire::Line> await(Link& link, int16_t code, int timeoutMs, const QStringList& texts = {}) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < timeoutMs) {
    const auto line = link.next(int(timeoutMs - t.elapsed()));
    if (!line) break;
    if (line->kind == Kind::Message && line->code == code && (texts.isEmpty() || texts.contains(line->text))) return line;
  }
  return std::nullopt;
}

// The end of a park goto reports a status word with its sixth place set; a park that cannot
// start (nothing to park) is refused at once with "NG".
int awaitParked(Link& link, int timeoutMs) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < timeoutMs) {
    const auto r = link.next(int(timeoutMs - t.elapsed()));
    if (!r) break;
    if (r->kind != Kind::Message) continue;
    if (r->code == 2 && r->text == u"NG") {
      err(QStringLiteral("nothing to park: no park position (PARK/AZ, PARK/Alt) and no dome home is set"));
      return 2;
    }
    if (r->code == 99 && r->text.size() >= 6 && r->text[5] == u'1') {
      out(r->text);
      return 0;
    }
  }
  err(QStringLiteral("the park did not end (is a park position set?)"));
  return 3;
}

const ProgramUsage kUsage{
    QStringLiteral("orvan-link"), QStringLiteral("[--folder DIR] [--timeout SECONDS] COMMAND ..."),
    QStringLiteral("The controller's application link from the shell. Commands:\n"
                   "  goto TARGET [NAME]    \"(hh:mm:ss +dd:mm:ss)\", J2000; waits for OK (exit 0) or NG (exit 2)\n"
                   "  status                the status word\n"
                   "  observe on|off        starts the observation, or ends it and parks\n"
                   "  park                  parks as the park button is set; waits for its end\n"
                   "  stop                  stops the mount\n"
                   "  position              the mount's J2000 position: RA seconds,Dec arcseconds\n"
                   "  sync RA DEC           syncs on RA (seconds of time) and Dec (arcseconds), J2000\n"
                   "  mission CODE [TEXT]   any mission request\n"
                   "  send CODE [TEXT]      any message\n"
                   "  answer CODE [TEXT]    an answer (\"answer 90 Utility\")\n"
                   "  watch                 prints what the controller sends\n"
                   "Exit: 0 done, 1 no controller, 2 refused or a wrong command, 3 no answer in time.")};

int usage(const QString& problem = {}) { return UsageError(kUsage, problem); }

// A plain decimal number within [low, high): the position's own frame and units.
bool coordinate(const QString& s, double low, double high, bool highIncluded) {
  static const QRegularExpression kPlain(QStringLiteral("^[+-]?([0-9]+(\\.[0-9]*)?|\\.[0-9]+)$"));
  if (!kPlain.match(s).hasMatch()) return false;
  const double v = s.toDouble();
  return v >= low && (v < high || (highIncluded && v == high));
}

bool codeArg(const QString& s, int16_t& code) {
  bool ok = false;
  const int v = s.toInt(&ok);
  if (!ok || v < -32768 || v > 32767) return false;
  code = static_cast<int16_t>(v);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QStringList args = app.arguments().mid(1);
  if (const auto answered = AnswerHelpOrVersion(args, kUsage)) return *answered;
  QString folder;
  double timeoutS = -1;
  while (!args.isEmpty() && args[0].startsWith(QStringLiteral("--"))) {
    const QString opt = args.takeFirst();
    if (opt != u"--folder" && opt != u"--timeout") return usage(QStringLiteral("unknown option ") + opt);
    if (args.isEmpty()) return usage(opt + QStringLiteral(" needs a value"));
    if (opt == u"--folder") folder = args.takeFirst();
    else {
      bool ok = false;
      timeoutS = args.takeFirst().toDouble(&ok);
      if (!ok || !(timeoutS > 0) || timeoutS > 86400) return usage(QStringLiteral("--timeout takes seconds"));
    }
  }
  if (args.isEmpty()) return usage(QStringLiteral("no command"));
  const QString cmd = args.takeFirst();
  const auto ms = [&](double dflt) { return int((timeoutS > 0 ? timeoutS : dflt) * 1000); };

  // Commands are checked before connecting, so a typo never reaches the controller.
  static const QStringList kCommands = {"goto", "status", "observe", "park", "stop", "position",
                                       "sync", "mission", "send", "answer", "watch"};
  if (!kCommands.contains(cmd)) return usage(QStringLiteral("unknown command ") + cmd);
  int16_t code = 0;
  if ((cmd == u"send" || cmd == u"answer" || cmd == u"mission") && (args.isEmpty() || !codeArg(args[0], code)))
    return usage(cmd + QStringLiteral(" takes a code from -32768 to 32767"));
  if (cmd == u"goto" && (args.isEmpty() || args.size() > 2 || !linkwire::IsTargetText(args[0])))
    return usage(QStringLiteral("the target must read (hh:mm:ss +dd:mm:ss), J2000"));
  if (cmd == u"observe" && (args.size() != 1 || (args[0] != u"on" && args[0] != u"off")))
    return usage(QStringLiteral("observe takes on or off"));
  if (cmd == u"sync" &&
      (args.size() != 2 || !coordinate(args[0], 0, 86400, false) || !coordinate(args[1], -324000, 324000, true)))
    return usage(QStringLiteral("sync takes RA in seconds of time (0 to 86400) and Dec in arcseconds (-324000 to 324000)"));
  if ((cmd == u"status" || cmd == u"park" || cmd == u"stop" || cmd == u"position" || cmd == u"watch") && !args.isEmpty())
    return usage(cmd + QStringLiteral(" takes no arguments"));

  Link link;
  if (!link.open(findFolder(folder))) return 1;

  if (cmd == u"goto") {
    // The name must not break the mission's comma-separated fields.
    QString name = args.size() > 1 ? args[1] : QString();
    name.replace(u',', u' ');
    if (!link.send(Kind::Message, 2, QStringLiteral("150,0,0,%1,%2").arg(args[0], name))) return 1;
    const auto r = await(link, 2, ms(600), {QStringLiteral("OK"), QStringLiteral("NG")});
    if (!r) return err(QStringLiteral("no answer to the goto")), 3;
    out(r->text);
    return r->text == u"OK" ? 0 : 2;
  }
  if (cmd == u"status" || cmd == u"observe") {
    // Mission 99 reports the status word; 51 "on" starts an observation and reports it too.
    const QString text = cmd == u"status" ? QStringLiteral("99") : QStringLiteral("51,") + args[0];
    if (!link.send(Kind::Message, 2, text)) return 1;
    if (cmd == u"observe" && args[0] == u"off") return awaitParked(link, ms(600));
    const auto r = await(link, 99, ms(10));
    if (!r) return err(QStringLiteral("no status word")), 3;
    out(r->text);
    return 0;
  }
  if (cmd == u"park") return link.send(Kind::Message, 2, QStringLiteral("54")) ? awaitParked(link, ms(600)) : 1;
  if (cmd == u"stop") return link.send(Kind::Message, 2, QStringLiteral("52")) ? 0 : 1;
  if (cmd == u"position") {
    if (!link.send(Kind::Message, 89, QString())) return 1;
    const auto r = await(link, 91, ms(10));
    if (!r) return err(QStringLiteral("no position")), 3;
    out(r->text);
    return 0;
  }
  if (cmd == u"sync") return link.send(Kind::Message, 90, args[0] + u',' + args[1]) ? 0 : 1;
  if (cmd == u"mission") {
    const QString text = args.size() > 1 ? args[0] + u',' + args.mid(1).join(u',') : args[0];
    return link.send(Kind::Message, 2, text) ? 0 : 1;
  }
  if (cmd == u"send" || cmd == u"answer")
    return link.send(cmd == u"send" ? Kind::Message : Kind::Answer, code, args.mid(1).join(u' ')) ? 0 : 1;
  if (cmd == u"watch") {
    for (;;) {
      const auto line = link.next(-1);
      if (!line) return 0;  // the controller ended
      out((line->kind == Kind::Query ? QStringLiteral("ask ") : QString()) + QString::number(line->code) +
          (line->text.isEmpty() ? QString() : u' ' + line->text));
    }
  }
  return usage();
}
