// libFuzzer target: arbitrary upload bodies through the multipart reader, fed
// whole, in random pieces and byte by byte, which must all give the same
// parts; each received file name through the name rules; and the body as a
// resumable upload's metadata.
//
// Input: two bytes that seed the split points and the part at which the sink
// stops, then the body. The boundary is fixed ("AaB03x"), so that the corpus
// (fuzz/multipart_corpus) can hold real bodies.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "http/upload/multipart.h"
#include "http/upload/resumable_rules.h"
#include "http/core/path_map.h"
#include "http/upload/upload_name.h"
#include "http/core/url_decode.h"

namespace orvane {
namespace {

constexpr std::string_view kBoundary = "AaB03x";

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
  }
}

bool WellFormedUtf8(std::string_view text) {
  return IsNonAsciiUtf8(text) ||
         std::all_of(text.begin(), text.end(), [](char c) { return (c & 0x80) == 0; });
}

void CheckSafeName(std::string_view sent) {
  const std::string name = SafeUploadName(sent);
  Check(!name.empty() && name.size() <= kMaxUploadNameBytes, "1 to 200 bytes");
  Check(name[0] != '.' && name.back() != '.' && name.back() != ' ',
        "no leading dot, no final dot or space");
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    Check(byte >= 0x20 && byte != 0x7F &&
              std::string_view("<>:\"/\\|?*").find(c) == std::string_view::npos,
          "no control byte, separator or character Windows refuses");
  }
  Check(!IsReservedDeviceName(name), "no device name");
  Check(WellFormedUtf8(name), "well-formed UTF-8");
  for (const int n : {1, 99999}) {
    const std::string candidate = FreeNameCandidate(name, n);
    Check(candidate.size() <= kMaxUploadNameBytes, "a numbered name stays within 200 bytes");
    Check(WellFormedUtf8(candidate), "a numbered name is cut between characters");
  }
}

// The events as one list; a part's data joined whatever pieces it came in.
class Recorder : public MultipartSink {
 public:
  explicit Recorder(int stop_at_part) : stop_at_part_(stop_at_part) {}
  bool PartBegins(const PartHeader& header) override {
    Check(!open_, "a part begins only after the last one ended");
    open_ = true;
    events.push_back("B" + header.name + "\n" + header.filename + "\n" + header.content_type +
                     (header.has_filename ? "\nF" : "\nT"));
    if (header.has_filename) CheckSafeName(header.filename);
    return ++parts_ != stop_at_part_;
  }
  bool PartData(std::string_view data) override {
    Check(open_, "data only inside a part");
    Check(!data.empty(), "no empty piece of data");
    data_bytes += data.size();
    if (events.empty() || events.back()[0] != 'D') events.push_back("D");
    events.back() += data;
    return true;
  }
  bool PartEnds() override {
    Check(open_, "a part ends only once it began");
    open_ = false;
    events.push_back("E");
    return true;
  }
  std::vector<std::string> events;
  std::size_t data_bytes = 0;

 private:
  int stop_at_part_;
  int parts_ = 0;
  bool open_ = false;
};

struct Result {
  std::vector<std::string> events;
  MultipartState state;
  bool operator==(const Result& o) const { return events == o.events && state == o.state; }
};

Result Read(std::string_view body, const std::vector<std::size_t>& cuts, int stop_at_part) {
  MultipartReader reader(kBoundary);
  Recorder sink(stop_at_part);
  std::size_t from = 0;
  for (std::size_t i = 0; i <= cuts.size(); ++i) {
    const std::size_t to = i < cuts.size() ? cuts[i] : body.size();
    const MultipartState before = reader.state();
    const std::size_t events_before = sink.events.size();
    const MultipartState state = reader.Feed(body.substr(from, to - from), sink);
    Check(before == MultipartState::kMoreWanted ||
              (state == before && sink.events.size() == events_before),
          "nothing changes once the reading is over");
    Check(reader.held_bytes() <= std::max(kBoundary.size() + 3, kMaxPartHeaderBytes + 2),
          "held bytes stay bounded");
    from = to;
  }
  Check(sink.data_bytes <= body.size(), "no more data than the body");
  const MultipartState state = reader.Finish();
  Check(state != MultipartState::kMoreWanted, "the end of the body settles the state");
  return {sink.events, state};
}

}  // namespace
}  // namespace orvane

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace orvane;
  if (size < 2) return 0;
  std::uint32_t seed = data[0] | (static_cast<std::uint32_t>(data[1]) << 8);
  const std::string_view body(reinterpret_cast<const char*>(data) + 2, size - 2);

  // The first line as a Content-Type: a boundary found is one a reader takes.
  const std::optional<std::string> boundary = BoundaryOf(body.substr(0, body.find('\r')));
  Check(!boundary || IsValidBoundary(*boundary), "BoundaryOf gives a valid boundary");

  // The same bytes as an upload's metadata, and as base64.
  if (const std::optional<UploadMetadata> metadata = ParseUploadMetadata(body)) {
    Check(!metadata->filename.empty(), "metadata names a file");
  }
  if (const std::optional<std::string> decoded = DecodeBase64(body)) {
    Check(body.size() % 4 == 0 && decoded->size() <= body.size() / 4 * 3 &&
              decoded->size() + 2 >= body.size() / 4 * 3,
          "base64 decodes whole quads");
  }

  const int stop_at_part = static_cast<int>(seed % 4);  // 0: never stops
  const Result whole = Read(body, {}, stop_at_part);
  std::vector<std::size_t> cuts;
  const std::size_t pieces = body.empty() ? 0 : 1 + (seed >> 2) % 8;
  for (std::size_t i = 0; i < pieces; ++i) {
    seed = seed * 1103515245u + 12345u;
    cuts.push_back((seed >> 8) % (body.size() + 1));
  }
  std::sort(cuts.begin(), cuts.end());
  Check(whole == Read(body, cuts, stop_at_part), "pieces give what the whole body gives");
  if (body.size() <= 4096) {
    std::vector<std::size_t> every;
    for (std::size_t i = 1; i < body.size(); ++i) every.push_back(i);
    Check(whole == Read(body, every, stop_at_part), "bytes one by one give the same");
  }
  if (stop_at_part != 0) {
    // Stopping cuts the events short and changes nothing before that point.
    const Result unstopped = Read(body, {}, 0);
    Check(whole.events.size() <= unstopped.events.size() &&
              std::equal(whole.events.begin(), whole.events.end(), unstopped.events.begin()),
          "a stop only cuts the events short");
  }
  return 0;
}
