#include "Language.h"

#include <QCoreApplication>
#include <QTranslator>

namespace orvan {

QString LocaleLanguage() {
  // LANGUAGE is a list ("en_GB:en:ja"): its first entry is the one wanted.
  QString name = qEnvironmentVariable("LANGUAGE").section(u':', 0, 0);
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    if (!name.isEmpty()) break;
    name = qEnvironmentVariable(variable);
  }
  name = name.section(u'.', 0, 0).section(u'@', 0, 0).section(u'_', 0, 0).toLower();
  return name == u"c" || name == u"posix" ? QString() : name;
}

bool InstallLanguage(QCoreApplication& app) {
  if (LocaleLanguage() != u"en") return false;
  // The translation is built into the program, so a program copied alone still has it.
  auto* english = new QTranslator(&app);
  if (!english->load(QStringLiteral(":/translations/orvanmirel_en.qm")) || !QCoreApplication::installTranslator(english)) {
    delete english;
    return false;
  }
  return true;
}

}  // namespace orvan
