#include "RelayWiring.h"

namespace orvan {

RelayWiring::RelayWiring(const std::array<QString, 6>& patterns)
    : left_(learn(patterns[0])), right_(learn(patterns[1])),
      open_(learn(patterns[3])), close_(learn(patterns[4])) {}

RelayWiring::Match RelayWiring::learn(const QString& pattern) {
  Match m;
  for (int k = 0; k < 32 && k < pattern.size(); ++k) {
    if (pattern[k] == u'1') m.ones |= static_cast<uint32_t>(1u << k);
    if (pattern[k] == u'0') m.zeros |= static_cast<uint32_t>(1u << k);
  }
  return m;
}

int RelayWiring::direction(const Match& minus, const Match& plus, uint32_t out) {
  const bool m = minus.matches(out);
  const bool p = plus.matches(out);
  if (m == p) return 0;
  return p ? 1 : -1;
}

int RelayWiring::rotation(uint32_t outputs) const { return direction(left_, right_, outputs); }
int RelayWiring::slit(uint32_t outputs) const { return direction(close_, open_, outputs); }

QString RelayWiring::describe() const {
  auto bits = [](const Match& m) {
    if (m.ones == 0) return QStringLiteral("none");
    QString s;
    for (int k = 0; k < 32; ++k) {
      if (m.ones & (1u << k)) s += QStringLiteral("+%1").arg(k + 1);
      if (m.zeros & (1u << k)) s += QStringLiteral("-%1").arg(k + 1);
    }
    return s;
  };
  return QStringLiteral("left=%1 right=%2 open=%3 close=%4")
      .arg(bits(left_), bits(right_), bits(open_), bits(close_));
}

}  // namespace orvan
