#pragma once
// The main window in this process (offscreen) on a program folder of its own, with the
// observer's clicks sent as real mouse events to the named controls.
#include "FakeMountDriver.h"
#include "ProcessLauncher.h"
#include "ProgramFolder.h"
#include "Prompter.h"
#include "frmMain.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <QImage>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>
#include <utility>
#include <vector>

namespace orvan::test {

inline void writeFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write(bytes);
}

inline QByteArray readFile(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Closing the main window ends the application's event loops; the next window starts afresh
// the way a new program run would.
inline void resetEventLoops() {
  QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
  QCoreApplication::exec();
}

inline void mouse(QWidget* w, QEvent::Type type, Qt::MouseButton button = Qt::LeftButton) {
  const QPointF at(w->width() / 2.0, w->height() / 2.0);
  QMouseEvent e(type, at, w->mapToGlobal(at), button, type == QEvent::MouseButtonRelease ? Qt::NoButton : button,
                Qt::NoModifier);
  QApplication::sendEvent(w, &e);
}
inline void press(QWidget* w) { mouse(w, QEvent::MouseButtonPress); }
inline void release(QWidget* w) { mouse(w, QEvent::MouseButtonRelease); }
inline void click(QWidget* w) {
  press(w);
  release(w);
}
inline void doubleClick(QWidget* w) {
  press(w);
  release(w);
  mouse(w, QEvent::MouseButtonDblClick);
  release(w);
}

// The colour a control shows, as the observer sees it.
inline QColor shownColour(QWidget* w) {
  // The colour covering most of it: the caption and the edges are small.
  const QImage img = w->grab().toImage();
  QHash<QRgb, int> count;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) ++count[img.pixel(x, y)];
  QRgb best = 0;
  int most = -1;
  for (auto it = count.cbegin(); it != count.cend(); ++it)
    if (it.value() > most) most = it.value(), best = it.key();
  return QColor(best);
}

class MainWindowTest : public ::testing::Test {
 protected:
  QTemporaryDir dir;
  RecordingLauncher launcher;
  ScriptedPrompter prompter;
  std::vector<FakeMountDriver*> fakes;  // owned by the window
  std::vector<std::pair<int, QString>> linkSent;
  std::unique_ptr<frmMain> w;
  // Mount-list entries that get a recording driver; the others have none in this build.
  QStringList fakeEntries{QStringLiteral("Meade LX200"), QStringLiteral("Meade LX200GPS")};

  void SetUp() override {
    SetProgramFolderForTests(dir.path());
    ProcessLauncher::install(&launcher);
    Prompter::install(&prompter);
  }
  void TearDown() override {
    closeWindow();
    ProcessLauncher::install(nullptr);
    Prompter::install(nullptr);
    SetProgramFolderForTests({});
  }
  QString ini() const { return dir.filePath(QStringLiteral("OrvanMirel.ini")); }
  void settings(const QByteArray& text) { writeFile(ini(), text); }

  MainWindowParts parts() {
    MainWindowParts p;
    p.createMountDriver = [this](const QString& entry, QObject* parent) -> MountDriver* {
      if (!fakeEntries.contains(entry)) return nullptr;
      auto* f = new FakeMountDriver(w->observatory().state(), parent);
      fakes.push_back(f);
      return f;
    };
    p.linkSend = [this](int code, const QString& text, bool) { linkSent.emplace_back(code, text); };
    return p;
  }
  // Starts the window without the title's five seconds.
  void start() {
    w = std::make_unique<frmMain>(parts());
    w->observatory().setStartWait(0);
    ASSERT_TRUE(w->Form_Load());
    w->show();
  }
  void closeWindow() {
    if (!w) return;
    if (w->isVisible()) w->close();
    w.reset();
    resetEventLoops();
  }
  FakeMountDriver& mount() { return *fakes.at(0); }

  template <typename T = QWidget>
  T* find(const char* name) {
    T* c = w->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(c, nullptr) << name;
    return c;
  }
  QAction* action(const char* name) { return w->findChild<QAction*>(QString::fromLatin1(name)); }
};

}  // namespace orvan::test
