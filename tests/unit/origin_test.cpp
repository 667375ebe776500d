#include "http/access/origin.h"

#include <gtest/gtest.h>

#include <string>

#include "base/code_page.h"

namespace orvane {
namespace {

TEST(OriginTest, OnlyAPageOfThisServerOrAClientWithoutOneMayWrite) {
  const struct {
    const char* what;
    std::string headers;
    bool allowed;
  } cases[] = {
      {"curl: no origin at all", "Host: 10.0.0.2:8080\r\n", true},
      {"this server's own page", "Host: 10.0.0.2:8080\r\nOrigin: http://10.0.0.2:8080\r\n", true},
      {"port 80 written or not", "Host: 10.0.0.2\r\nOrigin: http://10.0.0.2:80\r\n", true},
      {"host in another case", "Host: PC.local:81\r\nOrigin: http://pc.local:81\r\n", true},
      {"a page of another port", "Host: 127.0.0.1:8080\r\nOrigin: http://127.0.0.1:9000\r\n",
       false},
      {"another host", "Host: 10.0.0.2:8080\r\nOrigin: http://evil.example\r\n", false},
      {"https", "Host: 10.0.0.2:8080\r\nOrigin: https://10.0.0.2:8080\r\n", false},
      {"an opaque origin", "Host: 10.0.0.2:8080\r\nOrigin: null\r\n", false},
      {"an origin and no host", "Origin: http://10.0.0.2:8080\r\n", false},
      {"the referer when no origin",
       "Host: 10.0.0.2:8080\r\nReferer: http://10.0.0.2:8080/:upload?x=1\r\n", true},
      {"a referer of another port", "Host: 10.0.0.2:8080\r\nReferer: http://10.0.0.2:8081/\r\n",
       false},
      {"the origin wins over the referer",
       "Host: a:1\r\nOrigin: http://b:1\r\nReferer: http://a:1/\r\n", false},
      {"same-origin fetch", "Host: a:1\r\nOrigin: http://a:1\r\nSec-Fetch-Site: same-origin\r\n",
       true},
      {"cross-site fetch", "Host: a:1\r\nSec-Fetch-Site: cross-site\r\n", false},
      {"same-site fetch (another port)",
       "Host: a:1\r\nOrigin: http://a:1\r\nSec-Fetch-Site: same-site\r\n", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string request = "POST /:upload HTTP/1.1\r\n" + c.headers + "\r\n";
    EXPECT_EQ(c.allowed, WriteFromThisServer(ParseRequest(request, CodePage::Gbk())));
  }
}

}  // namespace
}  // namespace orvane
