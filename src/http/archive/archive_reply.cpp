#include "http/archive/archive_reply.h"

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "http/archive/archive_body.h"
#include "http/archive/archive_pages.h"
#include "http/archive/archive_walk.h"
#include "http/archive/archive_walk.h"
#include "http/archive/download_name.h"
#include "http/archive/ticked_names.h"
#include "http/core/text_rules.h"
#include "http/site_files.h"
#include "platform/codepage.h"

namespace orvane {

namespace {

constexpr std::string_view kZipType = "application/zip";
constexpr std::string_view kFormType = "application/x-www-form-urlencoded";

// The archive as a reply's body: it keeps the archive's place in the gate
// for as long as it is sent, and the first failed read puts one line in the
// log that names the file (the send loop then cuts the connection).
class ArchiveSource final : public BodySource {
 public:
  ArchiveSource(std::unique_ptr<ArchiveTurn> turn, std::unique_ptr<ArchiveBody> body,
                OperatorPanel* panel)
      : turn_(std::move(turn)), body_(std::move(body)), panel_(panel) {}
  // A send cut short while a file range was handed to the system: the file
  // that shrank under it is named too.
  ~ArchiveSource() override {
    if (body_->fault()) return;
    body_->CheckOpenFile();
    TellFault();
  }
  ArchiveSource(const ArchiveSource&) = delete;
  ArchiveSource& operator=(const ArchiveSource&) = delete;

  [[nodiscard]] std::optional<std::uint64_t> Length() const override { return body_->Length(); }
  bool Seek(std::uint64_t offset) override { return body_->Seek(offset); }
  std::int64_t Read(char* buffer, std::size_t size) override {
    const std::int64_t got = body_->Read(buffer, size);
    if (got < 0) TellFault();
    return got;
  }
  [[nodiscard]] std::intptr_t native() const override { return -1; }
  [[nodiscard]] bool made_as_sent() const override { return true; }
  std::optional<BodySpan> NextSpan(std::uint64_t max) override {
    std::optional<BodySpan> span = body_->NextSpan(max);
    if (span && span->kind == BodySpan::Kind::kFailed) TellFault();
    return span;
  }
  void Advance(std::uint64_t sent) override { body_->Advance(sent); }

 private:
  void TellFault() {
    if (told_ || panel_ == nullptr || !body_->fault()) return;
    told_ = true;
    panel_->AppendConnectionLog(CutLogLine(*body_->fault()));
  }

  // "压缩包未发送完，文件" + name + reason + CR LF, in the log's text: the
  // archive was cut short because of this file.
  static std::string CutLogLine(const ArchiveFault& fault) {
    std::string line =
        "\xD1\xB9\xCB\xF5\xB0\xFC\xCE\xB4\xB7\xA2\xCB\xCD\xCD\xEA\xA3\xAC\xCE\xC4"
        "\xBC\xFE ";  // 压缩包未发送完，文件
    line += platform::Utf8ToLogText(fault.entry);
    switch (fault.kind) {
      case ArchiveFault::Kind::kOpen:
        line += " \xB4\xF2\xB2\xBB\xBF\xAA";  // 打不开
        break;
      case ArchiveFault::Kind::kChangedSize:
        line += " \xB5\xC4\xB4\xF3\xD0\xA1\xB1\xE4\xC1\xCB";  // 的大小变了
        break;
      case ArchiveFault::Kind::kRead:
        line += " \xB6\xC1\xB2\xBB\xB3\xF6\xC0\xB4";  // 读不出来
        break;
    }
    return line + "\r\n";
  }

  const std::unique_ptr<ArchiveTurn> turn_;
  const std::unique_ptr<ArchiveBody> body_;
  OperatorPanel* const panel_;
  bool told_ = false;
};

// The form's body, whole: it was refused by its length before it was read.
class FormBodySink final : public BodySink {
 public:
  bool Take(std::string_view bytes) override {
    if (bytes.size() > kMaxTickedFormBytes - body_.size()) return false;
    body_.append(bytes);
    return true;
  }
  [[nodiscard]] const std::string& body() const { return body_; }

