#include "runtime/log.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <regex>
#include <string>

#include "runtime/locktable.h"
#include "tests/support/test_support.h"

namespace {

using hvtest::ReadFile;
using hvtest::SplitLines;

class LogTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(InitLogDefaults()); }
  void TearDown() override {
    CloseLogFile();
    FreeLogParams();
    gv_tavrixRoot = nullptr;
  }
  void OpenAt(uint8_t level) {
    ASSERT_TRUE(SetLogParams("test.log", dir_.path().c_str(), 100, nullptr, level));
    ASSERT_TRUE(OpenLogFile());
  }
  std::string Log() const { return ReadFile(dir_.Sub("test.log")); }

  hvtest::TempDir dir_;
};

TEST_F(LogTest, EntryFormatByteForByte) {
  OpenAt(3);
  LogDebug("Subkey Name:%s\n", "Foo");
  std::vector<std::string> lines = SplitLines(Log());
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_TRUE(std::regex_match(
      lines[0],
      std::regex("Log open time: " + std::string(R"(\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}:\d{3})"))))
      << lines[0];
  std::smatch m;
  ASSERT_TRUE(std::regex_match(
      lines[1], m,
      std::regex(
          R"(\[ \d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}:\d{3} \] \[ (\d+) \] \[DEBUG\] Subkey Name:Foo)")))
      << lines[1];
  EXPECT_EQ(std::stoul(m[1]), static_cast<unsigned long>(gettid()));
}

struct LevelCase {
  uint8_t level;
  bool info, error, debug, trace;
};

void PrintTo(const LevelCase& c, std::ostream* os) { *os << "level " << int(c.level); }

class LogLevelTest : public LogTest, public ::testing::WithParamInterface<LevelCase> {};

TEST_P(LogLevelTest, EachCallAgainstLevel) {
  const LevelCase& c = GetParam();
  OpenAt(c.level);
  LogInfo("info-entry\n");
  LogError("error-entry\n");
  LogDebug("debug-entry\n");
  LogTrace("trace-entry\n");
  CloseLogFile();
  const std::string log = Log();
  EXPECT_EQ(log.find("[INFO] info-entry") != std::string::npos, c.info);
  EXPECT_EQ(log.find("[ERROR] error-entry") != std::string::npos, c.error);
  EXPECT_EQ(log.find("[DEBUG] debug-entry") != std::string::npos, c.debug);
  EXPECT_EQ(log.find("[TRACE] trace-entry") != std::string::npos, c.trace);
  // The open and close lines are written whatever the level.
  EXPECT_EQ(log.rfind("Log open time: ", 0), 0u);
  EXPECT_NE(log.find("Log close time: "), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Levels, LogLevelTest,
    ::testing::Values(LevelCase{0, false, false, false, false},
                      LevelCase{1, true, false, false, false},
                      LevelCase{2, true, true, false, false}, LevelCase{3, true, true, true, false},
                      LevelCase{4, true, true, true, true}, LevelCase{9, true, true, true, true}),
    [](const auto& info) { return "Level" + std::to_string(info.param.level); });

TEST_F(LogTest, InitMutexEntryOnlyAtTraceLevel) {
  OpenAt(3);
  plat::MutexHandle saved = gv_lockTableMutex;
  InitMutex();
  plat::MutexClose(gv_lockTableMutex);
  gv_lockTableMutex = nullptr;
  SetLogLevel(4);
  InitMutex();  // its own entry waits on the table before the new mutex exists
  plat::MutexClose(gv_lockTableMutex);
  gv_lockTableMutex = saved;
  const std::string log = Log();
  size_t first = log.find("Inside InitMutex()");
  ASSERT_NE(first, std::string::npos);
  EXPECT_EQ(log.find("Inside InitMutex()", first + 1), std::string::npos);
  EXPECT_NE(log.find("[TRACE] \n\t@@@@@ Inside InitMutex() @@@@@\n"), std::string::npos);
}

TEST_F(LogTest, SecondOpenKeepsStreamAndSaysSo) {
  OpenAt(4);
  FILE* first = gv_logFilePtr;
  EXPECT_TRUE(OpenLogFile());
  EXPECT_EQ(gv_logFilePtr, first);
  const std::string log = Log();
  EXPECT_EQ(log.find("Log open time:", 1), std::string::npos);
  EXPECT_NE(log.find("[TRACE] gv_logFilePtr already Set\n"), std::string::npos);
}

TEST_F(LogTest, AppendAcrossRunsKeepsBoth) {
  OpenAt(3);
  LogInfo("first run\n");
  CloseLogFile();
  FreeLogParams();
  ASSERT_TRUE(InitLogDefaults());
  OpenAt(3);
  LogInfo("second run\n");
  CloseLogFile();
  std::vector<std::string> lines = SplitLines(Log());
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[0].rfind("Log open time:", 0), 0u);
  EXPECT_NE(lines[1].find("first run"), std::string::npos);
  EXPECT_EQ(lines[2].rfind("Log close time:", 0), 0u);
  EXPECT_EQ(lines[3].rfind("Log open time:", 0), 0u);
  EXPECT_NE(lines[4].find("second run"), std::string::npos);
}

TEST_F(LogTest, CreateLogFileEmptiesAnOldOne) {
  hvtest::WriteFile(dir_.Sub("test.log"), "old content\n");
  ASSERT_TRUE(SetLogParams("test.log", dir_.path().c_str(), 100, nullptr, 3));
  ASSERT_TRUE(CreateLogFile());
  EXPECT_EQ(Log().find("old content"), std::string::npos);
}

