#include "BoardLibrary.h"

#include "IniFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcBoard, "orvan.board", QtWarningMsg)

namespace orvan {

QString BoardLibraryPath(const QString& programFolder, const QString& iniPath) {
  const QDir folder(programFolder);
  const QString set = ReadIni(iniPath, QStringLiteral("DOME"), QStringLiteral("BoardLibrary")).trimmed();
  if (!set.isEmpty()) return folder.absoluteFilePath(set);
  const QString vendor = folder.absoluteFilePath(QStringLiteral("libEPX30SC.so"));
  if (QFileInfo::exists(vendor)) return vendor;
  // The simulated board: beside the settings, else beside the program (the build, the install).
  // (In a folder of its own: a library beside the programs in /usr/lib/<name> would be taken
  // for a system library by the package tools.)
  const QString sim = QStringLiteral("boards/libepx30sc-sim.so");
  if (QFileInfo::exists(folder.absoluteFilePath(sim))) return folder.absoluteFilePath(sim);
  const QString programDir = QCoreApplication::instance() ? QCoreApplication::applicationDirPath()
                                                          : QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
  return QDir(programDir).absoluteFilePath(sim);
}

template <typename F>
F LoadedEpx30sc::resolve(const char* name) {
  auto f = reinterpret_cast<F>(library_.resolve(name));
  if (!f && missing_.isEmpty()) {
    missing_ = QString::fromLatin1(name);
    problem_ = library_.fileName() + QStringLiteral(": no function ") + missing_;
  }
  return f;
}

LoadedEpx30sc::LoadedEpx30sc(const QString& path, QString programFolder, QString iniPath)
    : library_(path), folder_(std::move(programFolder)), ini_(std::move(iniPath)) {
  if (!library_.load()) {
    missing_ = QStringLiteral("EPX30SC_GetNumberOfDevices");
    problem_ = library_.errorString();
    qCWarning(lcBoard).noquote() << "the board library cannot be loaded:" << problem_;
    return;
  }
  getNumberOfDevices_ = resolve<decltype(getNumberOfDevices_)>("EPX30SC_GetNumberOfDevices");
  open_ = resolve<decltype(open_)>("EPX30SC_Open");
  close_ = resolve<decltype(close_)>("EPX30SC_Close");
  setCounterMode_ = resolve<decltype(setCounterMode_)>("EPX30SC_SetCounterMode");
  setCounterDirection_ = resolve<decltype(setCounterDirection_)>("EPX30SC_SetCounterDirection");
  setCounterControl_ = resolve<decltype(setCounterControl_)>("EPX30SC_SetCounterControl");
  resetCounter_ = resolve<decltype(resetCounter_)>("EPX30SC_ResetCounter");
  getCounterValue_ = resolve<decltype(getCounterValue_)>("EPX30SC_GetCounterValue");
  getCounterLatchFlag_ = resolve<decltype(getCounterLatchFlag_)>("EPX30SC_GetCounterLatchFlag");
  getCounterLatchValue_ = resolve<decltype(getCounterLatchValue_)>("EPX30SC_GetCounterLatchValue");
  setPortDirection_ = resolve<decltype(setPortDirection_)>("EPX30SC_SetPortDirection");
  getPortDirection_ = resolve<decltype(getPortDirection_)>("EPX30SC_GetPortDirection");
  outputPort_ = resolve<decltype(outputPort_)>("EPX30SC_OutputPort");
  inputPort_ = resolve<decltype(inputPort_)>("EPX30SC_InputPort");
  if (!missing_.isEmpty()) qCWarning(lcBoard).noquote() << "the board library is incomplete:" << problem_;
  simConfigure_ = reinterpret_cast<decltype(simConfigure_)>(library_.resolve("EPX30SC_Sim_Configure"));
  using IsSim = int32_t (*)();
  if (auto isSim = reinterpret_cast<IsSim>(library_.resolve("EPX30SC_Sim_IsSimulated"))) simulated_ = isSim() == 1;
}

void LoadedEpx30sc::configure() {
  // The simulated board lives in the program folder and wires its dome as the settings say.
  if (simConfigure_) simConfigure_(folder_.toUtf8().constData(), ini_.toUtf8().constData());
}

// A lacking library fails every call, so nothing is switched on a half-loaded board.
#define ORVAN_CALL(fn, ...) (missing_.isEmpty() && fn ? fn(__VA_ARGS__) : kMissing)

int32_t LoadedEpx30sc::EPX30SC_GetNumberOfDevices(int32_t& count) {
  configure();
  return ORVAN_CALL(getNumberOfDevices_, &count);
}
int32_t LoadedEpx30sc::EPX30SC_Open(int32_t& handle) {
  configure();
  return ORVAN_CALL(open_, &handle);
}
int32_t LoadedEpx30sc::EPX30SC_Close(int32_t h) { return ORVAN_CALL(close_, h); }
int32_t LoadedEpx30sc::EPX30SC_SetCounterMode(int32_t h, int32_t m) { return ORVAN_CALL(setCounterMode_, h, m); }
int32_t LoadedEpx30sc::EPX30SC_SetCounterDirection(int32_t h, int32_t d) { return ORVAN_CALL(setCounterDirection_, h, d); }
int32_t LoadedEpx30sc::EPX30SC_SetCounterControl(int32_t h, int32_t c) { return ORVAN_CALL(setCounterControl_, h, c); }
int32_t LoadedEpx30sc::EPX30SC_ResetCounter(int32_t h) { return ORVAN_CALL(resetCounter_, h); }
int32_t LoadedEpx30sc::EPX30SC_GetCounterValue(int32_t h, int32_t& v) { return ORVAN_CALL(getCounterValue_, h, &v); }
int32_t LoadedEpx30sc::EPX30SC_GetCounterLatchFlag(int32_t h, int32_t& f) { return ORVAN_CALL(getCounterLatchFlag_, h, &f); }
int32_t LoadedEpx30sc::EPX30SC_GetCounterLatchValue(int32_t h, int32_t& v) { return ORVAN_CALL(getCounterLatchValue_, h, &v); }
int32_t LoadedEpx30sc::EPX30SC_SetPortDirection(int32_t h, int32_t p, int32_t d) { return ORVAN_CALL(setPortDirection_, h, p, d); }
int32_t LoadedEpx30sc::EPX30SC_GetPortDirection(int32_t h, int32_t p, uint8_t& d) { return ORVAN_CALL(getPortDirection_, h, p, &d); }
int32_t LoadedEpx30sc::EPX30SC_OutputPort(int32_t h, int32_t p, uint8_t v) { return ORVAN_CALL(outputPort_, h, p, v); }
int32_t LoadedEpx30sc::EPX30SC_InputPort(int32_t h, int32_t p, uint8_t& v) { return ORVAN_CALL(inputPort_, h, p, &v); }

#undef ORVAN_CALL

std::unique_ptr<Epx30sc> OpenBoardLibrary(const QString& programFolder, const QString& iniPath) {
  return std::make_unique<LoadedEpx30sc>(BoardLibraryPath(programFolder, iniPath), programFolder, iniPath);
}

void SwitchBoardOutputsOff(Epx30sc& board) {
  int32_t count = 0, handle = 0;
  if (!board.missingFunction().isEmpty() || board.EPX30SC_GetNumberOfDevices(count) != 0 || count == 0) return;
  if (board.EPX30SC_Open(handle) != 0) return;
  // Only the relay ports: port 2's direction is the board's memory of the home.
  board.EPX30SC_OutputPort(handle, 0, 0);
  board.EPX30SC_OutputPort(handle, 1, 0);
  board.EPX30SC_Close(handle);
}

}  // namespace orvan
