// Mount selection: the mount list binds one driver as the active Telescope and adapts the
// hand controller to what that family can do (its row in the mount catalog). Also the
// set-up/hand layout switch, which saves the set-up fields and connects.
#include "Observatory.h"

#include "IniFile.h"
#include "MountCatalog.h"
#include "ObservatoryView.h"
#include "Prompter.h"

namespace orvan {

QString NoDriverNote(const QString& entry) {
  return Observatory::tr("%1 のドライバはまだ使用できません。").arg(entry);
}

void Observatory::cmbTelescope_Click(bool byObserver) {
  const QString text = view_.selectedMountEntry();
  family_ = nullptr;
  bridgeInUse_ = false;
  view_.showBridgeChooser(false);
  const MountFamily* family = MountCatalog::find(text);
  if (!family) return;
  MountDriver* d = driverFor(*family);
  if (!d) {
    // The family's driver is not part of this build yet: say so, and bind nothing, so no
    // other family's driver ever talks to this mount. At start-up the label says it, so an
    // unattended start never stops at a message box.
    Telescope_ = nullptr;
    const QString note = NoDriverNote(text);
    if (byObserver) Prompter::current().ask(QStringLiteral("OrvanMirel"), note, Buttons::Ok, Icon::Exclamation);
    view_.setTelescopeName(note);
    if (!family->bridge) view_.setDirectionButtonsEnabled(false);
    return;
  }
  if (Telescope_ && Telescope_ != d) Telescope_->Deselected();
  Telescope_ = d;
  family_ = family;
  if (!family->modelLabel.isEmpty()) d->setModelText(family->modelLabel);
  d->Selected();
  view_.setDirectionButtonsEnabled(family->handRates.any());
  view_.showHandRates(family->handRates.offered());
  if (family->bridge) {
    bridgeInUse_ = true;
    // The chooser takes the place of the port and mount-type fields (the panel moved over
    // them once, and then lay over the mount list as well, where it caught its clicks).
    view_.showBridgeChooser(true);
    if (parts_.ascomSendCmd) parts_.ascomSendCmd(QStringLiteral("cmdName"));
  }
}

MountDriver* Observatory::driverFor(const MountFamily& family) {
  auto it = drivers_.find(family.driverKey);
  if (it != drivers_.end()) return it->second;
  MountDriver* d = parts_.createMountDriver ? parts_.createMountDriver(family.entry, this) : nullptr;
  if (d) drivers_.emplace(family.driverKey, d);
  return d;
}

void Observatory::btnChooser_Click() {
  if (parts_.ascomSendCmd) parts_.ascomSendCmd(QStringLiteral("cmdChoose"));
}

void Observatory::btnDetail_Click() {
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
  fields_ = view_.readFields(fields_);
  // A site the observer mistyped is not saved: the message names the field and nothing is
  // written until it is corrected.
  const QString wrong = CheckSiteFields(fields_);
  if (!wrong.isEmpty()) {
    Prompter::current().ask(tr("観測地の入力エラー"), wrong, Buttons::Ok, Icon::Exclamation);
    return;
  }
  IniWrite(iniPath_, fields_, &shownFields_);
  orvan::IniRead(iniPath_, state_, fields_);
  fieldsToView();
  cmbTelescope_Click(false);
  if (state_.domeSettings.Controller == 2) state_.dome.DomeInUse = false;
  if (bridgeInUse_) {
    const QString name = ascomTelescopeName_.trimmed();
    if (name.isEmpty() || name == u"Please choose") return;
  }
  FormSizeChange(1);
}

}  // namespace orvan
