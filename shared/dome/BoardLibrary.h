#pragma once
// The board library loaded at run time (BoardLibraryApi.h): the dome driver's view of it. A
// library that cannot be loaded, or lacks a function, still gives a board; its calls fail,
// and the first function it lacks is named, so the driver ends as on any library failure.
#include "Epx30sc.h"

#include <QLibrary>
#include <QString>

namespace orvan {

class LoadedEpx30sc final : public Epx30sc {
 public:
  LoadedEpx30sc(const QString& path, QString programFolder, QString iniPath);

  // Empty when every function was found; otherwise the first missing one (or, when the
  // library did not load, "EPX30SC_GetNumberOfDevices").
  QString missingFunction() const override { return missing_; }
  // Why the library is unusable, for the log; empty when it is usable.
  QString problem() const { return problem_; }
  QString path() const { return library_.fileName(); }

  int32_t EPX30SC_GetNumberOfDevices(int32_t& count) override;
  int32_t EPX30SC_Open(int32_t& handle) override;
  int32_t EPX30SC_Close(int32_t handle) override;
  int32_t EPX30SC_SetCounterMode(int32_t handle, int32_t mode) override;
  int32_t EPX30SC_SetCounterDirection(int32_t handle, int32_t direction) override;
  int32_t EPX30SC_SetCounterControl(int32_t handle, int32_t control) override;
  int32_t EPX30SC_ResetCounter(int32_t handle) override;
  int32_t EPX30SC_GetCounterValue(int32_t handle, int32_t& value) override;
  int32_t EPX30SC_GetCounterLatchFlag(int32_t handle, int32_t& flag) override;
  int32_t EPX30SC_GetCounterLatchValue(int32_t handle, int32_t& value) override;
  int32_t EPX30SC_SetPortDirection(int32_t handle, int32_t port, int32_t direction) override;
  int32_t EPX30SC_GetPortDirection(int32_t handle, int32_t port, uint8_t& direction) override;
  int32_t EPX30SC_OutputPort(int32_t handle, int32_t port, uint8_t value) override;
  int32_t EPX30SC_InputPort(int32_t handle, int32_t port, uint8_t& value) override;
  bool isSimulated() const override { return simulated_; }

  // What a call of a function the library lacks returns.
  static constexpr int32_t kMissing = -1;

 private:
  template <typename F>
  F resolve(const char* name);
  void configure();

  QLibrary library_;
  QString folder_, ini_, missing_, problem_;
  bool simulated_ = false;
  int32_t (*getNumberOfDevices_)(int32_t*) = nullptr;
  int32_t (*open_)(int32_t*) = nullptr;
  int32_t (*close_)(int32_t) = nullptr;
  int32_t (*setCounterMode_)(int32_t, int32_t) = nullptr;
  int32_t (*setCounterDirection_)(int32_t, int32_t) = nullptr;
  int32_t (*setCounterControl_)(int32_t, int32_t) = nullptr;
  int32_t (*resetCounter_)(int32_t) = nullptr;
  int32_t (*getCounterValue_)(int32_t, int32_t*) = nullptr;
  int32_t (*getCounterLatchFlag_)(int32_t, int32_t*) = nullptr;
  int32_t (*getCounterLatchValue_)(int32_t, int32_t*) = nullptr;
  int32_t (*setPortDirection_)(int32_t, int32_t, int32_t) = nullptr;
  int32_t (*getPortDirection_)(int32_t, int32_t, uint8_t*) = nullptr;
  int32_t (*outputPort_)(int32_t, int32_t, uint8_t) = nullptr;
  int32_t (*inputPort_)(int32_t, int32_t, uint8_t*) = nullptr;
  void (*simConfigure_)(const char*, const char*) = nullptr;
};

// The library the settings and the program folder name (see BoardLibraryApi.h).
QString BoardLibraryPath(const QString& programFolder, const QString& iniPath);

}  // namespace orvan
