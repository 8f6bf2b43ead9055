// The installer killed (SIGKILL) at many moments of a long run, and runs
// that meet on one store. A killed run leaves a store that loads and holds
// exactly what the first k registry calls wrote, for some k; runs at the
// same moment both finish and lose nothing of each other's.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "HardeningSupport.h"
#include "config/ConfigReader.h"
#include "config/InstallConfig.h"
#include "platform/posix/FileRegistry.h"
#include "platform/regfile/TreeRegistry.h"

namespace tarnwell::hardening {
namespace {

// One step of a run, as the store sees it: a key or a value coming to be.
struct Step {
  std::u16string Id;  // "K:" + folded key path, or "V:" + path + "\" + name
  std::string Data;
};

// Notes, in order, every key and value that a run's calls bring about.
class StepRecorder : public regstore::TreeRegistry {
 public:
  std::vector<Step> Steps;

  std::int32_t CreateKey(RegHandle parent, const char16_t* path,
                         std::uint32_t access, RegHandle* key) override {
    std::int32_t e = TreeRegistry::CreateKey(parent, path, access, key);
    std::u16string full = regstore::FoldCase(u"HKEY_LOCAL_MACHINE\\" + std::u16string(path));
    for (std::size_t at = full.find(u'\\'); ; at = full.find(u'\\', at + 1)) {
      Steps.push_back({u"K:" + full.substr(0, at), "1"});
      if (at == std::u16string::npos) break;
    }
    paths_[*key] = full;
    return e;
  }
  std::int32_t SetValue(RegHandle key, const char16_t* name, std::uint32_t type,
                        const void* data, std::uint32_t size) override {
    std::string typed(reinterpret_cast<const char*>(&type), 4);
    typed.append(static_cast<const char*>(data), size);
    Steps.push_back({u"V:" + paths_[key] + u"\\" + regstore::FoldCase(name), typed});
    return TreeRegistry::SetValue(key, name, type, data, size);
  }

 private:
  std::map<RegHandle, std::u16string> paths_;
};

std::map<std::u16string, std::string> Items(const regstore::RegTree& tree) {
  FlatTree flat = Flatten(tree);
  std::map<std::u16string, std::string> items;
  for (const std::u16string& key : flat.Keys) items[u"K:" + key] = "1";
  for (const auto& [id, data] : flat.Values) items[u"V:" + id] = data;
  return items;
}

// The number of steps whose result the store holds exactly, or -1 when it
// holds no such prefix of the run.
long MatchingPrefix(const std::vector<Step>& steps,
                    const std::map<std::u16string, std::string>& stored) {
  std::map<std::u16string, std::string> simulated;
  long mismatches = static_cast<long>(stored.size());
  if (mismatches == 0) return 0;
  for (std::size_t k = 0; k < steps.size(); ++k) {
    const Step& step = steps[k];
    auto it = stored.find(step.Id);
    auto was = simulated.find(step.Id);
    bool matched_before = it != stored.end() && was != simulated.end() &&
                          was->second == it->second;
    bool absent_before = was == simulated.end();
    bool matched_after = it != stored.end() && it->second == step.Data;
    // An id the store lacks mismatches from its first step on.
    if (it == stored.end()) {
      if (absent_before) ++mismatches;
    } else {
      mismatches += (matched_before ? 1 : 0) - (matched_after ? 1 : 0);
    }
    simulated[step.Id] = step.Data;
    if (mismatches == 0) return static_cast<long>(k + 1);
  }
  return -1;
}

class Crash : public ::testing::Test {
 protected:
  void SetUp() override {
    config_text_ = GeneratedConfig(3000, 300);
    InstallConfig config;
    MemoryByteSource source(config_text_);
    ASSERT_TRUE(ReadConfigSource(config, source));
    ASSERT_TRUE(config.WriteConfigToRegistry(recorder_));
  }

  void Prepare(const ScratchDir& dir) {
    CopyExecutable(TARNWELL_EXE, dir.File("tarnwell"));
    WriteFile(dir.File("usbcdc.cfg"), config_text_);
  }

