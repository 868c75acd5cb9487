// Mask matching speed: typical init-line masks and the many-stars case, for
// our matcher ("compile": LineMatchesMask, compiling afresh as the console
// does; "match": Accepts on a compiled mask), the plain backtracking
// matcher kept in the tests, and the C library's fnmatch(3) on the same
// inputs (FNM_NOESCAPE | FNM_CASEFOLD, which is the same language for the
// masks used here; each answer is cross-checked).
//
// The slow contenders run in a forked child with a deadline, since the plain
// backtracking matcher and fnmatch(3) need combinatorial time on the
// many-stars masks.
#include <fnmatch.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "text/masks.h"
#include "text/masks_reference.h"

namespace {

using Clock = std::chrono::steady_clock;
volatile int g_sink = 0;

// ns per call of `fn`, repeated until at least `min_ms` have passed.
double NsPerCall(const std::function<bool()>& fn, int min_ms = 200) {
  long calls = 0;
  const auto start = Clock::now();
  auto elapsed = Clock::duration::zero();
  for (long batch = 1;; batch *= 2) {
    for (long i = 0; i < batch; ++i) g_sink = g_sink + fn();
    calls += batch;
    elapsed = Clock::now() - start;
    if (elapsed >= std::chrono::milliseconds(min_ms)) break;
  }
  return std::chrono::duration<double, std::nano>(elapsed).count() / calls;
}

// Like NsPerCall, in a child process that is killed after `limit_s`
// seconds. nullopt when it ran out of time.
std::optional<double> NsPerCallBounded(const std::function<bool()>& fn, int limit_s) {
  int fds[2];
  if (pipe(fds) != 0) return std::nullopt;
  const pid_t child = fork();
  if (child == 0) {
    close(fds[0]);
    const double ns = NsPerCall(fn, 100);
    ssize_t ignored = write(fds[1], &ns, sizeof ns);
    (void)ignored;
    _exit(0);
  }
  close(fds[1]);
  pollfd p{fds[0], POLLIN, 0};
  std::optional<double> result;
  double ns = 0;
  if (poll(&p, 1, limit_s * 1000) == 1 && read(fds[0], &ns, sizeof ns) == sizeof ns) result = ns;
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  close(fds[0]);
  return result;
}

std::string Repeat(const std::string& s, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += s;
  return out;
}

bool Fnmatch(const std::string& mask, const std::string& text) {
  return fnmatch(mask.c_str(), text.c_str(), FNM_NOESCAPE | FNM_CASEFOLD) == 0;
}

std::string Shown(const std::string& s) {
  return s.size() <= 24 ? s : s.substr(0, 14) + "...(" + std::to_string(s.size()) + ")";
}

std::string Figure(std::optional<double> ns) {
  if (!ns) return "    (gave up)";
  char buf[32];
  std::snprintf(buf, sizeof buf, "%13.0f", *ns);
  return buf;
}

}  // namespace

int main() {
  const std::string line1 = "@m1 marq-marquee Morning light, the kettle sings";
  const std::string line2 = "@m2 marq-size 24";
  const std::string line3 = "@m1 marq-position 8";
  struct Typical {
    std::string mask, text;
  };
  const std::vector<Typical> typical{
      {"*", line1},
      {"@m2*", line2},
      {"@m2*", line1},
      {"*marq-size*", line2},
      {"*marq-size*", line1},
      {"*MARQ-POS*", line3},
      {"@m[12] marq-*", line1},
      {"[!x]*?z", "abcz"},
      {"[!x]*?z", line1},
      {"*a*e*o*d", line1},
  };

  std::printf("Typical masks, ns per match, and ratios to fnmatch(3)\n");
  std::printf("  %-14s %-24s %-5s %8s %8s %8s %7s %7s\n", "mask", "text", "", "compile", "match",
              "fnmatch", "c/fn", "m/fn");
  for (const Typical& c : typical) {
    const stanzo::TMask compiled(c.mask);
    const bool ours = compiled.Accepts(c.text);
    const bool theirs = Fnmatch(c.mask, c.text);
    const double full = NsPerCall([&] { return stanzo::LineMatchesMask(c.text, c.mask); });
    const double match = NsPerCall([&] { return compiled.Accepts(c.text); });
    const double fn = NsPerCall([&] { return Fnmatch(c.mask, c.text); });
    std::printf("  %-14s %-24s %-5s %8.0f %8.0f %8.0f %7.2f %7.2f%s\n", c.mask.c_str(),
                Shown(c.text).c_str(), ours ? "fits" : "no", full, match, fn, full / fn, match / fn,
                ours == theirs ? "" : "  ANSWERS DIFFER");
  }

  const int limit_s = 3;
  std::printf(
      "\nMany stars: mask (\"*a\" x k) + \"b\" against 200 \"a\" (does not fit), ns per "
      "match; \"gave up\" = over %d s\n",
      limit_s);
  std::printf("  %4s %13s %13s %13s %13s\n", "k", "compile", "match", "plain-backtr.",
              "fnmatch(3)");
  const std::string text = Repeat("a", 200);
  bool plain_alive = true, fn_alive = true;
  for (int k : {1, 2, 3, 4, 5, 6, 8, 10, 20, 30}) {
    const std::string mask = Repeat("*a", k) + "b";
    const stanzo::TMask compiled(mask);
    const double full = NsPerCall([&] { return stanzo::LineMatchesMask(text, mask); });
    const double match = NsPerCall([&] { return compiled.Accepts(text); });
    std::optional<double> plain, fn;
    // Once a contender gives up, larger k only takes longer.
    if (plain_alive) {
      plain = NsPerCallBounded(
          [&] { return *stanzo::testing::ReferenceAccepts(compiled.Steps(), text); }, limit_s);
      plain_alive = plain.has_value();
    }
    if (fn_alive) {
      fn = NsPerCallBounded([&] { return Fnmatch(mask, text); }, limit_s);
      fn_alive = fn.has_value();
    }
    std::printf("  %4d %13.0f %13.0f %s %s\n", k, full, match, Figure(plain).c_str(),
                Figure(fn).c_str());
  }
  return g_sink == -1;
}
