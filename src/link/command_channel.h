// The command channel: the one road by which anything reaches the player.
//
// It owns the connection flag, the single send operation, the ad-hoc
// history rules and the polling of replies into the log. It reaches the
// window only through ChannelView, so tests can run it on plain data.
//
// Errors: ToggleConnection lets EConvertError (bad port) and the client's
// connect errors propagate; SendCommand lets write errors propagate (the
// history is then not updated); PollReply swallows everything.
// Threading: GUI thread only. SendCommand runs pending events (through
// ChannelView::ProcessEvents) after each send, so other handlers may run
// inside it.
#pragma once

#include <string>

#include "link/tcp_client.h"
#include "text/item_list.h"

namespace stanzo {

class ChannelView {
 public:
  virtual ~ChannelView() = default;
  // The ad-hoc history (items of the ad-hoc combo box), newest first.
  virtual ItemList& History() = 0;
  // Appends one entry (possibly spanning several lines) to the log.
  virtual void AppendLog(const std::string& entry) = 0;
  // Connect button caption and the enabled state of the send controls.
  virtual void ShowConnectionState(bool connected) = 0;
  // Lets the window handle its pending events.
  virtual void ProcessEvents() = 0;
};

class CommandChannel {
 public:
  static constexpr int kHistoryCap = 1000;
  static constexpr int kAdhocHistoryTrim = 100;
  static constexpr int kConnectTimeoutMs = 5000;
  static constexpr int kReadTimeoutMs = 30;
  static constexpr int kPollIntervalMs = 80;

  // Binds the client's events to this channel and sets its port (2323) and
  // read time-out (30 ms, for callers that ask to wait; the poll does not).
  // Both objects must outlive the channel.
  CommandChannel(TIdTCPClient& client, ChannelView& view);
  // Unbinds the client's events, so that a client that lives on never
  // calls into a destroyed channel.
  ~CommandChannel();
  CommandChannel(const CommandChannel&) = delete;
  CommandChannel& operator=(const CommandChannel&) = delete;

  bool IsConnected() const { return connected_; }

  // The Connect/Disconnect button: disconnects when connected, otherwise
  // parses `hostText` ("host" or "host:port") and connects with a 5000 ms
  // time-out; finishes with UpdateConnectionControls unless it threw.
  void ToggleConnection(const std::string& hostText);

  // Sends text + LF in one write, records text as the newest history entry
  // (cap 1000), then lets pending events run. Empty text does nothing.
  void SendCommand(const std::string& text);

  // The ad-hoc button: sends `text` exactly as typed, like SendCommand, but
  // trims the history to 100 entries before recording it. Empty text, or a
  // send that fails, leaves the history untouched (no trim either).
  void SendAdhoc(const std::string& text);

  // One timer tick: takes whatever has arrived, without waiting, and logs
  // it as one "R " entry.
  void PollReply();

  void LogEvent(const std::string& kind, const std::string& text);
  void UpdateConnectionControls();

  // The client's connected and disconnected events; bound by the
  // constructor.
  void TCPCliConnected();
  void TCPCliDisconnected();

 private:
  TIdTCPClient& client_;
  ChannelView& view_;
  bool connected_ = false;
};

}  // namespace stanzo
