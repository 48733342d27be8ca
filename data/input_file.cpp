#include "data/input_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "base/errors.h"

namespace quorvane {

namespace {

std::string reason(int error) { return std::strerror(error != 0 ? error : EIO); }

class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }

 private:
  int fd_;
};

}  // namespace

const char* file_kind(unsigned mode) {
  if (S_ISDIR(mode)) return "a directory";
  if (S_ISFIFO(mode)) return "a pipe (FIFO)";
  if (S_ISSOCK(mode)) return "a socket";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
  return "not a regular file";
}

std::string read_input_file(const std::string& path, const char* what) {
  // Opened without blocking, so that a pipe with no writer cannot stop the run here; what it is
  // is then asked of the open file, which cannot be swapped between the question and the read.
  Descriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (fd.get() < 0) {
    const int error = errno;
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
      throw InputError(path + ": is a directory, not a " + what);
    }
    throw InputError(path + ": the " + what + " cannot be opened (" + reason(error) + ")");
  }
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) {
    throw InputError(path + ": the " + what + " cannot be read (" + reason(errno) + ")");
  }
  if (!S_ISREG(st.st_mode)) {
    throw InputError(path + ": is " + file_kind(st.st_mode) + ", not a " + what);
  }
  std::string text;
  char buffer[1 << 16];
  for (;;) {
    const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw InputError(path + ": the " + what + " cannot be read (" + reason(errno) + ")");
    if (n == 0) break;
    if (text.size() + static_cast<std::size_t>(n) > kMaxInputBytes) {
      throw InputError(path + ": the " + what + " is longer than " +
                       std::to_string(kMaxInputBytes >> 20) + " MB, more than any stock needs");
    }
    text.append(buffer, static_cast<std::size_t>(n));
  }
  // A file saved as UTF-16 has a zero byte beside every letter; no number can be read from it.
  if (text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF") ||
      (text.size() >= 2 && (text[0] == '\0' || text[1] == '\0'))) {
    throw InputError(path + ": the " + what +
                     " is in UTF-16; save it as plain text (UTF-8 or ASCII)");
  }
  return text;
}

}  // namespace quorvane
