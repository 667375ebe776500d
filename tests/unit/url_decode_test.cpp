#include "http/core/url_decode.h"

#include <gtest/gtest.h>

#include <string>

namespace orvane {
namespace {

struct DecodeCase {
  std::string raw;
  std::string expected;
};

TEST(UrlDecodeTest, DecodesPercentAndPlusByTheRules) {
  // clang-format off
  const DecodeCase cases[] = {
      {"/", "/"},
      {"", ""},
      {"/docs/", "/docs/"},
      {"//", "//"},
      {"/a+b.txt", "/a b.txt"},
      {"/a%20b.txt", "/a b.txt"},
      {"/%41%62", "/Ab"},
      {"/%7e%7E", "/~~"},
      {"/%e4%b8%ad", "/\xE4\xB8\xAD"},
      {"/%C4%E3.txt", "/\xC4\xE3.txt"},
      {"/%ff", "/\xFF"},
      {"/a%2fb", "/a/b"},
      {"/a%2Bb", "/a+b"},       // an escaped plus stays a plus
      {"/%2541", "/%41"},       // decoded once only
      // Bytes written literally after "%" are not examined again.
      {"/%%41", "/%%41"},
      {"/%4/", "/%4/"},
      {"/%+41", "/%+41"},
      {"/%4%41", "/%4%41"},
      {"/%%%", "/%%%"},
      // Letter-or-digit pairs that are not hexadecimal stay as they are.
      {"/%4G", "/%4G"},
      {"/%G4", "/%G4"},
      {"/%ZZ.txt", "/%ZZ.txt"},
      // A "%" near the end.
      {"/a%", "/a%"},
      {"/a%4", "/a%4"},
      {"%", "%"},
      // "%00" ends the path.
      {"/a%00b.txt", "/a"},
      {"%00", ""},
      {"/+", "/ "},
  };
  // clang-format on
  for (const DecodeCase& c : cases) {
    SCOPED_TRACE(c.raw);
    EXPECT_EQ(c.expected, DecodeUrlPath(c.raw));
  }
}

struct Utf8Case {
  std::string bytes;
  bool expected;
};

TEST(UrlDecodeTest, RecognisesWellFormedNonAsciiUtf8) {
  // clang-format off
  const Utf8Case cases[] = {
      {"", false},
      {"/index.htm", false},                   // plain ASCII
      {"\xE4\xB8\xAD", true},                  // U+4E2D
      {"/docs/\xE4\xB8\xAD\xE6\x96\x87.txt", true},
      {"\xC3\xA9", true},                      // U+00E9
      {"\xF0\x9F\x98\x80", true},              // U+1F600
      {"\xED\x9F\xBF", true},                  // U+D7FF, just below the surrogates
      {"\xEE\x80\x80", true},                  // U+E000, just above them
      {"\xEF\xBF\xBF", true},                  // U+FFFF
      {"\xF4\x8F\xBF\xBF", true},              // U+10FFFF
      {"\xC0\xAF", false},                     // overlong "/"
      {"\xC1\xBF", false},
      {"\xE0\x80\xAF", false},                 // overlong, three bytes
      {"\xE0\x9F\xBF", false},                 // U+07FF in three bytes: overlong
      {"\xE0\xA0\x80", true},                  // U+0800, the first three-byte one
      {"\xF0\x8F\xBF\xBF", false},             // U+FFFF in four bytes: overlong
      {"\xF0\x90\x80\x80", true},              // U+10000, the first four-byte one
      {"\xF0\x80\x80\xAF", false},             // overlong, four bytes
      {"\xED\xA0\x80", false},                 // surrogate U+D800
      {"\xED\xBF\xBF", false},                 // surrogate U+DFFF
      {"\xF4\x90\x80\x80", false},             // past U+10FFFF
      {"\xF5\x80\x80\x80", false},
      {"\xE4\xB8", false},                     // truncated
      {"\xE4\xB8" "a", false},
      {"\x80", false},                         // lone continuation byte
      {"\xFF", false},
      {"\xC4\xE3\xBA\xC3", false},             // GBK bytes
  };
  // clang-format on
  for (const Utf8Case& c : cases) {
    SCOPED_TRACE(c.bytes);
    EXPECT_EQ(c.expected, IsNonAsciiUtf8(c.bytes));
  }
}

}  // namespace
}  // namespace orvane
