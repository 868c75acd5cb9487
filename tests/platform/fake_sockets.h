// Sockets whose far side the test plays: the peer (accepts, refuses or
// never answers a connect; takes only so many bytes; sends, closes, resets)
// and the resolver (answers, fails or never answers). Time is a
// ManualClock: a wait that cannot end advances it by its whole time-out,
// so time-outs pass at once and exactly; a wait without limit that could
// never end throws std::logic_error instead of hanging the test.
//
// One socket at a time, one thread. Error codes are those of Windows
// Sockets, whatever the system, so messages read the same everywhere.
#pragma once

#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/manual_clock.h"
#include "platform/sockets.h"

namespace stanzo::testing {

class FakeSockets final : public platform::Sockets {
 public:
  using C = platform::SocketCondition;
  using Error = platform::SocketError;
  static constexpr std::int64_t kNever = -1;
  static constexpr std::size_t kNoLimit = std::numeric_limits<std::size_t>::max();

  explicit FakeSockets(ManualClock& clock) : clock_(clock) {}

  // --- script, set before the call that uses it
  enum class Answer { kAccept, kRefuse, kSilent };
  Answer connect_answer = Answer::kAccept;
  std::int64_t connect_delay_ms = 0;          // after StartConnect, until the answer
  std::int64_t lookup_delay_ms = 0;           // kNever: the resolver never answers
  bool lookup_finds = true;                   // false: "Host not found."
  std::uint32_t lookup_address = 0x0A000001;  // 10.0.0.1
  std::size_t send_room = kNoLimit;           // bytes taken before the socket stalls

  // --- faults on the open link
  void PeerSends(const std::string& bytes) { incoming_ += bytes; }
  void PeerCloses() { peer_closed_ = true; }
  // The next send or receive fails with a reset; later sends find the
  // socket shut down and later receives read nothing, as Linux reports.
  void PeerResets() { reset_ = Reset::kPending; }

  // --- what the test sees
  std::string wire;  // every byte the client handed over
  int lookups = 0;
  int open_sockets = 0;
  std::uint32_t connected_address = 0;
  std::uint16_t connected_port = 0;

  bool Started() override { return true; }

  Error Create(platform::SocketHandle* handle) override {
    *handle = ++last_handle_;
    ++open_sockets;
    incoming_.clear();
    peer_closed_ = false;
    reset_ = Reset::kNone;
    return {};
  }
  Error BindAny(platform::SocketHandle) override { return {}; }
  Error StartConnect(platform::SocketHandle, std::uint32_t address, std::uint16_t port) override {
    connected_address = address;
    connected_port = port;
    answer_at_ = connect_answer == Answer::kSilent ? kNever : clock_.NowMs() + connect_delay_ms;
    return ErrorFor(C::kInProgress);
  }
  Error ConnectResult(platform::SocketHandle) override {
    answer_at_ = kEstablished;
    return connect_answer == Answer::kRefuse ? ErrorFor(C::kConnectionRefused) : Error{};
  }

  bool WaitReadable(platform::SocketHandle, int timeout_ms) override {
    return Ready(!incoming_.empty() || peer_closed_ || reset_ != Reset::kNone, timeout_ms);
  }
  bool WaitWritable(platform::SocketHandle, int timeout_ms) override {
    if (answer_at_ != kEstablished) return WaitUntil(answer_at_, timeout_ms);  // connecting
    return Ready(send_room > 0 || reset_ != Reset::kNone, timeout_ms);
  }

