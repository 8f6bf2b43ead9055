// What the device's own readers do with what the installer writes: the USB
// driver loader with a device section's load-client key, Unimodem with a
// modem section's values, LoadLibrary with a driver's name. The facts are
// rows of the tables in DeviceReaders.cpp; each pass of the checker calls
// in here from one place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

#include "check/Diagnostic.h"

namespace tarnwell::regstore {
class RegTree;
}

namespace tarnwell::check {

struct CheckState;

// What these checks keep of the file while it is read.
struct ReaderState {
  // The device groups that accepted device sections load the driver for.
  bool AnyDevice = false;                    // a "Default" device group
  std::unordered_set<std::uint32_t> Vendors;  // "VID" alone
  std::unordered_set<std::uint32_t> Devices;  // VID << 16 | PID
  struct Modem {
    std::uint16_t Vid = 0;
    std::uint16_t Pid = 0;
    Place Header;
    std::size_t Root = 0;  // the section's misread root, or kNoRoot
  };
  std::vector<Modem> Modems;  // accepted, with VID and PID

  // The open section, by the line of its header: a hash of the values it
  // gave, one per row of its key catalogue, and its "VID" and "PID" values.
  std::size_t SectionLine = 0;
  std::vector<std::uint64_t> Values;
  std::string Ids[2];
  Place IdPlaces[2];
  // The values of the section that named each key first, hashed, by the
  // key's number in CheckState::NamedKeys.
  std::vector<std::uint64_t> NamedValues;
};

// A key line the installer applied (s.Applied, s.Value, s.Entry).
void CheckReaderValue(CheckState& s);
// An accepted section, its entry the last of its list in s.Config.
void CheckReaderSection(CheckState& s);
// Once the whole file is read; `start`, the registry the installer starts
// from, or null: a load-client key it holds loads a driver as well.
void CheckReaderFile(CheckState& s, const regstore::RegTree* start);

// The open section just named a key for the first time (`key`), or named
// one again: whether it writes what the section that named it first wrote,
// so that it replaces nothing.
void NoteNamedKey(CheckState& s);
bool WritesAsBefore(const CheckState& s, std::size_t key);

}  // namespace tarnwell::check
