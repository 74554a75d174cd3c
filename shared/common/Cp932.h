#pragma once
// Text <-> bytes in the Japanese ANSI code page (CP932). Serial ports, the virtual port and
// text files carry CP932 bytes; inside the program every text is Unicode.
#include <QByteArray>
#include <QString>

namespace orvan::cp932 {

QByteArray encode(const QString& text);
QString decode(const QByteArray& bytes);
// True when the bytes are valid UTF-8 (used to tell a UTF-8 settings file from a CP932 one).
bool isValidUtf8(const QByteArray& bytes);

}  // namespace orvan::cp932
