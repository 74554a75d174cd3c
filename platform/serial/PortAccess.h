#pragma once
// Whether this user may open a serial device, and what to tell the observer when not. On
// Debian a USB serial adapter belongs to the group `dialout`; a user outside it sees the port
// in the list but every open fails. The check never opens the device: opening a port can
// reset what hangs on it.
#include <QString>

namespace orvan {

class SerialLink;

enum class PortAccess { Usable, Missing, Denied };

// What access(2) says for reading and writing PATH (a ports/ link is followed).
PortAccess CheckPortAccess(const QString& path);
// The same answer from an errno of access(2) or open(2).
PortAccess PortAccessFromErrno(int err);
// The group that gives access to DEVICE: the device's own group when its members may read and
// write it, "dialout" otherwise.
QString PortAccessGroup(const QString& device);
// The observer's message for COM<number> whose DEVICE exists but may not be opened: what is
// wrong and the command that mends it, for this user.
QString PortDeniedText(int number, const QString& device);
// The message after LINK failed to open: the explanation above when the device may not be
// opened by this user, otherwise FALLBACK (the driver's own open-failure text).
QString OpenFailureText(const SerialLink& link, const QString& fallback);

}  // namespace orvan
