// The parts of the sockets service that are the same on every system: the
// background name lookup and the search of a system's table of error
// numbers. Only the system implementations of Sockets use these.
//
// Threading: the table searches are pure; StartBackgroundLookup may be
// called from any thread.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "platform/sockets.h"

namespace stanzo::platform::internal {

// One of the system's error numbers beside the condition it stands for.
struct ErrorRow {
  int err;
  SocketCondition condition;
};

// The condition of `err` in `table` with `err` as its code: success for 0,
// kOther for a number the table does not hold.
SocketError ErrorFromTable(std::span<const ErrorRow> table, int err);

// The first row of `condition` in `table` (so a table lists the usual
// number of a condition first); code 0 when the table has none.
SocketError ErrorForCondition(std::span<const ErrorRow> table, SocketCondition condition);

// Resolves `host` (free of NULs) to its first IPv4 address in the calling
// thread, without a time limit of its own.
using LookupFn = SocketError (*)(const std::string& host, std::uint32_t* address);

// Looks `host` up with `in_thread` on a detached thread of its own and
// returns the handle the caller waits on; never null. A name with a NUL is
// answered kHostNotFound at once (the resolver would look up the name cut
// short there). When no thread can be had, `in_caller` looks up before
// this returns, as a last resort. The answer lives as long as either side
// holds it, so an abandoned lookup finishes into memory nobody else uses.
std::unique_ptr<NameLookup> StartBackgroundLookup(const std::string& host, LookupFn in_thread,
                                                  LookupFn in_caller);

}  // namespace stanzo::platform::internal
