// Windows' cabinets, through cabinet.dll's FCI: one folder without
// compression. FCI works on files through callbacks; these keep every file
// it opens in memory, so nothing is left on disk and the caller writes the
// cabinet as it writes every output.
#include "platform/Cabinet.h"

#include <fcntl.h>
#include <windows.h>
#include <fci.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>

namespace tarnwell::platform {
namespace {

// The files FCI works on, by name, and the open ones, by handle.
struct MemoryFiles {
  std::map<std::string, std::string> Files;
  struct Open {
    std::string* File;
    std::size_t At;
  };
  std::map<INT_PTR, Open> Handles;
  INT_PTR Next = 1;
  int Temporaries = 0;
};
MemoryFiles& FilesOf(void* pv) { return *static_cast<MemoryFiles*>(pv); }

FNFCIALLOC(Alloc) { return std::malloc(cb); }
FNFCIFREE(Free) { std::free(memory); }

FNFCIOPEN(OpenFile) {
  (void)pmode;
  (void)err;
  MemoryFiles& files = FilesOf(pv);
  std::string& file = files.Files[pszFile];
  if ((oflag & _O_TRUNC) != 0) file.clear();
  files.Handles[files.Next] = {&file, 0};
  return files.Next++;
}

FNFCIREAD(ReadFile) {
  (void)err;
  auto& open = FilesOf(pv).Handles.at(hf);
  const std::size_t n = std::min<std::size_t>(cb, open.File->size() - open.At);
  std::memcpy(memory, open.File->data() + open.At, n);
  open.At += n;
  return static_cast<UINT>(n);
}

FNFCIWRITE(WriteFile) {
  (void)err;
  auto& open = FilesOf(pv).Handles.at(hf);
  if (open.File->size() < open.At + cb) open.File->resize(open.At + cb);
  std::memcpy(&(*open.File)[open.At], memory, cb);
  open.At += cb;
  return cb;
}

FNFCICLOSE(CloseFile) {
  (void)err;
  FilesOf(pv).Handles.erase(hf);
  return 0;
}

FNFCISEEK(SeekFile) {
  (void)err;
  auto& open = FilesOf(pv).Handles.at(hf);
  const long base = seektype == SEEK_CUR   ? static_cast<long>(open.At)
                    : seektype == SEEK_END ? static_cast<long>(open.File->size())
                                           : 0;
  open.At = static_cast<std::size_t>(base + dist);
  return static_cast<long>(open.At);
}

FNFCIDELETE(DeleteFile) {
  (void)err;
  FilesOf(pv).Files.erase(pszFile);
  return 0;
}

FNFCIGETTEMPFILE(TempFile) {
  std::snprintf(pszTempName, static_cast<std::size_t>(cbTempName),
                "temporary-%d", ++FilesOf(pv).Temporaries);
  return TRUE;
}

FNFCIFILEPLACED(Placed) {
  (void)pccab, (void)pszFile, (void)cbFile, (void)fContinuation, (void)pv;
  return 0;
}

FNFCIGETNEXTCABINET(NextCabinet) {
  (void)pccab, (void)cbPrevCab, (void)pv;
  return FALSE;  // one cabinet only
}

FNFCISTATUS(Status) {
  (void)typeStatus, (void)cb1, (void)cb2, (void)pv;
  return 0;
}

// Every file is dated 2000-01-01, so that one input makes one cabinet.
FNFCIGETOPENINFO(OpenInfo) {
  *pdate = ((2000 - 1980) << 9) | (1 << 5) | 1;
  *ptime = 0;
  *pattribs = FILE_ATTRIBUTE_ARCHIVE;
  return OpenFile(pszName, _O_RDONLY, 0, err, pv);
}

}  // namespace

bool MakeCabinet(const std::string& name, std::string_view data,
                 std::string* cabinet, std::string* error) {
  MemoryFiles files;
  files.Files["in"] = std::string(data);
  CCAB cab = {};
  cab.cb = 0x7FFFFFFF;  // one cabinet, however large
  cab.cbFolderThresh = 0x7FFFFFFF;
  std::strcpy(cab.szCab, "out.cab");
  ERF erf = {};
  HFCI fci = FCICreate(&erf, Placed, Alloc, Free, OpenFile, ReadFile,
                       WriteFile, CloseFile, SeekFile, DeleteFile, TempFile,
                       &cab, &files);
  bool made = fci != nullptr &&
              FCIAddFile(fci, const_cast<char*>("in"),
                         const_cast<char*>(name.c_str()), FALSE, NextCabinet,
                         Status, OpenInfo, tcompTYPE_NONE) &&
              FCIFlushCabinet(fci, FALSE, NextCabinet, Status);
  if (fci != nullptr) FCIDestroy(fci);
  if (!made) {
    *error = "cabinet.dll's FCI failed (error " +
             std::to_string(erf.erfOper) + ")";
    return false;
  }
  *cabinet = files.Files["out.cab"];
  return true;
}

}  // namespace tarnwell::platform
