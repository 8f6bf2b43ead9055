// -o FILE on Windows, through the standard library's file system calls.
#include "platform/OutputFile.h"

#include <windows.h>
// windows.h names its own ReplaceFile (ReplaceFileW): ours keeps its name.
#undef ReplaceFile

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

bool IsStandardInput(const std::string& name) {
  BY_HANDLE_FILE_INFORMATION input, named;
  const HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
  if (in == nullptr || in == INVALID_HANDLE_VALUE ||
      !GetFileInformationByHandle(in, &input)) {
    return false;  // a console or a pipe: no file of a name
  }
  const HANDLE file = CreateFileW(
      std::filesystem::u8path(name).c_str(), 0,
      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const bool got = GetFileInformationByHandle(file, &named) != 0;
  CloseHandle(file);
  return got && input.dwVolumeSerialNumber == named.dwVolumeSerialNumber &&
         input.nFileIndexHigh == named.nFileIndexHigh &&
         input.nFileIndexLow == named.nFileIndexLow;
}

}  // namespace tarnwell::platform
