// The key names the writers build, as plain functions so that each can be
// checked on its own.
#pragma once

#include <cstdint>

#include "config/Capacities.h"
#include "config/DeviceEntry.h"

namespace tarnwell {

// The client driver's key, below which the interface keys lie.
inline constexpr char16_t kClientDriver[] = u"USBCDC_Config";

// "Drivers\USB\ClientDrivers\<driver>\VID_%04X&PID_%04X&IFC_%02X"; false
// when a driver name too long for the buffer would cut it, since a cut path
// names another key.
bool InterfaceKeyPath(char16_t (&path)[kKeyPathCapacity],
                      const char16_t* client_driver, std::uint16_t vid,
                      std::uint16_t pid, std::uint8_t interface_number);

// "Drivers\USB\LoadClients\<device group>\Default\<interface group>
// \USBCDC_Driver"; a PID without a VID, or a subclass without a class, is
// left out.
void LoadClientKeyPath(char16_t (&path)[kKeyPathCapacity],
                       const DeviceEntry& entry);

// "{%08x-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x}", 38 characters.
void GuidText(char16_t (&text)[64], const GUID& guid);

}  // namespace tarnwell
