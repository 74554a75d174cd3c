#pragma once
// The Temma family: Temma2M, Temma2 and TemmaPC, told apart by the model label. They speak a
// single-letter command set at 19200 baud, even parity; most commands get no answer, the
// position ("E") carries the side of the pier and a letter for a finished goto.
#include "SerialMountDriver.h"

#include <optional>

namespace orvan {

class frmTemma2M final : public SerialMountDriver {
  Q_OBJECT
 public:
  frmTemma2M(SharedState& state, MountHost& host, ACal2& cal, const QString& iniPath,
             std::unique_ptr<SerialLink> link = nullptr, QObject* parent = nullptr);

  bool cmdConnect(bool open) override;
  void cmdStartUP() override;
  int16_t cmdStandBy(bool on) override;
  void SendIdo() override;
  void SendStime() override;
  void cmdMove(const QString& direction, int16_t speed) override;
  void cmdStatus() override;
  void cmdStop() override;
  bool SendZsync() override;
  void Selected() override;

  // The label lblTemmaType: "Temma2M" is the newest model; every other caption an older one.
  QString lblTemmaType() const { return modelText(); }
  bool isTemma2M() const { return modelText() == u"Temma2M"; }
  QString PierSide() const { return pierSide_; }
  QString sideOfPier() const override { return tubeSide_; }
  bool StandByFlag() const { return standBy_; }

  // The goto and sync position: "hhmmcc" (cc hundredths of a minute), the sign (a blank for
  // exactly 0), "ddmmt" (t tenths of a minute, lowered to an even digit).
  static QString PositionText(double ra, double dec);
  // "E" hhmmcc sddmmt and the side letter (E, W, or F for a finished goto), every field a number
  // in its range; nothing for any other reply.
  struct Position {
    double ra, dec;
    QChar side;
  };
  static std::optional<Position> ParsePosition(const QString& reply);
  // The site commands: "I" and "K" with the site's own sign (north and east "+").
  QString LatitudeCommand() const;
  QString LongitudeCommand() const;

 protected:
  // The controller keeps its own position: no encoder log is read at connecting.
  void AfterStartUp() override {}
  // Closing logs the axes even after communication failed, but only what was read from the
  // mount in this session: a log never heard from the mount would overwrite the last good one.
  int32_t EncoderLogValue(int axis) const override;
  bool EncoderLogWritable() const override { return positionRead_; }
  // A sync only while the mount stands (the controller would take the moving position as
  // the star's); a goto as every family.
  bool PrepareMotion(Purpose p) override;
  // Only the older models approach from one side.
  bool ApproachAfter(const AxisMove& move) const override;
  // "P" and the target, past it by the overrun for the approach.
  bool SendGoto(double ra, double& dec, const AxisMove& move, bool approach) override;
  // The side of the pier ("PT" when it changes), site and time, then "D" and the position.
  bool SendSync(double ra, double& dec, const AxisMove& move) override;

 private:
  // A goto that the controller reports finished ("F"): the final approach, the delay, or the
  // hand-over to the main loop. False when the status read ends there.
  bool FinishGoto();
  // The start-up position was none ("E000000+00000E"): the logged axes become the mount's.
  void RestoreFromLog();

  QString pierSide_;
  // The last side letter proper ("E" or "W"): after a goto the controller reports "F" instead,
  // and a sync must not take that for the other side of the pier.
  QString tubeSide_;
  bool standBy_ = false;
  bool positionRead_ = false;
  // The last position read during the goto, to see it settle at the target.
  double prevRa_ = -1, prevDec_ = 0;
  bool inStatus_ = false;
};

}  // namespace orvan
