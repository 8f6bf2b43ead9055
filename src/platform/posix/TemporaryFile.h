// Only generic POSIX code here.
//
// Files that a run makes beside the store under names of their own
// ("<store>.tmp-" and ten random letters) before renaming them into place.
#pragma once

#include <string>

namespace tarnwell::posix {

// Creates a new file of mode 0600 (never an existing name, never through
// a link) in directory, for the store `store`; its name in *name.
std::int32_t CreateTemporary(int directory, const std::string& store,
                             std::string* name, int* fd);

// Whether name is one that CreateTemporary makes for store.
bool IsTemporaryOf(const std::string& store, const char* name);

}  // namespace tarnwell::posix
