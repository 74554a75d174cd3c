// Mount selection: the mount list binds one driver as the active Telescope and adapts the
// hand controller to what that mount can do. Also the set-up/hand layout switch.
#include "frmMain.h"

#include "Prompter.h"
#include "Shared.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace orvan {

namespace {
struct Binding {
  const char* entry;
  const char* model;  // given to the driver's model label; empty for none
  bool temma;
};
const Binding kBindings[] = {
    {"E-Vexil", "", false},          {"Temma2M", "Temma2M", true},      {"TemmaPC/PC Jr.", "TemmaPC", true},
    {"Temma2/2 Jr.", "Temma2", true}, {"Meade LX200", "LX200", false},   {"Meade LX200GPS", "LX200GPS", false},
    {"RST-400(HUBO-i)", "RST400", false},
};
// Several entries share one driver (the Temma models, the two LX200s).
QString driverKey(const QString& entry) {
  if (entry.startsWith(u"Temma")) return QStringLiteral("frmTemma2M");
  if (entry.startsWith(u"Meade LX200")) return QStringLiteral("frmLX200");
  return entry;
}
}  // namespace

QString NoDriverNote(const QString& entry) {
  return entry + QStringLiteral(" のドライバはまだ使用できません。");
}

void frmMain::cmbTelescope_Click(bool byObserver) {
  const QString text = cmbTelescope->currentText();
  evexilInUse_ = false;
  ascomInUse_ = false;
  cmbComm->setVisible(true);
  lblComm->setVisible(true);
  optMount[0]->setVisible(true);
  optMount[1]->setVisible(true);
  btnChooser->setVisible(false);
  lblAscomTelescope->setVisible(false);
  const auto bind = [this](const QString& entry) { return driverFor(entry); };

  if (text == u"ASCOM") {
    MountDriver* d = bind(text);
    if (!d) {
      Telescope_ = nullptr;
      const QString note = NoDriverNote(text);
      if (byObserver) Prompter::current().ask(QStringLiteral("OrvanMirel"), note, Buttons::Ok, Icon::Exclamation);
      lblTelescopeName->setText(note);
      return;
    }
    ascomInUse_ = true;
    if (Telescope_ && Telescope_ != d) Telescope_->Deselected();
    Telescope_ = d;
    d->Selected();
    // The chooser takes the place of the port and mount-type fields (the panel moved over
    // them once, and then lay over the mount list as well, where it caught its clicks).
    cmbComm->setVisible(false);
    lblComm->setVisible(false);
    optMount[0]->setVisible(false);
    optMount[1]->setVisible(false);
    btnChooser->setVisible(true);
    lblAscomTelescope->setVisible(true);
    for (int i = 0; i < 4; ++i) btnNSWE[i]->setEnabled(false);
    for (auto* b : optSpeed) b->setVisible(false);
    if (parts_.ascomSendCmd) parts_.ascomSendCmd(QStringLiteral("cmdName"));
    return;
  }
  for (const Binding& b : kBindings) {
    if (text != QString::fromLatin1(b.entry)) continue;
    MountDriver* d = bind(text);
    if (!d) {
      // The family's driver is not part of this build yet: say so, and bind nothing, so no
      // other family's driver ever talks to this mount. At start-up the label says it, so an
      // unattended start never stops at a message box.
      Telescope_ = nullptr;
      const QString note = NoDriverNote(text);
      if (byObserver) Prompter::current().ask(QStringLiteral("OrvanMirel"), note, Buttons::Ok, Icon::Exclamation);
      lblTelescopeName->setText(note);
      for (int i = 0; i < 4; ++i) btnNSWE[i]->setEnabled(false);
      return;
    }
    if (Telescope_ && Telescope_ != d) Telescope_->Deselected();
    Telescope_ = d;
    if (*b.model) d->setModelText(QString::fromLatin1(b.model));
    d->Selected();
    if (text == u"E-Vexil") evexilInUse_ = true;
    for (int i = 0; i < 4; ++i) btnNSWE[i]->setEnabled(true);
    for (auto* o : optSpeed) {
      o->setVisible(true);
      o->setEnabled(true);
    }
    if (b.temma) optSpeed[1]->setVisible(false);
    return;
  }
}

MountDriver* frmMain::driverFor(const QString& entry) {
  const QString key = driverKey(entry);
  auto it = drivers_.find(key);
  if (it != drivers_.end()) return it->second;
  MountDriver* d = parts_.createMountDriver ? parts_.createMountDriver(entry, this) : nullptr;
  if (d) drivers_.emplace(key, d);
  return d;
}

void frmMain::btnChooser_Click() {
  if (parts_.ascomSendCmd) parts_.ascomSendCmd(QStringLiteral("cmdChoose"));
}

void frmMain::btnDetail_Click() {
  if (layout_ == 1) {
    BlinkStop();
    if (Telescope_) {
      Telescope_->cmdStop();
      Telescope_->UnloadHomingWindow();
    }
    FormSizeChange(2);
    return;
  }
  if (layout_ != 2) return;
  widgetsToFields();
  // A site the observer mistyped is not saved: the message names the field and nothing is
  // written until it is corrected.
  const QString wrong = CheckSiteFields(fields_);
  if (!wrong.isEmpty()) {
    Prompter::current().ask(QStringLiteral("観測地の入力エラー"), wrong, Buttons::Ok, Icon::Exclamation);
    return;
  }
  IniWrite(iniPath_, fields_, &shownFields_);
  orvan::IniRead(iniPath_, state_, fields_);
  fieldsToWidgets();
  cmbTelescope_Click(false);
  if (state_.domeSettings.Controller == 2) state_.dome.DomeInUse = false;
  if (ascomInUse_) {
    const QString name = ascomTelescopeName_.trimmed();
    if (name.isEmpty() || name == u"Please choose") return;
  }
  FormSizeChange(1);
}

}  // namespace orvan
