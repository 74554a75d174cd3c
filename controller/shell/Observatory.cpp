// The observatory's parts and their order of going: the links and the planetarium port before
// anything they could reach, the dome loop before its driver.
#include "Observatory.h"

#include "AppLinkEndpoint.h"
#include "AppLinkServer.h"
#include "DomeLoop.h"
#include "LinkHandMotion.h"
#include "MountCatalog.h"
#include "ObservatoryView.h"
#include "SingleInstance.h"
#include "frmVSP6.h"

namespace orvan {

Observatory::Observatory(ObservatoryView& view, MainWindowParts parts, QObject* parent)
    : QObject(parent), view_(view), parts_(std::move(parts)), acal_(state_.site, state_.mount) {
  setObjectName(QStringLiteral("Observatory"));
  LoopTimer.setObjectName(QStringLiteral("LoopTimer"));
  DomeLoopTimer.setObjectName(QStringLiteral("DomeLoopTimer"));
  OneSecTimer.setObjectName(QStringLiteral("OneSecTimer"));
  BlinkTimer.setObjectName(QStringLiteral("BlinkTimer"));
  connect(&LoopTimer, &QTimer::timeout, this, &Observatory::LoopTimer_Timer);
  connect(&OneSecTimer, &QTimer::timeout, this, &Observatory::OneSecTimer_Timer);
  connect(&BlinkTimer, &QTimer::timeout, this, &Observatory::BlinkTimer_Timer);
  connect(&DomeLoopTimer, &QTimer::timeout, this, [this] {
    if (domeLoop_) domeLoop_->DomeLoopTimer_Timer();
  });
  if (!parts_.createMountDriver)
    parts_.createMountDriver = [this](const QString& entry, QObject*) { return createOwnDriver(entry); };
  if (!parts_.ascomSendCmd)
    parts_.ascomSendCmd = [this](const QString& cmd) {
      if (MountDriver* d = driverFor(MountCatalog::bridgeRow())) d->SendCmd(cmd);
    };
}

MountDriver* Observatory::createOwnDriver(const QString& entry) {
  const MountFamily* family = MountCatalog::find(entry);
  if (!family) return nullptr;
  MountDriver* d = family->makeDriver({state_, *this, acal_, iniPath_, this});
  if (d && family->homing) view_.makeHomingWindow(*d);
  return d;
}

Observatory::~Observatory() {
  LoopTimer.stop();
  DomeLoopTimer.stop();
  OneSecTimer.stop();
  BlinkTimer.stop();
  if (ascomProcess_) OrvanforASCOMstartup(false);
  // The links go first: a cooperating program's message must not reach a half-destroyed
  // observatory.
  StopAppLink();
  // The port goes first: a planetarium command must not reach a half-destroyed observatory.
  vsp_.reset();
  domeLoop_.reset();
}

void Observatory::fieldsToView() {
  view_.showFields(fields_);
  shownFields_ = view_.readFields(fields_);
}

QString Observatory::SelectedCommPort() const { return view_.selectedCommPort(); }

void Observatory::Beep() { view_.beep(); }

void Observatory::IniRead() {
  fields_ = view_.readFields(fields_);
  orvan::IniRead(iniPath_, state_, fields_);
  fieldsToView();
}

}  // namespace orvan
