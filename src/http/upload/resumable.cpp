#include "http/upload/resumable.h"

#include <optional>
#include <string>
#include <utility>

#include "base/utc_time.h"
#include "http/body_receive.h"
#include "http/core/log_line.h"
#include "http/upload/resumable_rules.h"
#include "http/upload/upload_name.h"
#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/random.h"
#include "platform/upload_file.h"

namespace orvane {

namespace {

using Status = ResumableStore::Status;

std::int64_t NowUnixSeconds() { return UnixSecondsFromUtcTime(platform::CurrentUtcTime()); }

// The refusal a store's status calls for.
Reply StoreRefusal(Status status) {
  switch (status) {
    case Status::kBusy:
      return ResumableReply("423 Locked");
    case Status::kTooMany:
      return ResumableReply("429 Too Many Requests");
    case Status::kNoRoom:
      return ResumableReply("507 Insufficient Storage");
    default:
      return ResumableReply("404 Not Found");
  }
}

// Writes the body to the upload's file as it comes, up to the upload's
// length: a body that would pass it stops there.
class AppendSink final : public BodySink {
 public:
  AppendSink(platform::UploadFile& file, std::uint64_t room, std::int64_t last_byte_ms)
      : file_(file), room_(room), last_byte_ms_(last_byte_ms) {}

  bool Take(std::string_view bytes) override {
    if (bytes.size() > room_ - taken_) {
      bytes = bytes.substr(0, static_cast<std::size_t>(room_ - taken_));
      past_length_ = true;
    }
    if (!bytes.empty()) {
      failure_ = file_.Write(bytes);
      if (failure_ != platform::WriteResult::kOk) return false;
      taken_ += bytes.size();
      last_byte_ms_ = platform::MonotonicMillis();
    }
    return !past_length_;
  }

  // Hands what was taken to the system; the result of every write.
  platform::WriteResult Settle() {
    if (failure_ == platform::WriteResult::kOk) failure_ = file_.Flush();
    return failure_;
  }

  [[nodiscard]] std::uint64_t taken() const { return taken_; }
  [[nodiscard]] bool past_length() const { return past_length_; }
  [[nodiscard]] std::int64_t last_byte_ms() const { return last_byte_ms_; }

