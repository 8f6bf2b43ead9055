// Only generic POSIX code here.
//
// The lock that makes one run at a time the writer of a registry file: a
// write lock on "<name>.lock" beside it. The lock file belongs to the
// owner of the store's directory (who alone, with root, may make files
// there), mode 0600, so nobody else can open it, and nothing a run decides
// about it rests on what may change during a run (the store's mode). A
// lock file that is not so is replaced whole, never mended in place:
// whoever held it open then holds a file that no run looks at.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <string>

namespace tarnwell::posix {

// How long a run waits for another to finish before it gives up.
constexpr int kLockWaitSeconds = 30;

// Takes the lock of the store `name` in `directory`, whose owner is
// `owner`. Waits while another run holds the lock, at most
// kLockWaitSeconds. On success *lock_fd holds the lock until it is closed.
std::int32_t TakeStoreLock(int directory, const std::string& name,
                           uid_t owner, int* lock_fd);

// Whether the lock file's name still leads to the lock that lock_fd holds.
// A run that found the lock not as it must be (its owner changed its mode,
// say) replaces it without waiting for whoever holds it, so a run checks
// this just before it replaces the store, and saves nothing when another
// run has taken over.
bool StillHoldsStoreLock(int directory, const std::string& name,
                         int lock_fd);

}  // namespace tarnwell::posix
