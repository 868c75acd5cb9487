#include "platform/sockets_common.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

namespace stanzo::platform::internal {
namespace {

// The answer of one lookup, shared by the caller's handle and the thread
// that looks up: whichever lets go last frees it.
struct LookupState {
  std::mutex mu;
  std::condition_variable answered;
  bool done = false;
  SocketError error;
  std::uint32_t address = 0;

  void Finish(SocketError e, std::uint32_t a) {
    {
      std::lock_guard lock(mu);
      error = e;
      address = a;
      done = true;
    }
    answered.notify_all();
  }
};

class BackgroundLookup final : public NameLookup {
 public:
  explicit BackgroundLookup(std::shared_ptr<LookupState> state) : state_(std::move(state)) {}

  bool Wait(int timeout_ms) override {
    std::unique_lock lock(state_->mu);
    const auto done = [this] { return state_->done; };
    if (timeout_ms < 0) {
      state_->answered.wait(lock, done);
    } else {
      state_->answered.wait_for(lock, std::chrono::milliseconds(timeout_ms), done);
    }
    return state_->done;
  }

  SocketError Result(std::uint32_t* address) override {
    std::lock_guard lock(state_->mu);
    *address = state_->address;
    return state_->error;
  }

 private:
  std::shared_ptr<LookupState> state_;
};

}  // namespace

SocketError ErrorFromTable(std::span<const ErrorRow> table, int err) {
  if (err == 0) return {};
  for (const auto& row : table) {
    if (row.err == err) return {row.condition, err};
  }
  return {SocketCondition::kOther, err};
}

SocketError ErrorForCondition(std::span<const ErrorRow> table, SocketCondition condition) {
  for (const auto& row : table) {
    if (row.condition == condition) return {condition, row.err};
  }
  return {condition, 0};
}

std::unique_ptr<NameLookup> StartBackgroundLookup(const std::string& host, LookupFn in_thread,
                                                  LookupFn in_caller) {
  auto state = std::make_shared<LookupState>();
  if (host.find('\0') != std::string::npos) {
    state->Finish({SocketCondition::kHostNotFound, kHostNotFoundCode}, 0);
  } else {
    try {
      std::thread([state, host, in_thread] {
        std::uint32_t address = 0;
        const SocketError error = in_thread(host, &address);
        state->Finish(error, address);
      }).detach();
    } catch (const std::system_error&) {
      std::uint32_t address = 0;
      const SocketError error = in_caller(host, &address);
      state->Finish(error, address);
    }
  }
  return std::make_unique<BackgroundLookup>(std::move(state));
}

}  // namespace stanzo::platform::internal
