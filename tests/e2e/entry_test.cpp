// The real hvprecheck binary, run as the agent runs it: its own working
// directory, its own registry file, its exit status and its log.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "tests/support/test_support.h"

namespace {

constexpr const char* kRegistry =
    "Windows Registry Editor Version 5.00\n"
    "\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrane\\Halvora\\HVAgent]\n"
    "\"HVAgentInstallDir\"=\"C:\\\\Program Files\\\\HVAgent\"\n"
    "\"HVAgentVersion\"=\"10.2.1\"\n";

class EntryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    hvtest::MakeDirs(Work());
    hvtest::WriteFile(dir_.Sub("registry.reg"), kRegistry);
  }
  std::string Work() const { return dir_.Sub("work"); }
  std::string LogPath() const { return dir_.Sub("logs/hvvantrel.log"); }
  hvtest::RunResult Run(const std::vector<std::string>& args) {
    return hvtest::RunProgram(
        HVPRECHECK_BINARY, args, Work(),
        {{"HVPRECHECK_REGISTRY", dir_.Sub("registry.reg")}, {"HVPRECHECK_SYSTEM_DIR", "/usr/bin"}});
  }
  std::string Log() const { return hvtest::ReadFile(LogPath()); }

  hvtest::TempDir dir_;
};

struct Scenario {
  const char* name;
  std::vector<std::string> args;
  std::vector<std::string> present;  // log texts, in this order
  std::vector<std::string> absent;
  bool closed;  // the close line is written
};

void PrintTo(const Scenario& s, std::ostream* os) { *os << s.name; }

class EntryScenarioTest : public EntryTest, public ::testing::WithParamInterface<Scenario> {};

TEST_P(EntryScenarioTest, StatusAndLog) {
  const Scenario& s = GetParam();
  hvtest::RunResult r = Run(s.args);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");  // nothing on standard output
  const std::string log = Log();
  EXPECT_EQ(hvtest::FirstMissingInOrder(log, s.present), "") << log;
  for (const std::string& text : s.absent) {
    EXPECT_EQ(log.find(text), std::string::npos) << "unexpected: " << text << "\n" << log;
  }
  EXPECT_EQ(log.find("Log close time: ") != std::string::npos, s.closed) << log;
  EXPECT_EQ(log.rfind("Log open time: ", 0), 0u) << log;
}

const std::string kUninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

INSTANTIATE_TEST_SUITE_P(
    CommandLines, EntryScenarioTest,
    ::testing::Values(
        Scenario{"NoArguments", {}, {"[INFO] product name is null\n"}, {"productName :"}, false},
        Scenario{"UpperCaseOptionIsNoOption",
                 {"-N", "notepad++"},
                 {"[INFO] product name is null\n"},
                 {"productName"},
                 false},
        Scenario{"ProductKeyOpensAndCloses",
                 {"-n", "7zip"},
                 {"[INFO] productName : 7zip\n"},
                 {"product name is null", "[ERROR]"},
                 true},
        Scenario{
            "LongOptionWordTakesValue", {"-name", "x"}, {"[INFO] productName : x\n"}, {}, true},
        Scenario{"LaterProductOverrides",
                 {"-n", "a", "-n", "b"},
                 {"productName : a\n", "productName : b\n"},
                 {},
                 true},
        Scenario{"ClearModeYes",
                 {"-c", "yes", "-n", "p"},
                 {"[INFO] App detection need to be cleared["},
                 {},
                 true},
        Scenario{"ClearModeZeroAndEmpty",
                 {"-c", "0", "-c", "", "-n", "p"},
                 {"App detection need to be cleared[", "App detection need to be cleared["},
                 {},
                 true},
        Scenario{"Platform32",
                 {"-x", "32", "-n", "inkscape"},
                 {"[INFO] App platform is 32 and gv_is32 is 1 and gv_IsWow64 is 0["},
                 {},
                 true},
        Scenario{"Platform64",
                 {"-x", "64", "-n", "p"},
                 {"[INFO] App platform is 64 and gv_is32 is 0 and gv_IsWow64 is 1["},
                 {},
                 true},
        Scenario{"BothPlatforms",
                 {"-x", "32", "-x", "64", "-n", "p"},
                 {"is 32 and gv_is32 is 1 and gv_IsWow64 is 0[",
                  "is 64 and gv_is32 is 1 and gv_IsWow64 is 1["},
                 {},
                 true},
        Scenario{"KeyWithBackslash",
                 {"-k", "{A1}_is1\\QuietUninstallString", "-n", "p"},
                 {"[DEBUG] Position of the last \\ is:8[",
                  "[INFO] Regkey Path:" + kUninstall +
                      "{A1}_is1\tRegKeyValueName :QuietUninstallString\n"},
                 {},
                 true},
        Scenario{"KeyWithoutBackslash",
                 {"-k", "Foo", "-n", "p"},
                 {"[DEBUG] Position of the last \\ is:-1[",
                  "[INFO] Regkey Path:" + kUninstall + "Foo\tRegKeyValueName :Foo\n"},
                 {},
                 true},
        Scenario{"KeyWithTrailingBackslash",
                 {"-k", "Foo\\", "-n", "p"},
                 {"[DEBUG] Position of the last \\ is:3[",
                  "[INFO] Regkey Path:" + kUninstall + "Foo\tRegKeyValueName :\n"},
                 {},
                 true},
        Scenario{
            "DirectoryAndProcessName",
            {"-f", "C:\\Apps\\7-Zip", "-p", "7zFM.exe", "-n", "7zip"},
            {"[INFO] Process Running Dir : C:\\Apps\\7-Zip\n", "[INFO] Process Name : 7zFM.exe\n"},
            {},
            true},
        Scenario{"ListsAndStrayWordsTakeNoLog",
                 {"stray", "-e", "a.exe", "-e", "b.exe", "-s", "/S", "-q", "-n", "vlc"},
                 {"[INFO] productName : vlc\n"},
                 {"a.exe", "/S", "stray"},
                 true},
        Scenario{"OptionAsLastArgumentIsIgnored",
                 {"-n", "p", "-f"},
                 {"[INFO] productName : p\n"},
                 {"Process Running Dir"},
                 true},
        Scenario{"ProductAsLastArgumentIsNoProduct",
                 {"-n"},
                 {"[INFO] product name is null\n"},
                 {},
                 false}),
    [](const ::testing::TestParamInfo<Scenario>& info) { return std::string(info.param.name); });

