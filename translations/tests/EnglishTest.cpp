// The English face: every text of the sources has its English in the translation file, the
// English is loaded under an English locale only, and the windows and questions of both
// programs then read in English; under a Japanese or the C locale they read in Japanese.
#include "IniFile.h"
#include "Language.h"
#include "MainWindowFixture.h"
#include "Prompter.h"
#include "frmUtility.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QProcess>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTranslator>
#include <QXmlStreamReader>
#include <gtest/gtest.h>

namespace orvan {
namespace {

// The application the test main made.
QCoreApplication& app() { return *QCoreApplication::instance(); }

const QRegularExpression kJapanese(QStringLiteral("[\\x{3040}-\\x{30ff}\\x{4e00}-\\x{9fff}\\x{ff66}-\\x{ff9f}]"));

using Env = QList<QPair<const char*, QByteArray>>;

// Sets the locale variables of this process for one test and puts back what was there.
class LocaleScope {
 public:
  explicit LocaleScope(const Env& values) {
    for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) {
      saved_.append({name, qgetenv(name), qEnvironmentVariableIsSet(name)});
      qunsetenv(name);
    }
    for (const auto& [name, value] : values) qputenv(name, value);
  }
  ~LocaleScope() {
    for (const Saved& s : saved_) s.set ? qputenv(s.name, s.value) : qunsetenv(s.name);
  }