  std::string config_text_;
  StepRecorder recorder_;
};

TEST_F(Crash, AKilledRunLeavesAStoreHoldingAPrefixOfItsWrites) {
  // How long a whole run takes here, and what it leaves.
  ScratchDir whole;
  Prepare(whole);
  auto start = std::chrono::steady_clock::now();
  RunResult run = RunInstallerProcess(whole.File("tarnwell"), whole.Path());
  auto duration = std::chrono::steady_clock::now() - start;
  ASSERT_EQ(run.ExitCode, 0) << run.Err;
  regstore::RegTree reference;
  ASSERT_TRUE(LoadStoreFile(whole.File("registry.reg"), &reference, false));
  const auto final_items = Items(reference);
  ASSERT_EQ(final_items, Items(recorder_.Tree()));

  constexpr int kKillPoints = 30;
  int torn_tails = 0, partial = 0;
  for (int k = 0; k < kKillPoints; ++k) {
    SCOPED_TRACE("kill point " + std::to_string(k));
    ScratchDir dir;
    Prepare(dir);
    const std::string store = dir.File("registry.reg");
    pid_t pid = StartInstallerProcess(dir.File("tarnwell"));
    std::this_thread::sleep_for(duration * k / kKillPoints);
    kill(pid, SIGKILL);
    int status = WaitProcess(pid);
    if (!FileExists(store)) continue;  // killed before its first write
    regstore::RegTree tree;
    ASSERT_TRUE(LoadStoreFile(store, &tree, true)) << "the store does not load";
    regstore::RegTree strict;
    if (!LoadStoreFile(store, &strict, false)) ++torn_tails;
    long prefix = MatchingPrefix(recorder_.Steps, Items(tree));
    ASSERT_GE(prefix, 0) << "the store holds no prefix of the run's writes";
    if (WIFSIGNALED(status) && Items(tree) != final_items) ++partial;
    // The store itself takes it, and a run started afterwards completes it.
    if (k % 5 == 0) {
      RunResult again = RunInstallerProcess(dir.File("tarnwell"), dir.Path());
      ASSERT_EQ(again.ExitCode, 0) << again.Err;
      regstore::RegTree completed;
      ASSERT_TRUE(LoadStoreFile(store, &completed, false));
      EXPECT_EQ(Items(completed), final_items);
    }
  }
  std::printf("kill points: %d, cut mid-run: %d, torn last line: %d\n",
              kKillPoints, partial, torn_tails);
  EXPECT_GT(partial, kKillPoints / 3) << "the kills missed the run";
}

TEST_F(Crash, TwoRunsStartedTogetherOnOneDirectoryBothComplete) {
  ScratchDir whole;
  Prepare(whole);
  ASSERT_EQ(RunInstallerProcess(whole.File("tarnwell"), whole.Path()).ExitCode, 0);
  regstore::RegTree reference;
  ASSERT_TRUE(LoadStoreFile(whole.File("registry.reg"), &reference, false));

  for (int round = 0; round < 3; ++round) {
    ScratchDir dir;
    Prepare(dir);
    pid_t a = StartInstallerProcess(dir.File("tarnwell"));
    pid_t b = StartInstallerProcess(dir.File("tarnwell"));
    int sa = WaitProcess(a), sb = WaitProcess(b);
    ASSERT_TRUE(WIFEXITED(sa) && WEXITSTATUS(sa) == 0);
    ASSERT_TRUE(WIFEXITED(sb) && WEXITSTATUS(sb) == 0);
    regstore::RegTree tree;
    ASSERT_TRUE(LoadStoreFile(dir.File("registry.reg"), &tree, false));
    EXPECT_EQ(Items(tree), Items(reference));
  }
}

// Two processes write different values into one store at the same moment,
// enough of them that each rewrites the file while the other appends.
TEST(ConcurrentStore, TwoWritersAtOnceLoseNothingOfEachOther) {
  ScratchDir dir;
  const std::string path = dir.File("registry.reg");
  constexpr int kValues = 2500;
  int go[2];
  ASSERT_EQ(pipe(go), 0);
  std::vector<pid_t> children;
  for (int writer = 0; writer < 2; ++writer) {
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      close(go[1]);
      char byte;
      if (read(go[0], &byte, 1) != 0) _exit(3);  // released when closed
      int failures = 0;
      {
        posix::FileRegistry store(path);
        const std::u16string text(100, static_cast<char16_t>(u'a' + writer));
        for (int i = 0; i < kValues; ++i) {
          std::u16string key = u"Software\\Writer" + std::u16string(1, u'0' + writer) +
                               u"\\K" + std::u16string(1, u'A' + i % 26);
          RegHandle handle = 0;
          if (store.CreateKey(kLocalMachine, key.c_str(), kKeyReadWrite, &handle) != 0) {
            ++failures;
            continue;
          }
          std::u16string name = u"V" + std::u16string(1, u'0' + i / 1000) +
                                std::u16string(1, u'0' + i / 100 % 10) +
                                std::u16string(1, u'0' + i / 10 % 10) +
                                std::u16string(1, u'0' + i % 10);
          std::u16string data = text + name;
          if (store.SetValue(handle, name.c_str(), kRegSz, data.c_str(),
                             static_cast<std::uint32_t>((data.size() + 1) * 2)) != 0) {
            ++failures;
          }
          store.CloseKey(handle);
        }
        if (store.Flush() != 0) ++failures;
      }
      _exit(failures == 0 ? 0 : 1);
    }
    children.push_back(pid);
  }
  close(go[0]);
  close(go[1]);  // both start now
  for (pid_t pid : children) {
    int status = WaitProcess(pid);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << "a writer's call failed";
  }
  regstore::RegTree tree;
  ASSERT_TRUE(LoadStoreFile(path, &tree, false));
  for (int writer = 0; writer < 2; ++writer) {
    int found = 0;
    for (int k = 0; k < 26; ++k) {
      std::u16string key = u"HKEY_LOCAL_MACHINE\\Software\\Writer" +
                           std::u16string(1, u'0' + writer) + u"\\K" +
                           std::u16string(1, u'A' + k);
      regstore::RegNode* node = tree.Find(key);
      ASSERT_NE(node, nullptr);
      found += static_cast<int>(node->Values().size());
    }
    EXPECT_EQ(found, kValues) << "writer " << writer;
  }
}

}  // namespace
}  // namespace tarnwell::hardening
