// The product rules end to end: the real binary, a registry file, and
// stand-in applications running under their Windows names.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "host/registry_read.h"
#include "platform/platform.h"
#include "precheck/markers.h"
#include "precheck/rule_table.h"
#include "tests/support/log_capture.h"
#include "tests/support/stand_ins.h"
#include "tests/support/test_support.h"

namespace {

constexpr int kInUse = 20001 & 0xFF;  // 20001 through an 8-bit exit status
constexpr const char* kSessionPower = "System\\CurrentControlSet\\Control\\Session Manager\\Power";
constexpr const char* kSettings = "Software\\Kestrane\\Halvora\\HVAgent\\Settings";
constexpr const char* kMarkers = "SOFTWARE\\Kestrane\\Halvora\\HVAgent\\AppDetection\\";

struct Machine {
  int hibernate = 1;    // HibernateEnabled, or -1 for none
  int always_kill = 0;  // alwaysKillApps, or -1 for none
  std::string extra;    // more sections
};

std::string RegistryText(const Machine& m) {
  std::string text =
      "Windows Registry Editor Version 5.00\n\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrane\\Halvora\\HVAgent]\n"
      "\"HVAgentInstallDir\"=\"C:\\\\HVAgent\"\n\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrane\\Halvora\\HVAgent\\Patch]\n";
  if (m.always_kill >= 0)
    text += "\"alwaysKillApps\"=dword:0000000" + std::to_string(m.always_kill) + "\n";
  text += "\n[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Power]\n";
  if (m.hibernate >= 0)
    text += "\"HibernateEnabled\"=dword:0000000" + std::to_string(m.hibernate) + "\n";
  text +=
      "\n[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Power]\n"
      "\"HiberbootEnabled\"=dword:00000001\n\n";
  return text + m.extra;
}

class RulesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    hvtest::MakeDirs(dir_.Sub("work"));
    Install(Machine{});
  }
  void Install(const Machine& m) { hvtest::WriteFile(dir_.Sub("registry.reg"), RegistryText(m)); }
  hvtest::RunResult Run(const std::vector<std::string>& args, unsigned long long uptime,
                        const std::string& program = HVPRECHECK_BINARY) {
    return hvtest::RunProgram(program, args, dir_.Sub("work"),
                              {{"HVPRECHECK_REGISTRY", dir_.Sub("registry.reg")},
                               {"HVPRECHECK_UPTIME_MS", std::to_string(uptime)}});
  }
  std::string Log() const { return hvtest::ReadFile(dir_.Sub("logs/hvvantrel.log")); }
  uint32_t Dword(const char* key, const char* name) {
    uint32_t v = 0xDEAD;
    ReadDwordRegistryData(plat::kHkeyLocalMachine, key, name, &v);
    return v;
  }
  bool KeyExists(const std::string& path) {
    plat::RegKey key = nullptr;
    if (plat::RegistryOpenKey(plat::kHkeyLocalMachine, path.c_str(), plat::kKeyRead, &key) != 0) {
      return false;
    }
    plat::RegistryCloseKey(key);
    return true;
  }

  hvtest::TempDir dir_;
  hvtest::StandIns apps_{dir_.path()};
  hvtest::ScopedEnv env_{"HVPRECHECK_REGISTRY", dir_.Sub("registry.reg").c_str()};
};

struct App {
  const char* name;
  const char* subdir;
  bool survives;
};

struct Scenario {
  const char* name;
  std::vector<App> apps;
  std::vector<std::string> args;  // "{apps}" stands for the stand-ins' directory
  unsigned long long uptime;
  Machine machine;
  int status;
  std::vector<std::string> log;     // in this order
  std::vector<std::string> absent;  // nowhere in the log
  size_t tick_lines;                // "the tick count is" entries: executables found running
};

void PrintTo(const Scenario& s, std::ostream* os) { *os << s.name; }

class RuleScenarioTest : public RulesTest, public ::testing::WithParamInterface<Scenario> {};

constexpr unsigned long long kHour = 3600000;
constexpr unsigned long long kTenMinutes = 600000;

