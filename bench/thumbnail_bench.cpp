// thumbnail-bench FOLDER THREADS: every picture of FOLDER made into its
// thumbnail through the maker's entry point (ThumbnailMaker::ThumbnailOf),
// THREADS threads taking the next file each, twice: first made, then from
// the store. Prints one line:
//   files N made M first SECONDS kept SECONDS peak BYTES
// with the peak resident memory of the whole process (VmHWM) at the end.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "http/thumbnail/thumbnail_maker.h"
#include "platform/clock.h"

namespace {

using orvane::thumbnail::Outcome;
using orvane::thumbnail::ThumbnailMaker;

struct Picture {
  std::string relative;
  orvane::thumbnail::FileStamp stamp;
};

// Every file of the folder, in the folder's own order.
std::vector<Picture> PicturesIn(const std::string& folder) {
  std::vector<Picture> pictures;
  const auto entries = orvane::platform::ListFolder({folder, "", true});
  if (!entries) return pictures;
  for (const auto& entry : *entries) {
    if (entry.is_folder) continue;
    pictures.push_back({"\\" + entry.name, {entry.size, entry.changed_unix_seconds}});
  }
  return pictures;
}

// One pass over every picture with `threads` threads: its seconds, and how
// many thumbnails were made (or found).
double Pass(ThumbnailMaker& maker, const std::string& folder, const std::vector<Picture>& pictures,
            int threads, int& made) {
  std::atomic<std::size_t> next{0};
  std::atomic<int> count{0};
  const auto start = std::chrono::steady_clock::now();
  std::vector<std::thread> workers;
  for (int t = 0; t < threads; ++t) {
    workers.emplace_back([&] {
      for (std::size_t i = next++; i < pictures.size(); i = next++) {
        const orvane::platform::FileName name{folder, pictures[i].relative, true};
        const auto result =
            maker.ThumbnailOf(name, pictures[i].stamp, orvane::platform::MonotonicMillis() + 60000);
        if (result.outcome == Outcome::kMade) ++count;
      }
    });
  }
  for (std::thread& worker : workers) worker.join();
  made = count;
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

long long PeakResidentBytes() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::atoll(line.c_str() + 6) * 1024;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s FOLDER THREADS\n", argv[0]);
    return 2;
  }
  const std::string folder = argv[1];
  const int threads = std::atoi(argv[2]);
  const std::vector<Picture> pictures = PicturesIn(folder);
  ThumbnailMaker maker;
  int made = 0;
  const double first = Pass(maker, folder, pictures, threads, made);
  int kept = 0;
  const double again = Pass(maker, folder, pictures, threads, kept);
  std::printf("files %zu made %d first %.4f kept %.6f found %d peak %lld\n", pictures.size(), made,
              first, again, kept, PeakResidentBytes());
  return made == static_cast<int>(pictures.size()) && kept == made ? 0 : 1;
}
