// -o FILE on POSIX systems. Another user may share the output's directory
// (/tmp) and plant names there, so the new file is made as the installer
// makes its store's (exclusively, never through a link), and a link is
// followed only when it is the user's own or root's.
#include "check/OutputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <system_error>

#include "platform/posix/TemporaryFile.h"

namespace tarnwell::check {
namespace {

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
  std::filesystem::path path(name);
  struct stat st;
  bool exists = lstat(path.c_str(), &st) == 0;
  if (exists && S_ISLNK(st.st_mode)) {
    if (st.st_uid != geteuid() && st.st_uid != 0) {
      *why = "it is a symbolic link of another user";
      return false;
    }
    std::error_code ec;
    path = path.parent_path() / std::filesystem::read_symlink(path, ec);
    if (ec) return false;
    exists = lstat(path.c_str(), &st) == 0;
  }
  if (exists && !S_ISREG(st.st_mode)) {
    *why = "it is not a regular file";
    return false;
  }
  const std::filesystem::path parent = path.parent_path();
  const int dir = open(parent.empty() ? "." : parent.c_str(),
                       O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir < 0) return false;
  const std::string base = path.filename();
  std::string temporary;
  int fd = -1;
  bool written = posix::CreateTemporary(dir, base, &temporary, &fd) == 0;
  if (written) {
    // A new output gets the mode a plain create would give it; one written
    // anew keeps the old one's, so that a private output stays private.
    const mode_t mask = umask(0);
    umask(mask);
    written = fchmod(fd, exists ? st.st_mode & 07777 : 0666 & ~mask) == 0 &&
              WriteAll(fd, bytes);
    posix::UnmarkTemporary(fd);  // the store's clean-up mark: not the output's
    written = close(fd) == 0 && written;
    written =
        written && renameat(dir, temporary.c_str(), dir, base.c_str()) == 0;
    if (!written) unlinkat(dir, temporary.c_str(), 0);
  }
  close(dir);
  return written;
}

}  // namespace tarnwell::check
