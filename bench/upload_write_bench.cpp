// upload-write-bench [FOLDER]: the speed of an upload's write path without
// the network. A 512 MiB form body (one file of random bytes, as a photo or
// a video is) is fed in pieces of 64 KiB to the multipart reader alone, then
// to the reader writing into an UploadFile in FOLDER (when given) that is
// then removed. A second body whose data is all CR LF "--" and most of the
// boundary shows the reader's worst case. One line per measure, in MiB/s.
#include <chrono>
#include <cstdio>
#include <optional>
#include <random>
#include <string>
#include <string_view>

#include "http/upload/multipart.h"
#include "platform/upload_file.h"

namespace {

using orvane::MultipartReader;
using orvane::MultipartState;
using orvane::PartHeader;
using orvane::platform::UploadFile;
using orvane::platform::WriteResult;

constexpr std::size_t kBodyMiB = 512;
constexpr std::size_t kPiece = 64 * 1024;
const std::string kBoundary = "----WebKitFormBoundary7MA4YWxkTrZu0gW";

// Counts the data; with a file, writes it there too.
class Sink : public orvane::MultipartSink {
 public:
  explicit Sink(UploadFile* file) : file_(file) {}
  bool PartBegins(const PartHeader&) override { return true; }
  bool PartData(std::string_view data) override {
    bytes += data.size();
    return file_ == nullptr || file_->Write(data) == WriteResult::kOk;
  }
  bool PartEnds() override { return file_ == nullptr || file_->Flush() == WriteResult::kOk; }
  std::size_t bytes = 0;

 private:
  UploadFile* file_;
};

// The body is made of one 1 MiB block of data repeated, so that making it
// costs nothing next to reading it.
double Run(const std::string& block, UploadFile* file) {
  const std::string head = "--" + kBoundary +
                           "\r\nContent-Disposition: form-data; name=\"f\"; filename=\"v.mp4\"\r\n"
                           "Content-Type: video/mp4\r\n\r\n";
  const std::string tail = "\r\n--" + kBoundary + "--\r\n";
  MultipartReader reader(kBoundary);
  Sink sink(file);
  const auto start = std::chrono::steady_clock::now();
  (void)reader.Feed(head, sink);
  for (std::size_t mib = 0; mib < kBodyMiB; ++mib) {
    for (std::size_t at = 0; at < block.size(); at += kPiece) {
      (void)reader.Feed(std::string_view(block).substr(at, kPiece), sink);
    }
  }
  const MultipartState state = reader.Feed(tail, sink);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (state != MultipartState::kDone || sink.bytes != kBodyMiB * block.size()) {
    std::fprintf(stderr, "the body was not read whole\n");
    return 0;
  }
  return static_cast<double>(kBodyMiB) / seconds;
}

}  // namespace

int main(int argc, char** argv) {
  std::string random_block(1 << 20, '\0');
  std::mt19937 random(1);
  for (char& c : random_block) c = static_cast<char>(random());
  std::string near_block;
  const std::string near = "\r\n--" + kBoundary.substr(0, kBoundary.size() - 1) + "x";
  while (near_block.size() + near.size() <= random_block.size()) near_block += near;
  near_block.resize(random_block.size(), 'y');

  std::printf("multipart reader, random data: %.0f MiB/s\n", Run(random_block, nullptr));
  std::printf("multipart reader, near-boundary data: %.0f MiB/s\n", Run(near_block, nullptr));
  if (argc > 1) {
    std::optional<UploadFile> file = UploadFile::Create(argv[1]);
    if (!file) {
      std::fprintf(stderr, "cannot make a file in %s\n", argv[1]);
      return 1;
    }
    std::printf("multipart reader into an upload file: %.0f MiB/s\n", Run(random_block, &*file));
  }
  return 0;
}
