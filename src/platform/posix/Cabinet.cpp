// The host's cabinets, through libgcab (GNOME's cabinet library): one
// folder without compression, written into memory.
#include "platform/Cabinet.h"

#if TARNWELL_HAVE_GCAB
#include <libgcab.h>

namespace tarnwell::platform {
namespace {

// GLib's objects, let go whatever the way out. GLib makes every object
// it is asked for, or ends the process when memory runs out.
template <typename T>
struct Owned {
  T* Object;
  ~Owned() { g_object_unref(Object); }
};

}  // namespace

bool MakeCabinet(const std::string& name, std::string_view data,
                 std::string* cabinet, std::string* error) {
  GError* failure = nullptr;
  GBytes* bytes = g_bytes_new(data.data(), data.size());
  Owned<GCabFile> file{gcab_file_new_with_bytes(name.c_str(), bytes)};
  g_bytes_unref(bytes);
  GDateTime* date = g_date_time_new_utc(2000, 1, 1, 0, 0, 0);
  gcab_file_set_date_time(file.Object, date);
  g_date_time_unref(date);
  Owned<GCabFolder> folder{gcab_folder_new(GCAB_COMPRESSION_NONE)};
  Owned<GCabCabinet> archive{gcab_cabinet_new()};
  Owned<GOutputStream> out{g_memory_output_stream_new_resizable()};
  const bool made =
      gcab_folder_add_file(folder.Object, file.Object, FALSE, nullptr,
                           &failure) &&
      gcab_cabinet_add_folder(archive.Object, folder.Object, &failure) &&
      gcab_cabinet_write_simple(archive.Object, out.Object, nullptr, nullptr,
                                nullptr, &failure) &&
      g_output_stream_close(out.Object, nullptr, &failure);
  if (!made) {  // a failing GLib call always says why
    *error = failure->message;
    g_error_free(failure);
    return false;
  }
  auto* memory = G_MEMORY_OUTPUT_STREAM(out.Object);
  cabinet->assign(
      static_cast<const char*>(g_memory_output_stream_get_data(memory)),
      g_memory_output_stream_get_data_size(memory));
  return true;
}

}  // namespace tarnwell::platform

#else

namespace tarnwell::platform {

bool MakeCabinet(const std::string&, std::string_view, std::string*,
                 std::string* error) {
  *error = "this build has no libgcab, so it makes no cabinet";
  return false;
}

}  // namespace tarnwell::platform

#endif
