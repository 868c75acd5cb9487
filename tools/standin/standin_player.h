// StandinPlayer: a scriptable peer that plays the player's side of the rc
// link on loopback, for tests, benchmarks and manual trials.
//
// It listens on 127.0.0.1 and serves any number of clients from one
// background thread. Every byte a client sends is split into lines at LF
// and recorded with its arrival time and the client's id; the LF is dropped,
// everything else (CR, NUL, any byte) is kept exactly. Replies are scripted:
// a greeting on connect, an optional reply per received line looked up in a
// table (exact line -> reply text), and raw bytes on demand. The test can
// also close the link gracefully, reset it, or stop reading so that a
// client's writes back up and eventually block.
//
// Threading: every public method may be called from any thread, except
// that none may be called from inside Options::on_line (which runs on the
// serving thread). The commands (Send, CloseAll, ResetAll, PauseReading,
// ResumeReading) are carried out by the serving thread in call order and
// have taken effect when they return: bytes are queued and a first
// non-blocking send has been tried, a FIN or RST has been sent.
//
// Errors: the constructor throws std::system_error when it cannot listen.
// Nothing after that throws; a misbehaving client (garbage, huge lines, a
// reset) only ends that client's connection.
//
// Lifetime: the destructor stops and joins the thread and closes every
// socket (plainly, without waiting for anyone).
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace stanzo {

// What VLC 3's rc interface writes to a new client.
inline constexpr std::string_view kVlc3Greeting =
    "VLC media player 3.0.24 Vetinari\n"
    "Command Line Interface initialized. Type `help' for help.\r\n"
    "> ";

struct ReceivedLine {
  int client = 0;                            // 1 for the first accepted client, then 2, 3, ...
  std::string text;                          // the bytes before the LF, CR included
  bool complete = true;                      // false: cut at max_line_bytes, or the client left
                                             // without ending its last line
  std::chrono::steady_clock::time_point at;  // when its last byte was read
};

class StandinPlayer {
 public:
  struct Options {
    uint16_t port = 0;  // 0: the OS picks one (see Port())
    // Sent to every new client; empty sends nothing.
    std::string greeting = std::string(kVlc3Greeting);
    // Appended after every scripted reply (VLC 3 style: line end + prompt).
    std::string reply_suffix = "\r\n> ";
    // Sent for a received line that has no reply in the table ("" = nothing;
    // "> " mimics a prompt after every command).
    std::string unmatched_reply;
    // SO_RCVBUF for accepted sockets (0 = OS default). Small values make a
    // paused player back a client up sooner.
    int receive_buffer = 0;
    // A longer line is recorded in pieces of this size, whatever the
    // arrival; only the last piece counts as complete. 0 counts as 1.
    std::size_t max_line_bytes = 16u << 20;
    // Called on the serving thread for every line, without locks held,
    // before the line counts for Lines() and the waits. Must not call back
    // into the player.
    std::function<void(const ReceivedLine&)> on_line;
  };

  StandinPlayer();
  explicit StandinPlayer(Options options);
  ~StandinPlayer();
  StandinPlayer(const StandinPlayer&) = delete;
  StandinPlayer& operator=(const StandinPlayer&) = delete;

  // The listening port.
  uint16_t Port() const;

  // The reply table; a line is looked up exactly as recorded. A reply goes
  // to the client that sent the line, followed by Options::reply_suffix.
  void SetReply(const std::string& line, const std::string& reply);
  void SetReplies(std::map<std::string, std::string> replies);
  // Greeting for clients accepted from now on ("" = none).
  void SetGreeting(const std::string& greeting);

  // Queues raw bytes for every connected client.
  void Send(std::string_view bytes);
  // Graceful close of every client: queued bytes are flushed first, then a
  // FIN; the socket is closed when the client closes its side (or after
  // about two seconds). Bytes still arriving meanwhile are recorded.
  void CloseAll();
  // Abortive close of every client (SO_LINGER 0, then close): an RST.
  void ResetAll();
  // Stops / resumes reading from all clients, present and future. While
  // paused nothing is recorded and a client's close is not noticed.
  void PauseReading();
  void ResumeReading();

  // Snapshots.
  std::vector<ReceivedLine> Lines() const;
  std::vector<std::string> LineTexts() const;
  std::size_t LineCount() const;
  int ConnectedCount() const;  // clients whose socket is still open here
  int AcceptedCount() const;   // clients accepted since start
  int GoneCount() const;       // clients whose socket is closed, either side

  // Waits with a deadline; true when the condition holds.
  // At least `n` lines recorded since start.
  bool WaitForLines(std::size_t n, std::chrono::milliseconds timeout) const;
  // At least `n` clients accepted since start.
  bool WaitForClients(int n, std::chrono::milliseconds timeout) const;
  // At least `n` clients gone since start (counts are cumulative, so a test
  // can wait for the end of its second connection with n = 2).
  bool WaitForDisconnect(std::chrono::milliseconds timeout, int n = 1) const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace stanzo
