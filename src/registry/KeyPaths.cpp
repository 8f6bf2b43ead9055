#include "registry/KeyPaths.h"

#include "config/WideText.h"

namespace tarnwell {

bool InterfaceKeyPath(char16_t (&path)[kKeyPathCapacity],
                      const char16_t* client_driver, std::uint16_t vid,
                      std::uint16_t pid, std::uint8_t interface_number) {
  return !WideWriter(path, kKeyPathCapacity)
      .Text(u"Drivers\\USB\\ClientDrivers\\")
      .Text(client_driver)
      .Text(u"\\VID_")
      .Hex(vid, 4, true)
      .Text(u"&PID_")
      .Hex(pid, 4, true)
      .Text(u"&IFC_")
      .Hex(interface_number, 2, true)
      .Overflowed();
}

void LoadClientKeyPath(char16_t (&path)[kKeyPathCapacity],
                       const DeviceEntry& entry) {
  WideWriter out(path, kKeyPathCapacity);
  out.Text(u"Drivers\\USB\\LoadClients\\");
  if (!entry.HasVid) {
    out.Text(u"Default");
  } else {
    out.Decimal(entry.Vid);
    if (entry.HasPid) out.Text(u"_").Decimal(entry.Pid);
  }
  out.Text(u"\\Default\\");
  if (!entry.HasIfcClass) {
    out.Text(u"Default");
  } else {
    out.Decimal(entry.IfcClass);
    if (entry.HasIfcSubClass) {
      out.Text(u"_").Decimal(entry.IfcSubClass);
      if (entry.HasIfcProtocol) out.Text(u"_").Decimal(entry.IfcProtocol);
    }
  }
  out.Text(u"\\USBCDC_Driver");
}

void GuidText(char16_t (&text)[64], const GUID& guid) {
  WideWriter out(text, 64);
  out.Text(u"{").Hex(guid.Data1, 8, false).Text(u"-");
  out.Hex(guid.Data2, 4, false).Text(u"-").Hex(guid.Data3, 4, false);
  out.Text(u"-").Hex(guid.Data4[0], 2, false).Hex(guid.Data4[1], 2, false);
  out.Text(u"-");
  for (int i = 2; i < 8; ++i) out.Hex(guid.Data4[i], 2, false);
  out.Text(u"}");
}

}  // namespace tarnwell
