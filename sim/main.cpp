// orvan-sim: simulated devices for rehearsing a night without hardware and for the tests.
//
//   orvan-sim FAMILY --dir FOLDER --com N [--log FILE] [--fault MODE] [--slow-ms MS]
//                    [--slew-rate DEG_PER_S] [--settle S] [--home-time S]
//                    [--dome-rate DEG_PER_S] [--azimuth DEG] [--rev1 N] [--rev2 N] [--old-firmware] [--jp5]
//                    [--no-position] [--never-stops] [--start-delay S] [--holds-target]
//                    [--f-count N] [--side-change S] [--lost-move-ok N]
//                    [--outputs PATTERN] [--garble-counts] [--reply-ms MS]
//   orvan-sim ctl --dir FOLDER --com N fault MODE|state|...
//
// FAMILY: lx200, lx200gps, rst400 (an RST-400 mount with its HUBO-i controller), evexil (an
// E-Vexil stepping-motor controller: counts per turn --rev1/--rev2, an older firmware without
// "SL" and "VR", the jumper JP5 that protects the sidereal frequency), temma2m, temma2, temmapc (Temma
// controllers: one switched on without a position --no-position, a goto that never ends
// --never-stops, position replies that lose the "F" of a finished goto --f-count, "s1" for a
// while after "PT" --side-change), quarn (a
// Quarn serial dome controller with its dome, wired as FOLDER/OrvanMirel.ini's relay
// patterns say; started with outputs on as a killed program leaves them --outputs, count
// replies garbled --garble-counts, replies late and in pieces --reply-ms; ctl also takes
// "glitch", "stick N 0|1|off", "azimuth DEG" and "garble-counts on|off" for it). The
// device appears as FOLDER/ports/COM<N>; it prints "ready <link>" once it can be opened.
// A mount that starts a goto late: --start-delay (the E-Vexil answers "I" meanwhile); one
// that keeps the target it holds and ignores new ones: --holds-target; an E-Vexil whose first
// N positioning moves are made but not acknowledged: --lost-move-ok.
// MODE: normal, silent, garbage, short, slow, vanish.
#include "CommandLine.h"
#include "SignalCloser.h"
#include "SimRunner.h"
#include "evexil/EVexilDevice.h"
#include "lx200/Lx200Device.h"
#include "quarn/QuarnDevice.h"
#include "rst400/Rst400Device.h"
#include "temma/TemmaDevice.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QLocalSocket>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <map>

using namespace orvan::sim;