TEST_F(LogTest, MessageWithoutLineEndRunsIntoNextEntry) {
  OpenAt(3);
  LogInfo("App detection need to be cleared");
  LogInfo("productName : %s\n", "7zip");
  std::vector<std::string> lines = SplitLines(Log());
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_TRUE(std::regex_search(
      lines[1],
      std::regex(
          R"(\[INFO\] App detection need to be cleared\[ \d{4}.* \] \[ \d+ \] \[INFO\] productName : 7zip$)")))
      << lines[1];
}

TEST_F(LogTest, AbsentTextArgumentPrintsNull) {
  OpenAt(3);
  const char* volatile absent = nullptr;  // hidden from the compiler's format check
  LogInfo("productName : %s\n", absent);
  EXPECT_NE(Log().find("[INFO] productName : (null)\n"), std::string::npos);
}

TEST_F(LogTest, FreeLogParamsBeforeCloseSilencesLaterCalls) {
  OpenAt(3);
  FreeLogParams();
  EXPECT_NE(gv_logFilePtr, nullptr);
  LogInfo("after free\n");
  CloseLogFile();
  const std::string log = Log();
  EXPECT_EQ(log.find("after free"), std::string::npos);
  EXPECT_NE(log.find("Log close time:"), std::string::npos);
}

TEST_F(LogTest, CallsBeforeOpenAndAfterCloseWriteNothing) {
  LogInfo("before open\n");
  OpenAt(3);
  CloseLogFile();
  LogInfo("after close\n");
  const std::string log = Log();
  EXPECT_EQ(log.find("before open"), std::string::npos);
  EXPECT_EQ(log.find("after close"), std::string::npos);
}

TEST_F(LogTest, DefaultsPutTavrixLogInParentLogs) {
  hvtest::MakeDirs(dir_.Sub("work"));
  char old[4096];
  ASSERT_NE(getcwd(old, sizeof old), nullptr);
  ASSERT_EQ(chdir(dir_.Sub("work").c_str()), 0);
  bool opened = OpenLogFile();
  LogInfo("hello\n");
  CloseLogFile();
  ASSERT_EQ(chdir(old), 0);
  ASSERT_TRUE(opened);
  EXPECT_NE(ReadFile(dir_.Sub("logs/tavrix.log")).find("hello"), std::string::npos);
}

TEST_F(LogTest, LibraryRootHoldsLogsWhenNoDirectory) {
  gv_tavrixRoot = dir_.path().c_str();
  ASSERT_TRUE(OpenLogFile());
  LogInfo("rooted\n");
  EXPECT_EQ(std::string(gv_logFilePath), dir_.path() + "/logs/tavrix.log");
  EXPECT_NE(ReadFile(dir_.Sub("logs/tavrix.log")).find("rooted"), std::string::npos);
}

TEST_F(LogTest, OpenCreatesMissingDirectories) {
  hvtest::MakeDirs(dir_.Sub("a"));
  const std::string nested = dir_.Sub("a/b/c");
  ASSERT_TRUE(SetLogParams("x.log", nested.c_str(), 1, nullptr, 3));
  ASSERT_TRUE(OpenLogFile());
  EXPECT_TRUE(hvtest::FileExists(dir_.Sub("a/b/c/x.log")));
}

TEST_F(LogTest, OpenFailsForUnwritablePath) {
  hvtest::WriteFile(dir_.Sub("file"), "");
  const std::string below_file = dir_.Sub("file/sub");
  ASSERT_TRUE(SetLogParams("x.log", below_file.c_str(), 1, nullptr, 3));
  EXPECT_FALSE(OpenLogFile());
  EXPECT_EQ(gv_logFilePtr, nullptr);
  LogInfo("nowhere\n");  // must not crash
}

TEST_F(LogTest, InitDefaultsWhileOpenResetsOnlyLevelAndValues) {
  OpenAt(1);
  FILE* stream = gv_logFilePtr;
  uint8_t* key = gv_logLockKey;
  ASSERT_TRUE(InitLogDefaults());
  EXPECT_EQ(gv_logLevel, 3);
  EXPECT_EQ(gv_logSizeValue, 10000);
  EXPECT_EQ(gv_logFilePtr, stream);
  EXPECT_EQ(gv_logLockKey, key);
  EXPECT_STREQ(gv_logFileName, "test.log");
}

TEST_F(LogTest, SettersRejectAbsentTexts) {
  EXPECT_FALSE(SetLogFileName(nullptr));
  EXPECT_FALSE(SetLogDirectory(nullptr));
  EXPECT_FALSE(SetLogFilePtr(nullptr));
  EXPECT_TRUE(SetLogFileName("other.log"));
  EXPECT_STREQ(gv_logFileName, "other.log");
}

TEST(MakeDirectoryPathTest, ResultsAndParents) {
  hvtest::TempDir dir;
  EXPECT_EQ(MakeDirectoryPath(dir.Sub("a/b/c").c_str()), 0);
  EXPECT_TRUE(hvtest::FileExists(dir.Sub("a/b/c")));
  EXPECT_EQ(MakeDirectoryPath(dir.Sub("a/b/c").c_str()), 1);
  EXPECT_EQ(MakeDirectoryPath(dir.Sub("a/b/d/").c_str()), 0);
  hvtest::WriteFile(dir.Sub("f"), "");
  EXPECT_EQ(MakeDirectoryPath(dir.Sub("f/x").c_str()), ENOTDIR);
  EXPECT_EQ(MakeDirectoryPath(""), ENOENT);
}

TEST(TimeStampTest, TwentyThreeCharacters) {
  char* stamp = GetTimeStamp();
  ASSERT_NE(stamp, nullptr);
  EXPECT_EQ(strlen(stamp), 23u);
  EXPECT_TRUE(std::regex_match(stamp, std::regex(R"(\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}:\d{3})")));
  free(stamp);
}

}  // namespace
