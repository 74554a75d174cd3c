// The main window's side of the application link, the sync dialog and the document window.
#include "frmMain.h"

#include "AppLinkEndpoint.h"
#include "AppLinkServer.h"
#include "DomeLinkRequests.h"
#include "LinkWire.h"
#include "ProgramFolder.h"
#include "frmDocument.h"
#include "frmSync.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcMainLink, "orvan.main.link", QtWarningMsg)

namespace orvan {

void frmMain::StartAppLink() {
  AppLinkEndpoint::Hooks hooks;
  hooks.send = [this](int16_t code, const QString& text) { LinkSend(code, text); };
  hooks.prepareSync = [this](const QString& name, double ra, double dec) {
    frmSync* dialog = syncDialog();
    dialog->KijunRead();
    dialog->AppendTarget(name, ra, dec);
  };
  hooks.utilityAnswered = [this] { UtilityAnswered(); };
  hooks.reply = [this](int16_t code, const QString& text) { LinkReply(code, text); };
  hooks.gotoBegins = [this] {
    if (linkServer_) linkServer_->gotoBegins();
  };
  hooks.gotoStarted = [this] {
    if (linkServer_) linkServer_->gotoStarted();
  };
  hooks.other = [dome = std::make_shared<DomeLinkRequests>(state_, [this] { return domeLoop_.get(); },
                                                          [this](int16_t c, const QString& t) { LinkReply(c, t); })](
                    int16_t code, const QString& text) { return dome->message(code, text); };
  linkEndpoint_ = std::make_unique<AppLinkEndpoint>(*this, acal_, std::move(hooks));
  linkServer_ = std::make_unique<AppLinkServer>(*linkEndpoint_);
  QString error;
  const QString path = linkwire::SocketPath(ProgramFolder());
  // Without the link the controller still runs; cooperating programs cannot reach it.
  if (!linkServer_->listen(path, &error)) {
    qCWarning(lcMainLink) << "the application link cannot listen at" << path << ":" << error;
    linkServer_.reset();
  }
}

void frmMain::StopAppLink() {
  linkServer_.reset();
  linkEndpoint_.reset();
}

QString frmMain::appLinkPath() const { return linkServer_ ? linkServer_->path() : QString(); }

void frmMain::LinkSend(int16_t code, const QString& text) {
  if (parts_.linkSend) parts_.linkSend(code, text, false);
  if (linkServer_) linkServer_->send(code, text);
}

void frmMain::LinkReply(int16_t code, const QString& text) {
  if (parts_.linkSend) parts_.linkSend(code, text, false);
  if (linkServer_) linkServer_->reply(code, text);
}

void frmMain::LinkAsk(int16_t code, const QString& text) {
  if (linkServer_) linkServer_->ask(code, text);
}

frmSync* frmMain::syncDialog() {
  // Loaded once and kept until it closes, so a target a cooperating program added is still
  // there when the observer opens the dialog.
  if (!sync_) sync_ = new frmSync(acal_, [this] { return Telescope_; }, InProgramFolder(QStringLiteral("\\基準恒星.txt")), this);
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
  new frmDocument(InProgramFolder(QStringLiteral("\\Document")), parts_.openDocument ? parts_.openDocument : OpenWithDesktop,
                  this);
}

}  // namespace orvan
