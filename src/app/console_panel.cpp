#include "app/console_panel.h"

#include <cstdio>

#include "platform/gbk_text.h"
#include "platform/process.h"

namespace orvane {

namespace {

// How long a connection line may wait before it reaches standard output.
constexpr int kWriterTickMs = 100;

}  // namespace

std::string GbkToUtf8(std::string_view gbk) {
  // ASCII is the same in both; the non-ASCII runs of log lines are nearly
  // always the same few words, so the last conversion is kept and reused
  // (iconv is by far the costliest step of writing a line).
  thread_local std::string last_run;
  thread_local std::string last_converted;
  std::string out;
  out.reserve(gbk.size() + gbk.size() / 2);
  std::size_t i = 0;
  while (i < gbk.size()) {
    std::size_t j = i;
    while (j < gbk.size() && static_cast<unsigned char>(gbk[j]) < 0x80) ++j;
    out.append(gbk.substr(i, j - i));
    i = j;
    // The run goes on character by character: a lead byte takes the next
    // byte with it (a trail byte may look like ASCII), until an ASCII
    // character starts.
    while (j < gbk.size() && static_cast<unsigned char>(gbk[j]) >= 0x80) {
      const bool lead =
          static_cast<unsigned char>(gbk[j]) >= 0x81 && static_cast<unsigned char>(gbk[j]) <= 0xFE;
      j += (lead && j + 1 < gbk.size()) ? 2 : 1;
    }
    if (j == i) continue;
    const std::string_view run = gbk.substr(i, j - i);
    if (run != last_run) {
      last_run.assign(run);
      last_converted = platform::ConvertGbkToUtf8(run);
    }
    out.append(last_converted);
    i = j;
  }
  return out;
}

ConsolePanel::ConsolePanel() {
  writer_ = std::thread([this] { WriterMain(); });
}

ConsolePanel::~ConsolePanel() { StopWriter(); }

void ConsolePanel::StopWriter() {
  {
    std::lock_guard<std::mutex> lock(state_mutex_);
    stopping_writer_ = true;
  }
  state_changed_.notify_all();
  if (writer_.joinable()) writer_.join();
}

int ShutdownHeadless(Server& server, ConsolePanel& panel) {
  if (server.FinalShutdown()) return 0;
  const int busy = server.LiveWorkerCount();
  panel.StopWriter();
  if (busy == 1) {
    std::fprintf(stderr, "Stopped; 1 worker was still busy and was ended.\n");
  } else {
    std::fprintf(stderr, "Stopped; %d workers were still busy and were ended.\n", busy);
  }
  std::fflush(stderr);
  platform::EndProcessNow(kExitWorkersEnded);
}

void ConsolePanel::AppendConnectionLog(std::string text) {
  // No wake-up here: the writer drains on its own tick, so a busy server
  // pays for one context switch per batch rather than one per line.
  (void)queue_.Push(LogBox::kConnection, std::move(text));
}

void ConsolePanel::ServerStopped() {
  {
    std::lock_guard<std::mutex> lock(state_mutex_);
    stopped_ = true;
  }
  state_changed_.notify_all();
}

bool ConsolePanel::WaitUntilStopped(int timeout_ms) {
  std::unique_lock<std::mutex> lock(state_mutex_);
  return state_changed_.wait_for(lock, std::chrono::milliseconds(timeout_ms),
                                 [this] { return stopped_; });
}

void ConsolePanel::WriterMain() {
  for (;;) {
    bool stopping;
    {
      std::unique_lock<std::mutex> lock(state_mutex_);
      // Lines are written in batches, every kWriterTickMs at the latest; only
      // the end of the writer wakes it early.
      state_changed_.wait_for(lock, std::chrono::milliseconds(kWriterTickMs),
                              [this] { return stopping_writer_; });
      stopping = stopping_writer_;
    }
    std::string batch;
    for (const LogEntry& entry : queue_.TakeAll()) {
      std::string line = GbkToUtf8(entry.text);
      if (line.size() >= 2 && line.compare(line.size() - 2, 2, "\r\n") == 0) {
        line.erase(line.size() - 2, 1);  // CR LF is the window's line end
      }
      batch += line;
    }
    if (!batch.empty()) {
      std::fwrite(batch.data(), 1, batch.size(), stdout);
      std::fflush(stdout);
    }
    if (stopping) return;
  }
}

}  // namespace orvane
