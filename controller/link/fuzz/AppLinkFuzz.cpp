// Whatever bytes a cooperating program writes to the application link: the line reader and
// the message parser must not crash, a line never passes its limit, and only a message that
// reads exactly as one of the link's acts (a goto only on a whole target text, a sync only on
// two finite numbers in range, a mission only with a whole-number code). The dome's messages
// go through the controller's own handler, without a dome: nothing may move, each is answered.
// Hand motion moves only on a readable request, at a rate the family has, and is answered once.
#include "ACal2.h"
#include "AppLinkEndpoint.h"
#include "DomeLinkRequests.h"
#include "DomeWire.h"
#include "LinkHandMotion.h"
#include "LinkMessageCode.h"
#include "FakeLinkHost.h"
#include "FakeMountDriver.h"
#include "LinkWire.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

using orvan::test::FakeMountDriver;

using namespace orvan;

namespace {
void check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
  }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  FakeLinkHost host;
  FakeMountDriver mount;
  mount.handState = &host.shared.mount;
  host.telescope = &mount;
  host.shared.site.SiteLatitude = 128400;
  host.shared.site.SiteLatitudeRadians = 128400 / ACal2::kArcsecPerRad;
  ACal2 cal(host.shared.site, host.shared.mount);
  int sent = 0;
  int domeAnswers = 0;
  DomeLinkRequests dome(host.shared, [] { return nullptr; }, [&](int16_t code, const QString&) {
    check(code == domewire::kState, "a dome answer of another code");
    ++domeAnswers;
  });
  // The Temma's rates: no middle one.
  const HandRates rates{{2.0, 0, 0.002}};
  int handAnswers = 0;
  LinkHandMotion hand(host.shared.mount, {[&] { return &mount; }, [&] { return rates; }, [] { return quint64(7); },
                                          [&](int16_t code, const QString&) {
                                            check(code == codeOf(LinkMessageCode::HandMoveAnswer), "a hand answer of another code");
                                            ++handAnswers;
                                          }});
  AppLinkEndpoint::Hooks hooks{[&](int16_t, const QString&) { ++sent; }, {}, {}};
  hooks.other = [&](int16_t code, const QString& text) { return dome.message(code, text) || hand.message(code, text); };
  AppLinkEndpoint endpoint(host, cal, hooks);

  // The same bytes in one read and cut in two give the same lines.
  linkwire::LineReader whole, cut;
  const auto lines = whole.push(bytes);
  auto parts = cut.push(bytes.left(size / 3));
  for (QByteArray& l : cut.push(bytes.mid(size / 3))) parts.push_back(std::move(l));
  check(lines == parts, "a cut changes the lines");

  for (const QByteArray& raw : lines) {
    check(raw.size() <= linkwire::kMaxLineBytes + 1, "line over its limit");
    const auto line = linkwire::Parse(raw);
    if (!line) continue;
    check(linkwire::Format(line->kind, line->code, line->text).chopped(1) == raw || raw.endsWith(' '),
          "a parsed line does not read back the same");
    const size_t before = mount.made.size();
    const auto missionsBefore = host.missions.size();
    const int domeBefore = domeAnswers;
    const int handBefore = handAnswers;
    const bool acted = endpoint.message(line->code, line->text);
    check(domeAnswers - domeBefore <= 1, "a dome message answered twice");
    check(handAnswers - handBefore == (acted && line->code == codeOf(LinkMessageCode::HandMove) ? 1 : 0),
          "a hand-motion request not answered once");
    for (size_t i = before; i < mount.made.size(); ++i) {
      const auto& c = mount.made[i];
      check(c.op == "cmdGoto" || c.op == "cmdSync" || c.op == "cmdMove", "an operation the link never asks for");
      if (c.op == "cmdMove") {
        check(line->code == codeOf(LinkMessageCode::HandMove), "hand motion from another code");
        check(c.speed == 9 || (c.speed >= 1 && c.speed <= 3 && rates.ofSpeed(c.speed) > 0), "a hand rate the mount has not");
        check(QStringList{"N", "S", "E", "W"}.contains(c.text), "hand motion without a direction");
        continue;
      }
      check(std::isfinite(c.ra) && std::isfinite(c.dec) && c.ra >= 0 && c.ra < 86400 && std::fabs(c.dec) <= 324000,
            "a target outside the sky");
      if (c.op == "cmdGoto") check(line->code == 2 && linkwire::IsTargetText(line->text.section(',', 3, 3)), "goto without a target");
      if (c.op == "cmdSync")
        check(line->code == codeOf(LinkMessageCode::Sync) || line->code == codeOf(LinkMessageCode::SyncAsk),
              "sync from another code");
    }
    if (!acted) check(mount.made.size() == before && host.missions.size() == missionsBefore, "a dropped message acted");
  }
  (void)sent;
  return 0;
}
