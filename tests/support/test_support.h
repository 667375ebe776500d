// Helpers for driving the service over real sockets on 127.0.0.1.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "http/operator_panel.h"
#include "http/server.h"
#include "net/net_socket.h"
#include "support/test_client.h"

namespace orvane::testing {

// An operator panel that records everything and can be waited on.
class RecordingPanel : public OperatorPanel {
 public:
  void AppendConnectionLog(std::string text) override;
  void AppendRequestLog(std::string text) override;
  void ServerStopped() override;

  // The texts of the window's port and site-folder boxes, which
  // RunningServer::Start settles as the window does.
  void SetPortText(std::string text);
  void SetFolderText(std::string text);
  std::string PortText();
  std::string FolderText();
  std::string ConnectionLog();
  std::string RequestLog();
  // How often the server told that it stopped.
  int StoppedCount();
  // Waits until `done` holds (checked on every change), at most timeout_ms.
  bool WaitFor(const std::function<bool()>& done, int timeout_ms);

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::string port_text_ = "80";
  std::string folder_text_;
  int stopped_count_ = 0;
  std::string connection_log_;
  std::string request_log_;
};

// A fresh folder under the system's temporary folder, removed at the end.
class TempSite {
 public:
  TempSite();
  ~TempSite();
  const std::filesystem::path& path() const { return path_; }
  // Writes a file (name relative to the site, "/" separated, UTF-8).
  void Write(const std::string& name, const std::string& bytes);
  void MakeFolder(const std::string& name);
  // The folder as the site-folder box hands it to the service (UTF-8).
  std::string FolderText() const;

 private:
  std::filesystem::path path_;
};

// A port in 20000-32000 that nobody listens on now (the server only takes
// ports up to 32767, so the system's ephemeral range is no use).
std::uint16_t FindFreePort();

// A listening socket on a port the system picks, with one accepted
// connection to it.
struct ConnectedPair {
  net::NetSocket listener;
  net::NetSocket client;
  net::NetSocket server_side;
  std::uint16_t port = 0;

  bool Open() {
    port = ListenLocalOnAnyPort(listener);
    return port != 0 && ConnectLocal(client, port) && listener.Accept(server_side);
  }
};

// Reads until the peer closes or timeout_ms passes; `closed` tells which.
std::string ReadUntilClosed(net::NetSocket& socket, int timeout_ms, bool* closed = nullptr);

// One request on a new connection; the whole answer.
std::string Fetch(std::uint16_t port, const std::string& request, int timeout_ms = 5000);

// Splits an answer into head (through the empty line) and body.
struct Answer {
  std::string head;
  std::string body;
};
Answer SplitAnswer(const std::string& raw);
// The head with its Date value replaced by "<date>" after checking its form.
std::string HeadWithoutDate(const std::string& head);
// A whole answer, head and body, with its Date value replaced the same way.
std::string WithoutDate(const std::string& raw);

// Every file of `folder`, its name (UTF-8) to its bytes: what a folder that
// receives uploads holds.
std::map<std::string, std::string> Held(const std::filesystem::path& folder);

// A server on a free port, started with the given options and site folder.
struct RunningServer {
  RecordingPanel panel;
  std::unique_ptr<Server> server;
  std::uint16_t port = 0;
  int slot_count = 0;
  StartResult last_start;

  explicit RunningServer(const std::string& folder, ServerOptions options = FastOptions());
  ~RunningServer();
  bool Running() { return server->Running(); }
  // StopServer, then waits until the server no longer runs.
  bool Stop(int timeout_ms = 5000);
  bool Start();
  // Waits until every slot is free again (but the waiter's while it runs).
  bool WaitAllSlotsFree(int timeout_ms = 5000);
  static ServerOptions FastOptions();
};

}  // namespace orvane::testing
