// The uninstall-before-patch rules, the generic rule and the command-line
// query end to end: the real binary, uninstall entries in its registry file,
// stand-in uninstallers that record how they were run, and stand-in
// applications.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "platform/platform.h"
#include "precheck/rule_dispatch.h"
#include "precheck/run_context.h"
#include "tests/support/stand_ins.h"
#include "tests/support/test_support.h"

namespace {

constexpr int kInUse = 20001 & 0xFF;
constexpr const char* kUninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
constexpr const char* kMarkers = "SOFTWARE\\Kestrane\\Halvora\\HVAgent\\AppDetection\\";
constexpr unsigned long long kHour = 3600000;
constexpr unsigned long long kTenMinutes = 600000;

// A stand-in uninstaller: one line per run, "<name> <args...> | <cwd>".
constexpr const char* kRecorder =
    "#!/bin/sh\n"
    "printf '%s' \"${0##*/}\" >> \"$RECORD\"\n"
    "for a in \"$@\"; do printf ' %s' \"$a\" >> \"$RECORD\"; done\n"
    "printf ' | %s\\n' \"$(pwd)\" >> \"$RECORD\"\n"
    "exit ${EXIT_WITH:-0}\n";

std::string Escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out;
}

struct Value {
  std::string name, text;
};

class UninstallTest : public ::testing::Test {
 protected:
  void SetUp() override {
    hvtest::MakeDirs(dir_.Sub("work"));
    hvtest::MakeDirs(dir_.Sub("system32"));
    hvtest::MakeDirs(dir_.Sub("tools"));
    Tool("system32/MsiExec.exe");
    Tool("tools/uninst.exe");
    registry_ =
        "Windows Registry Editor Version 5.00\n\n"
        "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Power]\n"
        "\"HibernateEnabled\"=dword:00000000\n\n";
  }
  void Tool(const std::string& name) {
    hvtest::WriteFile(dir_.Sub(name), kRecorder);
    chmod(dir_.Sub(name).c_str(), 0755);
  }
  std::string Uninstaller() const { return dir_.Sub("tools/uninst.exe"); }
  void Entry(const std::string& subkey, const std::vector<Value>& values) {
    registry_ += "[HKEY_LOCAL_MACHINE\\" + std::string(kUninstall) + subkey + "]\n";
    for (const Value& v : values) registry_ += "\"" + v.name + "\"=\"" + Escaped(v.text) + "\"\n";
    registry_ += "\n";
  }
  void Marker(const std::string& name) {
    registry_ += "[HKEY_LOCAL_MACHINE\\" + std::string(kMarkers) + name + "]\n\n";
  }
  hvtest::RunResult Run(const std::vector<std::string>& args, unsigned long long uptime = kHour,
                        const std::string& exit_with = "0") {
    hvtest::WriteFile(dir_.Sub("registry.reg"), registry_);
    return hvtest::RunProgram(HVPRECHECK_BINARY, args, dir_.Sub("work"),
                              {{"HVPRECHECK_REGISTRY", dir_.Sub("registry.reg")},
                               {"HVPRECHECK_SYSTEM_DIR", dir_.Sub("system32")},
                               {"HVPRECHECK_UPTIME_MS", std::to_string(uptime)},
                               {"RECORD", dir_.Sub("record.txt")},
                               {"EXIT_WITH", exit_with},
                               {"PATH", dir_.Sub("tools") + ":/usr/bin:/bin"}});
  }
  // The commands run, as "<program> <args> | <working directory>".
  std::vector<std::string> Commands() const {
    return hvtest::SplitLines(hvtest::ReadFile(dir_.Sub("record.txt")));
  }
  std::string InSystem(const std::string& command) const {
    return command + " | " + dir_.Sub("system32");
  }
  std::string Log() const { return hvtest::ReadFile(dir_.Sub("logs/hvvantrel.log")); }
  bool KeyExists(const std::string& path) {
    hvtest::ScopedEnv env("HVPRECHECK_REGISTRY", dir_.Sub("registry.reg").c_str());
    plat::RegKey key = nullptr;
    if (plat::RegistryOpenKey(plat::kHkeyLocalMachine, path.c_str(), plat::kKeyRead, &key) != 0) {
      return false;
    }
    plat::RegistryCloseKey(key);
    return true;
  }
  bool HasEntry(const std::string& subkey) { return KeyExists(kUninstall + subkey); }
  bool HasMarker(const std::string& name) { return KeyExists(kMarkers + name); }
  void ExpectInOrder(const std::vector<std::string>& texts) {
    EXPECT_EQ(hvtest::FirstMissingInOrder(Log(), texts), "") << Log();
  }

