// Archives of real folders, fetched by curl from a running server (and the
// largest made by the body itself), read back by Python's zipfile, unzip,
// 7-Zip and bsdtar (tests/integration/zip_oracles.py).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "http/archive/archive_walk.h"
#include "http/core/serving_options.h"
#include "support/test_support.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;
using Manifest = std::vector<std::pair<std::string, fs::path>>;  // empty path: a folder

constexpr std::uint64_t kGiB = 1ull << 30;
const std::string kTravel = "\xE6\x97\x85\xE8\xA1\x8C";     // 旅行
const std::string kPhoto = "\xE7\x85\xA7\xE7\x89\x87.jpg";  // 照片.jpg
const std::string kEmpty = "\xE7\xA9\xBA";                  // 空

class ArchiveOracleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::error_code error;  // in memory where it can: a hole there reads as the zero page
    base_ = fs::is_directory("/dev/shm", error) ? "/dev/shm" : fs::temp_directory_path();
    base_ /= std::string("orvane-zip-") + info->name() + "-" + std::to_string(getpid());
    fs::remove_all(base_);
    fs::create_directories(site());
  }
  void TearDown() override {
    server_.reset();
    fs::remove_all(base_);
  }

  fs::path site() const { return base_ / "site"; }
  fs::path Write(const fs::path& relative, const std::string& bytes) {
    const fs::path path = site() / relative;
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
  ArchiveWalk Walk(const std::string& relative, const std::vector<std::string>* ticked = nullptr,
                   std::size_t most = kMaxArchiveEntries) {
    const std::string root = site().string();
    return WalkForArchive(platform::FileName{root, relative, true}, ticked, most);
  }

  // The walk's archive written to a file, a block of zeros left as a hole.
  fs::path WriteArchive(const ArchiveWalk& walk) {
    EXPECT_EQ(ArchiveWalk::Outcome::kDone, walk.outcome) << walk.problem;
    const auto layout = std::make_shared<const ArchiveLayout>(walk.entries);
    ArchiveBody body(layout, DiskEntryOpener(walk), nullptr, CachePrefixOf(walk));
    const fs::path out = base_ / "out.zip";
    const int fd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::string block(1u << 20, '\0');
    const std::string zeros(block.size(), '\0');
    std::uint64_t total = 0;
    for (std::int64_t got; (got = body.Read(block.data(), block.size())) > 0;) {
      const auto n = static_cast<std::size_t>(got);
      const bool hole = n == block.size() && block == zeros;
      EXPECT_EQ(hole ? static_cast<off_t>(total + n) : static_cast<off_t>(n),
                hole ? lseek(fd, static_cast<off_t>(n), SEEK_CUR) : write(fd, block.data(), n));
      total += n;
    }
    EXPECT_EQ(0, ftruncate(fd, static_cast<off_t>(total)));
    close(fd);
    EXPECT_EQ(layout->length(), total);
    EXPECT_FALSE(body.fault().has_value());
    return out;
  }

  // curl's fetch of /:zip`folder` (the listing on) into `out`, with curl's
  // `options` (a form to POST, "-C -" to resume); curl's exit code.
  int Curl(const std::string& folder, const fs::path& out, const std::string& options = "") {
    if (!server_) {
      server_ = std::make_unique<testing::RunningServer>(site().u8string());
      ServingOptions listing;
      listing.list_folders = true;
      server_->server->SetServingOptions(listing);
    }
    return std::system(("curl -sSf --max-time 60 " + options + " -o '" + out.string() +
                        "' http://127.0.0.1:" + std::to_string(server_->port) + "/:zip" + folder)
                           .c_str());
  }

  // The four readers agree that `archive` holds exactly `manifest`.
  void ExpectReadersFind(const fs::path& archive, const Manifest& manifest, bool crc_only = false) {
    std::ofstream lines(base_ / "manifest.txt");
    for (const auto& [name, source] : manifest) lines << name << '\t' << source.string() << '\n';
    lines.close();
    const std::string command = "python3 '" ORACLE_SCRIPT "' '" + archive.string() + "' '" +
                                (base_ / "manifest.txt").string() + "'" +
                                (crc_only ? " --crc-only" : "") + " > '" +
                                (base_ / "oracles.txt").string() + "' 2>&1";
    const int status = std::system(command.c_str());
    std::ifstream report(base_ / "oracles.txt");
    EXPECT_EQ(0, status) << std::string(std::istreambuf_iterator<char>(report), {});
  }

  fs::path base_;
  std::unique_ptr<testing::RunningServer> server_;
};

std::string RandomBytes(std::size_t size) {
  std::mt19937 random(static_cast<unsigned>(size));
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(random());
  return bytes;
}

