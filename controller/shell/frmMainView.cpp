// What the observatory shows on the window and asks of it, the hand controller's buttons, the
// sync dialog and the document window.
#include "frmMain.h"

#include "CommPorts.h"
#include "DomeLoop.h"
#include "DomePanel.h"
#include "PortAccess.h"
#include "ProgramFolder.h"
#include "EventLoop.h"
#include "SmallWindows.h"
#include "frmDocument.h"
#include "frmRST400.h"
#include "frmRST400Homing.h"
#include "frmSensor.h"
#include "frmSync.h"

#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>

namespace orvan {

namespace {
const QString kNormal = QStringLiteral("background: rgb(64,64,0); color: white;");
const QString kPressed = QStringLiteral("background: rgb(255,255,0); color: black;");
QString colour(int r, int g, int b) { return QStringLiteral("background: rgb(%1,%2,%3);").arg(r).arg(g).arg(b); }
}  // namespace

// ---- the window ---------------------------------------------------------------------------------

void frmMain::setTopmost() { setWindowFlag(Qt::WindowStaysOnTopHint, true); }

void frmMain::restorePosition() {
  iniPath_ = obs_->IniPath();
  position_.Restore();
}

void frmMain::savePosition() { position_.Save(); }

void frmMain::showAlreadyRunning(const QString& programTitle) {
  frmAlreadyRunning notice(programTitle);
  notice.exec();
}

void frmMain::showTitle(const QString& picturePath) {
  title_ = new frmTitle(picturePath, TitleVersionText());
  title_->show();
}

void frmMain::closeTitle() {
  if (title_) title_->close();
}

void frmMain::showStartupWait(bool shown) {
  if (shown) {
    waitMessage_ = new WaitMessageWindow();
    waitMessage_->show();
  } else if (waitMessage_) {
    waitMessage_->close();
  }
}

void frmMain::closeWindowLater() { QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection); }

void frmMain::unloadAllWindows() { UnloadAllWindows(); }

void frmMain::beep() { QApplication::beep(); }

// ---- layouts and labels -------------------------------------------------------------------------

void frmMain::showLayout(int layout, bool domePanel) {
  fitToLayout(layout, domePanel);
  if (layout == 0) {
    btnSize->setText(QStringLiteral("▲"));
  } else if (layout == 1) {
    setHandEnabled(true);
    btnSize->setText(QStringLiteral("▼"));
    btnDetail->setText(QStringLiteral(">>"));
  } else {
    setHandEnabled(false);
    btnP->setEnabled(false);
    lblRaDec[0]->clear();
    lblRaDec[1]->clear();
    lblEWF->clear();
    btnDetail->setText(QStringLiteral("<<"));
    lblTelescopeName->setText(ShortVersionText());
  }
}

void frmMain::setHandEnabled(bool enabled) {
  fraHand->setEnabled(enabled);
  btnZ->setEnabled(enabled);
}

void frmMain::setTelescopeName(const QString& text, const QString& toolTip) {
  lblTelescopeName->setText(text);
  if (!toolTip.isNull()) lblTelescopeName->setToolTip(toolTip);
}

void frmMain::setPositionLabels(const QString& upper, const QString& lower) {
  lblRaDec[0]->setText(upper);
  lblRaDec[1]->setText(lower);
}

void frmMain::setStateLamp(int bgr) { Picture1->setStyleSheet(colour(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF)); }

void frmMain::setPierSide(const QString& text) { lblEWF->setText(text); }

void frmMain::setBridgeTelescope(const QString& text, bool error) {
  lblAscomTelescope->setStyleSheet(error ? QStringLiteral("color: rgb(192,0,0);") : QString());
  lblAscomTelescope->setText(text);
  lblAscomTelescope->setToolTip(text);
}

// ---- hand controller ----------------------------------------------------------------------------

void frmMain::btnNSWE_MouseDown(int i) {
  btnNSWE[i]->setStyleSheet(kPressed);
  obs_->btnNSWE_MouseDown(i);
}

void frmMain::btnNSWE_MouseUp(int i) {
  btnNSWE[i]->setDown(false);
  btnNSWE[i]->setStyleSheet(kNormal);
  obs_->btnNSWE_MouseUp(i);
}

void frmMain::setParkEnabled(bool enabled) { btnP->setEnabled(enabled); }

