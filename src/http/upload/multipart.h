// Reading a multipart/form-data body as it arrives: parts and their data are
// handed on piece by piece, so a body of any size is never held in memory.
// Pure: bytes in, events out.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace orvane {

// The longest boundary a multipart body may have.
inline constexpr std::size_t kMaxBoundaryBytes = 70;
// The most a part's header block may take, its closing empty line included.
inline constexpr std::size_t kMaxPartHeaderBytes = 8192;

// The boundary of a "multipart/form-data" Content-Type value (its
// "boundary" parameter, quoted or not); nullopt for any other type, or when
// the boundary is missing, longer than 70 characters, or holds a character
// a boundary may not have.
[[nodiscard]] std::optional<std::string> BoundaryOf(std::string_view content_type);

// True for 1 to 70 of the characters a boundary may hold, not ending in a
// space.
[[nodiscard]] bool IsValidBoundary(std::string_view boundary);

// What a part's header block says about it.
struct PartHeader {
  std::string name;  // the form field's name
  // The file's name as the client sent it: a quoted value as the HTML
  // standard writes it (no backslash escapes; %22, %0D and %0A undone), or
  // the UTF-8 of a "filename*=UTF-8''..." parameter, which is preferred when
  // both are present. Not yet made safe.
  std::string filename;
  bool has_filename = false;  // a file field (even one sent with no file chosen)
  std::string content_type;   // empty when the part has none
};

// Receives the parts of a body in order. Each call returns false to stop the
// reading (the data cannot be stored: the disk is full).
class MultipartSink {
 public:
  virtual ~MultipartSink() = default;
  virtual bool PartBegins(const PartHeader& header) = 0;
  // The part's data in pieces of any size; a part may have none at all.
  virtual bool PartData(std::string_view data) = 0;
  virtual bool PartEnds() = 0;
};

enum class MultipartState {
  kMoreWanted,  // the body is not over yet
  kDone,        // the closing boundary came; anything after it is ignored
  kMalformed,   // not a multipart body; a part begun is not ended
  kStopped,     // the sink said stop; a part begun is not ended
};

// A streaming reader of one body. Malformed: no boundary line before the
// body ends, a boundary line followed by anything but spaces and a line
// break (or "--" for the last), a part's header block over
// kMaxPartHeaderBytes or without "Content-Disposition: form-data", and a
// body that ends before its closing boundary. Text before the first boundary
// and after the last is ignored. What it holds between feeds is at most the
// boundary line and one header block.
class MultipartReader {
 public:
  // An invalid boundary (IsValidBoundary) gives a reader that is malformed
  // from the start.
  explicit MultipartReader(std::string_view boundary);

  // The next bytes of the body, split anywhere. Once the state is not
  // kMoreWanted, further bytes change nothing.
  [[nodiscard]] MultipartState Feed(std::string_view bytes, MultipartSink& sink);
  // The body is over: kDone only when its closing boundary came.
  [[nodiscard]] MultipartState Finish();

  [[nodiscard]] MultipartState state() const { return state_; }
  // Bytes held between feeds: a possible start of a boundary line, or part
  // of a header block.
  [[nodiscard]] std::size_t held_bytes() const { return held_.size(); }

 private:
  enum class Phase {
    kPreamble,      // looking for the first boundary; bytes are dropped
    kData,          // a part's data, looking for the next boundary
    kBoundaryTail,  // just after a boundary: "--", padding or a line break
    kCloseDash,     // after the first "-" of a closing "--"
    kPadding,       // spaces and tabs before the line break
    kPaddingLf,     // after the CR of that line break
    kHeaders,       // a part's header block
  };

  // Each takes what it can from the front of `bytes`.
  std::size_t TakeUntilDelimiter(std::string_view bytes, MultipartSink& sink);
  std::size_t TakeBoundaryTail(std::string_view bytes, MultipartSink& sink);
  std::size_t TakeHeaders(std::string_view bytes, MultipartSink& sink);
  // Data of the open part (dropped before the first boundary).
  bool Emit(std::string_view data, MultipartSink& sink);
  void Delimiter();

  std::string delimiter_;  // CR LF "--" boundary
  Phase phase_ = Phase::kPreamble;
  MultipartState state_ = MultipartState::kMoreWanted;
  bool in_part_ = false;
  // kPreamble/kData: the end of the bytes seen so far when it may begin a
  // delimiter (a proper prefix of it); kHeaders: the header block so far,
  // after a CR LF of its own so that an empty block ends at its first line.
  std::string held_;
};

}  // namespace orvane
