// Test harness around a real, headless VLC: start and stop it with the
// console's bridge (tests/vlc/vlc_harness.sh does the work), talk to it
// over TCP as the console does, watch its picture, read text from it.
//
// Plain C++ over POSIX with no test framework and no Qt, so that both the
// GoogleTest integration test and a Qt Test of the console can use it.
// Every wait takes a deadline and reports failure instead of hanging.
// Not thread-safe unless stated; FrameStream has a reader thread of its own.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace stanzo::vlctest {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Moves the calling process into a network namespace of its own with the
// loopback interface up, so that fixed ports (2323, 2324) can be used
// without meeting anything else on the machine. Needs root and must run
// before any thread is started (call it first in main). Returns false,
// changing nothing, where that is not allowed (not root, or a container
// without the capability).
bool EnterPrivateNetwork();

// A free TCP port on 127.0.0.1 at the time of the call.
int FreeLoopbackPort();

// True when `name` is a program on PATH.
bool HaveProgram(const std::string& name);

// The first program these tests need (vlc, Xvfb, ffmpeg, tesseract) that
// is not installed; empty when all are.
std::string MissingProgram();

// A fresh directory made from the mkdtemp template `tmpl`, readable for
// the user VLC runs as when we are root; empty on failure.
std::string MakeWorkDir(std::string tmpl);

// VLC's arguments for the console's default launch command, split into
// words with the program first. In a private network namespace they are
// used as they are, with the bridge on 2323 and VLC's CLI on 2324;
// otherwise both get free ports (the CLI's through --cli-host, the bridge's
// through --lua-config).
struct BridgeLaunch {
  std::vector<std::string> args;  // without the program
  int port = 0;                   // the bridge's
  int cliPort = 0;                // VLC's CLI's
};
// What the command plays (its words that are not options) is dropped
// unless `keepMedia`: the harness plays its own test video.
std::optional<BridgeLaunch> LaunchWithBridge(const std::vector<std::string>& launchWords,
                                             bool privateNetwork, std::string* error,
                                             bool keepMedia = false);

struct Rect {
  int x = 0, y = 0, w = 0, h = 0;
};

// One 8-bit grey picture of the video area.
struct GrayFrame {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> pixels;  // row-major, width * height
  Clock::time_point at{};       // when it arrived
  uint64_t seq = 0;             // 1, 2, ... in arrival order

  uint8_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// Pixels of `r` whose grey levels in `a` and `b` differ by more than
// `tolerance`.
int CountDifferent(const GrayFrame& a, const GrayFrame& b, Rect r, int tolerance = 48);

// Pixels of `r` at least as bright as `level` (overlay text is white).
int CountBright(const GrayFrame& f, Rect r, int level = 200);

// Resident memory of process `pid` in KiB (VmRSS), or -1 when unknown.
long ResidentKb(pid_t pid);

// Writes `f` as a binary PGM file; false on failure.
bool WritePgm(const GrayFrame& f, const std::string& path);

// Lower-case letters and digits of `text`, every other run of bytes turned
// into one blank, no blank at either end: OCR output made comparable.
std::string NormalizeText(std::string_view text);

// Share (0 to 1) of the words of `expected` that `ocr` holds, in any order,
// both normalised by NormalizeText.
double WordsFound(const std::string& expected, const std::string& ocr);

// The text tesseract reads in region `r`: the white overlay text is made
// black on white and resized by `scale` first (tesseract reads glyphs of
// about 20 to 100 pixels best). Temporary files go to `workDir`. Empty
// when nothing is read or tesseract fails.
std::string ReadText(const GrayFrame& f, Rect r, const std::string& workDir, double scale = 2.0);

// Runs a program (no shell) with standard input from /dev/null and both
// output streams appended to `outputFile` (or discarded when empty).
// Returns its exit status, or -1 when it could not be started or waited
// for within `timeout`; then it is killed.
int RunProgram(const std::vector<std::string>& argv, const std::string& outputFile,
               milliseconds timeout);

// One headless VLC (and its X server) run by vlc_harness.sh.
class VlcPlayer {
 public:
  // `harness` is the path of vlc_harness.sh; `dir` a fresh directory that
  // is removed again by Stop().
  VlcPlayer(std::string harness, std::string dir);
  ~VlcPlayer();
  VlcPlayer(const VlcPlayer&) = delete;
  VlcPlayer& operator=(const VlcPlayer&) = delete;

