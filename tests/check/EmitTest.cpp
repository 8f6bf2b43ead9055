// tarnwell-check --emit: the image fragment and the CAB Wizard .inf hold
// the installer's keys and values in its order, with each value's last
// data, and nothing is written that a code page could change.
#include <gtest/gtest.h>

#include <cstring>

#include "check/CheckRun.h"
#include "support/StoreFiles.h"

namespace tarnwell::check::testing {
namespace {

using tarnwell::testing::ListDirectory;

// Two device sections share their keys (the second's Dll stays), a modem
// writes keys without values; quotes, backslashes and "%" are quoted.
constexpr char kConfig[] =
    "[A]\nDLL = first.dll\nBufferCountIn = 0x1F\n[B]\nDLL = 50% \"off\" \\ on\n"
    "[MODEM SETTINGS]\nDLL = m.dll\nVID = 12D1\nPID=1001\nInit3 = AT&F\n";
constexpr char kImageReg[] = R"(
[HKEY_LOCAL_MACHINE\Drivers\USB\LoadClients\Default\Default\Default\USBCDC_Driver]
"Dll"="50% \"off\" \\ on"

[HKEY_LOCAL_MACHINE\Drivers\USB\ClientDrivers\USBCDC_Template_Default]
"Dll"="50% \"off\" \\ on"
"Prefix"="COM"
"BufferCountIn"=dword:0000001f

[HKEY_LOCAL_MACHINE\Drivers\USB\ClientDrivers\USBCDC_Config\VID_12D1&PID_1001&IFC_00]
"Template"="USBCDC_COM_Template"

[HKEY_LOCAL_MACHINE\Drivers\USB\ClientDrivers\USBCDC_COM_Template]
"DLL"="m.dll"
"Prefix"="COM"

[HKEY_LOCAL_MACHINE\Drivers\USB\ClientDrivers\USBCDC_COM_Template\Unimodem]

[HKEY_LOCAL_MACHINE\Drivers\USB\ClientDrivers\USBCDC_COM_Template\Unimodem\Config]

[HKEY_LOCAL_MACHINE\Drivers\USB\ClientDrivers\USBCDC_COM_Template\Unimodem\Init]
"3"="AT&F"

[HKEY_LOCAL_MACHINE\Drivers\USB\ClientDrivers\USBCDC_COM_Template\Unimodem\Settings]
)";
constexpr char kInfRegistry[] = R"([Registry]
HKLM,"Drivers\USB\LoadClients\Default\Default\Default\USBCDC_Driver","Dll",0x00000000,"50%% ""off"" \ on"
HKLM,"Drivers\USB\ClientDrivers\USBCDC_Template_Default","Dll",0x00000000,"50%% ""off"" \ on"
HKLM,"Drivers\USB\ClientDrivers\USBCDC_Template_Default","Prefix",0x00000000,"COM"
HKLM,"Drivers\USB\ClientDrivers\USBCDC_Template_Default","BufferCountIn",0x00010001,31
HKLM,"Drivers\USB\ClientDrivers\USBCDC_Config\VID_12D1&PID_1001&IFC_00","Template",0x00000000,"USBCDC_COM_Template"
HKLM,"Drivers\USB\ClientDrivers\USBCDC_COM_Template","DLL",0x00000000,"m.dll"
HKLM,"Drivers\USB\ClientDrivers\USBCDC_COM_Template","Prefix",0x00000000,"COM"
HKLM,"Drivers\USB\ClientDrivers\USBCDC_COM_Template\Unimodem\Config",,0x00000010
HKLM,"Drivers\USB\ClientDrivers\USBCDC_COM_Template\Unimodem\Init","3",0x00000000,"AT&F"
HKLM,"Drivers\USB\ClientDrivers\USBCDC_COM_Template\Unimodem\Settings",,0x00000010
)";

std::string Crlf(const std::string& text) {
  std::string out;
  for (char c : text) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
  return out;
}

