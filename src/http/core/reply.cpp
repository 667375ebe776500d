#include "http/core/reply.h"

#include <utility>

namespace orvane {

Reply CannedReply(CannedAnswer answer) {
  Reply reply;
  reply.kind = Reply::Kind::kCanned;
  reply.canned = answer;
  return reply;
}

std::string FolderRedirectLocation(std::string_view raw_path) {
  std::string location;
  location.reserve(raw_path.size() + 1);
  for (std::size_t i = 0; i < raw_path.size(); ++i) {
    const char c = raw_path[i];
    const auto b = static_cast<unsigned char>(c);
    // "#" too: sent on as it came, it would start a fragment and cut the path.
    const bool as_is = b > 0x20 && b < 0x7F && c != '"' && c != '#' && c != '<' && c != '>' &&
                       c != '\\' && c != '^' && c != '`' && c != '{' && c != '|' && c != '}';
    if (as_is) {
      location.push_back(c);
    } else {
      location += PercentEncode(raw_path.substr(i, 1));
    }
  }
  location.push_back('/');
  return location;
}

Reply DecideReply(const ParsedRequest& request, FileFacts file, ServingOptions options) {
  if (!request.is_get) return Reply{};
  if (file.path == nullptr) return CannedReply(CannedAnswer::kNotFound);
  if (options.list_folders && file.is_folder) {
    Reply reply;
    if (!NamesFolder(request.raw_path)) {
      reply.kind = Reply::Kind::kRedirect;
      reply.location = FolderRedirectLocation(request.raw_path.value_or(""));
      return reply;
    }
    if (!file.listing) return CannedReply(CannedAnswer::kServerError);
    reply.kind = Reply::Kind::kPage;
    reply.content_type = kListingType;
    reply.body = RenderFolderListing(std::move(*file.listing));
    return reply;
  }
  if (!file.opened || !file.size) return CannedReply(CannedAnswer::kServerError);
  Reply reply;
  reply.total = *file.size;
  const RangeDecision range = DecideRange(request.range, reply.total);
  if (range.kind == RangeDecision::Kind::kUnsatisfiable) {
    reply.kind = Reply::Kind::kRangeNotSatisfiable;
    return reply;
  }
  reply.kind = Reply::Kind::kFile;
  reply.content_type = ContentTypeOf(
      *file.path, options.common_types ? ContentTypes::kCommon : ContentTypes::kOriginal);
  reply.all_ranges = options.common_types;
  reply.partial = range.kind == RangeDecision::Kind::kPartial;
  reply.first = reply.partial ? range.first : 0;
  reply.count = reply.partial ? range.last - range.first + 1 : reply.total;
  return reply;
}

std::string ReplyHead(const Reply& reply, const CannedResponses& canned, std::string_view date) {
  switch (reply.kind) {
    case Reply::Kind::kNothing:
      return {};
    case Reply::Kind::kCanned: {
      const std::string& text = reply.canned == CannedAnswer::kLimit      ? canned.limit
                                : reply.canned == CannedAnswer::kNotFound ? canned.not_found
                                                                          : canned.server_error;
      return FillCannedResponse(text, date);
    }
    case Reply::Kind::kRangeNotSatisfiable:
      return BuildRangeNotSatisfiable(date, reply.total);
    case Reply::Kind::kFile:
      if (reply.partial) {
        return BuildPartialHead(date, reply.content_type, reply.first,
                                reply.first + reply.count - 1, reply.total, reply.all_ranges);
      }
      return FillOkHead(canned.ok_header_template, reply.count, date, reply.content_type,
                        reply.all_ranges);
    case Reply::Kind::kPage:
      return BuildPageHead(date, reply.body.size(), reply.content_type);
    case Reply::Kind::kRedirect:
      return BuildRedirect(date, reply.location);
  }
  return {};
}

}  // namespace orvane
