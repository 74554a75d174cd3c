#pragma once
// The language the observer reads. The texts are written in Japanese; an observer whose locale
// is English (LANGUAGE, LC_ALL, LC_MESSAGES or LANG starting with "en") reads the English
// translation built into the programs. Every other locale keeps the Japanese.
#include <QString>

class QCoreApplication;

namespace orvan {

// The language the locale environment names: LANGUAGE's first entry, else the first of
// LC_ALL, LC_MESSAGES, LANG that is set ("en_GB.UTF-8" -> "en"; "C", "POSIX" and none -> "").
QString LocaleLanguage();

// Installs the English translation on `app` when LocaleLanguage() is English. Returns true
// when the English texts are in use.
bool InstallLanguage(QCoreApplication& app);

}  // namespace orvan
