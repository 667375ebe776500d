#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "http/archive/archive_layout.h"
#include "http/archive/download_name.h"
#include "http/archive/ticked_names.h"

namespace orvane {
namespace {

const std::string kTravel = "\xE6\x97\x85\xE8\xA1\x8C";  // 旅行

TEST(TickedNamesTest, DecodesTheNamesAndRefusesTheWholeBodyForAnyHostileOne) {
  using R = TickedRefusal;
  struct Case {
    std::string body;
    R refusal;
    std::vector<std::string> names;
  };
  const std::string long_name(766, 'a');
  const Case cases[] = {
      {"n=a.jpg", R::kNone, {"a.jpg"}},
      {"n=%E6%97%85%E8%A1%8C&n=b+c.txt&n=100%25", R::kNone, {kTravel, "b c.txt", "100%"}},
      {"go=1&n=a&&x=%2F", R::kNone, {"a"}},  // other fields and empty ones left alone
      {"n=.hidden", R::kNone, {".hidden"}},  // whether it is listed is the folder's question
      {"n=" + std::string(765, 'a'), R::kNone, {std::string(765, 'a')}},
      {"n=" + long_name, R::kNotAName, {}},
      {"n=..", R::kNotAName, {}},
      {"n=.", R::kNotAName, {}},
      {"n=", R::kNotAName, {}},
      {"n=a%2Fb", R::kNotAName, {}},
      {"n=a/b", R::kNotAName, {}},
      {"n=a%5Cb", R::kNotAName, {}},
      {"n=..%2F..%2Fetc", R::kNotAName, {}},
      {"n=a%00b", R::kNotAName, {}},
      {"n=a%0Ab", R::kNotAName, {}},
      {"n=%FF%FE", R::kNotAName, {}},  // not UTF-8
      {"n=%C0%AF", R::kNotAName, {}},  // an overlong "/"
      {"n=con", R::kNotAName, {}},     // a device
      {"n=a.&n=b", R::kNotAName, {}},  // Windows would drop the dot
      {"n=ok&n=%2", R::kMalformed, {}},
      {"n=%zz", R::kMalformed, {}},
      {"n%=a", R::kMalformed, {}},
      {"n=a&n=b&n=a", R::kDuplicate, {}},
      {"", R::kNothing, {}},
      {"x=1&y=2", R::kNothing, {}},
      {std::string(kMaxTickedFormBytes + 1, 'x'), R::kTooMany, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.body.substr(0, 60));
    const TickedNames got = DecodeTickedNames(c.body);
    EXPECT_EQ(c.refusal, got.refusal);
    EXPECT_EQ(c.names, got.names);
  }
  std::string many;
  for (std::size_t i = 0; i <= kMaxTickedNames; ++i) many += "n=" + std::to_string(i) + "&";
  EXPECT_EQ(R::kTooMany, DecodeTickedNames(many).refusal);
}

TEST(DownloadNameTest, NamesTheArchiveAfterItsFolderWithAnAsciiFallback) {
  struct Case {
    std::string path;
    std::string root;
    std::string file_name;
    std::string disposition;
  };
  const std::string travel_zip = kTravel + ".zip";
  const Case cases[] = {
      {"/" + kTravel + "/", "C:\\site", travel_zip,
       "attachment; filename=\"archive.zip\"; "
       "filename*=UTF-8''%E6%97%85%E8%A1%8C.zip"},
      {"/a/2024 " + kTravel + "/", "/srv/x", "2024 " + travel_zip,
       "attachment; filename=\"2024 __.zip\"; filename*=UTF-8''2024%20%E6%97%85%E8%A1%8C.zip"},
      {"/", "C:\\Users\\me\\Photos\\", "Photos.zip",
       "attachment; filename=\"Photos.zip\"; filename*=UTF-8''Photos.zip"},
      {"/", "/srv/site", "site.zip",
       "attachment; filename=\"site.zip\"; filename*=UTF-8''site.zip"},
      {"/", "D:\\", "archive.zip",
       "attachment; filename=\"archive.zip\"; filename*=UTF-8''archive.zip"},
      {"/say \"hi\" 100%\\/", "/", "say \"hi\" 100%.zip",  // a name that needs the fallback's care
       "attachment; filename=\"say _hi_ 100_.zip\"; "
       "filename*=UTF-8''say%20%22hi%22%20100%25.zip"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path + " in " + c.root);
    const std::string name = ArchiveFileName(c.path, c.root);
    EXPECT_EQ(c.file_name, name);
    EXPECT_EQ(c.disposition, ContentDispositionFor(name));
  }
}

TEST(ArchiveLayoutTest, TheFingerprintChangesWithEveryNameSizeAndTime) {
  const std::vector<ArchiveEntry> base = {{"a.jpg", 10, 100, {1, 2}}, {"b/", 0, 200, {3, 4}}};
  const std::uint64_t fingerprint = ArchiveLayout(base).Fingerprint();
  EXPECT_EQ(fingerprint, ArchiveLayout(base).Fingerprint());
  for (int change = 0; change < 5; ++change) {
    std::vector<ArchiveEntry> other = base;
    ArchiveEntry& e = other[0];
    if (change == 0) e.name = "a.jpeg";
    if (change == 1) e.size = 11;
    if (change == 2) e.unix_seconds = 101;
    if (change == 3) e.dos.time = 9;
    if (change == 4) other.pop_back();
    EXPECT_NE(fingerprint, ArchiveLayout(other).Fingerprint()) << change;
  }
}

}  // namespace
}  // namespace orvane
