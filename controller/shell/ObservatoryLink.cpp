// The observatory's side of the application link.
#include "Observatory.h"

#include "AppLinkEndpoint.h"
#include "AppLinkServer.h"
#include "LinkWire.h"
#include "ObservatoryView.h"
#include "ProgramFolder.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcMainLink, "orvan.main.link", QtWarningMsg)

namespace orvan {

void Observatory::StartAppLink() {
  AppLinkEndpoint::Hooks hooks;
  hooks.send = [this](int16_t code, const QString& text) { LinkSend(code, text); };
  hooks.prepareSync = [this](const QString& name, double ra, double dec) { view_.prepareSync(name, ra, dec); };
  hooks.utilityAnswered = [this] { UtilityAnswered(); };
  hooks.reply = [this](int16_t code, const QString& text) { LinkReply(code, text); };
  hooks.gotoBegins = [this] {
    if (linkServer_) linkServer_->gotoBegins();
  };
  hooks.gotoStarted = [this] {
    if (linkServer_) linkServer_->gotoStarted();
  };
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

void Observatory::StopAppLink() {
  linkServer_.reset();
  linkEndpoint_.reset();
}

QString Observatory::appLinkPath() const { return linkServer_ ? linkServer_->path() : QString(); }

void Observatory::LinkSend(int16_t code, const QString& text) {
  if (parts_.linkSend) parts_.linkSend(code, text, false);
  if (linkServer_) linkServer_->send(code, text);
}

void Observatory::LinkReply(int16_t code, const QString& text) {
  if (parts_.linkSend) parts_.linkSend(code, text, false);
  if (linkServer_) linkServer_->reply(code, text);
}

void Observatory::LinkAsk(int16_t code, const QString& text) {
  if (linkServer_) linkServer_->ask(code, text);
}

}  // namespace orvan