TEST_F(EntryTest, EntryFormatAndAppendAcrossRuns) {
  ASSERT_EQ(Run({"-n", "7zip"}).status, 0);
  ASSERT_EQ(Run({"-n", "notepad++"}).status, 0);
  std::vector<std::string> lines = hvtest::SplitLines(Log());
  ASSERT_EQ(lines.size(), 6u) << Log();
  const std::string stamp = R"(\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}:\d{3})";
  EXPECT_TRUE(std::regex_match(lines[0], std::regex("Log open time: " + stamp)));
  EXPECT_TRUE(std::regex_match(
      lines[1], std::regex(R"(\[ )" + stamp + R"( \] \[ \d+ \] \[INFO\] productName : 7zip)")))
      << lines[1];
  EXPECT_TRUE(std::regex_match(lines[2], std::regex("Log close time: " + stamp)));
  EXPECT_TRUE(std::regex_match(lines[3], std::regex("Log open time: " + stamp)));
  EXPECT_NE(lines[4].find("productName : notepad++"), std::string::npos);
}

TEST_F(EntryTest, AgentSettingsMissingAreLoggedAndRunGoesOn) {
  hvtest::WriteFile(dir_.Sub("registry.reg"), "Windows Registry Editor Version 5.00\n");
  hvtest::RunResult r = Run({"-n", "7zip"});
  EXPECT_EQ(r.status, 0);
  const std::string log = Log();
  EXPECT_NE(log.find("[ERROR] ReadRegSZ: Error while opening registry key "
                     "Software\\Kestrane\\Halvora\\HVAgent ,and the error is  2 \n"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("Log close time:"), std::string::npos);
}

TEST_F(EntryTest, CorruptRegistryIsLoggedNeverACrash) {
  hvtest::WriteFile(dir_.Sub("registry.reg"), "this is not a registry\n");
  hvtest::RunResult r = Run({"-n", "7zip"});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(Log().find("ReadRegSZ: Error while opening registry key "
                       "Software\\Kestrane\\Halvora\\HVAgent ,and the error is  1009 \n"),
            std::string::npos);
  EXPECT_EQ(hvtest::ReadFile(dir_.Sub("registry.reg")), "this is not a registry\n");
}

TEST_F(EntryTest, MissingRegistryFileIsAnEmptyRegistry) {
  hvtest::RunResult r = hvtest::RunProgram(HVPRECHECK_BINARY, {"-n", "7zip"}, Work(),
                                           {{"HVPRECHECK_REGISTRY", dir_.Sub("none.reg")}});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(Log().find("the error is  2 \n"), std::string::npos);
  EXPECT_FALSE(hvtest::FileExists(dir_.Sub("none.reg")));
}

TEST_F(EntryTest, UnreadableWorkingDirectoryRunsWithoutLog) {
  // A working directory removed under the program: no log, the run goes on.
  const std::string gone = dir_.Sub("gone");
  hvtest::MakeDirs(gone);
  const std::string shell = "cd '" + gone + "' && rmdir '" + gone + "' && exec '" +
                            std::string(HVPRECHECK_BINARY) + "' -n 7zip";
  hvtest::RunResult r = hvtest::RunProgram("/bin/sh", {"-c", shell}, Work(),
                                           {{"HVPRECHECK_REGISTRY", dir_.Sub("registry.reg")}});
  EXPECT_EQ(r.status, 0);
  EXPECT_FALSE(hvtest::FileExists(LogPath()));
}

}  // namespace
