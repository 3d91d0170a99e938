#include "host/registry_write.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/posix/registry_file.h"
#include "tests/support/log_capture.h"

namespace {

using plat::kHkeyLocalMachine;

// The stored type and bytes of a value, read from the registry file itself.
bool Stored(const std::string& key_path, const std::string& name, uint32_t* type,
            std::string* bytes) {
  std::shared_ptr<const plat::posix::RegTree> tree;
  if (plat::posix::LoadRegistry(&tree) != 0) return false;
  std::vector<std::string> names;
  plat::posix::SplitKeyPath(key_path, &names);
  const plat::posix::RegNode* node = tree->Root(kHkeyLocalMachine);
  for (const std::string& n : names) {
    if (!node) return false;
    node = node->FindChild(n);
  }
  const plat::posix::RegValue* v = node ? node->FindValue(name) : nullptr;
  if (!v) return false;
  *type = v->type;
  *bytes = v->data;
  return true;
}

std::string U16(std::u16string_view s) {
  return std::string(reinterpret_cast<const char*>(s.data()), s.size() * 2);
}

std::string Le32(uint32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); }

class RegistryWriteTest : public ::testing::Test {
 protected:
  hvtest::TempDir dir_;
  hvtest::ScopedEnv env_{"HVPRECHECK_REGISTRY", dir_.Sub("registry.reg").c_str()};
  hvtest::LogCapture log_{dir_.path()};
};

TEST_F(RegistryWriteTest, EncodingsOfBothFamilies) {
  using Write = int32_t (*)(plat::RegRoot, const char*, const char*, const char*, uint32_t);
  struct Case {
    const char* what;
    Write write;
    const char* name;
    const char* data;
    uint32_t type;
    const char* stored_name;
    std::string bytes;
    std::string size_line;
  } cases[] = {
      {"sz", writeValue, "S", "abc", plat::kRegSz, "S", U16(std::u16string(u"abc\0", 4)),
       "writeValue:  Data type is REG_SZ or REG_EXPAND_SZ or REG_BINARY: 8\n"},
      {"expand sz", writeValueEx, "E", "%TEMP%", plat::kRegExpandSz, "E",
       U16(std::u16string(u"%TEMP%\0", 7)),
       "writeValueEx:  Data type is REG_SZ or REG_EXPAND_SZ or REG_BINARY: 14\n"},
      {"non-ASCII sz", writeValue, "N\xC3\xA4me",
       "Gr\xC3\xBC\xC3\x9F"
       "e",
       plat::kRegSz, "N\xC3\xA4me", U16(std::u16string(u"Grüße\0", 6)), ""},
      {"binary as wide text", writeValue, "B", "ab", plat::kRegBinary, "B",
       U16(std::u16string(u"ab\0", 3)),
       "writeValue:  Data type is REG_SZ or REG_EXPAND_SZ or REG_BINARY: 6\n"},
      {"binary as given", writeValueEx, "B2", "ab", plat::kRegBinary, "B2", std::string("ab\0", 3),
       "writeValueEx:  Data type is REG_BINARY: 3\n"},
      {"binary marker", writeValueEx, "B3", "--", plat::kRegBinary, "B3", "",
       "writeValueEx:  Data type is REG_BINARY: 0\n"},
      {"dword signed", writeValue, "D1", "  -12x", plat::kRegDword, "D1", Le32(0xFFFFFFF4u),
       "writeValue:  REG_DWORD -- sizeOfInputData: 4\n"},
      {"dword no digits", writeValue, "D2", "abc", plat::kRegDword, "D2", Le32(0), ""},
      {"dword marker", writeValue, "D3", "--", plat::kRegDword, "D3", Le32(0), ""},
      {"dword clamped", writeValue, "D4", "99999999999", plat::kRegDword, "D4", Le32(0x7FFFFFFFu),
       ""},
      {"dword ex -1", writeValueEx, "X1", "-1", plat::kRegDword, "X1", Le32(0xFFFFFFFFu),
       "writeValueEx:  REG_DWORD -- sizeOfInputData: 4\n"},
      {"dword ex blanks and sign", writeValueEx, "X2", " \t+7 apples", plat::kRegDword, "X2",
       Le32(7), ""},
      {"dword ex beyond 32 bits", writeValueEx, "X3", "5000000000", plat::kRegDword, "X3",
       Le32(0xFFFFFFFFu), ""},
      {"dword ex marker", writeValueEx, "X4", "--", plat::kRegDword, "X4", Le32(0), ""},
      {"multi ex", writeValueEx, "M", "a;b^;c;d", plat::kRegMultiSz, "M",
       U16(std::u16string(u"a\0b;c\0d\0\0", 9)), "writeValueEx:  Data type is REG_MULTI_SZ: 18\n"},
      {"multi ex doubled escape", writeValueEx, "M2", "x^^y", plat::kRegMultiSz, "M2",
       U16(std::u16string(u"x^y\0\0", 5)), ""},
      {"multi as one string", writeValue, "M3", "a;b", plat::kRegMultiSz, "M3",
       U16(std::u16string(u"a;b\0\0", 5)), "writeValue:  Data type is REG_MULTI_SZ: 10\n"},
      {"qword", writeValueEx, "Q", "5000000000", plat::kRegQword, "Q",
       std::string("\x00\xF2\x05\x2A\x01\x00\x00\x00", 8),
       "writeValueEx:  REG_QWORD -- sizeOfInputData: 8\n"},
      {"qword marker", writeValueEx, "Q2", "--", plat::kRegQword, "Q2", std::string(8, '\0'), ""},
      {"default value", writeValue, "--", "dflt", plat::kRegSz, "",
       U16(std::u16string(u"dflt\0", 5)),
       "[INFO] writeValue : going to add the (default) value .\n"},
      {"empty data", writeValue, "Empty", "--", plat::kRegSz, "Empty",
       U16(std::u16string(u"\0", 1)),
       "[INFO] writeValue : going to add the value data as 0 value .\n"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.write(kHkeyLocalMachine, "SOFTWARE\\Test", c.name, c.data, c.type), 0) << c.what;
    uint32_t type = 0;
    std::string bytes;
    ASSERT_TRUE(Stored("SOFTWARE\\Test", c.stored_name, &type, &bytes)) << c.what;
    EXPECT_EQ(type, c.type) << c.what;
    EXPECT_EQ(bytes, c.bytes) << c.what;
    const std::string log = log_.Take();
    if (!c.size_line.empty()) {
      EXPECT_NE(log.find(c.size_line), std::string::npos) << c.what << log;
    }
    EXPECT_NE(log.find("[INFO] Message : "), std::string::npos) << c.what;
  }
}

