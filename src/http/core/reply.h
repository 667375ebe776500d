// The one decision of what a request is answered with, from the parsed
// request and what the file system said about the file it names, and the
// bytes that answer starts with.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "http/core/path_map.h"
#include "http/core/request.h"
#include "http/core/responses.h"

namespace orvane {

// What the service found out about the requested file. It looks only as far
// as it must: no path when nothing was found, no size when it did not open.
struct FileFacts {
  const MappedPath* path = nullptr;  // the existing file, or null
  bool opened = false;
  std::optional<std::uint64_t> size;  // nullopt: unreadable
};

enum class CannedAnswer { kLimit, kNotFound, kServerError };

struct Reply {
  enum class Kind {
    kNothing,              // the connection closes unanswered
    kCanned,               // one of the canned texts, dated
    kFile,                 // a head, then bytes first..first+count-1 of the file
    kRangeNotSatisfiable,  // 416 for a file of `total` bytes
  };
  Kind kind = Kind::kNothing;
  CannedAnswer canned = CannedAnswer::kNotFound;
  std::string_view content_type;  // kFile
  bool partial = false;           // kFile: 206 rather than 200
  std::uint64_t first = 0;
  std::uint64_t count = 0;
  std::uint64_t total = 0;  // the file's size
};

Reply CannedReply(CannedAnswer answer);

// `AnswerRequest`'s decision: nothing for a request that is not GET; 404
// when no file was found, 500 when it could not be opened or sized; else
// the file whole (200), a range of it (206), or 416.
Reply DecideReply(const ParsedRequest& request, const FileFacts& file);

// The bytes a reply starts with, dated `date`: a whole canned answer, a 416
// answer, or the head of a file answer. Empty for kNothing.
std::string ReplyHead(const Reply& reply, const CannedResponses& canned, std::string_view date);

}  // namespace orvane