 private:
  std::string body_;
};

Reply Page(std::string_view status, std::string_view page) {
  return PageReply(status, std::string(page));
}

Reply FormTrouble(std::string_view status) { return Page(status, pages::ArchiveFormPage()); }

// The names a POST ticks, or the reply that refuses its form.
struct Ticked {
  std::vector<std::string> names;
  std::optional<Reply> refused;
};

Ticked ReadTickedNames(net::NetSocket& client, const ParsedRequest& request,
                       const ArchiveContext& context) {
  Ticked ticked;
  switch (FramingOf(request)) {
    case BodyFraming::kHeadTooLong:
      ticked.refused = FormTrouble("431 Request Header Fields Too Large");
      return ticked;
    case BodyFraming::kMalformedLength:
      ticked.refused = FormTrouble("400 Bad Request");
      return ticked;
    case BodyFraming::kNoLength:
      ticked.refused = FormTrouble("411 Length Required");
      return ticked;
    case BodyFraming::kLength:
      break;
  }
  std::string_view type = request.content_type.substr(0, request.content_type.find(';'));
  while (!type.empty() && (type.back() == ' ' || type.back() == '\t')) type.remove_suffix(1);
  if (!EqualsIgnoreAsciiCase(type, kFormType)) {
    ticked.refused = FormTrouble("400 Bad Request");
    return ticked;
  }
  if (*request.content_length > kMaxTickedFormBytes) {
    ticked.refused = FormTrouble("413 Content Too Large");
    return ticked;
  }
  FormBodySink sink;
  if (ReceiveBody(client, request, sink, context.send, context.limits) != Received::kWhole) {
    ticked.refused = Reply{};  // gone, or too slow: the connection is cut
    return ticked;
  }
  TickedNames decoded = DecodeTickedNames(sink.body());
  if (decoded.refusal == TickedRefusal::kNotAName) {
    ticked.refused = CannedReply(CannedAnswer::kNotFound);  // no entry has that name
  } else if (decoded.refusal != TickedRefusal::kNone) {
    ticked.refused = FormTrouble("400 Bad Request");
  }
  ticked.names = std::move(decoded.names);
  return ticked;
}

std::string EntityTagOf(std::uint64_t fingerprint) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string tag = "\"";
  for (int shift = 60; shift >= 0; shift -= 4) tag.push_back(kHex[(fingerprint >> shift) & 0xF]);
  return tag + "\"";
}

}  // namespace

Reply ArchiveReply(net::NetSocket& client, const ParsedRequest& request, const Target& target,
                   const ArchiveContext& context) {
  Ticked ticked;
  if (request.is_post) {
    ticked = ReadTickedNames(client, request, context);
    if (ticked.refused) return std::move(*ticked.refused);
  }
  // The turn is taken before the walk: the walk reads every folder below.
  auto turn = std::make_unique<ArchiveTurn>(context.state.gate, context.deadline_ms);
  if (!turn->entered()) return Page("503 Service Unavailable", pages::ArchiveBusyPage());
  ArchiveWalk walk = WalkForArchive(
      FileNameOf(target.path), request.is_post ? &ticked.names : nullptr, context.state.entry_cap);
  switch (walk.outcome) {
    case ArchiveWalk::Outcome::kDone:
      break;
    case ArchiveWalk::Outcome::kNotAnEntry:
      return CannedReply(CannedAnswer::kNotFound);
    case ArchiveWalk::Outcome::kTooMany:
      return Page("403 Forbidden", pages::ArchiveTooManyPage());
    case ArchiveWalk::Outcome::kUnreadable:
      return CannedReply(CannedAnswer::kServerError);
  }
  auto layout = std::make_shared<const ArchiveLayout>(std::move(walk.entries));
  const std::string tag = EntityTagOf(layout->Fingerprint());
  auto body = std::make_unique<ArchiveBody>(layout, DiskEntryOpener(walk), &context.state.crcs,
                                            CachePrefixOf(walk));
  // A range of another archive than this one would join into a damaged
  // file: a tag that no longer matches gets the whole archive.
  ParsedRequest asked;
  if (!request.if_range || *request.if_range == tag) asked.range = request.range;
  Reply reply = SourceReply(
      asked, std::make_unique<ArchiveSource>(std::move(turn), std::move(body), context.panel),
      kZipType);
  reply.head.extra_lines.push_back("ETag: " + tag);
  if (reply.body != Reply::Body::kSource) return reply;
  reply.head.extra_lines.push_back(
      "Content-Disposition: " +
      ContentDispositionFor(ArchiveFileName(target.heading, context.site_root)));
  reply.head.extra_lines.emplace_back(kAcceptRangesLine);
  reply.head.private_cache = true;
  return reply;
}

}  // namespace orvane
