#include "OrvanDome.h"

#include "LinkClient.h"
#include "LinkWire.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

#include <cstdio>
#include <cstring>

namespace orvan {
namespace {

constexpr int kAnswerMs = 3000;
// How far ahead a motion aims each tick: less than half a turn, so the way is always forward.
constexpr double kMotionStep = 90;

// The link's socket wants Qt's core object, which INDI's own main does not make; it is never
// run: the link waits on its socket alone.
void ensureQtCore() {
  static int argc = 1;
  static char name[] = "indi_orvanmirel_dome";
  static char* argv[] = {name, nullptr};
  if (!QCoreApplication::instance()) new QCoreApplication(argc, argv);
}

QString defaultFolder() {
  const QString env = qEnvironmentVariable("ORVAN_PROGRAM_FOLDER");
  if (!env.isEmpty()) return env;
  // The observer's own folder, where an installed controller keeps its settings.
  return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/OrvanMirel");
}

}  // namespace

OrvanDome::OrvanDome() {
  ensureQtCore();
  SetDomeCapability(DOME_CAN_ABORT | DOME_CAN_ABS_MOVE | DOME_CAN_PARK | DOME_HAS_SHUTTER);
  setDomeConnection(CONNECTION_NONE);
  setVersion(1, 0);
}

OrvanDome::~OrvanDome() = default;

const char* OrvanDome::getDefaultName() { return "OrvanMirel Dome"; }

bool OrvanDome::initProperties() {
  INDI::Dome::initProperties();
  IUFillText(&FolderT[0], "FOLDER", "Folder", defaultFolder().toLocal8Bit().constData());
  IUFillTextVector(&FolderTP, FolderT, 1, getDeviceName(), "ORVAN_FOLDER", "Program folder", OPTIONS_TAB, IP_RW, 60, IPS_IDLE);
  // The controller keeps the park azimuth, so INDI keeps no park position.
  SetParkDataType(PARK_NONE);
  // INDI takes a dome without a park position for a roll-off roof and names its motion
  // "Open" and "Close"; this dome turns, and its slit has a switch of its own.
  std::snprintf(DomeMotionS[DOME_CW].label, sizeof DomeMotionS[DOME_CW].label, "%s", "Dome CW");
  std::snprintf(DomeMotionS[DOME_CCW].label, sizeof DomeMotionS[DOME_CCW].label, "%s", "Dome CCW");
  addAuxControls();
  return true;
}

void OrvanDome::ISGetProperties(const char* dev) {
  INDI::Dome::ISGetProperties(dev);
  defineProperty(&FolderTP);
  loadConfig(true, "ORVAN_FOLDER");
}

bool OrvanDome::updateProperties() {
  INDI::Dome::updateProperties();
  if (isConnected()) {
    // The base class shows the slaving switch only with a telescope to snoop; here the
    // controller follows its own mount.
    defineProperty(&DomeAutoSyncSP);
    // Parked or not, never neither: a park made through this driver is remembered in INDI's
    // park file, and holds while the dome still stands at the park azimuth.
    // INDI writes that file only into a folder that is there.
    QDir().mkpath(QDir::homePath() + QStringLiteral("/.indi"));
    LoadParkData();
    SetParked(isParked() && atParkOnConnect_);
  } else {
    deleteProperty(DomeAutoSyncSP.name);
  }
  return true;
}

bool OrvanDome::saveConfigItems(FILE* fp) {
  INDI::Dome::saveConfigItems(fp);
  IUSaveConfigText(fp, &FolderTP);
  return true;
}

bool OrvanDome::ISNewText(const char* dev, const char* name, char* texts[], char* names[], int n) {
  if (dev && !std::strcmp(dev, getDeviceName()) && !std::strcmp(name, FolderTP.name)) {
    IUUpdateText(&FolderTP, texts, names, n);
    FolderTP.s = IPS_OK;
    IDSetText(&FolderTP, nullptr);
    return true;
  }
  return INDI::Dome::ISNewText(dev, name, texts, names, n);
}

bool OrvanDome::ISNewSwitch(const char* dev, const char* name, ISState* states, char* names[], int n) {
  if (dev && !std::strcmp(dev, getDeviceName()) && !std::strcmp(name, DomeAutoSyncSP.name)) {
    IUUpdateSwitch(&DomeAutoSyncSP, states, names, n);
    const bool on = IUFindOnSwitchIndex(&DomeAutoSyncSP) == 0;
    const auto s = request(domewire::kFollow, on ? QStringLiteral("1") : QStringLiteral("0"));
    if (s) show(*s);
    DomeAutoSyncSP.s = s && s->following == on ? IPS_OK : IPS_ALERT;
    IDSetSwitch(&DomeAutoSyncSP, nullptr);
    return true;
  }
  return INDI::Dome::ISNewSwitch(dev, name, states, names, n);
}

bool OrvanDome::Connect() {
  const QString folder = QString::fromLocal8Bit(FolderT[0].text ? FolderT[0].text : "");
  link_ = std::make_unique<LinkClient>(linkwire::SocketPath(folder));
  if (!link_->open(kAnswerMs)) {
    LOGF_ERROR("No controller answers in %s (is OrvanMirel running there?)", folder.toLocal8Bit().constData());
    link_.reset();
    return false;
  }
  const auto s = request(domewire::kAskState);
  if (!s) return false;
  if (!s->connected) LOG_WARN("The controller has no dome connected.");
  atParkOnConnect_ = s->connected && s->atPark;
  gone_ = false;
  SetTimer(getCurrentPollingPeriod());
  return true;
}

bool OrvanDome::Disconnect() {
  if (link_) link_->close();
  link_.reset();
  motion_ = 0;
  return true;
}

std::optional<domewire::Status> OrvanDome::request(int16_t code, const QString& text) {
  if (!link_) return std::nullopt;
  if (!link_->isOpen() && !link_->open(500)) return std::nullopt;
  const auto answer = link_->ask(code, text, domewire::kState, kAnswerMs);
  return answer ? domewire::Parse(*answer) : std::nullopt;
}

void OrvanDome::TimerHit() {
  if (!isConnected()) return;
  std::optional<domewire::Status> s;
  if (motion_ != 0 && DomeAbsPosN[0].value == DomeAbsPosN[0].value)
    s = request(domewire::kTurnTo, QString::number(DomeAbsPosN[0].value + motion_ * kMotionStep, 'f', 2));
  else
    s = request(domewire::kAskState);
  if (s) show(*s);
  else showGone();
  SetTimer(getCurrentPollingPeriod());
}

void OrvanDome::show(const domewire::Status& s) {
  if (gone_) LOG_INFO("The controller answers again.");
  gone_ = false;
  if (s.azimuth) DomeAbsPosN[0].value = *s.azimuth;
  const bool turning = s.slewing && s.connected;
  DomeAbsPosNP.s = !s.connected || !s.azimuth ? IPS_ALERT : turning ? IPS_BUSY : IPS_OK;
  IDSetNumber(&DomeAbsPosNP, nullptr);
  if (!turning && motion_ == 0 && DomeMotionSP.s == IPS_BUSY) {
    IUResetSwitch(&DomeMotionSP);
    DomeMotionSP.s = IPS_IDLE;
    IDSetSwitch(&DomeMotionSP, nullptr);
  }
  if (turning) setDomeState(DOME_MOVING);
  else if (getDomeState() == DOME_MOVING) setDomeState(isParked() ? DOME_PARKED : DOME_IDLE);

  ShutterState shutter = SHUTTER_UNKNOWN;
  if (s.slit == 2) shutter = SHUTTER_OPENED;
  else if (s.slit == -2) shutter = SHUTTER_CLOSED;
  else if (s.slit == 1 || s.slit == -1) shutter = SHUTTER_MOVING;
  if (shutter != getShutterState()) {
    setShutterState(shutter);
    DomeShutterSP.s = shutter == SHUTTER_MOVING ? IPS_BUSY : shutter == SHUTTER_UNKNOWN ? IPS_ALERT : IPS_OK;
    IUResetSwitch(&DomeShutterSP);
    if (shutter == SHUTTER_OPENED || s.slit == 1) DomeShutterS[SHUTTER_OPEN].s = ISS_ON;
    if (shutter == SHUTTER_CLOSED || s.slit == -1) DomeShutterS[SHUTTER_CLOSE].s = ISS_ON;
    IDSetSwitch(&DomeShutterSP, nullptr);
  }

  const int autosync = s.following ? 0 : 1;
  if (IUFindOnSwitchIndex(&DomeAutoSyncSP) != autosync || DomeAutoSyncSP.s != IPS_OK) {
    IUResetSwitch(&DomeAutoSyncSP);
    DomeAutoSyncS[autosync].s = ISS_ON;
    DomeAutoSyncSP.s = IPS_OK;
    IDSetSwitch(&DomeAutoSyncSP, nullptr);
  }

  // The controller may turn a parked dome away (its follow button, its hand buttons): once it
  // stands elsewhere, it is not parked.
  if (isParked() && !parking_ && s.connected && s.azimuth && !s.slewing && !s.atPark) SetParked(false);

  if (parking_ && s.atPark) {
    parking_ = false;
    SetParked(true);
  } else if (parking_ && !turning) {
    parking_ = false;  // stopped short of the park azimuth
    ParkSP.s = IPS_ALERT;
    IDSetSwitch(&ParkSP, nullptr);
  }
}

void OrvanDome::showGone() {
  if (!gone_) LOG_WARN("The controller does not answer; waiting for it to come back.");
  gone_ = true;
  motion_ = 0;
  DomeAbsPosNP.s = IPS_ALERT;
  IDSetNumber(&DomeAbsPosNP, nullptr);
}

IPState OrvanDome::MoveAbs(double az) {
  motion_ = 0;
  const auto s = request(domewire::kTurnTo, QString::number(az, 'f', 3));
  if (!s || !s->connected) return IPS_ALERT;
  show(*s);
  return s->slewing ? IPS_BUSY : IPS_OK;
}

IPState OrvanDome::Move(DomeDirection dir, DomeMotionCommand operation) {
  if (operation == MOTION_STOP) {
    motion_ = 0;
    const auto s = request(domewire::kStop);
    return s ? IPS_OK : IPS_ALERT;
  }
  motion_ = dir == DOME_CW ? 1 : -1;
  const auto s = request(domewire::kTurnTo, QString::number(DomeAbsPosN[0].value + motion_ * kMotionStep, 'f', 2));
  if (!s || !s->connected) {
    motion_ = 0;
    return IPS_ALERT;
  }
  return IPS_BUSY;
}

bool OrvanDome::Abort() {
  motion_ = 0;
  parking_ = false;
  const auto s = request(domewire::kStop);
  if (s) show(*s);
  return s.has_value();
}

IPState OrvanDome::ControlShutter(ShutterOperation operation) {
  const auto s = request(domewire::kSlit, operation == SHUTTER_OPEN ? QStringLiteral("1") : QStringLiteral("-1"));
  if (!s || !s->connected) return IPS_ALERT;
  const int done = operation == SHUTTER_OPEN ? 2 : -2;
  return s->slit == done ? IPS_OK : IPS_BUSY;
}

IPState OrvanDome::Park() {
  motion_ = 0;
  const auto s = request(domewire::kAskState);
  if (!s || !s->connected) return IPS_ALERT;
  if (!s->parkAzimuth) {
    LOG_ERROR("The controller has no park azimuth for the dome (DOME/HomePosition).");
    return IPS_ALERT;
  }
  const auto after = request(domewire::kPark);
  if (!after) return IPS_ALERT;
  // The Options tab's slit policy: INDI offers it, each driver keeps it.
  if (ShutterParkPolicyS[SHUTTER_CLOSE_ON_PARK].s == ISS_ON && after->slit != -2) {
    LOG_INFO("Closing the slit for the park.");
    INDI::Dome::ControlShutter(SHUTTER_CLOSE);
  }
  if (after->atPark) return IPS_OK;
  parking_ = true;
  return IPS_BUSY;
}

IPState OrvanDome::UnPark() {
  parking_ = false;
  if (ShutterParkPolicyS[SHUTTER_OPEN_ON_UNPARK].s == ISS_ON) {
    LOG_INFO("Opening the slit after the park.");
    INDI::Dome::ControlShutter(SHUTTER_OPEN);
  }
  return IPS_OK;
}

}  // namespace orvan
