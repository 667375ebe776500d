#include "http/core/reply.h"

namespace orvane {

Reply CannedReply(CannedAnswer answer) {
  Reply reply;
  reply.kind = Reply::Kind::kCanned;
  reply.canned = answer;
  return reply;
}

Reply DecideReply(const ParsedRequest& request, const FileFacts& file) {
  if (!request.is_get) return Reply{};
  if (file.path == nullptr) return CannedReply(CannedAnswer::kNotFound);
  if (!file.opened || !file.size) return CannedReply(CannedAnswer::kServerError);
  Reply reply;
  reply.total = *file.size;
  const RangeDecision range = DecideRange(request.range, reply.total);
  if (range.kind == RangeDecision::Kind::kUnsatisfiable) {
    reply.kind = Reply::Kind::kRangeNotSatisfiable;
    return reply;
  }
  reply.kind = Reply::Kind::kFile;
  reply.content_type = ContentTypeOf(*file.path);
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
                                reply.first + reply.count - 1, reply.total);
      }
      return FillOkHead(canned.ok_header_template, reply.count, date, reply.content_type);
  }
  return {};
}

}  // namespace orvane
