#pragma once
// A serial line made of a pseudo-terminal: its slave side is what the other program opens
// (through the link ports/COM<n> in a program folder: planetarium programs open the controller's
// virtual port, the controller opens a simulator's), and the master side is read and written
// here. Every read of the master is one chunk, handed on as it came.
//
// The controller keeps its own descriptor of the slave open for the life of the port: without
// it the master sees a hang-up whenever the last client closes. Because that keeps the terminal
// alive between clients, a client's exclusive mode (INDI sets it) and its unread replies would
// outlive it; both are cleared when a client closes the port.
#include <QByteArray>
#include <QObject>
#include <QString>

class QSocketNotifier;

namespace orvan {

class PseudoTerminal : public QObject {
  Q_OBJECT
 public:
  explicit PseudoTerminal(QObject* parent = nullptr);
  ~PseudoTerminal() override;

  // Opens the terminal pair and links `linkPath` to the slave. A stale link whose terminal
  // is gone is replaced; anything else already there makes the creation fail.
  bool create(const QString& linkPath);
  // Something live stands at `linkPath`: a link to a device that exists (a simulator's terminal,
  // a real port) or any other file. A link that points nowhere, or to a pseudo-terminal younger
  // than the link (its number reused after the program that made the link died), is stale.
  static bool linkInUse(const QString& linkPath);
  // Closes the terminal and removes the link. Harmless when nothing exists.
  void remove();
  bool exists() const { return master_ >= 0; }
  // The device path clients open (/dev/pts/N) and the link to it.
  QString slavePath() const { return slavePath_; }
  QString linkPath() const { return linkPath_; }

  // Sends the bytes to the program that opened the port. What the terminal cannot take now
  // waits and goes out in order as the program reads; a program that leaves more than
  // kMaxOutgoing unread loses what does not fit (false).
  bool send(const QByteArray& bytes);
  static constexpr qsizetype kMaxOutgoing = 256 * 1024;

 signals:
  void received(const QByteArray& chunk);
  // A client closed the port (the next one finds it free again).
  void clientClosed();

 private:
  void readMaster();
  void readCloseEvents();
  void releaseAfterClient();
  void flushOutgoing();

  int master_ = -1;
  int slave_ = -1;
  int watch_ = -1;  // inotify descriptor watching the slave for closes
  QSocketNotifier* readNotifier_ = nullptr;
  QSocketNotifier* closeNotifier_ = nullptr;
  QSocketNotifier* writeNotifier_ = nullptr;
  QByteArray outgoing_;  // replies waiting for room in the terminal
  QString slavePath_;
  QString linkPath_;
};

}  // namespace orvan
