#include "LinkWire.h"

#include <QCryptographicHash>
#include <QDir>
#include <QRegularExpression>
#include <QStandardPaths>

namespace orvan::linkwire {
namespace {

const char* word(Kind k) {
  switch (k) {
    case Kind::Message: return "msg";
    case Kind::Answer: return "ans";
    case Kind::Query: return "ask";
  }
  return "msg";
}

bool hasControl(const QString& text) {
  for (QChar c : text)
    if (c.unicode() < 0x20 || c.unicode() == 0x7f) return true;
  return false;
}

std::optional<int16_t> codeOf(const QByteArray& s) {
  // "-0", "+1", "007" and blanks are not codes.
  if (s.isEmpty() || s.size() > 6) return std::nullopt;
  int i = s[0] == '-' ? 1 : 0;
  if (i == s.size() || (s[i] == '0' && (s.size() - i > 1 || i == 1))) return std::nullopt;
  int v = 0;
  for (; i < s.size(); ++i) {
    if (s[i] < '0' || s[i] > '9') return std::nullopt;
    v = v * 10 + (s[i] - '0');
  }
  if (s[0] == '-') v = -v;
  if (v < -32768 || v > 32767) return std::nullopt;
  return static_cast<int16_t>(v);
}

}  // namespace

QByteArray Greeting() { return QByteArrayLiteral("orvan-link ") + QByteArray::number(kVersion); }

QByteArray Format(Kind kind, int16_t code, const QString& text) {
  if (hasControl(text)) return {};
  QByteArray line = QByteArray(word(kind)) + ' ' + QByteArray::number(code);
  if (!text.isEmpty()) line += ' ' + text.toUtf8();
  if (line.size() > kMaxLineBytes) return {};
  return line + '\n';
}

std::optional<Line> Parse(const QByteArray& raw) {
  if (raw.size() > kMaxLineBytes || raw.size() < 5) return std::nullopt;
  Line out;
  const QByteArray head = raw.left(4);
  if (head == "msg ") out.kind = Kind::Message;
  else if (head == "ans ") out.kind = Kind::Answer;
  else if (head == "ask ") out.kind = Kind::Query;
  else return std::nullopt;
  const qsizetype blank = raw.indexOf(' ', 4);
  const auto code = codeOf(blank < 0 ? raw.mid(4) : raw.mid(4, blank - 4));
  if (!code) return std::nullopt;
  out.code = *code;
  if (blank >= 0) {
    const QByteArray bytes = raw.mid(blank + 1);
    QString text = QString::fromUtf8(bytes);
    // Bytes that are not UTF-8 come back as replacement characters and are not a text.
    if (text.toUtf8() != bytes || hasControl(text)) return std::nullopt;
    out.text = std::move(text);
  }
  return out;
}

std::vector<QByteArray> LineReader::push(const QByteArray& bytes) {
  std::vector<QByteArray> lines;
  qsizetype from = 0;
  while (from <= bytes.size()) {
    const qsizetype end = bytes.indexOf('\n', from);
    const QByteArray piece = bytes.mid(from, end < 0 ? -1 : end - from);
    if (!skipping_) tail_ += piece;
    if (tail_.size() > kMaxLineBytes + 1) {  // +1: the "\r" that may stand before the "\n"
      if (!skipping_) ++dropped_;
      skipping_ = true;
      tail_.clear();
    }
    if (end < 0) break;
    if (!skipping_) {
      if (tail_.endsWith('\r')) tail_.chop(1);
      lines.push_back(tail_);
    }
    tail_.clear();
    skipping_ = false;
    from = end + 1;
  }
  return lines;
}

bool IsTargetText(const QString& text) {
  static const QRegularExpression kTarget(
      QStringLiteral("^\\s*\\(([0-9]{2}):([0-9]{2}):([0-9]{2}) ?([+-])([0-9]{2}):([0-9]{2}):([0-9]{2})\\)\\s*$"));
  const QRegularExpressionMatch m = kTarget.match(text);
  if (!m.hasMatch()) return false;
  const auto n = [&](int i) { return m.captured(i).toInt(); };
  const bool raOk = (n(1) < 24 && n(2) < 60 && n(3) < 60) || (n(1) == 24 && n(2) == 0 && n(3) == 0);
  const bool decOk = (n(5) < 90 && n(6) < 60 && n(7) < 60) || (n(5) == 90 && n(6) == 0 && n(7) == 0);
  return raOk && decOk;
}

QString SocketPath(const QString& programFolder) {
  const QString inFolder = QDir(programFolder).absoluteFilePath(QStringLiteral("OrvanMirel.link"));
  // sun_path holds 108 bytes with its terminating zero.
  if (inFolder.toLocal8Bit().size() < 100) return inFolder;
  QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  if (runtime.isEmpty()) runtime = QDir::tempPath();
  const QByteArray hash =
      QCryptographicHash::hash(QDir(programFolder).absolutePath().toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
  return runtime + QStringLiteral("/orvanmirel-") + QString::fromLatin1(hash) + QStringLiteral(".link");
}

}  // namespace orvan::linkwire