Output Emit(const ScratchDir& dir, const std::string& kind,
            const std::string& config) {
  WriteBytes(dir.File("usbcdc.cfg"), config);
  return RunProgram(TARNWELL_CHECK_EXE,
                    {"-q", "--emit=" + kind, "-o", "out", "usbcdc.cfg"},
                    dir.Path());
}

TEST(Emit, TheInstallersKeysAndLastValuesInItsOrder) {
  const std::string comment = Crlf(
      "; USB CDC driver and modem settings from usbcdc.cfg, made by "
      "tarnwell-check " TARNWELL_VERSION "\n");
  ScratchDir dir;
  ASSERT_EQ(Emit(dir, "image-reg", kConfig).Text, "");
  EXPECT_EQ(ReadBytes(dir.File("out")), comment + Crlf(kImageReg));
  ASSERT_EQ(Emit(dir, "cab-inf", kConfig).Text, "");
  const std::string inf = ReadBytes(dir.File("out"));
  EXPECT_EQ(inf.substr(0, comment.size()), comment);
  // The sections the CAB Wizard requires, none empty.
  for (const char* section : {"[Version]", "[CEStrings]", "[CEDevice]",
                              "[DefaultInstall]", "[SourceDisksNames]",
                              "[DestinationDirs]"}) {
    const std::size_t at = inf.find(std::string("\r\n") + section + "\r\n");
    ASSERT_NE(at, std::string::npos) << section;
    EXPECT_NE(inf.substr(at + std::strlen(section) + 4, 2), "\r\n") << section;
  }
  EXPECT_EQ(inf.substr(inf.find("[Registry]")), Crlf(kInfRegistry));
  // The cabinet names the modem's keys without values, and says so.
  EXPECT_NE(RunProgram(TARNWELL_CHECK_EXE, {"--emit=cab", "-o", "c", "usbcdc.cfg"},
                       dir.Path()).Text.find("Unimodem\\Config without a value"),
            std::string::npos);
  // What a start registry holds is the device's, not the file's to carry,
  // even where the file writes the same key.
  WriteBytes(dir.File("start.reg"),
             tarnwell::testing::StoreBytes(
                 u"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_"
                 u"MACHINE\\Drivers\\USB\\ClientDrivers\\USBCDC_COM_"
                 u"Template]\r\n\"Foo\"=\"caf\u00e9\"\r\n"));
  EXPECT_EQ(RunProgram(TARNWELL_CHECK_EXE,
                       {"-q", "--registry", "start.reg", "--emit=cab-inf", "-o",
                        "out", "usbcdc.cfg"},
                       dir.Path()).Text, "");
  EXPECT_EQ(ReadBytes(dir.File("out")).substr(inf.find("[Registry]")),
            Crlf(kInfRegistry));
}

