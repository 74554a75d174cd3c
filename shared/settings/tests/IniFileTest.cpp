#include "IniFile.h"

#include "Cp932.h"

#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <atomic>
#include <thread>
#include <sys/stat.h>
#include <unistd.h>

using namespace orvan;

namespace {

QByteArray slurp(const QString& p) {
  QFile f(p);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void spit(const QString& p, const QByteArray& b) {
  QFile f(p);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write(b);
}

class Ini : public ::testing::Test {
 protected:
  QTemporaryDir dir;
  QString path() const { return dir.filePath("OrvanMirel.ini"); }
};

}  // namespace

TEST_F(Ini, AbsentFileSectionOrKeyReadsEmpty) {
  EXPECT_EQ(ReadIni(path(), "Location", "LATITUDE"), "");
  spit(path(), "[Location]\nLATITUDE=+35:39:29\n");
  EXPECT_EQ(ReadIni(path(), "Nowhere", "LATITUDE"), "");
  EXPECT_EQ(ReadIni(path(), "Location", "LONGITUDE"), "");
  EXPECT_EQ(ReadIni(dir.filePath("missing/dir/x.ini"), "A", "B"), "");
}

TEST_F(Ini, SectionsAndKeysIgnoreCaseAndBlanks) {
  spit(path(), "[LOCATION]\r\n  latitude = +35:39:29  \r\n[dome]\r\nDOME_Auto=1\r\n");
  EXPECT_EQ(ReadIni(path(), "Location", "LATITUDE"), "+35:39:29");
  EXPECT_EQ(ReadIni(path(), "DOME", "Dome_Auto"), "1");
}

TEST_F(Ini, ValuesAreCutAt1023CharactersAndQuotesDropped) {
  spit(path(), "[A]\nlong=" + QByteArray(1500, 'x') + "\nq=\"quoted text\"\n");
  EXPECT_EQ(ReadIni(path(), "A", "long").size(), 1023);
  EXPECT_EQ(ReadIni(path(), "A", "q"), "quoted text");
}

TEST_F(Ini, GarbageLinesAreIgnoredByReadsAndKeptByWrites) {
  const QByteArray before =
      "; site of the observatory\n"
      "garbage without equals\n"
      "[Location]\n"
      "# a comment\n"
      "LATITUDE=+35:39:29\n"
      "\n"
      "[TELESCOPE]\n"
      "Unknown=keep me\n";
  spit(path(), before);
  EXPECT_TRUE(WriteIni(path(), "Location", "LONGITUDE", "E139:44:30"));
  EXPECT_TRUE(WriteIni(path(), "Location", "latitude", "-33:52:10"));
  EXPECT_TRUE(WriteIni(path(), "PUBLIC", "FormSizeChange", " 1"));
  EXPECT_EQ(slurp(path()),
            "; site of the observatory\n"
            "garbage without equals\n"
            "[Location]\n"
            "# a comment\n"
            "LATITUDE=-33:52:10\n"
            "LONGITUDE=E139:44:30\n"
            "\n"
            "[TELESCOPE]\n"
            "Unknown=keep me\n"
            "[PUBLIC]\n"
            "FormSizeChange= 1\n");
  // The sign-padded value keeps its blank in the file; readers skip it.
  EXPECT_EQ(ReadIni(path(), "PUBLIC", "FormSizeChange"), "1");
}

TEST_F(Ini, LineEndingsBomAndEncodingAreKept) {
  spit(path(), "\xEF\xBB\xBF[A]\r\nx=1\r\n");
  WriteIni(path(), "A", "y", QString::fromUtf8("天頂"));
  EXPECT_EQ(slurp(path()), QByteArray("\xEF\xBB\xBF[A]\r\nx=1\r\ny=") + QString::fromUtf8("天頂").toUtf8() + "\r\n");

  // A Shift_JIS (CP932) file is read as such and written back in CP932.
  const QByteArray sjis = cp932::encode(QString::fromUtf8("[Option]\r\nExec=観測.sh\r\n"));
  spit(path(), sjis);
  EXPECT_EQ(ReadIni(path(), "Option", "Exec"), QString::fromUtf8("観測.sh"));
  WriteIni(path(), "Option", "ExitOption", "1");
  const QByteArray after = slurp(path());
  EXPECT_FALSE(cp932::isValidUtf8(after));
  EXPECT_EQ(cp932::decode(after), QString::fromUtf8("[Option]\r\nExec=観測.sh\r\nExitOption=1\r\n"));
}

TEST_F(Ini, StrayCarriageReturnsNeitherVanishNorTurnTheFileIntoCrLf) {
  // The first line break decides; a stray CR elsewhere stays where it was, and a second write
  // of the same value leaves the file byte for byte as the first one did.
  for (const QByteArray start : {QByteArray("\n\r\r"), QByteArray("[[A]\r"), QByteArray("[A]\nx=1\r\n\r\n")}) {
    spit(path(), start);
    WriteIni(path(), "PUBLIC", "FormSizeChange", " 1");
    const QByteArray once = slurp(path());
    EXPECT_EQ(ReadIni(path(), "PUBLIC", "FormSizeChange"), "1") << start.toStdString();
    WriteIni(path(), "PUBLIC", "FormSizeChange", " 1");
    EXPECT_EQ(slurp(path()), once) << start.toStdString();
  }
  spit(path(), "[A]\nx=1\r\n");
  EXPECT_EQ(ReadIni(path(), "A", "x"), "1");
  WriteIni(path(), "A", "y", "2");
  EXPECT_EQ(slurp(path()), QByteArray("[A]\nx=1\r\ny=2\n"));
}

TEST_F(Ini, MissingFileIsCreatedAndLineBreaksInAValueCannotInjectKeys) {
  EXPECT_TRUE(WriteIni(path(), "ASCOM", "Use", "False"));
  EXPECT_EQ(slurp(path()), "[ASCOM]\nUse=False\n");
  WriteIni(path(), "Option", "Exec", "a\n[DOME]\nController=2");
  EXPECT_EQ(ReadIni(path(), "DOME", "Controller"), "");
}

// Deleted while a program runs: reads and the next write come from the copy of the last
// write, so the observer's other settings are not reduced to the one key written next.
TEST_F(Ini, AFileDeletedWhileRunningComesBackWhole) {
  spit(path(), "; the observatory\n[Location]\nLATITUDE=+35:40:00\n");
  EXPECT_TRUE(WriteIni(path(), "DOME", "LastEnc", " 100"));
  QFile::remove(path());
  EXPECT_EQ(ReadIni(path(), "Location", "LATITUDE"), "+35:40:00");
  EXPECT_TRUE(WriteIni(path(), "DOME", "LastEnc", " 200"));
  EXPECT_EQ(slurp(path()), "; the observatory\n[Location]\nLATITUDE=+35:40:00\n[DOME]\nLastEnc= 200\n");
  // Both gone: a fresh start.
  QFile::remove(path());
  QFile::remove(path() + ".last");
  EXPECT_EQ(ReadIni(path(), "Location", "LATITUDE"), "");
  EXPECT_TRUE(WriteIni(path(), "DOME", "LastEnc", " 300"));
  EXPECT_EQ(slurp(path()), "[DOME]\nLastEnc= 300\n");
}

TEST_F(Ini, ReadOnlyFileOrFolderKeepsTheOldValues) {
  if (::geteuid() == 0) GTEST_SKIP() << "root writes through read-only permissions";
  spit(path(), "[A]\nx=1\n");
  ::chmod(path().toLocal8Bit().constData(), 0444);
  EXPECT_FALSE(WriteIni(path(), "A", "x", "2"));
  EXPECT_EQ(ReadIni(path(), "A", "x"), "1");
  ::chmod(path().toLocal8Bit().constData(), 0644);
  ::chmod(dir.path().toLocal8Bit().constData(), 0555);
  EXPECT_FALSE(WriteIni(path(), "A", "x", "3"));
  EXPECT_EQ(ReadIni(path(), "A", "x"), "1");
  ::chmod(dir.path().toLocal8Bit().constData(), 0755);
}

TEST_F(Ini, ReadOnlyFileKeepsItsValuesEvenForRoot) {
  // Root ignores permission bits, so the writer checks them itself.
  spit(path(), "[A]\nx=1\n");
  ::chmod(path().toLocal8Bit().constData(), 0444);
  EXPECT_FALSE(WriteIni(path(), "A", "x", "2"));
  EXPECT_EQ(ReadIni(path(), "A", "x"), "1");
}

TEST_F(Ini, TwoProcessesWritingTheSameFileLoseNoKey) {
  spit(path(), "; shared by the controller and the utility\n[Keep]\nme=yes\n");
  const QString writer = QString::fromLocal8Bit(qgetenv("ORVAN_BIN_DIR")) + "/ini_writer";
  ASSERT_TRUE(QFile::exists(writer)) << writer.toStdString();
  QProcess a, b;
  a.start(writer, {path(), "Concurrent", "a", "500"});
  b.start(writer, {path(), "Concurrent", "b", "500"});
  ASSERT_TRUE(a.waitForFinished(120000));
  ASSERT_TRUE(b.waitForFinished(120000));
  EXPECT_EQ(a.exitCode(), 0);
  EXPECT_EQ(b.exitCode(), 0);
  for (int i = 0; i < 500; ++i) {
    ASSERT_EQ(ReadIni(path(), "Concurrent", "a" + QString::number(i)), QString::number(i * 7)) << i;
    ASSERT_EQ(ReadIni(path(), "Concurrent", "b" + QString::number(i)), QString::number(i * 7)) << i;
  }
  EXPECT_EQ(ReadIni(path(), "Keep", "me"), "yes");
  EXPECT_TRUE(slurp(path()).startsWith("; shared by the controller and the utility\n"));
  // No temporary or lock file is left behind; the last write's copy is the whole file.
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), (QStringList{"OrvanMirel.ini", "OrvanMirel.ini.last"}));
  EXPECT_EQ(slurp(path() + ".last"), slurp(path()));
}

