#include "support/test_support.h"

#include <atomic>
#include <chrono>
#include <fstream>
#include <iterator>
#include <random>
#include <thread>

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include "platform/clock.h"
#include "platform/codepage.h"
#include "support/server_setup.h"
#include "support/wait.h"

namespace orvane::testing {

void RecordingPanel::AppendConnectionLog(std::string text) {
  std::lock_guard<std::mutex> lock(mutex_);
  connection_log_ += text;
  changed_.notify_all();
}

void RecordingPanel::AppendRequestLog(std::string text) {
  std::lock_guard<std::mutex> lock(mutex_);
  request_log_ += text;
  changed_.notify_all();
}

void RecordingPanel::SetPortText(std::string text) {
  std::lock_guard<std::mutex> lock(mutex_);
  port_text_ = std::move(text);
  changed_.notify_all();
}

void RecordingPanel::SetFolderText(std::string text) {
  std::lock_guard<std::mutex> lock(mutex_);
  folder_text_ = std::move(text);
}

std::string RecordingPanel::PortText() {
  std::lock_guard<std::mutex> lock(mutex_);
  return port_text_;
}

std::string RecordingPanel::FolderText() {
  std::lock_guard<std::mutex> lock(mutex_);
  return folder_text_;
}

void RecordingPanel::ServerStopped() {
  std::lock_guard<std::mutex> lock(mutex_);
  ++stopped_count_;
  changed_.notify_all();
}

int RecordingPanel::StoppedCount() {
  std::lock_guard<std::mutex> lock(mutex_);
  return stopped_count_;
}

std::string RecordingPanel::ConnectionLog() {
  std::lock_guard<std::mutex> lock(mutex_);
  return connection_log_;
}

std::string RecordingPanel::RequestLog() {
  std::lock_guard<std::mutex> lock(mutex_);
  return request_log_;
}

bool RecordingPanel::WaitFor(const std::function<bool()>& done, int timeout_ms) {
  // `done` may call back into the panel, so it runs without the lock; the
  // wait wakes on every change and at least every 20 ms.
  return PollUntil(done, timeout_ms, [this] {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait_for(lock, std::chrono::milliseconds(20));
  });
}

TempSite::TempSite() {
  static std::atomic<int> counter{0};
  std::random_device random;
  path_ = std::filesystem::temp_directory_path() /
          ("orvane-test-" + std::to_string(random()) + "-" + std::to_string(counter++));
  std::filesystem::create_directories(path_);
}

TempSite::~TempSite() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

namespace {

// Test names are written in UTF-8 on every system.
std::filesystem::path FromUtf8(const std::string& name) {
#ifdef _WIN32
  std::wstring wide(name.size(), L'\0');
  const int n = MultiByteToWideChar(CP_UTF8, 0, name.data(), static_cast<int>(name.size()),
                                    wide.data(), static_cast<int>(wide.size()));
  wide.resize(static_cast<std::size_t>(n > 0 ? n : 0));
  return std::filesystem::path(wide);
#else
  return std::filesystem::path(name);
#endif
}

}  // namespace

void TempSite::Write(const std::string& name, const std::string& bytes) {
  const std::filesystem::path file = path_ / FromUtf8(name);
  std::filesystem::create_directories(file.parent_path());
  std::FILE* out = nullptr;
#ifdef _WIN32
  out = _wfopen(file.wstring().c_str(), L"wb");
#else
  out = std::fopen(file.c_str(), "wb");
#endif
  ASSERT_NE(nullptr, out) << name << " errno " << errno;
  std::fwrite(bytes.data(), 1, bytes.size(), out);
  std::fclose(out);
}

void TempSite::MakeFolder(const std::string& name) {
  std::filesystem::create_directories(path_ / FromUtf8(name));
}

std::string TempSite::FolderText() const { return path_.u8string(); }

std::uint16_t FindFreePort() {
  static std::atomic<int> next{0};
  const int base = 20000 + static_cast<int>(platform::MonotonicMillis() % 97) * 120;
  for (int attempt = 0; attempt < 2000; ++attempt) {
    const int port = 20000 + (base - 20000 + next++ * 7 + attempt) % 12000;
    net::NetSocket probe;
    if (!probe.Create()) continue;
    if (probe.Bind(static_cast<std::uint16_t>(port))) {
      return static_cast<std::uint16_t>(port);
    }
  }
  return 0;
}

std::string ReadUntilClosed(net::NetSocket& socket, int timeout_ms, bool* closed) {
  std::string data;
  char buffer[65536];
  const std::int64_t deadline = platform::MonotonicMillis() + timeout_ms;
  if (closed != nullptr) *closed = false;
  for (;;) {
    const std::int64_t left = deadline - platform::MonotonicMillis();
    if (left <= 0) return data;
    const long got = socket.ReceiveSome(buffer, sizeof buffer, static_cast<int>(left));
    if (got == 0) {
      if (closed != nullptr) *closed = true;
      return data;
    }
    if (got < 0) {
      // A time-out leaves `closed` false; an error (a reset) counts as closed.
      if (closed != nullptr) *closed = platform::MonotonicMillis() < deadline;
      return data;
    }
    data.append(buffer, static_cast<std::size_t>(got));
  }
}

std::string Fetch(std::uint16_t port, const std::string& request, int timeout_ms) {
  net::NetSocket socket;
  if (!ConnectLocal(socket, port)) return "<connect failed>";
  if (!socket.SendAll(request, timeout_ms)) return "<send failed>";
  return ReadUntilClosed(socket, timeout_ms);
}

Answer SplitAnswer(const std::string& raw) {
  const std::size_t end = raw.find("\r\n\r\n");
  if (end == std::string::npos) return {raw, ""};
  return {raw.substr(0, end + 4), raw.substr(end + 4)};
}

std::string HeadWithoutDate(const std::string& head) {
  const std::size_t at = head.find("\r\nDate: ");
  if (at == std::string::npos) return head;
  const std::size_t value = at + 8;
  const std::size_t end = head.find("\r\n", value);
  const std::string date = head.substr(value, end - value);
  // "Sun, 06 Dec 2026 14:05:09 GMT"
  const bool well_formed = date.size() == 29 && date[3] == ',' && date.substr(25) == " GMT" &&
                           date[19] == ':' && date[22] == ':';
  return head.substr(0, value) + (well_formed ? "<date>" : "<bad date:" + date + ">") +
         head.substr(end);
}

std::string WithoutDate(const std::string& raw) {
  const Answer a = SplitAnswer(raw);
  return HeadWithoutDate(a.head) + a.body;
}

ServerOptions RunningServer::FastOptions() {
  ServerOptions options;
  // Room for a few answered connections whose slots are still being
  // recycled (the client sees the end of an answer before its slot is free).
  options.slot_count = 32;
  options.receive_deadline_ms = 3000;
  options.send_wait_ms = 3000;
  options.linger_ms = 500;
  options.shutdown_wait_ms = 5000;
  return options;
}

RunningServer::RunningServer(const std::string& folder, ServerOptions options)
    : slot_count(options.slot_count) {
  server = BuildServer(panel, options);
  panel.SetFolderText(folder);
  port = FindFreePort();
  panel.SetPortText(std::to_string(port));
  Start();
}

RunningServer::~RunningServer() {
  if (server) {
    EXPECT_TRUE(StopAndShutDown(*server)) << "a worker outlived the shutdown wait";
  }
}

bool RunningServer::Start() {
  // As the window does: the boxes settled, the port written back.
  const ServerSettings settings =
      SettleServerSettings(panel.PortText(), panel.FolderText(), platform::AnsiCodePage());
  panel.SetPortText(DecimalText(settings.port));
  last_start = server->StartServer(settings);
  return Running();
}

bool RunningServer::Stop(int timeout_ms) {
  server->StopServer();
  return panel.WaitFor([this] { return !server->Running(); }, timeout_ms);
}

bool RunningServer::WaitAllSlotsFree(int timeout_ms) {
  Server* s = server.get();
  const int all = slot_count;
  return panel.WaitFor(
      [s, all] {
        // One slot is the waiting worker's while the server runs.
        return all - s->TestFreeSlotCount() <= 1;
      },
      timeout_ms);
}

std::map<std::string, std::string> Held(const std::filesystem::path& folder) {
  std::map<std::string, std::string> held;
  for (const std::filesystem::directory_entry& entry :
       std::filesystem::directory_iterator(folder)) {
    std::ifstream in(entry.path(), std::ios::binary);
    held[entry.path().filename().u8string()] =
        std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  return held;
}

}  // namespace orvane::testing
