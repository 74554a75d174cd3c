#pragma once
// Settings files the main-window and the observatory tests start from.
#include <QByteArray>

namespace orvan::test {

// Tokyo; no dome; opens in the set-up layout without connecting.
inline const QByteArray kSite =
    "[Location]\nLONGITUDE=E139:44:20\nLATITUDE=+35:40:00\nTIMEZONE=9.0\n"
    "[TELESCOPE]\nTelescope= 5\nCommPort=12\nVCommPort= 9\nMount=G\n";
inline const QByteArray kNoDome = kSite + "[PUBLIC]\nFormSizeChange= 2\n[DOME]\nController= 2\n";
inline const QByteArray kNoPark = "[PARK]\nAZ=-1\nAlt=-1\n";
// The simulated board with a dome behind it, and the relay wiring it learns.
inline const QByteArray kBoard =
    "[DOME]\nController= 0\nENC3_PULSES= 3600\nUpDown= 1\nSLIT_TIMER= 2\nDOME_REVOLVE= 2.5\nHomePosition=-1\n"
    "[RELAY]\n$021=10\n$022=11\n$023=0*\n$024=**10\n$025=**01\n$026=**00\n";

}  // namespace orvan::test
