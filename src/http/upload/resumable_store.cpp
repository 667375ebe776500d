#include "http/upload/resumable_store.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include "http/upload/resumable_rules.h"
#include "platform/clock.h"
#include "platform/codepage.h"

namespace orvane {

namespace {

// How often a request waiting for a busy upload looks again.
constexpr int kBusyPollMs = 10;
// How many whole uploads are remembered for their clients' HEAD.
constexpr std::size_t kMaxFinishedKept = 4096;

}  // namespace

ResumableStore::~ResumableStore() { RemoveAll(false); }

ResumableStore::Lease::Lease(Lease&& other) noexcept
    : store_(std::exchange(other.store_, nullptr)),
      row_(std::exchange(other.row_, nullptr)),
      id_(std::move(other.id_)) {}

ResumableStore::Lease& ResumableStore::Lease::operator=(Lease&& other) noexcept {
  if (this != &other) {
    if (row_ != nullptr) Return(row_->offset, row_->last_byte_ms);
    store_ = std::exchange(other.store_, nullptr);
    row_ = std::exchange(other.row_, nullptr);
    id_ = std::move(other.id_);
  }
  return *this;
}

ResumableStore::Lease::~Lease() {
  // Read without the lock: while the row is checked out, only its holder
  // changes its offset and time.
  if (row_ != nullptr) Return(row_->offset, row_->last_byte_ms);
}

std::uint64_t ResumableStore::Lease::offset() const { return row_->offset; }
std::uint64_t ResumableStore::Lease::length() const { return row_->length; }

platform::UploadFile* ResumableStore::Lease::file() { return row_->file ? &*row_->file : nullptr; }

void ResumableStore::Lease::SetFile(platform::UploadFile file) { row_->file = std::move(file); }

void ResumableStore::Lease::Return(std::uint64_t offset, std::int64_t last_byte_ms) {
  std::unique_ptr<Row> removed;
  {
    platform::LockGuard guard(store_->lock_);
    if (row_->offset != offset) row_->told_paused = false;
    row_->offset = offset;
    row_->last_byte_ms = last_byte_ms;
    row_->busy = false;
    row_->holder = nullptr;
    if (row_->doomed) removed = store_->TakeLocked(id_);
  }
  row_ = nullptr;
}

ResumableStore::Lease::Whole ResumableStore::Lease::Finish() {
  std::unique_ptr<Row> row;
  {
    platform::LockGuard guard(store_->lock_);
    row = store_->TakeLocked(id_);
    auto& finished = store_->finished_;
    if (finished.size() >= kMaxFinishedKept) {
      finished.erase(std::min_element(
          finished.begin(), finished.end(),
          [](const auto& a, const auto& b) { return a.second.at_ms < b.second.at_ms; }));
    }
    finished[id_] = Finished{row->length, platform::MonotonicMillis()};
  }
  row_ = nullptr;
  return Whole{std::move(row->file), std::move(row->name), row->modified_ms};
}

void ResumableStore::Lease::End() {
  std::unique_ptr<Row> removed;
  {
    platform::LockGuard guard(store_->lock_);
    removed = store_->TakeLocked(id_);
  }
  row_ = nullptr;
}

std::unique_ptr<ResumableStore::Row> ResumableStore::TakeLocked(const std::string& id) {
  const auto found = rows_.find(id);
  if (found == rows_.end()) return nullptr;
  std::unique_ptr<Row> row = std::move(found->second);
  rows_.erase(found);
  return row;
}

ResumableStore::Status ResumableStore::Reserve(const std::string& id, std::uint64_t length,
                                               std::string name,
                                               std::optional<std::int64_t> modified_ms,
                                               std::optional<std::uint64_t> room,
                                               net::NetSocket* holder, std::int64_t now_ms,
                                               Lease& lease) {
  auto row = std::make_unique<Row>();
  row->length = length;
  row->name = std::move(name);
  row->modified_ms = modified_ms;
  row->last_byte_ms = now_ms;
  row->busy = true;
  row->holder = holder;
  Lease taken;
  taken.store_ = this;
  taken.row_ = row.get();
  taken.id_ = id;
  {
    platform::LockGuard guard(lock_);
    std::uint64_t needed = length;
    for (const auto& [other_id, other] : rows_) needed += other->length - other->offset;
    if (rows_.size() >= kMaxUnfinishedUploads) {
      taken.row_ = nullptr;
      return Status::kTooMany;
    }
    if (room && (needed > *room || needed < length)) {
      taken.row_ = nullptr;
      return Status::kNoRoom;
    }
    if (!rows_.emplace(id, std::move(row)).second) {
      taken.row_ = nullptr;
      return Status::kUnknown;
    }
  }
  lease = std::move(taken);
  return Status::kOk;
}

template <typename Act>
ResumableStore::Status ResumableStore::WhenFree(std::string_view id, int wait_ms, Act act) {
  const std::int64_t give_up = platform::MonotonicMillis() + wait_ms;
  bool interrupted = false;
  for (;;) {
    {
      platform::LockGuard guard(lock_);
      const auto found = rows_.find(id);
      if (found == rows_.end() || found->second->doomed) return Status::kUnknown;
      Row& row = *found->second;
      if (!row.busy) {
        act(found->first, row);
        return Status::kOk;
      }
      // Under the lock, so the holder cannot check in and let its connection
      // go meanwhile; an interrupt only shuts the socket down and sets a
      // flag, and never blocks.
      if (!interrupted && row.holder != nullptr) {
        row.holder->Interrupt();
        interrupted = true;
      }
    }
    if (platform::MonotonicMillis() >= give_up) return Status::kBusy;
    platform::SleepMillis(kBusyPollMs);
  }
}

ResumableStore::Status ResumableStore::Checkout(std::string_view id, net::NetSocket* holder,
                                                int wait_ms, Lease& lease) {
  Lease taken;
  const Status status = WhenFree(id, wait_ms, [&](const std::string& key, Row& row) {
    row.busy = true;
    row.holder = holder;
    taken.store_ = this;
    taken.row_ = &row;
    taken.id_ = key;
  });
  if (status == Status::kOk) lease = std::move(taken);
  return status;
}

ResumableStore::Status ResumableStore::Look(std::string_view id, int wait_ms, std::int64_t now_ms,
                                            State& state) {
  {
    platform::LockGuard guard(lock_);
    const auto found = finished_.find(id);
    if (found != finished_.end()) {
      state = State{found->second.length, found->second.length, now_ms - found->second.at_ms};
      return Status::kOk;
    }
  }
  return WhenFree(id, wait_ms, [&](const std::string&, Row& row) {
    state = State{row.offset, row.length, now_ms - row.last_byte_ms};
  });
}

std::uint64_t ResumableStore::StillNeeded() {
  platform::LockGuard guard(lock_);
  std::uint64_t needed = 0;
  for (const auto& [id, row] : rows_) needed += row->length - row->offset;
  return needed;
}

void ResumableStore::Sweep(std::int64_t now_ms) {
  std::vector<std::unique_ptr<Row>> removed;
  std::vector<std::string> lines;
  {
    platform::LockGuard guard(lock_);
    for (auto it = finished_.begin(); it != finished_.end();) {
      it = now_ms - it->second.at_ms >= kExpiresAfterMs ? finished_.erase(it) : std::next(it);
    }
    for (auto it = rows_.begin(); it != rows_.end();) {
      Row& row = *it->second;
      const IdleStep step =
          row.busy ? IdleStep::kNothing : StepForIdle(now_ms - row.last_byte_ms, row.told_paused);
      if (step == IdleStep::kRemove) {
        lines.push_back(RemovedLogLine(platform::Utf8ToLogText(row.name)));
        removed.push_back(std::move(it->second));
        it = rows_.erase(it);
        continue;
      }
      if (step == IdleStep::kTellPaused) {
        row.told_paused = true;
        lines.push_back(PausedLogLine(platform::Utf8ToLogText(row.name), row.offset, row.length));
      }
      ++it;
    }
  }
  removed.clear();  // the files go here, outside the lock
  Tell(lines);
}

void ResumableStore::RemoveAll(bool tell) {
  std::vector<std::unique_ptr<Row>> removed;
  std::vector<std::string> lines;
  {
    platform::LockGuard guard(lock_);
    for (auto it = rows_.begin(); it != rows_.end();) {
      Row& row = *it->second;
      if (tell && !row.doomed) {
        lines.push_back(RemovedLogLine(platform::Utf8ToLogText(row.name)));
      }
      if (row.busy) {
        row.doomed = true;  // its holder removes it as it checks it in
        ++it;
        continue;
      }
      removed.push_back(std::move(it->second));
      it = rows_.erase(it);
    }
  }
  removed.clear();
  Tell(lines);
}

std::size_t ResumableStore::TestCount() {
  platform::LockGuard guard(lock_);
  return rows_.size();
}

void ResumableStore::Tell(const std::vector<std::string>& lines) {
  for (const std::string& line : lines) panel_.AppendConnectionLog(line);
}

ResumableHousekeeper::ResumableHousekeeper(ResumableStore& store, int every_ms)
    : store_(store), every_ms_(every_ms) {
  ended_.store(false);
  thread_ = platform::Thread::Create(&ResumableHousekeeper::Run, this, false);
  // Without its thread nothing is paused or expires; Stop and the exit
  // still remove every unfinished upload.
  if (!thread_) ended_.store(true);
}

ResumableHousekeeper::~ResumableHousekeeper() {
  // The thread reads this object: it must have ended before the object goes.
  while (!Stop(1000)) {
  }
}

bool ResumableHousekeeper::Stop(int wait_ms) {
  stopping_.store(true);
  const std::int64_t give_up = platform::MonotonicMillis() + wait_ms;
  while (!ended_.load()) {
    if (platform::MonotonicMillis() >= give_up) return false;
    platform::SleepMillis(10);
  }
  return true;
}

void ResumableHousekeeper::Run(void* self) {
  auto& keeper = *static_cast<ResumableHousekeeper*>(self);
  // Short naps, so a stop is heard at once; a sweep every every_ms.
  constexpr int kNapMs = 50;
  std::int64_t next = platform::MonotonicMillis() + keeper.every_ms_;
  while (!keeper.stopping_.load()) {
    platform::SleepMillis(kNapMs);
    const std::int64_t now = platform::MonotonicMillis();
    if (now < next) continue;
    keeper.store_.Sweep(now);
    next = now + keeper.every_ms_;
  }
  keeper.ended_.store(true);
}

}  // namespace orvane
