#pragma once
// The text datagrams between the bridge driver and the bridge program: one comma-separated
// text per datagram, no terminator. Positions travel in hours and degrees as decimal text.
#include <QByteArray>
#include <QString>
#include <optional>

namespace orvan {

// What the bridge tells the controller. Anything else (an unknown word, a wrong number of
// fields, a number that is not a plain finite decimal or out of its range) is no datagram.
struct BridgeMessage {
  enum class Kind { Coodinate, Name, Error };
  Kind kind = Kind::Error;
  double raHours = 0;   // Coodinate: 0 <= RA < 24
  double decDeg = 0;    // Coodinate: -90 <= Dec <= 90
  QString text;         // Name: the telescope's name as received; Error: what went wrong
};

// A datagram longer than this was never sent by the bridge.
constexpr qsizetype kMaxBridgeDatagram = 512;

std::optional<BridgeMessage> ParseBridgeDatagram(const QByteArray& datagram);

// A plain decimal number as the bridge writes it ("12.5", " 12.5", "-10", "1.25e1" is not one):
// optional blanks (spaces, nothing else), an optional sign, digits with at most one '.'.
std::optional<double> ParseBridgeNumber(const QString& text);

// The controller's datagrams. Numbers in the sign-padded number text: a blank before a value
// that is not negative, up to 15 significant digits ("cmdGoto, 12.5,-10").
QByteArray GotoDatagram(double raHours, double decDeg);
QByteArray SyncDatagram(double raHours, double decDeg);

// The ports of the two ends on the loopback: the controller's (3010) and the bridge's (3011).
// ORVAN_BRIDGE_PORTS="<controller>,<bridge>" moves both, so that test runs side by side do
// not meet; the bridge program inherits it from the controller.
//
// Any local user can send to a loopback port, so the two ends trust only each other: the
// controller chooses a secret for the run and hands it to the bridge it starts in the
// environment (ORVAN_BRIDGE_SECRET, readable by the observer alone, never on a command line);
// every datagram either way begins with it.
struct BridgePorts {
  quint16 controller = 3010;
  quint16 bridge = 3011;
  QByteArray secret;  // kBridgeSecretBytes letters and digits; empty: nothing is trusted
};
// The ports from the environment; the secret too (the bridge program's side).
BridgePorts BridgePortsFromEnvironment();

inline constexpr char kBridgeSecretVariable[] = "ORVAN_BRIDGE_SECRET";
inline constexpr qsizetype kBridgeSecretBytes = 32;
// A new secret from the system's random source.
QByteArray NewBridgeSecret();
// "<secret> <text>": what goes on the wire.
QByteArray SealBridgeDatagram(const QByteArray& secret, const QByteArray& text);
// The text of a datagram that begins with `secret` and a blank; nullopt for any other (also
// whenever the secret is not one).
std::optional<QByteArray> OpenBridgeDatagram(const QByteArray& secret, const QByteArray& datagram);
// Enough to receive the longest sealed datagram and see one byte more.
inline constexpr qsizetype kMaxSealedBridgeDatagram = kBridgeSecretBytes + 1 + kMaxBridgeDatagram + 1;

}  // namespace orvan
