#include "http/upload/upload_form.h"

#include <optional>
#include <string>
#include <utility>

#include "http/core/log_line.h"
#include "http/upload/multipart.h"
#include "http/upload/upload_name.h"
#include "http/upload/upload_page.h"
#include "platform/codepage.h"
#include "platform/upload_file.h"

namespace orvane {

namespace {

// 上传需要说明内容的长度 (an upload must say how long it is)
constexpr std::string_view kNoLength =
    "\xE4\xB8\x8A\xE4\xBC\xA0\xE9\x9C\x80\xE8\xA6\x81\xE8\xAF\xB4\xE6\x98\x8E\xE5\x86\x85\xE5\xAE"
    "\xB9\xE7\x9A\x84\xE9\x95\xBF\xE5\xBA\xA6";
// 上传的内容格式不对 (the upload is not in the right form)
constexpr std::string_view kMalformed =
    "\xE4\xB8\x8A\xE4\xBC\xA0\xE7\x9A\x84\xE5\x86\x85\xE5\xAE\xB9\xE6\xA0\xBC\xE5\xBC\x8F\xE4\xB8"
    "\x8D\xE5\xAF\xB9";
// 请求头太长 (the request's head is too long)
constexpr std::string_view kHeadTooLong =
    "\xE8\xAF\xB7\xE6\xB1\x82\xE5\xA4\xB4\xE5\xA4\xAA\xE9\x95\xBF";
// 磁盘空间不足，文件未能保存 (not enough room on the disk, the file was not saved)
constexpr std::string_view kDiskFull =
    "\xE7\xA3\x81\xE7\x9B\x98\xE7\xA9\xBA\xE9\x97\xB4\xE4\xB8\x8D\xE8\xB6\xB3\xEF\xBC\x8C\xE6\x96"
    "\x87\xE4\xBB\xB6\xE6\x9C\xAA\xE8\x83\xBD\xE4\xBF\x9D\xE5\xAD\x98";
// 文件未能保存 (the file was not saved)
constexpr std::string_view kNotSaved =
    "\xE6\x96\x87\xE4\xBB\xB6\xE6\x9C\xAA\xE8\x83\xBD\xE4\xBF\x9D\xE5\xAD\x98";

Reply Trouble(std::string_view status, std::string_view trouble) {
  return PageReply(status, UploadTroublePage(trouble));
}

// Writes each file part to its own temporary file and keeps it under a free
// safe name once the part ends; form fields that are not files are read
// past. Whatever it holds unfinished goes with it.
class StoringSink final : public MultipartSink {
 public:
  explicit StoringSink(const UploadContext& context) : context_(context) {}

  bool PartBegins(const PartHeader& part) override {
    if (!part.has_filename) return true;
    // A file field left empty in the form comes with an empty name.
    if (part.filename.empty()) return true;
    file_ = platform::UploadFile::Create(context_.folder);
    if (!file_) return Fail(platform::WriteResult::kFailed);
    name_ = SafeUploadName(part.filename);
    size_ = 0;
    return true;
  }

  bool PartData(std::string_view bytes) override {
    if (!file_) return true;
    const platform::WriteResult written = file_->Write(bytes);
    if (written != platform::WriteResult::kOk) return Fail(written);
    size_ += bytes.size();
    return true;
  }

  bool PartEnds() override {
    if (!file_) return true;
    // Written in large pieces, so a full disk may show only now.
    const platform::WriteResult flushed = file_->Flush();
    if (flushed != platform::WriteResult::kOk) return Fail(flushed);
    const std::optional<std::string> stored = file_->Commit(name_);
    if (!stored) return Fail(platform::WriteResult::kFailed);
    file_.reset();
    if (context_.panel != nullptr) {
      context_.panel->AppendConnectionLog(StoredFileLogLine(platform::Utf8ToLogText(*stored), size_,
                                                            context_.peer, context_.peer_port));
    }
    stored_.Add(StoredFile{*stored, size_});
    return true;
  }

  // The file under way, and its temporary file, go at once.
  void Drop() { file_.reset(); }

  [[nodiscard]] const StoredFiles& stored() const { return stored_; }
  [[nodiscard]] std::string_view failure() const { return failure_; }

 private:
  // Stops the body: the file under way and its temporary file go.
  bool Fail(platform::WriteResult why) {
    failure_ = why == platform::WriteResult::kDiskFull ? kDiskFull : kNotSaved;
    file_.reset();
    return false;
  }

  const UploadContext& context_;
  std::optional<platform::UploadFile> file_;
  std::string name_;
  std::uint64_t size_ = 0;
  StoredFiles stored_;
  std::string_view failure_;
};

// The body as the receive loop hands it over, read as a form.
class FormSink final : public BodySink {
 public:
  FormSink(std::string_view boundary, StoringSink& files) : reader_(boundary), files_(files) {}
  bool Take(std::string_view bytes) override {
    return reader_.Feed(bytes, files_) == MultipartState::kMoreWanted;
  }
  MultipartReader& reader() { return reader_; }

 private:
  MultipartReader reader_;
  StoringSink& files_;
};

}  // namespace

Reply ReceiveUploadForm(net::NetSocket& client, const ParsedRequest& request,
                        const UploadContext& context) {
  switch (FramingOf(request)) {
    case BodyFraming::kHeadTooLong:
      return Trouble("431 Request Header Fields Too Large", kHeadTooLong);
    case BodyFraming::kMalformedLength:
      return Trouble("400 Bad Request", kMalformed);
    case BodyFraming::kNoLength:
      return Trouble("411 Length Required", kNoLength);
    case BodyFraming::kLength:
      break;
  }
  const std::optional<std::string> boundary = BoundaryOf(request.content_type);
  if (!boundary) return Trouble("400 Bad Request", kMalformed);
  const std::optional<std::uint64_t> room = platform::UploadFile::FreeSpace(context.folder);
  if (room && *request.content_length > *room) {
    return Trouble("507 Insufficient Storage", kDiskFull);
  }
  StoringSink files(context);
  FormSink form(*boundary, files);
  const Received received = ReceiveBody(client, request, form, context.send, context.limits);
  if (received == Received::kGone || received == Received::kTooSlow) {
    files.Drop();
    return Reply{};
  }
  MultipartState state = form.reader().state();
  if (state == MultipartState::kMoreWanted) state = form.reader().Finish();
  std::string_view status = "200 OK";
  std::string_view trouble;
  if (state == MultipartState::kStopped) {
    trouble = files.failure();
    status = trouble == kDiskFull ? "507 Insufficient Storage" : "500 Internal Server Error";
  } else if (state != MultipartState::kDone) {
    trouble = kMalformed;
    status = "400 Bad Request";
  }
  return PageReply(status, UploadResultPage(files.stored(), trouble));
}

}  // namespace orvane
