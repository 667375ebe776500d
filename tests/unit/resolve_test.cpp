#include "http/core/resolve.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "support/stand_in_file.h"

namespace orvane {
namespace {

using Kind = Target::Kind;
using Found = SiteLookup::Kind;

// A site folder of named entries; each name is an encoding letter ("u"
// Unicode, "a" ANSI) and the full path. Records every question asked.
class FakeSite : public SiteLookup {
 public:
  explicit FakeSite(std::map<std::string, Found> entries) : entries_(std::move(entries)) {}

  std::unique_ptr<BodySource> Open(const MappedPath& path) override {
    asked_.push_back("open " + Key(path));
    if (Look(path) != Found::kFile) return nullptr;
    return std::make_unique<testing::StandInFile>();
  }
  Kind KindOf(const MappedPath& path) override {
    asked_.push_back("kind " + Key(path));
    return Look(path);
  }
  // GBK's 中 (D6 D0) and 文 (CE C4) are the only ANSI text it knows.
  std::optional<std::string> AnsiToUtf8(std::string_view ansi) override {
    std::string out;
    for (std::size_t i = 0; i < ansi.size(); ++i) {
      const std::string_view pair = ansi.substr(i, 2);
      if (pair == "\xD6\xD0" || pair == "\xCE\xC4") {
        out += pair == "\xD6\xD0" ? "\xE4\xB8\xAD" : "\xE6\x96\x87";
        ++i;
      } else if (static_cast<unsigned char>(ansi[i]) < 0x80) {
        out += ansi[i];
      } else {
        return std::nullopt;
      }
    }
    return out;
  }
  const std::vector<std::string>& asked() const { return asked_; }

 private:
  static std::string Key(const MappedPath& path) {
    return (path.encoding == NameEncoding::kUtf8 ? "u " : "a ") + path.FullPath();
  }
  Found Look(const MappedPath& path) const {
    const auto found = entries_.find(Key(path));
    return found == entries_.end() ? Found::kNothing : found->second;
  }