TEST_P(RuleScenarioTest, Outcome) {
  const Scenario& s = GetParam();
  Install(s.machine);
  std::vector<pid_t> pids;
  for (const App& a : s.apps) pids.push_back(apps_.Start(a.name, a.subdir));
  std::vector<std::string> args;
  for (std::string a : s.args) {
    if (a == "{apps}") a = dir_.Sub("apps");
    args.push_back(a);
  }
  hvtest::RunResult r = Run(args, s.uptime);
  const std::string log = Log();
  EXPECT_EQ(r.status, s.status) << log;
  EXPECT_EQ(r.out, "");
  for (size_t i = 0; i < s.apps.size(); ++i) {
    EXPECT_EQ(apps_.Alive(pids[i]), s.apps[i].survives) << s.apps[i].name << "\n" << log;
  }
  EXPECT_EQ(hvtest::FirstMissingInOrder(log, s.log), "") << log;
  for (const std::string& text : s.absent) {
    EXPECT_EQ(log.find(text), std::string::npos) << "unexpected: " << text << "\n" << log;
  }
  EXPECT_EQ(hvtest::CountOf(log, "[INFO] the tick count is "), s.tick_lines) << log;
  // Fast Startup is switched off exactly when the verdict is "in use" and
  // hibernation is enabled.
  const bool switched = s.status == kInUse && s.machine.hibernate == 1;
  EXPECT_EQ(Dword(kSessionPower, "HiberbootEnabled"), switched ? 0u : 1u);
  EXPECT_EQ(Dword(kSettings, "hvDisabledFastStartup"), switched ? 1u : 0xDEADu);
}

const std::string kNotStartup = "[INFO] Not a startup event hence not killing the product exe\n";
const std::string kStartup = "[INFO] This ia a startup event hence killing the products exe\n";
const std::string kKilled = "[DEBUG] App Killed......\n";

