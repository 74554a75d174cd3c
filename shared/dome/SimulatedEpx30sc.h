#pragma once
// A USB counter and I/O board with a dome attached, for rehearsals and tests on a machine
// without the board. It lives in the program folder:
//   EPX30SC.state    what the board remembers while it is powered: port directions (the home
//                    memory), output ports, counter, latch. Deleting it is a power cycle.
//   EPX30SC.status   written as the dome moves, for anyone watching from outside: outputs,
//                    motors, true azimuth, slit, counter. The dome's position is read back
//                    from it at the next start (a dome does not move while the program is away).
//   EPX30SC.weather  the byte on input port 2 as a decimal number (255 = no alarm, 243 power
//                    failure, 252 rain, 240 both); absent = 255. Anyone may write it.
// Relay outputs drive the dome through the wiring learnt from relay entries 21 to 26.
#include "Epx30sc.h"
#include "RelayWiring.h"
#include "SimulatedDome.h"

#include <QLockFile>
#include <QString>
#include <array>
#include <functional>
#include <memory>

namespace orvan {

struct SimulatedBoardConfig {
  std::array<QString, 6> relayPatterns;  // relay entries 21 .. 26
  int32_t pulsesPerTurn = 3600;          // ENC3_PULSES
  bool countsUp = true;                  // UpDown = 1: the raw count grows with azimuth
  SimulatedDomeParameters dome;          // countsPerDegree is derived from the two above

  // Reads RELAY $021..$026, DOME ENC3_PULSES, UpDown and SLIT_TIMER.
  static SimulatedBoardConfig fromSettings(const QString& iniPath);
};

class SimulatedEpx30sc final : public Epx30sc {
 public:
  // `now` gives seconds on any monotonic scale; the default is the system's monotonic clock.
  SimulatedEpx30sc(const QString& folder, const SimulatedBoardConfig& config,
                   std::function<double()> now = {});
  ~SimulatedEpx30sc() override;

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
  bool isSimulated() const override { return true; }

  // For tests and rehearsals in the same process.
  const SimulatedDome& dome() const { return dome_; }
  uint16_t outputs() const { return static_cast<uint16_t>(port_[0] | (port_[1] << 8)); }
  void setWeatherByte(int value);  // writes EPX30SC.weather
  void advanceNow();               // brings the mechanics up to the present
  void setDomeAzimuth(double azimuth);  // moves the dome by hand (a power-off push)

  static constexpr int32_t kHandle = 0x3051;
  static constexpr int32_t kErrorNotOpen = 2;
  static constexpr int32_t kErrorBadPort = 3;
  static constexpr int32_t kErrorInUse = 4;

 private:
  bool valid(int32_t handle) const { return open_ && handle == kHandle; }
  void advance();
  void loadState();
  void saveState();
  void loadStatus();
  void writeStatus();
  void persist(bool force);
  int readWeather() const;
  struct Fingerprint {
    long long counter, azimuth, speed, slit;
    int32_t latchValue, latchFlag, counterMode, counterDirection, counterControl;
    uint16_t outputs;
    std::array<uint8_t, 3> direction;
    bool open;
    bool operator==(const Fingerprint&) const = default;
  };
  Fingerprint fingerprint() const;

  QString folder_;
  SimulatedBoardConfig config_;
  RelayWiring wiring_;
  SimulatedDome dome_;
  std::function<double()> now_;
  double lastTime_ = 0;
  double lastPersist_ = -1e9;
  double lastFullPersist_ = -1e9;
  int lastWeather_ = -1;  // the weather byte the status file last showed
  Fingerprint lastFingerprint_{};
  QByteArray lastState_, lastStatus_;  // what the two files hold now
  bool open_ = false;
  std::unique_ptr<QLockFile> lock_;

  // Board memory, kept while powered.
  std::array<uint8_t, 3> direction_{};
  std::array<uint8_t, 2> port_{};
  double counter_ = 0;
  int32_t latchFlag_ = 0;
  int32_t latchValue_ = 0;
  int32_t counterMode_ = 0, counterDirection_ = 0, counterControl_ = 0;
};

}  // namespace orvan
