#include "ProgramEnd.h"

#include <cstdio>
#include <cstdlib>

namespace orvan {

namespace {
std::function<void()>& hook() {
  static std::function<void()> h;
  return h;
}
}  // namespace

void EndProgramNow() {
  if (hook()) {
    hook()();
    return;
  }
  std::fflush(nullptr);
  std::_Exit(EXIT_FAILURE);
}

std::function<void()> SetEndProgramHook(std::function<void()> h) {
  auto old = std::move(hook());
  hook() = std::move(h);
  return old;
}

}  // namespace orvan
