#include "host/uninstall_keys.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/registry_read.h"
#include "tests/support/log_capture.h"

namespace {

constexpr const char* kUninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

class UninstallKeysTest : public ::testing::Test {
 protected:
  void Registry(const std::string& body) {
    hvtest::WriteFile(dir_.Sub("registry.reg"), "Windows Registry Editor Version 5.00\n\n" + body);
  }
  uint32_t Dword(const char* key, const char* name) {
    uint32_t v = 0xDEAD;
    ReadDwordRegistryData(plat::kHkeyLocalMachine, key, name, &v);
    return v;
  }

  hvtest::TempDir dir_;
  hvtest::ScopedEnv env_{"HVPRECHECK_REGISTRY", dir_.Sub("registry.reg").c_str()};
  hvtest::LogCapture log_{dir_.path()};
};

TEST_F(UninstallKeysTest, TwiceIntoOneListInCreationOrder) {
  Registry(
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Zeta]\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{A1}_is1]\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\alpha]\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\alpha\\Deeper]"
      "\n");
  std::vector<std::string> names;
  EnumerateSubKeys(&names, kUninstall);
  EXPECT_EQ(names, (std::vector<std::string>{"Zeta", "{A1}_is1", "alpha"}));
  EXPECT_EQ(hvtest::CountOf(log_.Take(), "[DEBUG] Subkey Name:"), 3u);
  EnumerateSubKeys(&names, kUninstall);
  EXPECT_EQ(names.size(), 6u);
  const std::string log = log_.Take();
  EXPECT_EQ(hvtest::CountOf(log, "[DEBUG] Subkey Name:"), 6u);
  EXPECT_NE(log.find("[DEBUG] Subkey Name:{A1}_is1\n"), std::string::npos);
}

TEST_F(UninstallKeysTest, MissingOrEmptyKey) {
  Registry("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Empty]\n");
  std::vector<std::string> names;
  EnumerateSubKeys(&names, "SOFTWARE\\Empty");
  EnumerateSubKeys(&names, "SOFTWARE\\Missing");
  EXPECT_TRUE(names.empty());
  EXPECT_EQ(log_.Take(), "");
  names.push_back("kept");
  EnumerateSubKeys(&names, "SOFTWARE\\Missing");
  EXPECT_EQ(names, std::vector<std::string>{"kept"});
  EXPECT_NE(log_.Take().find("Subkey Name:kept\n"), std::string::npos);
}

TEST_F(UninstallKeysTest, FastStartup) {
  const char* session = "System\\CurrentControlSet\\Control\\Session Manager\\Power";
  const char* settings = "Software\\Kestrane\\Halvora\\HVAgent\\Settings";
  struct Case {
    const char* hibernate;  // the value line, or none
    bool switched;
  } cases[] = {{"\"HibernateEnabled\"=dword:00000001\n", true},
               {"\"HibernateEnabled\"=dword:00000000\n", false},
               {nullptr, false}};
  for (const Case& c : cases) {
    Registry(std::string("[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Power]\n") +
             (c.hibernate ? c.hibernate : "") +
             "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Power]\n"
             "\"HiberbootEnabled\"=dword:00000001\n");
    DisableFastStartup();
    const std::string log = log_.Take();
    EXPECT_EQ(Dword(session, "HiberbootEnabled"), c.switched ? 0u : 1u);
    EXPECT_EQ(Dword(settings, "hvDisabledFastStartup"), c.switched ? 1u : 0xDEADu);
    EXPECT_EQ(log.find("[INFO] !!! Fast Startup has been disabled\n") != std::string::npos,
              c.switched)
        << log;
    if (c.switched) {
      // A second call writes the same two values again.
      DisableFastStartup();
      EXPECT_NE(log_.Take().find("!!! Fast Startup has been disabled\n"), std::string::npos);
      EXPECT_EQ(Dword(session, "HiberbootEnabled"), 0u);
      EXPECT_EQ(Dword(settings, "hvDisabledFastStartup"), 1u);
    }
  }
}

}  // namespace
