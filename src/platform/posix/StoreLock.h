// Only generic POSIX code here.
//
// The lock that makes one run at a time the writer of a registry file:
// a write lock on "<name>.lock" beside it. Only those who may write the
// store may open that file at all (its permissions follow the store's), so
// nobody else can take or hold the lock; the store's owner puts a new one
// in the place of one that another user planted. Only the store's owner
// or root may take it, since only they can save the store with its owner.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <string>

namespace tarnwell::posix {

// How long a run waits for another to finish before it gives up.
constexpr int kLockWaitSeconds = 30;

// Takes the lock of the store `name` in `directory`; `store` is the store
// file's status, or null when there is none yet. Refuses a user who may
// not save the store. Waits while another run holds the lock, at most
// kLockWaitSeconds. On success *lock_fd holds the lock until it is closed.
std::int32_t TakeStoreLock(int directory, const std::string& name,
                           const struct stat* store, int* lock_fd);

}  // namespace tarnwell::posix
