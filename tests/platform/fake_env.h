// Envs for tests. FakeEnv holds a fake of every service, so a test runs
// the console core without disk, sockets, programs or real time; EnvWith
// replaces some of the system's services with the test's own.
#pragma once

#include <bitset>
#include <map>
#include <string>

#include "platform/env.h"
#include "platform/fake_files.h"
#include "platform/fake_processes.h"
#include "platform/fake_sockets.h"
#include "platform/manual_clock.h"

namespace stanzo::testing {

// The system's facts as the test sets them; a POSIX system by default.
class FakeSystem final : public platform::System {
 public:
  Family family = Family::kPosix;
  std::string executablePath = "/opt/stanzo/stanzo";
  std::string userDataDir = "/home/op/.local/share";
  std::string userConfigDir = "/home/op/.config";
  std::string systemVlcLuaIntfDir;  // none: no VLC for every user
  std::map<std::string, std::string> variables;

  Family Kind() override { return family; }
  std::string ExecutablePath() override { return executablePath; }
  std::string UserDataDir() override { return userDataDir; }
  std::string UserConfigDir() override { return userConfigDir; }
  std::string SystemVlcLuaIntfDir() override { return systemVlcLuaIntfDir; }
  std::string Variable(const std::string& name) override {
    const auto it = variables.find(name);
    return it != variables.end() ? it->second : std::string();
  }
};

// The system's own conversions, with lead bytes the test chooses.
class FakeCodePage final : public platform::CodePage {
 public:
  std::bitset<256> leadBytes;

  std::string ToUtf8(std::string_view bytes) override { return system_.ToUtf8(bytes); }
  bool FromUtf8(std::string_view utf8, std::string* bytes) override {
    return system_.FromUtf8(utf8, bytes);
  }
  std::string Name() override { return system_.Name(); }
  std::bitset<256> LeadBytes() override { return leadBytes; }

 private:
  platform::CodePage& system_ = platform::Env::Default().codePage;
};

struct FakeEnv {
  ManualClock clock;
  FakeFiles files;
  FakeSockets sockets{clock};
  FakeProcesses processes;
  FakeCodePage codePage;
  FakeSystem system;
  platform::Env env{files, sockets, processes, clock, codePage, system};

  FakeEnv() = default;
  FakeEnv(const FakeEnv&) = delete;
  FakeEnv& operator=(const FakeEnv&) = delete;
};

// The system's services, with the files, or the processes and the clock,
// of the test.
inline platform::Env EnvWith(platform::Files& files) {
  const platform::Env& d = platform::Env::Default();
  return {files, d.sockets, d.processes, d.clock, d.codePage, d.system};
}
inline platform::Env EnvWith(platform::Processes& processes, platform::Clock& clock) {
  const platform::Env& d = platform::Env::Default();
  return {d.files, d.sockets, processes, clock, d.codePage, d.system};
}

}  // namespace stanzo::testing
