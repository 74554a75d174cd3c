#pragma once
// Whole nights on the simulator programs: the controller in this process on a program folder of
// its own, a mount simulator linked as its COM port, and the records the simulators keep of
// what reached the devices. Also the device programs' ends of the application link (the Alpaca
// device program as a client reaches it, and the link's wire spoken by hand).
#include "DomeLoop.h"
#include "DomeWire.h"
#include "EventLoop.h"
#include "IndiSession.h"
#include "IniFile.h"
#include "LinkWire.h"
#include "MainWindowFixture.h"
#include "frmSync.h"

#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QFileInfo>
#include <QLabel>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QListWidget>
#include <QLocalSocket>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <functional>

namespace orvan::test {

constexpr int kCom = 11;

class Night : public MainWindowTest {
 protected:
  QProcess sim;
  QString logPath;
  QStringList simArgs{"lx200gps"};

  void SetUp() override {
    MainWindowTest::SetUp();
    logPath = dir.filePath("sim.log");
    sim.setProgram(QString::fromLocal8Bit(qgetenv("ORVAN_BIN_DIR")) + "/orvan-sim");
    sim.setArguments(simArgs + QStringList{"--dir", dir.path(), "--com", QString::number(kCom), "--log", logPath,
                                           "--slew-rate", "30", "--settle", "0.3"});
    sim.start();
    ASSERT_TRUE(sim.waitForStarted(5000));
    while (!sim.canReadLine()) ASSERT_TRUE(sim.waitForReadyRead(5000)) << sim.readAllStandardError().constData();
    ASSERT_TRUE(sim.readLine().startsWith("ready "));
  }
  void TearDown() override {
    MainWindowTest::TearDown();
    sim.terminate();
    if (!sim.waitForFinished(5000)) sim.kill();
  }
  // The program's own drivers, not the recording one.
  void startReal(int startWaitMs) {
    MainWindowParts p;
    p.linkSend = [this](int code, const QString& text, bool) { linkSent.emplace_back(code, text); };
    w = std::make_unique<frmMain>(p);
    obs().setStartWait(startWaitMs);
    ASSERT_TRUE(w->Form_Load());
    w->show();
  }
  // (time, command) the simulator received.
  std::vector<std::pair<QDateTime, QString>> received() {
    std::vector<std::pair<QDateTime, QString>> out;
    for (const QByteArray& line : readFile(logPath).split('\n')) {
      const QList<QByteArray> parts = line.split(' ');
      if (parts.size() < 3 || parts[1] != "<-") continue;
      out.emplace_back(QDateTime::fromString(QString::fromLatin1(parts[0]), "yyyy-MM-ddThh:mm:ss.zzz"),
                       QString::fromLatin1(line.mid(parts[0].size() + 4)));
    }
    return out;
  }
  QStringList commandsSince(size_t from) {
    QStringList out;
    const auto all = received();
    for (size_t i = from; i < all.size(); ++i)
      if (all[i].second != ":GR#" && all[i].second != ":GD#") out << all[i].second;
    return out;
  }
  static bool waitUntil(const std::function<bool()>& done, int seconds) {
    // True once it held: asking again could catch a state that has moved on since.
    for (int i = 0; i < seconds * 10; ++i) {
      if (done()) return true;
      Wait(100);
    }
    return done();
  }
  QString line(int i) { return find<QLabel>(i == 0 ? "lblRaDec_0" : "lblRaDec_1")->text(); }
  // One value of a simulator's state line on another port of the program folder.
  QByteArray simState(int com, const char* key) {
    QProcess ctl;
    ctl.start(sim.program(), {"ctl", "--dir", dir.path(), "--com", QString::number(com), "state"});
    ctl.waitForFinished(5000);
    for (const QByteArray& word : ctl.readAllStandardOutput().trimmed().split(' '))
      if (word.startsWith(QByteArray(key) + '=')) return word.mid(qstrlen(key) + 1);
    return {};
  }
  // The program folder's settings for the serial dome controller on `com`.
  QByteArray serialDome(int com, const char* more) const {
    const auto pattern = [](const char* p) { return QByteArray(p).leftJustified(32, '*'); };
    return "[DOME]\nController= 1\nCommPort=" + QByteArray::number(com) +
           "\nLoopTimer= 200\nENC3_PULSES= 3600\nUpDown= 1\nDOME_REVOLVE= 3\nHomePosition= -1\n"
           "DOME_RADIUS= 1250\nDome_LimitSWC= 0\n" + more + "[RELAY]\n$021=" + pattern("10") + "\n$022=" +
           pattern("01") + "\n$023=" + pattern("00") + "\n$024=" + pattern("**10") + "\n$025=" + pattern("**01") +
           "\n$026=" + pattern("**00") + "\n";
  }
  // A controller running on the serial dome controller's simulator on `com` (slit timer 2 s,
  // following on at the start, park azimuth 20 degrees west of south), with `more` settings,
  // the dome turning `rate` degrees a second.
  void startOnParkingDome(QProcess& quarn, int com, const QByteArray& more = {}, const char* rate = "10") {
    QByteArray dome = serialDome(com, "SLIT_TIMER= 2\nDome_Auto= 0\n");
    dome.replace("HomePosition= -1", "HomePosition= 20");
    settings(site() + dome + more);
    quarn.start(sim.program(), {"quarn", "--dir", dir.path(), "--com", QString::number(com), "--dome-rate", rate});
    ASSERT_TRUE(quarn.waitForReadyRead(5000) && quarn.readLine().startsWith("ready "));
    startReal(0);
    ASSERT_TRUE(obs().domeLoop()->connected());
  }
  // Seconds of time of a "12h34m56.8s" text; -1 when it is not one.
  static double hms(const QString& t) {
    const QRegularExpressionMatch m = QRegularExpression("^(\\d\\d)h(\\d\\d)m(\\d\\d\\.\\d)s$").match(t);
    return m.hasMatch() ? m.captured(1).toInt() * 3600 + m.captured(2).toInt() * 60 + m.captured(3).toDouble() : -1;
  }
  static double number(const QString& t) {
    const QRegularExpressionMatch m = QRegularExpression("(-?\\d+\\.\\d+)").match(t);
    return m.hasMatch() ? m.captured(1).toDouble() : NAN;
  }
  QByteArray site() const {
    return "[Location]\nLONGITUDE=E139:44:20\nLATITUDE=+35:40:00\nTIMEZONE=9.0\n[TELESCOPE]\nTelescope= 5\nCommPort=" +
           QByteArray::number(kCom) + "\nVCommPort= 9\nMount=G\n[PUBLIC]\nFormSizeChange= 1\nLoopTimer= 250\n[PARK]\nAZ= 0\nAlt= 54\n";
  }
};

// The same night on an RST-400 with its HUBO-i controller, whose home search takes 2 s.
class Rst400Night : public Night {
 protected:
  Rst400Night() { simArgs = QStringList{"rst400", "--home-time", "2"}; }
  QWidget* homing() {
    for (QWidget* t : QApplication::topLevelWidgets())
      if (t->objectName() == "frmRST400Homing") return t;
    return nullptr;
  }
  QString homingText(const char* name) { return homing()->findChild<QLabel*>(name)->text(); }
};

// And on an E-Vexil stepping-motor controller.
class EVexilNight : public Night {
 protected:
  EVexilNight() { simArgs = QStringList{"evexil"}; }
};

class TemmaNight : public Night {
 protected:
  TemmaNight() { simArgs = QStringList{"temma2m"}; }
};

// The device program OrvanforASCOM of a program folder, and requests to it as an Alpaca
// client makes them; the controller's event loop turns while a request waits.
class AlpacaProgram {
 public:
  // `handHoldMs`: how long a moveaxis motion outlives the client's last request (0: as shipped).
  explicit AlpacaProgram(const QString& folder, int handHoldMs = 0) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("ORVAN_PROGRAM_FOLDER", folder);
    if (handHoldMs > 0) env.insert("ORVAN_ALPACA_HAND_HOLD_MS", QString::number(handHoldMs));
    process_.setProcessEnvironment(env);
    process_.start(QString::fromLocal8Bit(qgetenv("ORVAN_BIN_DIR")) + "/OrvanforASCOM");
    for (int i = 0; i < 100 && !process_.canReadLine(); ++i) Wait(100);
    const QByteArray ready = process_.readLine().trimmed();
    if (ready.startsWith("ready ")) base_ = "http://127.0.0.1:" + QString::fromLatin1(ready.mid(6)) + "/";
  }
  ~AlpacaProgram() {
    process_.terminate();
    process_.waitForFinished(3000);
  }
  bool ready() const { return !base_.isEmpty(); }
  // Ends the program at once, as a crash or `kill -9` would.
  void kill() {
    process_.kill();
    process_.waitForFinished(3000);
  }
  std::string failure() { return process_.readAllStandardError().toStdString(); }
  // (HTTP status, reply body) of one request; `text` gets a plain-text body.
  std::pair<int, QJsonObject> call(const char* verb, const QString& path, const QString& form = {}, QByteArray* text = nullptr) {
    QNetworkRequest rq(QUrl(base_ + path));
    rq.setHeader(QNetworkRequest::ContentTypeHeader, "application/x-www-form-urlencoded");
    QNetworkReply* r = QByteArray(verb) == "PUT" ? net_.put(rq, form.toUtf8()) : net_.get(rq);
    for (int i = 0; i < 300 && !r->isFinished(); ++i) Wait(100);
    const int status = r->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QByteArray body = r->readAll();
    if (text) *text = r->header(QNetworkRequest::ContentTypeHeader).toString().toLatin1() + " " + body;
    r->deleteLater();
    return {status, QJsonDocument::fromJson(body).object()};
  }
  // A member of a device: GET with the parameters in the query, PUT in the body.
  std::pair<int, QJsonObject> member(const char* verb, const QString& device, const QString& name, const QString& form = {}) {
    const bool get = QByteArray(verb) == "GET";
    return call(verb, "api/v1/" + device + "/0/" + name + (get ? "?" + form : QString()), get ? QString() : form);
  }

