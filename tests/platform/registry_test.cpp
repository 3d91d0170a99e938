// The POSIX registry file: format, encodings, lookups, the ANSI view, and
// the locked read-modify-write.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "platform/platform.h"
#include "platform/posix/registry_file.h"
#include "platform/posix/registry_tree.h"
#include "platform/posix/unicode.h"
#include "tests/support/test_support.h"

namespace {

using namespace plat;
using plat::posix::RegTree;

constexpr const char* kFixture =
    "Windows Registry Editor Version 5.00\n"
    "\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Demo]\n"
    "@=\"default text\"\n"
    "\"Text\"=\"h\\\\i \\\"q\\\" \xC3\xA9\"\n"
    "\"Count\"=dword:0000002a\n"
    "\"Blob\"=hex:01,02,ff\n"
    "\"Path\"=hex(2):25,00,41,00,25,00,00,00\n"
    "\"List\"=hex(7):61,00,00,00,62,00,00,00,\\\n"
    "  00,00\n"
    "\"Big\"=hex(b):00,f2,05,2a,01,00,00,00\n"
    "\n"
    "; a comment\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Demo\\Child]\n";

class RegistryFileTest : public ::testing::Test {
 protected:
  void SetUp() override { path_ = dir_.Sub("registry.reg"); }
  void Write(const std::string& text) { hvtest::WriteFile(path_, text); }

  // Opens a key and reads one value through the seam's ANSI view.
  int32_t Query(const char* key_path, const char* name, std::string* out,
                uint32_t* type = nullptr) {
    RegKey key = nullptr;
    int32_t r = RegistryOpenKey(kHkeyLocalMachine, key_path, kKeyQueryValue, &key);
    if (r != kErrorSuccess) return r;
    uint32_t size = 0;
    r = RegistryQueryValueAnsi(key, name, type, nullptr, &size);
    if (r == kErrorSuccess) {
      std::string buf(size, '\0');
      r = RegistryQueryValueAnsi(key, name, type, reinterpret_cast<uint8_t*>(buf.data()), &size);
      out->assign(buf, 0, size);
    }
    RegistryCloseKey(key);
    return r;
  }

