// -o FILE on POSIX systems. Another user may share the output's directory
// (/tmp) and plant names there, so the new file is made exclusively and
// never through a link, and a link is followed only when it is the user's
// own or root's.
#include "check/OutputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <vector>

namespace tarnwell::check {
namespace {

// Closes the descriptor however the write ends.
class Closer {
 public:
  explicit Closer(int fd) : fd_(fd) {}
  ~Closer() { close(fd_); }
  Closer(const Closer&) = delete;
  Closer& operator=(const Closer&) = delete;

 private:
  int fd_;
};

// Where the link leads, a relative text taken from the link's directory.
bool LinkTarget(const std::string& link, std::string* target) {
  std::vector<char> buffer(256);
  for (;;) {
    const ssize_t n = readlink(link.c_str(), buffer.data(), buffer.size());
    if (n <= 0) return false;
    const std::size_t length = static_cast<std::size_t>(n);
    if (length < buffer.size()) {
      const std::string text(buffer.data(), length);
      const std::size_t slash = link.rfind('/');
      *target = text.front() == '/' || slash == std::string::npos
                    ? text
                    : link.substr(0, slash + 1) + text;
      return true;
    }
    buffer.resize(2 * buffer.size());
  }
}

bool WriteAll(int fd, const std::string& bytes) {
  for (std::size_t done = 0; done < bytes.size();) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

bool ReplaceFile(const std::string& name, const std::string& bytes,
                 std::string* why) {
  std::string path = name;
  struct stat st;
  bool exists = lstat(path.c_str(), &st) == 0;
  if (exists && S_ISLNK(st.st_mode)) {
    if (st.st_uid != geteuid() && st.st_uid != 0) {
      *why = "it is a symbolic link of another user";
      return false;
    }
    if (!LinkTarget(name, &path)) return false;
    exists = lstat(path.c_str(), &st) == 0;
  }
  if (exists && !S_ISREG(st.st_mode)) {
    *why = "it is not a regular file";
    return false;
  }
  const std::size_t slash = path.rfind('/');
  const std::string directory =
      slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
  const std::string base = path.substr(slash + 1);  // npos + 1 is 0
  const int dir = open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir < 0) return false;
  const Closer dir_closer(dir);
  std::string temporary;
  int fd = -1;
  const auto stamp =
      std::chrono::steady_clock::now().time_since_epoch().count();
  for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
    temporary = base + ".tarnwell-check-" + std::to_string(getpid()) + "-" +
                std::to_string(stamp + attempt);
    fd = openat(dir, temporary.c_str(),
                O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) return false;
  }
  if (fd < 0) return false;
  // A file written anew keeps the mode of the one it replaces: a private
  // output stays private.
  bool written = (!exists || fchmod(fd, st.st_mode & 07777) == 0) &&
                 WriteAll(fd, bytes);
  written = close(fd) == 0 && written;
  written = written &&
            renameat(dir, temporary.c_str(), dir, base.c_str()) == 0;
  if (!written) unlinkat(dir, temporary.c_str(), 0);
  return written;
}

}  // namespace tarnwell::check