// A folder as the listing shows it: hidden entries, names no path can hold,
// special files and dangling links left out, links followed, a link back
// to a parent and one to itself not entered, empty folders kept.
TEST_F(ArchiveOracleTest, TheWholeFolderHoldsWhatItsListingShowsAndEveryReaderAgrees) {
  const fs::path hello = Write("a.txt", "hello");
  const fs::path photo = Write(kTravel + "/" + kPhoto, RandomBytes(100000));
  fs::create_directories(site() / kTravel / kEmpty);
  Write(kTravel + "/.hidden", "secret");
  Write("only-hidden/.x", "secret");
  const fs::path inner = Write("loop/file.txt", "in the loop");
  fs::create_directory_symlink("..", site() / "loop" / "up");
  fs::create_directory_symlink(".", site() / "loop" / "self");
  fs::create_symlink("a.txt", site() / "link-to-file");
  const fs::path outside = base_ / "outside";
  fs::create_directories(outside);
  std::ofstream(outside / "x.txt") << "from outside";
  fs::create_directory_symlink(outside, site() / "outside");
  fs::create_symlink("nowhere", site() / "dangling");
  ASSERT_EQ(0, mkfifo((site() / "fifo").c_str(), 0644));
  for (const char* refused : {"CON", "trailing.", "ctl\x01", "bad\xFF"}) Write(refused, "x");
  const fs::path zero = Write("zero.bin", "");

  const fs::path all = base_ / "all.zip";
  const fs::path travel = base_ / "travel.zip";
  const fs::path resumed = base_ / "resumed.zip";
  ASSERT_EQ(0, Curl("/", all));
  ExpectReadersFind(all, {{"a.txt", hello},
                          {"link-to-file", hello},
                          {"loop/file.txt", inner},
                          {"only-hidden/", {}},
                          {"outside/x.txt", outside / "x.txt"},
                          {"zero.bin", zero},
                          {kTravel + "/" + kPhoto, photo},
                          {kTravel + "/" + kEmpty + "/", {}}});
  // A folder below the top: names start from it.
  ASSERT_EQ(0, Curl("/%E6%97%85%E8%A1%8C/", travel));
  ExpectReadersFind(travel, {{kPhoto, photo}, {kEmpty + "/", {}}});
  // A download cut short goes on where it stopped and gives the same bytes.
  fs::copy_file(travel, resumed);
  fs::resize_file(resumed, 54321);
  EXPECT_EQ(0, Curl("/%E6%97%85%E8%A1%8C/", resumed, "-C -"));
  EXPECT_EQ(0, std::system(("cmp '" + travel.string() + "' '" + resumed.string() + "'").c_str()));
}

TEST_F(ArchiveOracleTest, TickedEntriesComeWithEverythingUnderThemAndOnlyListedNamesAreTaken) {
  const fs::path hello = Write("a.txt", "hello");
  const fs::path photo = Write(kTravel + "/" + kPhoto, RandomBytes(5000));
  fs::create_directories(site() / kTravel / kEmpty);
  Write("b.txt", "not ticked");
  Write(".hidden", "secret");
  Write("CON", "refused");
  fs::create_symlink("nowhere", site() / "dangling");
  const fs::path ticked = base_ / "ticked.zip";
  ASSERT_EQ(0, Curl("/", ticked, "--data 'n=%E6%97%85%E8%A1%8C&n=a.txt'"));
  ExpectReadersFind(
      ticked,
      {{"a.txt", hello}, {kTravel + "/" + kPhoto, photo}, {kTravel + "/" + kEmpty + "/", {}}});

  for (const std::string not_listed : {"nope", ".hidden", "CON", "dangling", "A.TXT"}) {
    const std::vector<std::string> names = {"a.txt", not_listed};
    const ArchiveWalk walk = Walk("", &names);
    EXPECT_EQ(ArchiveWalk::Outcome::kNotAnEntry, walk.outcome) << not_listed;
    EXPECT_EQ(not_listed, walk.problem);
  }
  EXPECT_EQ(ArchiveWalk::Outcome::kTooMany, Walk("", nullptr, 3).outcome);
  EXPECT_EQ(ArchiveWalk::Outcome::kDone, Walk("", nullptr, 4).outcome);  // a, b, photo, empty
  EXPECT_EQ(ArchiveWalk::Outcome::kUnreadable, Walk("\\missing").outcome);
}

// A file that grows or shrinks while it is being sent ends the reads: the
// client sees a cut download, never an archive with a wrong CRC or size.
TEST_F(ArchiveOracleTest, AFileThatChangesSizeWhileItIsReadFailsTheReadAndIsNamed) {
  for (const bool grow : {true, false}) {
    SCOPED_TRACE(grow ? "grows" : "shrinks");
    const fs::path big = Write("big.bin", RandomBytes(1u << 20));
    Write("next.txt", "after");
    const ArchiveWalk walk = Walk("");
    ArchiveBody body(std::make_shared<const ArchiveLayout>(walk.entries), DiskEntryOpener(walk),
                     nullptr, "");
    std::string piece(100000, '\0');
    ASSERT_EQ(100000, body.Read(piece.data(), piece.size()));
    if (grow) {
      std::ofstream(big, std::ios::app) << "more";
    } else {
      fs::resize_file(big, 500000);
    }
    std::int64_t got = 0;
    while ((got = body.Read(piece.data(), piece.size())) > 0) {
    }
    EXPECT_EQ(-1, got);
    ASSERT_TRUE(body.fault().has_value());
    EXPECT_EQ(ArchiveFault::Kind::kChangedSize, body.fault()->kind);
    EXPECT_EQ("big.bin", body.fault()->entry);
  }
}

// Past 4 GiB, from sparse files: one entry of more than 4 GiB (its sizes in
// ZIP64 fields) and one after it (its offset in one).
TEST_F(ArchiveOracleTest, AnArchivePastFourGiBIsReadByEveryReader) {
  const auto started = std::chrono::steady_clock::now();
  const fs::path huge = site() / "huge.bin";
  const std::uint64_t size = 4 * kGiB + 4096;
  {
    std::ofstream out(huge, std::ios::binary);
    for (const std::uint64_t at : {std::uint64_t{0}, 2 * kGiB, size - 6}) {
      out.seekp(static_cast<std::streamoff>(at));
      out << "marker";
    }
  }
  ASSERT_EQ(size, fs::file_size(huge));
  const fs::path tail = Write("tail.txt", "the last entry");
  ExpectReadersFind(WriteArchive(Walk("")), {{"huge.bin", huge}, {"tail.txt", tail}}, true);
  std::printf("an archive of 4 GiB made and read by four readers in %.1f s\n",
              std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
}

}  // namespace
}  // namespace orvane
