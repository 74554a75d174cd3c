#include "Vb.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <algorithm>

namespace orvan::vb {

namespace {

// A number in C's form without a leading '+': from_chars reads it exactly as strtod does, in a
// fraction of the time; what it refuses (beyond the range of a double) goes to strtod.
double parseNumber(const char* begin, size_t len) {
  double v = 0;
  const auto [end, ec] = std::from_chars(begin, begin + len, v);
  if (ec != std::errc() || end != begin + len) v = std::strtod(std::string(begin, len).c_str(), nullptr);
  return std::isfinite(v) ? v : 0.0;
}

}  // namespace

double Val(const QString& text) {
  // Numbers up to 15 characters stay in the string's own storage: no allocation on a tick.
  int i = 0;
  const int n = text.size();
  while (i < n && (text[i] == u' ' || text[i] == u'\t')) ++i;
  std::string num;
  if (i < n && text[i] == u'-') num += '-';
  if (i < n && (text[i] == u'+' || text[i] == u'-')) ++i;
  bool digits = false;
  while (i < n && text[i].isDigit() && text[i].unicode() < 128) { num += char(text[i++].unicode()); digits = true; }
  if (i < n && text[i] == u'.') {
    num += '.';
    ++i;
    while (i < n && text[i].unicode() >= '0' && text[i].unicode() <= '9') { num += char(text[i++].unicode()); digits = true; }
  }
  if (!digits) return 0.0;
  // An exponent counts only when digits follow it ("1E" reads as 1).
  if (i < n && (text[i] == u'E' || text[i] == u'e' || text[i] == u'D' || text[i] == u'd')) {
    int j = i + 1;
    std::string exp = "e";
    if (j < n && (text[j] == u'+' || text[j] == u'-')) exp += char(text[j++].unicode());
    bool expDigits = false;
    while (j < n && text[j].unicode() >= '0' && text[j].unicode() <= '9') { exp += char(text[j++].unicode()); expDigits = true; }
    if (expDigits) num += exp;
  }
  return parseNumber(num.data(), num.size());
}

double Fix(double x) { return std::trunc(x); }
double Int(double x) { return std::floor(x); }
double RoundEven(double x) { return std::nearbyint(x); }

namespace {

// Decimal digits of |value| rounded half away from zero to `decimals` places, after first
// cutting the binary noise at 15 significant digits (0.15 formats as 0.2, as a person expects).
std::string roundedDigits(double value, int decimals, int& intDigits) {
  // to_chars writes what printf's "%.14e" writes, in a fraction of printf's time: the loops
  // format a few numbers on every tick.
  char buf[64];
  const auto end = std::to_chars(buf, buf + sizeof buf - 1, std::fabs(value), std::chars_format::scientific, 14).ptr;
  *end = '\0';
  // buf: d.dddddddddddddde[+-]xx
  std::string mant;
  mant += buf[0];
  mant.append(buf + 2, 14);
  const int exp = std::atoi(std::strchr(buf, 'e') + 1);
  // Place the decimal point: the value is 0.mant * 10^(exp+1).
  int point = exp + 1;  // digits before the decimal point
  if (point < 0) {
    mant.insert(0, std::string(-point, '0'));
    point = 0;
  }
  const int keep = point + decimals;
  std::string digits = mant.substr(0, std::max(0, std::min<int>(keep, int(mant.size()))));
  while (int(digits.size()) < keep) digits += '0';
  bool roundUp = keep < int(mant.size()) && keep >= 0 && mant[keep] >= '5';
  if (roundUp) {
    int k = int(digits.size()) - 1;
    while (k >= 0 && digits[k] == '9') digits[k--] = '0';
    if (k >= 0) ++digits[k];
    else { digits.insert(0, "1"); ++point; }
  }
  intDigits = point;
  return digits;
}

}  // namespace

QString Format(double value, const QString& pattern) {
  if (!std::isfinite(value)) value = 0;
  // Split the pattern: literal prefix, numeric section, literal suffix.
  int first = -1, last = -1;
  for (int i = 0; i < pattern.size(); ++i) {
    const QChar c = pattern[i];
    if (c == u'0' || c == u'#' || (c == u'.' && first >= 0)) {
      if (first < 0) first = i;
      last = i;
    } else if (first >= 0) {
      break;
    }
  }
  if (first < 0) return pattern;
  // Views, not copies: the status texts are formatted on every tick.
  const QStringView pv(pattern);
  const QStringView section = pv.mid(first, last - first + 1);
  const qsizetype dot = section.indexOf(u'.');
  const QStringView intPart = dot < 0 ? section : section.left(dot);
  const QStringView decPart = dot < 0 ? QStringView() : section.mid(dot + 1);
  const int minInt = int(intPart.count(u'0'));
  const int forcedDec = int(decPart.count(u'0'));
  const int decimals = int(decPart.size());

  int intDigits = 0;
  const std::string digits = roundedDigits(value, decimals, intDigits);
  const std::string_view all(digits);
  std::string_view ip = all.substr(0, std::max(0, intDigits));
  std::string_view dp = all.substr(std::max(0, intDigits));
  // Optional ('#') decimals drop their trailing zeros.
  while (int(dp.size()) > forcedDec && !dp.empty() && dp.back() == '0') dp.remove_suffix(1);
  // Strip leading zeros, then pad to the forced integer width.
  const size_t nz = ip.find_first_not_of('0');
  ip = nz == std::string_view::npos ? std::string_view() : ip.substr(nz);
  const int pad = std::max(0, minInt - int(ip.size()));
  const bool zero = ip.find_first_not_of('0') == std::string_view::npos && dp.find_first_not_of('0') == std::string_view::npos;
  QString out;
  out.reserve(pattern.size() + qsizetype(ip.size() + dp.size()) + pad + 2);
  out += pv.left(first);
  if (value < 0 && !zero) out += u'-';
  for (int i = 0; i < pad; ++i) out += u'0';
  out += QLatin1StringView(ip.data(), qsizetype(ip.size()));
  if (decimals > 0 && (!dp.empty() || forcedDec > 0)) {
    out += u'.';
    out += QLatin1StringView(dp.data(), qsizetype(dp.size()));
  }
  out += pv.mid(last + 1);
  return out;
}

QString Str(double value) {
  if (!std::isfinite(value)) value = 0;
  if (value == std::trunc(value) && std::fabs(value) < 1e15) return Str(static_cast<long long>(value));
  QString t = QString::number(value, 'g', 15);
  return value < 0 ? t : u' ' + t;
}

QString CStr(double value) {
  // Whole numbers below 1e15 print as their digits; minus zero keeps its sign the long way.
  if (value == std::trunc(value) && std::fabs(value) < 1e15 && (value != 0 || !std::signbit(value)))
    return QString::number(static_cast<long long>(value));
  return QString::number(value, 'g', 15);
}

QString Str(long long value) {
  return value < 0 ? QString::number(value) : u' ' + QString::number(value);
}

char16_t* PutDigits(char16_t* p, long long v, int width) {
  if (v < 0) v = 0;
  char16_t rev[24];
  int n = 0;
  do {
    rev[n++] = char16_t(u'0' + v % 10);
    v /= 10;
  } while (v > 0 && n < 24);
  for (int i = n; i < width; ++i) *p++ = u'0';
  while (n > 0) *p++ = rev[--n];
  return p;
}

QString TimeText(long long seconds) {
  long long s = seconds % 86400;
  if (s < 0) s += 86400;
  char16_t buf[8];
  char16_t* p = PutDigits(buf, s / 3600, 2);
  *p++ = u':';
  p = PutDigits(p, (s / 60) % 60, 2);
  *p++ = u':';
  p = PutDigits(p, s % 60, 2);
  return QStringView(buf, p - buf).toString();
}

QString ClockText(double secondsSinceMidnight) {
  return TimeText(static_cast<long long>(std::floor(secondsSinceMidnight)));
}

QString DateText(const QDate& d) {
  return QStringLiteral("%1/%2/%3")
      .arg(d.year(), 4, 10, QChar(u'0'))
      .arg(d.month(), 2, 10, QChar(u'0'))
      .arg(d.day(), 2, 10, QChar(u'0'));
}

QString DateTextMdy(const QDate& d, QChar sep) {
  const auto two = [](int n) { return QStringLiteral("%1").arg(n, 2, 10, QChar(u'0')); };
  return two(d.month()) + sep + two(d.day()) + sep + two(d.year() % 100);
}

QString Mid(const QString& s, int start1, int length) {
  if (start1 < 1 || start1 > s.size()) return {};
  return s.mid(start1 - 1, length);
}

}  // namespace orvan::vb

namespace orvan {

bool NumberField(const QString& text, double& value) {
  const QString t = text.trimmed();
  if (t.isEmpty()) {
    value = 0;
    return true;
  }
  bool ok = false;
  value = t.toDouble(&ok);
  return ok && std::isfinite(value);
}

}  // namespace orvan
