#include "link/command_channel.h"

#include "link/host_port.h"

namespace stanzo {

namespace {

constexpr int kNoTrim = -1;

// The one send path: text + LF in one write, then the history, then the
// window's pending events. The history is touched only after the write has
// succeeded, so a failed send changes nothing the operator can see.
void SendLine(TIdTCPClient& client, ChannelView& view, const std::string& text, int trimTo) {
  if (text.empty()) return;
  std::string line;
  line.reserve(text.size() + 1);
  line += text;
  line += '\n';
  client.Write(line);
  ItemList& history = view.History();
  if (trimTo != kNoTrim) TrimTo(history, trimTo);
  RecordNewest(history, text, CommandChannel::kHistoryCap);
  view.ProcessEvents();
}

}  // namespace

CommandChannel::CommandChannel(TIdTCPClient& client, ChannelView& view)
    : client_(client), view_(view) {
  client_.Port = kDefaultPort;
  client_.ReadTimeout = kReadTimeoutMs;
  client_.OnConnected = [this](TIdTCPClient&) { TCPCliConnected(); };
  client_.OnDisconnected = [this](TIdTCPClient&) { TCPCliDisconnected(); };
}

CommandChannel::~CommandChannel() {
  client_.OnConnected = nullptr;
  client_.OnDisconnected = nullptr;
}

void CommandChannel::ToggleConnection(const std::string& hostText) {
  if (connected_) {
    client_.Disconnect();
    // Disconnect fires OnDisconnected only for a link that was still open.
    // If the link went away without that event (a connect whose handler
    // failed after the flag was set), the flag would otherwise claim a link
    // that no longer exists, with no way out short of a restart.
    if (connected_) TCPCliDisconnected();
  } else {
    const HostPort target = ParseHostPort(hostText);
    client_.Host = target.host;
    client_.Port = target.port;
    client_.Connect(kConnectTimeoutMs);
  }
  UpdateConnectionControls();
}

void CommandChannel::SendCommand(const std::string& text) {
  SendLine(client_, view_, text, kNoTrim);
}

void CommandChannel::SendAdhoc(const std::string& text) {
  SendLine(client_, view_, text, kAdhocHistoryTrim);
}

void CommandChannel::PollReply() {
  std::string chunk;
  try {
    // Never waits: a tick runs inside SendCommand too, between the two
    // lines of a slide, and behind the operator's clicks.
    chunk = client_.ReadArrived();
  } catch (...) {
    // A read error never reaches the operator.
    return;
  }
  if (!chunk.empty()) LogEvent("R", chunk);
}

void CommandChannel::LogEvent(const std::string& kind, const std::string& text) {
  std::string entry;
  entry.reserve(kind.size() + 1 + text.size());
  entry += kind;
  entry += ' ';
  entry += text;
  view_.AppendLog(entry);
}

void CommandChannel::UpdateConnectionControls() {
  view_.ShowConnectionState(IsConnected());
}

void CommandChannel::TCPCliConnected() {
  connected_ = true;
  LogEvent("E", "Connected");
  UpdateConnectionControls();
}

void CommandChannel::TCPCliDisconnected() {
  connected_ = false;
  LogEvent("E", "Disconnected");
  UpdateConnectionControls();
}

}  // namespace stanzo
