#pragma once
// How a simulated dome is wired to its relay outputs (16 on the USB board, 32 on the serial
// controller), learnt from the relay patterns of the settings the way an electrician wires a
// real dome: the motor that pattern 21 starts runs whenever the outputs show what pattern 21 sets ("1"/"0" characters), and so
// on for 22 (rotate towards increasing azimuth), 24 (open the slit) and 25 (close it).
// A pattern without a "1" energises nothing, so it drives no motor. When the outputs match
// both directions of one motor, the reversing contactor's interlock keeps it stopped.
#include <QString>
#include <array>
#include <cstdint>

namespace orvan {

class RelayWiring {
 public:
  // patterns[k] is relay entry 21 + k (21 .. 26).
  explicit RelayWiring(const std::array<QString, 6>& patterns);

  // Motor directions for the output word (bit k-1 = output k): -1, 0 or 1.
  int rotation(uint32_t outputs) const;  // -1 decreasing azimuth, 1 increasing
  int slit(uint32_t outputs) const;      // 1 opening, -1 closing

  // One line for the status file: which outputs each motor listens to.
  QString describe() const;
  bool drivesRotation() const { return left_.ones != 0 && right_.ones != 0; }

 private:
  struct Match {
    uint32_t ones = 0;   // outputs that must be on
    uint32_t zeros = 0;  // outputs that must be off
    bool matches(uint32_t out) const { return ones != 0 && (out & ones) == ones && (out & zeros) == 0; }
  };
  static Match learn(const QString& pattern);
  static int direction(const Match& minus, const Match& plus, uint32_t out);

  Match left_, right_, open_, close_;
};

}  // namespace orvan
