#include "http/thumbnail/thumbnail_reply.h"

#include <utility>

#include "http/thumbnail/thumbnail_pages.h"

namespace orvane::thumbnail {

namespace {

// A made thumbnail as a reply's body, read from the kept copy itself.
class ThumbnailBody final : public BodySource {
 public:
  explicit ThumbnailBody(std::shared_ptr<const Thumbnail> thumbnail)
      : thumbnail_(std::move(thumbnail)) {}
  [[nodiscard]] std::optional<std::uint64_t> Length() const override {
    return thumbnail_->jpeg.size();
  }
  bool Seek(std::uint64_t offset) override {
    if (offset > thumbnail_->jpeg.size()) return false;
    at_ = static_cast<std::size_t>(offset);
    return true;
  }
  std::int64_t Read(char* buffer, std::size_t size) override {
    const std::size_t count = thumbnail_->jpeg.copy(buffer, size, at_);
    at_ += count;
    return static_cast<std::int64_t>(count);
  }
  [[nodiscard]] std::intptr_t native() const override { return -1; }

 private:
  std::shared_ptr<const Thumbnail> thumbnail_;
  std::size_t at_ = 0;
};

std::string_view TrimmedSpace(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

void AddCacheLines(Reply& reply, FileStamp stamp) {
  reply.head.private_cache = false;  // the cache line below says it
  reply.head.extra_lines.push_back("ETag: " + ThumbnailEtag(stamp));
  reply.head.extra_lines.emplace_back(kThumbnailCacheLine);
}

}  // namespace

bool TagMatches(std::string_view if_none_match, std::string_view etag) {
  if (TrimmedSpace(if_none_match) == "*") return true;
  while (!if_none_match.empty()) {
    const std::size_t comma = if_none_match.find(',');
    std::string_view tag = TrimmedSpace(if_none_match.substr(0, comma));
    // If-None-Match compares weakly: "W/" does not count.
    if (tag.substr(0, 2) == "W/") tag.remove_prefix(2);
    if (tag == etag) return true;
    if (comma == std::string_view::npos) break;
    if_none_match.remove_prefix(comma + 1);
  }
  return false;
}

Reply NotModifiedReply(FileStamp stamp) {
  Reply reply;
  reply.kind = Reply::Kind::kHead;
  reply.head.status = "304 Not Modified";
  // It tells nothing of a body: a length and a type would be the 200's.
  reply.head.no_content = true;
  AddCacheLines(reply, stamp);
  return reply;
}

Reply ThumbnailReply(const ParsedRequest& request, std::shared_ptr<const Thumbnail> thumbnail,
                     FileStamp stamp) {
  Reply reply =
      SourceReply(request, std::make_unique<ThumbnailBody>(std::move(thumbnail)), "image/jpeg");
  if (reply.kind == Reply::Kind::kHead) AddCacheLines(reply, stamp);
  return reply;
}

Reply BusyReply() {
  return PageReply("503 Service Unavailable", std::string(pages::ThumbnailBusyPage()));
}

}  // namespace orvane::thumbnail
