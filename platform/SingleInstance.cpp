#include "SingleInstance.h"

namespace orvan {

SingleInstance::SingleInstance(const QString& lockPath) : lock_(std::make_unique<QLockFile>(lockPath)) {
  // Never stale by age: only a dead owner frees the lock.
  lock_->setStaleLockTime(0);
}

bool SingleInstance::acquire() {
  if (lock_->tryLock(0)) return true;
  // A read-only folder cannot hold a lock file; run unguarded rather than refuse to run.
  return lock_->error() == QLockFile::PermissionError || lock_->error() == QLockFile::UnknownError;
}

}  // namespace orvan
