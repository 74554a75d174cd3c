#pragma once
// A simulated Quarn serial dome controller with its dome. The controller counts three
// encoders (3 is the dome's) and switches 32 relay outputs. Every command is a line ending
// with a carriage return ("#" before it is welcome) and is answered with one line:
//   $00               all outputs off                       -> "$00"
//   $11               the counts, 24-bit offset binary      -> "$11 eeeeee eeeeee eeeeee"
//                     (encoder 3, the dome, at characters 19 to 24)
//   $12 + 32 chars    outputs: "1" on, "0" off, else kept   -> "$12"
//   $13               the outputs as two 4-digit hex groups -> "$13hhhhhhhh", output 1 the
//                     top bit of the first group, output 17 of the second
//   $0n + 6 hex       presets encoder n (1..3)              -> "$0n"
//   $07 + 6 hex       the dome count loaded at the home mark -> "$07"
//   $09 + 4 hex       0010 arms the home mark, 0000 disarms -> "$09"
//   $0A               home mark report                      -> "$0A03z", z "0" = passed
// Anything else is answered "$NG". At power-up every output reads "1" and no motor runs
// until the outputs are first set. Faults of a real installation, as options: the outputs a
// killed program left switched on (the relays are latched), count replies that arrive
// garbled, cut or empty, and a controller that answers late and in pieces. The motors are wired as relay entries 21 to 26 of the
// program folder's settings say; the dome turns at a set rate with run-on, the slit takes
// its time, and the encoder's index mark sits at the home azimuth.
#include "SimDevice.h"
#include "SimulatedDome.h"
#include "RelayWiring.h"

#include <QElapsedTimer>
#include <QObject>
#include <array>

namespace orvan::sim {

struct QuarnConfig {
  std::array<QString, 6> relayPatterns;  // relay entries 21 .. 26
  double countsPerDegree = 10;           // signed
  orvan::SimulatedDomeParameters dome;
  // Outputs on at start as a killed program left them ("1" on, anything else off, character
  // k = output k); empty: the power-up state.
  QString outputsAtStart;
  // Every count reply in turn garbled, cut, empty.
  bool garbleCounts = false;
  // Each reply arrives this late, its first half after half the time.
  int replyDelayMs = 0;
  // Reads RELAY $021..$026, DOME ENC3_PULSES, UpDown and SLIT_TIMER of FOLDER/OrvanMirel.ini.
  static QuarnConfig fromFolder(const QString& folder);
};

class QuarnDevice final : public SimDevice {
 public:
  // `now` gives seconds on a monotonic scale (tests pass their own).
  explicit QuarnDevice(const QuarnConfig& config, std::function<double()> now = {});

  void receive(const QByteArray& bytes) override;
  QString stateText() override;
  // glitch: the next count of the dome is half a turn off. stick N 0|1|off: output N reads
  // back as given whatever was set. azimuth A: pushes the dome to A degrees. garble-counts
  // on|off: count replies garbled, cut or empty from now on, or good again.
  QString control(const QStringList& words) override;

  const orvan::SimulatedDome& dome() const { return dome_; }
  uint32_t outputs() const { return outputs_; }

 private:
  void advance();
  void answer(const QByteArray& line);
  QByteArray execute(const QByteArray& body);  // without the line ending and "#"
  QByteArray counts();
  uint32_t reported() const { return (outputs_ & ~stuckMask_) | (stuckValue_ & stuckMask_); }

  QuarnConfig config_;
  orvan::RelayWiring wiring_;
  orvan::SimulatedDome dome_;
  std::function<double()> now_;
  double last_ = 0;
  QByteArray pending_;
  uint32_t outputs_ = 0xFFFFFFFFu;
  bool driven_ = false;  // outputs set since power-up
  std::array<double, 3> encoder_{};
  double homePreset_ = 0;
  bool homeArmed_ = false, homePassed_ = false;
  bool glitch_ = false;
  uint32_t stuckMask_ = 0, stuckValue_ = 0;
  int rejected_ = 0;
  bool garbleCounts_ = false;
  int garbled_ = 0;
  QObject late_;  // owns the timers of late replies
};

}  // namespace orvan::sim