TEST_F(RegistryWriteTest, KeyCreationLines) {
  ASSERT_EQ(writeValue(kHkeyLocalMachine, "SOFTWARE\\A\\B\\C", "v", "1", plat::kRegSz), 0);
  std::string log = log_.Take();
  const char* order[] = {
      "[DEBUG] @@@@@@@@ Inside writeValue Method @@@@@@@@ \n",
      "[DEBUG] writeValue: Subkey : SOFTWARE\\A\\B\\C \n",
      "[DEBUG] writeValue: Value Name: v \n",
      "[DEBUG] writeValue: Value Data: 1 \n",
      "[DEBUG] UTF String Received:v\n",
      "[DEBUG] writeValue:  Data type is REG_SZ or REG_EXPAND_SZ or REG_BINARY: 4\n",
      "[DEBUG] addRegistryKey: Inside addRegistryKey method ...... \n",
      "[DEBUG] addRegistryKey:  Create registry key function successfull: 1 \n",
      "[DEBUG] writeValue:  Key found ...!: 0\n",
      "[DEBUG] writeValue:  After addRegistryKey method in writeValue method!!\n",
      "[INFO] Message : ",
      "[DEBUG] @@@@@@@@ End Of writeValue Method @@@@@@@@ \n",
  };
  EXPECT_EQ(hvtest::FirstMissingInOrder(log, {std::begin(order), std::end(order)}), "") << log;
  ASSERT_EQ(addRegistryKeyEx(kHkeyLocalMachine, "SOFTWARE\\A\\B"), 0);
  log = log_.Take();
  EXPECT_NE(log.find("[DEBUG] addRegistryKeyEx: Inside addRegistryKey method ...... \n"),
            std::string::npos);
  EXPECT_NE(log.find("[DEBUG] addRegistryKeyEx:  Opened already existing key! \n"),
            std::string::npos);
}

