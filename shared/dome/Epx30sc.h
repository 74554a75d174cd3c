#pragma once
// The USB counter and digital-I/O board library, reduced to the functions the dome driver
// calls. Every function returns a result code, 0 = success. The meaning of the counter mode,
// direction and control codes is the library's own; the driver only passes them on.
#include <QString>
#include <cstdint>
#include <memory>

namespace orvan {

class Epx30sc {
 public:
  virtual ~Epx30sc() = default;

  virtual int32_t EPX30SC_GetNumberOfDevices(int32_t& count) = 0;
  virtual int32_t EPX30SC_Open(int32_t& handle) = 0;
  virtual int32_t EPX30SC_Close(int32_t handle) = 0;
  virtual int32_t EPX30SC_SetCounterMode(int32_t handle, int32_t mode) = 0;
  virtual int32_t EPX30SC_SetCounterDirection(int32_t handle, int32_t direction) = 0;
  virtual int32_t EPX30SC_SetCounterControl(int32_t handle, int32_t control) = 0;
  virtual int32_t EPX30SC_ResetCounter(int32_t handle) = 0;
  virtual int32_t EPX30SC_GetCounterValue(int32_t handle, int32_t& value) = 0;
  // 1 when the counter was latched at the index mark since the last latch read.
  virtual int32_t EPX30SC_GetCounterLatchFlag(int32_t handle, int32_t& flag) = 0;
  // The latched count; reading it clears the latch.
  virtual int32_t EPX30SC_GetCounterLatchValue(int32_t handle, int32_t& value) = 0;
  // 1 = output, 0 = input. The board keeps the code while it is powered, across program runs.
  virtual int32_t EPX30SC_SetPortDirection(int32_t handle, int32_t port, int32_t direction) = 0;
  virtual int32_t EPX30SC_GetPortDirection(int32_t handle, int32_t port, uint8_t& direction) = 0;
  virtual int32_t EPX30SC_OutputPort(int32_t handle, int32_t port, uint8_t value) = 0;
  virtual int32_t EPX30SC_InputPort(int32_t handle, int32_t port, uint8_t& value) = 0;

  // Not a library function: true when no real board is behind this interface.
  virtual bool isSimulated() const = 0;
  // Not a library function: the first function a loaded library lacks (empty when none).
  virtual QString missingFunction() const { return {}; }
};

// The board library the settings and the program folder name, loaded at run time (see
// BoardLibraryApi.h): a vendor's library, an adapter, or the simulated board.
std::unique_ptr<Epx30sc> OpenBoardLibrary(const QString& programFolder, const QString& iniPath);
// Switches the relay outputs off on a board a killed program may have left running, before
// anything else touches the dome. Nothing is reported: a board that cannot be reached now is
// reported when the dome connects.
void SwitchBoardOutputsOff(Epx30sc& board);

}  // namespace orvan
