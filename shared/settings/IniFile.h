#pragma once
// The settings file, read and written the way Windows private-profile files behave:
// sections and keys compared without regard to case, every other line kept as it stands,
// values cut at 1023 characters, an absent file, section or key read as the empty text.
// Writes replace the file atomically and hold a lock across processes for the whole
// read-modify-write, because the controller and the utility write the same file. Each write
// also leaves a copy, "<file>.last": a file deleted while a program runs is read from that
// copy and written back from it (to start afresh, delete both).
#include <QList>
#include <QString>

namespace orvan {

QString ReadIni(const QString& path, const QString& section, const QString& key);
// Returns false when the value could not be stored (read-only file or folder, lock held too
// long); callers of the private-profile functions ignore it, tests look at it.
bool WriteIni(const QString& path, const QString& section, const QString& key, const QString& value);

struct IniEntry {
  QString section, key, value;
};
// Several values in one read-modify-write under the lock and one atomic replace: either all of
// them reach the file or none does. Keys not named keep the file's current text.
bool WriteIniEntries(const QString& path, const QList<IniEntry>& entries);

}  // namespace orvan
