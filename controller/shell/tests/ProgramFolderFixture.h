#pragma once
// A program folder of the test's own, with a recording launcher, a scripted observer and
// recording mount drivers for the entries the test names: what the window tests and the
// headless observatory tests start from.
#include "FakeMountDriver.h"
#include "Observatory.h"
#include "ProcessLauncher.h"
#include "ProgramFolder.h"
#include "Prompter.h"

#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
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

class ProgramFolderTest : public ::testing::Test {
 protected:
  QTemporaryDir dir;
  RecordingLauncher launcher;
  ScriptedPrompter prompter;
  std::vector<FakeMountDriver*> fakes;  // owned by the observatory
  std::vector<std::pair<int, QString>> linkSent;
  // Mount-list entries that get a recording driver; the others have none in this build.
  QStringList fakeEntries{QStringLiteral("Meade LX200"), QStringLiteral("Meade LX200GPS")};

  void SetUp() override {
    SetProgramFolderForTests(dir.path());
    ProcessLauncher::install(&launcher);
    Prompter::install(&prompter);
  }
  void TearDown() override {
    ProcessLauncher::install(nullptr);
    Prompter::install(nullptr);
    SetProgramFolderForTests({});
  }
  QString ini() const { return dir.filePath(QStringLiteral("OrvanMirel.ini")); }
  void settings(const QByteArray& text) { writeFile(ini(), text); }
  // Recording drivers on the state `state` gives, and the link's messages recorded.
  MainWindowParts recordingParts(std::function<SharedState&()> state) {
    MainWindowParts p;
    p.createMountDriver = [this, state](const QString& entry, QObject* parent) -> MountDriver* {
      if (!fakeEntries.contains(entry)) return nullptr;
      auto* f = new FakeMountDriver(state(), parent);
      fakes.push_back(f);
      return f;
    };
    p.linkSend = [this](int code, const QString& text, bool) { linkSent.emplace_back(code, text); };
    return p;
  }
  FakeMountDriver& mount() { return *fakes.at(0); }
};

}  // namespace orvan::test