  // Starts VLC with `vlcArgs` (the harness adds the headless options and
  // the looping test video) and waits until the bridge and VLC's CLI
  // listen. On failure `error` holds the reason and the end of VLC's log.
  // Should this process die without Stop(), VLC and its X server are
  // stopped within seconds.
  bool Start(const std::vector<std::string>& vlcArgs, std::string* error);
  // Starts VLC with `vlcArgs` and the headless options only: what to play
  // and which interfaces are the arguments' business, as when the console
  // launches VLC.
  bool StartAsLaunched(const std::vector<std::string>& vlcArgs, std::string* error);

  // Stops VLC and the X server; idempotent.
  void Stop();

  // True once VLC's process is gone (for example after "shutdown").
  bool WaitExited(milliseconds timeout) const;

  // Makes a 640x360 test video of one colour ("0x402020") and returns its
  // path.
  std::string MakeVideo(const std::string& name, const std::string& colour) const;

  // Saves a screenshot of the video area as PNG.
  bool Screenshot(const std::string& path) const;

  const std::string& dir() const { return dir_; }
  const std::string& display() const { return display_; }
  // VLC's process id once started, else -1.
  pid_t pid() const { return vlcPid_; }
  std::string Log() const;

 private:
  std::string EnvValue(const std::string& key) const;

  std::string harness_;
  std::string dir_;
  std::string display_;
  pid_t vlcPid_ = -1;
  bool started_ = false;
};

// A continuous grab of the video area (640x360 at the top-left corner of
// the X screen) as grey frames, through ffmpeg's x11grab, about 50 a
// second. Frames are time-stamped on arrival; Latest and WaitFor are safe
// to call from any thread.
class FrameStream {
 public:
  FrameStream() = default;
  ~FrameStream();
  FrameStream(const FrameStream&) = delete;
  FrameStream& operator=(const FrameStream&) = delete;

  bool Start(const std::string& display, std::string* error);
  void Stop();

  // The newest frame, if any arrived.
  std::optional<GrayFrame> Latest() const;

  // The first frame that arrives after the call (or after `after`, when
  // given) and satisfies `pred`; nothing when the deadline passes.
  std::optional<GrayFrame> WaitFor(const std::function<bool(const GrayFrame&)>& pred,
                                   milliseconds timeout, uint64_t after = 0) const;

  static constexpr int kWidth = 640;
  static constexpr int kHeight = 360;

 private:
  void ReadLoop(int fd);

  pid_t pid_ = -1;
  int fd_ = -1;
  std::thread reader_;
  mutable std::mutex mu_;
  mutable std::condition_variable cv_;
  std::optional<GrayFrame> latest_;
  bool ended_ = false;
};

// A line-oriented TCP client on 127.0.0.1, as the console uses the link:
// lines out with a line feed, whatever comes back collected.
class LineClient {
 public:
  LineClient() = default;
  ~LineClient();
  LineClient(const LineClient&) = delete;
  LineClient& operator=(const LineClient&) = delete;

  // Connects, retrying until `timeout` passes (the listener may be slow).
  bool Connect(int port, milliseconds timeout);
  void Close();

  // Writes `bytes` as they are (add "\n" yourself); false on failure.
  bool SendRaw(std::string_view bytes);
  bool SendLine(std::string_view line) { return SendRaw(std::string(line) + "\n"); }

  // Reads until `pred(received)` holds for everything received since the
  // last Take(), the peer closes, or the deadline passes. Returns pred's
  // final verdict.
  bool ReadUntil(const std::function<bool(const std::string&)>& pred, milliseconds timeout);

  // Reads until the received text ends with `suffix`.
  bool ReadUntilEndsWith(std::string_view suffix, milliseconds timeout);

  // Everything received and not yet taken; clears it.
  std::string Take();
  const std::string& received() const { return received_; }

  // True once the peer closed the link (reading until then, up to the
  // deadline).
  bool WaitClosed(milliseconds timeout);

 private:
  bool ReadSome(Clock::time_point deadline);

  int fd_ = -1;
  bool closed_ = false;
  std::string received_;
};

}  // namespace stanzo::vlctest
