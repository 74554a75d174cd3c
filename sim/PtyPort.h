#pragma once
// The simulator's end of a serial line: a pseudo-terminal whose other end is linked as
// FOLDER/ports/COM<n>, so the controller opens it like any port. The slave side stays open
// here too, so a client may close and reopen the port without the master seeing a hang-up.
#include <QByteArray>
#include <QObject>
#include <QString>

class QSocketNotifier;

namespace orvan::sim {

class PtyPort : public QObject {
  Q_OBJECT
 public:
  PtyPort(const QString& folder, int comNumber, QObject* parent = nullptr);
  ~PtyPort() override;

  // Creates the pseudo-terminal and the link; false (with errorText()) when it cannot.
  bool open();
  // Closes the pseudo-terminal and removes the link: the device is gone.
  void close();
  bool isOpen() const { return master_ >= 0; }
  void write(const QByteArray& bytes);

  QString linkPath() const { return linkPath_; }
  QString slavePath() const { return slavePath_; }
  QString errorText() const { return error_; }

 signals:
  void received(const QByteArray& bytes);

 private:
  void onReadable();

  QString folder_;
  int com_;
  QString linkPath_, slavePath_, error_;
  int master_ = -1, slave_ = -1;
  QSocketNotifier* notifier_ = nullptr;
};

}  // namespace orvan::sim
