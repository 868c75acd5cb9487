// RemoteHub: where the remote's server threads meet the console's GUI
// thread. Every request that reads or changes the console becomes a task;
// the GUI thread runs the queued tasks when it is woken (or at its next
// timer tick) and the server thread waits for the answer with a deadline.
// The GUI thread never waits for the network: it only takes tasks and
// publishes snapshots.
//
// Threading: Call, Latest, WaitNewer and Close from any thread;
// RunPending and Publish on the GUI thread only. The wake function runs on
// the calling server thread and must only post to the GUI thread.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace stanzo::remote {

struct Reply {
  int status = 200;
  std::string body;  // JSON for the API
};

struct Snapshot {
  std::uint64_t version = 0;  // grows with each publish that changed something
  std::string state;          // StateJson
  std::string overlay;        // the overlays as the overlay page draws them
};

class RemoteHub {
 public:
  using Task = std::function<Reply()>;

  // Called whenever a task is queued, from the queuing thread.
  void SetWake(std::function<void()> wake);

  // Queues `task` for the GUI thread and waits for its reply. If `deadline`
  // passes before the task starts it is withdrawn (it will never run) and
  // the answer is nullopt; a task that has started is waited for to its end.
  // Also nullopt once Close()d.
  std::optional<Reply> Call(Task task, std::chrono::milliseconds deadline);

  // GUI thread: runs the tasks queued so far, in order. Returns how many ran.
  int RunPending();
  // GUI thread: the console's state and overlays now; waiters wake only
  // when either differs from the last publish.
  void Publish(const std::string& state, const std::string& overlay);

  Snapshot Latest() const;
  // Waits until a snapshot newer than `version` is published, Close() is
  // called, or `deadline` passes. Returns the latest snapshot.
  Snapshot WaitNewer(std::uint64_t version, std::chrono::milliseconds deadline);

  // Wakes every waiter and refuses new calls; queued tasks never run.
  void Close();
  bool Closed() const;

 private:
  struct Pending {
    Task task;
    bool started = false;
    bool withdrawn = false;
    bool done = false;
    Reply reply;
  };

  mutable std::mutex mutex_;
  // Apart, so a finished task wakes only its caller and a publish only the
  // pushes (many open pages must not wake for every request).
  std::condition_variable taskDone_;   // a task finished, or closed
  std::condition_variable published_;  // a new snapshot, or closed
  std::function<void()> wake_;
  std::deque<std::shared_ptr<Pending>> queue_;
  Snapshot latest_;
  bool closed_ = false;
};

}  // namespace stanzo::remote
