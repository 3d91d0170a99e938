#include "host/registry_read.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "runtime/log.h"
#include "tests/support/test_support.h"

namespace {

constexpr const char* kFixture =
    "Windows Registry Editor Version 5.00\n"
    "\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Kestrane\\Halvora\\HVAgent]\n"
    "\"HVAgentInstallDir\"=\"C:\\\\Program Files\\\\HVAgent\"\n"
    "\"Count\"=dword:01020304\n"
    "\"Long\"=hex:01,02,03,04,05\n"
    "\"Short\"=hex:07\n";

constexpr const char* kAgent = "Software\\Kestrane\\Halvora\\HVAgent";

class RegistryReadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    hvtest::WriteFile(dir_.Sub("registry.reg"), kFixture);
    ASSERT_TRUE(InitLogDefaults());
    ASSERT_TRUE(SetLogParams("host.log", dir_.path().c_str(), 0, nullptr, 3));
    ASSERT_TRUE(OpenLogFile());
  }
  void TearDown() override {
    CloseLogFile();
    FreeLogParams();
  }
  // The log without its open line.
  std::string Entries() {
    std::string log = hvtest::ReadFile(dir_.Sub("host.log"));
    return log.substr(log.find('\n') + 1);
  }

  hvtest::TempDir dir_;
  hvtest::ScopedEnv env_{"HVPRECHECK_REGISTRY", dir_.Sub("registry.reg").c_str()};
};

TEST_F(RegistryReadTest, TextValueWithTrailingZeros) {
  char* text = nullptr;
  ASSERT_EQ(ReadRegSZ(plat::kHkeyLocalMachine, kAgent, "HVAgentInstallDir", &text), 0);
  ASSERT_NE(text, nullptr);
  EXPECT_STREQ(text, "C:\\Program Files\\HVAgent");
  const size_t n = strlen(text);
  for (size_t i = n; i < n + 6; ++i) EXPECT_EQ(text[i], '\0');
  free(text);
  EXPECT_EQ(Entries(), "");
}

TEST_F(RegistryReadTest, DwordReadAsTextGivesRawBytesAndZeros) {
  char* text = nullptr;
  ASSERT_EQ(ReadRegSZ(plat::kHkeyLocalMachine, kAgent, "Count", &text), 0);
  EXPECT_EQ(std::string(text, 9), std::string("\x04\x03\x02\x01\0\0\0\0\0", 9));
  free(text);
}

TEST_F(RegistryReadTest, MissingValueIsSilentMissingKeyIsLogged) {
  for (auto read : {&ReadRegSZ, &ReadRegSZEx}) {
    char* text = reinterpret_cast<char*>(1);
    EXPECT_EQ(read(plat::kHkeyLocalMachine, kAgent, "Nothing", &text), 2);
    EXPECT_EQ(text, nullptr);
  }
  EXPECT_EQ(Entries(), "");

  char* text = nullptr;
  EXPECT_EQ(ReadRegSZ(plat::kHkeyLocalMachine, "Software\\Nowhere", "x", &text), 2);
  EXPECT_EQ(ReadRegSZEx(plat::kHkeyLocalMachine, "Software\\Nowhere", "x", &text), 2);
  const std::string log = Entries();
  EXPECT_NE(
      log.find("[ERROR] ReadRegSZ: Error while opening registry key Software\\Nowhere ,and the "
               "error is  2 \n"),
      std::string::npos)
      << log;
  EXPECT_NE(log.find("[ERROR] ReadRegSZEx: Error while opening registry key for serverName 2 \n"),
            std::string::npos)
      << log;
}

TEST_F(RegistryReadTest, DwordReads) {
  struct Case {
    const char* key;
    const char* name;
    int32_t result;
    uint32_t value;
    const char* log;
  } cases[] = {
      {kAgent, "Count", 0, 0x01020304u, ""},
      {kAgent, "Short", 0, 0xAAAAAA07u, ""},
      {kAgent, "Long", 234, 0xAAAAAAAAu,
       "[ERROR] ReadDwordRegistryData: Error while reading DWORD value of Long : 234 \n"},
      {kAgent, "Nothing", 2, 0xAAAAAAAAu,
       "[DEBUG] ReadDwordRegistryData:  value  Nothing Not found: 2 \n"},
      {"Software\\Nowhere", "Count", 2, 0xAAAAAAAAu,
       "[DEBUG] ReadDwordRegistryData:  value  Count Not found: 2 \n"},
  };
  for (const Case& c : cases) {
    const size_t before = Entries().size();
    uint32_t value = 0xAAAAAAAAu;
    EXPECT_EQ(ReadDwordRegistryData(plat::kHkeyLocalMachine, c.key, c.name, &value), c.result)
        << c.name;
    EXPECT_EQ(value, c.value) << c.name;
    const std::string added = Entries().substr(before);
    if (*c.log) {
      EXPECT_NE(added.find(c.log), std::string::npos) << added;
    } else {
      EXPECT_EQ(added, "");
    }
  }
}

TEST_F(RegistryReadTest, CorruptRegistryIsAnErrorNotAnEmptyOne) {
  hvtest::WriteFile(dir_.Sub("registry.reg"), "Windows Registry Editor Version 5.00\n[oops\n");
  char* text = nullptr;
  EXPECT_EQ(ReadRegSZ(plat::kHkeyLocalMachine, kAgent, "HVAgentInstallDir", &text), 1009);
  EXPECT_EQ(text, nullptr);
  uint32_t value = 5;
  EXPECT_EQ(ReadDwordRegistryData(plat::kHkeyLocalMachine, kAgent, "Count", &value), 1009);
  EXPECT_EQ(value, 5u);
  const std::string log = Entries();
  EXPECT_NE(log.find("ReadRegSZ: Error while opening registry key " + std::string(kAgent) +
                     " ,and the error is  1009 \n"),
            std::string::npos);
  EXPECT_NE(log.find("[ERROR] ReadDwordRegistryData: Error while opening registry key " +
                     std::string(kAgent) + ",and the errorcode is : 1009 \n"),
            std::string::npos);
}

}  // namespace