INSTANTIATE_TEST_SUITE_P(
    Rows, RuleScenarioTest,
    ::testing::Values(
        Scenario{"SevenZipInUseAfterAnHour",
                 {{"7zFM.exe", "apps", true}},
                 {"-n", "7zip"},
                 2 * kHour,
                 {},
                 kInUse,
                 {"[INFO] the tick count is 7200000\n", "[INFO] the final tick count is 7200000\n",
                  kNotStartup, "[INFO] !!! Fast Startup has been disabled\n", "Log close time"},
                 {kStartup},
                 1},
        Scenario{"SevenZipKilledAfterTenMinutes",
                 {{"7zFM.exe", "apps", false}},
                 {"-n", "7zip"},
                 kTenMinutes,
                 {},
                 0,
                 {kStartup, "[INFO] @@@@@@@@@  Inside KillProcesses Method @@@@@@@@@@@\n",
                  "[DEBUG] Process name to kill : 7zFM.exe\n", kKilled,
                  "[INFO] @@@@@@@@@  End of KillProcesses Method @@@@@@@@@@@\n",
                  "[INFO] Process killed successfully\n"},
                 {kNotStartup},
                 1},
        Scenario{"WindowEndsAt900000",
                 {{"7zG.exe", "apps", false}},
                 {"-n", "7zip"},
                 900000,
                 {},
                 0,
                 {"the final tick count is 900000\n", kStartup},
                 {},
                 1},
        Scenario{"OneMillisecondMoreIsNoStartup",
                 {{"7zG.exe", "apps", true}},
                 {"-n", "7zip"},
                 900001,
                 {},
                 kInUse,
                 {kNotStartup},
                 {},
                 1},
        Scenario{"WrappedTickCountIsAStartup",
                 {{"7z.exe", "apps", false}},
                 {"-n", "7zip"},
                 4294967296ull + 1000,
                 {},
                 0,
                 {"the tick count is 1000\n", kStartup},
                 {},
                 1},
        Scenario{"AlwaysKillAppsAtAnyUptime",
                 {{"7zFM.exe", "apps", false}},
                 {"-n", "7zip"},
                 48 * kHour,
                 {1, 1, ""},
                 0,
                 {"[INFO] alwaysKillApps is set so we are setting the uptime as 1\n",
                  "[INFO] the final tick count is 1\n", kStartup},
                 {},
                 1},
        Scenario{"HibernationOffNothingWritten",
                 {{"7zFM.exe", "apps", true}},
                 {"-n", "7zip"},
                 kHour,
                 {0, 0, ""},
                 kInUse,
                 {kNotStartup},
                 {"Fast Startup has been disabled"},
                 1},
        Scenario{"HibernationMissingNothingWritten",
                 {{"7zFM.exe", "apps", true}},
                 {"-n", "7zip"},
                 kHour,
                 {-1, -1, ""},
                 kInUse,
                 {kNotStartup},
                 {"Fast Startup has been disabled"},
                 1},
        Scenario{"SecondOfThreeInUseThirdNotExamined",
                 {{"7zFM.exe", "apps", true}, {"7zG.exe", "apps", true}},
                 {"-n", "7zip"},
                 kHour,
                 {},
                 kInUse,
                 {kNotStartup},
                 {},
                 1},
        Scenario{
            "EveryRunningExecutableKilledAtStartup",
            {{"7z.exe", "apps", false}, {"7zFM.exe", "apps", false}, {"7zG.exe", "apps", false}},
            {"-n", "7zip"},
            kTenMinutes,
            {},
            0,
            {"kill : 7z.exe\n", "kill : 7zFM.exe\n", "kill : 7zG.exe\n"},
            {},
            3},
        Scenario{
            "FifteenCharactersFindButDoNotKill",
            {{"MozyEnterpriseconfig.exe", "apps", true}},
            {"-n", "mozypro"},
            kTenMinutes,
            {},
            0,
            {"Process name to kill : MozyEnterpriseconf.exe\n", "Process killed successfully\n"},
            {kKilled},
            1},
        Scenario{"FifteenCharactersMeanInUseLater",
                 {{"pdf24-SettingsUIToolbox.exe", "apps", true}},
                 {"-n", "PDF24Creator"},
                 kHour,
                 {},
                 kInUse,
                 {kNotStartup},
                 {},
                 1},
        Scenario{"DirectoryFilterLeavesOthersAlone",
                 {{"7zFM.exe", "elsewhere", true}},
                 {"-f", "{apps}", "-n", "7zip"},
                 kHour,
                 {},
                 0,
                 {"[INFO] Process Running Dir : ", "[INFO] Module filename is: "},
                 {kNotStartup},
                 0},
        Scenario{"DirectoryFilterFindsThenKillsEveryOne",
                 {{"7zFM.exe", "elsewhere", false}, {"7zFM.exe", "apps", false}},
                 {"-f", "{apps}", "-n", "7zip"},
                 kTenMinutes,
                 {},
                 0,
                 {kStartup, kKilled, kKilled},
                 {},
                 1},
        Scenario{"TwoOfOneNameBothKilled",
                 {{"vlc.exe", "apps", false}, {"vlc.exe", "more", false}},
                 {"-n", "vlc"},
                 kTenMinutes,
                 {},
                 0,
                 {kKilled, kKilled},
                 {"App not killed"},
                 1},
        Scenario{"KeyIgnoresCase",
                 {{"notepad++.exe", "apps", true}},
                 {"-n", "NOTEPAD++"},
                 kHour,
                 {},
                 kInUse,
                 {kNotStartup},
                 {},
                 1},
        Scenario{"KeyThatDiffersByMoreIsNoRow",
                 {{"notepad++.exe", "apps", true}},
                 {"-n", "notepad"},
                 kHour,
                 {},
                 0,
                 {"productName : notepad\n", "Log close time"},
                 {"tick count"},
                 0},
        Scenario{"IZArcExaminesTheShell",
                 {{"explorer.exe", "apps", true}},
                 {"-n", "IZArc"},
                 kHour,
                 {},
                 kInUse,
                 {kNotStartup},
                 {},
                 1},
        Scenario{"OpenOfficeStopsAtTheFirstInUse",
                 {{"soffice.bin", "apps", true}, {"soffice.exe", "apps", true}},
                 {"-n", "openoffice"},
                 kHour,
                 {},
                 kInUse,
                 {kNotStartup},
                 {},
                 1},
        Scenario{"OpenOfficeExaminesTheSecondWhenTheFirstIsFree",
                 {{"soffice.exe", "apps", true}},
                 {"-n", "openoffice"},
                 kHour,
                 {},
                 kInUse,
                 {kNotStartup},
                 {},
                 1},
        Scenario{"PlainRowsIgnoreClearModeAndLists",
                 {{"vlc.exe", "apps", true}},
                 {"-c", "1", "-e", "other.exe", "-n", "vlc"},
                 kHour,
                 {},
                 kInUse,
                 {kNotStartup},
                 {"RegCreateKeyEx"},
                 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RulesTest, NeverFindsItself) {
  const std::string self = dir_.Sub("apps/notepad++.exe");
  hvtest::MakeDirs(dir_.Sub("apps"));
  std::filesystem::copy_file(HVPRECHECK_BINARY, self);
  chmod(self.c_str(), 0755);
  hvtest::RunResult r = Run({"-n", "notepad++"}, kTenMinutes, self);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(Log().find("tick count"), std::string::npos) << Log();
}

TEST_F(RulesTest, TortoiseMarker) {
  const std::string marker = std::string(kMarkers) + "Tortoise";
  // Free: the marker is created, in the product name's case.
  hvtest::RunResult r = Run({"-n", "Tortoise"}, kHour);
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(KeyExists(marker));
  std::string log = Log();
  EXPECT_NE(log.find("[INFO] addRegistryKey: Inside addRegistryKey method ...... \n"),
            std::string::npos);
  EXPECT_NE(log.find("[INFO] RegCreateKeyEx: returns : 0\n"), std::string::npos);
  EXPECT_NE(hvtest::ReadFile(dir_.Sub("registry.reg")).find("\\AppDetection\\Tortoise]"),
            std::string::npos);
  // A second run opens the same key.
  EXPECT_EQ(Run({"-n", "Tortoise"}, kHour).status, 0);
  EXPECT_EQ(hvtest::CountOf(Log(), "RegCreateKeyEx: returns : 0\n"), 2u);

  // In use: no marker change, 20001.
  pid_t pid = apps_.Start("TortoiseProc.exe");
  EXPECT_EQ(Run({"-n", "tortoise"}, kHour).status, kInUse);
  // Clear mode while it runs: the marker goes, silently, and the run is free.
  const size_t before = Log().size();
  EXPECT_EQ(Run({"-c", "1", "-n", "Tortoise"}, kHour).status, 0);
  EXPECT_FALSE(KeyExists(marker));
  EXPECT_TRUE(apps_.Alive(pid));
  const std::string clear_log = Log().substr(before);
  EXPECT_EQ(clear_log.find("tick count"), std::string::npos) << clear_log;
  EXPECT_EQ(clear_log.find("Key to delete"), std::string::npos) << clear_log;
  // Killed in the window, then the marker.
  EXPECT_EQ(Run({"-n", "tortoise"}, kTenMinutes).status, 0);
  EXPECT_FALSE(apps_.Alive(pid));
  EXPECT_TRUE(KeyExists(std::string(kMarkers) + "tortoise"));
}

// Another process holds the registry writers' lock for good (hung, or
// stopped in a debugger): each change waits the set time, fails with 258,
// and the run still ends with its verdict.
TEST_F(RulesTest, AStuckWriterCostsTheTimeoutNotAHang) {
  int ready[2];
  int release[2];
  ASSERT_EQ(pipe(ready), 0);
  ASSERT_EQ(pipe(release), 0);
  const std::string lock = dir_.Sub("registry.reg.lock");
  // The pipes must not reach the program run below (its wait for the end
  // of its output would take their ends for writers).
  fcntl(ready[0], F_SETFD, FD_CLOEXEC);
  fcntl(release[1], F_SETFD, FD_CLOEXEC);
  const pid_t holder = fork();
  ASSERT_GE(holder, 0);
  if (holder == 0) {
    close(release[1]);  // so that the parent's close ends the wait below
    close(ready[0]);
    const int fd = open(lock.c_str(), O_RDWR | O_CREAT, 0644);
    char c = fd >= 0 && flock(fd, LOCK_EX) == 0 ? 'y' : 'n';
    if (write(ready[1], &c, 1) != 1) _exit(1);
    while (read(release[0], &c, 1) < 0 && errno == EINTR) {
    }
    _exit(0);
  }
  close(ready[1]);
  close(release[0]);
  char c = 0;
  ASSERT_EQ(read(ready[0], &c, 1), 1);
  ASSERT_EQ(c, 'y');

  const auto start = std::chrono::steady_clock::now();
  hvtest::RunResult r = hvtest::RunProgram(HVPRECHECK_BINARY, {"-n", "Tortoise"}, dir_.Sub("work"),
                                           {{"HVPRECHECK_REGISTRY", dir_.Sub("registry.reg")},
                                            {"HVPRECHECK_UPTIME_MS", std::to_string(kHour)},
                                            {"HVPRECHECK_REGISTRY_LOCK_TIMEOUT_MS", "500"}});
  const auto took = std::chrono::steady_clock::now() - start;
  close(release[1]);  // the holder ends and lets go
  waitpid(holder, nullptr, 0);
  close(ready[0]);

  EXPECT_EQ(r.status, 0);
  const std::string log = Log();
  EXPECT_NE(log.find("[INFO] RegCreateKeyEx: returns : 258\n"), std::string::npos) << log;
  EXPECT_FALSE(KeyExists(std::string(kMarkers) + "Tortoise"));
  // A hang would have been stopped by the suite's own time limit; this only
  // says the wait was the one asked for, not the default ten seconds.
  EXPECT_LT(took, std::chrono::seconds(9));

  // The lock free again, the next run writes the marker.
  EXPECT_EQ(Run({"-n", "Tortoise"}, kHour).status, 0);
  EXPECT_TRUE(KeyExists(std::string(kMarkers) + "Tortoise"));
}

TEST(RuleTableTest, RowsAsListed) {
  size_t plain = 0;
  for (const ProductRule& r : kProductRules) plain += r.special == SpecialRule::kNone;
  EXPECT_EQ(plain, 73u);
  EXPECT_STREQ(kProductRules.front().key, "notepad++");
  EXPECT_STREQ(kProductRules.back().key, "AuslogicsDiskDefrag");
  const ProductRule* pdf24 = FindProductRule("pdf24creator");
  ASSERT_NE(pdf24, nullptr);
  EXPECT_STREQ(pdf24->executables[4], "pdf24-SettingsUITool.exe");
  EXPECT_STREQ(pdf24->executables[5], "pdf24-Updater.exe");
  EXPECT_EQ(FindProductRule("PDFXCview64")->special, SpecialRule::kPdfXChangeViewer);
  EXPECT_EQ(FindProductRule("notepad"), nullptr);
  EXPECT_EQ(FindProductRule("7zip")->executables[3], nullptr);
}

TEST(MarkerTest, OverlongPathIsRefusedNotCut) {
  hvtest::TempDir dir;
  hvtest::ScopedEnv env("HVPRECHECK_REGISTRY", dir.Sub("registry.reg").c_str());
  hvtest::LogCapture log(dir.path());
  RunContext ctx;
  const size_t room = 254 - std::string(kMarkers).size();
  ctx.productName = std::string(room, 'p');
  EXPECT_EQ(AddAppDetectionKey(ctx), 0);  // exactly fits
  ctx.productName = std::string(room + 1, 'p');
  EXPECT_EQ(AddAppDetectionKey(ctx), plat::kErrorInvalidParameter);
  ClearAppDetectionKey(ctx);
  const std::string text = log.Take();
  EXPECT_EQ(hvtest::CountOf(text, "[ERROR] App detection key for product "), 2u) << text;
  EXPECT_EQ(hvtest::CountOf(text, "RegCreateKeyEx: returns"), 1u);
  // The key that fits is still there: the refused clear did not touch it.
  ctx.productName = std::string(room, 'p');
  plat::RegKey key = nullptr;
  EXPECT_EQ(plat::RegistryOpenKey(plat::kHkeyLocalMachine,
                                  (std::string(kMarkers) + *ctx.productName).c_str(),
                                  plat::kKeyRead, &key),
            0);
  plat::RegistryCloseKey(key);
}

}  // namespace
