#pragma once
// Message boxes. Every question the program asks the observer (time-outs, confirmations,
// failures) goes through the current Prompter, so tests can answer them.
#include <QString>
#include <QStringList>
#include <deque>
#include <vector>

namespace orvan {

// Answers carry the numbers the drivers store (LastTimeoutAnswer: 3 Abort, 4 Retry, 5 Ignore).
enum class Answer { None = 0, Ok = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7 };
enum class Buttons { Ok, OkCancel, AbortRetryIgnore, YesNo, YesNoCancel, RetryCancel };
enum class Icon { None, Information, Question, Exclamation, Critical };

class Prompter {
 public:
  virtual ~Prompter() = default;
  virtual Answer ask(const QString& title, const QString& text, Buttons buttons, Icon icon) = 0;

  static Prompter& current();
  static void install(Prompter* p);  // nullptr restores the message-box prompter

  // The program is ending (SIGTERM, Ctrl+C): every open dialog is closed as if without a
  // button, and from now on no message box is shown; each question gets the answer of a box
  // closed without a button at once.
  static void endAll();
  static bool ending();
};

// Real modal message boxes.
class MessageBoxPrompter final : public Prompter {
 public:
  Answer ask(const QString& title, const QString& text, Buttons buttons, Icon icon) override;
};

// Answers from a script, recording every question; an exhausted script answers the first
// button (OK / Abort / Yes), so a test never blocks on a box nobody can see.
class ScriptedPrompter final : public Prompter {
 public:
  struct Asked {
    QString title, text;
    Buttons buttons;
    Icon icon;
  };
  void push(Answer a) { script_.push_back(a); }
  Answer ask(const QString& title, const QString& text, Buttons buttons, Icon icon) override;
  const std::vector<Asked>& asked() const { return asked_; }
  void clear() { asked_.clear(); script_.clear(); }

 private:
  std::deque<Answer> script_;
  std::vector<Asked> asked_;
};

class ScopedPrompter {
 public:
  explicit ScopedPrompter(Prompter& p) { Prompter::install(&p); }
  ~ScopedPrompter() { Prompter::install(nullptr); }
  ScopedPrompter(const ScopedPrompter&) = delete;
  ScopedPrompter& operator=(const ScopedPrompter&) = delete;
};

}  // namespace orvan
