#pragma once
// The document window: the manuals (PDF files) of the program folder's Document/ folder,
// opened with the desktop's own viewer. With one document it opens it at once and with none
// it shows nothing; the window appears only when there is a choice.
#include <QDialog>
#include <QString>
#include <array>
#include <functional>

class QLabel;
class QListWidget;
class QPushButton;

namespace orvan {

// Opens a file with the desktop's viewer; false with `error` set when none could be started.
// The path is handed over as one argument, never through a shell.
using DocumentOpener = std::function<bool(const QString& path, QString& error)>;
// xdg-open (found on PATH) started on its own; the desktop's default when it is missing.
bool OpenWithDesktop(const QString& path, QString& error);

class frmDocument : public QDialog {
  Q_OBJECT
 public:
  frmDocument(QString folder, DocumentOpener opener = OpenWithDesktop, QWidget* parent = nullptr);

  // What the timer does right after loading: close (no file), open the one file and close,
  // or show the list.
  void Timer1_Timer();
  void OpenDocument();
  void Command1_Click(int index);

  QListWidget* DocumentFileList = nullptr;
  QLabel* Label1 = nullptr;
  std::array<QPushButton*, 2> Command1{};

 private:
  QString folder_;
  DocumentOpener opener_;
};

}  // namespace orvan
