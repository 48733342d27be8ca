// One run per working directory: two runs in one folder would write the same search log and
// temporary fleet files under each other. A run holds an advisory lock (flock) on a small file in
// the folder while it runs; the lock dies with its process, so a run killed without a chance to
// clean up leaves nothing that blocks the next one.
#pragma once

#include <string>

namespace quorvane {

class WorkdirLock {
 public:
  // The name of the lock file in the working directory.
  static constexpr const char* kFileName = ".quorvane.lock";

  // Takes the lock of `workdir`. When another run holds it, raises SettingsError "the working
  // directory is in use by run PID (started TIME)"; a lock file that cannot be made raises
  // InputError.
  explicit WorkdirLock(const std::string& workdir);
  WorkdirLock(const WorkdirLock&) = delete;
  WorkdirLock& operator=(const WorkdirLock&) = delete;
  // Removes the lock file and lets the lock go.
  ~WorkdirLock();

 private:
  std::string path_;
  int fd_ = -1;
};

}  // namespace quorvane
