#include "MeadeArgs.h"

namespace orvan::meade {
namespace {

bool isAsciiDigit(QChar c) { return c.unicode() >= '0' && c.unicode() <= '9'; }

// The separators clients put between the fields: ':' and '*', the degree mark U+FF9F that the
// 0xDF byte decodes to, the same byte read as Latin-1, and a real degree sign.
bool isSeparator(QChar c) {
  return c == u':' || c == u'*' || c == u'\uFF9F' || c == u'\u00DF' || c == u'\u00B0' || c == u'\'';
}

// Reads an unsigned number of at most `maxDigits` whole digits and, when `decimals` allows,
// a decimal part. Advances `i`.
std::optional<double> readNumber(const QString& s, int& i, int maxDigits, bool decimals) {
  const int start = i;
  while (i < s.size() && isAsciiDigit(s[i])) ++i;
  const int whole = i - start;
  if (whole == 0 || whole > maxDigits) return std::nullopt;
  QString digits = s.mid(start, whole);
  if (decimals && i < s.size() && s[i] == u'.') {
    const int fracStart = ++i;
    while (i < s.size() && isAsciiDigit(s[i]) && i - fracStart < 6) ++i;
    if (i == fracStart) return std::nullopt;
    digits = s.mid(start, i - start);
  }
  return digits.toDouble();
}

// Sexagesimal text: optional sign, a first field of up to `firstDigits` digits, then one or
// two more fields after separators. Only the last field may carry decimals, except that a
// decimal minute ends the text (the short "HH:MM.T" and "DD*MM.M" forms).
struct Sexa {
  bool negative = false;
  double total = 0;  // first * 3600 + minutes * 60 + seconds, sign not applied
};

std::optional<Sexa> parseSexa(const QString& arg, int firstDigits, bool allowSign) {
  Sexa r;
  int i = 0;
  const QString s = arg.trimmed();
  if (allowSign && i < s.size() && (s[i] == u'+' || s[i] == u'-')) r.negative = s[i++] == u'-';
  const auto first = readNumber(s, i, firstDigits, false);
  if (!first) return std::nullopt;
  if (i >= s.size() || !isSeparator(s[i])) return std::nullopt;
  ++i;
  const int minutesAt = i;
  const auto minutes = readNumber(s, i, 2, true);
  if (!minutes || *minutes >= 60) return std::nullopt;
  double seconds = 0;
  const bool decimalMinutes = s.mid(minutesAt, i - minutesAt).contains(u'.');
  if (i < s.size() && !decimalMinutes) {
    if (!isSeparator(s[i])) return std::nullopt;
    ++i;
    const auto sec = readNumber(s, i, 2, true);
    if (!sec || *sec >= 60) return std::nullopt;
    seconds = *sec;
  }
  if (i != s.size()) return std::nullopt;
  r.total = *first * 3600 + *minutes * 60 + seconds;
  return r;
}

}  // namespace

QString ArgumentAt(const QString& text, int pos) {
  QString arg = text.mid(pos);
  if (arg.startsWith(u' ')) arg.remove(0, 1);
  const int hash = int(arg.indexOf(u'#'));
  if (hash >= 0) arg.truncate(hash);
  while (arg.endsWith(u' ')) arg.chop(1);
  return arg;
}

std::optional<double> ParseRa(const QString& arg) {
  const auto v = parseSexa(arg, 2, false);
  if (!v || v->total >= 86400) return std::nullopt;
  return v->total;
}

std::optional<double> ParseDec(const QString& arg) {
  const auto v = parseSexa(arg, 2, true);
  if (!v || v->total > 324000) return std::nullopt;
  return v->negative ? -v->total : v->total;
}

std::optional<double> ParseLongitude(const QString& arg) {
  const auto v = parseSexa(arg, 3, true);
  if (!v || v->total > 1296000) return std::nullopt;
  return v->negative ? -v->total : v->total;
}

std::optional<double> ParseLatitude(const QString& arg) {
  const auto v = parseSexa(arg, 2, true);
  if (!v || v->total > 324000) return std::nullopt;
  return v->negative ? -v->total : v->total;
}

std::optional<double> ParseUtcOffset(const QString& arg) {
  const QString s = arg.trimmed();
  int i = 0;
  bool negative = false;
  if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) negative = s[i++] == u'-';
  const auto v = readNumber(s, i, 2, true);
  if (!v || i != s.size() || *v > 14) return std::nullopt;
  return negative ? -*v : *v;
}

}  // namespace orvan::meade