 private:
  QProcess process_;
  QNetworkAccessManager net_;
  QString base_;
};

// A device program's end of the application link, speaking the wire by hand: the messages the
// controller sends come in while the test's event loop turns.
class WirePeer {
 public:
  explicit WirePeer(const QString& path) {
    QObject::connect(&socket_, &QLocalSocket::readyRead, [this] {
      for (const QByteArray& raw : reader_.push(socket_.readAll()))
        if (const auto l = linkwire::Parse(raw); l && l->kind == linkwire::Kind::Message) got_.push_back(*l);
    });
    socket_.connectToServer(path);
  }
  // Sends a message and waits for the controller's next message of `code`; nullopt when none
  // comes within the time.
  std::optional<QString> ask(int16_t code, const QString& text, int16_t answer = domewire::kState) {
    got_.clear();
    socket_.write(linkwire::Format(linkwire::Kind::Message, code, text));
    for (int i = 0; i < 50; ++i) {
      for (const auto& l : got_)
        if (l.code == answer) return l.text;
      Wait(100);
    }
    return std::nullopt;
  }
  domewire::Status state() { return domewire::Parse(ask(domewire::kAskState, {}).value_or(QString())).value_or(domewire::Status{}); }

 private:
  QLocalSocket socket_;
  linkwire::LineReader reader_;
  std::vector<linkwire::Line> got_;
};

}  // namespace orvan::test