 private:
  struct Saved {
    const char* name;
    QByteArray value;
    bool set;
  };
  QList<Saved> saved_;
};

void removeTranslations() {
  for (QTranslator* t : app().findChildren<QTranslator*>()) {
    QCoreApplication::removeTranslator(t);
    delete t;
  }
}

// Every text a person reads in `top` and its children that is still Japanese.
QStringList japaneseTexts(QWidget* top) {
  QStringList found;
  const auto check = [&](QObject* o, const QString& text) {
    if (text.contains(kJapanese)) found << o->objectName() + QStringLiteral(": ") + text;
  };
  QList<QWidget*> widgets = top->findChildren<QWidget*>();
  widgets.prepend(top);
  for (QWidget* w : widgets) {
    if (w->isWindow()) check(w, w->windowTitle());
    check(w, w->toolTip());
    if (auto* l = qobject_cast<QLabel*>(w)) check(w, l->text());
    if (auto* b = qobject_cast<QAbstractButton*>(w)) check(w, b->text());
    if (auto* g = qobject_cast<QGroupBox*>(w)) check(w, g->title());
    if (auto* t = qobject_cast<QTabWidget*>(w))
      for (int i = 0; i < t->count(); ++i) check(w, t->tabText(i));
    if (auto* m = qobject_cast<QMenu*>(w)) check(w, m->title());
  }
  for (QAction* a : top->findChildren<QAction*>()) {
    check(a, a->text());
    if (a->toolTip() != a->text()) check(a, a->toolTip());
  }
  return found;
}

// The placeholders (%1, %2...) of a text, in order of first use.
QStringList placeholders(const QString& text) {
  QStringList out;
  for (const auto& m : QRegularExpression(QStringLiteral("%\\d")).globalMatch(text)) out << m.captured();
  out.sort();
  out.removeDuplicates();
  return out;
}

// The translation file refreshed from the sources of this checkout (in a copy): a text added to
// the sources without its English shows as unfinished, a placeholder or a line break lost in the
// English shows as a difference.
TEST(Translation, EveryTextOfTheSourcesHasItsEnglish) {
  QTemporaryDir dir;
  const QString src = QStringLiteral(ORVAN_SOURCE_DIR);
  const QString ts = dir.filePath(QStringLiteral("orvanmirel_en.ts"));
  ASSERT_TRUE(QFile::copy(src + QStringLiteral("/translations/orvanmirel_en.ts"), ts));
  QFile::setPermissions(ts, QFile::ReadOwner | QFile::WriteOwner);
  QProcess lupdate;
  lupdate.setWorkingDirectory(src);
  lupdate.setProcessChannelMode(QProcess::MergedChannels);
  lupdate.start(QStringLiteral(ORVAN_LUPDATE),
                {"-locations", "none", "-source-language", "ja", "-target-language", "en", "platform", "shared",
                 "controller", "utility", "bridge", "-extensions", "cpp,h", "-ts", ts});
  ASSERT_TRUE(lupdate.waitForFinished(120000));
  ASSERT_EQ(lupdate.exitCode(), 0) << lupdate.readAll().constData();

  QFile file(ts);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  QXmlStreamReader xml(&file);
  QString context, source;
  int messages = 0;
  QStringList problems;
  while (!xml.atEnd() && !xml.hasError()) {
    if (xml.readNext() != QXmlStreamReader::StartElement) continue;
    if (xml.name() == u"name") context = xml.readElementText();
    else if (xml.name() == u"source") source = xml.readElementText();
    else if (xml.name() == u"translation") {
      const QString type = xml.attributes().value(QStringLiteral("type")).toString();
      const QString english = xml.readElementText();
      ++messages;
      const QString where = context + QStringLiteral(" \"") + source + u'"';
      if (type == u"unfinished" || english.isEmpty()) problems << where + QStringLiteral(": no English");
      else if (type == u"vanished" || type == u"obsolete") continue;
      else if (english.contains(kJapanese)) problems << where + QStringLiteral(": Japanese left in \"") + english + u'"';
      else if (placeholders(english) != placeholders(source)) problems << where + QStringLiteral(": placeholders differ in \"") + english + u'"';
      else if (source.startsWith(u'\n') != english.startsWith(u'\n') || source.endsWith(u'\n') != english.endsWith(u'\n'))
        problems << where + QStringLiteral(": line breaks at the ends differ");
    }
  }
  ASSERT_FALSE(xml.hasError()) << qPrintable(xml.errorString());
  EXPECT_GT(messages, 200);
  EXPECT_TRUE(problems.isEmpty()) << qPrintable(problems.join(u'\n'));
}

// English only when the locale asks for it, in the order the C library reads the variables.
TEST(Translation, TheLocaleChoosesEnglishOnlyWhenItsLanguageIsEnglish) {
  const struct {
    Env env;
    const char* language;
  } cases[] = {
      {{{"LANG", "en_US.UTF-8"}}, "en"},
      {{{"LANG", "en_GB.UTF-8@euro"}}, "en"},
      {{{"LANG", "ja_JP.UTF-8"}}, "ja"},
      {{{"LANG", "C.UTF-8"}}, ""},
      {{{"LANG", "POSIX"}}, ""},
      {{}, ""},
      {{{"LANG", "ja_JP.UTF-8"}, {"LANGUAGE", "en_GB:ja"}}, "en"},
      {{{"LANG", "en_US.UTF-8"}, {"LANGUAGE", "ja"}}, "ja"},
      {{{"LANG", "en_US.UTF-8"}, {"LC_ALL", "ja_JP.UTF-8"}}, "ja"},
      {{{"LANG", "ja_JP.UTF-8"}, {"LC_MESSAGES", "en_US.UTF-8"}}, "en"},
      {{{"LANG", "en_US.UTF-8"}, {"LANGUAGE", ""}, {"LC_ALL", ""}}, "en"},
  };
  for (const auto& c : cases) {
    LocaleScope scope(c.env);
    QString described;
    for (const auto& [name, value] : c.env) described += QString::fromLatin1(name) + u'=' + QString::fromLatin1(value) + u' ';
    EXPECT_EQ(LocaleLanguage(), QString::fromLatin1(c.language)) << qPrintable(described);
    EXPECT_EQ(InstallLanguage(app()), QString::fromLatin1(c.language) == u"en") << qPrintable(described);
    removeTranslations();
  }
}

class EnglishUtility : public ::testing::Test {
 protected:
  void TearDown() override { removeTranslations(); }
  QTemporaryDir dir;
  ScriptedPrompter prompter;
  ScopedPrompter scoped{prompter};
};

// The whole utility, every tab, and its question when the E-Vexil's port cannot be opened (the
// folder has no ports).
TEST_F(EnglishUtility, ReadsInEnglishUnderAnEnglishLocaleAndInJapaneseOtherwise) {
  {
    LocaleScope english(Env{{"LANG", "en_US.UTF-8"}});
    ASSERT_TRUE(InstallLanguage(app()));
    frmUtility u(dir.path());
    ASSERT_TRUE(u.Form_Load());
    EXPECT_EQ(u.windowTitle(), u"OrvanMirel Utility");
    EXPECT_EQ(u.tabs->tabText(0), u"Site and mount");
    EXPECT_TRUE(japaneseTexts(&u).isEmpty()) << qPrintable(japaneseTexts(&u).join(u'\n'));
    u.btnConnect_Click();
    ASSERT_EQ(prompter.asked().size(), 1u);
    EXPECT_EQ(prompter.asked()[0].title, u"COM port error");
    EXPECT_FALSE(prompter.asked()[0].text.contains(kJapanese)) << qPrintable(prompter.asked()[0].text);
    // A wrong entry is explained beside its field in English too.
    u.txtLocation[0]->setText(QStringLiteral("95"));
    u.btnOK_Click(0);
    EXPECT_EQ(u.fieldError(QStringLiteral("txtLocation0")), u"Latitude degrees must be a whole number from 0 to 90 (entered: \"95\")");
  }
  removeTranslations();
  prompter.clear();
  for (const char* locale : {"ja_JP.UTF-8", "C"}) {
    LocaleScope other(Env{{"LANG", locale}});
    EXPECT_FALSE(InstallLanguage(app()));
    frmUtility u(dir.path());
    ASSERT_TRUE(u.Form_Load());
    EXPECT_EQ(u.windowTitle(), u"OrvanMirel ユーティリティ") << locale;
    EXPECT_EQ(u.tabs->tabText(0), u"観測地・赤道儀") << locale;
  }
}

// The controller's main window with its dome panel, set up and connected: every caption, menu
// and tip of every layout, and the question of the park button.
class EnglishMainWindow : public test::MainWindowTest {
 protected:
  void TearDown() override {
    MainWindowTest::TearDown();
    removeTranslations();
  }
};

TEST_F(EnglishMainWindow, EveryCaptionMenuAndTipReadsInEnglish) {
  LocaleScope english(Env{{"LANG", "en_US.UTF-8"}});
  ASSERT_TRUE(InstallLanguage(app()));
  settings("[Location]\nLONGITUDE=E139:44:20\nLATITUDE=+35:40:00\nTIMEZONE=9.0\n"
           "[TELESCOPE]\nTelescope= 5\nCommPort=12\nMount=G\n[PUBLIC]\nFormSizeChange= 1\n"
           "[PARK]\nAZ= 0\nAlt= 54\n"
           "[DOME]\nController= 0\nENC3_PULSES= 3600\nUpDown= 1\nSLIT_TIMER= 2\nHomePosition=-1\n"
           "[RELAY]\n$021=10\n$022=11\n$023=0*\n$024=**10\n$025=**01\n$026=**00\n");
  start();
  const QStringList left = japaneseTexts(w.get());
  EXPECT_TRUE(left.isEmpty()) << qPrintable(left.join(u'\n'));
  prompter.clear();
  prompter.push(Answer::Cancel);
  test::click(find("btnP"));
  ASSERT_FALSE(prompter.asked().empty());
  EXPECT_EQ(prompter.asked().back().title.toStdString(), "Park");
  EXPECT_FALSE(prompter.asked().back().text.contains(kJapanese)) << qPrintable(prompter.asked().back().text);
}

// The controller as the observer starts it: a question asked at the start (the planetarium's
// port has the mount's number) reads in the locale's language.
TEST(EnglishController, TheQuestionsOfTheRunningProgramFollowTheLocale) {
  const struct {
    const char* lang;
    const char* expected;
  } cases[] = {{"en_US.UTF-8", "has the same number as the telescope port"},
               {"ja_JP.UTF-8", "は望遠鏡の通信ポート(TELESCOPE/CommPort)と同じ番号です"},
               {"C", "は望遠鏡の通信ポート(TELESCOPE/CommPort)と同じ番号です"}};
  for (const auto& c : cases) {
    QTemporaryDir dir;
    test::writeFile(dir.filePath(QStringLiteral("OrvanMirel.ini")),
                    "[TELESCOPE]\nVCommPort= 9\nCommPort= 9\n[PUBLIC]\nFormSizeChange= 2\n");
    QProcess controller;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("orvan.prompter.info=true"));
    env.insert(QStringLiteral("ORVAN_PROGRAM_FOLDER"), dir.path());
    env.insert(QStringLiteral("LANG"), QString::fromLatin1(c.lang));
    for (const char* v : {"LANGUAGE", "LC_ALL", "LC_MESSAGES"}) env.remove(QString::fromLatin1(v));
    controller.setProcessEnvironment(env);
    controller.setProcessChannelMode(QProcess::MergedChannels);
    controller.start(QString::fromLocal8Bit(qgetenv("ORVAN_BIN_DIR")) + QStringLiteral("/OrvanMirel"), {});
    ASSERT_TRUE(controller.waitForStarted(10000));
    QByteArray said;
    // A minute without a word ends the wait.
    while (!said.contains("asking:") && controller.waitForReadyRead(60000)) said += controller.readAll();
    controller.terminate();
    controller.waitForFinished(30000);
    said += controller.readAll();
    EXPECT_TRUE(QString::fromUtf8(said).contains(QString::fromUtf8(c.expected))) << c.lang << ": " << said.constData();
  }
}

}  // namespace
}  // namespace orvan
