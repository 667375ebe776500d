// The one decision of what a request is answered with: a resolved target
// turned into a reply made of named parts, a head and a body source.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "http/core/admission.h"
#include "http/core/body_source.h"
#include "http/core/request.h"
#include "http/core/resolve.h"
#include "http/core/responses.h"
#include "http/core/serving_options.h"

namespace orvane {

enum class CannedAnswer { kLimit, kNotFound, kServerError };

// The type of a page made here (a folder's listing).
inline constexpr std::string_view kListingType = "text/html; charset=utf-8";

struct Reply {
  enum class Kind {
    kNothing,  // the connection closes unanswered
    kCanned,   // one of the canned texts, dated
    kHead,     // `head`, dated, then the body
  };
  Kind kind = Kind::kNothing;
  CannedAnswer canned = CannedAnswer::kNotFound;
  HeadParts head;

  enum class Body { kNone, kBytes, kSource };
  Body body = Body::kNone;
  std::string bytes;                   // kBytes: the whole body
  std::unique_ptr<BodySource> source;  // kSource: bytes first..first+count-1 of it
  std::uint64_t first = 0;
  std::uint64_t count = 0;
  // kSource of a plain-text type: the character set is told from the first
  // bytes sent (TextTypeFor), so the head waits for them.
  bool text_charset_from_body = false;
};

Reply CannedReply(CannedAnswer answer);

// A page made here (UTF-8 HTML) under `status`, kept private to the client.
Reply PageReply(std::string_view status, std::string page);

// A body source of `content_type`: whole (200), the range the request asks
// for (206), or 416 for a range past its end; the 500 text when its length
// cannot be read.
Reply SourceReply(const ParsedRequest& request, std::unique_ptr<BodySource> source,
                  std::string_view content_type);

// `AnswerRequest`'s decision. Nothing for kIgnored; 404 for nothing there or
// a refused path; 500 for what is there but does not open, and for a file
// whose size cannot be read; 301 to a folder's own spelling; else the file
// whole (200), a range of it (206) or 416. With the common types on, the
// file's type comes from the common table, every file answer advertises
// byte ranges, and plain text gets its character set.
// A feature's target (a listing, the upload page, an upload, a thumbnail,
// an archive) is answered with what its module `made`, or 500 when it made
// nothing.
// With the access code on, `admission` comes first: a refused visitor gets
// the refusal page (403), one who brought the code the redirect that takes
// it out of the address and leaves its cookie (302); `target` is read only
// for a visitor let in.
Reply DecideReply(const ParsedRequest& request, const Admission& admission, Target target,
                  const ServingOptions& options, std::optional<Reply> made = std::nullopt);

// The plain-text type for a body that starts with `start`: "charset=utf-8"
// when its first kilobyte is UTF-8 (a character cut at the end of it
// allowed) or starts with a UTF-8 byte-order mark, else the ANSI code page's
// character set (`ansi_charset`, e.g. "gbk"), or no charset when that is
// empty.
std::string TextTypeFor(std::string_view start, std::string_view ansi_charset);

}  // namespace orvane
