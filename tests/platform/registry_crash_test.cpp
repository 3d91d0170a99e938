// The registry file under pressure: writers killed with SIGKILL at random
// moments leave each change whole or absent, sixteen writers at once lose
// nothing, and a file cut off by a power failure stays refused, untouched.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/posix/registry_file.h"
#include "platform/posix/registry_tree.h"
#include "tests/support/test_support.h"

namespace {

using namespace plat;
using plat::posix::RegNode;
using plat::posix::RegTree;

constexpr const char* kBase =
    "Windows Registry Editor Version 5.00\n"
    "\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Base]\n"
    "\"Text\"=\"a text long enough to be cut in its middle\"\n"
    "\"List\"=hex(7):61,00,00,00,62,00,00,00,\\\n"
    "  00,00\n"
    "\"Count\"=dword:0000002a\n";

std::string Dword(uint32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); }

uint32_t DwordOf(const RegNode* key, const char* name) {
  const auto* value = key ? key->FindValue(name) : nullptr;
  uint32_t v = 0;
  if (value && value->data.size() == 4) memcpy(&v, value->data.data(), 4);
  return value ? v : 0;
}

class RegistryCrashTest : public ::testing::Test {
 protected:
  void SetUp() override {
    hvtest::WriteFile(path_, kBase);
    setenv("HVPRECHECK_REGISTRY", path_.c_str(), 1);
  }

  // A writer process: change after change, each setting A and B of its own
  // key to the next number, until it is killed (or has made count changes).
  pid_t StartWriter(int w, int count) {
    const pid_t pid = fork();
    if (pid != 0) return pid;
    const std::string key = "W" + std::to_string(w);
    for (int i = 0; count < 0 || i < count; ++i) {
      const int32_t r = posix::ModifyRegistry([&](RegTree* tree, bool* changed) {
        RegNode* node = tree->Root(kHkeyLocalMachine)->AddChild("Stress")->AddChild(key);
        const uint32_t next = DwordOf(node, "A") + 1;
        node->SetValue("A", kRegDword, Dword(next));
        node->SetValue("B", kRegDword, Dword(next));
        *changed = true;
        return 0;
      });
      if (r != 0) _exit(1);
    }
    _exit(0);
  }

  std::shared_ptr<const RegTree> Load() {
    std::shared_ptr<const RegTree> tree;
    EXPECT_EQ(posix::LoadRegistry(&tree), 0) << posix::LastRegistryParseError();
    return tree;
  }

  hvtest::TempDir dir_;
  std::string path_ = dir_.Sub("registry.reg");
  hvtest::ScopedEnv env_{"HVPRECHECK_REGISTRY", nullptr};
};

TEST_F(RegistryCrashTest, WritersKilledAtRandomLeaveEachChangeWholeOrAbsent) {
  constexpr int kWriters = 4;
  constexpr int kRounds = 60;
  std::mt19937 random(20261211);
  std::uniform_int_distribution<int> pause(1, 60);
  std::vector<uint32_t> last(kWriters, 0);
  uint64_t changes = 0;
  for (int round = 0; round < kRounds; ++round) {
    std::vector<pid_t> pids;
    for (int w = 0; w < kWriters; ++w) pids.push_back(StartWriter(w, -1));
    usleep(static_cast<useconds_t>(pause(random)) * 1000);
    for (pid_t pid : pids) kill(pid, SIGKILL);
    for (pid_t pid : pids) waitpid(pid, nullptr, 0);

    // The file parses, still holds what was there before any writer, and
    // every writer's key holds one whole change: A and B equal, never less
    // than after the round before.
    std::shared_ptr<const RegTree> tree = Load();
    ASSERT_NE(tree, nullptr);
    const RegNode* root = tree->Root(kHkeyLocalMachine);
    const RegNode* base =
        root->FindChild("SOFTWARE") ? root->FindChild("SOFTWARE")->FindChild("Base") : nullptr;
    ASSERT_NE(base, nullptr) << "round " << round;
    EXPECT_EQ(DwordOf(base, "Count"), 42u);
    const RegNode* stress = root->FindChild("Stress");
    for (int w = 0; w < kWriters; ++w) {
      const RegNode* key = stress ? stress->FindChild("W" + std::to_string(w)) : nullptr;
      const uint32_t a = DwordOf(key, "A");
      EXPECT_EQ(a, DwordOf(key, "B")) << "round " << round << " writer " << w;
      EXPECT_GE(a, last[static_cast<size_t>(w)]) << "round " << round << " writer " << w;
      changes += a - last[static_cast<size_t>(w)];
      last[static_cast<size_t>(w)] = a;
    }
  }
  RecordProperty("changes", static_cast<int>(changes));
  std::printf("%llu changes survived %d rounds of kills\n",
              static_cast<unsigned long long>(changes), kRounds);
  // Killed writers may leave their temporary files; none is ever the registry.
  EXPECT_EQ(hvtest::ReadFile(path_).rfind("Windows Registry Editor Version 5.00\n", 0), 0u);
  for (const auto& entry : std::filesystem::directory_iterator(dir_.path())) {
    const std::string name = entry.path().filename().string();
    EXPECT_TRUE(name == "registry.reg" || name == "registry.reg.lock" ||
                name.rfind("registry.reg.tmp.", 0) == 0)
        << name;
  }
}

TEST_F(RegistryCrashTest, SixteenWritersAtOnceLoseNothing) {
  constexpr int kWriters = 16;
  constexpr int kEach = 40;
  std::vector<pid_t> pids;
  for (int w = 0; w < kWriters; ++w) pids.push_back(StartWriter(w, kEach));
  for (pid_t pid : pids) {
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  std::shared_ptr<const RegTree> tree = Load();
  const RegNode* stress = tree->Root(kHkeyLocalMachine)->FindChild("Stress");
  ASSERT_NE(stress, nullptr);
  for (int w = 0; w < kWriters; ++w) {
    const RegNode* key = stress->FindChild("W" + std::to_string(w));
    EXPECT_EQ(DwordOf(key, "A"), static_cast<uint32_t>(kEach)) << w;
    EXPECT_EQ(DwordOf(key, "B"), static_cast<uint32_t>(kEach)) << w;
  }
}

TEST_F(RegistryCrashTest, AFileCutOffByAPowerFailureStaysRefusedAndUntouched) {
  const std::string whole = kBase;
  const struct {
    const char* label;
    size_t at;
  } cuts[] = {
      {"in the header line", 20},
      {"in a key name", whole.find("Base]") + 2},
      {"in a quoted text", whole.find("long enough") + 4},
      {"after a continued hex line", whole.find("  00,00")},
  };
  for (const auto& cut : cuts) {
    const std::string cutText = whole.substr(0, cut.at);
    hvtest::WriteFile(path_, cutText);
    std::shared_ptr<const RegTree> tree;
    EXPECT_EQ(posix::LoadRegistry(&tree), kErrorBadDb) << cut.label;
    EXPECT_EQ(posix::ModifyRegistry([](RegTree* t, bool* changed) {
                t->Root(kHkeyLocalMachine)->AddChild("After");
                *changed = true;
                return 0;
              }),
              kErrorBadDb)
        << cut.label;
    EXPECT_EQ(hvtest::ReadFile(path_), cutText) << cut.label;
  }
}

}  // namespace
