#include "http/core/reply.h"

#include <algorithm>
#include <utility>

#include "http/core/content_type.h"
#include "http/core/url_decode.h"

namespace orvane {

namespace {

constexpr std::string_view kPlainText = "text/plain";

Reply HeadOnly(std::string_view status, std::string_view content_type) {
  Reply reply;
  reply.kind = Reply::Kind::kHead;
  reply.head.status = status;
  reply.head.close = true;
  reply.head.content_type = content_type;
  return reply;
}

Reply FileReply(const ParsedRequest& request, Target target, const ServingOptions& options) {
  const std::string_view type = ContentTypeOf(
      target.path, options.common_types ? ContentTypes::kCommon : ContentTypes::kOriginal);
  Reply reply = SourceReply(request, std::move(target.file), type);
  if (reply.body != Reply::Body::kSource) return reply;
  if (options.common_types || AdvertisesByteRanges(type)) {
    reply.head.extra_lines.emplace_back(kAcceptRangesLine);
  }
  reply.head.private_cache = true;
  reply.text_charset_from_body = options.common_types && type == kPlainText;
  return reply;
}

Reply RefusalReply(const Admission& admission) {
  Reply reply = PageReply("403 Forbidden", std::string(admission.refusal_page));
  reply.head.private_cache = false;
  return reply;
}

Reply CodeRedirectReply(const Admission& admission) {
  Reply reply = HeadOnly("302 Found", "text/html");
  reply.head.location = admission.location;
  reply.head.extra_lines.push_back(admission.cookie_line);
  return reply;
}

}  // namespace

Reply PageReply(std::string_view status, std::string page) {
  Reply reply = HeadOnly(status, kListingType);
  reply.head.content_length = page.size();
  reply.head.private_cache = true;
  reply.body = Reply::Body::kBytes;
  reply.bytes = std::move(page);
  return reply;
}

Reply SourceReply(const ParsedRequest& request, std::unique_ptr<BodySource> source,
                  std::string_view content_type) {
  const std::optional<std::uint64_t> size = source->Length();
  if (!size) return CannedReply(CannedAnswer::kServerError);
  const RangeDecision range = DecideRange(request.range, *size);
  if (range.kind == RangeDecision::Kind::kUnsatisfiable) {
    Reply reply = HeadOnly("416 Range Not Satisfiable", "text/html");
    reply.head.content_range = "*/" + UnsignedDecimalText(*size);
    return reply;
  }
  Reply reply;
  reply.kind = Reply::Kind::kHead;
  const bool partial = range.kind == RangeDecision::Kind::kPartial;
  reply.head.status = partial ? "206 Partial Content" : "200 OK";
  reply.first = partial ? range.first : 0;
  reply.count = partial ? range.last - range.first + 1 : *size;
  reply.head.content_length = reply.count;
  if (partial) {
    reply.head.content_range = UnsignedDecimalText(range.first) + "-" +
                               UnsignedDecimalText(range.last) + "/" + UnsignedDecimalText(*size);
  }
  reply.head.content_type = content_type;
  reply.body = Reply::Body::kSource;
  reply.source = std::move(source);
  return reply;
}

Reply CannedReply(CannedAnswer answer) {
  Reply reply;
  reply.kind = Reply::Kind::kCanned;
  reply.canned = answer;
  return reply;
}

Reply DecideReply(const ParsedRequest& request, const Admission& admission, Target target,
                  const ServingOptions& options, std::optional<Reply> made) {
  if (admission.kind == Admission::Kind::kRefuse) return RefusalReply(admission);
  if (admission.kind == Admission::Kind::kSendOnWithout) return CodeRedirectReply(admission);
  switch (target.kind) {
    case Target::Kind::kIgnored:
      return Reply{};
    case Target::Kind::kMissing:
    case Target::Kind::kRefused:
      return CannedReply(CannedAnswer::kNotFound);
    case Target::Kind::kUnreadable:
      return CannedReply(CannedAnswer::kServerError);
    case Target::Kind::kFolderRedirect: {
      Reply reply = HeadOnly("301 Moved Permanently", "text/html");
      reply.head.location = std::move(target.location);
      return reply;
    }
    case Target::Kind::kListing:
    case Target::Kind::kUploadPage:
    case Target::Kind::kUploadForm:
    case Target::Kind::kArchive:
    case Target::Kind::kResumableOptions:
    case Target::Kind::kResumableCreate:
    case Target::Kind::kResumableOffset:
    case Target::Kind::kResumableAppend:
    case Target::Kind::kResumableEnd:
    case Target::Kind::kThumbnail:
      return made ? std::move(*made) : CannedReply(CannedAnswer::kServerError);
    case Target::Kind::kFile:
    case Target::Kind::kFolderIndex:
      return FileReply(request, std::move(target), options);
  }
  return Reply{};
}

std::string TextTypeFor(std::string_view start, std::string_view ansi_charset) {
  constexpr std::size_t kLooked = 1024;
  std::string_view looked = start.substr(0, kLooked);
  const bool bom = looked.substr(0, 3) == "\xEF\xBB\xBF";
  // A character the kilobyte's end cuts in two is judged by what is there.
  for (std::size_t back = 1; back <= 3 && back <= looked.size(); ++back) {
    const auto b = static_cast<unsigned char>(looked[looked.size() - back]);
    if ((b & 0xC0) == 0x80) continue;
    const std::size_t needed = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
    if (needed > back) looked.remove_suffix(back);
    break;
  }
  const bool ascii = std::all_of(looked.begin(), looked.end(),
                                 [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  std::string type(kPlainText);
  if (bom || ascii || IsNonAsciiUtf8(looked)) return type + "; charset=utf-8";
  if (!ansi_charset.empty()) type.append("; charset=").append(ansi_charset);
  return type;
}

}  // namespace orvane
