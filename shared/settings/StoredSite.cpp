#include "StoredSite.h"

#include "IniFile.h"
#include "Vb.h"

#include <algorithm>

namespace orvan {

namespace {
// A field stored "as a whole number": rounded the way an Integer assignment rounds.
int32_t whole(const QString& text) {
  const double v = vb::RoundEven(vb::Val(text));
  if (v > 2147483647.0) return 2147483647;
  if (v < -2147483648.0) return -2147483647 - 1;
  return static_cast<int32_t>(v);
}

int32_t seconds(const QString& text, int degAt, int degLen, int minAt, int secAt) {
  const int64_t s = int64_t(whole(vb::Mid(text, degAt, degLen))) * 3600 + int64_t(whole(vb::Mid(text, minAt, 2))) * 60 +
                    whole(vb::Mid(text, secAt, 2));
  return static_cast<int32_t>(std::clamp<int64_t>(s, -2147483647, 2147483647));
}
}  // namespace

int32_t StoredLatitudeSeconds(const QString& text) {
  const int32_t s = seconds(text, 2, 2, 5, 8);
  return vb::Mid(text, 1, 1) == u"-" ? -s : s;
}

int32_t StoredLongitudeSeconds(const QString& text) {
  const int32_t s = seconds(text, 2, 3, 6, 9);
  return vb::Mid(text, 1, 1) == u"W" ? -s : s;
}

StoredSite ReadStoredSite(const QString& iniPath) {
  const auto read = [&](const char* key) { return ReadIni(iniPath, QStringLiteral("Location"), QString::fromLatin1(key)); };
  return {StoredLatitudeSeconds(read("LATITUDE")) / 3600.0, StoredLongitudeSeconds(read("LONGITUDE")) / 3600.0,
          vb::Val(read("Height"))};
}

}  // namespace orvan
