#include "http/access/access_code.h"

#include <gtest/gtest.h>

#include <string>

namespace orvane {
namespace {

TEST(AccessCodeTest, IsTwelveCharactersThatReadAloudWithoutDoubt) {
  std::string counting;
  for (int b = 0; b < 12; ++b) counting.push_back(static_cast<char>(b));
  const std::string skipped = std::string(20, '\xFF') + std::string(12, '\x1E');
  const struct {
    std::string random;
    std::optional<std::string> code;
  } cases[] = {
      {counting, "23456789ABCD"},
      // 248 and above would favour the first characters: they are skipped.
      {skipped, "ZZZZZZZZZZZZ"},
      {std::string(11, '\x00'), std::nullopt},
      {std::string(64, '\xF8'), std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.code, AccessCodeFrom(c.random));
  }
  for (char c : std::string("01OIL")) EXPECT_EQ(std::string_view::npos, kCodeAlphabet.find(c));
  EXPECT_EQ(31u, kCodeAlphabet.size());
}

TEST(AccessCodeTest, LetsInTheRightCodeOrCookieAndRefusesEveryoneElse) {
  const std::string code = "ABCDEFGH2345";
  const std::string cookie = "orvane_code_8080";
  using K = Admission::Kind;
  const struct {
    std::string what;
    std::string request;
    K kind;
    std::string location;
  } cases[] = {
      {"the code", "GET /?code=ABCDEFGH2345 HTTP/1.1\r\n\r\n", K::kSendOnWithout, "/"},
      {"typed in lower case", "GET /a.txt?code=abcdefgh2345 HTTP/1.1\r\n\r\n", K::kSendOnWithout,
       "/a.txt"},
      {"beside other parameters", "GET /a?x=1&code=ABCDEFGH2345&y=2 HTTP/1.1\r\n\r\n",
       K::kSendOnWithout, "/a?x=1&y=2"},
      {"a wrong code", "GET /?code=ABCDEFGH2346 HTTP/1.1\r\n\r\n", K::kRefuse, ""},
      {"a code one short", "GET /?code=ABCDEFGH234 HTTP/1.1\r\n\r\n", K::kRefuse, ""},
      {"a code too long", "GET /?code=ABCDEFGH23455 HTTP/1.1\r\n\r\n", K::kRefuse, ""},
      {"no code", "GET / HTTP/1.1\r\n\r\n", K::kRefuse, ""},
      {"an empty code", "GET /?code= HTTP/1.1\r\n\r\n", K::kRefuse, ""},
      {"the code in the path", "GET /code=ABCDEFGH2345 HTTP/1.1\r\n\r\n", K::kRefuse, ""},
      {"the cookie", "GET / HTTP/1.1\r\nCookie: " + cookie + "=ABCDEFGH2345\r\n\r\n", K::kLetIn,
       ""},
      {"the cookie among others",
       "GET / HTTP/1.1\r\nCookie: a=1; " + cookie + "=ABCDEFGH2345; b=2\r\n\r\n", K::kLetIn, ""},
      {"in a second cookie line",
       "GET / HTTP/1.1\r\nCookie: a=1\r\ncookie: " + cookie + "=ABCDEFGH2345\r\n\r\n", K::kLetIn,
       ""},
      {"an old code's cookie", "GET / HTTP/1.1\r\nCookie: " + cookie + "=ABCDEFGH2346\r\n\r\n",
       K::kRefuse, ""},
      {"another port's cookie", "GET / HTTP/1.1\r\nCookie: orvane_code_8081=ABCDEFGH2345\r\n\r\n",
       K::kRefuse, ""},
      {"a forged name", "GET / HTTP/1.1\r\nCookie: x" + cookie + "=ABCDEFGH2345\r\n\r\n",
       K::kRefuse, ""},
      {"a wrong code, the right cookie",
       "GET /?code=X HTTP/1.1\r\nCookie: " + cookie + "=ABCDEFGH2345\r\n\r\n", K::kLetIn, ""},
      // Another method brings its code to be served directly (an upload).
      {"a POST with the code", "POST /?code=ABCDEFGH2345 HTTP/1.1\r\n\r\n", K::kLetIn, ""},
      {"a POST without", "POST / HTTP/1.1\r\n\r\n", K::kRefuse, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const Admission a = Admit(ParseRequest(c.request, CodePage::Gbk()), code, 8080);
    EXPECT_EQ(c.kind, a.kind);
    EXPECT_EQ(c.location, a.location);
    if (a.kind == K::kSendOnWithout) {
      EXPECT_EQ("Set-Cookie: " + cookie + "=ABCDEFGH2345; Path=/; HttpOnly; SameSite=Lax",
                a.cookie_line);
    }
  }
  // No code held: nothing matches, not even an empty one.
  EXPECT_EQ(K::kRefuse,
            Admit(ParseRequest("GET /?code= HTTP/1.1\r\n\r\n", CodePage::Gbk()), "", 8080).kind);
}

TEST(AccessCodeTest, SendsOnToAPathOfThisServerWithoutTheCode) {
  const std::pair<std::string, std::string> cases[] = {
      {"/?code=X", "/"},
      {"/a/b?x=1&code=X&y=2", "/a/b?x=1&y=2"},
      {"/a?CODE=X&codex=1", "/a?codex=1"},
      {"/a?code", "/a"},
      {"//evil.example/x?code=X", "/evil.example/x"},
      {"/\\\\evil.example?code=X", "/evil.example"},
      {"?code=X", "/"},
      {"/\xD6\xD0 \"<>?code=X", "/%D6%D0%20%22%3C%3E"},
      {"/a?q=%41&code=X", "/a?q=%41"},
  };
  for (const auto& [raw, expected] : cases) {
    SCOPED_TRACE(raw);
    EXPECT_EQ(expected, WithoutCode(raw));
  }
}

TEST(AccessCodeTest, TheRefusalPageSaysWhereTheCodeIsAndNothingElse) {
  const std::string page(RefusalPage());
  EXPECT_NE(std::string::npos, page.find(u8"<title>需要访问码</title>"));
  EXPECT_NE(
      std::string::npos,
      page.find(
          u8"这个网址需要访问码。请用手机扫描服务器屏幕上的二维码，访问码就在二维码的网址里。"));
  EXPECT_NE(std::string::npos, page.find("<meta charset=\"utf-8\">"));
  EXPECT_EQ(std::string::npos, page.find("http"));  // no address, no link
}

}  // namespace
}  // namespace orvane
