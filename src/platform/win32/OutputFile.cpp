// -o FILE on Windows, through the standard library's file system calls.
#include "platform/OutputFile.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "regstore/Registry.h"

namespace tarnwell::platform {

std::int32_t ReplaceFile(const std::string& name, std::string_view bytes,
                         OutputRefusal* refusal) {
  *refusal = OutputRefusal::kNone;
  std::error_code ec;
  std::filesystem::path path = std::filesystem::u8path(name);
  if (std::filesystem::is_symlink(path, ec)) {
    path = path.parent_path() / std::filesystem::read_symlink(path, ec);
  }
  if (std::filesystem::exists(path, ec) &&
      !std::filesystem::is_regular_file(path, ec)) {
    *refusal = OutputRefusal::kNotRegular;
    return kErrorAccessDenied;
  }
  std::filesystem::path temporary = path;
  temporary += ".tarnwell-check-" +
               std::to_string(
                   std::chrono::steady_clock::now().time_since_epoch().count());
  std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  std::error_code renamed, ignored;
  if (out) std::filesystem::rename(temporary, path, renamed);
  if (!out || renamed) std::filesystem::remove(temporary, ignored);
  return out && !renamed ? kErrorSuccess : kErrorRegistryIoFailed;
}

}  // namespace tarnwell::platform
