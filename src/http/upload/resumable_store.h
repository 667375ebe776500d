// The unfinished resumable uploads of a server: each an open hidden
// temporary file in the upload folder with its length, offset, name and
// time, kept between the requests that bring its bytes. One lock, held only
// for the table's bookkeeping, never across a read, a write or a file's
// removal: a request that writes checks its upload out (busy), writes
// without the lock and checks it back in with its new offset.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "http/operator_panel.h"
#include "net/net_socket.h"
#include "platform/lock.h"
#include "platform/thread.h"
#include "platform/upload_file.h"

namespace orvane {

class ResumableStore {
 public:
  // The operator hears of uploads paused and removed unfinished.
  explicit ResumableStore(OperatorPanel& panel) : panel_(panel) {}
  ~ResumableStore();
  ResumableStore(const ResumableStore&) = delete;
  ResumableStore& operator=(const ResumableStore&) = delete;

  // One unfinished upload.
  struct Row {
    std::optional<platform::UploadFile> file;
    std::uint64_t length = 0;
    std::uint64_t offset = 0;
    std::string name;  // the safe name it is stored under once whole
    std::optional<std::int64_t> modified_ms;
    std::int64_t last_byte_ms = 0;
    // Checked out: only the holding request touches `file`, and `holder` is
    // its connection, alive until it checks the row in.
    bool busy = false;
    net::NetSocket* holder = nullptr;
    bool doomed = false;       // to be removed when checked in
    bool told_paused = false;  // the operator was told it is paused
  };

  // One upload checked out by one request: its file is that request's alone
  // until Return, Finish or End; dropped without them, it is returned as it
  // was.
  class Lease {
   public:
    Lease() = default;
    Lease(Lease&& other) noexcept;
    Lease& operator=(Lease&& other) noexcept;
    Lease(const Lease&) = delete;
    Lease& operator=(const Lease&) = delete;
    ~Lease();

    [[nodiscard]] bool held() const { return row_ != nullptr; }
    [[nodiscard]] const std::string& id() const { return id_; }
    [[nodiscard]] std::uint64_t offset() const;
    [[nodiscard]] std::uint64_t length() const;
    // The upload's file; null until a new upload is given one.
    [[nodiscard]] platform::UploadFile* file();
    void SetFile(platform::UploadFile file);

    // Checked in at `offset`, its last byte having come at `last_byte_ms`
    // (monotonic). An upload the server was told to remove meanwhile (a
    // stop) is removed now.
    void Return(std::uint64_t offset, std::int64_t last_byte_ms);
    // Whole: the upload leaves the table, its file to the caller to put in
    // place, with the name it is to get and its modification time.
    struct Whole {
      std::optional<platform::UploadFile> file;
      std::string name;
      std::optional<std::int64_t> modified_ms;
    };
    [[nodiscard]] Whole Finish();
    // Ended (a DELETE, a write that failed): removed with its file.
    void End();

   private:
    friend class ResumableStore;
    ResumableStore* store_ = nullptr;
    Row* row_ = nullptr;
    std::string id_;
  };

  enum class Status {
    kOk,
    kUnknown,  // no such upload (or one being removed)
    kBusy,     // another request still holds it after the wait
    kTooMany,  // kMaxUnfinishedUploads are unfinished
    kNoRoom,   // the disk cannot hold it with what the others still need
  };

  // A new upload `id` of `length` bytes, to be stored as `name` (a safe
  // name), checked out to the request on `holder`. `room` is the disk's free
  // space when known.
  [[nodiscard]] Status Reserve(const std::string& id, std::uint64_t length, std::string name,
                               std::optional<std::int64_t> modified_ms,
                               std::optional<std::uint64_t> room, net::NetSocket* holder,
                               std::int64_t now_ms, Lease& lease);

  // The upload `id` checked out to the request on `holder`. One that another
  // request still holds (the phone's old connection, which a dropped Wi-Fi
  // left open and the server may not notice for a minute) has that request's
  // connection interrupted, and is waited for up to `wait_ms`.
  [[nodiscard]] Status Checkout(std::string_view id, net::NetSocket* holder, int wait_ms,
                                Lease& lease);

  // The upload `id` as a HEAD tells it, after the same interrupt and wait;
  // one that became whole within the hour is told whole (offset = length),
  // so a client whose last answer was lost does not send it again.
  struct State {
    std::uint64_t offset = 0;
    std::uint64_t length = 0;
    std::int64_t idle_ms = 0;  // since its last byte
  };
  [[nodiscard]] Status Look(std::string_view id, int wait_ms, std::int64_t now_ms, State& state);

  // The bytes the unfinished uploads still need on the disk.
  [[nodiscard]] std::uint64_t StillNeeded();

  // Every few seconds: the operator is told once of an upload that brought
  // no byte for a minute, and one idle for an hour is removed.
  void Sweep(std::int64_t now_ms);

  // Every unfinished upload removed with its file (one that a request holds
  // when that request checks it in); the operator is told of each when `tell`.
  void RemoveAll(bool tell);

  // The uploads in the table now; only tests read it.
  [[nodiscard]] std::size_t TestCount();

 private:
  // Takes the row out of the table; its file goes when the result does,
  // after the lock is left.
  std::unique_ptr<Row> TakeLocked(const std::string& id) REQUIRES(lock_);
  // Waits until `id` is not busy (interrupting its holder once), then
  // `act(row)` under the lock.
  template <typename Act>
  Status WhenFree(std::string_view id, int wait_ms, Act act);
  void Tell(const std::vector<std::string>& lines);

  OperatorPanel& panel_;
  platform::Lock lock_;
  std::map<std::string, std::unique_ptr<Row>, std::less<>> rows_ GUARDED_BY(lock_);
  // The uploads that became whole within the hour (at most
  // kMaxFinishedKept): their length and when.
  struct Finished {
    std::uint64_t length = 0;
    std::int64_t at_ms = 0;
  };
  std::map<std::string, Finished, std::less<>> finished_ GUARDED_BY(lock_);
};

// The server's small thread that sweeps the store every few seconds; ended
// and waited for (bounded) by Stop, and by its destructor.
class ResumableHousekeeper {
 public:
  explicit ResumableHousekeeper(ResumableStore& store, int every_ms = 5000);
  ~ResumableHousekeeper();
  ResumableHousekeeper(const ResumableHousekeeper&) = delete;
  ResumableHousekeeper& operator=(const ResumableHousekeeper&) = delete;
  // False when the thread had not ended after `wait_ms`.
  [[nodiscard]] bool Stop(int wait_ms);

 private:
  static void Run(void* self);

  ResumableStore& store_;
  const int every_ms_;
  std::atomic<bool> stopping_{false};
  std::atomic<bool> ended_{true};
  std::optional<platform::Thread> thread_;
};

}  // namespace orvane
