#include <gtest/gtest.h>

#include "http/connection.h"

TEST(ClientLogLineTest, WritesPortUnsigned) {
  EXPECT_EQ(std::string("\xBF\xCD\xBB\xA7\xC0\xB4\xD7\xD4:10.0.0.1:40000\r\n"),
            orvane::ClientLogLine("10.0.0.1", 40000));
}
