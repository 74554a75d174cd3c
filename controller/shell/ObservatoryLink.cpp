// The observatory's side of the application link.
#include "Observatory.h"

#include "AppLinkEndpoint.h"
#include "AppLinkServer.h"
#include "DomeLinkRequests.h"
#include "LinkHandMotion.h"
#include "LinkWire.h"
#include "MountCatalog.h"
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
  hooks.handRates = [this] { return family_ ? family_->handRates : HandRates{}; };
  LinkHandMotion::Hooks hand;
  hand.telescope = [this] { return Telescope_; };
  hand.rates = [this] { return family_ ? family_->handRates : HandRates{}; };
  hand.asker = [this] { return linkServer_ ? linkServer_->asker() : quint64(0); };
  hand.reply = [this](int16_t c, const QString& t) { LinkReply(c, t); };
  linkHand_ = std::make_unique<LinkHandMotion>(state_.mount, std::move(hand));
  hooks.other = [this, dome = std::make_shared<DomeLinkRequests>(state_, [this] { return domeLoop_.get(); },
                                                                [this](int16_t c, const QString& t) { LinkReply(c, t); })](
                    int16_t code, const QString& text) { return dome->message(code, text) || linkHand_->message(code, text); };
  linkEndpoint_ = std::make_unique<AppLinkEndpoint>(*this, acal_, std::move(hooks));
  linkServer_ = std::make_unique<AppLinkServer>(*linkEndpoint_);
  // The hand motion of a program that went away stops; after the message being carried out,
  // never inside the socket's own signal.
  connect(linkServer_.get(), &AppLinkServer::clientGone, this,
          [this](quint64 client) { if (linkHand_) linkHand_->clientGone(client); }, Qt::QueuedConnection);
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
  linkHand_.reset();
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
