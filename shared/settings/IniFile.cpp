#include "IniFile.h"

#include "Cp932.h"

#include <QFile>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QLockFile>
#include <QLoggingCategory>
#include <QSaveFile>
#include <QStringList>
#include <QThread>
#include <optional>

Q_LOGGING_CATEGORY(lcSettings, "orvan.settings")

namespace orvan {

namespace {

constexpr int kMaxValue = 1023;

// Takes the settings file's lock within `ms`. Another program may write many keys one after
// another; QLockFile's own waiting doubles its pause after each try (up to seconds), so a
// writer could look in only eight times in ten seconds, miss every short gap between the
// other's writes and lose its values. Tried every few milliseconds instead.
bool lockWithin(QLockFile& lock, int ms) {
  const QDeadlineTimer deadline(ms);
  while (!lock.tryLock(0)) {
    if (lock.error() != QLockFile::LockFailedError || deadline.hasExpired()) return false;
    QThread::msleep(5);
  }
  return true;
}

// The file as lines. Each line keeps its own bytes, so a write changes only the line it
// writes: bytes that are neither UTF-8 nor CP932 elsewhere in the file survive untouched.
struct IniText {
  QStringList lines;     // decoded, for finding sections and keys
  QList<QByteArray> raw; // as found (without the line end)
  bool utf8 = true;
  bool bom = false;
  QByteArray eol = "\n";
  bool endsWithEol = true;

