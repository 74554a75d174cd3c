#pragma once
// The RST-400 mount with its HUBO-i controller. The controller speaks an extended LX200
// language, so this is the LX200 driver with the differences of the family: 115200 baud, a
// carriage return after every command, set and motion commands never answered, the extended
// position replies (":GR12:34:56.7#"), tracking on and off (":CtA#"/":CtL#") and a home
// search watched by the homing window.
#include "frmLX200.h"

#include <optional>

namespace orvan {

class Rst400HomingView;

class frmRST400 final : public frmLX200 {
  Q_OBJECT
 public:
  frmRST400(SharedState& state, MountHost& host, ACal2& cal, const QString& iniPath,
            std::unique_ptr<SerialLink> link = nullptr, QObject* parent = nullptr);

  bool cmdConnect(bool open) override;
  void cmdStartUP() override;
  // Tracking off, whatever the argument: the HUBO-i has no stand-by of its own to leave.
  int16_t cmdStandBy(bool on) override;
  void cmdStop() override;
  void cmdTrucking() override;
  void Selected() override;
  void Deselected() override;
  void ShowHomingWindow(bool visible) override;
  void UnloadHomingWindow() override;

  // The label lblHUBOType: the position replies are read only while it reads "RST400".
  QString lblHUBOType() const { return modelText(); }
  void setHomingView(Rst400HomingView* view) { view_ = view; }

  // The start-up switches HUBO/LocalData0..2: on when the value reads as exactly 1.
  bool LocalData(int k) const;
  // Texts of the start-up and goto commands.
  QString SiteLongitudeCommand() const;  // ":Sg220*15.20#"
  QString SiteLatitudeCommand() const;   // ":St+35*40:00.0#"
  static QString TargetRaCommand(double ra);    // ":Sr12:34:56.0#"
  static QString TargetDecCommand(double dec);  // ":Sd-10*00:45.0#"
  // The extended replies: ":GR" hh ":" mm ":" ss.s "#" (14 characters) and ":GD" sign dd
  // separator mm separator ss.s "#" (15), every field a number in its range; nothing for any
  // other reply (":Gr"/":Gd" read-backs have the same forms).
  static std::optional<double> ParseRa(const QString& reply);
  static std::optional<double> ParseDec(const QString& reply);

 protected:
  bool ReadPosition() override;
  // No tracking or stop command before a goto: the goto switches tracking off itself.
  bool PrepareMotion(Purpose) override;
  // The mount is told where it points wherever that is.
  bool HorizonTestFor(Purpose p) const override { return p == Purpose::Goto; }
  // The homing's axis offsets (HUBO EncOfs1/EncOfs2) rather than the encoder log, which this
  // family writes as 0.
  void AfterStartUp() override;
  // The target with its read-back (a sync sends it too, before ":CM#").
  bool SendCoordinates(double ra, double& dec) override;
  // The target checked, then tracking off (":CtL#") and ":MS#".
  bool SendGoto(double ra, double& dec, const AxisMove& move, bool approach) override;
  // Every goto switched tracking off: on again at the target.
  void Arrived() override;

 private:
  void MarkSent(int step);
  // Sends the target and reads it back; false when the controller holds another target (or
  // communication was given up), so no slew or sync runs on the target before.
  bool SendTarget(double ra, double dec);

  Rst400HomingView* view_ = nullptr;
};

}  // namespace orvan
