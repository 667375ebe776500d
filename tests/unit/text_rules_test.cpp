#include "http/text_rules.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

TEST(PortTextTest, Placeholder) { EXPECT_EQ(8080, PortNumberFromText("8080", CodePage::Gbk())); }

}  // namespace
}  // namespace orvane
