#include "platform/posix/FileRegistry.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <new>

#include "platform/posix/Errors.h"
#include "platform/posix/NativePath.h"
#include "platform/posix/StoreIo.h"
#include "platform/regfile/RegText.h"

namespace tarnwell::posix {
namespace {

constexpr char kByteOrderMark[] = "\xFF\xFE";
// A journal is rewritten once it is this much beyond twice its last
// rewritten size, which keeps the rewrites' cost per write constant.
constexpr off_t kCompactSlack = 1 << 20;

long long MtimeNs(const struct stat& st) {
  return static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL +
         st.st_mtim.tv_nsec;
}

// Offset just past the last line feed of UTF-16LE bytes, or 0.
std::size_t LastLineEnd(const std::string& bytes) {
  for (std::size_t i = bytes.size() & ~std::size_t{1}; i >= 2; i -= 2) {
    if (bytes[i - 2] == '\n' && bytes[i - 1] == '\0') return i;
  }
  return 0;
}

// Whether the bytes after the last line feed are the file's own last line
// (a file that simply ends without one) rather than a write cut short by a
// crash. A kill cuts a write only where it crosses a page, and this store's
// lines end in CR LF, so a tail that ends at a page boundary, ends in CR or
// is not a whole line is a torn write; the caller tests the last.
bool MayBeLastLine(std::string_view tail, std::uint64_t file_size) {
  constexpr std::uint64_t kPage = 4096;
  return !tail.empty() && tail.size() % 2 == 0 && file_size % kPage != 0 &&
         !(tail[tail.size() - 2] == '\r' && tail.back() == '\0');
}

}  // namespace

FileRegistry::FileRegistry(std::string path, std::int32_t path_error)
    : path_(std::move(path)), path_error_(path_error) {
  std::size_t slash = path_.rfind('/');
  directory_ = slash == std::string::npos ? "." : path_.substr(0, slash + 1);
  if (path_.empty() && path_error_ == 0) path_error_ = kErrorFileNotFound;
}

FileRegistry::~FileRegistry() {
  Flush();
  if (directory_fd_ >= 0) close(directory_fd_);
}

std::int32_t FileRegistry::Flush() {
  if (!changed_) return kErrorSuccess;
  try {
    if (std::int32_t e = Lock()) return e;
    std::int32_t result = Sync();
    if (result == kErrorSuccess) result = Compact();
    Unlock();
    return result;
  } catch (const std::bad_alloc&) {
    Unlock();
    return kErrorNotEnoughMemory;  // the journal stays as it is: complete
  }
}

std::int32_t FileRegistry::Lock() {
  if (beside_executable_) {
    beside_executable_ = false;
    std::string exe = ExecutablePath();
    if (exe.empty()) {
      path_error_ = WindowsError(errno);
    } else {
      path_ = exe.substr(0, exe.rfind('/') + 1) + "registry.reg";
      directory_ = exe.substr(0, exe.rfind('/') + 1);
    }
  }
  if (path_.empty()) return path_error_ ? path_error_ : kErrorFileNotFound;
  if (directory_fd_ < 0) {
    directory_fd_ = open(directory_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (directory_fd_ < 0) return WindowsError(errno);
  }
  while (flock(directory_fd_, LOCK_EX) != 0) {
    if (errno == EINTR) continue;
    // A file system without locks still gets a working store, just
    // without protection against a second run at the same moment.
    if (errno == ENOLCK || errno == EOPNOTSUPP) return kErrorSuccess;
    return WindowsError(errno);
  }
  locked_ = true;
  return kErrorSuccess;
}

void FileRegistry::Unlock() {
  if (!locked_) return;
  flock(directory_fd_, LOCK_UN);
  locked_ = false;
}

std::int32_t FileRegistry::BeginChange() {
  if (std::int32_t e = Lock()) return e;
  std::int32_t result;
  try {
    result = Sync();
  } catch (const std::bad_alloc&) {
    loaded_ = false;
    result = kErrorNotEnoughMemory;
  }
  if (result != kErrorSuccess) Unlock();
  return result;
}

void FileRegistry::EndChange() { Unlock(); }

std::int32_t FileRegistry::Sync() {
  struct stat st;
  if (stat(path_.c_str(), &st) != 0) {
    if (errno != ENOENT) return WindowsError(errno);
    if (!loaded_ || exists_) tree_.Clear();
    loaded_ = true;
    exists_ = false;
    valid_end_ = 0;
    compacted_size_ = 0;
    return kErrorSuccess;
  }
  if (!S_ISREG(st.st_mode)) return kErrorAccessDenied;
  if (corrupt_known_ && st.st_dev == corrupt_device_ &&
      st.st_ino == corrupt_inode_ && st.st_size == corrupt_size_ &&
      MtimeNs(st) == corrupt_mtime_ns_) {
    return kErrorBadDb;
  }
  std::int32_t result = kErrorSuccess;
  if (!loaded_ || !exists_ || st.st_dev != device_ || st.st_ino != inode_ ||
      st.st_size < valid_end_) {
    result = LoadAll();
  } else if (st.st_size > valid_end_) {
    result = LoadTail(st.st_size);
  }
  if (result == kErrorBadDb) {
    corrupt_known_ = true;
    corrupt_device_ = st.st_dev;
    corrupt_inode_ = st.st_ino;
    corrupt_size_ = st.st_size;
    corrupt_mtime_ns_ = MtimeNs(st);
  }
  if (result != kErrorSuccess) {
    loaded_ = false;
    return result;
  }
  corrupt_known_ = false;
  device_ = st.st_dev;
  inode_ = st.st_ino;
  return kErrorSuccess;
}

std::int32_t FileRegistry::LoadAll() {
  loaded_ = false;
  std::string bytes;
  if (std::int32_t e = ReadWholeFile(path_, 0, &bytes)) return e;
  regstore::RegTree fresh;
  std::size_t end = 0;
  if (!bytes.empty()) {
    // Whatever follows the last line feed is a write cut short by a crash:
    // it was never reported as written, and the next append replaces it.
    end = LastLineEnd(bytes);
    if (end < 2) {
      // Not one whole line: a first write that a crash cut short leaves a
      // piece of the file's opening; that is an empty store. Anything else
      // is not ours to touch.
      std::string opening = kByteOrderMark;
      opening += regstore::EncodeUtf16Le(regstore::kRegPreamble);
      if (opening.compare(0, bytes.size(), bytes) != 0) return kErrorBadDb;
      end = 0;
    } else if (bytes.compare(0, 2, kByteOrderMark) != 0) {
      return kErrorBadDb;
    }
  }
  unterminated_ = false;
  if (end > 0 && end < bytes.size() &&
      MayBeLastLine(std::string_view(bytes).substr(end), bytes.size())) {
    std::u16string text =
        regstore::DecodeUtf16Le(std::string_view(bytes).substr(2));
    text += u"\r\n";
    if (regstore::ParseRegText(text, fresh, true).Ok) {
      end = bytes.size();
      unterminated_ = true;
    } else {
      fresh.Clear();
    }
  }
  if (end > 0 && !unterminated_) {
    std::u16string text =
        regstore::DecodeUtf16Le(std::string_view(bytes).substr(2, end - 2));
    if (!regstore::ParseRegText(text, fresh, true).Ok) return kErrorBadDb;
  }
  tree_ = std::move(fresh);
  exists_ = true;
  valid_end_ = static_cast<off_t>(end);
  compacted_size_ = valid_end_;
  loaded_ = true;
  return kErrorSuccess;
}

std::int32_t FileRegistry::LoadTail(off_t size) {
  std::string bytes;
  if (std::int32_t e = ReadWholeFile(path_, valid_end_, &bytes)) return e;
  std::size_t end = LastLineEnd(bytes);
  std::u16string text =
      regstore::DecodeUtf16Le(std::string_view(bytes).substr(0, end));
  bool whole = false;
  if (end < bytes.size() &&
      MayBeLastLine(std::string_view(bytes).substr(end),
                    static_cast<std::uint64_t>(size))) {
    // Check on a scratch tree first: the store's tree cannot take back a
    // change.
    std::u16string all = regstore::DecodeUtf16Le(bytes) + u"\r\n";
    regstore::RegTree scratch;
    if (regstore::ParseRegText(all, scratch, false).Ok) {
      text = std::move(all);
      end = bytes.size();
      whole = true;
    }
  }
  if (end == 0) return kErrorSuccess;  // only a torn write, nothing new
  if (!regstore::ParseRegText(text, tree_, false).Ok) return kErrorBadDb;
  valid_end_ += static_cast<off_t>(end);
  unterminated_ = whole;
  return kErrorSuccess;
}

std::int32_t FileRegistry::CommitChange(std::u16string_view record) {
  std::string bytes;
  if (valid_end_ == 0) {  // a new or empty file starts with its opening
    bytes = kByteOrderMark;
    bytes += regstore::EncodeUtf16Le(regstore::kRegPreamble);
  } else if (unterminated_) {
    bytes = regstore::EncodeUtf16Le(u"\r\n");  // end the file's last line
  }
  bytes += regstore::EncodeUtf16Le(record);

  struct stat st;
  if (std::int32_t e = AppendToFile(path_, valid_end_, bytes, &st)) {
    loaded_ = false;  // read the file again before the next change
    return e;
  }
  device_ = st.st_dev;
  inode_ = st.st_ino;
  exists_ = true;
  valid_end_ += static_cast<off_t>(bytes.size());
  unterminated_ = false;
  changed_ = true;
  if (valid_end_ > 2 * compacted_size_ + kCompactSlack) {
    // The change is durable already, so a failed rewrite loses nothing. The
    // tree takes the change only after this returns, but the rewrite must
    // hold it: apply the record first (applying it again is harmless).
    try {
      if (regstore::ParseRegText(record, tree_, false).Ok) Compact();
    } catch (const std::bad_alloc&) {
      loaded_ = false;  // read the file again before the next change
    }
  }
  return kErrorSuccess;
}

std::int32_t FileRegistry::Compact() {
  if (!loaded_) return kErrorSuccess;
  const std::string bytes = regstore::FormatRegFileBytes(tree_);
  struct stat st;
  if (std::int32_t e = ReplaceFile(path_, directory_fd_, bytes, &st)) {
    return e;
  }
  device_ = st.st_dev;
  inode_ = st.st_ino;
  exists_ = true;
  valid_end_ = static_cast<off_t>(bytes.size());
  compacted_size_ = valid_end_;
  unterminated_ = false;
  changed_ = false;
  return kErrorSuccess;
}

}  // namespace tarnwell::posix
