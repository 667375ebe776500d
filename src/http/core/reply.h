// The one decision of what a request is answered with, from the parsed
// request and what the file system said about the file it names, and the
// bytes that answer starts with.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "http/core/folder_listing.h"
#include "http/core/path_map.h"
#include "http/core/request.h"
#include "http/core/responses.h"
#include "http/core/serving_options.h"

namespace orvane {

// What the service found out about what the request names. It looks only as
// far as it must: no path when nothing was found, no size when it did not
// open.
struct FileFacts {
  const MappedPath* path = nullptr;  // the existing file (or folder), or null
  bool opened = false;
  std::optional<std::uint64_t> size;  // nullopt: unreadable
  // Found out only with the folder listing on: `path` is a folder (named
  // without a final "/", or with one and no index.htm in it), and for a
  // final "/" its entries, nullopt when it could not be read whole.
  bool is_folder = false;
  std::optional<FolderListing> listing;
};

enum class CannedAnswer { kLimit, kNotFound, kServerError };

// The type of a listing page.
inline constexpr std::string_view kListingType = "text/html; charset=utf-8";

struct Reply {
  enum class Kind {
    kNothing,              // the connection closes unanswered
    kCanned,               // one of the canned texts, dated
    kFile,                 // a head, then bytes first..first+count-1 of the file
    kRangeNotSatisfiable,  // 416 for a file of `total` bytes
    kPage,                 // 200 with `body`, a page made here (a folder's listing)
    kRedirect,             // 301 to `location`
  };
  Kind kind = Kind::kNothing;
  CannedAnswer canned = CannedAnswer::kNotFound;
  std::string_view content_type;  // kFile, kPage
  bool all_ranges = false;        // kFile: advertise byte ranges whatever the type
  bool partial = false;           // kFile: 206 rather than 200
  std::uint64_t first = 0;
  std::uint64_t count = 0;
  std::uint64_t total = 0;  // the file's size
  std::string body;         // kPage
  std::string location;     // kRedirect
};

Reply CannedReply(CannedAnswer answer);

// `AnswerRequest`'s decision: nothing for a request that is not GET; 404
// when no file was found, 500 when it could not be opened or sized; else
// the file whole (200), a range of it (206), or 416. With the folder listing
// on, a folder named without its final "/" is sent there (301), and one
// named with it and read whole gets its listing page (else 500). With the
// common types on, the file's type comes from the common table and every
// file answer advertises byte ranges.
Reply DecideReply(const ParsedRequest& request, FileFacts file, ServingOptions options = {});

// Where a folder named without its final "/" is sent: the path as the client
// sent it, with the "/" added; bytes that a URL cannot hold as they are
// (controls, space, non-ASCII, quotes, angle brackets, "#") percent-encoded.
std::string FolderRedirectLocation(std::string_view raw_path);

// The bytes a reply starts with, dated `date`: a whole canned answer, a 416
// or 301 answer, or the head of a file answer or a page. Empty for kNothing.
std::string ReplyHead(const Reply& reply, const CannedResponses& canned, std::string_view date);

}  // namespace orvane
