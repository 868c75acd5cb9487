// Processes for tests: nothing is started; each command line's fate is
// set beforehand. A program fails to start (with a reason), ends on its
// first poll with a given code, or runs until the test ends it. Every
// call is recorded so that tests can check what was started and that
// every id was released exactly once.
#pragma once

#include <functional>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/processes.h"

namespace stanzo::testing {

class FakeProcesses final : public platform::Processes {
 public:
  struct Fate {
    std::string startError;   // non-empty: Start fails with it
    bool endsAtOnce = false;  // ended on the first poll
    uint32_t exitCode = 0;
  };

  // The fate of `commandLine` (default: starts and runs until Finish).
  void Set(const std::string& commandLine, Fate fate) { fates_[commandLine] = std::move(fate); }
  // What `commandLine` writes to its standard error at once when started.
  void SetErrors(const std::string& commandLine, std::string bytes) {
    errorsAtStart_[commandLine] = std::move(bytes);
  }
  // Ends the running program started from `commandLine`.
  void Finish(const std::string& commandLine, uint32_t exitCode) {
    for (auto& [id, p] : programs_)
      if (p.commandLine == commandLine) p.status = {true, exitCode};
  }

  Started Start(const std::string& commandLine, const std::string& workingDir) override {
    started.push_back(commandLine);
    if (onStart) onStart(commandLine);
    workingDirs.push_back(workingDir);
    const Fate fate = fates_[commandLine];
    if (!fate.startError.empty()) return {0, fate.startError};
    const Id id = ++lastId_;
    programs_[id] = {commandLine, fate.endsAtOnce ? Status{true, fate.exitCode} : Status{},
                     errorsAtStart_[commandLine]};
    return {id, {}};
  }
  Started StartReadingErrors(const std::string& commandLine,
                             const std::string& workingDir) override {
    const Started s = Start(commandLine, workingDir);
    if (s.id != 0) programs_[s.id].readingErrors = true;
    return s;
  }
  // Adds to what the running program of `commandLine` wrote to its
  // standard error.
  void WriteError(const std::string& commandLine, const std::string& bytes) {
    for (auto& [id, p] : programs_)
      if (p.commandLine == commandLine) p.errors += bytes;
  }
  std::string ReadErrors(Id id) override {
    Program& p = programs_.at(id);
    if (!p.readingErrors) return std::string();
    return std::exchange(p.errors, std::string());
  }
  Status Poll(Id id) override {
    ++polls;
    return programs_.at(id).status;
  }
  void Release(Id id) override {
    if (!released.insert(id).second) ++doubleReleases;
  }
  bool IsInstalled(const std::string& program) override { return installed.count(program) > 0; }

  // Ids handed out and not released.
  size_t Unreleased() const { return programs_.size() - released.size(); }

  std::vector<std::string> started;
  std::vector<std::string> workingDirs;
  std::set<Id> released;
  std::set<std::string> installed;
  // What a program does as it starts (an editor writes its file).
  std::function<void(const std::string& commandLine)> onStart;
  int polls = 0;
  int doubleReleases = 0;

 private:
  struct Program {
    std::string commandLine;
    Status status;
    std::string errors;
    bool readingErrors = false;
  };
  std::map<std::string, Fate> fates_;
  std::map<std::string, std::string> errorsAtStart_;
  std::map<Id, Program> programs_;
  Id lastId_ = 0;
};

}  // namespace stanzo::testing