  Error Send(platform::SocketHandle, const char* data, std::size_t size,
             std::size_t* sent) override {
    *sent = 0;
    if (reset_ == Reset::kPending) {
      reset_ = Reset::kSeen;
      return ErrorFor(C::kConnectionReset);
    }
    if (reset_ == Reset::kSeen) return ErrorFor(C::kShutDown);
    if (send_room == 0) return ErrorFor(C::kWouldBlock);
    *sent = std::min(size, send_room);
    if (send_room != kNoLimit) send_room -= *sent;
    wire.append(data, *sent);
    return {};
  }
  Error Receive(platform::SocketHandle, char* buffer, std::size_t capacity,
                std::size_t* received) override {
    *received = std::min(capacity, incoming_.size());
    if (*received > 0) {
      incoming_.copy(buffer, *received);
      incoming_.erase(0, *received);
      return {};
    }
    if (reset_ == Reset::kPending) {
      reset_ = Reset::kSeen;
      return ErrorFor(C::kConnectionReset);
    }
    if (peer_closed_ || reset_ == Reset::kSeen) return {};
    return ErrorFor(C::kWouldBlock);
  }

  void ShutdownSend(platform::SocketHandle) override {}
  void Close(platform::SocketHandle) override { --open_sockets; }

  std::unique_ptr<platform::NameLookup> StartLookup(const std::string&) override {
    ++lookups;
    const std::int64_t at = lookup_delay_ms == kNever ? kNever : clock_.NowMs() + lookup_delay_ms;
    return std::make_unique<Lookup>(*this, at);
  }

  Error ErrorFor(C condition) override {
    switch (condition) {
      case C::kInvalidArgument:
        return {condition, 10022};
      case C::kWouldBlock:
        return {condition, 10035};
      case C::kInProgress:
        return {condition, 10036};
      case C::kConnectionReset:
        return {condition, 10054};
      case C::kShutDown:
        return {condition, 10058};
      case C::kTimedOut:
        return {condition, 10060};
      case C::kConnectionRefused:
        return {condition, 10061};
      case C::kHostNotFound:
        return {condition, platform::kHostNotFoundCode};
      default:
        return {condition, 10000 + static_cast<int>(condition)};
    }
  }

 private:
  static constexpr std::int64_t kEstablished = -2;
  enum class Reset { kNone, kPending, kSeen };

  class Lookup final : public platform::NameLookup {
   public:
    Lookup(FakeSockets& owner, std::int64_t at) : owner_(owner), at_(at) {}
    bool Wait(int timeout_ms) override { return owner_.WaitUntil(at_, timeout_ms); }
    platform::SocketError Result(std::uint32_t* address) override {
      if (!owner_.lookup_finds) return owner_.ErrorFor(C::kHostNotFound);
      *address = owner_.lookup_address;
      return {};
    }

   private:
    FakeSockets& owner_;
    const std::int64_t at_;
  };

  // A wait for the moment `at` (kNever: a moment that never comes): true
  // once it has come, at most `timeout_ms` later.
  bool WaitUntil(std::int64_t at, int timeout_ms) {
    const std::int64_t now = clock_.NowMs();
    if (at != kNever && now >= at) return true;
    if (at != kNever && (timeout_ms < 0 || at - now <= timeout_ms)) {
      clock_.Advance(at - now);
      return true;
    }
    if (timeout_ms < 0) throw std::logic_error("waits for ever for something that never comes");
    clock_.Advance(timeout_ms);
    return false;
  }

  // A wait on a state only the test changes: true at once, or never.
  bool Ready(bool ready, int timeout_ms) {
    return WaitUntil(ready ? clock_.NowMs() : kNever, timeout_ms);
  }

  ManualClock& clock_;
  platform::SocketHandle last_handle_ = 100;
  std::string incoming_;
  bool peer_closed_ = false;
  Reset reset_ = Reset::kNone;
  std::int64_t answer_at_ = kEstablished;  // while connecting: when the peer answers
};

// The lines of `wire` (FakeSockets' bytes handed over), in order, each
// without its line feed; an unfinished last line is left out.
inline std::vector<std::string> WireLines(const std::string& wire) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = wire.find('\n', start)) != std::string::npos; start = end + 1)
    lines.push_back(wire.substr(start, end - start));
  return lines;
}

}  // namespace stanzo::testing
