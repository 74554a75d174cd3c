#include "Cp932.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace orvan::cp932 {

// Qt's "Shift_JIS" codec uses the Windows (CP932) tables: 0x5C stays a backslash and the
// half-width semi-voiced mark U+FF9F is the single byte 0xDF. glibc's SHIFT_JIS differs.
// Except for three control characters: ICU's table (IBM's) trades 0x1A, 0x1C and 0x7F round
// (U+001A is 0x7F there), where Windows keeps every ASCII byte as it is. Those three are put
// back before and after the codec.
//
// Opening the codec looks its name up in ICU's tables, which costs more than the short
// commands the drivers send several times a second: each thread keeps one of each and resets
// it before use, so no call sees what an earlier one left half done. Plain ASCII, which every
// mount command and most replies are, is the same bytes in CP932 and skips the codec.
namespace {

bool isAscii(const QString& text) {
  for (const QChar c : text)
    if (c.unicode() >= 0x80) return false;
  return true;
}

bool isAscii(const QByteArray& bytes) {
  for (const char b : bytes)
    if (static_cast<unsigned char>(b) >= 0x80) return false;
  return true;
}

// The characters ICU's codec takes or gives for the bytes 0x1A, 0x1C and 0x7F.
char16_t icuForByte(char16_t c) { return c == 0x1A ? 0x1C : c == 0x1C ? 0x7F : c == 0x7F ? 0x1A : c; }
char16_t byteForIcu(char16_t c) { return c == 0x1C ? 0x1A : c == 0x7F ? 0x1C : c == 0x1A ? 0x7F : c; }

}  // namespace

QByteArray encode(const QString& text) {
  if (isAscii(text)) return text.toLatin1();
  QString mapped = text;
  for (QChar& c : mapped) c = QChar(icuForByte(c.unicode()));
  thread_local QStringEncoder enc("Shift_JIS");
  enc.resetState();
  return enc.encode(mapped);
}

QString decode(const QByteArray& bytes) {
  if (isAscii(bytes)) return QString::fromLatin1(bytes);
  thread_local QStringDecoder dec("Shift_JIS");
  dec.resetState();
  QString text = dec.decode(bytes);
  for (QChar& c : text) c = QChar(byteForIcu(c.unicode()));
  return text;
}

bool isValidUtf8(const QByteArray& bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
  const qsizetype n = bytes.size();
  for (qsizetype i = 0; i < n;) {
    const unsigned char c = p[i];
    int extra = 0;
    unsigned min = 0;
    unsigned cp = 0;
    if (c < 0x80) { ++i; continue; }
    if ((c & 0xE0) == 0xC0) { extra = 1; min = 0x80; cp = c & 0x1F; }
    else if ((c & 0xF0) == 0xE0) { extra = 2; min = 0x800; cp = c & 0x0F; }
    else if ((c & 0xF8) == 0xF0) { extra = 3; min = 0x10000; cp = c & 0x07; }
    else return false;
    if (i + extra > n - 1) return false;
    for (int k = 1; k <= extra; ++k) {
      if ((p[i + k] & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (p[i + k] & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += extra + 1;
  }
  return true;
}

}  // namespace orvan::cp932
