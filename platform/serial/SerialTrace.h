#pragma once
// The serial trace: every byte written to and read from a port, switched on with
// QT_LOGGING_RULES="orvan.serial.debug=true" when a device misbehaves.
#include <QByteArray>
#include <QLoggingCategory>
#include <QString>

Q_DECLARE_LOGGING_CATEGORY(lcSerial)

namespace orvan {
// Printable form of raw bytes: ASCII as is, everything else as <XX>.
QString TraceBytes(const QByteArray& bytes);
}  // namespace orvan
