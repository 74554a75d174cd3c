#pragma once
// One controller per program folder: a lock file beside the settings. A lock left by a program
// that died is taken over (the lock records the owner's process id).
#include <QLockFile>
#include <QString>
#include <memory>

namespace orvan {

class SingleInstance {
 public:
  explicit SingleInstance(const QString& lockPath);
  // True when this process now holds the lock; false when another running process does.
  bool acquire();

 private:
  std::unique_ptr<QLockFile> lock_;
};

}  // namespace orvan
