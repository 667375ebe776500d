#include <gtest/gtest.h>

#include "http/core/log_line.h"

namespace orvane {
namespace {

TEST(ClientLogLineTest, WritesAddressAndUnsignedPort) {
  const struct {
    const char* address;
    std::uint16_t port;
    const char* tail;
  } cases[] = {
      {"192.168.1.20", 1025, "192.168.1.20:1025\r\n"},
      {"10.0.0.1", 40000, "10.0.0.1:40000\r\n"},
      {"127.0.0.1", 65535, "127.0.0.1:65535\r\n"},
      {"", 0, ":0\r\n"},  // the peer's address could not be had
  };
  for (const auto& c : cases) {
    EXPECT_EQ(std::string("\xBF\xCD\xBB\xA7\xC0\xB4\xD7\xD4:") + c.tail,
              ClientLogLine(c.address, c.port));
  }
}

}  // namespace
}  // namespace orvane