  QByteArray encode(const QString& line) const { return utf8 ? line.toUtf8() : cp932::encode(line); }
  void set(int i, const QString& line) {
    lines[i] = line;
    raw[i] = encode(line);
  }
  void insert(int i, const QString& line) {
    lines.insert(i, line);
    raw.insert(i, encode(line));
  }
};

std::optional<QByteArray> readBytes(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return std::nullopt;
  return f.readAll();
}

IniText parse(const QByteArray& whole) {
  IniText t;
  QByteArray bytes = whole;
  if (bytes.startsWith("\xEF\xBB\xBF")) {
    t.bom = true;
    bytes.remove(0, 3);
  }
  t.utf8 = t.bom || cp932::isValidUtf8(bytes);
  // The file's first line break decides: a stray carriage return further on would otherwise
  // turn a file written with "\n" into one with "\r\n" at its next write.
  // A single line ending in a carriage return counts as "\r\n" too: written with "\n" after
  // it, it would read back as one.
  const qsizetype lf = bytes.indexOf('\n');
  if (lf < 0 ? bytes.endsWith('\r') : lf > 0 && bytes[lf - 1] == '\r') t.eol = "\r\n";
  if (bytes.isEmpty()) return t;
  t.endsWithEol = bytes.endsWith('\n');
  if (t.endsWithEol) bytes.chop(1);
  for (QByteArray line : bytes.split('\n')) {
    // A carriage return belongs to the line break only in a "\r\n" file; elsewhere it is kept
    // (the trimming of keys and values ignores it), so the file is written back as it was.
    if (t.eol == "\r\n" && line.endsWith('\r')) line.chop(1);
    t.lines << (t.utf8 ? QString::fromUtf8(line) : cp932::decode(line));
    t.raw << line;
  }
  return t;
}

QByteArray serialise(const IniText& t) {
  QByteArray out = t.bom ? QByteArray("\xEF\xBB\xBF") : QByteArray();
  for (qsizetype i = 0; i < t.raw.size(); ++i) {
    out += t.raw[i];
    if (i + 1 < t.raw.size() || t.endsWithEol) out += t.eol;
  }
  return out;
}

// "[name]" → name; anything else → nullopt.
std::optional<QString> sectionName(const QString& line) {
  const QString s = line.trimmed();
  if (!s.startsWith(u'[')) return std::nullopt;
  const int close = s.indexOf(u']');
  return (close < 0 ? s.mid(1) : s.mid(1, close - 1)).trimmed();
}

bool isComment(const QString& line) {
  const QString s = line.trimmed();
  return s.startsWith(u';') || s.startsWith(u'#');
}

// "key=value" → key; lines without '=' have no key.
std::optional<QString> keyOf(const QString& line) {
  if (isComment(line)) return std::nullopt;
  const int eq = line.indexOf(u'=');
  if (eq < 0) return std::nullopt;
  return line.left(eq).trimmed();
}

QString valueOf(const QString& line) {
  QString v = line.mid(line.indexOf(u'=') + 1).trimmed();
  // Like the Windows reader: one pair of matching quotes around the value is removed.
  if (v.size() >= 2 && (v.front() == u'"' || v.front() == u'\'') && v.back() == v.front())
    v = v.mid(1, v.size() - 2);
  const int nul = v.indexOf(QChar(0));
  if (nul >= 0) v.truncate(nul);
  return v.left(kMaxValue);
}

bool same(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

// Index range [begin, end) of the first section called `section`; begin = -1 when absent.
std::pair<int, int> findSection(const QStringList& lines, const QString& section) {
  int begin = -1;
  for (int i = 0; i < lines.size(); ++i) {
    const auto name = sectionName(lines[i]);
    if (!name) continue;
    if (begin >= 0) return {begin, i};
    if (same(*name, section)) begin = i + 1;
  }
  return {begin, int(lines.size())};
}

int findKey(const QStringList& lines, std::pair<int, int> range, const QString& key) {
  for (int i = range.first; i < range.second; ++i) {
    const auto k = keyOf(lines[i]);
    if (k && same(*k, key)) return i;
  }
  return -1;
}

}  // namespace

namespace {
// The copy every successful write leaves beside the file. A settings file deleted while a
// program runs (by hand, by a careless script) is read from it and written back from it, so
// the next write does not leave a file holding that one key.
QString lastCopy(const QString& path) { return path + QStringLiteral(".last"); }

std::optional<QByteArray> readCurrent(const QString& path) {
  if (auto bytes = readBytes(path)) return bytes;
  if (QFileInfo::exists(path)) return std::nullopt;  // there but unreadable: nothing to stand in
  return readBytes(lastCopy(path));
}
}  // namespace

QString ReadIni(const QString& path, const QString& section, const QString& key) {
  const auto bytes = readCurrent(path);
  if (!bytes) return {};
  const IniText t = parse(*bytes);
  const auto range = findSection(t.lines, section);
  if (range.first < 0) return {};
  const int k = findKey(t.lines, range, key);
  return k < 0 ? QString() : valueOf(t.lines[k]);
}

namespace {

// The value as one line: line breaks would split it into lines the readers take for keys.
QString oneLine(const QString& value) {
  QString v = value;
  v.replace(u'\r', u' ').replace(u'\n', u' ');
  return v;
}

void apply(IniText& t, const IniEntry& e) {
  const QString v = oneLine(e.value);
  const QString line = e.key + u'=' + v;
  auto range = findSection(t.lines, e.section);
  if (range.first < 0) {
    t.insert(int(t.lines.size()), u'[' + e.section + u']');
    t.insert(int(t.lines.size()), line);
    t.endsWithEol = true;
    return;
  }
  const int k = findKey(t.lines, range, e.key);
  if (k >= 0) {
    // Keep the key's spelling as it stands in the file.
    t.set(k, t.lines[k].left(t.lines[k].indexOf(u'=')).trimmed() + u'=' + v);
    return;
  }
  // After the section's last non-blank line, so blank separators stay between sections.
  int at = range.second;
  while (at > range.first && t.lines[at - 1].trimmed().isEmpty()) --at;
  t.insert(at, line);
  if (at == t.lines.size() - 1) t.endsWithEol = true;
}

}  // namespace

bool WriteIni(const QString& path, const QString& section, const QString& key, const QString& value) {
  return WriteIniEntries(path, {IniEntry{section, key, value}});
}

bool WriteIniEntries(const QString& path, const QList<IniEntry>& entries) {
  const QFileInfo info(path);
  // A file without write permission keeps its values, also for root (who ignores the bits).
  constexpr auto anyWrite = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
  if (info.exists() && (!info.isWritable() || !(info.permissions() & anyWrite))) return false;
  if (entries.isEmpty()) return true;

  QLockFile lock(path + QStringLiteral(".lock"));
  lock.setStaleLockTime(0);
  if (!lockWithin(lock, 10000)) {
    qCWarning(lcSettings) << "settings file is locked, values not written:" << path << entries.size();
    return false;
  }

  // The file as it is now, under the lock: keys written by the other program since it was
  // last read keep their new text.
  IniText t;
  if (const auto bytes = readBytes(path)) {
    t = parse(*bytes);
  } else if (const auto kept = readCurrent(path)) {
    qCWarning(lcSettings) << "settings file missing, written back from its last copy:" << path;
    t = parse(*kept);
  }
  for (const IniEntry& e : entries) apply(t, e);

  QSaveFile out(path);
  if (!out.open(QIODevice::WriteOnly)) return false;
  const QByteArray data = serialise(t);
  if (out.write(data) != data.size()) {
    out.cancelWriting();
    return false;
  }
  if (!out.commit()) return false;
  QSaveFile copy(lastCopy(path));
  if (copy.open(QIODevice::WriteOnly) && copy.write(data) == data.size()) copy.commit();
  return true;
}

}  // namespace orvan
