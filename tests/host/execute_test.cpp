#include "host/execute.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "host/error_text.h"
#include "tests/support/log_capture.h"

namespace {

std::string CurrentDir() {
  char buf[4096];
  return getcwd(buf, sizeof buf) ? buf : "";
}

class ExecuteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    hvtest::MakeDirs(dir_.Sub("work"));
    hvtest::MakeDirs(dir_.Sub("my tools"));
    // A stand-in uninstaller: records its arguments (one a line) and its
    // working directory, then exits with the code in EXIT_WITH.
    Script("my tools/rec tool.sh",
           "out=\"$RECORD\"\n"
           ": > \"$out\"\n"
           "for a in \"$@\"; do printf '%s\\n' \"$a\" >> \"$out\"; done\n"
           "printf 'cwd=%s\\n' \"$(pwd)\" >> \"$out\"\n"
           "exit ${EXIT_WITH:-0}\n");
    Script("sleeper.sh", "sleep 30\n");
    Script("killed.sh", "kill -9 $$\n");
    setenv("RECORD", dir_.Sub("record.txt").c_str(), 1);
  }
  void TearDown() override {
    unsetenv("RECORD");
    unsetenv("EXIT_WITH");
    free(remarks_);
  }
  void Script(const std::string& name, const std::string& body) {
    const std::string path = dir_.Sub(name);
    hvtest::WriteFile(path, "#!/bin/sh\n" + body);
    chmod(path.c_str(), 0755);
  }
  std::string Quoted(const std::string& name) { return "\"" + dir_.Sub(name) + "\""; }

  hvtest::TempDir dir_;
  hvtest::LogCapture log_{dir_.path()};
  char* remarks_ = nullptr;
};

TEST_F(ExecuteTest, ArgumentsAndWorkingDirectoryReachTheChildExactly) {
  const std::string before = CurrentDir();
  const std::string cmd = Quoted("my tools/rec tool.sh") + " plain \"two words\" a\\\"b /qn";
  EXPECT_EQ(execute(dir_.Sub("work").c_str(), cmd.c_str(), &remarks_, 20), 0);
  EXPECT_EQ(hvtest::ReadFile(dir_.Sub("record.txt")),
            "plain\ntwo words\na\"b\n/qn\ncwd=" + dir_.Sub("work") + "\n");
  EXPECT_EQ(CurrentDir(), before);
  ASSERT_NE(remarks_, nullptr);
  const std::string success = remarks_;
  const std::string log = log_.Take();
  const std::string order[] = {
      "[INFO] @@@@@@@@ Inside execute Method @@@@@@@@ \n",
      "[INFO] execute : Current Working Directory : " + before + " \n",
      "[INFO] execute : Executing Application Source : " + cmd + " \n",
      "[INFO] execute : Set Working Directory : " + dir_.Sub("work") + " \n",
      "[INFO] execute : Process successfully created for application " + cmd + " \n",
      "[INFO] Message : " + success + " \n",
      "[INFO] execute : Exit code for the application : 0 \n",
      "[INFO] execute : Remarks from the CreateProcess is " + success + " for the executable " +
          cmd + " \n",
      "[INFO] @@@@@@@@ End Of execute Method @@@@@@@@ \n",
  };
  EXPECT_EQ(hvtest::FirstMissingInOrder(log, {std::begin(order), std::end(order)}), "") << log;
}

TEST_F(ExecuteTest, ExitCodesPassThrough) {
  const std::string cmd = Quoted("my tools/rec tool.sh");
  setenv("EXIT_WITH", "3", 1);
  EXPECT_EQ(execute(dir_.Sub("work").c_str(), cmd.c_str(), &remarks_, 20), 3);
  EXPECT_NE(log_.Take().find("[INFO] execute : Exit code for the application : 3 \n"),
            std::string::npos);
  // The remarks of an earlier outcome are replaced, not leaked.
  setenv("EXIT_WITH", "0", 1);
  EXPECT_EQ(execute(nullptr, cmd.c_str(), &remarks_, 20), 0);
  // Without a working directory the child works where we do.
  EXPECT_NE(hvtest::ReadFile(dir_.Sub("record.txt")).find("cwd=" + CurrentDir()),
            std::string::npos);
}

TEST_F(ExecuteTest, ProgramThatDoesNotExist) {
  EXPECT_EQ(execute(dir_.Sub("work").c_str(), "no-such-uninstaller.exe /S", &remarks_, 20), 2);
  const std::string log = log_.Take();
  EXPECT_NE(log.find("[INFO] execute : Failed to Create the Process for the application \n"),
            std::string::npos);
  EXPECT_NE(log.find("[ERROR] Error Code : 2 , Error Message : "), std::string::npos);
  EXPECT_EQ(log.find("Process successfully created"), std::string::npos);
  EXPECT_NE(log.find("End Of execute Method"), std::string::npos);
  ASSERT_NE(remarks_, nullptr);
}

TEST_F(ExecuteTest, WorkingDirectoryThatDoesNotExist) {
  const std::string before = CurrentDir();
  const std::string missing = dir_.Sub("missing");
  EXPECT_EQ(execute(missing.c_str(), Quoted("my tools/rec tool.sh").c_str(), &remarks_, 20), 2);
  EXPECT_EQ(CurrentDir(), before);
  const std::string log = log_.Take();
  EXPECT_NE(log.find("[INFO] execute : Failed to set the WorkingDirectory " + missing + " \n "),
            std::string::npos);
  // The early return skips the closing entries, and nothing ran.
  EXPECT_EQ(log.find("End Of execute Method"), std::string::npos);
  EXPECT_FALSE(hvtest::FileExists(dir_.Sub("record.txt")));
  // A file is not a directory.
  EXPECT_EQ(execute(dir_.Sub("sleeper.sh").c_str(), "true", &remarks_, 20), 267);
}

TEST_F(ExecuteTest, LimitOfZeroMinutesTerminatesAtOnce) {
  const std::string cmd = Quoted("sleeper.sh");
  EXPECT_EQ(execute(dir_.Sub("work").c_str(), cmd.c_str(), &remarks_, 0), 258);
  const std::string log = log_.Take();
  EXPECT_NE(log.find("[INFO] execute : Terminating the Process for application " + cmd +
                     " as time is exceeded 0 Minutes \n"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("[INFO] execute : The process has been successfully terminated ..! \n"),
            std::string::npos);
  EXPECT_NE(log.find("[ERROR] Error Code : 258 , Error Message : "), std::string::npos);
}

TEST_F(ExecuteTest, ChildKilledBySignal) {
  EXPECT_EQ(execute(nullptr, Quoted("killed.sh").c_str(), &remarks_, 20), 128 + 9);
}

TEST_F(ExecuteTest, AbsentCommandLine) {
  EXPECT_EQ(execute(dir_.Sub("work").c_str(), nullptr, &remarks_, 20), 87);
  ASSERT_NE(remarks_, nullptr);
}

TEST(InstallerExitCodeTest, SuccessCodesFoldIntoZero) {
  struct Case {
    int32_t code, result;
  } cases[] = {{0, 0}, {1641, 0}, {3010, 0}, {1603, 1603}, {3, 3}, {1, 1}, {-1, -1}};
  for (const Case& c : cases) EXPECT_EQ(FoldInstallerExitCode(c.code), c.result) << c.code;
  // The remarks of a folded code still describe it.
  char* text = GetErrorMessage(3010);
  char* success = GetErrorMessage(0);
  EXPECT_STRNE(text, success);
  EXPECT_STRNE(text, "Unknown Error");
  free(text);
  free(success);
}

}  // namespace
