#include "run/workdir_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "base/errors.h"
#include "data/age_year_file.h"
#include "run/run_tables.h"

namespace quorvane {

WorkdirLock::WorkdirLock(const std::string& workdir)
    : path_(resolve_path(workdir.empty() ? "." : workdir, kFileName)) {
  for (;;) {
    fd_ = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd_ < 0) {
      throw InputError(path_ + ": cannot be opened for writing (" + std::strerror(errno) + ")");
    }
    if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
      char holder[128] = {};
      const ssize_t n = ::pread(fd_, holder, sizeof holder - 1, 0);
      ::close(fd_);
      fd_ = -1;
      std::string who = n > 0 ? std::string(holder, static_cast<std::size_t>(n)) : "";
      while (!who.empty() && (who.back() == '\n' || who.back() == '\r')) who.pop_back();
      const std::size_t blank = who.find(' ');
      const std::string pid = who.substr(0, blank);
      const std::string time = blank == std::string::npos ? "?" : who.substr(blank + 1);
      throw SettingsError("the working directory is in use by run " +
                          (pid.empty() ? std::string("?") : pid) + " (started " + time + ")");
    }
    // The file may have been removed by the run that held it between our open and our lock; a
    // lock on a removed file guards nothing, so start again on the new file.
    struct stat held {
    }, named{};
    if (::fstat(fd_, &held) == 0 && ::stat(path_.c_str(), &named) == 0 &&
        held.st_ino == named.st_ino && held.st_dev == named.st_dev) {
      break;
    }
    ::close(fd_);
    fd_ = -1;
  }
  const std::string who =
      std::to_string(::getpid()) + " " + utc_time_text(std::chrono::system_clock::now()) + "\n";
  // Without the note the lock still holds; a second run then names no process.
  if (::ftruncate(fd_, 0) == 0) {
    [[maybe_unused]] const ssize_t written = ::pwrite(fd_, who.data(), who.size(), 0);
  }
}

WorkdirLock::~WorkdirLock() {
  if (fd_ >= 0) {
    ::unlink(path_.c_str());
    ::close(fd_);
  }
}

}  // namespace quorvane
