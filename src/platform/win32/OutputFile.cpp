// -o FILE on Windows, through the standard library's file system calls.
#include "platform/OutputFile.h"

#include <windows.h>
// windows.h names its own ReplaceFile (ReplaceFileW): ours keeps its name.
#undef ReplaceFile

#include <chrono>
#include <cstring>
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

namespace {

// A file's volume and its index there; false where the handle has none (a
// console, a pipe).
bool IdentityOf(HANDLE handle, ULONGLONG* volume, FILE_ID_128* id) {
  FILE_ID_INFO info;
  if (GetFileInformationByHandleEx(handle, FileIdInfo, &info, sizeof info)) {
    *volume = info.VolumeSerialNumber;
    *id = info.FileId;
    return true;
  }
  BY_HANDLE_FILE_INFORMATION old;  // before Windows 8
  if (!GetFileInformationByHandle(handle, &old)) return false;
  *volume = old.dwVolumeSerialNumber;
  const ULONGLONG index =
      (static_cast<ULONGLONG>(old.nFileIndexHigh) << 32) | old.nFileIndexLow;
  *id = FILE_ID_128{};
  std::memcpy(id->Identifier, &index, sizeof index);
  return true;
}

}  // namespace

bool IsStandardInput(const std::string& name) {
  ULONGLONG input_volume = 0, named_volume = 0;
  FILE_ID_128 input, named;
  if (!IdentityOf(GetStdHandle(STD_INPUT_HANDLE), &input_volume, &input)) {
    return false;
  }
  const HANDLE file = CreateFileW(
      std::filesystem::u8path(name).c_str(), 0,
      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const bool got = IdentityOf(file, &named_volume, &named);
  CloseHandle(file);
  // Wine shows a redirected standard input on volume 0.
  return got && std::memcmp(&input, &named, sizeof input) == 0 &&
         (input_volume == named_volume || input_volume == 0);
}

}  // namespace tarnwell::platform