  hvtest::TempDir dir_;
  hvtest::StandIns apps_{dir_.path()};
  std::string registry_;
};

TEST_F(UninstallTest, HipChatRemovesEveryEntryNamedHipChat) {
  Entry("{H1}", {{"DisplayName", "HipChat"}, {"QuietUninstallString", Uninstaller() + " /quiet"}});
  Entry("{H2}", {{"DisplayName", "hipchat"}, {"UninstallString", Uninstaller()}});
  Entry("{H3}", {{"DisplayName", "HipChat 4.0"}, {"UninstallString", Uninstaller()}});
  Entry("{H4}", {{"DisplayName", "HipChat"}, {"UninstallString", Uninstaller() + " /x"}});
  Entry("{H4}\\Child", {});
  Entry("{H5}", {{"DisplayName", "HipChat"}});
  hvtest::RunResult r = Run({"-n", "hipchat"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(Commands(), (std::vector<std::string>{
                            InSystem("uninst.exe /quiet"),
                            InSystem("uninst.exe /qn /norestart ALLUSERS=1"),
                            InSystem("uninst.exe /x /qn /norestart ALLUSERS=1"),
                        }));
  EXPECT_FALSE(HasEntry("{H1}"));
  EXPECT_FALSE(HasEntry("{H2}"));
  EXPECT_TRUE(HasEntry("{H3}"));
  EXPECT_TRUE(HasEntry("{H4}"));  // a key with a subkey is not deleted
  EXPECT_TRUE(HasEntry("{H5}"));
  EXPECT_TRUE(HasMarker("hipchat"));
  ExpectInOrder({"[INFO] systemDirectory:" + dir_.Sub("system32") + "\n",
                 "[INFO] The return value is 0[", "RegCreateKeyEx: returns : 0\n",
                 "[INFO] The return value is 0[", "RegCreateKeyEx: returns : 0\n",
                 "[INFO] The return value is 0[", "RegCreateKeyEx: returns : 0\n"});
  EXPECT_EQ(hvtest::CountOf(Log(), "The return value is"), 3u);
}

TEST_F(UninstallTest, AdvancedInstallerByItsProductCode) {
  Entry("{AI1}", {{"DisplayName", "Advanced Installer 19.1"}, {"UninstallString", "x"}});
  Entry("{AI2}", {{"DisplayName", "advanced installer"}, {"UninstallString", "x"}});
  Entry("{AI3}", {{"DisplayName", "Advanced Installer 18"}});
  EXPECT_EQ(Run({"-n", "AdvancedInstaller"}).status, 0);
  EXPECT_EQ(Commands(), std::vector<std::string>{InSystem("MsiExec.exe /X{AI1} /qn /norestart")});
  EXPECT_FALSE(HasEntry("{AI1}"));
  EXPECT_TRUE(HasEntry("{AI2}"));
  EXPECT_TRUE(HasMarker("AdvancedInstaller"));
}

TEST_F(UninstallTest, PdfXChangeViewerBothRemovalsTwoMarkers) {
  for (const char* key : {"PDFXCview32", "PDFXCview64"}) {
    EXPECT_EQ(Run({"-n", key}, kHour, "1603").status, 0);
    EXPECT_TRUE(HasMarker(key));
  }
  EXPECT_EQ(Commands(), (std::vector<std::string>{
                            InSystem("MsiExec.exe /X{9ED333F8-3E6C-4A38-BAFA-728454121CDA} /qn"),
                            InSystem("MsiExec.exe /X{3A6F4A31-8CFD-46B4-8385-E1F384DB121E} /qn"),
                            InSystem("MsiExec.exe /X{9ED333F8-3E6C-4A38-BAFA-728454121CDA} /qn"),
                            InSystem("MsiExec.exe /X{3A6F4A31-8CFD-46B4-8385-E1F384DB121E} /qn"),
                        }));
  // 1603 cannot leave a Linux child (8 bits): it arrives as 1603 mod 256.
  ExpectInOrder({"[INFO] Execution status for PDFXCview 32 Uninstallation : 67 and remarks : ",
                 "[INFO] Execution status for PDFXCview 64 Uninstallation : 67 and remarks : "});
}

TEST_F(UninstallTest, SkypeSevenRemovalsThenClearMode) {
  EXPECT_EQ(Run({"-n", "skype"}).status, 0);
  const char* codes[] = {
      "{4E76FF7E-AEBA-4C87-B788-CD47E5425B9D}", "{7A3C7E05-EE37-47D6-99E1-2EB05A3DA3F7}",
      "{24991BA0-F0EE-44AD-9CC8-5EC50AECF6B7}", "{6A0549A9-1B96-498C-ACBC-3943001FEB19}",
      "{FC965A47-4839-40CA-B618-18F486F042C6}", "{3B7E914A-93D5-4A29-92BB-AF8C3F66C431}",
      "{1845470B-EB14-4ABC-835B-E36C693DC07D}"};
  std::vector<std::string> expected;
  for (const char* c : codes)
    expected.push_back(InSystem("MsiExec.exe /X" + std::string(c) + " /qn"));
  EXPECT_EQ(Commands(), expected);
  ExpectInOrder({"Execution status for Skype 5 Uninstallation : 0 and remarks : ",
                 "Execution status for Skype 6 Uninstallation : 0",
                 "Execution status for Skype 7 Uninstallation : 0",
                 "Execution status for Skype 7.8 Uninstallation : 0",
                 "Execution status for Skype 7.8 Uninstallation : 0",
                 "Execution status for Skype 7.8 Uninstallation : 0",
                 "Execution status for Skype 7.33 Uninstallation : 0",
                 "RegCreateKeyEx: returns : 0\n"});
  EXPECT_TRUE(HasMarker("skype"));

  // Clear mode while skype.exe runs: the marker goes, nothing is examined.
  registry_ += "[HKEY_LOCAL_MACHINE\\" + std::string(kMarkers) + "skype]\n\n";
  pid_t pid = apps_.Start("skype.exe");
  const size_t before = Log().size();
  EXPECT_EQ(Run({"-c", "1", "-n", "skype"}).status, 0);
  EXPECT_FALSE(HasMarker("skype"));
  EXPECT_TRUE(apps_.Alive(pid));
  EXPECT_EQ(Log().substr(before).find("tick count"), std::string::npos);
  EXPECT_EQ(Commands().size(), 7u);
}

TEST_F(UninstallTest, GeoGebraChecksItsList) {
  pid_t pid = apps_.Start("GeoGebra.exe");
  EXPECT_EQ(Run({"-c", "1", "-e", "other.exe", "-e", "GeoGebra.exe", "-n", "GeoGebra"}).status,
            kInUse);
  EXPECT_TRUE(apps_.Alive(pid));
  EXPECT_TRUE(Commands().empty());
  ExpectInOrder({"[INFO] GeoGebra.exe is running.Hence skipping installation.\n"});
  EXPECT_EQ(Run({"-e", "other.exe", "-n", "GeoGebra"}).status, 0);
  EXPECT_EQ(Commands(),
            std::vector<std::string>{
                InSystem("MsiExec.exe /X{D44FFF47-306C-4198-9899-832C1DAA4566} /qn /norestart")});
  ExpectInOrder({"[INFO] Execution status for GeoGebra Uninstallation : 0 and remarks : "});
  EXPECT_FALSE(HasMarker("GeoGebra"));
}

TEST_F(UninstallTest, DvdFab10StatusOne) {
  EXPECT_EQ(Run({"-e", "x.exe", "-n", "DVDFab10"}).status, 1);
  EXPECT_TRUE(Commands().empty());
  Entry("DVDFab 10_is1", {{"QuietUninstallString", Uninstaller() + " /VERYSILENT"}});
  EXPECT_EQ(Run({"-n", "DVDFab10"}).status, 0);
  EXPECT_EQ(Commands(), std::vector<std::string>{InSystem("uninst.exe /VERYSILENT")});
  ExpectInOrder({"[INFO] Execution status for DVDFab10 Uninstallation : 0 and remarks : "});
  Entry("DVDFab 10", {{"QuietUninstallString", Uninstaller() + " /first"}});
  EXPECT_EQ(Run({"-n", "DVDFab10"}).status, 0);
  EXPECT_EQ(Commands().size(), 3u);
  EXPECT_FALSE(HasMarker("DVDFab10"));
}

TEST_F(UninstallTest, InkscapeBothBranches) {
  Entry("{81922150-317E-4BB0-A31D-FF1C14F707C5}", {{"UninstallString", "MsiExec.exe /X..."}});
  Entry("Inkscape", {{"UninstallString", Uninstaller()}});
  EXPECT_EQ(Run({"-x", "32", "-n", "inkscape"}).status, 0);
  EXPECT_EQ(Commands(),
            (std::vector<std::string>{
                InSystem("MsiExec.exe /X{81922150-317E-4BB0-A31D-FF1C14F707C5} /qn /norestart"),
                InSystem("uninst.exe /S"),
            }));
  ExpectInOrder(
      {"[INFO] Inside the product inkscape[", "[INFO] Inside the 32 bit hive.\n",
       "[INFO] Inside msi uninstallation.\n", "[INFO] The return value is 0[",
       "[INFO] Inside exe uninstallation." + Uninstaller() + " /S is the uninstallation string\n",
       "RegCreateKeyEx: returns : 0\n"});
  EXPECT_TRUE(HasMarker("inkscape_32"));
  EXPECT_FALSE(HasMarker("inkscape_64"));
  // The 64-bit view: only the installer command.
  EXPECT_EQ(Run({"-n", "inkscape"}).status, 0);
  EXPECT_EQ(Commands().size(), 3u);
  EXPECT_TRUE(HasMarker("inkscape_64"));
}

TEST_F(UninstallTest, InkscapeExeStringWithoutInstallerEntry) {
  Entry("Inkscape", {{"UninstallString", Uninstaller()}});
  Marker("inkscape_32");
  Marker("inkscape_64");
  EXPECT_EQ(Run({"-n", "inkscape"}).status, 0);
  EXPECT_EQ(Commands(), std::vector<std::string>{InSystem("uninst.exe qn")});
  // Clear mode with -x 32 deletes the "_32" marker only.
  EXPECT_EQ(Run({"-c", "1", "-x", "32", "-n", "inkscape"}).status, 0);
  EXPECT_FALSE(HasMarker("inkscape_32"));
  EXPECT_TRUE(HasMarker("inkscape_64"));
  pid_t pid = apps_.Start("inkscape.exe");
  EXPECT_EQ(Run({"-n", "inkscape"}).status, kInUse);
  EXPECT_TRUE(apps_.Alive(pid));
  ExpectInOrder({"[INFO] inkscape already running.\n"});
}

TEST_F(UninstallTest, AuslogicsDiskDefrag) {
  EXPECT_EQ(Run({"-n", "AuslogicsDiskDefrag"}).status, 0);
  ExpectInOrder({"[INFO] DiskDefrag is not running.Going to uninstall.\n",
                 "[INFO] Reading from registry failed with error 2.\n"});
  EXPECT_FALSE(HasMarker("AuslogicsDiskDefrag"));
  Entry("{DF6A13C0-77DF-41FE-BD05-6D5201EB0CE7}_is1",
        {{"QuietUninstallString", "\"" + Uninstaller() + "\" /VERYSILENT"}});
  EXPECT_EQ(Run({"-n", "AuslogicsDiskDefrag"}).status, 0);
  EXPECT_EQ(Commands(), std::vector<std::string>{InSystem("uninst.exe /VERYSILENT")});
  ExpectInOrder({"[INFO] The uninstall string is \"" + Uninstaller() + "\" /VERYSILENT[",
                 "[INFO] The return value is 0["});
  EXPECT_TRUE(HasMarker("AuslogicsDiskDefrag"));
}

TEST_F(UninstallTest, GenericRuleUninstallBranch) {
  Entry("{G1}_is1", {{"QuietUninstallString", Uninstaller()}});
  EXPECT_EQ(Run({"-k", "{G1}_is1\\QuietUninstallString", "-s", "/S", "-s", "/norestart", "-c", "1",
                 "-n", "SomeProduct"})
                .status,
            0);
  EXPECT_EQ(Commands(), std::vector<std::string>{InSystem("uninst.exe /S /norestart")});
  const std::string command = Uninstaller() + " /S /norestart ";
  ExpectInOrder({"[INFO] SomeProduct is not running.Going to uninstall.\n",
                 "[INFO] The uninstall switch is /S /norestart [",
                 "[INFO] The uninstall string is " + command + "[", "[INFO] The return value is 0[",
                 "RegCreateKeyEx: returns : 0\n"});
  EXPECT_TRUE(HasMarker("SomeProduct"));  // -c with -k: created, not deleted

  // A missing key: nothing runs, no marker.
  EXPECT_EQ(Run({"-k", "{None}\\UninstallString", "-n", "Other"}).status, 0);
  ExpectInOrder({"[INFO] Reading from registry failed with error 2.\n"});
  EXPECT_FALSE(HasMarker("Other"));
  EXPECT_EQ(Commands().size(), 1u);
}

TEST_F(UninstallTest, GenericRuleCheckBranch) {
  Marker("Prod");
  // -c with -e: the executables only, each announced; the marker stays.
  EXPECT_EQ(Run({"-c", "1", "-e", "a.exe", "-e", "b.exe", "-n", "Prod"}).status, 0);
  ExpectInOrder({"[INFO] a.exe listOfExe \n", "[INFO] b.exe listOfExe \n"});
  EXPECT_TRUE(HasMarker("Prod"));
  // -c alone deletes it; a missing marker logs the same.
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(Run({"-c", "1", "-n", "Prod"}).status, 0);
    EXPECT_FALSE(HasMarker("Prod"));
  }
  const std::string key = std::string(kMarkers) + "Prod";
  EXPECT_EQ(hvtest::CountOf(Log(), "[DEBUG] Key to delete:" + key + "["), 2u);
  EXPECT_EQ(hvtest::CountOf(Log(), "[DEBUG] Successfully removed the appdetection.\n"), 2u);
  // A -k value ending in a backslash is the check branch.
  EXPECT_EQ(Run({"-k", "{G1}\\", "-n", "Prod"}).status, 0);
  EXPECT_EQ(Log().find("Going to uninstall"), std::string::npos);
  // An executable in use outside the window: 20001, nothing uninstalled.
  Entry("{G1}", {{"UninstallString", Uninstaller()}});
  pid_t pid = apps_.Start("prod.exe");
  EXPECT_EQ(Run({"-e", "prod.exe", "-k", "{G1}\\UninstallString", "-n", "Prod"}).status, kInUse);
  EXPECT_TRUE(apps_.Alive(pid));
  EXPECT_TRUE(Commands().empty());
  ExpectInOrder({"[INFO] prod.exe is running.Hence skipping installation.\n"});
}

TEST_F(UninstallTest, PdfsamBasicByCommandLine) {
  struct Case {
    const char* what;
    const char* exe;
    const char* argv0;
    unsigned long long uptime;
    int status;
    const char* out;
    bool survives;
  } cases[] = {
      {"command line in use even at start-up", "java.exe", "java -jar pdfsam-community-5.jar",
       kTenMinutes, kInUse, "Pdfsam Runningbefore closing wmiclosed wmi", true},
      {"other letter case", "java.exe", "java -jar PDFSAM-Community.jar", kHour, 0,
       "Pdfsam not Runningbefore closing wmiclosed wmi", true},
      {"pdfsam.exe killed at start-up", "pdfsam.exe", "pdfsam.exe", kTenMinutes, 0,
       "Pdfsam not Runningbefore closing wmiclosed wmi", false},
      {"pdfsam.exe in use", "pdfsam.exe", "pdfsam.exe", kHour, kInUse,
       "Pdfsam not Runningbefore closing wmiclosed wmi", true},
  };
  for (const Case& c : cases) {
    pid_t pid = apps_.StartAs(c.exe, c.argv0);
    hvtest::RunResult r = Run({"-n", "PDFsamBasic"}, c.uptime);
    EXPECT_EQ(r.status, c.status) << c.what;
    EXPECT_EQ(r.out, c.out) << c.what;
    EXPECT_EQ(apps_.Alive(pid), c.survives) << c.what;
    if (apps_.Alive(pid)) kill(pid, SIGKILL), apps_.Alive(pid);
  }
  ExpectInOrder({"[INFO] GetValuesUsingWMIQuery : Connected to ROOT\\CIMV2 WMI namespace\n",
                 "[INFO] GetValuesUsingWMIQuery : The required Value is given by: java -jar "
                 "pdfsam-community-5.jar 600\n",
                 "[DEBUG] GetValuesUsingWMIQuery : Going to clean the allocated resources .\n"});
}

// The limits each rule hands to execute, recorded without running anything.
struct Call {
  std::string dir, command;
  int32_t minutes;
};
std::vector<Call> gv_calls;

int32_t Record(const char* dir, const char* command, char** /*remarks*/, int32_t minutes) {
  gv_calls.push_back({dir ? dir : "", command ? command : "", minutes});
  return 0;
}

TEST_F(UninstallTest, TimeLimitsOfEveryRule) {
  Entry("{H1}", {{"DisplayName", "HipChat"}, {"UninstallString", "h.exe"}});
  Entry("{AI1}", {{"DisplayName", "Advanced Installer 2"}, {"UninstallString", "x"}});
  Entry("DVDFab 10", {{"QuietUninstallString", "d.exe"}});
  Entry("{81922150-317E-4BB0-A31D-FF1C14F707C5}", {{"UninstallString", "m"}});
  Entry("Inkscape", {{"UninstallString", "i.exe"}});
  Entry("{DF6A13C0-77DF-41FE-BD05-6D5201EB0CE7}_is1", {{"QuietUninstallString", "a.exe"}});
  Entry("{G1}", {{"UninstallString", "g.exe"}});
  hvtest::WriteFile(dir_.Sub("registry.reg"), registry_);
  hvtest::ScopedEnv env("HVPRECHECK_REGISTRY", dir_.Sub("registry.reg").c_str());
  struct Case {
    const char* key;
    size_t calls;
    int32_t minutes;
  } cases[] = {{"hipchat", 1, 40},     {"AdvancedInstaller", 1, 40},
               {"PDFXCview32", 2, 20}, {"skype", 7, 20},
               {"GeoGebra", 1, 20},    {"DVDFab10", 1, 40},
               {"inkscape", 1, 20},    {"AuslogicsDiskDefrag", 1, 40},
               {"Generic", 1, 40}};
  const RunCommandFn saved = gv_runCommand;
  gv_runCommand = &Record;
  for (const Case& c : cases) {
    gv_calls.clear();
    RunContext ctx;
    ctx.productName = c.key;
    ctx.systemDirectory = "C:\\Windows\\system32";
    if (std::string(c.key) == "Generic") {
      ctx.RegKeyPath = std::string(kUninstall) + "{G1}";
      ctx.RegKeyValueName = "UninstallString";
    }
    DispatchProductRule(&ctx);
    ASSERT_EQ(gv_calls.size(), c.calls) << c.key;
    for (const Call& call : gv_calls) {
      EXPECT_EQ(call.minutes, c.minutes) << c.key << ": " << call.command;
      EXPECT_EQ(call.dir, "C:\\Windows\\system32") << c.key;
    }
    free(ctx.remarks);
  }
  gv_runCommand = saved;
}

}  // namespace