 private:
  platform::UploadFile& file_;
  const std::uint64_t room_;
  std::uint64_t taken_ = 0;
  bool past_length_ = false;
  platform::WriteResult failure_ = platform::WriteResult::kOk;
  std::int64_t last_byte_ms_;
};

// Puts a whole upload in place under its free safe name with its time, and
// tells the operator; false when it could not be stored.
bool PutInPlace(ResumableStore::Lease& lease, const UploadContext& context) {
  const std::uint64_t size = lease.length();
  ResumableStore::Lease::Whole whole = lease.Finish();
  if (!whole.file) return false;
  // A time the system refuses leaves the file its own.
  if (whole.modified_ms) (void)whole.file->SetModifiedTime(*whole.modified_ms);
  const std::optional<std::string> stored = whole.file->Commit(whole.name);
  if (!stored) return false;
  if (context.panel != nullptr) {
    context.panel->AppendConnectionLog(
        StoredFileLogLine(platform::Utf8ToLogText(*stored), size, context.peer, context.peer_port));
  }
  return true;
}

// What a request that brings bytes ended with.
struct Appended {
  bool answered = true;      // false: the client is gone, nothing is sent
  std::string_view trouble;  // a status instead of success
  std::uint64_t offset = 0;
  bool whole = false;
};

// Receives `request`'s body into the checked-out upload and checks it back
// in: at its new offset, or put in place once whole, or ended when its file
// failed.
Appended Append(net::NetSocket& client, const ParsedRequest& request, ResumableStore::Lease& lease,
                const UploadContext& context) {
  Appended result;
  platform::UploadFile& file = *lease.file();
  const std::uint64_t start = lease.offset();
  AppendSink sink(file, lease.length() - start, platform::MonotonicMillis());
  const Received received = ReceiveBody(client, request, sink, context.send, context.limits);
  const platform::WriteResult written = sink.Settle();
  result.answered = received == Received::kWhole || received == Received::kStopped;
  if (written != platform::WriteResult::kOk) {
    // What reached the disk cannot be told: the upload cannot go on.
    lease.End();
    result.trouble = written == platform::WriteResult::kDiskFull ? "507 Insufficient Storage"
                                                                 : "500 Internal Server Error";
    return result;
  }
  result.offset = start + sink.taken();
  if (sink.past_length()) result.trouble = "400 Bad Request";
  if (result.offset < lease.length()) {
    lease.Return(result.offset, sink.last_byte_ms());
    return result;
  }
  result.whole = true;
  if (!PutInPlace(lease, context)) result.trouble = "500 Internal Server Error";
  return result;
}

Reply Options(const UploadContext& context, ResumableStore& store) {
  std::optional<std::uint64_t> room = platform::UploadFile::FreeSpace(context.folder);
  if (room) {
    const std::uint64_t needed = store.StillNeeded();
    room = *room > needed ? *room - needed : 0;
  }
  return OptionsReply(room);
}

Reply Create(net::NetSocket& client, const ParsedRequest& request, const UploadContext& context,
             ResumableStore& store) {
  CreationCheck check = CheckCreation(request);
  if (!check.refusal.empty()) return ResumableReply(check.refusal);
  const std::optional<std::string> random = platform::RandomBytes(kUploadIdBytes);
  if (!random) return ResumableReply("500 Internal Server Error");
  const std::string id = UploadIdFrom(*random);
  ResumableStore::Lease lease;
  const Status status = store.Reserve(
      id, check.ask.length, SafeUploadName(check.ask.metadata.filename),
      check.ask.metadata.last_modified_ms, platform::UploadFile::FreeSpace(context.folder), &client,
      platform::MonotonicMillis(), lease);
  if (status != Status::kOk) return StoreRefusal(status);
  std::optional<platform::UploadFile> file = platform::UploadFile::Create(context.folder);
  if (!file) {
    lease.End();
    return ResumableReply("500 Internal Server Error");
  }
  lease.SetFile(std::move(*file));
  std::optional<std::uint64_t> told_offset;
  if (check.ask.with_upload) {
    const Appended appended = Append(client, request, lease, context);
    if (!appended.answered) return Reply{};
    if (!appended.trouble.empty()) return AppendedReply(appended.trouble, appended.offset, {});
    told_offset = appended.offset;
    if (appended.whole) return CreatedReply(id, told_offset, {});
  } else if (check.ask.length == 0) {
    // Nothing to wait for: an empty file is whole at once.
    return PutInPlace(lease, context) ? CreatedReply(id, std::nullopt, {})
                                      : ResumableReply("500 Internal Server Error");
  } else {
    lease.Return(0, platform::MonotonicMillis());
  }
  return CreatedReply(id, told_offset, ExpiresText(NowUnixSeconds(), 0));
}

Reply Offset(const Target& target, ResumableStore& store) {
  ResumableStore::State state;
  const Status status =
      store.Look(target.upload_id, kBusyUploadWaitMs, platform::MonotonicMillis(), state);
  if (status != Status::kOk) return StoreRefusal(status);
  return OffsetReply(state.offset, state.length, ExpiresText(NowUnixSeconds(), state.idle_ms));
}

Reply AppendTo(net::NetSocket& client, const ParsedRequest& request, const Target& target,
               const UploadContext& context, ResumableStore& store) {
  ResumableStore::Lease lease;
  const Status status = store.Checkout(target.upload_id, &client, kBusyUploadWaitMs, lease);
  if (status != Status::kOk) return StoreRefusal(status);
  const std::string_view refusal = AppendRefusal(request, lease.offset());
  if (!refusal.empty()) return ResumableReply(refusal);
  const Appended appended = Append(client, request, lease, context);
  if (!appended.answered) return Reply{};
  if (!appended.trouble.empty()) return AppendedReply(appended.trouble, appended.offset, {});
  return AppendedReply("204 No Content", appended.offset,
                       appended.whole ? std::string() : ExpiresText(NowUnixSeconds(), 0));
}

Reply End(net::NetSocket& client, const Target& target, ResumableStore& store) {
  ResumableStore::Lease lease;
  const Status status = store.Checkout(target.upload_id, &client, kBusyUploadWaitMs, lease);
  if (status != Status::kOk) return StoreRefusal(status);
  lease.End();
  return ResumableReply("204 No Content");
}

}  // namespace

Reply AnswerResumable(net::NetSocket& client, const ParsedRequest& request, const Target& target,
                      const UploadContext& context, ResumableStore& store) {
  // OPTIONS is how a client learns the version, so it needs none.
  if (target.kind == Target::Kind::kResumableOptions) return Options(context, store);
  if (target.kind == Target::Kind::kResumableCreate) {
    return Create(client, request, context, store);
  }
  const std::string_view refusal = VersionRefusal(request);
  if (!refusal.empty()) return ResumableReply(refusal);
  if (!IsUploadId(target.upload_id)) return ResumableReply("404 Not Found");
  switch (target.kind) {
    case Target::Kind::kResumableOffset:
      return Offset(target, store);
    case Target::Kind::kResumableAppend:
      return AppendTo(client, request, target, context, store);
    case Target::Kind::kResumableEnd:
      return End(client, target, store);
    default:
      return ResumableReply("404 Not Found");
  }
}

}  // namespace orvane
