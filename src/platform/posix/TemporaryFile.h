// Only generic POSIX code here.
//
// Files that a run makes beside the store under names of their own
// ("<store>.~tarnwell-" and twelve random letters) before renaming them
// into place. Each carries a mark from its first moment until it has its
// final name, so that clean-up takes what a killed run left behind and
// nothing that merely looks like it: the sticky bit, which the creating
// call sets and no umask takes away, until the file gets its mode, and an
// extended attribute, set at once, until it is renamed. On a file system
// without extended attributes a file that has its mode carries no mark,
// and what a run killed then leaves stays.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <functional>
#include <string>

namespace tarnwell::posix {

// The extended attribute of the mark: not a file's to keep or to copy.
extern const char kTemporaryMark[];

// Creates a new file of mode 01600, marked (never an existing name, never
// through a link), in directory, for the store `store`; its name in
// *name.
std::int32_t CreateTemporary(int directory, const std::string& store,
                             std::string* name, int* fd);

// Takes the attribute away from a file that has its final name. Should
// that fail, the file keeps it to no effect: clean-up looks only at
// temporaries' names.
void UnmarkTemporary(int fd);

// Puts a new file in the place of `name` in `directory`, or makes it: a
// marked temporary beside it that `fill` writes and gives its metadata
// (its result: 0 or a Windows code), flushed, unmarked and, when `still`
// allows it (null: always), renamed over name, then the directory flushed.
// On any failure before the rename the old file is untouched and the
// temporary gone.
std::int32_t ReplaceIn(int directory, const std::string& name,
                       const std::function<std::int32_t(int fd)>& fill,
                       const std::function<bool()>& still = nullptr);

// Whether name is one that CreateTemporary makes for store.
bool IsTemporaryOf(const std::string& store, const char* name);

// Whether the entry name of directory is a plain file of one name that
// still carries the mark (never looked at through a link); its status in
// *st.
bool IsMarkedTemporary(int directory, const char* name, struct stat* st);

}  // namespace tarnwell::posix
