#include "support/Files.h"
#include "support/InstallerDir.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace tarnwell::testing {

ScratchDir::ScratchDir(bool in_memory) {
  std::filesystem::path base = std::filesystem::temp_directory_path();
  struct stat st;
  if (in_memory && stat("/dev/shm", &st) == 0 && S_ISDIR(st.st_mode) &&
      access("/dev/shm", W_OK) == 0) {
    base = "/dev/shm";
  }
  std::string pattern = (base / "tarnwell-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) {
    throw std::runtime_error("mkdtemp failed");
  }
  path_ = pattern;
}

ScratchDir::~ScratchDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string ScratchDir::File(std::string_view name) const {
  return path_ + "/" + std::string(name);
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream all;
  all << in.rdbuf();
  return all.str();
}

void WriteFileBytes(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

bool FileExists(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

std::set<std::string> ListDirectory(const std::string& path) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(path)) {
    names.insert(entry.path().filename().string());
  }
  return names;
}

void InstallerDir::CreateDirectories(const std::string& path) {
  std::filesystem::create_directories(path);
}

void CopyExecutable(const std::string& from, const std::string& to) {
  std::filesystem::copy_file(from, to,
                             std::filesystem::copy_options::overwrite_existing);
  chmod(to.c_str(), 0755);
}

}  // namespace tarnwell::testing
