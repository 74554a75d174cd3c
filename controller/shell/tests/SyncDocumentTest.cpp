// The sync dialog on the reference stars of the moment, and the document window, through
// their widgets.
#include "Clock.h"
#include "Cp932.h"
#include "MainWindowFixture.h"
#include "Shared.h"
#include "frmDocument.h"
#include "frmSync.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QLocalSocket>
#include <QPushButton>

using namespace orvan;
using namespace orvan::test;

namespace {

// Tokyo (35:40 N); the mount connected in the hand layout; no dome.
const QByteArray kHand =
    "[Location]\nLONGITUDE=E139:44:20\nLATITUDE=+35:40:00\nTIMEZONE=9.0\n"
    "[TELESCOPE]\nTelescope= 5\nCommPort=12\nVCommPort= 9\nMount=G\n[PUBLIC]\nFormSizeChange= 1\n"
    "[DOME]\nController= 2\n[PARK]\nAZ=-1\nAlt=-1\n";

class SyncDialogTest : public MainWindowTest {
 protected:
  ManualClock clock{QDate(2026, 12, 7), 22 * 3600};
  ScopedClock pin{clock};

  void SetUp() override {
    MainWindowTest::SetUp();
    QDir(dir.path()).mkpath("ports");
    QFile::link("/dev/null", dir.filePath("ports/COM12"));
    settings(kHand);
  }
  // A star line on the meridian (right ascension = sidereal time) at `dec`.
  QString onMeridian(const char* name, const char* dec) {
    const int lst = obs().acal().LocalSiderealTime();
    return QString::fromUtf8(name) + ",1.0,," +
           QString::asprintf("赤経 %02dh%02dm%02d.00s 赤緯 %s\" (J2000)", lst / 3600, lst / 60 % 60, lst % 60, dec);
  }
  frmSync* dialog() {
    for (QWidget* t : QApplication::topLevelWidgets())
      if (auto* s = qobject_cast<frmSync*>(t); s && s->isVisible()) return s;
    return nullptr;
  }
  QStringList rows() {
    QStringList out;
    for (int i = 0; i < dialog()->SyncList->count(); ++i) out << dialog()->SyncList->item(i)->text();
    return out;
  }
  void choose(const QString& name) {
    dialog()->SyncList->setCurrentRow(rows().indexOf(name));
    click(dialog()->btnSync[0]);
    Wait(0);
  }
};

}  // namespace