TEST(Emit, TextACodePageCouldChangeIsRefusedWithItsLine) {
  const struct {
    std::string Config;
    const char* Where;  // "" when the file is written
    const char* Only = nullptr;  // the one kind that refuses it
  } cases[] = {
      {"[M]\nDLL=a.dll\n[MODEM SETTINGS]\nDLL=m\nBogus=1\nTSP=t\nFriendlyName = f\xE9t\xE9\n",
       "usbcdc.cfg:7:17: error: \"FriendlyName\" would hold a character outside ASCII (0xE9)"},
      {"[DLL=x\x7F]\n", "usbcdc.cfg:1:7: error: \"Dll\" would hold a control character (0x7F)"},
      {"[D]\nDLL=a\nDLL = b\x1A\n", "usbcdc.cfg:3:8: error: \"Dll\" would hold a control character (0x1A)"},
      {"[MODEM SETTINGS]\nDLL=m\nInit3 = \xFF\n[x]\n# \xFF\nDLL=d\n",
       "usbcdc.cfg:3:9: error: \"3\" would hold a character outside ASCII (0xFF)"},
      // What the installer does not write, or writes over, is no matter.
      {"[MODEM SETTINGS]\nDLL=m\nTSP=\xE9\n[MODEM SETTINGS]\nDLL=m\nTSP=t\n", ""},
      {"[D]\nDLL=a\nFriendlyName=\xE9\nBogus=\x80\n", ""},
      // A tab stays in a text file; a cabinet shows its texts as they are.
      {"[D]\nDLL=a\tb\n",
       "usbcdc.cfg:2:6: error: \"Dll\" would hold a control character (0x09), "
       "and the device shows", "cab"},
      // Outside the signed range, where the CAB Wizard's installs fail.
      {"[D]\nDLL=a\nBufferCountIn=80000000\n",
       "usbcdc.cfg:3:1: error: \"BufferCountIn\" = 0x80000000 lies above", "cab-inf"},

      // A cabinet counts its names of keys in 16 bits: a load-client key
      // each, and one more than it can hold.
      {[] {
         std::string many;
         for (unsigned i = 0; i < 0x10000; ++i) {
           many += "[d]\nDLL=a\nVID=" + std::to_string(i >> 12) +
                   "\nPID=" + std::to_string(i & 0xFFF) + "\n";
         }
         return many;
       }(),
       "error: a cabinet holds at most 65,535 names of keys", "cab"},
  };
  for (const auto& c : cases) {
    for (const char* kind : {"image-reg", "cab-inf", "cab"}) {
      SCOPED_TRACE(c.Config.substr(0, 60) + kind);
      const bool refused = *c.Where && (c.Only == nullptr || c.Only == std::string(kind));
      ScratchDir dir;
      WriteBytes(dir.File("out"), "before");
      const Output out = Emit(dir, kind, c.Config);
      if (out.Text.find("has no libgcab") != std::string::npos) continue;
      EXPECT_EQ(out.ExitCode, refused ? 1 : 0) << out.Text;
      EXPECT_NE(out.Text.find(refused ? c.Where : ""), std::string::npos) << out.Text;
      EXPECT_EQ(ReadBytes(dir.File("out")) == "before", refused);
      EXPECT_EQ(ListDirectory(dir.Path()).size(), 2u);  // no temporary left
    }
  }
}

TEST(Emit, UsageAndWriteErrors) {
  ScratchDir dir;
  WriteBytes(dir.File("usbcdc.cfg"), "[D]\nDLL=a\n");
  fs::create_directory(dir.File("a directory"));
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{
           {"--emit=image-reg", "usbcdc.cfg"},
           {"--emit=reg", "-o", "x", "usbcdc.cfg"},
           {"--emit=cab-inf", "-o", "no/such/dir", "usbcdc.cfg"},
           {"--emit=cab-inf", "-o", "a directory", "usbcdc.cfg"}}) {
    const Output run = RunProgram(TARNWELL_CHECK_EXE, args, dir.Path());
    EXPECT_EQ(run.ExitCode, 2) << args[0];
    EXPECT_EQ(run.Text.find("dir': no such directory") != std::string::npos,
              args.size() > 2 && args[2] == "no/such/dir") << run.Text;
  }
  EXPECT_EQ(ListDirectory(dir.Path()).size(), 2u);
  // A file the installer fails to read, or one with errors, gets no file
  // (a device would take an empty one as any other); a file with nothing to
  // write gets its comment. The name in it keeps to printable ASCII.
  for (const char* kind : {"--emit=image-reg", "--emit=cab"}) {
    WriteBytes(dir.File("caf\xC3\xA9\t.cfg"), "[D]\nVID=1\n");
    EXPECT_EQ(RunProgram(TARNWELL_CHECK_EXE, {kind, "-o", "out", "./caf\xC3\xA9\t.cfg"},
                         dir.Path()).ExitCode, 1);
    EXPECT_FALSE(fs::exists(dir.File("out"))) << kind;
  }
  WriteBytes(dir.File("caf\xC3\xA9\t.cfg"), "[D]\nDLL=a\nVID=1\nIFC_Class=2\n");
  RunProgram(TARNWELL_CHECK_EXE, {"--emit=image-reg", "-o", "out", "./caf\xC3\xA9\t.cfg"},
             dir.Path());
  EXPECT_EQ(ReadBytes(dir.File("out")).substr(0, 76),
            "; USB CDC driver and modem settings from caf???.cfg, made by "
            "tarnwell-check ");
}

}  // namespace
}  // namespace tarnwell::check::testing