  std::map<std::string, Found> entries_;
  std::vector<std::string> asked_;
};

// What a target says, in one line: its kind and its path, location or heading.
std::string Describe(const Target& target) {
  switch (target.kind) {
    case Kind::kIgnored:
      return "ignored";
    case Kind::kFile:
      return "file " + target.path.FullPath();
    case Kind::kFolderIndex:
      return "index " + target.path.FullPath();
    case Kind::kListing:
      return "listing " + target.heading + " of " + target.path.FullPath();
    case Kind::kFolderRedirect:
      return "301 " + target.location;
    case Kind::kMissing:
      return "404";
    case Kind::kRefused:
      return "refused";
    case Kind::kUnreadable:
      return "500 " + target.path.FullPath();
    case Kind::kUploadPage:
      return "upload page";
    case Kind::kUploadForm:
      return "upload form";
    case Kind::kResumableOptions:
      return "tus options";
    case Kind::kResumableCreate:
      return "tus create";
    case Kind::kResumableOffset:
      return "tus offset " + target.upload_id;
    case Kind::kResumableAppend:
      return "tus append " + target.upload_id;
    case Kind::kResumableEnd:
      return "tus end " + target.upload_id;
    case Kind::kThumbnail:
      return "thumbnail " + target.path.FullPath();
    case Kind::kArchive:
      return "archive " + target.heading + " of " + target.path.FullPath();
  }
  return "?";
}

Target ResolveLine(const std::string& request, bool list, FakeSite& site, bool uploads = false) {
  ServingOptions options;
  options.list_folders = list;
  options.uploads = uploads;
  return Resolve(ParseRequest(request, CodePage::Gbk()), "C:\\web", CodePage::Gbk(), options, site);
}

TEST(ResolveTest, TurnsEachRequestIntoOneTarget) {
  const std::map<std::string, Found> site = {
      {"a C:\\web", Found::kFolder},
      {"a C:\\web\\index.htm", Found::kFile},
      {"a C:\\web\\a.txt", Found::kFile},
      {"a C:\\web\\fifo", Found::kOther},
      {"a C:\\web\\sub", Found::kFolder},
      {"a C:\\web\\my docs x", Found::kFolder},
      {"a C:\\web\\with", Found::kFolder},
      {"a C:\\web\\with\\index.htm", Found::kFile},
      {"a C:\\web\\odd", Found::kFolder},
      {"a C:\\web\\odd\\index.htm", Found::kFolder},  // a folder called index.htm
      {"a C:\\web\\\xD6\xD0", Found::kFolder},        // 中 in GBK, found by its ANSI name
      {"u C:\\web\\\xE6\x96\x87", Found::kFolder},    // 文, found by its Unicode name
      {"a C:\\web\\bad\xFF", Found::kFolder},         // bytes that are no text
  };
  const struct {
    bool list;
    std::string request;
    std::string expected;
    bool uploads = false;
  } cases[] = {
      // The listing off: the design's paths.
      {false, "GET / HTTP/1.1", "index C:\\web\\index.htm"},
      {false, "GET /a.txt HTTP/1.1", "file C:\\web\\a.txt"},
      {false, "GET /a%2Etxt HTTP/1.1", "file C:\\web\\a.txt"},
      {false, "GET /b.txt HTTP/1.1", "404"},
      {false, "GET /sub HTTP/1.1", "500 C:\\web\\sub"},
      {false, "GET /fifo HTTP/1.1", "500 C:\\web\\fifo"},
      {false, "GET /sub/ HTTP/1.1", "refused"},
      {false, "GET /a.txt%00.jpg HTTP/1.1", "file C:\\web\\a.txt"},
      {false, "GET /nul HTTP/1.1", "refused"},
      {false, "POST /a.txt HTTP/1.1", "ignored"},
      {false, "GET/a.txt", "404"},  // no space on the request line: no path at all
      // The listing on.
      {true, "GET / HTTP/1.1", "index C:\\web\\index.htm"},
      {true, "GET /a.txt HTTP/1.1", "file C:\\web\\a.txt"},
      {true, "GET /a.txt/ HTTP/1.1", "404"},
      {true, "GET /sub/ HTTP/1.1", "listing /sub/ of C:\\web\\sub"},
      {true, "GET /s%75b/ HTTP/1.1", "listing /sub/ of C:\\web\\sub"},
      {true, "GET /with/ HTTP/1.1", "index C:\\web\\with\\index.htm"},
      {true, "GET /odd/ HTTP/1.1", "listing /odd/ of C:\\web\\odd"},
      {true, "GET /fifo HTTP/1.1", "500 C:\\web\\fifo"},
      {true, "GET /missing/ HTTP/1.1", "404"},
      // A folder named without its final "/", or by another spelling, is
      // sent to its own, which can only name this server.
      {true, "GET /sub HTTP/1.1", "301 /sub/"},
      {true, "GET //sub HTTP/1.1", "301 /sub/"},
      {true, "GET //sub/ HTTP/1.1", "301 /sub/"},
      {true, "GET //evil.example/%2e%2e%5Csub HTTP/1.1", "301 /sub/"},
      {true, "GET //evil.example/%2e%2e%5Csub/ HTTP/1.1", "301 /sub/"},
      {true, "GET /sub%2F HTTP/1.1", "301 /sub/"},
      {true, "GET /sub%5C HTTP/1.1", "refused"},
      {true, "GET /sub/./ HTTP/1.1", "301 /sub/"},
      {true, "GET /x/../sub/ HTTP/1.1", "301 /sub/"},
      {true, "GET /my%20docs+x HTTP/1.1", "301 /my%20docs%20x/"},
      {true, "GET /my+docs%20x/ HTTP/1.1", "listing /my docs x/ of C:\\web\\my docs x"},
      {true, "GET  HTTP/1.1", "301 /"},
      {true, "GET // HTTP/1.1", "301 /"},
      {true, "GET /%2F HTTP/1.1", "301 /"},
      // "%00" names nothing, so no redirect can go round for ever.
      {true, "GET /sub%00 HTTP/1.1", "404"},
      {true, "GET /sub%00/ HTTP/1.1", "404"},
      {true, "GET /a.txt%00.jpg HTTP/1.1", "404"},
      // A trailing dot or space is refused as a folder as it is as a file.
      {true, "GET /sub./ HTTP/1.1", "refused"},
      {true, "GET /sub%20/ HTTP/1.1", "refused"},
      {true, "GET /sub. HTTP/1.1", "refused"},
      {true, "GET /../ HTTP/1.1", "refused"},
      {true, "GET /con/ HTTP/1.1", "refused"},
      {true, "GET /a*/ HTTP/1.1", "refused"},
      // Names that are not ASCII: a folder found by its ANSI spelling is sent
      // to its UTF-8 one, so the page and its links are UTF-8 throughout.
      {true, "GET /%D6%D0/ HTTP/1.1", "301 /%E4%B8%AD/"},
      {true, "GET /\xD6\xD0/ HTTP/1.1", "301 /%E4%B8%AD/"},
      {true, "GET /%E6%96%87/ HTTP/1.1", "listing /\xE6\x96\x87/ of C:\\web\\\xE6\x96\x87"},
      {true, "GET /%E6%96%87 HTTP/1.1", "301 /%E6%96%87/"},
      // Bytes no code page makes text of keep their spelling; the heading
      // shows them as U+FFFD.
      {true, "GET /bad%FF/ HTTP/1.1", "listing /bad\xEF\xBF\xBD/ of C:\\web\\bad\xFF"},
      {true, "GET /bad%FF HTTP/1.1", "301 /bad%FF/"},
      // The upload page's address names no file: only uploads give it a use.
      {false, "GET /:upload HTTP/1.1", "refused"},
      {false, "POST /:upload HTTP/1.1", "ignored"},
      {false, "GET /:upload HTTP/1.1", "upload page", true},
      {false, "GET /:upload?code=K HTTP/1.1", "upload page", true},
      {true, "POST /:upload?code=K HTTP/1.1", "upload form", true},
      {true, "POST /a.txt HTTP/1.1", "ignored", true},
      {true, "GET /:uploads HTTP/1.1", "refused", true},
      // Resumable uploads: the upload address creates with Tus-Resumable and
      // tells the options; below it, an upload's own address.
      {true, "POST /:upload HTTP/1.1\r\nTus-Resumable: 1.0.0", "tus create", true},
      {true, "POST /:upload?code=K HTTP/1.1\r\ntus-resumable:0.2", "tus create", true},
      {true, "OPTIONS /:upload HTTP/1.1", "tus options", true},
      {true, "HEAD /:upload/ab12 HTTP/1.1", "tus offset ab12", true},
      {true, "PATCH /:upload/ab12?code=K HTTP/1.1", "tus append ab12", true},
      {true, "DELETE /:upload/x/y HTTP/1.1", "tus end x/y", true},
      {true, "PUT /:upload/ab12 HTTP/1.1", "ignored", true},
      {true, "HEAD /:upload HTTP/1.1", "ignored", true},
      {true, "PATCH /:uploadab12 HTTP/1.1", "ignored", true},
      {true, "GET /:upload/ab12 HTTP/1.1", "refused", true},
      // None of it without uploads: every request but GET stays unanswered.
      {true, "OPTIONS /:upload HTTP/1.1", "ignored"},
      {true, "POST /:upload HTTP/1.1\r\nTus-Resumable: 1.0.0", "ignored"},
      {true, "HEAD /:upload/ab12 HTTP/1.1", "ignored"},
      {true, "PATCH /:upload/ab12 HTTP/1.1", "ignored"},
      {true, "DELETE /:upload/ab12 HTTP/1.1", "ignored"},
      // A thumbnail's address: the rest read as any file's path, the listing on.
      {false, "GET /:thumb/a.txt HTTP/1.1", "refused"},
      {true, "GET /:thumb/a.txt HTTP/1.1", "thumbnail C:\\web\\a.txt"},
      {true, "GET /:thumb/sub/../a%2Etxt HTTP/1.1", "thumbnail C:\\web\\a.txt"},
      {true, "GET /:thumb/%E6%96%87/a.txt HTTP/1.1", "404"},
      {true, "GET /:thumb/sub HTTP/1.1", "404"},
      {true, "GET /:thumb/fifo HTTP/1.1", "404"},
      {true, "GET /:thumb/sub/ HTTP/1.1", "refused"},
      {true, "GET /:thumb/ HTTP/1.1", "refused"},
      {true, "GET /:thumb HTTP/1.1", "refused"},
      {true, "GET /:thumb/../a.txt HTTP/1.1", "refused"},
      {true, "GET /:thumb/nul HTTP/1.1", "refused"},
      {true, "GET /:thumb/a.txt?x HTTP/1.1", "refused"},
      {true, "GET /:thumb/a.txt%00.jpg HTTP/1.1", "404"},
      {true, "GET /:thumbs/a.txt HTTP/1.1", "refused"},
      {true, "GET /%3Athumb/a.txt HTTP/1.1", "refused"},
      {true, "POST /:thumb/a.txt HTTP/1.1", "ignored"},
      // A folder as one archive: only with the listing on, any spelling of
      // a folder, refused and missing as the folder's own address would be.
      {false, "GET /:zip/ HTTP/1.1", "refused"},
      {false, "POST /:zip/ HTTP/1.1", "ignored"},
      {true, "GET /:zip/ HTTP/1.1", "archive / of C:\\web"},
      {true, "POST /:zip/sub/ HTTP/1.1", "archive /sub/ of C:\\web\\sub"},
      {true, "GET /:zip/s%75b/ HTTP/1.1", "archive /sub/ of C:\\web\\sub"},
      {true, "GET /:zip/with/ HTTP/1.1", "archive /with/ of C:\\web\\with"},
      {true, "GET /:zip/%D6%D0/ HTTP/1.1", "archive /\xE4\xB8\xAD/ of C:\\web\\\xD6\xD0"},
      {true, "GET /:zip/sub HTTP/1.1", "404"},
      {true, "GET /:zip/a.txt/ HTTP/1.1", "404"},
      {true, "GET /:zip/sub%00/ HTTP/1.1", "404"},
      {true, "GET /:zip/../ HTTP/1.1", "refused"},
      {true, "GET /:zip HTTP/1.1", "refused"},
      {true, "GET /:zipx/ HTTP/1.1", "refused"},
      {true, "GET /%3Azip/ HTTP/1.1", "refused"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.request + (c.list ? " (listing on)" : "") + (c.uploads ? " (uploads on)" : ""));
    FakeSite files(site);
    EXPECT_EQ(c.expected, Describe(ResolveLine(c.request + "\r\n\r\n", c.list, files, c.uploads)));
  }
}

TEST(ResolveTest, AsksForTheUnicodeNameFirstAndNeverAsksAboutARefusedPath) {
  const std::string utf8 = "C:\\web\\\xE4\xB8\xAD.txt";  // 中.txt
  const std::string gbk = "C:\\web\\\xC4\xE3.htm";       // GBK bytes, not UTF-8
  const struct {
    std::map<std::string, Found> site;
    std::string path;
    std::string expected;
    std::vector<std::string> asked;
  } cases[] = {
      {{{"u " + utf8, Found::kFile}, {"a " + utf8, Found::kFile}},
       "/%E4%B8%AD.txt",
       "file " + utf8,
       {"open u " + utf8}},
      {{{"a " + utf8, Found::kFile}},
       "/%E4%B8%AD.txt",
       "file " + utf8,
       {"open u " + utf8, "kind u " + utf8, "open a " + utf8}},
      {{{"a " + gbk, Found::kFile}}, "/%C4%E3.htm", "file " + gbk, {"open a " + gbk}},
      {{}, "/a.txt", "404", {"open a C:\\web\\a.txt", "kind a C:\\web\\a.txt"}},
      {{}, "/../x", "refused", {}},
      {{}, "/a*", "refused", {}},
      {{}, "/%E4%B8%AD%E6%96%87/../../x", "refused", {}},
      {{}, "/nul", "refused", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    FakeSite files(c.site);
    EXPECT_EQ(c.expected,
              Describe(ResolveLine("GET " + c.path + " HTTP/1.1\r\n\r\n", false, files)));
    EXPECT_EQ(c.asked, files.asked());
  }
}

}  // namespace
}  // namespace orvane
