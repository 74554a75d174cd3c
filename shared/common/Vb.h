#pragma once
// The number and text conventions every part of the system relies on: the settings file, the
// mount protocols and the displays were all written around these exact conversions, so they
// live in one place and everything else calls them.
#include <QDate>
#include <QString>
#include <cstdint>

namespace orvan {

// Scalar types of the settings and protocols: a 16-bit flag with true = -1.
using Flag = int16_t;
constexpr Flag kTrue = -1;
constexpr Flag kFalse = 0;
inline Flag toFlag(bool b) { return b ? kTrue : kFalse; }

namespace vb {

// Leading-number conversion: leading blanks skipped, then the longest numeric prefix
// (sign, digits, one decimal point, exponent) is taken; no prefix gives 0.
double Val(const QString& text);

// Toward zero / toward minus infinity.
double Fix(double x);
double Int(double x);

// Nearest integer, ties to even (the default rounding mode of the FPU).
double RoundEven(double x);

// Numeric pattern texts: "0", "00", "000", "#0", "#0.0", "##0", "00.0", " ##0.00", "###0.0"...
// '0' forces a digit, '#' shows one only when needed, '.' starts the decimals; any other
// characters are copied as they stand. Decimals are rounded half away from zero on the decimal
// text, the way the display formats of the original program round (5.75 with "#0.0" is "5.8").
QString Format(double value, const QString& pattern);

// Sign-padded number text: one blank before a number that is not negative (" 3", "-3").
QString Str(double value);
QString Str(long long value);

// A number with up to 15 significant digits and no padding ("12345", "0.1", "1e+20"), as the
// status texts keep the positions; whole numbers, the usual case, take a short way.
QString CStr(double value);

// Times of day from a count of seconds: "hh:mm:ss", hours reduced into 0..23.
QString TimeText(long long seconds);
// Writes v (0 or more) in decimal at p, zero-padded to at least `width` digits, and returns
// the end: the texts redrawn on every tick are built in one buffer, without allocating.
char16_t* PutDigits(char16_t* p, long long v, int width);
// The computer's clock time "hh:nn:ss" from seconds since midnight (fractions dropped).
QString ClockText(double secondsSinceMidnight);
// Dates: "yyyy/mm/dd" and the LX200's "mm:dd:yy" (and "mm/dd/yy" for :SC).
QString DateText(const QDate& d);
QString DateTextMdy(const QDate& d, QChar sep = u':');

// Mid$-style substring with 1-based start; out of range gives the empty text.
QString Mid(const QString& s, int start1, int length = -1);

}  // namespace vb

// A settings field that must hold a finite decimal number and nothing else (a blank field is
// 0), as both programs check what the observer typed before writing it.
bool NumberField(const QString& text, double& value);

}  // namespace orvan
