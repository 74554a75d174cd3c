#pragma once
// The RST-400's homing window: which start-up settings reached the HUBO-i controller, the
// home search and its state, the axis offset found at home. Always on top; its own close
// box only saves its position (the window stays), the program closes it through Unload.
#include "Rst400HomingView.h"
#include "WindowPosition.h"

#include <QTimer>
#include <QWidget>
#include <array>
#include <optional>

class QLabel;
class QListWidget;
class QPushButton;

namespace orvan {

class MountHost;
class frmRST400;
struct SharedState;

class frmRST400Homing final : public QWidget, public Rst400HomingView {
  Q_OBJECT
 public:
  frmRST400Homing(frmRST400& driver, MountHost& host, SharedState& state, QWidget* parent = nullptr);
  ~frmRST400Homing() override;

  // Rst400HomingView
  void SetShown(bool shown) override;
  void Unload() override;
  void MarkSent(int step) override;

  // ":GH#" and the state it shows.
  void GetHomeStatus();
  // The mount's altitude and azimuth at home; unless they are the controller's "no position"
  // (altitude 0, azimuth 270 degrees) the axis offset is stored in HUBO/EncOfs1..2.
  void HOMEoffset();
  void btnHOME_Click();
  void HOMEtimer_Timer();

  // ":GA+dd*mm:ss.s#" and ":GZddd*mm:ss.s#" in arcseconds; nothing for any other reply.
  static std::optional<double> ParseAltitude(const QString& reply);
  static std::optional<double> ParseAzimuth(const QString& reply);

  bool loaded() const { return loaded_; }
  bool BlinkOn = false;
  QTimer HOMEtimer;
  std::array<QLabel*, 3> lblStatus{};
  std::array<QLabel*, 4> Label1{};
  QLabel* lblHOME = nullptr;
  QPushButton* btnHOME = nullptr;
  QListWidget* List1 = nullptr;
  QPushButton* Command1 = nullptr;

 protected:
  void closeEvent(QCloseEvent* e) override;

 private:
  void Load();
  void ShowHome(int backBgr, int foreBgr, bool visible, const QString& caption);
  void Note(const QString& text);

  frmRST400& driver_;
  MountHost& host_;
  SharedState& state_;
  WindowPosition position_;
  bool loaded_ = false;
  bool unloading_ = false;
  QString lastCaption_;
};

// A colour as VB keeps it (0x00BBGGRR) as a style-sheet colour.
QString BgrCss(int bgr);

}  // namespace orvan
