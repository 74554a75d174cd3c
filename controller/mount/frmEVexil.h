#pragma once
// The E-Vexil stepping-motor controller. It knows nothing of the sky: it reports its two axis
// counters and moves an axis by so many counts. The driver works out the sky position from
// the counts (counters plus the offset that syncs set), turns a goto into two relative moves
// with an optional backlash approach, and syncs on the computer side only.
#include "SerialMountDriver.h"

#include <optional>

namespace orvan {

class frmEVexil final : public SerialMountDriver {
  Q_OBJECT
 public:
  frmEVexil(SharedState& state, MountHost& host, ACal2& cal, const QString& iniPath,
            std::unique_ptr<SerialLink> link = nullptr, QObject* parent = nullptr);

  bool cmdConnect(bool open) override;
  // "RD" (counts per turn), "PA", "GP" (the counters); TelState unchanged.
  void cmdStartUP() override;
  // The controller has no stand-by, no site and no clock.
  int16_t cmdStandBy(bool) override { return 0; }
  void SendIdo() override {}
  void SendStime() override {}
  void cmdMove(const QString& direction, int16_t speed) override;
  void cmdStatus() override;
  void cmdStop() override;
  void cmdTrucking() override { cmdMove(QString(), 9); }
  bool SendZsync() override;
  // Puts the counts per turn this controller reported back into the shared state.
  void Selected() override;

  // The last "ST" reply.
  QString LastST() const { return lastST_; }
  // Both axes' counts per turn are known (not 0): only then can a position be worked out.
  bool CountsPerTurnKnown() const { return rev_[0] != 0 && rev_[1] != 0; }

  // Two 8-digit hexadecimal fields at characters 4-11 and 13-20 of a reply, as signed 32-bit
  // counts; nothing when either is missing or not hexadecimal.
  static std::optional<std::pair<int32_t, int32_t>> ParseCountPair(const QString& reply);
  // The magnitude of a count as 8 upper-case hexadecimal digits.
  static QString Hex8(long long count);

 protected:
  // The mount stopped first, no half second: the counters must not move while they are read.
  void BeforeStartUp() override { cmdStop(); }
  // The goto stops the mount and reads its counters afresh; a sync moves nothing.
  bool PrepareMotion(Purpose p) override;
  void AxisMoves(double ra, double dec, AxisMove& move) const override;
  int32_t EncoderLogValue(int axis) const override;
  bool EncoderLogWritable() const override { return CountsPerTurnKnown(); }
  // Every conversion divides by the counts per turn: nothing moves without them.
  bool CanMove() const override { return CanCommand() && CountsPerTurnKnown(); }
  // Two relative moves, the hour axis past the target by the overrun for the approach.
  bool SendGoto(double ra, double& dec, const AxisMove& move, bool approach) override;
  // Nothing reaches the controller: the offset makes its counters read as the target.
  bool SendSync(double ra, double& dec, const AxisMove& move) override;
 private:
  // Waits for the port, then one transaction; empty when the port stayed busy.
  QString Send(const QString& cmd);
  // "GP" into AxisPos, AxisDisp folded; false when the reply gave no counters.
  bool ReadCounters();
  // "ST": the letters of both axes into TelStatus(6..10); true when both axes are idle.
  // Nothing changes for a reply whose letters are not the controller's.
  std::optional<bool> ReadMotionState();
  // A goto that ended: the final approach, the delay, or the hand-over to the main loop.
  // False when the status read ends there.
  bool FinishGoto();
  // After a goto, tracking again: the hour axis catches up the sky's motion during the slew.
  // True when a trim move was sent (the goto ends once it is over).
  bool TrimHourAxis();
  // Moves both axes by (d1, d2) counts (positive: reverse). A move whose "OK" was not heard
  // may have been taken or not: the mount is stopped, its counters read, and only what is
  // still missing is sent. False when the moves could not be made.
  bool MoveAxes(long long d1, long long d2);
  // The hour-axis trim after the goto is running: its end is the goto's end.
  bool trimming_ = false;

  int32_t rev_[2] = {0, 0};
  QString lastST_;
  bool inStatus_ = false;
};

}  // namespace orvan