// Another program that writes key after key holds the lock nearly all the time; a write
// must still find one of the short gaps between its writes instead of giving up.
TEST_F(Ini, AWriteFindsTheGapsOfABusyOtherWriter) {
  spit(path(), "[A]\nx=1\n");
  std::atomic<bool> stop{false}, holding{false};
  std::thread busy([&] {
    QLockFile other(path() + ".lock");
    other.setStaleLockTime(0);
    while (!stop) {
      if (!other.tryLock(1000)) continue;
      holding = true;
      std::this_thread::sleep_for(std::chrono::milliseconds(70));
      other.unlock();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  });
  while (!holding) std::this_thread::yield();
  const bool written = WriteIni(path(), "A", "x", "2");
  stop = true;
  busy.join();
  EXPECT_TRUE(written);
  EXPECT_EQ(ReadIni(path(), "A", "x"), "2");
}

TEST_F(Ini, BytesOfNoKnownEncodingSurviveAWriteElsewhere) {
  // 0x80 and 0xA0 are neither UTF-8 nor CP932: a hand-edited comment must come back as it was.
  const QByteArray odd = "; \x80\xA0 odd bytes\r\n[A]\r\nx=1\r\n";
  spit(path(), odd);
  EXPECT_TRUE(WriteIni(path(), "A", "x", "2"));
  EXPECT_EQ(slurp(path()), "; \x80\xA0 odd bytes\r\n[A]\r\nx=2\r\n");
  // A file without a final line end gets one only where a line is added after it.
  spit(path(), "[A]\nx=1");
  WriteIni(path(), "A", "x", "3");
  EXPECT_EQ(slurp(path()), "[A]\nx=3");
  WriteIni(path(), "B", "y", "4");
  EXPECT_EQ(slurp(path()), "[A]\nx=3\n[B]\ny=4\n");
}

TEST_F(Ini, SeveralValuesAreWrittenTogetherOrNotAtAll) {
  spit(path(), "[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n");
  EXPECT_TRUE(WriteIniEntries(path(), {{"A", "X", "10"}, {"b", "z", "3"}, {"C", "w", "4"}, {"A", "x", "11"}}));
  // The key keeps its spelling, later entries win, new keys join their section before the blank line.
  EXPECT_EQ(slurp(path()), "[A]\r\nx=11\r\n\r\n[B]\r\ny=2\r\nz=3\r\n[C]\r\nw=4\r\n");
  ::chmod(path().toLocal8Bit().constData(), 0444);
  EXPECT_FALSE(WriteIniEntries(path(), {{"A", "x", "12"}, {"B", "y", "5"}}));
  EXPECT_EQ(ReadIni(path(), "A", "x"), "11");
  EXPECT_EQ(ReadIni(path(), "B", "y"), "2");
}