TEST_F(SyncDialogTest, ListsTheHighStarsAndSyncsOnAStarOrTheZenith) {
  start();
  ASSERT_EQ(w->windowLayout(), 1);
  // 35:40 N: a star on the meridian at -34:19:59 stands just above 20 degrees, at -34:26 below.
  const QString file = QStringList{QString::fromUtf8("天頂,,,"), QString::fromUtf8("――明るい星――,,,"),
                                   onMeridian("高い星", "+35°40'00.0"), onMeridian("二十度", "-34°19'59.0"),
                                   onMeridian("十九度九", "-34°26'00.0"), QString::fromUtf8("壊れた行,1.0"),
                                   QString::fromUtf8("読めない星,1,,赤経 xxh 赤緯 +1"), onMeridian("南の星", "-20°30'00.0")}
                           .join("\r\n");
  writeFile(dir.filePath(QString::fromUtf8("基準恒星.txt")), cp932::encode(file));

  click(find("btnZ"));
  ASSERT_NE(dialog(), nullptr);
  EXPECT_TRUE(dialog()->windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_EQ(rows(), QString::fromUtf8("天頂 ――明るい星―― 高い星 二十度 南の星").split(' '));
  EXPECT_EQ(dialog()->SyncList->currentRow(), 0);
  EXPECT_TRUE(dialog()->lblProblem->text().contains("2")) << dialog()->lblProblem->text().toStdString();

  // A caption has no position: said so, the dialog stays for another choice.
  choose(QString::fromUtf8("――明るい星――"));
  ASSERT_NE(dialog(), nullptr);
  EXPECT_TRUE(prompter.asked().empty());

  // A star: the observer confirms, the mount syncs on its J2000 position; the negative
  // declination keeps its sign.
  prompter.push(Answer::Ok);
  choose(QString::fromUtf8("南の星"));
  EXPECT_EQ(dialog(), nullptr);
  ASSERT_EQ(prompter.asked().size(), 1u);
  EXPECT_EQ(prompter.asked()[0].title, QString::fromUtf8("南の星で同期"));
  EXPECT_EQ(prompter.asked()[0].text, QString::fromUtf8("鏡筒を南の星へ向けて下さい\n「OK」で同期処理を行います"));
  const int lst = obs().acal().LocalSiderealTime();
  EXPECT_EQ(mount().calls.last(), QString("cmdSync %1.00 -73800.0 2000").arg(lst));

  // Cancel syncs nothing and closes; the zenith syncs on the zenith.
  click(find("btnZ"));
  prompter.push(Answer::Cancel);
  mount().calls.clear();
  choose(QString::fromUtf8("天頂"));
  EXPECT_EQ(dialog(), nullptr);
  EXPECT_TRUE(mount().calls.isEmpty());
  click(find("btnZ"));
  prompter.push(Answer::Ok);
  choose(QString::fromUtf8("天頂"));
  EXPECT_EQ(mount().calls, QStringList{"SendZsync"});
  EXPECT_EQ(prompter.asked().back().title, QString::fromUtf8("天頂で同期"));

  // A refused sync is reported and the dialog closes all the same.
  mount().syncAnswer = false;
  click(find("btnZ"));
  prompter.push(Answer::Ok);
  choose(QString::fromUtf8("高い星"));
  EXPECT_EQ(dialog(), nullptr);
  EXPECT_EQ(prompter.asked().back().title, QString::fromUtf8("同期が出来ません"));
  EXPECT_EQ(prompter.asked().back().text, QString::fromUtf8("高い星で同期は出来ません"));
  EXPECT_EQ(prompter.asked().back().icon, Icon::Critical);
}

TEST_F(SyncDialogTest, AUtf8FileReadsAndAMissingOneStillOffersTheZenith) {
  start();
  click(find("btnZ"));
  ASSERT_NE(dialog(), nullptr);
  EXPECT_EQ(rows(), QStringList{QString::fromUtf8("天頂")});
  EXPECT_TRUE(dialog()->lblProblem->isVisibleTo(dialog()));
  click(dialog()->btnSync[1]);
  Wait(0);
  EXPECT_EQ(dialog(), nullptr);

  writeFile(dir.filePath(QString::fromUtf8("基準恒星.txt")), "\xEF\xBB\xBF" + onMeridian("ベガ", "+38°47'01.3").toUtf8() + "\n");
  click(find("btnZ"));
  EXPECT_EQ(rows(), QStringList{QString::fromUtf8("ベガ")});
  EXPECT_FALSE(dialog()->lblProblem->isVisibleTo(dialog()));
}

// The utility button asks the link first; a cooperating program that already runs the utility
// answers, and no second one is started.
TEST_F(SyncDialogTest, TheUtilityStartsUnlessACooperatingProgramAnswers) {
  start();
  QLocalSocket program;
  program.connectToServer(obs().appLinkPath());
  ASSERT_TRUE(program.waitForConnected(2000));
  QByteArray heard;
  bool answer = true;
  QObject::connect(&program, &QLocalSocket::readyRead, [&] {
    heard += program.readAll();
    if (answer && heard.contains("ask 90 Utility\n")) program.write("ans 90 Utility\n");
  });
  for (int i = 0; i < 100 && heard.isEmpty(); ++i) Wait(10);  // greeted: the controller knows it
  ASSERT_EQ(heard, "orvan-link 1\n");
  click(find("btnUtility"));
  EXPECT_TRUE(heard.contains("ask 90 Utility\n"));
  EXPECT_TRUE(launcher.started.empty());

  answer = false;
  click(find("btnUtility"));
  ASSERT_EQ(launcher.started.size(), 1u);
  EXPECT_TRUE(launcher.started[0].program.endsWith("OrvanMirelutility"));
}

namespace {

class DocumentTest : public ::testing::Test {
 protected:
  QTemporaryDir dir;
  ScriptedPrompter prompter;
  ScopedPrompter scoped{prompter};
  QStringList opened;
  bool viewerFound = true;

  QPointer<frmDocument> load() {
    QPointer<frmDocument> d = new frmDocument(dir.path(), [this](const QString& path, QString& error) {
      opened << path;
      if (!viewerFound) error = "no viewer";
      return viewerFound;
    });
    Wait(0);
    return d;
  }
  void pdf(const char* name) { writeFile(dir.filePath(QString::fromUtf8(name)), "%PDF-1.4\n"); }
};

}  // namespace

TEST_F(DocumentTest, NoneOneOrAChoice) {
  writeFile(dir.filePath("readme.txt"), "not a manual");
  QPointer<frmDocument> d = load();
  Wait(0);
  EXPECT_TRUE(d.isNull());
  EXPECT_TRUE(opened.isEmpty());

  pdf("取扱説明書 第2版.pdf");
  d = load();
  Wait(0);
  EXPECT_TRUE(d.isNull());
  EXPECT_EQ(opened, QStringList{dir.filePath(QString::fromUtf8("取扱説明書 第2版.pdf"))});

  pdf("a.pdf");
  pdf("b.PDF");
  opened.clear();
  d = load();
  ASSERT_FALSE(d.isNull());
  EXPECT_TRUE(d->isVisible());
  EXPECT_EQ(d->windowTitle(), QString::fromUtf8("ドキュメントファイル"));
  EXPECT_EQ(d->DocumentFileList->count(), 3);
  EXPECT_EQ(d->DocumentFileList->currentRow(), 0);
  click(d->Command1[1]);
  Wait(0);
  EXPECT_TRUE(d.isNull());
  EXPECT_TRUE(opened.isEmpty());

  // Without a viewer the observer is told, with the file's path.
  viewerFound = false;
  d = load();
  d->DocumentFileList->setCurrentRow(1);
  click(d->Command1[0]);
  Wait(0);
  EXPECT_EQ(opened, QStringList{dir.filePath("b.PDF")});
  ASSERT_EQ(prompter.asked().size(), 1u);
  EXPECT_TRUE(prompter.asked()[0].text.contains("b.PDF"));
}

// The desktop's opener gets the path as one argument, spaces and all, without a shell.
TEST_F(DocumentTest, XdgOpenGetsThePathAsOneArgument) {
  const QString bin = dir.filePath("bin");
  QDir().mkpath(bin);
  writeFile(bin + "/xdg-open", "#!/bin/sh\nprintf '%s|' \"$#\" \"$@\" > \"" + dir.filePath("args").toUtf8() + "\"\n");
  QFile::setPermissions(bin + "/xdg-open", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  const QByteArray path = qgetenv("PATH");
  qputenv("PATH", bin.toUtf8() + ":" + path);
  QString error;
  const QString doc = dir.filePath("a b; rm -rf x $(y).pdf");
  EXPECT_TRUE(OpenWithDesktop(doc, error)) << error.toStdString();
  qputenv("PATH", path);
  for (int i = 0; i < 100 && !QFile::exists(dir.filePath("args")); ++i) Wait(20);
  Wait(50);
  EXPECT_EQ(QString::fromUtf8(readFile(dir.filePath("args"))), "1|" + doc + "|");
}

