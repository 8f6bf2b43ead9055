// tarnwell-check --emit: the image fragment and the CAB Wizard .inf hold
// the installer's keys and values in its order, with each value's last
// data, and nothing is written that a code page could change.
#include <gtest/gtest.h>

#include "check/CheckRun.h"

namespace tarnwell::check::testing {
namespace {

using tarnwell::testing::ListDirectory;

// Two device sections share their keys (the second's Dll stays), a modem
// writes keys without values; quotes, backslashes and "%" are quoted.
constexpr char kConfig[] =
    "[A]\nDLL = first.dll\nBufferCountIn = 0x1F\n[B]\nDLL = 50% \"off\" \\ on\n"
    "[MODEM SETTINGS]\nDLL = m.dll\nVID = 12D1\nPID=1001\nInit3 = AT&F\n";
constexpr char kComment[] =
    "; USB CDC driver and modem settings from usbcdc.cfg, made by "
    "tarnwell-check " TARNWELL_VERSION "\r\n";
constexpr char kClient[] = "Drivers\\USB\\ClientDrivers\\";
constexpr char kModem[] = "Drivers\\USB\\ClientDrivers\\USBCDC_COM_Template";

Output Emit(const ScratchDir& dir, const std::string& kind,
            const std::string& config) {
  WriteBytes(dir.File("usbcdc.cfg"), config);
  return RunProgram(TARNWELL_CHECK_EXE,
                    {"-q", "--emit=" + kind, "-o", "out", "usbcdc.cfg"},
                    dir.Path());
}

TEST(Emit, TheInstallersKeysAndLastValuesInItsOrder) {
  ScratchDir dir;
  ASSERT_EQ(Emit(dir, "image-reg", kConfig).Text, "");
  const std::string dll = "\"Dll\"=\"50% \\\"off\\\" \\\\ on\"\r\n";
  EXPECT_EQ(ReadBytes(dir.File("out")),
            std::string(kComment) +
                "\r\n[HKEY_LOCAL_MACHINE\\Drivers\\USB\\LoadClients\\Default\\"
                "Default\\Default\\USBCDC_Driver]\r\n" + dll +
                "\r\n[HKEY_LOCAL_MACHINE\\" + kClient +
                "USBCDC_Template_Default]\r\n" + dll +
                "\"Prefix\"=\"COM\"\r\n\"BufferCountIn\"=dword:0000001f\r\n"
                "\r\n[HKEY_LOCAL_MACHINE\\" + kClient +
                "USBCDC_Config\\VID_12D1&PID_1001&IFC_00]\r\n"
                "\"Template\"=\"USBCDC_COM_Template\"\r\n"
                "\r\n[HKEY_LOCAL_MACHINE\\" + kModem + "]\r\n"
                "\"DLL\"=\"m.dll\"\r\n\"Prefix\"=\"COM\"\r\n"
                "\r\n[HKEY_LOCAL_MACHINE\\" + kModem + "\\Unimodem]\r\n"
                "\r\n[HKEY_LOCAL_MACHINE\\" + kModem + "\\Unimodem\\Config]\r\n"
                "\r\n[HKEY_LOCAL_MACHINE\\" + kModem + "\\Unimodem\\Init]\r\n"
                "\"3\"=\"AT&F\"\r\n"
                "\r\n[HKEY_LOCAL_MACHINE\\" + kModem + "\\Unimodem\\Settings]\r\n");

  ASSERT_EQ(Emit(dir, "cab-inf", kConfig).Text, "");
  const std::string inf = ReadBytes(dir.File("out"));
  EXPECT_EQ(inf.substr(0, sizeof kComment - 1), kComment);
  for (const char* section : {"[Version]", "[CEStrings]", "[CEDevice]",
                              "[DefaultInstall]", "[SourceDisksNames]",
                              "[SourceDisksFiles]"}) {
    EXPECT_NE(inf.find(std::string("\r\n") + section + "\r\n"), std::string::npos)
        << section;
  }
  const std::string line = std::string("HKLM,\"") + kClient +
                           "USBCDC_Template_Default\",\"Dll\",0x00000000,"
                           "\"50%% \"\"off\"\" \\ on\"\r\n";
  EXPECT_EQ(inf.substr(inf.find("[Registry]\r\n") + 12),
            std::string("HKLM,\"Drivers\\USB\\LoadClients\\Default\\Default\\"
                        "Default\\USBCDC_Driver\"") +
                line.substr(line.find(",\"Dll\"")) + line +
                "HKLM,\"" + kClient + "USBCDC_Template_Default\",\"Prefix\","
                "0x00000000,\"COM\"\r\nHKLM,\"" + kClient +
                "USBCDC_Template_Default\",\"BufferCountIn\",0x00010001,31\r\n"
                "HKLM,\"" + kClient + "USBCDC_Config\\VID_12D1&PID_1001&IFC_00\","
                "\"Template\",0x00000000,\"USBCDC_COM_Template\"\r\n"
                "HKLM,\"" + kModem + "\",\"DLL\",0x00000000,\"m.dll\"\r\n"
                "HKLM,\"" + kModem + "\",\"Prefix\",0x00000000,\"COM\"\r\n"
                "HKLM,\"" + kModem + "\\Unimodem\\Config\",,0x00000010\r\n"
                "HKLM,\"" + kModem + "\\Unimodem\\Init\",\"3\",0x00000000,\"AT&F\"\r\n"
                "HKLM,\"" + kModem + "\\Unimodem\\Settings\",,0x00000010\r\n");
}

TEST(Emit, TextACodePageCouldChangeIsRefusedWithItsLine) {
  const struct {
    std::string Config;
    const char* Where;  // "" when the file is written
  } cases[] = {
      {"[M]\nDLL=a.dll\n[MODEM SETTINGS]\nDLL=m\nFriendlyName = f\xE9t\xE9\n",
       "usbcdc.cfg:5:17: error: \"FriendlyName\" would hold a character outside ASCII (0xE9)"},
      {"[DLL=x\x7F]\n", "usbcdc.cfg:1:7: error: \"Dll\" would hold a control character (0x7F)"},
      {"[D]\nDLL=a\nDLL = b\x1A\n", "usbcdc.cfg:3:8: error: \"Dll\" would hold a control character (0x1A)"},
      {"[MODEM SETTINGS]\nDLL=m\nInit3 = \xFF\n[x]\n# \xFF\nDLL=d\n",
       "usbcdc.cfg:3:9: error: \"3\" would hold a character outside ASCII (0xFF)"},
      // What the installer does not write, or writes over, is no matter.
      {"[MODEM SETTINGS]\nDLL=m\nTSP=\xE9\n[MODEM SETTINGS]\nDLL=m\nTSP=t\n", ""},
      {"[D]\nDLL=a\tb\nFriendlyName=\xE9\nBogus=\x80\n", ""},
  };
  for (const auto& c : cases) {
    for (const char* kind : {"image-reg", "cab-inf"}) {
      SCOPED_TRACE(c.Config + kind);
      ScratchDir dir;
      WriteBytes(dir.File("out"), "before");
      const Output out = Emit(dir, kind, c.Config);
      EXPECT_EQ(out.ExitCode, *c.Where ? 1 : 0) << out.Text;
      EXPECT_NE(out.Text.find(c.Where), std::string::npos) << out.Text;
      EXPECT_EQ(ReadBytes(dir.File("out")) == "before", *c.Where != 0);
      EXPECT_EQ(ListDirectory(dir.Path()).size(), 2u);  // no temporary left
    }
  }
}

TEST(Emit, UsageAndWriteErrors) {
  ScratchDir dir;
  WriteBytes(dir.File("usbcdc.cfg"), "[D]\nDLL=a\n");
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{
           {"--emit=image-reg", "usbcdc.cfg"},
           {"--emit=reg", "-o", "x", "usbcdc.cfg"},
           {"--emit=cab-inf", "-o", "no/such/dir", "usbcdc.cfg"}}) {
    EXPECT_EQ(RunProgram(TARNWELL_CHECK_EXE, args, dir.Path()).ExitCode, 2)
        << args[0];
  }
  EXPECT_EQ(ListDirectory(dir.Path()).size(), 1u);
}

}  // namespace
}  // namespace tarnwell::check::testing
