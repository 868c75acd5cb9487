#include "remote/remote_hub.h"

namespace stanzo::remote {

void RemoteHub::SetWake(std::function<void()> wake) {
  std::lock_guard lock(mutex_);
  wake_ = std::move(wake);
}

std::optional<Reply> RemoteHub::Call(Task task, std::chrono::milliseconds deadline) {
  auto pending = std::make_shared<Pending>();
  pending->task = std::move(task);
  std::function<void()> wake;
  {
    std::lock_guard lock(mutex_);
    if (closed_) return std::nullopt;
    queue_.push_back(pending);
    wake = wake_;
  }
  if (wake) wake();
  std::unique_lock lock(mutex_);
  const auto until = std::chrono::steady_clock::now() + deadline;
  while (!pending->done && !closed_) {
    if (taskDone_.wait_until(lock, until) == std::cv_status::timeout && !pending->done) {
      if (!pending->started) {
        pending->withdrawn = true;
        return std::nullopt;
      }
      // Running on the GUI thread now: its answer is the truth, wait for it.
      taskDone_.wait(lock, [&] { return pending->done || closed_; });
    }
  }
  if (!pending->done) {
    pending->withdrawn = true;
    return std::nullopt;
  }
  return pending->reply;
}

int RemoteHub::RunPending() {
  int ran = 0;
  for (;;) {
    std::shared_ptr<Pending> p;
    {
      std::lock_guard lock(mutex_);
      if (queue_.empty()) return ran;
      p = std::move(queue_.front());
      queue_.pop_front();
      if (p->withdrawn || closed_) continue;
      p->started = true;
    }
    Reply r;
    try {
      r = p->task();
    } catch (const std::exception& e) {
      r = {500, e.what()};
    }
    ++ran;
    {
      std::lock_guard lock(mutex_);
      p->reply = std::move(r);
      p->done = true;
    }
    taskDone_.notify_all();
  }
}

void RemoteHub::Publish(const std::string& state, const std::string& overlay) {
  {
    std::lock_guard lock(mutex_);
    if (state == latest_.state && overlay == latest_.overlay) return;
    latest_.state = state;
    latest_.overlay = overlay;
    ++latest_.version;
  }
  published_.notify_all();
}

Snapshot RemoteHub::Latest() const {
  std::lock_guard lock(mutex_);
  return latest_;
}

Snapshot RemoteHub::WaitNewer(std::uint64_t version, std::chrono::milliseconds deadline) {
  std::unique_lock lock(mutex_);
  published_.wait_for(lock, deadline, [&] { return closed_ || latest_.version > version; });
  return latest_;
}

void RemoteHub::Close() {
  {
    std::lock_guard lock(mutex_);
    closed_ = true;
    queue_.clear();
  }
  taskDone_.notify_all();
  published_.notify_all();
}

bool RemoteHub::Closed() const {
  std::lock_guard lock(mutex_);
  return closed_;
}

}  // namespace stanzo::remote
