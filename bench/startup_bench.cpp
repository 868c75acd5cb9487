// Start-up time to the first painted window, and peak memory, of the
// console beside a bare window of the same widgets: runs startup_probe
// (next to this program) as fresh processes, alternating "console" and
// "bare", and reports medians and the console/bare ratios. As a check that
// the probe stands for the real program, it also starts copies of the
// stanzo executable, each alone in a fresh directory, and reads their peak
// resident set after 1.5 s (the program has no paint hook, so only its
// memory is compared).
//
// Usage: startup_bench [runs (15)] [stanzo executable (the one built here)]
// Runs offscreen unless QT_QPA_PLATFORM says otherwise.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Runs `argv` and returns its standard output; exits on failure.
std::string RunCapture(const std::vector<std::string>& args) {
  int pipeFd[2];
  if (pipe(pipeFd) != 0) std::exit(1);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFd[1], 1);
  posix_spawn_file_actions_addclose(&actions, pipeFd[0]);
  posix_spawn_file_actions_addclose(&actions, pipeFd[1]);
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipeFd[1]);
  if (rc != 0) {
    std::fprintf(stderr, "cannot start %s: %s\n", argv[0], std::strerror(rc));
    std::exit(1);
  }
  std::string out;
  char buf[4096];
  ssize_t n;
  while ((n = read(pipeFd[0], buf, sizeof buf)) > 0) out.append(buf, static_cast<size_t>(n));
  close(pipeFd[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "%s %s failed (status %d)\n", args[0].c_str(), args[1].c_str(), status);
    std::exit(1);
  }
  return out;
}

// One probe run: its key=value figures.
std::map<std::string, double> Probe(const std::string& probe, const char* kind) {
  const auto spawned = Clock::now().time_since_epoch();
  const std::string out = RunCapture({probe, kind, std::to_string(spawned.count())});
  std::map<std::string, double> figures;
  std::istringstream in(out);
  std::string field;
  while (in >> field) {
    const size_t eq = field.find('=');
    if (eq != std::string::npos) figures[field.substr(0, eq)] = std::atof(field.c_str() + eq + 1);
  }
  if (figures.size() != 5) {
    std::fprintf(stderr, "unexpected probe output: %s\n", out.c_str());
    std::exit(1);
  }
  return figures;
}

long VmHwmKbOf(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
  return -1;
}

// Peak resident set of a copy of the program, alone in a fresh directory,
// 1.5 s after it was started; the copy is then terminated.
double ProgramHwmKb(const std::string& exe) {
  char pattern[] = "/tmp/stanzo-startup-XXXXXX";
  if (!mkdtemp(pattern)) std::exit(1);
  const fs::path dir = pattern;
  const fs::path copy = dir / "stanzo";
  fs::copy_file(exe, copy);
  char* argv[] = {const_cast<char*>(copy.c_str()), nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) {
    std::fprintf(stderr, "cannot start %s: %s\n", argv[0], std::strerror(rc));
    std::exit(1);
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  const long kb = VmHwmKbOf(pid);
  kill(pid, SIGTERM);
  waitpid(pid, nullptr, 0);
  fs::remove_all(dir);
  return static_cast<double>(kb);
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 15;
  std::string exe = STANZO_EXE;
  if (argc > 1 && std::atoi(argv[1]) > 0) runs = std::atoi(argv[1]);
  if (argc > 2) exe = argv[2];
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  const std::string probe = (fs::read_symlink("/proc/self/exe").parent_path() / "startup_probe");

  const char* keys[] = {"main_ms", "paint_ms", "frame_ms", "hwm_frame_kb", "hwm_kb"};
  std::map<std::string, std::map<std::string, std::vector<double>>> samples;
  for (int r = 0; r < runs; ++r) {
    // Alternate the order, so that neither kind always runs on a warmer cache.
    const char* order[2] = {"console", "bare"};
    if (r % 2) std::swap(order[0], order[1]);
    for (const char* kind : order)
      for (const auto& [key, value] : Probe(probe, kind)) samples[kind][key].push_back(value);
  }
  std::vector<double> programHwm;
  for (int r = 0; r < std::min(runs, 5); ++r) programHwm.push_back(ProgramHwmKb(exe));

  std::printf("start-up, %d fresh processes each, platform %s; medians (min..max)\n", runs,
              std::getenv("QT_QPA_PLATFORM"));
  std::printf("%-14s %26s %26s %8s\n", "", "console", "bare window", "ratio");
  for (const char* key : keys) {
    const auto& c = samples["console"][key];
    const auto& b = samples["bare"][key];
    const bool kb = std::strstr(key, "_kb") != nullptr;
    const char* fmt = kb ? "%-14s %9.0f (%6.0f..%6.0f) %9.0f (%6.0f..%6.0f) %8.2f\n"
                         : "%-14s %9.1f (%6.1f..%6.1f) %9.1f (%6.1f..%6.1f) %8.2f\n";
    std::printf(fmt, key, Median(c), *std::min_element(c.begin(), c.end()),
                *std::max_element(c.begin(), c.end()), Median(b),
                *std::min_element(b.begin(), b.end()), *std::max_element(b.begin(), b.end()),
                Median(c) / Median(b));
  }
  std::printf("%-14s %9.0f kB median of %zu copies of %s, 1.5 s after start\n", "stanzo hwm",
              Median(programHwm), programHwm.size(), exe.c_str());
  const auto med = [&](const char* kind, const char* key) { return Median(samples[kind][key]); };
  std::printf(
      "summary: first paint %.1f ms (console) vs %.1f ms (bare), ratio %.2f; whole first frame "
      "%.1f vs %.1f ms, ratio %.2f; peak RSS %.0f vs %.0f kB, ratio %.2f (program copy: %.0f "
      "kB)\n",
      med("console", "paint_ms"), med("bare", "paint_ms"),
      med("console", "paint_ms") / med("bare", "paint_ms"), med("console", "frame_ms"),
      med("bare", "frame_ms"), med("console", "frame_ms") / med("bare", "frame_ms"),
      med("console", "hwm_kb"), med("bare", "hwm_kb"),
      med("console", "hwm_kb") / med("bare", "hwm_kb"), Median(programHwm));
  return 0;
}
