#pragma once
// Ending the program at once, without the normal shutdown sequence: what the board driver
// does when the board library fails. Tests install a hook that records the request instead;
// the caller then returns as if the program had ended.
#include <functional>

namespace orvan {

void EndProgramNow();
// Replaces the ending (nullptr restores it). Returns the previous hook.
std::function<void()> SetEndProgramHook(std::function<void()> hook);

}  // namespace orvan
