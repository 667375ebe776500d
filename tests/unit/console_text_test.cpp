// The headless server's terminal text: GBK log lines shown as UTF-8.
#include <gtest/gtest.h>

#include "app/console_panel.h"

namespace orvane {
namespace {

TEST(ConsoleTextTest, GbkLinesBecomeUtf8) {
  const struct {
    std::string gbk;
    std::string utf8;
  } cases[] = {
      {"", ""},
      {"plain ascii\r\n", "plain ascii\r\n"},
      {"\xBF\xCD\xBB\xA7\xC0\xB4\xD7\xD4:127.0.0.1:80\r\n",
       "\xE5\xAE\xA2\xE6\x88\xB7\xE6\x9D\xA5\xE8\x87\xAA:127.0.0.1:80\r\n"},  // 客户来自
      // A trail byte below 0x80 (丂 is 81 40) stays with its lead byte.
      {"\x81\x40@", "\xE4\xB8\x82@"},
      // Two different runs in one line, then the first again: each converted.
      {"\xC4\xE3\xBA\xC3 \xD6\xD0 \xC4\xE3\xBA\xC3",
       "\xE4\xBD\xA0\xE5\xA5\xBD \xE4\xB8\xAD \xE4\xBD\xA0\xE5\xA5\xBD"},  // 你好 中 你好
      // A run of eleven characters: each takes three bytes in UTF-8, two in GBK.
      {"\xC8\xD5\xD6\xBE\xB9\xFD\xB6\xE0\xA3\xAC\xB6\xAA\xC6\xFA\xC1\xCB\xD7\xEE\xD4\xE7\xB5\xC4 3",
       "\xE6\x97\xA5\xE5\xBF\x97\xE8\xBF\x87\xE5\xA4\x9A\xEF\xBC\x8C\xE4\xB8\xA2\xE5\xBC\x83"
       "\xE4\xBA\x86\xE6\x9C\x80\xE6\x97\xA9\xE7\x9A\x84 3"},  // 日志过多，丢弃了最早的
      {"a\x80z", "a\xE2\x82\xACz"},  // code page 936 puts the euro sign at 0x80
      // Bytes that are not GBK pass through unchanged.
      {"\xFF", "\xFF"},
      {"x\x81", "x\x81"},  // a lead byte cut off at the end
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.gbk);
    EXPECT_EQ(c.utf8, GbkToUtf8(c.gbk));
  }
}

}  // namespace
}  // namespace orvane