void frmMain::setParkBlink(bool on) {
  btnP->setStyleSheet(on ? QStringLiteral("background: rgb(255,0,0); color: white;")
                         : QStringLiteral("background: rgb(64,64,0); color: white;"));
}

void frmMain::showSpeed(int index) {
  for (int i = 0; i < 3; ++i)
    optSpeed[i]->setStyleSheet(i == index ? QStringLiteral("background: rgb(255,255,0); color: black;")
                                          : QStringLiteral("background: rgb(64,64,0); color: rgb(192,192,192);"));
}

void frmMain::setDirectionButtonsEnabled(bool enabled) {
  for (int i = 0; i < 4; ++i) btnNSWE[i]->setEnabled(enabled);
}

void frmMain::showHandRates(const std::array<bool, 3>& offered) {
  for (int i = 0; i < 3; ++i) {
    optSpeed[i]->setVisible(offered[i]);
    if (offered[i]) optSpeed[i]->setEnabled(true);
  }
}

void frmMain::showBridgeChooser(bool bridge) {
  cmbComm->setVisible(!bridge);
  lblComm->setVisible(!bridge);
  optMount[0]->setVisible(!bridge);
  optMount[1]->setVisible(!bridge);
  btnChooser->setVisible(bridge);
  lblAscomTelescope->setVisible(bridge);
}

// ---- set-up fields ------------------------------------------------------------------------------

void frmMain::showMountList(const QStringList& entries) {
  cmbTelescope->clear();
  cmbTelescope->addItems(entries);
}

void frmMain::showPortList(const QStringList& ports) {
  cmbComm->clear();
  cmbComm->addItems(ports);
  markUnusablePorts();
  cmbComm->setCurrentIndex(-1);
}

void frmMain::markUnusablePorts() {
  // The entry keeps its plain "COM<n>" text: the selection and the settings read it.
  const QList<CommPortEntry> ports = ListCommPorts(ProgramFolder());
  for (int i = 0; i < cmbComm->count(); ++i) {
    const int n = CommPortNumber(cmbComm->itemText(i));
    for (const CommPortEntry& p : ports) {
      if (p.number != n || !p.denied) continue;
      cmbComm->setItemIcon(i, style()->standardIcon(QStyle::SP_MessageBoxWarning));
      cmbComm->setItemData(i, PortDeniedText(n, QFileInfo(p.path).canonicalFilePath()), Qt::ToolTipRole);
    }
  }
}

// ---- parts made with the devices ----------------------------------------------------------------

DomeView& frmMain::domeView() { return *domePanel_; }

void frmMain::attachDomeLoop(DomeLoop& loop, const QString& simulationNotice) {
  domePanel_->attach(&loop);
  domePanel_->onCloseStartupWait = [this] {
    if (waitMessage_) waitMessage_->close();
  };
  domePanel_->setSimulationNotice(simulationNotice);
  if (!frmSensor_) frmSensor_ = new frmSensor(obs_->IniPath(), this);
  domePanel_->onWeather = [this](const QString& code) { frmSensor_->Report(code); };
}

void frmMain::makeHomingWindow(MountDriver& driver) {
  // The RST-400 is the family whose catalog row has a homing window.
  if (auto* rst = qobject_cast<frmRST400*>(&driver)) homing_ = std::make_unique<frmRST400Homing>(*rst, *obs_, obs_->state());
}

void frmMain::prepareSync(const QString& name, double ra, double dec) {
  frmSync* dialog = syncDialog();
  dialog->KijunRead();
  dialog->AppendTarget(name, ra, dec);
}

frmSync* frmMain::syncDialog() {
  // Loaded once and kept until it closes, so a target a cooperating program added is still
  // there when the observer opens the dialog.
  if (!sync_)
    sync_ = new frmSync(obs_->acal(), [this] { return obs_->Telescope(); }, InProgramFolder(QStringLiteral("\\基準恒星.txt")),
                        this);
  return sync_;
}

frmSync* frmMain::syncDialogIfLoaded() const { return sync_.data(); }

void frmMain::btnZ_Click() {
  const bool loaded = !sync_.isNull();
  frmSync* dialog = syncDialog();
  if (!loaded) dialog->KijunRead();
  dialog->show();
  dialog->raise();
}

void frmMain::btnDocument_Click() {
  const auto& open = obs_->parts().openDocument;
  new frmDocument(InProgramFolder(QStringLiteral("\\Document")), open ? open : OpenWithDesktop, this);
}

}  // namespace orvan
