#include "support/GeneratedConfig.h"

#include <cstdio>

namespace tarnwell::testing {
namespace {

// 16-bit VID and PID that no other section of the same kind shares.
unsigned Vid(std::size_t i, unsigned base) {
  return base + static_cast<unsigned>(i / 0x1000);
}
unsigned Pid(std::size_t i) {
  return 0x100 + static_cast<unsigned>(i % 0x1000);
}

void AppendDevice(std::string& out, std::size_t i) {
  char section[768];
  int n = std::snprintf(section, sizeof section,
                        "[CDC serial function %zu]\r\n"
                        "DLL = usbcdc.dll\r\n"
                        "VID = 0x%04X\r\n"
                        "PID = 0x%04X\r\n"
                        "IFC_Class = 0x02\r\n"
                        "IFC_SubClass = 0x02\r\n"
                        "IFC_Protocol = 0x01\r\n"
                        "GUID = {CC5195AC-BA49-48a0-BE17-DF6D1B0173DD}\r\n"
                        "NumberOfControlInBuffers = 0x2\r\n"
                        "BufferCountIn = 0x8\r\n"
                        "BufferCountOut = 0x8\r\n"
                        "BufferSizeFactorIn = 0x4\r\n"
                        "BufferSizeFactorOut = 0x4\r\n"
                        "IFC_Disable = 0x03\r\n"
                        "IFC_Disable = 0x04\r\n"
                        "\r\n",
                        i, Vid(i, 0x1000), Pid(i));
  out.append(section, static_cast<std::size_t>(n));
}

// The modem function of the i-th device, whose section loads its driver.
void AppendModem(std::string& out, std::size_t i) {
  char section[1024];
  int n = std::snprintf(section, sizeof section,
                        "[MODEM SETTINGS]\r\n"
                        "DLL = usbcdc.dll\r\n"
                        "VID = 0x%04X\r\n"
                        "PID = 0x%04X\r\n"
                        "IFC = 0x00\r\n"
                        "TSP = unimodem.dll\r\n"
                        "FriendlyName = USB Modem %zu\r\n"
                        "DeviceType = 0x01\r\n"
                        "BaudRate = 115200\r\n"
                        "Init1 = AT<cr>\r\n"
                        "Init2 = ATE0V1&C1&D2<cr>\r\n"
                        "Init3 = AT+CGDCONT=1,\"IP\",\"internet\"<cr>\r\n"
                        "Answer = ATA<cr>\r\n"
                        "CallSetupFailTimeout = S7=<#>\r\n"
                        "DialPrefix = D\r\n"
                        "DialSuffix = ;\r\n"
                        "Monitor = ATS0=0<cr>\r\n"
                        "Prefix = AT\r\n"
                        "Pulse = P\r\n"
                        "Reset = ATZ<cr>\r\n"
                        "Terminator = <cr>\r\n"
                        "Tone = T\r\n"
                        "\r\n",
                        Vid(i, 0x1000), Pid(i), i);
  out.append(section, static_cast<std::size_t>(n));
}

}  // namespace

std::string GenerateConfig(std::size_t devices, std::size_t modems) {
  std::string out = "; generated\r\n\r\n";
  out.reserve(devices * 420 + modems * 560);
  for (std::size_t i = 0; i < devices; ++i) AppendDevice(out, i);
  for (std::size_t i = 0; i < modems; ++i) AppendModem(out, i);
  return out;
}

}  // namespace tarnwell::testing