namespace {

struct Options {
  MountModel::Config mount;
  double homeSeconds = 4;
  EVexilDevice::Config evexil;
  TemmaDevice::Config temma;
  QString folder;
  double domeRate = 3;
  double azimuth = 150;
  QString quarnOutputs;
  bool garbleCounts = false;
  int replyMs = 0;
};

// One row per family; later families add theirs.
const std::map<QString, std::function<std::unique_ptr<SimDevice>(const Options&)>>& families() {
  static const std::map<QString, std::function<std::unique_ptr<SimDevice>(const Options&)>> f{
      {QStringLiteral("lx200"), [](const Options& o) { return std::make_unique<Lx200Device>(false, o.mount); }},
      {QStringLiteral("lx200gps"), [](const Options& o) { return std::make_unique<Lx200Device>(true, o.mount); }},
      {QStringLiteral("rst400"), [](const Options& o) { return std::make_unique<Rst400Device>(o.mount, o.homeSeconds); }},
      {QStringLiteral("evexil"), [](const Options& o) { return std::make_unique<EVexilDevice>(o.evexil); }},
      {QStringLiteral("temma2m"),
       [](const Options& o) { return std::make_unique<TemmaDevice>(TemmaDevice::Model::Temma2M, o.temma); }},
      {QStringLiteral("temma2"),
       [](const Options& o) { return std::make_unique<TemmaDevice>(TemmaDevice::Model::Temma2, o.temma); }},
      {QStringLiteral("temmapc"),
       [](const Options& o) { return std::make_unique<TemmaDevice>(TemmaDevice::Model::TemmaPC, o.temma); }},
      {QStringLiteral("quarn"),
       [](const Options& o) {
         QuarnConfig c = QuarnConfig::fromFolder(o.folder);
         c.dome.maxSpeed = o.domeRate;
         // A faster dome has a stronger drive: the run-on stays about a third of a second's turn.
         c.dome.acceleration = std::max(c.dome.acceleration, o.domeRate * 4 / 3);
         c.outputsAtStart = o.quarnOutputs;
         c.garbleCounts = o.garbleCounts;
         c.replyDelayMs = o.replyMs;
         auto d = std::make_unique<QuarnDevice>(c);
         d->control({QStringLiteral("azimuth"), QString::number(o.azimuth)});
         return d;
       }},
  };
  return f;
}

int fail(const QString& text) {
  std::fprintf(stderr, "orvan-sim: %s\n", qPrintable(text));
  return 2;
}

int control(const QString& folder, int com, const QStringList& words) {
  QLocalSocket s;
  s.connectToServer(folder + QStringLiteral("/ports/COM") + QString::number(com) + QStringLiteral(".ctl"));
  if (!s.waitForConnected(3000)) return fail(QStringLiteral("no simulator on COM%1 in %2").arg(com).arg(folder));
  s.write((words.join(u' ') + u'\n').toUtf8());
  s.flush();
  while (!s.canReadLine())
    if (!s.waitForReadyRead(3000)) return fail(QStringLiteral("no answer"));
  const QByteArray answer = s.readLine();
  std::fputs(answer.constData(), stdout);
  return answer.startsWith("error") ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("orvan-sim"));
  QCommandLineParser p;
  p.setApplicationDescription(QStringLiteral("Simulated observatory devices on pseudo-terminals."));
  const QCommandLineOption helpOpt({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("This text."));
  const QCommandLineOption versionOpt(QStringLiteral("version"), QStringLiteral("The version."));
  p.addOptions({helpOpt, versionOpt});
  p.addPositionalArgument(QStringLiteral("family"), QStringLiteral("lx200, lx200gps, rst400, evexil, temma2m, temma2, temmapc, quarn, or ctl"));
  const QCommandLineOption dirOpt(QStringLiteral("dir"), QStringLiteral("Program folder holding ports/."), QStringLiteral("FOLDER"));
  const QCommandLineOption comOpt(QStringLiteral("com"), QStringLiteral("Port number n of COM<n>."), QStringLiteral("N"));
  const QCommandLineOption logOpt(QStringLiteral("log"), QStringLiteral("Log every command to FILE."), QStringLiteral("FILE"));
  const QCommandLineOption faultOpt(QStringLiteral("fault"), QStringLiteral("Fault mode at start."), QStringLiteral("MODE"), QStringLiteral("normal"));
  const QCommandLineOption slowOpt(QStringLiteral("slow-ms"), QStringLiteral("Reply delay of the slow mode."), QStringLiteral("MS"), QStringLiteral("2500"));
  const QCommandLineOption rateOpt(QStringLiteral("slew-rate"), QStringLiteral("Slew rate, degrees per second."), QStringLiteral("DEG"), QStringLiteral("4"));
  const QCommandLineOption settleOpt(QStringLiteral("settle"), QStringLiteral("Settle time after a slew, seconds."), QStringLiteral("S"), QStringLiteral("0.5"));
  const QCommandLineOption homeOpt(QStringLiteral("home-time"), QStringLiteral("Length of a home search, seconds."), QStringLiteral("S"), QStringLiteral("4"));
  const QCommandLineOption domeRateOpt(QStringLiteral("dome-rate"), QStringLiteral("Dome rotation rate, degrees per second."), QStringLiteral("DEG"), QStringLiteral("3"));
  const QCommandLineOption azimuthOpt(QStringLiteral("azimuth"), QStringLiteral("Dome azimuth at start, degrees."), QStringLiteral("DEG"), QStringLiteral("150"));
  const QCommandLineOption rev1Opt(QStringLiteral("rev1"), QStringLiteral("E-Vexil counts per turn, hour axis."), QStringLiteral("N"), QStringLiteral("1296000"));
  const QCommandLineOption rev2Opt(QStringLiteral("rev2"), QStringLiteral("E-Vexil counts per turn, declination axis."), QStringLiteral("N"), QStringLiteral("1296000"));
  const QCommandLineOption oldOpt(QStringLiteral("old-firmware"), QStringLiteral("E-Vexil without \"SL\" and \"VR\"."));
  const QCommandLineOption jp5Opt(QStringLiteral("jp5"), QStringLiteral("E-Vexil jumper JP5 on: the sidereal frequency stays."));
  const QCommandLineOption noPosOpt(QStringLiteral("no-position"), QStringLiteral("Temma switched on without a position."));
  const QCommandLineOption neverOpt(QStringLiteral("never-stops"), QStringLiteral("Temma: a goto never reports its end."));
  const QCommandLineOption startDelayOpt(QStringLiteral("start-delay"), QStringLiteral("A goto starts moving this late, seconds."), QStringLiteral("S"), QStringLiteral("0"));
  const QCommandLineOption holdsOpt(QStringLiteral("holds-target"), QStringLiteral("The controller ignores new targets (RST-400, LX200)."));
  const QCommandLineOption fCountOpt(QStringLiteral("f-count"), QStringLiteral("Temma: position replies that carry the \"F\" of a finished goto."), QStringLiteral("N"), QStringLiteral("-1"));
  const QCommandLineOption sideOpt(QStringLiteral("side-change"), QStringLiteral("Temma: \"s1\" this long after \"PT\", seconds."), QStringLiteral("S"), QStringLiteral("0"));
  const QCommandLineOption lostOkOpt(QStringLiteral("lost-move-ok"), QStringLiteral("E-Vexil: the \"OK\" of the first N positioning moves is lost."), QStringLiteral("N"), QStringLiteral("0"));
  const QCommandLineOption outputsOpt(QStringLiteral("outputs"), QStringLiteral("Quarn: outputs on at start (\"1\" on), as a killed program left them."), QStringLiteral("PATTERN"));
  const QCommandLineOption garbleOpt(QStringLiteral("garble-counts"), QStringLiteral("Quarn: count replies garbled, cut or empty."));
  const QCommandLineOption replyMsOpt(QStringLiteral("reply-ms"), QStringLiteral("Quarn: every reply this late, in two pieces."), QStringLiteral("MS"), QStringLiteral("0"));
  p.addOptions({dirOpt, comOpt, logOpt, faultOpt, slowOpt, rateOpt, settleOpt, homeOpt, domeRateOpt, azimuthOpt, rev1Opt, rev2Opt,
                oldOpt, jp5Opt, noPosOpt, neverOpt, startDelayOpt, holdsOpt, fCountOpt, sideOpt, lostOkOpt,
                outputsOpt, garbleOpt, replyMsOpt});
  // Help and version on standard output; a wrong argument gives the usage on standard error
  // and status 2, as Unix programs do.
  const auto usageError = [&p](const QString& problem) {
    std::fprintf(stderr, "orvan-sim: %s\n%s", qPrintable(problem), qPrintable(p.helpText()));
    return 2;
  };
  if (!p.parse(app.arguments())) return usageError(p.errorText());
  if (p.isSet(helpOpt)) {
    std::fputs(qPrintable(p.helpText()), stdout);
    return 0;
  }
  if (p.isSet(versionOpt)) {
    std::printf("orvan-sim %s\n", qPrintable(orvan::ProgramVersion()));
    return 0;
  }

  const QStringList pos = p.positionalArguments();
  if (pos.isEmpty()) return usageError(QStringLiteral("name a device family (lx200, lx200gps, rst400, evexil, temma2m, temma2, temmapc, quarn) or ctl"));
  const QString folder = p.value(dirOpt);
  bool comOk = false;
  const int com = p.value(comOpt).toInt(&comOk);
  if (folder.isEmpty() || !comOk || com < 1) return usageError(QStringLiteral("--dir FOLDER and --com N (N >= 1) are needed"));
  if (pos[0] == u"ctl") return control(folder, com, pos.mid(1));

  const auto family = families().find(pos[0].toLower());
  if (family == families().end()) return usageError(QStringLiteral("unknown device family ") + pos[0]);
  Fault fault;
  if (!ParseFault(p.value(faultOpt), fault)) return usageError(QStringLiteral("unknown fault mode ") + p.value(faultOpt));
  Options o;
  bool rateOk = false, settleOk = false, homeOk = false;
  o.mount.slewDegPerSec = p.value(rateOpt).toDouble(&rateOk);
  o.mount.settleSec = p.value(settleOpt).toDouble(&settleOk);
  o.homeSeconds = p.value(homeOpt).toDouble(&homeOk);
  bool domeOk = false, azOk = false;
  o.folder = folder;
  o.domeRate = p.value(domeRateOpt).toDouble(&domeOk);
  o.azimuth = p.value(azimuthOpt).toDouble(&azOk);
  if (!rateOk || o.mount.slewDegPerSec <= 0 || !settleOk || o.mount.settleSec < 0 || !homeOk || o.homeSeconds < 0 ||
      !domeOk || o.domeRate <= 0 || !azOk || !std::isfinite(o.azimuth))
    return usageError(QStringLiteral("--slew-rate and --dome-rate must be positive, --settle and --home-time not negative"));
  bool rev1Ok = false, rev2Ok = false;
  o.evexil.rev1 = p.value(rev1Opt).toUInt(&rev1Ok);
  o.evexil.rev2 = p.value(rev2Opt).toUInt(&rev2Ok);
  if (!rev1Ok || !rev2Ok || o.evexil.rev1 == 0 || o.evexil.rev2 == 0)
    return usageError(QStringLiteral("--rev1 and --rev2 must be whole numbers of counts from 1 to 4294967295"));
  o.evexil.slewDegPerSec = o.mount.slewDegPerSec;
  o.evexil.newFirmware = !p.isSet(oldOpt);
  o.evexil.jp5 = p.isSet(jp5Opt);
  bool delayOk = false, fOk = false, sideOk = false, lostOk = false;
  o.mount.startDelaySec = p.value(startDelayOpt).toDouble(&delayOk);
  o.mount.holdsTarget = p.isSet(holdsOpt);
  o.temma.fCount = p.value(fCountOpt).toInt(&fOk);
  o.temma.sideChangeSec = p.value(sideOpt).toDouble(&sideOk);
  if (!delayOk || !(o.mount.startDelaySec >= 0) || !fOk || o.temma.fCount < -1 || !sideOk || !(o.temma.sideChangeSec >= 0))
    return usageError(QStringLiteral("--start-delay and --side-change must not be negative, --f-count a whole number from -1"));
  o.evexil.startDelaySec = o.mount.startDelaySec;
  o.evexil.lostMoveReplies = p.value(lostOkOpt).toInt(&lostOk);
  if (!lostOk || o.evexil.lostMoveReplies < 0) return usageError(QStringLiteral("--lost-move-ok must be a whole number from 0"));
  o.temma.mount = o.mount;
  o.temma.noPosition = p.isSet(noPosOpt);
  o.temma.neverStops = p.isSet(neverOpt);
  o.quarnOutputs = p.value(outputsOpt);
  o.garbleCounts = p.isSet(garbleOpt);
  bool replyOk = false;
  o.replyMs = p.value(replyMsOpt).toInt(&replyOk);
  if (!replyOk || o.replyMs < 0 || o.replyMs > 60000) return usageError(QStringLiteral("--reply-ms must be 0 to 60000"));

  SimRunner runner(family->second(o), folder, com);
  runner.setSlowDelayMs(p.value(slowOpt).toInt());
  QString error;
  if (!runner.start(p.value(logOpt), &error)) return fail(error);
  runner.setFault(fault);
  orvan::SignalCloser closer;
  QObject::connect(&closer, &orvan::SignalCloser::closeRequested, &app, [] { QCoreApplication::quit(); });
  std::printf("ready %s\n", qPrintable(runner.linkPath()));
  std::fflush(stdout);
  return app.exec();
}
