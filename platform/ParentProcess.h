#pragma once
// The helper programs the controller starts (the bridge, the Alpaca device) steer the mount on
// its behalf only: they end when it ends, also when it is killed and cannot tell them.
namespace orvan {

// The starter puts its process id here; a program started without it runs on its own.
inline constexpr char kParentPidVariable[] = "ORVAN_PARENT_PID";

// Asks the kernel to send SIGTERM when the parent dies, then checks that the parent named in
// the environment is still the parent (it may have died before the request). False when it is
// gone already: the caller ends at once. True also when no parent is named.
bool EndWithParent();

}  // namespace orvan