TEST_F(RegistryWriteTest, AbsentNameOrData) {
  EXPECT_EQ(writeValue(kHkeyLocalMachine, "SOFTWARE\\T", nullptr, "x", plat::kRegSz), 13);
  EXPECT_NE(log_.Take().find("[INFO] writeValue : Valuename or Valuedata is Empty \n"),
            std::string::npos);
  EXPECT_EQ(writeValueEx(kHkeyLocalMachine, "SOFTWARE\\T", "x", nullptr, plat::kRegSz), 13);
  EXPECT_NE(log_.Take().find("[ERROR] writeValueEx : Valuename or Valuedata is Empty \n"),
            std::string::npos);
  EXPECT_FALSE(hvtest::FileExists(dir_.Sub("registry.reg")));
}

TEST_F(RegistryWriteTest, CorruptRegistryIsLeftAsItWas) {
  const std::string corrupt = "Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\X\n";
  hvtest::WriteFile(dir_.Sub("registry.reg"), corrupt);
  EXPECT_EQ(writeValue(kHkeyLocalMachine, "SOFTWARE\\T", "x", "1", plat::kRegDword), 1009);
  const std::string log = log_.Take();
  EXPECT_NE(log.find("[ERROR] addRegistryKey:  Create registry key \"SOFTWARE\\T\" function "
                     "failed: 1009 \n"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("[ERROR] writeValue:  WriteValue failure during key creation! 1009 \n"),
            std::string::npos);
  EXPECT_EQ(hvtest::ReadFile(dir_.Sub("registry.reg")), corrupt);
}

TEST_F(RegistryWriteTest, UnsupportedTypeIsRefused) {
  EXPECT_EQ(writeValue(kHkeyLocalMachine, "SOFTWARE\\T", "q", "1", plat::kRegQword), 87);
  EXPECT_FALSE(hvtest::FileExists(dir_.Sub("registry.reg")));
}

TEST_F(RegistryWriteTest, TwoProcessesWritingAtOnceLoseNothing) {
  constexpr int kEach = 200;
  std::vector<pid_t> pids;
  for (int w = 0; w < 2; ++w) {
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      FreeLogParams();  // the children write no log
      for (int i = 0; i < kEach; ++i) {
        std::string name = "p" + std::to_string(w) + "v" + std::to_string(i);
        if (writeValueEx(kHkeyLocalMachine, "SOFTWARE\\Shared", name.c_str(), "1",
                         plat::kRegDword) != 0) {
          _exit(1);
        }
      }
      _exit(0);
    }
    pids.push_back(pid);
  }
  for (pid_t pid : pids) {
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  for (int w = 0; w < 2; ++w) {
    for (int i = 0; i < kEach; ++i) {
      uint32_t type = 0;
      std::string bytes;
      EXPECT_TRUE(Stored("SOFTWARE\\Shared", "p" + std::to_string(w) + "v" + std::to_string(i),
                         &type, &bytes));
    }
  }
}

TEST(MultiStringTest, BuildersAndQword) {
  uint32_t size = 0;
  char16_t* block = ConvertToMultiSz(u"", &size);
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(block[0], 0);
  EXPECT_EQ(block[1], 0);
  free(block);
  block = BuildMultiString(u"a|b\\|c", u'\\', u'|', u',', &size);
  EXPECT_EQ(std::u16string(block), u"a,b|c");
  EXPECT_EQ(size, 2u * 5 + 4);
  free(block);
  block = ConvertToMultiSz(u"trailing^", &size);  // a lone escape at the end adds nothing
  EXPECT_EQ(std::u16string(block), u"trailing");
  free(block);
  EXPECT_EQ(ConvertToQword(""), 0u);
  EXPECT_EQ(ConvertToQword("18446744073709551615"), 18446744073709551615ull);
  EXPECT_EQ(ConvertToQword("5000000000"), 5000000000ull);
}

}  // namespace