  hvtest::TempDir dir_;
  std::string path_;
  hvtest::ScopedEnv env_{"HVPRECHECK_REGISTRY", nullptr};
  void UseFile() { setenv("HVPRECHECK_REGISTRY", path_.c_str(), 1); }
};

TEST_F(RegistryFileTest, EveryTypeReadsThroughTheAnsiView) {
  Write(kFixture);
  UseFile();
  struct Case {
    const char* name;
    uint32_t type;
    std::string bytes;
  } cases[] = {
      {"", kRegSz, std::string("default text\0", 13)},
      {"text", kRegSz, std::string("h\\i \"q\" \xC3\xA9\0", 11)},
      {"COUNT", kRegDword, std::string("\x2a\0\0\0", 4)},
      {"Blob", kRegBinary, "\x01\x02\xff"},
      {"Path", kRegExpandSz, std::string("%A%\0", 4)},
      {"List", kRegMultiSz, std::string("a\0b\0\0", 5)},
      {"Big", kRegQword, std::string("\x00\xf2\x05\x2a\x01\x00\x00\x00", 8)},
  };
  for (const Case& c : cases) {
    std::string got;
    uint32_t type = 99;
    ASSERT_EQ(Query("software\\DEMO", c.name, &got, &type), kErrorSuccess) << c.name;
    EXPECT_EQ(type, c.type) << c.name;
    EXPECT_EQ(got, c.bytes) << c.name;
  }
}

TEST_F(RegistryFileTest, MissingKeyValueAndSmallBuffer) {
  Write(kFixture);
  UseFile();
  std::string got;
  EXPECT_EQ(Query("SOFTWARE\\Nothing", "x", &got), kErrorFileNotFound);
  EXPECT_EQ(Query("SOFTWARE\\Demo", "Nothing", &got), kErrorFileNotFound);
  // A trailing backslash opens the key without it.
  EXPECT_EQ(Query("SOFTWARE\\Demo\\", "Count", &got), kErrorSuccess);
  EXPECT_EQ(Query("SOFTWARE\\\\Demo", "Count", &got), kErrorBadPathname);

  RegKey key = nullptr;
  ASSERT_EQ(RegistryOpenKey(kHkeyLocalMachine, "SOFTWARE\\Demo", kKeyQueryValue, &key), 0);
  uint8_t small[3];
  uint32_t size = sizeof small;
  EXPECT_EQ(RegistryQueryValueAnsi(key, "Text", nullptr, small, &size), kErrorMoreData);
  EXPECT_EQ(size, 11u);
  RegistryCloseKey(key);
}

TEST_F(RegistryFileTest, MissingFileIsEmptyRegistry) {
  UseFile();
  std::string got;
  EXPECT_EQ(Query("SOFTWARE\\Demo", "Count", &got), kErrorFileNotFound);
  RegKey key = nullptr;
  EXPECT_EQ(RegistryOpenKey(kHkeyLocalMachine, "", kKeyQueryValue, &key), kErrorSuccess);
  RegistryCloseKey(key);
}

TEST_F(RegistryFileTest, Utf16FileWithByteOrderMark) {
  std::string text = kFixture;
  // What regedit writes: UTF-16LE with a byte-order mark and CRLF line ends.
  std::string crlf;
  for (char c : text) {
    if (c == '\n') crlf += '\r';
    crlf += c;
  }
  std::string bytes = "\xFF\xFE" + posix::Utf16ToLittleEndian(posix::Utf8ToUtf16(crlf));
  Write(bytes);
  UseFile();
  std::string got;
  ASSERT_EQ(Query("SOFTWARE\\Demo", "Text", &got), kErrorSuccess);
  EXPECT_EQ(got, std::string("h\\i \"q\" \xC3\xA9\0", 11));
}

TEST_F(RegistryFileTest, CorruptFilesFailWith1009) {
  UseFile();
  const char* corrupt[] = {
      "not a registry\n",
      "Windows Registry Editor Version 5.00\n\"x\"=\"value before any key\"\n",
      "Windows Registry Editor Version 5.00\n[HKEY_NOWHERE\\A]\n",
      "Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\A\n",
      "Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\A]\n\"x\"=dword:123456789\n",
      "Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\A]\n\"x\"=hex:01,zz\n",
      "Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\A]\n\"x\"=hex:01,\\\n",
      "Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\A]\n\"x=\"unterminated\n",
  };
  for (const char* text : corrupt) {
    Write(text);
    std::string got;
    EXPECT_EQ(Query("A", "x", &got), kErrorBadDb) << text;
    EXPECT_FALSE(posix::LastRegistryParseError().empty());
  }
  // A change is refused too: the file is never treated as empty and rewritten.
  Write("garbage\n");
  EXPECT_EQ(posix::ModifyRegistry([](RegTree*, bool* changed) {
              *changed = true;
              return 0;
            }),
            kErrorBadDb);
  EXPECT_EQ(hvtest::ReadFile(path_), "garbage\n");
}

TEST(RegistryTreeTest, SerializeRoundTripsEveryType) {
  RegTree tree;
  std::string error;
  ASSERT_TRUE(posix::ParseRegistryFile(kFixture, &tree, &error)) << error;
  // A string with a line break or without its NUL cannot be quoted.
  posix::RegNode* demo = tree.Root(kHkeyLocalMachine)->FindChild("SOFTWARE")->FindChild("demo");
  demo->SetValue("Lines", kRegSz, posix::Utf16ToLittleEndian(u"a\nb") + std::string(2, '\0'));
  demo->SetValue("NoNul", kRegSz, posix::Utf16ToLittleEndian(u"ab"));
  demo->SetValue("Long", kRegBinary, std::string(100, '\x5a'));
  const std::string text = posix::SerializeRegistry(tree);
  RegTree again;
  ASSERT_TRUE(posix::ParseRegistryFile(text, &again, &error)) << error << "\n" << text;
  EXPECT_EQ(posix::SerializeRegistry(again), text);
  const posix::RegNode* node =
      again.Root(kHkeyLocalMachine)->FindChild("software")->FindChild("Demo");
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(node->name(), "Demo");  // the case it was made with
  ASSERT_EQ(node->values().size(), 10u);
  for (const auto& v : demo->values()) {
    const posix::RegValue* w = node->FindValue(v.name);
    ASSERT_NE(w, nullptr) << v.name;
    EXPECT_EQ(w->type, v.type) << v.name;
    EXPECT_EQ(w->data, v.data) << v.name;
  }
  EXPECT_NE(text.find("\"Count\"=dword:0000002a\n"), std::string::npos);
  EXPECT_NE(text.find("\"Text\"=\"h\\\\i \\\"q\\\" \xC3\xA9\"\n"), std::string::npos);
  EXPECT_NE(text.find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Demo\\Child]\n"), std::string::npos);
}

TEST(RegistryTreeTest, ChildrenKeepCreationOrder) {
  RegTree tree;
  std::string error;
  ASSERT_TRUE(
      posix::ParseRegistryFile("Windows Registry Editor Version 5.00\n"
                               "[HKEY_LOCAL_MACHINE\\K\\Zeta]\n"
                               "[HKEY_LOCAL_MACHINE\\K\\alpha]\n"
                               "[HKEY_LOCAL_MACHINE\\K\\Mid]\n"
                               "[-HKEY_LOCAL_MACHINE\\K\\Mid]\n"
                               "[HKEY_LOCAL_MACHINE\\K\\ZETA]\n",
                               &tree, &error))
      << error;
  const auto& children = tree.Root(kHkeyLocalMachine)->FindChild("k")->children();
  ASSERT_EQ(children.size(), 2u);
  EXPECT_EQ(children[0]->name(), "Zeta");
  EXPECT_EQ(children[1]->name(), "alpha");
}

TEST_F(RegistryFileTest, ConcurrentWritersLoseNothing) {
  Write(kFixture);
  UseFile();
  constexpr int kWriters = 4;
  constexpr int kEach = 25;
  std::vector<pid_t> pids;
  for (int w = 0; w < kWriters; ++w) {
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      for (int i = 0; i < kEach; ++i) {
        std::string name = "w" + std::to_string(w) + "_" + std::to_string(i);
        int32_t r = posix::ModifyRegistry([&](RegTree* tree, bool* changed) {
          tree->Root(kHkeyLocalMachine)->AddChild("Counts")->SetValue(name, kRegDword, "\1\0\0\0");
          *changed = true;
          return 0;
        });
        if (r != 0) _exit(1);
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
  std::shared_ptr<const RegTree> tree;
  ASSERT_EQ(posix::LoadRegistry(&tree), 0);
  EXPECT_EQ(tree->Root(kHkeyLocalMachine)->FindChild("Counts")->values().size(),
            static_cast<size_t>(kWriters * kEach));
  // The original content is still there, and no temporary file is left.
  ASSERT_NE(tree->Root(kHkeyLocalMachine)->FindChild("SOFTWARE")->FindChild("Demo"), nullptr);
  for (const auto& entry : std::filesystem::directory_iterator(dir_.path())) {
    EXPECT_EQ(entry.path().filename().string().find(".tmp."), std::string::npos);
  }
}

TEST_F(RegistryFileTest, AnUnchangedFileIsParsedOnce) {
  std::string text = "Windows Registry Editor Version 5.00\n\n";
  for (int i = 0; i < 300; ++i) {
    text += "[HKEY_LOCAL_MACHINE\\Uninstall\\E" + std::to_string(i) + "]\n\"DisplayName\"=\"n\"\n";
  }
  Write(text);
  UseFile();
  const uint64_t before = posix::RegistryParseCount();
  for (int i = 0; i < 300; ++i) {
    std::string got;
    ASSERT_EQ(Query(("Uninstall\\E" + std::to_string(i)).c_str(), "DisplayName", &got), 0);
  }
  EXPECT_EQ(posix::RegistryParseCount() - before, 1u);
  // A changed file is parsed again, once.
  Write(text + "[HKEY_LOCAL_MACHINE\\Uninstall\\New]\n");
  std::string got;
  EXPECT_EQ(Query("Uninstall\\E1", "DisplayName", &got), 0);
  EXPECT_EQ(Query("Uninstall\\E2", "DisplayName", &got), 0);
  EXPECT_EQ(posix::RegistryParseCount() - before, 2u);
  // This process's own writes need no parse to be read back.
  ASSERT_EQ(posix::ModifyRegistry([](RegTree* tree, bool* changed) {
              tree->Root(kHkeyLocalMachine)->AddChild("Written");
              *changed = true;
              return 0;
            }),
            0);
  RegKey key = nullptr;
  EXPECT_EQ(RegistryOpenKey(kHkeyLocalMachine, "Written", kKeyRead, &key), 0);
  RegistryCloseKey(key);
  EXPECT_EQ(posix::RegistryParseCount() - before, 2u);
}

TEST(UnicodeTest, InvalidUtf8BecomesReplacementCharacters) {
  EXPECT_EQ(posix::Utf8ToUtf16("a\xFF"
                               "b"),
            u"a\uFFFDb");
  EXPECT_EQ(posix::Utf8ToUtf16("\xC3"), u"\uFFFD");  // cut sequence at the end
  EXPECT_EQ(posix::Utf8ToUtf16("\xF0\x9F\x98\x80"), u"\U0001F600");
  EXPECT_EQ(posix::Utf16ToUtf8(u"\U0001F600"), "\xF0\x9F\x98\x80");
  EXPECT_EQ(posix::Utf16ToUtf8(std::u16string(1, u'\xD800')), "\xEF\xBF\xBD");
}

}  // namespace
